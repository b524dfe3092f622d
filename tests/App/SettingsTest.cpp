#include "App/uDFMSettings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "App/uDFMApp.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Support/TempDir.h"

using namespace tess::app;
using tess::common::U16;
using tess::testing::ScopedDataHome;

namespace {

class SettingsTest : public ::testing::Test {
protected:
  std::filesystem::path AppFolder() const { return FHome.Dir().Path() / "Tessarine"; }
  std::filesystem::path File() const { return AppFolder() / "Preferences.xml"; }
  void WriteFile(const std::string& ABytes) const { FHome.Dir().Write("Tessarine/Preferences.xml", ABytes); }
  std::string ReadFile() const { return FHome.Dir().Read("Tessarine/Preferences.xml"); }

  ScopedDataHome FHome;
};

const std::string kDefaultFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Root>\r\n"
    "  <Replace>True</Replace>\r\n"
    "  <Backup>True</Backup>\r\n"
    "  <BackupSameFolder>True</BackupSameFolder>\r\n"
    "  <BackupFolder />\r\n"
    "  <OverrideBackup>False</OverrideBackup>\r\n"
    "  <SaveSameFolder>True</SaveSameFolder>\r\n"
    "  <SaveFolder />\r\n"
    "  <KeepFolderStructure>False</KeepFolderStructure>\r\n"
    "  <ConvertedLf>False</ConvertedLf>\r\n"
    "</Root>\r\n";

void ExpectDefaults(const TDFMSettings& ASettings) {
  EXPECT_TRUE(ASettings.Replace());
  EXPECT_TRUE(ASettings.Backup());
  EXPECT_TRUE(ASettings.BackupSameFolder());
  EXPECT_EQ(ASettings.BackupFolder(), u"");
  EXPECT_FALSE(ASettings.OverrideBackup());
  EXPECT_TRUE(ASettings.SaveSameFolder());
  EXPECT_EQ(ASettings.SaveFolder(), u"");
  EXPECT_FALSE(ASettings.KeepStructure());
}

}  // namespace

