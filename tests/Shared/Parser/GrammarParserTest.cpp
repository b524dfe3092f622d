#include "Shared/Parser/uParser.h"

#include <gtest/gtest.h>

#include "Shared/Common/uEncoding.h"
#include "Shared/Parser/uParserFactory.h"
#include "TestGrammar.h"

using namespace tess::parser;
using namespace tess::parser::testing;

namespace {

class KeyValue : public ::testing::Test {
protected:
  void SetUp() override { FGrammar.ConfigureTokenizer(FParser.Tokenizer()); }

  void Parse(const std::u16string& AText) {
    FGrammar.Reset();
    FParser.Parse(FGrammar, AText, FMaxPosition);
  }

  // "key=value" per entry, the value as its matched text.
  std::vector<std::string> Entries() const {
    std::vector<std::string> result;
    for (const TKVEntries* link = FGrammar.Entries(); link != nullptr; link = link->GetNext()) {
      const TKVEntry* entry = link->Entry();
      result.push_back(
          tess::common::Utf16ToUtf8(entry->Key() + u"=" + ParserFactory().GetProductionText(entry->Value())));
    }
    return result;
  }

  TGrammarParser FParser;
  TKVGrammar FGrammar;
  int32_t FMaxPosition = -1;
};

}  // namespace

TEST_F(KeyValue, ConfiguresTheTokenizerWithItsKeywordsAndQuotes) {
  EXPECT_EQ(FParser.Tokenizer().Keywords(), (TStringList{u"END"}));
  EXPECT_TRUE(FParser.Tokenizer().IsQuote(u"'"));
}

TEST_F(KeyValue, ParsesEntriesWithAllThreeStrategies) {
  Parse(
      u"name = 'Tess' ; // who\r\n"
      u"size := -12 { block\r\n comment }\r\n"
      u"list = (1, 'two', (three, -4), ())\r\n"
      u"empty = ()\r\n"
      u"end");
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"name='Tess'", "size=-12", "list=(1,'two',(three,-4),())", "empty=()"}));
  EXPECT_EQ(FMaxPosition, FGrammar.RootToken()->Count() - 1);
  // The optional END keyword matched as the grammar's second child.
  ASSERT_EQ(FGrammar.Count(), 2);
  EXPECT_EQ(FGrammar.Child(1)->Caption(), u"END");
}

TEST_F(KeyValue, StopsWhereTheTextStopsMakingSense) {
  struct Case {
    std::u16string text;
    std::u16string stop;  // the text of the token at MaxPosition
    int32_t line, column;
  };
  const Case cases[] = {
      {u"a = (1, 2,)", u")", 1, 11},      // a delimiter with no rest fails the whole list
      {u"a = (1, (", u"", 1, 10},         // the list is never closed
      {u"a = 1\r\nb = = 2", u"=", 2, 5},  // the second '=' has no value
      {u"a = 1 end end", u"end", 1, 11},  // a keyword is never a key
      {u"a = 'open' (", u"(", 1, 12},     // a list is a value, never a key
      {u"a = 1\nb", u"", 2, 2},          {u"= 1", u"=", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(tess::common::Utf16ToUtf8(c.text));
    try {
      Parse(c.text);
      ADD_FAILURE() << "parsed";
    } catch (const EGrammarError& error) {
      EXPECT_EQ(error.Message(), u"Grammar failed");
      EXPECT_EQ(error.MaxPosition(), FMaxPosition);
      ASSERT_LT(FMaxPosition, FGrammar.RootToken()->Count());
      EXPECT_EQ(FGrammar.RootToken()->Tokens(FMaxPosition)->Text(), c.stop);
      EXPECT_EQ(error.TokenText(), c.stop);
      EXPECT_EQ(error.Line(), c.line);
      EXPECT_EQ(error.Column(), c.column);
      EXPECT_EQ(error.Offset(), FGrammar.RootToken()->Tokens(FMaxPosition)->StartPos());
    }
  }
}

TEST_F(KeyValue, EmptyTextFailsAtTheFirstToken) {
  try {
    Parse(u"");
    FAIL() << "parsed";
  } catch (const EGrammarError& error) {
    EXPECT_EQ(FMaxPosition, 0);
    EXPECT_EQ(error.Line(), 1);
  }
}

TEST_F(KeyValue, ResetBetweenParsesLeavesOnlyTheNewTree) {
  Parse(u"a = 1 b = 2");
  const size_t symbols = FGrammar.SymbolCount();
  Parse(u"c = 3");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"c=3"}));
  EXPECT_LT(FGrammar.SymbolCount(), symbols);
  EXPECT_EQ(FGrammar.Iterator(), nullptr) << "the iterator of a parse dies with it";
}

