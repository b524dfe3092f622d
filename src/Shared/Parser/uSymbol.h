// Grammar symbols: terminals, productions with their matching strategies, the grammar that owns
// every symbol of a parse, and the visitor over a matched tree.
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Shared/Parser/uArena.h"
#include "Shared/Parser/uTextCompare.h"
#include "Shared/Parser/uTokenizer.h"

namespace tess::parser {

using TSymbolArena = TArena;

class TSymbol;
class TProduction;
class TGrammar;
class TTerminal;
class TConstantTerminal;
class TSymbolVisitor;
class TProductionMatchingStrategy;

// ---------------------------------------------------------------------------------------------
// Class references

// How a symbol class constructs its instances into given memory (nothing for an abstract class).
struct TSymbolMaker {
  TSymbol* (*Construct)(void* AMemory) = nullptr;
  size_t Size = 0;
  size_t Align = 0;
};

// A symbol class reference: its name (the default name and memo key of its symbols), a test of
// class membership that counts subclasses, and a maker of fresh, unregistered instances (none for
// an abstract class).
class TSymbolClass {
public:
  using TNew = TSymbolMaker;
  using TIsInstance = bool (*)(const TSymbol*);

  TSymbolClass(std::u16string_view AName, TSymbolMaker AMaker, TIsInstance AIsInstance)
      : FName(AName), FMaker(AMaker), FIsInstance(AIsInstance) {}

  std::u16string_view Name() const { return FName; }
  bool IsInstance(const TSymbol* ASymbol) const { return ASymbol != nullptr && FIsInstance(ASymbol); }
  bool IsAbstract() const { return FMaker.Construct == nullptr; }
  // A fresh instance on the general heap; null for an abstract class.
  std::unique_ptr<TSymbol> New() const;
  // A fresh instance in AArena; it is destroyed with TSymbol::Free, never with delete.
  TSymbol* NewIn(TSymbolArena& AArena) const;
  // A fresh instance in AMemory of the class's size and alignment, taken from an arena.
  TSymbol* NewAt(void* AMemory) const;
  size_t Size() const { return FMaker.Size; }
  size_t Align() const { return FMaker.Align; }
  // The interned memo key of the class name, worked out once.
  uint32_t Key() const;

private:
  std::u16string_view FName;
  TSymbolMaker FMaker;
  TIsInstance FIsInstance;
  mutable uint32_t FKey = 0;
};

namespace detail {
template <class T>
TSymbol* ConstructSymbolOf(void* AMemory) {
  return new (AMemory) T();
}
template <class T>
constexpr TSymbolMaker SymbolMakerOf() {
  if constexpr (std::is_abstract_v<T>)
    return {};
  else
    return {&ConstructSymbolOf<T>, sizeof(T), alignof(T)};
}
template <class T>
bool IsSymbolOf(const TSymbol* ASymbol) {
  return dynamic_cast<const T*>(ASymbol) != nullptr;
}
}  // namespace detail

// Every symbol class names itself with this at the top of its body, e.g.
//   class TDFMObject : public TProduction { TESS_SYMBOL_CLASS(TDFMObject) protected: ... };
// It gives the class reference ClassInfo() and the virtual GetClass(); the name is the class's
// caption, memo key and listing name. Symbol classes are default-constructible: the parser
// factory makes them and then binds them to their parent.
#define TESS_SYMBOL_CLASS(Cls)                                                                             \
public:                                                                                                    \
  static const ::tess::parser::TSymbolClass& ClassInfo() {                                                 \
    static const ::tess::parser::TSymbolClass info(u"" #Cls, ::tess::parser::detail::SymbolMakerOf<Cls>(), \
                                                   &::tess::parser::detail::IsSymbolOf<Cls>);              \
    return info;                                                                                           \
  }                                                                                                        \
  const ::tess::parser::TSymbolClass& GetClass() const override { return ClassInfo(); }                    \
                                                                                                           \
private:

// A strategy class reference. Construct and Size let the matcher build a strategy in place, as
// it does for every attempted production.
struct TStrategyClass {
  std::u16string_view Name;
  std::unique_ptr<TProductionMatchingStrategy> (*Create)(TProduction* AProduction);
  TProductionMatchingStrategy* (*Construct)(void* AMemory, TProduction* AProduction) = nullptr;
  size_t Size = 0;
  size_t Align = 0;
};

namespace detail {
template <class T>
std::unique_ptr<TProductionMatchingStrategy> CreateStrategyOf(TProduction* AProduction) {
  return std::make_unique<T>(AProduction);
}
template <class T>
TProductionMatchingStrategy* ConstructStrategyOf(void* AMemory, TProduction* AProduction) {
  return new (AMemory) T(AProduction);
}
}  // namespace detail

#define TESS_STRATEGY_CLASS(Cls)                                                                                     \
public:                                                                                                              \
  static const ::tess::parser::TStrategyClass& ClassInfo() {                                                         \
    static const ::tess::parser::TStrategyClass info{u"" #Cls, &::tess::parser::detail::CreateStrategyOf<Cls>,       \
                                                     &::tess::parser::detail::ConstructStrategyOf<Cls>, sizeof(Cls), \
                                                     alignof(Cls)};                                                  \
    return info;                                                                                                     \
  }                                                                                                                  \
                                                                                                                     \
private:

// ---------------------------------------------------------------------------------------------
// Symbol lists

// An ordered list of symbols; an owning list frees its symbols when cleared or destroyed (and a
// freed symbol leaves its grammar's register).
class TSymbols {
public:
  explicit TSymbols(bool AOwnsObjects = false) : FOwnsObjects(AOwnsObjects ? 1u : 0u) {}
  ~TSymbols();
  TSymbols(const TSymbols&) = delete;
  TSymbols& operator=(const TSymbols&) = delete;

