// The frame that edits a change-object action, and its controller, as each sees the other.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::app {

class IChangeObjectC {
public:
  virtual void Update() = 0;
  virtual void Finalize() = 0;

protected:
  ~IChangeObjectC() = default;
};

class IChangeObject {
public:
  virtual common::IDText* OldObjectName() = 0;
  virtual common::IDText* OldObjectClass() = 0;
  virtual common::IDText* NewObjectName() = 0;
  virtual common::IDText* NewObjectClass() = 0;
  virtual void Finalize() = 0;

protected:
  ~IChangeObject() = default;
};

}  // namespace tess::app
