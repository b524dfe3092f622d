// An in-memory transformation editor: window, frames and a scripted user, wired like the real ones.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "App/uDialogs.h"
#include "App/uModForm.h"
#include "Support/FakeControls.h"

namespace tess::testing {

// An edit or memo whose change handler runs on every text set, by the user or by code, as the
// real widgets' do.
class TFakeEdit : public TFakeText {
public:
  using TFakeText::TFakeText;

  void SetText(const std::u16string& AText) override {
    TFakeText::SetText(AText);
    if (OnChange) OnChange();
  }
  std::function<void()> OnChange;
};

// A check box whose click handler runs whenever its state changes.
class TFakeCheckBox : public TFakeCondition {
public:
  using TFakeCondition::TFakeCondition;

  void SetChecked(bool AChecked) override {
    const bool changed = AChecked != Value;
    TFakeCondition::SetChecked(AChecked);
    if (changed && OnClick) OnClick();
  }
  std::function<void()> OnClick;
};

// What every frame shares: it is owned by the window and, when it goes while it still has its
// controller, tells the controller to let go of it.
class TFakeFrame : public common::TDObject {
public:
  explicit TFakeFrame(std::u16string AKind) : Kind(std::move(AKind)) {}
  const std::u16string Kind;
};

template <class TController>
class TFakeFrameOf : public TFakeFrame {
public:
  TFakeFrameOf(std::u16string AKind, TController* AController, TFakeContextPtr AContext)
      : TFakeFrame(std::move(AKind)), Controller(AController), Context(std::move(AContext)) {}
  ~TFakeFrameOf() override {
    if (Controller != nullptr) Controller->Finalize();
  }

  TController* Controller;

protected:
  // Each field's change handler is the controller's Update, as in the real frames.
  void Wire(TFakeEdit& AEdit) {
    AEdit.OnChange = [this] {
      if (Controller != nullptr) Controller->Update();
    };
  }

  TFakeContextPtr Context;
};

class TFakeRemovePropFrame : public TFakeFrameOf<app::IRemovePropC>, public app::IRemoveProp {
public:
  TFakeRemovePropFrame(app::IRemovePropC* AController, TFakeContextPtr AContext)
      : TFakeFrameOf(u"Remove property", AController, AContext) {
    for (TFakeEdit* edit : Fields()) Wire(*edit);
  }
  common::IDText* PropName() override { return &PropNameEdit; }
  common::IDText* ObjName() override { return &ObjNameEdit; }
  common::IDText* ObjClass() override { return &ObjClassEdit; }
  void Finalize() override { Controller = nullptr; }
  std::vector<TFakeEdit*> Fields() { return {&PropNameEdit, &ObjNameEdit, &ObjClassEdit}; }

  TFakeEdit PropNameEdit{u"PropName", Context};
  TFakeEdit ObjNameEdit{u"ObjName", Context};
  TFakeEdit ObjClassEdit{u"ObjClass", Context};
};

class TFakeChangePropFrame : public TFakeFrameOf<app::IChangePropC>, public app::IChangeProp {
public:
  TFakeChangePropFrame(app::IChangePropC* AController, TFakeContextPtr AContext)
      : TFakeFrameOf(u"Change property", AController, AContext) {
    for (TFakeEdit* edit : Fields()) Wire(*edit);
  }
  common::IDText* NewPropName() override { return &NewPropNameEdit; }
  common::IDText* OldPropName() override { return &OldPropNameEdit; }
  common::IDText* OldPropValue() override { return &OldPropValueMemo; }
  common::IDText* NewPropValue() override { return &NewPropValueMemo; }
  common::IDText* ObjectName() override { return &ObjectNameEdit; }
  common::IDText* ObjectClass() override { return &ObjectClassEdit; }
  void Finalize() override { Controller = nullptr; }
  // In the order the frame shows them.
  std::vector<TFakeEdit*> Fields() {
    return {&OldPropNameEdit,  &OldPropValueMemo, &NewPropNameEdit,
            &NewPropValueMemo, &ObjectNameEdit,   &ObjectClassEdit};
  }

  // Leaving either value memo: both are checked again, each marked on its own, and the notice
  // shows when either fails.
  void LeaveValueMemo() {
    if (Controller == nullptr) return;
    OldValueMarked = !Controller->CheckValue(&OldPropValueMemo);
    NewValueMarked = !Controller->CheckValue(&NewPropValueMemo);
    NoticeShown = OldValueMarked || NewValueMarked;
  }