  void Add(TSymbol* ASymbol) {
    if (FCount == static_cast<int32_t>(FCapacity)) Grow();
    Data()[FCount++] = ASymbol;
  }
  void Clear();
  int32_t Count() const { return FCount; }
  int32_t IndexOf(const TSymbol* ASymbol) const;
  bool IsEmpty() const { return FCount == 0; }
  TSymbol* First() const { return FCount == 0 ? nullptr : Data()[0]; }
  TSymbol* Last() const { return FCount == 0 ? nullptr : Data()[FCount - 1]; }
  TSymbol* Items(int32_t AIndex) const { return Data()[AIndex]; }
  TSymbol* operator[](int32_t AIndex) const { return Items(AIndex); }
  bool OwnsObjects() const { return FOwnsObjects != 0; }
  // Replaces the entries by those of ASource, sharing the symbols (only for non-owning lists).
  void AssignShared(const TSymbols& ASource);

  TSymbol* const* begin() const { return Data(); }
  TSymbol* const* end() const { return Data() + FCount; }

private:
  // Productions have two to six members and most match one to three; those fit without a heap
  // block, and a parse makes two lists (members and matched children) per attempted production.
  // The entries sit in place of the pointer to a heap block until they outgrow it: every
  // production of a parse holds one list.
  static constexpr int32_t kInline = 3;
  bool OnHeap() const { return FCapacity > static_cast<uint32_t>(kInline); }
  TSymbol** Data() { return OnHeap() ? FHeap : FInline; }
  TSymbol* const* Data() const { return OnHeap() ? FHeap : FInline; }
  void Grow();

  union {
    TSymbol* FInline[kInline];
    TSymbol** FHeap;
  };
  int32_t FCount = 0;
  uint32_t FCapacity : 31 = kInline;
  uint32_t FOwnsObjects : 1;
};

// ---------------------------------------------------------------------------------------------
// Symbols

using TSymbolEvent = std::function<void(TSymbol* ASymbol, TTokenIterator& AIterator)>;
using TAcceptVisitorEvent = std::function<void(TSymbol* ASymbol, TSymbolVisitor& AVisitor)>;

class TSymbol {
public:
  static const TSymbolClass& ClassInfo();
  virtual const TSymbolClass& GetClass() const = 0;

