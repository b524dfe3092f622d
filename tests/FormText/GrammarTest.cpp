// The form-text language: what the two grammars accept, what their accessors read, and listings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "FormText/uDFMGrammar.h"
#include "FormText/uDFMParserFactory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Parser/uParser.h"
#include "Shared/Parser/uParserFactory.h"

using namespace tess;
using namespace tess::formtext;

namespace {

class FormGrammar : public ::testing::Test {
protected:
  FormGrammar() {
    InstallDFMParserFactory();
    FParser = std::make_unique<parser::TGrammarParser>();
    FGrammar.ConfigureTokenizer(FParser->Tokenizer());
    FValueGrammar.ConfigureTokenizer(FParser->Tokenizer());
  }

  bool ParseForm(const std::string& AText) { return Parse(FGrammar, AText); }
  bool ParseValue(const std::string& AText) { return Parse(FValueGrammar, AText); }

  TDFMObject* Root() { return dynamic_cast<TDFMObject*>(FGrammar.Child(0)); }
  // The first production of class T in the matched form, depth-first.
  template <class T>
  T* Find() {
    return FGrammar.FindSymbolByClass<T>();
  }

  std::unique_ptr<parser::TGrammarParser> FParser;
  TDFMGrammar FGrammar;
  TDFMValueGrammar FValueGrammar;

private:
  bool Parse(parser::TGrammar& AGrammar, const std::string& AText) {
    AGrammar.Reset();
    int32_t maxPosition = 0;
    try {
      FParser->Parse(AGrammar, common::U16(AText), maxPosition);
      return true;
    } catch (const parser::EGrammarError& error) {
      EXPECT_STREQ(error.what(), "Grammar failed");
      return false;
    }
  }
};

struct AcceptRow {
  const char* Name;
  std::string Text;
  bool Accepted;
};

class FormGrammarAccepts : public FormGrammar, public ::testing::WithParamInterface<AcceptRow> {};
class ValueGrammarAccepts : public FormGrammar, public ::testing::WithParamInterface<AcceptRow> {};

std::string Form(const std::string& ABody) { return "object Form1: TForm1\r\n" + ABody + "\r\nend\r\n"; }

std::string RowName(const ::testing::TestParamInfo<AcceptRow>& AInfo) { return AInfo.param.Name; }

}  // namespace

TEST_P(FormGrammarAccepts, WholeFiles) { EXPECT_EQ(ParseForm(GetParam().Text), GetParam().Accepted); }

INSTANTIATE_TEST_SUITE_P(
    Rows, FormGrammarAccepts,
    ::testing::Values(
        AcceptRow{"Smallest", "object Form1: TForm1 end", true},
        AcceptRow{"UpperCaseKeywords", "OBJECT Form1: TForm1 END", true},
        AcceptRow{"InheritedWithIndex", "inherited Header1: THeaderPanel [2] end", true},
        AcceptRow{"NoClass", "object TLabel end", true}, AcceptRow{"ColonWithoutClass", "object TLabel: end", false},
        AcceptRow{"NegativeNumbers", Form("Left = -12\r\nTop = - 12"), true},
        AcceptRow{"PlusSignNumber", Form("Left = +12"), false},
        AcceptRow{"StringPieces", Form("Caption = 'a' + 'b' + #13"), true},
        AcceptRow{"DanglingPlus", Form("Caption = 'a' +\r\nLeft = 1"), false},
        AcceptRow{"Sets", Form("Anchors = [akLeft, akTop]\r\nB = []\r\nC = [1, 2]"), true},
        AcceptRow{"SetOfString", Form("A = ['a']"), false},
        AcceptRow{"Collections", Form("Items = < item Caption = 'x' end item end >\r\nB = <>\r\nC = <x end>"), true},
        AcceptRow{"Lists", Form("L = ( 'a' 'b' )\r\nP = ( ( 1 2 ) ( 3 4 ) )\r\nE = ()"), true},
        // Components that stream their own data mix primitives and lists (EntryCommands.TableList).
        AcceptRow{"MixedList", Form("T = ( 'Default' True () 'WordStar' False ( 1 ) )\r\nM = ( 1 ( 2 ) )"), true},
        AcceptRow{"SetInsideList", Form("L = ( [a] )"), false},
        AcceptRow{"BraceBlock", Form("Data = {\r\n  0A0B\r\n  0C0D}"), true},
        AcceptRow{"ExponentNumber", Form("Width = 1.5E+02"), true},
        AcceptRow{"DateAndCurrency", Form("D = 44231d\r\nC = -0.5c\r\nS = 1.5s"), true},
        AcceptRow{"KeywordAsValue", Form("Kind = inline"), false}, AcceptRow{"KeywordAsName", Form("end = 1"), false},
        AcceptRow{"DottedNames", Form("Font.Name = 'Tahoma'\r\nItems.Strings.X = a.b.c"), true},
        AcceptRow{"NestedObjectsBetweenProperties", Form("A = 1\r\nobject B: TB end\r\nC = 2"), true},
        AcceptRow{"ObjectInsideItem", Form("I = < item object X: TX end end >"), true},
        AcceptRow{"SecondRootObject", "object A: TA end object B: TB end", false},
        AcceptRow{"MissingEnd", "object A: TA Left = 1", false}, AcceptRow{"Empty", "", false},
        AcceptRow{"CommentIsNotAComment", Form("// note\r\nA = 1"), false}),
    RowName);

