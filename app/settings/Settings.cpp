#include "app/settings/Settings.h"

#include <algorithm>
#include <cstdio>

#include "common/Text.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"

namespace {

constexpr const char* kRecentPath = "//Settings/RecentProjects/ProjectFile";

constexpr const char* kLeft = "//Settings/Position/Left";
constexpr const char* kTop = "//Settings/Position/Top";
constexpr const char* kWidth = "//Settings/Position/Width";
constexpr const char* kHeight = "//Settings/Position/Height";
constexpr const char* kTreeWidth = "//Settings/ProjectTreeWidth";
constexpr const char* kOutputHeight = "//Settings/OutputHeight";
constexpr const char* kOutputVisible = "//Settings/OutputVisible";
constexpr const char* kLastProject = "//Settings/LastProject";
constexpr const char* kMaximized = "//Settings/Maximized";

// Loaded and with the one Settings root the values live under.
bool LoadSettingsDocument(KVXML& document, const std::string& path) {
  return document.Load(path) && document.Count("/Settings") == 1;
}

}  // namespace

void KVSettings::load() { load(kvplatform::DocumentsFolder()); }

void KVSettings::load(const std::string& documentsFolder) {
  const std::string sep(1, kvplatform::kPathSeparator);
  settingsFolder = documentsFolder + sep + "KelVox Studio" + sep;
  kvplatform::CreateFolder(settingsFolder);
  projectsFolder = settingsFolder + "Projects" + sep;
  kvplatform::CreateFolder(projectsFolder);
  configPath = settingsFolder + "config.xml";

  if (!kvplatform::CanRead(configPath)) {
    WriteTextFile(configPath, kDefaultText);
  }
  if (!LoadSettingsDocument(document, configPath)) {
    // A damaged file would leave every value empty and every save failing: it is kept for
    // the user to look at, and the IDE starts from the defaults.
    if (kvplatform::CopyFileOverwrite(configPath, configPath + ".bad")) {
      WriteTextFile(configPath, kDefaultText);
      document.Load(configPath);
    } else {
      document.Load(kDefaultText);
    }
  }

  recentProjects.clear();
  for (const KVXMLNode& entry : document.Nodes(kRecentPath)) {
    std::string path = entry.Text();
    if (kvplatform::CanRead(path)) {
      recentProjects.push_back(std::move(path));
    }
  }
}

bool KVSettings::save() {
  std::string fragment = "<RecentProjects>";
  for (const std::string& path : recentProjects) {
    if (!path.empty()) fragment += KVXML::ElementText("ProjectFile", path);
  }
  fragment += "</RecentProjects>";

  // A file that never had the list (a first start) gets it appended under Settings.
  if (!document.ReplaceRecentProjects(fragment) && document.LastErrorCode() == 0 &&
      document.Count("//Settings") == 1) {
    document.AppendFragment("//Settings", fragment);
  }
  return document.Save(configPath);
}

void KVSettings::addRecent(const std::string& path) {
  const auto same = std::find_if(recentProjects.begin(), recentProjects.end(),
                                 [&](const std::string& entry) { return kvtext::EqualsNoCase(entry, path); });
  if (same != recentProjects.end()) recentProjects.erase(same);
  // Only a list of exactly ten is cut: a longer list read from the file stays as it is.
  if (recentCount() == kRecentLimit) recentProjects.pop_back();
  recentProjects.insert(recentProjects.begin(), path);
}

int KVSettings::readNumber(const std::string& xpath) {
  return kvtext::LeadingInt32(document.GetString(xpath));
}

void KVSettings::writeNumber(const std::string& xpath, int value) {
  document.SetString(xpath, std::to_string(value));
}

void KVSettings::writeNumberOrAppend(const std::string& xpath, const std::string& name, int value) {
  if (!document.SetString(xpath, std::to_string(value))) {
    document.AddChildNumber("//Settings", name, value);
  }
}

KVSettings::WindowPosition KVSettings::windowPosition() {
  return {readNumber(kLeft), readNumber(kTop), readNumber(kWidth), readNumber(kHeight)};
}

void KVSettings::setWindowPosition(const WindowPosition& position) {
  writeNumber(kLeft, position.left);
  writeNumber(kTop, position.top);
  writeNumber(kWidth, position.width);
  writeNumber(kHeight, position.height);
}

int KVSettings::treeWidth() { return std::max(readNumber(kTreeWidth), kTreeMinimumWidth); }

void KVSettings::setTreeWidth(int width) { writeNumber(kTreeWidth, width); }

int KVSettings::outputHeight() {
  const int stored = readNumber(kOutputHeight);
  if (stored == 0) return kOutputDefaultHeight;
  return std::max(stored, kOutputMinimumHeight);
}

void KVSettings::setOutputHeight(int height) {
  writeNumberOrAppend(kOutputHeight, "OutputHeight", height);
}

bool KVSettings::outputVisible() { return readNumber(kOutputVisible) == 1; }

void KVSettings::setOutputVisible(bool visible) {
  writeNumberOrAppend(kOutputVisible, "OutputVisible", visible ? 1 : 0);
}

bool KVSettings::windowMaximized() { return readNumber(kMaximized) == 1; }

void KVSettings::setWindowMaximized(bool maximized) { writeNumberOrAppend(kMaximized, "Maximized", maximized ? 1 : 0); }

std::string KVSettings::lastProject() { return document.GetString(kLastProject); }

void KVSettings::setLastProject(const std::string& path) { document.SetString(kLastProject, path); }