  TSymbol() = default;
  // Leaves the grammar's register.
  virtual ~TSymbol();
  TSymbol(const TSymbol&) = delete;
  TSymbol& operator=(const TSymbol&) = delete;

  // Binds a fresh symbol to its parent: runs InitDefaults, stores ARequired and hands the symbol
  // to the grammar reached through the parent chain, which owns it from then on. Every symbol but
  // a grammar needs a parent that reaches a grammar.
  static TSymbol* Bind(std::unique_ptr<TSymbol> ASymbol, TProduction* AParent, bool ARequired);
  // Makes a symbol of AClass in the arena of the grammar AParent reaches and binds it; what the
  // parser factory does.
  static TSymbol* Create(const TSymbolClass& AClass, TProduction* AParent, bool ARequired);
  template <class T>
  static T* Create(TProduction* AParent, bool ARequired) {
    return static_cast<T*>(Create(T::ClassInfo(), AParent, ARequired));
  }
  // Destroys a symbol wherever it lives (arena or heap); it leaves its grammar's register.
  static void Free(TSymbol* ASymbol);

  // The memoised attempt at the iterator's current token. Must not be called when the iterator
  // is done. Runs without recursion on the C++ stack for the built-in strategies, however deeply
  // the productions nest.
  bool Match(TTokenIterator& AIterator);

  virtual void Assign(const TSymbol& ASource);
  virtual void Accept(TSymbolVisitor& AVisitor);
  virtual std::any Accept(TSymbolVisitor& AVisitor, std::any AData);
  virtual std::u16string Caption() const { return Name(); }
  // The memo key of the caption. A class that overrides Caption overrides this too, so that the
  // key stays the caption's; the default avoids building the caption text for every attempt.
  virtual uint32_t MemoKey() const;

  TProduction* Parent() const { return FParent; }
  TGrammar* Grammar() const { return GetGrammar(); }
  bool Required() const { return FRequired; }
  void SetRequired(bool AValue) { FRequired = AValue; }
  std::u16string Name() const;
  void SetName(std::u16string AValue);
  int32_t LastPosition() const { return FLastPosition; }
  // Null when no event is set.
  const TAcceptVisitorEvent* OnAcceptVisitor() const;
  void SetOnAcceptVisitor(TAcceptVisitorEvent AEvent);

  // Position among the parent's matched children, -1 without parent (or when not among them).
  int32_t Index() const;
  TSymbol* NextSibling() const;
  TSymbol* PreviousSibling() const;
  // The nearest of this symbol and its ancestors that is of AParentClass or a subclass of it.
  TSymbol* FindParentByClass(const TSymbolClass& AParentClass) const;
  template <class T>
  T* FindParentByClass() const {
    return static_cast<T*>(FindParentByClass(T::ClassInfo()));
  }

  bool IsTerminal() const { return AsTerminal() != nullptr; }
  // Cheap class tests for the matcher's hot paths (a dynamic_cast compares type names here).
  virtual TProduction* AsProduction() { return nullptr; }
  virtual const TProduction* AsProduction() const { return nullptr; }
  virtual TTerminal* AsTerminal() { return nullptr; }
  virtual const TTerminal* AsTerminal() const { return nullptr; }

protected:
  friend class TGrammar;
  friend class TSymbolClass;

  virtual void DoMatchFailed(TTokenIterator& AIterator);
  virtual void DoMatchSuccess(TTokenIterator& AIterator);
  virtual bool DoMatch(TTokenIterator& AIterator) = 0;
  virtual void InitDefaults();
  virtual TGrammar* GetGrammar() const;

private:
  friend struct TMatcherAccess;

  // Whether SetName gave this symbol a name of its own.
  bool HasOwnName() const;
  // Leaves AGrammar's register when still in it.
  void LeaveRegister(TGrammar* AGrammar);
  friend class TProduction;

