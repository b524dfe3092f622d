// The file list controller and the inspection queue: cells of new rows, naming, removal, reset, opening.
#include "Batch/uFilesC.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "App/uMainForm.h"
#include "Batch/BatchFixture.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uGUIContainers.h"
#include "Support/FakeControls.h"
#include "Support/FileListFixture.h"

using namespace tess::batch;
using tess::common::EListError;
using tess::common::TDGUIRow;
using tess::common::TFilePath;
using tess::common::U16;
using tess::testing::TempDir;
using tess::testing::TFakeTable;
using tess::testing::TFileListTest;

namespace {

class FileList : public TFileListTest {
protected:
  FileList() {
    ShowIn(&Table);
    Files.SetLauncher([this](const TFilePath& AFileName) { Opened.push_back(AFileName); });
    tess::batch::SetFormFileImageIndex(7);
  }
  ~FileList() override { tess::batch::SetFormFileImageIndex(-1); }

  // Adds AName (created with ASize bytes unless negative) from the temporary folder.
  TFilePath AddNamed(const std::string& AName, int ASize = 10) {
    if (ASize >= 0) Dir.Write(AName, std::string(static_cast<size_t>(ASize), 'x'));
    const TFilePath path = Dir / AName;
    Files.AddFile(path);
    return path;
  }

  TFakeTable Table;
  std::vector<TFilePath> Opened;
};

TEST_F(FileList, AddedRowShowsNameSizeAndFolderAndWaitsForItsFormat) {
  const TFilePath path = AddNamed("Main.dfm", 1536);

  ASSERT_EQ(Table.Rows().Count(), 1);
  const TDGUIRow& row = Table.Rows().Items(0);
  EXPECT_EQ(row.ImageIndex(), 7);
  EXPECT_EQ(CellCaption(row, ColFile), u"Main.dfm");
  EXPECT_EQ(CellCaption(row, ColSize), u"1.5 KB");
  EXPECT_EQ(CellCaption(row, ColPath), Dir.Text() + u"/");
  // Status and Format wait for their first writer; the table shows them blank.
  EXPECT_EQ(row.FindItem(ColStatus), nullptr);
  EXPECT_EQ(row.FindItem(ColFormat), nullptr);
  ASSERT_EQ(Table.Entries.size(), 1u);
  EXPECT_EQ(Table.CellText(0, 0), u"Main.dfm");
  EXPECT_EQ(Table.CellText(0, 1), u"");
  EXPECT_EQ(Table.CellText(0, 2), u"1.5 KB");
  EXPECT_EQ(Table.CellImage(0, 0), 7);

  auto record = Stack.Extract();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Row(), &row);
  EXPECT_EQ(record->FileName(), path);
  EXPECT_TRUE(Stack.Empty());
}

TEST_F(FileList, MissingFileGetsARowOfSizeZero) {
  AddNamed("gone.dfm", -1);
  ASSERT_EQ(Files.Count(), 1);
  EXPECT_EQ(CellCaption(Table.Rows().Items(0), ColSize), tess::common::DString::FormatBytes(0));
  EXPECT_EQ(Stack.Count(), 1);
}

TEST_F(FileList, SameFileTwiceGivesTwoRowsAndTwoQueuedRecords) {
  const TFilePath path = Dir / "Twice.dfm";
  Dir.Write("Twice.dfm", "object A: TA\r\nend\r\n");
  Files.AddFiles({path, path});
  EXPECT_EQ(Names(), (std::vector<std::u16string>{path.Text(), path.Text()}));
  auto first = Stack.Extract();
  auto second = Stack.Extract();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Row(), second->Row());
  EXPECT_EQ(first->Row(), &Table.Rows().Items(0));
  EXPECT_EQ(second->Row(), &Table.Rows().Items(1));
}

