// The command line where teams use it most: lists of files from version control, and each recipe of
// the README's version-control section run as written in a real git repository.
#include <gtest/gtest.h>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The detect lines a run over the test's forms prints, in the given order.
Lines Detected(const Lines& ANames) {
  Lines lines;
  for (const std::string& name : ANames)
    lines.push_back((name.find("bin") != std::string::npos ? "Binary\t" : "Text\t") + name);
  return lines;
}

class FilesFrom : public ::testing::Test {
protected:
  FilesFrom() {
    for (const char* name : {"a.dfm", "b bin.dfm", "c.dfm"})
      WriteFile(FDir.Path() / name, std::string(name).find("bin") != std::string::npos ? ToBinary(kForm) : kForm);
    WriteFile(FDir.Path() / "new\nline.dfm", kForm);
  }
  tess::testing::TempDir FDir;
};

// The list keeps its order after the arguments, whether it comes from a file or from standard input,
// one a line or NUL-separated, with blanks and line breaks inside names.
TEST_F(FilesFrom, ListsKeepTheirOrderAndTheirNames) {
  struct Case {
    const char* Script;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {"printf 'c.dfm\\nb bin.dfm\\r\\n\\na.dfm\\n' > list; tessarine-cli detect --files-from list",
       Detected({"c.dfm", "b bin.dfm", "a.dfm"})},
      {"printf 'b bin.dfm\\n' | tessarine-cli detect a.dfm --files-from -", Detected({"a.dfm", "b bin.dfm"})},
      {"printf 'new\\nline.dfm\\0c.dfm\\0' | tessarine-cli detect --files-from - --null",
       {"Text\tnew\\x0Aline.dfm", "Text\tc.dfm"}},
      {"printf '' | tessarine-cli check --files-from -", {"0 files: 0 OK, 0 errors"}},
  };
  for (const Case& c : cases) {
    const TRun run = RunShell(c.Script, FDir.Path());
    EXPECT_EQ(run.Status, 0) << c.Script << "\n" << run.Err;
    EXPECT_EQ(run.OutLines(), c.Expected) << c.Script;
  }
}

TEST_F(FilesFrom, AMissingListOrAMisplacedStandardInputIsAUsageError) {
  for (const char* script :
       {"tessarine-cli check --files-from missing.txt", "tessarine-cli check --null a.dfm",
        "tessarine-cli convert --to text --new -", "echo a.dfm | tessarine-cli apply x --stdout - --files-from -"}) {
    const TRun run = RunShell(script, FDir.Path());
    EXPECT_EQ(run.Status, 2) << script << "\n" << run.Out << run.Err;
  }
}

// The README's recipes, each run as written. Git runs with no configuration of the machine's own.
class Git : public ::testing::Test {
protected:
  Git() {
    WriteFile(FHome.Dir().Path() / "Tessarine" / "Transforms" / "0002.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation>\n  <Caption>Remove Explicit</Caption>\n"
              "  <Description/>\n  <Actions>\n"
              "    <RemoveProp><PropName>ExplicitLeft</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
              "    <RemoveProp><PropName>ExplicitTop</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
              "  </Actions>\n</Transformation>\n");
    const TRun init = Shell("git init -q . && git config user.name Test && git config user.email test@example.org");
    if (init.Status != 0) FSkip = "git is not usable here: " + init.Err;
  }
  TRun Shell(const std::string& AScript) {
    return RunShell(
        "export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null HOME='" + FDir.Path().string() + "'\n" + AScript,
        FDir.Path());
  }
  void InstallHook(const std::string& ABody) {
    WriteFile(FDir.Path() / ".git" / "hooks" / "pre-commit", "#!/bin/sh\n" + ABody);
    fs::permissions(FDir.Path() / ".git" / "hooks" / "pre-commit", fs::perms::owner_all);
  }

  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
  std::string FSkip;
};

TEST_F(Git, DiffShowsAChangedBinaryFormAsText) {
  if (!FSkip.empty()) GTEST_SKIP() << FSkip;
  WriteFile(FDir.Path() / "Main.dfm", ToBinary(kForm));
  ASSERT_EQ(Shell("git config diff.dfm.textconv 'tessarine-cli convert --to text --stdout'\n"
                  "echo '*.dfm diff=dfm' >> .gitattributes\n"
                  "git add . && git commit -qm forms")
                .Status,
            0);
  std::string changed = kForm;
  changed.replace(changed.find("'Hello'"), 7, "'World'");
  WriteFile(FDir.Path() / "Main.dfm", ToBinary(changed));
  const TRun diff = Shell("git diff Main.dfm");
  EXPECT_EQ(diff.Status, 0) << diff.Err;
  EXPECT_NE(diff.Out.find("\n-  Caption = 'Hello'"), std::string::npos) << diff.Out;
  EXPECT_NE(diff.Out.find("\n+  Caption = 'World'"), std::string::npos) << diff.Out;
}

