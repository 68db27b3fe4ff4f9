// The image loader and the bitmap viewer: photographs turned upright by each EXIF orientation
// (JPEGs made here with the imaging component's encoder and given an EXIF block), the alpha
// of a PNG kept, a picture larger than the view scrolled with its margin, and a file that is
// no picture shown as an empty view that says so.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <array>
#include <vector>

#include "common/Text.h"
#include "resedit/BitmapEditor.h"
#include "resedit/Image.h"
#include "tests/gui/ResourceProject.h"
#include "tests/resedit/ExifFixtures.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

constexpr UINT kWidth = 48;
constexpr UINT kHeight = 24;

// 0x00RRGGBB of each quadrant of the picture as stored: top left, top right, bottom left,
// bottom right.
constexpr std::array<std::uint32_t, 4> kQuadrants = {0xE02020, 0x20C020, 0x2020E0, 0xF0F0F0};

// Encodes a picture with WIC into path; format is a container GUID.
bool Encode(const std::string& path, const GUID& format, UINT width, UINT height, const WICPixelFormatGUID& pixelFormat,
            const std::vector<std::uint8_t>& pixels, UINT stride) {
  kvcom::Ptr<IWICImagingFactory> factory;
  kvcom::Ptr<IWICStream> stream;
  kvcom::Ptr<IWICBitmapEncoder> encoder;
  kvcom::Ptr<IWICBitmapFrameEncode> frame;
  kvcom::Ptr<IPropertyBag2> options;
  WICPixelFormatGUID chosen = pixelFormat;
  const kvtext::WideString widePath = kvtext::Utf8ToWide(path);
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.put()))) &&
         SUCCEEDED(factory->CreateStream(stream.put())) &&
         SUCCEEDED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(format, nullptr, encoder.put())) &&
         SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(frame.put(), options.put())) &&
         SUCCEEDED(frame->Initialize(options.get())) && SUCCEEDED(frame->SetSize(width, height)) &&
         SUCCEEDED(frame->SetPixelFormat(&chosen)) && chosen == pixelFormat &&
         SUCCEEDED(frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()),
                                      const_cast<BYTE*>(pixels.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// A JPEG of the four quadrants with an EXIF block giving orientation (none for 0).
std::string QuadrantJpeg(const TempFolder& folder, int orientation) {
  std::vector<std::uint8_t> pixels(kWidth * kHeight * 3);
  for (UINT y = 0; y < kHeight; ++y) {
    for (UINT x = 0; x < kWidth; ++x) {
      const std::uint32_t rgb = kQuadrants[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)];
      std::uint8_t* p = &pixels[(y * kWidth + x) * 3];
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  }
  const std::string path = folder / ("photo" + std::to_string(orientation) + ".jpg");
  if (!Encode(path, GUID_ContainerFormatJpeg, kWidth, kHeight, GUID_WICPixelFormat24bppBGR, pixels, kWidth * 3)) {
    return {};
  }
  if (orientation == 0) return path;
  // The EXIF block goes right after the start-of-image marker, where cameras put it.
  const std::string plain = TempFolder::Read(path);
  const std::string exif = kvtest::ExifSegment(
      kvtest::TiffBlock({{274, 3, 1, static_cast<std::uint32_t>(orientation)}}, orientation % 2 == 0));
  TempFolder::Write(path, plain.substr(0, 2) + exif + plain.substr(2));
  return path;
}

struct Shown {
  LONG width = 0;
  LONG height = 0;
  std::vector<std::uint8_t> bgra;
  std::uint32_t rgbAt(LONG x, LONG y) const {
    const std::uint8_t* p = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
    return (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
  }
  std::uint8_t alphaAt(LONG x, LONG y) const { return bgra[(static_cast<std::size_t>(y) * width + x) * 4 + 3]; }
};

// The display bitmap's pixels: a top-down 32-bit DIB section.
Shown Pixels(HBITMAP bitmap) {
  DIBSECTION section = {};
  Shown shown;
  if (!bitmap || GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return shown;
  EXPECT_EQ(section.dsBmih.biBitCount, 32);
  shown.width = section.dsBm.bmWidth;
  shown.height = section.dsBm.bmHeight;
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  shown.bgra.assign(bits, bits + static_cast<std::size_t>(shown.width) * shown.height * 4);
  return shown;
}

bool Near(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16}) {
    const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (difference > 40 || difference < -40) return false;
  }
  return true;
}

TEST(ImageLoader, EachExifOrientationShowsThePhotographUpright) {
  TempFolder folder;
  // Which stored quadrant (0 top left, 1 top right, 2 bottom left, 3 bottom right) is seen at
  // each corner of the upright picture, in the same order.
  const std::array<std::array<int, 4>, 9> seen = {{{0, 1, 2, 3},
                                                   {0, 1, 2, 3},
                                                   {1, 0, 3, 2},
                                                   {3, 2, 1, 0},
                                                   {2, 3, 0, 1},
                                                   {0, 2, 1, 3},
                                                   {2, 0, 3, 1},
                                                   {3, 1, 2, 0},
                                                   {1, 3, 0, 2}}};
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string path = QuadrantJpeg(folder, orientation);
    ASSERT_FALSE(path.empty()) << "the JPEG encoder failed";
    ZKImage image;
    ASSERT_TRUE(image.load(path));
    EXPECT_EQ(image.orientation(), orientation == 0 ? 1 : orientation);
    const Shown shown = Pixels(image.bitmap());
    const bool swapped = orientation >= 5;
    ASSERT_EQ(shown.width, static_cast<LONG>(swapped ? kHeight : kWidth));
    ASSERT_EQ(shown.height, static_cast<LONG>(swapped ? kWidth : kHeight));
    const LONG left = shown.width / 4;
    const LONG right = shown.width * 3 / 4;
    const LONG top = shown.height / 4;
    const LONG bottom = shown.height * 3 / 4;
    const std::array<std::uint32_t, 4> corners = {shown.rgbAt(left, top), shown.rgbAt(right, top),
                                                  shown.rgbAt(left, bottom), shown.rgbAt(right, bottom)};
    for (int corner = 0; corner < 4; ++corner) {
      EXPECT_TRUE(Near(corners[corner], kQuadrants[seen[orientation][corner]]))
          << "corner " << corner << " shows " << std::hex << corners[corner];
    }
    // A turned photograph is opaque.
    EXPECT_EQ(shown.alphaAt(0, 0), 0xFF);
  }
}

