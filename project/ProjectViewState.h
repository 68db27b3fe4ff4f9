// The project's saved view: the open document tabs and the folder arrangement of the source
// files, as the project file keeps them in its Tabs and Layout elements. Each has a plain
// model, a writer giving the fragment text that KVProject::Save takes, and a reader that
// walks the loaded project document once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "project/ProjectItem.h"

class KVXML;

struct SavedTab {
  ProjectItemType type = ProjectItemType::SourceFile;
  std::string displayName;
  // Where a source or library document was: its first visible line and the caret's
  // position, the line and position attributes (0 when absent); -1 for the kinds that have
  // no caret, and for a document whose place is unknown, which then writes neither.
  int line = -1;
  int position = -1;
};

struct SavedTabs {
  std::vector<SavedTab> tabs;       // in tab order
  std::optional<SavedTab> selected;  // the active tab, when there was one
};

// Tabs of unknown kinds are left out: no project item can match them.
SavedTabs ReadSavedTabs(KVXML& projectDocument);
// The content of the Tabs element: a Name element per tab with its type attribute (and the
// line and position of a source or library document), then Selected for the active tab.
std::string TabsFragment(const SavedTabs& tabs);

struct LayoutEntry {
  std::string name;  // a source file's display name, or a folder's label
  bool folder = false;
  std::vector<LayoutEntry> children;  // a folder's entries in tree order
};

// The entries under Source Files in tree order; no value when the project file has no
// layout items, which means every source file sits directly under Source Files.
std::optional<std::vector<LayoutEntry>> ReadLayout(KVXML& projectDocument);
// The whole Layout element.
std::string LayoutFragment(const std::vector<LayoutEntry>& entries);
