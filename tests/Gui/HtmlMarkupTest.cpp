// The markup parser's trees, attributes, colours and word cutting, compared in a printable form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Components/uHtmlMarkup.h"

namespace tess::gui {
namespace {

// A node as text: its own text in quotes, what its font changed from its parent's, its id, then
// its children in brackets. "b" bold added, "u" underline added, "c=RRGGBB-like hex", "s=size",
// "f=face".
std::string Describe(const THtmlNode& ANode) {
  std::string out;
  if (!ANode.FText.empty()) out += "\"" + common::Utf16ToUtf8(ANode.FText) + "\"";
  if (const THtmlNode* parent = ANode.Parent()) {
    const uint8_t added = ANode.FFont.FStyle & ~parent->FFont.FStyle;
    if (added & fsBold) out += " b";
    if (added & fsUnderline) out += " u";
    if (ANode.FFont.FColor != parent->FFont.FColor) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, " c=%06X", ANode.FFont.FColor);
      out += buffer;
    }
    if (ANode.FFont.FSize != parent->FFont.FSize) out += " s=" + std::to_string(ANode.FFont.FSize);
    if (ANode.FFont.FName != parent->FFont.FName) out += " f=" + common::Utf16ToUtf8(ANode.FFont.FName);
  }
  if (!ANode.FId.empty()) out += " id=" + common::Utf16ToUtf8(ANode.FId);
  if (!ANode.Nodes().empty()) {
    out += "[";
    for (size_t i = 0; i < ANode.Nodes().size(); ++i) out += (i ? "," : "") + Describe(*ANode.Nodes()[i]);
    out += "]";
  }
  return out;
}

struct TParseCase {
  const char* Name;
  const char16_t* Markup;
  const char* Tree;  // the root's children, as Describe prints them
};

class MarkupParser : public ::testing::TestWithParam<TParseCase> {};

