// A project "Demo" on disk, with the folders a new project has, opened in a real frame whose
// editors are the IDE's own: the fixture of the tests of the editors in the frame.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/frame/FrameWindow.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/Pump.h"

namespace kvtest {

class FrameProjectTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder = root / "Demo" + sep();
    for (const char* sub : {"", "Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
      kvplatform::CreateFolder(folder + sub);
    }
    kvplatform::CreateFolder(root / "Documents");
    projectFile = folder + "Demo.kvproj";
  }
  // Edits left unsaved are dropped, so that closing the frame asks nothing.
  void TearDown() override {
    if (frame) {
      for (const auto& record : frame->documents()) {
        if (record->editor) record->editor->modified = 0;
      }
      if (IsWindow(frame->window)) DestroyWindow(frame->window);
    }
    frame.reset();
    Pump();
  }

  static std::string sep() { return std::string(1, kvplatform::kPathSeparator); }

  // Writes a file into one of the project's folders ("Source Files", "Dialog Windows", ...).
  void write(const std::string& subfolder, const std::string& name, const std::string& text) const {
    TempFolder::Write(folder + subfolder + sep() + name, text);
  }

  // Writes Demo.kvproj with these file lists and opens it in a new frame whose Documents
  // folder is the temporary one. Call through ASSERT_NO_FATAL_FAILURE.
  void openProject(const std::string& fileLists) {
    TempFolder::Write(projectFile, "<Project><Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine><Icon/>" +
                                       fileLists + "</Project>");
    frame = std::make_unique<KVFrameWindow>(root.Path() + "Documents");
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    ASSERT_TRUE(frame->openProject(projectFile));
    Pump();
  }

  // The document whose shown name or file name is name; nullptr when the project has none.
  DocumentRecord* record(const std::string& name) const {
    for (const auto& r : frame->documents()) {
      if (r->item->displayName == name || r->item->fileName == name) return r.get();
    }
    return nullptr;
  }

  TempFolder root;
  std::string folder;
  std::string projectFile;
  std::unique_ptr<KVFrameWindow> frame;
};

}  // namespace kvtest