  TFakeEdit OldPropNameEdit{u"OldPropName", Context};
  TFakeEdit OldPropValueMemo{u"OldPropValue", Context};
  TFakeEdit NewPropNameEdit{u"NewPropName", Context};
  TFakeEdit NewPropValueMemo{u"NewPropValue", Context};
  TFakeEdit ObjectNameEdit{u"ObjectName", Context};
  TFakeEdit ObjectClassEdit{u"ObjectClass", Context};
  bool OldValueMarked = false;
  bool NewValueMarked = false;
  bool NoticeShown = false;
};

class TFakeNewPropFrame : public TFakeFrameOf<app::INewPropC>, public app::INewProp {
public:
  TFakeNewPropFrame(app::INewPropC* AController, TFakeContextPtr AContext)
      : TFakeFrameOf(u"New property", AController, AContext) {
    for (TFakeEdit* edit : Fields()) Wire(*edit);
    OverwriteCheck.OnClick = [this] {
      if (Controller != nullptr) Controller->Update();
    };
  }
  void Finalize() override { Controller = nullptr; }
  common::IDText* NewPropName() override { return &NewPropNameEdit; }
  common::IDText* NewPropValue() override { return &NewPropValueMemo; }
  common::IDText* ObjectName() override { return &ObjectNameEdit; }
  common::IDText* ObjectClass() override { return &ObjectClassEdit; }
  common::IDCondition* Overwrite() override { return &OverwriteCheck; }
  std::vector<TFakeEdit*> Fields() { return {&NewPropNameEdit, &NewPropValueMemo, &ObjectNameEdit, &ObjectClassEdit}; }

  TFakeEdit NewPropNameEdit{u"NewPropName", Context};
  TFakeEdit NewPropValueMemo{u"NewPropValue", Context};
  TFakeEdit ObjectNameEdit{u"ObjectName", Context};
  TFakeEdit ObjectClassEdit{u"ObjectClass", Context};
  TFakeCheckBox OverwriteCheck{u"Overwrite", Context};
};

class TFakeChangeObjectFrame : public TFakeFrameOf<app::IChangeObjectC>, public app::IChangeObject {
public:
  TFakeChangeObjectFrame(app::IChangeObjectC* AController, TFakeContextPtr AContext)
      : TFakeFrameOf(u"Change object", AController, AContext) {
    for (TFakeEdit* edit : Fields()) Wire(*edit);
  }
  common::IDText* OldObjectName() override { return &OldObjectNameEdit; }
  common::IDText* OldObjectClass() override { return &OldObjectClassEdit; }
  common::IDText* NewObjectName() override { return &NewObjectNameEdit; }
  common::IDText* NewObjectClass() override { return &NewObjectClassEdit; }
  void Finalize() override { Controller = nullptr; }
  std::vector<TFakeEdit*> Fields() {
    return {&OldObjectNameEdit, &OldObjectClassEdit, &NewObjectNameEdit, &NewObjectClassEdit};
  }

  TFakeEdit OldObjectNameEdit{u"OldObjectName", Context};
  TFakeEdit OldObjectClassEdit{u"OldObjectClass", Context};
  TFakeEdit NewObjectNameEdit{u"NewObjectName", Context};
  TFakeEdit NewObjectClassEdit{u"NewObjectClass", Context};
};

// The editor window: the action list, the type chooser, the name field and the frame host, with
// the real window's event wiring and its no-action state.
class TFakeModForm : public common::TDObject, public app::IModForm {
public:
  TFakeModForm() {
    ActionTable.SetUserSelectItem([this](TFakeEntry*, bool) {
      if (FController != nullptr) FController->ActionChanged();
      SetActionEnabled(ActionTable.Rows().FirstSelected() != nullptr);
    });
    TypeList.OnChange = [this] {
      if (FController != nullptr) FController->ActionTypeChanged();
    };
  }
  ~TFakeModForm() override { Frame.reset(); }

  common::IDTable* Actions() override { return &ActionTable; }
  common::IDList* ActionTypes() override { return &TypeList; }
  common::IDText* Name() override { return &NameEdit; }
  void EmptyActionType() override {
    Context->Touch(u"Form", u"Form.EmptyActionType");
    ++EmptyCount;
    TypeList.SetSelected(nullptr);
    Frame.reset();
    Placeholder = u"No action selected";
  }
  app::IRemoveProp* RemoveProperty(app::IRemovePropC* AController) override {
    return Show(std::make_unique<TFakeRemovePropFrame>(AController, Context));
  }
  app::IChangeProp* ChangeProperty(app::IChangePropC* AController) override {
    return Show(std::make_unique<TFakeChangePropFrame>(AController, Context));
  }
  app::INewProp* NewProperty(app::INewPropC* AController) override {
    return Show(std::make_unique<TFakeNewPropFrame>(AController, Context));
  }
  app::IChangeObject* ChangeObject(app::IChangeObjectC* AController) override {
    return Show(std::make_unique<TFakeChangeObjectFrame>(AController, Context));
  }
  common::IDAction* RemoveCommand() override { return &RemoveAction; }
  common::IDAction* MoveUpCommand() override { return &MoveUpAction; }
  common::IDAction* MoveDownCommand() override { return &MoveDownAction; }

