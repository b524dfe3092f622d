// The batch run on its worker thread: the order of its view calls, status cells, stop, failures, re-inspection.
#include "Batch/uRunTransform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "App/uDFMSettings.h"
#include "Batch/BatchFixture.h"
#include "Batch/uDFMBackup.h"
#include "Shared/Tasks/uDispatcher.h"
#include "Shared/Tasks/uTask.h"
#include "Support/FakeMain.h"
#include "Support/FileListFixture.h"

using namespace tess::batch;
using tess::testing::TFakeMain;
using tess::testing::TFileListTest;
using tess::testing::TScript;
using tess::testing::TScriptedTransform;
using tess::testing::TUILoop;
using tess::transform::TTransformStatus;

namespace {

TEST(StatusLook, CaptionAndImageOfEveryStatus) {
  struct Row {
    TTransformStatus Status;
    std::u16string Caption;
    int32_t Image;
  };
  const Row rows[] = {{TTransformStatus::tsNone, u"", -1},
                      {TTransformStatus::tsApplied, u"Applied", 0},
                      {TTransformStatus::tsNoChanges, u"No changes", 2},
                      {TTransformStatus::tsSkipped, u"Skipped", 2},
                      {TTransformStatus::tsError, u"Error", 1},
                      {TTransformStatus::tsProgress, u"In progress...", -1}};
  for (const Row& row : rows) {
    EXPECT_EQ(StatusCaption(row.Status), row.Caption);
    EXPECT_EQ(StatusImageIndex(row.Status), row.Image);
  }
  EXPECT_EQ(StatusCaption(static_cast<TTransformStatus>(6)), u"");
  EXPECT_EQ(StatusImageIndex(static_cast<TTransformStatus>(-1)), -1);
}

class RunTransform : public TFileListTest {
protected:
  RunTransform() : Placement(Settings) { ShowIn(Main.Files()); }
  void TearDown() override { EXPECT_EQ(Main.Context->ForeignCalls(), std::vector<std::u16string>{}); }

  std::u16string Add(const std::string& AName, const std::string& AContent = "object a: ta\r\nend\r\n") {
    Dir.Write(AName, AContent);
    Files.AddFile(Dir / AName);
    return Dir.Text(AName);
  }
  // Runs the batch to its end; the queue then holds only what the run put back.
  void Run() {
    while (Stack.Extract()) {}
    Main.Context->ClearJournal();
    Task = std::make_unique<tess::tasks::TThreadedTask>();
    Finished = false;
    Task->SetOnFinish([this](tess::tasks::TTask*) { Finished = true; });
    Task->Run(new TRunTransform(&Trans, &Files, &Main, &Stack, Placement));
    ASSERT_TRUE(Loop.Until([this] { return Finished; }));
  }
  std::u16string Status(int32_t ARow) { return CellCaption(Main.Table.Rows().Items(ARow), ColStatus); }
  int32_t Image(int32_t ARow) {
    const tess::common::TDGUIItem* cell = Main.Table.Rows().Items(ARow).FindItem(ColStatus);
    return cell == nullptr ? -1 : cell->ImageIndex();
  }
  // The journal without the table's repaints and the controls' reads.
  std::vector<std::u16string> ViewCalls() {
    std::vector<std::u16string> calls;
    for (const auto& entry : Main.Context->Journal())
      if (entry.rfind(u"Files.", 0) != 0) calls.push_back(entry);
    return calls;
  }

