// detect and check over named files and scanned folders: captions, scan order, masks, positions of errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Parser/uParser.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

class ScanTree : public ::testing::Test {
protected:
  void SetUp() override {
    WriteFile(Root() / "Main.dfm", kForm);
    WriteFile(Root() / "Unknown.dfm", std::string("\n") + kForm);
    WriteFile(Root() / "Utf8.DFM", std::string("\xEF\xBB\xBF") + kForm);
    WriteFile(Root() / "Other.lfm", kForm);
    WriteFile(Root() / "notes.txt", "not a form");
    WriteFile(Root() / "Sub" / "Bin.dfm", ToBinary(kForm));
    WriteFile(Root() / ".hidden" / "Hidden.dfm", kForm);
  }
  std::filesystem::path Root() const { return FDir.Path() / "tree"; }
  tess::testing::TempDir FDir;
};

TEST_F(ScanTree, DetectScansLikeAddDirectory) {
  const TRun run = RunCli({"detect", "-r", "tree"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  // The folder's own files first, by name, then each subfolder, hidden ones included; the mask
  // ignores case.
  EXPECT_EQ(run.OutLines(),
            (std::vector<std::string>{"Text\ttree/Main.dfm", "Unknown\ttree/Unknown.dfm", "UTF8 Text\ttree/Utf8.DFM",
                                      "Text\ttree/.hidden/Hidden.dfm", "Binary\ttree/Sub/Bin.dfm"}));
}

TEST_F(ScanTree, MaskTakesSeveralPatterns) {
  const TRun run = RunCli({"detect", "-r", "--mask", "*.lfm; *.txt", "tree"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"Text\ttree/Other.lfm", "Unknown\ttree/notes.txt"}));
}

TEST_F(ScanTree, NamedFilesKeepTheirOrderAndMissingOnesFail) {
  const TRun run = RunCli({"detect", "tree/Sub/Bin.dfm", "tree/missing.dfm", "tree/notes.txt"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  const auto lines = run.OutLines();
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  EXPECT_EQ(lines[0], "Binary\ttree/Sub/Bin.dfm");
  EXPECT_TRUE(lines[1].starts_with("Error\ttree/missing.dfm: ")) << lines[1];
  EXPECT_GT(lines[1].size(), std::string("Error\ttree/missing.dfm: ").size());
  EXPECT_EQ(lines[2], "Unknown\ttree/notes.txt");
}

TEST_F(ScanTree, CheckReadsTextAndBinaryFiles) {
  const TRun run = RunCli({"check", "-r", "tree"}, FDir.Path());
  const auto lines = run.OutLines();
  ASSERT_EQ(lines.size(), 6u) << run.Out;
  EXPECT_EQ(lines[0], "OK\ttree/Main.dfm");
  // A text that starts with an empty Unix line is still form text to the parser.
  EXPECT_EQ(lines[1], "OK\ttree/Unknown.dfm");
  EXPECT_EQ(lines[2], "OK\ttree/Utf8.DFM");
  EXPECT_EQ(lines[3], "OK\ttree/.hidden/Hidden.dfm");
  EXPECT_EQ(lines[4], "OK\ttree/Sub/Bin.dfm");
  EXPECT_EQ(lines[5], "5 files: 5 OK, 0 errors");
  EXPECT_EQ(run.Status, 0);
}

// The position printed is the one the grammar error carries: line, column and the token reached.
TEST(Check, ErrorNamesLineColumnAndToken) {
  tess::testing::TempDir dir;
  const std::string broken = "object Form1: TForm1\r\n  Left = 8\r\n  Top = = 2\r\nend\r\n";
  WriteFile(dir.Path() / "Broken.dfm", broken);
  WriteFile(dir.Path() / "Good.dfm", kForm);
  std::string expected;
  try {
    formtext::DFMHelper().LoadObjectFromBytes(broken);
  } catch (const parser::EGrammarError& error) {
    expected = "Error\tBroken.dfm:" + std::to_string(error.Line()) + ":" + std::to_string(error.Column()) +
               ": Grammar failed near '" + common::Utf16ToUtf8(error.TokenText()) + "'";
    EXPECT_EQ(error.Line(), 3);
  }
  ASSERT_FALSE(expected.empty());
  const TRun run = RunCli({"check", "Broken.dfm", "Good.dfm"}, dir.Path());
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{expected, "OK\tGood.dfm", "2 files: 1 OK, 1 errors"}));
}

// A damaged file can hold a string of megabytes where the grammar stops; the line shows its start.
TEST(Check, ALongTokenIsCutInTheMessage) {
  tess::testing::TempDir dir;
  WriteFile(dir.Path() / "Long.dfm",
            "object Form1: TForm1\r\n  Caption = 1 '" + std::string(100000, 'a') + "'\r\nend\r\n");
  const TRun run = RunCli({"check", "Long.dfm"}, dir.Path());
  EXPECT_EQ(run.Status, 1);
  ASSERT_FALSE(run.OutLines().empty());
  EXPECT_EQ(run.OutLines()[0], "Error\tLong.dfm:2:15: Grammar failed near ''" + std::string(79, 'a') + "...'");
}

// A file too large to load fails alone, unread (the test file is sparse), and the run goes on.
TEST(Check, AFileTooLargeToLoadFailsWithItsSizeAndTheLimit) {
  tess::testing::TempDir dir;
  WriteFile(dir.Path() / "Huge.dfm", kForm);
  std::filesystem::resize_file(dir.Path() / "Huge.dfm", formtext::kDefaultMaxTextBytes + 1);
  WriteFile(dir.Path() / "Good.dfm", kForm);
  const TRun run = RunCli({"check", "Huge.dfm", "Good.dfm"}, dir.Path());
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.OutLines(),
            (std::vector<std::string>{"Error\tHuge.dfm: The form text is 512.1 MiB, more than the 512.0 MiB a form "
                                      "may have to be loaded",
                                      "OK\tGood.dfm", "2 files: 1 OK, 1 errors"}));
}

TEST(Check, DamagedBinaryFileSaysWhy) {
  tess::testing::TempDir dir;
  std::string binary = ToBinary(kForm);
  WriteFile(dir.Path() / "Cut.dfm", binary.substr(0, binary.size() - 5));
  const TRun run = RunCli({"check", "Cut.dfm"}, dir.Path());
  EXPECT_EQ(run.Status, 1);
  ASSERT_FALSE(run.OutLines().empty());
  EXPECT_EQ(run.OutLines()[0], "Error\tCut.dfm: Stream read error");
}

// Names read from a damaged file can hold line breaks; they must not split a file's line.
TEST(Check, ControlCharactersInMessagesStayOnTheLine) {
  tess::testing::TempDir dir;
  std::string binary = ToBinary(kForm);
  const size_t left = binary.find("Left");
  ASSERT_NE(left, std::string::npos);
  binary[left + 1] = '\n';
  binary[left + 4] = 99;  // no value type has this code
  WriteFile(dir.Path() / "Odd.dfm", binary);
  const TRun run = RunCli({"check", "Odd.dfm"}, dir.Path());
  EXPECT_EQ(run.Status, 1);
  ASSERT_EQ(run.OutLines().size(), 2u) << run.Out;
  EXPECT_EQ(run.OutLines()[0], "Error\tOdd.dfm: Error reading Form1.L\\x0Aft: 99");
}

}  // namespace
}  // namespace tess::cli::testing
