#include "editing/ApiCatalogue.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace {

using kvapi::ControlKind;
using kvapi::SenseObjectKind;
using namespace std::string_view_literals;

struct ListEntry {
  std::string_view name;
  int image = 0;
};

// Splits a member list into its entries; a malformed list fails the calling test.
std::vector<ListEntry> Entries(std::string_view list) {
  std::vector<ListEntry> entries;
  if (list.empty()) return entries;
  std::size_t start = 0;
  while (true) {
    const std::size_t blank = list.find(' ', start);
    const std::string_view entry = list.substr(start, blank == std::string_view::npos ? blank : blank - start);
    const std::size_t mark = entry.find('?');
    EXPECT_NE(mark, std::string_view::npos) << "entry without an image: '" << entry << "'";
    EXPECT_EQ(mark, entry.size() - 2) << "image id is not one digit: '" << entry << "'";
    if (mark == std::string_view::npos || mark + 2 != entry.size()) return entries;
    EXPECT_GT(mark, 0u) << "entry without a name";
    entries.push_back({entry.substr(0, mark), entry[mark + 1] - '0'});
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  return entries;
}

std::vector<std::string_view> Namespaces() { return {"kv", "kv.fs", "kv.fs.path", "kv.sqlite3"}; }

std::string_view NamespaceList(std::string_view ns) { return kvapi::NamespaceMemberList(ns, {}).value_or(""); }

// The global signatures whose name is ns + "." + one more name.
std::vector<std::string_view> DirectMembers(std::string_view ns) {
  std::vector<std::string_view> names;
  for (const kvapi::ApiEntry& entry : kvapi::GlobalSignatures()) {
    const std::string_view name = entry.name;
    if (name.size() > ns.size() + 1 && name.substr(0, ns.size()) == ns && name[ns.size()] == '.' &&
        name.find('.', ns.size() + 1) == std::string_view::npos) {
      names.push_back(name.substr(ns.size() + 1));
    }
  }
  return names;
}

bool IsBareType(std::string_view signature) {
  return signature == "number" || signature == "boolean" || signature == "string";
}

bool HasCall(std::string_view signature) { return signature.find('(') != std::string_view::npos; }

std::string_view LastSegment(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// --- Counts --------------------------------------------------------------------------------

TEST(ApiCatalogueCounts, GlobalSignaturesPerNamespace) {
  EXPECT_EQ(kvapi::GlobalSignatures().size(), 66u);
  const struct {
    std::string_view ns;
    std::size_t count;
  } cases[] = {{"kv", 17}, {"kv.fs", 17}, {"kv.fs.path", 11}, {"kv.sqlite3", 21}, {"kv.lib", 0}};
  for (const auto& c : cases) EXPECT_EQ(DirectMembers(c.ns).size(), c.count) << c.ns;
}

TEST(ApiCatalogueCounts, MemberSignatureTables) {
  const struct {
    SenseObjectKind kind;
    std::size_t count;
  } objects[] = {{SenseObjectKind::File, 13}, {SenseObjectKind::Http, 19}, {SenseObjectKind::XML, 3},
                 {SenseObjectKind::Window, 2}};
  for (const auto& c : objects) EXPECT_EQ(kvapi::MemberSignatures(c.kind).size(), c.count) << int(c.kind);

  const struct {
    ControlKind kind;
    std::size_t count;
  } controls[] = {{ControlKind::button, 0}, {ControlKind::check, 0},    {ControlKind::edit, 0},
                  {ControlKind::text, 0},   {ControlKind::combo, 4},    {ControlKind::listview, 10},
                  {ControlKind::treeview, 4}};
  for (const auto& c : controls) EXPECT_EQ(kvapi::MemberSignatures(c.kind).size(), c.count) << int(c.kind);
}

TEST(ApiCatalogueCounts, MemberListEntries) {
  const struct {
    std::string_view ns;
    std::size_t count;
  } namespaces[] = {{"kv", 20}, {"kv.fs", 18}, {"kv.fs.path", 11}, {"kv.sqlite3", 21}};
  for (const auto& c : namespaces) EXPECT_EQ(Entries(NamespaceList(c.ns)).size(), c.count) << c.ns;

  const struct {
    SenseObjectKind kind;
    std::size_t count;
  } objects[] = {{SenseObjectKind::File, 13}, {SenseObjectKind::Http, 19}, {SenseObjectKind::XML, 3},
                 {SenseObjectKind::Window, 11}};
  for (const auto& c : objects) EXPECT_EQ(Entries(kvapi::ObjectMemberList(c.kind)).size(), c.count) << int(c.kind);

  const struct {
    ControlKind kind;
    std::size_t count;
  } controls[] = {{ControlKind::button, 5}, {ControlKind::check, 5},     {ControlKind::edit, 4},
                  {ControlKind::text, 4},   {ControlKind::combo, 7},     {ControlKind::listview, 13},
                  {ControlKind::treeview, 6}};
  for (const auto& c : controls) EXPECT_EQ(Entries(kvapi::ControlMemberList(c.kind)).size(), c.count) << int(c.kind);
}

// --- Lookups -------------------------------------------------------------------------------

TEST(ApiCatalogueLookup, GlobalSignature) {
  const struct {
    std::string_view name;
    std::optional<std::string_view> signature;
  } cases[] = {
      {"kv.fs.readFile", "string readFile(string path)"},
      {"kv.fs.findFirst", "string findFirst(string pattern)"},
      {"kv.fs.ReadFile", std::nullopt},
      {"KV.fs.readFile", std::nullopt},
      {"kv.readFile", std::nullopt},
      {"kv.fs.path.stem", "string stem(string path)"},
      {"kv.stem", std::nullopt},
      {"kv.arg", "string arg(number index)"},
      {"kv.arg ", std::nullopt},
      {" kv.arg", std::nullopt},
      {"kv.arg(", std::nullopt},
      {"kv.arg\0"sv, std::nullopt},
      {"kv.ar", std::nullopt},
      {"kv.Http", "object Http()"},
      {"kv.http", std::nullopt},
      {"kv.XML", "object XML()"},
      {"kv.Window", "object Window(string dialogWindow)"},
      {"kv.fs.File", "object File()"},
      {"kv.File", std::nullopt},
      {"kv.sqlite3.close", "number close(ArrayBuffer dbHandle)"},
      {"kv.sqlite3.bind_text",
       "number bind_text(ArrayBuffer statementHandle, number index, string value, [number byteCount=1])"},
      {"kv.sqlite3.last_insert_rowid", "number last_insert_rowid(ArrayBuffer dbHandle)"},
      {"kv.sqlite3.last_insert_rowid64", "BigInt last_insert_rowid64(ArrayBuffer dbHandle)"},
      {"kv.sqlite3.last_insert_rowid6", std::nullopt},
      {"kv", std::nullopt},
      {"kv.fs", std::nullopt},
      {"kv.fs.path", std::nullopt},
      {"kv.lib", std::nullopt},
      {"kv.fs.path.", std::nullopt},
      {"", std::nullopt},
      {"open", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(kvapi::GlobalSignature(c.name), c.signature) << "'" << c.name << "'";
}

TEST(ApiCatalogueLookup, ObjectMemberSignature) {
  const struct {
    SenseObjectKind kind;
    std::string_view member;
    std::optional<std::string_view> signature;
  } cases[] = {
      {SenseObjectKind::Http, "statusCode", "number"},
      {SenseObjectKind::Http, "StatusCode", std::nullopt},
      {SenseObjectKind::Http, "open", "boolean open(string url)"},
      {SenseObjectKind::Http, "post", "boolean post(string | dataView data, [number size])"},
      {SenseObjectKind::File, "open", "boolean open(string path, [string mode='R'])"},
      {SenseObjectKind::File, "eol", "number"},
      {SenseObjectKind::File, "eof", "boolean eof()"},
      {SenseObjectKind::File, "statusCode", std::nullopt},
      {SenseObjectKind::File, "", std::nullopt},
      {SenseObjectKind::Window, "open", "boolean open()"},
      {SenseObjectKind::Window, "caption", std::nullopt},
      {SenseObjectKind::XML, "open", std::nullopt},
      {SenseObjectKind::XML, "readXPath", "string readXPath(string XPath, [number occurrance=1])"},
      {SenseObjectKind::XML, "kv.XML", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvapi::MemberSignature(c.kind, c.member), c.signature) << int(c.kind) << " '" << c.member << "'";
  }
}

TEST(ApiCatalogueLookup, ControlMemberSignature) {
  const struct {
    ControlKind kind;
    std::string_view member;
    std::optional<std::string_view> signature;
  } cases[] = {
      {ControlKind::listview, "setRedraw", std::nullopt},
      {ControlKind::listview, "enable", "boolean enable(boolean enable)"},
      {ControlKind::combo, "enable", "boolean enable(boolean enable)"},
      {ControlKind::treeview, "enable", "boolean enable(boolean enable)"},
      {ControlKind::button, "enable", std::nullopt},
      {ControlKind::check, "enable", std::nullopt},
      {ControlKind::edit, "enable", std::nullopt},
      {ControlKind::text, "enable", std::nullopt},
      {ControlKind::listview, "insertItem", "number insertItem(number index, string value)"},
      {ControlKind::treeview, "insertItem",
       "number insertItem(number parent, string value, [number image=0], [number selectedImage=0])"},
      {ControlKind::combo, "insertItem", std::nullopt},
      {ControlKind::combo, "hwnd", std::nullopt},
      {ControlKind::combo, "setSize", "boolean setSize(number lineCount)"},
      {ControlKind::listview, "getItemText", "string getItemText(number index, [number item=0])"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvapi::MemberSignature(c.kind, c.member), c.signature) << int(c.kind) << " '" << c.member << "'";
  }
}

TEST(ApiCatalogueLookup, Namespaces) {
  const struct {
    std::string_view text;
    bool isNamespace;
  } cases[] = {
      {"kv", true},         {"kv.fs", true},     {"kv.fs.path", true}, {"kv.sqlite3", true},
      {"kv.lib", true},     {"KV", false},       {"kv.", false},       {"kv.Fs", false},
      {"kv.fs.", false},    {"kv.sqlite", false}, {"kv.fs.File", false}, {"kv.fs.path.stem", false},
      {"kv.lib ", false},   {" kv", false},      {"fs", false},        {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvapi::IsNamespace(c.text), c.isNamespace) << "'" << c.text << "'";
    EXPECT_EQ(kvapi::NamespaceMemberList(c.text, "LibFunction").has_value(), c.isNamespace) << "'" << c.text << "'";
  }
}

TEST(ApiCatalogueLookup, LibraryNamespaceListsWhatTheProjectDeclares) {
  EXPECT_EQ(kvapi::NamespaceMemberList("kv.lib", "MessageBoxA GetTickCount"), "MessageBoxA GetTickCount");
  // No declared function: an empty list, which the editor does not show.
  EXPECT_EQ(kvapi::NamespaceMemberList("kv.lib", ""), "");
  // The library names never leak into another namespace.
  EXPECT_EQ(NamespaceList("kv").find("MessageBoxA"), std::string_view::npos);
  EXPECT_EQ(kvapi::NamespaceMemberList("kv", "MessageBoxA"), NamespaceList("kv"));
}

TEST(ApiCatalogueLookup, OutOfRangeKindsHaveNothing) {
  for (int value : {0, 8, -1}) {
    const auto kind = static_cast<ControlKind>(value);
    EXPECT_EQ(kvapi::ControlMemberList(kind), "") << value;
    EXPECT_EQ(kvapi::ControlKeyword(kind), "") << value;
    EXPECT_EQ(kvapi::MemberSignatures(kind).size(), 0u) << value;
    EXPECT_EQ(kvapi::MemberSignature(kind, "enable"), std::nullopt) << value;
  }
  for (int value : {4, -1}) {
    const auto kind = static_cast<SenseObjectKind>(value);
    EXPECT_EQ(kvapi::ObjectMemberList(kind), "") << value;
    EXPECT_EQ(kvapi::MemberSignature(kind, "open"), std::nullopt) << value;
  }
}

// --- Control keywords ----------------------------------------------------------------------

TEST(ApiCatalogueControls, KindAtStartOfALine) {
  const struct {
    std::string_view text;
    std::optional<ControlKind> kind;
  } cases[] = {
      {"button 1 2 3", ControlKind::button},
      {"BUTTON", ControlKind::button},
      {"Check", ControlKind::check},
      {"edit", ControlKind::edit},
      {"text", ControlKind::text},
      {"tex", std::nullopt},
      {"combo", ControlKind::combo},
      {"ListView", ControlKind::listview},
      {"treeVIEW", ControlKind::treeview},
      {"treeview2", ControlKind::treeview},
      {"tree", std::nullopt},
      {" button", std::nullopt},
      {"menu", std::nullopt},
      {"endmenu", std::nullopt},
      {"static", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(kvapi::ControlKindAtStart(c.text), c.kind) << "'" << c.text << "'";
}

TEST(ApiCatalogueControls, EveryKeywordNamesItsOwnKind) {
  for (ControlKind kind : kvapi::kControlKinds) {
    EXPECT_EQ(kvapi::ControlKindAtStart(kvapi::ControlKeyword(kind)), kind) << kvapi::ControlKeyword(kind);
  }
}

// --- Agreement between lists and signatures ------------------------------------------------

TEST(ApiCatalogueConsistency, MemberListsHaveNoDuplicateNames) {
  std::vector<std::string_view> lists;
  for (std::string_view ns : Namespaces()) lists.push_back(NamespaceList(ns));
  for (SenseObjectKind kind : kvapi::kObjectKinds) lists.push_back(kvapi::ObjectMemberList(kind));
  for (ControlKind kind : kvapi::kControlKinds) lists.push_back(kvapi::ControlMemberList(kind));
  for (std::string_view list : lists) {
    std::set<std::string_view> seen;
    for (const ListEntry& entry : Entries(list)) {
      EXPECT_TRUE(seen.insert(entry.name).second) << "twice: " << entry.name << " in '" << list << "'";
      EXPECT_GE(entry.image, kvapi::kImageFunction) << entry.name;
      EXPECT_LE(entry.image, kvapi::kImageObject) << entry.name;
    }
  }
}

// Every function of a namespace is offered after its "." with the function picture; every
// sub-namespace and constructor with the object picture.
TEST(ApiCatalogueConsistency, NamespaceListsMatchTheGlobalSignatures) {
  for (std::string_view ns : Namespaces()) {
    const std::vector<ListEntry> entries = Entries(NamespaceList(ns));
    for (const ListEntry& entry : entries) {
      const std::string full = std::string(ns) + "." + std::string(entry.name);
      const auto signature = kvapi::GlobalSignature(full);
      if (entry.image == kvapi::kImageFunction) {
        ASSERT_TRUE(signature.has_value()) << full;
        EXPECT_NE(signature->substr(0, 7), "object ") << full;
      } else if (entry.image == kvapi::kImageObject) {
        const bool constructor = signature && signature->substr(0, 7) == "object ";
        EXPECT_NE(kvapi::IsNamespace(full), constructor) << full;
      } else {
        ADD_FAILURE() << "a namespace holds no properties: " << full;
      }
    }
    for (std::string_view name : DirectMembers(ns)) {
      EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [name](const ListEntry& e) { return e.name == name; }))
          << ns << "." << name << " is missing from the member list";
    }
  }
}

// What a member list offers as a function has a call signature and what it offers as a property
// has none or a bare type, with the few documented gaps where a listed method has no signature.
void ExpectListMatchesTable(std::string_view list, kvapi::ApiTable table,
                            const std::vector<std::string_view>& unsignedMethods, const std::string& what) {
  const std::vector<ListEntry> entries = Entries(list);
  for (const ListEntry& entry : entries) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&entry](const kvapi::ApiEntry& e) { return e.name == entry.name; });
    const bool documentedGap =
        std::find(unsignedMethods.begin(), unsignedMethods.end(), entry.name) != unsignedMethods.end();
    if (entry.image == kvapi::kImageFunction) {
      if (documentedGap) {
        EXPECT_EQ(it, table.end()) << what << " " << entry.name;
      } else {
        ASSERT_NE(it, table.end()) << what << " " << entry.name << " has no signature";
        EXPECT_TRUE(HasCall(it->signature)) << what << " " << entry.name << ": " << it->signature;
      }
    } else {
      EXPECT_EQ(entry.image, kvapi::kImageProperty) << what << " " << entry.name;
      if (it != table.end()) {
        EXPECT_TRUE(IsBareType(it->signature)) << what << " " << entry.name;
      }
    }
  }
  for (const kvapi::ApiEntry& e : table) {
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [&e](const ListEntry& l) { return l.name == e.name; }))
        << what << " " << e.name << " is missing from the member list";
  }
}

