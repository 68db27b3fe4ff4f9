#include "designer/MenuLine.h"

#include <cstdint>

#include "common/Text.h"
#include "designer/FieldScanner.h"
#include "designer/WinText.h"

namespace kvwinfile {

namespace {

bool StartsNoCase(std::string_view line, std::string_view prefix) {
  return line.size() >= prefix.size() && kvtext::EqualsNoCase(line.substr(0, prefix.size()), prefix);
}

constexpr std::string_view kSubmenu = "submenu ";
constexpr std::string_view kCommand = "command ";

struct Flag {
  std::int32_t KVMenuItem::*member;
  const char* what;
};
constexpr Flag kFlags[] = {
    {&KVMenuItem::ctrl, "the Ctrl flag"},
    {&KVMenuItem::shift, "the Shift flag"},
    {&KVMenuItem::alt, "the Alt flag"},
    {&KVMenuItem::fourthFlag, "the fourth flag"},
};

std::string DescribeItem(const KVMenuItem& item) {
  return (item.kind == MenuItemKind::Submenu ? "submenu \"" : "command \"") + item.text + "\"";
}

}  // namespace

bool IsMenuStart(std::string_view line) { return StartsNoCase(line, "menu"); }

MenuLineKind MenuLineKindOf(std::string_view line) {
  if (StartsNoCase(line, kSubmenu)) return MenuLineKind::Submenu;
  if (StartsNoCase(line, kCommand)) return MenuLineKind::Command;
  if (StartsNoCase(line, "separator")) return MenuLineKind::Separator;
  if (StartsNoCase(line, "endsubmenu") || StartsNoCase(line, "endmenu")) return MenuLineKind::EndLevel;
  return MenuLineKind::Other;
}

bool ParseSubmenuLine(std::string_view line, std::string& label, std::string& expected) {
  KVFieldScanner scanner(line, kSubmenu.size());
  std::string_view text;
  if (!scanner.Quoted(text)) {
    expected = "the submenu's label between double quotes";
    return false;
  }
  label.assign(text);
  return true;
}

bool ParseCommandLine(std::string_view line, KVMenuItem& item, std::string& expected) {
  KVMenuItem read;
  read.kind = MenuItemKind::Command;
  KVFieldScanner scanner(line, kCommand.size());
  std::string_view label;
  std::string_view handler;
  // The id is read from after the keyword; the label from the line's first double quote.
  if (!scanner.LeadingNumber(read.id)) {
    expected = "the command id as a whole number";
    return false;
  }
  if (!scanner.SkipTo('"') || !scanner.Quoted(label)) {
    expected = "the command's label between double quotes";
    return false;
  }
  if (!scanner.Char(' ') || !scanner.Quoted(handler)) {
    expected = "one space and the handler between double quotes";
    return false;
  }
  // Each flag is one digit at its fixed place; 0 and 1 are all the IDE writes, other digits
  // are kept as they are for whatever else reads the file.
  for (const Flag& flag : kFlags) {
    std::int32_t digit = 0;
    const bool separated = scanner.Char(' ');
    for (char c = '0'; separated && c <= '9'; ++c, ++digit) {
      if (scanner.Char(c)) break;
    }
    if (!separated || digit > 9) {
      expected = "one space and " + std::string(flag.what) + ", one digit";
      return false;
    }
    read.*flag.member = digit;
  }
  if (!scanner.AtEnd() && !scanner.Char(' ')) {
    expected = "one space after the fourth flag, then the accelerator key";
    return false;
  }
  read.accelKey.assign(scanner.Rest());
  read.text.assign(label);
  read.handler.assign(handler);
  item = std::move(read);
  return true;
}

bool FormatSubmenu(const KVMenuItem& item, std::string& line, std::string& problem) {
  if (!FitsQuoted(item.text)) {
    problem = "the label of " + DescribeItem(item) + " holds " + kUnstorable;
    return false;
  }
  line = "submenu \"" + item.text + "\"\r\n";
  return true;
}

bool FormatCommand(const KVMenuItem& item, std::string& line, std::string& problem) {
  if (!FitsQuoted(item.text) || !FitsQuoted(item.handler)) {
    problem = "the label or handler of " + DescribeItem(item) + " holds " + kUnstorable;
    return false;
  }
  if (!FitsLine(item.accelKey)) {
    problem = "the accelerator key of " + DescribeItem(item) + " holds a CR, LF or NUL";
    return false;
  }
  std::string text = "command " + std::to_string(item.id) + " \"" + item.text + "\" \"" + item.handler + "\"";
  for (const Flag& flag : kFlags) {
    const std::int32_t value = item.*flag.member;
    // One digit, where reading looks for it.
    if (value < 0 || value > 9) {
      problem = std::string(flag.what) + " of " + DescribeItem(item) + " is " + std::to_string(value) +
                "; it must be a single digit";
      return false;
    }
    text += ' ';
    text += static_cast<char>('0' + value);
  }
  text += ' ';
  text += item.accelKey;
  text += "\r\n";
  if (text.size() > KVWinFile::kMaxLineBytes) {
    problem = "the line of " + DescribeItem(item) + " would take " + std::to_string(text.size()) +
              " bytes; a command line holds at most 4,095";
    return false;
  }
  line = std::move(text);
  return true;
}

}  // namespace kvwinfile
