// The frame that edits a change-property action, and its controller, as each sees the other.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::app {

class IChangePropC {
public:
  virtual void Update() = 0;
  virtual void Finalize() = 0;
  // Whether the memo holds a value the frame need not mark as malformed: empty, or exactly one
  // valid form-text value.
  virtual bool CheckValue(common::IDText* AText) = 0;

protected:
  ~IChangePropC() = default;
};

class IChangeProp {
public:
  virtual common::IDText* NewPropName() = 0;
  virtual common::IDText* OldPropName() = 0;
  virtual common::IDText* OldPropValue() = 0;
  virtual common::IDText* NewPropValue() = 0;
  virtual common::IDText* ObjectName() = 0;
  virtual common::IDText* ObjectClass() = 0;
  virtual void Finalize() = 0;

protected:
  ~IChangeProp() = default;
};

}  // namespace tess::app
