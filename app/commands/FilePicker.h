// The platform's file-open dialog with one filter.
#pragma once

#include <windows.h>

#include <string>

// The chosen file's full path, or empty when the user cancelled or the dialog failed. The
// dialog starts in startFolder when it names one.
std::string PickFile(HWND owner, const std::string& filterName, const std::string& pattern,
                     const std::string& startFolder);
