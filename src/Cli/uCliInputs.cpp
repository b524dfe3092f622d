#include "Cli/uCliInputs.h"

#include <filesystem>

#include "Cli/uCliOptions.h"
#include "Cli/uCliStop.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"

namespace tess::cli {

using common::TStringList;

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
      inputs.Files.push_back(common::PathToUtf16(path));
      continue;
    }
    if (!ARecursive) throw EUsageError("'" + path + "' is a folder: add -r to scan it for form files");
    if (inputs.Stopped) continue;
    // One pass over every file, filtered here: a scan per pattern would list a folder's .dfm files
    // apart from its .lfm files instead of in name order.
    common::TDFileScanner scanner;
    scanner.SetPath(common::PathToUtf16(path));
    scanner.SetMask(u"*");
    scanner.SetRecursive(true);
    scanner.SetHidden(true);
    scanner.SetFileType(common::TDSearchAttribute::saFiles);
    scanner.SetFullPath(true);
    auto matches = [&](const std::u16string& APath) {
      const std::u16string name = common::DString::ExtractFileName(APath);
      for (const std::u16string& pattern : patterns)
        if (common::MatchesMask(name, pattern)) return true;
      return false;
    };
    auto checkStop = [&] {
      if (StopRequested()) scanner.Terminate();
    };
    scanner.OnFind = [&](const std::u16string& AFileName) {
      if (matches(AFileName)) inputs.Files.push_back(AFileName);
      checkStop();
    };
    scanner.OnPathChanged = [&](const std::u16string&) { checkStop(); };
    // A folder's problem always counts; an odd entry only where a form of that name would.
    scanner.OnError = [&](const std::u16string& APath, const std::u16string& AReason) {
      if (AReason.starts_with(common::kCannotReadFolder) || matches(APath)) inputs.Problems.push_back({APath, AReason});
    };
    scanner.Execute();
    inputs.Stopped = StopRequested();
  }
  return inputs;
}

}  // namespace tess::cli
