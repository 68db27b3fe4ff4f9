#include "project/Project.h"

#include "common/PathName.h"
#include "common/Text.h"
#include "platform/Platform.h"

#include <algorithm>
#include <unordered_set>

namespace {

constexpr char kSep = kvplatform::kPathSeparator;

const char* ExtensionOf(ProjectItemType type) {
  switch (type) {
    case ProjectItemType::SourceFile:
      return "js";
    case ProjectItemType::DialogWindow:
      return "win";
    case ProjectItemType::ExternalLibrary:
      return "ext";
    case ProjectItemType::Icon:
      return "ico";
    case ProjectItemType::Bitmap:
      return "bmp";
    case ProjectItemType::VersionInfo:
      break;
  }
  return "";
}

// Splits after the last '/' or '\': the folder with its separator, and the name.
std::string Wrapped(const std::string& elementName, const std::string& content) {
  return KVXML::ElementText(elementName, nullptr) + content +
         KVXML::ElementText("/" + elementName, nullptr);
}

// The icon item of a project whose Icon names no usable file: shown, built without an icon.
ProjectItem EmptyIcon(const std::string& resources) {
  ProjectItem icon;
  icon.type = ProjectItemType::Icon;
  icon.displayName = ProjectItem::DisplayNameFor(ProjectItemType::Icon, std::string());
  icon.directory = resources;
  return icon;
}

std::string OwnPid() {
  return std::to_string(kvplatform::CurrentProcessId());
}

}  // namespace

KVProject::KVProject() : ideExecutablePath(kvplatform::ExecutablePath()) {}

KVProject::~KVProject() = default;

std::string KVProject::SubFolder(ProjectItemType type) {
  switch (type) {
    case ProjectItemType::SourceFile:
      return std::string("Source Files") + kSep;
    case ProjectItemType::DialogWindow:
      return std::string("Dialog Windows") + kSep;
    case ProjectItemType::ExternalLibrary:
      return std::string("External Libraries") + kSep;
    case ProjectItemType::VersionInfo:
    case ProjectItemType::Icon:
    case ProjectItemType::Bitmap:
      return std::string("Resources") + kSep;
  }
  return {};
}

std::string KVProject::LockName(const std::string& pid) {
  return "_KELVOX_STUDIO_PROJECT_" + pid;
}

bool KVProject::Load(const std::string& path) {
  // Everything is read into a separate document first so that a failure keeps the model.
  KVXML file;
  if (!file.Load(path)) return false;
  // Any other XML would be overwritten by the next Save.
  if (file.Count("/Project") != 1) return false;
  if (!TakeLock(file, path)) return false;

  document = std::move(file);
  projectFilePath = path;
  name = document.GetString("/Project/Name");
  exeName = document.GetString("/Project/ExeName");
  target = kvtext::LeadingInt32(document.GetString("/Project/Engine"));
  folder = kvpath::FolderOf(path);

  items.clear();
  // One record per file: a file named twice (or, where names ignore case, in two spellings)
  // keeps its first entry, so that editing or deleting one record cannot reach another's file.
  // Each sub-folder has its own names; version, icon and bitmaps share Resources.
  std::unordered_set<std::string> sources, windows, libraries, resourceFiles;
  AddListedItems("/Project/SourceFiles/Name", ProjectItemType::SourceFile, sources);
  AddListedItems("/Project/WindowFiles/Name", ProjectItemType::DialogWindow, windows);
  AddListedItems("/Project/LibraryFiles/Name", ProjectItemType::ExternalLibrary, libraries);

  const std::string resources = folder + SubFolder(ProjectItemType::VersionInfo);
  const std::string versionPath = resources + VersionInfoFileName();
  if (!kvplatform::CanRead(versionPath)) WriteDefaultVersionInfo(versionPath);
  items.push_back(std::make_unique<ProjectItem>(
      ProjectItem::InFolder(resources, VersionInfoFileName(), ProjectItemType::VersionInfo)));
  resourceFiles.insert(kvplatform::FileNameKey(VersionInfoFileName()));

  // A project always has its icon item, even when the file is missing. A name that is empty,
  // could lead out of the folder or is already taken leaves it without a file.
  const std::string icon = document.GetString("/Project/Icon");
  const bool iconUsable = IsSafeFileName(icon) && resourceFiles.insert(kvplatform::FileNameKey(icon)).second;
  items.push_back(std::make_unique<ProjectItem>(
      iconUsable ? ProjectItem::InFolder(resources, icon, ProjectItemType::Icon) : EmptyIcon(resources)));
  AddListedItems("/Project/BitmapFiles/Name", ProjectItemType::Bitmap, resourceFiles);
  return true;
}

