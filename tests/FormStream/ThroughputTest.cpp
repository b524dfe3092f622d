// Conversion speed over the whole corpus, single-threaded and from memory. Disabled by default: run it
// with --gtest_also_run_disabled_tests --gtest_filter='*Throughput*' on an optimised build.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "CorpusSupport.h"

namespace tess::stream::testing {
namespace {

template <typename F>
double BestSeconds(int ARuns, F AWork) {
  double best = 1e9;
  for (int run = 0; run < ARuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    AWork();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

std::vector<std::string> Contents(const std::string& AFolder, size_t& ABytes) {
  std::vector<std::string> files;
  ABytes = 0;
  for (const std::string& name : CorpusFiles(AFolder)) {
    files.push_back(ReadCorpusFile(AFolder, name));
    ABytes += files.back().size();
  }
  return files;
}

TEST(DISABLED_CorpusThroughput, MeasuresBothDirections) {
  size_t binaryBytes = 0, textBytes = 0;
  const std::vector<std::string> binaries = Contents("binary", binaryBytes);
  const std::vector<std::string> texts = Contents("text", textBytes);
  size_t produced = 0;

  const double toText = BestSeconds(5, [&] {
    for (const std::string& file : binaries) produced += ResourceToText(file).size();
  });
  const double toBinary = BestSeconds(5, [&] {
    for (const std::string& file : texts) produced += TextToResource(file).size();
  });
  EXPECT_GT(produced, 0u);
  const double mb = 1024.0 * 1024.0;
  std::printf("binary to text: %zu files, %.2f MiB in %.1f ms: %.1f MiB/s\n", binaries.size(), binaryBytes / mb,
              toText * 1000, binaryBytes / mb / toText);
  std::printf("text to binary: %zu files, %.2f MiB in %.1f ms: %.1f MiB/s\n", texts.size(), textBytes / mb,
              toBinary * 1000, textBytes / mb / toBinary);
}

}  // namespace
}  // namespace tess::stream::testing
