// A project on disk with version information, an icon and pictures, opened in a real frame
// whose editors are the IDE's own, for the tests of the resource editors.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/frame/FrameWindow.h"
#include "resources/ResourceIds.h"
#include "tests/build/IconFixtures.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/Pump.h"

namespace kvtest {

// An icon of one opaque 32-bit bitmap image per side, all of one colour.
inline std::string SolidIcon(std::initializer_list<std::uint8_t> sides, std::uint32_t argb) {
  std::vector<IconPart> parts;
  for (std::uint8_t side : sides) {
    const std::uint32_t pixels = side == 0 ? 256 : side;
    parts.push_back({side, side, 32, IconBitmap32(pixels, [argb](std::uint32_t, std::uint32_t) { return argb; })});
  }
  return IconFileBytes(parts);
}

class ResourceProjectTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder = root / "Res" + sep();
    resources = folder + "Resources" + sep();
    kvplatform::CreateFolder(folder);
    kvplatform::CreateFolder(root / "Documents");
    kvplatform::CreateFolder(folder + "Source Files");
    kvplatform::CreateFolder(resources);
    TempFolder::Write(folder + "Source Files" + sep() + "main.js", "kv.exit();\r\n");
    TempFolder::Write(resources + "app.ico", SolidIcon({16, 32}, 0xFF2060A0));
    projectFile = folder + "Res.kvproj";
  }
  void TearDown() override {
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }

  static std::string sep() { return std::string(1, kvplatform::kPathSeparator); }

  // Writes the project file listing the bitmaps and naming the icon, and opens it in a new
  // frame.
  void openProject(const std::string& bitmaps = "", const std::string& icon = "app.ico") {
    TempFolder::Write(projectFile, "<Project><Name>Res</Name><ExeName>Res.exe</ExeName><Engine>1</Engine>"
                                   "<Icon>" + icon + "</Icon><SourceFiles><Name>main.js</Name></SourceFiles>"
                                   "<BitmapFiles>" + bitmaps + "</BitmapFiles></Project>");
    frame = std::make_unique<KVFrameWindow>(root.Path() + "Documents");
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    ASSERT_TRUE(frame->openProject(projectFile));
    Pump();
  }

  DocumentRecord* record(const std::string& name) {
    for (const auto& r : frame->documents()) {
      if (r->item->displayName == name) return r.get();
    }
    return nullptr;
  }

  // Opens the document in its editor and returns the editor, of the type expected.
  template <typename Editor>
  Editor* open(const std::string& name) {
    DocumentRecord* document = record(name);
    if (!document) return nullptr;
    frame->openDocument(document, -1, -1);
    Pump();
    return dynamic_cast<Editor*>(document->editor.get());
  }

  TempFolder root;
  std::string folder;
  std::string resources;
  std::string projectFile;
  std::unique_ptr<KVFrameWindow> frame;
};

}  // namespace kvtest
