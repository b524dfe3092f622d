// The file system as the rest of the system sees it: tests, whole-file text, listings and the tool's folders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/Common/uDString.h"
#include "Shared/Common/uFilePath.h"

struct stat;

namespace tess::common {

enum class TDSearchAttribute { saFiles, saDirs, saAll };

class DDirectory {
public:
  DDirectory() = delete;

  static bool FileExists(const TFilePath& AFileName);
  static bool Exists(const TFilePath& APath);
  // Creates one folder whose parent exists; false when it could not be created.
  static bool Make(const TFilePath& APath);
  // Deletes the file, read-only or not; a missing file or a failed deletion is ignored.
  static void RemoveFile(const TFilePath& APath);
  // The size of the file in bytes; 0 when there is no such file.
  static int64_t FileSize(const TFilePath& AFileName);

  // The whole file decoded as Windows-1252. Raises EFileError when it cannot be read.
  static std::u16string FileContent(const TFilePath& APath);
  // Writes the text encoded as Windows-1252 ('?' for a character the code page lacks).
  // Raises EFileError when it cannot be written; the old content then stays as it was.
  static void CreateFile(const TFilePath& APath, std::u16string_view AContent);

  // Opens a regular file for reading, or creates or truncates one for reading and writing, and
  // returns its descriptor. A folder, pipe, socket or device is refused without being opened, so
  // that a run never waits on one nor reads one without end. Raises EFileError
  // ("Cannot open file" or "Cannot create file", with the reason). AInfo, when given, receives
  // what the open file is (size, identity, times), so the caller need not look again.
  static int OpenRegular(const TFilePath& APath, bool ACreate, struct stat* AInfo = nullptr);
  // OpenRegular for reading, except that it does not wait when a lease (another program's hold on
  // the file) delays the open: it returns -1 with errno EWOULDBLOCK then.
  static int OpenRegularAtOnce(const TFilePath& APath, struct stat* AInfo = nullptr);
  // The raw bytes of a regular file. Raises EFileError when it cannot be read.
  static std::string ReadBytes(const TFilePath& APath);
  // Replaces the file by the bytes: they go to a new file beside it that is then renamed into
  // place, so the target holds either its old content or the complete new one, never a part.
  // An existing target keeps its permissions; one that may not be written is not replaced.
  // Raises EFileError when anything fails.
  static void WriteBytes(const TFilePath& APath, std::string_view ABytes);

  static std::vector<TFilePath> GetFileList(const TFilePath& ARoot, TDSearchAttribute ASearchAttribute, bool ARecursive,
                                            std::u16string_view AMask, bool AHidden);
  // The per-user data folder ($XDG_DATA_HOME, else ~/.local/share), without a trailing delimiter.
  static TFilePath GetUserAppDataPath();
};

// The program's temporary files: hidden, ".tess-" followed by 16 hex digits and ".tmp", short enough
// to fit beside a name as long as the file system allows. A run that is killed may leave one behind;
// nothing else is ever given such a name.
// A fresh name of that kind in the folder of ATarget; the file is not created.
TFilePath TemporaryNameBeside(const TFilePath& ATarget);
// Creates a new temporary file beside ATarget exclusively (never an existing file, never through a
// link). Returns its descriptor, or -1 with errno set; ATempName receives its path.
int CreateTemporaryBeside(const TFilePath& ATarget, TFilePath& ATempName);
// Renames without ever replacing an entry: 0, or the error number (EEXIST when ATo is taken,
// EXDEV when it lies on another file system).
int RenameNoReplace(const TFilePath& AFrom, const TFilePath& ATo);

// Whole-name wildcard match ('*' any run, '?' one character) without regard to case;
// "*.*" matches every name, as it does in the dialogs users know.
bool MatchesMask(std::u16string_view AName, std::u16string_view AMask);

using TOnFileFound = std::function<void(const TFilePath& AFileName)>;
using TOnPathChanged = std::function<void(const TFilePath& APath)>;
using TOnComplete = std::function<void()>;
// A folder that could not be read, or an entry that would have been reported but is not a
// regular file or folder; the path is always a full one.
using TOnScanError = std::function<void(const TFilePath& APath, const std::u16string& AReason)>;

// The reason given for a pipe, socket or device.
inline constexpr std::u16string_view kNotRegularFile = u"Not a regular file";
// How the reason for a folder that could not be read begins; the system's reason follows.
inline constexpr std::u16string_view kCannotReadFolder = u"Cannot read folder: ";

// Walks a folder tree and reports matching entries: a folder's own entries first, then its
// subfolders depth-first, each folder's entries sorted by name. Files are regular files (links
// to them included); what it cannot read or take goes to OnError, never silently away.
class TDFileScanner {
public:
  TDFileScanner() { SetDefaults(); }

  void SetDefaults();
  // Scans and raises OnComplete, also after Terminate. Results accumulate across runs.
  void Execute();
  // Stops the scan at its next entry; may be called from inside the events.
  void Terminate() { FTerminated = true; }

  const TFilePath& Path() const { return FPath; }
  void SetPath(TFilePath APath) { FPath = std::move(APath); }
  bool Hidden() const { return FHidden; }
  void SetHidden(bool AHidden) { FHidden = AHidden; }
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool ARecursive) { FRecursive = ARecursive; }
  const std::u16string& Mask() const { return FMask; }
  void SetMask(std::u16string AMask) { FMask = AMask.empty() ? u"*.*" : std::move(AMask); }
  TDSearchAttribute FileType() const { return FFileType; }
  void SetFileType(TDSearchAttribute AFileType) { FFileType = AFileType; }
  bool FullPath() const { return FFullPath; }
  void SetFullPath(bool AFullPath) { FFullPath = AFullPath; }
  const std::vector<TFilePath>& Result() const { return FResult; }

  TOnFileFound OnFind;
  TOnPathChanged OnPathChanged;
  TOnComplete OnComplete;
  TOnScanError OnError;

private:
  struct FolderId {
    uint64_t Device, Inode;
    bool operator==(const FolderId&) const = default;
  };
  void ScanFolder(const TFilePath& ARelative, std::vector<FolderId>& AVisited);
  void Found(const TFilePath& ARelative, std::string_view AEntry);
  void Failed(const TFilePath& APath, const std::u16string& AReason);

  TFilePath FPath;
  bool FHidden = true;
  bool FRecursive = true;
  std::u16string FMask;
  TDSearchAttribute FFileType = TDSearchAttribute::saAll;
  bool FFullPath = false;
  std::vector<TFilePath> FResult;
  bool FTerminated = false;
};

// Names the tool's folders and creates them on first use.
class TDFMPathMan {
public:
  static TDFMPathMan& Instance();
  // The tool's data folder, "Tessarine" in the user's data folder.
  TFilePath App();
  // "Transforms" inside App(), where the user transformations live.
  TFilePath Transforms();
};

}  // namespace tess::common
