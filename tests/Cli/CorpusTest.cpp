// The program over the corpus: conversions through standard output give the IDE's files back, and
// -j 2 gives the same output and the same files as -j 1.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "CliHarness.h"
#include "FormStream/CorpusSupport.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

namespace corpus = tess::stream::testing;

// Runs AStep for every name on a few threads: each step starts programs, so they may overlap.
template <typename TStep>
void ForEachInParallel(const std::vector<std::string>& ANames, TStep AStep) {
  std::atomic<size_t> next = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (size_t index; (index = next++) < ANames.size();) AStep(index, ANames[index]);
    });
  for (std::thread& thread : threads) thread.join();
}

// Each trip through standard output starts the program twice, some 10 ms of processor time each on
// this machine: every 8th file keeps a run within seconds, and the whole corpus goes through the
// same conversions in the output-folder trips below. TESS_CLI_CORPUS_STRIDE=1 takes every file.
std::vector<std::string> StdoutSample(const std::string& AFolder) {
  const char* setting = std::getenv("TESS_CLI_CORPUS_STRIDE");
  const size_t stride = setting != nullptr && std::atoi(setting) > 0 ? size_t(std::atoi(setting)) : 8;
  const std::vector<std::string> names = corpus::CorpusFiles(AFolder);
  std::vector<std::string> sample;
  for (size_t i = 0; i < names.size(); i += stride) sample.push_back(names[i]);
  return sample;
}

struct TTrip {
  std::string Name;
  bool Ok = true;
  std::string Problem;
};

// A form through "convert --stdout" one way and its output through the other way.
std::string ThereAndBack(const tess::testing::TempDir& ADir, size_t AIndex, const std::filesystem::path& AFile,
                         const char* AThere, const char* ABack, std::string& AProblem) {
  const TRun there = RunCli({"convert", "--to", AThere, "--stdout", AFile.string()});
  if (there.Status != 0) {
    AProblem = "first run: " + there.Err;
    return {};
  }
  const std::filesystem::path middle = ADir.Path() / (std::to_string(AIndex) + ".dfm");
  WriteFile(middle, there.Out);
  const TRun back = RunCli({"convert", "--to", ABack, "--stdout", middle.string()});
  if (back.Status != 0) AProblem = "second run: " + back.Err;
  std::filesystem::remove(middle);
  return back.Out;
}

TEST(CliCorpus, TextFilesComeBackThroughBinaryOnStandardOutput) {
  tess::testing::ScopedDataHome home;
  tess::testing::TempDir dir;
  const std::vector<std::string> names = StdoutSample("text");
  std::vector<TTrip> trips(names.size());
  ForEachInParallel(names, [&](size_t AIndex, const std::string& AName) {
    TTrip& trip = trips[AIndex];
    trip.Name = AName;
    const std::string stored = corpus::ReadCorpusFile("text", AName);
    const std::string result =
        ThereAndBack(dir, AIndex, corpus::CorpusDir() / "text" / AName, "binary", "text", trip.Problem);
    // Files known to come back in the IDE's own layout instead must match the library's round trip.
    const std::string expected = corpus::CorpusExceptionFor("text", AName) != nullptr
                                     ? corpus::ResourceToText(corpus::TextToResource(stored))
                                     : corpus::WithCrLf(stored);
    trip.Ok = trip.Problem.empty() && result == expected;
  });
  for (const TTrip& trip : trips) EXPECT_TRUE(trip.Ok) << trip.Name << " " << trip.Problem;
  EXPECT_GE(trips.size(), corpus::CorpusFiles("text").size() / 8);
}

TEST(CliCorpus, BinaryFilesComeBackThroughTextOnStandardOutput) {
  tess::testing::ScopedDataHome home;
  tess::testing::TempDir dir;
  const std::vector<std::string> names = StdoutSample("binary");
  std::vector<TTrip> trips(names.size());
  ForEachInParallel(names, [&](size_t AIndex, const std::string& AName) {
    TTrip& trip = trips[AIndex];
    trip.Name = AName;
    const std::string stored = corpus::ReadCorpusFile("binary", AName);
    const std::string result =
        ThereAndBack(dir, AIndex, corpus::CorpusDir() / "binary" / AName, "text", "binary", trip.Problem);
    const std::string expected = corpus::CorpusExceptionFor("binary", AName) != nullptr
                                     ? corpus::TextToResource(corpus::ResourceToText(stored))
                                     : stored;
    trip.Ok = trip.Problem.empty() && result == expected;
  });
  for (const TTrip& trip : trips) EXPECT_TRUE(trip.Ok) << trip.Name << " " << trip.Problem;
  EXPECT_GE(trips.size(), corpus::CorpusFiles("binary").size() / 8);
}

