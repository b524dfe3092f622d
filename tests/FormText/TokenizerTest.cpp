// How form text is cut into tokens: string runs, brace blocks, keywords and the IDE's numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "FormText/uDFMParserFactory.h"
#include "FormText/uDFMTokenizer.h"
#include "Shared/Common/uEncoding.h"

using namespace tess;
using namespace tess::formtext;

namespace {

// The significant tokens of a text as "Kind:text" lines, kinds shortened (Word, Key, Str, Num,
// Brk), the end of file left out.
std::vector<std::string> Tokens(const std::string& AText) {
  static TDFMHelper helper;  // a tokenizer configured by both grammars, as the facade uses it
  parser::TCompositeToken root;
  helper.Parser().Tokenizer().Tokenize(&root, common::U16(AText));
  std::vector<std::string> result;
  for (int32_t i = 0; i < root.Count(); ++i) {
    parser::TToken* token = root.Tokens(i);
    const std::u16string_view kind = token->ClassName();
    std::string shown;
    if (kind == u"TWhiteSpace" || kind == u"TEOFToken") continue;
    if (kind == u"TTextToken")
      shown = "Word";
    else if (kind == u"TReservedWordToken")
      shown = "Key";
    else if (kind == u"TQuotedStringToken")
      shown = "Str";
    else if (kind == u"TNumericToken")
      shown = "Num";
    else if (kind == u"TBreakToken")
      shown = "Brk";
    else
      shown = common::Utf16ToUtf8(kind);
    result.push_back(shown + ":" + common::Utf16ToUtf8(token->Text()));
  }
  return result;
}

struct TokenRow {
  const char* Name;
  std::string Text;
  std::vector<std::string> Expected;
};

class FormTokenizer : public ::testing::TestWithParam<TokenRow> {};

}  // namespace

