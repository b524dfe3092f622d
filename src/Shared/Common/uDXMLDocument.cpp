#include "Shared/Common/uDXMLDocument.h"

#include <pugixml.hpp>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::common {

namespace {

pugi::xml_node Wrap(pugi::xml_node_struct* ANode) { return pugi::xml_node(ANode); }

std::string Narrow(std::u16string_view AText) { return Utf16ToUtf8(AText); }

bool IsText(const pugi::xml_node& ANode) {
  return ANode.type() == pugi::node_pcdata || ANode.type() == pugi::node_cdata;
}

// pugixml ends lines with a bare line feed; the tool's files use CR LF. pugixml itself never
// writes a carriage return, so one in its output comes from a value: it is written as a character
// reference, because a reader turns a literal one into a line feed and the value would change.
// Loaded text holds none (the parser normalises line ends), so no CDATA section can contain one.
class CrLfWriter : public pugi::xml_writer {
public:
  explicit CrLfWriter(std::string& AOut) : FOut(AOut) {}
  void write(const void* AData, size_t ASize) override {
    const char* bytes = static_cast<const char*>(AData);
    for (size_t i = 0; i < ASize; ++i) {
      if (bytes[i] == '\r') {
        FOut += "&#13;";
      } else {
        if (bytes[i] == '\n') FOut.push_back('\r');
        FOut.push_back(bytes[i]);
      }
    }
  }

private:
  std::string& FOut;
};

const char* EncodingName(TDXMLFileEncoding AEncoding) {
  switch (AEncoding) {
    case TDXMLFileEncoding::feUtf8: return "UTF-8";
    case TDXMLFileEncoding::feUtf16: return "Unicode";
    case TDXMLFileEncoding::feNone: break;
  }
  return nullptr;
}

}  // namespace

std::u16string TDXMLNode::NodeName() const { return Utf8ToUtf16(Wrap(FNode).name()); }

bool TDXMLNode::IsElement() const { return Wrap(FNode).type() == pugi::node_element; }

TDXMLNode TDXMLNode::AddChild(std::u16string_view AName) {
  if (!FNode) return {};
  return TDXMLNode(Wrap(FNode).append_child(Narrow(AName).c_str()).internal_object());
}

void TDXMLNode::ClearChildNodes() {
  pugi::xml_node node = Wrap(FNode);
  while (node.first_child()) node.remove_child(node.first_child());
}

std::vector<TDXMLNode> TDXMLNode::ChildNodes() const {
  std::vector<TDXMLNode> children;
  for (pugi::xml_node child : Wrap(FNode).children()) children.push_back(TDXMLNode(child.internal_object()));
  return children;
}

std::vector<TDXMLNode> TDXMLNode::ChildElements() const {
  std::vector<TDXMLNode> children;
  for (pugi::xml_node child : Wrap(FNode).children())
    if (child.type() == pugi::node_element) children.push_back(TDXMLNode(child.internal_object()));
  return children;
}

TDXMLNode TDXMLNode::FindNode(std::u16string_view AName) const {
  const std::string name = Narrow(AName);
  for (pugi::xml_node child : Wrap(FNode).children())
    if (child.type() == pugi::node_element && name == child.name()) return TDXMLNode(child.internal_object());
  return {};
}

bool TDXMLNode::HasChildNodes() const { return FNode && Wrap(FNode).first_child(); }

std::optional<std::u16string> TDXMLNode::OwnText() const {
  std::optional<std::string> text;
  for (pugi::xml_node child : Wrap(FNode).children()) {
    if (!IsText(child)) continue;
    if (!text) text.emplace();
    *text += child.value();
  }
  if (!text) return std::nullopt;
  return Utf8ToUtf16(*text);
}

std::optional<std::u16string> TDXMLNode::Text() const {
  for (pugi::xml_node child : Wrap(FNode).children())
    if (child.type() == pugi::node_element)
      throw EDXMLError(Format(u"Element \"%s\" holds child elements instead of a value", {NodeName()}));
  return OwnText();
}

void TDXMLNode::SetText(std::u16string_view AValue) {
  if (!FNode) return;
  pugi::xml_node node = Wrap(FNode);
  for (pugi::xml_node child = node.first_child(); child;) {
    pugi::xml_node next = child.next_sibling();
    if (IsText(child)) node.remove_child(child);
    child = next;
  }
  if (!AValue.empty()) node.prepend_child(pugi::node_pcdata).set_value(Narrow(AValue).c_str());
}

TDXMLDocument::TDXMLDocument() : FDoc(std::make_unique<pugi::xml_document>()) {}

TDXMLDocument::~TDXMLDocument() = default;

void TDXMLDocument::Create(TDXMLFileEncoding AEncoding, std::u16string_view ARootName) {
  FDoc->reset();
  ++FGeneration;
  FEncoding = AEncoding;
  FDoc->append_child(Narrow(ARootName).c_str());
}

TDXMLNode TDXMLDocument::DocumentElement() const { return TDXMLNode(FDoc->document_element().internal_object()); }

TDXMLNode TDXMLDocument::SetDocumentElement(std::u16string_view AName) {
  ++FGeneration;
  if (pugi::xml_node old = FDoc->document_element()) FDoc->remove_child(old);
  return TDXMLNode(FDoc->append_child(Narrow(AName).c_str()).internal_object());
}

void TDXMLDocument::LoadFromBytes(std::string_view ABytes) {
  ++FGeneration;
  // Neither DOCTYPE nor entities are honoured, so a file cannot pull in anything from outside.
  const pugi::xml_parse_result result =
      FDoc->load_buffer(ABytes.data(), ABytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result || !FDoc->document_element()) {
    FDoc->reset();
    const char* description = result ? "No document element" : result.description();
    throw EDXMLError(Format(u"%s at offset %d", {Utf8ToUtf16(description), static_cast<int64_t>(result.offset)}));
  }
}

void TDXMLDocument::LoadFromFile(const TFilePath& AFileName) {
  const std::string bytes = DDirectory::ReadBytes(AFileName);
  try {
    LoadFromBytes(bytes);
  } catch (const EDXMLError& error) {
    throw EDXMLError(Format(u"Cannot read \"%s\": %s", {AFileName.Text(), error.Message()}));
  }
}

std::string TDXMLDocument::SaveToBytes() const {
  // The declaration is written here rather than kept in the tree, so a loaded file's own
  // declaration never contradicts the encoding the bytes are written in.
  pugi::xml_document copy;
  pugi::xml_node declaration = copy.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  if (const char* name = EncodingName(FEncoding)) declaration.append_attribute("encoding") = name;
  for (pugi::xml_node child : FDoc->children())
    if (child.type() != pugi::node_declaration) copy.append_copy(child);

  std::string utf8;
  CrLfWriter writer(utf8);
  copy.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
  if (FEncoding != TDXMLFileEncoding::feUtf16) return utf8;

  const std::u16string wide = Utf8ToUtf16(utf8);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

void TDXMLDocument::SaveToFile(const TFilePath& AFileName) const { DDirectory::WriteBytes(AFileName, SaveToBytes()); }

}  // namespace tess::common
