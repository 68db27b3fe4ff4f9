// KVProject: the open project. Its files, its settings (name, executable name, build target)
// and the ".kvproj" project file in which they persist, plus the lock that keeps a project
// open in at most one IDE process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/NamedLock.h"
#include "project/ProjectItem.h"
#include "project/XML.h"

class KVProject {
public:
  using ItemList = std::vector<std::unique_ptr<ProjectItem>>;

  KVProject();
  ~KVProject();
  KVProject(const KVProject&) = delete;
  KVProject& operator=(const KVProject&) = delete;

  // Reads the project file and takes the project lock. False when the file is not a
  // project file or another IDE process (or another project object of this process)
  // holds the project; the model then keeps what it had.
  bool Load(const std::string& projectFilePath);

  // Writes the project file from the model; tabsFragment goes inside Tabs, layoutFragment
  // (a whole Layout element) after it. False when the file could not be written; it then
  // stays as it was.
  bool Save(const std::string& tabsFragment, const std::string& layoutFragment);

  // Brings a file into the project, copying it into the type's sub-folder when it is not
  // there yet or its name is taken. Null when the copy fails or no project is loaded.
  ProjectItem* AddFile(const std::string& sourcePath, ProjectItemType type);

  // Renames an item and its file. Version information and the icon keep their names.
  bool RenameItem(ProjectItem& item, const std::string& newText);

  // Forgets the item; its file stays on disk.
  void RemoveItem(const ProjectItem* item);
  void ClearItems();

  // Called when the project closes, before the closing Save, so that the file carries no
  // pid afterwards.
  void ReleaseLock();
  bool HoldsLock() const { return lockMutex.IsAcquired(); }

  const std::string& IdeExecutablePath() const { return ideExecutablePath; }
  const std::string& ProjectFilePath() const { return projectFilePath; }
  const std::string& Name() const { return name; }
  const std::string& ExeName() const { return exeName; }
  // Ends with the path separator; empty when the project file path has none.
  const std::string& Folder() const { return folder; }
  // A BuildTarget code, or whatever other number the project file holds.
  std::int32_t Target() const { return target; }
  void SetTarget(std::int32_t code) { target = code; }
  // The project file as last loaded or saved.
  KVXML& Document() { return document; }
  const ItemList& Items() const { return items; }

  // The sub-folder of the project folder that holds files of the type, ending with the
  // separator; empty for types that live in the project folder itself.
  static std::string SubFolder(ProjectItemType type);
  static const char* VersionInfoFileName() { return "version.xml"; }
  static std::string LockName(const std::string& pid);

private:
  bool TakeLock(KVXML& file, const std::string& path);
  // Appends an item for every listed name whose file can be read and is not among `taken`,
  // the names already kept in the type's sub-folder.
  void AddListedItems(const std::string& listXPath, ProjectItemType type,
                      std::unordered_set<std::string>& taken);
  void WriteDefaultVersionInfo(const std::string& path) const;
  bool HasFileName(const std::string& fileName) const;
  std::string FreeFileName(const std::string& targetDir, const std::string& fileName,
                           const char* extension) const;

  std::string ideExecutablePath;
  std::string projectFilePath;
  std::string name;
  std::string exeName;
  std::string folder;
  std::int32_t target = static_cast<std::int32_t>(BuildTarget::Windows64);
  KVXML document;
  ItemList items;
  kvplatform::NamedLock lockMutex;
};
