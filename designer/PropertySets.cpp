#include "designer/PropertySets.h"

#include <cstdint>

#include "common/Text.h"
#include "designer/WinText.h"

namespace kvproperties {

namespace {

using Text = std::string KVControlRecord::*;
using Number = std::int32_t KVControlRecord::*;

// What a row stands for and how its value maps onto the record.
enum class Shape {
  Text,         // a text field, as typed
  Number,       // a number field, "%d"
  ShownNumber,  // a number field shown greyed; the platform decides it
  Flag,         // yes/no: "True" sets bits, "False" clears them
  Alignment,    // a static text's "Left", "Center" or "Right"
  DropdownList, // a combo box's low two style bits: 3 or 2
  Font,         // fontLabel and fontData
};

struct Property {
  const char* group;
  const char* label;
  Shape shape;
  Text text = nullptr;
  Number number = nullptr;
  std::int32_t bits = 0;       // Flag: the bits "True" sets and "False" clears
  std::int32_t shownBit = 0;   // Flag: the bit that makes the row show "True"; 0 means bits
  bool offWhileMultiline = false;
};

constexpr const char* kAppearance = "Appearance";
constexpr const char* kBehavior = "Behavior";
constexpr const char* kProgramming = "Programming";

constexpr std::int32_t kBorder = 0x00800000;
constexpr std::int32_t kClientEdge = 0x00000200;
constexpr std::int32_t kMultilineBits = 0x1044;  // ES_MULTILINE, ES_AUTOVSCROLL, ES_WANTRETURN
constexpr std::int32_t kMultiline = 0x0004;
constexpr std::int32_t kAlignmentBits = 0x3;     // SS_CENTER, SS_RIGHT
constexpr std::int32_t kComboTypeBits = 0x3;

constexpr Property Caption{kAppearance, "Caption", Shape::Text, &KVControlRecord::caption};
constexpr Property X{kAppearance, "X", Shape::Number, nullptr, &KVControlRecord::x};
constexpr Property Y{kAppearance, "Y", Shape::Number, nullptr, &KVControlRecord::y};
constexpr Property Width{kAppearance, "Width", Shape::Number, nullptr, &KVControlRecord::width};
constexpr Property Height{kAppearance, "Height", Shape::Number, nullptr, &KVControlRecord::height};
constexpr Property ComboHeight{kAppearance, "Height", Shape::ShownNumber, nullptr, &KVControlRecord::height};
constexpr Property Border{kAppearance, "Border", Shape::Flag, nullptr, &KVControlRecord::style, kBorder};
constexpr Property ClientEdge{kAppearance, "Client Edge", Shape::Flag, nullptr, &KVControlRecord::exStyle,
                              kClientEdge};
constexpr Property Font{kAppearance, "Font", Shape::Font};
constexpr Property Name{kProgramming, "Name", Shape::Text, &KVControlRecord::name};

constexpr Property kButton[] = {
    Caption, X, Y, Width, Height, Border, ClientEdge,
    {kAppearance, "Default Button", Shape::Flag, nullptr, &KVControlRecord::style, 0x1},
    Font, Name,
    {kProgramming, "onClick", Shape::Text, &KVControlRecord::handler},
};

constexpr Property kCheck[] = {Caption, X, Y, Width, Height, Border, ClientEdge, Font, Name};

constexpr Property kEdit[] = {
    X, Y, Width, Height, Border, ClientEdge,
    {kAppearance, "Horizontal Scroll", Shape::Flag, nullptr, &KVControlRecord::style, 0x00100000},
    {kAppearance, "Vertical Scroll", Shape::Flag, nullptr, &KVControlRecord::style, 0x00200000},
    Font,
    {kBehavior, "Multiline", Shape::Flag, nullptr, &KVControlRecord::style, kMultilineBits, kMultiline},
    {kBehavior, "Auto HScroll", Shape::Flag, nullptr, &KVControlRecord::style, 0x80, 0, true},
    {kBehavior, "Password", Shape::Flag, nullptr, &KVControlRecord::style, 0x20, 0, true},
    Name,
};

constexpr Property kText[] = {
    Caption, X, Y, Width, Height, Border, ClientEdge,
    {kAppearance, "Horizontal Alignment", Shape::Alignment},
    {kAppearance, "Center Vertically", Shape::Flag, nullptr, &KVControlRecord::style, 0x200},
    Font, Name,
};

constexpr Property kCombo[] = {
    X, Y, Width, ComboHeight, Border, ClientEdge, Font,
    {kBehavior, "Dropdown List", Shape::DropdownList},
    {kBehavior, "Sort", Shape::Flag, nullptr, &KVControlRecord::style, 0x100},
    Name,
};

constexpr Property kListView[] = {
    X, Y, Width, Height, Border, ClientEdge,
    {kAppearance, "Always Show Selection", Shape::Flag, nullptr, &KVControlRecord::style, 0x8},
    {kAppearance, "Select Full Row", Shape::Flag, nullptr, &KVControlRecord::listViewExStyle, 0x20},
    {kAppearance, "Grid Lines", Shape::Flag, nullptr, &KVControlRecord::listViewExStyle, 0x1},
    {kAppearance, "Hide Column Header", Shape::Flag, nullptr, &KVControlRecord::style, 0x4000},
    Font, Name,
};

constexpr Property kTreeView[] = {
    X, Y, Width, Height, Border, ClientEdge,
    {kAppearance, "Always Show Selection", Shape::Flag, nullptr, &KVControlRecord::style, 0x20},
    {kAppearance, "Has Buttons", Shape::Flag, nullptr, &KVControlRecord::style, 0x1},
    {kAppearance, "Has Lines", Shape::Flag, nullptr, &KVControlRecord::style, 0x2},
    {kAppearance, "Lines At Root", Shape::Flag, nullptr, &KVControlRecord::style, 0x4},
    Font, Name,
};

constexpr Property kWindow[] = {
    Caption, Width, Height,
    {kAppearance, "Minimize Box", Shape::Flag, nullptr, &KVControlRecord::style, 0x20000},
    // WS_THICKFRAME and WS_MAXIMIZEBOX go together; the frame alone decides what is shown.
    {kAppearance, "Resizeable", Shape::Flag, nullptr, &KVControlRecord::style, 0x50000, 0x40000},
    Font,
    {kProgramming, "onInit", Shape::Text, &KVControlRecord::initHandler},
    {kProgramming, "onSysClose", Shape::Text, &KVControlRecord::closeHandler},
};

struct PropertySet {
  const Property* begin;
  const Property* end;
};

template <std::size_t N>
constexpr PropertySet SetOf(const Property (&table)[N]) {
  return {table, table + N};
}

PropertySet SetFor(std::string_view kind) {
  if (kind == "button") return SetOf(kButton);
  if (kind == "check") return SetOf(kCheck);
  if (kind == "edit") return SetOf(kEdit);
  if (kind == "text") return SetOf(kText);
  if (kind == "combo") return SetOf(kCombo);
  if (kind == "listview") return SetOf(kListView);
  if (kind == "treeview") return SetOf(kTreeView);
  if (kind == "Window") return SetOf(kWindow);
  return {nullptr, nullptr};
}

const Property* Find(std::string_view kind, std::string_view label) {
  const PropertySet set = SetFor(kind);
  for (const Property* property = set.begin; property != set.end; ++property) {
    if (label == property->label) return property;
  }
  return nullptr;
}

std::string YesNo(bool on) { return std::string(on ? kTrue : kFalse); }

std::string ShownValue(const KVControlRecord& record, const Property& property) {
  switch (property.shape) {
    case Shape::Text: return record.*property.text;
    case Shape::Number:
    case Shape::ShownNumber: return std::to_string(record.*property.number);
    case Shape::Flag: {
      // Multiline makes the edit control ignore these bits; they read as off while it is set.
      if (property.offWhileMultiline && (record.style & kMultiline) != 0) return YesNo(false);
      const std::int32_t shown = property.shownBit != 0 ? property.shownBit : property.bits;
      return YesNo((record.*property.number & shown) == shown);
    }
    case Shape::Alignment:
      if (record.style & 0x1) return "Center";
      if (record.style & 0x2) return "Right";
      return "Left";
    case Shape::DropdownList: return YesNo((record.style & kComboTypeBits) == kComboTypeBits);
    case Shape::Font: return record.fontLabel;
  }
  return {};
}

std::vector<std::string> ChoicesOf(const Property& property) {
  switch (property.shape) {
    case Shape::Flag:
    case Shape::DropdownList: return {std::string(kTrue), std::string(kFalse)};
    case Shape::Alignment: return {"Left", "Center", "Right"};
    case Shape::Font: return {std::string(kDefaultFont), std::string(kChooseFont)};
    default: return {};
  }
}

bool EnabledOf(const KVControlRecord& record, const Property& property) {
  if (property.shape == Shape::ShownNumber) return false;
  return !(property.offWhileMultiline && (record.style & kMultiline) != 0);
}

void SetBits(std::int32_t& field, std::int32_t bits, bool on) {
  field = on ? (field | bits) : (field & ~bits);
}

// The control's line with its CR LF, as the writer would make it, in bytes.
std::size_t ControlLineBytes(const KVControlRecord& control) {
  std::size_t bytes = control.kind.size() + 2;
  for (std::int32_t number : {control.style, control.exStyle, control.listViewExStyle, control.id, control.x,
                              control.y, control.width, control.height}) {
    bytes += 1 + std::to_string(number).size();
  }
  for (const std::string* text : {&control.name, &control.caption, &control.handler, &control.fontLabel,
                                  &control.fontData}) {
    bytes += 3 + text->size();
  }
  return bytes;
}

}  // namespace

std::vector<KVPropertyRow> RowsFor(const KVControlRecord& record) {
  std::vector<KVPropertyRow> rows;
  const PropertySet set = SetFor(record.kind);
  // The groups in the order the table first names them, each group's rows together.
  std::vector<std::string> groups;
  for (const Property* property = set.begin; property != set.end; ++property) {
    bool known = false;
    for (const std::string& group : groups) known = known || group == property->group;
    if (!known) groups.emplace_back(property->group);
  }
  for (const std::string& group : groups) {
    for (const Property* property = set.begin; property != set.end; ++property) {
      if (group != property->group) continue;
      KVPropertyRow row;
      row.group = group;
      row.label = property->label;
      row.value = ShownValue(record, *property);
      row.enabled = EnabledOf(record, *property);
      row.choices = ChoicesOf(*property);
      row.editor = row.choices.empty() ? KVRowEditor::Text : KVRowEditor::Choice;
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

bool Set(KVControlRecord& record, std::string_view label, std::string_view value) {
  const Property* property = Find(record.kind, label);
  if (!property) return false;
  const bool on = value == kTrue;
  switch (property->shape) {
    case Shape::Text: record.*property->text = std::string(value); return true;
    case Shape::Number: record.*property->number = kvtext::LeadingInt32(value); return true;
    case Shape::ShownNumber: return false;
    case Shape::Flag: SetBits(record.*property->number, property->bits, on); return true;
    case Shape::Alignment:
      record.style &= ~kAlignmentBits;
      if (value == "Center") record.style |= 0x1;
      if (value == "Right") record.style |= 0x2;
      return true;
    case Shape::DropdownList:
      record.style = (record.style & ~kComboTypeBits) | (on ? 0x3 : 0x2);
      return true;
    case Shape::Font:
      if (value != kDefaultFont) return false;
      record.fontLabel = std::string(kDefaultFont);
      record.fontData.clear();
      return true;
  }
  return false;
}

void SetChosenFont(KVControlRecord& record, const KVLogFont& font, int tenthsOfPoint) {
  record.fontLabel = KVLogFont::Label(font.faceName, tenthsOfPoint);
  record.fontData = font.Format();
}

std::string Refusal(const KVControlRecord& record, std::string_view label, std::string_view value) {
  const Property* property = Find(record.kind, label);
  if (!property || property->shape != Shape::Text) return {};
  if (!kvwinfile::FitsLine(value)) return "A dialog window file cannot store line breaks or NUL characters.";
  const bool header = record.kind == "Window";
  if (!header && !KVWinFile::StorableText(value)) {
    return "A dialog window file cannot store a double quote in " + std::string(label) +
           ": the quote would end the text there.";
  }
  if (header) {
    if (value.size() + 2 > KVWinFile::kMaxLineBytes) {
      return "Too long: a line of a dialog window file holds at most 4,093 bytes of text.";
    }
    return {};
  }
  KVControlRecord candidate = record;
  candidate.*property->text = std::string(value);
  if (ControlLineBytes(candidate) > KVWinFile::kMaxLineBytes) {
    return "Too long: a control's line in a dialog window file holds at most 4,095 bytes, and this one "
           "would take " + std::to_string(ControlLineBytes(candidate)) + ".";
  }
  return {};
}

std::string CommitRefusal(const KVControlRecord& record, std::string_view label, std::string_view value) {
  std::string reason = Refusal(record, label, value);
  if (reason.empty() && value.empty() && record.kind != "Window" && label == "Name") {
    reason = "A control needs a name: the program reaches the control by it.";
  }
  return reason;
}

}  // namespace kvproperties
