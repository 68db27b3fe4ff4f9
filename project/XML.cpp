#include "project/XML.h"

#include "platform/Platform.h"
#include "project/FileUtil.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string_view>
#include <utility>

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

namespace {

// The library defaults (no external DTD, whitespace kept, entities left unsubstituted),
// nothing fetched over the network, and no parse errors on stderr: failures are reported
// through the error code instead.
constexpr int kParseOptions = XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NONET;

constexpr char kLoadFirst[] = "Load() must be called first.";
constexpr char kLoadFailed[] = "Failed to load xml.";
constexpr char kNoContext[] = "Failed to create new XPath context.";
constexpr char kXPathNotFound[] = "XPath not found in the xml document.";

struct XmlCharDeleter {
  void operator()(xmlChar* text) const { xmlFree(text); }
};
using XmlText = std::unique_ptr<xmlChar, XmlCharDeleter>;

struct NodeDeleter {
  void operator()(xmlNode* node) const { xmlFreeNode(node); }
};
using NodePtr = std::unique_ptr<xmlNode, NodeDeleter>;

struct BufferDeleter {
  void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

// Matches the error callback of every library version (the error's constness changed).
template <typename Error>
void IgnoreXPathError(void*, Error*) {}

const xmlChar* Chars(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string ToString(const xmlChar* text) {
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

template <typename Error>
void IgnoreStructuredError(void*, Error*) {}

void IgnoreGenericError(void*, const char*, ...) {}

// Some library errors bypass the parser's options and go to the thread's generic or
// structured handler, whose default prints on stderr; both are silenced while KVXML calls
// the library, and restored after.
class QuietLibrary {
public:
  QuietLibrary()
      : generic(xmlGenericError), genericContext(xmlGenericErrorContext),
        structured(xmlStructuredError), structuredContext(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
  }
  ~QuietLibrary() {
    xmlSetGenericErrorFunc(genericContext, generic);
    xmlSetStructuredErrorFunc(structuredContext, structured);
  }
  QuietLibrary(const QuietLibrary&) = delete;
  QuietLibrary& operator=(const QuietLibrary&) = delete;

private:
  xmlGenericErrorFunc generic;
  void* genericContext;
  xmlStructuredErrorFunc structured;
  void* structuredContext;
};

// Text as xmlNodeSetContent expects it on elements and attributes, so that the stored text
// equals the given text. Text that is not UTF-8 makes the library complain on stderr.
XmlText Encode(xmlDoc* doc, const std::string& value) {
  const QuietLibrary quiet;
  return XmlText(xmlEncodeEntitiesReentrant(doc, Chars(value)));
}

struct ParserContextDeleter {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
using ParserContextPtr = std::unique_ptr<xmlParserCtxt, ParserContextDeleter>;

// Project, settings and version files have no entities of their own; a declared entity is
// only a way to make a small file expand into gigabytes when its text is read, so the parse
// stops at the first declaration.
void RefuseEntityDeclaration(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  parser->_private = parser;  // marks the document as refused
  xmlStopParser(parser);
}

xmlDoc* ParseMemory(const std::string& bytes, const char* url) {
  if (bytes.size() > INT_MAX) return nullptr;
  const QuietLibrary quiet;
  const ParserContextPtr parser(xmlNewParserCtxt());
  if (!parser || parser->sax == nullptr) return nullptr;
  parser->sax->entityDecl = RefuseEntityDeclaration;
  parser->_private = nullptr;
  DocPtr doc(xmlCtxtReadMemory(parser.get(), bytes.data(), static_cast<int>(bytes.size()), url,
                               nullptr, kParseOptions));
  if (parser->_private != nullptr || !parser->wellFormed) return nullptr;
  // Declarations the callback did not see (an external subset is never loaded, but kept
  // out all the same): without entities no text can expand beyond the file's own bytes.
  const xmlDtd* subset = doc ? doc->intSubset : nullptr;
  if (subset != nullptr && (subset->entities != nullptr || subset->pentities != nullptr)) return nullptr;
  return doc.release();
}

// Appends the element children of parent that the XPath step "name" selects: elements of that
// name in no namespace, in document order.
void AppendNamedChildren(const xmlNode* parent, const xmlChar* name, std::vector<KVXMLNode>& out) {
  for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && child->ns == nullptr && xmlStrEqual(child->name, name)) {
      out.emplace_back(child);
    }
  }
}

// The text of a node list that is one text node, the common case, which needs no copy to
// build; null for anything else (entities, CDATA, mixed content, nothing).
const xmlChar* SingleText(const xmlNode* first) {
  return first != nullptr && first->next == nullptr && first->type == XML_TEXT_NODE ? first->content : nullptr;
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

// The names of an expression made only of child steps from the root, "/Project/SourceFiles/Name";
// nothing for any other expression.
std::vector<std::string> ChildSteps(std::string_view xpath) {
  std::vector<std::string> steps;
  if (xpath.empty() || xpath[0] != '/') return steps;
  for (std::size_t start = 1; start <= xpath.size();) {
    const std::size_t end = std::min(xpath.find('/', start), xpath.size());
    const std::string_view name = xpath.substr(start, end - start);
    if (!IsPlainName(name)) return {};
    steps.emplace_back(name);
    start = end + 1;
  }
  return steps;
}

}  // namespace

std::string KVXMLNode::Text() const {
  if (node == nullptr) return {};
  if (const xmlChar* text = node->type == XML_ELEMENT_NODE ? SingleText(node->children) : nullptr) {
    return ToString(text);
  }
  const XmlText content(xmlNodeGetContent(node));
  return ToString(content.get());
}

std::string KVXMLNode::Attribute(const char* name) const {
  if (node == nullptr || node->type != XML_ELEMENT_NODE) return {};
  for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
    if (attribute->ns != nullptr || !xmlStrEqual(attribute->name, reinterpret_cast<const xmlChar*>(name))) continue;
    if (const xmlChar* text = SingleText(attribute->children)) return ToString(text);
    break;
  }
  const XmlText value(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name)));
  return ToString(value.get());
}

