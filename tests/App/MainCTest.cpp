// The main controller driven through its window as a user drives it: adding, scanning, inspecting, running, stopping.
#include "App/uMainC.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "App/uDFMSettings.h"
#include "Batch/BatchFixture.h"
#include "Batch/uDFMBackup.h"
#include "Batch/uFilesC.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Tasks/uTask.h"
#include "Support/Corpus.h"
#include "Support/FakeMain.h"
#include "Support/TempDir.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uTransformList.h"

using namespace tess::app;
using tess::batch::CellCaption;
using tess::batch::ColFormat;
using tess::batch::ColSize;
using tess::batch::ColStatus;
using tess::common::DString;
using tess::common::Format;
using tess::testing::CopyCorpus;
using tess::testing::CorpusFiles;
using tess::testing::kIdle;
using tess::testing::kIdleChosen;
using tess::testing::kIdleEditable;
using tess::testing::TempDir;
using tess::testing::TFakeMain;
using tess::testing::TGate;
using tess::testing::TScript;
using tess::testing::TScriptedTransform;
using tess::testing::TUILoop;
using tess::transform::TTransform;
using tess::transform::TTransformStatus;
using Lines = std::vector<std::u16string>;
namespace fs = std::filesystem;

namespace {

class MainC : public ::testing::Test {
protected:
  MainC() : Placement(Settings), User(u"Rename buttons", true) {
    tess::batch::SetFormFileImageIndex(3);
    Offered = {&BinToText, &TextToBin, &User};
    Controller = std::make_unique<TMainC>([this] { return Offered; }, &Placement, &Settings);
    Controller->Files().SetLauncher(
        [this](const tess::common::TFilePath& AFileName) { Opened.push_back(AFileName.Text()); });
    Main.Connect(Controller.get());
    Controller->AttachView(&Main);
  }
  ~MainC() override {
    Main.Close();
    EXPECT_TRUE(Controller->Idle());
    EXPECT_FALSE(Controller->Inspecting());
    Main.Connect(nullptr);
    Controller->AttachView(nullptr);
    Controller.reset();
    EXPECT_EQ(Main.Context->ForeignCalls(), Lines{});
    tess::batch::SetFormFileImageIndex(-1);
  }

  std::u16string Cell(int32_t ARow, int32_t ACell) { return CellCaption(Main.Table.Rows().Items(ARow), ACell); }
  int32_t StatusImage(int32_t ARow) {
    const tess::common::TDGUIItem* cell = Main.Table.Rows().Items(ARow).FindItem(ColStatus);
    return cell == nullptr ? -1 : cell->ImageIndex();
  }
  Lines Column(int32_t ACell) {
    Lines cells;
    for (int32_t i = 0; i < Main.Table.Rows().Count(); ++i) cells.push_back(Cell(i, ACell));
    return cells;
  }
  // Waits until the queue is drained and at least ACount rows show a format.
  bool WaitForFormats(int32_t ACount) {
    return Loop.Until([&] {
      int32_t shown = 0;
      for (const auto& format : Column(ColFormat)) shown += format.empty() ? 0 : 1;
      return Controller->FileStack().Empty() && shown >= ACount;
    });
  }
  bool WaitIdle() {
    return Loop.Until([&] { return Controller->Idle(); });
  }
  void AddPicked(const Lines& APicks) {
    Main.FileDialog.Picks = APicks;
    Main.AddFilesAction.Execute();
  }

