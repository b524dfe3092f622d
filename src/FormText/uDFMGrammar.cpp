// Members, strategies and accessors of the form-text productions.
#include "FormText/uDFMGrammar.h"

#include <limits>

#include "Shared/Common/uFormat.h"
#include "Shared/Parser/uParserFactory.h"

namespace tess::formtext {

using parser::ParserFactory;
using parser::TMatchingByOrStrategy;
using parser::TMatchingDelimitedListStrategy;
using parser::TStrategyClass;
using parser::TTerminal;

namespace {

template <class T>
void Member(TSymbols& ASymbols, TProduction* AParent, bool ARequired = true) {
  ASymbols.Add(ParserFactory().CreateSymbol(T::ClassInfo(), AParent, ARequired));
}

void Constant(TSymbols& ASymbols, TProduction* AParent, const char16_t* AConstant, bool ARequired = true) {
  ASymbols.Add(ParserFactory().CreateConstantTerminal(AParent, AConstant, ARequired));
}

void Reserved(TSymbols& ASymbols, TProduction* AParent, const char16_t* AConstant) {
  ASymbols.Add(ParserFactory().CreateReservedTerminal(AParent, AConstant, true));
}

// The symbol as a T when it is one (a subclass counts), else null. The exact class is tried first:
// every accessor call tests a class, and a dynamic_cast compares type names here.
template <class T, class S>
T* SymbolAs(S* ASymbol) {
  if (ASymbol == nullptr) return nullptr;
  if (&ASymbol->GetClass() == &T::ClassInfo()) return static_cast<T*>(ASymbol);
  return dynamic_cast<T*>(ASymbol);
}

template <class T>
T* ChildAs(const TProduction* AProduction, int32_t AIndex) {
  return SymbolAs<T>(AProduction->Child(AIndex));
}

std::u16string CaptionOf(const TSymbol* ASymbol) { return ASymbol ? ASymbol->Caption() : std::u16string(); }

std::u16string IdentifierText(const TSymbol* ASymbol) {
  if (const auto* identifier = SymbolAs<const TDFMIdentifier>(ASymbol)) return identifier->Text();
  return {};
}

TDFMVisitor* AsDFMVisitor(TSymbolVisitor& AVisitor) { return dynamic_cast<TDFMVisitor*>(&AVisitor); }

// The first matched child answers for productions that only choose between alternatives.
std::any AcceptFirstChild(const TProduction* AProduction, TSymbolVisitor& AVisitor, std::any AData) {
  TSymbol* child = AProduction->Child(0);
  return child ? child->Accept(AVisitor, std::move(AData)) : std::any();
}

}  // namespace

// --- Visitor ------------------------------------------------------------------------------------

std::any TDFMVisitor::VisitObject(TDFMObject*, std::any) { return {}; }
std::any TDFMVisitor::VisitProperties(TDFMProperties*, std::any) { return {}; }
std::any TDFMVisitor::VisitProperty(TDFMProperty*, std::any) { return {}; }
std::any TDFMVisitor::VisitPropertyRow(TDFMPropertyRow*, std::any) { return {}; }
std::any TDFMVisitor::VisitNumber(TDFMNumber*, std::any) { return {}; }
std::any TDFMVisitor::VisitString(TDFMString*, std::any) { return {}; }
std::any TDFMVisitor::VisitIdentifier(TDFMIdentifier*, std::any) { return {}; }
std::any TDFMVisitor::VisitSquareSet(TDFMSquareSet*, std::any) { return {}; }
std::any TDFMVisitor::VisitRoundSet(TDFMRoundSet*, std::any) { return {}; }
std::any TDFMVisitor::VisitItemSet(TDFMItemSet*, std::any) { return {}; }

// --- Chains -------------------------------------------------------------------------------------

bool TDFMChainEnumerator::MoveNext() {
  if (FCurrent == nullptr) {
    FCurrent = FInitial;
    return FCurrent != nullptr;
  }
  if (FCurrent->Count() <= 1) return false;
  TSymbol* rest = FCurrent->Child(1);
  TProduction* next = rest != nullptr ? rest->AsProduction() : nullptr;
  // The rest of a list is the choice between a primitive-headed and a list-headed link.
  while (next != nullptr && SymbolAs<TDFMRoundList>(next) != nullptr)
    next = next->Child(0) != nullptr ? next->Child(0)->AsProduction() : nullptr;
  if (next == nullptr) return false;
  FCurrent = next;
  return true;
}

TSymbol* TDFMChainEnumerator::GetCurrent() const { return FCurrent ? FCurrent->Child(0) : nullptr; }

std::unique_ptr<TDFMChainEnumerator> TDFMChain::GetEnumerator() { return std::make_unique<TDFMChainEnumerator>(this); }

// --- Grammars -----------------------------------------------------------------------------------

void TDFMGrammar::DoConfigureTokenizer(parser::TTokenizer& ATokenizer) {
  ATokenizer.Quotes().Clear();
  ATokenizer.Quotes().CreateQuotePair(u"'");
  ATokenizer.Quotes().CreateQuotePair(u"{", u"}");
}

void TDFMGrammar::AddPossibleSymbols(TSymbols& ASymbols) { Member<TDFMObject>(ASymbols, this); }

void TDFMGrammar::RaiseNestingTooDeep() { throw ENestingError(common::NestingTooDeepMessage()); }

void TDFMValueGrammar::AddPossibleSymbols(TSymbols& ASymbols) { Member<TDFMValue>(ASymbols, this); }

// --- Objects ------------------------------------------------------------------------------------

void TDFMObject::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMObjectKind>(ASymbols, this);
  Member<TDFMIdentifier>(ASymbols, this);
  Member<TDFMInheritance>(ASymbols, this, false);
  // A nameless object has no colon, yet may have a child position: inherited TButton [2].
  Member<TDFMIndex>(ASymbols, this, false);
  Member<TDFMProperties>(ASymbols, this, false);
  Reserved(ASymbols, this, u"END");
}