  // A symbol reaches its grammar through its parent; a production keeps the answer (a terminal
  // has no members, so its parent is a production that outlives it, and a list that owns symbols
  // frees members before their parents).
  TProduction* FParent = nullptr;
  int32_t FLastPosition = -1;
  // Slot in the grammar's register plus one, 0 when not registered. The fields share one word:
  // a parse makes millions of symbols.
  uint32_t FRegisterSlot : 28 = 0;
  bool FRequired : 1 = true;
  bool FInArena : 1 = false;
  // Matched, or holds matches below it that a memo entry names: then the symbol must live as
  // long as the parse, since a reused match can reach it as a parent.
  bool FHoldsMatches : 1 = false;
  // Has a name other than the class name or an accept event, kept in a table beside the symbols
  // (TExtras in the .cpp): few symbols have either.
  bool FHasExtras : 1 = false;
};

// ---------------------------------------------------------------------------------------------
// Terminals

class TTerminal : public TSymbol {
  TESS_SYMBOL_CLASS(TTerminal)
public:
  TTerminal* AsTerminal() override { return this; }
  const TTerminal* AsTerminal() const override { return this; }
  TToken* Token() const { return FToken; }
  void Assign(const TSymbol& ASource) override;
  std::u16string Caption() const override;
  uint32_t MemoKey() const override;

protected:
  void DoMatchSuccess(TTokenIterator& AIterator) override;
  void DoMatchFailed(TTokenIterator& AIterator) override;

private:
  TToken* FToken = nullptr;
};

class TConstantTerminal : public TTerminal {
  TESS_SYMBOL_CLASS(TConstantTerminal)
public:
  const std::u16string& Constant() const { return PooledTextOf(FConstant); }
  void SetConstant(std::u16string AValue);
  void Assign(const TSymbol& ASource) override;
  void Accept(TSymbolVisitor& AVisitor) override;
  using TSymbol::Accept;
  std::u16string Caption() const override { return Constant(); }
  uint32_t MemoKey() const override { return FConstantKey; }

protected:
  bool DoMatch(TTokenIterator& AIterator) override;

private:
  uint32_t FConstant = 0;  // the number of the pooled text, shared with every equal constant
  uint32_t FConstantKey = 0;
};

// A constant that is also a tokenizer keyword (unless it is made of break characters).
class TReservedTerminal : public TConstantTerminal {
  TESS_SYMBOL_CLASS(TReservedTerminal)
};

// Any word or number, or a quoted identifier; never a keyword.
class TIdentifierTerminal : public TTerminal {
  TESS_SYMBOL_CLASS(TIdentifierTerminal)
protected:
  bool DoMatch(TTokenIterator& AIterator) override;
};

class TNumericTerminal : public TTerminal {
  TESS_SYMBOL_CLASS(TNumericTerminal)
protected:
  bool DoMatch(TTokenIterator& AIterator) override;
};

// A quoted string token.
class TTextTerminal : public TTerminal {
  TESS_SYMBOL_CLASS(TTextTerminal)
protected:
  bool DoMatch(TTokenIterator& AIterator) override;
};

// ---------------------------------------------------------------------------------------------
// Productions

class TProduction : public TSymbol {
  TESS_SYMBOL_CLASS(TProduction)
public:
  TProduction* AsProduction() override { return this; }
  const TProduction* AsProduction() const override { return this; }
  // The matched children, in order.
  TSymbols& Symbols() { return FSymbols; }
  const TSymbols& Symbols() const { return FSymbols; }
  int32_t Count() const { return FSymbols.Count(); }
  TSymbol* Child(int32_t AIndex) const { return AIndex >= 0 && AIndex < FSymbols.Count() ? FSymbols[AIndex] : nullptr; }

  // Clears ASymbols and fills it with fresh symbols for everything this production may consist
  // of; does nothing when ASymbols is null.
  void FillPossibleSymbols(TSymbols* ASymbols);
  // The customisation point of matching: the strategy every attempt of this production uses.
  virtual const TStrategyClass& GetStrategyClass() const;
  // An instance of GetStrategyClass bound to this production.
  std::unique_ptr<TProductionMatchingStrategy> CreateStrategy();
  // Depth-first over the matched children; a child production is searched before its next
  // sibling. Null when none is of that class.
  TSymbol* FindSymbolByClass(const TSymbolClass& ASymbolClass) const;
  template <class T>
  T* FindSymbolByClass() const {
    return static_cast<T*>(FindSymbolByClass(T::ClassInfo()));
  }

