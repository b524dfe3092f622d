#include "Shared/Components/uHtmlMarkup.h"

#include <QChar>
#include <QColor>
#include <QString>

#include <cassert>
#include <limits>

namespace tess::gui {

namespace {

// The '>' cache of a parse once the text has none left.
constexpr size_t NoCloseLeft = std::u16string_view::npos - 1;

char16_t Lower(char16_t AChar) { return AChar >= u'A' && AChar <= u'Z' ? static_cast<char16_t>(AChar + 32) : AChar; }

std::u16string LowerCase(std::u16string_view AText) {
  std::u16string result(AText);
  for (char16_t& c : result) c = Lower(c);
  return result;
}

bool SameText(std::u16string_view ALeft, std::u16string_view ARight) {
  if (ALeft.size() != ARight.size()) return false;
  for (size_t i = 0; i < ALeft.size(); ++i)
    if (Lower(ALeft[i]) != Lower(ARight[i])) return false;
  return true;
}

struct TColorName {
  std::u16string_view Name;
  TColor Color;
};

// The toolkit's colour identifiers, fixed colours and then the system colours.
constexpr TColorName ColorNames[] = {
    {u"clBlack", 0x000000},
    {u"clMaroon", 0x000080},
    {u"clGreen", 0x008000},
    {u"clOlive", 0x008080},
    {u"clNavy", 0x800000},
    {u"clPurple", 0x800080},
    {u"clTeal", 0x808000},
    {u"clGray", 0x808080},
    {u"clSilver", 0xC0C0C0},
    {u"clRed", 0x0000FF},
    {u"clLime", 0x00FF00},
    {u"clYellow", 0x00FFFF},
    {u"clBlue", 0xFF0000},
    {u"clFuchsia", 0xFF00FF},
    {u"clAqua", 0xFFFF00},
    {u"clWhite", 0xFFFFFF},
    {u"clLtGray", 0xC0C0C0},
    {u"clDkGray", 0x808080},
    {u"clMoneyGreen", 0xC0DCC0},
    {u"clSkyBlue", 0xF0CAA6},
    {u"clCream", 0xF0FBFF},
    {u"clMedGray", 0xA4A0A0},
    {u"clScrollBar", clSystemColor | 0},
    {u"clBackground", clSystemColor | 1},
    {u"clActiveCaption", clSystemColor | 2},
    {u"clInactiveCaption", clSystemColor | 3},
    {u"clMenu", clSystemColor | 4},
    {u"clWindow", clSystemColor | 5},
    {u"clWindowFrame", clSystemColor | 6},
    {u"clMenuText", clSystemColor | 7},
    {u"clWindowText", clSystemColor | 8},
    {u"clCaptionText", clSystemColor | 9},
    {u"clActiveBorder", clSystemColor | 10},
    {u"clInactiveBorder", clSystemColor | 11},
    {u"clAppWorkSpace", clSystemColor | 12},
    {u"clHighlight", clSystemColor | 13},
    {u"clHighlightText", clSystemColor | 14},
    {u"clBtnFace", clSystemColor | 15},
    {u"clBtnShadow", clSystemColor | 16},
    {u"clGrayText", clSystemColor | 17},
    {u"clBtnText", clSystemColor | 18},
    {u"clInactiveCaptionText", clSystemColor | 19},
    {u"clBtnHighlight", clSystemColor | 20},
    {u"cl3DDkShadow", clSystemColor | 21},
    {u"cl3DLight", clSystemColor | 22},
    {u"clInfoText", clSystemColor | 23},
    {u"clInfoBk", clSystemColor | 24},
    {u"clHotLight", clSystemColor | 26},
    {u"clGradientActiveCaption", clSystemColor | 27},
    {u"clGradientInactiveCaption", clSystemColor | 28},
    {u"clMenuHighlight", clSystemColor | 29},
    {u"clMenuBar", clSystemColor | 30},
};

int HexDigit(char16_t AChar) {
  if (AChar >= u'0' && AChar <= u'9') return AChar - u'0';
  if (AChar >= u'a' && AChar <= u'f') return AChar - u'a' + 10;
  if (AChar >= u'A' && AChar <= u'F') return AChar - u'A' + 10;
  return -1;
}

// Removes the quotes around a quoted value; a doubled quote inside stands for one. A value
// whose quote is never closed is kept as written.
std::u16string Unquote(std::u16string_view AValue) {
  if (AValue.empty() || (AValue[0] != u'"' && AValue[0] != u'\'')) return std::u16string(AValue);
  const char16_t quote = AValue[0];
  std::u16string result;
  for (size_t i = 1; i < AValue.size(); ++i) {
    if (AValue[i] != quote) {
      result += AValue[i];
      continue;
    }
    if (i + 1 < AValue.size() && AValue[i + 1] == quote) {
      result += quote;
      ++i;
      continue;
    }
    return result;
  }
  return std::u16string(AValue);
}

bool IsWordChar(char32_t ACode) {
  const QChar::Category category = QChar::category(ACode);
  return (category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other) ||
         category == QChar::Number_DecimalDigit;
}

// The code point at APos and how many units it takes (2 for a surrogate pair).
char32_t CodeAt(std::u16string_view AText, size_t APos, size_t& ALength) {
  const char16_t c = AText[APos];
  if (QChar::isHighSurrogate(c) && APos + 1 < AText.size() && QChar::isLowSurrogate(AText[APos + 1])) {
    ALength = 2;
    return QChar::surrogateToUcs4(c, AText[APos + 1]);
  }
  ALength = 1;
  return c;
}

}  // namespace

std::optional<int32_t> ReadInteger(std::u16string_view AText) {
  size_t pos = 0;
  bool negative = false;
  if (pos < AText.size() && (AText[pos] == u'-' || AText[pos] == u'+')) negative = AText[pos++] == u'-';
  int base = 10;
  if (pos < AText.size() && AText[pos] == u'$') {
    base = 16;
    ++pos;
  } else if (pos + 1 < AText.size() && AText[pos] == u'0' && (AText[pos + 1] == u'x' || AText[pos + 1] == u'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= AText.size()) return std::nullopt;
  // Hexadecimal covers the whole 32 bits ("$FF00000F" is a system colour); decimal is signed.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t value = 0;
  for (; pos < AText.size(); ++pos) {
    const int digit = HexDigit(AText[pos]);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

std::optional<TColor> ReadColor(std::u16string_view AText) {
  for (const TColorName& entry : ColorNames)
    if (SameText(AText, entry.Name)) return entry.Color;
  if (std::optional<int32_t> number = ReadInteger(AText)) return static_cast<TColor>(*number);
  const QString name = QString(reinterpret_cast<const QChar*>(AText.data()), static_cast<qsizetype>(AText.size()));
  if (!AText.empty() && AText[0] != u'$' && QColor::isValidColorName(name)) {
    const QColor color = QColor::fromString(name);
    return static_cast<TColor>(color.red()) | static_cast<TColor>(color.green()) << 8 |
           static_cast<TColor>(color.blue()) << 16;
  }
  return std::nullopt;
}

// ---- Attributes

std::vector<THtmlAttribute> SplitAttributes(std::u16string_view AText) {
  std::vector<std::u16string> items;
  std::u16string item;
  char16_t quote = 0;
  for (char16_t c : AText) {
    if (quote != 0) {
      item += c;
      if (c == quote) quote = 0;
    } else if (c == u' ' || c == u'\t') {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
    } else {
      if (c == u'"' || c == u'\'') quote = c;
      item += c;
    }
  }
  if (!item.empty()) items.push_back(std::move(item));

  std::vector<THtmlAttribute> attributes;
  for (const std::u16string& text : items) {
    const size_t equals = text.find(u'=');
    THtmlAttribute attribute;
    attribute.Name = LowerCase(std::u16string_view(text).substr(0, equals));
    if (equals != std::u16string::npos) attribute.Value = Unquote(std::u16string_view(text).substr(equals + 1));
    attributes.push_back(std::move(attribute));
  }
  return attributes;
}

std::optional<std::u16string> FindAttribute(const std::vector<THtmlAttribute>& AAttributes, std::u16string_view AName) {
  for (auto it = AAttributes.rbegin(); it != AAttributes.rend(); ++it)
    if (it->Name == AName) return it->Value;
  return std::nullopt;
}

// ---- Tags

THtmlNode& THtmlNode::AddChild(std::unique_ptr<THtmlNode> ANode, std::u16string AText) {
  assert(ANode && "a node to add");
  ANode->FFont = FFont;
  ANode->FText = std::move(AText);
  ANode->FParent = this;
  FNodes.push_back(std::move(ANode));
  return *FNodes.back();
}

void THtmlTag::ApplyAttributes(std::u16string_view, THtmlNode&) const {}

void TLinkTag::ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const {
  ANode.FFont.FColor = 0xFF0000;
  ANode.FFont.FStyle |= fsUnderline;
  ANode.FId = u"link:" + FindAttribute(SplitAttributes(AAttributes), u"href").value_or(u"");
}

void TFontTag::ApplyAttributes(std::u16string_view AAttributes, THtmlNode& ANode) const {
  const std::vector<THtmlAttribute> attributes = SplitAttributes(AAttributes);
  if (auto color = FindAttribute(attributes, u"color"))
    if (auto value = ReadColor(*color)) ANode.FFont.FColor = *value;
  if (auto face = FindAttribute(attributes, u"face"))
    if (!face->empty()) ANode.FFont.FName = *face;
  if (auto size = FindAttribute(attributes, u"size"))
    if (auto value = ReadInteger(*size)) ANode.FFont.FSize = *value;
}

void TLineBreakTag::ApplyAttributes(std::u16string_view, THtmlNode& ANode) const { ANode.FText = u"\r\n"; }

void TBoldTag::ApplyAttributes(std::u16string_view, THtmlNode& ANode) const { ANode.FFont.FStyle |= fsBold; }

void TDivTag::ApplyAttributes(std::u16string_view, THtmlNode& ANode) const {
  ANode.FText = u" | ";
  ANode.FFont.FColor = 0xC0C0C0;
}

// ---- Parser

THtmlParser::THtmlParser() : FRoot(std::make_unique<THtmlNode>()) { FRoot->FFont = FDefaultFont; }

void THtmlParser::RegisterTag(std::unique_ptr<THtmlTag> ATag) {
  assert(ATag && "a tag to register");
  FTags.push_back(std::move(ATag));
}

void THtmlParser::SetDefaultFont(const TFontData& AFont) {
  FDefaultFont = AFont;
  FRoot->FFont = AFont;
}

const THtmlTag* THtmlParser::ReadTag(std::u16string_view AText, size_t AStart, size_t& ANextClose,
                                     size_t& AClose) const {
  if (ANextClose == NoCloseLeft) return nullptr;
  if (ANextClose == std::u16string_view::npos || ANextClose < AStart) {
    ANextClose = AText.find(u'>', AStart);
    if (ANextClose == std::u16string_view::npos) {
      ANextClose = NoCloseLeft;
      return nullptr;
    }
  }
  const std::u16string_view tagText = AText.substr(AStart, ANextClose - AStart);
  // The name ends at the first space; comparing only as far as each registered name reaches
  // keeps a long tag text from being read once for every tag.
  for (const auto& tag : FTags) {
    const std::u16string& name = tag->Name();
    if (tagText.size() < name.size() || !SameText(tagText.substr(0, name.size()), name)) continue;
    if (tagText.size() > name.size() && tagText[name.size()] != u' ') continue;
    AClose = ANextClose;
    return tag.get();
  }
  return nullptr;
}

void THtmlParser::Parse(std::u16string_view AText) {
  FRoot->Clear();
  FRoot->FFont = FDefaultFont;
  const size_t length = AText.size();
  const THtmlTag* currentTag = nullptr;
  std::vector<const THtmlTag*> stack;
  THtmlNode* current = FRoot.get();
  size_t runStart = 0;  // the pending text is the half-open range [runStart, pos)
  size_t nextClose = std::u16string_view::npos;

  auto flushRun = [&](size_t AEnd) {
    if (AEnd > runStart)
      current->AddChild(std::make_unique<THtmlNode>(), std::u16string(AText.substr(runStart, AEnd - runStart)));
  };

  for (size_t pos = 0; pos < length; ++pos) {
    if (AText[pos] != u'<') continue;
    size_t close = 0;
    if (currentTag != nullptr && currentTag->RequireClosure() && pos + 2 < length && AText[pos + 1] == u'/' &&
        ReadTag(AText, pos + 2, nextClose, close) == currentTag) {
      flushRun(pos);
      pos = close;
      runStart = pos + 1;
      currentTag = stack.back();
      stack.pop_back();
      current = current->Parent();
      continue;
    }
    if (pos + 1 >= length) continue;
    const THtmlTag* tag = ReadTag(AText, pos + 1, nextClose, close);
    if (tag == nullptr || (tag->RequireClosure() && stack.size() >= MaxDepth)) continue;
    flushRun(pos);
    const std::u16string_view tagText = AText.substr(pos + 1, close - pos - 1);
    pos = close;
    runStart = pos + 1;
    stack.push_back(currentTag);
    currentTag = tag;
    THtmlNode& node = current->AddChild(tag->CreateNode(), std::u16string());
    current = &node;
    const size_t space = tagText.find(u' ');
    tag->ApplyAttributes(space == std::u16string_view::npos ? std::u16string_view() : tagText.substr(space + 1), node);
    if (!tag->RequireClosure()) {
      currentTag = stack.back();
      stack.pop_back();
      current = node.Parent();
    }
  }
  flushRun(length);
}

std::unique_ptr<THtmlParser> CreateParser() {
  auto parser = std::make_unique<THtmlParser>();
  parser->RegisterTag(std::make_unique<TLinkTag>());
  parser->RegisterTag(std::make_unique<TFontTag>());
  parser->RegisterTag(std::make_unique<TLineBreakTag>());
  parser->RegisterTag(std::make_unique<TBoldTag>());
  parser->RegisterTag(std::make_unique<TDivTag>());
  return parser;
}

// ---- Words

std::u16string TakeWord(std::u16string_view& AText) {
  if (AText.empty()) return {};
  size_t length = 0;
  size_t pos = 0;
  char32_t code = CodeAt(AText, pos, length);
  if (!IsWordChar(code)) {
    std::u16string word(AText.substr(0, length));
    AText.remove_prefix(length);
    return word;
  }
  while (pos < AText.size()) {
    code = CodeAt(AText, pos, length);
    pos += length;
    if (!IsWordChar(code)) break;
  }
  std::u16string word(AText.substr(0, pos));
  AText.remove_prefix(pos);
  return word;
}

}  // namespace tess::gui
