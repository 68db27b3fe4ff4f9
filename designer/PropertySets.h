// The property sets of the window designer: which rows the property grid shows for each kind
// of record (the designed window and each control kind), what each row shows, and what a
// committed value does to the record. The grid only draws and edits; every rule about labels,
// values and bits is here, where it needs no window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "designer/LogFont.h"
#include "designer/WinFile.h"

// How a row's value is edited: typed into a text box, or picked from a list.
enum class KVRowEditor : int { Text = 0, Choice = 1 };

struct KVPropertyRow {
  std::string group;  // "Appearance", "Behavior" or "Programming"
  std::string label;
  std::string value;
  bool enabled = true;
  KVRowEditor editor = KVRowEditor::Text;
  std::vector<std::string> choices;  // choice rows only
};

namespace kvproperties {

inline constexpr std::string_view kTrue = "True";
inline constexpr std::string_view kFalse = "False";
inline constexpr std::string_view kFontLabel = "Font";
inline constexpr std::string_view kDefaultFont = "Default";
inline constexpr std::string_view kChooseFont = "Choose Font...";

// The rows of the record's kind in display order, with the record's values and enabled
// states; empty for a kind that has no property set. Rows of one group are adjacent and the
// groups come in the order in which the kind first names them.
std::vector<KVPropertyRow> RowsFor(const KVControlRecord& record);

// Writes a committed value into the record: numbers as atol reads them (0 for text that is
// no number), a yes/no flag on only for exactly "True". False, changing nothing, for a label
// the kind does not have, for a row that is shown only (a combo box's height), and for
// "Choose Font..." (the grid asks the user and calls SetChosenFont).
bool Set(KVControlRecord& record, std::string_view label, std::string_view value);

// The font the font dialog returned: its label "face (points)" and its thirteen numbers and
// face name.
void SetChosenFont(KVControlRecord& record, const KVLogFont& font, int tenthsOfPoint);

// Why value cannot be stored in the row's field of this record, for showing to the user while
// typing; empty when it can. Texts between double quotes cannot hold a double quote, no text
// can hold a CR, LF or NUL, and a control's line or a header line must stay within the line
// length the file allows.
std::string Refusal(const KVControlRecord& record, std::string_view label, std::string_view value);
// Refusal, and what only a finished value can be refused for: an empty control name, which
// the file cannot be saved with.
std::string CommitRefusal(const KVControlRecord& record, std::string_view label, std::string_view value);

}  // namespace kvproperties
