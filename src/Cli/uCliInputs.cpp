#include "Cli/uCliInputs.h"

#include <filesystem>

#include "Cli/uCliOptions.h"
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

TStringList CollectFiles(const std::vector<std::string>& APaths, bool ARecursive, const std::string& AMask,
                         TStringList* ARoots) {
  const TStringList patterns = SplitMask(AMask);
  TStringList files;
  for (const std::string& path : APaths) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
      files.push_back(common::Utf8ToUtf16(path));
      if (ARoots != nullptr) ARoots->emplace_back();
      continue;
    }
    if (!ARecursive) throw EUsageError("'" + path + "' is a folder: add -r to scan it for form files");
    // One pass over every file, filtered here: a scan per pattern would list a folder's .dfm files
    // apart from its .lfm files instead of in name order.
    common::TDFileScanner scanner;
    scanner.SetPath(common::Utf8ToUtf16(path));
    scanner.SetMask(u"*");
    scanner.SetRecursive(true);
    scanner.SetHidden(true);
    scanner.SetFileType(common::TDSearchAttribute::saFiles);
    scanner.SetFullPath(true);
    scanner.OnFind = [&](const std::u16string& AFileName) {
      const std::u16string name = common::DString::ExtractFileName(AFileName);
      for (const std::u16string& pattern : patterns)
        if (common::MatchesMask(name, pattern)) {
          files.push_back(AFileName);
          if (ARoots != nullptr) ARoots->push_back(scanner.Path());
          return;
        }
    };
    scanner.Execute();
  }
  return files;
}

}  // namespace tess::cli
