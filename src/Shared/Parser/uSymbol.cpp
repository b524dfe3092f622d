#include "Shared/Parser/uSymbol.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Common/uScopeGuard.h"
#include "Shared/Parser/uParserFactory.h"
#include "Shared/Parser/uTextCompare.h"

namespace tess::parser {

// ---------------------------------------------------------------------------------------------
// TSymbolClass

std::unique_ptr<TSymbol> TSymbolClass::New() const {
  if (IsAbstract()) return nullptr;
  void* memory = ::operator new(FMaker.Size);
  common::TScopeGuard release([memory] { ::operator delete(memory); });
  std::unique_ptr<TSymbol> symbol(FMaker.Construct(memory));
  release.Dismiss();
  return symbol;
}

TSymbol* TSymbolClass::NewIn(TSymbolArena& AArena) const {
  if (IsAbstract()) return nullptr;
  return NewAt(AArena.Allocate(FMaker.Size, FMaker.Align));
}

TSymbol* TSymbolClass::NewAt(void* AMemory) const {
  if (IsAbstract()) return nullptr;
  TSymbol* symbol = FMaker.Construct(AMemory);
  symbol->FInArena = true;
  return symbol;
}

uint32_t TSymbolClass::Key() const {
  // Racing threads intern the same name and store the same number, so a plain cache will do; the
  // atomic view keeps the race well defined.
  std::atomic_ref<uint32_t> key(FKey);
  uint32_t value = key.load(std::memory_order_relaxed);
  if (value == 0) {
    value = InternCaption(FName);
    key.store(value, std::memory_order_relaxed);
  }
  return value;
}

// ---------------------------------------------------------------------------------------------
// TSymbols

TSymbols::~TSymbols() {
  Clear();
  if (OnHeap()) delete[] FHeap;
}

void TSymbols::Clear() {
  if (FOwnsObjects) {
    // Freeing a symbol may come back to this list (a symbol's destructor knows nothing of it, but
    // be safe): detach the entries first. Last first: members come after their parents, which a
    // member still registered asks for its grammar.
    std::vector<TSymbol*> symbols(begin(), end());
    FCount = 0;
    for (auto symbol = symbols.rbegin(); symbol != symbols.rend(); ++symbol) TSymbol::Free(*symbol);
  }
  FCount = 0;
}

void TSymbols::Grow() {
  const int32_t capacity = static_cast<int32_t>(FCapacity) * 2;
  auto* data = new TSymbol*[static_cast<size_t>(capacity)];
  TSymbol** old = Data();
  std::copy(old, old + FCount, data);
  if (OnHeap()) delete[] old;
  FHeap = data;
  FCapacity = static_cast<uint32_t>(capacity);
}

int32_t TSymbols::IndexOf(const TSymbol* ASymbol) const {
  TSymbol* const* data = Data();
  for (int32_t i = 0; i < FCount; ++i)
    if (data[i] == ASymbol) return i;
  return -1;
}

void TSymbols::AssignShared(const TSymbols& ASource) {
  assert(!FOwnsObjects && "an owning list cannot share its symbols");
  if (&ASource == this) return;
  FCount = 0;
  for (TSymbol* symbol : ASource) Add(symbol);
}

// ---------------------------------------------------------------------------------------------
// The matcher

// What the matcher needs of the symbols beyond their public surface.
struct TMatcherAccess {
  static bool DoMatch(TSymbol* ASymbol, TTokenIterator& AIterator) { return ASymbol->DoMatch(AIterator); }
  static void DoMatchSuccess(TSymbol* ASymbol, TTokenIterator& AIterator) { ASymbol->DoMatchSuccess(AIterator); }
  static void DoMatchFailed(TSymbol* ASymbol, TTokenIterator& AIterator) { ASymbol->DoMatchFailed(AIterator); }
  static void SetLastPosition(TSymbol* ASymbol, int32_t AValue) { ASymbol->FLastPosition = AValue; }
  static void SetHoldsMatches(TSymbol* ASymbol) { ASymbol->FHoldsMatches = true; }
  static bool HoldsMatches(const TSymbol* ASymbol) { return ASymbol->FHoldsMatches; }
  static void DoBeforeMatch(TProduction* AProduction, TTokenIterator& AIterator) {
    AProduction->DoBeforeMatch(AIterator);
  }
  static bool DoAfterMatch(TProduction* AProduction, TTokenIterator& AIterator, bool AMatched) {
    return AProduction->DoAfterMatch(AIterator, AMatched);
  }
};

namespace {

// Runs the memoised attempt of a symbol with the productions' strategies driven step by step on
// a heap stack. A right-recursive list adds one frame per element here instead of three C++
// calls, so a list of a million elements matches on an ordinary thread stack, with the same
// attempts in the same order, and so the same memo entries, as the recursive description.
class TMatcher {
public:
  explicit TMatcher(TTokenIterator& AIterator) : FIterator(AIterator) {}