  TUILoop Loop;
  TFakeMain Main;
  TempDir Dir;
  TDFMSettings Settings;
  tess::batch::TDFMBackup Placement;
  tess::transform::TBinToTextTransform BinToText;
  tess::transform::TTextToBinTransform TextToBin;
  TScriptedTransform User;
  std::vector<TTransform*> Offered;
  std::unique_ptr<TMainC> Controller;
  Lines Opened;
};

TEST_F(MainC, StartUpOffersTheTransformationsWithNoneChosenAndOnlyIdleCommandsEnabled) {
  EXPECT_EQ(Main.Chooser.Captions(), (Lines{u"Binary to text", u"Text to binary", u"Rename buttons"}));
  EXPECT_EQ(Main.Chooser.Current, -1);
  EXPECT_EQ(Main.EnabledActions(), kIdle);
  EXPECT_EQ(Main.Context->Journal(u"Stop.Enabled"), Lines{u"Stop.Enabled=false"});
  EXPECT_EQ(Main.Chooser.ChangeCount, 0);
}

TEST(MainCStartUp, OffersTheTransformationListWhenNoSourceIsGiven) {
  tess::testing::ScopedDataHome home;
  TUILoop loop;
  TFakeMain main;
  TMainC controller;
  main.Connect(&controller);
  controller.AttachView(&main);
  const tess::transform::TTransformList& list = tess::transform::TTransformList::Instance();
  ASSERT_GE(list.Count(), 2);
  Lines captions;
  for (int i = 0; i < list.Count(); ++i) captions.push_back(list.Items(i)->Caption());
  EXPECT_EQ(main.Chooser.Captions(), captions);
  EXPECT_EQ(Lines(captions.begin(), captions.begin() + 2), (Lines{u"Binary to text", u"Text to binary"}));
  EXPECT_EQ(main.Chooser.Current, -1);
  EXPECT_EQ(main.EnabledActions(), kIdle);
  main.Chooser.UserPick(1);
  EXPECT_EQ(controller.CurrentTransform(), list.Items(1));
  EXPECT_EQ(main.EnabledActions(), kIdleChosen);
  main.Connect(nullptr);
  controller.AttachView(nullptr);
}

TEST_F(MainC, CommandsAreSetInTheirFixedOrder) {
  Main.Context->ClearJournal();
  Controller->RefreshActions();
  Lines order;
  for (const auto& entry : Main.Context->Journal())
    if (entry.find(u".Enabled=") != std::u16string::npos) order.push_back(entry.substr(0, entry.find(u'.')));
  EXPECT_EQ(order, (Lines{u"EditTransform", u"RemoveTransform", u"Stop", u"Start", u"AddFiles", u"AddDir",
                          u"RemoveFiles", u"AddTransform", u"Preferences"}));
}

TEST_F(MainC, ChoosingABuiltInEnablesStartAndAUserTransformationAlsoEditAndRemove) {
  Main.Chooser.UserPick(1);
  EXPECT_EQ(Controller->CurrentTransform(), &TextToBin);
  EXPECT_EQ(Main.EnabledActions(), kIdleChosen);
  Main.Chooser.UserPick(2);
  EXPECT_EQ(Controller->CurrentTransform(), &User);
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
}

TEST_F(MainC, RefillingTheChooserKeepsTheChoiceWhileItIsOffered) {
  Main.Chooser.UserPick(2);
  Controller->FillTransforms();
  EXPECT_EQ(Main.Chooser.Captions().size(), 3u);
  EXPECT_EQ(Controller->CurrentTransform(), &User);
  EXPECT_EQ(Main.Chooser.ChangeCount, 1);

  Offered = {&BinToText, &TextToBin};
  Controller->FillTransforms();
  EXPECT_EQ(Controller->CurrentTransform(), nullptr);
  EXPECT_EQ(Main.Chooser.Current, -1);

  Controller->SelectTransform(&TextToBin);
  EXPECT_EQ(Main.Chooser.Current, 1);
  Controller->SelectTransform(&User);
  EXPECT_EQ(Main.Chooser.Current, -1);
}

TEST_F(MainC, StartWithoutFilesOnlyClearsTheLog) {
  Main.Details.Add(u"old line");
  Main.Chooser.UserPick(0);
  Main.Context->ClearJournal();
  Main.StartAction.Execute();
  EXPECT_EQ(Main.Details.ClearCount, 1);
  EXPECT_TRUE(Main.Details.Lines.empty());
  EXPECT_TRUE(Main.SwitchHistory.empty());
  EXPECT_TRUE(Controller->Idle());
  EXPECT_EQ(Main.Context->Journal(u"Start.Enabled"), Lines{});
  EXPECT_EQ(Main.EnabledActions(), kIdleChosen);
}

TEST_F(MainC, StartWithoutAChoiceOnlyClearsTheLog) {
  Dir.Write("a.dfm", "object A: TA\r\nend\r\n");
  AddPicked({Dir.Text("a.dfm")});
  Controller->Start();
  EXPECT_EQ(Main.Details.ClearCount, 1);
  EXPECT_TRUE(Controller->Idle());
  EXPECT_TRUE(Main.SwitchHistory.empty());
}

TEST_F(MainC, AddedFilesShowTheirCellsAndTheirInspectedFormat) {
  const std::vector<std::string> binaries = CorpusFiles("binary", 2);
  Lines picks;
  for (const auto& name : binaries) picks.push_back(CopyCorpus(Dir, "binary", name, "in/" + name));
  Dir.Write("in/plain.dfm", "object Plain: TForm\r\nend\r\n");
  Dir.Write("in/utf8.dfm", "\xEF\xBB\xBFobject U: TForm\r\nend\r\n");
  picks.push_back(Dir.Text("in/plain.dfm"));
  picks.push_back(Dir.Text("in/utf8.dfm"));
  picks.push_back(Dir.Text("in/plain.dfm"));
  AddPicked(picks);
  EXPECT_TRUE(Controller->Inspecting());
  ASSERT_TRUE(WaitForFormats(5));

  EXPECT_EQ(Column(0), (Lines{tess::common::U16(binaries[0]), tess::common::U16(binaries[1]), u"plain.dfm", u"utf8.dfm",
                              u"plain.dfm"}));
  EXPECT_EQ(Column(ColStatus), Lines(5));
  EXPECT_EQ(Column(ColFormat), (Lines{u"Binary", u"Binary", u"Text", u"UTF8 Text", u"Text"}));
  EXPECT_EQ(Column(4), Lines(5, Dir.Text("in/")));
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Cell(i, 2), DString::FormatBytes(static_cast<int64_t>(
                              fs::file_size(tess::common::Utf16ToUtf8(picks[static_cast<size_t>(i)])))));
    EXPECT_EQ(Main.Table.Rows().Items(i).ImageIndex(), 3);
  }
  // Adding leaves the commands as they are.
  EXPECT_EQ(Main.EnabledActions(), kIdle);
}

