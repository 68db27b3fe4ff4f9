#include "designer/ControlLine.h"

#include <cstdint>
#include <iterator>

#include "common/Text.h"
#include "designer/FieldScanner.h"
#include "designer/WinText.h"

namespace kvwinfile {

namespace {

constexpr std::string_view kKinds[] = {"button", "check", "edit", "text", "combo", "listview", "treeview"};

struct NumberField {
  std::int32_t KVControlRecord::*member;
  const char* what;
};
constexpr NumberField kNumbers[] = {
    {&KVControlRecord::style, "the style"},
    {&KVControlRecord::exStyle, "the extended style"},
    {&KVControlRecord::listViewExStyle, "the list-view style"},
    {&KVControlRecord::id, "the id"},
    {&KVControlRecord::x, "the x position"},
    {&KVControlRecord::y, "the y position"},
    {&KVControlRecord::width, "the width"},
    {&KVControlRecord::height, "the height"},
};

struct TextField {
  std::string KVControlRecord::*member;
  const char* what;
};
constexpr TextField kTexts[] = {
    {&KVControlRecord::name, "the name"},
    {&KVControlRecord::caption, "the caption"},
    {&KVControlRecord::handler, "the handler"},
    {&KVControlRecord::fontLabel, "the font label"},
    {&KVControlRecord::fontData, "the font data"},
};

}  // namespace

std::string_view ControlKindOf(std::string_view line) {
  for (std::string_view kind : kKinds) {
    if (line.size() > kind.size() && line[kind.size()] == ' ' &&
        kvtext::EqualsNoCase(line.substr(0, kind.size()), kind)) {
      return kind;
    }
  }
  return {};
}

bool ParseControlLine(std::string_view line, std::string_view kind, KVControlRecord& record,
                      std::string& expected) {
  KVControlRecord read;
  read.kind.assign(kind);
  KVFieldScanner scanner(line, kind.size() + 1);
  // As the runtime reads them: each number from the start of its field (what follows its
  // digits is not read), the next field after the next space, and the strings from the first
  // double quote after the height, so that extra numbers before it are passed over.
  for (const NumberField& field : kNumbers) {
    const bool last = &field == &kNumbers[std::size(kNumbers) - 1];
    if (!scanner.LeadingNumber(read.*field.member)) {
      expected = std::string(field.what) + " as a whole number";
      return false;
    }
    if (!(last ? scanner.SkipTo('"') : scanner.SkipPast(' '))) {
      expected = last ? "the name between double quotes after the height" : std::string(field.what) + " followed by a space";
      return false;
    }
  }
  for (const TextField& field : kTexts) {
    if (&field != &kTexts[0] && !scanner.Char(' ')) {
      expected = "one space before " + std::string(field.what);
      return false;
    }
    std::string_view text;
    if (!scanner.Quoted(text)) {
      expected = std::string(field.what) + " between double quotes";
      return false;
    }
    (read.*field.member).assign(text);
  }
  if (!FontFits(read.fontLabel, read.fontData)) {
    expected = kFontDataExpected;
    return false;
  }
  record = std::move(read);
  return true;
}

std::string DescribeControl(const KVControlRecord& control) {
  return control.kind + " \"" + control.name + "\"";
}

bool FormatControl(const KVControlRecord& control, std::string& line, std::string& problem) {
  if (!KVWinFile::IsControlKind(control.kind)) {
    problem = "the kind \"" + control.kind + "\" is not one of the control kinds";
    return false;
  }
  if (control.name.empty()) {
    problem = "a " + control.kind + " has no name; reading would make one up";
    return false;
  }
  for (const TextField& field : kTexts) {
    if (!FitsQuoted(control.*field.member)) {
      problem = std::string(field.what) + " of " + DescribeControl(control) + " holds " + kUnstorable;
      return false;
    }
  }
  if (!FontFits(control.fontLabel, control.fontData)) {
    problem = "the font of " + DescribeControl(control) + " has a label but no complete font data";
    return false;
  }
  std::string text = control.kind;
  for (const NumberField& field : kNumbers) {
    text += ' ';
    text += std::to_string(control.*field.member);
  }
  for (const TextField& field : kTexts) {
    text += " \"";
    text += control.*field.member;
    text += '"';
  }
  text += "\r\n";
  if (text.size() > KVWinFile::kMaxLineBytes) {
    problem = "the line of " + DescribeControl(control) + " would take " + std::to_string(text.size()) +
              " bytes; a control line holds at most 4,095";
    return false;
  }
  line = std::move(text);
  return true;
}

}  // namespace kvwinfile
