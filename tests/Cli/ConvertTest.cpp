// convert with every placement: which files exist afterwards and what they hold, the status lines,
// standard output, dry runs, failures with their reasons, quiet runs.
#include <gtest/gtest.h>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

// What a file in the tree must hold after the run.
enum class TContent { Result, Original, OldBackup };

struct TPlacementCase {
  std::string Name;
  std::vector<std::string> Options;
  std::string SavedPreferences;  // elements of Preferences.xml; empty: no file
  bool OldBackup = false;        // tree/Main.dfm.bak exists before the run
  std::string PlacementLine;
  std::map<std::string, TContent> Files;
};

class Placement : public ::testing::TestWithParam<TPlacementCase> {
protected:
  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
};

TEST_P(Placement, PutsTheResultWhereTheOptionsSay) {
  const TPlacementCase& c = GetParam();
  const std::string original = ToBinary(kForm), result = ToText(original), oldBackup = "old backup";
  WriteFile(FDir.Path() / "tree" / "Main.dfm", original);
  if (c.OldBackup) WriteFile(FDir.Path() / "tree" / "Main.dfm.bak", oldBackup);
  if (!c.SavedPreferences.empty())
    WriteFile(FHome.Dir().Path() / "Tessarine" / "Preferences.xml", Preferences(c.SavedPreferences));

  std::vector<std::string> args{"convert", "--to", "text"};
  args.insert(args.end(), c.Options.begin(), c.Options.end());
  args.push_back("tree/Main.dfm");
  const TRun run = RunCli(args, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{c.PlacementLine, "Applied\ttree/Main.dfm",
                                                      "1 files: 1 applied, 0 no changes, 0 skipped, 0 errors"}));
  const auto files = Snapshot(FDir.Path());
  std::vector<std::string> expectedNames;
  for (const auto& [name, content] : c.Files) expectedNames.push_back(name);
  ASSERT_EQ(Names(files), expectedNames);
  for (const auto& [name, content] : c.Files) {
    const std::string& bytes = files.at(name);
    switch (content) {
      case TContent::Result: EXPECT_EQ(bytes, result) << name; break;
      case TContent::Original: EXPECT_EQ(bytes, original) << name; break;
      case TContent::OldBackup: EXPECT_EQ(bytes, oldBackup) << name; break;
    }
  }
}

const std::string kBeside = "Placement: replace each input, backup beside it (NAME.bak, numbered when taken)";
using C = TContent;

INSTANTIATE_TEST_SUITE_P(
    Convert, Placement,
    ::testing::Values(
        TPlacementCase{"Replace",
                       {"--replace"},
                       "",
                       false,
                       kBeside + " (options)",
                       {{"tree/Main.dfm", C::Result}, {"tree/Main.dfm.bak", C::Original}}},
        TPlacementCase{
            "ReplaceNumbersTheBackup",
            {"--replace"},
            "",
            true,
            kBeside + " (options)",
            {{"tree/Main.dfm", C::Result}, {"tree/Main.dfm.bak", C::OldBackup}, {"tree/Main.dfm.bak1", C::Original}}},
        TPlacementCase{
            "OverwriteBackup",
            {"--overwrite-backup"},
            "",
            true,
            "Placement: replace each input, backup beside it (NAME.bak, overwriting an old backup) (options)",
            {{"tree/Main.dfm", C::Result}, {"tree/Main.dfm.bak", C::Original}}},
        TPlacementCase{"BackupDir",
                       {"--backup-dir", "bak"},
                       "",
                       false,
                       "Placement: replace each input, backup in bak (numbered when taken) (options)",
                       {{"tree/Main.dfm", C::Result}, {"bak/Main.dfm", C::Original}}},
        TPlacementCase{"NoBackup",
                       {"--no-backup"},
                       "",
                       true,
                       "Placement: replace each input, no backup (options)",
                       {{"tree/Main.dfm", C::Result}, {"tree/Main.dfm.bak", C::OldBackup}}},
        TPlacementCase{"New",
                       {"--new"},
                       "",
                       false,
                       "Placement: new file beside each input (NAME.new.dfm, numbered when taken) (options)",
                       {{"tree/Main.dfm", C::Original}, {"tree/Main.dfm.new.dfm", C::Result}}},
        TPlacementCase{"OutputDir",
                       {"--output-dir", "out/forms"},
                       "",
                       false,
                       "Placement: new file in out/forms (numbered when taken) (options)",
                       {{"tree/Main.dfm", C::Original}, {"out/forms/Main.dfm", C::Result}}},
        TPlacementCase{"DefaultsWithoutSavedPreferences",
                       {},
                       "",
                       false,
                       kBeside + " (defaults, no preferences saved)",
                       {{"tree/Main.dfm", C::Result}, {"tree/Main.dfm.bak", C::Original}}},
        TPlacementCase{"SavedPreferences",
                       {},
                       "  <Replace>False</Replace>\r\n",
                       false,
                       "Placement: new file beside each input (NAME.new.dfm, numbered when taken) (saved preferences)",
                       {{"tree/Main.dfm", C::Original}, {"tree/Main.dfm.new.dfm", C::Result}}},
        TPlacementCase{"OptionsWinOverSavedPreferences",
                       {"--no-backup"},
                       "  <Replace>False</Replace>\r\n",
                       false,
                       "Placement: replace each input, no backup (options)",
                       {{"tree/Main.dfm", C::Result}}}),
    [](const auto& AInfo) { return AInfo.param.Name; });

