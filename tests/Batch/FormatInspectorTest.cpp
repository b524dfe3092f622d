// The format inspection on its worker thread: format names of corpus files, errors, removed and reused rows.
#include "Batch/uFormatInspector.h"

#include <gtest/gtest.h>

#include <memory>

#include "Batch/BatchFixture.h"
#include "Shared/Common/uGUIContainers.h"
#include "Shared/Tasks/uTask.h"
#include "Support/FakeControls.h"
#include "Support/FileListFixture.h"

using namespace tess::batch;
using tess::common::TDGUIRow;
using tess::stream::FormFileFormat;
using tess::testing::CopyCorpus;
using tess::testing::CorpusFiles;
using tess::testing::TFakeContext;
using tess::testing::TFakeMemo;
using tess::testing::TFakeTable;
using tess::testing::TFileListTest;
using tess::testing::TUILoop;

namespace {

TEST(FormatName, NamesEveryDetectedFormat) {
  EXPECT_EQ(FormatName(FormFileFormat::fmtUnknown), u"Unknown");
  EXPECT_EQ(FormatName(FormFileFormat::fmtBinary), u"Binary");
  EXPECT_EQ(FormatName(FormFileFormat::fmtText), u"Text");
  EXPECT_EQ(FormatName(FormFileFormat::fmtUTF8Text), u"UTF8 Text");
}

class Inspector : public TFileListTest {
protected:
  Inspector() : Table(TFakeTable::FileColumns(), u"Files", Context), Log(u"Log", Context) { ShowIn(&Table); }
  ~Inspector() override { StopInspection(); }

  void StartInspection() {
    Task = std::make_unique<tess::tasks::TThreadedTask>();
    Task->SetOnFinish([this](tess::tasks::TTask*) { ++Finishes; });
    Task->Run(new TFormatInspector(&Table, &Stack, &Log));
  }
  void StopInspection() {
    if (!Task) return;
    Task->Terminate();
    Loop.Until([this] { return !Task->Working(); });
    Task.reset();
  }
  // Waits until the queue is drained and every row whose file exists shows a format.
  bool WaitForFormats(int32_t AExpectedCells) {
    return Loop.Until([&] {
      int32_t cells = 0;
      for (int32_t i = 0; i < Table.Rows().Count(); ++i)
        if (!CellCaption(Table.Rows().Items(i), ColFormat).empty()) ++cells;
      return Stack.Empty() && cells >= AExpectedCells;
    });
  }
  std::u16string Format(int32_t ARow) { return CellCaption(Table.Rows().Items(ARow), ColFormat); }

  TUILoop Loop;
  std::shared_ptr<TFakeContext> Context = std::make_shared<TFakeContext>();
  TFakeTable Table;
  TFakeMemo Log;
  std::unique_ptr<tess::tasks::TThreadedTask> Task;
  int Finishes = 0;
};

struct CorpusCase {
  std::string Folder;
  std::string Name;
  std::u16string Expected;
};

// Formats as the corpus manifest records them: resource headers are binary, a byte-order mark
// makes UTF-8 text, a file opening with "object" or "inherited" is text.
std::vector<CorpusCase> ManifestCases() {
  std::ifstream manifest(tess::testing::CorpusDir() / "MANIFEST.tsv");
  std::vector<CorpusCase> cases;
  std::map<std::string, int> perFormat;
  std::string line;
  std::getline(manifest, line);
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (fields.size() < 8 || (fields[1] != "binary" && fields[1] != "text")) continue;
    const std::string& format = fields[7];
    std::u16string expected;
    if (format.rfind("res", 0) == 0)
      expected = u"Binary";
    else if (format.rfind("bom-", 0) == 0)
      expected = u"UTF8 Text";
    else if (format == "object" || format == "inherited")
      expected = u"Text";
    else
      continue;
    // A few of each kind keep the run short while covering every kind the corpus has.
    if (perFormat[format]++ >= 4) continue;
    cases.push_back({fields[1], fields[0], expected});
  }
  return cases;
}

TEST_F(Inspector, NamesTheFormatOfCorpusFiles) {
  const std::vector<CorpusCase> cases = ManifestCases();
  ASSERT_GE(cases.size(), 15u);
  for (size_t i = 0; i < cases.size(); ++i)
    Files.AddFile(tess::common::TFilePath(
        CopyCorpus(Dir, cases[i].Folder, cases[i].Name, std::to_string(i) + "/" + cases[i].Name)));
  StartInspection();
  ASSERT_TRUE(WaitForFormats(static_cast<int32_t>(cases.size())));
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Format(static_cast<int32_t>(i)), cases[i].Expected) << cases[i].Folder << "/" << cases[i].Name;
  EXPECT_TRUE(Log.Lines.empty());
  EXPECT_EQ(Context->ForeignCalls(), std::vector<std::u16string>{});
}