TEST_F(MainC, CancelledFileDialogAddsNothing) {
  Main.FileDialog.Confirm = false;
  AddPicked({Dir.Text("a.dfm")});
  EXPECT_EQ(Main.Table.Rows().Count(), 0);
  EXPECT_FALSE(Controller->Inspecting());
}

TEST_F(MainC, MissingFileGetsAnEmptyFormatAndItsOpenErrorInTheLog) {
  Dir.Write("here.dfm", "object A: TA\r\nend\r\n");
  AddPicked({Dir.Text("gone.dfm"), Dir.Text("here.dfm")});
  ASSERT_TRUE(WaitForFormats(1));
  ASSERT_TRUE(Loop.Until([&] { return !Main.Details.Lines.empty(); }));
  EXPECT_EQ(Column(ColFormat), (Lines{u"", u"Text"}));
  EXPECT_EQ(Cell(0, 2), DString::FormatBytes(0));
  ASSERT_EQ(Main.Details.Lines.size(), 1u);
  EXPECT_EQ(Main.Details.Lines[0].rfind(u"Cannot open file \"" + (Dir.Text("gone.dfm")) + u"\".", 0), 0u)
      << tess::common::Utf16ToUtf8(Main.Details.Lines[0]);
}

TEST_F(MainC, AddDirectoryScansACorpusFolderAndRemembersIt) {
  const std::vector<std::string> binaries = CorpusFiles("binary", 3);
  const std::vector<std::string> texts = CorpusFiles("text", 2);
  for (const auto& name : binaries) CopyCorpus(Dir, "binary", name, "tree/" + name);
  for (const auto& name : texts) CopyCorpus(Dir, "text", name, "tree/sub/" + name);
  Dir.Write("tree/readme.txt", "not a form");
  const std::u16string root = Dir.Text("tree");
  Main.DirDialog.Choice = root;

  Main.AddDirAction.Execute();
  EXPECT_FALSE(Controller->Idle());
  EXPECT_EQ(Main.EnabledActions(), u"Stop");
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(WaitForFormats(5));

  EXPECT_EQ(Main.Details.Lines.size(), 3u);
  EXPECT_EQ(Main.Details.Lines.at(0), u"Start scanning folder " + root + u".");
  EXPECT_EQ(Main.Details.Lines.at(1), u"Scan complete 5 file(s) found.");
  EXPECT_EQ(Main.Details.Lines.at(2), u"Time: 0 sec.");
  EXPECT_EQ(Main.StatusLine.Value, u"Scan complete");
  EXPECT_EQ(Column(ColFormat), (Lines{u"Binary", u"Binary", u"Binary", u"Text", u"Text"}));
  EXPECT_EQ(Column(4), (Lines{root + u"/", root + u"/", root + u"/", root + u"/sub/", root + u"/sub/"}));
  EXPECT_EQ(Main.EnabledActions(), kIdle);
  EXPECT_EQ(Main.SwitchHistory, std::vector<bool>{false});

  // Cancelled the next time: it opened on the last folder, and the commands were refreshed.
  Main.DirDialog.Choice.reset();
  Main.Context->ClearJournal();
  Main.AddDirAction.Execute();
  ASSERT_EQ(Main.DirDialog.InitialPaths.size(), 2u);
  EXPECT_EQ(Main.DirDialog.InitialPaths[1], root);
  EXPECT_EQ(Main.Context->Journal(u"Start.Enabled"), Lines{u"Start.Enabled=false"});
  EXPECT_EQ(Main.Table.Rows().Count(), 5);
}

