// User transformations doing real work on every corpus text file: the result loads again and
// differs from the re-printed input by exactly the lines the actions were meant to touch.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Support/ActionBuilders.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"
#include "Transformations/uManualTransform.h"

using namespace tess;
using namespace tess::transform;
using namespace tess::testing;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The writer's text split at its line breaks, which are those of the file it printed; the
// byte-order mark, if any, is kept apart.
struct Lines {
  std::string Bom;
  std::vector<std::string> List;
  std::string Break = "\r\n";
};

Lines SplitLines(const std::string& AText) {
  Lines lines;
  size_t at = 0;
  if (AText.rfind(kBom, 0) == 0) lines.Bom = kBom, at = kBom.size();
  const size_t firstBreak = AText.find_first_of("\r\n");
  if (firstBreak != std::string::npos)
    lines.Break = AText.compare(firstBreak, 2, "\r\n") == 0 ? "\r\n" : AText.substr(firstBreak, 1);
  while (at < AText.size()) {
    const size_t end = AText.find(lines.Break, at);
    if (end == std::string::npos) {
      lines.List.push_back(AText.substr(at));
      break;
    }
    lines.List.push_back(AText.substr(at, end - at));
    at = end + lines.Break.size();
  }
  return lines;
}

std::string JoinLines(const Lines& ALines) {
  std::string text = ALines.Bom;
  for (const std::string& line : ALines.List) text += line + ALines.Break;
  return text;
}

size_t IndentOf(const std::string& ALine) { return ALine.find_first_not_of(' '); }

std::string Upper(std::string AText) {
  for (char& c : AText)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return AText;
}

// An object header as the writer prints it: keyword, then "Name: Class" or only "Class", then
// an optional " [n]". Returns false for any other line.
struct Header {
  size_t Indent = 0;
  std::string Prefix;  // everything before the class
  std::string Class;
  std::string Suffix;  // the index, if any
};

bool ParseHeader(const std::string& ALine, Header& AHeader) {
  const size_t indent = IndentOf(ALine);
  if (indent == std::string::npos) return false;
  const std::string rest = ALine.substr(indent);
  size_t keyword = 0;
  for (const char* word : {"object ", "inherited ", "inline "})
    if (rest.rfind(word, 0) == 0) keyword = std::string(word).size();
  if (keyword == 0) return false;
  std::string body = rest.substr(keyword);
  AHeader.Indent = indent;
  AHeader.Suffix.clear();
  const size_t bracket = body.rfind(" [");
  if (bracket != std::string::npos && body.back() == ']') {
    AHeader.Suffix = body.substr(bracket);
    body.erase(bracket);
  }
  const size_t colon = body.find(": ");
  const size_t classAt = colon == std::string::npos ? 0 : colon + 2;
  AHeader.Prefix = ALine.substr(0, indent + keyword) + body.substr(0, classAt);
  AHeader.Class = body.substr(classAt);
  return true;
}

bool IsExplicitLine(const std::string& ALine) {
  const size_t indent = IndentOf(ALine);
  if (indent == std::string::npos) return false;
  for (const char* name : {"ExplicitLeft = ", "ExplicitTop = ", "ExplicitWidth = ", "ExplicitHeight = "})
    if (ALine.compare(indent, std::string(name).size(), name) == 0) return true;
  return false;
}

// Each object of the tree, collection items left out, as the actions see them.
void EachObject(doc::TDObject& AObject, const std::function<void(doc::TDObject&)>& AVisit) {
  AVisit(AObject);
  for (int i = 0; i < AObject.Objects().Count(); ++i) EachObject(*AObject.Objects().Items(i), AVisit);
}

class CorpusWork : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override { FDir.Write("in.dfm", ReadFile(kCorpus / "text" / GetParam())); }

  // The result of ATransform on the corpus file; its status in AStatus.
  std::string Apply(TManualTransform& ATransform, const std::string& AOut, TTransformStatus& AStatus) {
    ATransform.SetInFile(FDir / "in.dfm");
    ATransform.SetOutFile(FDir / AOut);
    ATransform.SetOnMessage([this](const std::u16string& ALine) { FLog.push_back(ALine); });
    ATransform.Execute();
    AStatus = ATransform.Status();
    return FDir.Read(AOut);
  }
  // The input as the writer prints it, which every result is compared with.
  std::string Reprinted() {
    TManualTransform none;
    TTransformStatus status;
    std::string text = Apply(none, "base.dfm", status);
    EXPECT_EQ(status, TTransformStatus::tsNoChanges);
    return text;
  }

  TempDir FDir;
  std::vector<std::u16string> FLog;
};

}  // namespace