bool KVProject::TakeLock(KVXML& file, const std::string& path) {
  const std::string ownPid = OwnPid();
  const std::string pid = file.GetString("/Project/pid");
  if (!pid.empty() && kvplatform::NamedLock::IsHeld(LockName(pid))) return false;
  // The lock comes first: a file naming this process without its lock would keep the
  // project from others and tell them the wrong owner.
  if (!lockMutex.Acquire(LockName(ownPid))) return false;
  if (!pid.empty()) {
    file.SetString("/Project/pid", ownPid);
  } else if (!file.SetString("/Project/pid", ownPid)) {
    file.AddChildNumber("/Project", "pid",
                        static_cast<std::int32_t>(kvplatform::CurrentProcessId()));
  }
  file.Save(path);
  return true;
}

void KVProject::AddListedItems(const std::string& listXPath, ProjectItemType type,
                               std::unordered_set<std::string>& taken) {
  const std::string directory = folder + SubFolder(type);
  const std::vector<KVXMLNode> entries = document.Nodes(listXPath);
  items.reserve(items.size() + entries.size());
  taken.reserve(taken.size() + entries.size());
  for (const KVXMLNode& entry : entries) {
    std::string fileName = entry.Text();
    // Names come from outside: only plain names inside the sub-folder are followed.
    if (!IsSafeFileName(fileName)) continue;
    std::string key = kvplatform::FileNameKey(fileName);
    if (taken.count(key) != 0 || !kvplatform::CanRead(directory + fileName)) continue;
    taken.insert(std::move(key));
    items.push_back(std::make_unique<ProjectItem>(ProjectItem::InFolder(directory, std::move(fileName), type)));
  }
}

void KVProject::WriteDefaultVersionInfo(const std::string& path) const {
  const std::string text =
      KVXML::ElementText("Version", nullptr) + KVXML::ElementText("FixedFileVersion", nullptr) +
      KVXML::ElementText("Release", "1") + KVXML::ElementText("Major", "0") +
      KVXML::ElementText("Minor", "0") + KVXML::ElementText("Build", "1") +
      KVXML::ElementText("/FixedFileVersion", nullptr) +
      KVXML::ElementText("Description", "KelVox.js Application") +
      KVXML::ElementText("ProductName", name) +
      KVXML::ElementText("OriginalFilename", exeName) + KVXML::ElementText("/Version", nullptr);
  KVXML versionInfo;
  if (versionInfo.Load(text)) versionInfo.Save(path);
}

bool KVProject::Save(const std::string& tabsFragment, const std::string& layoutFragment) {
  if (projectFilePath.empty()) return false;
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  text += KVXML::ElementText("Project", nullptr);
  text += KVXML::ElementText("Version", "1");
  text += KVXML::ElementText("Name", name);
  text += KVXML::ElementText("ExeName", exeName);
  text += KVXML::ElementNumber("Engine", target);

  std::string sources;
  std::string windows;
  std::string libraries;
  std::string bitmaps;
  for (const auto& item : items) {
    const std::string element = KVXML::ElementText("Name", item->fileName);
    switch (item->type) {
      case ProjectItemType::SourceFile:
        sources += element;
        break;
      case ProjectItemType::DialogWindow:
        windows += element;
        break;
      case ProjectItemType::ExternalLibrary:
        libraries += element;
        break;
      case ProjectItemType::Bitmap:
        bitmaps += element;
        break;
      case ProjectItemType::Icon:
        text += KVXML::ElementText("Icon", item->fileName);
        break;
      case ProjectItemType::VersionInfo:
        break;
    }
  }
  text += Wrapped("SourceFiles", sources);
  text += Wrapped("WindowFiles", windows);
  text += Wrapped("LibraryFiles", libraries);
  text += Wrapped("BitmapFiles", bitmaps);
  text += Wrapped("Tabs", tabsFragment);
  text += layoutFragment;
  if (lockMutex.IsAcquired()) {
    text += KVXML::ElementNumber("pid", static_cast<std::int32_t>(kvplatform::CurrentProcessId()));
  }
  text += KVXML::ElementText("/Project", nullptr);

  // A fragment that does not parse leaves the file and the document as they were.
  KVXML saved;
  if (!saved.Load(text) || !saved.Save(projectFilePath)) return false;
  document = std::move(saved);
  return true;
}

