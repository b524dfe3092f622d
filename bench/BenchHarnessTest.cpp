// The benchmark's measuring machinery: medians, the child processes that measure peak memory apart,
// the tab-separated lines scripts read, and the synthetic form the growth figures rest on.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"
#include "FormText/uDFMHelper.h"
#include "uBenchHarness.h"

namespace tess::bench {
namespace {

struct TMedianCase {
  std::vector<double> Values;
  double Expected;
};

TEST(Median, TakesTheMiddleOfUnsortedValues) {
  const TMedianCase cases[] = {
      {{}, 0}, {{4}, 4}, {{3, 1, 2}, 2}, {{10, 1, 4, 2}, 3}, {{5, 5, 1, 9, 100}, 5},
  };
  for (const TMedianCase& c : cases) EXPECT_DOUBLE_EQ(Median(c.Values), c.Expected) << c.Values.size() << " values";
}

// Touches every page, so that the memory is resident and not only reserved.
uint64_t Touch(size_t ABytes) {
  std::vector<char> block(ABytes);
  for (size_t i = 0; i < block.size(); i += 4096) block[i] = static_cast<char>(i);
  return block.size() + static_cast<unsigned char>(block[ABytes / 2]);
}

TEST(MeasureInChild, ReportsEachPathsOwnPeakMemory) {
  // Held by the parent: a child inherits it, and it must not count as the child's own.
  std::vector<char> parentHeld(96 << 20, 1);
  const TMeasure large = MeasureInChild(2, [] { return Touch(64 << 20); });
  const TMeasure small = MeasureInChild(2, [] { return Touch(1 << 20); });
  ASSERT_FALSE(large.Failed) << large.Error;
  ASSERT_FALSE(small.Failed) << small.Error;
  EXPECT_GE(large.PeakBytes, 60 << 20);
  EXPECT_LT(large.PeakBytes, 90 << 20);
  EXPECT_LT(small.PeakBytes, 16 << 20);
  EXPECT_EQ(parentHeld[12345], 1);
}

TEST(MeasureInChild, TimesProcessorWork) {
  const TMeasure measure = MeasureInChild(3, [] {
    const double start = ThreadSeconds();
    volatile uint64_t spin = 0;
    while (ThreadSeconds() - start < 0.03) spin = spin + 1;
    return static_cast<uint64_t>(spin);
  });
  ASSERT_FALSE(measure.Failed) << measure.Error;
  EXPECT_GE(measure.CpuSeconds, 0.03);
  EXPECT_LT(measure.CpuSeconds, 0.5);
  EXPECT_GE(measure.WallSeconds, measure.CpuSeconds * 0.9);
}

TEST(MeasureInChild, ReportsAPathThatFailsWithoutStoppingTheCaller) {
  const TMeasure raised = MeasureInChild(1, []() -> uint64_t { throw std::runtime_error("bad input"); });
  EXPECT_TRUE(raised.Failed);
  EXPECT_EQ(raised.Error, "bad input");

  const TMeasure nothing = MeasureInChild(1, [] { return uint64_t{0}; });
  EXPECT_TRUE(nothing.Failed);

  const TMeasure crashed = MeasureInChild(1, []() -> uint64_t {
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
  });
  EXPECT_TRUE(crashed.Failed);
  EXPECT_NE(crashed.Error.find("signal"), std::string::npos) << crashed.Error;
}

// The command-line rows are judged on the exit code: a run that fails must never be timed as a success.
TEST(RunProcess, ReportsHowTheProgramEnded) {
  struct TCase {
    std::vector<std::string> Args;
    int ExitCode;
  };
  const TCase cases[] = {
      {{"/bin/sh", "-c", "exit 0"}, 0},
      {{"/bin/sh", "-c", "echo thrown away; exit 3"}, 3},
      {{"/bin/sh", "-c", "kill -KILL $$"}, -1},
      {{"/nonexistent/tessarine-cli", "--help"}, -1},
  };
  for (const TCase& c : cases) {
    const TProcessRun run = RunProcess(c.Args);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Args.back();
    if (c.ExitCode >= 0) {
      EXPECT_GT(run.PeakBytes, 0) << c.Args.back();
    }
  }
}

// The two-process ceiling is only a ceiling when the two runs overlap and each keeps its own end.
TEST(RunSideBySide, StartsTogetherAndReportsEachOnItsOwn) {
  const double start = WallSeconds();
  const std::vector<TProcessRun> runs = RunSideBySide({{"/bin/sh", "-c", "sleep 0.7; exit 2"},
                                                       {"/bin/sh", "-c", "sleep 0.7"},
                                                       {"/bin/sh", "-c", "sleep 0.1"},
                                                       {"/nonexistent/program"}});
  const double took = WallSeconds() - start;
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].ExitCode, 2);
  EXPECT_EQ(runs[1].ExitCode, 0);
  EXPECT_EQ(runs[2].ExitCode, 0);
  EXPECT_EQ(runs[3].ExitCode, -1);
  EXPECT_LT(took, 1.3) << "run one after the other";
  EXPECT_GE(runs[0].WallSeconds, 0.7);
  EXPECT_LT(runs[2].WallSeconds, runs[0].WallSeconds - 0.3) << "the short run was timed to a longer one's end";
}