  // AMemoised false runs only the symbol's own matching (TProduction::DoMatch).
  bool Run(TSymbol* ARoot, bool AMemoised) {
    bool result = false;
    TMatchStep step;
    bool pending = Enter(ARoot, AMemoised, result, step);
    for (;;) {
      if (!pending) {
        if (FStack.empty()) return result;
        step = FStack.back().Strategy->Resume(result, FIterator);
      }
      if (step.Attempt != nullptr) {
        pending = Enter(step.Attempt, true, result, step);
      } else {
        result = Leave(step.Result);
        pending = false;
      }
    }
  }

private:
  struct TFrame {
    TFrame(TProduction* AProduction, TToken* AStart, uint32_t AKey, bool AMemoised)
        : Production(AProduction), Start(AStart), Key(AKey), Memoised(AMemoised) {}
    ~TFrame() {
      if (Nesting) Production->Grammar()->LeaveNestingLevel();
      if (Strategy == nullptr) return;
      if (InPlace)
        Strategy->~TProductionMatchingStrategy();
      else
        delete Strategy;
    }
    TFrame(const TFrame&) = delete;
    TFrame& operator=(const TFrame&) = delete;

    void MakeStrategy() {
      const TStrategyClass& cls = Production->GetStrategyClass();
      if (cls.Construct != nullptr && cls.Size <= sizeof(Storage) && cls.Align <= alignof(std::max_align_t)) {
        Strategy = cls.Construct(Storage, Production);
        InPlace = true;
      } else {
        Strategy = Production->CreateStrategy().release();
      }
    }

    TProduction* Production;
    TToken* Start;
    uint32_t Key;
    TGrammar::TSymbolMark Made;  // before the members were made
    bool Memoised;
    bool Nesting = false;  // counted by the grammar as a level of nesting until the frame goes
    bool InPlace = false;
    TSymbols Possible;  // fresh members, owned by the grammar
    TProductionMatchingStrategy* Strategy = nullptr;
    alignas(std::max_align_t) std::byte Storage[48];
  };

  // Frames in chunks of fixed place: a strategy keeps pointers into its frame, and a list of a
  // million elements needs a million frames at once.
  class TFrameStack {
  public:
    TFrameStack() = default;
    TFrameStack(const TFrameStack&) = delete;
    TFrameStack& operator=(const TFrameStack&) = delete;
    ~TFrameStack() {
      while (!empty()) pop_back();
    }

    bool empty() const { return FSize == 0; }
    TFrame& back() { return *Slot(FSize - 1); }
    template <class... Args>
    TFrame& emplace_back(Args&&... AArgs) {
      if (FSize / kChunk >= FChunks.size())
        FChunks.push_back(std::make_unique_for_overwrite<std::byte[]>(sizeof(TFrame) * kChunk));
      TFrame* frame = new (Slot(FSize)) TFrame(std::forward<Args>(AArgs)...);
      ++FSize;
      return *frame;
    }
    void pop_back() {
      back().~TFrame();
      --FSize;
    }

  private:
    static constexpr size_t kChunk = 1024;
    TFrame* Slot(size_t AIndex) { return reinterpret_cast<TFrame*>(FChunks[AIndex / kChunk].get()) + AIndex % kChunk; }

    std::vector<std::unique_ptr<std::byte[]>> FChunks;
    size_t FSize = 0;
  };

  // Either resolves the attempt at once (memo, terminal, a strategy that finishes in Begin) and
  // returns false with AResult set, or pushes a frame and returns true with its first step.
  bool Enter(TSymbol* ASymbol, bool AMemoised, bool& AResult, TMatchStep& AStep) {
    TToken* start = nullptr;
    uint32_t key = 0;
    if (AMemoised) {
      assert(!FIterator.IsDone() && "Match called at the end of the tokens");
      start = FIterator.Token();
      key = ASymbol->MemoKey();
      if (const TSymbolMemo* matched = start->ParentSymbols()) {
        if (TSymbol* earlier = matched->Find(key)) {
          ASymbol->Assign(*earlier);
          TMatcherAccess::SetHoldsMatches(ASymbol);
          FIterator.GoToBookmark(ASymbol->LastPosition());
          AResult = true;
          return false;
        }
      }
      if (const TSymbolMemo* failed = start->FailedSymbols()) {
        if (failed->Contains(key)) {
          AResult = false;
          return false;
        }
      }
    }
    if (TProduction* production = ASymbol->AsProduction()) {
      TMatcherAccess::DoBeforeMatch(production, FIterator);
      production->Symbols().Clear();
      TFrame& frame = FStack.emplace_back(production, start, key, AMemoised);
      if (TGrammar* grammar = production->Grammar()) {
        frame.Made = grammar->MarkSymbols();
        if (production->IsNestingLevel()) {
          frame.Nesting = true;
          grammar->EnterNestingLevel();
        }
      }
      production->FillPossibleSymbols(&frame.Possible);
      frame.MakeStrategy();
      AStep = frame.Strategy->IsResumable()
                  ? frame.Strategy->Begin(frame.Possible, FIterator)
                  : TMatchStep::Finish(frame.Strategy->MatchProduction(&frame.Possible, &FIterator));
      if (AStep.Attempt != nullptr) return true;
      AResult = Leave(AStep.Result);
      return false;
    }
    const bool matched = TMatcherAccess::DoMatch(ASymbol, FIterator);
    AResult = AMemoised ? Record(ASymbol, start, key, matched) : matched;
    return false;
  }

