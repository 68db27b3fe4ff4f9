// The project tree's context menus and what their entries do: the project commands, folders,
// renaming files through the project model, and taking files out of the project.
#include <windows.h>

#include <algorithm>

#include "common/Text.h"
#include "platform/Platform.h"
#include "project/Project.h"
#include "project/ProjectTree.h"

namespace {

enum class NodeKind { None, SourceFiles, DialogWindows, ExternalLibraries, Resources, Folder, File, Library };

struct MenuEntry {
  int id;  // 0 for a separator
  const wchar_t* text;
};

std::vector<MenuEntry> EntriesFor(NodeKind kind) {
  switch (kind) {
    case NodeKind::SourceFiles:
      return {{1, L"New Source File"}, {2, L"Open Source File"}, {0, nullptr}, {3, L"New Folder"}};
    case NodeKind::DialogWindows: return {{1, L"New Dialog Window"}, {2, L"Open Dialog Window"}};
    case NodeKind::ExternalLibraries: return {{1, L"New External Library"}, {2, L"Open External Library"}};
    case NodeKind::Resources: return {{1, L"Open Bitmap"}};
    case NodeKind::Folder: return {{1, L"New Folder"}, {0, nullptr}, {2, L"Rename"}, {3, L"Delete"}};
    case NodeKind::File:
      return {{1, L"Edit"}, {0, nullptr}, {2, L"Rename"}, {3, L"Remove From Project"}, {4, L"Remove and Delete"}};
    case NodeKind::Library:
      return {{1, L"Edit"}, {0, nullptr}, {3, L"Remove From Project"}, {4, L"Remove and Delete"}};
    case NodeKind::None: break;
  }
  return {};
}

// The file name a rename to text gives the item, as the project model forms it.
std::string RenamedFileName(ProjectItemType type, const std::string& text) {
  switch (type) {
    case ProjectItemType::SourceFile: return kvtext::EndsWithNoCase(text, ".js") ? text : text + ".js";
    case ProjectItemType::DialogWindow: return text + ".win";
    case ProjectItemType::ExternalLibrary: {
      std::string stem = text;
      if (kvtext::EndsWithNoCase(stem, ".dll") || kvtext::EndsWithNoCase(stem, ".ext")) stem.resize(stem.size() - 4);
      return stem + ".ext";
    }
    case ProjectItemType::Bitmap: return kvtext::EndsWithNoCase(text, ".bmp") ? text : text + ".bmp";
    default: return text;
  }
}

// The system's words for a Win32 error code; empty for none.
std::string SystemReason(DWORD code) {
  if (code == 0) return {};
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length != 0 && text) reason = kvtext::WideToUtf8(kvtext::WideStringView(text, length));
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

}  // namespace

// Why the model cannot rename the item to text, or empty when it can try.
std::string TreeRenameRefusal(const KVProject& project, const ProjectItem& item, const std::string& text) {
  constexpr const char* kRefused = "\\/:*?\"<>|";
  const bool control = std::any_of(text.begin(), text.end(), [](char c) { return c >= 0 && c < ' '; });
  const bool blank = text.find_first_not_of(' ') == std::string::npos;
  const std::string fileName = RenamedFileName(item.type, text);
  const std::string stem = fileName.substr(0, fileName.rfind('.'));
  if (blank || text == "." || text == ".." || stem.empty() || text.find_first_of(kRefused) != std::string::npos ||
      control || !IsSafeFileName(fileName)) {
    return "The name \"" + text + "\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or "
           "\"..\". Please try a different name.";
  }
  const std::string displayName = ProjectItem::DisplayNameFor(item.type, fileName);
  if (kvtext::EqualsNoCase(displayName, item.displayName)) return {};
  for (const auto& other : project.Items()) {
    if (other.get() != &item && other->type == item.type && kvtext::EqualsNoCase(other->displayName, displayName)) {
      return "A file named " + fileName + " already exists in the project.";
    }
  }
  return {};
}

void KVProjectTree::showContextMenu(HTREEITEM node, POINT screen, bool fromKeyboard) {
  NodeKind kind = NodeKind::None;
  if (const int index = categoryIndex(node); index >= 0) {
    kind = static_cast<NodeKind>(static_cast<int>(NodeKind::SourceFiles) + index);
  } else if (const DocumentRecord* record = recordOf(node)) {
    const ProjectItemType type = record->kind();
    if (type == ProjectItemType::ExternalLibrary) kind = NodeKind::Library;
    if (type == ProjectItemType::SourceFile || type == ProjectItemType::DialogWindow ||
        type == ProjectItemType::Bitmap) {
      kind = NodeKind::File;
    }
  } else if (isUserFolder(node)) {
    kind = NodeKind::Folder;
  }
  const std::vector<MenuEntry> entries = EntriesFor(kind);
  if (entries.empty()) return;
  const kvwin::Menu menu(CreatePopupMenu());
  for (const MenuEntry& entry : entries) {
    AppendMenuW(menu.get(), entry.id ? MF_STRING : MF_SEPARATOR, entry.id, entry.text);
  }
  if (kind == NodeKind::File || kind == NodeKind::Library) SetMenuDefaultItem(menu.get(), 1, FALSE);
  if (kind == NodeKind::Folder && TreeView_GetChild(treeViewWindow, node)) {
    EnableMenuItem(menu.get(), 3, MF_BYCOMMAND | MF_GRAYED);
  }
  // The menu's own loop takes the key and highlights the first entry.
  if (fromKeyboard) PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, 0, window, nullptr));
  if (chosen) runMenuEntry(node, chosen);
}

