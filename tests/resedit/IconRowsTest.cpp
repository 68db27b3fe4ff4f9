#include "resedit/IconRows.h"

#include <gtest/gtest.h>

#include "../build/IconFixtures.h"
#include "../common/TempFolder.h"

namespace {

TEST(IconRows, SizesReadZeroAs256AndTypesComeFromTheImages) {
  kvtest::TempFolder folder;
  const std::string path = folder / "app.ico";
  const auto opaque = [](std::uint32_t, std::uint32_t) { return 0xFF336699u; };
  kvtest::TempFolder::Write(path, kvtest::IconFileBytes({{0, 0, 32, kvtest::RgbaPng(256, 256, opaque)},
                                                         {32, 32, 32, kvtest::IconBitmap32(32, opaque)},
                                                         {48, 16, 32, kvtest::IconBitmap32(16, opaque)}}));
  KVIconFile icon;
  ASSERT_TRUE(icon.Load(path));
  const std::vector<kviconrows::Row> rows = kviconrows::RowsOf(icon);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].size, "256x256");
  EXPECT_EQ(rows[0].type, "PNG");
  EXPECT_EQ(rows[1].size, "32x32");
  EXPECT_EQ(rows[1].type, "BMP");
  // The directory's bytes are shown as stored, even where they disagree with the image.
  EXPECT_EQ(rows[2].size, "48x16");
}

}  // namespace