// A folder whose name ends in a blank, beside one without: the scan lists the chosen folder's forms
// under the name as it is and names in the log the pipe it would not take; the run converts those
// forms and no other.
TEST_F(MainC, AFolderNameEndingInABlankIsScannedAndRunAsItIsNamed) {
  const std::string binary = CorpusFiles("binary", 1)[0];
  CopyCorpus(Dir, "binary", binary, "trail /a.dfm");
  CopyCorpus(Dir, "binary", binary, "trail/b.dfm");
  ASSERT_EQ(::mkfifo((Dir.Path() / "trail " / "pipe.dfm").c_str(), 0644), 0);
  const std::string original = Dir.Read("trail/b.dfm");
  const std::u16string root = Dir.Text("trail ");
  Main.DirDialog.Choice = root;
  Main.AddDirAction.Execute();
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(WaitForFormats(1));
  EXPECT_EQ(Column(0), Lines{u"a.dfm"});
  EXPECT_EQ(Column(4), Lines{root + u"/"});
  EXPECT_EQ(Main.Details.Lines,
            (Lines{u"Start scanning folder " + root + u".", u"Skipped " + root + u"/pipe.dfm: Not a regular file",
                   u"Scan complete 1 file(s) found.", u"Time: 0 sec."}));

  Main.Chooser.UserPick(0);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Column(ColStatus), Lines{u"Applied"});
  EXPECT_TRUE(Dir.Read("trail /a.dfm").starts_with("object ") || Dir.Read("trail /a.dfm").starts_with("inherited "));
  EXPECT_EQ(Dir.Read("trail /a.dfm.bak"), original);
  EXPECT_EQ(Dir.Read("trail/b.dfm"), original);
  EXPECT_FALSE(fs::exists(Dir.Path() / "trail/b.dfm.bak"));
}

TEST_F(MainC, ScanWhileBusyIsRefused) {
  for (int i = 0; i < 5; ++i) Dir.Write("tree/" + std::to_string(i) + ".dfm", "object A: TA\r\nend\r\n");
  Controller->StartScan(Dir / "tree");
  try {
    Controller->StartScan(Dir / "tree");
    ADD_FAILURE() << "a second scan started";
  } catch (const tess::tasks::ETaskError& error) {
    EXPECT_EQ(error.Message(), u"Task already executed");
  }
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Main.Table.Rows().Count(), 5);
}

