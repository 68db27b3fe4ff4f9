// The frame window's decisions that need no window: which commands are enabled, how the
// panes are laid out, and the texts of the target selector and the Recent Projects menu.
#pragma once

#include <string>
#include <vector>

namespace kvframe {

// No active document.
inline constexpr int kNoDocument = -1;

struct CommandState {
  int id;
  bool enabled;
};

// The commands whose state depends on the project and the active document, with their
// state; New Project, Open Project, the recent projects, Exit and About are not listed.
// activeKind is the project item type of the active document, or kNoDocument.
std::vector<CommandState> CommandStates(bool projectOpen, int target, int activeKind);

// "Windows 32", "Windows 64" or "macOS" for targets 3, 1 and 2; empty for any other value.
std::string TargetName(int target);

// "&n name (path)": name is the file name without its last extension.
std::string RecentProjectMenuText(int n, const std::string& path);

// Pane sizes read from the settings, with their floors.
int TreeWidthFromSetting(int stored);
int OutputHeightFromSetting(int stored);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

struct LayoutInput {
  int clientWidth = 0, clientHeight = 0;
  int statusHeight = 0, toolbarHeight = 0;
  int treeWidth = 0, tabHeight = 0;
  bool outputVisible = false;
  int outputHeight = 0;
  int outputHeaderHeight = 0;  // already scaled for the DPI
};

struct FrameLayout {
  int area = 0;          // height between toolbar and status bar
  int outputHeight = 0;  // possibly shrunk so that the editors keep some room
  Rect tree, treeView, tabs, editors, output, outputList;
  int treeMaximumWidth = 0;
};

FrameLayout ComputeLayout(const LayoutInput& in);

}  // namespace kvframe
