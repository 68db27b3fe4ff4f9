#include "platform/ResourceUpdate.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#ifndef _WIN32
#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"
#include "tests/build/PeFixture.h"
#endif
#include "tests/common/TempFolder.h"

#ifdef _WIN32
#include <windows.h>

#include "common/Text.h"
#endif

using kvtest::TempFolder;

namespace {

constexpr std::uint16_t kRcData = 10;
const std::string kBytes = "resource bytes \x01\x02\x03";

std::uint32_t Size(const std::string& bytes) { return static_cast<std::uint32_t>(bytes.size()); }

TEST(ResourceUpdate, NotAnExecutableIsLeftAlone) {
  TempFolder temp;
  const std::string path = temp / "notes.txt";
  const std::string text = "MZ-less text, not an image\n";
  TempFolder::Write(path, text);
  EXPECT_FALSE(kvplatform::UpdateSingleResource(path, kRcData, 1, kBytes.data(), Size(kBytes)));
  EXPECT_FALSE(kvplatform::UpdateSingleResource(temp / "missing.exe", kRcData, 1, kBytes.data(), Size(kBytes)));
  EXPECT_EQ(TempFolder::Read(path), text);
  EXPECT_FALSE(TempFolder::Exists(temp / "missing.exe"));
}

TEST(ResourceUpdate, EmptyUpdateFails) {
  kvplatform::ResourceUpdate none;
  EXPECT_FALSE(kvplatform::UpdateResourceEntry(none, kRcData, "name", kBytes.data(), Size(kBytes)));
  EXPECT_FALSE(kvplatform::EndResourceUpdate(none, false));
}

#ifndef _WIN32
// POSIX has a resource writer of its own (pe/ResourceImage, tested in depth by
// tests/pe/ResourceWriterTest.cpp): stamps reach the image and read back, and a file
// that is not an image is left alone.
TEST(ResourceUpdate, PosixStampsAnImage) {
  TempFolder temp;
  const std::string path = temp / "image.exe";
  const std::string bytes = kvtest::PeFixture::Contiguous(false, 3).Bytes();
  TempFolder::Write(path, bytes);
  const std::string second = "second";
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, kRcData, "logo.bmp", kBytes.data(), Size(kBytes)));
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, "KV_DATA", 111, second.data(), Size(second)));
  const std::string stamped = TempFolder::Read(path);
  kvpe::ResourceImage image;
  kvpe::ResourceSection resources;
  ASSERT_TRUE(image.Parse(stamped));
  ASSERT_TRUE(image.ReadResources(resources));
  using Key = kvpe::ResourceSection::Key;
  // Names are stored in upper case, as UpdateResourceW stores them.
  const auto* logo = resources.Find(Key::Id(kRcData), Key::Name(u"LOGO.BMP"), 1033);
  const auto* data = resources.Find(Key::Name(u"KV_DATA"), Key::Id(111), 1033);
  ASSERT_NE(logo, nullptr);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(logo->data, kBytes);
  EXPECT_EQ(data->data, second);
  // The sections before the new one are where they were.
  EXPECT_EQ(stamped.substr(0x400, 0x800), bytes.substr(0x400, 0x800));
}
#else

// A copy of this test program to stamp resources into.
class ResourceUpdateOnImage : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(kvplatform::CopyFileOverwrite(kvplatform::ExecutablePath(), image)); }

  // The resource's bytes as the loader finds them in language 1033; "<none>" when absent.
  std::string Find(LPCWSTR type, LPCWSTR name) const {
    const kvtext::WideString path = kvtext::Utf8ToWide(image);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return "<cannot load>";
    std::string bytes = "<none>";
    if (HRSRC found = FindResourceExW(module, type, name, 1033)) {
      HGLOBAL loaded = LoadResource(module, found);
      const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
      if (data != nullptr) bytes.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
  }

  TempFolder temp;
  const std::string image = temp / "stamped.exe";
};

TEST_F(ResourceUpdateOnImage, SingleResourcesByNameAndId) {
  const std::string second = "second";
  ASSERT_TRUE(kvplatform::UpdateSingleResource(image, kRcData, "logo.bmp", kBytes.data(), Size(kBytes)));
  ASSERT_TRUE(kvplatform::UpdateSingleResource(image, "KV_DATA", 111, second.data(), Size(second)));
  EXPECT_EQ(Find(MAKEINTRESOURCEW(kRcData), L"logo.bmp"), kBytes);
  EXPECT_EQ(Find(L"KV_DATA", MAKEINTRESOURCEW(111)), second);
}

TEST_F(ResourceUpdateOnImage, SeveralEntriesInOneUpdate) {
  kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(image);
  ASSERT_TRUE(update);
  EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 1, "one", 3));
  EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 2, "two!", 4));
  EXPECT_TRUE(kvplatform::EndResourceUpdate(update, false));
  EXPECT_FALSE(update);
  EXPECT_EQ(Find(MAKEINTRESOURCEW(kRcData), MAKEINTRESOURCEW(1)), "one");
  EXPECT_EQ(Find(MAKEINTRESOURCEW(kRcData), MAKEINTRESOURCEW(2)), "two!");
}

TEST_F(ResourceUpdateOnImage, DiscardedOrAbandonedUpdateChangesNothing) {
  const std::string before = TempFolder::Read(image);
  {
    kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(image);
    ASSERT_TRUE(update);
    EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 3, "gone", 4));
    EXPECT_TRUE(kvplatform::EndResourceUpdate(update, true));
  }
  {
    kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(image);
    ASSERT_TRUE(update);
    EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 4, "gone", 4));
  }
  EXPECT_EQ(TempFolder::Read(image), before);
  EXPECT_EQ(Find(MAKEINTRESOURCEW(kRcData), MAKEINTRESOURCEW(3)), "<none>");
}
#endif

}  // namespace
