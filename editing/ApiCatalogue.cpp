#include "editing/ApiCatalogue.h"

#include <algorithm>
#include <array>

namespace kvapi {
namespace {

// The tables are written below in the runtime's documentation order and sorted at compile
// time, so that a lookup is a binary search and a duplicate name fails the build.
template <std::size_t N>
constexpr std::array<ApiEntry, N> Sorted(const ApiEntry (&raw)[N]) {
  std::array<ApiEntry, N> table{};
  for (std::size_t i = 0; i < N; ++i) {
    ApiEntry entry = raw[i];
    std::size_t j = i;
    for (; j > 0 && entry.name < table[j - 1].name; --j) table[j] = table[j - 1];
    table[j] = entry;
  }
  return table;
}

template <std::size_t N>
constexpr bool StrictlyAscending(const std::array<ApiEntry, N>& table) {
  for (std::size_t i = 1; i < N; ++i) {
    if (!(table[i - 1].name < table[i].name)) return false;
  }
  return true;
}

template <std::size_t N>
ApiTable View(const std::array<ApiEntry, N>& table) {
  return ApiTable{table.data(), N};
}

constexpr ApiEntry kGlobalEntries[] = {
    // kv
    {"kv.arg", "string arg(number index)"},
    {"kv.argCount", "number argCount()"},
    {"kv.include", "boolean include(string name)"},
    {"kv.is32Bit", "boolean is32Bit()"},
    {"kv.is64Bit", "boolean is64Bit()"},
    {"kv.isMacOS", "boolean isMacOS()"},
    {"kv.isWinOS", "boolean isWinOS()"},
    {"kv.jsVersion", "string jsVersion()"},
    {"kv.msgbox", "number msgbox(string msg, string title)"},
    {"kv.openDirectoryWindow", "string openDirectoryWindow(string title)"},
    {"kv.openFileWindow", "string openFileWindow(string filter)"},
    {"kv.saveFileWindow", "string saveFileWindow(string filter)"},
    {"kv.system", "number system(string command)"},
    {"kv.version", "string version()"},
    {"kv.Http", "object Http()"},
    {"kv.Window", "object Window(string dialogWindow)"},
    {"kv.XML", "object XML()"},
    // kv.fs
    {"kv.fs.appendFile", "boolean appendFile(string path, string data)"},
    {"kv.fs.copyDirectory", "boolean copyDirectory(string source, string destination)"},
    {"kv.fs.copyFile", "boolean copyFile(string source, string destination)"},
    {"kv.fs.createDirectory", "boolean createDirectory(string path)"},
    {"kv.fs.deleteDirectory", "number deleteDirectory(string path)"},
    {"kv.fs.deleteFile", "boolean deleteFile(string path)"},
    {"kv.fs.File", "object File()"},
    {"kv.fs.exists", "boolean exists(string path)"},
    {"kv.fs.fileSize", "number fileSize(string path)"},
    {"kv.fs.findFirst", "string findFirst(string pattern)"},
    {"kv.fs.findNext", "string findNext()"},
    {"kv.fs.getCurrentDirectory", "string getCurrentDirectory()"},
    {"kv.fs.isDirectory", "boolean isDirectory(string path)"},
    {"kv.fs.readFile", "string readFile(string path)"},
    {"kv.fs.rename", "boolean rename(string oldPath, string newPath)"},
    {"kv.fs.setCurrentDirectory", "boolean setCurrentDirectory(string path)"},
    {"kv.fs.writeFile", "boolean writeFile(string path, string data)"},
    // kv.fs.path
    {"kv.fs.path.extension", "string extension(string path)"},
    {"kv.fs.path.filename", "string filename(string path)"},
    {"kv.fs.path.parentPath", "string parentPath(string path)"},
    {"kv.fs.path.relativePath", "string relativePath(string path)"},
    {"kv.fs.path.removeFilename", "string removeFilename(string path)"},
    {"kv.fs.path.replaceExtension", "string replaceExtension(string path, string newExtension)"},
    {"kv.fs.path.replaceFilename", "string replaceFilename(string path, string newFilename)"},
    {"kv.fs.path.rootDirectory", "string rootDirectory(string path)"},
    {"kv.fs.path.rootName", "string rootName(string path)"},
    {"kv.fs.path.rootPath", "string rootPath(string path)"},
    {"kv.fs.path.stem", "string stem(string path)"},
    // kv.sqlite3
    {"kv.sqlite3.bind_blob",
     "number bind_blob(ArrayBuffer statementHandle, number index, ArrayBuffer data, number byteCount)"},
    {"kv.sqlite3.bind_double", "number bind_double(ArrayBuffer statementHandle, number index, number value)"},
    {"kv.sqlite3.bind_int", "number bind_int(ArrayBuffer statementHandle, number index, number value)"},
    {"kv.sqlite3.bind_int64", "number bind_int64(ArrayBuffer statementHandle, number index, BigInt value)"},
    {"kv.sqlite3.bind_text",
     "number bind_text(ArrayBuffer statementHandle, number index, string value, [number byteCount=1])"},
    {"kv.sqlite3.clear_bindings", "number clear_bindings(ArrayBuffer statementHandle)"},
    {"kv.sqlite3.close", "number close(ArrayBuffer dbHandle)"},
    {"kv.sqlite3.column_blob", "ArrayBuffer column_blob(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_bytes", "number column_bytes(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_double", "number column_double(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_int", "number column_int(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_int64", "BigInt column_int64(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_text", "string column_text(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.column_type", "number column_type(ArrayBuffer statementHandle, number index)"},
    {"kv.sqlite3.finalize", "number finalize(ArrayBuffer statementHandle)"},
    {"kv.sqlite3.last_insert_rowid", "number last_insert_rowid(ArrayBuffer dbHandle)"},
    {"kv.sqlite3.last_insert_rowid64", "BigInt last_insert_rowid64(ArrayBuffer dbHandle)"},
    {"kv.sqlite3.open", "number open(string dbPath, ArrayBuffer dbHandle)"},
    {"kv.sqlite3.prepare_v2",
     "number prepare_v2(ArrayBuffer dbHandle, string sqlStatement, number size, ArrayBuffer statementHandle)"},
    {"kv.sqlite3.reset", "number reset(ArrayBuffer statementHandle)"},
    {"kv.sqlite3.step", "number step(ArrayBuffer statementHandle)"},
};

constexpr ApiEntry kFileEntries[] = {
    {"close", "boolean close()"},
    {"eof", "boolean eof()"},
    {"isOpen", "boolean isOpen()"},
    {"open", "boolean open(string path, [string mode='R'])"},
    {"read", "string read(number count)"},
    {"readBin", "number readBin(dataView data, number count)"},
    {"readLine", "string readLine()"},
    {"seek", "boolean seek(number offset, [number origin=1])"},
    {"tell", "number tell()"},
    {"write", "number write(string data)"},
    {"writeBin", "number writeBin(dataView data, number count)"},
    {"writeLine", "number writeLine(string data)"},
    {"eol", "number"},
};

constexpr ApiEntry kHttpEntries[] = {
    {"addHeader", "boolean addHeader(string header)"},
    {"clearHeaders", "boolean clearHeaders()"},
    {"close", "boolean close()"},
    {"get", "boolean get()"},
    {"open", "boolean open(string url)"},
    {"post", "boolean post(string | dataView data, [number size])"},
    {"autoRedirect", "number"},
    {"connectTimeout", "number"},
    {"debug", "boolean"},
    {"debugFile", "string"},
    {"error", "string"},
    {"keepAlive", "boolean"},
    {"maxRedirects", "number"},
    {"response", "string"},
    {"responseFile", "string"},
    {"responseHeaders", "string"},
    {"statusCode", "number"},
    {"userAgent", "string"},
    {"versionInfo", "string"},
};

constexpr ApiEntry kXmlEntries[] = {
    {"load", "boolean load(string XmlStringOrXmlFile)"},
    {"countXPath", "number countXPath(string XPath)"},
    {"readXPath", "string readXPath(string XPath, [number occurrance=1])"},
};

constexpr ApiEntry kWindowEntries[] = {
    {"open", "boolean open()"},
    {"close", "boolean close()"},
};

// Every enable() takes and returns a boolean, as the treeview's does.
constexpr ApiEntry kComboEntries[] = {
    {"addString", "boolean addString(string value)"},
    {"enable", "boolean enable(boolean enable)"},
    {"reset", "boolean reset()"},
    {"setSize", "boolean setSize(number lineCount)"},
};

constexpr ApiEntry kListviewEntries[] = {
    {"addColumn", "number addColumn(string name, number width, [number format=0])"},
    {"addItem", "number addItem(string value)"},
    {"deleteAllItems", "boolean deleteAllItems()"},
    {"deleteItem", "boolean deleteItem(number index)"},
    {"enable", "boolean enable(boolean enable)"},
    {"getItemText", "string getItemText(number index, [number item=0])"},
    {"getSelected", "number getSelected()"},
    {"insertItem", "number insertItem(number index, string value)"},
    {"reset", "boolean reset()"},
    {"setItemText", "boolean setItemText(number index, number item, string value)"},
};

constexpr ApiEntry kTreeviewEntries[] = {
    {"enable", "boolean enable(boolean enable)"},
    {"insertItem", "number insertItem(number parent, string value, [number image=0], [number selectedImage=0])"},
    {"reset", "boolean reset()"},
    {"setBitmap", "boolean setBitmap(string bitmapName)"},
};

constexpr auto kGlobal = Sorted(kGlobalEntries);
constexpr auto kFile = Sorted(kFileEntries);
constexpr auto kHttp = Sorted(kHttpEntries);
constexpr auto kXml = Sorted(kXmlEntries);
constexpr auto kWindow = Sorted(kWindowEntries);
constexpr auto kCombo = Sorted(kComboEntries);
constexpr auto kListview = Sorted(kListviewEntries);
constexpr auto kTreeview = Sorted(kTreeviewEntries);

static_assert(StrictlyAscending(kGlobal), "duplicate name in the global signatures");
static_assert(StrictlyAscending(kFile), "duplicate name in the File signatures");
static_assert(StrictlyAscending(kHttp), "duplicate name in the Http signatures");
static_assert(StrictlyAscending(kXml), "duplicate name in the XML signatures");
static_assert(StrictlyAscending(kWindow), "duplicate name in the Window signatures");
static_assert(StrictlyAscending(kCombo), "duplicate name in the combo signatures");
static_assert(StrictlyAscending(kListview), "duplicate name in the listview signatures");
static_assert(StrictlyAscending(kTreeview), "duplicate name in the treeview signatures");

std::optional<std::string_view> Find(ApiTable table, std::string_view name) {
  const ApiEntry* it = std::lower_bound(table.begin(), table.end(), name,
                                        [](const ApiEntry& entry, std::string_view key) { return entry.name < key; });
  if (it == table.end() || it->name != name) return std::nullopt;
  return it->signature;
}

// isOpen and eof are methods (they have call signatures), so they carry the function picture.
constexpr std::string_view kFileList =
    "close?1 open?1 read?1 readBin?1 readLine?1 seek?1 tell?1 write?1 writeBin?1 writeLine?1 eof?1 eol?2 isOpen?1";
constexpr std::string_view kHttpList =
    "addHeader?1 clearHeaders?1 close?1 get?1 open?1 post?1 autoRedirect?2 connectTimeout?2 debug?2 debugFile?2 "
    "error?2 keepAlive?2 maxRedirects?2 response?2 responseFile?2 responseHeaders?2 statusCode?2 userAgent?2 "
    "versionInfo?2";
constexpr std::string_view kXmlList = "countXPath?1 load?1 readXPath?1";
constexpr std::string_view kWindowList =
    "open?1 close?1 caption?2 height?2 hwnd?2 onInit?2 onSysClose?2 width?2 window?2 windowHeight?2 windowWidth?2";

struct NamespaceList {
  std::string_view name;
  std::string_view members;
};

constexpr NamespaceList kNamespaces[] = {
    {"kv",
     "arg?1 argCount?1 fs?3 include?1 is32Bit?1 is64Bit?1 isMacOS?1 isWinOS?1 jsVersion?1 lib?3 msgbox?1 "
     "openDirectoryWindow?1 openFileWindow?1 saveFileWindow?1 system?1 sqlite3?3 version?1 Http?3 Window?3 XML?3"},
    {"kv.fs",
     "appendFile?1 copyDirectory?1 copyFile?1 createDirectory?1 deleteDirectory?1 deleteFile?1 File?3 exists?1 "
     "fileSize?1 findFirst?1 findNext?1 getCurrentDirectory?1 isDirectory?1 path?3 readFile?1 rename?1 "
     "setCurrentDirectory?1 writeFile?1"},
    {"kv.fs.path",
     "extension?1 filename?1 parentPath?1 relativePath?1 removeFilename?1 replaceExtension?1 replaceFilename?1 "
     "rootDirectory?1 rootName?1 rootPath?1 stem?1"},
    {"kv.sqlite3",
     "bind_blob?1 bind_double?1 bind_int?1 bind_int64?1 bind_text?1 clear_bindings?1 close?1 column_blob?1 "
     "column_bytes?1 column_double?1 column_int?1 column_int64?1 column_text?1 column_type?1 finalize?1 "
     "last_insert_rowid?1 last_insert_rowid64?1 open?1 prepare_v2?1 reset?1 step?1"},
};

constexpr std::string_view kLibraryNamespace = "kv.lib";

struct ControlInfo {
  std::string_view keyword;
  std::string_view members;
};

// Indexed by ControlKind - 1.
constexpr ControlInfo kControls[] = {
    {"button", "enable?1 caption?2 hwnd?2 id?2 onClick?2"},
    {"check", "enable?1 caption?2 checked?2 hwnd?2 id?2"},
    {"edit", "enable?1 hwnd?2 id?2 text?2"},
    {"text", "enable?1 caption?2 hwnd?2 id?2"},
    {"combo", "addString?1 enable?1 reset?1 setSize?1 hwnd?2 id?2 text?2"},
    {"listview",
     "enable?1 addColumn?1 addItem?1 deleteAllItems?1 deleteItem?1 getItemText?1 getSelected?1 insertItem?1 "
     "reset?1 setItemText?1 setRedraw?1 hwnd?2 id?2"},
    {"treeview", "enable?1 insertItem?1 reset?1 setBitmap?1 hwnd?2 id?2"},
};

const ControlInfo* Control(ControlKind kind) {
  const int index = static_cast<int>(kind) - 1;
  if (index < 0 || index >= static_cast<int>(std::size(kControls))) return nullptr;
  return &kControls[index];
}

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

ApiTable GlobalSignatures() { return View(kGlobal); }

ApiTable MemberSignatures(SenseObjectKind kind) {
  switch (kind) {
    case SenseObjectKind::Window: return View(kWindow);
    case SenseObjectKind::File: return View(kFile);
    case SenseObjectKind::Http: return View(kHttp);
    case SenseObjectKind::XML: return View(kXml);
  }
  return {};
}

ApiTable MemberSignatures(ControlKind kind) {
  switch (kind) {
    case ControlKind::combo: return View(kCombo);
    case ControlKind::listview: return View(kListview);
    case ControlKind::treeview: return View(kTreeview);
    case ControlKind::button:
    case ControlKind::check:
    case ControlKind::edit:
    case ControlKind::text: break;
  }
  return {};
}

std::optional<std::string_view> GlobalSignature(std::string_view fullName) { return Find(View(kGlobal), fullName); }

std::optional<std::string_view> MemberSignature(SenseObjectKind kind, std::string_view member) {
  return Find(MemberSignatures(kind), member);
}

std::optional<std::string_view> MemberSignature(ControlKind kind, std::string_view member) {
  return Find(MemberSignatures(kind), member);
}

bool IsNamespace(std::string_view text) {
  if (text == kLibraryNamespace) return true;
  return std::any_of(std::begin(kNamespaces), std::end(kNamespaces),
                     [text](const NamespaceList& ns) { return ns.name == text; });
}

std::optional<std::string_view> NamespaceMemberList(std::string_view text, std::string_view libraryFunctionNames) {
  if (text == kLibraryNamespace) return libraryFunctionNames;
  for (const NamespaceList& ns : kNamespaces) {
    if (ns.name == text) return ns.members;
  }
  return std::nullopt;
}

std::string_view ObjectMemberList(SenseObjectKind kind) {
  switch (kind) {
    case SenseObjectKind::Window: return kWindowList;
    case SenseObjectKind::File: return kFileList;
    case SenseObjectKind::Http: return kHttpList;
    case SenseObjectKind::XML: return kXmlList;
  }
  return {};
}

std::string_view ControlMemberList(ControlKind kind) {
  const ControlInfo* control = Control(kind);
  return control ? control->members : std::string_view{};
}

std::string_view ControlKeyword(ControlKind kind) {
  const ControlInfo* control = Control(kind);
  return control ? control->keyword : std::string_view{};
}

std::optional<ControlKind> ControlKindAtStart(std::string_view text) {
  for (ControlKind kind : kControlKinds) {
    if (StartsWithIgnoringCase(text, ControlKeyword(kind))) return kind;
  }
  return std::nullopt;
}

}  // namespace kvapi
