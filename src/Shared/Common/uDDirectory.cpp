#include "Shared/Common/uDDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFileIO.h"
#include "Shared/Common/uFormat.h"

namespace fs = std::filesystem;

namespace tess::common {

namespace {

std::u16string ErrorText(int AError) {
  char buffer[256];
  // GNU strerror_r returns the text, which need not be in the buffer.
  return Utf8ToUtf16(strerror_r(AError, buffer, sizeof buffer));
}

[[noreturn]] void RaiseFileError(std::u16string_view AFormat, const TFilePath& APath, std::u16string_view AReason) {
  throw EFileError(Format(AFormat, {APath.Text(), AReason}));
}

[[noreturn]] void RaiseFileError(std::u16string_view AFormat, const TFilePath& APath, int AError) {
  RaiseFileError(AFormat, APath, ErrorText(AError));
}

constexpr std::u16string_view kOpenError = u"Cannot open file \"%s\". %s";
constexpr std::u16string_view kCreateError = u"Cannot create file \"%s\". %s";

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

bool MatchFrom(std::u16string_view AName, std::u16string_view AMask) {
  // Iterative glob with one backtrack point: linear in practice, never exponential.
  size_t n = 0, m = 0, starMask = std::u16string_view::npos, starName = 0;
  while (n < AName.size()) {
    if (m < AMask.size() && (AMask[m] == u'?' || FoldCase(AMask[m]) == FoldCase(AName[n]))) {
      ++n, ++m;
    } else if (m < AMask.size() && AMask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::u16string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < AMask.size() && AMask[m] == u'*') ++m;
  return m == AMask.size();
}

enum class TEntryKind { ekFile, ekFolder, ekOther };

struct ListedEntry {
  std::string Name;
  std::u16string Text;  // what the mask and the order see
  TEntryKind Kind;
  int Error;  // for ekOther: why its type could not be read, 0 when it is a pipe, socket or device
};

TEntryKind KindOf(mode_t AMode) {
  if (S_ISREG(AMode)) return TEntryKind::ekFile;
  if (S_ISDIR(AMode)) return TEntryKind::ekFolder;
  return TEntryKind::ekOther;
}

// The folder's entries sorted by name, hidden ones only when asked for, links followed. Returns 0,
// or why the folder could not be read (the entries read before the failure are kept).
int ListFolder(const TFilePath& AFolder, bool AHidden, std::vector<ListedEntry>& AEntries) {
  DIR* folder = ::opendir(AFolder.CStr());
  if (folder == nullptr) return errno;
  int failure = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder);
    if (entry == nullptr) {
      failure = errno;
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!AHidden && name[0] == '.') continue;
    ListedEntry listed{std::string(name), PathToUtf16(name), TEntryKind::ekOther, 0};
    if (entry->d_type == DT_REG) {
      listed.Kind = TEntryKind::ekFile;
    } else if (entry->d_type == DT_DIR) {
      listed.Kind = TEntryKind::ekFolder;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat info;
      if (::fstatat(::dirfd(folder), entry->d_name, &info, 0) == 0)
        listed.Kind = KindOf(info.st_mode);
      else
        listed.Error = errno;
    }
    AEntries.push_back(std::move(listed));
  }
  ::closedir(folder);
  std::sort(AEntries.begin(), AEntries.end(),
            [](const ListedEntry& a, const ListedEntry& b) { return a.Text < b.Text; });
  return failure;
}

std::u16string FolderError(int AError) { return std::u16string(kCannotReadFolder) + ErrorText(AError); }

}  // namespace

TFilePath TemporaryNameBeside(const TFilePath& ATarget) {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                               (static_cast<uint64_t>(::getpid()) << 32);
  const std::string& target = ATarget.Native();
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const uint64_t salt = (seed + 0x9E3779B97F4A7C15ull * ++counter) * 0xBF58476D1CE4E5B9ull;
  char name[40];
  std::snprintf(name, sizeof name, ".tess-%016llx.tmp", static_cast<unsigned long long>(salt ^ (salt >> 31)));
  return TFilePath(folder + name);
}

