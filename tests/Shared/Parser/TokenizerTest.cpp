#include "Shared/Parser/uTokenizer.h"

#include <gtest/gtest.h>

#include "ParserTestSupport.h"
#include "Shared/Parser/uParserFactory.h"

using namespace tess::parser;
using tess::parser::testing::Tokenize;
using Tokens = std::vector<std::string>;

namespace {

std::unique_ptr<TTokenizer> WithApostrophes() {
  auto tokenizer = std::make_unique<TTokenizer>();
  tokenizer->Quotes().CreateQuotePair(u"'");
  return tokenizer;
}

struct ReaderCase {
  const char* name;
  std::u16string text;
  Tokens tokens;
};

void PrintTo(const ReaderCase& ACase, std::ostream* AOut) { *AOut << ACase.name; }

class Readers : public ::testing::TestWithParam<ReaderCase> {};

}  // namespace

TEST_P(Readers, CutTheTextAsTheReadersDecide) {
  auto tokenizer = WithApostrophes();
  tokenizer->AddLineComment(u"//");
  tokenizer->AddBlockComment(u"(*", u"*)");
  EXPECT_EQ(Tokenize(*tokenizer, GetParam().text), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Readers,
    ::testing::Values(
        ReaderCase{"DoubledQuoteStaysInside", u"'It''s'", {"TQuotedStringToken 'It''s'", "TEOFToken "}},
        ReaderCase{"UnterminatedStringRunsToTheEnd", u"'abc x", {"TQuotedStringToken 'abc x", "TEOFToken "}},
        ReaderCase{"EmptyStringThenWord", u"''x", {"TQuotedStringToken ''", "TTextToken x", "TEOFToken "}},
        ReaderCase{"WordThenString", u"abc'def'", {"TTextToken abc", "TQuotedStringToken 'def'", "TEOFToken "}},
        ReaderCase{"DecimalNumber", u"12.5", {"TNumericToken 12.5", "TEOFToken "}},
        ReaderCase{
            "SecondPointEndsNumber", u"1.2.3", {"TNumericToken 1.2", "TBreakToken .", "TNumericToken 3", "TEOFToken "}},
        ReaderCase{"UpperHex", u"0x1F", {"TNumericToken 0x1F", "TEOFToken "}},
        ReaderCase{"LowerHexDigitEndsNumber", u"0x1f", {"TNumericToken 0x1", "TTextToken f", "TEOFToken "}},
        ReaderCase{"ExponentIsAWord", u"1E5", {"TNumericToken 1", "TTextToken E5", "TEOFToken "}},
        ReaderCase{"SecondXEndsNumber", u"0x1x2", {"TNumericToken 0x1", "TTextToken x2", "TEOFToken "}},
        ReaderCase{"SignIsABreak", u"-7", {"TBreakToken -", "TNumericToken 7", "TEOFToken "}},
        ReaderCase{"DollarIsAWord", u"$FF", {"TTextToken $FF", "TEOFToken "}},
        ReaderCase{"WordWithDigits", u"Form1", {"TTextToken Form1", "TEOFToken "}},
        ReaderCase{"DigitStartsNumber", u"1Form", {"TNumericToken 1", "TTextToken Form", "TEOFToken "}},
        ReaderCase{"BreakCharsAreSingle", u"();", {"TBreakToken (", "TBreakToken )", "TBreakToken ;", "TEOFToken "}},
        ReaderCase{"WhiteSpaceRun",
                   u"a \t\r\n\u00A0b",
                   {"TTextToken a", "TWhiteSpace  \t\r\n\u00A0", "TTextToken b", "TEOFToken "}},
        ReaderCase{"LineCommentAtEndGetsCrLf", u"a//x", {"TTextToken a", "TLineComment //x\r\n", "TEOFToken "}},
        ReaderCase{"LineCommentTakesTwoLineFeeds", u"//x\n\nb", {"TLineComment //x\r\n", "TTextToken b", "TEOFToken "}},
        ReaderCase{"BlockComment", u"(* a *)b", {"TBlockComment (* a *)", "TTextToken b", "TEOFToken "}},
        ReaderCase{"BlockCommentsDoNotNest",
                   u"(* (* *) *)",
                   {"TBlockComment (* (* *)", "TWhiteSpace  ", "TBreakToken *", "TBreakToken )", "TEOFToken "}},
        ReaderCase{"UnterminatedBlockComment", u"(* open", {"TBlockComment (* open", "TEOFToken "}},
        ReaderCase{"CommentOpenerWinsOverQuote", u"//'x'", {"TLineComment //'x'\r\n", "TEOFToken "}}),
    [](const ::testing::TestParamInfo<ReaderCase>& AInfo) { return std::string(AInfo.param.name); });

TEST(Tokenizer, EmptyTextGivesOneEndOfFileToken) {
  TTokenizer tokenizer;
  TCompositeToken root;
  tokenizer.Tokenize(&root, u"");
  ASSERT_EQ(root.Count(), 1);
  EXPECT_NE(dynamic_cast<TEOFToken*>(root[0]), nullptr);
  EXPECT_EQ(root[0]->StartPos(), 0);
  EXPECT_EQ(root[0]->EndPos(), 0);
  auto iterator = tokenizer.CreateIterator(&root);
  EXPECT_FALSE(iterator->IsDone());
  EXPECT_EQ(iterator->Token(), root[0]);
}

TEST(Tokenizer, ConfigurationChangesHowTheSameTextIsCut) {
  TTokenizer tokenizer;
  EXPECT_EQ(Tokenize(tokenizer, u"a := 'x'"),
            (Tokens{"TTextToken a", "TWhiteSpace  ", "TBreakToken :", "TBreakToken =", "TWhiteSpace  ", "TBreakToken '",
                    "TTextToken x", "TBreakToken '", "TEOFToken "}));
  tokenizer.AddCompositeOperation(u":=");
  EXPECT_EQ(Tokenize(tokenizer, u"a := 'x'"),
            (Tokens{"TTextToken a", "TWhiteSpace  ", "TCompositeOperationToken :=", "TWhiteSpace  ", "TBreakToken '",
                    "TTextToken x", "TBreakToken '", "TEOFToken "}));
  tokenizer.Quotes().CreateQuotePair(u"'");
  EXPECT_EQ(Tokenize(tokenizer, u"a := 'x'"), (Tokens{"TTextToken a", "TWhiteSpace  ", "TCompositeOperationToken :=",
                                                      "TWhiteSpace  ", "TQuotedStringToken 'x'", "TEOFToken "}));
}

TEST(Tokenizer, CompositeOperationsTakeTheirClassAndTheFirstEqualEntryWins) {
  TTokenizer tokenizer;
  tokenizer.AddCompositeOperation(u"<");  // never reached: a shorter entry first wins
  tokenizer.AddCompositeOperation(u"<>", &TBreakToken::ClassInfo());
  EXPECT_EQ(Tokenize(tokenizer, u"<>"), (Tokens{"TCompositeOperationToken <", "TBreakToken >", "TEOFToken "}));
  TTokenizer ordered;
  ordered.AddCompositeOperation(u"<>", &TBreakToken::ClassInfo());
  ordered.AddCompositeOperation(u"<=");
  EXPECT_EQ(Tokenize(ordered, u"<><="), (Tokens{"TBreakToken <>", "TCompositeOperationToken <=", "TEOFToken "}));
  // An operator that starts with a word character is claimed by the word reader first.
  ordered.AddCompositeOperation(u"and");
  EXPECT_EQ(Tokenize(ordered, u"and"), (Tokens{"TTextToken and", "TEOFToken "}));
}

TEST(Tokenizer, KeywordsMatchWithoutCaseAndOnlyWholeWords) {
  TTokenizer tokenizer;
  tokenizer.Keywords() = {u"begin", u"end"};
  EXPECT_EQ(Tokenize(tokenizer, u"BEGIN End Ending"),
            (Tokens{"TReservedWordToken BEGIN", "TWhiteSpace  ", "TReservedWordToken End", "TWhiteSpace  ",
                    "TTextToken Ending", "TEOFToken "}));
  EXPECT_TRUE(tokenizer.IsKeyword(u"eNd"));
  EXPECT_FALSE(tokenizer.IsKeyword(u"en"));
  EXPECT_FALSE(tokenizer.IsKeyword(u""));
}

TEST(Tokenizer, IdentifierQuotesMakeQuotedIdentifiers) {
  TTokenizer tokenizer;
  tokenizer.IdentifierQuotes().CreateQuotePair(u"[", u"]");
  EXPECT_EQ(Tokenize(tokenizer, u"[My Name]"), (Tokens{"TQuotedIdentifierToken [My Name]", "TEOFToken "}));
  EXPECT_TRUE(tokenizer.IsQuotedIdentifier(u"[x"));
  EXPECT_FALSE(tokenizer.IsQuotedIdentifier(u"]x"));
}

TEST(Tokenizer, ClosingQuoteOfAPairOpensARunToTheOpeningQuote) {
  TTokenizer tokenizer;
  tokenizer.Quotes().CreateQuotePair(u"{", u"}");
  EXPECT_EQ(Tokenize(tokenizer, u"{a}"), (Tokens{"TQuotedStringToken {a}", "TEOFToken "}));
  EXPECT_EQ(Tokenize(tokenizer, u"} x {y"), (Tokens{"TQuotedStringToken } x {", "TTextToken y", "TEOFToken "}));
  EXPECT_EQ(tokenizer.GetPairQuote(u"{"), u"}");
  EXPECT_EQ(tokenizer.GetPairQuote(u"}"), u"{");
  EXPECT_EQ(tokenizer.GetPairQuote(u"'"), u"");
}

TEST(Tokenizer, TokensCoverTheTextWithoutGaps) {
  auto tokenizer = WithApostrophes();
  tokenizer->AddLineComment(u"//");
  const std::u16string text = u"  Caption = 'It''s' + #13 // note\r\n  Width=1.5E+02 [a,b]\u00A0<x>";
  TCompositeToken root;
  tokenizer->Tokenize(&root, text);
  EXPECT_EQ(root.Text(), text);
  int32_t position = 0;
  for (int32_t i = 0; i < root.Count(); ++i) {
    EXPECT_EQ(root[i]->StartPos(), position) << i;
    EXPECT_EQ(text.substr(position, root[i]->EndPos() - position), root[i]->Text()) << i;
    position = root[i]->EndPos();
  }
  EXPECT_EQ(position, static_cast<int32_t>(text.size()));
  EXPECT_EQ(root.StartPos(), 0);
  EXPECT_EQ(root.EndPos(), static_cast<int32_t>(text.size()));
  EXPECT_EQ(root.Caption(), u"(Space - EOF)");
}

TEST(Tokenizer, ReusedForAnotherTextReplacesTheTokens) {
  auto tokenizer = WithApostrophes();
  TCompositeToken root;
  tokenizer->Tokenize(&root, u"'unterminated");
  tokenizer->Tokenize(&root, u"a");
  EXPECT_EQ(tess::parser::testing::Describe(root), (Tokens{"TTextToken a", "TEOFToken "}));
  EXPECT_EQ(tokenizer->Source().SavedCount(), 0u);
}

// Tokens read their text from the input they were cut from; that input must stay theirs when the
// tokenizer takes other texts or goes, and neither a new text nor a new range of one token may
// change another's text or its own range.
TEST(Tokenizer, TokensKeepTheirTextAfterTheTokenizerMovesOnOrGoes) {
  const std::u16string first = u"alpha 'b''c' // note\n12";
  const std::u16string second = u"omega 'x''y' // more\n34";
  TCompositeToken firstRoot;
  TCompositeToken secondRoot;
  {
    auto tokenizer = WithApostrophes();
    tokenizer->AddLineComment(u"//");
    tokenizer->Tokenize(&firstRoot, first);
    tokenizer->Tokenize(&secondRoot, second);
    tokenizer->Source().Stream().SetSize(3);
    tokenizer->Source().SetText(std::u16string(first.size(), u'z'));
  }
  const Tokens firstTokens{"TTextToken alpha", "TWhiteSpace  ",          "TQuotedStringToken 'b''c'",
                           "TWhiteSpace  ",    "TLineComment // note\r\n", "TNumericToken 12",
                           "TEOFToken "};
  EXPECT_EQ(tess::parser::testing::Describe(firstRoot), firstTokens);
  EXPECT_EQ(secondRoot.Text(), u"omega 'x''y' // more\r\n34");
  firstRoot[0]->SetText(u"alpha");
  firstRoot[2]->SetRange(0, 3);
  firstRoot[5]->SetText(u"changed");
  EXPECT_EQ(firstRoot[0]->Text(), u"alpha");
  EXPECT_EQ(firstRoot[0]->StartPos(), 0);
  EXPECT_EQ(firstRoot[0]->EndPos(), 5);
  EXPECT_EQ(firstRoot[2]->Text(), u"'b''c'");
  EXPECT_EQ(firstRoot[5]->Text(), u"changed");
  EXPECT_EQ(firstRoot[5]->StartPos(), 21);
  EXPECT_EQ(*firstRoot.Input(), first);
}

TEST(Tokenizer, TheParserFactoryMakesTokenizersOfItsClass) {
  auto tokenizer = ParserFactory().CreateTokenizer();
  ASSERT_NE(tokenizer, nullptr);
  EXPECT_EQ(ParserFactory().GetTokenizerClass().Name, u"TTokenizer");
}

namespace {

// Replaces both readers a layer above the engine may replace.
class TShoutingReader : public TQuotedStringReader {
public:
  using TQuotedStringReader::TQuotedStringReader;

protected:
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override {
    TToken* token = TQuotedStringReader::DoReadToken(AParentToken, ASource);
    if (token != nullptr) token->SetText(token->Text() + u"!");
    return token;
  }
};

class TSignedNumberReader : public TNumericReader {
public:
  using TNumericReader::TNumericReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override {
    if (!ASource.Done() && ASource.PeekChar() == u'E') return false;
    return TNumericReader::DoAccept(AParentToken, ASource);
  }
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override {
    TToken* token = TNumericReader::DoReadToken(AParentToken, ASource);
    if (token != nullptr && !ASource.Done() && ASource.PeekChar() == u'E') {
      ASource.Next(1);
      token->SetText(token->Text() + u"E" + ASource.ReadWhileNotEntry(u" ", false));
    }
    return token;
  }
};

class TCustomTokenizer : public TTokenizer {
  TESS_TOKENIZER_CLASS(TCustomTokenizer)
protected:
  std::unique_ptr<TTokenReader> CreateQuotedStringReader() override { return std::make_unique<TShoutingReader>(this); }
  std::unique_ptr<TTokenReader> CreateNumberReader() override { return std::make_unique<TSignedNumberReader>(this); }
};

}  // namespace

TEST(Tokenizer, ASubclassReplacesTheStringAndNumberReaders) {
  TCustomTokenizer tokenizer;
  tokenizer.Quotes().CreateQuotePair(u"'");
  EXPECT_EQ(Tokenize(tokenizer, u"'a' 1E5"),
            (Tokens{"TQuotedStringToken 'a'!", "TWhiteSpace  ", "TNumericToken 1E5", "TEOFToken "}));
  EXPECT_NE(dynamic_cast<TShoutingReader*>(&tokenizer.QuotedStringReader()), nullptr);
}

TEST(ReaderFramework, AFailedOrRaisingReadLeavesTheSourceWhereItWas) {
  class TRaising : public TTokenReader {
  public:
    using TTokenReader::TTokenReader;
    bool Raise = true;

  protected:
    bool DoAccept(TCompositeToken&, TSourceFeeder& ASource) override {
      ASource.Next(2);
      if (Raise) throw std::runtime_error("accept");
      return true;
    }
    TToken* DoReadToken(TCompositeToken&, TSourceFeeder& ASource) override {
      ASource.Next(3);
      if (Raise) throw std::runtime_error("read");
      return nullptr;
    }
  };
  TTokenizer tokenizer;
  TRaising reader(&tokenizer);
  TSourceFeeder source;
  source.SetText(u"abcdef");
  source.Next(1);
  TCompositeToken root;
  EXPECT_THROW(reader.Accept(root, source), std::runtime_error);
  EXPECT_EQ(source.Position(), 1);
  EXPECT_THROW(reader.ReadToken(root, source), std::runtime_error);
  EXPECT_EQ(source.Position(), 1);
  reader.Raise = false;
  EXPECT_TRUE(reader.Accept(root, source));
  EXPECT_EQ(source.Position(), 1);
  EXPECT_EQ(reader.ReadToken(root, source), nullptr);
  EXPECT_EQ(source.Position(), 1);
  EXPECT_EQ(source.SavedCount(), 0u);
}

TEST(QuotePairs, FindTheFirstPairOnEitherSide) {
  TQuotePairs pairs;
  pairs.CreateQuotePair(u"'");
  pairs.CreateQuotePair(u"(*", u"*)");
  EXPECT_EQ(pairs.FindQuotePair(u"*)"), pairs.Items(1));
  EXPECT_EQ(pairs.GetPairedQuote(u"(*"), u"*)");
  EXPECT_EQ(pairs.GetPairedQuote(u"*)"), u"(*");
  EXPECT_EQ(pairs.GetPairedQuote(u"'"), u"'");
  EXPECT_EQ(pairs.FindQuotePair(u"\""), nullptr);
  TQuotePair copy(u"a", u"b");
  copy.Assign(*pairs.Items(1));
  EXPECT_EQ(copy.FirstQuote(), u"(*");
  EXPECT_EQ(copy.LastQuote(), u"*)");
}

TEST(Tokens, ClassTreeDecidesTheVisitorCallAndTheKind) {
  struct TRecorder : TTokenVisitor {
    std::vector<std::string> Calls;
    void VisitToken(TToken*) override { Calls.push_back("Token"); }
    void VisitCustomTextToken(TCustomTextToken* AToken) override {
      Calls.push_back("Custom");
      TTokenVisitor::VisitCustomTextToken(AToken);
    }
    void VisitTextToken(TTextToken* AToken) override {
      Calls.push_back("Text");
      TTokenVisitor::VisitTextToken(AToken);
    }
  };
  TCompositeToken root;
  TRecorder recorder;
  root.Add<TWhiteSpace>()->Accept(recorder);
  root.Add<TQuotedIdentifierToken>()->Accept(recorder);
  root.Add<TEOFToken>()->Accept(recorder);
  EXPECT_EQ(recorder.Calls, (Tokens{"Text", "Custom", "Token", "Custom", "Token", "Token"}));

  TToken* number = root.Add<TNumericToken>();
  TToken* reserved = root.Add<TReservedWordToken>();
  EXPECT_NE(dynamic_cast<TTextToken*>(number), nullptr);
  EXPECT_EQ(dynamic_cast<TTextToken*>(reserved), nullptr);
  EXPECT_EQ(number->Level(), 1);
  EXPECT_EQ(root.Level(), 0);
  root[2]->SetText(u"ignored");
  EXPECT_EQ(root[2]->Text(), u"");
  EXPECT_EQ(root[2]->Caption(), u"EOF");
  EXPECT_EQ(root[0]->Caption(), u"Space");
  root.SetText(u"whole");
  ASSERT_EQ(root.Count(), 1);
  EXPECT_NE(dynamic_cast<TTextToken*>(root[0]), nullptr);
  EXPECT_EQ(root.Text(), u"whole");
}

TEST(TokenIterator, SkipsWhiteSpaceAndCommentsAndRemembersTheFurthestToken) {
  TTokenizer tokenizer;
  tokenizer.AddLineComment(u"//");
  TCompositeToken root;
  tokenizer.Tokenize(&root, u"   a   b");
  auto iterator = tokenizer.CreateIterator(&root);
  EXPECT_EQ(iterator->Token()->Text(), u"a");
  const TBookmark atA = iterator->GetBookmark();
  iterator->Next();
  EXPECT_EQ(iterator->Token()->Text(), u"b");
  iterator->Next();
  EXPECT_NE(dynamic_cast<TEOFToken*>(iterator->Token()), nullptr);
  EXPECT_EQ(iterator->MaxPosition(), root.Count() - 1);
  iterator->GoToBookmark(atA);
  EXPECT_EQ(iterator->Token()->Text(), u"a");
  EXPECT_EQ(iterator->MaxPosition(), root.Count() - 1);
  iterator->Next();
  iterator->Next();
  iterator->Next();
  EXPECT_TRUE(iterator->IsDone());

  iterator->SetIgnoreWhiteSpaces(false);
  iterator->First();
  EXPECT_NE(dynamic_cast<TWhiteSpace*>(iterator->Token()), nullptr);
  EXPECT_EQ(iterator->MaxPosition(), 0);

  tokenizer.Tokenize(&root, u"//c\r\nx");
  iterator->SetIgnoreWhiteSpaces(true);
  iterator->SetIgnoreComments(false);
  iterator->First();
  EXPECT_NE(dynamic_cast<TLineComment*>(iterator->Token()), nullptr);
  iterator->SetIgnoreComments(true);
  iterator->First();
  EXPECT_EQ(iterator->Token()->Text(), u"x");
}
