// Ownership, copying, comparison and double dispatch of the form document model.
#include "FormDocument/uDFMDocument.h"

#include "Shared/Common/uFormat.h"

namespace tess::doc {

namespace detail {

void RaiseListIndex(int64_t AIndex, size_t ACount) {
  throw EListError(common::Format(u"List index %d out of range (count %d)", {AIndex, static_cast<int64_t>(ACount)}));
}

}  // namespace detail

void* TDBase::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitBase(*this, AData); }

// --- TDString -------------------------------------------------------------------------------

void* TDString::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitString(*this, AData); }

std::unique_ptr<TDBase> TDString::Clone() const {
  auto result = std::make_unique<TDString>();
  result->Assign(*this);
  return result;
}

void TDString::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDString*>(&ASource)) FLines = source->FLines;
}

bool TDString::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDString*>(&AObj);
  return other && FLines == other->FLines;
}

// --- TDNumber -------------------------------------------------------------------------------

void* TDNumber::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitNumber(*this, AData); }

std::unique_ptr<TDBase> TDNumber::Clone() const {
  auto result = std::make_unique<TDNumber>();
  result->Assign(*this);
  return result;
}

void TDNumber::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDNumber*>(&ASource)) FNum = source->FNum;
}

bool TDNumber::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDNumber*>(&AObj);
  return other && FNum == other->FNum;
}

// --- TDVar ----------------------------------------------------------------------------------

void* TDVar::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitVar(*this, AData); }

std::unique_ptr<TDBase> TDVar::Clone() const {
  auto result = std::make_unique<TDVar>();
  result->Assign(*this);
  return result;
}

void TDVar::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDVar*>(&ASource)) FName = source->FName;
}

bool TDVar::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDVar*>(&AObj);
  return other && FName == other->FName;
}

// --- TDSet ----------------------------------------------------------------------------------

void* TDSet::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitSet(*this, AData); }

std::unique_ptr<TDBase> TDSet::Clone() const {
  auto result = std::make_unique<TDSet>();
  result->Assign(*this);
  return result;
}

void TDSet::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDSet*>(&ASource)) FItems = source->FItems;
}

bool TDSet::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDSet*>(&AObj);
  return other && FItems == other->FItems;
}

// --- TDArray --------------------------------------------------------------------------------

void* TDArray::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitArray(*this, AData); }

std::unique_ptr<TDBase> TDArray::Clone() const {
  auto result = std::make_unique<TDArray>();
  result->Assign(*this);
  return result;
}

void TDArray::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDArray*>(&ASource)) AssignElements(*source);
}

bool TDArray::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDArray*>(&AObj);
  return other && EqualElements(*other);
}

// --- TDItems --------------------------------------------------------------------------------

void* TDItems::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitItems(*this, AData); }

std::unique_ptr<TDBase> TDItems::Clone() const {
  auto result = std::make_unique<TDItems>();
  result->Assign(*this);
  return result;
}

void TDItems::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDItems*>(&ASource)) AssignElements(*source);
}

bool TDItems::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDItems*>(&AObj);
  return other && EqualElements(*other);
}

// --- TDProp ---------------------------------------------------------------------------------

void TDProp::SetValue(std::unique_ptr<TDValue> AValue) {
  if (AValue.get() == FValue.get()) {
    // The caller handed back the value this property already owns: keep it, and do not let the
    // second owner free it.
    (void)AValue.release();
    return;
  }
  FValue = std::move(AValue);
}

void* TDProp::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitProp(*this, AData); }

std::unique_ptr<TDBase> TDProp::Clone() const {
  auto result = std::make_unique<TDProp>();
  result->Assign(*this);
  return result;
}

void TDProp::Assign(const TDBase& ASource) {
  const auto* source = dynamic_cast<const TDProp*>(&ASource);
  if (!source) return;
  // Copy before freeing: the source may be this property or lie inside its own value.
  std::u16string name = source->FName;
  std::unique_ptr<TDValue> value = source->FValue ? CloneOf(*source->FValue) : nullptr;
  FName = std::move(name);
  FValue = std::move(value);
}

bool TDProp::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDProp*>(&AObj);
  if (!other || FName != other->FName) return false;
  if (!FValue || !other->FValue) return !FValue && !other->FValue;
  return FValue->Equals(*other->FValue);
}

// --- TDProps --------------------------------------------------------------------------------

void TDProps::Delete(int AIndex) {
  if (AIndex < 0 || AIndex >= Count()) detail::RaiseListIndex(AIndex, FList.size());
  FList.erase(FList.begin() + AIndex);
}

TDProp* TDProps::Find(std::u16string_view AName) const {
  for (const auto& prop : FList)
    if (prop->Name() == AName) return prop.get();
  return nullptr;
}

void* TDProps::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitBase(*this, AData); }

std::unique_ptr<TDBase> TDProps::Clone() const {
  auto result = std::make_unique<TDProps>();
  result->Assign(*this);
  return result;
}

void TDProps::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDProps*>(&ASource)) AssignElements(*source);
}

bool TDProps::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDProps*>(&AObj);
  return other && EqualElements(*other);
}

// --- TDObjects ------------------------------------------------------------------------------

void* TDObjects::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitBase(*this, AData); }

std::unique_ptr<TDBase> TDObjects::Clone() const {
  auto result = std::make_unique<TDObjects>();
  result->Assign(*this);
  return result;
}

