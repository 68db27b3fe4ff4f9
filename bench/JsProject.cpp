#include "bench/JsProject.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/Platform.h"

namespace kvbench {

namespace {

constexpr std::string_view kVerbs[] = {
    "get",    "set",   "load",   "save",   "update", "render", "handle",  "parse",    "build",  "create",
    "find",   "remove", "add",   "open",   "close",  "read",   "write",   "show",     "hide",   "check",
    "compute", "format", "sort", "filter", "map",    "apply",  "validate", "refresh", "fetch",  "select",
    "reset",  "merge", "split",  "count",  "print",  "resize", "move",    "toggle",   "enable", "disable"};
constexpr std::string_view kNouns[] = {
    "Window",  "Button",  "Item",     "List",    "User",    "Order",   "Record",  "File",    "Path",    "Config",
    "Setting", "Value",   "Text",     "Name",    "Index",   "Count",   "Size",    "Width",   "Height",  "Color",
    "Font",    "Menu",    "Dialog",   "Table",   "Row",     "Column",  "Cell",    "Node",    "Tree",    "Query",
    "Result",  "Error",   "Message",  "Status",  "Request", "Response", "Header", "Body",    "Cache",   "Timer",
    "Event",   "Handler", "Control",  "Layout",  "Report",  "Invoice", "Customer", "Product", "Price",  "Total",
    "Date",    "Account", "Document", "Page",    "Section", "Field",   "Filter",  "Range",   "Entry",   "Option"};
constexpr std::string_view kAdjectives[] = {"current", "selected", "active", "default", "last",  "first",
                                            "next",    "previous", "visible", "total",  "max",   "min",
                                            "new",     "old",      "temp",    "local",  "remote", "pending"};
constexpr std::string_view kWords[] = {
    "the",    "a",      "of",     "to",      "and",     "is",     "in",      "for",    "when",    "with",
    "returns", "value", "window", "list",    "user",    "file",   "control", "item",   "called",  "after",
    "before", "each",   "new",    "current", "selected", "empty", "not",     "found",  "could",   "be",
    "saved",  "loaded", "shown",  "changed", "runtime", "string", "number",  "object", "handler", "event"};
constexpr std::string_view kControls[] = {"button", "check", "edit", "text", "combo", "listview", "treeview"};
constexpr std::string_view kEvents[] = {"click", "change", "select", "close", "resize", "keydown", "focus"};
constexpr std::string_view kOperators[] = {" + ", " - ", " * ", " / ", " % ", " && ", " || ", " === ", " !== ", " < ", " > "};

class Writer {
public:
  explicit Writer(std::uint64_t seed) : state(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  template <std::size_t N>
  std::string_view Pick(const std::string_view (&list)[N]) {
    return list[Below(static_cast<int>(N))];
  }

  std::string Noun() { return std::string(Pick(kNouns)); }
  std::string Local() {
    std::string name(Pick(kAdjectives));
    return Below(3) == 0 ? name : name + Noun();
  }
  std::string Function() { return std::string(Pick(kVerbs)) + Noun(); }
  std::string Sentence(int words) {
    std::string text;
    for (int i = 0; i < words; ++i) text += (i ? " " : "") + std::string(Pick(kWords));
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + ".";
  }
  std::string Number() {
    switch (Below(4)) {
      case 0: return std::to_string(Below(10));
      case 1: return std::to_string(Below(1000));
      case 2: return std::to_string(Below(100000));
      default: return std::to_string(Below(1000)) + "." + std::to_string(Below(100));
    }
  }
  std::string Expression() {
    switch (Below(6)) {
      case 0: return Local();
      case 1: return Number();
      case 2: return "\"" + Sentence(1 + Below(4)) + "\"";
      case 3: return Local() + "." + std::string(Pick(kVerbs)) + Noun() + "()";
      case 4: return Local() + std::string(Pick(kOperators)) + Number();
      default: return Function() + "(" + Local() + ", " + Number() + ")";
    }
  }

  void Line(int indent, const std::string& text) {
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
    out += text;
    out += "\r\n";
  }

  void Statements(int indent, int count, int depth) {
    for (int i = 0; i < count; ++i) {
      switch (depth > 2 ? Below(3) : Below(7)) {
        case 0: Line(indent, "const " + Local() + " = " + Expression() + ";"); break;
        case 1: Line(indent, "let " + Local() + " = " + Expression() + ";"); break;
        case 2: Line(indent, Local() + "." + Function() + "(" + Expression() + ");"); break;
        case 3:
          Line(indent, "if (" + Local() + std::string(Pick(kOperators)) + Expression() + ") {");
          Statements(indent + 1, 1 + Below(3), depth + 1);
          if (Below(2)) {
            Line(indent, "} else {");
            Statements(indent + 1, 1 + Below(2), depth + 1);
          }
          Line(indent, "}");
          break;
        case 4:
          Line(indent, "for (let i = 0; i < " + Local() + ".length; i++) {");
          Statements(indent + 1, 1 + Below(3), depth + 1);
          Line(indent, "}");
          break;
        case 5:
          Line(indent, "// " + Sentence(4 + Below(8)));
          break;
        default:
          Line(indent, "kv.print(\"" + Sentence(2 + Below(6)) + " \" + " + Local() + ");");
          break;
      }
    }
  }

  void DocComment() {
    Line(0, "/**");
    for (int i = 0, n = 1 + Below(3); i < n; ++i) Line(0, " * " + Sentence(6 + Below(10)));
    for (int i = 0, n = Below(3); i < n; ++i) Line(0, " * @param {" + Noun() + "} " + Local() + " " + Sentence(3 + Below(5)));
    Line(0, " */");
  }

  void FunctionSnippet() {
    DocComment();
    Line(0, "function " + Function() + "(" + Local() + ", " + Local() + ") {");
    Statements(1, 3 + Below(8), 0);
    Line(1, "return " + Expression() + ";");
    Line(0, "}");
    Line(0, "");
  }

  void ClassSnippet() {
    const std::string name = Noun() + Noun();
    DocComment();
    Line(0, "class " + name + (Below(3) == 0 ? " extends " + Noun() : "") + " {");
    Line(1, "constructor(" + Local() + ", options) {");
    for (int i = 0, n = 2 + Below(4); i < n; ++i) Line(2, "this." + Local() + " = " + Expression() + ";");
    Line(1, "}");
    for (int m = 0, methods = 2 + Below(4); m < methods; ++m) {
      Line(0, "");
      Line(1, Function() + "(" + Local() + ") {");
      Statements(2, 2 + Below(5), 1);
      Line(2, "return this." + Local() + ";");
      Line(1, "}");
    }
    Line(0, "}");
    Line(0, "");
  }

  void HandlerSnippet() {
    const std::string window = Local() + "Win";
    Line(0, "const " + window + " = kv.window(\"" + Noun() + "\");");
    for (int i = 0, n = 1 + Below(3); i < n; ++i) {
      Line(0, window + "." + std::string(Pick(kControls)) + "(\"" + Local() + "\").on(\"" + std::string(Pick(kEvents)) +
                  "\", function (e) {");
      Statements(1, 2 + Below(4), 1);
      Line(0, "});");
    }
    Line(0, "");
  }

  void TableSnippet() {
    Line(0, "const " + Local() + "Table = [");
    for (int i = 0, n = 5 + Below(25); i < n; ++i) {
      Line(1, "{ id: " + std::to_string(Below(100000)) + ", name: \"" + Noun() + " " + Noun() + "\", price: " + Number() +
                  ", count: " + std::to_string(Below(500)) + ", active: " + (Below(2) ? "true" : "false") + " },");
    }
    Line(0, "];");
    Line(0, "");
  }

  void MessagesSnippet() {
    Line(0, "const " + Local() + "Messages = {");
    for (int i = 0, n = 3 + Below(12); i < n; ++i) Line(1, Local() + Noun() + ": \"" + Sentence(4 + Below(10)) + "\",");
    Line(0, "};");
    Line(0, "");
  }

  std::string out;

private:
  std::uint64_t state;
};

}  // namespace

std::string GenerateJsFile(std::uint64_t seed, std::uint64_t size) {
  Writer w(seed);
  w.Line(0, "// " + w.Sentence(8) + " Generated for the payload benchmark.");
  w.Line(0, "\"use strict\";");
  w.Line(0, "");
  while (w.out.size() < size) {
    switch (w.Below(10)) {
      case 0: case 1: case 2: case 3: w.FunctionSnippet(); break;
      case 4: case 5: w.ClassSnippet(); break;
      case 6: case 7: w.HandlerSnippet(); break;
      case 8: w.TableSnippet(); break;
      default: w.MessagesSnippet(); break;
    }
  }
  w.out.resize(static_cast<std::size_t>(size));
  return w.out;
}

std::vector<std::string> WriteJsSources(const std::string& folder, const JsProjectShape& shape) {
  // Sizes spread as in a real project, many small modules and a few large ones, scaled to
  // the total; the last file takes what rounding left.
  Writer sizes(shape.seed);
  std::vector<double> weights;
  double sum = 0;
  for (int i = 0; i < shape.files; ++i) {
    // Log-normal: exp of a normal variate from two uniform ones (Box-Muller).
    const double u1 = (static_cast<double>(sizes.Next() >> 11) + 1) / 9007199254740993.0;
    const double u2 = static_cast<double>(sizes.Next() >> 11) / 9007199254740992.0;
    weights.push_back(std::exp(0.8 * std::sqrt(-2 * std::log(u1)) * std::cos(6.283185307179586 * u2)));
    sum += weights.back();
  }
  std::vector<std::string> names;
  std::uint64_t written = 0;
  for (int i = 0; i < shape.files; ++i) {
    const std::uint64_t size = i + 1 == shape.files ? shape.totalBytes - written
                                                    : static_cast<std::uint64_t>(weights[i] / sum * shape.totalBytes);
    char name[32];
    std::snprintf(name, sizeof name, "module%03d.js", i);
    const std::string bytes = GenerateJsFile(shape.seed + 1 + static_cast<std::uint64_t>(i), size);
    FILE* file = kvplatform::OpenFile(folder + "Source Files" + kvplatform::kPathSeparator + name, "wb");
    if (!file) return {};
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !ok) return {};
    names.push_back(name);
    written += size;
  }
  return names;
}

}  // namespace kvbench
