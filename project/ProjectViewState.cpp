#include "project/ProjectViewState.h"

#include "common/Text.h"
#include "project/XML.h"

namespace {

bool IsKnownType(std::int32_t code) {
  return code >= static_cast<std::int32_t>(ProjectItemType::SourceFile) &&
         code <= static_cast<std::int32_t>(ProjectItemType::Bitmap);
}

bool HasCaret(ProjectItemType type) {
  return type == ProjectItemType::SourceFile || type == ProjectItemType::ExternalLibrary;
}

std::optional<SavedTab> TabOf(const KVXMLNode& element) {
  const std::int32_t code = kvtext::LeadingInt32(element.Attribute("type"));
  if (!IsKnownType(code)) return std::nullopt;
  SavedTab tab;
  tab.type = static_cast<ProjectItemType>(code);
  tab.displayName = element.Text();
  if (HasCaret(tab.type)) {
    tab.line = kvtext::LeadingInt32(element.Attribute("line"));
    tab.position = kvtext::LeadingInt32(element.Attribute("position"));
  }
  return tab;
}

// A Name element carries the caret of a source or library document, so that reopening the
// project puts it back; Selected only names the active tab.
std::string TabElement(const char* name, const SavedTab& tab, bool withCaret) {
  std::string element = KVXML::ElementText(name, tab.displayName);
  std::string attributes = " type=\"" + std::to_string(static_cast<std::int32_t>(tab.type)) + "\"";
  if (withCaret && HasCaret(tab.type) && tab.line >= 0 && tab.position >= 0) {
    attributes += " line=\"" + std::to_string(tab.line) + "\" position=\"" + std::to_string(tab.position) + "\"";
  }
  // The attributes go into the start tag the element-text operation made ("<Name>" or
  // "<Name/>").
  element.insert(1 + std::char_traits<char>::length(name), attributes);
  return element;
}

std::vector<LayoutEntry> EntriesOf(const std::vector<KVXMLNode>& items) {
  std::vector<LayoutEntry> entries;
  entries.reserve(items.size());
  for (const KVXMLNode& item : items) {
    LayoutEntry entry;
    const std::vector<KVXMLNode> names = item.Children("Name");
    if (!names.empty()) entry.name = names.front().Text();
    // Only an item with exactly one Folder child is a folder; any other names a file.
    entry.folder = item.Children("Folder").size() == 1;
    if (entry.folder) entry.children = EntriesOf(item.Children("Item"));
    entries.push_back(std::move(entry));
  }
  return entries;
}

void AppendEntries(const std::vector<LayoutEntry>& entries, std::string& text) {
  for (const LayoutEntry& entry : entries) {
    text += "<Item>";
    text += KVXML::ElementText("Name", entry.name);
    if (entry.folder) {
      text += KVXML::ElementText("Folder/", nullptr);
      AppendEntries(entry.children, text);
    }
    text += "</Item>";
  }
}

}  // namespace

SavedTabs ReadSavedTabs(KVXML& projectDocument) {
  SavedTabs saved;
  for (const KVXMLNode& element : projectDocument.Nodes("/Project/Tabs/Name")) {
    if (std::optional<SavedTab> tab = TabOf(element)) saved.tabs.push_back(std::move(*tab));
  }
  const std::vector<KVXMLNode> selected = projectDocument.Nodes("/Project/Tabs/Selected");
  if (!selected.empty()) saved.selected = TabOf(selected.front());
  return saved;
}

std::string TabsFragment(const SavedTabs& saved) {
  std::string text;
  for (const SavedTab& tab : saved.tabs) text += TabElement("Name", tab, true);
  if (saved.selected) text += TabElement("Selected", *saved.selected, false);
  return text;
}

std::optional<std::vector<LayoutEntry>> ReadLayout(KVXML& projectDocument) {
  const std::vector<KVXMLNode> items = projectDocument.Nodes("/Project/Layout/SourceFiles/Item");
  if (items.empty()) return std::nullopt;
  return EntriesOf(items);
}

std::string LayoutFragment(const std::vector<LayoutEntry>& entries) {
  std::string text = "<Layout><SourceFiles>";
  AppendEntries(entries, text);
  return text + "</SourceFiles></Layout>";
}