TEST_F(MainC, BinaryToTextRunConvertsListedFilesAndReportsEachOutcome) {
  // Three binary forms, one already text, one whose binary stream runs past its end.
  std::vector<std::string> binaries = CorpusFiles("binary", 3);
  Lines picks;
  for (const auto& name : binaries) picks.push_back(CopyCorpus(Dir, "binary", name, "run/" + name));
  picks.push_back(CopyCorpus(Dir, "text", CorpusFiles("text", 1)[0], "run/text.dfm"));
  picks.push_back(
      CopyCorpus(Dir, "damaged", "project-jedi__jvcl__examples__JVCLMegaDemo__jvWallpaperform.dfm", "run/damaged.dfm"));
  std::vector<std::string> originals;
  for (const auto& pick : picks)
    originals.push_back(tess::common::DDirectory::ReadBytes(tess::common::TFilePath(pick)));
  AddPicked(picks);
  ASSERT_TRUE(WaitForFormats(5));
  EXPECT_EQ(Column(ColFormat), (Lines{u"Binary", u"Binary", u"Binary", u"Text", u"Binary"}));
  // Statuses of an earlier run are wiped when the next one starts.
  Main.Table.Rows().Items(3).Items(ColStatus).SetCaption(u"Applied");
  Main.Chooser.UserPick(0);
  Main.Details.Add(u"from before");
  Main.Context->ClearJournal();

  Main.StartAction.Execute();
  // The worker waits for this thread before its first view call, so this is the state it starts in.
  EXPECT_EQ(Main.Details.ClearCount, 1);
  EXPECT_EQ(Main.SwitchHistory, std::vector<bool>{true});
  EXPECT_EQ(Main.EnabledActions(), u"Stop");
  EXPECT_EQ(Column(ColStatus), Lines(5));
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(StatusImage(i), -1);
  // Commands that are off do nothing while the run goes on.
  Main.RemoveFilesAction.Execute();
  Main.AddDirAction.Execute();
  EXPECT_EQ(Main.DirDialog.InitialPaths.size(), 0u);
  ASSERT_TRUE(WaitIdle());

  EXPECT_EQ(Column(ColStatus), (Lines{u"Applied", u"Applied", u"Applied", u"Skipped", u"Error"}));
  EXPECT_EQ((std::vector<int32_t>{StatusImage(0), StatusImage(1), StatusImage(2), StatusImage(3), StatusImage(4)}),
            (std::vector<int32_t>{0, 0, 0, 2, 1}));
  Lines expectedLog;
  for (const auto& pick : picks) expectedLog.push_back(u"*** Processing file " + pick + u" ***");
  // The failed conversion says why, indented under its file like a user transformation's lines.
  expectedLog.push_back(u"  Error: Stream read error");
  expectedLog.push_back(u"5 of 5 files processed: 3 applied, 0 no changes, 1 skipped, 1 errors.");
  EXPECT_EQ(Main.Details.Lines, expectedLog);
  Lines expectedStatus;
  for (int i = 1; i <= 5; ++i)
    expectedStatus.push_back(Format(u"Transformation in progress, %d of %d file(s) processed.", {i, 5}));
  expectedStatus.push_back(u"Transformation complete.");
  EXPECT_EQ(Main.StatusLine.History, expectedStatus);
  EXPECT_EQ(Main.ProgressBar.MaxHistory, std::vector<int32_t>{4});
  EXPECT_EQ(Main.ProgressBar.PositionHistory, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Main.SwitchHistory, (std::vector<bool>{true, false}));
  EXPECT_FALSE(Main.Executing);
  EXPECT_EQ(Main.EnabledActions(), kIdleChosen);
  EXPECT_EQ(Main.Chooser.Current, 0);

  // On disk: the converted forms replaced, each original kept as its backup; the others as they were.
  for (size_t i = 0; i < 3; ++i) {
    const std::string name = "run/" + binaries[i];
    const std::string text = Dir.Read(name);
    EXPECT_TRUE(text.rfind("object ", 0) == 0 || text.rfind("inherited ", 0) == 0) << name;
    EXPECT_EQ(Dir.Read(name + ".bak"), originals[i]) << name;
  }
  EXPECT_EQ(Dir.Read("run/text.dfm"), originals[3]);
  EXPECT_EQ(Dir.Read("run/damaged.dfm"), originals[4]);
  EXPECT_FALSE(fs::exists(Dir.Path() / "run/text.dfm.bak"));
  EXPECT_FALSE(fs::exists(Dir.Path() / "run/damaged.dfm.bak"));
  for (const auto& entry : fs::directory_iterator(Dir.Path() / "run")) EXPECT_NE(entry.path().extension(), ".tmp");

  // The rows show the files as the run left them, without waiting for the inspection.
  EXPECT_EQ(Column(ColFormat), (Lines{u"Text", u"Text", u"Text", u"Text", u"Binary"}));
  Lines sizes;
  for (const auto& pick : picks)
    sizes.push_back(DString::FormatBytes(tess::common::DDirectory::FileSize(tess::common::TFilePath(pick))));
  EXPECT_EQ(Column(ColSize), sizes);
}

