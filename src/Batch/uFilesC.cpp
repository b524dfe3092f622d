#include "Batch/uFilesC.h"

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Common/uScopeGuard.h"

extern char** environ;

namespace tess::batch {

using common::DDirectory;
using common::DString;

namespace {
// Set on the user-interface thread at start-up and read there when rows are added; atomic so
// that a row added from a test's own thread is no data race either.
std::atomic<int32_t> GFormFileImageIndex{-1};
}  // namespace

int32_t FormFileImageIndex() { return GFormFileImageIndex.load(std::memory_order_relaxed); }

void SetFormFileImageIndex(int32_t AIndex) { GFormFileImageIndex.store(AIndex, std::memory_order_relaxed); }

std::u16string CellCaption(const common::TDGUIRow& ARow, int32_t AIndex) {
  const common::TDGUIItem* cell = ARow.FindItem(AIndex);
  return cell == nullptr ? std::u16string() : cell->Caption();
}

std::u16string RowFileName(const common::TDGUIRow& ARow) {
  const std::u16string folder = CellCaption(ARow, ColPath);
  const std::u16string name = CellCaption(ARow, ColFile);
  // A row added with a bare name has no folder; joining would make it absolute.
  if (folder.empty()) return name;
  return DString::MakePath(folder, name);
}

// ---- TFileStack

void TFileStack::Add(common::TDGUIRow* ARow, const common::TFilePath& AFileName) {
  auto record = std::make_shared<const TFileRec>(ARow, AFileName);
  std::lock_guard<std::mutex> guard(FLock);
  FFiles.push_back(std::move(record));
}

bool TFileStack::Empty() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FFiles.empty();
}

int32_t TFileStack::Count() const {
  std::lock_guard<std::mutex> guard(FLock);
  return static_cast<int32_t>(FFiles.size());
}

IFileRecPtr TFileStack::Extract() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FFiles.empty()) return nullptr;
  IFileRecPtr record = std::move(FFiles.front());
  FFiles.pop_front();
  return record;
}

// ---- TFilesC

TFilesC::TFilesC() : FLauncher(&TFilesC::LaunchEditor) {}

void TFilesC::AddFile(const common::TFilePath& AFileName, const common::TFilePath& ARoot) {
  if (FTable == nullptr) return;
  common::TDGUIRow& row = FTable->Rows().Add();
  row.SetImageIndex(FormFileImageIndex());
  const std::u16string text = AFileName.Text();
  row.Items(ColFile).SetCaption(DString::ExtractFileName(text));
  row.Items(ColSize).SetCaption(DString::FormatBytes(DDirectory::FileSize(AFileName)));
  row.Items(ColPath).SetCaption(DString::ExtractPath(text));
  if (!ARoot.IsEmpty()) row.Items(CellRoot).SetCaption(ARoot.Text());
  if (FFileStack != nullptr) FFileStack->Add(&row, AFileName);
}

void TFilesC::AddFiles(const std::vector<common::TFilePath>& AFiles) {
  for (const common::TFilePath& file : AFiles) AddFile(file);
}

int32_t TFilesC::Count() const { return FTable == nullptr ? 0 : FTable->Rows().Count(); }

common::TFilePath TFilesC::FileName(int32_t AIndex) const {
  if (FTable == nullptr) throw common::EListError(common::Format(u"List index out of bounds (%d)", {AIndex}));
  return common::TFilePath(RowFileName(FTable->Rows().Items(AIndex)));
}

common::TFilePath TFilesC::Root(int32_t AIndex) const {
  if (FTable == nullptr) throw common::EListError(common::Format(u"List index out of bounds (%d)", {AIndex}));
  return common::TFilePath(CellCaption(FTable->Rows().Items(AIndex), CellRoot));
}

common::TFilePath TFilesC::CurrentFile() const {
  if (FTable == nullptr) return {};
  const int32_t index = FTable->Rows().FirstSelectedIndex();
  return index < 0 ? common::TFilePath() : FileName(index);
}

void TFilesC::OpenFile() {
  const common::TFilePath file = CurrentFile();
  if (file.IsEmpty() || !FLauncher) return;
  FLauncher(file);
}

void TFilesC::RemoveSelected() {
  if (FTable == nullptr) return;
  auto update = common::UpdateScope(FTable);
  common::TDGUIRows& rows = FTable->Rows();
  for (int32_t i = rows.Count() - 1; i >= 0; --i)
    if (rows.Items(i).Selected()) rows.Delete(i);
}

void TFilesC::ResetStatus() {
  if (FTable == nullptr) return;
  auto update = common::UpdateScope(FTable);
  common::TDGUIRows& rows = FTable->Rows();
  for (int32_t i = 0; i < rows.Count(); ++i) {
    common::TDGUIItem& cell = rows.Items(i).Items(ColStatus);
    cell.SetCaption({});
    cell.SetImageIndex(-1);
  }
}

void TFilesC::LaunchEditor(const common::TFilePath& AFileName) {
  // No shell: a path with blanks, quotes or "$" reaches the opener as it is.
  std::string program = "xdg-open";
  std::string path = AFileName.Native();
  std::vector<char*> argv{program.data(), path.data(), nullptr};
  pid_t pid = 0;
  const int error = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0)
    throw common::Exception(common::Format(u"Cannot open %s in the text editor: %s",
                                           {AFileName.Text(), common::Utf8ToUtf16(std::strerror(error))}));
  // The opener returns quickly; waiting for it elsewhere keeps it from lingering as a zombie.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  }).detach();
}

}  // namespace tess::batch
