#include "Shared/Parser/uSymbol.h"

#include <gtest/gtest.h>

#include <thread>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Parser/uParser.h"
#include "Shared/Parser/uParserFactory.h"

using namespace tess::parser;

namespace {

// Productions configured per test: each class reads its members and strategy from a table the
// test fills, so that one small set of classes covers the three strategies.
struct TSpec {
  std::vector<std::function<TSymbol*(TProduction*)>> Members;
  const TStrategyClass* Strategy = nullptr;
};

template <int N>
class TP : public TProduction {
public:
  static inline TSpec Spec;
  static inline int DoMatchCalls = 0;
  static const TSymbolClass& ClassInfo() {
    static const std::u16string name = u"P" + tess::common::IntToStr(N);
    static const TSymbolClass info(name, detail::SymbolMakerOf<TP>(), &detail::IsSymbolOf<TP>);
    return info;
  }
  const TSymbolClass& GetClass() const override { return ClassInfo(); }
  const TStrategyClass& GetStrategyClass() const override {
    return Spec.Strategy != nullptr ? *Spec.Strategy : TProduction::GetStrategyClass();
  }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ++DoMatchCalls;  // once per DoMatch: the matcher fills the members exactly then
    for (auto& member : Spec.Members) ASymbols.Add(member(this));
  }
};

using P1 = TP<1>;
using P2 = TP<2>;
using P3 = TP<3>;
using P4 = TP<4>;

class TRoot : public TGrammar {
  TESS_SYMBOL_CLASS(TRoot)
public:
  static inline std::function<void(TProduction*, TSymbols&)> Members;
  bool EndOfInput = true;
  bool RequiresEndOfInput() const override { return EndOfInput; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override { Members(this, ASymbols); }
};

auto Const(std::u16string AText, bool ARequired = true) {
  return [=](TProduction* AParent) -> TSymbol* {
    return ParserFactory().CreateConstantTerminal(AParent, AText, ARequired);
  };
}
template <class T>
auto Sym(bool ARequired = true) {
  return [=](TProduction* AParent) -> TSymbol* {
    return ParserFactory().CreateSymbol(T::ClassInfo(), AParent, ARequired);
  };
}

class Matching : public ::testing::Test {
protected:
  void SetUp() override {
    P1::Spec = {};
    P2::Spec = {};
    P3::Spec = {};
    P4::Spec = {};
    P1::DoMatchCalls = P2::DoMatchCalls = P3::DoMatchCalls = P4::DoMatchCalls = 0;
    TRoot::Members = [](TProduction* AParent, TSymbols& ASymbols) {
      ASymbols.Add(ParserFactory().CreateSymbol(P1::ClassInfo(), AParent));
    };
    FGrammar.ConfigureTokenizer(FParser.Tokenizer());
  }

  // Parses and reports success; the matched tree stays in FGrammar.
  bool Parse(const std::u16string& AText) {
    FGrammar.Reset();
    try {
      FParser.Parse(FGrammar, AText, FMaxPosition);
      return true;
    } catch (const EGrammarError&) {
      return false;
    }
  }

  // The matched terminals' texts below the grammar, in order, as one line.
  std::u16string Matched() const { return ParserFactory().GetProductionText(&FGrammar); }

  TGrammarParser FParser;
  TRoot FGrammar;
  int32_t FMaxPosition = -1;
};

}  // namespace

TEST_F(Matching, SequenceSkipsOptionalMembersThatFail) {
  P1::Spec.Members = {Const(u"a"), Const(u"b", false), Const(u"c"), Const(u"d", false)};
  EXPECT_TRUE(Parse(u"a c"));
  EXPECT_EQ(Matched(), u"ac");
  EXPECT_TRUE(Parse(u"a b c d"));
  EXPECT_EQ(Matched(), u"abcd");
  EXPECT_FALSE(Parse(u"a b d"));
  EXPECT_FALSE(Parse(u"b c"));
}

TEST_F(Matching, SequenceOfOnlyOptionalMembersMatchesNothing) {
  P1::Spec.Members = {Const(u"x", false), Const(u"y", false)};
  FGrammar.EndOfInput = false;
  EXPECT_TRUE(Parse(u"z"));
  auto* p1 = dynamic_cast<P1*>(FGrammar.Child(0));
  ASSERT_NE(p1, nullptr);
  EXPECT_EQ(p1->Count(), 0);
}

