// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFilePath.h"

namespace tess::testing {

// Names as the windows and the logs show them, for comparing with expected texts.
inline std::vector<std::u16string> Texts(const std::vector<common::TFilePath>& APaths) {
  std::vector<std::u16string> texts;
  for (const common::TFilePath& path : APaths) texts.push_back(path.Text());
  return texts;
}

class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tess-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    FPath = pattern;
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(FPath, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The path of a name inside the folder.
  common::TFilePath operator/(const std::string& AName) const { return common::TFilePath((FPath / AName).string()); }
  common::TFilePath File() const { return common::TFilePath(FPath.string()); }
  // The same as the core's UTF-16 text, as the windows show it.
  std::u16string Text(const std::string& AName) const { return common::U16((FPath / AName).string()); }
  std::u16string Text() const { return common::U16(FPath.string()); }

  void Write(const std::string& AName, const std::string& ABytes) const {
    const auto path = FPath / AName;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << ABytes;
  }
  std::string Read(const std::string& AName) const {
    std::ifstream in(FPath / AName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::filesystem::path FPath;
};

// Sets an environment variable for the lifetime of the object, then puts back what was there.
class ScopedEnvironment {
public:
  ScopedEnvironment(std::string AName, const std::string& AValue) : FName(std::move(AName)) {
    if (const char* old = std::getenv(FName.c_str())) FOld = old, FHadOld = true;
    ::setenv(FName.c_str(), AValue.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (FHadOld)
      ::setenv(FName.c_str(), FOld.c_str(), 1);
    else
      ::unsetenv(FName.c_str());
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  std::string FName;
  std::string FOld;
  bool FHadOld = false;
};

// Points the per-user data folder at a temporary folder for the lifetime of the object.
class ScopedDataHome {
public:
  const TempDir& Dir() const { return FDir; }

private:
  TempDir FDir;
  ScopedEnvironment FVariable{"XDG_DATA_HOME", FDir.Path().string()};
};

}  // namespace tess::testing
