// The expression before the caret, which both the member list and the call tip look up.
//
// The editor hands over the text of the caret's line from its start and the caret's offset in
// it, in bytes; the character just typed ("." or "(") is the byte before the caret and is not
// part of the expression. The walk goes back from the byte before that one to the nearest
// blank, tab or "(", so "x=kv" stays one expression (and matches nothing) while "(kv" and
// " kv" give "kv".
//
// The text is only looked at, never copied into a buffer, so a line of any length (the
// editor's lines are not bound by the 4,095-byte rule of file scanning) is handled whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kvsense {

// Nothing when the caret is less than two bytes into its line (nothing can precede the typed
// character) or lies past the end of the text given; otherwise the expression, which may be
// empty.
std::optional<std::string_view> ExpressionBeforeCaret(std::string_view line, std::size_t caret);

// What a typed character asks of the engine.
enum class Trigger { None, MemberList, CallTip, CancelCallTip };
Trigger TriggerFor(char typed);

}  // namespace kvsense