TEST_F(Matching, ChoiceTakesTheFirstAlternativeThatMatches) {
  // P2 = a ; P3 = a b. The choice P1 = P2 | P3 takes P2 even though P3 would read more, and
  // then the rest of the text is left over, so the grammar fails.
  P2::Spec.Members = {Const(u"a")};
  P3::Spec.Members = {Const(u"a"), Const(u"b")};
  P1::Spec.Members = {Sym<P2>(), Sym<P3>()};
  P1::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  EXPECT_FALSE(Parse(u"a b"));
  EXPECT_EQ(P3::DoMatchCalls, 0);
  EXPECT_TRUE(Parse(u"a"));
  ASSERT_EQ(dynamic_cast<P1*>(FGrammar.Child(0))->Count(), 1);
  EXPECT_NE(dynamic_cast<P2*>(dynamic_cast<P1*>(FGrammar.Child(0))->Child(0)), nullptr);
  // Required plays no part in a choice.
  P1::Spec.Members = {Const(u"q", false), Sym<P3>(false)};
  EXPECT_TRUE(Parse(u"a b"));
  EXPECT_FALSE(Parse(u"z"));
}

TEST_F(Matching, DelimitedListNestsAndFailsOnADanglingDelimiter) {
  P1::Spec.Members = {Const(u"x"), Const(u","), Sym<P1>()};
  P1::Spec.Strategy = &TMatchingDelimitedListStrategy::ClassInfo();
  EXPECT_TRUE(Parse(u"x , x , x"));
  const auto* list = dynamic_cast<P1*>(FGrammar.Child(0));
  int depth = 0;
  for (const TProduction* link = list; link != nullptr; link = dynamic_cast<const P1*>(link->Child(2))) {
    ++depth;
    EXPECT_EQ(link->Count(), depth < 3 ? 3 : 1);
  }
  EXPECT_EQ(depth, 3);
  EXPECT_FALSE(Parse(u"x , x ,"));
  EXPECT_FALSE(Parse(u", x"));
  EXPECT_TRUE(Parse(u"x"));
}

TEST_F(Matching, AFailedListLetsTheEnclosingChoiceBacktrack) {
  // P4 = P2 | P3 with P2 = x , P2 (a list) and P3 = x , y: for "x , y" the list fails as a
  // whole at the dangling comma, and the second alternative reads the text from the start.
  P2::Spec.Members = {Const(u"x"), Const(u","), Sym<P2>()};
  P2::Spec.Strategy = &TMatchingDelimitedListStrategy::ClassInfo();
  P3::Spec.Members = {Const(u"x"), Const(u","), Const(u"y")};
  P1::Spec.Members = {Sym<P2>(), Sym<P3>()};
  P1::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  EXPECT_TRUE(Parse(u"x , y"));
  EXPECT_NE(dynamic_cast<P3*>(dynamic_cast<P1*>(FGrammar.Child(0))->Child(0)), nullptr);
  EXPECT_EQ(Matched(), u"x,y");
}

TEST_F(Matching, GrammarFailsWhenTokensAreLeftBeforeTheEnd) {
  P1::Spec.Members = {Const(u"a")};
  EXPECT_TRUE(Parse(u"  a  "));
  EXPECT_FALSE(Parse(u"a a"));
  FGrammar.EndOfInput = false;
  EXPECT_TRUE(Parse(u"a a"));
}