TEST_P(ValueGrammarAccepts, SingleValues) { EXPECT_EQ(ParseValue(GetParam().Text), GetParam().Accepted); }

INSTANTIATE_TEST_SUITE_P(Rows, ValueGrammarAccepts,
                         ::testing::Values(AcceptRow{"Identifier", "clRed", true}, AcceptRow{"Number", "12", true},
                                           AcceptRow{"Negative", "-3", true}, AcceptRow{"String", "'abc'", true},
                                           AcceptRow{"Pieces", "'a' + 'b'", true}, AcceptRow{"Set", "[akLeft]", true},
                                           AcceptRow{"List", "(1 2)", true},
                                           AcceptRow{"Collection", "< item end >", true},
                                           AcceptRow{"Binary", "{ 00 }", true}, AcceptRow{"Exponent", "1.5E+02", true},
                                           AcceptRow{"SurroundingBlanks", "  clRed \r\n", true},
                                           AcceptRow{"Empty", "", false}, AcceptRow{"TwoValues", "1 2", false},
                                           AcceptRow{"PropertyRow", "Left = 1", false},
                                           AcceptRow{"Keyword", "object", false}),
                         RowName);

TEST_F(FormGrammar, ObjectHeaderAccessors) {
  ASSERT_TRUE(ParseForm("Inherited Header1: THeaderPanel [2] end"));
  EXPECT_EQ(Root()->Kind(), u"INHERITED");
  EXPECT_EQ(Root()->ObjectName(), u"Header1");
  EXPECT_EQ(Root()->Ancestor(), u"THeaderPanel");
  EXPECT_EQ(Root()->Count(), 2);
  EXPECT_EQ(Root()->Props(), nullptr);

  ASSERT_TRUE(ParseForm("inline Frame1: TFrame1 end"));
  EXPECT_EQ(Root()->Kind(), u"INLINE");
  EXPECT_EQ(Root()->Count(), -1);

  ASSERT_TRUE(ParseForm("object TLabel end"));
  EXPECT_EQ(Root()->ObjectName(), u"TLabel");
  EXPECT_EQ(Root()->Ancestor(), u"");
  EXPECT_EQ(Root()->Count(), -1);

  // What binary forms print for a nameless object with a child position, and a negative one.
  ASSERT_TRUE(ParseForm("inherited TButton [2] end"));
  EXPECT_EQ(Root()->ObjectName(), u"TButton");
  EXPECT_EQ(Root()->Count(), 2);
  ASSERT_TRUE(ParseForm("object B: TB [-7] end"));
  EXPECT_EQ(Root()->Count(), -7);
}

TEST_F(FormGrammar, IndexThatIsNotAWholeNumberFailsOnlyWhenRead) {
  ASSERT_TRUE(ParseForm("object A: TA [1.5] end"));
  EXPECT_THROW(Root()->Count(), EConvertError);
  ASSERT_TRUE(ParseForm("object A: TA [99999999999] end"));
  EXPECT_THROW(Root()->Count(), EConvertError);
  // -1 stands for "no index" in the document, so a written [-1] could not be printed back.
  ASSERT_TRUE(ParseForm("object A: TA [-1] end"));
  EXPECT_THROW(Root()->Count(), EConvertError);
}

TEST_F(FormGrammar, PropertyAndValueAccessors) {
  ASSERT_TRUE(ParseForm(Form("Font.Style = [fsBold, fsItalic]\r\nLeft = - 12\r\nCaption = 'It''s' + #13#10 + 'x'")));
  TDFMProperties* props = Root()->Props();
  ASSERT_NE(props, nullptr);
  auto* row = dynamic_cast<TDFMPropertyRow*>(props->Prop()->Symbols()[0]);
  ASSERT_NE(row, nullptr);
  EXPECT_FALSE(props->Prop()->IsObject());
  EXPECT_EQ(row->PropName(), u"Font.Style");
  common::TStringList names{u"stale"};
  Find<TDFMSquareSet>()->FillNames(names);
  EXPECT_EQ(names, (common::TStringList{u"fsBold", u"fsItalic"}));
  EXPECT_EQ(Find<TDFMNumber>()->Value(), u"-12");
  common::TStringList pieces;
  Find<TDFMString>()->AddValues(pieces);
  EXPECT_EQ(pieces, (common::TStringList{u"'It''s'", u"#13#10", u"'x'"}));
  EXPECT_EQ(Find<TDFMString>()->Value(), u"'It''s'+#13#10+'x'");
  ASSERT_NE(props->GetNext(), nullptr);
  ASSERT_NE(props->GetNext()->GetNext(), nullptr);
  EXPECT_EQ(props->GetNext()->GetNext()->GetNext(), nullptr);
}

