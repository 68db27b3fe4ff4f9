#include "app/frame/FrameRules.h"

#include "common/PathName.h"
#include "resources/ResourceIds.h"

namespace kvframe {

namespace {

constexpr int kTreeSplitterWidth = 5;

}  // namespace

std::vector<CommandState> CommandStates(bool projectOpen, std::int32_t target,
                                        std::optional<ProjectItemType> activeKind) {
  const bool textDocument = activeKind && IsTextKind(*activeKind);
  const bool undoable = textDocument || activeKind == ProjectItemType::VersionInfo;
  const bool clipboard = undoable || activeKind == ProjectItemType::DialogWindow;
  const bool canRun = target != static_cast<std::int32_t>(BuildTarget::MacOS);
  const auto open = [&](bool condition) { return projectOpen && condition; };
  return {
      {IDM_NEW_SOURCE_FILE, open(true)},     {IDM_NEW_DIALOG_WINDOW, open(true)},
      {IDM_OPEN_SOURCE_FILE, open(true)},    {IDM_OPEN_DIALOG_WINDOW, open(true)},
      {IDM_SAVE, open(true)},                {IDM_SAVE_ALL, open(true)},
      {IDM_FIND_IN_FILES, open(true)},       {IDM_BUILD, open(true)},
      {IDM_OPEN_FILE_LOCATION, open(true)},  {IDC_TARGET_SELECTOR, open(true)},
      {IDM_RUN, open(canRun)},
      {IDM_UNDO, open(undoable)},            {IDM_REDO, open(textDocument)},
      {IDM_CUT, open(clipboard)},            {IDM_COPY, open(clipboard)},
      {IDM_PASTE, open(clipboard)},          {IDM_DELETE, open(clipboard)},
      {IDM_FIND_REPLACE, open(activeKind == ProjectItemType::SourceFile)},
  };
}

std::string RecentProjectMenuText(int n, const std::string& path) {
  const std::string name = FileStem(kvpath::FileNameOf(path));
  return "&" + std::to_string(n) + " " + name + " (" + path + ")";
}

std::string RunRefusal(const std::string& exeName, bool built) {
  if (!IsSafeFileName(exeName)) {
    return "The project's executable name \"" + exeName + "\" is not a file name in the project folder.";
  }
  if (!built) return exeName + " has not been built yet. Build the project first (F7).";
  return {};
}

FrameLayout ComputeLayout(const LayoutInput& in) {
  FrameLayout out;
  out.area = in.clientHeight - in.statusHeight - in.toolbarHeight;
  out.outputHeight = in.outputHeight;
  int shownOutput = in.outputVisible ? out.outputHeight : 0;
  // The editors keep at least 50 pixels: a shrinking frame shrinks the output pane first.
  if (out.area - shownOutput < in.toolbarHeight + 50) {
    out.outputHeight = out.area - 50;
    if (in.outputVisible) shownOutput = out.outputHeight;
  }
  const int right = in.clientWidth - in.treeWidth;
  out.tree = {0, in.toolbarHeight, in.treeWidth, out.area};
  out.treeView = {0, 0, in.treeWidth - kTreeSplitterWidth, out.area};
  out.treeMaximumWidth = in.clientWidth - 50;
  out.tabs = {in.treeWidth, in.toolbarHeight, right, in.tabHeight};
  out.editors = {in.treeWidth, in.toolbarHeight + in.tabHeight, right, out.area - in.tabHeight - shownOutput};
  out.output = {in.treeWidth, in.toolbarHeight + out.area - shownOutput, right, shownOutput};
  out.outputList = {0, in.outputHeaderHeight, right, shownOutput - in.outputHeaderHeight};
  return out;
}

}  // namespace kvframe