std::u16string TDFMObject::Kind() const {
  const auto* kind = ChildAs<TDFMObjectKind>(this, 0);
  return kind ? kind->Text() : std::u16string();
}

std::u16string TDFMObject::ObjectName() const { return IdentifierText(Child(1)); }

std::u16string TDFMObject::Ancestor() const {
  const auto* inheritance = ChildAs<TDFMInheritance>(this, 2);
  return inheritance ? inheritance->Ancestor() : std::u16string();
}

int32_t TDFMObject::Count() const {
  if (const auto* inheritance = ChildAs<TDFMInheritance>(this, 2)) return inheritance->Count();
  const auto* index = ChildAs<TDFMIndex>(this, 2);
  return index ? index->Count() : -1;
}

TDFMProperties* TDFMObject::Props() const { return ChildAs<TDFMProperties>(this, TProduction::Count() - 2); }

std::any TDFMObject::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitObject(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

const TStrategyClass& TDFMObjectKind::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMObjectKind::AddPossibleSymbols(TSymbols& ASymbols) {
  Reserved(ASymbols, this, u"OBJECT");
  Reserved(ASymbols, this, u"INHERITED");
  Reserved(ASymbols, this, u"INLINE");
}

std::u16string TDFMObjectKind::Text() const { return CaptionOf(Child(0)); }

const TStrategyClass& TDFMIdentifier::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMIdentifier::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMIdentifierChain>(ASymbols, this);
  Member<parser::TIdentifierTerminal>(ASymbols, this);
}

std::u16string TDFMIdentifier::Text() const {
  const TSymbol* child = Child(0);
  // Most identifiers are one word: a terminal is no chain, and that test is cheap.
  if (child == nullptr || child->IsTerminal()) return CaptionOf(child);
  if (const auto* chain = SymbolAs<const TDFMIdentifierChain>(child)) return chain->Text();
  return CaptionOf(child);
}

std::any TDFMIdentifier::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitIdentifier(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

void TDFMIdentifierChain::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<parser::TIdentifierTerminal>(ASymbols, this);
  Constant(ASymbols, this, u".");
  Member<TDFMIdentifier>(ASymbols, this);
}

std::u16string TDFMIdentifierChain::Text() const {
  // Walked link by link: a long dotted name must not cost one C++ frame per part.
  std::u16string result = CaptionOf(Child(0));
  const TDFMIdentifier* rest = ChildAs<TDFMIdentifier>(this, 2);
  while (rest != nullptr) {
    result += u'.';
    const TSymbol* head = rest->Child(0);
    if (const auto* chain = head->IsTerminal() ? nullptr : SymbolAs<const TDFMIdentifierChain>(head)) {
      result += CaptionOf(chain->Child(0));
      rest = ChildAs<TDFMIdentifier>(chain, 2);
    } else {
      result += CaptionOf(head);
      rest = nullptr;
    }
  }
  return result;
}