TEST(ImageLoader, APngKeepsItsTransparencyAndAMultiFramePictureShowsItsFirstFrame) {
  TempFolder folder;
  std::vector<std::uint8_t> pixels(8 * 8 * 4);
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = 0x40;
    pixels[i + 1] = 0x80;
    pixels[i + 2] = 0xC0;
    pixels[i + 3] = i < pixels.size() / 2 ? 0x00 : 0x80;
  }
  const std::string path = folder / "clear.png";
  ASSERT_TRUE(Encode(path, GUID_ContainerFormatPng, 8, 8, GUID_WICPixelFormat32bppBGRA, pixels, 8 * 4));
  ZKImage image;
  ASSERT_TRUE(image.load(path));
  EXPECT_EQ(image.orientation(), 1);
  const Shown shown = Pixels(image.bitmap());
  ASSERT_EQ(shown.width, 8);
  EXPECT_EQ(shown.alphaAt(0, 0), 0x00);
  EXPECT_EQ(shown.alphaAt(0, 7), 0x80);
  EXPECT_EQ(shown.bgra[7 * 8 * 4 + 2], 0xC0) << "straight, not premultiplied";

  // An icon is a file of several frames: the first one is shown.
  const std::string icon = folder / "two.ico";
  TempFolder::Write(icon, kvtest::SolidIcon({16, 32}, 0xFF2060A0));
  ASSERT_TRUE(image.load(icon));
  EXPECT_EQ(image.frameCount(), 2u);
  EXPECT_EQ(Pixels(image.bitmap()).width, 16);
}

