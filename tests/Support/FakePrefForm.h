// An in-memory preferences dialog: the two method frames and the real dialog's enabling rules.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "App/uDialogs.h"
#include "App/uPrefForm.h"
#include "Support/FakeControls.h"
#include "Support/FakeModForm.h"

namespace tess::testing {

// A radio button of a group: checking it unchecks the others and runs its click handler;
// unchecking it by code runs nothing, as with the real buttons.
class TFakeRadio : public TFakeCondition {
public:
  using TFakeCondition::TFakeCondition;

  void SetChecked(bool AChecked) override {
    if (AChecked == Value) return;
    TFakeCondition::SetChecked(AChecked);
    if (!AChecked) return;
    for (TFakeRadio* other : Group)
      if (other != this) other->Value = false;
    if (OnClick) OnClick();
  }
  std::vector<TFakeRadio*> Group;
  std::function<void()> OnClick;
};

// One entry of the saving-method chooser as a condition, over the real condition logic.
class TFakeMethodCondition : public common::TDComboboxConditionBase {
public:
  TFakeMethodCondition(int32_t AIndex, int32_t& ACurrent, std::function<void()>& AOnChange)
      : TDComboboxConditionBase(AIndex), FCurrent(ACurrent), FOnChange(AOnChange) {}

protected:
  int32_t CurrentIndex() const override { return FCurrent; }
  void SetCurrentIndex(int32_t AIndex) override { FCurrent = AIndex; }
  void InvokeChange() override {
    if (FOnChange) FOnChange();
  }

private:
  int32_t& FCurrent;
  std::function<void()>& FOnChange;
};

class TFakePrefForm : public common::TDObject, public app::IPrefForm {
public:
  TFakePrefForm() {
    BackupSameRadio.Group = BackupSeparateRadio.Group = {&BackupSameRadio, &BackupSeparateRadio};
    SaveSameRadio.Group = SaveSeparateRadio.Group = {&SaveSameRadio, &SaveSeparateRadio};
    // The state at creation: replace method, backup beside the original, new files beside it.
    BackupCheck.Value = true;
    BackupSameRadio.Value = true;
    SaveSameRadio.Value = true;
    MethodChange = [this] { ReplaceFrameShown = Method == 0; };
    BackupCheck.OnClick = [this] { ApplyBackupRule(); };
    BackupSameRadio.OnClick = BackupSeparateRadio.OnClick = [this] { BackupPathEnabled = BackupSeparateRadio.Value; };
    SaveSameRadio.OnClick = SaveSeparateRadio.OnClick = [this] { SavePathEnabled = SaveSeparateRadio.Value; };
    MethodChange();
  }

  common::IDCondition* ReplaceOriginal() override { return &ReplaceCondition; }
  common::IDCondition* SaveNew() override { return &SaveNewCondition; }
  common::IDCondition* Backup() override { return &BackupCheck; }
  common::IDCondition* BackupSameFolder() override { return &BackupSameRadio; }
  common::IDCondition* BackupSeparateFolder() override { return &BackupSeparateRadio; }
  common::IDText* BackupFolder() override { return &BackupPath; }
  common::IDDirDialog* OpenDir() override { return &DirDialog; }
  common::IDCondition* OverrideBackup() override { return &OverrideCheck; }
  common::IDCondition* SaveSameFolder() override { return &SaveSameRadio; }
  common::IDCondition* SaveSeparateFolder() override { return &SaveSeparateRadio; }
  common::IDText* SaveFolder() override { return &SavePath; }
  common::IDCondition* KeepStructure() override { return &KeepStructureCheck; }
  common::IDCondition* ConvertedCrLf() override { return &CrLfCondition; }
  common::IDCondition* ConvertedLf() override { return &LfCondition; }

  // The user picks a saving method in the chooser.
  void PickMethod(int32_t AIndex) {
    Method = AIndex;
    MethodChange();
  }

  TFakeContextPtr Context = std::make_shared<TFakeContext>();
  int32_t Method = 0;
  std::function<void()> MethodChange;
  TFakeMethodCondition ReplaceCondition{0, Method, MethodChange};
  TFakeMethodCondition SaveNewCondition{1, Method, MethodChange};
  TFakeCheckBox BackupCheck{u"Backup", Context};
  TFakeRadio BackupSameRadio{u"BackupSameFolder", Context};
  TFakeRadio BackupSeparateRadio{u"BackupSeparateFolder", Context};
  TFakeText BackupPath{u"BackupFolder", Context};
  TFakeDirDialog DirDialog{Context};
  TFakeCheckBox OverrideCheck{u"OverrideBackup", Context};
  TFakeRadio SaveSameRadio{u"SaveSameFolder", Context};
  TFakeRadio SaveSeparateRadio{u"SaveSeparateFolder", Context};
  TFakeText SavePath{u"SaveFolder", Context};
  TFakeCheckBox KeepStructureCheck{u"KeepStructure", Context};
  // The line-break chooser: 0 CR LF, 1 LF.
  int32_t LineBreak = 0;
  std::function<void()> LineBreakChange;
  TFakeMethodCondition CrLfCondition{0, LineBreak, LineBreakChange};
  TFakeMethodCondition LfCondition{1, LineBreak, LineBreakChange};

  bool ReplaceFrameShown = true;
  bool BackupOptionsEnabled = true;
  bool BackupPathEnabled = false;
  bool SavePathEnabled = false;

private:
  void ApplyBackupRule() {
    BackupOptionsEnabled = BackupCheck.Value;
    BackupPathEnabled = BackupCheck.Value && BackupSeparateRadio.Value;
  }
};

// The dialog shown modally. It closes only when the controller's CanExit accepts the close.
class TFakePrefFormWindow : public app::IPrefFormWindow {
public:
  using TScript = std::function<void(TFakePrefFormWindow&)>;

  explicit TFakePrefFormWindow(TScript AScript = {}) : Script(std::move(AScript)) {}

  app::IPrefForm* View() override { return &Form; }
  void SetController(app::IPrefFormC* AController) override { Controller = AController; }
  app::TModalResult ShowModal() override {
    ++ShowCount;
    if (Script) Script(*this);
    // A script that did not close leaves by the title-bar button, which asks too; a refusal
    // there would keep a real dialog open, so the fake reports it rather than closing.
    if (!Closed && !RequestClose()) return app::TModalResult::mrNone;
    return app::TModalResult::mrOk;
  }

  // Any way of closing asks the controller; true when the dialog closed.
  bool RequestClose() {
    ++CloseRequests;
    if (Controller != nullptr && !Controller->CanExit()) return false;
    Closed = true;
    return true;
  }
  void Browse() {
    if (Controller != nullptr) Controller->SetPath();
  }

  TFakePrefForm Form;
  TScript Script;
  app::IPrefFormC* Controller = nullptr;
  bool Closed = false;
  int ShowCount = 0;
  int CloseRequests = 0;
};

}  // namespace tess::testing
