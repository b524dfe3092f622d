// Where results and backups go: the part of the user's preferences that the placement reads.
#pragma once

#include <string>

namespace tess::batch {

// The defaults: replace the input, keep a backup beside it, new files beside the input. The
// preferences extend this with what the placement does not read.
class TPlacementSettings {
public:
  bool Replace() const { return FReplace; }
  void SetReplace(bool AValue) { FReplace = AValue; }
  bool Backup() const { return FBackup; }
  void SetBackup(bool AValue) { FBackup = AValue; }
  bool BackupSameFolder() const { return FSameFolder; }
  void SetBackupSameFolder(bool AValue) { FSameFolder = AValue; }
  const std::u16string& BackupFolder() const { return FBackupFolder; }
  void SetBackupFolder(const std::u16string& AValue) { FBackupFolder = AValue; }
  bool OverrideBackup() const { return FOverrideBackup; }
  void SetOverrideBackup(bool AValue) { FOverrideBackup = AValue; }
  bool SaveSameFolder() const { return FSaveSameFolder; }
  void SetSaveSameFolder(bool AValue) { FSaveSameFolder = AValue; }
  const std::u16string& SaveFolder() const { return FSaveFolder; }
  void SetSaveFolder(const std::u16string& AValue) { FSaveFolder = AValue; }
  // Files found by scanning a folder keep their path below it inside the backup or output folder.
  bool KeepStructure() const { return FKeepStructure; }
  void SetKeepStructure(bool AValue) { FKeepStructure = AValue; }

protected:
  bool FBackup = true;
  std::u16string FBackupFolder;
  bool FSameFolder = true;
  bool FOverrideBackup = false;
  bool FReplace = true;
  bool FSaveSameFolder = true;
  std::u16string FSaveFolder;
  bool FKeepStructure = false;
};

}  // namespace tess::batch