// The last line of Details counts the outcomes, and the counts are those the rows show.
TEST_F(MainC, DetailsEndsWithTheCountOfEachOutcomeTheRowsShow) {
  Lines picks;
  for (const char* name : {"a.dfm", "b.dfm", "c.dfm", "d.dfm", "e.dfm", "f.dfm"}) {
    Dir.Write(name, "object a: ta\r\nend\r\n");
    picks.push_back(Dir.Text(name));
  }
  User.Scripts = {
      {u"b.dfm", TScript::NoChanges}, {u"c.dfm", TScript::Skip}, {u"d.dfm", TScript::Fail}, {u"e.dfm", TScript::Fail}};
  AddPicked(picks);
  Main.Chooser.UserPick(2);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  const Lines statuses = Column(ColStatus);
  EXPECT_EQ(statuses, (Lines{u"Applied", u"No changes", u"Skipped", u"Error", u"Error", u"Applied"}));
  const auto count = [&statuses](const char16_t* AStatus) {
    return static_cast<int>(std::count(statuses.begin(), statuses.end(), AStatus));
  };
  ASSERT_FALSE(Main.Details.Lines.empty());
  EXPECT_EQ(Main.Details.Lines.back(),
            Format(u"%d of %d files processed: %d applied, %d no changes, %d skipped, %d errors.",
                   {6, 6, count(u"Applied"), count(u"No changes"), count(u"Skipped"), count(u"Error")}));
  EXPECT_EQ(Main.StatusLine.Value, u"Transformation complete.");
}

TEST_F(MainC, ConvertedPairMatchesTheTextTheIdeWrote) {
  const std::string binary = "HeidiSQL__HeidiSQL__about.dfm";
  AddPicked({CopyCorpus(Dir, "binary", binary, "about.dfm")});
  Main.Chooser.UserPick(0);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Cell(0, ColStatus), u"Applied");
  std::ifstream expected(tess::testing::CorpusDir() / "text" / binary, std::ios::binary);
  EXPECT_EQ(Dir.Read("about.dfm"), std::string(std::istreambuf_iterator<char>(expected), {}));
}

TEST_F(MainC, ConvertedTextTakesTheLineBreakOfThePreferences) {
  const std::string binary = "HeidiSQL__HeidiSQL__about.dfm";
  AddPicked({CopyCorpus(Dir, "binary", binary, "about.dfm")});
  Settings.SetConvertedLf(true);
  Main.Chooser.UserPick(0);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  std::ifstream expected(tess::testing::CorpusDir() / "text" / binary, std::ios::binary);
  EXPECT_EQ(Dir.Read("about.dfm"),
            tess::testing::WithLineBreaks(std::string(std::istreambuf_iterator<char>(expected), {}), "\n"));
}

TEST_F(MainC, MessagesOfTheTransformationReachTheLogIndented) {
  Dir.Write("a.dfm", "object a: ta\r\nend\r\n");
  Dir.Write("b.dfm", "object b\r\n");
  User.Scripts = {{u"b.dfm", TScript::Fail}};
  AddPicked({Dir.Text("a.dfm"), Dir.Text("b.dfm")});
  Main.Chooser.UserPick(2);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Main.Details.Lines,
            (Lines{u"*** Processing file " + (Dir.Text("a.dfm")) + u" ***", u"  Converted a.dfm",
                   u"*** Processing file " + (Dir.Text("b.dfm")) + u" ***", u"  Error: Grammar failed",
                   u"2 of 2 files processed: 1 applied, 0 no changes, 0 skipped, 1 errors."}));
  EXPECT_EQ(Column(ColStatus), (Lines{u"Applied", u"Error"}));
  EXPECT_EQ(Dir.Read("b.dfm"), "object b\r\n");
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
  // Once the run is over the transformation no longer calls back into the controller.
  EXPECT_FALSE(User.OnMessage());
}

