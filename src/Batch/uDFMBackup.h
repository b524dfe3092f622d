// Where a transformation's result goes: over the input (with or without a backup) or into a new
// file, as the preferences say.
#pragma once

#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "Batch/uPlacementSettings.h"
#include "Transformations/uTransform.h"

namespace tess::batch {

// What the placement of one file did.
struct TPlaced {
  common::TFilePath Output;  // the file that now holds the result; empty when none was written
  common::TFilePath Backup;  // the copy of the former content; empty when none was made
  bool Identical = false;    // the result equalled the input, so nothing was written
};

// Every result reaches its name by one rename of a complete, flushed temporary file in the same
// folder, so an interrupted run leaves each file either as it was or whole. Temporary files are
// hidden and named ".tess-" + 16 hex digits + ".tmp"; they are created exclusively, or take a result
// made ahead by a rename that replaces nothing, so no file of the user's is ever taken for one. A result equal to its
// input is not written at all.
class TDFMBackup {
public:
  // The settings are read at every call, so a change between two runs applies to the next file.
  explicit TDFMBackup(const TPlacementSettings& ASettings) : FSettings(ASettings) {}
  const TPlacementSettings& Settings() const { return FSettings; }
  virtual ~TDFMBackup() = default;
  TDFMBackup(const TDFMBackup&) = delete;
  TDFMBackup& operator=(const TDFMBackup&) = delete;

  // Starts a run over AInputs. Until the next call no backup or new file takes the name of an
  // input (or another name of the same file) or a name the run has written: such a name counts as
  // taken, also for overwriting, which only ever replaces what earlier runs left.
  void BeginRun(const std::vector<common::TFilePath>& AInputs);

  // Runs the transformation on one file and puts its result in place. Never raises: a failing
  // transformation leaves its status (tsError) and no file. The input is replaced only once its
  // replacement is complete on disk and, when asked for, its backup exists; when that cannot be
  // done the input stays as it was, the status becomes tsError and the log says why.
  // ARoot is the folder a scan found the file under (empty for a file added alone): with the folder
  // structure kept, the file's path below it is kept inside the backup or output folder.
  TPlaced Execute(transform::TTransform& ATransform, const common::TFilePath& AInput,
                  const common::TFilePath& ARoot = {});

protected:
  // The rename that puts the result over the input: 0 or the error number. A test overrides it
  // to make the last step fail.
  virtual int RenameFile(const common::TFilePath& AFrom, const common::TFilePath& ATo);

private:
  struct TFileId {
    dev_t Device;
    ino_t Inode;
    auto operator<=>(const TFileId&) const = default;
  };

  void NoteRunFile(const common::TFilePath& APath);
  bool IsRunFile(const common::TFilePath& APath) const;
  bool Taken(const common::TFilePath& APath) const;
  // ABase when free, else ABase followed by 1, 2, ...
  common::TFilePath FreeName(const common::TFilePath& ABase) const;
  // The folder below which structure is kept for this file ("" when none), as a relative path.
  std::string Subfolder(const common::TFilePath& AInput, const common::TFilePath& ARoot) const;
  // The result's name before any numbering, in new-file mode.
  common::TFilePath NewBase(const common::TFilePath& AInput, const std::string& ASubfolder) const;
  // The backup's name before any numbering: beside the input with ".bak", or its plain name in
  // the backup folder (beside the input again when that folder is the input's own).
  common::TFilePath BackupBase(const common::TFilePath& AInput, const std::string& ASubfolder) const;

  void Commit(transform::TTransform& ATransform, const common::TFilePath& AInput, const common::TFilePath& ATemp,
              const std::string& ASubfolder, TPlaced& APlaced);
  // The result over the input by one rename: 0 or the error number. A backup made for a rename
  // that failed goes again.
  int ReplaceInput(const common::TFilePath& ATemp, const common::TFilePath& AInput, const common::TFilePath& ABackup);
  void CommitNew(transform::TTransform& ATransform, const common::TFilePath& AInput, const common::TFilePath& ATemp,
                 const std::string& ASubfolder, TPlaced& APlaced);
  // The backup of ATarget (the file the input names), made before the input is replaced.
  int MakeBackupOf(const common::TFilePath& AInput, const common::TFilePath& ATarget, const struct stat& AInfo,
                   const std::string& ASubfolder, common::TFilePath& ABackup);

  const TPlacementSettings& FSettings;
  // Found once for a run's start and once for each file, for the many relative names they compare.
  common::TFilePath FWorkingFolder;
  std::set<common::TFilePath> FRunPaths;
  std::set<TFileId> FRunIds;
};

}  // namespace tess::batch
