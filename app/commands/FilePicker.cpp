#include "app/commands/FilePicker.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "common/Text.h"

namespace {

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

struct TaskMemFree {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

// A folder that no longer exists leaves the dialog where it would have opened anyway.
void StartIn(IFileOpenDialog& dialog, const std::string& folder) {
  if (folder.empty()) return;
  IShellItem* raw = nullptr;
  if (FAILED(SHCreateItemFromParsingName(kvtext::Utf8ToWide(folder).c_str(), nullptr, IID_PPV_ARGS(&raw)))) return;
  const ComPtr<IShellItem> item(raw);
  dialog.SetFolder(item.get());
}

}  // namespace

std::string PickFile(HWND owner, const std::string& filterName, const std::string& pattern,
                     const std::string& startFolder) {
  IFileOpenDialog* raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&raw)))) return {};
  const ComPtr<IFileOpenDialog> dialog(raw);
  const kvtext::WideString name = kvtext::Utf8ToWide(filterName);
  const kvtext::WideString types = kvtext::Utf8ToWide(pattern);
  const COMDLG_FILTERSPEC filter = {name.c_str(), types.c_str()};
  if (FAILED(dialog->SetFileTypes(1, &filter))) return {};
  StartIn(*dialog, startFolder);
  if (FAILED(dialog->Show(owner))) return {};
  IShellItem* rawItem = nullptr;
  if (FAILED(dialog->GetResult(&rawItem))) return {};
  const ComPtr<IShellItem> item(rawItem);
  wchar_t* rawPath = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &rawPath))) return {};
  const std::unique_ptr<wchar_t, TaskMemFree> path(rawPath);
  return kvtext::WideToUtf8(path.get());
}
