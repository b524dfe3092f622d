// The IDE's own files as ground truth: every text file loads and prints back as it is stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FormText/CorpusExpectations.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Support/Corpus.h"

using namespace tess;
using namespace tess::formtext;
using namespace tess::testing;

namespace {

// The stored bytes with every line break made the file's first one, which is what the writer
// keeps; only two files of the corpus mix breaks at all.
std::string WithFirstBreak(const std::string& AStored) {
  return WithLineBreaks(AStored, common::LineBreakBytes(common::FirstLineBreakOf(std::string_view(AStored))));
}

// The git blob id of each text file, from the corpus manifest.
const std::map<std::string, std::string>& BlobsOfTextFiles() {
  static const std::map<std::string, std::string> blobs = [] {
    std::map<std::string, std::string> result;
    std::ifstream manifest(kCorpus / "MANIFEST.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
      std::vector<std::string> fields;
      std::stringstream row(line);
      for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
      if (fields.size() > 5 && fields[1] == "text") result[fields[0]] = fields[5];
    }
    return result;
  }();
  return blobs;
}

const tess::testing::TCorpusException* ExceptionFor(const std::string& AFile) {
  const auto blob = BlobsOfTextFiles().find(AFile);
  if (blob == BlobsOfTextFiles().end()) return nullptr;
  for (const auto& exception : tess::testing::kCorpusPrintExceptions)
    if (exception.Blob == blob->second) return &exception;
  return nullptr;
}

// The first line where two texts differ, for a failure message that can be read.
std::string FirstDifference(const std::string& AExpected, const std::string& AActual) {
  size_t at = 0;
  while (at < AExpected.size() && at < AActual.size() && AExpected[at] == AActual[at]) ++at;
  const size_t lineStart = AExpected.rfind('\n', at == 0 ? 0 : at - 1);
  const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
  const size_t line =
      static_cast<size_t>(std::count(AExpected.begin(), AExpected.begin() + static_cast<long>(from), '\n')) + 1;
  return "line " + std::to_string(line) + "\n  stored:  " + AExpected.substr(from, 100) +
         "\n  printed: " + AActual.substr(from, 100);
}

class CorpusText : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(CorpusManifest, NamesEveryTextFileAndEveryException) {
  EXPECT_EQ(BlobsOfTextFiles().size(), FilesIn("text").size());
  for (const auto& exception : tess::testing::kCorpusPrintExceptions) {
    const bool listed = std::any_of(BlobsOfTextFiles().begin(), BlobsOfTextFiles().end(),
                                    [&](const auto& AEntry) { return AEntry.second == exception.Blob; });
    EXPECT_TRUE(listed) << exception.Blob;
  }
}

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
  const std::string expected = WithFirstBreak(stored);
  if (const auto* exception = ExceptionFor(GetParam())) {
    EXPECT_NE(printed, expected) << "listed as an exception but prints back exactly: " << exception->Reason;
    return;
  }
  EXPECT_TRUE(printed == expected) << FirstDifference(expected, printed);
}

// Printing the model built from the writer's own output gives that output again, and models
// built from that output are equal. (The model of the stored file itself may differ: a brace
// block of a file that mixes line breaks keeps them, and the writer prints them all alike.)
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
