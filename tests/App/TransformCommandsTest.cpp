// The main window's transformation and preferences commands on a real Transforms folder.
#include "App/uMainC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "App/uDFMApp.h"
#include "Support/FakeDialogs.h"
#include "Support/FakeMain.h"
#include "Support/TempDir.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"
#include "Transformations/uTransformList.h"

using namespace tess::app;
using namespace tess::transform;
using tess::testing::kIdle;
using tess::testing::kIdleChosen;
using tess::testing::kIdleEditable;
using tess::testing::ScopedDataHome;
using tess::testing::TFakeMain;
using tess::testing::TFakeMessageBox;
using tess::testing::TFakeModFormWindow;
using tess::testing::TFakeNewPropFrame;
using tess::testing::TFakeRemovePropFrame;
using tess::testing::TFakeWindowFactory;
using tess::testing::TScopedDialogs;
using Lines = std::vector<std::u16string>;
namespace fs = std::filesystem;

namespace {

using TAsked = TFakeMessageBox::TAsked;
const Lines kBuiltIns{u"Binary to text", u"Text to binary"};

class TransformCommandsTest : public ::testing::Test {
protected:
  ~TransformCommandsTest() override {
    if (!Controller) return;
    Main.Close();
    Main.Connect(nullptr);
    Controller->AttachView(nullptr);
  }

  // The list as start-up makes it from the folder, then the main controller over it.
  void Start() {
    List = std::make_unique<TTransformList>();
    List->Load();
    Controller = std::make_unique<TMainC>([this] {
      std::vector<TTransform*> offered;
      for (int i = 0; i < List->Count(); ++i) offered.push_back(List->Items(i));
      return offered;
    });
    Controller->SetTransformList(List.get());
    Controller->SetApplication(&App);
    Main.Connect(Controller.get());
    Controller->AttachView(&Main);
  }
  // A user transformation already in the folder, as an earlier session left it.
  void Seed(const std::u16string& ACaption) {
    TTransformList list;
    auto transform = std::make_unique<TManualTransform>();
    transform->SetCaption(ACaption);
    auto remove = std::make_unique<TRemovePropertyAction>();
    remove->SetPropName(u"Tag");
    transform->AddAction(std::move(remove));
    list.Add(std::move(transform));
  }

  fs::path Folder() const { return Home.Dir().Path() / "Tessarine" / "Transforms"; }
  std::string FileText(const std::string& AName) const { return Home.Dir().Read("Tessarine/Transforms/" + AName); }
  std::vector<std::string> FolderFiles() const {
    std::vector<std::string> names;
    if (fs::is_directory(Folder()))
      for (const auto& entry : fs::directory_iterator(Folder())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::u16string Current() {
    tess::common::TDGUIItem* item = Main.Chooser.Selected();
    return item == nullptr ? u"" : item->Caption();
  }
  Lines With(Lines ALines, const std::u16string& ALast) {
    ALines.push_back(ALast);
    return ALines;
  }

  ScopedDataHome Home;
  TFakeMessageBox Messages;
  TFakeWindowFactory Factory;
  TScopedDialogs Dialogs{&Messages, &Factory};
  TDFMApp App;
  std::unique_ptr<TTransformList> List;
  TFakeMain Main;
  std::unique_ptr<TMainC> Controller;
};

TEST_F(TransformCommandsTest, ANewTransformationConfirmedIsSavedUnderTheNextFreeNameAndChosen) {
  Start();
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Tag everything");
    AWindow.New();
    AWindow.Select(0);
    TFakeNewPropFrame* frame = AWindow.Form.FrameAs<TFakeNewPropFrame>();
    frame->NewPropNameEdit.SetText(u"Tag");
    frame->NewPropValueMemo.SetText(u"7");
    AWindow.ClickOk();
  };
  Main.AddTransformAction.Execute();

  EXPECT_EQ(Main.Chooser.Captions(), With(kBuiltIns, u"Tag everything"));
  EXPECT_EQ(Current(), u"Tag everything");
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
  ASSERT_EQ(FolderFiles(), std::vector<std::string>{"0002.xml"});
  EXPECT_EQ(List->Items(2)->FileName().Text(), u"0002.xml");

  TTransformList reloaded;
  reloaded.Load();
  ASSERT_EQ(reloaded.Count(), 3);
  auto* stored = dynamic_cast<TManualTransform*>(reloaded.Items(2));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetCaption(), u"Tag everything");
  ASSERT_EQ(stored->ActionCount(), 1);
  EXPECT_EQ(stored->Actions(0)->Description(), u"New property Tag");
}

TEST_F(TransformCommandsTest, ANewTransformationCancelledLeavesTheChooserAndTheFolderAlone) {
  Start();
  Main.Chooser.UserPick(0);
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Never mind");
    AWindow.ClickCancel();
  };
  Main.AddTransformAction.Execute();
  EXPECT_EQ(Factory.ModFormsMade, 1);
  EXPECT_EQ(Main.Chooser.Captions(), kBuiltIns);
  EXPECT_EQ(Current(), u"Binary to text");
  EXPECT_EQ(FolderFiles(), std::vector<std::string>{});
  EXPECT_EQ(Main.EnabledActions(), kIdleChosen);
}