TEST_F(Matching, SameClassAtTheSameTokenFromTwoParentsMatchesOnce) {
  // P1 = P2 | P3, P2 = P4 'x', P3 = P4 'y', P4 = 'a' 'b': the second attempt of P4 at the
  // first token reuses the first one's children and ends at the same token.
  P4::Spec.Members = {Const(u"a"), Const(u"b")};
  P2::Spec.Members = {Sym<P4>(), Const(u"x")};
  P3::Spec.Members = {Sym<P4>(), Const(u"y")};
  P1::Spec.Members = {Sym<P2>(), Sym<P3>()};
  P1::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  ASSERT_TRUE(Parse(u"a b y"));
  EXPECT_EQ(P4::DoMatchCalls, 1);
  auto* p3 = dynamic_cast<P3*>(dynamic_cast<P1*>(FGrammar.Child(0))->Child(0));
  ASSERT_NE(p3, nullptr);
  auto* reused = dynamic_cast<P4*>(p3->Child(0));
  ASSERT_NE(reused, nullptr);
  EXPECT_EQ(reused->Count(), 2);
  EXPECT_EQ(ParserFactory().GetProductionText(reused), u"ab");
  EXPECT_EQ(dynamic_cast<TTerminal*>(p3->Child(1))->Token()->Text(), u"y");

  const TToken* first = FGrammar.RootToken()->Tokens(0);
  ASSERT_NE(first->ParentSymbols(), nullptr);
  EXPECT_TRUE(first->ParentSymbols()->Contains(u"p4"));  // keys compare without case
  EXPECT_TRUE(first->FailedSymbols()->Contains(u"P2"));
  // 'x' failed at the third token, as a terminal.
  const TToken* third = FGrammar.RootToken()->Tokens(4);
  EXPECT_TRUE(third->FailedTerminals().Contains(u"x"));
  EXPECT_FALSE(third->FailedTerminals().Contains(u"P2"));
}

TEST_F(Matching, ARepeatedFailureIsNotTriedAgain) {
  P4::Spec.Members = {Const(u"a"), Const(u"b")};
  P2::Spec.Members = {Sym<P4>(), Const(u"x")};
  P3::Spec.Members = {Sym<P4>(), Const(u"y")};
  P1::Spec.Members = {Sym<P2>(), Sym<P3>()};
  P1::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  EXPECT_FALSE(Parse(u"a c"));
  EXPECT_EQ(P4::DoMatchCalls, 1);
}

// P1 = P2 | P3 and P3 = P2 | 'a': P2 fails at the first token twice, the second time from the memo.
TEST_F(Matching, WhatNoTreeOrMemoNamesIsFreedAsTheAttemptEnds) {
  P1::Spec.Members = {Sym<P2>(), Sym<P3>()};
  P1::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  P3::Spec.Members = {Sym<P2>(), Const(u"a")};
  P3::Spec.Strategy = &TMatchingByOrStrategy::ClassInfo();
  // Nothing in either P2 matched: only the tree P1, P3, 'a' is left.
  P2::Spec.Members = {Const(u"q"), Const(u"r")};
  ASSERT_TRUE(Parse(u"a"));
  EXPECT_EQ(FGrammar.SymbolCount(), 3u);
  EXPECT_EQ(P2::DoMatchCalls, 1);
  EXPECT_TRUE(FGrammar.RootToken()->Tokens(0)->FailedSymbols()->Contains(u"P2"));
  EXPECT_EQ(Matched(), u"a");
  // 'a' matched inside the first P2 before 'r' failed: the memo names that match and P3 reuses it,
  // so the first P2 stays beside the tree with its members; the second P2 goes.
  P2::Spec.Members = {Const(u"a"), Const(u"r")};
  ASSERT_TRUE(Parse(u"a"));
  EXPECT_EQ(FGrammar.SymbolCount(), 6u);
  EXPECT_EQ(Matched(), u"a");
  EXPECT_EQ(dynamic_cast<TTerminal*>(dynamic_cast<P3*>(dynamic_cast<P1*>(FGrammar.Child(0))->Child(0))->Child(0))
                ->Token()
                ->Text(),
            u"a");
}

// P1 = 'a' [P2] 'b' ['z'] with P2 = 'b' 'x', over "a b": the sequence matches without P2 and 'z'.
// P2 stays beside the tree, since the memo names the 'b' it matched; 'z' names nothing and goes.
TEST_F(Matching, SequenceThatMatchesFreesTheOptionalMembersItSkipped) {
  P2::Spec.Members = {Const(u"b"), Const(u"x")};
  P1::Spec.Members = {Const(u"a"), Sym<P2>(false), Const(u"b"), Const(u"z", false)};
  ASSERT_TRUE(Parse(u"a b"));
  EXPECT_EQ(Matched(), u"ab");
  EXPECT_EQ(FGrammar.SymbolCount(), 6u) << "P1, 'a', 'b' in the tree; P2 with 'b' and 'x' beside it";
  EXPECT_EQ(dynamic_cast<P1*>(FGrammar.Child(0))->Count(), 2);
}

