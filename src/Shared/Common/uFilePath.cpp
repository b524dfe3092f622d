#include "Shared/Common/uFilePath.h"

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

TFilePath TFilePath::Normal() const {
  std::error_code error;
  const fs::path absolute = fs::absolute(FNative, error);
  return TFilePath((error ? fs::path(FNative) : absolute).lexically_normal().string());
}

std::vector<TFilePath> FilePaths(const std::vector<std::u16string>& ATexts) {
  std::vector<TFilePath> paths;
  paths.reserve(ATexts.size());
  for (const std::u16string& text : ATexts) paths.emplace_back(text);
  return paths;
}

}  // namespace tess::common
