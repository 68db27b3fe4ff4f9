// Extraction from the real packed KelVoxStudio.exe, compared with what went into its pack.
// Run by the end-to-end script that knows where the Windows build put them; skipped when
// the paths are not given.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "build/RuntimePack.h"
#include "tests/common/TempFolder.h"

namespace {

using kvtest::TempFolder;

std::string Given(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

TEST(PackedIde, EveryEntryComesOutAsItWentIn) {
  const std::string ide = Given("KV_PACKED_IDE");
  if (ide.empty()) GTEST_SKIP() << "KV_PACKED_IDE names no packed IDE";
  TempFolder folder;
  ASSERT_TRUE(kvbuild::CopyDefaultIcon(ide, folder / "icon.ico"));
  EXPECT_EQ(TempFolder::Read(folder / "icon.ico"), TempFolder::Read(Given("KV_PACK_ICON")));
  const struct { int target; const char* input; } targets[] = {
      {1, "KV_PACK_WIN64"}, {3, "KV_PACK_WIN32"}, {2, "KV_PACK_MACOS"}};
  for (const auto& t : targets) {
    const std::string out = folder / ("runtime-" + std::to_string(t.target));
    ASSERT_TRUE(kvbuild::ExtractRuntime(ide, t.target, out)) << t.target;
    const std::string expected = TempFolder::Read(Given(t.input));
    ASSERT_FALSE(expected.empty()) << t.input;
    EXPECT_TRUE(TempFolder::Read(out) == expected) << t.target;
  }
}

}  // namespace