class ConvertRun : public ::testing::Test {
protected:
  ConvertRun() {
    WriteFile(Tree() / "Bin.dfm", Binary());
    WriteFile(Tree() / "Text.dfm", kForm);
  }
  std::filesystem::path Tree() const { return FDir.Path() / "tree"; }
  static std::string Binary() { return ToBinary(kForm); }

  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
};

TEST_F(ConvertRun, NewFilesAreNumberedWhenTheNameIsTaken) {
  ASSERT_EQ(RunCli({"convert", "--to", "text", "--new", "tree/Bin.dfm"}, FDir.Path()).Status, 0);
  ASSERT_EQ(RunCli({"convert", "--to", "text", "--new", "tree/Bin.dfm"}, FDir.Path()).Status, 0);
  EXPECT_EQ(ReadFile(Tree() / "Bin.dfm.new.dfm"), ToText(Binary()));
  EXPECT_EQ(ReadFile(Tree() / "Bin.dfm.new.dfm1"), ToText(Binary()));
}

TEST_F(ConvertRun, StdoutOfABinaryFileIsItsTextAndChangesNothing) {
  const auto before = Snapshot(FDir.Path());
  const TRun run = RunCli({"convert", "--to", "text", "--stdout", "tree/Bin.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, ToText(Binary()));
  EXPECT_EQ(run.ErrLines(),
            (std::vector<std::string>{"Placement: standard output, nothing on disk changes", "Applied\ttree/Bin.dfm",
                                      "1 files: 1 applied, 0 no changes, 0 skipped, 0 errors"}));
  EXPECT_EQ(Snapshot(FDir.Path()), before);
}

// --eol lf writes the same text with LF breaks; without it the text has the IDE's CR LF.
TEST_F(ConvertRun, EolChoosesTheLineBreaksOfTheText) {
  for (const char* eol : {"lf", "crlf"}) {
    const TRun run = RunCli({"convert", "--to", "text", "--eol", eol, "--stdout", "tree/Bin.dfm"}, FDir.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    std::string expected = ToText(Binary());
    ASSERT_NE(expected.find("\r\n"), std::string::npos);
    if (std::string(eol) == "lf") expected = tess::testing::WithLineBreaks(expected, "\n");
    EXPECT_EQ(run.Out, expected) << eol;
  }
}

TEST_F(ConvertRun, StdoutOfATextFileIsItsBinaryForm) {
  const auto before = Snapshot(FDir.Path());
  const TRun run = RunCli({"convert", "--to", "binary", "--stdout", "tree/Text.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(run.Out == Binary()) << run.Out.size() << " bytes";
  EXPECT_EQ(Snapshot(FDir.Path()), before);
}

// A file already in the asked representation is its own result: a pipe or a version-control
// filter always gets the whole form.
TEST_F(ConvertRun, StdoutOfASkippedFileIsTheFileAsItIs) {
  const TRun run = RunCli({"convert", "--to", "text", "--stdout", "tree/Text.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, ReadFile(Tree() / "Text.dfm"));
  EXPECT_NE(run.Err.find("Skipped\ttree/Text.dfm\n"), std::string::npos) << run.Err;
}

TEST_F(ConvertRun, DryRunReportsTheStatusesAndLeavesTheTreeAsItWas) {
  const std::string binary = Binary();
  WriteFile(Tree() / "Cut.dfm", binary.substr(0, binary.size() - 9));
  const auto before = Snapshot(FDir.Path());
  const TRun dry = RunCli({"convert", "--to", "text", "--dry-run", "-r", "tree"}, FDir.Path());
  EXPECT_EQ(dry.Status, 1);
  EXPECT_EQ(Snapshot(FDir.Path()), before);
  const std::vector<std::string> lines = dry.OutLines();
  ASSERT_EQ(lines.size(), 6u) << dry.Out;
  EXPECT_EQ(lines[0], "Placement: dry run, nothing on disk changes");
  // The run with a real placement reports the same for every file.
  const TRun real = RunCli({"convert", "--to", "text", "--new", "-r", "tree"}, FDir.Path());
  std::vector<std::string> realLines = real.OutLines();
  ASSERT_EQ(realLines.size(), lines.size()) << real.Out;
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i], realLines[i]);
}

TEST_F(ConvertRun, AFailedFileSaysWhyAndLeavesNothingBehind) {
  const std::string binary = Binary();
  WriteFile(Tree() / "Cut.dfm", binary.substr(0, binary.size() - 9));
  const TRun run = RunCli({"convert", "--to", "text", "--replace", "tree/Cut.dfm", "tree/Bin.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{kBeside + " (options)", "Error\ttree/Cut.dfm",
                                                      "  Error: Stream read error", "Applied\ttree/Bin.dfm",
                                                      "2 files: 1 applied, 0 no changes, 0 skipped, 1 errors"}));
  EXPECT_EQ(ReadFile(Tree() / "Cut.dfm"), binary.substr(0, binary.size() - 9));
  EXPECT_FALSE(std::filesystem::exists(Tree() / "Cut.dfm.tmp"));
  EXPECT_FALSE(std::filesystem::exists(Tree() / "Cut.dfm.bak"));
}

TEST_F(ConvertRun, AMissingFileSaysWhy) {
  const TRun run = RunCli({"convert", "--to", "text", "--replace", "tree/Missing.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  const std::vector<std::string> lines = run.OutLines();
  ASSERT_EQ(lines.size(), 4u) << run.Out;
  EXPECT_EQ(lines[1], "Error\ttree/Missing.dfm");
  EXPECT_TRUE(lines[2].starts_with("  Error: ") && lines[2].size() > 10) << lines[2];
}

// A backup that cannot be made leaves the input as it was and says why.
TEST_F(ConvertRun, ABackupThatCannotBeMadeIsAnErrorWithItsReason) {
  WriteFile(FHome.Dir().Path() / "Tessarine" / "Preferences.xml",
            Preferences("  <BackupSameFolder>False</BackupSameFolder>\r\n"
                        "  <BackupFolder>" +
                        (FDir.Path() / "no such folder").string() + "</BackupFolder>\r\n"));
  const TRun run = RunCli({"convert", "--to", "text", "tree/Bin.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  const std::vector<std::string> lines = run.OutLines();
  ASSERT_EQ(lines.size(), 4u) << run.Out;
  EXPECT_EQ(lines[1], "Error\ttree/Bin.dfm");
  EXPECT_TRUE(lines[2].starts_with("  Error: Cannot create backup file")) << lines[2];
  EXPECT_EQ(ReadFile(Tree() / "Bin.dfm"), Binary());
  EXPECT_FALSE(std::filesystem::exists(Tree() / "Bin.dfm.tmp"));
}

TEST_F(ConvertRun, QuietPrintsOnlyTheFilesThatFailed) {
  const std::string binary = Binary();
  WriteFile(Tree() / "Cut.dfm", binary.substr(0, 30));
  const TRun run = RunCli({"convert", "--to", "text", "--new", "-q", "-r", "tree"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"Error\ttree/Cut.dfm", "  Error: Stream read error"}));
  const TRun clean = RunCli({"convert", "--to", "text", "--new", "-q", "tree/Bin.dfm"}, FDir.Path());
  EXPECT_EQ(clean.Status, 0);
  EXPECT_EQ(clean.Out, "");
  EXPECT_EQ(clean.Err, "");
}

// The same file twice: the second sees what the first wrote, whatever the number of threads.
TEST_F(ConvertRun, AFileNamedTwiceIsSeenReplacedTheSecondTime) {
  for (const char* jobs : {"1", "2"}) {
    WriteFile(Tree() / "Bin.dfm", Binary());
    const TRun run =
        RunCli({"convert", "--to", "text", "--no-backup", "-j", jobs, "tree/Bin.dfm", "tree/Bin.dfm"}, FDir.Path());
    EXPECT_EQ(run.Status, 0) << jobs;
    EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"Placement: replace each input, no backup (options)",
                                                        "Applied\ttree/Bin.dfm", "Skipped\ttree/Bin.dfm",
                                                        "2 files: 1 applied, 0 no changes, 1 skipped, 0 errors"}))
        << jobs;
    EXPECT_EQ(ReadFile(Tree() / "Bin.dfm"), ToText(Binary()));
  }
}

}  // namespace
}  // namespace tess::cli::testing