std::vector<KVXMLNode> KVXMLNode::Children(const char* name) const {
  std::vector<KVXMLNode> children;
  if (node == nullptr || node->type != XML_ELEMENT_NODE) return children;
  AppendNamedChildren(node, reinterpret_cast<const xmlChar*>(name), children);
  return children;
}

KVXML::~KVXML() = default;

KVXML::KVXML(KVXML&& other) noexcept
    : document(std::move(other.document)),
      xpathContext(std::move(other.xpathContext)),
      loaded(std::exchange(other.loaded, false)),
      lastErrorCode(std::exchange(other.lastErrorCode, 0)),
      lastErrorMessage(std::move(other.lastErrorMessage)) {}

KVXML& KVXML::operator=(KVXML&& other) noexcept {
  if (this != &other) {
    Unload();
    document = std::move(other.document);
    xpathContext = std::move(other.xpathContext);
    loaded = std::exchange(other.loaded, false);
    lastErrorCode = std::exchange(other.lastErrorCode, 0);
    lastErrorMessage = std::move(other.lastErrorMessage);
  }
  return *this;
}

void KVXML::ResetError() {
  lastErrorCode = 0;
  lastErrorMessage.clear();
}

void KVXML::Fail(std::int32_t code, const char* message) {
  lastErrorCode = code;
  lastErrorMessage = message;
}

void KVXML::Unload() {
  loaded = false;
  xpathContext.reset();
  document.reset();
}

bool KVXML::BeginDocumentOperation() {
  ResetError();
  if (loaded) return true;
  Fail(2, kLoadFirst);
  return false;
}

KVXML::XPathResult KVXML::Evaluate(const std::string& xpath) {
  const QuietLibrary quiet;
  XPathResult result(xmlXPathEvalExpression(Chars(xpath), xpathContext.get()));
  if (!result) Fail(4, kXPathNotFound);
  return result;
}

xmlNode* KVXML::FirstNode(const XPathResult& result) {
  if (!result || result->type != XPATH_NODESET || result->nodesetval == nullptr ||
      result->nodesetval->nodeNr <= 0 || result->nodesetval->nodeTab == nullptr) {
    return nullptr;
  }
  return result->nodesetval->nodeTab[0];
}

