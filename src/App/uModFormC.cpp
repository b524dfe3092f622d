#include "App/uModFormC.h"

#include "App/uDialogs.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uScopeGuard.h"

namespace tess::app {

using transform::TChangeObjectAction;
using transform::TChangePropertyAction;
using transform::TManualTransform;
using transform::TNewPropertyAction;
using transform::TRemovePropertyAction;
using transform::TTransformAction;

namespace {

const char16_t* const kInvalidActions = u"Transformation containts invalid actions.\r\nPlease correct it first.";
const char16_t* const kNewTransformCaption = u"New Transform";

// Rows and chooser items carry their action as the base class, so that reading it back never
// depends on the action's own class.
common::TDDataRef ActionRef(TTransformAction* AAction) { return common::TDDataRef(AAction); }

// A fresh prototype of each action type, in the order the chooser lists them.
std::vector<std::unique_ptr<TTransformAction>> MakePrototypes() {
  std::vector<std::unique_ptr<TTransformAction>> prototypes;
  prototypes.push_back(std::make_unique<TNewPropertyAction>());
  prototypes.push_back(std::make_unique<TRemovePropertyAction>());
  prototypes.push_back(std::make_unique<TChangePropertyAction>());
  prototypes.push_back(std::make_unique<TChangeObjectAction>());
  return prototypes;
}

bool SameClass(const TTransformAction& ALeft, const TTransformAction& ARight) {
  return typeid(ALeft) == typeid(ARight);
}

// The controller of the prototype's action type; null for a class the editor has no frame for.
std::unique_ptr<TDActionC> CreateActionC(TTransformAction& APrototype) {
  if (auto* action = dynamic_cast<TNewPropertyAction*>(&APrototype)) return std::make_unique<TNewPropC>(action);
  if (auto* action = dynamic_cast<TRemovePropertyAction*>(&APrototype)) return std::make_unique<TRemovePropC>(action);
  if (auto* action = dynamic_cast<TChangePropertyAction*>(&APrototype)) return std::make_unique<TChangePropC>(action);
  if (auto* action = dynamic_cast<TChangeObjectAction*>(&APrototype)) return std::make_unique<TChangeObjectC>(action);
  return nullptr;
}

std::u16string TextOf(common::IDText* AText) { return AText == nullptr ? std::u16string() : AText->Text(); }

void SetTextOf(common::IDText* AText, const std::u16string& AValue) {
  if (AText != nullptr) AText->SetText(AValue);
}

}  // namespace

// ---- TTransformC

TTransformC::TTransformC() : FTransform(std::make_unique<TManualTransform>()) {}

TTransformC::~TTransformC() = default;

void TTransformC::SetName(common::IDText* AName) {
  FName = AName;
  SetTextOf(FName, FTransform->GetCaption());
}

void TTransformC::SetActionTable(common::IDTable* ATable) {
  FActionTable = ATable;
  FillActions();
}

void TTransformC::AddAction(std::unique_ptr<TTransformAction> AAction) {
  FTransform->AddAction(std::move(AAction));
  FillActions();
}

int TTransformC::SelectedIndex() const {
  if (FActionTable == nullptr) return -1;
  const int index = FActionTable->Rows().FirstSelectedIndex();
  // The rows mirror the working copy; a selection beyond it would be a row nobody made here.
  return index < FTransform->ActionCount() ? index : -1;
}

bool TTransformC::RemoveAction() {
  const int index = SelectedIndex();
  if (index < 0) return false;
  // By position, not by the row's data: rows and actions are in step, and removing by position
  // can never leave a row whose action is gone.
  FTransform->RemoveAction(FTransform->Actions(index));
  FActionTable->Rows().Delete(index);
  return true;
}

void TTransformC::MoveUp() {
  const int index = SelectedIndex();
  if (index > 0) {
    FTransform->Move(index, index - 1);
    FActionTable->Rows().Move(index, index - 1);
  }
  FillActions();
}

void TTransformC::MoveDown() {
  const int index = SelectedIndex();
  if (index >= 0 && index < FTransform->ActionCount() - 1) {
    FTransform->Move(index, index + 1);
    FActionTable->Rows().Move(index, index + 1);
  }
  FillActions();
}

TTransformAction* TTransformC::CurrentAction() const {
  if (FActionTable == nullptr) return nullptr;
  common::TDGUIRow* row = FActionTable->Rows().FirstSelected();
  return row == nullptr ? nullptr : row->DataObjectAs<TTransformAction>();
}

TTransformAction* TTransformC::ReplaceCurrentAction(std::unique_ptr<TTransformAction> AAction) {
  const int index = SelectedIndex();
  if (index < 0 || AAction == nullptr) return nullptr;
  common::TDGUIRow& row = FActionTable->Rows().Items(index);
  if (row.DataObjectAs<TTransformAction>() == AAction.get()) return AAction.release();
  TTransformAction* action = AAction.get();
  FTransform->SetActions(index, std::move(AAction));
  row.SetDataObject(ActionRef(action));
  return action;
}

bool TTransformC::Valid() {
  // Beyond the values, every name must be one a form can hold, and the action must be one its
  // file can hold: the editor must not save what the next start refuses to load.
  const std::u16string problem = FTransform->FirstProblem();
  if (!problem.empty()) MessageBox().Warning(kInvalidActions + std::u16string(u"\r\n\r\n") + problem + u".");
  return problem.empty();
}

void TTransformC::FillActions() {
  if (FActionTable == nullptr) return;
  auto update = common::UpdateScope(FActionTable);
  common::TDGUIRows& rows = FActionTable->Rows();
  rows.Clear();
  for (int i = 0; i < FTransform->ActionCount(); ++i) {
    TTransformAction* action = FTransform->Actions(i);
    common::TDGUIRow& row = rows.Add();
    row.Items(0).SetCaption(action->Description());
    row.SetDataObject(ActionRef(action));
  }
}

// ---- Action controllers

TRemovePropC::~TRemovePropC() {
  if (FView != nullptr) FView->Finalize();
}

void TRemovePropC::SetView(IRemoveProp* AView) {
  FView = AView;
  if (FView == nullptr || FAction == nullptr) return;
  auto lock = common::SetForScope(FLockUpdate, true);
  FView->PropName()->SetText(FAction->PropName());
  FView->ObjName()->SetText(FAction->ObjectName());
  FView->ObjClass()->SetText(FAction->ObjectClass());
}

void TRemovePropC::ShowIn(IModForm& AForm) { SetView(AForm.RemoveProperty(this)); }

void TRemovePropC::Update() {
  if (FLockUpdate || FView == nullptr || FAction == nullptr) return;
  FAction->SetPropName(TextOf(FView->PropName()));
  FAction->SetObjectName(TextOf(FView->ObjName()));
  FAction->SetObjectClass(TextOf(FView->ObjClass()));
  if (FSyncAction != nullptr) FSyncAction->Assign(*FAction);
}

TChangePropC::~TChangePropC() {
  if (FView != nullptr) FView->Finalize();
}

void TChangePropC::SetView(IChangeProp* AView) {
  FView = AView;
  if (FView == nullptr || FAction == nullptr) return;
  auto lock = common::SetForScope(FLockUpdate, true);
  FView->OldPropName()->SetText(FAction->OldPropName());
  FView->OldPropValue()->SetText(FAction->OldPropValue());
  FView->NewPropName()->SetText(FAction->NewPropName());
  FView->NewPropValue()->SetText(FAction->NewPropValue());
  FView->ObjectName()->SetText(FAction->ObjectName());
  FView->ObjectClass()->SetText(FAction->ObjectClass());
}

void TChangePropC::ShowIn(IModForm& AForm) { SetView(AForm.ChangeProperty(this)); }

void TChangePropC::Update() {
  if (FLockUpdate || FView == nullptr || FAction == nullptr) return;
  FAction->SetOldPropName(TextOf(FView->OldPropName()));
  FAction->SetOldPropValue(TextOf(FView->OldPropValue()));
  FAction->SetNewPropName(TextOf(FView->NewPropName()));
  FAction->SetNewPropValue(TextOf(FView->NewPropValue()));
  FAction->SetObjectName(TextOf(FView->ObjectName()));
  FAction->SetObjectClass(TextOf(FView->ObjectClass()));
  if (FSyncAction != nullptr) FSyncAction->Assign(*FAction);
}

bool TChangePropC::CheckValue(common::IDText* AText) {
  const std::u16string text = TextOf(AText);
  return text.empty() || formtext::DFMHelper().IsValidValue(text);
}

TNewPropC::~TNewPropC() {
  if (FView != nullptr) FView->Finalize();
}

void TNewPropC::SetView(INewProp* AView) {
  FView = AView;
  if (FView == nullptr || FAction == nullptr) return;
  auto lock = common::SetForScope(FLockUpdate, true);
  FView->NewPropName()->SetText(FAction->NewPropName());
  FView->NewPropValue()->SetText(FAction->NewPropValue());
  FView->ObjectName()->SetText(FAction->ObjectName());
  FView->ObjectClass()->SetText(FAction->ObjectClass());
  FView->Overwrite()->SetChecked(FAction->Overwrite());
}

void TNewPropC::ShowIn(IModForm& AForm) { SetView(AForm.NewProperty(this)); }

void TNewPropC::Update() {
  if (FLockUpdate || FView == nullptr || FAction == nullptr) return;
  FAction->SetNewPropName(TextOf(FView->NewPropName()));
  FAction->SetNewPropValue(TextOf(FView->NewPropValue()));
  FAction->SetObjectName(TextOf(FView->ObjectName()));
  FAction->SetObjectClass(TextOf(FView->ObjectClass()));
  common::IDCondition* overwrite = FView->Overwrite();
  FAction->SetOverwrite(overwrite != nullptr && overwrite->Checked());
  if (FSyncAction != nullptr) FSyncAction->Assign(*FAction);
}

TChangeObjectC::~TChangeObjectC() {
  if (FView != nullptr) FView->Finalize();
}

void TChangeObjectC::SetView(IChangeObject* AView) {
  FView = AView;
  if (FView == nullptr || FAction == nullptr) return;
  auto lock = common::SetForScope(FLockUpdate, true);
  FView->OldObjectName()->SetText(FAction->OldObjectName());
  FView->OldObjectClass()->SetText(FAction->OldObjectClass());
  FView->NewObjectName()->SetText(FAction->NewObjectName());
  FView->NewObjectClass()->SetText(FAction->NewObjectClass());
}

void TChangeObjectC::ShowIn(IModForm& AForm) { SetView(AForm.ChangeObject(this)); }

void TChangeObjectC::Update() {
  if (FLockUpdate || FView == nullptr || FAction == nullptr) return;
  FAction->SetOldObjectName(TextOf(FView->OldObjectName()));
  FAction->SetOldObjectClass(TextOf(FView->OldObjectClass()));
  FAction->SetNewObjectName(TextOf(FView->NewObjectName()));
  FAction->SetNewObjectClass(TextOf(FView->NewObjectClass()));
  if (FSyncAction != nullptr) FSyncAction->Assign(*FAction);
}

// ---- TModFormC

TModFormC::TModFormC() : FTransform(std::make_unique<TTransformC>()) {}

TModFormC::~TModFormC() {
  ClearActionTypes();
  // The action controller tells its frame to let go of it; the frame still exists, because the
  // window is destroyed after its controller.
  FActionC.reset();
  FTransform.reset();
}

void TModFormC::AttachView(IModForm* AView) {
  if (AView == nullptr) {
    ClearActionTypes();
    FActionC.reset();
    FTransform->SetName(nullptr);
    FTransform->SetActionTable(nullptr);
    FView = nullptr;
    return;
  }
  FView = AView;
  FTransform->SetName(FView->Name());
  FTransform->SetActionTable(FView->Actions());
  RefreshActionTypes();
  RefreshCommands();
}

void TModFormC::ClearActionTypes() {
  if (FView != nullptr) FView->ActionTypes()->Items().Clear();
  FPrototypes.clear();
}

void TModFormC::RefreshActionTypes() {
  if (FView == nullptr) return;
  // The action controller edits one of the prototypes about to be freed. Selecting an action
  // replaces it anyway; deselecting leaves nothing for it to edit, and a frame the window still
  // shows must not write into a freed prototype.
  FActionC.reset();
  ClearActionTypes();

  common::IDList& chooser = *FView->ActionTypes();
  TTransformAction* current = FTransform->CurrentAction();
  for (std::unique_ptr<TTransformAction>& prototype : MakePrototypes()) {
    const bool isCurrent = current != nullptr && SameClass(*prototype, *current);
    if (isCurrent) prototype->Assign(*current);
    TTransformAction* action = prototype.get();
    FPrototypes.push_back(std::move(prototype));
    common::TDGUIItem& item = chooser.Items().Add();
    item.SetCaption(action->Caption());
    item.SetDataObject(ActionRef(action));
    if (isCurrent) chooser.SetSelected(&item);
  }
  if (current != nullptr) ActionTypeChanged();
}

void TModFormC::ActionTypeChanged() {
  if (FView == nullptr) return;
  common::TDGUIItem* item = FView->ActionTypes()->Selected();
  TTransformAction* prototype = item == nullptr ? nullptr : item->DataObjectAs<TTransformAction>();
  if (prototype == nullptr) return;
  // Without a selected action there is nothing the new type could replace: the copy would
  // belong to no one.
  if (FTransform->CurrentAction() == nullptr) return;

  TTransformAction* current = FTransform->ReplaceCurrentAction(prototype->Clone());
  FActionC.reset();
  FActionC = CreateActionC(*prototype);
  if (FActionC == nullptr) return;
  FActionC->SetSyncAction(current);
  FActionC->ShowIn(*FView);
}

void TModFormC::ShowNoAction() {
  FActionC.reset();
  if (FView != nullptr) FView->EmptyActionType();
  RefreshCommands();
}

void TModFormC::RefreshCommands() {
  if (FView == nullptr) return;
  const int selected = FTransform->SelectedIndex();
  FView->RemoveCommand()->SetEnabled(selected >= 0);
  FView->MoveUpCommand()->SetEnabled(selected > 0);
  FView->MoveDownCommand()->SetEnabled(selected >= 0 && selected < Transform().ActionCount() - 1);
}

void TModFormC::NewAction() {
  FTransform->AddAction(std::make_unique<TNewPropertyAction>());
  ShowNoAction();
}

void TModFormC::RemoveAction() {
  // The frame edits the action just freed: it must go with it.
  if (FTransform->RemoveAction()) ShowNoAction();
}

void TModFormC::MoveUp() {
  FTransform->MoveUp();
  ShowNoAction();
}

void TModFormC::MoveDown() {
  FTransform->MoveDown();
  ShowNoAction();
}

void TModFormC::ActionChanged() {
  RefreshActionTypes();
  RefreshCommands();
}

void TModFormC::Apply() {
  const std::u16string name = FView == nullptr ? std::u16string() : TextOf(FView->Name());
  Transform().SetCaption(name.empty() ? kNewTransformCaption : name);
}

bool TModFormC::Check() { return FTransform->Valid(); }

}  // namespace tess::app
