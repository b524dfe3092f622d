// The folder scan on its worker thread: rows in scanner order, the status and log lines, a stop part-way.
#include "Batch/uScanDir.h"

#include <gtest/gtest.h>

#include <memory>

#include "Batch/BatchFixture.h"
#include "Shared/Tasks/uTask.h"
#include "Support/FakeMain.h"
#include "Support/FileListFixture.h"

using namespace tess::batch;
using tess::testing::TFakeMain;
using tess::testing::TFileListTest;
using tess::testing::TUILoop;

namespace {

class ScanDir : public TFileListTest {
protected:
  ScanDir() {
    ShowIn(Main.Files());
    Main.Context->ClearJournal();
  }

  // Runs a scan of APath to its end (or its stop), with the finish handled here.
  void Scan(const tess::common::TFilePath& APath, bool AStopAtOnce = false) {
    auto task = std::make_unique<tess::tasks::TThreadedTask>();
    bool finished = false;
    task->SetOnFinish([&](tess::tasks::TTask*) { finished = true; });
    // Asked from the start handler, the stop is in place before the worker runs.
    if (AStopAtOnce) task->SetOnStart([](tess::tasks::TTask* ATask) { ATask->Terminate(); });
    task->Run(new TScanDir(APath, &Files, &Main));
    ASSERT_TRUE(Loop.Until([&] { return finished; }));
  }

  TUILoop Loop;
  TFakeMain Main;
};

TEST_F(ScanDir, AddsEveryFormFileBelowTheFolderInScannerOrder) {
  for (const char* name :
       {"b.dfm", "A.DFM", "notes.txt", "sub/c.dfm", "sub/deeper/d.Dfm", ".hidden/e.dfm", "x.dfm.bak"})
    Dir.Write(name, "object A: TA\r\nend\r\n");

  Scan(Dir.File());

  const std::u16string root = Dir.Text();
  EXPECT_EQ(Names(), (std::vector<std::u16string>{root + u"/A.DFM", root + u"/b.dfm", root + u"/.hidden/e.dfm",
                                                  root + u"/sub/c.dfm", root + u"/sub/deeper/d.Dfm"}));
  EXPECT_EQ(Stack.Count(), 5);
  ASSERT_EQ(Main.Details.Lines.size(), 3u);
  EXPECT_EQ(Main.Details.Lines[0], u"Start scanning folder " + root + u".");
  EXPECT_EQ(Main.Details.Lines[1], u"Scan complete 5 file(s) found.");
  EXPECT_EQ(Main.Details.Lines[2], u"Time: 0 sec.");
  ASSERT_FALSE(Main.StatusLine.History.empty());
  EXPECT_EQ(Main.StatusLine.History.front().substr(0, 10), u"Scanning: ");
  EXPECT_EQ(Main.StatusLine.History.back(), u"Scan complete");
  // One status line per folder entered: the root, .hidden, sub, sub/deeper.
  EXPECT_EQ(Main.StatusLine.History.size(), 5u);
  EXPECT_EQ(Main.Context->ForeignCalls(), std::vector<std::u16string>{});
}

TEST_F(ScanDir, FolderWithoutFormFilesStillCompletes) {
  Dir.Write("readme.txt", "x");
  Scan(Dir.File());
  EXPECT_EQ(Files.Count(), 0);
  EXPECT_EQ(Main.Details.Lines, (std::vector<std::u16string>{u"Start scanning folder " + Dir.Text() + u".",
                                                             u"Scan complete 0 file(s) found.", u"Time: 0 sec."}));
  EXPECT_EQ(Main.StatusLine.Value, u"Scan complete");
}

// The folder that could not be read is named in the log with the reason, before the count.
TEST_F(ScanDir, MissingFolderCompletesWithNothingFound) {
  Scan(Dir / "no-such-folder");
  EXPECT_EQ(Files.Count(), 0);
  ASSERT_EQ(Main.Details.Lines.size(), 4u);
  EXPECT_EQ(Main.Details.Lines[1],
            u"Skipped " + Dir.Text("no-such-folder") + u": Cannot read folder: No such file or directory");
  EXPECT_EQ(Main.Details.Lines[2], u"Scan complete 0 file(s) found.");
}

TEST_F(ScanDir, StopKeepsWhatWasFoundAndStillReportsTheCount) {
  for (int i = 0; i < 60; ++i) Dir.Write("f" + std::to_string(100 + i) + ".dfm", "object A: TA\r\nend\r\n");
  Scan(Dir.File(), true);
  EXPECT_LT(Files.Count(), 60);
  ASSERT_EQ(Main.Details.Lines.size(), 3u);
  EXPECT_EQ(Main.Details.Lines[1], tess::common::Format(u"Scan complete %d file(s) found.", {Files.Count()}));
  EXPECT_EQ(Main.StatusLine.Value, u"Scan complete");
}

}  // namespace
