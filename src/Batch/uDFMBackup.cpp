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

namespace tess::batch {

namespace fs = std::filesystem;
using common::Format;
using common::ReadFull;
using common::TFileDescriptor;
using common::WriteAll;
using transform::TTransform;
using transform::TTransformStatus;

namespace {

std::string Native(std::u16string_view APath) { return common::Utf16ToPath(APath); }
std::u16string Text(std::string_view APath) { return common::PathToUtf16(APath); }

std::u16string ErrorText(int AError) {
  char buffer[256];
  return common::Utf8ToUtf16(strerror_r(AError, buffer, sizeof buffer));
}

std::string FolderOf(const std::string& APath) {
  const std::string folder = fs::path(APath).parent_path().string();
  return folder.empty() ? std::string(".") : folder;
}

std::string Join(const std::string& AFolder, const std::string& AName) {
  if (AFolder.empty()) return AName;
  return AFolder.back() == '/' ? AFolder + AName : AFolder + "/" + AName;
}

// The same file or folder (both exist and are one).
bool SameEntry(const std::string& A, const std::string& B) {
  struct stat a, b;
  return ::stat(A.c_str(), &a) == 0 && ::stat(B.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Lexically: how the run's names are compared when the files behind them do not exist.
std::string NormalPath(const std::string& APath) {
  std::error_code error;
  const fs::path absolute = fs::absolute(APath, error);
  return (error ? fs::path(APath) : absolute).lexically_normal().string();
}

// Makes the entries of a folder durable. Done for a new backup before the input is replaced, so
// that no crash can leave the replaced input without its backup.
void FlushFolderOf(const std::string& APath) {
  TFileDescriptor dir(::open(FolderOf(APath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

// The finished result on disk; with AMode (the input's permissions, so that replacing a file does
// not change who may read it) unless it is negative. 0 or the error number.
int FlushResult(const std::string& ATemp, int AMode) {
  TFileDescriptor file(::open(ATemp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (file.Get() < 0) return errno;
  if (AMode >= 0) ::fchmod(file.Get(), static_cast<mode_t>(AMode));
  if (::fsync(file.Get()) != 0) return errno;
  return file.Close();
}

// True only when both files could be read and hold the same bytes.
bool SameContent(const std::string& A, const std::string& B) {
  struct stat infoA, infoB;
  if (::stat(A.c_str(), &infoA) != 0 || ::stat(B.c_str(), &infoB) != 0 || infoA.st_size != infoB.st_size) return false;
  TFileDescriptor a(::open(A.c_str(), O_RDONLY | O_CLOEXEC)), b(::open(B.c_str(), O_RDONLY | O_CLOEXEC));
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
int CopyToNewFile(const std::string& ASource, const std::string& ATarget, const struct stat& AInfo) {
  TFileDescriptor source(::open(ASource.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.Get() < 0) return errno;
  TFileDescriptor target(::open(ATarget.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, AInfo.st_mode & 07777));
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
  if (error != 0) ::unlink(ATarget.c_str());
  return error;
}

// Renames without ever replacing an entry: EEXIST when ATo is taken.
int RenameNoReplace(const std::string& AFrom, const std::string& ATo) {
  if (::renameat2(AT_FDCWD, AFrom.c_str(), AT_FDCWD, ATo.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without that rename: a second name, then the first one goes.
  if (::link(AFrom.c_str(), ATo.c_str()) != 0) return errno;
  ::unlink(AFrom.c_str());
  return 0;
}

// A second name for the file (same file system) or a flushed copy of it (another file system, or
// one without hard links) under a name that must be free: EEXIST when it is not. A copy is made
// under a temporary name and renamed, so the name never holds part of the file.
int MakeCopy(const std::string& AFile, const std::string& AName, const struct stat& AInfo) {
  if (::link(AFile.c_str(), AName.c_str()) != 0) {
    if (errno == EEXIST) return EEXIST;
    std::string temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
      error = CopyToNewFile(AFile, temp = common::TemporaryNameBeside(AName), AInfo);
    if (error == 0) error = RenameNoReplace(temp, AName);
    if (error != 0) {
      ::unlink(temp.c_str());
      return error;
    }
  }
  FlushFolderOf(AName);
  return 0;
}

int MakeFolders(const std::string& AFolder) {
  std::error_code error;
  fs::create_directories(AFolder, error);
  if (error && !fs::is_directory(AFolder)) return error.value();
  return 0;
}

void Log(TTransform& ATransform, const std::u16string& AMessage) {
  if (ATransform.OnMessage()) ATransform.OnMessage()(AMessage);
}

// Did the transformation write the reserved file? It is empty until written, and a transformation
// that writes through a file of its own renames that over it.
bool Written(const std::string& ATemp, const struct stat& AReserved) {
  struct stat now;
  return ::lstat(ATemp.c_str(), &now) == 0 && S_ISREG(now.st_mode) &&
         (now.st_ino != AReserved.st_ino || now.st_size > 0);
}

// The file fails before anything of the user's changed: its temporary file goes, the log says why.
void FailPlacing(TTransform& ATransform, const std::string& ATemp, std::u16string_view AFormat,
                 const std::string& APath, int AError) {
  ::unlink(ATemp.c_str());
  ATransform.SetStatus(TTransformStatus::tsError);
  Log(ATransform, u"Error: " + Format(AFormat, {Text(APath), ErrorText(AError)}));
}

}  // namespace

int TDFMBackup::RenameFile(const std::string& AFrom, const std::string& ATo) {
  return ::rename(AFrom.c_str(), ATo.c_str()) == 0 ? 0 : errno;
}

void TDFMBackup::BeginRun(const std::vector<std::u16string>& AInputs) {
  FRunPaths.clear();
  FRunIds.clear();
  for (const std::u16string& input : AInputs) NoteRunFile(Native(input));
}

void TDFMBackup::NoteRunFile(const std::string& APath) {
  FRunPaths.insert(NormalPath(APath));
  struct stat info;
  if (::lstat(APath.c_str(), &info) != 0) return;
  FRunIds.insert({info.st_dev, info.st_ino});
  // A link and the file it leads to are both the run's.
  if (S_ISLNK(info.st_mode) && ::stat(APath.c_str(), &info) == 0) FRunIds.insert({info.st_dev, info.st_ino});
}

bool TDFMBackup::IsRunFile(const std::string& APath) const {
  if (FRunPaths.count(NormalPath(APath)) != 0) return true;
  struct stat info;
  if (::lstat(APath.c_str(), &info) == 0 && FRunIds.count({info.st_dev, info.st_ino}) != 0) return true;
  return ::stat(APath.c_str(), &info) == 0 && FRunIds.count({info.st_dev, info.st_ino}) != 0;
}

// Any entry counts as taken, a folder or a dangling link included: a result must never land on it.
bool TDFMBackup::Taken(const std::string& APath) const {
  struct stat info;
  // A name that leads nowhere can match the run only by its text.
  return ::lstat(APath.c_str(), &info) == 0 || FRunPaths.count(NormalPath(APath)) != 0;
}

std::string TDFMBackup::FreeName(const std::string& ABase) const {
  std::string candidate = ABase;
  for (int64_t k = 1; Taken(candidate); ++k) candidate = ABase + std::to_string(k);
  return candidate;
}

std::string TDFMBackup::Subfolder(const std::string& AInput, const std::u16string& ARoot) const {
  if (!FSettings.KeepStructure() || ARoot.empty()) return {};
  const fs::path relative = fs::path(NormalPath(AInput)).parent_path().lexically_relative(NormalPath(Native(ARoot)));
  const std::string text = relative.string();
  if (text.empty() || text == "." || text.starts_with("..")) return {};
  return text;
}

std::string TDFMBackup::NewBase(const std::string& AInput, const std::string& ASubfolder) const {
  if (FSettings.SaveSameFolder()) return AInput + ".new.dfm";
  const std::string name = fs::path(AInput).filename().string();
  return Join(Join(Native(FSettings.SaveFolder()), ASubfolder), name);
}

std::string TDFMBackup::BackupBase(const std::string& AInput, const std::string& ASubfolder) const {
  if (FSettings.BackupSameFolder()) return AInput + ".bak";
  const std::string folder = Join(Native(FSettings.BackupFolder()), ASubfolder);
  // A backup folder that is the input's own would make the backup's plain name the input's.
  if (SameEntry(folder.empty() ? std::string(".") : folder, FolderOf(AInput))) return AInput + ".bak";
  return Join(folder, fs::path(AInput).filename().string());
}

TPlaced TDFMBackup::Execute(TTransform& ATransform, const std::u16string& AFileName, const std::u16string& ARoot) {
  TPlaced placed;
  ATransform.SetInFile(AFileName);
  const std::string input = Native(AFileName);
  NoteRunFile(input);
  const std::string subfolder = Subfolder(input, ARoot);

  // The temporary file lies where the result's name will be, so that one rename puts it there.
  // Through a link, the file it points to is what gets replaced.
  std::string target = input;
  std::error_code linkError;
  if (FSettings.Replace() && fs::is_symlink(input, linkError)) {
    const fs::path resolved = fs::canonical(input, linkError);
    if (!linkError) target = resolved.string();
  }
  const std::string beside = FSettings.Replace() ? target : NewBase(input, subfolder);
  auto failBefore = [&](int AError) {
    ATransform.SetStatus(TTransformStatus::tsError);
    Log(ATransform, u"Error: " + Format(u"Cannot create a temporary file in \"%s\". %s. The file was not changed.",
                                        {Text(FolderOf(beside)), ErrorText(AError)}));
    return placed;
  };
  if (!FSettings.Replace() && !subfolder.empty())
    if (const int error = MakeFolders(FolderOf(beside)); error != 0) return failBefore(error);
  std::string temp;
  struct stat reserved;
  {
    TFileDescriptor file(common::CreateTemporaryBeside(beside, temp));
    if (file.Get() < 0) return failBefore(errno);
    ::fstat(file.Get(), &reserved);
  }
  ATransform.SetOutFile(Text(temp));
  try {
    ATransform.Execute();
  } catch (...) {
    ::unlink(temp.c_str());
    // A transformation that raised has failed, whatever status it left.
    ATransform.SetStatus(TTransformStatus::tsError);
    return placed;
  }
  if (!Written(temp, reserved)) {
    ::unlink(temp.c_str());
    return placed;
  }
  if (SameContent(temp, target)) {
    ::unlink(temp.c_str());
    placed.Identical = true;
    Log(ATransform, u"The result equals the file; nothing was written.");
    return placed;
  }
  if (FSettings.Replace())
    Commit(ATransform, target, temp, subfolder, placed);
  else
    CommitNew(ATransform, input, temp, subfolder, placed);
  if (!placed.Output.empty()) NoteRunFile(Native(placed.Output));
  if (!placed.Backup.empty()) NoteRunFile(Native(placed.Backup));
  return placed;
}

int TDFMBackup::MakeBackupOf(const std::string& AInput, const std::string& ATarget, const struct stat& AInfo,
                             const std::string& ASubfolder, std::string& ABackup) {
  const std::string base = BackupBase(AInput, ASubfolder);
  ABackup = base;
  if (!ASubfolder.empty() && !FSettings.BackupSameFolder())
    if (const int error = MakeFolders(FolderOf(base)); error != 0) return error;
  struct stat old;
  const bool oldExists = ::lstat(base.c_str(), &old) == 0;
  if (FSettings.OverrideBackup() && oldExists && (S_ISREG(old.st_mode) || S_ISLNK(old.st_mode)) && !IsRunFile(base)) {
    // The old backup goes only when a complete new one takes its place: made under a free name
    // beside it, then renamed over it.
    std::string staged;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
      error = MakeCopy(ATarget, staged = common::TemporaryNameBeside(base), AInfo);
    if (error == 0 && ::rename(staged.c_str(), base.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(staged.c_str());
    return error;
  }
  // Numbered names: the first free one, and the next when another process takes it meanwhile.
  int error = EEXIST;
  for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt)
    error = MakeCopy(ATarget, ABackup = FreeName(base), AInfo);
  return error;
}

void TDFMBackup::Commit(TTransform& ATransform, const std::string& AInput, const std::string& ATemp,
                        const std::string& ASubfolder, TPlaced& APlaced) {
  auto fail = [&](std::u16string_view AFormat, const std::string& APath, int AError) {
    FailPlacing(ATransform, ATemp, AFormat, APath, AError);
  };
  const std::string name = Native(ATransform.InFile());
  struct stat original;
  if (::stat(AInput.c_str(), &original) != 0) return fail(u"Cannot replace file \"%s\". %s", name, errno);
  if (const int error = FlushResult(ATemp, original.st_mode & 07777); error != 0)
    return fail(u"Cannot write file \"%s\". %s", ATemp, error);
  std::string backup;
  if (FSettings.Backup())
    if (const int error = MakeBackupOf(name, AInput, original, ASubfolder, backup); error != 0)
      return fail(u"Cannot create backup file \"%s\". %s. The file was not changed.", backup, error);
  if (const int error = ReplaceInput(ATemp, AInput, backup); error != 0)
    return fail(u"Cannot replace file \"%s\". %s. The file was not changed.", name, error);
  APlaced.Output = Text(name);
  APlaced.Backup = Text(backup);
}

int TDFMBackup::ReplaceInput(const std::string& ATemp, const std::string& AInput, const std::string& ABackup) {
  const int error = RenameFile(ATemp, AInput);
  // The input was never removed, so it still holds its content; the fresh backup is a spare.
  if (error != 0 && !ABackup.empty() && !FSettings.OverrideBackup()) ::unlink(ABackup.c_str());
  // The folder is not flushed after the rename: a crash before the rename reaches the disk leaves
  // the input as it was, after it the result; both are whole. Flushing it would cost a journal
  // commit per file, many times the rest of the placement.
  return error;
}

void TDFMBackup::CommitNew(TTransform& ATransform, const std::string& AInput, const std::string& ATemp,
                           const std::string& ASubfolder, TPlaced& APlaced) {
  auto fail = [&](std::u16string_view AFormat, const std::string& APath, int AError) {
    FailPlacing(ATransform, ATemp, AFormat, APath, AError);
  };
  if (!ATransform.OutputFlushed())
    if (const int error = FlushResult(ATemp, -1); error != 0)
      return fail(u"Cannot write file \"%s\". %s", ATemp, error);
  const std::string base = NewBase(AInput, ASubfolder);
  std::string name;
  int error = EEXIST;
  for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt)
    error = RenameNoReplace(ATemp, name = FreeName(base));
  if (error != 0) return fail(u"Cannot create file \"%s\". %s", name, error);
  APlaced.Output = Text(name);
}

}  // namespace tess::batch
