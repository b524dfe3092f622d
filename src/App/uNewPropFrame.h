// The frame that edits a new-property action, and its controller, as each sees the other.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::app {

class INewPropC {
public:
  virtual void Finalize() = 0;
  virtual void Update() = 0;

protected:
  ~INewPropC() = default;
};

class INewProp {
public:
  virtual void Finalize() = 0;
  virtual common::IDText* NewPropName() = 0;
  virtual common::IDText* NewPropValue() = 0;
  virtual common::IDText* ObjectName() = 0;
  virtual common::IDText* ObjectClass() = 0;
  virtual common::IDCondition* Overwrite() = 0;

protected:
  ~INewProp() = default;
};

}  // namespace tess::app