TEST_P(CorpusWork, RemovingTheExplicitBoundsRemovesExactlyThoseLines) {
  const std::string base = Reprinted();
  TManualTransform transform;
  for (const char16_t* name : {u"ExplicitLeft", u"ExplicitTop", u"ExplicitWidth", u"ExplicitHeight"}) {
    auto remove = std::make_unique<TRemovePropertyAction>();
    remove->SetPropName(name);
    transform.AddAction(std::move(remove));
  }
  TTransformStatus status;
  const std::string result = Apply(transform, "out.dfm", status);

  Lines expected = SplitLines(base);
  const size_t before = expected.List.size();
  std::erase_if(expected.List, IsExplicitLine);
  const size_t removed = before - expected.List.size();
  EXPECT_EQ(result, JoinLines(expected));
  EXPECT_EQ(FLog.size(), removed);
  EXPECT_EQ(status, removed > 0 ? TTransformStatus::tsApplied : TTransformStatus::tsNoChanges);

  std::unique_ptr<doc::TDObject> reloaded = formtext::DFMHelper().LoadObject(FDir / "out.dfm");
  EachObject(*reloaded, [](doc::TDObject& AObject) {
    for (int i = 0; i < AObject.Props().Count(); ++i)
      EXPECT_NE(AObject.Props().Items(i)->Name().rfind(u"Explicit", 0), 0u) << common::Utf16ToUtf8(AObject.Name());
  });
}

TEST_P(CorpusWork, LabelsBecomeStaticTextAndButtonsGetTahoma) {
  const std::string base = Reprinted();
  TManualTransform transform;
  transform.AddAction(ChangeObject({.OldObjectClass = u"TLabel", .NewObjectClass = u"TStaticText"}));
  transform.AddAction(NewProperty(
      {.NewPropName = u"Font.Name", .NewPropValue = u"'Tahoma'", .ObjectClass = u"TButton", .Overwrite = true}));
  TTransformStatus status;
  const std::string result = Apply(transform, "out.dfm", status);

  // The expectation, worked out on the text: headers of TLabel objects name the new class, and
  // each TButton's own Font.Name line is replaced, or a new one follows its last property.
  Lines lines = SplitLines(base);
  Lines expected{lines.Bom, {}, lines.Break};
  struct Open {
    size_t Indent;
    bool Button;
    bool HasFont;
  };
  std::vector<Open> open;
  int labels = 0, buttons = 0;
  const std::string tahoma = "Font.Name = 'Tahoma'";
  auto closeProperties = [&](Open& AObject) {
    if (AObject.Button && !AObject.HasFont) expected.List.push_back(std::string(AObject.Indent + 2, ' ') + tahoma);
    AObject.HasFont = true;  // added once, before the first child or the end
  };
  for (const std::string& line : lines.List) {
    Header header;
    const size_t indent = IndentOf(line);
    if (ParseHeader(line, header)) {
      if (!open.empty() && header.Indent == open.back().Indent + 2) closeProperties(open.back());
      const bool label = Upper(header.Class) == "TLABEL";
      const bool button = Upper(header.Class) == "TBUTTON";
      labels += label;
      buttons += button;
      expected.List.push_back(label ? header.Prefix + "TStaticText" + header.Suffix : line);
      open.push_back({header.Indent, button, false});
      continue;
    }
    if (!open.empty() && indent == open.back().Indent && line.substr(indent) == "end") {
      closeProperties(open.back());
      open.pop_back();
      expected.List.push_back(line);
      continue;
    }
    if (!open.empty() && open.back().Button && indent == open.back().Indent + 2 &&
        line.compare(indent, 12, "Font.Name = ") == 0) {
      expected.List.push_back(std::string(indent, ' ') + tahoma);
      open.back().HasFont = true;
      continue;
    }
    expected.List.push_back(line);
  }
  EXPECT_TRUE(open.empty());
  EXPECT_EQ(result, JoinLines(expected));
  // One line for each label changed and each button given the font.
  EXPECT_EQ(FLog.size(), static_cast<size_t>(labels + buttons));
  EXPECT_EQ(status, labels + buttons > 0 ? TTransformStatus::tsApplied : TTransformStatus::tsNoChanges);

  std::unique_ptr<doc::TDObject> reloaded = formtext::DFMHelper().LoadObject(FDir / "out.dfm");
  int buttonsAfter = 0;
  EachObject(*reloaded, [&](doc::TDObject& AObject) {
    EXPECT_NE(Upper(common::Utf16ToUtf8(AObject.Ancestor())), "TLABEL");
    if (Upper(common::Utf16ToUtf8(AObject.Ancestor())) != "TBUTTON") return;
    ++buttonsAfter;
    const doc::TDProp* prop = AObject.Props().Find(u"Font.Name");
    ASSERT_NE(prop, nullptr);
    EXPECT_TRUE(prop->Value()->Equals(doc::TDString({u"'Tahoma'"})));
  });
  EXPECT_EQ(buttonsAfter, buttons);
}

INSTANTIATE_TEST_SUITE_P(Text, CorpusWork, ::testing::ValuesIn(FilesIn("text")),
                         [](const ::testing::TestParamInfo<std::string>& AInfo) { return TestNameOf(AInfo.param); });
