// A small key = value language with lists, used to drive the engine end to end in the tests.
//
//   TKVGrammar  ::= TKVEntries [END]
//   TKVEntries  ::= TKVEntry [TKVEntries]
//   TKVEntry    ::= TIdentifierTerminal TKVAssign TKVValue [';']
//   TKVAssign   ::= ':=' | '='
//   TKVValue    ::= TKVList | TKVNumber | TTextTerminal | TIdentifierTerminal
//   TKVNumber   ::= ['-'] TNumericTerminal
//   TKVList     ::= '(' [TKVItems] ')'
//   TKVItems    ::= TKVValue ',' TKVItems | TKVValue
//
// Comments are // to the end of the line and { }; strings are in apostrophes.
#pragma once

#include "Shared/Parser/uParserFactory.h"
#include "Shared/Parser/uSymbol.h"

namespace tess::parser::testing {

class TKVValue;

class TKVNumber : public TProduction {
  TESS_SYMBOL_CLASS(TKVNumber)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u"-", false));
    ASymbols.Add(ParserFactory().CreateSymbol<TNumericTerminal>(this));
  }
};

class TKVItems : public TProduction {
  TESS_SYMBOL_CLASS(TKVItems)
public:
  const TStrategyClass& GetStrategyClass() const override { return TMatchingDelimitedListStrategy::ClassInfo(); }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TKVList : public TProduction {
  TESS_SYMBOL_CLASS(TKVList)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u"("));
    ASymbols.Add(ParserFactory().CreateSymbol<TKVItems>(this, false));
    ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u")"));
  }
};

class TKVValue : public TProduction {
  TESS_SYMBOL_CLASS(TKVValue)
public:
  const TStrategyClass& GetStrategyClass() const override { return TMatchingByOrStrategy::ClassInfo(); }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateSymbol<TKVList>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TKVNumber>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TTextTerminal>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TIdentifierTerminal>(this));
  }
};

inline void TKVItems::AddPossibleSymbols(TSymbols& ASymbols) {
  ASymbols.Add(ParserFactory().CreateSymbol<TKVValue>(this));
  ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u","));
  ASymbols.Add(ParserFactory().CreateSymbol<TKVItems>(this));
}

class TKVAssign : public TProduction {
  TESS_SYMBOL_CLASS(TKVAssign)
public:
  const TStrategyClass& GetStrategyClass() const override { return TMatchingByOrStrategy::ClassInfo(); }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u":="));
    ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u"="));
  }
};

class TKVEntry : public TProduction {
  TESS_SYMBOL_CLASS(TKVEntry)
public:
  std::u16string Key() const { return Child(0)->Caption(); }
  TKVValue* Value() const { return static_cast<TKVValue*>(Child(2)); }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateSymbol<TIdentifierTerminal>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TKVAssign>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TKVValue>(this));
    ASymbols.Add(ParserFactory().CreateConstantTerminal(this, u";", false));
  }
};

class TKVEntries : public TProduction {
  TESS_SYMBOL_CLASS(TKVEntries)
public:
  TKVEntry* Entry() const { return static_cast<TKVEntry*>(Child(0)); }
  TKVEntries* GetNext() const { return Count() > 1 ? static_cast<TKVEntries*>(Child(1)) : nullptr; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateSymbol<TKVEntry>(this));
    ASymbols.Add(ParserFactory().CreateSymbol<TKVEntries>(this, false));
  }
};

class TKVGrammar : public TGrammar {
  TESS_SYMBOL_CLASS(TKVGrammar)
public:
  TKVEntries* Entries() const { return static_cast<TKVEntries*>(Child(0)); }

  void DoConfigureTokenizer(TTokenizer& ATokenizer) override {
    ATokenizer.Quotes().Clear();
    ATokenizer.Quotes().CreateQuotePair(u"'");
    ATokenizer.AddLineComment(u"//");
    ATokenizer.AddBlockComment(u"{", u"}");
    ATokenizer.AddCompositeOperation(u":=");
  }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override {
    ASymbols.Add(ParserFactory().CreateSymbol<TKVEntries>(this));
    ASymbols.Add(ParserFactory().CreateReservedTerminal(this, u"END", false));
  }
};

}  // namespace tess::parser::testing
