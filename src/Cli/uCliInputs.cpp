#include "Cli/uCliInputs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Cli/uCliOptions.h"
#include "Cli/uCliStop.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFileIO.h"

namespace tess::cli {

using common::TStringList;

std::vector<std::string> ReadPathList(const std::string& AFile, bool ANull) {
  std::string bytes;
  const int fd = AFile == "-" ? STDIN_FILENO : ::open(AFile.c_str(), O_RDONLY | O_CLOEXEC);
  const int error = fd >= 0 ? common::ReadToEnd(fd, bytes) : errno;
  if (fd > STDIN_FILENO) ::close(fd);
  if (error != 0) throw EUsageError("cannot read the list '" + AFile + "': " + std::strerror(error));
  std::vector<std::string> paths;
  const char separator = ANull ? '\0' : '\n';
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find(separator, start);
    if (end == std::string::npos) end = bytes.size();
    std::string path = bytes.substr(start, end - start);
    if (!ANull && !path.empty() && path.back() == '\r') path.pop_back();
    if (!path.empty()) paths.push_back(std::move(path));
    start = end + 1;
  }
  return paths;
}

common::TFilePath CaptureStandardInput(const common::TFilePath& AFolder) {
  std::string bytes;
  if (const int error = common::ReadToEnd(STDIN_FILENO, bytes); error != 0)
    throw common::EFileError(u"Cannot read standard input. " + common::Utf8ToUtf16(std::strerror(error)));
  const common::TFilePath path = AFolder / "stdin.dfm";
  common::DDirectory::WriteBytes(path, bytes);
  return path;
}

TStringList SplitMask(const std::string& AMask) {
  const std::u16string text = common::Utf8ToUtf16(AMask);
  TStringList patterns;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(u';', start);
    const std::u16string pattern = common::DString::Trim(text.substr(start, end - start));
    if (!pattern.empty()) patterns.push_back(pattern);
    if (end == std::u16string::npos) return patterns;
    start = end + 1;
  }
}

TInputs CollectFiles(const std::vector<std::string>& APaths, bool ARecursive, const std::string& AMask) {
  const TStringList patterns = SplitMask(AMask);
  TInputs inputs;
  for (const std::string& path : APaths) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
      inputs.Files.emplace_back(path);
      inputs.Roots.emplace_back();
      continue;
    }
    if (!ARecursive) throw EUsageError("'" + path + "' is a folder: add -r to scan it for form files");
    if (inputs.Stopped) continue;
    // One pass over every file, filtered here: a scan per pattern would list a folder's .dfm files
    // apart from its .lfm files instead of in name order.
    common::TDFileScanner scanner;
    scanner.SetPath(common::TFilePath(path));
    scanner.SetMask(u"*");
    scanner.SetRecursive(true);
    scanner.SetHidden(true);
    scanner.SetFileType(common::TDSearchAttribute::saFiles);
    scanner.SetFullPath(true);
    auto matches = [&](const common::TFilePath& APath) {
      const std::u16string name = APath.Name().Text();
      for (const std::u16string& pattern : patterns)
        if (common::MatchesMask(name, pattern)) return true;
      return false;
    };
    auto checkStop = [&] {
      if (StopRequested()) scanner.Terminate();
    };
    scanner.OnFind = [&](const common::TFilePath& AFileName) {
      if (matches(AFileName)) {
        inputs.Files.push_back(AFileName);
        inputs.Roots.push_back(scanner.Path());
      }
      checkStop();
    };
    scanner.OnPathChanged = [&](const common::TFilePath&) { checkStop(); };
    // A folder's problem always counts; an odd entry only where a form of that name would.
    scanner.OnError = [&](const common::TFilePath& APath, const std::u16string& AReason) {
      if (AReason.starts_with(common::kCannotReadFolder) || matches(APath)) inputs.Problems.push_back({APath, AReason});
    };
    scanner.Execute();
    inputs.Stopped = StopRequested();
  }
  return inputs;
}

}  // namespace tess::cli
