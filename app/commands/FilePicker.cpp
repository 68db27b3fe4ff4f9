#include "app/commands/FilePicker.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "common/Text.h"
#include "platform/win32/ComPtr.h"

namespace {

struct TaskMemFree {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

// A folder that no longer exists leaves the dialog where it would have opened anyway.
void StartIn(IFileOpenDialog& dialog, const std::string& folder) {
  if (folder.empty()) return;
  KVComPtr<IShellItem> item;
  if (FAILED(SHCreateItemFromParsingName(kvtext::Utf8ToWide(folder).c_str(), nullptr, IID_IShellItem,
                                         item.PutVoid()))) {
    return;
  }
  dialog.SetFolder(item.Get());
}

}  // namespace

std::string PickFile(HWND owner, const std::string& filterName, const std::string& pattern,
                     const std::string& startFolder) {
  KVComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_IFileOpenDialog, dialog.PutVoid()))) {
    return {};
  }
  const kvtext::WideString name = kvtext::Utf8ToWide(filterName);
  const kvtext::WideString types = kvtext::Utf8ToWide(pattern);
  const COMDLG_FILTERSPEC filter = {name.c_str(), types.c_str()};
  if (FAILED(dialog->SetFileTypes(1, &filter))) return {};
  StartIn(*dialog.Get(), startFolder);
  if (FAILED(dialog->Show(owner))) return {};
  KVComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(item.Put()))) return {};
  wchar_t* rawPath = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &rawPath))) return {};
  const std::unique_ptr<wchar_t, TaskMemFree> path(rawPath);
  return kvtext::WideToUtf8(path.get());
}
