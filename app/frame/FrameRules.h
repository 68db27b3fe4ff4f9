// The frame window's decisions that need no window: which commands are enabled, how the
// panes are laid out, and the texts of the target selector and the Recent Projects menu.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "project/ProjectItem.h"

namespace kvframe {

// The Recent Projects submenu shows this many entries; the stored list may hold more.
inline constexpr int kRecentMenuLimit = 10;

struct CommandState {
  int id;
  bool enabled;
};

// The commands whose state depends on the project and the active document, with their
// state; New Project, Open Project, the recent projects, Exit and About are not listed.
// activeKind is the kind of the active document, none without one. target is the project's
// Engine value, which may be a code no target has.
std::vector<CommandState> CommandStates(bool projectOpen, std::int32_t target,
                                        std::optional<ProjectItemType> activeKind);

// "&n name (path)": name is the file name without its last extension.
std::string RecentProjectMenuText(int n, const std::string& path);

// Why Run cannot start the project's executable, or empty when it can: the name must be a
// file name inside the project folder, as a build requires, and the file must exist.
std::string RunRefusal(const std::string& exeName, bool built);


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