TEST_F(Git, PreCommitHooksRefuseABrokenFormAndBinaryForms) {
  if (!FSkip.empty()) GTEST_SKIP() << FSkip;
  struct Case {
    const char* Hook;
    std::string Bytes;
    bool Accepted;
  };
  const std::string checkHook =
      "git diff --cached --name-only -z --diff-filter=ACMR -- '*.dfm' |\n"
      "  tessarine-cli check --files-from - --null > /dev/null\n";
  const std::string textOnlyHook =
      "if git diff --cached --name-only -z --diff-filter=ACMR -- '*.dfm' |\n"
      "  tessarine-cli detect --files-from - --null | grep '^Binary'; then\n"
      "  echo 'Convert these to text first: tessarine-cli convert --to text FILE' >&2\n"
      "  exit 1\n"
      "fi\n";
  const std::vector<Case> cases = {
      {"check", kForm, true},
      {"check", "object Broken: TForm\r\n  Left = \r\n", false},
      {"text only", kForm, true},
      {"text only", ToBinary(kForm), false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Hook) + (c.Accepted ? " accepts" : " refuses"));
    InstallHook(std::string(c.Hook) == "check" ? checkHook : textOnlyHook);
    const std::string name = "Form" + std::to_string(++n) + ".dfm";
    WriteFile(FDir.Path() / name, c.Bytes);
    const TRun commit = Shell("git add " + name + " && git commit -qm '" + name + "'");
    EXPECT_EQ(commit.Status == 0, c.Accepted) << commit.Out << commit.Err;
    if (!c.Accepted) Shell("git rm -q --cached " + name);
  }
}

TEST_F(Git, ACleanFilterKeepsTheIdesNoiseOutOfTheRepository) {
  if (!FSkip.empty()) GTEST_SKIP() << FSkip;
  WriteFile(FDir.Path() / "Main.dfm", kForm);
  WriteFile(FDir.Path() / "Other.dfm", ToBinary(kForm));
  const TRun add = Shell(
      "git config filter.dfm-clean.clean \"tessarine-cli apply 'Remove Explicit' --stdout -\"\n"
      "echo '*.dfm filter=dfm-clean' >> .gitattributes\n"
      "git add Main.dfm Other.dfm");
  ASSERT_EQ(add.Status, 0) << add.Err;
  const TRun stored = Shell("git show :Main.dfm");
  std::string expected = kForm;
  for (const char* line : {"  ExplicitLeft = 8\r\n", "    ExplicitTop = 2\r\n"})
    expected.erase(expected.find(line), std::string(line).size());
  EXPECT_EQ(stored.Out, expected);
  EXPECT_EQ(ReadFile(FDir.Path() / "Main.dfm"), kForm) << "the working tree keeps its file";
  // A form the filter cannot change reaches the repository whole, never empty.
  EXPECT_FALSE(Shell("git show :Other.dfm").Out.empty());
}

TEST_F(Git, ABuildFailsOnABrokenFormThroughTheExitCode) {
  if (!FSkip.empty()) GTEST_SKIP() << FSkip;
  WriteFile(FDir.Path() / "src" / "Main.dfm", kForm);
  const std::string build =
      "tessarine-cli check -r src > forms-check.log || { grep '^Error' forms-check.log; exit 1; }";
  EXPECT_EQ(Shell(build).Status, 0);
  WriteFile(FDir.Path() / "src" / "Broken.dfm", "object Broken: TForm\r\n  Left = \r\n");
  const TRun failed = Shell(build);
  EXPECT_EQ(failed.Status, 1);
  EXPECT_EQ(failed.Out.rfind("Error\tsrc/Broken.dfm:", 0), 0u) << failed.Out;
  const TRun json = Shell("tessarine-cli apply 'Remove Explicit' --dry-run --json -r src");
  EXPECT_EQ(json.Status, 1);
  EXPECT_NE(json.Out.find("\"status\":\"Error\""), std::string::npos) << json.Out;
}

}  // namespace
}  // namespace tess::cli::testing