  ~TProduction() override;
  void Assign(const TSymbol& ASource) override;
  void Accept(TSymbolVisitor& AVisitor) override;
  using TSymbol::Accept;
  // The production's listing line, and whether the listing shows it. They are virtuals of the
  // production itself rather than of an interface beside it: a second base would cost every
  // production of a parse another vtable pointer.
  virtual std::u16string GetBNFClause();
  virtual bool IsBNFVisible() { return true; }
  // Whether an attempt of this production opens a level of nesting that the grammar bounds
  // (TGrammar::MaxNestingDepth).
  virtual bool IsNestingLevel() const { return false; }

protected:
  friend struct TMatcherAccess;

  // Every concrete production creates its members here with itself as their parent, e.g.
  //   ASymbols.Add(ParserFactory().CreateSymbol(TDFMValue::ClassInfo(), this));
  virtual void AddPossibleSymbols(TSymbols& ASymbols);
  // Matching of a production is the strategy's, run by the matcher; it is not overridden.
  bool DoMatch(TTokenIterator& AIterator) final;
  // Hooks around the strategy: a grammar remembers the iterator before and checks the end of
  // the input after.
  virtual void DoBeforeMatch(TTokenIterator& AIterator);
  virtual bool DoAfterMatch(TTokenIterator& AIterator, bool AMatched);
  TGrammar* GetGrammar() const override;

private:
  mutable TGrammar* FGrammar = nullptr;
  TSymbols FSymbols;
};

// A fixed sequence of constants, written as one blank-separated string.
class TConstantProduction : public TProduction {
  TESS_SYMBOL_CLASS(TConstantProduction)
public:
  const TStringList& Constants() const { return FConstants; }
  // Splits at blanks.
  void SetConstants(std::u16string_view ASpaceDelimitedConstants);
  std::u16string Caption() const override;
  uint32_t MemoKey() const override { return FCaptionKey; }
  std::u16string GetBNFClause() override { return {}; }
  bool IsBNFVisible() override { return false; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
  virtual TConstantTerminal* CreateTerminal(const std::u16string& AConstant);

private:
  TStringList FConstants;
  uint32_t FCaptionKey = 0;
};

class TReservedProduction : public TConstantProduction {
  TESS_SYMBOL_CLASS(TReservedProduction)
protected:
  TConstantTerminal* CreateTerminal(const std::u16string& AConstant) override;
};

// ---------------------------------------------------------------------------------------------
// Strategies

// One step of a resumable strategy: either attempt a symbol (then Resume is called with its
// outcome) or finish with a result.
struct TMatchStep {
  TSymbol* Attempt = nullptr;
  bool Result = false;
  static TMatchStep Try(TSymbol* ASymbol) { return {ASymbol, false}; }
  static TMatchStep Finish(bool AResult) { return {nullptr, AResult}; }
};

class TProductionMatchingStrategy {
public:
  static const TStrategyClass& ClassInfo();
  explicit TProductionMatchingStrategy(TProduction* AProduction) : FProduction(AProduction) {}
  virtual ~TProductionMatchingStrategy() = default;
  TProductionMatchingStrategy(const TProductionMatchingStrategy&) = delete;
  TProductionMatchingStrategy& operator=(const TProductionMatchingStrategy&) = delete;

  TProduction* Production() const { return FProduction; }
  // False when either argument is missing.
  bool MatchProduction(TSymbols* APossibleSymbols, TTokenIterator* AIterator);
  // The production's listing line: its caption, " ::=" and the clause.
  std::u16string GetProductionBNF(const TSymbols& APossibleSymbols);
  virtual std::u16string GetClause(const TSymbols& APossibleSymbols) = 0;

