#include "Shared/Parser/uParserFactory.h"

#include <atomic>
#include <cassert>
#include <mutex>
#include <utility>

#include "Shared/Parser/uTextCompare.h"

namespace tess::parser {

const TTokenizerClass& TParserFactory::GetTokenizerClass() const { return TTokenizer::ClassInfo(); }

std::unique_ptr<TTokenizer> TParserFactory::CreateTokenizer() const { return GetTokenizerClass().Create(); }

TSymbol* TParserFactory::CreateSymbol(const TSymbolClass& ASymbolClass, TProduction* AParent, bool ARequired) const {
  return TSymbol::Create(ASymbolClass, AParent, ARequired);
}

TConstantTerminal* TParserFactory::CreateConstantTerminal(TProduction* AParent, std::u16string AConstant,
                                                          bool ARequired) const {
  auto* terminal = TSymbol::Create<TConstantTerminal>(AParent, ARequired);
  terminal->SetConstant(std::move(AConstant));
  return terminal;
}

TReservedTerminal* TParserFactory::CreateReservedTerminal(TProduction* AParent, std::u16string AConstant,
                                                          bool ARequired) const {
  auto* terminal = TSymbol::Create<TReservedTerminal>(AParent, ARequired);
  terminal->SetConstant(std::move(AConstant));
  return terminal;
}

TConstantProduction* TParserFactory::CreateConstantProduction(TProduction* AParent,
                                                              std::u16string_view ASpaceDelimitedConstants,
                                                              bool ARequired) const {
  auto* production = TSymbol::Create<TConstantProduction>(AParent, ARequired);
  production->SetConstants(ASpaceDelimitedConstants);
  return production;
}

TReservedProduction* TParserFactory::CreateReservedProduction(TProduction* AParent,
                                                              std::u16string_view ASpaceDelimitedConstants,
                                                              bool ARequired) const {
  auto* production = TSymbol::Create<TReservedProduction>(AParent, ARequired);
  production->SetConstants(ASpaceDelimitedConstants);
  return production;
}

void TParserFactory::CollectSymbols(TSymbols* AList, TProduction* AProduction) const {
  assert(AList != nullptr && AProduction != nullptr && "CollectSymbols needs a list and a production");
  if (AList == nullptr || AProduction == nullptr) return;
  TSymbols possible;
  AProduction->FillPossibleSymbols(&possible);
  for (TSymbol* symbol : possible) {
    const std::u16string caption = symbol->Caption();
    bool known = false;
    for (const TSymbol* collected : *AList) {
      if (collected->Caption() == caption) {
        known = true;
        break;
      }
    }
    if (known) continue;
    AList->Add(symbol);
    // Each production class is expanded once, which ends the walk for recursive grammars.
    if (TProduction* production = symbol->AsProduction()) CollectSymbols(AList, production);
  }
}

void TParserFactory::GetKeyWordsFromProduction(TProduction* AProduction, TStringList& AKeywords) const {
  AKeywords.clear();
  if (AProduction == nullptr) return;
  TSymbols collected(true);
  CollectSymbols(&collected, AProduction);
  for (const TSymbol* symbol : collected) {
    const auto* reserved = dynamic_cast<const TReservedTerminal*>(symbol);
    if (reserved == nullptr) continue;
    const std::u16string& constant = reserved->Constant();
    // Punctuation, single or paired (:=, <>), is read by the break and operator readers and must
    // not turn into a word.
    if (kBreakChars.find(constant) != std::u16string_view::npos) continue;
    bool known = false;
    for (const std::u16string& keyword : AKeywords) {
      if (SameText(keyword, constant)) {
        known = true;
        break;
      }
    }
    if (!known) AKeywords.push_back(constant);
  }
}

void TParserFactory::GetProductionBNF(TProduction* AProduction, TStringList* AOutStrings) const {
  assert(AProduction != nullptr && AOutStrings != nullptr && "GetProductionBNF needs a production and a list");
  if (AProduction == nullptr || AOutStrings == nullptr) return;
  AOutStrings->clear();
  TSymbols collected(true);
  CollectSymbols(&collected, AProduction);
  for (TSymbol* symbol : collected) {
    TProduction* production = symbol->AsProduction();
    if (production != nullptr && production->IsBNFVisible()) AOutStrings->push_back(production->GetBNFClause());
  }
}

namespace {

// Walks the matched tree below a production depth-first, in order or backwards, with a stack of
// its own (a matched list is as deep as it is long). AVisit returns true to stop.
template <class Visit>
void WalkMatched(const TProduction* AProduction, bool ABackwards, Visit AVisit) {
  std::vector<std::pair<const TProduction*, int32_t>> stack;
  auto push = [&](const TProduction* production) {
    stack.emplace_back(production, ABackwards ? production->Count() - 1 : 0);
  };
  push(AProduction);
  while (!stack.empty()) {
    auto& [production, index] = stack.back();
    if (index < 0 || index >= production->Count()) {
      stack.pop_back();
      continue;
    }
    TSymbol* child = production->Symbols()[index];
    index += ABackwards ? -1 : 1;
    if (const TProduction* inner = child->AsProduction()) {
      push(inner);
      continue;
    }
    if (AVisit(child)) return;
  }
}

}  // namespace

std::u16string TParserFactory::GetProductionText(const TProduction* AProduction) const {
  std::u16string result;
  if (AProduction == nullptr) return result;
  WalkMatched(AProduction, false, [&](TSymbol* symbol) {
    if (symbol->IsTerminal()) result += symbol->Caption();
    return false;
  });
  return result;
}

TToken* TParserFactory::GetFirstTokenFor(const TProduction* AProduction) const {
  TToken* result = nullptr;
  if (AProduction == nullptr) return result;
  WalkMatched(AProduction, false, [&](TSymbol* symbol) {
    TTerminal* terminal = symbol->AsTerminal();
    if (terminal == nullptr) return false;
    result = terminal->Token();
    return true;
  });
  return result;
}

TToken* TParserFactory::GetLastTokenFor(const TProduction* AProduction) const {
  TToken* result = nullptr;
  if (AProduction == nullptr) return result;
  WalkMatched(AProduction, true, [&](TSymbol* symbol) {
    TTerminal* terminal = symbol->AsTerminal();
    if (terminal == nullptr) return false;
    result = terminal->Token();
    return true;
  });
  return result;
}

namespace {

struct TFactoryHolder {
  std::mutex Lock;
  std::unique_ptr<TParserFactory> Owned = std::make_unique<TParserFactory>();
  std::atomic<TParserFactory*> Current{Owned.get()};
};

TFactoryHolder& FactoryHolder() {
  static TFactoryHolder holder;
  return holder;
}

}  // namespace

TParserFactory& ParserFactory() { return *FactoryHolder().Current.load(std::memory_order_acquire); }

void ReplaceParserFactory(std::unique_ptr<TParserFactory> AFactory) {
  assert(AFactory != nullptr && "the parser factory cannot be removed");
  if (AFactory == nullptr) return;
  TFactoryHolder& holder = FactoryHolder();
  std::lock_guard lock(holder.Lock);
  holder.Current.store(AFactory.get(), std::memory_order_release);
  holder.Owned = std::move(AFactory);
}

}  // namespace tess::parser
