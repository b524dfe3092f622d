#include "App/uPrefFormC.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "App/uDFMApp.h"
#include "Shared/Common/uEncoding.h"
#include "Support/FakeDialogs.h"
#include "Support/TempDir.h"

using namespace tess::app;
using tess::common::U16;
using tess::testing::ScopedDataHome;
using tess::testing::TempDir;
using tess::testing::TFakeMessageBox;
using tess::testing::TFakePrefForm;
using tess::testing::TFakePrefFormWindow;
using tess::testing::TFakeWindowFactory;
using tess::testing::TScopedDialogs;

namespace {

using TAsked = TFakeMessageBox::TAsked;
const TAsked kFolderMissing{u"Warning", u"Folder does not exist."};

class PrefFormTest : public ::testing::Test {
protected:
  // The dialog as the application object opens it: the controller loads the settings into it.
  void Open() {
    Window.SetController(&Controller);
    Controller.AttachView(&Form());
  }
  TFakePrefForm& Form() { return Window.Form; }
  std::u16string Existing() const { return Folders.Text(); }
  std::u16string Missing() const { return Folders.Text("missing"); }

  TempDir Folders;
  TFakeMessageBox Messages;
  TFakeWindowFactory Factory;
  TScopedDialogs Dialogs{&Messages, &Factory};
  TDFMSettings Settings;
  TFakePrefFormWindow Window;
  TPrefFormC Controller{Settings};
};

TEST_F(PrefFormTest, DefaultsLoadAsTheReplaceMethodWithABackupBesideTheOriginal) {
  Open();
  EXPECT_TRUE(Form().ReplaceOriginal()->Checked());
  EXPECT_FALSE(Form().SaveNew()->Checked());
  EXPECT_TRUE(Form().ReplaceFrameShown);
  EXPECT_TRUE(Form().BackupCheck.Value);
  EXPECT_TRUE(Form().BackupSameRadio.Value);
  EXPECT_FALSE(Form().BackupSeparateRadio.Value);
  EXPECT_FALSE(Form().OverrideCheck.Value);
  EXPECT_TRUE(Form().SaveSameRadio.Value);
  EXPECT_FALSE(Form().BackupPathEnabled);
  EXPECT_FALSE(Form().SavePathEnabled);
  EXPECT_FALSE(Form().KeepStructureCheck.Value);
  EXPECT_EQ(Form().LineBreak, 0);
}

TEST_F(PrefFormTest, LoadingRunsTheDialogsOwnHandlersSoTheEnabledStatesFollow) {
  Settings.SetReplace(false);
  Settings.SetBackup(false);
  Settings.SetBackupSameFolder(false);
  Settings.SetBackupFolder(u"/backups");
  Settings.SetOverrideBackup(true);
  Settings.SetSaveSameFolder(false);
  Settings.SetSaveFolder(u"/output");
  Settings.SetKeepStructure(true);
  Open();

  EXPECT_EQ(Form().Method, 1);
  EXPECT_FALSE(Form().ReplaceFrameShown) << "the chooser's change handler ran";
  EXPECT_FALSE(Form().BackupCheck.Value);
  EXPECT_FALSE(Form().BackupOptionsEnabled) << "the backup check box's handler ran";
  EXPECT_TRUE(Form().BackupPathEnabled) << "the radio button's handler ran (the greyed group hides it)";
  EXPECT_TRUE(Form().BackupSeparateRadio.Value);
  EXPECT_FALSE(Form().BackupSameRadio.Value);
  EXPECT_EQ(Form().BackupPath.Value, u"/backups");
  EXPECT_TRUE(Form().OverrideCheck.Value);
  EXPECT_TRUE(Form().SaveSeparateRadio.Value);
  EXPECT_TRUE(Form().SavePathEnabled) << "the radio button's handler ran";
  EXPECT_EQ(Form().SavePath.Value, u"/output");
  EXPECT_TRUE(Form().KeepStructureCheck.Value);
}

TEST_F(PrefFormTest, SeparateBackupFolderIsEnabledWhenBackupsAreKept) {
  Settings.SetBackupSameFolder(false);
  Open();
  EXPECT_TRUE(Form().BackupOptionsEnabled);
  EXPECT_TRUE(Form().BackupPathEnabled);
}

// One combination of the dialog's choices when it is closed, and whether it may close.
struct TExitCase {
  const char* Name;
  bool Replace;
  bool Backup;
  bool BackupSeparate;
  const char* BackupFolder;  // "existing", "missing" or "" (empty text)
  bool SaveSeparate;
  const char* SaveFolder;
  bool CanExit;
};

class CanExitTest : public PrefFormTest, public ::testing::WithParamInterface<TExitCase> {
protected:
  std::u16string FolderText(const std::string& AKind) const {
    if (AKind == "existing") return Existing();
    if (AKind == "missing") return Missing();
    return u"";
  }
};

TEST_P(CanExitTest, ChecksOnlyTheSeparateFolderOfTheChosenMethod) {
  const TExitCase& c = GetParam();
  Open();
  Form().PickMethod(c.Replace ? 0 : 1);
  Form().BackupCheck.SetChecked(c.Backup);
  (c.BackupSeparate ? Form().BackupSeparateRadio : Form().BackupSameRadio).SetChecked(true);
  Form().BackupPath.SetText(FolderText(c.BackupFolder));
  (c.SaveSeparate ? Form().SaveSeparateRadio : Form().SaveSameRadio).SetChecked(true);
  Form().SavePath.SetText(FolderText(c.SaveFolder));

  EXPECT_EQ(Window.RequestClose(), c.CanExit);
  if (c.CanExit) {
    EXPECT_TRUE(Messages.Asked.empty());
    EXPECT_EQ(Settings.Replace(), c.Replace);
    EXPECT_EQ(Settings.BackupFolder(), FolderText(c.BackupFolder));
    EXPECT_EQ(Settings.SaveFolder(), FolderText(c.SaveFolder));
  } else {
    EXPECT_EQ(Messages.Asked, std::vector<TAsked>{kFolderMissing});
    EXPECT_TRUE(Settings.Replace()) << "a refused close stores nothing";
    EXPECT_EQ(Settings.BackupFolder(), u"");
    EXPECT_EQ(Settings.SaveFolder(), u"");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Combinations, CanExitTest,
    ::testing::Values(TExitCase{"ReplaceBackupSameFolder", true, true, false, "missing", true, "missing", true},
                      TExitCase{"ReplaceNoBackupMissingFolder", true, false, true, "missing", true, "missing", true},
                      TExitCase{"ReplaceSeparateExisting", true, true, true, "existing", true, "missing", true},
                      TExitCase{"ReplaceSeparateMissing", true, true, true, "missing", false, "", false},
                      TExitCase{"ReplaceSeparateEmpty", true, true, true, "", false, "", false},
                      TExitCase{"NewSameFolderMissingBoth", false, true, true, "missing", false, "missing", true},
                      TExitCase{"NewSeparateExisting", false, true, true, "missing", true, "existing", true},
                      TExitCase{"NewSeparateMissing", false, true, false, "", true, "missing", false},
                      TExitCase{"NewSeparateEmpty", false, false, false, "", true, "", false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(PrefFormTest, ASuccessfulCloseStoresEveryFieldAlsoOfTheMethodNotChosen) {
  Open();
  Form().PickMethod(1);
  Form().BackupCheck.SetChecked(false);
  Form().BackupSeparateRadio.SetChecked(true);
  Form().BackupPath.SetText(u"/not/checked/for/this/method");
  Form().OverrideCheck.SetChecked(true);
  Form().SaveSeparateRadio.SetChecked(true);
  Form().SavePath.SetText(Existing());
  Form().KeepStructureCheck.SetChecked(true);
  Form().LfCondition.SetChecked(true);

  ASSERT_TRUE(Controller.CanExit());
  EXPECT_TRUE(Settings.ConvertedLf());
  EXPECT_FALSE(Settings.Replace());
  EXPECT_FALSE(Settings.Backup());
  EXPECT_FALSE(Settings.BackupSameFolder());
  EXPECT_EQ(Settings.BackupFolder(), u"/not/checked/for/this/method");
  EXPECT_TRUE(Settings.OverrideBackup());
  EXPECT_FALSE(Settings.SaveSameFolder());
  EXPECT_EQ(Settings.SaveFolder(), Existing());
  EXPECT_TRUE(Settings.KeepStructure());
}

TEST_F(PrefFormTest, AnEmptyOutputFolderBlocksTheCloseUntilSameFolderIsChosen) {
  Settings.SetReplace(false);
  Settings.SetSaveSameFolder(false);
  Open();
  EXPECT_FALSE(Window.RequestClose());
  EXPECT_EQ(Messages.Asked, std::vector<TAsked>{kFolderMissing});
  EXPECT_FALSE(Settings.SaveSameFolder());

  Form().SaveSameRadio.SetChecked(true);
  EXPECT_TRUE(Window.RequestClose());
  EXPECT_TRUE(Settings.SaveSameFolder());
  EXPECT_EQ(Settings.SaveFolder(), u"");
  EXPECT_EQ(Messages.Asked.size(), 1u);
}

TEST_F(PrefFormTest, BrowsingFillsTheFolderOfTheChosenMethodOnly) {
  Open();
  Form().BackupPath.SetText(u"/typed/backup");
  Form().SavePath.SetText(u"/typed/output");

  Form().DirDialog.Choice = u"/picked/backup";
  Window.Browse();
  EXPECT_EQ(Form().BackupPath.Value, u"/picked/backup");
  EXPECT_EQ(Form().SavePath.Value, u"/typed/output");

  Form().PickMethod(1);
  Form().DirDialog.Choice = u"/picked/output";
  Window.Browse();
  EXPECT_EQ(Form().SavePath.Value, u"/picked/output");
  EXPECT_EQ(Form().BackupPath.Value, u"/picked/backup");
}

TEST_F(PrefFormTest, ThePickerStartsAtTheLastPickNotAtTheFieldAndACancelChangesNothing) {
  Open();
  Form().BackupPath.SetText(u"/typed");
  Form().DirDialog.Choice = u"/first";
  Window.Browse();
  Form().DirDialog.Choice.reset();  // the user cancels the second time
  Window.Browse();

  EXPECT_EQ(Form().DirDialog.InitialPaths, (std::vector<std::u16string>{u"", u"/first"}));
  EXPECT_EQ(Form().DirDialog.Captions.back(), u"Select folder");
  EXPECT_EQ(Form().BackupPath.Value, u"/first");
}

// ---- The Options dialog of the application object, writing the real settings file.

class OptionsTest : public ::testing::Test {
protected:
  std::filesystem::path File() const { return Home.Dir().Path() / "Tessarine" / "Preferences.xml"; }
  std::string FileText() const { return Home.Dir().Read("Tessarine/Preferences.xml"); }

  ScopedDataHome Home;
  TFakeMessageBox Messages;
  TFakeWindowFactory Factory;
  TScopedDialogs Dialogs{&Messages, &Factory};
};

TEST_F(OptionsTest, ClosingWithoutChangesStillWritesTheSettingsFile) {
  TDFMApp app;
  ASSERT_FALSE(std::filesystem::exists(File()));
  app.Options();
  EXPECT_EQ(Factory.PrefFormsMade, 1);
  ASSERT_TRUE(std::filesystem::exists(File()));
  EXPECT_NE(FileText().find("<Replace>True</Replace>"), std::string::npos);
}

TEST_F(OptionsTest, EveryCloseWritesTheFileWithWhatTheDialogStored) {
  TDFMApp app;
  Factory.PrefFormScript = [](TFakePrefFormWindow& AWindow) {
    AWindow.Form.PickMethod(1);
    AWindow.RequestClose();
  };
  app.Options();
  EXPECT_FALSE(app.Settings().Replace());
  EXPECT_NE(FileText().find("<Replace>False</Replace>"), std::string::npos);

  std::filesystem::remove(File());
  Factory.PrefFormScript = {};
  app.Options();
  EXPECT_NE(FileText().find("<Replace>False</Replace>"), std::string::npos) << "the second close wrote it again";

  TDFMApp restarted;
  EXPECT_FALSE(restarted.Settings().Replace());
}

TEST_F(OptionsTest, ARefusedCloseKeepsTheDialogOpenUntilTheUserMendsIt) {
  TDFMApp app;
  Factory.PrefFormScript = [](TFakePrefFormWindow& AWindow) {
    AWindow.Form.BackupSeparateRadio.SetChecked(true);
    EXPECT_FALSE(AWindow.RequestClose());
    AWindow.Form.BackupCheck.SetChecked(false);
    EXPECT_TRUE(AWindow.RequestClose());
  };
  app.Options();
  EXPECT_EQ(Messages.Asked, std::vector<TAsked>{kFolderMissing});
  EXPECT_FALSE(app.Settings().Backup());
  EXPECT_FALSE(app.Settings().BackupSameFolder());
}

TEST_F(OptionsTest, AnErrorInsideTheDialogWritesNothingAndLetsTheWindowGo) {
  TDFMApp app;
  TFakePrefFormWindow* shown = nullptr;
  Factory.PrefFormScript = [&shown](TFakePrefFormWindow& AWindow) {
    shown = &AWindow;
    throw std::runtime_error("dialog failed");
  };
  EXPECT_THROW(app.Options(), std::runtime_error);
  EXPECT_NE(shown, nullptr);
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST(Dialogs, AMissingMessageBoxOrWindowFactoryRaisesInsteadOfAnswering) {
  ScopedDataHome home;
  SetMessageBox(nullptr);
  SetWindowFactory(nullptr);
  EXPECT_THROW(MessageBox(), EDialogError);
  EXPECT_THROW(WindowFactory(), EDialogError);
  TDFMApp app;
  EXPECT_THROW(app.Options(), EDialogError);
  EXPECT_FALSE(std::filesystem::exists(home.Dir().Path() / "Tessarine" / "Preferences.xml"));
}

}  // namespace
