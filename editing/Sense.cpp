#include "editing/Sense.h"

#include <cstdio>
#include <memory>
#include <set>
#include <utility>

#include "editing/CaretExpression.h"
#include "editing/ExtDeclarations.h"
#include "platform/LineReader.h"
#include "platform/Platform.h"

namespace {

using kvapi::SenseObjectKind;

using File = kvplatform::UniqueFile;

// isspace in the C locale, without the locale.
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipSpace(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsSpace(text[n])) ++n;
  return text.substr(n);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

// Consumes prefix (without regard to case) from text.
bool Take(std::string_view& text, std::string_view prefix) {
  if (!StartsWithNoCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The text between a quote at the start of text and the next same quote.
std::optional<std::string_view> Quoted(std::string_view text) {
  if (text.empty() || !IsQuote(text[0])) return std::nullopt;
  const std::size_t end = text.find(text[0], 1);
  if (end == std::string_view::npos) return std::nullopt;
  return text.substr(1, end - 1);
}

// The file a "kv.include('name')" line names, with either slash made the platform's
// separator and a run of them made one, so that one file is listed once however it is named
// ("lib/a.js", "lib\a.js" and the escaped "lib\\a.js" of a JavaScript string). A leading
// separator is dropped: includes are always relative to "Source Files".
std::optional<std::string> IncludedName(std::string_view line) {
  line = SkipSpace(line);
  if (!Take(line, "kv.include(")) return std::nullopt;
  line = SkipSpace(line);
  if (line.empty() || !IsQuote(line[0]) || StartsWithNoCase(line.substr(1), "http:")) {
    return std::nullopt;
  }
  const std::optional<std::string_view> name = Quoted(line);
  if (!name) return std::nullopt;
  std::string result;
  result.reserve(name->size());
  for (const char c : *name) {
    if (c != '/' && c != '\\') {
      result += c;
    } else if (!result.empty() && result.back() != kvplatform::kPathSeparator) {
      result += kvplatform::kPathSeparator;
    }
  }
  return result;
}

struct Declared {
  std::string name;
  KVSense::SenseObject object;
};

// "var|let|const <name> ... = [new ]kv.<constructor>(...)" at the start of a line.
std::optional<Declared> Declaration(std::string_view line) {
  line = SkipSpace(line);
  if (!Take(line, "var ") && !Take(line, "let ") && !Take(line, "const ")) return std::nullopt;
  line = SkipSpace(line);
  if (line.empty()) return std::nullopt;
  std::size_t end = 1;
  while (end < line.size() && !IsSpace(line[end]) && line[end] != '=') ++end;
  if (end == line.size()) return std::nullopt;
  Declared declared;
  declared.name = std::string(line.substr(0, end));
  std::string_view rest = line.substr(end);
  const std::size_t equals = rest.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  rest = SkipSpace(rest.substr(equals + 1));
  if (rest.empty()) return std::nullopt;
  Take(rest, "new ");
  if (Take(rest, "kv.Window(")) {
    const std::optional<std::string_view> window = Quoted(SkipSpace(rest));
    if (!window) return std::nullopt;
    declared.object = {SenseObjectKind::Window, std::string(*window)};
    return declared;
  }
  static constexpr std::pair<std::string_view, SenseObjectKind> kConstructors[] = {
      {"kv.fs.File(", SenseObjectKind::File},
      {"kv.Http(", SenseObjectKind::Http},
      {"kv.XML(", SenseObjectKind::XML}};
  for (const auto& [constructor, kind] : kConstructors) {
    if (!Take(rest, constructor)) continue;
    rest = SkipSpace(rest);
    if (rest.empty() || rest[0] != ')') return std::nullopt;
    declared.object = {kind, {}};
    return declared;
  }
  return std::nullopt;
}

// A dialog-window file begins with nine header lines; its control lines and menu block follow.
constexpr int kWindowHeaderLines = 9;

// The name field of a control line: the text between the first two double quotes after the
// eighth blank, the blanks counted from the line's second character. The keyword and the
// eight numbers before the name take those eight blanks, so a line of any other shape either
// has no name here or has the text of whatever field comes first after them.
std::optional<std::string_view> ControlName(std::string_view line) {
  constexpr int kBlanksBeforeName = 8;
  int blanks = 0;
  std::size_t at = 1;
  while (at < line.size() && blanks < kBlanksBeforeName) {
    if (line[at++] == ' ') ++blanks;
  }
  if (blanks < kBlanksBeforeName) return std::nullopt;
  const std::size_t open = line.find('"', at);
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t close = line.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(open + 1, close - open - 1);
}

// A name the autocompletion list can carry: its entries are separated by blanks and end in
// "?image".
bool ListableName(std::string_view name) {
  return !name.empty() && name.find_first_of(" ?") == std::string_view::npos;
}

std::optional<std::string> Signature(std::optional<std::string_view> found) {
  if (!found) return std::nullopt;
  return std::string(*found);
}

}  // namespace

void KVSense::Rescan(const KVProject& project) { Rescan(project.Folder(), project.Items()); }

void KVSense::Rescan(const std::string& folder, const KVProject::ItemList& items) {
  scannedFiles.clear();
  variables.clear();
  windows.clear();
  libraryFunctionNames.clear();

  ScanSources(folder + KVProject::SubFolder(ProjectItemType::SourceFile));
  for (const auto& item : items) {
    if (item && item->type == ProjectItemType::DialogWindow) ScanWindow(*item);
  }
  for (const auto& item : items) {
    if (item && item->type == ProjectItemType::ExternalLibrary) ScanLibrary(*item);
  }
}

// Includes and declarations are taken in one reading of each file. A file's declarations are
// kept apart until every file is listed and then merged in list order, which gives the
// tables the include order decides, as if each file had been read again after the includes.
void KVSense::ScanSources(const std::string& sourceFolder) {
  // The files nearest the root of the include tree stay open while their includes are read;
  // deeper ones are closed and reopened at their position afterwards.
  constexpr std::size_t kOpenFiles = 32;
  struct Open {
    std::size_t index = 0;  // in scannedFiles
    File file;
    bool started = false;
    std::fpos_t position{};
  };
  std::vector<Open> stack;
  std::vector<std::vector<Declared>> declarations;
  std::set<std::string, std::less<>> listed;
  const auto enter = [&](std::string path) {
    if (!listed.insert(path).second) return;
    scannedFiles.push_back(std::move(path));
    declarations.emplace_back();
    stack.emplace_back();
    stack.back().index = scannedFiles.size() - 1;
  };

  enter(sourceFolder + "main.js");
  while (!stack.empty()) {
    Open& top = stack.back();
    if (!top.file) {
      top.file.reset(kvplatform::OpenFile(scannedFiles[top.index], "rb"));
      if (!top.file && !top.started) {
        // A file that does not open is not listed; it was entered last.
        listed.erase(scannedFiles.back());
        scannedFiles.pop_back();
        declarations.pop_back();
      }
      if (!top.file || (top.started && std::fsetpos(top.file.get(), &top.position) != 0)) {
        stack.pop_back();
        continue;
      }
    }
    std::vector<Declared>& declared = declarations[top.index];
    KVLineReader reader(top.file.get());
    std::optional<std::string> included;
    while (reader.Next()) {
      included = IncludedName(reader.Line());
      if (included) break;
      if (std::optional<Declared> declaration = Declaration(reader.Line())) {
        declared.push_back(std::move(*declaration));
      }
    }
    if (!included) {
      stack.pop_back();
      continue;
    }
    top.started = true;
    if (stack.size() > kOpenFiles) {
      if (std::fgetpos(top.file.get(), &top.position) != 0) {
        stack.pop_back();
        continue;
      }
      top.file.reset();
    }
    enter(sourceFolder + *included);  // may move top
  }
  // Within a file the first declaration wins, and earlier files win over later ones: both
  // come down to keeping the first entry of a name.
  for (std::vector<Declared>& file : declarations) {
    for (Declared& declaration : file) variables.emplace(std::move(declaration.name), std::move(declaration.object));
  }
}

void KVSense::ScanWindow(const ProjectItem& item) {
  const File input(kvplatform::OpenFile(item.Path(), "rb"));
  if (!input) return;
  KVLineReader reader(input.get());
  for (int header = 0; header < kWindowHeaderLines && reader.Next(); ++header) {
  }
  ControlTable controls;
  while (reader.Next()) {
    const std::string_view line = reader.Line();
    if (StartsWithNoCase(line, "menu")) {
      while (reader.Next() && !StartsWithNoCase(reader.Line(), "endmenu")) {
      }
      continue;
    }
    const std::optional<std::string_view> name = ControlName(line);
    if (!name || name->empty()) continue;
    controls.emplace(std::string(*name), kvapi::ControlKindAtStart(line));
  }
  windows.emplace(item.displayName, std::move(controls));
}

void KVSense::ScanLibrary(const ProjectItem& item) {
  for (const std::string& name : kvext::FunctionNames(item.Path())) {
    if (!ListableName(name)) continue;
    if (!libraryFunctionNames.empty()) libraryFunctionNames += ' ';
    libraryFunctionNames += name;
  }
}

const KVSense::SenseObject* KVSense::FindVariable(std::string_view name) const {
  const auto found = variables.find(name);
  return found == variables.end() ? nullptr : &found->second;
}

const KVSense::ControlTable* KVSense::FindWindow(const SenseObject& object) const {
  if (object.kind != SenseObjectKind::Window) return nullptr;
  const auto found = windows.find(object.windowName);
  return found == windows.end() ? nullptr : &found->second;
}

std::string KVSense::MemberList(std::string_view expression) const {
  if (const auto list = kvapi::NamespaceMemberList(expression, libraryFunctionNames)) {
    return std::string(*list);
  }
  if (const SenseObject* object = FindVariable(expression)) {
    if (object->kind != SenseObjectKind::Window) {
      return std::string(kvapi::ObjectMemberList(object->kind));
    }
    const ControlTable* controls = FindWindow(*object);
    if (!controls) return {};
    std::string list(kvapi::ObjectMemberList(SenseObjectKind::Window));
    for (const auto& entry : *controls) {
      if (ListableName(entry.first)) list += ' ' + entry.first + "?3";
    }
    return list;
  }
  const std::size_t dot = expression.find('.');
  if (dot == std::string_view::npos) return {};
  const SenseObject* object = FindVariable(expression.substr(0, dot));
  const ControlTable* controls = object ? FindWindow(*object) : nullptr;
  if (!controls) return {};
  const auto control = controls->find(std::string(expression.substr(dot + 1)));
  // A control of no known kind is listed with its window but has no members of its own.
  if (control == controls->end() || !control->second) return {};
  return std::string(kvapi::ControlMemberList(*control->second));
}

std::optional<std::string> KVSense::CallTip(std::string_view expression) const {
  if (const auto global = kvapi::GlobalSignature(expression)) return std::string(*global);
  const std::size_t dot = expression.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const SenseObject* object = FindVariable(expression.substr(0, dot));
  if (!object) return std::nullopt;
  const std::string_view member = expression.substr(dot + 1);
  if (const auto own = kvapi::MemberSignature(object->kind, member)) return std::string(*own);
  const ControlTable* controls = FindWindow(*object);
  const std::size_t controlDot = member.find('.');
  if (!controls || controlDot == std::string_view::npos) return std::nullopt;
  const auto control = controls->find(std::string(member.substr(0, controlDot)));
  if (control == controls->end() || !control->second) return std::nullopt;
  return Signature(kvapi::MemberSignature(*control->second, member.substr(controlDot + 1)));
}

std::string KVSense::MemberListAt(std::string_view line, std::size_t caret) const {
  const std::optional<std::string_view> expression = kvsense::ExpressionBeforeCaret(line, caret);
  return expression ? MemberList(*expression) : std::string();
}

std::optional<std::string> KVSense::CallTipAt(std::string_view line, std::size_t caret) const {
  const std::optional<std::string_view> expression = kvsense::ExpressionBeforeCaret(line, caret);
  return expression ? CallTip(*expression) : std::nullopt;
}
