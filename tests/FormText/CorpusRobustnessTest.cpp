// Damaged and binary files fail cleanly; large forms load on an ordinary thread and in linear time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"
#include "Support/Corpus.h"

using namespace tess;
using namespace tess::formtext;
using namespace tess::testing;

namespace {

// Loads and prints; true when the file loaded. Any failure must be one of the system's own
// errors with a message, never a crash or a foreign exception.
bool LoadsOrFailsCleanly(const std::string& ABytes, std::string& AMessage) {
  TDFMHelper helper;
  try {
    auto form = helper.LoadObjectFromBytes(ABytes);
    (void)helper.SaveObjectToBytes(*form);
    return true;
  } catch (const common::Exception& error) {
    AMessage = error.what();
    return false;
  }
}

class DamagedFile : public ::testing::TestWithParam<std::string> {};
class BinaryFile : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(DamagedFile, LoadsOrFailsWithAClearError) {
  std::string message;
  if (!LoadsOrFailsCleanly(ReadFile(kCorpus / "damaged" / GetParam()), message)) {
    EXPECT_FALSE(message.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFile, ::testing::ValuesIn(FilesIn("damaged")),
                         [](const auto& AInfo) { return TestNameOf(AInfo.param); });

TEST_P(BinaryFile, IsNotFormText) {
  std::string message;
  EXPECT_FALSE(LoadsOrFailsCleanly(ReadFile(kCorpus / "binary" / GetParam()), message));
  EXPECT_EQ(message, "Grammar failed");
}

INSTANTIATE_TEST_SUITE_P(Files, BinaryFile, ::testing::ValuesIn(FilesIn("binary")),
                         [](const auto& AInfo) { return TestNameOf(AInfo.param); });

// Every prefix of a real form fails cleanly (or loads, for the prefixes that happen to be whole).
TEST(CorpusPrefixes, TruncatedFormsNeverCrash) {
  // The first stored form of a few kilobytes: big enough to hold every kind of value.
  std::string bytes;
  for (const auto& name : FilesIn("text")) {
    bytes = ReadFile(kCorpus / "text" / name);
    if (bytes.size() >= 4096 && bytes.size() <= 16384) break;
  }
  ASSERT_GE(bytes.size(), 4096u);
  for (size_t length = 0; length < bytes.size(); length += 1 + length / 50) {
    std::string message;
    if (!LoadsOrFailsCleanly(bytes.substr(0, length), message)) {
      ASSERT_FALSE(message.empty()) << length;
    }
  }
}

namespace {

std::u16string StringListForm(size_t ALines) {
  std::u16string text = u"object Form1: TForm1\r\n  Lines.Strings = (";
  text.reserve(ALines * 14 + 64);
  for (size_t i = 0; i < ALines; ++i)
    text += u"\r\n    'line " + common::IntToStr(static_cast<int64_t>(i % 1000)) + u"'";
  text += u")\r\nend\r\n";
  return text;
}

}  // namespace

// The engine matches list productions without recursion on the C++ stack; the builder and the
// writer walk lists in loops. Run on a fresh thread, which has the platform's default stack.
TEST(LargeForm, MillionLineStringListLoadsAndPrintsOnAWorkerThread) {
  const std::u16string text = StringListForm(1'000'000);
  std::u16string printed;
  int count = -1;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      TDFMHelper helper;
      auto form = helper.LoadObjectFromText(text);
      count = static_cast<doc::TDArray*>(form->Props().Items(0)->Value())->Count();
      printed = doc::TDFMDefiner().GetDefinition(*form);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
  EXPECT_EQ(count, 1'000'000);
  EXPECT_TRUE(printed == text);
}

namespace {

// Processor time of this thread, so that other work on a shared machine does not count.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double SecondsToLoadAndPrint(TDFMHelper& AHelper, const std::u16string& AText) {
  const double start = ThreadSeconds();
  auto form = AHelper.LoadObjectFromText(AText);
  const std::u16string printed = doc::TDFMDefiner().GetDefinition(*form);
  const double stop = ThreadSeconds();
  EXPECT_EQ(printed.size(), AText.size());
  return stop - start;
}

// Many objects with nested collections and lists, the shapes real forms take.
std::u16string WideForm(int AObjects) {
  std::u16string text = u"object Form1: TForm1\r\n";
  for (int i = 0; i < AObjects; ++i) {
    const std::u16string n = common::IntToStr(i);
    text +=
        u"  object Label" + n + u": TLabel\r\n    Left = " + n +
        u"\r\n    Caption = \r\n      'a' +\r\n"
        u"      'b'#13#10\r\n    Font.Style = [fsBold, fsItalic]\r\n    Items = <\r\n      item\r\n"
        u"        Width = 1.5E+02\r\n      end>\r\n    Points = (\r\n      1\r\n      (\r\n        2))\r\n  end\r\n";
  }
  return text + u"end\r\n";
}

}  // namespace

TEST(LargeForm, LoadAndPrintGrowLinearly) {
  TDFMHelper helper;
  const std::u16string small = WideForm(500);
  const std::u16string large = WideForm(5'000);
  // The best of a few runs, so that a busy machine does not decide the ratio.
  double smallBest = 1e9, largeBest = 1e9;
  for (int run = 0; run < 3; ++run) {
    smallBest = std::min(smallBest, SecondsToLoadAndPrint(helper, small));
    largeBest = std::min(largeBest, SecondsToLoadAndPrint(helper, large));
  }
  std::cout << "[ growth   ] 10 times the objects: " << largeBest / smallBest << " times the processor time\n";
  // Linear work measures 10 to 12 on a quiet machine and up to about 16 beside parallel builds;
  // quadratic work would measure about 100.
  EXPECT_LT(largeBest, smallBest * 40) << "small " << smallBest << " s, large " << largeBest << " s";
}

// Reports the rate of load and print to memory over the whole text corpus.
TEST(CorpusThroughput, LoadAndPrintWholeCorpus) {
  std::vector<std::string> files;
  size_t bytes = 0;
  for (const auto& name : FilesIn("text")) {
    files.push_back(ReadFile(kCorpus / "text" / name));
    bytes += files.back().size();
  }
  TDFMHelper helper;
  double best = 1e9, bestCpu = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = ThreadSeconds();
    size_t printed = 0;
    for (const auto& file : files) {
      auto form = helper.LoadObjectFromBytes(file);
      printed += helper.SaveObjectToBytes(*form).size();
    }
    bestCpu = std::min(bestCpu, ThreadSeconds() - startCpu);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_GT(printed, bytes / 2);
  }
  const double megabytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::cout << "[ corpus   ] " << files.size() << " files, " << megabytes << " MiB, load and print in " << best
            << " s: " << megabytes / best << " MiB/s (processor time " << bestCpu << " s: " << megabytes / bestCpu
            << " MiB/s)\n";
  ::testing::Test::RecordProperty("MiBPerSecond", std::to_string(megabytes / best));
}
