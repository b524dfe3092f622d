// Published properties for C++ classes: each persisted class declares a table of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tess::common {

// The kinds a published property can have. Only some of them are persisted (see the serializer).
enum class TDTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
  tkUString
};

// The names of an enumeration, in ordinal order. A set type uses the names of its member type,
// member i being bit i of the set's value.
struct TDEnumInfo {
  std::u16string TypeName;
  std::vector<std::u16string> Names;
};

// False and True.
const TDEnumInfo& BooleanTypeInfo();

enum class TDFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

// The value of a variant property.
class TDVariant {
public:
  enum class TVarType { vtEmpty, vtNull, vtBoolean, vtInteger, vtDouble, vtDate, vtString };

  TDVariant() = default;
  TDVariant(bool AValue) : FType(TVarType::vtBoolean), FOrdinal(AValue ? 1 : 0) {}
  TDVariant(int AValue) : FType(TVarType::vtInteger), FOrdinal(AValue) {}
  TDVariant(int64_t AValue) : FType(TVarType::vtInteger), FOrdinal(AValue) {}
  TDVariant(double AValue) : FType(TVarType::vtDouble), FFloat(AValue) {}
  TDVariant(std::u16string AValue) : FType(TVarType::vtString), FText(std::move(AValue)) {}
  TDVariant(const char16_t* AValue) : TDVariant(std::u16string(AValue)) {}
  static TDVariant Null();
  static TDVariant FromDate(TDateTime AValue);

  TVarType Type() const { return FType; }
  bool AsBoolean() const { return FOrdinal != 0; }
  int64_t AsInteger() const { return FOrdinal; }
  double AsFloat() const { return FFloat; }
  const std::u16string& AsString() const { return FText; }

  bool operator==(const TDVariant&) const = default;

private:
  TVarType FType = TVarType::vtEmpty;
  int64_t FOrdinal = 0;
  double FFloat = 0;
  std::u16string FText;
};

class TDPersistent;
class TDPropertyTable;

// One published property: what it is and how to reach its value. Only the accessor pair that
// matches the kind is set; a missing setter makes the property read-only.
struct TDPropInfo {
  std::u16string Name;
  TDTypeKind Kind = TDTypeKind::tkUnknown;
  std::u16string TypeName;
  const TDEnumInfo* Enum = nullptr;    // enumerations and sets
  int64_t MinValue = 0, MaxValue = 0;  // integer and character kinds
  TDFloatType FloatType = TDFloatType::ftDouble;

  std::function<int64_t(TDPersistent&)> GetOrdinal;  // integer, character, enumeration, set
  std::function<void(TDPersistent&, int64_t)> SetOrdinal;
  std::function<double(TDPersistent&)> GetFloat;
  std::function<void(TDPersistent&, double)> SetFloat;
  std::function<std::u16string(TDPersistent&)> GetString;
  std::function<void(TDPersistent&, const std::u16string&)> SetString;
  std::function<TDVariant(TDPersistent&)> GetVariant;
  std::function<void(TDPersistent&, const TDVariant&)> SetVariant;
  std::function<TDPersistent*(TDPersistent&)> GetObject;
  // Empty: always stored.
  std::function<bool(TDPersistent&)> StoredRule;

  bool HasSetter() const { return SetOrdinal || SetFloat || SetString || SetVariant; }
  bool IsStored(TDPersistent& AObject) const { return !StoredRule || StoredRule(AObject); }
};

// The published properties of a class: its base class's first, then its own in declaration order.
class TDPropertyTable {
public:
  TDPropertyTable() = default;
  explicit TDPropertyTable(const TDPropertyTable* AInherited) {
    if (AInherited) FProps = AInherited->FProps;
  }
  const std::vector<TDPropInfo>& Props() const { return FProps; }
  const TDPropInfo* Find(std::u16string_view AName) const;
  void Add(TDPropInfo AProp) { FProps.push_back(std::move(AProp)); }
  TDPropInfo& Last() { return FProps.back(); }

private:
  std::vector<TDPropInfo> FProps;
};