TEST_F(FormGrammar, ChainEnumeratorsWalkListsAndCollectionsInOrder) {
  ASSERT_TRUE(ParseForm(Form("T = ( 'a' () 1 ( 2 ) x )\r\nI = < item end other A = 1 end >\r\nE = ()\r\nN = <>")));
  auto* list = Find<TDFMRoundSet>();
  auto elements = list->GetEnumerator();
  ASSERT_NE(elements, nullptr);
  std::vector<std::string> kinds;
  while (elements->MoveNext()) {
    TSymbol* element = elements->GetCurrent();
    kinds.push_back(
        dynamic_cast<TDFMRoundSet*>(element)
            ? "list"
            : common::Utf16ToUtf8(parser::ParserFactory().GetProductionText(dynamic_cast<TProduction*>(element))));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"'a'", "list", "1", "list", "x"}));
  elements->Reset();
  EXPECT_TRUE(elements->MoveNext());
  EXPECT_EQ(parser::ParserFactory().GetProductionText(dynamic_cast<TProduction*>(elements->GetCurrent())), u"'a'");

  auto items = Find<TDFMItemSet>()->GetEnumerator();
  ASSERT_NE(items, nullptr);
  std::vector<std::u16string> names;
  while (items->MoveNext()) names.push_back(dynamic_cast<TDFMItem*>(items->GetCurrent())->ObjectName());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"item", u"other"}));
}

TEST_F(FormGrammar, EmptyListsAndCollectionsHaveNoEnumerator) {
  ASSERT_TRUE(ParseValue("()"));
  EXPECT_EQ(FValueGrammar.FindSymbolByClass<TDFMRoundSet>()->GetEnumerator(), nullptr);
  ASSERT_TRUE(ParseValue("<>"));
  EXPECT_EQ(FValueGrammar.FindSymbolByClass<TDFMItemSet>()->GetEnumerator(), nullptr);
}

TEST_F(FormGrammar, ListingShowsTheProductions) {
  common::TStringList lines;
  parser::ParserFactory().GetProductionBNF(&FGrammar, &lines);
  auto has = [&](const char16_t* ALine) { return std::find(lines.begin(), lines.end(), ALine) != lines.end(); };
  EXPECT_TRUE(has(u"TDFMObject ::= TDFMObjectKind TDFMIdentifier [TDFMInheritance] [TDFMIndex] [TDFMProperties] END"));
  EXPECT_TRUE(has(u"TDFMString ::= TTextTerminal '+' TDFMString | TTextTerminal"));
  EXPECT_TRUE(has(u"TDFMValue ::= TDFMPrimitive | TDFMSquareSet | TDFMItemSet | TDFMRoundSet"));
  EXPECT_TRUE(has(u"TDFMRoundList ::= TDFMPrimitiveList | TDFMRoundListSet"));
  EXPECT_TRUE(has(u"TDFMPrimitiveList ::= TDFMPrimitive [TDFMRoundList]"));
}

namespace {

// Counts the form-text visits of a whole parse tree walked through the two-argument Accept.
class TCountingVisitor : public TDFMVisitor {
public:
  int Objects = 0, Rows = 0, Strings = 0;
  std::any VisitObject(TDFMObject* AObject, std::any AData) override {
    ++Objects;
    for (auto* props = AObject->Props(); props; props = props->GetNext()) props->Prop()->Accept(*this, AData);
    return std::string("object");
  }
  std::any VisitPropertyRow(TDFMPropertyRow* ARow, std::any AData) override {
    ++Rows;
    ARow->PropValue()->Accept(*this, AData);
    return {};
  }
  std::any VisitString(TDFMString*, std::any AData) override {
    ++Strings;
    EXPECT_EQ(std::any_cast<int>(AData), 7);
    return {};
  }
};

class TPlainVisitor : public TSymbolVisitor {
public:
  int Calls = 0;
  std::any VisitSymbol(TSymbol*, std::any) override {
    ++Calls;
    return std::string("plain");
  }
};

}  // namespace

TEST_F(FormGrammar, TwoArgumentAcceptDispatchesToFormVisitorsOnly) {
  ASSERT_TRUE(ParseForm(Form("A = 'x'\r\nobject B: TB C = 'y' end\r\nD = 1")));
  TCountingVisitor visitor;
  std::any result = Root()->Accept(visitor, std::any(7));
  EXPECT_EQ(std::any_cast<std::string>(result), "object");
  EXPECT_EQ(visitor.Objects, 2);
  EXPECT_EQ(visitor.Rows, 3);
  EXPECT_EQ(visitor.Strings, 2);

  TPlainVisitor plain;
  EXPECT_EQ(std::any_cast<std::string>(Root()->Accept(plain, std::any())), "plain");
  // A property passes the call to its one child, which for a plain visitor is the default.
  EXPECT_EQ(std::any_cast<std::string>(Root()->Props()->Prop()->Accept(plain, std::any())), "plain");
  EXPECT_EQ(plain.Calls, 2);
}
