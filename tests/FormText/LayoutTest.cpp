// A form file printed back keeps the layout it came with: its line breaks, and the Lazarus way of
// closing lists, so that a transformation changes only the lines it means to change.
#include <gtest/gtest.h>

#include <string>

#include "FormText/uDFMHelper.h"

using namespace tess;
using namespace tess::formtext;

namespace {

struct LayoutRow {
  const char* Name;
  std::string Text;  // written with "\n"; each row replaces it with its own break
  const char* Break;
};

std::string WithBreak(const std::string& AText, const std::string& ABreak) {
  std::string result;
  for (const char c : AText) {
    if (c == '\n')
      result += ABreak;
    else
      result.push_back(c);
  }
  return result;
}

const std::string kDelphiLists =
    "object Form1: TForm1\n"
    "  Items.Strings = (\n"
    "    'a'\n"
    "    'b')\n"
    "  Points = (\n"
    "    (\n"
    "      1\n"
    "      2)\n"
    "    (\n"
    "      3))\n"
    "  Empty = ()\n"
    "  Data = {\n"
    "    0A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021222324252627\n"
    "    28}\n"
    "  Columns = <\n"
    "    item\n"
    "      Width = 64\n"
    "    end>\n"
    "  object Memo1: TMemo\n"
    "    Lines.Strings = (\n"
    "      'x')\n"
    "  end\n"
    "end\n";

// Items one a line, then ")" alone at the property's indent, as Lazarus writes them.
const std::string kLazarusLists =
    "object Form1: TForm1\n"
    "  Left = 8\n"
    "  Items.Strings = (\n"
    "    'a'\n"
    "    'b'\n"
    "  )\n"
    "  Points = (\n"
    "    (\n"
    "      1\n"
    "      2\n"
    "    )\n"
    "    (\n"
    "      3\n"
    "    )\n"
    "  )\n"
    "  Empty = ()\n"
    "  Hint = (\n"
    "    \n"
    "      'first' +\n"
    "      'second'\n"
    "  )\n"
    "  object Memo1: TMemo\n"
    "    Lines.Strings = (\n"
    "      'x'\n"
    "    )\n"
    "  end\n"
    "end\n";

class LayoutKept : public ::testing::TestWithParam<LayoutRow> {
protected:
  TDFMHelper FHelper;
};

}  // namespace

// The text reprints byte for byte, and so does the document after a change: only the changed line
// differs, in the file's own layout.
TEST_P(LayoutKept, ThroughLoadPrintAndAChange) {
  const std::string text = WithBreak(GetParam().Text, GetParam().Break);
  auto form = FHelper.LoadObjectFromBytes(text);
  EXPECT_EQ(FHelper.SaveObjectToBytes(*form), text);

  form->Props().Add(std::make_unique<doc::TDProp>(u"Tag", std::make_unique<doc::TDNumber>(u"7")));
  const std::string changed = FHelper.SaveObjectToBytes(*form);
  const std::string tagLine = std::string("  Tag = 7") + GetParam().Break;
  const size_t objectAt = text.find("  object ");
  ASSERT_NE(objectAt, std::string::npos);
  EXPECT_EQ(changed, text.substr(0, objectAt) + tagLine + text.substr(objectAt));
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutKept,
                         ::testing::Values(LayoutRow{"DelphiCrLf", kDelphiLists, "\r\n"},
                                           LayoutRow{"DelphiLf", kDelphiLists, "\n"},
                                           LayoutRow{"DelphiCr", kDelphiLists, "\r"},
                                           LayoutRow{"LazarusLf", kLazarusLists, "\n"},
                                           LayoutRow{"LazarusCrLf", kLazarusLists, "\r\n"}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// The first line break and the first list that has items decide; what a file mixes becomes one
// layout, never a mixture of the two.
TEST(LayoutKept, TheFirstBreakAndTheFirstListDecide) {
  TDFMHelper helper;
  const std::string mixed =
      "object F: T\n  A = (\r\n    1\r\n  )\r\n  B = (\n    2)\n  C = {\r\n    00\r\n    01}\nend\r\n";
  auto form = helper.LoadObjectFromBytes(mixed);
  EXPECT_EQ(helper.SaveObjectToBytes(*form),
            "object F: T\n  A = (\n    1\n  )\n  B = (\n    2\n  )\n  C = {\n    00\n    01}\nend\n");

  // A form made from nothing, or read from one line, is written as the IDE writes it.
  auto oneLine = helper.LoadObjectFromBytes("object F: T A = (1) end");
  EXPECT_EQ(helper.SaveObjectToBytes(*oneLine), "object F: T\r\n  A = (\r\n    1)\r\nend\r\n");
  EXPECT_EQ(helper.SaveObjectToBytes(*doc::CloneOf(*form)), helper.SaveObjectToBytes(*form));
}
