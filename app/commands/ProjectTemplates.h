// What the project commands write and how they turn typed names into file names. Kept free
// of windows so that every byte of the templates is checked natively.
#pragma once

#include <string>

namespace kvcommands {

// The starting script of a new project.
std::string MainScriptTemplate();
// The main dialog window of a new project.
std::string MainWindowTemplate();
// A new dialog window whose caption is the name the user typed.
std::string NewDialogWindowTemplate(const std::string& caption);
// The project file of a new project named name, as XML text.
std::string NewProjectFileText(const std::string& name);

// The project name from what was typed: surrounding white space removed, then a trailing
// ".exe" in any letter case. Empty when nothing is left.
std::string ProjectNameFromInput(const std::string& typed);
// "util" -> "util.js"; names that already end with ".js" in any case are kept.
std::string SourceFileNameFromInput(const std::string& typed);
// "Login" -> "Login.win"; names that already end with ".win" in any case are kept.
std::string DialogWindowFileNameFromInput(const std::string& typed);
// Why a name typed for a new project, source file or dialog window cannot be used, or empty:
// it must stay one file name inside its folder ("." and ".." do not) and hold no character
// Windows refuses in file names.
std::string NewNameRefusal(const std::string& name);

// The file name of a path (after its last separator) up to its last ".".
std::string LibraryBaseName(const std::string& libraryPath);

}  // namespace kvcommands