  // The built-in strategies are resumable: the matcher drives them step by step (Begin, then
  // Resume with the outcome of each attempt) on a stack of its own, so that nesting depth does not
  // use the C++ stack. A strategy that is not resumable is run through DoMatchProduction, which
  // recurses through Match.
  virtual bool IsResumable() const { return false; }
  virtual TMatchStep Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator);
  virtual TMatchStep Resume(bool AMatched, TTokenIterator& AIterator);

protected:
  virtual bool DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) = 0;
  // Runs Begin and Resume with Match on the C++ stack.
  bool RunSteps(TSymbols& APossibleSymbols, TTokenIterator& AIterator);
  // How a member appears in a listing line: quoted when it is one break character, bracketed
  // when it is optional.
  static std::u16string SymbolText(const TSymbol* ASymbol);

private:
  TProduction* FProduction;
};

// Every member in order; a required member that fails fails the sequence, an optional one is
// skipped.
class TLinearMatchingStrategy : public TProductionMatchingStrategy {
  TESS_STRATEGY_CLASS(TLinearMatchingStrategy)
public:
  using TProductionMatchingStrategy::TProductionMatchingStrategy;
  std::u16string GetClause(const TSymbols& APossibleSymbols) override;
  bool IsResumable() const override { return true; }
  TMatchStep Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;
  TMatchStep Resume(bool AMatched, TTokenIterator& AIterator) override;

protected:
  bool DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;

private:
  TMatchStep Advance(TTokenIterator& AIterator);

  TSymbols* FPossible = nullptr;
  int32_t FIndex = 0;
  TBookmark FBookmark = 0;
};

// The first member that matches wins.
class TMatchingByOrStrategy : public TProductionMatchingStrategy {
  TESS_STRATEGY_CLASS(TMatchingByOrStrategy)
public:
  using TProductionMatchingStrategy::TProductionMatchingStrategy;
  std::u16string GetClause(const TSymbols& APossibleSymbols) override;
  bool IsResumable() const override { return true; }
  TMatchStep Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;
  TMatchStep Resume(bool AMatched, TTokenIterator& AIterator) override;

protected:
  bool DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;

private:
  TMatchStep Advance(TTokenIterator& AIterator);

  TSymbols* FPossible = nullptr;
  int32_t FIndex = 0;
  TBookmark FBookmark = 0;
};

// Element, delimiter, rest: the element alone, or all three; a delimiter without a rest fails
// the whole list.
class TMatchingDelimitedListStrategy : public TProductionMatchingStrategy {
  TESS_STRATEGY_CLASS(TMatchingDelimitedListStrategy)
public:
  using TProductionMatchingStrategy::TProductionMatchingStrategy;
  std::u16string GetClause(const TSymbols& APossibleSymbols) override;
  bool IsResumable() const override { return true; }
  TMatchStep Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;
  TMatchStep Resume(bool AMatched, TTokenIterator& AIterator) override;

protected:
  bool DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) override;

private:
  TSymbols* FPossible = nullptr;
  int32_t FPhase = 0;
  TBookmark FBookmark = 0;
};

// ---------------------------------------------------------------------------------------------
// Grammar

class TGrammar : public TProduction {
  TESS_SYMBOL_CLASS(TGrammar)
public:
  TGrammar();
  // Frees every symbol still registered and the token list.
  ~TGrammar() override;

