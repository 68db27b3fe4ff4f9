#include "designer/PropertySets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kvproperties::CommitRefusal;
using kvproperties::Refusal;
using kvproperties::RowsFor;
using kvproperties::Set;

KVControlRecord Record(const std::string& kind, std::int32_t style = 0x54010000) {
  KVControlRecord record;
  record.kind = kind;
  record.style = style;
  record.name = kind + "100";
  record.id = 100;
  return record;
}

// "Group/Label" for every row, in display order.
std::vector<std::string> Layout(const KVControlRecord& record) {
  std::vector<std::string> layout;
  for (const KVPropertyRow& row : RowsFor(record)) layout.push_back(row.group + "/" + row.label);
  return layout;
}

const KVPropertyRow& RowOf(const std::vector<KVPropertyRow>& rows, const std::string& label) {
  for (const KVPropertyRow& row : rows) {
    if (row.label == label) return row;
  }
  throw std::runtime_error("no row " + label);
}

TEST(PropertySets, EachKindListsItsRowsGroupedInTheOrderItsTableNamesThem) {
  const struct {
    const char* kind;
    std::vector<std::string> layout;
  } cases[] = {
      {"button",
       {"Appearance/Caption", "Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height",
        "Appearance/Border", "Appearance/Client Edge", "Appearance/Default Button", "Appearance/Font",
        "Programming/Name", "Programming/onClick"}},
      {"check",
       {"Appearance/Caption", "Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height",
        "Appearance/Border", "Appearance/Client Edge", "Appearance/Font", "Programming/Name"}},
      {"edit",
       {"Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height", "Appearance/Border",
        "Appearance/Client Edge", "Appearance/Horizontal Scroll", "Appearance/Vertical Scroll", "Appearance/Font",
        "Behavior/Multiline", "Behavior/Auto HScroll", "Behavior/Password", "Programming/Name"}},
      {"text",
       {"Appearance/Caption", "Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height",
        "Appearance/Border", "Appearance/Client Edge", "Appearance/Horizontal Alignment",
        "Appearance/Center Vertically", "Appearance/Font", "Programming/Name"}},
      {"combo",
       {"Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height", "Appearance/Border",
        "Appearance/Client Edge", "Appearance/Font", "Behavior/Dropdown List", "Behavior/Sort",
        "Programming/Name"}},
      {"listview",
       {"Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height", "Appearance/Border",
        "Appearance/Client Edge", "Appearance/Always Show Selection", "Appearance/Select Full Row",
        "Appearance/Grid Lines", "Appearance/Hide Column Header", "Appearance/Font", "Programming/Name"}},
      {"treeview",
       {"Appearance/X", "Appearance/Y", "Appearance/Width", "Appearance/Height", "Appearance/Border",
        "Appearance/Client Edge", "Appearance/Always Show Selection", "Appearance/Has Buttons",
        "Appearance/Has Lines", "Appearance/Lines At Root", "Appearance/Font", "Programming/Name"}},
      {"Window",
       {"Appearance/Caption", "Appearance/Width", "Appearance/Height", "Appearance/Minimize Box",
        "Appearance/Resizeable", "Appearance/Font", "Programming/onInit", "Programming/onSysClose"}},
      {"slider", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.layout, Layout(Record(c.kind))) << c.kind;
}

TEST(PropertySets, RowsShowTheRecordsFieldsAndBits) {
  KVControlRecord button = Record("button", 0x54814001);  // with WS_BORDER and BS_DEFPUSHBUTTON
  button.caption = "OK";
  button.x = -3;
  button.handler = "onOK";
  const auto rows = RowsFor(button);
  EXPECT_EQ("OK", RowOf(rows, "Caption").value);
  EXPECT_EQ("-3", RowOf(rows, "X").value);
  EXPECT_EQ("True", RowOf(rows, "Border").value);
  EXPECT_EQ("False", RowOf(rows, "Client Edge").value);
  EXPECT_EQ("True", RowOf(rows, "Default Button").value);
  EXPECT_EQ("Default", RowOf(rows, "Font").value);
  EXPECT_EQ("onOK", RowOf(rows, "onClick").value);
  EXPECT_EQ(KVRowEditor::Text, RowOf(rows, "Caption").editor);
  EXPECT_EQ(KVRowEditor::Choice, RowOf(rows, "Border").editor);
  EXPECT_EQ((std::vector<std::string>{"True", "False"}), RowOf(rows, "Border").choices);
  EXPECT_EQ((std::vector<std::string>{"Default", "Choose Font..."}), RowOf(rows, "Font").choices);

  const struct {
    const char* kind;
    std::int32_t style;
    const char* label;
    const char* shown;
  } shown[] = {
      {"text", 0x3, "Horizontal Alignment", "Center"},  // both bits: SS_CENTER wins
      {"text", 0x2, "Horizontal Alignment", "Right"},
      {"text", 0x0, "Horizontal Alignment", "Left"},
      {"combo", 0x3, "Dropdown List", "True"},
      {"combo", 0x2, "Dropdown List", "False"},
      {"combo", 0x1, "Dropdown List", "False"},
      {"Window", 0x40000, "Resizeable", "True"},   // the thick frame alone decides
      {"Window", 0x10000, "Resizeable", "False"},
      {"edit", 0x4, "Multiline", "True"},          // ES_MULTILINE alone decides
      {"edit", 0x1040, "Multiline", "False"},
  };
  for (const auto& c : shown) {
    EXPECT_EQ(c.shown, RowOf(RowsFor(Record(c.kind, c.style)), c.label).value) << c.kind << " " << c.label;
  }
  const auto comboRows = RowsFor(Record("combo"));
  EXPECT_FALSE(RowOf(comboRows, "Height").enabled);
  EXPECT_TRUE(RowOf(comboRows, "Width").enabled);
  EXPECT_EQ((std::vector<std::string>{"Left", "Center", "Right"}),
            RowOf(RowsFor(Record("text")), "Horizontal Alignment").choices);
}

TEST(PropertySets, SettersChangeExactlyTheirBits) {
  const struct {
    const char* kind;
    const char* label;
    const char* value;
    std::int32_t style;
    std::int32_t exStyle;
    std::int32_t listViewExStyle;
    std::int32_t wantStyle;
    std::int32_t wantExStyle;
    std::int32_t wantListViewExStyle;
  } cases[] = {
      {"button", "Border", "True", 0x54014000, 0, 0, 0x54814000, 0, 0},
      {"button", "Border", "False", 0x54814000, 0, 0, 0x54014000, 0, 0},
      {"button", "Border", "true", 0x54814000, 0, 0, 0x54014000, 0, 0},  // only exactly "True" is on
      {"button", "Client Edge", "True", 0x54014000, 0x4, 0, 0x54014000, 0x204, 0},
      {"button", "Default Button", "True", 0x54014000, 0, 0, 0x54014001, 0, 0},
      {"edit", "Horizontal Scroll", "True", 0x54010000, 0, 0, 0x54110000, 0, 0},
      {"edit", "Vertical Scroll", "True", 0x54010000, 0, 0, 0x54210000, 0, 0},
      {"edit", "Multiline", "True", 0x540100A0, 0, 0, 0x540110E4, 0, 0},  // password, auto hscroll kept
      {"edit", "Multiline", "False", 0x540110E4, 0, 0, 0x540100A0, 0, 0},
      {"edit", "Auto HScroll", "True", 0x54010000, 0, 0, 0x54010080, 0, 0},
      {"edit", "Password", "True", 0x54010000, 0, 0, 0x54010020, 0, 0},
      {"text", "Horizontal Alignment", "Center", 0x54000202, 0, 0, 0x54000201, 0, 0},
      {"text", "Horizontal Alignment", "Right", 0x54000201, 0, 0, 0x54000202, 0, 0},
      {"text", "Horizontal Alignment", "Left", 0x54000203, 0, 0, 0x54000200, 0, 0},
      {"text", "Center Vertically", "False", 0x54000200, 0, 0, 0x54000000, 0, 0},
      {"combo", "Dropdown List", "False", 0x54210003, 0, 0, 0x54210002, 0, 0},
      {"combo", "Dropdown List", "True", 0x54210001, 0, 0, 0x54210003, 0, 0},
      {"combo", "Sort", "True", 0x54210003, 0, 0, 0x54210103, 0, 0},
      {"listview", "Always Show Selection", "True", 0x54018001, 0, 0, 0x54018009, 0, 0},
      {"listview", "Hide Column Header", "True", 0x54018001, 0, 0, 0x5401C001, 0, 0},
      {"listview", "Select Full Row", "True", 0x54018001, 0, 0x1, 0x54018001, 0, 0x21},
      {"listview", "Grid Lines", "False", 0x54018001, 0, 0x21, 0x54018001, 0, 0x20},
      {"treeview", "Always Show Selection", "True", 0x54010000, 0, 0, 0x54010020, 0, 0},
      {"treeview", "Has Buttons", "True", 0x54010000, 0, 0, 0x54010001, 0, 0},
      {"treeview", "Has Lines", "True", 0x54010000, 0, 0, 0x54010002, 0, 0},
      {"treeview", "Lines At Root", "True", 0x54010000, 0, 0, 0x54010004, 0, 0},
      {"Window", "Minimize Box", "False", 0x10CA0000, 0, 0, 0x10C80000, 0, 0},
      {"Window", "Resizeable", "True", 0x10CA0000, 0, 0, 0x10CF0000, 0, 0},
      {"Window", "Resizeable", "False", 0x10CF0000, 0, 0, 0x10CA0000, 0, 0},
  };
  for (const auto& c : cases) {
    KVControlRecord record = Record(c.kind, c.style);
    record.exStyle = c.exStyle;
    record.listViewExStyle = c.listViewExStyle;
    EXPECT_TRUE(Set(record, c.label, c.value)) << c.kind << " " << c.label;
    EXPECT_EQ(c.wantStyle, record.style) << c.kind << " " << c.label << " " << c.value;
    EXPECT_EQ(c.wantExStyle, record.exStyle) << c.kind << " " << c.label << " " << c.value;
    EXPECT_EQ(c.wantListViewExStyle, record.listViewExStyle) << c.kind << " " << c.label << " " << c.value;
  }
}

TEST(PropertySets, TextAndNumberRowsSetTheirFieldsAsAtolReadsNumbers) {
  KVControlRecord button = Record("button");
  const struct {
    const char* label;
    const char* value;
    std::int32_t KVControlRecord::*field;
    std::int32_t want;
  } numbers[] = {
      {"X", "12abc", &KVControlRecord::x, 12},
      {"Y", "abc", &KVControlRecord::y, 0},
      {"Width", "  -7", &KVControlRecord::width, -7},
      {"Height", "99999999999", &KVControlRecord::height, 2147483647},
  };
  for (const auto& c : numbers) {
    EXPECT_TRUE(Set(button, c.label, c.value));
    EXPECT_EQ(c.want, button.*c.field) << c.label << " " << c.value;
  }
  EXPECT_TRUE(Set(button, "Caption", "&Save"));
  EXPECT_TRUE(Set(button, "Name", "saveButton"));
  EXPECT_TRUE(Set(button, "onClick", "onSave"));
  EXPECT_EQ("&Save", button.caption);
  EXPECT_EQ("saveButton", button.name);
  EXPECT_EQ("onSave", button.handler);

  KVControlRecord window = Record("Window", 0x10CA0000);
  EXPECT_TRUE(Set(window, "Caption", "Say \"hi\""));
  EXPECT_TRUE(Set(window, "onInit", "start"));
  EXPECT_TRUE(Set(window, "onSysClose", "stop"));
  EXPECT_TRUE(Set(window, "Width", "640"));
  EXPECT_EQ("Say \"hi\"", window.caption);
  EXPECT_EQ("start", window.initHandler);
  EXPECT_EQ("stop", window.closeHandler);
  EXPECT_EQ(640, window.width);
}

TEST(PropertySets, LabelsAKindDoesNotHaveAndShownOnlyRowsChangeNothing) {
  const struct {
    const char* kind;
    const char* label;
  } cases[] = {
      {"check", "onClick"}, {"edit", "Caption"}, {"combo", "Height"}, {"Window", "X"},
      {"Window", "Name"},   {"button", "Font"},  // "Font" only takes "Default" here
      {"slider", "X"},
  };
  for (const auto& c : cases) {
    KVControlRecord record = Record(c.kind);
    record.fontLabel = "Arial (10)";
    record.fontData = "-13 0 0 0 400 0 0 0 0 0 0 0 0 Arial";
    const KVControlRecord before = record;
    EXPECT_FALSE(Set(record, c.label, "Choose Font...")) << c.kind << " " << c.label;
    EXPECT_EQ(before.style, record.style);
    EXPECT_EQ(before.height, record.height);
    EXPECT_EQ(before.caption, record.caption);
    EXPECT_EQ(before.fontLabel, record.fontLabel);
  }
}

TEST(PropertySets, MultilineGreysPasswordAndAutoHScrollAndShowsThemOff) {
  KVControlRecord edit = Record("edit", 0x540100A0);  // auto hscroll and password set
  auto rows = RowsFor(edit);
  EXPECT_EQ("True", RowOf(rows, "Password").value);
  EXPECT_TRUE(RowOf(rows, "Password").enabled);

  ASSERT_TRUE(Set(edit, "Multiline", "True"));
  rows = RowsFor(edit);
  for (const char* label : {"Password", "Auto HScroll"}) {
    EXPECT_EQ("False", RowOf(rows, label).value) << label;
    EXPECT_FALSE(RowOf(rows, label).enabled) << label;
  }
  EXPECT_EQ(0xA0, edit.style & 0xA0) << "the bits themselves stay";

  ASSERT_TRUE(Set(edit, "Multiline", "False"));
  rows = RowsFor(edit);
  EXPECT_EQ("True", RowOf(rows, "Password").value);
  EXPECT_TRUE(RowOf(rows, "Auto HScroll").enabled);
}

TEST(PropertySets, FontRowTakesTheChosenFontOrGoesBackToDefault) {
  KVControlRecord text = Record("text");
  KVLogFont font;
  ASSERT_TRUE(KVLogFont::Parse("-21 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI", font));
  kvproperties::SetChosenFont(text, font, 165);
  EXPECT_EQ("Segoe UI (16)", text.fontLabel);
  EXPECT_EQ("-21 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI", text.fontData);
  EXPECT_EQ("Segoe UI (16)", RowOf(RowsFor(text), "Font").value);
  std::string line;
  EXPECT_TRUE(KVWinFile::FormatControlLine(text, line));

  EXPECT_TRUE(Set(text, "Font", "Default"));
  EXPECT_EQ("Default", text.fontLabel);
  EXPECT_EQ("", text.fontData);
}

TEST(PropertySets, TextTheFileCannotHoldIsRefusedWithItsReason) {
  KVControlRecord button = Record("button");
  KVControlRecord window = Record("Window", 0x10CA0000);
  const std::string nul("a\0b", 3);
  EXPECT_EQ("", Refusal(button, "Caption", "Save & Exit"));
  EXPECT_NE(std::string::npos, Refusal(button, "Caption", "Say \"hi\"").find("double quote"));
  EXPECT_NE(std::string::npos, Refusal(button, "onClick", "on\"Click").find("double quote"));
  EXPECT_NE(std::string::npos, Refusal(button, "Name", "a\r\nb").find("line breaks"));
  EXPECT_NE(std::string::npos, Refusal(button, "Caption", nul).find("NUL"));
  // Header lines are whole lines: a double quote is fine there, a line break is not.
  EXPECT_EQ("", Refusal(window, "Caption", "Say \"hi\""));
  EXPECT_NE("", Refusal(window, "onInit", "a\nb"));
  // Numbers and choices are never text of the file.
  EXPECT_EQ("", Refusal(button, "X", "\"12\""));
  EXPECT_EQ("", Refusal(button, "Border", "True"));

  // A control's whole line must fit 4,095 bytes; what the other fields take counts.
  std::string line;
  ASSERT_TRUE(KVWinFile::FormatControlLine(button, line));
  const std::size_t room = KVWinFile::kMaxLineBytes - line.size();
  EXPECT_EQ("", Refusal(button, "Caption", std::string(room, 'x')));
  EXPECT_NE(std::string::npos, Refusal(button, "Caption", std::string(room + 1, 'x')).find("4,095"));
  button.handler = std::string(100, 'h');
  EXPECT_NE("", Refusal(button, "Caption", std::string(room, 'x')));
  EXPECT_EQ("", Refusal(window, "Caption", std::string(4093, 'x')));
  EXPECT_NE("", Refusal(window, "Caption", std::string(4094, 'x')));

  // An empty name is refused only once the value is finished, so that it can be retyped.
  EXPECT_EQ("", Refusal(button, "Name", ""));
  EXPECT_NE("", CommitRefusal(button, "Name", ""));
  EXPECT_EQ("", CommitRefusal(button, "Caption", ""));
  EXPECT_EQ("", CommitRefusal(window, "onInit", ""));
}

}  // namespace
