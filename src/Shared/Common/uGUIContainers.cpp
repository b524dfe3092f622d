#include "Shared/Common/uGUIContainers.h"

#include <algorithm>

#include "Shared/Common/uFormat.h"

namespace tess::common {

namespace {

[[noreturn]] void RaiseListIndex(int64_t AIndex) {
  throw EListError(Format(u"List index out of bounds (%d)", {AIndex}));
}

template <class T>
T& ItemAt(const std::vector<std::unique_ptr<T>>& AList, int32_t AIndex) {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= AList.size()) RaiseListIndex(AIndex);
  return *AList[static_cast<size_t>(AIndex)];
}

}  // namespace

// ---- TDGUIItem

void TDGUIItem::SetCaption(const std::u16string& AValue) {
  if (FCaption == AValue) return;
  FCaption = AValue;
  Changed();
}

void TDGUIItem::SetImageIndex(int32_t AValue) {
  if (FImageIndex == AValue) return;
  FImageIndex = AValue;
  Changed();
}

void TDGUIItem::SetChecked(bool AValue) {
  if (FChecked == AValue) return;
  FChecked = AValue;
  Changed();
}

void TDGUIItem::SetSelected(bool AValue) {
  if (FSelected == AValue) return;
  FSelected = AValue;
  Changed();
}

void TDGUIItem::Changed() {
  FSubs.Announce([this](IDGUIItemSubs* ASubscriber) { ASubscriber->ItemChanged(this); });
}

// ---- TDGUIItems

// Destruction is silent: whoever subscribed is being torn down with the list.
TDGUIItems::~TDGUIItems() = default;

TDGUIItem& TDGUIItems::Add() {
  FList.push_back(std::make_unique<TDGUIItem>());
  TDGUIItem* item = FList.back().get();
  item->Subscribe(this);
  FSubs.Announce([item](IDGUIItemsSubs* ASubscriber) { ASubscriber->ItemAdded(item); });
  return *item;
}

void TDGUIItems::Remove(TDGUIItem* AItem) {
  // Freeing an item this list does not own would free someone else's object.
  const int32_t index = IndexOf(AItem);
  if (index < 0) return;
  AItem->Unsubscribe(this);
  FSubs.Announce([AItem](IDGUIItemsSubs* ASubscriber) { ASubscriber->ItemRemoved(AItem); });
  // A subscriber may have changed the list while it was told; look the item up again.
  const int32_t current = IndexOf(AItem);
  if (current >= 0) FList.erase(FList.begin() + current);
}

void TDGUIItems::Clear() {
  FList.clear();
  FSubs.Announce([](IDGUIItemsSubs* ASubscriber) { ASubscriber->ItemsCleared(); });
}

TDGUIItem* TDGUIItems::FindByDataInterface(const TDObject* AObject) const {
  const void* identity = ObjectIdentity(AObject);
  if (identity == nullptr) return nullptr;
  for (const auto& item : FList)
    if (ObjectIdentity(item->DataInterface().get()) == identity) return item.get();
  return nullptr;
}

TDGUIItem* TDGUIItems::FindByIdentity(const void* AIdentity) const {
  if (AIdentity == nullptr) return nullptr;
  for (const auto& item : FList)
    if (item->DataObject().Identity() == AIdentity) return item.get();
  return nullptr;
}

int32_t TDGUIItems::IndexOf(const TDGUIItem* AItem) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i].get() == AItem) return static_cast<int32_t>(i);
  return -1;
}

TDGUIItem& TDGUIItems::Items(int32_t AIndex) const { return ItemAt(FList, AIndex); }

void TDGUIItems::ItemChanged(TDGUIItem* AItem) {
  FSubs.Announce([AItem](IDGUIItemsSubs* ASubscriber) { ASubscriber->ItemChanged(AItem); });
}

// ---- TDGUIRow

TDGUIRow::~TDGUIRow() = default;