  // Finishes the production on top of the stack. Two kinds of attempt leave symbols that nothing
  // will name, and they are freed as the attempt ends: one that failed with no match anywhere below
  // it (everything it made goes), and a choice or sequence that matched (the members it did not
  // take go, the other alternatives of a choice and the optional members of a sequence that failed,
  // unless a match below one of them is memoised). Together they are most of what a parse makes.
  bool Leave(bool AMatched) {
    TFrame& frame = FStack.back();
    TProduction* production = frame.Production;
    TToken* start = frame.Start;
    const uint32_t key = frame.Key;
    const bool memoised = frame.Memoised;
    const TGrammar::TSymbolMark made = frame.Made;
    const bool matched = TMatcherAccess::DoAfterMatch(production, FIterator, AMatched);
    const bool result = memoised ? Record(production, start, key, matched) : matched;
    TGrammar* grammar = production->Grammar();
    // A failed grammar keeps its attempt until it is reset, for whoever looks at what it reached.
    const bool tidy = memoised && grammar != nullptr && grammar != production;
    if (tidy && !result && grammar->SucceededSince(made)) TMatcherAccess::SetHoldsMatches(production);
    if (tidy && result && TakesSomeMembers(production->GetStrategyClass())) {
      for (TSymbol* member : frame.Possible)
        if (!TMatcherAccess::HoldsMatches(member)) grammar->Recycle(member);
    }
    FStack.pop_back();
    if (tidy && !result && !grammar->SucceededSince(made)) {
      production->Symbols().Clear();
      grammar->RewindSymbols(made);
    }
    return result;
  }

  // The built-in strategies that may match without taking every member.
  static bool TakesSomeMembers(const TStrategyClass& AStrategy) {
    return &AStrategy == &TMatchingByOrStrategy::ClassInfo() || &AStrategy == &TLinearMatchingStrategy::ClassInfo();
  }

  bool Record(TSymbol* ASymbol, TToken* AStart, uint32_t AKey, bool AMatched) {
    TGrammar* grammar = ASymbol->Grammar();
    if (AMatched) {
      AStart->MemoMatched(AKey, ASymbol);
      TMatcherAccess::SetHoldsMatches(ASymbol);
      if (grammar != nullptr) grammar->MatchSuccess(ASymbol, FIterator);
      TMatcherAccess::DoMatchSuccess(ASymbol, FIterator);
      TMatcherAccess::SetLastPosition(ASymbol, FIterator.GetBookmark());
    } else {
      AStart->MemoFailed(AKey, ASymbol->IsTerminal());
      if (grammar != nullptr) grammar->MatchFailed(ASymbol, FIterator);
      TMatcherAccess::DoMatchFailed(ASymbol, FIterator);
    }
    return AMatched;
  }

