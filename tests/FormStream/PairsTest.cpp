// Forms the IDE itself converted from binary to text: our binary-to-text result must be its text.
#include <gtest/gtest.h>

#include <map>

#include "CorpusSupport.h"

namespace tess::stream::testing {
namespace {

using tess::testing::CorpusPairs;
using tess::testing::TCorpusPair;

// Pairs whose text is not a plain conversion of the binary file: the IDE that converted them also
// changed the form (it streamed the components anew, re-encoded a picture, or wrote numbers the way
// an old version did), or the same commit edited it by hand.
const std::map<std::string, std::string>& ChangedInConversion() {
  static const std::map<std::string, std::string> changed = {
      {"HeidiSQL__HeidiSQL__childwin.dfm", "the IDE added Explicit* properties and moved others"},
      {"HeidiSQL__HeidiSQL__exportsql.dfm", "the IDE added Explicit* properties and dropped ItemHeight"},
      {"project-jedi__jvcl__tests__archive__jvcl132__examples__ImageWindow__Unit2.dfm",
       "the IDE re-encoded a bitmap as 32 bits per pixel"},
      {"project-jedi__jvcl__tests__archive__jvcl132__examples__Timeline__Unit1.dfm",
       "an old IDE wrote whole extended values without decimals"},
  };
  return changed;
}

class IdeConvertedPair : public ::testing::TestWithParam<TCorpusPair> {};

TEST_P(IdeConvertedPair, BinaryToTextGivesTheIdesText) {
  const TCorpusPair& pair = GetParam();
  std::string result;
  ASSERT_NO_THROW(result = ResourceToText(ReadCorpusFile("binary", pair.Binary)));
  const std::string expected = WithCrLf(ReadCorpusFile("text", pair.Text));
  if (pair.Note.rfind("not pure", 0) == 0 || ChangedInConversion().count(pair.Binary)) {
    EXPECT_NE(result, expected) << "listed as changed in its conversion, but our text is the IDE's";
    return;
  }
  EXPECT_TRUE(result == expected) << pair.Binary;
}

INSTANTIATE_TEST_SUITE_P(Corpus, IdeConvertedPair, ::testing::ValuesIn(CorpusPairs()),
                         [](const auto& AInfo) { return CorpusTestName(AInfo.param.Binary); });

TEST(IdeConvertedPairs, MostArePlainConversions) {
  size_t plain = 0;
  for (const TCorpusPair& pair : CorpusPairs())
    if (pair.Note.rfind("not pure", 0) != 0 && !ChangedInConversion().count(pair.Binary)) ++plain;
  EXPECT_GE(plain, 13u);
}

}  // namespace
}  // namespace tess::stream::testing