void TDFMInheritance::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u":");
  Member<TDFMIdentifier>(ASymbols, this);
  Member<TDFMIndex>(ASymbols, this, false);
}

std::u16string TDFMInheritance::Ancestor() const { return IdentifierText(Child(1)); }

int32_t TDFMInheritance::Count() const {
  if (TProduction::Count() <= 2) return -1;
  const auto* index = ChildAs<TDFMIndex>(this, 2);
  return index ? index->Count() : -1;
}

void TDFMIndex::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u"[");
  // Positions and indexes are whole numbers of 32 bits, negative ones included.
  Constant(ASymbols, this, u"-", false);
  Member<parser::TNumericTerminal>(ASymbols, this);
  Constant(ASymbols, this, u"]");
}

int32_t TDFMIndex::Count() const {
  const bool negative = TProduction::Count() > 3;
  const std::u16string text = CaptionOf(Child(negative ? 2 : 1));
  const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  int64_t value = 0;
  bool valid = !text.empty();
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - u'0');
    if (value > limit) {
      valid = false;
      break;
    }
  }
  if (!valid) throw EConvertError(common::Format(u"'%s' is not a whole number", {(negative ? u"-" : u"") + text}));
  // The document keeps -1 for "no index"; taking it would drop the brackets when the form is saved.
  if (negative && value == 1) throw EConvertError(u"The index [-1] cannot be kept");
  return static_cast<int32_t>(negative ? -value : value);
}

void TDFMProperties::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMProperty>(ASymbols, this);
  Member<TDFMProperties>(ASymbols, this, false);
}

TDFMProperty* TDFMProperties::Prop() const { return ChildAs<TDFMProperty>(this, 0); }

TDFMProperties* TDFMProperties::GetNext() const { return Count() >= 2 ? ChildAs<TDFMProperties>(this, 1) : nullptr; }

const TStrategyClass& TDFMProperty::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMProperty::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMObject>(ASymbols, this);
  Member<TDFMPropertyRow>(ASymbols, this);
}

bool TDFMProperty::IsObject() const { return ChildAs<TDFMObject>(this, 0) != nullptr; }

std::any TDFMProperty::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  return AcceptFirstChild(this, AVisitor, std::move(AData));
}

void TDFMPropertyRow::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMIdentifier>(ASymbols, this);
  Constant(ASymbols, this, u"=");
  Member<TDFMValue>(ASymbols, this);
}

std::u16string TDFMPropertyRow::PropName() const { return IdentifierText(Child(0)); }

TSymbol* TDFMPropertyRow::PropValue() const { return Child(2); }

std::any TDFMPropertyRow::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitPropertyRow(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

// --- Values -------------------------------------------------------------------------------------

const TStrategyClass& TDFMValue::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMValue::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMPrimitive>(ASymbols, this);
  Member<TDFMSquareSet>(ASymbols, this);
  Member<TDFMItemSet>(ASymbols, this);
  Member<TDFMRoundSet>(ASymbols, this);
}

std::any TDFMValue::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  return AcceptFirstChild(this, AVisitor, std::move(AData));
}

const TStrategyClass& TDFMPrimitive::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMPrimitive::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMNumber>(ASymbols, this);
  Member<TDFMString>(ASymbols, this);
  Member<TDFMIdentifier>(ASymbols, this);
}

std::any TDFMPrimitive::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  return AcceptFirstChild(this, AVisitor, std::move(AData));
}

void TDFMNumber::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u"-", false);
  Member<parser::TNumericTerminal>(ASymbols, this);
}

std::u16string TDFMNumber::Value() const {
  std::u16string result;
  if (Count() > 1 && CaptionOf(Child(0)) == u"-") result.push_back(u'-');
  result += CaptionOf(Symbols().Last());
  return result;
}

std::any TDFMNumber::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitNumber(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

const TStrategyClass& TDFMString::GetStrategyClass() const { return TMatchingDelimitedListStrategy::ClassInfo(); }

void TDFMString::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<parser::TTextTerminal>(ASymbols, this);
  Constant(ASymbols, this, u"+");
  Member<TDFMString>(ASymbols, this);
}

std::u16string TDFMString::Value() const { return ParserFactory().GetProductionText(this); }