  TTokenIterator& FIterator;
  TFrameStack FStack;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSymbol

const TSymbolClass& TSymbol::ClassInfo() {
  static const TSymbolClass info(u"TSymbol", TSymbolMaker{}, &detail::IsSymbolOf<TSymbol>);
  return info;
}

namespace {

// What few symbols have: a name other than the class name, an accept event. Kept beside the
// symbols, keyed by symbol, so that the millions of symbols of a parse stay small; symbols of
// grammars on different threads may have some, hence the lock.
struct TExtras {
  std::unique_ptr<std::u16string> Name;  // null while the name is the class name
  TAcceptVisitorEvent OnAcceptVisitor;
};

class TExtrasTable {
public:
  // The entry of ASymbol, made when missing. Entries stay where they are until erased.
  TExtras& Of(const TSymbol* ASymbol) {
    std::lock_guard lock(FMutex);
    return FTable[ASymbol];
  }
  const TExtras* Find(const TSymbol* ASymbol) {
    std::lock_guard lock(FMutex);
    const auto entry = FTable.find(ASymbol);
    return entry != FTable.end() ? &entry->second : nullptr;
  }
  void Erase(const TSymbol* ASymbol) {
    std::lock_guard lock(FMutex);
    FTable.erase(ASymbol);
  }

private:
  std::mutex FMutex;
  std::unordered_map<const TSymbol*, TExtras> FTable;
};

TExtrasTable& Extras() {
  static TExtrasTable table;
  return table;
}

}  // namespace

TSymbol::~TSymbol() {
  if (FRegisterSlot != 0 && FParent != nullptr) LeaveRegister(FParent->Grammar());
  if (FHasExtras) Extras().Erase(this);
}

void TSymbol::LeaveRegister(TGrammar* AGrammar) {
  if (FRegisterSlot == 0) return;
  if (AGrammar != nullptr) AGrammar->RemoveSymbol(this);
  FRegisterSlot = 0;
}

TSymbol* TSymbol::Bind(std::unique_ptr<TSymbol> ASymbol, TProduction* AParent, bool ARequired) {
  assert(ASymbol != nullptr && "an abstract symbol class cannot be created");
  TSymbol* symbol = ASymbol.get();
  symbol->FParent = AParent;
  symbol->InitDefaults();
  symbol->FRequired = ARequired;
  TGrammar* grammar = AParent != nullptr ? AParent->Grammar() : nullptr;
  assert(grammar != nullptr && "a symbol needs a parent that reaches a grammar");
  grammar->AppendSymbol(std::move(ASymbol));
  return symbol;
}

TSymbol* TSymbol::Create(const TSymbolClass& AClass, TProduction* AParent, bool ARequired) {
  assert(!AClass.IsAbstract() && "an abstract symbol class cannot be created");
  TGrammar* grammar = AParent != nullptr ? AParent->Grammar() : nullptr;
  assert(grammar != nullptr && "a symbol needs a parent that reaches a grammar");
  if (grammar == nullptr) return Bind(AClass.New(), AParent, ARequired);
  TSymbol* symbol = AClass.NewAt(grammar->SymbolMemory(AClass));
  symbol->FParent = AParent;
  symbol->InitDefaults();
  symbol->FRequired = ARequired;
  grammar->Register(symbol);
  return symbol;
}

void TSymbol::Free(TSymbol* ASymbol) {
  if (ASymbol == nullptr) return;
  if (ASymbol->FInArena)
    ASymbol->~TSymbol();
  else
    delete ASymbol;
}

bool TSymbol::Match(TTokenIterator& AIterator) { return TMatcher(AIterator).Run(this, true); }

void TSymbol::Assign(const TSymbol& ASource) {
  FRequired = ASource.FRequired;
  FLastPosition = ASource.FLastPosition;
}

void TSymbol::Accept(TSymbolVisitor& AVisitor) {
  if (const TAcceptVisitorEvent* event = OnAcceptVisitor()) {
    (*event)(this, AVisitor);
    return;
  }
  AVisitor.VisitSymbol(this);
}

std::any TSymbol::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  return AVisitor.VisitSymbol(this, std::move(AData));
}

uint32_t TSymbol::MemoKey() const { return HasOwnName() ? InternCaption(Caption()) : GetClass().Key(); }

bool TSymbol::HasOwnName() const {
  if (!FHasExtras) return false;
  const TExtras* extras = Extras().Find(this);
  return extras != nullptr && extras->Name != nullptr;
}

std::u16string TSymbol::Name() const {
  if (FHasExtras)
    if (const TExtras* extras = Extras().Find(this); extras != nullptr && extras->Name != nullptr) return *extras->Name;
  return std::u16string(GetClass().Name());
}

void TSymbol::SetName(std::u16string AValue) {
  Extras().Of(this).Name = std::make_unique<std::u16string>(std::move(AValue));
  FHasExtras = true;
}

const TAcceptVisitorEvent* TSymbol::OnAcceptVisitor() const {
  if (!FHasExtras) return nullptr;
  const TExtras* extras = Extras().Find(this);
  return extras != nullptr && extras->OnAcceptVisitor ? &extras->OnAcceptVisitor : nullptr;
}

void TSymbol::SetOnAcceptVisitor(TAcceptVisitorEvent AEvent) {
  if (!AEvent && !FHasExtras) return;
  Extras().Of(this).OnAcceptVisitor = std::move(AEvent);
  FHasExtras = true;
}

int32_t TSymbol::Index() const { return FParent != nullptr ? FParent->Symbols().IndexOf(this) : -1; }

TSymbol* TSymbol::NextSibling() const {
  const int32_t index = Index();
  if (index < 0 || index + 1 >= FParent->Count()) return nullptr;
  return FParent->Symbols()[index + 1];
}

TSymbol* TSymbol::PreviousSibling() const {
  const int32_t index = Index();
  if (index <= 0) return nullptr;
  return FParent->Symbols()[index - 1];
}

TSymbol* TSymbol::FindParentByClass(const TSymbolClass& AParentClass) const {
  for (const TSymbol* symbol = this; symbol != nullptr; symbol = symbol->Parent())
    if (AParentClass.IsInstance(symbol)) return const_cast<TSymbol*>(symbol);
  return nullptr;
}

void TSymbol::DoMatchFailed(TTokenIterator&) {}

void TSymbol::DoMatchSuccess(TTokenIterator&) {}

void TSymbol::InitDefaults() {
  FRequired = true;
  if (FHasExtras) Extras().Of(this).Name.reset();
  FLastPosition = -1;
}

TGrammar* TSymbol::GetGrammar() const { return FParent != nullptr ? FParent->Grammar() : nullptr; }

// ---------------------------------------------------------------------------------------------
// Terminals

void TTerminal::Assign(const TSymbol& ASource) {
  TSymbol::Assign(ASource);
  if (const TTerminal* terminal = ASource.AsTerminal()) FToken = terminal->FToken;
}

std::u16string TTerminal::Caption() const { return FToken != nullptr ? FToken->Text() : Name(); }

uint32_t TTerminal::MemoKey() const { return FToken != nullptr ? InternCaption(FToken->Text()) : TSymbol::MemoKey(); }

void TTerminal::DoMatchSuccess(TTokenIterator& AIterator) {
  FToken = AIterator.Token();
  if (TGrammar* grammar = Grammar())
    grammar->RetrieveNextToken(AIterator);
  else
    AIterator.Next();
}

void TTerminal::DoMatchFailed(TTokenIterator&) { FToken = nullptr; }

void TConstantTerminal::SetConstant(std::u16string AValue) {
  // Constants are made afresh for every attempt, from the dozen texts a grammar has: each thread
  // keeps the ones it has met, sparing the locked process-wide tables a lookup per symbol.
  struct TKnown {
    const std::u16string* Text;
    uint32_t Number;
    uint32_t Key;
  };
  thread_local std::vector<TKnown> known;
  for (const TKnown& entry : known) {
    if (*entry.Text == AValue) {
      FConstant = entry.Number;
      FConstantKey = entry.Key;
      return;
    }
  }
  FConstant = PooledTextNumber(AValue);
  FConstantKey = InternCaption(AValue);
  constexpr size_t kKnownLimit = 64;
  if (known.size() < kKnownLimit) known.push_back({&PooledTextOf(FConstant), FConstant, FConstantKey});
}

void TConstantTerminal::Assign(const TSymbol& ASource) {
  TTerminal::Assign(ASource);
  if (auto* terminal = dynamic_cast<const TConstantTerminal*>(&ASource)) {
    FConstant = terminal->FConstant;
    FConstantKey = terminal->FConstantKey;
  }
}

void TConstantTerminal::Accept(TSymbolVisitor& AVisitor) {
  if (const TAcceptVisitorEvent* event = OnAcceptVisitor()) {
    (*event)(this, AVisitor);
    return;
  }
  AVisitor.VisitConstantTerminal(this);
}

bool TConstantTerminal::DoMatch(TTokenIterator& AIterator) {
  const TToken* token = AIterator.Token();
  if (token->IsKind(tkCustomText))
    return SameTextAscii(static_cast<const TCustomTextToken*>(token)->TextRef(), Constant());
  return SameTextAscii(token->Text(), Constant());
}

bool TIdentifierTerminal::DoMatch(TTokenIterator& AIterator) {
  const TToken* token = AIterator.Token();
  return token->IsKind(tkQuotedIdentifier | tkText);
}

bool TNumericTerminal::DoMatch(TTokenIterator& AIterator) { return AIterator.Token()->IsKind(tkNumeric); }

bool TTextTerminal::DoMatch(TTokenIterator& AIterator) { return AIterator.Token()->IsKind(tkQuotedString); }

// ---------------------------------------------------------------------------------------------
// TProduction

void TProduction::FillPossibleSymbols(TSymbols* ASymbols) {
  if (ASymbols == nullptr) return;
  ASymbols->Clear();
  AddPossibleSymbols(*ASymbols);
}

const TStrategyClass& TProduction::GetStrategyClass() const { return TLinearMatchingStrategy::ClassInfo(); }

std::unique_ptr<TProductionMatchingStrategy> TProduction::CreateStrategy() { return GetStrategyClass().Create(this); }

TSymbol* TProduction::FindSymbolByClass(const TSymbolClass& ASymbolClass) const {
  // Depth-first with a stack of its own: matched trees of long lists are as deep as the lists.
  std::vector<std::pair<const TProduction*, int32_t>> stack{{this, 0}};
  while (!stack.empty()) {
    auto& [production, index] = stack.back();
    if (index >= production->Count()) {
      stack.pop_back();
      continue;
    }
    TSymbol* child = production->Symbols()[index++];
    if (ASymbolClass.IsInstance(child)) return child;
    if (const TProduction* inner = child->AsProduction()) stack.emplace_back(inner, 0);
  }
  return nullptr;
}

void TProduction::Assign(const TSymbol& ASource) {
  TSymbol::Assign(ASource);
  if (const TProduction* production = ASource.AsProduction()) FSymbols.AssignShared(production->FSymbols);
}

void TProduction::Accept(TSymbolVisitor& AVisitor) {
  if (const TAcceptVisitorEvent* event = OnAcceptVisitor()) {
    (*event)(this, AVisitor);
    return;
  }
  AVisitor.VisitProduction(this);
}

std::u16string TProduction::GetBNFClause() {
  TSymbols possible(true);
  FillPossibleSymbols(&possible);
  std::unique_ptr<TProductionMatchingStrategy> strategy = CreateStrategy();
  return strategy->GetProductionBNF(possible);
}

TProduction::~TProduction() {
  // Here rather than in ~TSymbol, where the grammar kept below is gone.
  if (FRegisterSlot != 0) LeaveRegister(TProduction::GetGrammar());
}

TGrammar* TProduction::GetGrammar() const {
  if (FGrammar == nullptr && Parent() != nullptr) FGrammar = Parent()->Grammar();
  return FGrammar;
}

void TProduction::AddPossibleSymbols(TSymbols&) {}

bool TProduction::DoMatch(TTokenIterator& AIterator) { return TMatcher(AIterator).Run(this, false); }

void TProduction::DoBeforeMatch(TTokenIterator&) {}

bool TProduction::DoAfterMatch(TTokenIterator&, bool AMatched) { return AMatched; }

// ---------------------------------------------------------------------------------------------
// TConstantProduction

void TConstantProduction::SetConstants(std::u16string_view ASpaceDelimitedConstants) {
  FConstants.clear();
  size_t start = 0;
  while (start <= ASpaceDelimitedConstants.size()) {
    size_t end = ASpaceDelimitedConstants.find(u' ', start);
    if (end == std::u16string_view::npos) end = ASpaceDelimitedConstants.size();
    if (end > start) FConstants.emplace_back(ASpaceDelimitedConstants.substr(start, end - start));
    start = end + 1;
  }
  FCaptionKey = InternCaption(Caption());
}

std::u16string TConstantProduction::Caption() const { return common::DString::Join(FConstants, u" "); }

void TConstantProduction::AddPossibleSymbols(TSymbols& ASymbols) {
  for (const std::u16string& constant : FConstants) ASymbols.Add(CreateTerminal(constant));
}

TConstantTerminal* TConstantProduction::CreateTerminal(const std::u16string& AConstant) {
  return ParserFactory().CreateConstantTerminal(this, AConstant, true);
}

TConstantTerminal* TReservedProduction::CreateTerminal(const std::u16string& AConstant) {
  return ParserFactory().CreateReservedTerminal(this, AConstant, true);
}

// ---------------------------------------------------------------------------------------------
// Strategies

const TStrategyClass& TProductionMatchingStrategy::ClassInfo() {
  static const TStrategyClass info{u"TProductionMatchingStrategy", nullptr};
  return info;
}

bool TProductionMatchingStrategy::MatchProduction(TSymbols* APossibleSymbols, TTokenIterator* AIterator) {
  if (APossibleSymbols == nullptr || AIterator == nullptr) return false;
  return DoMatchProduction(*APossibleSymbols, *AIterator);
}

std::u16string TProductionMatchingStrategy::GetProductionBNF(const TSymbols& APossibleSymbols) {
  return FProduction->Caption() + u" ::=" + GetClause(APossibleSymbols);
}

TMatchStep TProductionMatchingStrategy::Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  return TMatchStep::Finish(DoMatchProduction(APossibleSymbols, AIterator));
}

TMatchStep TProductionMatchingStrategy::Resume(bool, TTokenIterator&) {
  assert(false && "Resume on a strategy that finishes in Begin");
  return TMatchStep::Finish(false);
}

bool TProductionMatchingStrategy::RunSteps(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  TMatchStep step = Begin(APossibleSymbols, AIterator);
  while (step.Attempt != nullptr) step = Resume(step.Attempt->Match(AIterator), AIterator);
  return step.Result;
}

std::u16string TProductionMatchingStrategy::SymbolText(const TSymbol* ASymbol) {
  std::u16string text = ASymbol->Caption();
  if (text.size() == 1 && IsBreakChar(text[0])) text = u"'" + text + u"'";
  if (!ASymbol->Required()) text = u"[" + text + u"]";
  return text;
}

// Sequence

std::u16string TLinearMatchingStrategy::GetClause(const TSymbols& APossibleSymbols) {
  std::u16string result;
  for (const TSymbol* symbol : APossibleSymbols) result += u" " + SymbolText(symbol);
  return result;
}

bool TLinearMatchingStrategy::DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  return RunSteps(APossibleSymbols, AIterator);
}