  void Connect(app::IModFormC* AController) { FController = AController; }
  app::IModFormC* Controller() const { return FController; }

  // The action panel follows the list's selection; without one the window is in its no-action state.
  void SetActionEnabled(bool AEnabled) {
    PanelEnabled = AEnabled;
    if (!AEnabled) EmptyActionType();
  }

  // The frame shown, as its own class; null when none or another kind is shown.
  template <class TFrame>
  TFrame* FrameAs() const {
    return dynamic_cast<TFrame*>(Frame.get());
  }
  // The caption of the chosen action type; empty when none is chosen.
  std::u16string ChosenType() const {
    common::TDGUIItem* item = TypeList.Selected();
    return item == nullptr ? std::u16string() : item->Caption();
  }
  // The captions the action list shows, in order.
  std::vector<std::u16string> ListCaptions() const {
    std::vector<std::u16string> captions;
    for (const auto& entry : ActionTable.Entries) captions.push_back(entry->Line.Caption);
    return captions;
  }

  TFakeContextPtr Context = std::make_shared<TFakeContext>();
  TFakeTable ActionTable{{u"Action"}, u"Actions", Context};
  TFakeList TypeList{u"ActionTypes", Context};
  TFakeText NameEdit{u"Name", Context};
  // Enabled at first, as the real window's commands are until the controller says otherwise.
  TFakeAction RemoveAction{u"RemoveAction", Context};
  TFakeAction MoveUpAction{u"MoveUp", Context};
  TFakeAction MoveDownAction{u"MoveDown", Context};
  std::unique_ptr<TFakeFrame> Frame;
  std::u16string Placeholder = u"No action selected";
  bool PanelEnabled = false;
  int EmptyCount = 0;
  int FramesMade = 0;

private:
  template <class TFrame>
  TFrame* Show(std::unique_ptr<TFrame> AFrame) {
    Context->Touch(u"Form", u"Form.Frame=" + AFrame->Kind);
    ++FramesMade;
    TFrame* frame = AFrame.get();
    Placeholder.clear();
    Frame.reset();  // the old frame lets go of its controller, if it still has one
    Frame = std::move(AFrame);
    return frame;
  }

  app::IModFormC* FController = nullptr;
};

// The editor shown modally, with the user's session as a script that runs while it is shown.
class TFakeModFormWindow : public app::IModFormWindow {
public:
  using TScript = std::function<void(TFakeModFormWindow&)>;

  explicit TFakeModFormWindow(TScript AScript = {}, std::function<void(TFakeModFormWindow&)> AOnDestroy = {})
      : Script(std::move(AScript)), OnDestroy(std::move(AOnDestroy)) {}
  ~TFakeModFormWindow() override {
    if (OnDestroy) OnDestroy(*this);
  }

  app::IModForm* View() override { return &Form; }
  void SetController(app::IModFormC* AController) override { Form.Connect(AController); }
  app::TModalResult ShowModal() override {
    ++ShowCount;
    // Activation: nothing is selected yet, so the action panel starts disabled.
    Form.SetActionEnabled(Form.ActionTable.Rows().FirstSelected() != nullptr);
    if (Script) Script(*this);
    // A script that never closes the window leaves by the title-bar button: a cancel.
    return Closed ? Result : app::TModalResult::mrCancel;
  }

  // The user's commands, as the window's buttons and list raise them.
  void Select(size_t AIndex) {
    for (size_t i = 0; i < Form.ActionTable.Entries.size(); ++i)
      if (i != AIndex) Form.ActionTable.UserSelect(i, false);
    Form.ActionTable.UserSelect(AIndex, true);
  }
  void Unselect() {
    for (size_t i = 0; i < Form.ActionTable.Entries.size(); ++i) Form.ActionTable.UserSelect(i, false);
  }
  void PickType(int32_t AIndex) { Form.TypeList.UserPick(AIndex); }
  void New() { Form.Controller()->NewAction(); }
  void Remove() { Form.Controller()->RemoveAction(); }
  void Up() { Form.Controller()->MoveUp(); }
  void Down() { Form.Controller()->MoveDown(); }
  // OK: Apply, then the close query asks Check. True when the window closed.
  bool ClickOk() {
    Form.Controller()->Apply();
    if (!Form.Controller()->Check()) return false;
    Closed = true;
    Result = app::TModalResult::mrOk;
    return true;
  }
  // Cancel closes without any check.
  void ClickCancel() {
    Closed = true;
    Result = app::TModalResult::mrCancel;
  }

  TFakeModForm Form;
  TScript Script;
  std::function<void(TFakeModFormWindow&)> OnDestroy;
  bool Closed = false;
  app::TModalResult Result = app::TModalResult::mrNone;
  int ShowCount = 0;
};

}  // namespace tess::testing
