#include "Shared/Common/uDTypeInfo.h"

namespace tess::common {

const TDEnumInfo& BooleanTypeInfo() {
  static const TDEnumInfo info{u"Boolean", {u"False", u"True"}};
  return info;
}

TDVariant TDVariant::Null() {
  TDVariant value;
  value.FType = TVarType::vtNull;
  return value;
}

TDVariant TDVariant::FromDate(TDateTime AValue) {
  TDVariant value(AValue);
  value.FType = TVarType::vtDate;
  return value;
}

const TDPropInfo* TDPropertyTable::Find(std::u16string_view AName) const {
  for (const TDPropInfo& prop : FProps)
    if (prop.Name == AName) return &prop;
  return nullptr;
}

const TDPropertyTable& TDPersistent::PublishedProperties() const {
  static const TDPropertyTable none;
  return none;
}

}  // namespace tess::common