TMatchStep TLinearMatchingStrategy::Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  FPossible = &APossibleSymbols;
  FIndex = 0;
  return Advance(AIterator);
}

TMatchStep TLinearMatchingStrategy::Advance(TTokenIterator& AIterator) {
  if (FIndex >= FPossible->Count()) return TMatchStep::Finish(true);
  if (AIterator.IsDone()) return TMatchStep::Finish(false);
  FBookmark = AIterator.GetBookmark();
  return TMatchStep::Try((*FPossible)[FIndex]);
}

TMatchStep TLinearMatchingStrategy::Resume(bool AMatched, TTokenIterator& AIterator) {
  TSymbol* symbol = (*FPossible)[FIndex];
  if (AMatched) {
    Production()->Symbols().Add(symbol);
  } else {
    AIterator.GoToBookmark(FBookmark);
    if (symbol->Required()) {
      AIterator.FreeBookmark(FBookmark);
      return TMatchStep::Finish(false);
    }
  }
  AIterator.FreeBookmark(FBookmark);
  ++FIndex;
  return Advance(AIterator);
}

// Choice

std::u16string TMatchingByOrStrategy::GetClause(const TSymbols& APossibleSymbols) {
  std::u16string result = u" ";
  bool first = true;
  for (const TSymbol* symbol : APossibleSymbols) {
    if (!first) result += u" | ";
    result += SymbolText(symbol);
    first = false;
  }
  return result;
}

