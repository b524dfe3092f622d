// The markup of the markup label read into a tree of styled nodes; no widget and no painting here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::gui {

// Font styles as a bit set.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A colour in the 0x00BBGGRR layout (red in the lowest byte). A value with 0xFF in the top byte
// names a system colour by its index in the low byte (clBtnFace is 0xFF00000F), resolved
// against the palette when painted.
using TColor = uint32_t;
inline constexpr TColor clSystemColor = 0xFF000000u;

struct TFontData {
  std::u16string FName;
  TColor FColor = 0;
  int32_t FSize = 8;
  uint8_t FStyle = 0;

  void Assign(const TFontData& ASource) { *this = ASource; }
  std::unique_ptr<TFontData> Clone() const { return std::make_unique<TFontData>(*this); }
  bool operator==(const TFontData&) const = default;
};

// A colour name ("clRed", "clBtnFace", or one of Qt's own such as "red" or "#5196ff") or an
// integer (decimal, "$hex" or "0xhex") as a colour; nothing when it is neither. Names are
// matched without regard to case.
std::optional<TColor> ReadColor(std::u16string_view AText);
// A 32-bit integer written in decimal, "$hex" or "0xhex", with an optional sign.
std::optional<int32_t> ReadInteger(std::u16string_view AText);

class THtmlNode {
public:
  THtmlNode() = default;
  THtmlNode(const THtmlNode&) = delete;
  THtmlNode& operator=(const THtmlNode&) = delete;

  // Detaches and frees every child.
  void Clear() { FNodes.clear(); }
  // Appends a node that takes a copy of this node's font and then the given text.
  THtmlNode& AddChild(std::unique_ptr<THtmlNode> ANode, std::u16string AText);

  const std::vector<std::unique_ptr<THtmlNode>>& Nodes() const { return FNodes; }
  THtmlNode* Parent() const { return FParent; }
  std::u16string FText;
  TFontData FFont;
  std::u16string FId;

private:
  std::vector<std::unique_ptr<THtmlNode>> FNodes;
  THtmlNode* FParent = nullptr;
};

// The attributes of a tag, names lower-cased, in order; a repeated name keeps its last value.
struct THtmlAttribute {
  std::u16string Name;
  std::u16string Value;
};
std::vector<THtmlAttribute> SplitAttributes(std::u16string_view AText);
// The value of the attribute with that (lower-case) name, or nothing.
std::optional<std::u16string> FindAttribute(const std::vector<THtmlAttribute>& AAttributes, std::u16string_view AName);

class THtmlTag {
public:
  THtmlTag(std::u16string AName, bool ARequireClosure) : FName(std::move(AName)), FRequireClosure(ARequireClosure) {}
  virtual ~THtmlTag() = default;

  const std::u16string& Name() const { return FName; }
  bool RequireClosure() const { return FRequireClosure; }
  virtual std::unique_ptr<THtmlNode> CreateNode() const { return std::make_unique<THtmlNode>(); }
  // Styles the node from the attribute text (everything after the tag name's first space).
  virtual void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const;

private:
  std::u16string FName;
  bool FRequireClosure;
};

// <a href="id">: blue and underlined; the node's id is "link:" and the href.
class TLinkTag : public THtmlTag {
public:
  TLinkTag() : THtmlTag(u"a", true) {}
  void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const override;
};

// <font color="clRed" face="Arial" size="10">
class TFontTag : public THtmlTag {
public:
  TFontTag() : THtmlTag(u"font", true) {}
  void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const override;
};

class TLineBreakTag : public THtmlTag {
public:
  TLineBreakTag() : THtmlTag(u"br", false) {}
  void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const override;
};

class TBoldTag : public THtmlTag {
public:
  TBoldTag() : THtmlTag(u"b", true) {}
  void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const override;
};

// A grey " | " between two parts of a line.
class TDivTag : public THtmlTag {
public:
  TDivTag() : THtmlTag(u"div", false) {}
  void ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const override;
};

// Never fails: whatever is not a registered tag stays text, angle brackets included. A tag
// that needs closing and is never closed runs to the end of the text.
class THtmlParser {
public:
  // Tags nest at most this deep; an opening tag beyond it stays text. Laying out and freeing
  // the tree recurse once per level, and a caption may carry a file name of any content.
  static constexpr size_t MaxDepth = 200;

  THtmlParser();

  void Parse(std::u16string_view AText);
  void RegisterTag(std::unique_ptr<THtmlTag> ATag);
  // Also becomes the root's font, so text outside any tag is drawn with it.
  void SetDefaultFont(const TFontData& AFont);
  const TFontData& DefaultFont() const { return FDefaultFont; }

  THtmlNode& Root() { return *FRoot; }
  const THtmlNode& Root() const { return *FRoot; }

private:
  // The registered tag named by the text between AStart and the next '>', with the position of
  // that '>'; nothing when the text ends first or no tag has that name. ANextClose caches the
  // first '>' at or after the last start asked for: starts only grow during one parse, so the
  // text is scanned for '>' once in all, not once for every '<'.
  const THtmlTag* ReadTag(std::u16string_view AText, size_t AStart, size_t& ANextClose, size_t& AClose) const;

  std::unique_ptr<THtmlNode> FRoot;
  std::vector<std::unique_ptr<THtmlTag>> FTags;
  TFontData FDefaultFont;
};

// The parser with the five tags of the label, in their order: a, font, br, b, div.
std::unique_ptr<THtmlParser> CreateParser();

// Cuts the next word off AText: a run of letters and digits with the one character that ends
// it, or a single other character, or the rest of the text when it ends inside a run. A
// surrogate pair counts as one character.
std::u16string TakeWord(std::u16string_view& AText);

}  // namespace tess::gui
