#include "Shared/Common/uDDirectory.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Support/TempDir.h"

using namespace tess::common;
using tess::testing::TempDir;

TEST(FileContent, AllByteValuesSurviveCreateFileAndFileContent) {
  TempDir dir;
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  dir.Write("all.bin", all);
  const std::u16string text = DDirectory::FileContent(dir / "all.bin");
  EXPECT_EQ(text.size(), 256u);
  DDirectory::CreateFile(dir / "copy.bin", text);
  EXPECT_EQ(dir.Read("copy.bin"), all);
}

TEST(FileContent, KeepsAByteOrderMarkAsCharacters) {
  TempDir dir;
  dir.Write("bom.txt", "\xEF\xBB\xBFx");
  EXPECT_EQ(DDirectory::FileContent(dir / "bom.txt"), u"\u00EF\u00BB\u00BFx");
}

TEST(CreateFile, EmptyTextMakesAnEmptyFile) {
  TempDir dir;
  DDirectory::CreateFile(dir / "empty.dfm", u"");
  EXPECT_EQ(DDirectory::FileSize(dir / "empty.dfm"), 0);
  EXPECT_TRUE(DDirectory::FileExists(dir / "empty.dfm"));
  EXPECT_EQ(DDirectory::FileContent(dir / "empty.dfm"), u"");
}

TEST(CreateFile, CharactersOutsideTheCodePageDoNotSurvive) {
  TempDir dir;
  DDirectory::CreateFile(dir / "a.txt", u"\u0416");
  EXPECT_EQ(DDirectory::FileContent(dir / "a.txt"), u"?");
}

TEST(CreateFile, ReplacesContentAndKeepsPermissionsAndNoStrayFiles) {
  TempDir dir;
  dir.Write("a.dfm", "old content that is longer");
  ::chmod((dir.Path() / "a.dfm").c_str(), 0640);
  DDirectory::CreateFile(dir / "a.dfm", u"new");
  EXPECT_EQ(dir.Read("a.dfm"), "new");
  struct stat info;
  ASSERT_EQ(::stat((dir.Path() / "a.dfm").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(CreateFile, WritesThroughALinkToItsTarget) {
  TempDir dir;
  dir.Write("real.dfm", "old");
  std::filesystem::create_symlink(dir.Path() / "real.dfm", dir.Path() / "link.dfm");
  DDirectory::CreateFile(dir / "link.dfm", u"new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.dfm"));
  EXPECT_EQ(dir.Read("real.dfm"), "new");
}

TEST(CreateFile, FailureLeavesTheOldContentAndRaises) {
  TempDir dir;
  dir.Write("sub/a.dfm", "precious");
  // A folder that may not be written to: the new content cannot be put beside the file.
  ::chmod((dir.Path() / "sub").c_str(), 0555);
  if (::access((dir.Path() / "sub").c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore modes";
  EXPECT_THROW(DDirectory::CreateFile(dir / "sub/a.dfm", u"new"), EFileError);
  EXPECT_EQ(dir.Read("sub/a.dfm"), "precious");
}

TEST(CreateFile, AWriteThatFailsHalfWayLeavesTheOldContent) {
  TempDir dir;
  dir.Write("a.dfm", "precious");
  // A file-size limit makes the write fail part of the way through, even with every right.
  struct rlimit previous;
  ::getrlimit(RLIMIT_FSIZE, &previous);
  struct rlimit limit = previous;
  limit.rlim_cur = 4096;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(DDirectory::CreateFile(dir / "a.dfm", std::u16string(100000, u'x')), EFileError);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(dir.Read("a.dfm"), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(CreateFile, WorksBesideTheLongestFileName) {
  TempDir dir;
  const std::string name = std::string(251, 'n') + ".dfm";
  dir.Write(name, "old");
  DDirectory::CreateFile(dir / name, u"new");
  EXPECT_EQ(dir.Read(name), "new");
}

TEST(CreateFile, RefusesAFolderAndAMissingParent) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder");
  EXPECT_THROW(DDirectory::CreateFile(dir / "folder", u"x"), EFileError);
  EXPECT_THROW(DDirectory::CreateFile(dir / "missing/a.dfm", u"x"), EFileError);
}

TEST(FileContent, MissingFileRaisesWithItsName) {
  TempDir dir;
  try {
    DDirectory::FileContent(dir / "none.dfm");
    FAIL() << "no error";
  } catch (const EFileError& error) {
    EXPECT_NE(error.Message().find(u"none.dfm"), std::u16string::npos);
  }
  EXPECT_THROW(DDirectory::FileContent(dir.File()), EFileError);
}

TEST(DDirectory, ExistenceSizeMakeAndRemove) {
  TempDir dir;
  dir.Write("f.txt", std::string(3000, 'x'));
  EXPECT_EQ(DDirectory::FileSize(dir / "f.txt"), 3000);
  EXPECT_EQ(DDirectory::FileSize(dir / "missing.txt"), 0);
  EXPECT_TRUE(DDirectory::FileExists(dir / "f.txt"));
  EXPECT_FALSE(DDirectory::Exists(dir / "f.txt"));
  EXPECT_TRUE(DDirectory::Exists(dir.File()));
  EXPECT_FALSE(DDirectory::FileExists(dir.File()));

  EXPECT_TRUE(DDirectory::Make(dir / "new"));
  EXPECT_FALSE(DDirectory::Make(dir / "new"));
  EXPECT_FALSE(DDirectory::Make(dir / "a/b"));  // one level only

  ::chmod((dir.Path() / "f.txt").c_str(), 0444);
  DDirectory::RemoveFile(dir / "f.txt");
  EXPECT_FALSE(DDirectory::FileExists(dir / "f.txt"));
  DDirectory::RemoveFile(dir / "f.txt");  // missing: nothing happens
}

TEST(PathMan, CreatesTheFoldersOnFirstUseUnderTheDataHome) {
  tess::testing::ScopedDataHome home;
  const TFilePath base = home.Dir().File();
  EXPECT_EQ(DDirectory::GetUserAppDataPath(), base);
  const TFilePath app = TDFMPathMan::Instance().App();
  EXPECT_EQ(app, base / "Tessarine");
  EXPECT_TRUE(DDirectory::Exists(app));
  EXPECT_EQ(TDFMPathMan::Instance().App(), app);
  EXPECT_EQ(TDFMPathMan::Instance().Transforms(), app / "Transforms");
  EXPECT_TRUE(DDirectory::Exists(app / "Transforms"));
}

TEST(PathMan, MakesAMissingDataHomeToo) {
  tess::testing::ScopedDataHome home;
  const std::string nested = (home.Dir().Path() / "not/yet").string();
  ::setenv("XDG_DATA_HOME", nested.c_str(), 1);
  EXPECT_TRUE(DDirectory::Exists(TDFMPathMan::Instance().Transforms()));
}
