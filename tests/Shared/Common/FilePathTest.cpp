// File names as bytes: the parts of a name, joining, and the way back from the text the windows show.
#include "Shared/Common/uFilePath.h"

#include <gtest/gtest.h>

#include <filesystem>

using tess::common::TFilePath;

namespace {

TEST(FilePath, FolderNameAndJoin) {
  struct Row {
    const char *Path, *Folder, *Name;
  };
  const Row rows[] = {{"a.dfm", ".", "a.dfm"},       {"/a.dfm", "/", "a.dfm"},
                      {"dir/a.dfm", "dir", "a.dfm"}, {"/x/y/a b.dfm", "/x/y", "a b.dfm"},
                      {"dir/", "dir", ""},           {"", ".", ""}};
  for (const Row& row : rows) {
    const TFilePath path(row.Path);
    EXPECT_EQ(path.Folder().Native(), row.Folder) << row.Path;
    EXPECT_EQ(path.Name().Native(), row.Name) << row.Path;
  }
  EXPECT_EQ((TFilePath("dir") / "a.dfm").Native(), "dir/a.dfm");
  EXPECT_EQ((TFilePath("dir/") / "a.dfm").Native(), "dir/a.dfm");
  EXPECT_EQ((TFilePath() / "a.dfm").Native(), "a.dfm");
  EXPECT_EQ((TFilePath("dir") / "").Native(), "dir");
  EXPECT_EQ((TFilePath("a.dfm") + ".bak").Native(), "a.dfm.bak");
}

// Bytes that are not UTF-8 show as text and come back from it unchanged; two names never meet.
TEST(FilePath, EveryNameSurvivesItsText) {
  const char* names[] = {"caf\xE9.dfm", "\xFF\xFE", "ok \xC3\xA9.dfm", "\xC3", "\xED\xA0\x80.dfm", "plain.dfm"};
  for (const char* name : names) {
    const TFilePath path(name);
    EXPECT_EQ(TFilePath(path.Text()), path) << name;
  }
  EXPECT_NE(TFilePath("caf\xE9").Text(), TFilePath("caf\xC3\xA9").Text());
  EXPECT_EQ(TFilePath("caf\xC3\xA9").Text(), u"caf\u00E9");
}

TEST(FilePath, NormalIsAbsoluteWithoutDotSteps) {
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(TFilePath("a/./b/../c.dfm").Normal().Native(), here + "/a/c.dfm");
  EXPECT_EQ(TFilePath("/x//y/../z").Normal().Native(), "/x/z");
  // Paths already normal, and near misses of that form, come out as the general rules give them.
  for (const char* path : {"/a/b.dfm", "/a/b/", "/", "b.dfm", "a/b/", "/a/.b", "/a/..b", "/a/b/.", "/a/b/..", "//a",
                           "/a//b", "./a", "a/.", "..", ".tess-1.tmp"}) {
    const std::filesystem::path expected = (std::filesystem::path(here) / path).lexically_normal();
    EXPECT_EQ(TFilePath(path).Normal().Native(), expected.string()) << path;
    for (const char* folder : {"/w/x", "/"})
      EXPECT_EQ(TFilePath(path).Normal(TFilePath(folder)).Native(),
                (std::filesystem::path(folder) / path).lexically_normal().string())
          << folder << " " << path;
  }
}

}  // namespace