TEST_F(FileList, FileNameJoinsFolderAndNameAndRefusesIndexesOutsideTheRows) {
  const TFilePath blanks = AddNamed("with blank/Form one.dfm");
  const TFilePath plain = AddNamed("b.dfm");
  EXPECT_EQ(Names(), (std::vector<std::u16string>{blanks.Text(), plain.Text()}));
  EXPECT_THROW(Files.FileName(2), EListError);
  EXPECT_THROW(Files.FileName(-1), EListError);
}

TEST_F(FileList, BareNameStaysRelative) {
  Files.AddFile(TFilePath("Main.dfm"));
  EXPECT_EQ(Files.FileName(0), TFilePath("Main.dfm"));
}

TEST_F(FileList, WithoutTableThereAreNoRows) {
  TFilesC detached;
  EXPECT_EQ(detached.Count(), 0);
  EXPECT_TRUE(detached.CurrentFile().IsEmpty());
  detached.AddFile(TFilePath("/x/y.dfm"));
  detached.RemoveSelected();
  detached.ResetStatus();
  EXPECT_THROW(detached.FileName(0), EListError);
}

TEST_F(FileList, CurrentFileIsTheFirstSelectedRow) {
  AddNamed("a.dfm");
  const TFilePath second = AddNamed("b.dfm");
  const TFilePath third = AddNamed("c.dfm");
  EXPECT_TRUE(Files.CurrentFile().IsEmpty());
  Files.OpenFile();
  EXPECT_TRUE(Opened.empty());

  Table.UserSelect(2, true);
  EXPECT_EQ(Files.CurrentFile(), third);
  Table.UserSelect(1, true);
  EXPECT_EQ(Files.CurrentFile(), second);
  Files.OpenFile();
  EXPECT_EQ(Opened, (std::vector<TFilePath>{second}));
}

TEST_F(FileList, OpenFileHandsThePathOverWholeAndPassesAFailureOn) {
  const TFilePath path = AddNamed("odd name $HOME 'q'.dfm");
  Table.UserSelect(0, true);
  Files.OpenFile();
  EXPECT_EQ(Opened, (std::vector<TFilePath>{path}));

  Files.SetLauncher([](const TFilePath&) { throw tess::common::Exception(u"no editor"); });
  EXPECT_THROW(Files.OpenFile(), tess::common::Exception);
}

TEST_F(FileList, RemoveSelectedDeletesExactlyTheSelectedRowsInOneUpdate) {
  std::vector<TFilePath> paths;
  for (const char* name : {"0.dfm", "1.dfm", "2.dfm", "3.dfm", "4.dfm"}) paths.push_back(AddNamed(name));
  Table.UserSelect(1, true);
  Table.UserSelect(3, true);
  const int begins = Table.BeginCount;

  Files.RemoveSelected();

  EXPECT_EQ(Names(), (std::vector<std::u16string>{paths[0].Text(), paths[2].Text(), paths[4].Text()}));
  ASSERT_EQ(Table.Entries.size(), 3u);
  EXPECT_EQ(Table.CellText(1, 0), u"2.dfm");
  EXPECT_EQ(Table.BeginCount, begins + 1);
  EXPECT_EQ(Table.UpdateDepth(), 0);
  EXPECT_EQ(Table.UnbalancedEnds, 0);
  EXPECT_EQ(Table.UnknownDeletes, 0);
}

TEST_F(FileList, ResetStatusBlanksEveryStatusCellAndItsImage) {
  for (const char* name : {"a.dfm", "b.dfm", "c.dfm"}) AddNamed(name);
  for (int32_t i = 0; i < 3; ++i) {
    Table.Rows().Items(i).Items(ColStatus).SetCaption(u"Applied");
    Table.Rows().Items(i).Items(ColStatus).SetImageIndex(i);
  }
  Table.Rows().Items(1).Items(ColFormat).SetCaption(u"Text");

  Files.ResetStatus();

  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Table.Rows().Items(i).Items(ColStatus).Caption(), u"");
    EXPECT_EQ(Table.Rows().Items(i).Items(ColStatus).ImageIndex(), -1);
    EXPECT_EQ(Table.CellText(static_cast<size_t>(i), 1), u"");
    EXPECT_EQ(Table.CellImage(static_cast<size_t>(i), 1), -1);
  }
  EXPECT_EQ(CellCaption(Table.Rows().Items(1), ColFormat), u"Text");
  EXPECT_EQ(Table.UpdateDepth(), 0);
  EXPECT_EQ(Table.UnbalancedEnds, 0);
}

