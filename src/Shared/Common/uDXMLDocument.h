// An XML document as the serializer sees it: elements with text, saved with CR LF and indentation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/Common/uException.h"
#include "Shared/Common/uFilePath.h"

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

namespace tess::common {

// Malformed XML, or an element whose content is not what the reader expects.
class EDXMLError : public Exception {
public:
  using Exception::Exception;
};

// A handle to a node of a TDXMLDocument; it does not own the node and is valid while the node
// is in the document (a load or a clear of the parent ends it). A null handle answers with
// nothing and ignores changes.
class TDXMLNode {
public:
  TDXMLNode() = default;
  bool IsNull() const { return FNode == nullptr; }
  explicit operator bool() const { return FNode != nullptr; }
  bool operator==(const TDXMLNode&) const = default;

  std::u16string NodeName() const;
  bool IsElement() const;
  // Appends a child element.
  TDXMLNode AddChild(std::u16string_view AName);
  void ClearChildNodes();
  // Every child node in document order, text nodes included.
  std::vector<TDXMLNode> ChildNodes() const;
  // The child elements only, in document order.
  std::vector<TDXMLNode> ChildElements() const;
  // The first child element of that name, or a null handle.
  TDXMLNode FindNode(std::u16string_view AName) const;
  // Any child node, text included: an element holding only text has children.
  bool HasChildNodes() const;
  // The element's value: its text, or nothing when it has no text at all. Raises EDXMLError
  // when the element holds child elements, which no value can be read from.
  std::optional<std::u16string> Text() const;
  // The element's own text beside any child elements; nothing when it has no text.
  std::optional<std::u16string> OwnText() const;
  // Replaces the element's text; an empty text leaves the element empty.
  void SetText(std::u16string_view AValue);

private:
  friend class TDXMLDocument;
  explicit TDXMLNode(pugi::xml_node_struct* ANode) : FNode(ANode) {}
  pugi::xml_node_struct* FNode = nullptr;
};

// How the document's bytes are encoded when saved; the name goes into the declaration.
enum class TDXMLFileEncoding { feNone, feUtf16, feUtf8 };

class TDXMLDocument {
public:
  TDXMLDocument();
  ~TDXMLDocument();
  TDXMLDocument(const TDXMLDocument&) = delete;
  TDXMLDocument& operator=(const TDXMLDocument&) = delete;

  // Empties the document and gives it a declaration and a document element.
  void Create(TDXMLFileEncoding AEncoding, std::u16string_view ARootName);
  TDXMLNode DocumentElement() const;
  // Replaces the document element by a new, empty one; handles into the old tree end.
  TDXMLNode SetDocumentElement(std::u16string_view AName);

  // Replaces the tree by the file's. Raises EFileError when it cannot be read and EDXMLError when
  // it is not well-formed or has no document element; the document is then empty.
  void LoadFromFile(const TFilePath& AFileName);
  void LoadFromBytes(std::string_view ABytes);
  // The document with its declaration, two spaces per level, one element per line, CR LF.
  std::string SaveToBytes() const;
  // Replaces the file atomically. Raises EFileError when it cannot be written.
  void SaveToFile(const TFilePath& AFileName) const;

  TDXMLFileEncoding Encoding() const { return FEncoding; }
  // Changes whenever the document element is replaced, so holders of node handles can tell.
  uint64_t Generation() const { return FGeneration; }

private:
  std::unique_ptr<pugi::xml_document> FDoc;
  TDXMLFileEncoding FEncoding = TDXMLFileEncoding::feUtf8;
  uint64_t FGeneration = 0;
};

}  // namespace tess::common