TEST_F(Matching, MemoStartsAfreshForEveryText) {
  P4::Spec.Members = {Const(u"a")};
  P1::Spec.Members = {Sym<P4>()};
  EXPECT_TRUE(Parse(u"a"));
  EXPECT_TRUE(Parse(u"a"));
  EXPECT_EQ(P4::DoMatchCalls, 2);
}

TEST_F(Matching, ResetFreesEverySymbolOfTheParse) {
  P1::Spec.Members = {Const(u"x"), Const(u","), Sym<P1>()};
  P1::Spec.Strategy = &TMatchingDelimitedListStrategy::ClassInfo();
  EXPECT_TRUE(Parse(u"x , x , x"));
  EXPECT_GT(FGrammar.SymbolCount(), 9u);
  FGrammar.Reset();
  EXPECT_EQ(FGrammar.SymbolCount(), 0u);
  EXPECT_EQ(FGrammar.Count(), 0);
  EXPECT_EQ(FGrammar.RootToken()->Count(), 0);
}

TEST_F(Matching, EventsReportEveryAttemptInOrder) {
  P1::Spec.Members = {Const(u"a"), Const(u"b", false)};
  std::vector<std::u16string> events;
  FGrammar.SetOnMatchSuccess([&](TSymbol* ASymbol, TTokenIterator&) { events.push_back(u"+" + ASymbol->Caption()); });
  FGrammar.SetOnMatchFailed([&](TSymbol* ASymbol, TTokenIterator&) { events.push_back(u"-" + ASymbol->Caption()); });
  EXPECT_TRUE(Parse(u"a"));
  // The grammar's EOF check fails nothing here; the terminal reports before it takes its token.
  EXPECT_EQ(events, (std::vector<std::u16string>{u"+a", u"-b", u"+P1", u"+TRoot"}));
}

TEST(Terminals, IdentifiersTakeWordsAndNumbersButNoKeyword) {
  struct Case {
    std::u16string text;
    bool identifier, numeric, text_terminal;
  };
  const Case cases[] = {
      {u"Form1", true, false, false}, {u"12", true, true, false},   {u"END", false, false, false},
      {u"'s'", false, false, true},   {u"[q]", true, false, false}, {u"=", false, false, false},
  };
  TTokenizer tokenizer;
  tokenizer.Keywords() = {u"end"};
  tokenizer.Quotes().CreateQuotePair(u"'");
  tokenizer.IdentifierQuotes().CreateQuotePair(u"[", u"]");
  for (const Case& c : cases) {
    TGrammar grammar;
    tokenizer.Tokenize(grammar.RootToken(), c.text);
    auto check = [&](const TSymbolClass& AClass) {
      TTokenIterator iterator(grammar.RootToken());
      TSymbol* symbol = ParserFactory().CreateSymbol(AClass, &grammar);
      return symbol->Match(iterator);
    };
    EXPECT_EQ(check(TIdentifierTerminal::ClassInfo()), c.identifier) << tess::common::Utf16ToUtf8(c.text);
    EXPECT_EQ(check(TNumericTerminal::ClassInfo()), c.numeric) << tess::common::Utf16ToUtf8(c.text);
    EXPECT_EQ(check(TTextTerminal::ClassInfo()), c.text_terminal) << tess::common::Utf16ToUtf8(c.text);
  }
}

TEST(Terminals, ConstantsCompareAsciiLettersWithoutCaseAndTakeTheirToken) {
  TTokenizer tokenizer;
  TGrammar grammar;
  tokenizer.Tokenize(grammar.RootToken(), u"oBjEcT x");
  TTokenIterator iterator(grammar.RootToken());
  TConstantTerminal* terminal = ParserFactory().CreateConstantTerminal(&grammar, u"OBJECT");
  EXPECT_EQ(terminal->Caption(), u"OBJECT");
  ASSERT_TRUE(terminal->Match(iterator));
  EXPECT_EQ(terminal->Token()->Text(), u"oBjEcT");
  EXPECT_EQ(terminal->Caption(), u"OBJECT");
  EXPECT_EQ(iterator.Token()->Text(), u"x");
  EXPECT_EQ(terminal->LastPosition(), iterator.GetBookmark());
  TConstantTerminal* other = ParserFactory().CreateConstantTerminal(&grammar, u"y");
  EXPECT_FALSE(other->Match(iterator));
  EXPECT_EQ(other->Token(), nullptr);
  EXPECT_EQ(other->Caption(), u"y");
}

