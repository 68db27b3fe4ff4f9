#include "app/settings/Settings.h"

#include <algorithm>
#include <cstdio>

#include "common/Text.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"

namespace {

constexpr const char* kRecentPath = "//Settings/RecentProjects/ProjectFile";

std::string Indexed(const char* path, int index) {
  return std::string(path) + "[" + std::to_string(index) + "]";
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
  document.Load(configPath);

  recentProjects.clear();
  const int count = document.Count(kRecentPath);
  for (int i = 1; i <= count; ++i) {
    std::string path = document.GetString(Indexed(kRecentPath, i));
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