// Points PATH at one folder for the test's life, so the opener found there is a script of ours.
class ScopedPath {
public:
  explicit ScopedPath(const std::string& AFolder) : FOld(std::getenv("PATH") ? std::getenv("PATH") : "") {
    ::setenv("PATH", AFolder.c_str(), 1);
  }
  ~ScopedPath() { ::setenv("PATH", FOld.c_str(), 1); }

private:
  std::string FOld;
};

TEST(LaunchEditor, HandsThePathToTheOpenerAsOneArgumentWithoutAShell) {
  TempDir dir;
  // PATH holds only this folder, so the script may use nothing but the shell's own commands.
  dir.Write(
      "bin/xdg-open",
      "#!/bin/sh\nd=${0%/*}\nprintf '%s|' \"$#\" \"$@\" > \"$d/args.tmp\"\n/bin/mv \"$d/args.tmp\" \"$d/args\"\n");
  std::filesystem::permissions(dir.Path() / "bin/xdg-open", std::filesystem::perms::owner_all);
  const TFilePath file = dir / "a b $(touch pwned) 'q'.dfm";
  {
    ScopedPath path((dir.Path() / "bin").string());
    TFilesC::LaunchEditor(file);
  }
  for (int i = 0; i < 400 && !std::filesystem::exists(dir.Path() / "bin/args"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(dir.Read("bin/args"), "1|" + file.Native() + "|");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned"));
}

TEST(LaunchEditor, MissingOpenerIsReportedWithTheFile) {
  TempDir dir;
  ScopedPath path(dir.Path().string());
  try {
    TFilesC::LaunchEditor(TFilePath("/x/Main.dfm"));
    ADD_FAILURE() << "no error";
  } catch (const tess::common::Exception& error) {
    EXPECT_EQ(error.Message(), u"Cannot open /x/Main.dfm in the text editor: No such file or directory");
  }
}

TEST(FileStack, IsFirstInFirstOutAndEmptyGivesNothing) {
  TFileStack stack;
  EXPECT_TRUE(stack.Empty());
  EXPECT_EQ(stack.Extract(), nullptr);
  TDGUIRow rows[3];
  for (int i = 0; i < 3; ++i) stack.Add(&rows[i], TFilePath(std::to_string(i)));
  EXPECT_EQ(stack.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    auto record = stack.Extract();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Row(), &rows[i]);
    EXPECT_EQ(record->FileName(), TFilePath(std::to_string(i)));
  }
  EXPECT_TRUE(stack.Empty());
}

TEST(FileStack, ManyProducersAndOneConsumerLoseAndDuplicateNothing) {
  TFileStack stack;
  constexpr int Producers = 4, PerProducer = 2000;
  std::atomic<bool> done{false};
  std::set<TFilePath> received;
  std::thread consumer([&] {
    while (true) {
      if (auto record = stack.Extract()) {
        EXPECT_TRUE(received.insert(record->FileName()).second) << "twice: " << record->FileName().Native();
      } else if (done.load()) {
        if (stack.Empty()) break;
      }
    }
  });
  std::vector<std::thread> producers;
  for (int p = 0; p < Producers; ++p)
    producers.emplace_back([&stack, p] {
      for (int i = 0; i < PerProducer; ++i) stack.Add(nullptr, TFilePath(std::to_string(p * PerProducer + i)));
    });
  for (auto& producer : producers) producer.join();
  done = true;
  consumer.join();
  EXPECT_EQ(received.size(), static_cast<size_t>(Producers * PerProducer));
}

}  // namespace
