// The preferences dialog driven like a user, with its real controller and settings behind it.
#include "App/Gui/uPrefWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "App/Gui/uPrefNewFrame.h"
#include "App/Gui/uPrefReplaceFrame.h"
#include "App/Gui/uQtDialogs.h"
#include "App/uDFMSettings.h"
#include "App/uPrefFormC.h"
#include "Gui/DialogDriver.h"
#include "Support/FakeDialogs.h"
#include "Support/TempDir.h"

namespace tess::gui {
namespace {

using namespace tess::gui::testing;

class PrefWindow : public tess::testing::TFakeDialogsTest {
protected:
  void Open() {
    Dialog.SetOpenDir(std::make_unique<common::TDDirDialog>(
        [this](const std::u16string&, const std::u16string&) -> std::optional<std::u16string> { return Picked; }));
    Dialog.SetController(&Controller);
    Controller.AttachView(&Dialog);
    Dialog.show();
  }
  ~PrefWindow() override {
    Dialog.SetController(nullptr);
    Controller.AttachView(nullptr);
  }
  TPrefReplaceFrame& Replace() { return *Dialog.ReplaceFrame(); }
  TPrefNewFrame& New() { return *Dialog.NewFrame(); }

  app::TDFMSettings Settings;
  TPrefForm Dialog;
  app::TPrefFormC Controller{Settings};
  std::optional<std::u16string> Picked;
};

TEST_F(PrefWindow, ChoosingAMethodSwapsTheFramesInOnePlaceAndKeepsTheirState) {
  Open();
  Pick(Dialog.cbMethod, "Replace original file");
  Click(Replace().rbSeparate);
  Type(Replace().edBackupPath->Edit(), "/backups");
  Click(Replace().chOverride);
  Pick(Dialog.cbMethod, "Process to a new file");
  EXPECT_FALSE(Replace().isVisible());
  EXPECT_TRUE(New().isVisible());
  EXPECT_EQ(New().geometry().topLeft(), Replace().geometry().topLeft());
  Pick(Dialog.cbMethod, "Replace original file");
  EXPECT_TRUE(Replace().isVisible());
  EXPECT_FALSE(New().isVisible());
  EXPECT_TRUE(Replace().rbSeparate->isChecked());
  EXPECT_TRUE(Replace().chOverride->isChecked());
  EXPECT_EQ(Replace().edBackupPath->Edit()->text(), "/backups");
  EXPECT_TRUE(Replace().edBackupPath->isEnabled());
}

TEST_F(PrefWindow, UncheckingBackupGreysTheGroupAndCheckingItEnablesTheFolderOnlyForASeparateFolder) {
  Settings.SetBackup(true);
  Settings.SetBackupSameFolder(true);
  Open();
  Click(Replace().chBackup);
  EXPECT_FALSE(Replace().gbBackupOptions->isEnabled());
  for (QWidget* control : {static_cast<QWidget*>(Replace().rbSame), static_cast<QWidget*>(Replace().rbSeparate),
                           static_cast<QWidget*>(Replace().chOverride), static_cast<QWidget*>(Replace().edBackupPath)})
    EXPECT_FALSE(control->isEnabled());
  Click(Replace().chBackup);
  EXPECT_TRUE(Replace().gbBackupOptions->isEnabled());
  EXPECT_TRUE(Replace().chOverride->isEnabled());
  EXPECT_FALSE(Replace().edBackupPath->isEnabled()) << "the same folder is chosen";
  Click(Replace().rbSeparate);
  Click(Replace().chBackup);
  Click(Replace().chBackup);
  EXPECT_TRUE(Replace().edBackupPath->isEnabled());
}

TEST_F(PrefWindow, InEitherFrameTheSeparateFolderRadioEnablesTheFolderField) {
  Open();
  Click(Replace().rbSeparate);
  EXPECT_TRUE(Replace().edBackupPath->isEnabled());
  Click(Replace().rbSame);
  EXPECT_FALSE(Replace().edBackupPath->isEnabled());
  Pick(Dialog.cbMethod, "Process to a new file");
  Click(New().rbSeparate);
  EXPECT_TRUE(New().edBackupPath->isEnabled());
  Click(New().rbSame);
  EXPECT_FALSE(New().edBackupPath->isEnabled());
}

TEST_F(PrefWindow, LoadingTheSettingsRunsTheSameRules) {
  Settings.SetReplace(false);
  Settings.SetSaveSameFolder(false);
  Settings.SetSaveFolder(u"/out");
  Settings.SetBackup(false);
  Open();
  EXPECT_EQ(Dialog.cbMethod->currentIndex(), 1);
  EXPECT_TRUE(New().isVisible());
  EXPECT_FALSE(Replace().isVisible());
  EXPECT_TRUE(New().edBackupPath->isEnabled());
  EXPECT_EQ(New().edBackupPath->Edit()->text(), "/out");
  EXPECT_FALSE(Replace().gbBackupOptions->isEnabled());
}

TEST_F(PrefWindow, BrowsingTheOutputFolderFillsTheOutputFieldOnly) {
  Open();
  Pick(Dialog.cbMethod, "Process to a new file");
  Click(New().rbSeparate);
  Picked = u"/picked/out";
  Click(New().edBackupPath->Button());
  EXPECT_EQ(New().edBackupPath->Edit()->text(), "/picked/out");
  EXPECT_EQ(Replace().edBackupPath->Edit()->text(), "");
  Picked.reset();
  Click(New().edBackupPath->Button());
  EXPECT_EQ(New().edBackupPath->Edit()->text(), "/picked/out") << "a cancelled picker changes nothing";
}

TEST_F(PrefWindow, AMissingSeparateFolderKeepsTheDialogOpenAndAnyCloseAsksFirst) {
  tess::testing::TempDir dir;
  Open();
  Dialog.hide();
  bool stayedOpen = false;
  WhenModal([&](QWidget*) {
    Pick(Dialog.cbMethod, "Process to a new file");
    Click(New().rbSeparate);
    Dialog.close();  // the title-bar button
    stayedOpen = Dialog.isVisible();
    Type(New().edBackupPath->Edit(), QString::fromStdString(dir.Path().string()));
    Dialog.reject();  // Escape
  });
  Dialog.ShowModal();
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(Messages.Asked.size(), 1u);
  EXPECT_EQ(Messages.Asked[0].Text, u"Folder does not exist.");
  EXPECT_FALSE(Settings.Replace());
  EXPECT_FALSE(Settings.SaveSameFolder());
  EXPECT_EQ(Settings.SaveFolder(), common::U16(dir.Path().string()));
}

TEST(DialogScreenshots, EditorAndPreferencesAreSavedAsPictures) {
  tess::testing::TempDir dir;
  ASSERT_TRUE(SaveDialogScreenshots(common::U16(dir.Path().string())));
  for (const char* name : {"editor.png", "preferences.png"}) {
    const QImage image(QString::fromStdString((dir.Path() / name).string()));
    EXPECT_FALSE(image.isNull()) << name;
  }
  const QImage editor(QString::fromStdString((dir.Path() / "editor.png").string()));
  EXPECT_GE(editor.width(), 550);
  EXPECT_GE(editor.height(), 400);
  // For a look by eye.
  SaveDialogScreenshots(u"/tmp");
}

}  // namespace
}  // namespace tess::gui