// A constant keeps the number of its pooled text; every thread reads the text, also one pooled
// after that thread last read one, and the spelling is kept exactly where the memo key is not.
TEST(Terminals, ConstantsKeepTheirSpellingOnEveryThread) {
  TGrammar grammar;
  TConstantTerminal* first = ParserFactory().CreateConstantTerminal(&grammar, u"Alpha constant");
  std::u16string seen[3];
  std::thread reader([&] {
    seen[0] = first->Constant();
    TConstantTerminal* later = nullptr;
    std::thread([&] { later = ParserFactory().CreateConstantTerminal(&grammar, u"ALPHA CONSTANT"); }).join();
    seen[1] = later->Constant();
    seen[2] = ParserFactory().CreateConstantTerminal(&grammar, u"")->Constant();
  });
  reader.join();
  EXPECT_EQ(seen[0], u"Alpha constant");
  EXPECT_EQ(seen[1], u"ALPHA CONSTANT");
  EXPECT_EQ(seen[2], u"");
  EXPECT_EQ(first->MemoKey(), InternCaption(u"alpha CONSTANT"));
}

TEST(Keywords, OnlyReservedWordsThatAreNotPunctuationSorted) {
  class TKeywordGrammar : public TGrammar {
    TESS_SYMBOL_CLASS(TKeywordGrammar)
  protected:
    void AddPossibleSymbols(TSymbols& ASymbols) override {
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"OBJECT"));
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"END"));
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"("));
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u":="));
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"<>"));
      ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"=:"));  // not in the break string's order
      ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u"PLAIN"));
      ASymbols.Add(ParserFactory().CreateReservedProduction(this, u"BEGIN end"));
    }
  };
  TKeywordGrammar grammar;
  TTokenizer tokenizer;
  grammar.ConfigureTokenizer(tokenizer);
  EXPECT_EQ(tokenizer.Keywords(), (TStringList{u"=:", u"BEGIN", u"END", u"OBJECT"}));
  EXPECT_TRUE(tokenizer.IsKeyword(u"object"));
  EXPECT_FALSE(tokenizer.IsKeyword(u"plain"));
  EXPECT_EQ(grammar.SymbolCount(), 0u) << "symbols made for collection are freed with it";
}

TEST(Symbols, DefaultsSiblingsAndSearch) {
  TTokenizer tokenizer;
  TGrammar grammar;
  tokenizer.Tokenize(grammar.RootToken(), u"a b");
  TConstantProduction* production = ParserFactory().CreateConstantProduction(&grammar, u"a  b", false);
  EXPECT_FALSE(production->Required());
  EXPECT_EQ(production->Caption(), u"a b");
  EXPECT_EQ(production->Name(), u"TConstantProduction");
  EXPECT_FALSE(production->IsBNFVisible());
  EXPECT_EQ(production->LastPosition(), -1);
  TTokenIterator iterator(grammar.RootToken());
  ASSERT_TRUE(production->Match(iterator));
  ASSERT_EQ(production->Count(), 2);
  TSymbol* a = production->Child(0);
  TSymbol* b = production->Child(1);
  EXPECT_EQ(a->Index(), 0);
  EXPECT_EQ(a->NextSibling(), b);
  EXPECT_EQ(b->PreviousSibling(), a);
  EXPECT_EQ(b->NextSibling(), nullptr);
  EXPECT_EQ(a->PreviousSibling(), nullptr);
  EXPECT_EQ(production->Index(), -1);  // the grammar did not match it as a child
  EXPECT_EQ(b->FindParentByClass(TConstantProduction::ClassInfo()), production);
  EXPECT_EQ(b->FindParentByClass<TGrammar>(), &grammar);
  EXPECT_EQ(b->FindParentByClass(TTerminal::ClassInfo()), b);
  EXPECT_EQ(production->FindSymbolByClass<TConstantTerminal>(), a);
  EXPECT_EQ(production->FindSymbolByClass<TNumericTerminal>(), nullptr);
  EXPECT_EQ(ParserFactory().GetFirstTokenFor(production)->Text(), u"a");
  EXPECT_EQ(ParserFactory().GetLastTokenFor(production)->Text(), u"b");
}

