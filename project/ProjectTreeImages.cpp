// The project tree's pictures: the node images from bitmap 145, the project's own icon in the
// last slot, and the drag cursors from bitmap 151. Without the bitmaps the same pictures are
// drawn from their shapes.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "build/IconFile.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kImageSize = 16;
// Transparent columns right of each node picture: the tree view draws the label right at the
// picture's edge, and the pictures fill their 16 pixels.
constexpr int kLabelGap = 3;
constexpr int kNodeCell = kImageSize + kLabelGap;
constexpr int kStripImages = 8;
constexpr COLORREF kKey = RGB(255, 0, 255);

// The format of 32-bit top-down pixels of the given size.
BITMAPINFO TopDownFormat(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A 32-bit top-down DIB section of the given size; bits receives its pixels.
HBITMAP MakeDib(int width, int height, void** bits) {
  const BITMAPINFO info = TopDownFormat(width, height);
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const RECT box = {left, top, right, bottom};
  const kvwin::Brush brush(CreateSolidBrush(colour));
  FillRect(dc, &box, brush.get());
}

void Frame(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const RECT box = {left, top, right, bottom};
  const kvwin::Brush brush(CreateSolidBrush(colour));
  FrameRect(dc, &box, brush.get());
}

void DrawPolygon(HDC dc, const POINT* points, int count, COLORREF fill, COLORREF edge) {
  const kvwin::Brush brush(CreateSolidBrush(fill));
  const kvwin::Pen pen(CreatePen(PS_SOLID, 1, edge));
  const HGDIOBJ oldBrush = SelectObject(dc, brush.get());
  const HGDIOBJ oldPen = SelectObject(dc, pen.get());
  ::Polygon(dc, points, count);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

void Page(HDC dc, int x, COLORREF band) {
  Fill(dc, x + 3, 1, x + 13, 15, RGB(255, 255, 255));
  Frame(dc, x + 3, 1, x + 13, 15, RGB(96, 96, 96));
  Fill(dc, x + 4, 10, x + 12, 14, band);
}

void Folder(HDC dc, int x, bool open) {
  const POINT tab[] = {{x + 1, 3}, {x + 6, 3}, {x + 7, 5}, {x + 14, 5}, {x + 14, 13}, {x + 1, 13}};
  DrawPolygon(dc, tab, 6, RGB(230, 180, 60), RGB(150, 110, 20));
  if (open) {
    const POINT front[] = {{x + 3, 7}, {x + 15, 7}, {x + 13, 13}, {x + 1, 13}};
    DrawPolygon(dc, front, 4, RGB(250, 215, 110), RGB(150, 110, 20));
  }
}

// The eight node pictures drawn onto a key colour that becomes transparent.
void DrawNodeImages(HDC dc) {
  Fill(dc, 0, 0, kStripImages * kImageSize, kImageSize, kKey);
  Fill(dc, 1, 2, 15, 14, RGB(40, 90, 170));  // 0 the project
  Fill(dc, 3, 5, 13, 12, RGB(255, 255, 255));
  Fill(dc, 3, 5, 13, 7, RGB(120, 170, 230));
  Folder(dc, 16, false);  // 1 and 2 folders
  Folder(dc, 32, true);
  Page(dc, 48, RGB(240, 200, 30));  // 3 source file
  Fill(dc, 64 + 1, 2, 64 + 15, 14, RGB(255, 255, 255));  // 4 dialog window
  Frame(dc, 64 + 1, 2, 64 + 15, 14, RGB(40, 70, 140));
  Fill(dc, 64 + 1, 2, 64 + 15, 5, RGB(40, 90, 170));
  Fill(dc, 64 + 9, 10, 64 + 13, 12, RGB(160, 160, 160));
  Fill(dc, 80 + 2, 3, 80 + 14, 13, RGB(120, 120, 130));  // 5 external library
  Fill(dc, 80 + 4, 5, 80 + 12, 11, RGB(200, 200, 210));
  for (int pin = 0; pin < 3; ++pin) {
    Fill(dc, 80 + 4 + pin * 3, 1, 80 + 6 + pin * 3, 3, RGB(90, 90, 90));
    Fill(dc, 80 + 4 + pin * 3, 13, 80 + 6 + pin * 3, 15, RGB(90, 90, 90));
  }
  Page(dc, 96, RGB(60, 140, 220));  // 6 version information
  Fill(dc, 112 + 1, 2, 112 + 15, 14, RGB(140, 200, 250));  // 7 bitmap
  const POINT hill[] = {{112 + 1, 13}, {112 + 6, 7}, {112 + 10, 11}, {112 + 12, 9}, {112 + 14, 13}};
  DrawPolygon(dc, hill, 5, RGB(60, 160, 60), RGB(40, 120, 40));
  Frame(dc, 112 + 1, 2, 112 + 15, 14, RGB(96, 96, 96));
}

// The two drag cursors: 0 not allowed (a barred circle), 1 allowed (an arrow).
void DrawDragCursors(HDC dc) {
  Fill(dc, 0, 0, 2 * kImageSize, kImageSize, kKey);
  const kvwin::Pen red(CreatePen(PS_SOLID, 2, RGB(200, 30, 30)));
  const HGDIOBJ oldPen = SelectObject(dc, red.get());
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  Ellipse(dc, 2, 2, 14, 14);
  MoveToEx(dc, 4, 4, nullptr);
  LineTo(dc, 12, 12);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  const POINT arrow[] = {{16 + 1, 1}, {16 + 1, 13}, {16 + 4, 10}, {16 + 7, 15}, {16 + 9, 14},
                         {16 + 6, 9}, {16 + 10, 9}};
  DrawPolygon(dc, arrow, 7, RGB(0, 0, 0), RGB(255, 255, 255));
}

// Draws with GDI into a 32-bit strip and makes the key colour transparent, the rest opaque.
HBITMAP DrawStrip(int images, void (*draw)(HDC)) {
  void* bits = nullptr;
  const HBITMAP strip = MakeDib(images * kImageSize, kImageSize, &bits);
  if (!strip) return nullptr;
  const kvwin::MemoryDc dc(nullptr);
  const HGDIOBJ old = SelectObject(dc.get(), strip);
  draw(dc.get());
  GdiFlush();
  SelectObject(dc.get(), old);
  auto* pixel = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < images * kImageSize * kImageSize; ++i, pixel += 4) {
    const bool key = pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 255;
    if (key) pixel[0] = pixel[1] = pixel[2] = 0;
    pixel[3] = key ? 0 : 255;
  }
  return strip;
}

// The resource strip when it is there with the expected size, otherwise the drawn one.
HBITMAP LoadStrip(int id, int images, void (*draw)(HDC)) {
  const auto loaded = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (loaded) {
    BITMAP shape = {};
    if (GetObjectW(loaded, sizeof(shape), &shape) && shape.bmWidth == images * kImageSize &&
        shape.bmHeight == kImageSize) {
      return loaded;
    }
    DeleteObject(loaded);
  }
  return DrawStrip(images, draw);
}

HIMAGELIST MakeList(HBITMAP strip, int width, int images, int grow) {
  const HIMAGELIST list = ImageList_Create(width, kImageSize, ILC_COLOR32, images, grow);
  if (list && strip) ImageList_Add(list, strip, nullptr);
  return list;
}

// Copies a picture of 32-bit top-down rows into a cell of a wider top-down DIB.
void CopyPicture(const std::uint8_t* from, int fromWidth, int column, std::uint8_t* to, int toWidth, int toColumn) {
  for (int y = 0; y < kImageSize; ++y) {
    std::memcpy(to + (static_cast<std::size_t>(y) * toWidth + toColumn) * 4,
                from + (static_cast<std::size_t>(y) * fromWidth + column) * 4, kImageSize * 4);
  }
}

// The strip's pictures each followed by kLabelGap transparent columns.
HBITMAP WithLabelGaps(HBITMAP strip, int images) {
  if (!strip) return nullptr;
  const int width = images * kImageSize;
  BITMAPINFO format = TopDownFormat(width, kImageSize);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * kImageSize * 4);
  const kvwin::MemoryDc dc(nullptr);
  if (GetDIBits(dc.get(), strip, 0, kImageSize, pixels.data(), &format, DIB_RGB_COLORS) != kImageSize) return nullptr;
  void* bits = nullptr;
  const HBITMAP spaced = MakeDib(images * kNodeCell, kImageSize, &bits);  // all transparent
  if (!spaced) return nullptr;
  for (int i = 0; i < images; ++i) {
    CopyPicture(pixels.data(), width, i * kImageSize, static_cast<std::uint8_t*>(bits), images * kNodeCell,
                i * kNodeCell);
  }
  return spaced;
}

}  // namespace