bool KVXML::Load(const std::string& source) {
  ResetError();
  Unload();
  // The file is read here rather than by the library so that UTF-8 paths work everywhere.
  DocPtr parsed;
  std::string bytes;
  if (kvplatform::CanRead(source)) {
    if (ReadFileBytes(source, bytes)) parsed.reset(ParseMemory(bytes, source.c_str()));
  } else {
    parsed.reset(ParseMemory(source, nullptr));
  }
  if (!parsed) {
    Fail(3, kLoadFailed);
    return false;
  }
  xpathContext.reset(xmlXPathNewContext(parsed.get()));
  if (!xpathContext) {
    Fail(3, kNoContext);
    return false;
  }
  // Invalid expressions are reported through the error code, not printed.
  xpathContext->error = IgnoreXPathError;
  document.reset(parsed.release());
  loaded = true;
  return true;
}

bool KVXML::Save(const std::string& path) {
  if (!BeginDocumentOperation()) return false;
  // The same bytes xmlSaveFile writes, written through the platform for UTF-8 paths.
  xmlChar* dumped = nullptr;
  int size = -1;
  xmlDocDumpMemory(document.get(), &dumped, &size);
  const XmlText owned(dumped);
  if (!owned || size < 0) return false;
  const std::string_view bytes(reinterpret_cast<const char*>(owned.get()),
                               static_cast<size_t>(size));
  return WriteFileBytes(path, bytes, "wb");
}

int KVXML::Count(const std::string& xpath) {
  if (!BeginDocumentOperation()) return 0;
  const XPathResult result = Evaluate(xpath);
  if (!result || result->type != XPATH_NODESET || result->nodesetval == nullptr ||
      result->nodesetval->nodeTab == nullptr) {
    return 0;
  }
  return result->nodesetval->nodeNr;
}

std::vector<KVXMLNode> KVXML::Nodes(const std::string& xpath) {
  std::vector<KVXMLNode> nodes;
  if (!BeginDocumentOperation()) return nodes;
  // Lists of thousands of entries are read this way: a path of child steps is walked directly,
  // selecting what the XPath engine selects, in the same order, without its node set.
  const std::vector<std::string> steps = ChildSteps(xpath);
  if (!steps.empty()) {
    xmlNode* root = xmlDocGetRootElement(document.get());
    if (root == nullptr || root->ns != nullptr || !xmlStrEqual(root->name, Chars(steps.front()))) return nodes;
    nodes.emplace_back(root);
    for (std::size_t i = 1; i < steps.size(); ++i) {
      std::vector<KVXMLNode> next;
      for (const KVXMLNode& parent : nodes) AppendNamedChildren(parent.node, Chars(steps[i]), next);
      nodes = std::move(next);
    }
    return nodes;
  }
  const XPathResult result = Evaluate(xpath);
  if (!result || result->type != XPATH_NODESET || result->nodesetval == nullptr ||
      result->nodesetval->nodeTab == nullptr) {
    return nodes;
  }
  const xmlNodeSet& set = *result->nodesetval;
  nodes.reserve(static_cast<size_t>(set.nodeNr > 0 ? set.nodeNr : 0));
  for (int i = 0; i < set.nodeNr; ++i) nodes.emplace_back(set.nodeTab[i]);
  return nodes;
}

std::string KVXML::GetString(const std::string& xpath) {
  if (!BeginDocumentOperation()) return {};
  const XPathResult result = Evaluate(xpath);
  if (!result) return {};
  switch (result->type) {
    case XPATH_NODESET: {
      xmlNode* node = FirstNode(result);
      if (node == nullptr) return {};
      const XmlText content(xmlNodeGetContent(node));
      return ToString(content.get());
    }
    case XPATH_STRING:
      return ToString(result->stringval);
    case XPATH_NUMBER: {
      char formatted[32];
      std::snprintf(formatted, sizeof formatted, "%.2f", result->floatval);
      return formatted;
    }
    case XPATH_BOOLEAN:
      return result->boolval ? "true" : "false";
    default:
      return {};
  }
}

