// KVSense: code assistance for the source editor. It learns the project at each Rescan and
// answers, from the expression before the caret (CaretExpression.h), with the member list to
// show after a "." and the call tip to show after a "(". It knows nothing of the editing
// component: the editor fetches the line and the caret, asks, and shows what it gets.
//
// Rescan reads, from the saved files:
// - the program's sources: "main.js" in "Source Files" and, depth first, every file it names
//   in a kv.include("...") line, each once (a path is compared byte for byte, after "/" and
//   "\" in the included name are made the platform's separator);
// - the declarations "var|let|const <name> = [new ]kv.Window('<win>') | kv.fs.File() |
//   kv.Http() | kv.XML()" at the start of a line of those files; the first declaration of a
//   name in a file wins, and the file earlier in include order wins over later ones;
// - the controls of every dialog window, scanned line by line rather than read by the
//   dialog-window reader, so that a line the reader would refuse costs only that line: the
//   nine header lines are passed over by count, a "menu" ... "endmenu" block is passed over,
//   and every other line that has a name field (the text between the first two double
//   quotes after the eighth blank) gives a control of that name, its kind the keyword the
//   line begins with, or no kind for a keyword code assistance does not know; such a control
//   is listed with its window but has no members. A line without a name field, or with an
//   empty name, gives nothing; the first line of a name wins, and the first window of a name
//   wins over later ones;
// - the function names of every external library, read by the declaration reader.
// A control or library function whose name holds a blank or "?" is left out of the member
// lists, whose entries those characters separate and end; no such name can follow a "."
// in a script anyway.
//
// Source and dialog-window files are read line by line by KVLineReader. A line over 4,095
// bytes keeps its first 4,095 bytes: an include, declaration or control name counts only
// when everything it needs lies within them. A file with lone LF line ends is a single line
// to the reader, so only its first line can count.
//
// Includes are followed with an explicit stack rather than recursion, and only the first 32
// files of an include chain are held open while their includes are read (deeper ones are
// reopened at their position), so neither a long include chain nor the stream limit of the
// C runtime can end a rescan early.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editing/ApiCatalogue.h"
#include "project/Project.h"

class KVSense {
public:
  struct SenseObject {
    kvapi::SenseObjectKind kind = kvapi::SenseObjectKind::File;
    std::string windowName;  // Window only
  };
  // Control name to kind; no kind for a control line whose keyword is none of the known ones.
  using ControlTable = std::map<std::string, std::optional<kvapi::ControlKind>>;

  KVSense() = default;

  // Replaces everything learnt so far. folder ends with the path separator.
  void Rescan(const KVProject& project);
  void Rescan(const std::string& folder, const KVProject::ItemList& items);

  // The member list for an expression before a typed "."; empty when there is none.
  std::string MemberList(std::string_view expression) const;
  // The signature to show for an expression before a typed "(".
  std::optional<std::string> CallTip(std::string_view expression) const;

  // The same for a line's text and the caret's offset in it (the typed character just
  // before the caret).
  std::string MemberListAt(std::string_view line, std::size_t caret) const;
  std::optional<std::string> CallTipAt(std::string_view line, std::size_t caret) const;

  // What the last rescan found, for whoever wants to look.
  const std::vector<std::string>& ScannedFiles() const { return scannedFiles; }
  const std::string& LibraryFunctionNames() const { return libraryFunctionNames; }

private:
  void ScanSources(const std::string& sourceFolder);
  void ScanWindow(const ProjectItem& item);
  void ScanLibrary(const ProjectItem& item);
  const SenseObject* FindVariable(std::string_view name) const;
  const ControlTable* FindWindow(const SenseObject& object) const;

  std::vector<std::string> scannedFiles;
  // Every declared variable with the object of its deciding declaration: the tables of the
  // scanned files merged in scan order, the first entry of a name kept.
  std::map<std::string, SenseObject, std::less<>> variables;
  std::map<std::string, ControlTable, std::less<>> windows;
  std::string libraryFunctionNames;
};
