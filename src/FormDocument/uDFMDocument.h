// The in-memory tree of one form file: objects, properties and values kept as their source text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Shared/Common/uDString.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uLineBreak.h"

namespace tess::doc {

using common::TStringList;

class TDVisitor;

// Raised for an index outside 0..Count-1 of a model list.
class EListError : public common::Exception {
public:
  using Exception::Exception;
};

// Root of every model node. Clone gives an independent deep copy of the same class; Assign copies
// only from a node of the receiver's class (or one derived from it) and otherwise does nothing;
// Equals is structural, case-sensitive and never true across classes.
class TDBase {
public:
  TDBase() = default;
  TDBase(const TDBase&) = delete;
  TDBase& operator=(const TDBase&) = delete;
  virtual ~TDBase() = default;

  // Calls the one visit operation of the node's class and returns what it returned. Data and
  // result are untyped and never owned by the model.
  virtual void* Accept(TDVisitor& AVisitor, void* AData);
  virtual std::unique_ptr<TDBase> Clone() const = 0;
  virtual void Assign(const TDBase& ASource) = 0;
  virtual bool Equals(const TDBase& AObj) const = 0;
};

// Clone with the static type kept: Clone always yields the class of the node it copies.
template <typename T>
std::unique_ptr<T> CloneOf(const T& ANode) {
  return std::unique_ptr<T>(static_cast<T*>(ANode.Clone().release()));
}

// Base of property values.
class TDValue : public TDBase {};

// A string value: one line per piece, each exactly as written ('It''s', #13#10, a brace block).
class TDString final : public TDValue {
public:
  TDString() = default;
  explicit TDString(TStringList ALines) : FLines(std::move(ALines)) {}

  TStringList& Lines() { return FLines; }
  const TStringList& Lines() const { return FLines; }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  TStringList FLines;
};

// A number value as written: 1, 1.0 and $01 are three different numbers.
class TDNumber final : public TDValue {
public:
  TDNumber() = default;
  explicit TDNumber(std::u16string ANum) : FNum(std::move(ANum)) {}

  const std::u16string& Num() const { return FNum; }
  void SetNum(std::u16string ANum) { FNum = std::move(ANum); }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  std::u16string FNum;
};

// An identifier value (an enumeration name, True, a component reference) as written.
class TDVar final : public TDValue {
public:
  TDVar() = default;
  explicit TDVar(std::u16string AName) : FName(std::move(AName)) {}

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string AName) { FName = std::move(AName); }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  std::u16string FName;
};

// A set value: the names between square brackets, in order.
class TDSet final : public TDValue {
public:
  TDSet() = default;
  explicit TDSet(TStringList AItems) : FItems(std::move(AItems)) {}

  TStringList& Items() { return FItems; }
  const TStringList& Items() const { return FItems; }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  TStringList FItems;
};

namespace detail {

[[noreturn]] void RaiseListIndex(int64_t AIndex, size_t ACount);

// Ordered storage that owns its elements; the four model lists share it.
template <typename T>
class TOwnedList {
public:
  void Add(std::unique_ptr<T> AElement) { FList.push_back(std::move(AElement)); }
  int Count() const { return static_cast<int>(FList.size()); }
  T* Items(int AIndex) const {
    if (AIndex < 0 || static_cast<size_t>(AIndex) >= FList.size()) RaiseListIndex(AIndex, FList.size());
    return FList[static_cast<size_t>(AIndex)].get();
  }
  void Clear() { FList.clear(); }

protected:
  // Clones are taken before anything of the receiver is freed, so assigning a list to itself, or
  // a list to a node inside it, copies what was there instead of reading freed elements.
  void AssignElements(const TOwnedList& ASource) {
    std::vector<std::unique_ptr<T>> copies;
    copies.reserve(ASource.FList.size());
    for (const auto& element : ASource.FList) copies.push_back(CloneOf(*element));
    FList = std::move(copies);
  }
  bool EqualElements(const TOwnedList& AOther) const {
    if (FList.size() != AOther.FList.size()) return false;
    for (size_t i = 0; i < FList.size(); ++i)
      if (!FList[i]->Equals(*AOther.FList[i])) return false;
    return true;
  }

  std::vector<std::unique_ptr<T>> FList;
};

}  // namespace detail

// A list value: the values between parentheses, in order.
class TDArray final : public TDValue, public detail::TOwnedList<TDValue> {
public:
  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;
};

class TDItem;

// A collection value: the items between angle brackets, in order.
class TDItems final : public TDValue, public detail::TOwnedList<TDItem> {
public:
  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;
};

// One property: its name as written (possibly dotted) and its owned value.
class TDProp final : public TDBase {
public:
  TDProp() = default;
  TDProp(std::u16string AName, std::unique_ptr<TDValue> AValue) : FName(std::move(AName)), FValue(std::move(AValue)) {}

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string AName) { FName = std::move(AName); }
  // Null for a new property; every property of a model built from text has one.
  TDValue* Value() const { return FValue.get(); }
  // Frees the current value and stores the new one (which may be null); storing the current
  // value again changes nothing.
  void SetValue(std::unique_ptr<TDValue> AValue);

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  std::u16string FName;
  std::unique_ptr<TDValue> FValue;
};