TEST_F(KeyValue, ExceptionsOfTheGrammarPassThroughWithTheFurthestToken) {
  FGrammar.SetOnMatchSuccess([](TSymbol*, TTokenIterator& AIterator) {
    if (AIterator.Token()->Text() == u"boom") throw std::runtime_error("boom");
  });
  FMaxPosition = -1;
  EXPECT_THROW(Parse(u"a = 1 b = boom"), std::runtime_error);
  EXPECT_EQ(FGrammar.RootToken()->Tokens(FMaxPosition)->Text(), u"boom");
}

TEST_F(KeyValue, ListingHasOneLinePerVisibleProduction) {
  TStringList lines;
  ParserFactory().GetProductionBNF(&FGrammar, &lines);
  EXPECT_EQ(lines, (TStringList{
                       u"TKVEntries ::= TKVEntry [TKVEntries]",
                       u"TKVEntry ::= TIdentifierTerminal TKVAssign TKVValue [';']",
                       u"TKVAssign ::= := | '='",
                       u"TKVValue ::= TKVList | TKVNumber | TTextTerminal | TIdentifierTerminal",
                       u"TKVList ::= '(' [TKVItems] ')'",
                       u"TKVItems ::= TKVValue ',' TKVItems | TKVValue",
                       u"TKVNumber ::= ['-'] TNumericTerminal",
                   }));
  EXPECT_EQ(FGrammar.GetBNFClause(), u"TKVGrammar ::= TKVEntries [END]");
}

TEST_F(KeyValue, ProductionTextAndBoundaryTokensOfAMatch) {
  Parse(u"x = ( 'a' , ( b , -1 ) )");
  const TKVValue* value = FGrammar.Entries()->Entry()->Value();
  EXPECT_EQ(ParserFactory().GetProductionText(value), u"('a',(b,-1))");
  EXPECT_EQ(ParserFactory().GetFirstTokenFor(value)->Text(), u"(");
  EXPECT_EQ(ParserFactory().GetLastTokenFor(value)->StartPos(), 23);
  EXPECT_EQ(ParserFactory().GetFirstTokenFor(FGrammar.Entries())->Text(), u"x");
  EXPECT_EQ(FGrammar.FindSymbolByClass<TKVNumber>()->Caption(), u"TKVNumber");
  EXPECT_EQ(ParserFactory().GetProductionText(FGrammar.FindSymbolByClass<TKVNumber>()), u"-1");
}

TEST_F(KeyValue, VisitorsWalkTheMatchedTreeInSourceOrder) {
  Parse(u"a = 1; b = (c, 'd') END");
  struct TCollector : TSymbolVisitor {
    std::vector<std::string> Seen;
    void VisitSymbol(TSymbol* ASymbol) override { Seen.push_back(tess::common::Utf16ToUtf8(ASymbol->Caption())); }
    void VisitConstantTerminal(TConstantTerminal* ATerminal) override {
      Seen.push_back("<" + tess::common::Utf16ToUtf8(ATerminal->Caption()) + ">");
    }
    void VisitGrammar(TGrammar* AGrammar) override {
      Seen.push_back("grammar");
      TSymbolVisitor::VisitGrammar(AGrammar);
    }
  } collector;
  FGrammar.Accept(collector);
  EXPECT_EQ(collector.Seen, (std::vector<std::string>{"grammar", "a", "<=>", "1", "<;>", "b", "<=>", "<(>", "c", "<,>",
                                                      "'d'", "<)>", "<END>"}));
  // The event replaces the visitor call for one symbol.
  collector.Seen.clear();
  FGrammar.Entries()->SetOnAcceptVisitor([](TSymbol*, TSymbolVisitor&) {});
  FGrammar.Accept(collector);
  EXPECT_EQ(collector.Seen, (std::vector<std::string>{"grammar", "<END>"}));
  // The two-argument form returns nothing by default.
  EXPECT_FALSE(FGrammar.Accept(collector, std::any(1)).has_value());
}

TEST(ParserFactory, AReplacementFactoryNamesTheTokenizerOfEveryNewParser) {
  class TMarkedTokenizer : public TTokenizer {
    TESS_TOKENIZER_CLASS(TMarkedTokenizer)
  };
  class TMarkedFactory : public TParserFactory {
  public:
    const TTokenizerClass& GetTokenizerClass() const override { return TMarkedTokenizer::ClassInfo(); }
  };
  ReplaceParserFactory(std::make_unique<TMarkedFactory>());
  TGrammarParser marked;
  EXPECT_NE(dynamic_cast<TMarkedTokenizer*>(&marked.Tokenizer()), nullptr);
  ReplaceParserFactory(std::make_unique<TParserFactory>());
  TGrammarParser plain;
  EXPECT_EQ(dynamic_cast<TMarkedTokenizer*>(&plain.Tokenizer()), nullptr);
}
