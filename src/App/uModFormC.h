// The transformation editor's logic: the working copy, its action list, and one controller per action type.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/uModForm.h"
#include "Shared/Common/uControls.h"
#include "Shared/Common/uDObject.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"

namespace tess::app {

// The working copy of the edited transformation and the action list that shows it. The list's
// rows stand for the working copy's actions in the same order, each row's DataObject its action.
class TTransformC : public common::TDObject {
public:
  TTransformC();
  ~TTransformC() override;

  transform::TManualTransform& Transform() { return *FTransform; }
  // The position of the selected action, or -1.
  int SelectedIndex() const;

  // Stores the field and shows the working copy's caption in it; null detaches.
  void SetName(common::IDText* AName);
  // Stores the table and fills it; null detaches.
  void SetActionTable(common::IDTable* ATable);

  // Appends the action to the working copy and rebuilds the list.
  void AddAction(std::unique_ptr<transform::TTransformAction> AAction);
  // Removes the selected action (and frees it) and its row; the other rows stay. False when no
  // action was selected.
  bool RemoveAction();
  // Move the selected action one place, then rebuild the list (also when nothing moved).
  void MoveUp();
  void MoveDown();

  // The action of the first selected row, or null.
  transform::TTransformAction* CurrentAction() const;
  // Puts AAction in place of the selected action, which is freed, and returns it. Without a
  // selected row nothing changes and null is returned (AAction is freed).
  transform::TTransformAction* ReplaceCurrentAction(std::unique_ptr<transform::TTransformAction> AAction);

  // Whether the working copy can be saved and run: every value and name valid, and no action its
  // file could not hold. When it cannot, the user is told so first, with the first action and
  // field at fault.
  bool Valid();
  // Rebuilds the list from the working copy: one row per action, captioned with its
  // description, none selected. Row captions are written nowhere else.
  void FillActions();

private:
  std::unique_ptr<transform::TManualTransform> FTransform;
  common::IDTable* FActionTable = nullptr;
  common::IDText* FName = nullptr;
};

// The base of the action controllers: it keeps the action in the working copy in step with the
// prototype its frame edits.
class TDActionC : public common::TDObject {
public:
  // Non-owning: the working copy owns the action.
  transform::TTransformAction* SyncAction() const { return FSyncAction; }
  void SetSyncAction(transform::TTransformAction* AAction) { FSyncAction = AAction; }

  // Asks the window for the frame of this controller's action type and loads it.
  virtual void ShowIn(IModForm& AForm) = 0;

protected:
  transform::TTransformAction* FSyncAction = nullptr;
};

// The four action controllers. Each edits a prototype (FAction, owned by the editor) through its
// frame, and after every change copies the prototype into the action in the working copy.
// Loading a frame writes its fields, which run the frame's change handlers: FLockUpdate keeps
// those from copying a half-loaded frame back.
class TRemovePropC : public TDActionC, public IRemovePropC {
public:
  explicit TRemovePropC(transform::TRemovePropertyAction* AAction) : FAction(AAction) {}
  ~TRemovePropC() override;

  // Stores the frame and, when there is one, loads the prototype into it.
  void SetView(IRemoveProp* AView);
  IRemoveProp* View() const { return FView; }
  transform::TRemovePropertyAction* Action() const { return FAction; }
  void ShowIn(IModForm& AForm) override;

  void Update() override;
  void Finalize() override { FView = nullptr; }

private:
  IRemoveProp* FView = nullptr;
  transform::TRemovePropertyAction* FAction;
  bool FLockUpdate = false;
};

class TChangePropC : public TDActionC, public IChangePropC {
public:
  explicit TChangePropC(transform::TChangePropertyAction* AAction) : FAction(AAction) {}
  ~TChangePropC() override;

  void SetView(IChangeProp* AView);
  IChangeProp* View() const { return FView; }
  transform::TChangePropertyAction* Action() const { return FAction; }
  void ShowIn(IModForm& AForm) override;

  void Update() override;
  void Finalize() override { FView = nullptr; }
  // Empty text passes: an empty value means "any value" or "keep the value".
  bool CheckValue(common::IDText* AText) override;

private:
  IChangeProp* FView = nullptr;
  transform::TChangePropertyAction* FAction;
  bool FLockUpdate = false;
};

class TNewPropC : public TDActionC, public INewPropC {
public:
  explicit TNewPropC(transform::TNewPropertyAction* AAction) : FAction(AAction) {}
  ~TNewPropC() override;

  void SetView(INewProp* AView);
  INewProp* View() const { return FView; }
  transform::TNewPropertyAction* Action() const { return FAction; }
  void ShowIn(IModForm& AForm) override;

  void Finalize() override { FView = nullptr; }
  void Update() override;

private:
  transform::TNewPropertyAction* FAction;
  INewProp* FView = nullptr;
  bool FLockUpdate = false;
};

class TChangeObjectC : public TDActionC, public IChangeObjectC {
public:
  explicit TChangeObjectC(transform::TChangeObjectAction* AAction) : FAction(AAction) {}
  ~TChangeObjectC() override;

  void SetView(IChangeObject* AView);
  IChangeObject* View() const { return FView; }
  transform::TChangeObjectAction* Action() const { return FAction; }
  void ShowIn(IModForm& AForm) override;

  void Update() override;
  void Finalize() override { FView = nullptr; }

private:
  transform::TChangeObjectAction* FAction;
  IChangeObject* FView = nullptr;
  bool FLockUpdate = false;
};

// The editor as a whole. The application object copies the transformation to edit into the
// working copy, attaches the window, shows it, and on OK copies the working copy back.
class TModFormC : public common::TDObject, public IModFormC {
public:
  TModFormC();
  ~TModFormC() override;

  transform::TManualTransform& Transform() { return FTransform->Transform(); }
  TTransformC& TransformC() { return *FTransform; }
  // The controller of the action being edited, or null.
  TDActionC* ActionC() const { return FActionC.get(); }

  // Shows the caption, the actions (none selected) and the four action types (none chosen).
  // Null detaches the window: the chooser is emptied and the action controller let go.
  void AttachView(IModForm* AView);

  void ActionTypeChanged() override;
  void NewAction() override;
  void RemoveAction() override;
  void MoveUp() override;
  void MoveDown() override;
  void ActionChanged() override;
  void Apply() override;
  bool Check() override;

private:
  // Rebuilds the chooser with fresh prototypes, the current action's type chosen and filled
  // from it, and then shows that action.
  void RefreshActionTypes();
  // Frees the prototypes, after emptying the chooser that shows them.
  void ClearActionTypes();
  // After the list lost its selection: no controller, no frame.
  void ShowNoAction();
  // Remove needs a selected action, Move Up one above it, Move Down one below it.
  void RefreshCommands();

  IModForm* FView = nullptr;
  std::unique_ptr<TDActionC> FActionC;
  std::unique_ptr<TTransformC> FTransform;
  // The chooser items' DataObjects, in the chooser's order.
  std::vector<std::unique_ptr<transform::TTransformAction>> FPrototypes;
};

}  // namespace tess::app
