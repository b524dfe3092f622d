// Where a transformation's result goes: over the input (through a temporary file, with or
// without a backup) or into a new file, as the preferences say.
#pragma once

#include <string>

#include "App/uDFMSettings.h"
#include "Transformations/uTransform.h"

namespace tess::batch {

class TDFMBackup {
public:
  // The settings are read at every call, so a change between two runs applies to the next file.
  explicit TDFMBackup(const app::TDFMSettings& ASettings) : FSettings(ASettings) {}
  const app::TDFMSettings& Settings() const { return FSettings; }
  virtual ~TDFMBackup() = default;
  TDFMBackup(const TDFMBackup&) = delete;
  TDFMBackup& operator=(const TDFMBackup&) = delete;

  // The process-wide placement, over the application object's settings.
  static TDFMBackup& Instance();

  // Runs the transformation on one file and puts its result in place. Never raises: a failing
  // transformation leaves its status (tsError) and no output file. The input is replaced only
  // once its replacement is on disk and, when asked for, its backup exists; when that cannot be
  // done the input stays as it was, the status becomes tsError and the log says why.
  void Execute(transform::TTransform& ATransform, const std::u16string& AFileName);

  // The name the transformation writes to. In replace mode a stale temporary file goes first.
  std::u16string OutputName(const std::u16string& AFileName) const;
  std::u16string BackupName(const std::u16string& AFileName) const;
  // ABase when free, else ABase followed by 1, 2, ... With AOverwrite an existing entry is
  // deleted instead; one that cannot be deleted (a folder, a file held elsewhere) is passed over
  // and numbering takes over.
  static std::u16string UniqueName(const std::u16string& ABase, bool AOverwrite);

protected:
  // The rename that puts the result in place: 0 or the error number. A test overrides it to
  // make the last step fail.
  virtual int RenameFile(const std::string& AFrom, const std::string& ATo);

private:
  // The backup's name before any numbering: beside the input with ".bak", or its plain name in
  // the backup folder.
  std::u16string BackupBase(const std::u16string& AFileName) const;
  void Commit(transform::TTransform& ATransform, const std::u16string& AInput, const std::u16string& ATemp);

  const app::TDFMSettings& FSettings;
};

}  // namespace tess::batch