// The root of every class whose published properties can be persisted.
class TDPersistent {
public:
  virtual ~TDPersistent() = default;
  // The class's table; the base class has no published properties.
  virtual const TDPropertyTable& PublishedProperties() const;
};

// Declares the published properties of class T in order. A getter or setter may be a data member
// pointer, a member function pointer or a callable taking T&; pass nullptr as setter for a
// read-only property. Typically used once, in a function-local static of T's PublishedProperties.
template <class T>
class TDPropertyTableOf {
public:
  explicit TDPropertyTableOf(const TDPropertyTable* AInherited = nullptr) : FTable(AInherited) {}
  operator const TDPropertyTable&() const { return FTable; }
  const TDPropertyTable& Table() const { return FTable; }

  template <class G, class S>
  TDPropertyTableOf& Boolean(std::u16string AName, G AGet, S ASet) {
    return Enumeration<bool>(std::move(AName), AGet, ASet, BooleanTypeInfo());
  }
  TDPropertyTableOf& Boolean(std::u16string AName, bool T::*AField) {
    return Boolean(std::move(AName), AField, AField);
  }

  template <class G, class S>
  TDPropertyTableOf& Integer(std::u16string AName, G AGet, S ASet, int64_t AMin = INT32_MIN, int64_t AMax = INT32_MAX,
                             std::u16string ATypeName = u"Integer") {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkInteger, std::move(ATypeName));
    prop.MinValue = AMin, prop.MaxValue = AMax;
    prop.GetOrdinal = Getter<int64_t>(AGet);
    prop.SetOrdinal = Setter<int64_t, int64_t>(ASet);
    return *this;
  }
  TDPropertyTableOf& Integer(std::u16string AName, int T::*AField) { return Integer(std::move(AName), AField, AField); }

  // An AnsiChar (codes 0 to 255) or a WideChar (0 to 65535) property.
  template <class G, class S>
  TDPropertyTableOf& Char(std::u16string AName, G AGet, S ASet, bool AWide) {
    TDPropInfo& prop =
        NewProp(std::move(AName), AWide ? TDTypeKind::tkWChar : TDTypeKind::tkChar, AWide ? u"WideChar" : u"AnsiChar");
    prop.MinValue = 0, prop.MaxValue = AWide ? 0xFFFF : 0xFF;
    prop.GetOrdinal = Getter<int64_t>(AGet);
    prop.SetOrdinal = Setter<int64_t, int64_t>(ASet);
    return *this;
  }

  template <class E, class G, class S>
  TDPropertyTableOf& Enumeration(std::u16string AName, G AGet, S ASet, const TDEnumInfo& AInfo) {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkEnumeration, AInfo.TypeName);
    prop.Enum = &AInfo;
    prop.MinValue = 0, prop.MaxValue = static_cast<int64_t>(AInfo.Names.size()) - 1;
    prop.GetOrdinal = Getter<int64_t>(AGet);
    prop.SetOrdinal = Setter<int64_t, E>(ASet);
    return *this;
  }

  // The value is a bit mask over the members of AInfo.
  template <class G, class S>
  TDPropertyTableOf& Set(std::u16string AName, G AGet, S ASet, const TDEnumInfo& AInfo, std::u16string ATypeName) {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkSet, std::move(ATypeName));
    prop.Enum = &AInfo;
    prop.GetOrdinal = Getter<int64_t>(AGet);
    prop.SetOrdinal = Setter<int64_t, uint64_t>(ASet);
    return *this;
  }

  template <class G, class S>
  TDPropertyTableOf& Float(std::u16string AName, G AGet, S ASet, std::u16string ATypeName = u"Double",
                           TDFloatType AFloatType = TDFloatType::ftDouble) {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkFloat, std::move(ATypeName));
    prop.FloatType = AFloatType;
    prop.GetFloat = Getter<double>(AGet);
    prop.SetFloat = Setter<double, double>(ASet);
    return *this;
  }
  template <class G, class S>
  TDPropertyTableOf& DateTime(std::u16string AName, G AGet, S ASet) {
    return Float(std::move(AName), AGet, ASet, u"TDateTime");
  }

  template <class G, class S>
  TDPropertyTableOf& String(std::u16string AName, G AGet, S ASet, TDTypeKind AKind = TDTypeKind::tkUString) {
    TDPropInfo& prop = NewProp(std::move(AName), AKind, u"string");
    prop.GetString = Getter<std::u16string>(AGet);
    prop.SetString = Setter<const std::u16string&, std::u16string>(ASet);
    return *this;
  }
  TDPropertyTableOf& String(std::u16string AName, std::u16string T::*AField) {
    return String(std::move(AName), AField, AField);
  }

  template <class G, class S>
  TDPropertyTableOf& Variant(std::u16string AName, G AGet, S ASet) {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkVariant, u"Variant");
    prop.GetVariant = Getter<TDVariant>(AGet);
    prop.SetVariant = Setter<const TDVariant&, TDVariant>(ASet);
    return *this;
  }

  // An object-valued property: only read; the referenced object is written and read in place.
  template <class G>
  TDPropertyTableOf& Object(std::u16string AName, G AGet, std::u16string ATypeName = u"TObject") {
    TDPropInfo& prop = NewProp(std::move(AName), TDTypeKind::tkClass, std::move(ATypeName));
    prop.GetObject = [AGet](TDPersistent& AObject) -> TDPersistent* {
      return std::invoke(AGet, static_cast<T&>(AObject));
    };
    return *this;
  }

  // A published property of a kind that is never persisted (64-bit integers, events, interfaces...).
  TDPropertyTableOf& Other(std::u16string AName, TDTypeKind AKind, std::u16string ATypeName) {
    NewProp(std::move(AName), AKind, std::move(ATypeName));
    return *this;
  }

  // The stored rule of the property declared last.
  TDPropertyTableOf& Stored(std::function<bool(T&)> ARule) {
    FTable.Last().StoredRule = [ARule](TDPersistent& AObject) { return ARule(static_cast<T&>(AObject)); };
    return *this;
  }
  TDPropertyTableOf& Stored(bool AStored) {
    return Stored([AStored](T&) { return AStored; });
  }