// A list keeps its first entries in place of its heap pointer: across that limit every entry stays
// where it was added, and a shared copy reads the same.
TEST(Symbols, KeepTheirOrderAcrossTheInlineLimit) {
  std::vector<TSymbol*> symbols;
  for (uintptr_t i = 1; i <= 9; ++i) symbols.push_back(reinterpret_cast<TSymbol*>(i * 16));
  TSymbols list;
  for (size_t n = 0; n < symbols.size(); ++n) {
    list.Add(symbols[n]);
    ASSERT_EQ(std::vector<TSymbol*>(list.begin(), list.end()),
              std::vector<TSymbol*>(symbols.begin(), symbols.begin() + static_cast<std::ptrdiff_t>(n) + 1));
    ASSERT_EQ(list.Last(), symbols[n]);
    ASSERT_EQ(list.IndexOf(symbols[n]), static_cast<int32_t>(n));
  }
  TSymbols copy;
  copy.Add(symbols[8]);
  copy.AssignShared(list);
  EXPECT_EQ(std::vector<TSymbol*>(copy.begin(), copy.end()), symbols);
  list.Clear();
  EXPECT_TRUE(list.IsEmpty());
  list.Add(symbols[4]);
  EXPECT_EQ(list.First(), symbols[4]);
  EXPECT_EQ(list.Count(), 1);
}

TEST(SymbolMemo, FindsEveryKeyPastTheLinearLimitWithAndWithoutAnArena) {
  TArena arena;
  for (TArena* where : {static_cast<TArena*>(nullptr), &arena}) {
    TSymbolMemo memo;
    std::vector<TSymbol*> symbols;
    for (uintptr_t i = 1; i <= 300; ++i) symbols.push_back(reinterpret_cast<TSymbol*>(i * 16));
    for (uint32_t key = 1; key <= 300; ++key) {
      memo.Add(key * 7, symbols[key - 1], where);
      ASSERT_EQ(memo.Find(key * 7), symbols[key - 1]);
      ASSERT_EQ(memo.Find(key * 7 + 1), nullptr);
    }
    memo.Add(7, symbols[5], where);  // a key added again keeps its first symbol
    EXPECT_EQ(memo.Count(), 300u);
    for (uint32_t key = 1; key <= 300; ++key) EXPECT_EQ(memo.Find(key * 7), symbols[key - 1]);
    EXPECT_EQ(memo.Entries()[299].Key, 2100u);
  }
}

// A table of keys only is searched without an index for longer than one with symbols: every key is
// found on both sides of that limit, marked or not, in the order added, and none names a symbol. A
// key added again keeps its place and takes a new mark.
TEST(SymbolMemo, KeysOnlyTableFindsEveryKeyPastItsLinearLimit) {
  TArena arena;
  TSymbolMemo memo(true);
  for (uint32_t key = 1; key <= 40; ++key) {
    memo.Add(key * 5, nullptr, &arena, key % 3 == 0);
    for (uint32_t added = 1; added <= key; ++added) ASSERT_TRUE(memo.Contains(added * 5)) << key;
    ASSERT_FALSE(memo.Contains(key * 5 + 1));
    ASSERT_EQ(memo.Find(key * 5), nullptr);
  }
  memo.Add(5, nullptr, &arena, true);
  memo.Add(15, nullptr, &arena, false);
  EXPECT_EQ(memo.Count(), 40u);
  for (uint32_t i = 0; i < 40; ++i) {
    EXPECT_EQ(memo.Entries()[i].Key, (i + 1) * 5);
    EXPECT_EQ(memo.Entries()[i].Marked, i == 0 || (i + 1) % 3 == 0) << i;
  }
}
