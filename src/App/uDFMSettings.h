// The user's preferences: where results and backups go. Stored in "Preferences.xml".
#pragma once

#include <string>

#include "Shared/Common/uAppSettings.h"

namespace tess::app {

class TDFMSettings : public common::TAppSettings {
public:
  // The defaults: replace the input, keep a backup beside it, new files beside the input.
  TDFMSettings();

  const common::TDPropertyTable& PublishedProperties() const override;

  bool Replace() const { return FReplace; }
  void SetReplace(bool AValue) { FReplace = AValue; }
  bool Backup() const { return FBackup; }
  void SetBackup(bool AValue) { FBackup = AValue; }
  bool BackupSameFolder() const { return FSameFolder; }
  void SetBackupSameFolder(bool AValue) { FSameFolder = AValue; }
  const std::u16string& BackupFolder() const { return FBackupFolder; }
  void SetBackupFolder(const std::u16string& AValue);
  bool OverrideBackup() const { return FOverrideBackup; }
  void SetOverrideBackup(bool AValue) { FOverrideBackup = AValue; }
  bool SaveSameFolder() const { return FSaveSameFolder; }
  void SetSaveSameFolder(bool AValue) { FSaveSameFolder = AValue; }
  const std::u16string& SaveFolder() const { return FSaveFolder; }
  void SetSaveFolder(const std::u16string& AValue) { FSaveFolder = AValue; }
  // Line breaks of the text "Binary to text" writes: CR LF as the IDE writes them (the default),
  // or LF for repositories checked out with LF.
  bool ConvertedLf() const { return FConvertedLf; }
  void SetConvertedLf(bool AValue) { FConvertedLf = AValue; }

  // Files found by scanning a folder keep their path below it inside the backup or output folder.
  bool KeepStructure() const { return FKeepStructure; }
  void SetKeepStructure(bool AValue) { FKeepStructure = AValue; }

  // "Preferences.xml" in the tool's data folder, which asking for it creates when missing.
  std::u16string GetFileName() override;

private:
  bool FBackup = true;
  std::u16string FBackupFolder;
  bool FSameFolder = true;
  bool FOverrideBackup = false;
  bool FReplace = true;
  bool FSaveSameFolder = true;
  std::u16string FSaveFolder;
  bool FKeepStructure = false;
  bool FConvertedLf = false;
};

}  // namespace tess::app