void TDObjects::Assign(const TDBase& ASource) {
  if (const auto* source = dynamic_cast<const TDObjects*>(&ASource)) AssignElements(*source);
}

bool TDObjects::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDObjects*>(&AObj);
  return other && EqualElements(*other);
}

// --- TDItem ---------------------------------------------------------------------------------

TDItem::TDItem() : FProps(std::make_unique<TDProps>()), FObjects(std::make_unique<TDObjects>()) {}

TDItem::TDItem(std::u16string AName) : TDItem() { FName = std::move(AName); }

TDItem::~TDItem() = default;

void* TDItem::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitItem(*this, AData); }

std::unique_ptr<TDBase> TDItem::Clone() const {
  auto result = std::make_unique<TDItem>();
  result->Assign(*this);
  return result;
}

void TDItem::Assign(const TDBase& ASource) {
  const auto* source = dynamic_cast<const TDItem*>(&ASource);
  if (!source) return;
  // Everything is copied before anything is replaced: when the source lies inside this item's
  // own subtree, replacing the properties first would free the source half-way.
  std::u16string name = source->FName;
  const int32_t index = source->FIndex;
  auto props = CloneOf(*source->FProps);
  auto objects = CloneOf(*source->FObjects);
  FName = std::move(name);
  FIndex = index;
  FProps = std::move(props);
  FObjects = std::move(objects);
}

bool TDItem::EqualItem(const TDItem& AOther) const {
  return FName == AOther.FName && FIndex == AOther.FIndex && FProps->Equals(*AOther.FProps) &&
         FObjects->Equals(*AOther.FObjects);
}

bool TDItem::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDItem*>(&AObj);
  // An object is never equal to a plain item, whichever side asks.
  return other && !dynamic_cast<const TDObject*>(other) && EqualItem(*other);
}

// --- TDObject -------------------------------------------------------------------------------

namespace {

// Only a to z are folded: the header keywords are ASCII, and a locale must not change the result.
bool SameAsciiText(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - u'a' + u'A');
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - u'a' + u'A');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

std::u16string ObjectKindToStr(TDObjectKind AKind) {
  switch (AKind) {
    case TDObjectKind::okObject: return u"object";
    case TDObjectKind::okInherited: return u"inherited";
    case TDObjectKind::okInline: return u"inline";
  }
  return u"object";
}

TDObjectKind StrToObjectKind(std::u16string_view AKeyword) {
  if (SameAsciiText(AKeyword, u"object")) return TDObjectKind::okObject;
  if (SameAsciiText(AKeyword, u"inherited")) return TDObjectKind::okInherited;
  return TDObjectKind::okInline;
}

TDObject::TDObject(std::u16string AName, std::u16string AAncestor, TDObjectKind AKind, int32_t AIndex)
    : TDItem(std::move(AName)), FKind(AKind), FAncestor(std::move(AAncestor)) {
  SetIndex(AIndex);
}

void* TDObject::Accept(TDVisitor& AVisitor, void* AData) { return AVisitor.VisitObject(*this, AData); }

std::unique_ptr<TDBase> TDObject::Clone() const {
  auto result = std::make_unique<TDObject>();
  result->Assign(*this);
  return result;
}

void TDObject::Assign(const TDBase& ASource) {
  const auto* source = dynamic_cast<const TDObject*>(&ASource);
  if (!source) {
    // An object's index is its child position, part of its header: an item's index is not that.
    const int32_t position = Index();
    TDItem::Assign(ASource);
    SetIndex(position);
    return;
  }
  // Read the header before the item part is replaced, which may free the source.
  const TDObjectKind kind = source->FKind;
  std::u16string ancestor = source->FAncestor;
  const TDTextEncoding encoding = source->FEncoding;
  const common::TLineBreak lineBreak = source->FLineBreak;
  const bool listsCloseAlone = source->FListsCloseAlone;
  TDItem::Assign(ASource);
  FKind = kind;
  FAncestor = std::move(ancestor);
  FEncoding = encoding;
  FLineBreak = lineBreak;
  FListsCloseAlone = listsCloseAlone;
}

bool TDObject::Equals(const TDBase& AObj) const {
  const auto* other = dynamic_cast<const TDObject*>(&AObj);
  return other && EqualItem(*other) && FKind == other->FKind && FAncestor == other->FAncestor;
}

// --- TDVisitor ------------------------------------------------------------------------------

void* TDVisitor::VisitBase(TDBase&, void*) { return nullptr; }
void* TDVisitor::VisitString(TDString& AValue, void* AData) { return VisitBase(AValue, AData); }
void* TDVisitor::VisitNumber(TDNumber& AValue, void* AData) { return VisitBase(AValue, AData); }
void* TDVisitor::VisitVar(TDVar& AValue, void* AData) { return VisitBase(AValue, AData); }
void* TDVisitor::VisitSet(TDSet& AValue, void* AData) { return VisitBase(AValue, AData); }
void* TDVisitor::VisitArray(TDArray& AValue, void* AData) { return VisitBase(AValue, AData); }
void* TDVisitor::VisitProp(TDProp& AProp, void* AData) { return VisitBase(AProp, AData); }
void* TDVisitor::VisitItem(TDItem& AItem, void* AData) { return VisitBase(AItem, AData); }
void* TDVisitor::VisitItems(TDItems& AItems, void* AData) { return VisitBase(AItems, AData); }
void* TDVisitor::VisitObject(TDObject& AObject, void* AData) { return VisitBase(AObject, AData); }

}  // namespace tess::doc
