// The file table's content: adding, removing and naming its files, and the queue of files awaiting inspection.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Shared/Common/uControls.h"
#include "Shared/Common/uDObject.h"
#include "Shared/Common/uFilePath.h"
#include "Shared/Common/uGUIContainers.h"

namespace tess::batch {

// File table cells by Id.
inline constexpr int32_t ColFile = 0;
inline constexpr int32_t ColStatus = 1;
inline constexpr int32_t ColSize = 2;
inline constexpr int32_t ColFormat = 3;
inline constexpr int32_t ColPath = 4;
// Not a column: the folder whose scan added the row (empty for a file added alone).
inline constexpr int32_t CellRoot = 5;

// The file table's image of the form-file icon. The main window sets it once when it is
// created, before any file is added; every new file row gets this image. -1 (no image) until then.
int32_t FormFileImageIndex();
void SetFormFileImageIndex(int32_t AIndex);

// One file waiting for its format to be found: the row it belongs to and its full path.
class IFileRec {
public:
  virtual ~IFileRec() = default;
  virtual const common::TFilePath& FileName() const = 0;
  // Never dereferenced before checking that the table still holds the row: it may be gone.
  virtual common::TDGUIRow* Row() const = 0;
};

class TFileRec : public IFileRec {
public:
  TFileRec(common::TDGUIRow* ARow, common::TFilePath AFileName) : FRow(ARow), FFileName(std::move(AFileName)) {}
  const common::TFilePath& FileName() const override { return FFileName; }
  common::TDGUIRow* Row() const override { return FRow; }

private:
  common::TDGUIRow* FRow;
  common::TFilePath FFileName;
};

using IFileRecPtr = std::shared_ptr<const IFileRec>;

// A first-in-first-out queue shared by the user-interface thread and the batch run (which add)
// and the format inspection (which takes). Every operation locks, so any thread may call any of
// them; Extract takes the oldest record out in one locked step, so it is safe even if more than
// one thread were to take.
class TFileStack {
public:
  TFileStack() = default;
  TFileStack(const TFileStack&) = delete;
  TFileStack& operator=(const TFileStack&) = delete;

  void Add(common::TDGUIRow* ARow, const common::TFilePath& AFileName);
  bool Empty() const;
  int32_t Count() const;
  // The oldest record, removed from the queue; null when the queue is empty.
  IFileRecPtr Extract();

private:
  mutable std::mutex FLock;
  std::deque<IFileRecPtr> FFiles;
};

// Opens a file in the desktop's text editor. Raises common::Exception with the reason when the
// editor cannot be started.
using TFileLauncher = std::function<void(const common::TFilePath& AFileName)>;

// The controller of the file table's rows. Everything here runs on the user-interface thread.
class TFilesC : public common::TDObject {
public:
  TFilesC();

  common::IDTable* Table() const { return FTable; }
  void SetTable(common::IDTable* AValue) { FTable = AValue; }
  TFileStack* FileStack() const { return FFileStack; }
  void SetFileStack(TFileStack* AValue) { FFileStack = AValue; }
  // Replaces the editor start (tests; a window that opens files its own way).
  void SetLauncher(TFileLauncher ALauncher) { FLauncher = std::move(ALauncher); }

  // One row per file, no duplicate check; each goes onto the inspection queue. A missing file
  // still gets its row, with size 0. ARoot: the folder a scan found the file under. The row shows
  // the name as text, which gives back the same name.
  void AddFile(const common::TFilePath& AFileName, const common::TFilePath& ARoot = {});
  void AddFiles(const std::vector<common::TFilePath>& AFiles);
  int32_t Count() const;
  // The full path of row AIndex. Raises common::EListError for an index out of range.
  common::TFilePath FileName(int32_t AIndex) const;
  // The folder whose scan added row AIndex; empty for a file added alone.
  common::TFilePath Root(int32_t AIndex) const;
  // The first selected file; empty when no row is selected.
  common::TFilePath CurrentFile() const;
  // Opens the current file in the text editor, the path handed over as one argument with no shell
  // in between. Nothing when no row is selected; raises common::Exception when the editor cannot
  // be started.
  void OpenFile();
  void RemoveSelected();
  // Empties every row's Status cell and takes its image away.
  void ResetStatus();

  // Starts the desktop's opener with the path as its only argument, and reaps it when it exits.
  static void LaunchEditor(const common::TFilePath& AFileName);

private:
  common::IDTable* FTable = nullptr;
  TFileStack* FFileStack = nullptr;
  TFileLauncher FLauncher;
};

// The caption of a row's cell without creating the cell.
std::u16string CellCaption(const common::TDGUIRow& ARow, int32_t AIndex);
// The full path a row stands for: its folder cell joined with its name cell.
std::u16string RowFileName(const common::TDGUIRow& ARow);

}  // namespace tess::batch