void KVProjectTree::runMenuEntry(HTREEITEM node, int entry) {
  const auto run = [this](TreeCommand command) {
    if (frameRequests.runCommand) frameRequests.runCommand(command);
  };
  const int index = categoryIndex(node);
  if (index >= 0) {
    constexpr TreeCommand kCommands[4][2] = {
        {TreeCommand::NewSourceFile, TreeCommand::OpenSourceFile},
        {TreeCommand::NewDialogWindow, TreeCommand::OpenDialogWindow},
        {TreeCommand::NewExternalLibrary, TreeCommand::OpenExternalLibrary},
        {TreeCommand::OpenBitmap, TreeCommand::OpenBitmap}};
    if (index == 0 && entry == 3) {
      AddFolder("New Folder", node);
      expand(node);
    } else if (entry == 1 || (entry == 2 && index != 3)) {
      run(kCommands[index][entry - 1]);
    }
    return;
  }
  if (DocumentRecord* record = recordOf(node)) {
    switch (entry) {
      case 1: PostMessageW(window, kOpenMessage, 0, reinterpret_cast<LPARAM>(record)); break;
      case 2: renameNode(node); break;
      case 3: removeFile(record, false); break;
      case 4: removeFile(record, true); break;
      default: break;
    }
    return;
  }
  if (!isUserFolder(node)) return;
  switch (entry) {
    case 1: {
      const HTREEITEM folder = AddFolder("New Folder", node);
      expand(node);
      TreeView_EnsureVisible(treeViewWindow, folder);
      break;
    }
    case 2: renameNode(node); break;
    case 3:
      if (!TreeView_GetChild(treeViewWindow, node)) TreeView_DeleteItem(treeViewWindow, node);
      break;
    default: break;
  }
}

void KVProjectTree::removeNodeAsked(HTREEITEM node) {
  if (DocumentRecord* record = recordOf(node)) {
    const ProjectItemType type = record->kind();
    if (type == ProjectItemType::VersionInfo || type == ProjectItemType::Icon) {
      host.setStatusText(0, record->item->displayName + " belongs to every project and cannot be removed.");
      MessageBeep(MB_ICONWARNING);
      return;
    }
    const int answer = ask("Remove " + record->item->fileName + " from the project? The file stays on the disk.",
                           MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) removeFile(record, false);
    return;
  }
  if (!isUserFolder(node)) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  if (TreeView_GetChild(treeViewWindow, node)) {
    host.setStatusText(0, "The folder " + textOf(node) + " cannot be deleted while it holds files or folders.");
    MessageBeep(MB_ICONWARNING);
    return;
  }
  TreeView_DeleteItem(treeViewWindow, node);
}

// Remove and Delete asks first: the file is gone from the disk afterwards.
void KVProjectTree::removeFile(DocumentRecord* record, bool deleteFile) {
  if (!deleteFile) {
    if (frameRequests.removeFromProject) frameRequests.removeFromProject(record);
    return;
  }
  const std::string path = record->item->Path();
  const int answer = ask("Remove " + record->item->fileName + " from the project and delete the file " + path +
                             " from the disk?",
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
  if (answer != IDYES) return;
  if (host.removeDocument(record) && kvplatform::PathExists(path)) {
    ask("The file " + path + " was removed from the project but could not be deleted.", MB_OK | MB_ICONERROR);
  }
}

bool KVProjectTree::renameFile(DocumentRecord* record, const std::string& text) {
  if (!project) return false;
  const std::string refusal = TreeRenameRefusal(*project, *record->item, text);
  if (!refusal.empty()) {
    tellLater(refusal);
    return false;
  }
  const std::string oldFileName = record->item->fileName;
  SetLastError(0);
  if (!project->RenameItem(*record->item, text)) {
    const std::string why = SystemReason(GetLastError());
    tellLater(oldFileName + " could not be renamed to " + RenamedFileName(record->kind(), text) +
              (why.empty() ? "." : ": " + why));
    return false;
  }
  UpdateNode(record);
  if (record->tabId && frameRequests.renamed) frameRequests.renamed(record);
  return true;
}