  TUILoop Loop;
  TFakeMain Main;
  tess::app::TDFMSettings Settings;
  TDFMBackup Placement;
  TScriptedTransform Trans;
  std::unique_ptr<tess::tasks::TThreadedTask> Task;
  bool Finished = false;
};

// A name is bytes, and not every name is UTF-8: each comes back from the list, the run and the
// placement as it went in, and its backup is named after those bytes.
TEST_F(RunTransform, NamesThatAreNotUtf8KeepTheirBytesThroughTheRunAndTheBackup) {
  const std::vector<std::string> names{"caf\xE9.dfm", "\xFF\xFE blank.dfm", "ok \xC3\xA9.dfm"};
  for (const std::string& name : names) Add(name);
  Run();
  std::vector<std::string> expected;
  for (int32_t row = 0; row < 3; ++row) {
    const std::string& name = names[size_t(row)];
    EXPECT_EQ(Status(row), u"Applied") << row;
    EXPECT_EQ(Dir.Read(name), "OBJECT A: TA\r\nEND\r\n") << row;
    EXPECT_EQ(Dir.Read(name + ".bak"), "object a: ta\r\nend\r\n") << row;
    expected.insert(expected.end(), {name, name + ".bak"});
  }
  std::vector<std::string> present;
  for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) present.push_back(entry.path().filename());
  std::sort(present.begin(), present.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(present, expected);
}

TEST_F(RunTransform, TwoFilesMakeTwoLogLinesAndCountTheStatusLine) {
  const std::u16string first = Add("a.dfm");
  const std::u16string second = Add("b.dfm");
  Run();

  EXPECT_EQ(ViewCalls(), (std::vector<std::u16string>{
                             u"Progress.Max=1",
                             u"Progress.Position=0",
                             u"Log.Add=*** Processing file " + first + u" ***",
                             u"Status.Text=Transformation in progress, 1 of 2 file(s) processed.",
                             u"Progress.Position=1",
                             u"Log.Add=*** Processing file " + second + u" ***",
                             u"Status.Text=Transformation in progress, 2 of 2 file(s) processed.",
                             u"Status.Text=Transformation complete.",
                         }));
  EXPECT_EQ(Status(0), u"Applied");
  EXPECT_EQ(Image(0), 0);
  EXPECT_EQ(Status(1), u"Applied");
  EXPECT_EQ(Main.Table.CellText(1, 1), u"Applied");
  EXPECT_EQ(Main.Table.CellImage(1, 1), 0);
  // Replaced in place, the original kept beside it.
  EXPECT_EQ(Dir.Read("a.dfm"), "OBJECT A: TA\r\nEND\r\n");
  EXPECT_EQ(Dir.Read("a.dfm.bak"), "object a: ta\r\nend\r\n");
}

TEST_F(RunTransform, RowShowsInProgressWhileItsFileIsTransformed) {
  Add("a.dfm");
  Add("b.dfm");
  std::vector<std::u16string> seen;
  Trans.OnExecute = [&](const std::u16string&) {
    tess::tasks::UIDispatcher().Synchronize([&] {
      for (size_t row = 0; row < 2; ++row)
        seen.push_back(Main.Table.CellText(row, 1) + u"/" + tess::common::IntToStr(Main.Table.CellImage(row, 1)));
    });
  };
  Run();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"In progress.../-1", u"/-1", u"Applied/0", u"In progress.../-1"}));
}

TEST_F(RunTransform, EveryOutcomeHasItsCaptionAndImageAndAFailureStopsNothing) {
  Add("apply.dfm");
  Add("same.dfm");
  Add("skip.dfm");
  const std::string original = "object broken\r\n";
  Add("fail.dfm", original);
  Add("none.dfm");
  Trans.Scripts = {{u"same.dfm", TScript::NoChanges},
                   {u"skip.dfm", TScript::Skip},
                   {u"fail.dfm", TScript::Fail},
                   {u"none.dfm", TScript::LeaveNone}};
  Run();

  const std::pair<std::u16string, int32_t> expected[] = {
      {u"Applied", 0}, {u"No changes", 2}, {u"Skipped", 2}, {u"Error", 1}, {u"", -1}};
  for (int32_t row = 0; row < 5; ++row) {
    EXPECT_EQ(Status(row), expected[row].first) << row;
    EXPECT_EQ(Image(row), expected[row].second) << row;
  }
  EXPECT_EQ(Trans.Seen.size(), 5u);
  EXPECT_EQ(Dir.Read("fail.dfm"), original);
  for (const auto& entry : std::filesystem::directory_iterator(Dir.Path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << "left behind: " << entry.path();
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "fail.dfm.tmp"));
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "fail.dfm.bak"));
  EXPECT_EQ(Main.StatusLine.Value, u"Transformation complete.");
}