void KVProjectTree::createImages() {
  const kvwin::Bitmap loaded(LoadStrip(IDB_TREE_IMAGES, kStripImages, DrawNodeImages));
  const kvwin::Bitmap strip(WithLabelGaps(loaded.get(), kStripImages));
  imageList.reset(MakeList(strip.get(), kNodeCell, kStripImages, 1));
  loadedImages = imageList.get() ? ImageList_GetImageCount(imageList.get()) : 0;
  // The last slot waits for the project's icon.
  if (imageList.get()) ImageList_SetImageCount(imageList.get(), kStripImages + 1);
  TreeView_SetImageList(treeViewWindow, imageList.get(), TVSIL_NORMAL);
}

HIMAGELIST KVProjectTreeDragCursors() {
  const kvwin::Bitmap strip(LoadStrip(IDB_DRAG_CURSORS, 2, DrawDragCursors));
  return MakeList(strip.get(), kImageSize, 2, 0);
}

void KVProjectTree::RefreshIcon(const std::string& iconPath) {
  if (!iconItem) return;
  int image = kBitmapImage;
  KVIconFile icon;
  KVPixels pixels;
  const int index = icon.Load(iconPath) ? icon.SelectImage(kImageSize) : -1;
  if (index >= 0 && icon.DecodeImage(static_cast<std::uint32_t>(index), pixels) && pixels.Consistent() &&
      pixels.width == kImageSize && pixels.height == kImageSize) {
    void* bits = nullptr;
    const kvwin::Bitmap picture(MakeDib(kNodeCell, kImageSize, &bits));
    if (picture && imageList.get()) {
      CopyPicture(pixels.bgra.data(), kImageSize, 0, static_cast<std::uint8_t*>(bits), kNodeCell, 0);
      if (ImageList_Replace(imageList.get(), kProjectIconImage, picture.get(), nullptr)) image = kProjectIconImage;
    }
  }
  setImage(iconItem, image);
  InvalidateRect(treeViewWindow, nullptr, FALSE);
}
