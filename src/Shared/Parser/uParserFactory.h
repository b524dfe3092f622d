// The one place where engine objects are made: tokenizers of the configured class, grammar symbols,
// keyword collection and the read-only renderings of grammars and matched productions.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Shared/Parser/uSymbol.h"
#include "Shared/Parser/uTokenizer.h"

namespace tess::parser {

class TParserFactory {
public:
  TParserFactory() = default;
  virtual ~TParserFactory() = default;
  TParserFactory(const TParserFactory&) = delete;
  TParserFactory& operator=(const TParserFactory&) = delete;

  virtual const TTokenizerClass& GetTokenizerClass() const;
  // A new tokenizer of the class GetTokenizerClass names; owned by the caller.
  std::unique_ptr<TTokenizer> CreateTokenizer() const;

  // New symbols, owned by the grammar their parent reaches.
  TSymbol* CreateSymbol(const TSymbolClass& ASymbolClass, TProduction* AParent, bool ARequired = true) const;
  template <class T>
  T* CreateSymbol(TProduction* AParent, bool ARequired = true) const {
    return static_cast<T*>(CreateSymbol(T::ClassInfo(), AParent, ARequired));
  }
  TConstantTerminal* CreateConstantTerminal(TProduction* AParent, std::u16string AConstant,
                                            bool ARequired = true) const;
  TReservedTerminal* CreateReservedTerminal(TProduction* AParent, std::u16string AConstant,
                                            bool ARequired = true) const;
  TConstantProduction* CreateConstantProduction(TProduction* AParent, std::u16string_view ASpaceDelimitedConstants,
                                                bool ARequired = true) const;
  TReservedProduction* CreateReservedProduction(TProduction* AParent, std::u16string_view ASpaceDelimitedConstants,
                                                bool ARequired = true) const;

  // The constants of the reserved terminals reachable from AProduction, once each (without regard
  // to case), except those made of break characters. Not sorted: TGrammar::FillKeywords sorts.
  void GetKeyWordsFromProduction(TProduction* AProduction, TStringList& AKeywords) const;
  // Replaces AOutStrings by one listing line per visible production reachable from AProduction.
  void GetProductionBNF(TProduction* AProduction, TStringList* AOutStrings) const;
  // The matched text of a production: child productions' texts and terminals' captions, joined
  // without separators.
  std::u16string GetProductionText(const TProduction* AProduction) const;
  TToken* GetFirstTokenFor(const TProduction* AProduction) const;
  TToken* GetLastTokenFor(const TProduction* AProduction) const;

private:
  // Every symbol reachable from AProduction, each caption once, depth-first in member order.
  void CollectSymbols(TSymbols* AList, TProduction* AProduction) const;
};

// The process-wide factory. A TParserFactory until a layer installs its own subclass, which it does
// at start-up before any parser or grammar exists.
TParserFactory& ParserFactory();
// Frees the current factory and puts AFactory in its place.
void ReplaceParserFactory(std::unique_ptr<TParserFactory> AFactory);

}  // namespace tess::parser
