// The fixed vocabulary of the KelVox.js runtime as code assistance knows it: the call-tip
// signature of every runtime function, object member and control member, and the
// autocompletion member list of every namespace, object kind and control kind.
//
// The tables are compile-time constants; there is nothing to build or free and every
// operation is a lookup without side effects. Keys are exact, case-sensitive byte strings.
//
// Signature text is shown verbatim as a call tip: "result name(type param, [type opt=default])"
// for a function, the bare type ("number", "boolean", "string") for a property.
//
// Member list text is what the editor's autocompletion list takes: entries separated by one
// blank, each "name?image" with image 1 for a function or method, 2 for a property and 3 for
// an object or namespace with members of its own. The editor sorts the list itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kvapi {

// Kinds of runtime object a declared variable can hold.
enum class SenseObjectKind : int {
  Window = 0,
  File = 1,
  Http = 2,
  XML = 3,
};

// Control kinds, named after the control keywords of dialog-window files.
enum class ControlKind : int {
  button = 1,
  check = 2,
  edit = 3,
  text = 4,
  combo = 5,
  listview = 6,
  treeview = 7,
};

inline constexpr SenseObjectKind kObjectKinds[] = {SenseObjectKind::Window, SenseObjectKind::File,
                                                   SenseObjectKind::Http, SenseObjectKind::XML};
inline constexpr ControlKind kControlKinds[] = {
    ControlKind::button, ControlKind::check,    ControlKind::edit,    ControlKind::text,
    ControlKind::combo,  ControlKind::listview, ControlKind::treeview};

// Image ids of member-list entries; the editor registers a picture for each.
inline constexpr int kImageFunction = 1;
inline constexpr int kImageProperty = 2;
inline constexpr int kImageObject = 3;

struct ApiEntry {
  std::string_view name;
  std::string_view signature;
};

// One signature table, its entries in ascending byte order of their names.
struct ApiTable {
  const ApiEntry* first = nullptr;
  std::size_t count = 0;

  const ApiEntry* begin() const { return first; }
  const ApiEntry* end() const { return first + count; }
  std::size_t size() const { return count; }
};

// --- Signatures ---------------------------------------------------------------------------

// Functions and constructors by fully qualified name, e.g. "kv.fs.readFile".
std::optional<std::string_view> GlobalSignature(std::string_view fullName);

// Members of an object or a control by member name. Button, check, edit and text have none.
std::optional<std::string_view> MemberSignature(SenseObjectKind kind, std::string_view member);
std::optional<std::string_view> MemberSignature(ControlKind kind, std::string_view member);

// The whole tables, for whoever needs to walk them.
ApiTable GlobalSignatures();
ApiTable MemberSignatures(SenseObjectKind kind);
ApiTable MemberSignatures(ControlKind kind);

// --- Member lists -------------------------------------------------------------------------

// True only for the five namespaces "kv", "kv.fs", "kv.fs.path", "kv.sqlite3" and "kv.lib".
bool IsNamespace(std::string_view text);

// The member list of a namespace, or nothing when text is no namespace (it is then left to
// variable resolution). "kv.lib" has no fixed list: its members are the functions of the
// project's external libraries, which the caller collects and passes as libraryFunctionNames;
// that text is returned as it is, and may be empty.
std::optional<std::string_view> NamespaceMemberList(std::string_view text,
                                                    std::string_view libraryFunctionNames);

// The member list of an object kind. For Window this is only the fixed start: the caller
// appends " <control name>?3" for each control of the window.
std::string_view ObjectMemberList(SenseObjectKind kind);

std::string_view ControlMemberList(ControlKind kind);

// --- Control keywords ---------------------------------------------------------------------

// The dialog-window keyword of a control kind ("button", "listview", ...).
std::string_view ControlKeyword(ControlKind kind);

// The kind whose keyword begins the given text, compared without regard to ASCII case, or
// nothing. This is how a control line of a dialog-window file is classified; no keyword is
// the beginning of another, so at most one can match.
std::optional<ControlKind> ControlKindAtStart(std::string_view text);

}  // namespace kvapi
