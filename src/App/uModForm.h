// The transformation editor window and its controller, as each sees the other.
#pragma once

#include "App/uChangeObjectFrame.h"
#include "App/uChangePropFrame.h"
#include "App/uNewPropFrame.h"
#include "App/uRemovePropFrame.h"
#include "Shared/Common/uControls.h"

namespace tess::app {

// The editor window. The four frame operations each replace the frame shown so far (whose
// controller is told to let go of it) by a fresh frame of that action type wired to the given
// controller, and return it; the window owns the frame.
class IModForm {
public:
  // The action list: one column, each row's DataObject the action it shows.
  virtual common::IDTable* Actions() = 0;
  // The action type chooser: each item's DataObject is a prototype action of its type.
  virtual common::IDList* ActionTypes() = 0;
  virtual common::IDText* Name() = 0;
  // The no-action state: no type chosen, no frame, "No action selected".
  virtual void EmptyActionType() = 0;
  virtual IRemoveProp* RemoveProperty(IRemovePropC* AController) = 0;
  virtual IChangeProp* ChangeProperty(IChangePropC* AController) = 0;
  virtual INewProp* NewProperty(INewPropC* AController) = 0;
  virtual IChangeObject* ChangeObject(IChangeObjectC* AController) = 0;
  // The list's commands but New Action; the controller enables each exactly when it can act on
  // the selection.
  virtual common::IDAction* RemoveCommand() = 0;
  virtual common::IDAction* MoveUpCommand() = 0;
  virtual common::IDAction* MoveDownCommand() = 0;

protected:
  ~IModForm() = default;
};

// The editor's commands, one per user action in the window.
class IModFormC {
public:
  // The user picked another type in the chooser.
  virtual void ActionTypeChanged() = 0;
  virtual void NewAction() = 0;
  virtual void RemoveAction() = 0;
  virtual void MoveUp() = 0;
  virtual void MoveDown() = 0;
  // An action was selected in the list, or the selection went away.
  virtual void ActionChanged() = 0;
  // OK was pressed: takes the name field. Check follows.
  virtual void Apply() = 0;
  // Whether the editor may close with OK; shows why not when it may not.
  virtual bool Check() = 0;

protected:
  ~IModFormC() = default;
};

}  // namespace tess::app
