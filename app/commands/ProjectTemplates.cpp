#include "app/commands/ProjectTemplates.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/PathName.h"
#include "common/Text.h"
#include "project/ProjectItem.h"
#include "project/XML.h"

namespace kvcommands {

namespace {

constexpr int kButtonStyle = 0x54014000;  // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_* of a push button
constexpr int kWindowStyle = 0x10CA0000;

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string WindowFile(const std::string& caption, const std::string& onInit, const std::string& onSysClose) {
  const std::string style = std::to_string(kButtonStyle);
  return Lines({"1", std::to_string(kWindowStyle) + " 0", caption, "400 300", onInit, onSysClose, "", "Default", "",
                "button " + style + " 0 0 300 235 265 75 25 \"okButton\" \"OK\" \"onOK\" \"Default\" \"\"",
                "button " + style + " 0 0 301 315 265 75 25 \"cancelButton\" \"Cancel\" \"onCancel\" \"Default\" \"\""});
}

// Appends suffix unless name is at least as long and already ends with it in any case.
std::string WithSuffix(const std::string& name, std::string_view suffix) {
  if (name.size() >= suffix.size() && kvtext::EndsWithNoCase(name, suffix)) return name;
  return name + std::string(suffix);
}

}  // namespace

std::string MainScriptTemplate() {
  return Lines({"let mainWin = kv.Window('mainWin');",
                "",
                "function onInit()",
                "{",
                "    // Initialize dialog controls here",
                "}",
                "",
                "function onSysClose()",
                "{",
                "    // Called when the sys menu is used to close the dialog",
                "    this.close();",
                "}",
                "",
                "function onOK()",
                "{",
                "    this.close();",
                "}",
                "",
                "function onCancel()",
                "{",
                "    this.close();",
                "}",
                "",
                "mainWin.open();"});
}

std::string MainWindowTemplate() { return WindowFile("Main Window", "onInit", "onSysClose"); }

std::string NewDialogWindowTemplate(const std::string& caption) { return WindowFile(caption, "", ""); }

std::string NewProjectFileText(const std::string& name) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + KVXML::ElementText("Project", nullptr) +
         KVXML::ElementText("Name", name) + KVXML::ElementText("ExeName", name + ".exe") +
         KVXML::ElementNumber("Engine", 1) + KVXML::ElementText("Icon", name + ".ico") +
         "<SourceFiles>" + KVXML::ElementText("Name", "main.js") + "</SourceFiles>" +
         "<WindowFiles>" + KVXML::ElementText("Name", "mainWin.win") + "</WindowFiles>" +
         "<LibraryFiles></LibraryFiles></Project>";
}

std::string ProjectNameFromInput(const std::string& typed) {
  std::size_t begin = 0, end = typed.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(typed[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(typed[end - 1]))) --end;
  std::string name = typed.substr(begin, end - begin);
  if (name.size() >= 4 && kvtext::EndsWithNoCase(name, ".exe")) name.resize(name.size() - 4);
  return name;
}

std::string SourceFileNameFromInput(const std::string& typed) { return WithSuffix(typed, ".js"); }

std::string DialogWindowFileNameFromInput(const std::string& typed) { return WithSuffix(typed, ".win"); }

std::string LibraryBaseName(const std::string& libraryPath) {
  return FileStem(kvpath::FileNameOf(libraryPath));
}

std::string NewNameRefusal(const std::string& name) {
  constexpr const char* kRefused = "\\/:*?\"<>|";
  const bool control = std::any_of(name.begin(), name.end(), [](char c) { return c >= 0 && c < ' '; });
  if (name == "." || name == ".." || name.find_first_of(kRefused) != std::string::npos || control) {
    return "The name \"" + name + "\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or "
           "\"..\". Please try a different name.";
  }
  return {};
}

}  // namespace kvcommands