TEST_F(SettingsTest, FirstStartUsesTheDefaultsAndWritesNoFile) {
  TDFMApp app;
  ExpectDefaults(app.Settings());
  EXPECT_EQ(app.TakeLoadProblem(), u"");
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(SettingsTest, SavingWritesEverySettingInOrderWithCrLfAndTwoSpaces) {
  TDFMSettings settings;
  settings.Save();
  EXPECT_EQ(ReadFile(), kDefaultFile);
  EXPECT_EQ(settings.FileName().Native(), (AppFolder() / "Preferences.xml").string());
}

TEST_F(SettingsTest, SavingUnchangedSettingsRewritesTheSameFile) {
  WriteFile(kDefaultFile);
  TDFMApp app;
  std::filesystem::remove(File());
  app.Settings().Save();
  EXPECT_EQ(ReadFile(), kDefaultFile);
}

TEST_F(SettingsTest, ChangedValuesRoundTripThroughTheFile) {
  {
    TDFMSettings settings;
    settings.SetReplace(false);
    settings.SetBackup(false);
    settings.SetBackupSameFolder(false);
    settings.SetBackupFolder(u"/home/ann/Sicherungen & Kopien");
    settings.SetOverrideBackup(true);
    settings.SetSaveSameFolder(false);
    settings.SetSaveFolder(u"/home/ann/\u65B0\u3057\u3044");
    settings.SetConvertedLf(true);
    settings.Save();
  }
  EXPECT_NE(ReadFile().find("<BackupFolder>/home/ann/Sicherungen &amp; Kopien</BackupFolder>"), std::string::npos);
  TDFMApp app;
  const TDFMSettings& settings = app.Settings();
  EXPECT_FALSE(settings.Replace());
  EXPECT_FALSE(settings.Backup());
  EXPECT_FALSE(settings.BackupSameFolder());
  EXPECT_EQ(settings.BackupFolder(), u"/home/ann/Sicherungen & Kopien");
  EXPECT_TRUE(settings.OverrideBackup());
  EXPECT_FALSE(settings.SaveSameFolder());
  EXPECT_EQ(settings.SaveFolder(), u"/home/ann/\u65B0\u3057\u3044");
  EXPECT_TRUE(settings.ConvertedLf());
}

TEST_F(SettingsTest, AFileWithOnlyReplaceFalseKeepsEveryOtherDefault) {
  WriteFile("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n  <Replace>False</Replace>\r\n</Root>\r\n");
  TDFMApp app;
  EXPECT_FALSE(app.Settings().Replace());
  app.Settings().SetReplace(true);
  ExpectDefaults(app.Settings());
}

TEST_F(SettingsTest, ElementsInAnotherOrderWithUnknownOnesAndAByteOrderMarkAreRead) {
  WriteFile(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Root><Theme>dark</Theme>"
      "<SaveFolder>/out</SaveFolder><OverrideBackup>True</OverrideBackup><Replace>False</Replace></Root>");
  TDFMApp app;
  EXPECT_EQ(app.Settings().SaveFolder(), u"/out");
  EXPECT_TRUE(app.Settings().OverrideBackup());
  EXPECT_FALSE(app.Settings().Replace());
  EXPECT_TRUE(app.Settings().Backup());
  app.Settings().Save();
  EXPECT_EQ(ReadFile().find("Theme"), std::string::npos) << "an unknown element is not written back";
}

TEST_F(SettingsTest, AFileThatIsNotWellFormedKeepsTheDefaultsAndIsReportedOnce) {
  for (const std::string& bytes : {std::string("<Root><Replace>False</Replace>"), std::string("\x00\x01garbage", 9),
                                   std::string(""), std::string("<Root><Replace>False</Replace></Root>trailing<")}) {
    WriteFile(bytes);
    TDFMApp app;
    ExpectDefaults(app.Settings());
    const std::u16string problem = app.TakeLoadProblem();
    EXPECT_NE(problem.find(U16(File().string())), std::u16string::npos) << tess::common::Utf16ToUtf8(problem);
    EXPECT_EQ(app.TakeLoadProblem(), u"");
    app.Settings().Save();
    EXPECT_EQ(ReadFile(), kDefaultFile) << "the next save writes a clean file";
  }
}

TEST_F(SettingsTest, AnUnreadableValueKeepsItsDefaultAndTheOthersAreStillRead) {
  WriteFile(
      "<Root><Replace>False</Replace><Backup></Backup><OverrideBackup>Sometimes</OverrideBackup>"
      "<SaveFolder>/out</SaveFolder></Root>");
  TDFMApp app;
  EXPECT_FALSE(app.Settings().Replace());
  EXPECT_TRUE(app.Settings().Backup());
  EXPECT_FALSE(app.Settings().OverrideBackup());
  EXPECT_EQ(app.Settings().SaveFolder(), u"/out");
  const std::string problem = tess::common::Utf16ToUtf8(app.TakeLoadProblem());
  EXPECT_NE(problem.find("Backup"), std::string::npos) << problem;
  EXPECT_NE(problem.find("Sometimes"), std::string::npos) << problem;
}

TEST_F(SettingsTest, ReloadingAfterTheFileChangedReadsAndSavesTheNewContent) {
  WriteFile("<Root><SaveFolder>/first</SaveFolder></Root>");
  TDFMSettings settings;
  settings.Load();
  WriteFile("<Root><SaveFolder>/second</SaveFolder></Root>");
  settings.Load();
  EXPECT_EQ(settings.SaveFolder(), u"/second");
  settings.SetSaveFolder(u"/third");
  settings.Save();
  EXPECT_NE(ReadFile().find("<SaveFolder>/third</SaveFolder>"), std::string::npos);
}

TEST_F(SettingsTest, SavingWhereTheFileCannotBeWrittenRaisesAndKeepsTheValues) {
  std::filesystem::create_directories(File());  // a folder where the file should be
  TDFMSettings settings;
  settings.SetReplace(false);
  EXPECT_THROW(settings.Save(), tess::common::EFileError);
  EXPECT_FALSE(settings.Replace());
}

TEST(AppSettings, WithoutAFileNameLoadAndSaveDoNothing) {
  tess::testing::TempDir dir;
  tess::common::TAppSettings settings;
  EXPECT_TRUE(settings.FileName().IsEmpty());
  settings.Load();
  settings.Save();
  EXPECT_EQ(settings.LoadError(), u"");
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// A hand-edited or damaged file nested far deeper than any settings file reads without exhausting
// the stack: the deep value is reported and the other settings are still read.
TEST_F(SettingsTest, ElementsNestedAHundredThousandDeepAreReportedNotFollowed) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  WriteFile("<Root><Replace>False</Replace><SaveFolder>" + deep + "</SaveFolder></Root>");
  TDFMApp app;
  EXPECT_FALSE(app.Settings().Replace());
  EXPECT_EQ(app.Settings().SaveFolder(), u"");
  EXPECT_NE(app.TakeLoadProblem(), u"");
}
