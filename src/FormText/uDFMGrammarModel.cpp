// The walk from parse tree to document model, depth-first in source order.
#include "FormText/uDFMGrammarModel.h"

#include <typeinfo>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"

namespace tess::formtext {

using namespace tess::doc;

namespace {

// The tree yielded something of another kind than the caller asked for; the grammars of this
// system never do that.
[[noreturn]] void RaiseInvalidCast(const char16_t* AWanted) {
  throw common::Exception(std::u16string(u"Invalid cast: the parse tree did not yield ") + AWanted);
}

// A visit result as an owned node: null for an empty result, raised for a foreign one.
std::unique_ptr<TDBase> Adopt(std::any AResult) {
  if (!AResult.has_value()) return nullptr;
  if (auto* const* node = std::any_cast<TDBase*>(&AResult)) return std::unique_ptr<TDBase>(*node);
  RaiseInvalidCast(u"a model node");
}

template <class T>
std::unique_ptr<T> AdoptAs(std::any AResult, const char16_t* AWanted) {
  std::unique_ptr<TDBase> node = Adopt(std::move(AResult));
  if (node == nullptr) return nullptr;
  if (auto* typed = dynamic_cast<T*>(node.get())) {
    (void)node.release();
    return std::unique_ptr<T>(typed);
  }
  RaiseInvalidCast(AWanted);
}

std::any Hand(std::unique_ptr<TDBase> ANode) { return static_cast<TDBase*>(ANode.release()); }

std::u16string ClassNameOf(const TDBase* ANode) {
  return ANode ? common::U16(typeid(*ANode).name()) : std::u16string(u"nil");
}

}  // namespace

TDFMModelMaker::TLevel::TLevel(int& ADepth) : FDepth(ADepth) {
  if (FDepth >= kMaxNestingDepth) throw ENestingError(common::NestingTooDeepMessage());
  ++FDepth;
}

std::unique_ptr<TDObject> TDFMModelMaker::Make(parser::TGrammar& AGrammar, std::u16string_view ASource) {
  TSymbol* root = AGrammar.Child(0);
  if (root == nullptr) RaiseInvalidCast(u"an object");
  FSource = ASource;
  FListsCloseAlone.reset();
  auto object = AdoptAs<TDObject>(root->Accept(*this, std::any()), u"an object");
  FSource = {};
  if (object == nullptr) RaiseInvalidCast(u"an object");
  object->SetListsCloseAlone(FListsCloseAlone.value_or(false));
  return object;
}

// Whether only blanks stand between the line's start and the list's ")".
void TDFMModelMaker::NoteListClose(TDFMRoundSet& AList) {
  if (FListsCloseAlone.has_value() || FSource.empty()) return;
  const parser::TTerminal* close = AList.Symbols().Last() ? AList.Symbols().Last()->AsTerminal() : nullptr;
  if (close == nullptr || close->Token() == nullptr) return;
  auto at = static_cast<size_t>(close->Token()->StartPos());
  if (at > FSource.size()) return;
  while (at > 0 && (FSource[at - 1] == u' ' || FSource[at - 1] == u'\t')) --at;
  FListsCloseAlone = at > 0 && (FSource[at - 1] == u'\n' || FSource[at - 1] == u'\r');
}

std::unique_ptr<TDValue> TDFMModelMaker::MakeValue(TSymbol* AValue) {
  if (AValue == nullptr) RaiseInvalidCast(u"a value");
  auto value = AdoptAs<TDValue>(AValue->Accept(*this, std::any()), u"a value");
  if (value == nullptr) RaiseInvalidCast(u"a value");
  return value;
}

std::any TDFMModelMaker::VisitObject(TDFMObject* AObject, std::any) {
  const TLevel level(FDepth);
  auto object = std::make_unique<TDObject>();
  object->SetName(AObject->ObjectName());
  object->SetKind(StrToObjectKind(AObject->Kind()));
  object->SetAncestor(AObject->Ancestor());
  object->SetIndex(AObject->Count());
  AddProperties(*object, AObject->Props());
  return Hand(std::move(object));
}

void TDFMModelMaker::AddProperties(TDItem& AItem, TDFMProperties* AProps) {
  for (; AProps != nullptr; AProps = AProps->GetNext()) AddProperty(AProps->Prop(), AItem);
}

void TDFMModelMaker::AddProperty(TDFMProperty* AProperty, TDItem& AItem) {
  if (AProperty == nullptr) return;
  std::unique_ptr<TDBase> result = Adopt(AProperty->Accept(*this, std::any()));
  if (auto* object = dynamic_cast<TDObject*>(result.get())) {
    (void)result.release();
    AItem.Objects().Add(std::unique_ptr<TDObject>(object));
  } else if (auto* prop = dynamic_cast<TDProp*>(result.get())) {
    (void)result.release();
    AItem.Props().Add(std::unique_ptr<TDProp>(prop));
  } else {
    throw common::Exception(u"Unexpected object " + ClassNameOf(result.get()));
  }
}

std::any TDFMModelMaker::VisitPropertyRow(TDFMPropertyRow* AProp, std::any) { return Hand(MakeProp(AProp)); }

std::unique_ptr<TDProp> TDFMModelMaker::MakeProp(TDFMPropertyRow* ARow) {
  auto prop = std::make_unique<TDProp>();
  prop->SetName(ARow->PropName());
  prop->SetValue(MakeValue(ARow->PropValue()));
  return prop;
}

std::any TDFMModelMaker::VisitNumber(TDFMNumber* AProp, std::any) {
  return Hand(std::make_unique<TDNumber>(AProp->Value()));
}

std::any TDFMModelMaker::VisitString(TDFMString* AProp, std::any) {
  auto value = std::make_unique<TDString>();
  AProp->AddValues(value->Lines());
  return Hand(std::move(value));
}

std::any TDFMModelMaker::VisitIdentifier(TDFMIdentifier* AProp, std::any) {
  return Hand(std::make_unique<TDVar>(AProp->Text()));
}

std::any TDFMModelMaker::VisitSquareSet(TDFMSquareSet* AProp, std::any) {
  auto value = std::make_unique<TDSet>();
  AProp->FillNames(value->Items());
  return Hand(std::move(value));
}

std::any TDFMModelMaker::VisitRoundSet(TDFMRoundSet* AProp, std::any) {
  const TLevel level(FDepth);
  auto value = std::make_unique<TDArray>();
  std::unique_ptr<TDFMChainEnumerator> elements = AProp->GetEnumerator();
  if (elements == nullptr) return Hand(std::move(value));
  NoteListClose(*AProp);
  while (elements->MoveNext()) value->Add(MakeValue(elements->GetCurrent()));
  return Hand(std::move(value));
}

std::any TDFMModelMaker::VisitItemSet(TDFMItemSet* AProp, std::any) {
  const TLevel level(FDepth);
  auto value = std::make_unique<TDItems>();
  std::unique_ptr<TDFMChainEnumerator> items = AProp->GetEnumerator();
  if (items == nullptr) return Hand(std::move(value));
  while (items->MoveNext()) value->Add(MakeItem(items->GetCurrent()));
  return Hand(std::move(value));
}

std::unique_ptr<TDItem> TDFMModelMaker::MakeItem(TSymbol* AItem) {
  auto* item = dynamic_cast<TDFMItem*>(AItem);
  if (item == nullptr) RaiseInvalidCast(u"a collection item");
  auto result = std::make_unique<TDItem>();
  result->SetName(item->ObjectName());
  result->SetIndex(item->Count());
  AddProperties(*result, item->Props());
  return result;
}

}  // namespace tess::formtext
