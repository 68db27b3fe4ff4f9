// KVSettings: the IDE's own state between runs, kept in "config.xml" in the settings folder
// of the user's Documents folder: frame position, pane sizes, the last project and the
// recently opened projects. Values are read and changed through XPath on `document`; the
// file is written once, when the IDE closes.
#pragma once

#include <string>
#include <vector>

#include "project/XML.h"

class KVSettings {
public:
  // Exactly what a first start writes: no declaration, whitespace or line end.
  static constexpr const char* kDefaultText =
      "<Settings><Position><Left>100</Left><Top>100</Top><Width>800</Width>"
      "<Height>600</Height></Position><LastProject/><ProjectTreeWidth>200</ProjectTreeWidth>"
      "</Settings>";
  static constexpr int kRecentLimit = 10;

  virtual ~KVSettings() = default;

  // Makes the settings and projects folders below the Documents folder, writes the default
  // file when there is none, loads it and keeps the recent projects whose files still exist.
  void load();
  void load(const std::string& documentsFolder);
  // Writes the recent-projects list into the document and the document to configPath.
  bool save();
  // Moves path to the front of the recent list (ASCII case-insensitive match).
  void addRecent(const std::string& path);

  // The decimal number at an XPath; missing or non-numeric text gives 0.
  int readNumber(const std::string& xpath);
  // Sets a number that exists in a new file; dropped silently when the element is missing.
  void writeNumber(const std::string& xpath, int value);
  // Sets a number, appending the element under Settings when it is missing.
  void writeNumberOrAppend(const std::string& xpath, const std::string& name, int value);

  int recentCount() const { return static_cast<int>(recentProjects.size()); }

  KVXML document;
  std::string configPath;
  std::string settingsFolder;
  std::string projectsFolder;
  std::vector<std::string> recentProjects;
};