bool TMatchingByOrStrategy::DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  return RunSteps(APossibleSymbols, AIterator);
}

TMatchStep TMatchingByOrStrategy::Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  FPossible = &APossibleSymbols;
  FIndex = 0;
  return Advance(AIterator);
}

TMatchStep TMatchingByOrStrategy::Advance(TTokenIterator& AIterator) {
  if (FIndex >= FPossible->Count() || AIterator.IsDone()) return TMatchStep::Finish(false);
  FBookmark = AIterator.GetBookmark();
  return TMatchStep::Try((*FPossible)[FIndex]);
}

TMatchStep TMatchingByOrStrategy::Resume(bool AMatched, TTokenIterator& AIterator) {
  if (AMatched) {
    Production()->Symbols().Add((*FPossible)[FIndex]);
    AIterator.FreeBookmark(FBookmark);
    return TMatchStep::Finish(true);
  }
  AIterator.GoToBookmark(FBookmark);
  AIterator.FreeBookmark(FBookmark);
  ++FIndex;
  return Advance(AIterator);
}

// Delimited list

std::u16string TMatchingDelimitedListStrategy::GetClause(const TSymbols& APossibleSymbols) {
  assert(APossibleSymbols.Count() == 3 && "a delimited list has an element, a delimiter and a rest");
  if (APossibleSymbols.Count() != 3) return {};
  const std::u16string element = SymbolText(APossibleSymbols[0]);
  return common::Format(u" %s %s %s | %s",
                        {element, SymbolText(APossibleSymbols[1]), SymbolText(APossibleSymbols[2]), element});
}