// The properties of an object or item, in source order.
class TDProps final : public TDBase, public detail::TOwnedList<TDProp> {
public:
  // Removes and frees the property at AIndex; raises EListError outside 0..Count-1.
  void Delete(int AIndex);
  // The first property whose name equals AName exactly (case-sensitive), or null.
  TDProp* Find(std::u16string_view AName) const;

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;
};

class TDObject;

// The child objects of an object or item, in source order.
class TDObjects final : public TDBase, public detail::TOwnedList<TDObject> {
public:
  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;
};

// One collection item; its name is the item keyword as written (normally "item"), Index the number
// in square brackets after it (-1 for none).
class TDItem : public TDBase {
public:
  TDItem();
  explicit TDItem(std::u16string AName);
  ~TDItem() override;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string AName) { FName = std::move(AName); }
  int32_t Index() const { return FIndex; }
  void SetIndex(int32_t AIndex) { FIndex = AIndex; }
  TDProps& Props() const { return *FProps; }
  TDObjects& Objects() const { return *FObjects; }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

protected:
  // Equals without the class test, for TDObject to extend.
  bool EqualItem(const TDItem& AOther) const;

private:
  std::u16string FName;
  int32_t FIndex = -1;
  std::unique_ptr<TDProps> FProps;
  std::unique_ptr<TDObjects> FObjects;
};

enum class TDObjectKind { okObject, okInherited, okInline };

// The header keyword of each kind: "object", "inherited", "inline".
std::u16string ObjectKindToStr(TDObjectKind AKind);
// "object" and "inherited" in any ASCII letter case give their kinds; every other word okInline.
TDObjectKind StrToObjectKind(std::u16string_view AKeyword);

// How the file a document came from was encoded, so that saving it keeps that encoding.
enum class TDTextEncoding { teAnsi, teUtf8Bom };

// One form object: FName is its name, Ancestor the class after the colon (empty when the header
// had none), Index the number in square brackets (-1 for none), Kind the header keyword.
class TDObject final : public TDItem {
public:
  TDObject() = default;
  TDObject(std::u16string AName, std::u16string AAncestor, TDObjectKind AKind = TDObjectKind::okObject,
           int32_t AIndex = -1);

  TDObjectKind Kind() const { return FKind; }
  void SetKind(TDObjectKind AKind) { FKind = AKind; }
  const std::u16string& Ancestor() const { return FAncestor; }
  void SetAncestor(std::u16string AAncestor) { FAncestor = std::move(AAncestor); }
  // Not part of the structure: two documents that differ only here are equal.
  TDTextEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TDTextEncoding AEncoding) { FEncoding = AEncoding; }
  // The layout of the file the document came from, kept so that printing it changes no more
  // lines than the document's changes: its line break, and whether its lists that span lines
  // close with ")" on a line of its own (as Lazarus writes them). Not part of the structure either.
  common::TLineBreak LineBreak() const { return FLineBreak; }
  void SetLineBreak(common::TLineBreak ABreak) { FLineBreak = ABreak; }
  bool ListsCloseAlone() const { return FListsCloseAlone; }
  void SetListsCloseAlone(bool AValue) { FListsCloseAlone = AValue; }

  void* Accept(TDVisitor& AVisitor, void* AData) override;
  std::unique_ptr<TDBase> Clone() const override;
  // From a TDItem copies what an item holds; from a TDObject also index, kind, class, encoding and
  // layout.
  void Assign(const TDBase& ASource) override;
  bool Equals(const TDBase& AObj) const override;

private:
  TDObjectKind FKind = TDObjectKind::okObject;
  std::u16string FAncestor;
  TDTextEncoding FEncoding = TDTextEncoding::teAnsi;
  common::TLineBreak FLineBreak = common::TLineBreak::lbCrLf;
  bool FListsCloseAlone = false;
};

// Double dispatch over the model. Every operation but VisitBase defaults to VisitBase, so a
// visitor that overrides only VisitBase sees every node.
class TDVisitor {
public:
  virtual ~TDVisitor() = default;

  virtual void* VisitBase(TDBase& ANode, void* AData);
  virtual void* VisitString(TDString& AValue, void* AData);
  virtual void* VisitNumber(TDNumber& AValue, void* AData);
  virtual void* VisitVar(TDVar& AValue, void* AData);
  virtual void* VisitSet(TDSet& AValue, void* AData);
  virtual void* VisitArray(TDArray& AValue, void* AData);
  virtual void* VisitProp(TDProp& AProp, void* AData);
  virtual void* VisitItem(TDItem& AItem, void* AData);
  virtual void* VisitItems(TDItems& AItems, void* AData);
  virtual void* VisitObject(TDObject& AObject, void* AData);
};

}  // namespace tess::doc