TEST_F(RunTransform, EmptyListProcessesNothingAndCompletes) {
  Run();
  EXPECT_EQ(Main.ProgressBar.MaxHistory, std::vector<int32_t>{-1});
  EXPECT_TRUE(Main.ProgressBar.PositionHistory.empty());
  EXPECT_EQ(Main.ProgressBar.MinValue, 0);
  EXPECT_TRUE(Main.Details.Lines.empty());
  EXPECT_EQ(Main.StatusLine.History, std::vector<std::u16string>{u"Transformation complete."});
}

TEST_F(RunTransform, OneFileReachesMaxAtItsStart) {
  Add("only.dfm");
  Run();
  EXPECT_EQ(Main.ProgressBar.MaxHistory, std::vector<int32_t>{0});
  EXPECT_EQ(Main.ProgressBar.PositionHistory, std::vector<int32_t>{0});
  EXPECT_EQ(Main.StatusLine.History,
            (std::vector<std::u16string>{u"Transformation in progress, 1 of 1 file(s) processed.",
                                         u"Transformation complete."}));
}

TEST_F(RunTransform, StopDuringTheThirdOfFiveFinishesItAndLeavesTheRestUntouched) {
  for (const char* name : {"1.dfm", "2.dfm", "3.dfm", "4.dfm", "5.dfm"}) Add(name);
  Trans.OnExecute = [this](const std::u16string& AName) {
    if (AName == u"3.dfm") Task->Terminate();
  };
  Run();
  EXPECT_EQ(Trans.Seen, (std::vector<std::u16string>{u"1.dfm", u"2.dfm", u"3.dfm"}));
  for (int32_t row = 0; row < 3; ++row) EXPECT_EQ(Status(row), u"Applied");
  for (int32_t row = 3; row < 5; ++row) {
    EXPECT_EQ(Status(row), u"");
    EXPECT_EQ(Image(row), -1);
  }
  EXPECT_EQ(Dir.Read("3.dfm"), "OBJECT A: TA\r\nEND\r\n");
  EXPECT_EQ(Dir.Read("4.dfm"), "object a: ta\r\nend\r\n");
  EXPECT_EQ(Main.ProgressBar.PositionHistory, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(Main.StatusLine.Value, u"Transformation complete.");
}

TEST_F(RunTransform, EveryProcessedFileGoesBackToTheQueueUnderItsInputPath) {
  Settings.SetReplace(false);
  const std::u16string first = Add("a.dfm");
  const std::u16string second = Add("b.dfm");
  Trans.Scripts = {{u"b.dfm", TScript::Fail}};
  Run();
  auto one = Stack.Extract();
  auto two = Stack.Extract();
  ASSERT_TRUE(one && two);
  EXPECT_EQ(Stack.Extract(), nullptr);
  EXPECT_EQ(one->FileName().Text(), first);
  EXPECT_EQ(one->Row(), &Main.Table.Rows().Items(0));
  EXPECT_EQ(two->FileName().Text(), second);
  EXPECT_EQ(two->Row(), &Main.Table.Rows().Items(1));
  // New-file mode: the input stays and the result sits beside it.
  EXPECT_EQ(Dir.Read("a.dfm"), "object a: ta\r\nend\r\n");
}

TEST_F(RunTransform, ErrorOutsideTheTransformationEndsTheRunWithoutTheCompletionLine) {
  Add("a.dfm");
  Add("b.dfm");
  // The second row disappears under the run (only code can do that: the command is disabled).
  Trans.OnExecute = [this](const std::u16string&) {
    tess::tasks::UIDispatcher().Synchronize([this] {
      if (Main.Table.Rows().Count() == 2) Main.Table.Rows().Delete(1);
    });
  };
  Run();
  EXPECT_TRUE(Finished);
  EXPECT_EQ(Trans.Seen.size(), 1u);
  EXPECT_EQ(Status(0), u"Applied");
  EXPECT_EQ(Main.StatusLine.Value, u"Transformation in progress, 1 of 2 file(s) processed.");
}

}  // namespace
