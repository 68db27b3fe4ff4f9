// KVXML: one parsed XML document with XPath access. Every XML file of the IDE is read and
// written through it; writers build XML text from ElementText pieces, load it and save it.
// All strings are UTF-8. Failures are return values, recorded in LastErrorCode/Message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <libxml/tree.h>
#include <libxml/xpath.h>

// One node of a loaded document, for reading a list in a single walk instead of one XPath
// query per entry. Valid while its document stays loaded and unchanged.
class KVXMLNode {
public:
  explicit KVXMLNode(xmlNode* node) : node(node) {}

  // The text content, as GetString gives it for the node.
  std::string Text() const;
  // The attribute's value; empty when the node has no such attribute.
  std::string Attribute(const char* name) const;
  // The element children of this name, in document order.
  std::vector<KVXMLNode> Children(const char* name) const;

private:
  friend class KVXML;
  xmlNode* node;
};

class KVXML {
public:
  KVXML() = default;
  virtual ~KVXML();
  KVXML(const KVXML&) = delete;
  KVXML& operator=(const KVXML&) = delete;
  KVXML(KVXML&& other) noexcept;
  KVXML& operator=(KVXML&& other) noexcept;

  // source is a path when a file of that name can be read, XML text otherwise.
  bool Load(const std::string& source);
  bool Save(const std::string& path);

  int Count(const std::string& xpath);
  // The nodes the expression selects, in document order; empty when it selects none or
  // cannot be evaluated (code 4).
  std::vector<KVXMLNode> Nodes(const std::string& xpath);
  std::string GetString(const std::string& xpath);
  // GetString of "//Project/Tabs/Name[index]/@attributeName", index 1-based.
  std::string GetTabAttribute(int index, const std::string& attributeName);
  bool SetString(const std::string& xpath, const std::string& value);
  bool AddChildNumber(const std::string& parentXPath, const std::string& name,
                      std::int32_t number);
  // Replaces the first //Settings//RecentProjects element by the fragment's root element.
  bool ReplaceRecentProjects(const std::string& fragment);

  // Appends a copy of the fragment's root element as the last child of the first element
  // the expression selects. Code 3 when the fragment does not parse.
  bool AppendFragment(const std::string& parentXPath, const std::string& fragment);

  // "<name>escaped value</name>", or "<name/>" for an empty value. A null value gives the
  // bare tag "<name>", used for start tags, end tags ("/dict") and empty tags ("true/").
  // Neither needs a document.
  static std::string ElementText(const std::string& name, const char* value);
  static std::string ElementText(const std::string& name, const std::string& value);
  static std::string ElementNumber(const std::string& name, std::int32_t number);

  bool IsLoaded() const { return loaded; }
  std::int32_t LastErrorCode() const { return lastErrorCode; }
  const std::string& LastErrorMessage() const { return lastErrorMessage; }

private:
  struct DocumentDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
  };
  struct ContextDeleter {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
  };
  struct ObjectDeleter {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
  };
  using XPathResult = std::unique_ptr<xmlXPathObject, ObjectDeleter>;

  void ResetError();
  void Fail(std::int32_t code, const char* message);
  void Unload();
  // Resets the error and checks for a document; records code 2 when there is none.
  bool BeginDocumentOperation();
  // Null with code 4 when the expression cannot be evaluated.
  XPathResult Evaluate(const std::string& xpath);
  static xmlNode* FirstNode(const XPathResult& result);
  // The fragment's root element copied into this document; null with code 3 when the
  // fragment does not parse.
  xmlNode* CopyFragmentRoot(const std::string& fragment);

  // Members are destroyed in reverse order: the context goes before its document.
  std::unique_ptr<xmlDoc, DocumentDeleter> document;
  std::unique_ptr<xmlXPathContext, ContextDeleter> xpathContext;
  bool loaded = false;
  std::int32_t lastErrorCode = 0;
  std::string lastErrorMessage;
};
