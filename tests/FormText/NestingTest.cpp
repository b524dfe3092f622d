// Form text nested far deeper than any form is refused with a message, never by overflowing the stack.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Parser/uParser.h"
#include "Support/WorkerStack.h"

using namespace tess;
using namespace tess::formtext;

namespace {

// Twenty thousand levels overflowed a worker thread's stack while the document was built from the
// parse tree; the parse itself keeps its own stack and survives any depth.
constexpr int kDeep = 20000;
const std::string kTooDeep = "Objects, lists and collections nest deeper than 1000 levels";

std::string Repeat(std::string_view APiece, int ACount) {
  std::string result;
  result.reserve(APiece.size() * static_cast<size_t>(ACount));
  for (int i = 0; i < ACount; ++i) result += APiece;
  return result;
}

// ADepth levels in all, the outermost object counted.
std::string NestedObjects(int ADepth) { return Repeat("object A: TA\n", ADepth) + Repeat("end\n", ADepth); }
std::string NestedLists(int ADepth) {
  return "object A: TA\n  P = " + Repeat("(", ADepth - 1) + Repeat(")", ADepth - 1) + "\nend\n";
}
std::string NestedCollections(int ADepth) {
  return "object A: TA\n  P = " + Repeat("<item P = ", ADepth - 1) + "0" + Repeat(" end>", ADepth - 1) + "\nend\n";
}

std::string LoadMessage(const std::string& AText) {
  return tess::testing::MessageOnWorkerThread([&] { TDFMHelper().LoadObjectFromBytes(AText); });
}

struct NestingRow {
  const char* Name;
  std::string (*Make)(int);
};

class FormTextNesting : public ::testing::TestWithParam<NestingRow> {};

}  // namespace

TEST_P(FormTextNesting, FarTooDeepFailsWithAMessage) {
  EXPECT_EQ(LoadMessage(GetParam().Make(kDeep)), kTooDeep);
  EXPECT_EQ(LoadMessage(GetParam().Make(1001)), kTooDeep);
}

// The bound itself loads, and prints text that loads to the same print.
TEST_P(FormTextNesting, ThousandLevelsLoadAndPrintBack) {
  EXPECT_EQ(tess::testing::MessageOnWorkerThread([&] {
              TDFMHelper helper;
              auto object = helper.LoadObjectFromBytes(GetParam().Make(1000));
              const std::string printed = helper.SaveObjectToBytes(*object);
              EXPECT_EQ(helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(printed)), printed);
            }),
            "");
}

INSTANTIATE_TEST_SUITE_P(Shapes, FormTextNesting,
                         ::testing::Values(NestingRow{"Objects", NestedObjects}, NestingRow{"Lists", NestedLists},
                                           NestingRow{"Collections", NestedCollections}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Far too deep is refused while matching, at the same point whatever the depth: what the parse
// makes does not grow with it.
TEST_P(FormTextNesting, FarTooDeepIsRefusedBeforeTheParseGrowsWithIt) {
  TDFMHelper helper;  // installs the form-text parser factory
  parser::TGrammarParser parser;
  TDFMGrammar grammar;
  grammar.ConfigureTokenizer(parser.Tokenizer());
  std::vector<size_t> made;
  for (const int depth : {kDeep, 10 * kDeep}) {
    grammar.Reset();
    int32_t maxPosition = 0;
    try {
      parser.Parse(grammar, common::U16(GetParam().Make(depth)), maxPosition);
      ADD_FAILURE() << "parsed " << depth << " levels";
    } catch (const ENestingError& error) {
      EXPECT_EQ(common::Utf16ToUtf8(error.Message()), kTooDeep);
    }
    made.push_back(grammar.SymbolCount());
  }
  EXPECT_EQ(made[0], made[1]);
}

// A value typed into the editor that nests too deep is no value; checking it says so too, so the
// editor never accepts what it then cannot set.
TEST(FormTextNesting, TooDeepValueIsNeitherValidNorLoaded) {
  TDFMHelper helper;
  const std::u16string deep = common::U16(Repeat("(", kDeep) + Repeat(")", kDeep));
  EXPECT_EQ(tess::testing::MessageOnWorkerThread([&] {
              EXPECT_FALSE(helper.IsValidValue(deep));
              EXPECT_EQ(helper.LoadValue(deep), nullptr);
            }),
            "");
  const std::u16string bound = common::U16(Repeat("(", 1000) + Repeat(")", 1000));
  EXPECT_EQ(tess::testing::MessageOnWorkerThread([&] {
              EXPECT_TRUE(helper.IsValidValue(bound));
              EXPECT_NE(helper.LoadValue(bound), nullptr);
              // Refused walks leave no count behind: the bound still loads after them.
              EXPECT_FALSE(helper.IsValidValue(deep));
              EXPECT_TRUE(helper.IsValidValue(bound));
            }),
            "");
}
