// The preferences dialog and its controller, as each sees the other.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::app {

class IPrefForm {
public:
  // The saving method chooser as two conditions: checking one moves the chooser to it (and runs
  // its change handler); unchecking does nothing.
  virtual common::IDCondition* ReplaceOriginal() = 0;
  virtual common::IDCondition* SaveNew() = 0;
  virtual common::IDCondition* Backup() = 0;
  virtual common::IDCondition* BackupSameFolder() = 0;
  virtual common::IDCondition* BackupSeparateFolder() = 0;
  virtual common::IDText* BackupFolder() = 0;
  virtual common::IDDirDialog* OpenDir() = 0;
  virtual common::IDCondition* OverrideBackup() = 0;
  virtual common::IDCondition* SaveSameFolder() = 0;
  virtual common::IDCondition* SaveSeparateFolder() = 0;
  // The output folder of the new-file method.
  virtual common::IDText* SaveFolder() = 0;
  // Files found by scanning a folder keep their path below it in the backup or output folder.
  virtual common::IDCondition* KeepStructure() = 0;
  // "Line breaks of converted text" as two conditions, like the saving method: CR LF or LF.
  virtual common::IDCondition* ConvertedCrLf() = 0;
  virtual common::IDCondition* ConvertedLf() = 0;

protected:
  ~IPrefForm() = default;
};

class IPrefFormC {
public:
  // Asked before the dialog closes, however it is closed. True stores the controls into the
  // settings; false has told the user why, and the dialog stays open.
  virtual bool CanExit() = 0;
  // The browse button of either folder field was pressed.
  virtual void SetPath() = 0;

protected:
  ~IPrefFormC() = default;
};

}  // namespace tess::app