// The run's placement rules as the desktop program meets them: backups into the inputs' own
// folder with overwriting, one file listed twice, and results equal to their inputs.
TEST_F(MainC, ARunKeepsEveryOriginalAndWritesOnlyWhatChanged) {
  const std::string lower = "object form1: tform1\r\nend\r\n", upper = "OBJECT FORM1: TFORM1\r\nEND\r\n";
  Dir.Write("run/a.dfm", lower);
  Dir.Write("run/UP.dfm", upper);
  Settings.SetBackupSameFolder(false);
  Settings.SetBackupFolder(Dir.Text("run"));
  Settings.SetOverrideBackup(true);
  AddPicked({Dir.Text("run/a.dfm"), Dir.Text("run/a.dfm"), Dir.Text("run/UP.dfm")});
  Main.Chooser.UserPick(2);
  Main.StartAction.Execute();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Column(ColStatus), (Lines{u"Applied", u"Applied", u"Applied"}));
  EXPECT_EQ(Dir.Read("run/a.dfm"), upper);
  EXPECT_EQ(Dir.Read("run/a.dfm.bak"), lower);
  EXPECT_EQ(Dir.Read("run/UP.dfm"), upper);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Dir.Path() / "run")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"UP.dfm", "a.dfm", "a.dfm.bak"}));
  const Lines expected{u"*** Processing file " + (Dir.Text("run/a.dfm")) + u" ***",
                       u"  Converted a.dfm",
                       u"*** Processing file " + (Dir.Text("run/a.dfm")) + u" ***",
                       u"  Converted a.dfm",
                       u"  The result equals the file; nothing was written.",
                       u"*** Processing file " + (Dir.Text("run/UP.dfm")) + u" ***",
                       u"  Converted UP.dfm",
                       u"  The result equals the file; nothing was written.",
                       u"3 of 3 files processed: 3 applied, 0 no changes, 0 skipped, 0 errors."};
  EXPECT_EQ(Main.Details.Lines, expected);
}

// With the preference on, files from an added folder keep their path below it in the output
// folder; files added alone and the preference off put results side by side.
TEST_F(MainC, AScannedTreeKeepsItsShapeInTheOutputFolderWhenAsked) {
  for (const char* name : {"tree/Unit1.dfm", "tree/sub/Unit1.dfm"}) Dir.Write(name, "object a: ta\r\nend\r\n");
  fs::create_directories(Dir.Path() / "out");
  Settings.SetReplace(false);
  Settings.SetSaveSameFolder(false);
  Settings.SetSaveFolder(Dir.Text("out"));
  Main.Chooser.UserPick(2);
  for (bool keep : {true, false}) {
    Settings.SetKeepStructure(keep);
    Main.DirDialog.Choice = Dir.Text("tree");
    Main.AddDirAction.Execute();
    ASSERT_TRUE(WaitIdle());
    Main.StartAction.Execute();
    ASSERT_TRUE(WaitIdle());
  }
  EXPECT_EQ(Column(ColStatus), (Lines{u"Applied", u"Applied", u"Applied", u"Applied"}));
  std::vector<std::string> written;
  for (const auto& entry : fs::recursive_directory_iterator(Dir.Path() / "out"))
    if (entry.is_regular_file()) written.push_back(fs::relative(entry.path(), Dir.Path() / "out"));
  std::sort(written.begin(), written.end());
  // The second run goes over all four rows side by side, numbering: the names are taken.
  EXPECT_EQ(written, (std::vector<std::string>{"Unit1.dfm", "Unit1.dfm1", "Unit1.dfm2", "Unit1.dfm3", "Unit1.dfm4",
                                               "sub/Unit1.dfm"}));
}

