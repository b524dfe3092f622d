#include "Shared/Common/uFilePath.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "Shared/Common/uEncoding.h"

namespace tess::common {

namespace fs = std::filesystem;

TFilePath::TFilePath(std::u16string_view AText) : FNative(Utf16ToPath(AText)) {}

std::u16string TFilePath::Text() const { return PathToUtf16(FNative); }

TFilePath TFilePath::Folder() const {
  const size_t slash = FNative.find_last_of('/');
  if (slash == std::string::npos) return TFilePath(".");
  return TFilePath(slash == 0 ? std::string("/") : FNative.substr(0, slash));
}

TFilePath TFilePath::Name() const {
  const size_t slash = FNative.find_last_of('/');
  return slash == std::string::npos ? *this : TFilePath(FNative.substr(slash + 1));
}

TFilePath TFilePath::operator/(std::string_view AName) const {
  if (FNative.empty()) return TFilePath(std::string(AName));
  if (AName.empty()) return *this;
  std::string joined = FNative;
  if (joined.back() != '/') joined += '/';
  joined += AName;
  return TFilePath(std::move(joined));
}

namespace {

// An absolute path already in normal form: no empty, "." or ".." step (a trailing slash is kept).
bool IsNormalAbsolute(std::string_view APath) {
  if (APath.empty() || APath.front() != '/') return false;
  for (size_t start = 1; start < APath.size();) {
    const size_t end = std::min(APath.find('/', start), APath.size());
    const std::string_view step = APath.substr(start, end - start);
    if ((step.empty() && end < APath.size()) || step == "." || step == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

TFilePath WorkingFolder() {
  char folder[PATH_MAX];
  return TFilePath(::getcwd(folder, sizeof folder) != nullptr ? folder : "");
}

TFilePath TFilePath::Normal() const { return Normal(FNative.starts_with('/') ? TFilePath() : WorkingFolder()); }

TFilePath TFilePath::Normal(const TFilePath& AWorkingFolder) const {
  std::string joined = FNative;
  if (!joined.empty() && joined.front() != '/' && !AWorkingFolder.IsEmpty())
    joined = AWorkingFolder.FNative + (AWorkingFolder.FNative != "/" ? "/" : "") + FNative;
  // The common case without the general path machinery, which the placement pays for several
  // times a file.
  if (IsNormalAbsolute(joined)) return TFilePath(std::move(joined));
  return TFilePath(fs::path(joined).lexically_normal().string());
}

std::vector<TFilePath> FilePaths(const std::vector<std::u16string>& ATexts) {
  std::vector<TFilePath> paths;
  paths.reserve(ATexts.size());
  for (const std::u16string& text : ATexts) paths.emplace_back(text);
  return paths;
}

}  // namespace tess::common
