// File and folder names as the system knows them.
#pragma once

#include <compare>
#include <string>
#include <string_view>
#include <vector>

namespace tess::common {

// A file or folder name: the bytes of the name, made once where a name enters the program (a
// folder listing, an argument, a dialog, the preferences) and handed unchanged to every system
// call. Names are bytes on this platform and need not be UTF-8; Text() gives the name for display
// and for the text operations on names, and a name made from that text has the same bytes again.
class TFilePath {
public:
  TFilePath() = default;
  // The bytes of a name as the system gave them.
  explicit TFilePath(std::string ANative) : FNative(std::move(ANative)) {}
  explicit TFilePath(const char* ANative) : FNative(ANative) {}
  // A name that arrives as text (typed, chosen in a dialog, stored in the preferences).
  explicit TFilePath(std::u16string_view AText);

  const std::string& Native() const { return FNative; }
  const char* CStr() const { return FNative.c_str(); }
  std::u16string Text() const;
  bool IsEmpty() const { return FNative.empty(); }

  // The folder part: "." for a bare name, "/" for a name in the root.
  TFilePath Folder() const;
  // The part after the last '/'; the whole name when there is none.
  TFilePath Name() const;
  // The name inside this folder; AName alone when this is empty, this alone when AName is.
  TFilePath operator/(std::string_view AName) const;
  TFilePath operator/(const TFilePath& AName) const { return *this / std::string_view(AName.FNative); }
  // The same name with AEnding appended ("a.dfm" + ".bak").
  TFilePath operator+(std::string_view AEnding) const { return TFilePath(FNative + std::string(AEnding)); }
  // Absolute and without "." or ".." steps, worked out from the text alone: how names are
  // compared when the files behind them need not exist.
  TFilePath Normal() const;
  // The same, with a relative name taken from AWorkingFolder (as WorkingFolder gives it), for a
  // caller that works out many names at once.
  TFilePath Normal(const TFilePath& AWorkingFolder) const;

  friend bool operator==(const TFilePath&, const TFilePath&) = default;
  friend auto operator<=>(const TFilePath&, const TFilePath&) = default;

private:
  std::string FNative;
};

// The process's working folder; empty when it cannot be found.
TFilePath WorkingFolder();

// Names that arrive as text, each made into a path value.
std::vector<TFilePath> FilePaths(const std::vector<std::u16string>& ATexts);

}  // namespace tess::common
