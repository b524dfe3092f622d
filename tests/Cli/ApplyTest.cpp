// apply and transforms: naming a transformation, its log under each file, --diff of what it removes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

std::string RemoveProps(const std::string& ACaption, const std::vector<std::string>& AProps) {
  std::string actions;
  for (const std::string& prop : AProps)
    actions += "    <RemoveProp><PropName>" + prop + "</PropName><ObjectName/><ObjectClass/></RemoveProp>\n";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation>\n  <Caption>" + ACaption +
         "</Caption>\n  <Description/>\n  <Actions>\n" + actions + "  </Actions>\n</Transformation>\n";
}

class Apply : public ::testing::Test {
protected:
  Apply() {
    WriteFile(Transforms() / "0002.xml", RemoveProps("Remove Explicit", {"ExplicitLeft", "ExplicitTop"}));
    WriteFile(Transforms() / "0003.xml", RemoveProps("Remove Caption", {"Caption"}));
    WriteFile(FDir.Path() / "tree" / "Main.dfm", kForm);
  }
  std::filesystem::path Transforms() const { return FHome.Dir().Path() / "Tessarine" / "Transforms"; }

  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
};

TEST_F(Apply, TransformsListsTheBuiltInsFirst) {
  const TRun run = RunCli({"transforms"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"built-in\tBinary to text\t-", "built-in\tText to binary\t-",
                                                      "0002.xml\tRemove Explicit\t2", "0003.xml\tRemove Caption\t1"}));
}

TEST_F(Apply, AnUnreadableTransformationFileIsReported) {
  WriteFile(Transforms() / "0004.xml", "<Transformation><Actions><Bogus/></Actions></Transformation>");
  const TRun run = RunCli({"transforms"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.OutLines().size(), 4u);
  EXPECT_NE(run.Err.find("0004.xml"), std::string::npos) << run.Err;
}

// By caption (any letter case), by file name, or by the path of a transformation file.
TEST_F(Apply, NamesATransformationThreeWays) {
  WriteFile(FDir.Path() / "mine.xml", RemoveProps("Mine", {"ExplicitLeft", "ExplicitTop"}));
  for (const std::string& name : {std::string("remove EXPLICIT"), std::string("0002.xml"), std::string("mine.xml")}) {
    const TRun run = RunCli({"apply", name, "--dry-run", "tree/Main.dfm"}, FDir.Path());
    EXPECT_EQ(run.Status, 0) << name << run.Err;
    EXPECT_EQ(run.OutLines(),
              (std::vector<std::string>{"Placement: dry run, nothing on disk changes", "Applied\ttree/Main.dfm",
                                        "  Removing property TForm1::Form1.ExplicitLeft",
                                        "  Removing property TButton::Button1.ExplicitTop",
                                        "1 files: 1 applied, 0 no changes, 0 skipped, 0 errors"}))
        << name;
  }
}

TEST_F(Apply, ACaptionOfSeveralIsAUsageError) {
  WriteFile(Transforms() / "0004.xml", RemoveProps("Remove Caption", {"Hint"}));
  const TRun run = RunCli({"apply", "Remove Caption", "tree/Main.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Err.find("0003.xml 0004.xml"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFile(FDir.Path() / "tree" / "Main.dfm"), kForm);
}

// The diff shows exactly the lines the transformation removes, and the dry run changes nothing.
TEST_F(Apply, DiffShowsExactlyTheRemovedLines) {
  const auto before = Snapshot(FDir.Path());
  const TRun run = RunCli({"apply", "Remove Explicit", "--dry-run", "--diff", "tree/Main.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(Snapshot(FDir.Path()), before);
  const std::string diff =
      "--- tree/Main.dfm\n+++ tree/Main.dfm\n@@ -1,9 +1,7 @@\n object Form1: TForm1\n   Left = 8\n"
      "-  ExplicitLeft = 8\n   Caption = 'Hello'\n   object Button1: TButton\n-    ExplicitTop = 2\n     Top = 2\n"
      "   end\n end\n";
  EXPECT_NE(run.Out.find("  Removing property TButton::Button1.ExplicitTop\n" + diff + "1 files:"), std::string::npos)
      << run.Out;
}

TEST_F(Apply, DiffOfANewFileNamesItAndJsonCarriesIt) {
  const TRun run = RunCli({"apply", "0003.xml", "--new", "--diff", "--json", "tree/Main.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  ASSERT_EQ(run.OutLines().size(), 1u) << run.Out;
  EXPECT_NE(run.Out.find("\"diff\":\"--- tree/Main.dfm\\n+++ tree/Main.dfm.new.dfm\\n@@ -1,7 +1,6 @@"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("\\n-  Caption = 'Hello'\\n"), std::string::npos) << run.Out;
  EXPECT_EQ(ReadFile(FDir.Path() / "tree" / "Main.dfm"), kForm);
}

// A result equal to its input is not written: the file keeps its inode, and the log says why.
TEST_F(Apply, NoChangesPrintsNoDiffAndLeavesTheFileAsItIs) {
  WriteFile(FDir.Path() / "tree" / "Plain.dfm", "object A: TA\r\n  Left = 1\r\nend\r\n");
  const auto inode = [&] {
    struct stat info;
    return ::stat((FDir.Path() / "tree" / "Plain.dfm").c_str(), &info) == 0 ? info.st_ino : 0;
  };
  const ino_t before = inode();
  const TRun run = RunCli({"apply", "Remove Explicit", "--no-backup", "--diff", "tree/Plain.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"Placement: replace each input, no backup (options)",
                                                      "No changes\ttree/Plain.dfm",
                                                      "  The result equals the file; nothing was written.",
                                                      "1 files: 0 applied, 1 no changes, 0 skipped, 0 errors"}));
  EXPECT_EQ(inode(), before);
}

TEST_F(Apply, ABinaryFileIsTransformedThroughItsTextAndStaysBinary) {
  WriteFile(FDir.Path() / "tree" / "Bin.dfm", ToBinary(kForm));
  const TRun run = RunCli({"apply", "Remove Explicit", "--new", "-j", "2", "-r", "tree"}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.OutLines(),
            (std::vector<std::string>{
                "Placement: new file beside each input (NAME.new.dfm, numbered when taken) (options)",
                "Applied\ttree/Bin.dfm", "  Removing property TForm1::Form1.ExplicitLeft",
                "  Removing property TButton::Button1.ExplicitTop", "  Read as binary; written back as binary",
                "Applied\ttree/Main.dfm", "  Removing property TForm1::Form1.ExplicitLeft",
                "  Removing property TButton::Button1.ExplicitTop",
                "2 files: 2 applied, 0 no changes, 0 skipped, 0 errors"}));
  const std::string binary = ReadFile(FDir.Path() / "tree" / "Bin.dfm.new.dfm");
  EXPECT_EQ(binary, ToBinary(ReadFile(FDir.Path() / "tree" / "Main.dfm.new.dfm")));
  EXPECT_EQ(ReadFile(FDir.Path() / "tree" / "Bin.dfm"), ToBinary(kForm));
}

}  // namespace
}  // namespace tess::cli::testing
