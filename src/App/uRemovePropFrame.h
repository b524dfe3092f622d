// The frame that edits a remove-property action, and its controller, as each sees the other.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::app {

// The controller of a remove-property frame: the frame calls Update on every change of a field.
class IRemovePropC {
public:
  virtual void Update() = 0;
  // Drops the controller's reference to its frame; the frame is about to go.
  virtual void Finalize() = 0;

protected:
  ~IRemovePropC() = default;
};

class IRemoveProp {
public:
  virtual common::IDText* PropName() = 0;
  virtual common::IDText* ObjName() = 0;
  virtual common::IDText* ObjClass() = 0;
  // Drops the frame's reference to its controller; the controller is about to go.
  virtual void Finalize() = 0;

protected:
  ~IRemoveProp() = default;
};

}  // namespace tess::app
