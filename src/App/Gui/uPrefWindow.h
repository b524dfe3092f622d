// The preferences dialog: the saving method chooser over the frame of the chosen method.
#pragma once

#include <QDialog>

#include <memory>

#include "App/Gui/uVCLControls.h"
#include "App/uDialogs.h"
#include "App/uPrefForm.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace tess::gui {

class TPrefNewFrame;
class TPrefReplaceFrame;

class TPrefForm : public QDialog, public app::IPrefForm, public app::IPrefFormWindow {
public:
  // Without a parent: the caller owns the dialog; it is centred on the opener when shown.
  TPrefForm();
  ~TPrefForm() override;

  // IPrefForm
  common::IDCondition* ReplaceOriginal() override { return FReplaceOriginal.get(); }
  common::IDCondition* SaveNew() override { return FSaveNew.get(); }
  common::IDCondition* Backup() override;
  common::IDCondition* BackupSameFolder() override;
  common::IDCondition* BackupSeparateFolder() override;
  common::IDText* BackupFolder() override;
  common::IDDirDialog* OpenDir() override { return FOpenDir.get(); }
  common::IDCondition* OverrideBackup() override;
  common::IDCondition* SaveSameFolder() override;
  common::IDCondition* SaveSeparateFolder() override;
  common::IDText* SaveFolder() override;
  common::IDCondition* KeepStructure() override;
  common::IDCondition* ConvertedCrLf() override { return FConvertedCrLf.get(); }
  common::IDCondition* ConvertedLf() override { return FConvertedLf.get(); }

  // IPrefFormWindow
  app::IPrefForm* View() override { return this; }
  void SetController(app::IPrefFormC* AController) override { FController = AController; }
  app::TModalResult ShowModal() override;

  app::IPrefFormC* Controller() const { return FController; }
  TPrefReplaceFrame* ReplaceFrame() const { return FReplaceFrame; }
  TPrefNewFrame* NewFrame() const { return FNewFrame; }
  // The folder picker is the platform's; tests put their own in its place.
  void SetOpenDir(std::unique_ptr<common::TDDirDialog> ADialog) { FOpenDir = std::move(ADialog); }

  QWidget* Panel1;
  QLabel* Label1;
  QComboBox* cbMethod;
  QCheckBox* chKeepStructure;
  QLabel* lbLineBreak;
  QComboBox* cbLineBreak;

public:
  // Every way of closing comes here (Escape and the title-bar button too), and each asks the
  // controller first.
  void reject() override;

private:
  void BuildMethodStrip();
  void BuildMethodFrames();
  void BuildCommonChoices();
  void ConnectEnablingRules();
  void MethodChanged();
  void BackupClicked();
  void ReplaceRadioClicked();
  void NewRadioClicked();

  std::unique_ptr<TDWrapper> FWrapper;
  std::unique_ptr<common::TDDirDialog> FOpenDir;
  app::IPrefFormC* FController = nullptr;
  TPrefReplaceFrame* FReplaceFrame;
  TPrefNewFrame* FNewFrame;
  std::unique_ptr<TDComboboxCondition> FReplaceOriginal;
  std::unique_ptr<TDComboboxCondition> FSaveNew;
  std::unique_ptr<TDComboboxCondition> FConvertedCrLf;
  std::unique_ptr<TDComboboxCondition> FConvertedLf;
};

}  // namespace tess::gui