TEST_F(MainC, StopDuringARunOfTwentyFilesFinishesTheFileInProgress) {
  Lines picks;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "f" + std::to_string(i + 10) + ".dfm";
    Dir.Write(name, "object a: ta\r\nend\r\n");
    picks.push_back(Dir.Text(name));
  }
  AddPicked(picks);
  TGate gate;
  User.OnExecute = [&gate](const std::u16string& AName) {
    if (AName == u"f14.dfm") gate.Wait();
  };
  Main.Chooser.UserPick(2);
  Main.StartAction.Execute();
  ASSERT_TRUE(Loop.Until([&] { return gate.Arrivals() == 1; }));
  EXPECT_EQ(Cell(4, ColStatus), u"In progress...");

  std::atomic<bool> stopping{false};
  std::thread opener([&] {
    while (!stopping.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    gate.Open();
  });
  stopping = true;
  Main.StopAction.Execute();
  opener.join();

  EXPECT_TRUE(Controller->Idle());
  EXPECT_FALSE(Controller->Inspecting());
  EXPECT_EQ(User.Seen.size(), 5u);
  Lines statuses = Column(ColStatus);
  EXPECT_EQ(Lines(statuses.begin(), statuses.begin() + 5), Lines(5, u"Applied"));
  EXPECT_EQ(Lines(statuses.begin() + 5, statuses.end()), Lines(15));
  EXPECT_EQ(Dir.Read("f14.dfm"), "OBJECT A: TA\r\nEND\r\n");
  EXPECT_EQ(Dir.Read("f15.dfm"), "object a: ta\r\nend\r\n");
  ASSERT_GE(Main.StatusLine.History.size(), 2u);
  EXPECT_EQ(Main.StatusLine.History[Main.StatusLine.History.size() - 2], u"Transformation complete.");
  EXPECT_EQ(Main.StatusLine.Value, u"Process terminated.");
  EXPECT_EQ(Main.SwitchHistory, (std::vector<bool>{true, false}));
  EXPECT_EQ(Main.EnabledActions(), kIdleEditable);
}

TEST_F(MainC, StopWhenNothingRunsStillSaysSoAndEndsTheInspection) {
  Dir.Write("a.dfm", "object A: TA\r\nend\r\n");
  AddPicked({Dir.Text("a.dfm")});
  EXPECT_TRUE(Controller->Inspecting());
  Main.StopAction.Value = true;  // a window's close reaches Stop whatever its state
  Main.Close();
  EXPECT_FALSE(Controller->Inspecting());
  EXPECT_EQ(Main.StatusLine.Value, u"Process terminated.");
  // The next add starts a fresh inspection.
  AddPicked({Dir.Text("a.dfm")});
  EXPECT_TRUE(Controller->Inspecting());
  ASSERT_TRUE(WaitForFormats(2));
}

TEST_F(MainC, RemoveFilesDeletesTheSelectedRows) {
  for (const char* name : {"a.dfm", "b.dfm", "c.dfm"}) Dir.Write(name, "object A: TA\r\nend\r\n");
  AddPicked({Dir.Text("a.dfm"), Dir.Text("b.dfm"), Dir.Text("c.dfm")});
  Main.Table.UserSelect(0, true);
  Main.Table.UserSelect(2, true);
  Main.RemoveFilesAction.Execute();
  EXPECT_EQ(Column(0), Lines{u"b.dfm"});
  ASSERT_TRUE(WaitForFormats(1));
  EXPECT_EQ(Column(ColFormat), Lines{u"Text"});
}

TEST_F(MainC, OpenFileOpensTheSelectedFileAndLogsAFailureToStartTheEditor) {
  Dir.Write("my form.dfm", "object A: TA\r\nend\r\n");
  AddPicked({Dir.Text("my form.dfm")});
  Main.DoubleClickFiles();
  EXPECT_TRUE(Opened.empty());
  Main.Table.UserSelect(0, true);
  Main.DoubleClickFiles();
  EXPECT_EQ(Opened, Lines{Dir.Text("my form.dfm")});

  Controller->Files().SetLauncher([](const tess::common::TFilePath& AFileName) {
    throw tess::common::Exception(u"Cannot open " + AFileName.Text());
  });
  Main.DoubleClickFiles();
  ASSERT_TRUE(WaitForFormats(1));
  EXPECT_EQ(Main.Details.Lines, Lines{u"Cannot open " + (Dir.Text("my form.dfm"))});
}

TEST_F(MainC, DetachedControllerLeavesTheWindowAlone) {
  Controller->AttachView(nullptr);
  Main.Context->ClearJournal();
  Controller->AddFile();
  Controller->Start();
  Controller->Stop();
  Controller->RefreshActions();
  EXPECT_EQ(Main.Context->Journal(), Lines{});
  Controller->AttachView(&Main);
}

}  // namespace
