// Observable items, rows and columns that controllers fill and the list and table controls show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "Shared/Common/uDObject.h"
#include "Shared/Common/uException.h"

namespace tess::common {

class TDGUIItem;
class TDGUIRow;

// A cell index outside 0..100.
class EGUIRowException : public Exception {
public:
  using Exception::Exception;
};

// An index outside a container's items; the container is left as it was.
class EListError : public Exception {
public:
  using Exception::Exception;
};

// Subscribers are called synchronously, in subscription order, on the thread that made the change.
class IDGUIItemSubs {
public:
  virtual void ItemChanged(TDGUIItem* AItem) = 0;

protected:
  ~IDGUIItemSubs() = default;
};

class IDGUIItemsSubs {
public:
  // The item is already in the list, still with an empty caption.
  virtual void ItemAdded(TDGUIItem* AItem) = 0;
  // The item is still alive and in the list; it is freed right after.
  virtual void ItemRemoved(TDGUIItem* AItem) = 0;
  virtual void ItemChanged(TDGUIItem* AItem) = 0;
  // The items are already freed: drop whatever view of them the subscriber keeps.
  virtual void ItemsCleared() = 0;

protected:
  ~IDGUIItemsSubs() = default;
};

class IDGUIRowsSubs {
public:
  virtual void RowAdded(TDGUIRow* ARow) = 0;
  virtual void RowDeleted(TDGUIRow* ARow) = 0;
  virtual void RowChanged(TDGUIRow* ARow) = 0;
  virtual void RowsCleared() = 0;

protected:
  ~IDGUIRowsSubs() = default;
};

namespace detail {

// A subscriber list that keeps subscription order and duplicates. Announcing walks a copy taken
// at the start, so a subscriber added meanwhile waits for the next announcement, and skips a
// subscriber that an earlier one unsubscribed meanwhile (it may already be gone).
template <class TSubs>
class TDSubscribers {
public:
  void Subscribe(TSubs* ASubscriber) { FList.push_back(ASubscriber); }
  void Unsubscribe(TSubs* ASubscriber) {
    for (auto it = FList.begin(); it != FList.end(); ++it)
      if (*it == ASubscriber) {
        FList.erase(it);
        return;
      }
  }
  template <class TCall>
  void Announce(TCall ACall) const {
    const std::vector<TSubs*> snapshot = FList;
    for (TSubs* subscriber : snapshot)
      if (Contains(subscriber)) ACall(subscriber);
  }
  size_t Count() const { return FList.size(); }

private:
  bool Contains(TSubs* ASubscriber) const {
    for (TSubs* subscriber : FList)
      if (subscriber == ASubscriber) return true;
    return false;
  }
  std::vector<TSubs*> FList;
};

}  // namespace detail

// A non-owning reference to whatever object the owner attaches to an item (the transformation
// a chooser entry stands for, the action a table line shows). It remembers the type the object
// was attached as, so reading it back as any other type gives null rather than a wrong cast.
class TDDataRef {
public:
  TDDataRef() = default;
  TDDataRef(std::nullptr_t) {}  // NOLINT: SetDataObject(nullptr) detaches
  template <class T>
  TDDataRef(T* AObject)  // NOLINT: implicit, so that SetDataObject(transform) reads naturally
      : FObject(const_cast<std::remove_cv_t<T>*>(AObject)),
        FIdentity(ObjectIdentity(AObject)),
        FType(AObject == nullptr ? nullptr : &typeid(std::remove_cv_t<T>)) {}

  template <class T>
  T* As() const {
    return FType != nullptr && *FType == typeid(std::remove_cv_t<T>) ? static_cast<T*>(FObject) : nullptr;
  }
  bool Empty() const { return FIdentity == nullptr; }
  // The complete object, whichever base it was attached through.
  const void* Identity() const { return FIdentity; }

private:
  void* FObject = nullptr;
  const void* FIdentity = nullptr;
  const std::type_info* FType = nullptr;
};

// A caption with an image, a check mark, a selection flag and attached data. Changes of the
// caption, image, check mark and selection are announced; the attached data and tag are not.
class TDGUIItem : public TDObject {
public:
  TDGUIItem() = default;

  // Owning: the item keeps the attached object alive, as a counted interface reference would.
  const std::shared_ptr<TDObject>& DataInterface() const { return FDataInterface; }
  void SetDataInterface(std::shared_ptr<TDObject> AValue) { FDataInterface = std::move(AValue); }
  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& AValue);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t AValue);
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t AValue) { FTag = AValue; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool AValue);
  virtual bool Selected() const { return FSelected; }
  virtual void SetSelected(bool AValue);
  const TDDataRef& DataObject() const { return FDataObject; }
  void SetDataObject(TDDataRef AValue) { FDataObject = AValue; }
  template <class T>
  T* DataObjectAs() const {
    return FDataObject.As<T>();
  }

  // No duplicate check: subscribing twice means two calls per change.
  void Subscribe(IDGUIItemSubs* ASubscriber) { FSubs.Subscribe(ASubscriber); }
  // Removes the first occurrence; nothing when the subscriber is not there.
  void Unsubscribe(IDGUIItemSubs* ASubscriber) { FSubs.Unsubscribe(ASubscriber); }

protected:
  void Changed();

