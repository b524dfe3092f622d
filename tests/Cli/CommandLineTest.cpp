// The command line itself: help, version, every refused combination ending with status 2 and a hint,
// and control characters in whatever it prints.
#include <gtest/gtest.h>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

TEST(CommandLine, HelpListsTheCommandsAndEndsWithZero) {
  const TRun run = RunCli({"--help"});
  EXPECT_EQ(run.Status, 0);
  for (const char* command : {"detect", "convert", "apply", "check", "transforms"})
    EXPECT_NE(run.Out.find(command), std::string::npos) << command;
  EXPECT_EQ(run.Err, "");
}

TEST(CommandLine, CommandHelpNamesEveryPlacementOption) {
  const TRun run = RunCli({"convert", "--help"});
  EXPECT_EQ(run.Status, 0);
  for (const char* option : {"--stdout", "--replace", "--backup-dir", "--no-backup", "--overwrite-backup", "--new",
                             "--output-dir", "--dry-run", "--diff", "--json", "--mask", "-j"})
    EXPECT_NE(run.Out.find(option), std::string::npos) << option;
}

TEST(CommandLine, VersionIsOneLine) {
  const TRun run = RunCli({"--version"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "tessarine-cli 0.1.0\n");
}

struct TUsageCase {
  std::vector<std::string> Args;
  std::string Message;  // a piece of the message before the hint
};

void PrintTo(const TUsageCase& ACase, std::ostream* AOut) {
  for (const std::string& arg : ACase.Args) *AOut << arg << ' ';
}

class UsageError : public ::testing::TestWithParam<TUsageCase> {};

// Each refused command line changes nothing, prints its reason and the hint, and ends with 2.
TEST_P(UsageError, EndsWithTwoAndAHint) {
  tess::testing::TempDir dir;
  WriteFile(dir.Path() / "a.dfm", "object A: TA\r\nend\r\n");
  WriteFile(dir.Path() / "b.dfm", "object B: TB\r\nend\r\n");
  std::filesystem::create_directories(dir.Path() / "folder");
  const auto before = Snapshot(dir.Path());
  const TRun run = RunCli(GetParam().Args, dir.Path());
  EXPECT_EQ(run.Status, 2) << run.Err;
  EXPECT_EQ(run.Out, "");
  const std::vector<std::string> lines = run.ErrLines();
  ASSERT_EQ(lines.size(), 2u) << run.Err;
  EXPECT_NE(lines[0].find(GetParam().Message), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "Run 'tessarine-cli --help' for usage.");
  EXPECT_EQ(Snapshot(dir.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageError,
    ::testing::Values(
        TUsageCase{{}, "a command is required"}, TUsageCase{{"frobnicate"}, "frobnicate"},
        TUsageCase{{"detect"}, "no form file given"}, TUsageCase{{"convert", "a.dfm"}, "--to is required"},
        TUsageCase{{"convert", "--to", "xml", "a.dfm"}, "xml"},
        TUsageCase{{"convert", "--to", "text", "--eol", "cr", "a.dfm"}, "cr"},
        TUsageCase{{"convert", "--to", "binary", "--eol", "lf", "a.dfm"}, "--eol applies to convert --to text only"},
        TUsageCase{{"detect", "folder"}, "'folder' is a folder: add -r"},
        TUsageCase{{"convert", "--to", "text", "--stdout", "a.dfm", "b.dfm"}, "--stdout takes exactly one form file"},
        TUsageCase{{"convert", "--to", "text", "--stdout", "-r", "folder"},
                   "--stdout takes exactly one form file, not 0"},
        TUsageCase{{"convert", "--to", "text", "--stdout", "--replace", "a.dfm"}, "choose one placement"},
        TUsageCase{{"convert", "--to", "text", "--dry-run", "--new", "a.dfm"}, "choose one placement"},
        TUsageCase{{"convert", "--to", "text", "--replace", "--output-dir", "out", "a.dfm"}, "choose one placement"},
        TUsageCase{{"convert", "--to", "text", "--no-backup", "--backup-dir", "bak", "a.dfm"}, "--no-backup"},
        TUsageCase{{"convert", "--to", "text", "--no-backup", "--overwrite-backup", "a.dfm"}, "--no-backup"},
        TUsageCase{{"convert", "--to", "text", "--new", "--output-dir", "out", "a.dfm"}, "choose one"},
        TUsageCase{{"convert", "--to", "text", "-j", "0", "a.dfm"}, "-j"},
        TUsageCase{{"convert", "--to", "text", "-j", "two", "a.dfm"}, "-j"},
        TUsageCase{{"convert", "--to", "text", "--mask", ";", "-r", "folder"}, "--mask needs at least one pattern"},
        TUsageCase{{"detect", "--json", "a.dfm"}, "--json"}, TUsageCase{{"check", "--replace", "a.dfm"}, "--replace"},
        TUsageCase{{"apply", "no such transformation", "a.dfm"}, "no transformation"},
        TUsageCase{{"apply", "a.dfm"}, "no form file given"}));

// --- Control characters in what is printed ----------------------------------------------------------

constexpr const char* kClear = "\x1B[2J";  // clears a terminal that is shown it

struct TControlCase {
  std::string Name;
  std::vector<std::string> Args;  // "{clear}" stands for kClear
  std::string Preferences;        // elements of the saved preferences, "{clear}" as above; empty: none saved
  int Status;
};

void PrintTo(const TControlCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class ControlCharacters : public ::testing::TestWithParam<TControlCase> {};

// Whatever carries the name (a usage error, the placement line, a warning, a failed run, a diff),
// every line shows the control characters as \xHH, as the per-file lines do.
TEST_P(ControlCharacters, AreEscapedInEveryLine) {
  const TControlCase& c = GetParam();
  tess::testing::ScopedDataHome home;
  tess::testing::TempDir dir;
  WriteFile(dir.Path() / "a.dfm", kForm);
  WriteFile(dir.Path() / (std::string("f") + kClear + ".dfm"), kForm);
  WriteFile(dir.Path() / "x.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation>\n  <Caption>X</Caption>\n"
            "  <Description/>\n  <Actions>\n"
            "    <RemoveProp><PropName>ExplicitLeft</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
            "  </Actions>\n</Transformation>\n");
  auto expand = [](std::string AText) {
    for (size_t at; (at = AText.find("{clear}")) != std::string::npos;) AText.replace(at, 7, kClear);
    return AText;
  };
  if (!c.Preferences.empty())
    WriteFile(home.Dir().Path() / "Tessarine" / "Preferences.xml", Preferences(expand(c.Preferences)));
  std::vector<std::string> args = c.Args;
  for (std::string& arg : args) arg = expand(arg);
  const TRun run = RunCli(args, dir.Path());
  EXPECT_EQ(run.Status, c.Status) << run.Err;
  const std::string printed = run.Out + run.Err;
  EXPECT_NE(printed.find("\\x1B[2J"), std::string::npos) << printed;
  for (const char byte : printed)
    EXPECT_TRUE(static_cast<unsigned char>(byte) >= 0x20 || byte == '\n' || byte == '\t')
        << "raw control character " << int(byte) << " in:\n"
        << printed;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ControlCharacters,
    ::testing::Values(
        TControlCase{"PlacementLine", {"convert", "--to", "text", "--backup-dir", "bk{clear}", "a.dfm"}, "", 0},
        TControlCase{"UsageErrorOfAnOption", {"convert", "--to", "x{clear}", "a.dfm"}, "", 2},
        TControlCase{"UsageErrorOfTheProgram", {"apply", "no{clear}", "a.dfm"}, "", 2},
        TControlCase{
            "FolderThatCannotBeMade", {"convert", "--to", "text", "--output-dir", "a.dfm/{clear}", "a.dfm"}, "", 1},
        TControlCase{"SettingsWarning", {"convert", "--to", "text", "a.dfm"}, "<Replace>ye{clear}s</Replace>\r\n", 0},
        TControlCase{"DiffLabels", {"apply", "x.xml", "--dry-run", "--diff", "f{clear}.dfm"}, "", 0}),
    [](const auto& AInfo) { return AInfo.param.Name; });

}  // namespace
}  // namespace tess::cli::testing
