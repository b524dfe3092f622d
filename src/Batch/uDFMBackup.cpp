#include "Batch/uDFMBackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "App/uDFMApp.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"

namespace tess::batch {

using common::DDirectory;
using common::DString;
using common::Format;
using transform::TTransform;
using transform::TTransformStatus;

namespace {

std::string Native(std::u16string_view APath) { return common::Utf16ToPath(APath); }

std::u16string ErrorText(int AError) {
  char buffer[256];
  return common::Utf8ToUtf16(strerror_r(AError, buffer, sizeof buffer));
}

// Any entry counts as taken, a folder or a dangling link included: a backup must never land on it.
bool Taken(const std::u16string& APath) {
  struct stat info;
  return !APath.empty() && ::lstat(Native(APath).c_str(), &info) == 0;
}

class Fd {
public:
  explicit Fd(int AFd) : FFd(AFd) {}
  ~Fd() {
    if (FFd >= 0) ::close(FFd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return FFd; }
  int Close() {
    const int result = ::close(FFd);
    FFd = -1;
    return result == 0 ? 0 : errno;
  }

private:
  int FFd;
};

// Makes the entries of a folder durable. Done for a new backup before the input is replaced, so
// that no crash can leave the replaced input without its backup.
void FlushFolderOf(const std::string& APath) {
  const std::string folder = std::filesystem::path(APath).parent_path().string();
  Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

// The finished result on disk, with the input's permissions so that replacing a file does not
// change who may read it. 0 or the error number.
int FlushResult(const std::string& ATemp, const struct stat& AInput) {
  Fd file(::open(ATemp.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return errno;
  ::fchmod(file.Get(), AInput.st_mode & 07777);
  if (::fsync(file.Get()) != 0) return errno;
  return file.Close();
}

int CopyBytes(int AFrom, int ATo) {
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(AFrom, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) return 0;
    for (ssize_t done = 0; done < count;) {
      const ssize_t written = ::write(ATo, buffer + done, static_cast<size_t>(count - done));
      if (written < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += written;
    }
  }
}

// A copy under a name that must not exist yet, flushed, with the source's permissions and times.
int CopyToNewFile(const std::string& ASource, const std::string& ATarget, const struct stat& AInfo) {
  Fd source(::open(ASource.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.Get() < 0) return errno;
  Fd target(::open(ATarget.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, AInfo.st_mode & 07777));
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

// The backup is a second name for the input (same file system) or a flushed copy of it
// (another file system, or one without hard links). Either way the input keeps its own name
// until the result replaces it in one rename, so there is no moment without it.
int MakeBackup(const std::string& AInput, const std::string& ABackup, const struct stat& AInfo) {
  int error = 0;
  if (::link(AInput.c_str(), ABackup.c_str()) != 0) {
    error = errno;
    if (error != EEXIST) error = CopyToNewFile(AInput, ABackup, AInfo);
  }
  if (error == 0) FlushFolderOf(ABackup);
  return error;
}

void Log(TTransform& ATransform, const std::u16string& AMessage) {
  if (ATransform.OnMessage()) ATransform.OnMessage()(AMessage);
}

}  // namespace

TDFMBackup& TDFMBackup::Instance() {
  static TDFMBackup instance(app::TDFMApp::Instance().Settings());
  return instance;
}

int TDFMBackup::RenameFile(const std::string& AFrom, const std::string& ATo) {
  return ::rename(AFrom.c_str(), ATo.c_str()) == 0 ? 0 : errno;
}

std::u16string TDFMBackup::UniqueName(const std::u16string& ABase, bool AOverwrite) {
  std::u16string candidate = ABase;
  for (int64_t k = 0; Taken(candidate);) {
    if (AOverwrite) {
      DDirectory::RemoveFile(candidate);
      if (!Taken(candidate)) break;
      AOverwrite = false;
    }
    candidate = ABase + common::IntToStr(++k);
  }
  return candidate;
}

std::u16string TDFMBackup::OutputName(const std::u16string& AFileName) const {
  if (FSettings.Replace()) {
    const std::u16string temp = AFileName + u".tmp";
    // A leftover link, dangling or not, goes too: writing through it would create or change a
    // file somewhere else.
    struct stat info;
    if (::lstat(Native(temp).c_str(), &info) == 0 && S_ISLNK(info.st_mode)) ::unlink(Native(temp).c_str());
    if (DDirectory::FileExists(temp)) DDirectory::RemoveFile(temp);
    return temp;
  }
  if (FSettings.SaveSameFolder()) return UniqueName(AFileName + u".new.dfm", false);
  return UniqueName(DString::MakePath(FSettings.SaveFolder(), DString::ExtractFileName(AFileName)), false);
}

std::u16string TDFMBackup::BackupBase(const std::u16string& AFileName) const {
  if (FSettings.BackupSameFolder()) return AFileName + u".bak";
  return DString::MakePath(FSettings.BackupFolder(), DString::ExtractFileName(AFileName));
}

std::u16string TDFMBackup::BackupName(const std::u16string& AFileName) const {
  return UniqueName(BackupBase(AFileName), FSettings.OverrideBackup());
}

void TDFMBackup::Execute(TTransform& ATransform, const std::u16string& AFileName) {
  ATransform.SetInFile(AFileName);
  const std::u16string outFile = OutputName(AFileName);
  ATransform.SetOutFile(outFile);
  try {
    ATransform.Execute();
    if (DDirectory::FileExists(outFile)) Commit(ATransform, AFileName, outFile);
  } catch (...) {
    DDirectory::RemoveFile(outFile);
    // A transformation that raised has failed, whatever status it left.
    ATransform.SetStatus(TTransformStatus::tsError);
  }
}

void TDFMBackup::Commit(TTransform& ATransform, const std::u16string& AInput, const std::u16string& ATemp) {
  if (!FSettings.Replace()) return;
  const std::string temp = Native(ATemp);
  auto fail = [&](std::u16string_view AFormat, const std::u16string& APath, int AError) {
    DDirectory::RemoveFile(ATemp);
    ATransform.SetStatus(TTransformStatus::tsError);
    Log(ATransform, u"Error: " + Format(AFormat, {APath, ErrorText(AError)}));
  };

  // Through a link, the file it points to is what gets backed up and replaced.
  std::string input = Native(AInput);
  std::error_code linkError;
  if (std::filesystem::is_symlink(input, linkError)) {
    const std::filesystem::path resolved = std::filesystem::canonical(input, linkError);
    if (!linkError) input = resolved.string();
  }
  struct stat original;
  if (::stat(input.c_str(), &original) != 0) return fail(u"Cannot replace file \"%s\". %s", AInput, errno);
  if (const int error = FlushResult(temp, original); error != 0)
    return fail(u"Cannot write file \"%s\". %s", ATemp, error);

  std::u16string backup;
  if (FSettings.Backup()) {
    const std::u16string base = BackupBase(AInput);
    struct stat old;
    const bool replaceable = ::lstat(Native(base).c_str(), &old) != 0 || S_ISREG(old.st_mode) || S_ISLNK(old.st_mode);
    if (FSettings.OverrideBackup() && replaceable) {
      // The old backup goes only when a complete new one takes its place: made under a free name
      // beside it, then renamed over it. Deleting it first lost it whenever the new one could not
      // be made (a full backup file system), although the run then changed nothing.
      const std::u16string staged = UniqueName(base + u".tmp", false);
      int error = MakeBackup(input, Native(staged), original);
      if (error == 0 && ::rename(Native(staged).c_str(), Native(base).c_str()) != 0) error = errno;
      // Two names of one file (an old backup linked to the input) make the rename do nothing.
      if (error == 0 && Taken(staged)) ::unlink(Native(staged).c_str());
      if (error != 0) {
        ::unlink(Native(staged).c_str());
        return fail(u"Cannot create backup file \"%s\". %s. The file was not changed.", base, error);
      }
      backup = base;
    } else {
      backup = BackupName(AInput);
      if (const int error = MakeBackup(input, Native(backup), original); error != 0)
        return fail(u"Cannot create backup file \"%s\". %s. The file was not changed.", backup, error);
    }
  }

  int error = RenameFile(temp, input);
  if (error == EXDEV) {
    // Only a link's target can lie on another file system than the temporary file beside the link.
    try {
      DDirectory::WriteBytes(common::Utf8ToUtf16(input), DDirectory::ReadBytes(ATemp));
      DDirectory::RemoveFile(ATemp);
      error = 0;
    } catch (const common::Exception&) {
    }
  }
  if (error != 0) {
    // The input was never removed, so it still holds its content; the fresh backup is a spare.
    if (!backup.empty()) DDirectory::RemoveFile(backup);
    return fail(u"Cannot replace file \"%s\". %s. The file was not changed.", AInput, error);
  }
  // The folder is not flushed after the rename: a crash before the rename reaches the disk leaves
  // the input as it was, after it the result; both are whole. Flushing it would cost a journal
  // commit per file, many times the rest of the placement.
}

}  // namespace tess::batch