private:
  std::shared_ptr<TDObject> FDataInterface;
  std::u16string FCaption;
  int32_t FImageIndex = -1;
  int32_t FTag = 0;
  bool FChecked = false;
  bool FSelected = false;
  detail::TDSubscribers<IDGUIItemSubs> FSubs;
  TDDataRef FDataObject;
};

// An ordered list of items that owns them and passes their changes on to its subscribers.
class TDGUIItems : public TDObject, private IDGUIItemSubs {
public:
  TDGUIItems() = default;
  ~TDGUIItems() override;

  // Announces ItemAdded while the item is still blank; the caller sets the caption after.
  TDGUIItem& Add();
  // Announces ItemRemoved, then frees the item. An item of another list is left alone.
  void Remove(TDGUIItem* AItem);
  // Frees every item, then announces ItemsCleared once.
  void Clear();
  // The first item attached to the object; null for a null object.
  template <class T>
  TDGUIItem* FindByData(const T* AObject) const {
    return FindByIdentity(ObjectIdentity(AObject));
  }
  TDGUIItem* FindByData(const TDDataRef& AData) const { return FindByIdentity(AData.Identity()); }
  // The first item whose DataInterface is the same object; null for a null object.
  TDGUIItem* FindByDataInterface(const TDObject* AObject) const;
  int32_t IndexOf(const TDGUIItem* AItem) const;

  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // Raises EListError outside 0..Count-1.
  TDGUIItem& Items(int32_t AIndex) const;

  void Subscribe(IDGUIItemsSubs* ASubscriber) { FSubs.Subscribe(ASubscriber); }
  void Unsubscribe(IDGUIItemsSubs* ASubscriber) { FSubs.Unsubscribe(ASubscriber); }

private:
  void ItemChanged(TDGUIItem* AItem) override;
  TDGUIItem* FindByIdentity(const void* AIdentity) const;

  std::vector<std::unique_ptr<TDGUIItem>> FList;
  detail::TDSubscribers<IDGUIItemsSubs> FSubs;
};

// An item that owns a line of cells. The row's own caption is shown by no table; its image is
// the table line's image and its selection mirrors the table's. A change of any cell is
// announced as a change of the row.
class TDGUIRow : public TDGUIItem, private IDGUIItemSubs {
public:
  static constexpr int32_t MaxCellIndex = 100;

  TDGUIRow() = default;
  ~TDGUIRow() override;

  // The cell at AIndex, created (blank, image -1) on first access. Raises EGUIRowException
  // "Index out of bounds <index>" outside 0..100 and leaves the row unchanged.
  TDGUIItem& Items(int32_t AIndex);
  // The cell if it was created; null otherwise (also outside 0..100). Never creates one, so
  // a table can show a row without growing it.
  const TDGUIItem* FindItem(int32_t AIndex) const;
  // The row's position in its container when it was added; not kept up to date after moves.
  int32_t Index() const { return FIndex; }

private:
  friend class TDGUIRows;
  void ItemChanged(TDGUIItem* AItem) override;

  std::vector<std::unique_ptr<TDGUIItem>> FItems;
  int32_t FIndex = 0;
};

// An ordered list of rows that owns them and announces their changes as row changes.
class TDGUIRows : public TDObject, private IDGUIItemSubs {
public:
  TDGUIRows() = default;
  ~TDGUIRows() override;

  // Announces RowAdded while the row is still blank.
  TDGUIRow& Add();
  // Announces RowDeleted, then frees the row. Raises EListError for an index out of range.
  void Delete(int32_t AIndex);
  // Frees every row, then announces RowsCleared once (no RowDeleted).
  void Clear();
  // Nothing is announced: the caller refreshes what it shows. Raises EListError.
  void Move(int32_t ACurIndex, int32_t ANewIndex);
  int32_t IndexOf(const TDGUIRow* ARow) const;

  int32_t Count() const { return static_cast<int32_t>(FRows.size()); }
  TDGUIRow& Items(int32_t AIndex) const;
  TDGUIRow* FirstSelected() const;
  int32_t FirstSelectedIndex() const;
  int32_t SelectedCount() const;

  void Subscribe(IDGUIRowsSubs* ASubscriber) { FSubs.Subscribe(ASubscriber); }
  void Unsubscribe(IDGUIRowsSubs* ASubscriber) { FSubs.Unsubscribe(ASubscriber); }

private:
  void ItemChanged(TDGUIItem* AItem) override;
  void CheckIndex(int32_t AIndex) const;

  std::vector<std::unique_ptr<TDGUIRow>> FRows;
  detail::TDSubscribers<IDGUIRowsSubs> FSubs;
};

// A table column: its caption and image are the header's, its Id is the row cell it shows.
class TDGUIColumn : public TDGUIItem {
public:
  explicit TDGUIColumn(int32_t AId) : FId(AId) {}
  int32_t Id() const { return FId; }

private:
  int32_t FId;
};

class TDGUIColumns {
public:
  // The new column shows the cell whose index is its own position.
  TDGUIColumn& Add();
  int32_t Count() const { return static_cast<int32_t>(FColumns.size()); }
  // Raises EListError outside 0..Count-1.
  TDGUIColumn& Items(int32_t AIndex) const;

private:
  std::vector<std::unique_ptr<TDGUIColumn>> FColumns;
};

}  // namespace tess::common