TEST_F(TransformCommandsTest, EditingConfirmedRewritesItsFileAndARenameKeepsItChosen) {
  Seed(u"Tidy buttons");
  Start();
  TTransform* edited = List->Items(2);
  Main.Chooser.UserPick(2);
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Tidy labels");
    AWindow.Select(0);
    AWindow.Form.FrameAs<TFakeRemovePropFrame>()->PropNameEdit.SetText(u"HelpContext");
    AWindow.ClickOk();
  };
  Main.EditTransformAction.Execute();

  EXPECT_EQ(Main.Chooser.Captions(), With(kBuiltIns, u"Tidy labels"));
  EXPECT_EQ(Current(), u"Tidy labels");
  EXPECT_EQ(List->Items(2), edited) << "the same object keeps its place";
  EXPECT_EQ(edited->FileName().Text(), u"0002.xml");
  const std::string text = FileText("0002.xml");
  EXPECT_NE(text.find("<Caption>Tidy labels</Caption>"), std::string::npos) << text;
  EXPECT_NE(text.find("<PropName>HelpContext</PropName>"), std::string::npos) << text;
  EXPECT_EQ(FolderFiles(), std::vector<std::string>{"0002.xml"});
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
}

TEST_F(TransformCommandsTest, EditingCancelledLeavesItUnchangedButStillWritesItsFile) {
  Seed(u"Tidy buttons");
  Start();
  Main.Chooser.UserPick(2);
  fs::remove(Folder() / "0002.xml");
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Tidy labels");
    AWindow.Remove();
    AWindow.Select(0);
    AWindow.Remove();
    AWindow.ClickCancel();
  };
  Main.EditTransformAction.Execute();

  auto* transform = dynamic_cast<TManualTransform*>(List->Items(2));
  ASSERT_NE(transform, nullptr);
  EXPECT_EQ(transform->GetCaption(), u"Tidy buttons");
  EXPECT_EQ(transform->ActionCount(), 1);
  EXPECT_EQ(Current(), u"Tidy buttons");
  const std::string text = FileText("0002.xml");
  EXPECT_NE(text.find("<Caption>Tidy buttons</Caption>"), std::string::npos) << text;
  EXPECT_NE(text.find("<PropName>Tag</PropName>"), std::string::npos) << text;
}

TEST_F(TransformCommandsTest, RemovingAnsweredNoKeepsTheTransformationAndItsFile) {
  Seed(u"Tidy buttons");
  Start();
  Main.Chooser.UserPick(2);
  Messages.Answer = false;  // what Enter gives: No is the default button
  Main.RemoveTransformAction.Execute();

  EXPECT_EQ(Messages.Asked, (std::vector<TAsked>{{u"Confirm", u"Completely remove transformation?"}}));
  EXPECT_EQ(Main.Chooser.Captions(), With(kBuiltIns, u"Tidy buttons"));
  EXPECT_EQ(Current(), u"Tidy buttons");
  EXPECT_EQ(List->Count(), 3);
  EXPECT_EQ(FolderFiles(), std::vector<std::string>{"0002.xml"});
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
}

TEST_F(TransformCommandsTest, RemovingAnsweredYesDeletesTheFileTheEntryAndTheTransformation) {
  Seed(u"Tidy buttons");
  Seed(u"Tidy labels");
  Start();
  Main.Chooser.UserPick(2);
  Messages.Answer = true;
  Main.RemoveTransformAction.Execute();

  EXPECT_EQ(Main.Chooser.Captions(), With(kBuiltIns, u"Tidy labels"));
  EXPECT_EQ(Current(), u"");
  EXPECT_EQ(List->Count(), 3);
  EXPECT_EQ(List->Items(2)->GetCaption(), u"Tidy labels");
  EXPECT_EQ(FolderFiles(), std::vector<std::string>{"0003.xml"});
  EXPECT_EQ(Main.EnabledActions(), kIdle);
}

TEST_F(TransformCommandsTest, TheBuiltInsAreNeitherEditedNorRemovedWhateverCallsTheCommands) {
  Start();
  Main.Chooser.UserPick(1);
  Messages.Answer = true;
  Controller->EditTransform();
  Controller->RemoveTransform();
  EXPECT_EQ(Factory.ModFormsMade, 0);
  EXPECT_TRUE(Messages.Asked.empty());
  EXPECT_EQ(Main.Chooser.Captions(), kBuiltIns);
  EXPECT_EQ(List->Count(), 2);
}

TEST_F(TransformCommandsTest, ATransformationThatCannotBeSavedIsReportedAndNotListed) {
  // A file where the Transforms folder belongs: nothing can be written into it, even by root.
  Home.Dir().Write("Tessarine/Transforms", "not a folder");
  Start();
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) { AWindow.ClickOk(); };
  Main.AddTransformAction.Execute();

  ASSERT_EQ(Messages.Asked.size(), 1u);
  EXPECT_EQ(Messages.Asked[0].Kind, u"Warning");
  EXPECT_EQ(Main.Chooser.Captions(), kBuiltIns);
  EXPECT_EQ(List->Count(), 2);
  EXPECT_EQ(Main.EnabledActions(), kIdle);
}

TEST_F(TransformCommandsTest, OptionsOpensThePreferencesAndWritesTheSettingsFile) {
  Start();
  Factory.PrefFormScript = [](tess::testing::TFakePrefFormWindow& AWindow) {
    AWindow.Form.OverrideCheck.SetChecked(true);
    AWindow.RequestClose();
  };
  Main.PreferencesAction.Execute();
  EXPECT_EQ(Factory.PrefFormsMade, 1);
  EXPECT_TRUE(App.Settings().OverrideBackup());
  const std::string text = Home.Dir().Read("Tessarine/Preferences.xml");
  EXPECT_NE(text.find("<OverrideBackup>True</OverrideBackup>"), std::string::npos) << text;
}

}  // namespace
