#include "Batch/uDFMBackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFileIO.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Common/uScopeGuard.h"

namespace tess::batch {

namespace fs = std::filesystem;
using common::Format;
using common::ReadFull;
using common::RenameNoReplace;
using common::TFileDescriptor;
using common::TFilePath;
using common::WriteAll;
using transform::TTransform;
using transform::TTransformStatus;

namespace {

std::u16string ErrorText(int AError) {
  char buffer[256];
  return common::Utf8ToUtf16(strerror_r(AError, buffer, sizeof buffer));
}

// The same file or folder (both exist and are one).
bool SameEntry(const TFilePath& A, const TFilePath& B) {
  struct stat a, b;
  return ::stat(A.CStr(), &a) == 0 && ::stat(B.CStr(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Makes the entries of a folder durable. Done for a new backup before the input is replaced, so
// that no crash can leave the replaced input without its backup.
void FlushFolderOf(const TFilePath& APath) {
  TFileDescriptor dir(::open(APath.Folder().CStr(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

// The finished result on disk; with AMode (the input's permissions, so that replacing a file does
// not change who may read it) unless it is negative. A result on disk already (AFlushed) is flushed
// again only when its permissions change. 0 or the error number.
int FlushResult(const TFilePath& ATemp, int AMode, bool AFlushed) {
  TFileDescriptor file(::open(ATemp.CStr(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (file.Get() < 0) return errno;
  struct stat info;
  if (AMode >= 0 && (::fstat(file.Get(), &info) != 0 || (info.st_mode & 07777) != static_cast<mode_t>(AMode))) {
    ::fchmod(file.Get(), static_cast<mode_t>(AMode));
    AFlushed = false;
  }
  if (!AFlushed && ::fsync(file.Get()) != 0) return errno;
  return file.Close();
}

// True only when both files could be read and hold the same bytes; AInfoA is what A is.
bool SameContent(const TFilePath& A, const struct stat& AInfoA, const TFilePath& B) {
  struct stat infoB;
  if (::stat(B.CStr(), &infoB) != 0 || AInfoA.st_size != infoB.st_size) return false;
  TFileDescriptor a(::open(A.CStr(), O_RDONLY | O_CLOEXEC)), b(::open(B.CStr(), O_RDONLY | O_CLOEXEC));
  if (a.Get() < 0 || b.Get() < 0) return false;
  static thread_local char bufferA[65536], bufferB[65536];
  for (;;) {
    const ssize_t countA = ReadFull(a.Get(), bufferA, sizeof bufferA);
    const ssize_t countB = ReadFull(b.Get(), bufferB, sizeof bufferB);
    if (countA < 0 || countB < 0 || countA != countB) return false;
    if (countA == 0) return true;
    if (std::memcmp(bufferA, bufferB, static_cast<size_t>(countA)) != 0) return false;
  }
}

int CopyBytes(int AFrom, int ATo) {
  static thread_local char buffer[65536];
  for (;;) {
    const ssize_t count = ReadFull(AFrom, buffer, sizeof buffer);
    if (count < 0) return errno;
    if (count == 0) return 0;
    if (const int error = WriteAll(ATo, std::string_view(buffer, static_cast<size_t>(count))); error != 0) return error;
  }
}

// A copy under a name that must not exist yet, flushed, with the source's permissions and times.
int CopyToNewFile(const TFilePath& ASource, const TFilePath& ATarget, const struct stat& AInfo) {
  TFileDescriptor source(::open(ASource.CStr(), O_RDONLY | O_CLOEXEC));
  if (source.Get() < 0) return errno;
  TFileDescriptor target(::open(ATarget.CStr(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, AInfo.st_mode & 07777));
  if (target.Get() < 0) return errno;
  int error = CopyBytes(source.Get(), target.Get());
  if (error == 0) {
    ::fchmod(target.Get(), AInfo.st_mode & 07777);
    const struct timespec times[2] = {AInfo.st_atim, AInfo.st_mtim};
    ::futimens(target.Get(), times);
    if (::fsync(target.Get()) != 0) error = errno;
  }
  const int closeError = target.Close();
  if (error == 0) error = closeError;
  if (error != 0) ::unlink(ATarget.CStr());
  return error;
}

// A second name for the file (same file system) or a flushed copy of it (another file system, or
// one without hard links) under a name that must be free: EEXIST when it is not. A copy is made
// under a temporary name and renamed, so the name never holds part of the file.
int MakeCopy(const TFilePath& AFile, const TFilePath& AName, const struct stat& AInfo) {
  if (::link(AFile.CStr(), AName.CStr()) != 0) {
    if (errno == EEXIST) return EEXIST;
    TFilePath temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
      error = CopyToNewFile(AFile, temp = common::TemporaryNameBeside(AName), AInfo);
    if (error == 0) error = RenameNoReplace(temp, AName);
    if (error != 0) {
      ::unlink(temp.CStr());
      return error;
    }
  }
  FlushFolderOf(AName);
  return 0;
}

int MakeFolders(const TFilePath& AFolder) {
  std::error_code error;
  fs::create_directories(AFolder.Native(), error);
  if (error && !fs::is_directory(AFolder.Native())) return error.value();
  return 0;
}

void Log(TTransform& ATransform, const std::u16string& AMessage) {
  if (ATransform.OnMessage()) ATransform.OnMessage()(AMessage);
}

// Did the transformation write the reserved file? It is empty until written, and a transformation
// that writes through a file of its own renames that over it. ANow receives what the file is.
bool Written(const TFilePath& ATemp, const struct stat& AReserved, struct stat& ANow) {
  return ::lstat(ATemp.CStr(), &ANow) == 0 && S_ISREG(ANow.st_mode) &&
         (ANow.st_ino != AReserved.st_ino || ANow.st_size > 0);
}

// The file fails before anything of the user's changed; the log says why.
void FailPlacing(TTransform& ATransform, std::u16string_view AFormat, const TFilePath& APath, int AError) {
  ATransform.SetStatus(TTransformStatus::tsError);
  Log(ATransform, u"Error: " + Format(AFormat, {APath.Text(), ErrorText(AError)}));
}

}  // namespace

int TDFMBackup::RenameFile(const TFilePath& AFrom, const TFilePath& ATo) {
  return ::rename(AFrom.CStr(), ATo.CStr()) == 0 ? 0 : errno;
}

void TDFMBackup::BeginRun(const std::vector<TFilePath>& AInputs) {
  FWorkingFolder = common::WorkingFolder();
  FRunPaths.clear();
  FRunIds.clear();
  for (const TFilePath& input : AInputs) NoteRunFile(input);
}

void TDFMBackup::NoteRunFile(const TFilePath& APath) {
  FRunPaths.insert(APath.Normal(FWorkingFolder));
  struct stat info;
  if (::lstat(APath.CStr(), &info) != 0) return;
  FRunIds.insert({info.st_dev, info.st_ino});
  // A link and the file it leads to are both the run's.
  if (S_ISLNK(info.st_mode) && ::stat(APath.CStr(), &info) == 0) FRunIds.insert({info.st_dev, info.st_ino});
}

bool TDFMBackup::IsRunFile(const TFilePath& APath) const {
  if (FRunPaths.count(APath.Normal(FWorkingFolder)) != 0) return true;
  struct stat info;
  if (::lstat(APath.CStr(), &info) == 0 && FRunIds.count({info.st_dev, info.st_ino}) != 0) return true;
  return ::stat(APath.CStr(), &info) == 0 && FRunIds.count({info.st_dev, info.st_ino}) != 0;
}

// Any entry counts as taken, a folder or a dangling link included: a result must never land on it.
bool TDFMBackup::Taken(const TFilePath& APath) const {
  struct stat info;
  // A name that leads nowhere can match the run only by its text.
  return ::lstat(APath.CStr(), &info) == 0 || FRunPaths.count(APath.Normal(FWorkingFolder)) != 0;
}

TFilePath TDFMBackup::FreeName(const TFilePath& ABase) const {
  TFilePath candidate = ABase;
  for (int64_t k = 1; Taken(candidate); ++k) candidate = ABase + std::to_string(k);
  return candidate;
}

std::string TDFMBackup::Subfolder(const TFilePath& AInput, const TFilePath& ARoot) const {
  if (!FSettings.KeepStructure() || ARoot.IsEmpty()) return {};
  const fs::path relative = fs::path(AInput.Normal(FWorkingFolder).Native())
                                .parent_path()
                                .lexically_relative(ARoot.Normal(FWorkingFolder).Native());
  const std::string text = relative.string();
  if (text.empty() || text == "." || text.starts_with("..")) return {};
  return text;
}

TFilePath TDFMBackup::NewBase(const TFilePath& AInput, const std::string& ASubfolder) const {
  if (FSettings.SaveSameFolder()) return AInput + ".new.dfm";
  return TFilePath(FSettings.SaveFolder()) / ASubfolder / AInput.Name();
}

TFilePath TDFMBackup::BackupBase(const TFilePath& AInput, const std::string& ASubfolder) const {
  if (FSettings.BackupSameFolder()) return AInput + ".bak";
  const TFilePath folder = TFilePath(FSettings.BackupFolder()) / ASubfolder;
  // A backup folder that is the input's own would make the backup's plain name the input's.
  if (SameEntry(folder.IsEmpty() ? TFilePath(".") : folder, AInput.Folder())) return AInput + ".bak";
  return folder / AInput.Name();
}

TPlaced TDFMBackup::Execute(TTransform& ATransform, const TFilePath& AInput, const TFilePath& ARoot) {
  TPlaced placed;
  FWorkingFolder = common::WorkingFolder();
  ATransform.SetInFile(AInput);
  NoteRunFile(AInput);
  const std::string subfolder = Subfolder(AInput, ARoot);

  // The temporary file lies where the result's name will be, so that one rename puts it there.
  // Through a link, the file it points to is what gets replaced.
  TFilePath target = AInput;
  std::error_code linkError;
  if (FSettings.Replace() && fs::is_symlink(AInput.Native(), linkError)) {
    const fs::path resolved = fs::canonical(AInput.Native(), linkError);
    if (!linkError) target = TFilePath(resolved.string());
  }
  const TFilePath beside = FSettings.Replace() ? target : NewBase(AInput, subfolder);
  auto failBefore = [&](int AError) {
    ATransform.SetStatus(TTransformStatus::tsError);
    Log(ATransform, u"Error: " + Format(u"Cannot create a temporary file in \"%s\". %s. The file was not changed.",
                                        {beside.Folder().Text(), ErrorText(AError)}));
    return placed;
  };
  if (!FSettings.Replace() && !subfolder.empty())
    if (const int error = MakeFolders(beside.Folder()); error != 0) return failBefore(error);
  // A result made ahead comes in by a rename under a fresh temporary name; any other is written
  // into an empty temporary file made for it.
  TFilePath temp;
  struct stat reserved {};
  int movedIn = EEXIST;
  for (int attempt = 0; attempt < 100 && movedIn == EEXIST; ++attempt)
    movedIn = ATransform.MoveOutputTo(temp = common::TemporaryNameBeside(beside));
  if (movedIn > 0) return failBefore(movedIn);
  if (movedIn < 0) {
    TFileDescriptor file(common::CreateTemporaryBeside(beside, temp));
    if (file.Get() < 0) return failBefore(errno);
    ::fstat(file.Get(), &reserved);
  }
  // Until the result is in place under its name, the temporary file goes whatever happens.
  common::TScopeGuard dropTemp([&temp] { ::unlink(temp.CStr()); });
  ATransform.SetOutFile(temp);
  try {
    ATransform.Execute();
  } catch (...) {
    // A transformation that raised has failed, whatever status it left.
    ATransform.SetStatus(TTransformStatus::tsError);
    return placed;
  }
  struct stat written;
  if (!Written(temp, reserved, written)) return placed;
  if (SameContent(temp, written, target)) {
    placed.Identical = true;
    Log(ATransform, u"The result equals the file; nothing was written.");
    return placed;
  }
  if (FSettings.Replace())
    Commit(ATransform, target, temp, subfolder, placed);
  else
    CommitNew(ATransform, AInput, temp, subfolder, placed);
  if (!placed.Output.IsEmpty()) {
    dropTemp.Dismiss();
    NoteRunFile(placed.Output);
  }
  if (!placed.Backup.IsEmpty()) NoteRunFile(placed.Backup);
  return placed;
}

int TDFMBackup::MakeBackupOf(const TFilePath& AInput, const TFilePath& ATarget, const struct stat& AInfo,
                             const std::string& ASubfolder, TFilePath& ABackup) {
  const TFilePath base = BackupBase(AInput, ASubfolder);
  ABackup = base;
  if (!ASubfolder.empty() && !FSettings.BackupSameFolder())
    if (const int error = MakeFolders(base.Folder()); error != 0) return error;
  struct stat old;
  const bool oldExists = ::lstat(base.CStr(), &old) == 0;
  if (FSettings.OverrideBackup() && oldExists && (S_ISREG(old.st_mode) || S_ISLNK(old.st_mode)) && !IsRunFile(base)) {
    // The old backup goes only when a complete new one takes its place: made under a free name
    // beside it, then renamed over it.
    TFilePath staged;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
      error = MakeCopy(ATarget, staged = common::TemporaryNameBeside(base), AInfo);
    if (error == 0 && ::rename(staged.CStr(), base.CStr()) != 0) error = errno;
    if (error != 0) ::unlink(staged.CStr());
    return error;
  }
  // Numbered names: the first free one, and the next when another process takes it meanwhile.
  int error = EEXIST;
  for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt)
    error = MakeCopy(ATarget, ABackup = FreeName(base), AInfo);
  return error;
}

void TDFMBackup::Commit(TTransform& ATransform, const TFilePath& AInput, const TFilePath& ATemp,
                        const std::string& ASubfolder, TPlaced& APlaced) {
  auto fail = [&](std::u16string_view AFormat, const TFilePath& APath, int AError) {
    FailPlacing(ATransform, AFormat, APath, AError);
  };
  const TFilePath& name = ATransform.InFile();
  struct stat original;
  if (::stat(AInput.CStr(), &original) != 0) return fail(u"Cannot replace file \"%s\". %s", name, errno);
  if (const int error = FlushResult(ATemp, original.st_mode & 07777, ATransform.OutputFlushed()); error != 0)
    return fail(u"Cannot write file \"%s\". %s", ATemp, error);
  TFilePath backup;
  if (FSettings.Backup())
    if (const int error = MakeBackupOf(name, AInput, original, ASubfolder, backup); error != 0)
      return fail(u"Cannot create backup file \"%s\". %s. The file was not changed.", backup, error);
  if (const int error = ReplaceInput(ATemp, AInput, backup); error != 0)
    return fail(u"Cannot replace file \"%s\". %s. The file was not changed.", name, error);
  APlaced.Output = name;
  APlaced.Backup = backup;
}

int TDFMBackup::ReplaceInput(const TFilePath& ATemp, const TFilePath& AInput, const TFilePath& ABackup) {
  const int error = RenameFile(ATemp, AInput);
  // The input was never removed, so it still holds its content; the fresh backup is a spare.
  if (error != 0 && !ABackup.IsEmpty() && !FSettings.OverrideBackup()) ::unlink(ABackup.CStr());
  // The folder is not flushed after the rename: a crash before the rename reaches the disk leaves
  // the input as it was, after it the result; both are whole. Flushing it would cost a journal
  // commit per file, many times the rest of the placement.
  return error;
}

void TDFMBackup::CommitNew(TTransform& ATransform, const TFilePath& AInput, const TFilePath& ATemp,
                           const std::string& ASubfolder, TPlaced& APlaced) {
  auto fail = [&](std::u16string_view AFormat, const TFilePath& APath, int AError) {
    FailPlacing(ATransform, AFormat, APath, AError);
  };
  if (!ATransform.OutputFlushed())
    if (const int error = FlushResult(ATemp, -1, false); error != 0)
      return fail(u"Cannot write file \"%s\". %s", ATemp, error);
  const TFilePath base = NewBase(AInput, ASubfolder);
  TFilePath name;
  int error = EEXIST;
  for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt)
    error = RenameNoReplace(ATemp, name = FreeName(base));
  if (error != 0) return fail(u"Cannot create file \"%s\". %s", name, error);
  APlaced.Output = name;
}

}  // namespace tess::batch
