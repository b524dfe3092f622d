// User transformations and their actions made in one expression: each setting named, the rest left empty.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"

namespace tess::testing {

// The settings in the order each action's editor frame shows them. The empty default member
// initializers let a test name only the settings it needs without a missing-initializer warning.
struct TRemovePropertySettings {
  std::u16string PropName{}, ObjectName{}, ObjectClass{};
};
struct TChangePropertySettings {
  std::u16string OldPropName{}, OldPropValue{}, NewPropName{}, NewPropValue{}, ObjectName{}, ObjectClass{};
};
struct TNewPropertySettings {
  std::u16string NewPropName{}, NewPropValue{}, ObjectName{}, ObjectClass{};
  bool Overwrite = false;
};
struct TChangeObjectSettings {
  std::u16string OldObjectName{}, OldObjectClass{}, NewObjectName{}, NewObjectClass{};
};

inline std::unique_ptr<transform::TRemovePropertyAction> RemoveProperty(const TRemovePropertySettings& ASettings) {
  auto action = std::make_unique<transform::TRemovePropertyAction>();
  action->SetPropName(ASettings.PropName);
  action->SetObjectName(ASettings.ObjectName);
  action->SetObjectClass(ASettings.ObjectClass);
  return action;
}

inline std::unique_ptr<transform::TChangePropertyAction> ChangeProperty(const TChangePropertySettings& ASettings) {
  auto action = std::make_unique<transform::TChangePropertyAction>();
  action->SetOldPropName(ASettings.OldPropName);
  action->SetOldPropValue(ASettings.OldPropValue);
  action->SetNewPropName(ASettings.NewPropName);
  action->SetNewPropValue(ASettings.NewPropValue);
  action->SetObjectName(ASettings.ObjectName);
  action->SetObjectClass(ASettings.ObjectClass);
  return action;
}

inline std::unique_ptr<transform::TNewPropertyAction> NewProperty(const TNewPropertySettings& ASettings) {
  auto action = std::make_unique<transform::TNewPropertyAction>();
  action->SetNewPropName(ASettings.NewPropName);
  action->SetNewPropValue(ASettings.NewPropValue);
  action->SetObjectName(ASettings.ObjectName);
  action->SetObjectClass(ASettings.ObjectClass);
  action->SetOverwrite(ASettings.Overwrite);
  return action;
}

inline std::unique_ptr<transform::TChangeObjectAction> ChangeObject(const TChangeObjectSettings& ASettings) {
  auto action = std::make_unique<transform::TChangeObjectAction>();
  action->SetOldObjectName(ASettings.OldObjectName);
  action->SetOldObjectClass(ASettings.OldObjectClass);
  action->SetNewObjectName(ASettings.NewObjectName);
  action->SetNewObjectClass(ASettings.NewObjectClass);
  return action;
}

// A user transformation called ACaption holding AActions in the order given.
template <class... TActions>
std::unique_ptr<transform::TManualTransform> ManualTransform(const std::u16string& ACaption,
                                                             std::unique_ptr<TActions>... AActions) {
  auto transform = std::make_unique<transform::TManualTransform>();
  transform->SetCaption(ACaption);
  (transform->AddAction(std::move(AActions)), ...);
  return transform;
}

}  // namespace tess::testing