TEST_P(MarkupParser, BuildsTheTree) {
  std::unique_ptr<THtmlParser> parser = CreateParser();
  TFontData font;
  font.FName = u"Test";
  font.FColor = 0x112233;
  font.FSize = 10;
  parser->SetDefaultFont(font);
  parser->Parse(GetParam().Markup);
  std::string tree = Describe(parser->Root());
  EXPECT_EQ(tree, GetParam().Tree) << common::Utf16ToUtf8(GetParam().Markup);
  // Parsing again starts from an empty root.
  parser->Parse(GetParam().Markup);
  EXPECT_EQ(Describe(parser->Root()), tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkupParser,
    ::testing::Values(
        TParseCase{"PlainText", u"Transformation complete.", "[\"Transformation complete.\"]"},
        TParseCase{"Empty", u"", ""}, TParseCase{"Bold", u"<b>Bold</b> text", "[ b[\"Bold\"],\" text\"]"},
        TParseCase{"LineBreak", u"a<br>b", "[\"a\",\"\r\n\",\"b\"]"},
        TParseCase{"Div", u"x<div>y", "[\"x\",\" | \" c=C0C0C0,\"y\"]"},
        TParseCase{"Link", u"see <a href=\"site\">here</a>", "[\"see \", u c=FF0000 id=link:site[\"here\"]]"},
        TParseCase{"LinkWithoutHref", u"<a>here</a>", "[ u c=FF0000 id=link:[\"here\"]]"},
        TParseCase{"HexColour", u"<font color=\"$5196ff\">t</font>", "[ c=5196FF[\"t\"]]"},
        TParseCase{"ToolkitColourName", u"<font color=clRed>t</font>", "[ c=0000FF[\"t\"]]"},
        TParseCase{"QtColourName", u"<font color='red'>t</font>", "[ c=0000FF[\"t\"]]"},
        TParseCase{"SystemColourName", u"<font color=clBtnFace>t</font>", "[ c=FF00000F[\"t\"]]"},
        TParseCase{"SizeNotANumber", u"<font size=big>t</font>", "[[\"t\"]]"},
        TParseCase{"SizeAndFace", u"<font size=12 face=\"DejaVu Sans\">t</font>", "[ s=12 f=DejaVu Sans[\"t\"]]"},
        TParseCase{"RepeatedAttributeLastWins", u"<font size=12 SIZE=14>t</font>", "[ s=14[\"t\"]]"},
        TParseCase{"CapitalNames", u"<B>x</B><FONT COLOR=clRed>y</FONT>", "[ b[\"x\"], c=0000FF[\"y\"]]"},
        TParseCase{"UnregisteredTagIsText", u"<i>x</i>", "[\"<i>x</i>\"]"},
        TParseCase{"UnclosedBracketIsText", u"a < b", "[\"a < b\"]"}, TParseCase{"TrailingLessThan", u"a<", "[\"a<\"]"},
        TParseCase{"MismatchedCloseIsText", u"<b>x</font>y</b>z", "[ b[\"x</font>y\"],\"z\"]"},
        TParseCase{"UnclosedTagRunsToTheEnd", u"<b>x<font color=clRed>y", "[ b[\"x\", c=0000FF[\"y\"]]]"},
        TParseCase{"NestedInheritsTheChangedFont", u"<font size=12><b>x</b></font>", "[ s=12[ b[\"x\"]]]"},
        TParseCase{"CloseWithoutOpenIsText", u"x</b>", "[\"x</b>\"]"},
        TParseCase{"DoubledQuoteInValue", u"<a href=\"say \"\"hi\"\"\">q</a>",
                   "[ u c=FF0000 id=link:say \"hi\"[\"q\"]]"},
        TParseCase{"NoEntities", u"a &amp; b", "[\"a &amp; b\"]"}),
    [](const ::testing::TestParamInfo<TParseCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST(MarkupParser, TextOutsideTagsTakesTheDefaultFont) {
  std::unique_ptr<THtmlParser> parser = CreateParser();
  TFontData font;
  font.FName = u"Face";
  font.FSize = 9;
  parser->SetDefaultFont(font);
  parser->Parse(u"a<b>c</b>");
  ASSERT_EQ(parser->Root().Nodes().size(), 2u);
  EXPECT_EQ(parser->Root().Nodes()[0]->FFont, font);
  const THtmlNode& bold = *parser->Root().Nodes()[1];
  EXPECT_EQ(bold.FFont.FStyle, fsBold);
  EXPECT_EQ(bold.Nodes()[0]->FFont.FName, u"Face");
}

TEST(MarkupAttributes, SplitAtBlanksOutsideQuotes) {
  const std::vector<THtmlAttribute> attributes = SplitAttributes(u"href=\"a b\"\tcolor='x y'  flag Size=3");
  ASSERT_EQ(attributes.size(), 4u);
  EXPECT_EQ(attributes[0].Name, u"href");
  EXPECT_EQ(attributes[0].Value, u"a b");
  EXPECT_EQ(attributes[1].Value, u"x y");
  EXPECT_EQ(attributes[2].Name, u"flag");
  EXPECT_EQ(attributes[2].Value, u"");
  EXPECT_EQ(attributes[3].Name, u"size");
  EXPECT_EQ(FindAttribute(attributes, u"size").value_or(u"?"), u"3");
  EXPECT_FALSE(FindAttribute(attributes, u"face").has_value());
  // An unterminated quote keeps the value as written.
  EXPECT_EQ(SplitAttributes(u"href=\"open")[0].Value, u"\"open");
}

struct TIntegerCase {
  const char16_t* Text;
  std::optional<int32_t> Value;
};

TEST(MarkupNumbers, ReadDecimalAndHexadecimalWithinThirtyTwoBits) {
  const TIntegerCase cases[] = {
      {u"12", 12},
      {u"-7", -7},
      {u"$5196ff", 0x5196FF},
      {u"0x10", 16},
      {u"$FF00000F", static_cast<int32_t>(0xFF00000Fu)},
      {u"2147483647", 2147483647},
      {u"-2147483648", INT32_MIN},
      {u"2147483648", std::nullopt},
      {u"$100000000", std::nullopt},
      {u"", std::nullopt},
      {u"$", std::nullopt},
      {u"12px", std::nullopt},
      {u"-", std::nullopt},
  };
  for (const TIntegerCase& c : cases) EXPECT_EQ(ReadInteger(c.Text), c.Value) << common::Utf16ToUtf8(c.Text);
}

TEST(MarkupColours, ReadNamesOfTheToolkitAndOfQtAndNumbers) {
  EXPECT_EQ(ReadColor(u"clRed"), 0x0000FFu);
  EXPECT_EQ(ReadColor(u"CLRED"), 0x0000FFu);
  EXPECT_EQ(ReadColor(u"clBtnFace"), 0xFF00000Fu);
  EXPECT_EQ(ReadColor(u"navy"), 0x800000u);
  EXPECT_EQ(ReadColor(u"#5196ff"), 0xFF9651u);
  EXPECT_EQ(ReadColor(u"$5196ff"), 0x5196FFu);
  EXPECT_EQ(ReadColor(u"255"), 255u);
  EXPECT_FALSE(ReadColor(u"notacolour").has_value());
  EXPECT_FALSE(ReadColor(u"").has_value());
}

std::vector<std::u16string> Words(std::u16string_view AText) {
  std::vector<std::u16string> words;
  while (!AText.empty()) words.push_back(TakeWord(AText));
  return words;
}

TEST(MarkupWords, KeepTheCharacterThatEndsARun) {
  using W = std::vector<std::u16string>;
  EXPECT_EQ(Words(u"Hello world"), (W{u"Hello ", u"world"}));
  EXPECT_EQ(Words(u"a, b"), (W{u"a,", u" ", u"b"}));
  EXPECT_EQ(Words(u"Transformation complete."), (W{
                                                    u"Transformation ",
                                                    u"complete.",
                                                }));
  EXPECT_EQ(Words(u"  x"), (W{u" ", u" ", u"x"}));
  EXPECT_EQ(Words(u"a\r\nb"), (W{u"a\r", u"\n", u"b"}));
  EXPECT_EQ(Words(u"Größe 42"), (W{u"Größe ", u"42"}));
  // A letter beyond the 16-bit range is one character, never split between its two halves.
  EXPECT_EQ(Words(u"\U0001D400\U0001D401 x"), (W{u"\U0001D400\U0001D401 ", u"x"}));
  EXPECT_EQ(Words(u"\U0001F600!"), (W{u"\U0001F600", u"!"}));
  EXPECT_TRUE(Words(u"").empty());
}

}  // namespace
}  // namespace tess::gui

namespace tess::gui {
namespace {

TEST(MarkupParser, NestingStopsAtTheDepthLimitAndTheRestIsText) {
  std::u16string markup;
  const size_t depth = THtmlParser::MaxDepth + 50;
  for (size_t i = 0; i < depth; ++i) markup += u"<b>";
  markup += u"x";
  std::unique_ptr<THtmlParser> parser = CreateParser();
  parser->Parse(markup);
  size_t levels = 0;
  const THtmlNode* node = &parser->Root();
  while (!node->Nodes().empty() && node->Nodes().front()->FText.empty()) {
    node = node->Nodes().front().get();
    ++levels;
  }
  EXPECT_EQ(levels, THtmlParser::MaxDepth);
  ASSERT_EQ(node->Nodes().size(), 1u);
  EXPECT_EQ(node->Nodes().front()->FText.size(), 50 * 3 + 1);
  // A line break inside the deepest tag is still a tag: it does not nest.
  parser->Parse(markup.substr(0, THtmlParser::MaxDepth * 3) + u"a<br>b");
  node = &parser->Root();
  for (size_t i = 0; i < THtmlParser::MaxDepth; ++i) node = node->Nodes().front().get();
  ASSERT_EQ(node->Nodes().size(), 3u);
  EXPECT_EQ(node->Nodes()[1]->FText, u"\r\n");
}

// Each '<' without its '>' must not rescan the rest of the text: these would take minutes if it did.
TEST(MarkupParser, ManyOpenBracketsParseInLinearTime) {
  std::unique_ptr<THtmlParser> parser = CreateParser();
  const std::u16string brackets(400000, u'<');
  parser->Parse(brackets);
  ASSERT_EQ(parser->Root().Nodes().size(), 1u);
  EXPECT_EQ(parser->Root().Nodes()[0]->FText.size(), brackets.size());
  parser->Parse(brackets + u">");
  EXPECT_EQ(parser->Root().Nodes()[0]->FText.size(), brackets.size() + 1);
  std::u16string longNames;
  for (int i = 0; i < 100000; ++i) longNames += u"<bbbbbbbbbb";
  parser->Parse(longNames + u">");
  EXPECT_EQ(parser->Root().Nodes()[0]->FText.size(), longNames.size() + 1);
}

}  // namespace
}  // namespace tess::gui
