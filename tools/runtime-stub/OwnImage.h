// The runtime's own executable: its file, its version strings and its icon group.
#pragma once

#include <string>
#include <string_view>

namespace kvstub {

// The full path of this executable; empty when it cannot be had.
std::wstring OwnPath();

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);

// A string of the file's version resource, such as L"FileVersion", in UTF-8: from the
// StringFileInfo block of the first language the resource lists, else "040904B0"; empty
// when there is none.
std::string VersionString(const std::wstring& path, const wchar_t* name);

// The raw RT_GROUP_ICON resource of this module with the given id; false when missing.
bool OwnIconGroup(int id, std::string_view& data);

}  // namespace kvstub
