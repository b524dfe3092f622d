// --json: one object per file on standard output, with the fields build scripts read.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

using nlohmann::json;

std::vector<json> Objects(const TRun& ARun) {
  std::vector<json> objects;
  for (const std::string& line : ARun.OutLines()) objects.push_back(json::parse(line));
  return objects;
}

class Json : public ::testing::Test {
protected:
  Json() {
    WriteFile(FDir.Path() / "tree" / "Bin.dfm", ToBinary(kForm));
    WriteFile(FDir.Path() / "tree" / "Text.dfm", kForm);
    WriteFile(FDir.Path() / "tree" / "Cut.dfm", ToBinary(kForm).substr(0, 40));
  }
  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
};

TEST_F(Json, ReplaceReportsFormatsOutputAndBackup) {
  const TRun run = RunCli({"convert", "--to", "text", "--replace", "--json", "-r", "tree"}, FDir.Path());
  EXPECT_EQ(run.Status, 1);
  const std::vector<json> objects = Objects(run);
  ASSERT_EQ(objects.size(), 3u) << run.Out;
  const json& bin = objects[0];
  EXPECT_EQ(bin["path"], "tree/Bin.dfm");
  EXPECT_EQ(bin["status"], "Applied");
  EXPECT_EQ(bin["format_before"], "Binary");
  EXPECT_EQ(bin["format_after"], "Text");
  EXPECT_EQ(bin["log"], json::array());
  EXPECT_EQ(bin["output"], "tree/Bin.dfm");
  EXPECT_EQ(bin["backup"], "tree/Bin.dfm.bak");
  EXPECT_EQ(ReadFile(FDir.Path() / "tree" / "Bin.dfm.bak"), ToBinary(kForm));

  const json& cut = objects[1];
  EXPECT_EQ(cut["path"], "tree/Cut.dfm");
  EXPECT_EQ(cut["status"], "Error");
  EXPECT_EQ(cut["format_before"], "Binary");
  EXPECT_EQ(cut["format_after"], "Binary");
  EXPECT_EQ(cut["log"], json::array({"Error: Stream read error"}));
  EXPECT_TRUE(cut["output"].is_null());
  EXPECT_TRUE(cut["backup"].is_null());

  const json& text = objects[2];
  EXPECT_EQ(text["status"], "Skipped");
  EXPECT_EQ(text["format_before"], "Text");
  EXPECT_EQ(text["format_after"], "Text");
  EXPECT_TRUE(text["output"].is_null());

  // Placement and summary go to standard error, so that standard output is nothing but objects.
  EXPECT_NE(run.Err.find("Placement: replace each input"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("3 files: 1 applied, 0 no changes, 1 skipped, 1 errors"), std::string::npos) << run.Err;
}

TEST_F(Json, NumberedBackupAndNewFilesAreNamed) {
  WriteFile(FDir.Path() / "tree" / "Bin.dfm.bak", "taken");
  const TRun replace = RunCli({"convert", "--to", "text", "--json", "--replace", "tree/Bin.dfm"}, FDir.Path());
  ASSERT_EQ(Objects(replace).size(), 1u);
  EXPECT_EQ(Objects(replace)[0]["backup"], "tree/Bin.dfm.bak1");

  WriteFile(FDir.Path() / "tree" / "Bin.dfm", ToBinary(kForm));
  const TRun moved = RunCli({"convert", "--to", "text", "--json", "--backup-dir", "bak", "tree/Bin.dfm"}, FDir.Path());
  EXPECT_EQ(Objects(moved)[0]["backup"], "bak/Bin.dfm");

  WriteFile(FDir.Path() / "tree" / "Bin.dfm", ToBinary(kForm));
  const TRun fresh = RunCli({"convert", "--to", "text", "--json", "--output-dir", "out", "tree/Bin.dfm"}, FDir.Path());
  const json object = Objects(fresh)[0];
  EXPECT_EQ(object["output"], "out/Bin.dfm");
  EXPECT_TRUE(object["backup"].is_null());
  EXPECT_EQ(object["format_before"], "Binary");
  EXPECT_EQ(object["format_after"], "Text");
}

TEST_F(Json, DryRunNamesNoFiles) {
  const TRun run = RunCli({"convert", "--to", "binary", "--json", "--dry-run", "tree/Text.dfm"}, FDir.Path());
  EXPECT_EQ(run.Status, 0);
  const json object = Objects(run).at(0);
  EXPECT_EQ(object["status"], "Applied");
  EXPECT_EQ(object["format_after"], "Binary");
  EXPECT_TRUE(object["output"].is_null());
  EXPECT_TRUE(object["backup"].is_null());
}

}  // namespace
}  // namespace tess::cli::testing