std::string KVXML::GetTabAttribute(int index, const std::string& attributeName) {
  return GetString("//Project/Tabs/Name[" + std::to_string(index) + "]/@" + attributeName);
}

bool KVXML::SetString(const std::string& xpath, const std::string& value) {
  if (!BeginDocumentOperation()) return false;
  const XPathResult result = Evaluate(xpath);
  xmlNode* node = FirstNode(result);
  if (node == nullptr) return false;
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      xmlNodeSetContent(node, Encode(document.get(), value).get());
      return true;
    case XML_TEXT_NODE:
      // A text node takes its content as it is; encoding it would store the escapes.
      xmlNodeSetContent(node, Chars(value));
      return true;
    default:
      return false;
  }
}

bool KVXML::AddChildNumber(const std::string& parentXPath, const std::string& name,
                           std::int32_t number) {
  if (!BeginDocumentOperation()) return false;
  const XPathResult result = Evaluate(parentXPath);
  xmlNode* parent = FirstNode(result);
  if (parent == nullptr || parent->type != XML_ELEMENT_NODE) return false;
  const XmlText content = Encode(document.get(), std::to_string(number));
  NodePtr child(xmlNewDocNode(document.get(), nullptr, Chars(name), content.get()));
  if (!child || xmlAddChild(parent, child.get()) == nullptr) return false;
  child.release();
  return true;
}

xmlNode* KVXML::CopyFragmentRoot(const std::string& fragment) {
  const DocPtr parsed(ParseMemory(fragment, nullptr));
  xmlNode* root = parsed ? xmlDocGetRootElement(parsed.get()) : nullptr;
  if (root == nullptr) {
    Fail(3, kLoadFailed);
    return nullptr;
  }
  return xmlDocCopyNode(root, document.get(), 1);
}

bool KVXML::ReplaceRecentProjects(const std::string& fragment) {
  if (!BeginDocumentOperation()) return false;
  XPathResult result = Evaluate("//Settings//RecentProjects");
  xmlNode* old = FirstNode(result);
  if (old == nullptr || old->type != XML_ELEMENT_NODE) return false;
  // The result may hold nodes inside the old element; it must go before they are freed.
  result.reset();

  // Copied before the old element goes, so that a failed copy loses nothing.
  xmlNode* copy = CopyFragmentRoot(fragment);
  if (copy == nullptr) return false;
  xmlNode* previous = old->prev;
  xmlNode* next = old->next;
  xmlNode* parent = old->parent;
  xmlUnlinkNode(old);
  xmlFreeNode(old);
  if (previous != nullptr) {
    xmlAddSibling(previous, copy);
  } else if (next != nullptr) {
    xmlAddPrevSibling(next, copy);
  } else {
    xmlAddChildList(parent, copy);
  }
  return true;
}

bool KVXML::AppendFragment(const std::string& parentXPath, const std::string& fragment) {
  if (!BeginDocumentOperation()) return false;
  const XPathResult result = Evaluate(parentXPath);
  xmlNode* parent = FirstNode(result);
  if (parent == nullptr || parent->type != XML_ELEMENT_NODE) return false;
  NodePtr copy(CopyFragmentRoot(fragment));
  if (!copy || xmlAddChild(parent, copy.get()) == nullptr) return false;
  copy.release();
  return true;
}

std::string KVXML::ElementText(const std::string& name, const char* value) {
  if (value == nullptr) return "<" + name + ">";
  const NodePtr node(xmlNewNode(nullptr, Chars(name)));
  if (!node) return {};
  xmlNodeSetContent(node.get(), Encode(nullptr, value).get());
  const std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
  if (!buffer || xmlNodeDump(buffer.get(), nullptr, node.get(), 0, 0) < 0) return {};
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<size_t>(xmlBufferLength(buffer.get())));
}

std::string KVXML::ElementText(const std::string& name, const std::string& value) {
  return ElementText(name, value.c_str());
}

std::string KVXML::ElementNumber(const std::string& name, std::int32_t number) {
  return ElementText(name, std::to_string(number));
}