TDGUIItem& TDGUIRow::Items(int32_t AIndex) {
  if (AIndex < 0 || AIndex > MaxCellIndex) throw EGUIRowException(u"Index out of bounds " + IntToStr(AIndex));
  const auto index = static_cast<size_t>(AIndex);
  if (index >= FItems.size()) FItems.resize(index + 1);
  if (!FItems[index]) {
    FItems[index] = std::make_unique<TDGUIItem>();
    FItems[index]->Subscribe(this);
  }
  return *FItems[index];
}

const TDGUIItem* TDGUIRow::FindItem(int32_t AIndex) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= FItems.size()) return nullptr;
  return FItems[static_cast<size_t>(AIndex)].get();
}

void TDGUIRow::ItemChanged(TDGUIItem*) { Changed(); }

// ---- TDGUIRows

TDGUIRows::~TDGUIRows() = default;

TDGUIRow& TDGUIRows::Add() {
  FRows.push_back(std::make_unique<TDGUIRow>());
  TDGUIRow* row = FRows.back().get();
  row->Subscribe(this);
  row->FIndex = static_cast<int32_t>(FRows.size() - 1);
  FSubs.Announce([row](IDGUIRowsSubs* ASubscriber) { ASubscriber->RowAdded(row); });
  return *row;
}

void TDGUIRows::Delete(int32_t AIndex) {
  CheckIndex(AIndex);
  TDGUIRow* row = FRows[static_cast<size_t>(AIndex)].get();
  row->Unsubscribe(this);
  FSubs.Announce([row](IDGUIRowsSubs* ASubscriber) { ASubscriber->RowDeleted(row); });
  // The index is not trusted after the announcement: a subscriber may have moved rows.
  const int32_t current = IndexOf(row);
  if (current >= 0) FRows.erase(FRows.begin() + current);
}

void TDGUIRows::Clear() {
  FRows.clear();
  FSubs.Announce([](IDGUIRowsSubs* ASubscriber) { ASubscriber->RowsCleared(); });
}

void TDGUIRows::Move(int32_t ACurIndex, int32_t ANewIndex) {
  CheckIndex(ACurIndex);
  CheckIndex(ANewIndex);
  if (ACurIndex == ANewIndex) return;
  const auto first = FRows.begin();
  if (ACurIndex < ANewIndex)
    std::rotate(first + ACurIndex, first + ACurIndex + 1, first + ANewIndex + 1);
  else
    std::rotate(first + ANewIndex, first + ACurIndex, first + ACurIndex + 1);
}

int32_t TDGUIRows::IndexOf(const TDGUIRow* ARow) const {
  for (size_t i = 0; i < FRows.size(); ++i)
    if (FRows[i].get() == ARow) return static_cast<int32_t>(i);
  return -1;
}

TDGUIRow& TDGUIRows::Items(int32_t AIndex) const { return ItemAt(FRows, AIndex); }

TDGUIRow* TDGUIRows::FirstSelected() const {
  const int32_t index = FirstSelectedIndex();
  return index < 0 ? nullptr : FRows[static_cast<size_t>(index)].get();
}

int32_t TDGUIRows::FirstSelectedIndex() const {
  for (size_t i = 0; i < FRows.size(); ++i)
    if (FRows[i]->Selected()) return static_cast<int32_t>(i);
  return -1;
}

int32_t TDGUIRows::SelectedCount() const {
  return static_cast<int32_t>(
      std::count_if(FRows.begin(), FRows.end(), [](const auto& ARow) { return ARow->Selected(); }));
}

void TDGUIRows::ItemChanged(TDGUIItem* AItem) {
  // Only rows made by Add are subscribed to, so the item is always one of ours.
  auto* row = static_cast<TDGUIRow*>(AItem);
  FSubs.Announce([row](IDGUIRowsSubs* ASubscriber) { ASubscriber->RowChanged(row); });
}

void TDGUIRows::CheckIndex(int32_t AIndex) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= FRows.size()) RaiseListIndex(AIndex);
}

// ---- TDGUIColumns

TDGUIColumn& TDGUIColumns::Add() {
  FColumns.push_back(std::make_unique<TDGUIColumn>(Count()));
  return *FColumns.back();
}

TDGUIColumn& TDGUIColumns::Items(int32_t AIndex) const { return ItemAt(FColumns, AIndex); }

}  // namespace tess::common