bool TMatchingDelimitedListStrategy::DoMatchProduction(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  return RunSteps(APossibleSymbols, AIterator);
}

TMatchStep TMatchingDelimitedListStrategy::Begin(TSymbols& APossibleSymbols, TTokenIterator& AIterator) {
  assert(APossibleSymbols.Count() == 3 && "a delimited list has an element, a delimiter and a rest");
  FPossible = &APossibleSymbols;
  FPhase = 0;
  if (APossibleSymbols.Count() != 3 || AIterator.IsDone()) return TMatchStep::Finish(false);
  FBookmark = AIterator.GetBookmark();
  return TMatchStep::Try(APossibleSymbols[0]);
}

TMatchStep TMatchingDelimitedListStrategy::Resume(bool AMatched, TTokenIterator& AIterator) {
  if (!AMatched) {
    AIterator.GoToBookmark(FBookmark);
    AIterator.FreeBookmark(FBookmark);
    // Without its element the list fails; without a delimiter the element stands alone; a
    // delimiter not followed by a list fails the whole list.
    return TMatchStep::Finish(FPhase == 1);
  }
  AIterator.FreeBookmark(FBookmark);
  Production()->Symbols().Add((*FPossible)[FPhase]);
  if (FPhase == 2) return TMatchStep::Finish(true);
  ++FPhase;
  if (AIterator.IsDone()) return TMatchStep::Finish(true);
  FBookmark = AIterator.GetBookmark();
  return TMatchStep::Try((*FPossible)[FPhase]);
}

// ---------------------------------------------------------------------------------------------
// TGrammar

TGrammar::TGrammar() : FRootToken(std::make_unique<TCompositeToken>()) {}

TGrammar::~TGrammar() {
  FRootToken.reset();
  Symbols().Clear();
  FreeAll();
}

void TGrammar::FreeAll() {
  std::deque<TSymbol*> symbols;
  symbols.swap(FSymbolsCollection);
  FSymbolCount = 0;
  for (TSymbol* symbol : symbols)
    if (symbol != nullptr) symbol->FRegisterSlot = 0;
  for (TSymbol* symbol : symbols) TSymbol::Free(symbol);
  FArena.Release();
}

void TGrammar::Reset() {
  // Tokens first: their memo tables name the symbols about to go.
  FRootToken->Clear();
  Symbols().Clear();
  FIterator = nullptr;
  FreeAll();
}