// The whole of one corpus folder converted into an output folder and back into a second one.
void ExpectEveryFileBack(const std::string& AFolder, const char* AThere, const char* ABack) {
  tess::testing::ScopedDataHome home;
  tess::testing::TempDir dir;
  const std::vector<std::string> names = corpus::CorpusFiles(AFolder);
  const TRun there = RunCli({"convert", "--to", AThere, "-q", "-j", "2", "--output-dir", "there", "-r",
                             (corpus::CorpusDir() / AFolder).string()},
                            dir.Path());
  ASSERT_EQ(there.Status, 0) << there.Out;
  const TRun back =
      RunCli({"convert", "--to", ABack, "-q", "-j", "2", "--output-dir", "back", "-r", "there"}, dir.Path());
  ASSERT_EQ(back.Status, 0) << back.Out;
  for (const std::string& name : names) {
    const std::string stored = corpus::ReadCorpusFile(AFolder, name);
    const bool listed = corpus::CorpusExceptionFor(AFolder, name) != nullptr;
    std::string expected;
    if (AFolder == "text")
      expected = listed ? corpus::ResourceToText(corpus::TextToResource(stored)) : corpus::WithCrLf(stored);
    else
      expected = listed ? corpus::TextToResource(corpus::ResourceToText(stored)) : stored;
    EXPECT_TRUE(ReadFile(dir.Path() / "back" / name) == expected) << name;
  }
}

TEST(CliCorpus, EveryTextFileComesBackThroughBinaryFiles) { ExpectEveryFileBack("text", "binary", "text"); }

TEST(CliCorpus, EveryBinaryFileComesBackThroughTextFiles) { ExpectEveryFileBack("binary", "text", "binary"); }

// A tree of the corpus in which every binary file is there twice under the same name, so that an
// output folder must number the second result: the numbering follows the input order, which the
// JSON lines show (the two copies convert alike, so the files alone would not).
void MakeCorpusTree(const std::filesystem::path& ARoot, size_t ALimit) {
  const auto copy = [&](const std::string& AFolder, const std::filesystem::path& ATarget) {
    std::vector<std::string> names = corpus::CorpusFiles(AFolder);
    // The text files only pass through as skipped; a part of them is enough.
    const size_t limit = AFolder == "text" ? std::min<size_t>(ALimit, 60) : ALimit;
    if (names.size() > limit) names.resize(limit);
    for (const std::string& name : names) {
      std::filesystem::create_directories(ATarget);
      std::filesystem::copy_file(corpus::CorpusDir() / AFolder / name, ATarget / name);
    }
  };
  copy("binary", ARoot / "tree" / "a");
  copy("binary", ARoot / "tree" / "b");
  copy("text", ARoot / "tree" / "text");
  copy("damaged", ARoot / "tree" / "damaged");
}

void ExpectSameWithOneAndTwoJobs(const std::vector<std::string>& AArgs, size_t ALimit) {
  tess::testing::ScopedDataHome home;
  tess::testing::TempDir one, two;
  MakeCorpusTree(one.Path(), ALimit);
  MakeCorpusTree(two.Path(), ALimit);
  const std::string removeExplicit =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation><Caption>Remove Explicit</Caption><Actions>"
      "<RemoveProp><PropName>ExplicitLeft</PropName></RemoveProp>"
      "<RemoveProp><PropName>ExplicitWidth</PropName></RemoveProp></Actions></Transformation>\n";
  WriteFile(one.Path() / "remove.xml", removeExplicit);
  WriteFile(two.Path() / "remove.xml", removeExplicit);
  std::vector<std::string> args = AArgs;
  args.insert(args.end(), {"--json", "-r", "tree", "-j"});
  std::vector<std::string> argsOne = args, argsTwo = args;
  argsOne.push_back("1");
  argsTwo.push_back("2");
  const TRun runOne = RunCli(argsOne, one.Path());
  const TRun runTwo = RunCli(argsTwo, two.Path());
  EXPECT_EQ(runOne.Status, runTwo.Status);
  EXPECT_GT(runOne.OutLines().size(), 2 * std::min<size_t>(ALimit, 250));
  EXPECT_TRUE(runOne.Out == runTwo.Out) << runOne.Out.size() << " against " << runTwo.Out.size() << " bytes";
  const auto filesOne = Snapshot(one.Path()), filesTwo = Snapshot(two.Path());
  EXPECT_EQ(Names(filesOne), Names(filesTwo));
  EXPECT_TRUE(filesOne == filesTwo);
}

TEST(CliCorpus, TwoJobsWriteTheSameNewFilesAsOne) {
  ExpectSameWithOneAndTwoJobs({"convert", "--to", "text", "--output-dir", "out"}, 100000);
}

// Each worker runs the user transformation with its own form file facade.
TEST(CliCorpus, TwoJobsApplyATransformationAsOne) { ExpectSameWithOneAndTwoJobs({"apply", "remove.xml", "--new"}, 30); }

TEST(CliCorpus, TwoJobsReplaceAndBackUpAsOne) {
  // Replacing flushes every file to disk, so a part of the corpus keeps this within seconds.
  ExpectSameWithOneAndTwoJobs({"convert", "--to", "binary", "--backup-dir", "bak"}, 40);
}

}  // namespace
}  // namespace tess::cli::testing