int CreateTemporaryBeside(const TFilePath& ATarget, TFilePath& ATempName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    ATempName = TemporaryNameBeside(ATarget);
    const int fd = ::open(ATempName.CStr(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

int RenameNoReplace(const TFilePath& AFrom, const TFilePath& ATo) {
  if (::renameat2(AT_FDCWD, AFrom.CStr(), AT_FDCWD, ATo.CStr(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without that rename: a second name, then the first one goes.
  if (::link(AFrom.CStr(), ATo.CStr()) != 0) return errno;
  ::unlink(AFrom.CStr());
  return 0;
}

bool MatchesMask(std::u16string_view AName, std::u16string_view AMask) {
  if (AMask == u"*.*" || AMask == u"*") return true;
  return MatchFrom(AName, AMask);
}

bool DDirectory::FileExists(const TFilePath& AFileName) {
  struct stat info;
  return !AFileName.IsEmpty() && ::stat(AFileName.CStr(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DDirectory::Exists(const TFilePath& APath) {
  struct stat info;
  return !APath.IsEmpty() && ::stat(APath.CStr(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DDirectory::Make(const TFilePath& APath) { return !APath.IsEmpty() && ::mkdir(APath.CStr(), 0777) == 0; }

void DDirectory::RemoveFile(const TFilePath& APath) {
  struct stat info;
  if (APath.IsEmpty() || ::stat(APath.CStr(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if ((info.st_mode & S_IWUSR) == 0) ::chmod(APath.CStr(), (info.st_mode & 07777) | S_IWUSR);
  ::unlink(APath.CStr());
}

int64_t DDirectory::FileSize(const TFilePath& AFileName) {
  struct stat info;
  if (AFileName.IsEmpty() || ::stat(AFileName.CStr(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<int64_t>(info.st_size);
}

namespace {

int OpenRegularFile(const TFilePath& APath, bool ACreate, bool AWait, struct stat* AInfo) {
  const std::u16string_view format = ACreate ? kCreateError : kOpenError;
  const std::string& path = APath.Native();
  // Looked at before opening: opening a pipe waits for a writer, and opening some devices acts.
  struct stat info;
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && (!ACreate || errno != ENOENT)) RaiseFileError(format, APath, errno);
  if (exists && S_ISDIR(info.st_mode)) RaiseFileError(format, APath, EISDIR);
  if (exists && !S_ISREG(info.st_mode)) RaiseFileError(format, APath, kNotRegularFile);
  // Without waiting, and looked at again, in case the name was given to something else meanwhile.
  const int flags = ACreate ? O_RDWR | O_CREAT | O_TRUNC : O_RDONLY;
  int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  // A lease (a file server's hold on the file) refuses an open that may not wait; a plain open
  // waits until the holder lets the file go, and only a regular file has a lease.
  if (fd < 0 && errno == EWOULDBLOCK) {
    if (!AWait) return -1;
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  }
  TFileDescriptor file(fd);
  if (file.Get() < 0) RaiseFileError(format, APath, errno);
  if (::fstat(file.Get(), &info) != 0) RaiseFileError(format, APath, errno);
  if (!S_ISREG(info.st_mode)) RaiseFileError(format, APath, kNotRegularFile);
  // The open set no other status flag, so clearing them all clears only O_NONBLOCK.
  ::fcntl(file.Get(), F_SETFL, 0);
  if (AInfo != nullptr) *AInfo = info;
  return file.Release();
}

}  // namespace

int DDirectory::OpenRegular(const TFilePath& APath, bool ACreate, struct stat* AInfo) {
  return OpenRegularFile(APath, ACreate, true, AInfo);
}

int DDirectory::OpenRegularAtOnce(const TFilePath& APath, struct stat* AInfo) {
  return OpenRegularFile(APath, false, false, AInfo);
}

std::string DDirectory::ReadBytes(const TFilePath& APath) {
  struct stat info;
  TFileDescriptor file(OpenRegular(APath, false, &info));
  std::string bytes;
  if (info.st_size > 0) bytes.reserve(static_cast<size_t>(info.st_size) + 1);
  if (const int error = ReadToEnd(file.Get(), bytes); error != 0) RaiseFileError(kOpenError, APath, error);
  return bytes;
}

void DDirectory::WriteBytes(const TFilePath& APath, std::string_view ABytes) {
  std::string target = APath.Native();
  std::error_code error;
  // Writing through a link replaces what it points to, not the link itself.
  if (fs::is_symlink(target, error)) {
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) target = resolved.string();
  }
  struct stat existing;
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) RaiseFileError(kCreateError, APath, EISDIR);
  if (exists && ::access(target.c_str(), W_OK) != 0) RaiseFileError(kCreateError, APath, errno);

  TFilePath tempName;
  TFileDescriptor file(CreateTemporaryBeside(TFilePath(target), tempName));
  if (file.Get() < 0) RaiseFileError(kCreateError, APath, errno);
  auto fail = [&](int AError) {
    ::close(file.Release());
    ::unlink(tempName.CStr());
    RaiseFileError(kCreateError, APath, AError);
  };
  if (const int error = WriteAll(file.Get(), ABytes); error != 0) fail(error);
  if (exists && ::fchmod(file.Get(), existing.st_mode & 07777) != 0) fail(errno);
  if (::fsync(file.Get()) != 0) fail(errno);
  if (::close(file.Release()) != 0) {
    const int closeError = errno;
    ::unlink(tempName.CStr());
    RaiseFileError(kCreateError, APath, closeError);
  }
  if (::rename(tempName.CStr(), target.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(tempName.CStr());
    RaiseFileError(kCreateError, APath, renameError);
  }
}

std::u16string DDirectory::FileContent(const TFilePath& APath) { return Cp1252ToUtf16(ReadBytes(APath)); }

void DDirectory::CreateFile(const TFilePath& APath, std::u16string_view AContent) {
  WriteBytes(APath, Utf16ToCp1252(AContent));
}

std::vector<TFilePath> DDirectory::GetFileList(const TFilePath& ARoot, TDSearchAttribute ASearchAttribute,
                                               bool ARecursive, std::u16string_view AMask, bool AHidden) {
  TDFileScanner scanner;
  scanner.SetPath(ARoot);
  scanner.SetFileType(ASearchAttribute);
  scanner.SetRecursive(ARecursive);
  scanner.SetMask(std::u16string(AMask));
  scanner.SetHidden(AHidden);
  scanner.Execute();
  return scanner.Result();
}

TFilePath DDirectory::GetUserAppDataPath() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return TFilePath(dataHome);
  std::string home;
  if (const char* homeVariable = std::getenv("HOME"); homeVariable != nullptr && homeVariable[0] == '/') {
    home = homeVariable;
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
    home = user->pw_dir;
  }
  if (home.empty()) {
    std::error_code error;
    home = fs::temp_directory_path(error).string();
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return TFilePath(home) / ".local" / "share";
}

void TDFileScanner::SetDefaults() {
  FMask = u"*.*";
  FHidden = true;
  FRecursive = true;
  FPath = {};
  FFileType = TDSearchAttribute::saAll;
  FResult.clear();
  FFullPath = false;
  OnFind = nullptr;
  OnPathChanged = nullptr;
  OnComplete = nullptr;
  OnError = nullptr;
  FTerminated = false;
}

void TDFileScanner::Execute() {
  FTerminated = false;
  std::vector<FolderId> visited;
  ScanFolder(TFilePath(), visited);
  if (OnComplete) OnComplete();
}

void TDFileScanner::Found(const TFilePath& ARelative, std::string_view AEntry) {
  TFilePath name = ARelative / AEntry;
  if (FFullPath) name = FPath / name;
  FResult.push_back(name);
  if (OnFind) OnFind(name);
}

void TDFileScanner::Failed(const TFilePath& APath, const std::u16string& AReason) {
  if (OnError) OnError(APath, AReason);
}

void TDFileScanner::ScanFolder(const TFilePath& ARelative, std::vector<FolderId>& AVisited) {
  if (FTerminated) return;
  const TFilePath folder = FPath / ARelative;
  struct stat info;
  const TFilePath native = folder.IsEmpty() ? TFilePath(".") : folder;
  if (::stat(native.CStr(), &info) != 0) return Failed(folder, FolderError(errno));
  if (!S_ISDIR(info.st_mode)) return Failed(folder, FolderError(ENOTDIR));
  // A link back to a folder already being scanned would otherwise never end.
  const FolderId id{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  if (std::find(AVisited.begin(), AVisited.end(), id) != AVisited.end()) return;
  AVisited.push_back(id);

  if (OnPathChanged) OnPathChanged(folder);
  std::vector<ListedEntry> entries;
  if (const int failure = ListFolder(native, FHidden, entries); failure != 0) Failed(folder, FolderError(failure));

  const bool wantFolders = FFileType != TDSearchAttribute::saFiles;
  const bool wantFiles = FFileType != TDSearchAttribute::saDirs;
  for (const ListedEntry& entry : entries) {
    if (FTerminated) break;
    if (!MatchesMask(entry.Text, FMask)) continue;
    if (entry.Kind == TEntryKind::ekFolder) {
      if (wantFolders) Found(ARelative, entry.Name);
    } else if (wantFiles) {
      if (entry.Kind == TEntryKind::ekFile)
        Found(ARelative, entry.Name);
      else
        Failed(folder / entry.Name, entry.Error != 0 ? ErrorText(entry.Error) : std::u16string(kNotRegularFile));
    }
  }
  if (FRecursive) {
    for (const ListedEntry& entry : entries) {
      if (FTerminated) break;
      if (entry.Kind == TEntryKind::ekFolder) ScanFolder(ARelative / entry.Name, AVisited);
    }
  }
  AVisited.pop_back();
}

TDFMPathMan& TDFMPathMan::Instance() {
  static TDFMPathMan instance;
  return instance;
}

TFilePath TDFMPathMan::App() {
  const TFilePath app = DDirectory::GetUserAppDataPath() / "Tessarine";
  // A fresh account may not have its data folder yet, so the missing levels above are made too.
  if (!DDirectory::Exists(app)) {
    std::error_code error;
    fs::create_directories(app.Native(), error);
  }
  return app;
}

TFilePath TDFMPathMan::Transforms() {
  const TFilePath transforms = App() / "Transforms";
  if (!DDirectory::Exists(transforms)) DDirectory::Make(transforms);
  return transforms;
}

}  // namespace tess::common