void TGrammar::ConfigureTokenizer(TTokenizer& ATokenizer) {
  DoConfigureTokenizer(ATokenizer);
  FillKeywords(ATokenizer.Keywords());
}

void TGrammar::AppendSymbol(std::unique_ptr<TSymbol> ASymbol) {
  if (ASymbol == nullptr) return;
  ASymbol->FInArena = false;
  Register(ASymbol.release());
}

void TGrammar::Register(TSymbol* ASymbol) {
  // A slot takes 28 bits: some 268 million symbols, far past what any text the size rule admits
  // makes, yet a bound that must not wrap.
  constexpr size_t kMaxSymbols = (size_t{1} << 28) - 1;
  if (FSymbolsCollection.size() >= kMaxSymbols) {
    TSymbol::Free(ASymbol);
    throw common::Exception(u"The text makes more grammar symbols than one parse can hold");
  }
  FSymbolsCollection.push_back(ASymbol);
  ASymbol->FRegisterSlot = static_cast<uint32_t>(FSymbolsCollection.size());
  ++FSymbolCount;
}

void TGrammar::RemoveSymbol(TSymbol* ASymbol) {
  if (ASymbol == nullptr) return;
  const size_t index = ASymbol->FRegisterSlot;
  if (index == 0 || index > FSymbolsCollection.size()) return;
  TSymbol*& slot = FSymbolsCollection[index - 1];
  if (slot != ASymbol) return;
  slot = nullptr;
  ASymbol->FRegisterSlot = 0;
  --FSymbolCount;
}

void TGrammar::MatchFailed(TSymbol* ASymbol, TTokenIterator& AIterator) {
  if (FOnMatchFailed) FOnMatchFailed(ASymbol, AIterator);
}

void TGrammar::MatchSuccess(TSymbol* ASymbol, TTokenIterator& AIterator) {
  ++FSuccesses;
  if (FOnMatchSuccess) FOnMatchSuccess(ASymbol, AIterator);
}

void TGrammar::RewindSymbols(const TSymbolMark& AMark) {
  // Symbols made since the mark may sit in recycled memory from before it, so the memory goes
  // back to the recycled lists rather than to the arena.
  while (FSymbolsCollection.size() > AMark.Registered) {
    if (TSymbol* symbol = FSymbolsCollection.back()) Recycle(symbol);
    FSymbolsCollection.pop_back();
  }
}

void TGrammar::Recycle(TSymbol* ASymbol) {
  if (!ASymbol->FInArena) {
    TSymbol::Free(ASymbol);
    return;
  }
  const size_t size = ASymbol->GetClass().Size();
  RemoveSymbol(ASymbol);
  ASymbol->~TSymbol();
  FArena.Recycle(ASymbol, size);
}

void* TGrammar::SymbolMemory(const TSymbolClass& AClass) { return FArena.AllocateRecycled(AClass.Size(), AClass.Align()); }

void TGrammar::DoConfigureTokenizer(TTokenizer&) {}

void TGrammar::FillKeywords(TStringList& AKeywords) {
  ParserFactory().GetKeyWordsFromProduction(this, AKeywords);
  std::stable_sort(AKeywords.begin(), AKeywords.end(),
                   [](const std::u16string& a, const std::u16string& b) { return CompareText(a, b) < 0; });
}

void TGrammar::Accept(TSymbolVisitor& AVisitor) {
  if (const TAcceptVisitorEvent* event = OnAcceptVisitor()) {
    (*event)(this, AVisitor);
    return;
  }
  AVisitor.VisitGrammar(this);
}

void TGrammar::DoBeforeMatch(TTokenIterator& AIterator) {
  FIterator = &AIterator;
  FNestingDepth = 0;
}

void TGrammar::RaiseNestingTooDeep() {
  throw common::Exception(common::Format(u"Productions nest deeper than %d levels", {MaxNestingDepth()}));
}

bool TGrammar::DoAfterMatch(TTokenIterator& AIterator, bool AMatched) {
  if (!AMatched || !RequiresEndOfInput()) return AMatched;
  // Only white space and comments, which the iterator skips, may follow the root production.
  return !AIterator.IsDone() && AIterator.Token()->IsKind(tkEOF);
}

// ---------------------------------------------------------------------------------------------
// TSymbolVisitor

void TSymbolVisitor::VisitSymbol(TSymbol*) {}

void TSymbolVisitor::VisitProduction(TProduction* AProduction) {
  for (TSymbol* child : AProduction->Symbols()) child->Accept(*this);
}

void TSymbolVisitor::VisitGrammar(TGrammar* AGrammar) { VisitProduction(AGrammar); }

void TSymbolVisitor::VisitConstantTerminal(TConstantTerminal* AConstantTerminal) { VisitSymbol(AConstantTerminal); }

std::any TSymbolVisitor::VisitSymbol(TSymbol*, std::any) { return {}; }

}  // namespace tess::parser