void TDFMString::AddValues(TStringList& AValues) const {
  // One link per piece; walked in a loop because strings of many thousand pieces occur.
  for (const TDFMString* link = this; link != nullptr;) {
    AValues.push_back(CaptionOf(link->Child(0)));
    link = link->Count() == 3 ? ChildAs<TDFMString>(link, 2) : nullptr;
  }
}

std::any TDFMString::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitString(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

void TDFMSquareSet::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u"[");
  Member<TDFMIdentifierList>(ASymbols, this, false);
  Constant(ASymbols, this, u"]");
}

void TDFMSquareSet::FillNames(TStringList& ANames) const {
  ANames.clear();
  if (const auto* list = ChildAs<TDFMIdentifierList>(this, 1)) list->AddNames(ANames);
}

std::any TDFMSquareSet::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitSquareSet(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

const TStrategyClass& TDFMIdentifierList::GetStrategyClass() const {
  return TMatchingDelimitedListStrategy::ClassInfo();
}

void TDFMIdentifierList::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMIdentifier>(ASymbols, this);
  Constant(ASymbols, this, u",");
  Member<TDFMIdentifierList>(ASymbols, this);
}

void TDFMIdentifierList::AddNames(TStringList& ANames) const {
  for (const TDFMIdentifierList* link = this; link != nullptr;) {
    ANames.push_back(IdentifierText(link->Child(0)));
    link = link->Count() > 2 ? ChildAs<TDFMIdentifierList>(link, 2) : nullptr;
  }
}

void TDFMItemSet::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u"<");
  Member<TDFMItemList>(ASymbols, this, false);
  Constant(ASymbols, this, u">");
}

std::unique_ptr<TDFMChainEnumerator> TDFMItemSet::GetEnumerator() const {
  auto* list = ChildAs<TDFMItemList>(this, 1);
  return list ? std::make_unique<TDFMChainEnumerator>(list) : nullptr;
}

std::any TDFMItemSet::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitItemSet(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

void TDFMItemList::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMItem>(ASymbols, this);
  Member<TDFMItemList>(ASymbols, this, false);
}

void TDFMItem::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMIdentifier>(ASymbols, this);
  Member<TDFMIndex>(ASymbols, this, false);
  Member<TDFMProperties>(ASymbols, this, false);
  Reserved(ASymbols, this, u"END");
}

std::u16string TDFMItem::ObjectName() const { return IdentifierText(Child(0)); }

int32_t TDFMItem::Count() const {
  const auto* index = ChildAs<TDFMIndex>(this, 1);
  return index ? index->Count() : -1;
}

TDFMProperties* TDFMItem::Props() const { return ChildAs<TDFMProperties>(this, TProduction::Count() - 2); }

void TDFMRoundSet::AddPossibleSymbols(TSymbols& ASymbols) {
  Constant(ASymbols, this, u"(");
  Member<TDFMRoundList>(ASymbols, this, false);
  Constant(ASymbols, this, u")");
}

std::unique_ptr<TDFMChainEnumerator> TDFMRoundSet::GetEnumerator() {
  auto* list = ChildAs<TDFMRoundList>(this, 1);
  return list ? list->GetEnumerator() : nullptr;
}

std::any TDFMRoundSet::Accept(TSymbolVisitor& AVisitor, std::any AData) {
  if (TDFMVisitor* visitor = AsDFMVisitor(AVisitor)) return visitor->VisitRoundSet(this, std::move(AData));
  return TProduction::Accept(AVisitor, std::move(AData));
}

const TStrategyClass& TDFMRoundList::GetStrategyClass() const { return TMatchingByOrStrategy::ClassInfo(); }

void TDFMRoundList::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMPrimitiveList>(ASymbols, this);
  Member<TDFMRoundListSet>(ASymbols, this);
}

std::unique_ptr<TDFMChainEnumerator> TDFMRoundList::GetEnumerator() {
  auto* head = ChildAs<TProduction>(this, 0);
  return head ? std::make_unique<TDFMChainEnumerator>(head) : nullptr;
}

void TDFMPrimitiveList::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMPrimitive>(ASymbols, this);
  Member<TDFMRoundList>(ASymbols, this, false);
}

void TDFMRoundListSet::AddPossibleSymbols(TSymbols& ASymbols) {
  Member<TDFMRoundSet>(ASymbols, this);
  Member<TDFMRoundList>(ASymbols, this, false);
}

}  // namespace tess::formtext
