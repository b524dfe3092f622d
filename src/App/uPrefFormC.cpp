#include "App/uPrefFormC.h"

#include "App/uDFMApp.h"
#include "App/uDialogs.h"
#include "Shared/Common/uDDirectory.h"

namespace tess::app {

namespace {
bool FolderExists(common::IDText* AText) { return common::DDirectory::Exists(common::TFilePath(AText->Text())); }
}  // namespace

TPrefFormC::TPrefFormC() : TPrefFormC(TDFMApp::Instance().Settings()) {}

TPrefFormC::TPrefFormC(TDFMSettings& ASettings) : FSettings(ASettings) {}

void TPrefFormC::AttachView(IPrefForm* AView) {
  FView = AView;
  if (FView != nullptr) Load();
}

void TPrefFormC::Load() {
  // Checking a method condition moves the chooser there; unchecking does nothing, so exactly one
  // of the first two writes acts.
  FView->ReplaceOriginal()->SetChecked(FSettings.Replace());
  FView->SaveNew()->SetChecked(!FSettings.Replace());
  FView->Backup()->SetChecked(FSettings.Backup());
  FView->BackupSameFolder()->SetChecked(FSettings.BackupSameFolder());
  FView->BackupSeparateFolder()->SetChecked(!FSettings.BackupSameFolder());
  FView->BackupFolder()->SetText(FSettings.BackupFolder());
  FView->OverrideBackup()->SetChecked(FSettings.OverrideBackup());
  FView->SaveSameFolder()->SetChecked(FSettings.SaveSameFolder());
  FView->SaveSeparateFolder()->SetChecked(!FSettings.SaveSameFolder());
  FView->SaveFolder()->SetText(FSettings.SaveFolder());
  FView->KeepStructure()->SetChecked(FSettings.KeepStructure());
  FView->ConvertedCrLf()->SetChecked(!FSettings.ConvertedLf());
  FView->ConvertedLf()->SetChecked(FSettings.ConvertedLf());
}

bool TPrefFormC::Validate() {
  if (FView->ReplaceOriginal()->Checked())
    return !FView->Backup()->Checked() || !FView->BackupSeparateFolder()->Checked() ||
           FolderExists(FView->BackupFolder());
  return !FView->SaveSeparateFolder()->Checked() || FolderExists(FView->SaveFolder());
}

void TPrefFormC::Store() {
  // Every field, also those of the method not chosen: switching methods later finds them as left.
  FSettings.SetReplace(FView->ReplaceOriginal()->Checked());
  FSettings.SetBackup(FView->Backup()->Checked());
  FSettings.SetBackupSameFolder(FView->BackupSameFolder()->Checked());
  FSettings.SetBackupFolder(FView->BackupFolder()->Text());
  FSettings.SetOverrideBackup(FView->OverrideBackup()->Checked());
  FSettings.SetSaveSameFolder(!FView->SaveSeparateFolder()->Checked());
  FSettings.SetSaveFolder(FView->SaveFolder()->Text());
  FSettings.SetKeepStructure(FView->KeepStructure()->Checked());
  FSettings.SetConvertedLf(FView->ConvertedLf()->Checked());
}

bool TPrefFormC::CanExit() {
  if (FView == nullptr) return true;
  if (!Validate()) {
    MessageBox().Warning(u"Folder does not exist.");
    return false;
  }
  Store();
  return true;
}

void TPrefFormC::SetPath() {
  if (FView == nullptr) return;
  common::IDDirDialog* picker = FView->OpenDir();
  if (!picker->Execute()) return;
  const std::u16string path = picker->Path();
  if (FView->ReplaceOriginal()->Checked())
    FView->BackupFolder()->SetText(path);
  else
    FView->SaveFolder()->SetText(path);
}

}  // namespace tess::app