bool KVProject::HasFileName(const std::string& fileName) const {
  return std::any_of(items.begin(), items.end(), [&](const auto& item) {
    return kvtext::EqualsNoCase(item->fileName, fileName);
  });
}

std::string KVProject::FreeFileName(const std::string& targetDir, const std::string& fileName,
                                    const char* extension) const {
  const std::string stem = FileStem(fileName);
  const std::string suffix = extension[0] != '\0' ? std::string(".") + extension : std::string();
  for (int n = 2; n < 100000; ++n) {
    const std::string candidate = stem + std::to_string(n) + suffix;
    if (!kvplatform::PathExists(targetDir + candidate) && !HasFileName(candidate)) {
      return candidate;
    }
  }
  return {};
}

ProjectItem* KVProject::AddFile(const std::string& sourcePath, ProjectItemType type) {
  if (projectFilePath.empty()) return nullptr;
  const std::string targetDir = folder + SubFolder(type);
  const std::string sourceDir = kvpath::FolderOf(sourcePath);
  const std::string fileName = kvpath::FileNameOf(sourcePath);
  if (!IsSafeFileName(fileName)) return nullptr;

  std::string targetName = fileName;
  bool copy = true;
  if (!kvplatform::SameFileName(sourceDir, targetDir)) {
    if (HasFileName(fileName) || kvplatform::PathExists(targetDir + fileName)) {
      targetName = FreeFileName(targetDir, fileName, ExtensionOf(type));
    }
  } else if (!HasFileName(fileName)) {
    copy = false;
  } else {
    targetName = FreeFileName(targetDir, fileName, ExtensionOf(type));
  }
  if (targetName.empty()) return nullptr;
  if (copy && !kvplatform::CopyFileOverwrite(sourcePath, targetDir + targetName)) return nullptr;

  ProjectItem added = ProjectItem::FromPath(targetDir + targetName, type);
  if (type == ProjectItemType::Icon) {
    // A project has one icon: the existing item is re-pointed.
    for (const auto& item : items) {
      if (item->type != ProjectItemType::Icon) continue;
      item->directory = added.directory;
      item->fileName = added.fileName;
      return item.get();
    }
  }
  items.push_back(std::make_unique<ProjectItem>(std::move(added)));
  return items.back().get();
}

bool KVProject::RenameItem(ProjectItem& item, const std::string& newText) {
  if (newText.empty()) return false;
  std::string newFileName;
  switch (item.type) {
    case ProjectItemType::SourceFile:
      newFileName = kvtext::EndsWithNoCase(newText, ".js") ? newText : newText + ".js";
      break;
    case ProjectItemType::DialogWindow:
      newFileName = newText + ".win";
      break;
    case ProjectItemType::ExternalLibrary: {
      // The label shows "name.dll" while the file is the declaration file "name.ext".
      std::string stem = newText;
      if (kvtext::EndsWithNoCase(stem, ".dll") || kvtext::EndsWithNoCase(stem, ".ext")) {
        stem.resize(stem.size() - 4);
      }
      if (stem.empty()) return false;
      newFileName = stem + ".ext";
      break;
    }
    case ProjectItemType::Bitmap:
      newFileName = kvtext::EndsWithNoCase(newText, ".bmp") ? newText : newText + ".bmp";
      break;
    case ProjectItemType::VersionInfo:
    case ProjectItemType::Icon:
      return false;
  }
  // The display name is what loading the renamed file would show, so tabs still match it
  // after the project is reopened.
  const std::string newDisplayName = ProjectItem::DisplayNameFor(item.type, newFileName);
  if (kvtext::EqualsNoCase(newDisplayName, item.displayName)) return true;
  if (!IsSafeFileName(newFileName)) return false;
  for (const auto& other : items) {
    if (other.get() != &item && other->type == item.type &&
        kvtext::EqualsNoCase(other->displayName, newDisplayName)) {
      return false;
    }
  }
  if (!kvplatform::MoveFileTo(item.directory + item.fileName, item.directory + newFileName)) {
    return false;
  }
  item.displayName = newDisplayName;
  item.fileName = newFileName;
  return true;
}

void KVProject::RemoveItem(const ProjectItem* item) {
  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const auto& owned) { return owned.get() == item; }),
              items.end());
}

void KVProject::ClearItems() {
  items.clear();
}

void KVProject::ReleaseLock() {
  lockMutex.Release();
}
