#include <gtest/gtest.h>

#include <filesystem>

#include "Shared/Common/uDDirectory.h"
#include "Support/TempDir.h"

using namespace tess::common;
using tess::testing::TempDir;

namespace {

class FileScanner : public ::testing::Test {
protected:
  void SetUp() override {
    FDir.Write("a.dfm", "");
    FDir.Write("notes.txt", "");
    FDir.Write("sub/b.dfm", "");
    FDir.Write("sub/deeper/c.DFM", "");
    FDir.Write(".hidden/h.dfm", "");
    FDir.Write("Z.dfm", "");
  }
  TStringList Scan(TDSearchAttribute AType, const std::u16string& AMask, bool ARecursive, bool AHidden, bool AFullPath,
                   TStringList* APaths = nullptr) {
    TDFileScanner scanner;
    scanner.SetPath(FDir.File());
    scanner.SetFileType(AType);
    scanner.SetMask(AMask);
    scanner.SetRecursive(ARecursive);
    scanner.SetHidden(AHidden);
    scanner.SetFullPath(AFullPath);
    if (APaths) scanner.OnPathChanged = [&](const TFilePath& p) { APaths->push_back(p.Text()); };
    scanner.Execute();
    return tess::testing::Texts(scanner.Result());
  }
  TempDir FDir;
};

}  // namespace

TEST_F(FileScanner, ReportsAFoldersEntriesBeforeItsSubfoldersSortedByName) {
  TStringList paths;
  const TStringList found = Scan(TDSearchAttribute::saFiles, u"*.dfm", true, false, false, &paths);
  EXPECT_EQ(found, (TStringList{u"Z.dfm", u"a.dfm", u"sub/b.dfm", u"sub/deeper/c.DFM"}));
  const std::u16string root = FDir.Text();
  EXPECT_EQ(paths, (TStringList{root, root + u"/sub", root + u"/sub/deeper"}));
}

TEST_F(FileScanner, FullPathPrefixesTheRoot) {
  const TStringList found = Scan(TDSearchAttribute::saFiles, u"*.dfm", true, false, true);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[2], FDir.Text() + u"/sub/b.dfm");
}

TEST_F(FileScanner, NotRecursiveStaysInTheRoot) {
  TStringList paths;
  EXPECT_EQ(Scan(TDSearchAttribute::saFiles, u"*.dfm", false, true, false, &paths), (TStringList{u"Z.dfm", u"a.dfm"}));
  EXPECT_EQ(paths.size(), 1u);
}

TEST_F(FileScanner, HiddenFoldersAreEnteredOnlyWhenAskedFor) {
  const TStringList withHidden = Scan(TDSearchAttribute::saFiles, u"*.dfm", true, true, false);
  EXPECT_EQ(withHidden[2], u".hidden/h.dfm");
  EXPECT_EQ(withHidden.size(), 5u);
}

TEST_F(FileScanner, FoldersOnlyWithEveryMask) {
  EXPECT_EQ(Scan(TDSearchAttribute::saDirs, u"*.*", false, false, false), (TStringList{u"sub"}));
  EXPECT_EQ(Scan(TDSearchAttribute::saDirs, u"", true, false, false), (TStringList{u"sub", u"sub/deeper"}));
}

TEST_F(FileScanner, EmptyMaskMeansEverything) {
  TDFileScanner scanner;
  scanner.SetMask(u"");
  EXPECT_EQ(scanner.Mask(), u"*.*");
}

TEST_F(FileScanner, TerminateFromAnEventStopsAtOnceButStillCompletes) {
  TDFileScanner scanner;
  scanner.SetPath(FDir.File());
  scanner.SetMask(u"*.dfm");
  int completed = 0;
  TStringList paths;
  scanner.OnFind = [&](const TFilePath&) { scanner.Terminate(); };
  scanner.OnPathChanged = [&](const TFilePath& p) { paths.push_back(p.Text()); };
  scanner.OnComplete = [&] {
    ++completed;
    EXPECT_EQ(scanner.Result().size(), 1u);  // the result is complete before OnComplete
  };
  scanner.Execute();
  EXPECT_EQ(scanner.Result().size(), 1u);
  EXPECT_EQ(paths.size(), 1u);
  EXPECT_EQ(completed, 1);

  scanner.OnFind = nullptr;
  scanner.OnComplete = nullptr;
  scanner.Execute();  // runs again, appending
  EXPECT_EQ(scanner.Result().size(), 6u);
}

TEST_F(FileScanner, MissingRootReportsNothingAndCompletes) {
  TDFileScanner scanner;
  scanner.SetPath(FDir / "none");
  bool completed = false;
  scanner.OnComplete = [&] { completed = true; };
  scanner.Execute();
  EXPECT_TRUE(scanner.Result().empty());
  EXPECT_TRUE(completed);
}

TEST_F(FileScanner, ALinkBackToAnAncestorEnds) {
  std::filesystem::create_directory_symlink(FDir.Path(), FDir.Path() / "sub" / "loop");
  const TStringList found = Scan(TDSearchAttribute::saFiles, u"*.dfm", true, false, false);
  EXPECT_EQ(found.size(), 4u);
}

TEST(GetFileList, ListsBareNamesOfOneFolder) {
  TempDir dir;
  dir.Write("0001.xml", "");
  dir.Write("readme.txt", "");
  dir.Write("inner/0002.xml", "");
  EXPECT_EQ(DDirectory::GetFileList(dir.File(), TDSearchAttribute::saFiles, false, u"*.xml", true),
            (std::vector<TFilePath>{TFilePath("0001.xml")}));
}

TEST(MatchesMask, WildcardsIgnoreCase) {
  EXPECT_TRUE(MatchesMask(u"MAIN.DFM", u"*.dfm"));
  EXPECT_TRUE(MatchesMask(u"noext", u"*.*"));
  EXPECT_FALSE(MatchesMask(u"main.dfm.bak", u"*.dfm"));
  EXPECT_TRUE(MatchesMask(u"0A1F.xml", u"????.xml"));
  EXPECT_FALSE(MatchesMask(u"0A1.xml", u"????.xml"));
  EXPECT_TRUE(MatchesMask(u"a*b", u"a*b"));
  EXPECT_FALSE(MatchesMask(std::u16string(200, u'a'), std::u16string(100, u'*') + u"b"));
}