TEST(ApiCatalogueConsistency, ObjectListsMatchTheirSignatures) {
  for (SenseObjectKind kind : kvapi::kObjectKinds) {
    ExpectListMatchesTable(kvapi::ObjectMemberList(kind), kvapi::MemberSignatures(kind), {},
                           "object " + std::to_string(int(kind)));
  }
}

TEST(ApiCatalogueConsistency, ControlListsMatchTheirSignatures) {
  const struct {
    ControlKind kind;
    std::vector<std::string_view> unsignedMethods;
  } cases[] = {
      {ControlKind::button, {"enable"}}, {ControlKind::check, {"enable"}}, {ControlKind::edit, {"enable"}},
      {ControlKind::text, {"enable"}},   {ControlKind::combo, {}},         {ControlKind::listview, {"setRedraw"}},
      {ControlKind::treeview, {}},
  };
  for (const auto& c : cases) {
    ExpectListMatchesTable(kvapi::ControlMemberList(c.kind), kvapi::MemberSignatures(c.kind), c.unsignedMethods,
                           std::string(kvapi::ControlKeyword(c.kind)));
  }
}

TEST(ApiCatalogueConsistency, WindowListOffersControlsOnlyAfterItsStart) {
  // The caller appends the controls as " name?3"; the fixed start has no object entries and
  // does not end in a blank that would make an empty entry.
  for (const ListEntry& entry : Entries(kvapi::ObjectMemberList(SenseObjectKind::Window))) {
    EXPECT_NE(entry.image, kvapi::kImageObject) << entry.name;
  }
  EXPECT_NE(kvapi::ObjectMemberList(SenseObjectKind::Window).back(), ' ');
}