TEST(ImageLoader, AFileThatIsNoPictureFailsToLoad) {
  TempFolder folder;
  const std::string path = folder / "broken.bmp";
  TempFolder::Write(path, "BM this is no bitmap");
  ZKImage image;
  EXPECT_FALSE(image.load(path));
  EXPECT_EQ(image.bitmap(), nullptr);
  EXPECT_FALSE(image.load(folder / "missing.jpg"));
}

class BitmapViewerTest : public kvtest::ResourceProjectTest {};

TEST_F(BitmapViewerTest, ShowsTheUprightPictureScrollableWithItsMargin) {
  TempFolder::Write(resources + "photo.jpg", TempFolder::Read(QuadrantJpeg(root, 6)));
  openProject("<Name>photo.jpg</Name>");
  KVBitmapEditor* viewer = open<KVBitmapEditor>("photo.jpg");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->pictureWidth(), static_cast<int>(kHeight));
  EXPECT_EQ(viewer->pictureHeight(), static_cast<int>(kWidth));
  RECT picture = {};
  GetWindowRect(viewer->pictureControl(), &picture);
  MapWindowPoints(nullptr, viewer->editorWindow, reinterpret_cast<POINT*>(&picture), 2);
  EXPECT_EQ(picture.left, viewer->scale(10));
  EXPECT_EQ(picture.top, viewer->scale(10));
  EXPECT_EQ(picture.right - picture.left, static_cast<LONG>(kHeight));
  EXPECT_EQ(viewer->contentWidth, static_cast<int>(kHeight) + viewer->scale(20));
  EXPECT_TRUE(frame->saveDocument(record("photo.jpg"))) << "a picture is never unsaved";
}

TEST_F(BitmapViewerTest, APictureLargerThanTheViewScrolls) {
  const std::string path = resources + "wide.png";
  std::vector<std::uint8_t> big(3000u * 2000u * 4u, 0x7F);
  ASSERT_TRUE(Encode(path, GUID_ContainerFormatPng, 3000, 2000, GUID_WICPixelFormat32bppBGRA, big, 3000 * 4));
  openProject("<Name>wide.png</Name>");
  KVBitmapEditor* viewer = open<KVBitmapEditor>("wide.png");
  ASSERT_NE(viewer, nullptr);
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(viewer->editorWindow, SB_HORZ, &info));
  EXPECT_EQ(info.nMax + 1, 3000 + viewer->scale(20));
  // The keyboard scrolls as the bars do: End to the bottom, Ctrl+End to the right.
  EXPECT_EQ(GetFocus(), viewer->editorWindow);
  SendMessageW(viewer->editorWindow, WM_KEYDOWN, VK_NEXT, 0);
  info.fMask = SIF_POS;
  ASSERT_TRUE(GetScrollInfo(viewer->editorWindow, SB_VERT, &info));
  EXPECT_GT(info.nPos, 0) << "Page Down";
  SendMessageW(viewer->editorWindow, WM_KEYDOWN, VK_END, 0);
  SendMessageW(viewer->editorWindow, WM_HSCROLL, SB_BOTTOM, 0);
  RECT client = {};
  GetClientRect(viewer->editorWindow, &client);
  RECT picture = {};
  GetWindowRect(viewer->pictureControl(), &picture);
  MapWindowPoints(nullptr, viewer->editorWindow, reinterpret_cast<POINT*>(&picture), 2);
  // At the far end the picture's last pixels sit the margin away from the view's edge.
  EXPECT_EQ(client.right - picture.right, viewer->scale(10));
  EXPECT_EQ(client.bottom - picture.bottom, viewer->scale(10));
}

TEST_F(BitmapViewerTest, AFileThatIsNoPictureShowsAnEmptyView) {
  TempFolder::Write(resources + "broken.bmp", "BM not a bitmap");
  openProject("<Name>broken.bmp</Name>");
  KVBitmapEditor* viewer = open<KVBitmapEditor>("broken.bmp");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->images(), nullptr);
  RECT picture = {};
  GetWindowRect(viewer->pictureControl(), &picture);
  EXPECT_EQ(picture.right - picture.left, viewer->scale(10));
}

}  // namespace