TEST_F(Inspector, UnrecognisedStartIsUnknownAndAnEmptyFileIsBinary) {
  Dir.Write("junk.dfm", "#! not a form");
  Dir.Write("empty.dfm", "");
  Files.AddFiles({Dir / "junk.dfm", Dir / "empty.dfm"});
  StartInspection();
  ASSERT_TRUE(WaitForFormats(2));
  EXPECT_EQ(Format(0), u"Unknown");
  EXPECT_EQ(Format(1), u"Binary");
}

TEST_F(Inspector, DeletedFileLeavesItsFormatEmptyAndLogsTheOpenError) {
  Dir.Write("a.dfm", "object A: TA\r\nend\r\n");
  Dir.Write("gone.dfm", "object B: TB\r\nend\r\n");
  Dir.Write("c.dfm", "object C: TC\r\nend\r\n");
  Files.AddFiles({Dir / "a.dfm", Dir / "gone.dfm", Dir / "c.dfm"});
  std::filesystem::remove(Dir.Path() / "gone.dfm");
  StartInspection();
  ASSERT_TRUE(WaitForFormats(2));
  ASSERT_TRUE(Loop.Until([&] { return !Log.Lines.empty(); }));
  EXPECT_EQ(Format(0), u"Text");
  EXPECT_EQ(Format(1), u"");
  EXPECT_EQ(Format(2), u"Text");
  ASSERT_EQ(Log.Lines.size(), 1u);
  EXPECT_NE(Log.Lines[0].find(Dir.Text("gone.dfm")), std::u16string::npos);
  EXPECT_NE(Log.Lines[0].find(u"No such file or directory"), std::u16string::npos);
  // The error line travels through the dispatcher like the cells do.
  EXPECT_EQ(Context->ForeignCalls(), std::vector<std::u16string>{});
}

TEST_F(Inspector, RowRemovedWhileItsRecordWaitsIsSkipped) {
  for (const char* name : {"a.dfm", "b.dfm", "c.dfm"}) {
    Dir.Write(name, "object A: TA\r\nend\r\n");
    Files.AddFile(Dir / name);
  }
  Table.UserSelect(1, true);
  Files.RemoveSelected();
  ASSERT_EQ(Stack.Count(), 3);
  StartInspection();
  ASSERT_TRUE(WaitForFormats(2));
  StopInspection();
  ASSERT_EQ(Table.Rows().Count(), 2);
  EXPECT_EQ(Format(0), u"Text");
  EXPECT_EQ(Format(1), u"Text");
  EXPECT_TRUE(Log.Lines.empty());
}

TEST_F(Inspector, RecordOfAnotherFileNeverWritesIntoARowAtTheSameAddress) {
  // What a freed row's record sees when a new row took over its memory.
  Dir.Write("bin.dfm", std::string("TPF0\0\0\0\0", 8));
  Dir.Write("text.dfm", "object A: TA\r\nend\r\n");
  Files.AddFile(Dir / "text.dfm");
  TDGUIRow* row = &Table.Rows().Items(0);
  Stack.Extract();
  Stack.Add(row, Dir / "text.dfm");
  Stack.Add(row, Dir / "bin.dfm");
  StartInspection();
  ASSERT_TRUE(WaitForFormats(1));
  StopInspection();
  EXPECT_EQ(Format(0), u"Text");
}

TEST_F(Inspector, KeepsPollingUntilTerminatedAndTakesLaterFiles) {
  StartInspection();
  Loop.Pump(std::chrono::milliseconds(120));
  EXPECT_TRUE(Task->Working());
  Dir.Write("late.dfm", "inherited L: TL\r\nend\r\n");
  Files.AddFile(Dir / "late.dfm");
  ASSERT_TRUE(WaitForFormats(1));
  EXPECT_EQ(Format(0), u"Text");
  EXPECT_EQ(Finishes, 0);
  StopInspection();
  EXPECT_EQ(Finishes, 1);
}

TEST_F(Inspector, AfterAStopANewInspectionTakesWhatIsLeftInTheQueue) {
  Dir.Write("a.dfm", "object A: TA\r\nend\r\n");
  StartInspection();
  StopInspection();
  Files.AddFile(Dir / "a.dfm");
  Loop.Pump(std::chrono::milliseconds(80));
  EXPECT_EQ(Format(0), u"");
  EXPECT_EQ(Stack.Count(), 1);
  StartInspection();
  ASSERT_TRUE(WaitForFormats(1));
  EXPECT_EQ(Format(0), u"Text");
}

}  // namespace