TEST_P(FormTokenizer, CutsTextAsTheIdeWritesIt) { EXPECT_EQ(Tokens(GetParam().Text), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Rows, FormTokenizer,
    ::testing::Values(
        TokenRow{"DoubledApostrophe", "Caption = 'It''s'", {"Word:Caption", "Brk:=", "Str:'It''s'"}},
        TokenRow{"GluedPiecesAndCodes", "'Line 1'#13#10'Line 2'", {"Str:'Line 1'#13#10'Line 2'"}},
        TokenRow{"BlankSeparatesPieces", "'a' 'b'", {"Str:'a'", "Str:'b'"}},
        TokenRow{"CodesAlone", "#65#66", {"Str:#65#66"}},
        TokenRow{"HexCodeIsNotPartOfTheRun", "#$41", {"Str:#", "Word:$41"}},
        TokenRow{"BraceBlockOverLines",
                 "Data = {\r\n  0A0B\r\n  0C0D}",
                 {"Word:Data", "Brk:=", "Str:{\r\n  0A0B\r\n  0C0D}"}},
        TokenRow{"ClosingBraceOpensARun", "} x {", {"Str:} x {"}},
        // Unclosed pieces run to the end but are no string, so no grammar can take them as a value.
        TokenRow{"UnterminatedStringRunsToTheEnd", "'abc\r\nend", {"TCustomTextToken:'abc\r\nend"}},
        TokenRow{"UnterminatedBraceBlock", "{ 00\r\nend", {"TCustomTextToken:{ 00\r\nend"}},
        TokenRow{"LastPieceUnterminated", "'a'#13'b", {"TCustomTextToken:'a'#13'b"}},
        TokenRow{"DoubledQuoteAtTheEnd", "'a''", {"TCustomTextToken:'a''"}},
        TokenRow{
            "KeywordsInAnyCase", "object Object OBJECT end", {"Key:object", "Key:Object", "Key:OBJECT", "Key:end"}},
        TokenRow{"ItemTrueFalseAreWords", "item True false", {"Word:item", "Word:True", "Word:false"}},
        TokenRow{"QuotedKeywordIsAString", "'end'", {"Str:'end'"}},
        TokenRow{"DoubleQuoteIsABreak", "\"x\"", {"Brk:\"", "Word:x", "Brk:\""}},
        TokenRow{"NoComments", "// note", {"Brk:/", "Brk:/", "Word:note"}},
        TokenRow{"PlainNumbers", "12 3.5 0", {"Num:12", "Num:3.5", "Num:0"}},
        TokenRow{"SignIsABreak", "-12", {"Brk:-", "Num:12"}}, TokenRow{"ExponentWithSign", "1.5E+02", {"Num:1.5E+02"}},
        TokenRow{"ExponentsTheIdeWrites",
                 "1.000000015047466E30 1E17 1.25E-5 2e3",
                 {"Num:1.000000015047466E30", "Num:1E17", "Num:1.25E-5", "Num:2e3"}},
        TokenRow{"NegativeExponentFloat", "-1.000000015047466E29", {"Brk:-", "Num:1.000000015047466E29"}},
        TokenRow{"TypeSuffixes",
                 "44231d 41488.4481893519d 0c 1.5s 7D 3C 2S",
                 {"Num:44231d", "Num:41488.4481893519d", "Num:0c", "Num:1.5s", "Num:7D", "Num:3C", "Num:2S"}},
        TokenRow{"SuffixBeforeABreak", "(0c)", {"Brk:(", "Num:0c", "Brk:)"}},
        TokenRow{"ExponentNeedsADigit", "1E x", {"Num:1", "Word:E", "Word:x"}},
        TokenRow{"ExponentSignNeedsADigit", "1E+", {"Num:1", "Word:E", "Brk:+"}},
        TokenRow{"LettersAfterANumberStayAWord", "12days 1Form", {"Num:12", "Word:days", "Num:1", "Word:Form"}},
        TokenRow{"HexDigitsAreNotSuffixes", "0x1D 0x1C", {"Num:0x1D", "Num:0x1C"}},
        TokenRow{"DottedName", "Font.Name", {"Word:Font", "Brk:.", "Word:Name"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(FormTokenizerConfiguration, BothGrammarsLeaveQuotesAndFourKeywords) {
  TDFMHelper helper;
  parser::TTokenizer& tokenizer = helper.Parser().Tokenizer();
  EXPECT_NE(dynamic_cast<TDFMTokenizer*>(&tokenizer), nullptr);
  ASSERT_EQ(tokenizer.Quotes().Count(), 2u);
  EXPECT_EQ(tokenizer.Quotes().Items(0)->FirstQuote(), u"'");
  EXPECT_EQ(tokenizer.Quotes().Items(0)->LastQuote(), u"'");
  EXPECT_EQ(tokenizer.Quotes().Items(1)->FirstQuote(), u"{");
  EXPECT_EQ(tokenizer.Quotes().Items(1)->LastQuote(), u"}");
  EXPECT_EQ(tokenizer.IdentifierQuotes().Count(), 0u);
  EXPECT_TRUE(tokenizer.CompositeOperations().empty());
  EXPECT_EQ(tokenizer.Keywords(), (common::TStringList{u"END", u"INHERITED", u"INLINE", u"OBJECT"}));
}

TEST(FormParserFactory, EveryParserMadeAfterInstallingCutsFormText) {
  InstallDFMParserFactory();
  InstallDFMParserFactory();  // a second install keeps the factory in place
  EXPECT_NE(dynamic_cast<TDFMParserFactory*>(&parser::ParserFactory()), nullptr);
  parser::TGrammarParser parser;
  EXPECT_NE(dynamic_cast<TDFMTokenizer*>(&parser.Tokenizer()), nullptr);
}

// The string reader keeps positions: the token after a run starts where the run ended.
TEST(FormTokenizerRanges, RunsCoverTheirTextExactly) {
  TDFMHelper helper;
  parser::TCompositeToken root;
  const std::u16string text = u"A = 'x'#13 + {00}";
  helper.Parser().Tokenizer().Tokenize(&root, text);
  EXPECT_EQ(root.Text(), text);
  for (int32_t i = 0; i < root.Count(); ++i) {
    parser::TToken* token = root.Tokens(i);
    EXPECT_EQ(
        text.substr(static_cast<size_t>(token->StartPos()), static_cast<size_t>(token->EndPos() - token->StartPos())),
        token->Text());
  }
}