// --- Signature text ------------------------------------------------------------------------

// "result name(type param, [type param=default])": the name agrees with the key it is filed
// under and every type is one the runtime's documentation uses.
void ExpectWellFormed(std::string_view key, std::string_view signature) {
  const std::set<std::string_view> results = {"string", "number", "boolean", "object", "ArrayBuffer", "BigInt"};
  const std::set<std::string_view> parameters = {"string",      "number", "boolean",          "ArrayBuffer",
                                                 "BigInt",      "dataView", "string | dataView"};
  if (IsBareType(signature)) return;
  const std::size_t blank = signature.find(' ');
  const std::size_t open = signature.find('(');
  ASSERT_TRUE(blank != std::string_view::npos && open != std::string_view::npos && blank < open) << signature;
  ASSERT_EQ(signature.back(), ')') << signature;
  EXPECT_EQ(results.count(signature.substr(0, blank)), 1u) << signature;
  EXPECT_EQ(signature.substr(blank + 1, open - blank - 1), LastSegment(key)) << signature;

  std::string_view rest = signature.substr(open + 1, signature.size() - open - 2);
  bool optionalSeen = false;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(", ");
    std::string_view parameter = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);
    const bool optional = parameter.front() == '[';
    if (optional) {
      ASSERT_EQ(parameter.back(), ']') << signature;
      parameter = parameter.substr(1, parameter.size() - 2);
      parameter = parameter.substr(0, parameter.find('='));
    }
    EXPECT_TRUE(optional || !optionalSeen) << "required after optional: " << signature;
    optionalSeen = optionalSeen || optional;
    const std::size_t last = parameter.rfind(' ');
    ASSERT_NE(last, std::string_view::npos) << "parameter without a type: " << signature;
    EXPECT_EQ(parameters.count(parameter.substr(0, last)), 1u) << parameter << " in " << signature;
  }
}

TEST(ApiCatalogueSignatures, EveryEntryIsWellFormed) {
  for (const kvapi::ApiEntry& e : kvapi::GlobalSignatures()) ExpectWellFormed(e.name, e.signature);
  for (SenseObjectKind kind : kvapi::kObjectKinds) {
    for (const kvapi::ApiEntry& e : kvapi::MemberSignatures(kind)) ExpectWellFormed(e.name, e.signature);
  }
  for (ControlKind kind : kvapi::kControlKinds) {
    for (const kvapi::ApiEntry& e : kvapi::MemberSignatures(kind)) ExpectWellFormed(e.name, e.signature);
  }
}

}  // namespace
