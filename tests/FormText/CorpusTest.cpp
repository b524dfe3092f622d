// The IDE's own files as ground truth: every text file loads and prints back as it is stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FormText/CorpusExpectations.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"

using namespace tess;
using namespace tess::formtext;

namespace {

const std::filesystem::path kCorpus = TESS_CORPUS_DIR;

std::vector<std::string> FilesIn(const char* AFolder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus / AFolder))
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The stored bytes with every line break (CR LF, lone LF, lone CR) made CR LF.
std::string WithCrLf(std::string_view ABytes) {
  std::string result;
  result.reserve(ABytes.size() + ABytes.size() / 16);
  for (size_t i = 0; i < ABytes.size(); ++i) {
    const char c = ABytes[i];
    if (c == '\r') {
      if (i + 1 < ABytes.size() && ABytes[i + 1] == '\n') ++i;
      result += "\r\n";
    } else if (c == '\n') {
      result += "\r\n";
    } else {
      result.push_back(c);
    }
  }
  return result;
}

std::string TestNameOf(const std::string& AFile) {
  std::string name;
  for (char c : AFile) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return name;
}

const tess::testing::TCorpusException* ExceptionFor(const std::string& AFile) {
  for (const auto& exception : tess::testing::kCorpusPrintExceptions)
    if (exception.File == AFile) return &exception;
  return nullptr;
}

// The first line where two texts differ, for a failure message that can be read.
std::string FirstDifference(const std::string& AExpected, const std::string& AActual) {
  size_t at = 0;
  while (at < AExpected.size() && at < AActual.size() && AExpected[at] == AActual[at]) ++at;
  const size_t lineStart = AExpected.rfind('\n', at == 0 ? 0 : at - 1);
  const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
  const size_t line = static_cast<size_t>(std::count(AExpected.begin(), AExpected.begin() + static_cast<long>(from), '\n')) + 1;
  return "line " + std::to_string(line) + "\n  stored:  " + AExpected.substr(from, 100) + "\n  printed: " +
         AActual.substr(from, 100);
}

class CorpusText : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(CorpusText, LoadsAndPrintsBackAsStored) {
  const std::string stored = ReadFile(kCorpus / "text" / GetParam());
  TDFMHelper helper;
  std::unique_ptr<doc::TDObject> form;
  try {
    form = helper.LoadObjectFromBytes(stored);
  } catch (const parser::EGrammarError& error) {
    FAIL() << error.what() << " at line " << error.Line() << ", column " << error.Column() << ": "
           << common::Utf16ToUtf8(error.TokenText());
  }
  const std::string printed = helper.SaveObjectToBytes(*form);
  const std::string expected = WithCrLf(stored);
  if (const auto* exception = ExceptionFor(GetParam())) {
    EXPECT_NE(printed, expected) << "listed as an exception but prints back exactly: " << exception->Reason;
    return;
  }
  EXPECT_TRUE(printed == expected) << FirstDifference(expected, printed);
}

// Printing the model built from the writer's own output gives that output again, and models
// built from that output are equal. (The model of the stored file itself may differ: a brace
// block from a file with LF breaks keeps them, and the writer prints them as CR LF.)
TEST_P(CorpusText, ModelRoundTripIsStable) {
  TDFMHelper helper;
  auto stored = helper.LoadObjectFromBytes(ReadFile(kCorpus / "text" / GetParam()));
  const std::string once = helper.SaveObjectToBytes(*stored);
  auto first = helper.LoadObjectFromBytes(once);
  const std::string twice = helper.SaveObjectToBytes(*first);
  EXPECT_TRUE(twice == once) << FirstDifference(once, twice);
  auto second = helper.LoadObjectFromBytes(twice);
  EXPECT_TRUE(second->Equals(*first));
  EXPECT_EQ(CloneOf(*second)->Equals(*first), true);
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusText, ::testing::ValuesIn(FilesIn("text")),
                         [](const auto& AInfo) { return TestNameOf(AInfo.param); });
