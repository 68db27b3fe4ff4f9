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
  // A file that is not a settings document is kept aside as "config.xml.bad" (replacing an
  // older one) and the defaults are written and loaded in its place.
  void load();
  void load(const std::string& documentsFolder);
  // Writes the recent-projects list into the document and the document to configPath.
  bool save();
  // Moves path to the front of the recent list (ASCII case-insensitive match).
  void addRecent(const std::string& path);

  // The values the frame keeps here. Numbers are read as the C library converts decimal
  // text (missing or non-numeric text gives 0) and written with "%d".
  struct WindowPosition {
    int left = 0, top = 0, width = 0, height = 0;
  };
  WindowPosition windowPosition();
  // Dropped silently where the elements are missing, as every value a new file holds.
  void setWindowPosition(const WindowPosition& position);
  // Whether the frame was maximised when it closed (its position is then the normal one).
  bool windowMaximized();
  void setWindowMaximized(bool maximized);  // appended when missing
  // 150 or less reads as 150.
  int treeWidth();
  void setTreeWidth(int width);  // dropped when missing
  // Missing or 0 reads as 200, less than 50 as 50.
  int outputHeight();
  void setOutputHeight(int height);  // appended when missing
  // Shown only when the stored number is 1.
  bool outputVisible();
  void setOutputVisible(bool visible);  // appended when missing
  // Empty when none.
  std::string lastProject();
  void setLastProject(const std::string& path);  // dropped when missing

  static constexpr int kTreeMinimumWidth = 150;
  static constexpr int kOutputDefaultHeight = 200;
  static constexpr int kOutputMinimumHeight = 50;

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