private:
  TDPropInfo& NewProp(std::u16string AName, TDTypeKind AKind, std::u16string ATypeName) {
    TDPropInfo prop;
    prop.Name = std::move(AName);
    prop.Kind = AKind;
    prop.TypeName = std::move(ATypeName);
    FTable.Add(std::move(prop));
    return FTable.Last();
  }

  template <class V, class G>
  static std::function<V(TDPersistent&)> Getter(G AGet) {
    return [AGet](TDPersistent& AObject) -> V { return static_cast<V>(std::invoke(AGet, static_cast<T&>(AObject))); };
  }

  // AArg is how the serializer hands the value over; AValue what the property itself holds.
  template <class AArg, class AValue, class S>
  static std::function<void(TDPersistent&, AArg)> Setter(S ASet) {
    if constexpr (std::is_null_pointer_v<S>) {
      return {};
    } else if constexpr (std::is_member_object_pointer_v<S>) {
      return [ASet](TDPersistent& AObject, AArg AValueIn) {
        auto& field = std::invoke(ASet, static_cast<T&>(AObject));
        field = static_cast<std::remove_reference_t<decltype(field)>>(static_cast<AValue>(AValueIn));
      };
    } else {
      return [ASet](TDPersistent& AObject, AArg AValueIn) {
        std::invoke(ASet, static_cast<T&>(AObject), static_cast<AValue>(AValueIn));
      };
    }
  }

  TDPropertyTable FTable;
};

}  // namespace tess::common