  TCompositeToken* RootToken() const { return FRootToken.get(); }
  TTokenIterator* Iterator() const { return FIterator; }
  void SetIterator(TTokenIterator* AIterator) { FIterator = AIterator; }
  // Clears the token list and frees every symbol of the previous parse in one sweep.
  void Reset();
  // DoConfigureTokenizer, then FillKeywords into the tokenizer's keyword list.
  void ConfigureTokenizer(TTokenizer& ATokenizer);
  // Takes ownership.
  void AppendSymbol(std::unique_ptr<TSymbol> ASymbol);
  // Gives the symbol up without freeing it; constant-time.
  void RemoveSymbol(TSymbol* ASymbol);
  // Symbols currently registered.
  size_t SymbolCount() const { return FSymbolCount; }
  // A point in the making of symbols: what was registered and how many matches had succeeded.
  struct TSymbolMark {
    size_t Registered = 0;
    uint64_t Successes = 0;
  };
  TSymbolMark MarkSymbols() const { return {FSymbolsCollection.size(), FSuccesses}; }
  // Whether a match has succeeded since AMark; when none has, nothing made since can be named by
  // a memo entry or a matched tree.
  bool SucceededSince(const TSymbolMark& AMark) const { return FSuccesses != AMark.Successes; }
  // Frees every symbol made since AMark, keeping their memory for the next symbols.
  void RewindSymbols(const TSymbolMark& AMark);
  // Frees a symbol that nothing names any more and keeps its memory for the next symbol of its
  // size; a symbol not made in the arena is freed as TSymbol::Free does.
  void Recycle(TSymbol* ASymbol);
  // Memory for a symbol of AClass: recycled when there is some of its size, else from the arena.
  void* SymbolMemory(const TSymbolClass& AClass);
  // Where the factory makes this grammar's symbols.
  TSymbolArena& Arena() { return FArena; }
  void RetrieveNextToken(TTokenIterator& AIterator) { AIterator.Next(); }
  void MatchFailed(TSymbol* ASymbol, TTokenIterator& AIterator);
  void MatchSuccess(TSymbol* ASymbol, TTokenIterator& AIterator);
  void SetOnMatchFailed(TSymbolEvent AEvent) { FOnMatchFailed = std::move(AEvent); }
  void SetOnMatchSuccess(TSymbolEvent AEvent) { FOnMatchSuccess = std::move(AEvent); }

  virtual bool RequiresEndOfInput() const { return true; }
  // How many attempts of nesting productions (TProduction::IsNestingLevel) may be under way inside
  // one another; 0 for no bound. One more ends the match with RaiseNestingTooDeep, so that a text
  // nested past any use is refused before its parse grows with the depth.
  virtual int32_t MaxNestingDepth() const { return 0; }
  [[noreturn]] virtual void RaiseNestingTooDeep();
  // The matcher's count of nesting attempts under way; raises past MaxNestingDepth.
  void EnterNestingLevel() {
    if (++FNestingDepth > MaxNestingDepth() && MaxNestingDepth() > 0) RaiseNestingTooDeep();
  }
  void LeaveNestingLevel() { --FNestingDepth; }
  virtual void DoConfigureTokenizer(TTokenizer& ATokenizer);
  // Collects the keywords reachable from this grammar and sorts them for TTokenizer::IsKeyword.
  virtual void FillKeywords(TStringList& AKeywords);

  void Accept(TSymbolVisitor& AVisitor) override;
  using TSymbol::Accept;

protected:
  TGrammar* GetGrammar() const override { return const_cast<TGrammar*>(this); }
  void DoBeforeMatch(TTokenIterator& AIterator) override;
  bool DoAfterMatch(TTokenIterator& AIterator, bool AMatched) override;

private:
  friend class TSymbol;
  void Register(TSymbol* ASymbol);
  void FreeAll();

  TSymbolArena FArena;
  std::deque<TSymbol*> FSymbolsCollection;  // owned; null where a symbol was removed
  size_t FSymbolCount = 0;
  uint64_t FSuccesses = 0;  // matches recorded, for SucceededSince
  TSymbolEvent FOnMatchFailed;
  TSymbolEvent FOnMatchSuccess;
  TTokenIterator* FIterator = nullptr;
  std::unique_ptr<TCompositeToken> FRootToken;
  int32_t FNestingDepth = 0;
};

// ---------------------------------------------------------------------------------------------
// Visitor

class TSymbolVisitor {
public:
  virtual ~TSymbolVisitor() = default;
  virtual void VisitSymbol(TSymbol* ASymbol);
  // Accept on each matched child, in order. This walk recurses once per level of the matched
  // tree, and a right-recursive list nests one level per element: walk long lists link by link
  // (as the production accessors and the factory's renderings do) rather than with this default.
  virtual void VisitProduction(TProduction* AProduction);
  virtual void VisitGrammar(TGrammar* AGrammar);
  virtual void VisitConstantTerminal(TConstantTerminal* AConstantTerminal);
  // What result-building visitors override; returns an empty result by default.
  virtual std::any VisitSymbol(TSymbol* ASymbol, std::any AData);
};

}  // namespace tess::parser