TEST(FormatTsv, WritesNameRateRatioAndPeakPerLine) {
  TResultRow measured{"load_print", "", 50'000'000, {}, false};
  measured.Measure.CpuSeconds = 2.0;
  measured.Measure.WallSeconds = 4.0;
  measured.Measure.PeakBytes = 12'500'000;
  TResultRow wall{"cli_j2", "", 50'000'000, {}, true};
  wall.Measure.CpuSeconds = 1.0;
  wall.Measure.WallSeconds = 5.0;
  TResultRow failed{"broken", "", 1000, {}, false};
  failed.Measure.Failed = true;
  EXPECT_EQ(FormatTsv({measured, wall, failed}, 100.0),
            "load_print\t25.00\t0.25\t12.50\n"
            "cli_j2\t10.00\t0.10\t0.00\n"
            "broken\t0.00\t0.00\t0.00\n");
  EXPECT_EQ(FormatFactorTsv("growth.load_print.10x_to_100x", 10.456), "growth.load_print.10x_to_100x\t10.46\n");
}

TEST(FormatTable, NamesAFailedPathAndItsReason) {
  TResultRow failed{"text_to_bin", "FormTextToResource", 1000, {}, false};
  failed.Measure.Failed = true;
  failed.Measure.Error = "Invalid stream format";
  const std::string table = FormatTable({failed}, 100.0);
  EXPECT_NE(table.find("text_to_bin"), std::string::npos);
  EXPECT_NE(table.find("FAILED: Invalid stream format"), std::string::npos);
}

TEST(SyntheticForm, GrowsInProportionToItsFactor) {
  const size_t one = SyntheticForm(1).size();
  const size_t ten = SyntheticForm(10).size();
  EXPECT_GT(one, 80'000u);
  EXPECT_LT(one, 130'000u);
  EXPECT_NEAR(static_cast<double>(ten) / static_cast<double>(one), 10.0, 0.2);
}

// The growth figures mean something only when every path takes the whole form as real input, so the
// form must be one the IDE could have written: both conversions and load and print give it back.
TEST(SyntheticForm, IsCanonicalFormText) {
  const std::string text = SyntheticForm(2);
  stream::TMemoryStream input(text), binary, back;
  stream::FormTextToResource(input, binary);
  binary.SetPosition(0);
  stream::ResourceToFormText(binary, back);
  EXPECT_EQ(back.Bytes(), text);

  formtext::TDFMHelper helper;
  EXPECT_EQ(helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(text)), text);
}

TEST(BenchProgram, LeavesNoTemporaryFolderBehindWhenTheCorpusCannotBeLoaded) {
  std::string root = (std::filesystem::temp_directory_path() / "tess-bench-XXXXXX").string();
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  // Texts without binaries: loading fails after the benchmark has made its temporary folder.
  const std::filesystem::path corpus = std::filesystem::path(root) / "corpus",
                              temp = std::filesystem::path(root) / "tmp";
  std::filesystem::create_directories(corpus / "text");
  std::filesystem::create_directories(temp);
  const TProcessRun run =
      RunProcess({"/usr/bin/env", "TMPDIR=" + temp.string(), TESS_BENCH_PATH, "--no-cli", "--corpus", corpus.string()});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_TRUE(std::filesystem::is_empty(temp));
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tess::bench
