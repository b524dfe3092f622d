// User transformations: running over files, their XML files, copies and the action list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDXMLDocument.h"
#include "Shared/Common/uEncoding.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uManualTransform.h"

using namespace tess;
using namespace tess::transform;
using tess::testing::TempDir;

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(TESS_TESTS_DIR) / "Transformations" / "data";

std::string ReadFile(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kForm =
    "object Form1: TForm1\r\n"
    "  Left = 10\r\n"
    "  Tag = 5\r\n"
    "  object Button1: TButton\r\n"
    "    Tag = 1\r\n"
    "  end\r\n"
    "end\r\n";

// A transformation with one action of each kind, every setting filled in.
std::unique_ptr<TManualTransform> OneOfEach() {
  auto transform = std::make_unique<TManualTransform>();
  transform->SetCaption(u"Tidy & größer");
  transform->SetDescription(u"One <action> of each kind");
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"ExplicitLeft");
  transform->AddAction(std::move(remove));
  auto change = std::make_unique<TChangePropertyAction>();
  change->SetOldPropName(u"Caption");
  change->SetOldPropValue(u"'It''s'");
  change->SetNewPropName(u"Hint");
  change->SetNewPropValue(u"'a' + 'b'");
  change->SetObjectName(u"Label1");
  change->SetObjectClass(u"TLabel");
  transform->AddAction(std::move(change));
  auto add = std::make_unique<TNewPropertyAction>();
  add->SetNewPropName(u"Font.Name");
  add->SetNewPropValue(u"'Tahoma'");
  add->SetObjectClass(u"TButton");
  add->SetOverwrite(true);
  transform->AddAction(std::move(add));
  auto object = std::make_unique<TChangeObjectAction>();
  object->SetOldObjectClass(u"TLabel");
  object->SetNewObjectName(u"Text1");
  object->SetNewObjectClass(u"TStaticText");
  transform->AddAction(std::move(object));
  return transform;
}

// Every setting of every action as one line each, so two transformations compare at a glance.
std::string Settings(const TManualTransform& ATransform) {
  std::string out = common::Utf16ToUtf8(ATransform.Caption() + u"|" + ATransform.Description()) + "\n";
  for (int i = 0; i < ATransform.ActionCount(); ++i) {
    const TTransformAction* action = ATransform.Actions(i);
    std::u16string line = ActionElementName(*action) + u":";
    if (auto* a = dynamic_cast<const TRemovePropertyAction*>(action))
      line += a->PropName() + u"|" + a->ObjectName() + u"|" + a->ObjectClass();
    if (auto* a = dynamic_cast<const TChangePropertyAction*>(action))
      line += a->OldPropName() + u"|" + a->OldPropValue() + u"|" + a->NewPropName() + u"|" + a->NewPropValue() + u"|" +
              a->ObjectName() + u"|" + a->ObjectClass() + (a->OldValue() ? u"|old" : u"") +
              (a->NewValue() ? u"|new" : u"");
    if (auto* a = dynamic_cast<const TNewPropertyAction*>(action))
      line += a->NewPropName() + u"|" + a->NewPropValue() + u"|" + a->ObjectName() + u"|" + a->ObjectClass() +
              (a->Overwrite() ? u"|true" : u"|false") + (a->NewValue() ? u"|new" : u"");
    if (auto* a = dynamic_cast<const TChangeObjectAction*>(action))
      line += a->OldObjectName() + u"|" + a->OldObjectClass() + u"|" + a->NewObjectName() + u"|" + a->NewObjectClass();
    out += common::Utf16ToUtf8(line) + "\n";
  }
  return out;
}

class ManualTransformTest : public ::testing::Test {
protected:
  // A transformation whose file is FDir/t.xml holding AXml.
  std::unique_ptr<TManualTransform> FromXml(const std::string& AXml) {
    FDir.Write("t.xml", AXml);
    auto transform = std::make_unique<TManualTransform>();
    transform->SetPath(FDir.File());
    transform->SetFileName(tess::common::TFilePath("t.xml"));
    transform->Load();
    return transform;
  }
  // Runs the transformation from in.dfm (holding AForm) to out.dfm with a log.
  void Apply(TManualTransform& ATransform, const std::string& AForm) {
    FDir.Write("in.dfm", AForm);
    ATransform.SetInFile(FDir / "in.dfm");
    ATransform.SetOutFile(FDir / "out.dfm");
    ATransform.SetOnMessage([this](const std::u16string& ALine) { FLog.push_back(ALine); });
    ATransform.Execute();
  }

  TempDir FDir;
  std::vector<std::u16string> FLog;
};

}  // namespace

TEST_F(ManualTransformTest, WithoutActionsReportsNoChangesAndWritesTheReprintedFile) {
  TManualTransform transform;
  Apply(transform, "object Form1:TForm1\n  Left=10\nend");
  EXPECT_EQ(transform.Status(), TTransformStatus::tsNoChanges);
  // The layout is the writer's, the line breaks those of the file.
  EXPECT_EQ(FDir.Read("out.dfm"), "object Form1: TForm1\n  Left = 10\nend\n");
  EXPECT_TRUE(FLog.empty());
}

TEST_F(ManualTransformTest, LaterActionsSeeTheEditsOfEarlierOnes) {
  TManualTransform transform;
  auto rename = std::make_unique<TChangePropertyAction>();
  rename->SetOldPropName(u"Tag");
  rename->SetNewPropName(u"HelpContext");
  transform.AddAction(std::move(rename));
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"HelpContext");
  transform.AddAction(std::move(remove));
  Apply(transform, kForm);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_EQ(FDir.Read("out.dfm"),
            "object Form1: TForm1\r\n  Left = 10\r\n  object Button1: TButton\r\n  end\r\nend\r\n");
  EXPECT_EQ(FLog,
            (std::vector<std::u16string>{u"Renaming Form1.Tag to HelpContext", u"Renaming Button1.Tag to HelpContext",
                                         u"Removing property TForm1::Form1.HelpContext",
                                         u"Removing property TButton::Button1.HelpContext"}));
}

TEST_F(ManualTransformTest, AnActionThatChangesNothingLeavesNoChanges) {
  TManualTransform transform;
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"Width");
  transform.AddAction(std::move(remove));
  Apply(transform, kForm);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsNoChanges);
  EXPECT_EQ(FDir.Read("out.dfm"), kForm);
}

TEST_F(ManualTransformTest, InputAndOutputMayBeTheSameFile) {
  TManualTransform transform;
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"Tag");
  transform.AddAction(std::move(remove));
  FDir.Write("same.dfm", kForm);
  transform.SetInFile(FDir / "same.dfm");
  transform.SetOutFile(FDir / "same.dfm");
  transform.Execute();
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_EQ(FDir.Read("same.dfm"),
            "object Form1: TForm1\r\n  Left = 10\r\n  object Button1: TButton\r\n  end\r\nend\r\n");
}

TEST_F(ManualTransformTest, FailuresAreLoggedOnceMarkedAndRaisedWithoutOutput) {
  struct Row {
    const char* Name;
    std::string Form;
    bool WriteInput;
    bool WithBadAction;
    const char* LogStart;
  };
  const Row rows[] = {
      {"syntax error", "object Form1: TForm1\r\n  Left = \r\nend\r\n", true, false, "Error: Grammar failed"},
      {"missing input", "", false, false, "Error: "},
      {"action without value", kForm, true, true,
       "Error: Action \"New property Tag\" cannot add a property to Form1: TForm1: it has no value"},
  };
  for (const Row& row : rows) {
    TempDir dir;
    TManualTransform transform;
    if (row.WithBadAction) {
      auto add = std::make_unique<TNewPropertyAction>();
      add->SetNewPropName(u"Tag");
      transform.AddAction(std::move(add));
    }
    if (row.WriteInput) dir.Write("in.dfm", row.Form);
    transform.SetInFile(dir / "in.dfm");
    transform.SetOutFile(dir / "out.dfm");
    std::vector<std::u16string> log;
    transform.SetOnMessage([&](const std::u16string& ALine) { log.push_back(ALine); });
    EXPECT_THROW(transform.Execute(), common::Exception) << row.Name;
    EXPECT_EQ(transform.Status(), TTransformStatus::tsError) << row.Name;
    ASSERT_EQ(log.size(), 1u) << row.Name;
    EXPECT_EQ(common::Utf16ToUtf8(log[0]).rfind(row.LogStart, 0), 0u) << common::Utf16ToUtf8(log[0]);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.dfm")) << row.Name;
  }
}

// What each kind of input that is no readable form gives: its status, its one log line with the
// reason and position, and no output.
TEST_F(ManualTransformTest, EveryUnreadableInputSaysWhyAndWritesNothing) {
  struct Row {
    const char* Name;
    std::string Input;
    TTransformStatus Status;
    const char16_t* Log;
  };
  const std::string binary =
      tess::testing::ReadFile(tess::testing::kCorpus / "binary" / "HeidiSQL__HeidiSQL__about.dfm");
  ASSERT_GT(binary.size(), 100u);
  const Row rows[] = {
      {"cut binary", binary.substr(0, 100), TTransformStatus::tsError, u"Error: Stream read error"},
      {"empty", "", TTransformStatus::tsError, u"Error: Invalid stream format"},
      {"archive", "PK\x03\x04rest", TTransformStatus::tsSkipped, u"Skipped: not a form file (starts with 50 4B 03 04)"},
      {"short", "ab", TTransformStatus::tsSkipped, u"Skipped: not a form file (starts with 61 62)"},
      {"grammar", "object Form1: TForm1\r\n  Left = 1\r\n  my button = 2\r\nend\r\n", TTransformStatus::tsError,
       u"Error: Grammar failed on line 3, column 6 near 'button'"},
      {"control characters", "object Form1: TForm1\r\n  Caption = 1 'a\x1B[2J\x7F'\r\nend\r\n",
       TTransformStatus::tsError, u"Error: Grammar failed on line 2, column 15 near ''a\\x1B[2J\\x7F''"},
  };
  for (const Row& row : rows) {
    TempDir dir;
    dir.Write("in.dfm", row.Input);
    TManualTransform transform;
    transform.SetInFile(dir / "in.dfm");
    transform.SetOutFile(dir / "out.dfm");
    std::vector<std::u16string> log;
    transform.SetOnMessage([&log](const std::u16string& ALine) { log.push_back(ALine); });
    try {
      transform.Execute();
    } catch (const common::Exception&) {}
    EXPECT_EQ(transform.Status(), row.Status) << row.Name;
    EXPECT_EQ(log, std::vector<std::u16string>{row.Log})
        << row.Name << ": " << common::Utf16ToUtf8(log.empty() ? u"" : log[0]);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.dfm")) << row.Name;
  }
  // A conversion meets a file that is no form with the same word; one already converted needs none.
  TempDir dir;
  dir.Write("zip.dfm", "PK\x03\x04rest");
  dir.Write("text.dfm", kForm);
  for (const char* name : {"zip.dfm", "text.dfm"}) {
    TBinToTextTransform convert;
    convert.SetInFile(dir / name);
    convert.SetOutFile(dir / "out.dfm");
    std::vector<std::u16string> log;
    convert.SetOnMessage([&log](const std::u16string& ALine) { log.push_back(ALine); });
    convert.Execute();
    EXPECT_EQ(convert.Status(), TTransformStatus::tsSkipped);
    EXPECT_EQ(log, name == std::string("zip.dfm")
                       ? std::vector<std::u16string>{u"Skipped: not a form file (starts with 50 4B 03 04)"}
                       : std::vector<std::u16string>{});
  }
}

namespace {

// Renames every object past what a form can hold, behind the checks a stored action passes: the
// last guard must still keep its result away from the user's file.
class TUnreadableRename : public TChangeObjectAction {
public:
  void ApplyToObject(doc::TDObject& AObject) override {
    AObject.SetName(u"my button");
    FChanged = true;
  }
};

}  // namespace

TEST_F(ManualTransformTest, AResultThatDoesNotReadIsNeverWritten) {
  for (const bool inPlace : {false, true}) {
    TempDir dir;
    dir.Write("in.dfm", kForm);
    TManualTransform transform;
    transform.AddAction(std::make_unique<TUnreadableRename>());
    transform.SetInFile(dir / "in.dfm");
    transform.SetOutFile(dir / (inPlace ? "in.dfm" : "out.dfm"));
    std::vector<std::u16string> log;
    transform.SetOnMessage([&log](const std::u16string& ALine) { log.push_back(ALine); });
    EXPECT_THROW(transform.Execute(), ETransformError);
    EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
    EXPECT_EQ(log, std::vector<std::u16string>{u"Error: The result does not read as a form: Grammar failed on line 1, "
                                               u"column 17 near ':'; the file was not changed."});
    EXPECT_EQ(dir.Read("in.dfm"), kForm);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.dfm"));
  }
}

// A binary form goes through its text: the actions act as on the text form, and the result is
// binary again. With nothing changed the IDE's bytes stay as they were.
TEST_F(ManualTransformTest, ABinaryFormStaysBinaryWithTheChangeMade) {
  const std::string input =
      tess::testing::ReadFile(tess::testing::kCorpus / "binary" / "HeidiSQL__HeidiSQL__about.dfm");
  auto toText = [](const std::string& ABinary) {
    stream::TMemoryStream in(ABinary), out;
    stream::ResourceToFormText(in, out);
    return out.TakeBytes();
  };
  auto add = std::make_unique<TNewPropertyAction>();
  add->SetNewPropName(u"Tag");
  add->SetNewPropValue(u"7");
  add->SetObjectName(u"Button1");
  std::unique_ptr<TTransformAction> sameOnText = add->Clone();

  TManualTransform transform;
  transform.AddAction(std::move(add));
  Apply(transform, input);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Adding new property Button1.Tag",
                                               u"Read as binary; written back as binary"}));
  const std::string output = FDir.Read("out.dfm");
  stream::TMemoryStream probe(output);
  EXPECT_EQ(stream::DetectFormFormat(probe), stream::FormFileFormat::fmtBinary);
  std::unique_ptr<doc::TDObject> expected = formtext::DFMHelper().LoadObjectFromBytes(toText(input));
  sameOnText->Process(*expected);
  EXPECT_EQ(toText(output), formtext::DFMHelper().SaveObjectToBytes(*expected));
  EXPECT_NE(toText(output).find("Tag = 7"), std::string::npos);

  TManualTransform nothing;
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"NoSuchProperty");
  nothing.AddAction(std::move(remove));
  FLog.clear();
  Apply(nothing, input);
  EXPECT_EQ(nothing.Status(), TTransformStatus::tsNoChanges);
  EXPECT_EQ(FDir.Read("out.dfm"), input);
  EXPECT_EQ(FLog, std::vector<std::u16string>{u"Read as binary; written back as binary"});
}

TEST_F(ManualTransformTest, AFailureWithoutALogReceiverStillRaises) {
  TManualTransform transform;
  FDir.Write("in.dfm", "object garbage");
  transform.SetInFile(FDir / "in.dfm");
  transform.SetOutFile(FDir / "out.dfm");
  EXPECT_THROW(transform.Execute(), common::Exception);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
}

TEST_F(ManualTransformTest, SavesOneActionOfEachKindExactlyAsExpected) {
  std::unique_ptr<TManualTransform> transform = OneOfEach();
  transform->SetPath(FDir.File());
  transform->SetFileName(tess::common::TFilePath("0002.xml"));
  transform->Save();
  EXPECT_EQ(FDir.Read("0002.xml"), ReadFile(kDataDir / "OneOfEach.xml"));
}

TEST_F(ManualTransformTest, SaveThenLoadKeepsEverySetting) {
  std::unique_ptr<TManualTransform> source = OneOfEach();
  source->SetPath(FDir.File());
  source->SetFileName(tess::common::TFilePath("t.xml"));
  source->Save();
  TManualTransform loaded;
  loaded.SetPath(FDir.File());
  loaded.SetFileName(tess::common::TFilePath("t.xml"));
  loaded.Load();
  EXPECT_EQ(Settings(loaded), Settings(*source));
  EXPECT_NE(Settings(loaded).find("|true|new"), std::string::npos);
  // Saved again, the file is the same byte for byte.
  const std::string first = FDir.Read("t.xml");
  loaded.Save();
  EXPECT_EQ(FDir.Read("t.xml"), first);
}

TEST_F(ManualTransformTest, TheExpectedFileLoadsWithAndWithoutAByteOrderMark) {
  const std::string xml = ReadFile(kDataDir / "OneOfEach.xml");
  ASSERT_FALSE(xml.empty());
  const std::string expected = Settings(*OneOfEach());
  EXPECT_EQ(Settings(*FromXml(xml)), expected);
  EXPECT_EQ(Settings(*FromXml("\xEF\xBB\xBF" + xml)), expected);
}

TEST_F(ManualTransformTest, ReadsHandWrittenFilesByElementName) {
  // Elements in any order, the first of a name counts, missing ones are empty, comments are no
  // nodes of the document.
  auto transform = FromXml(
      "<?xml version=\"1.0\"?>\n<Transformation>\n"
      "<Actions>\n"
      "  <!-- remove from every object -->\n"
      "  <RemoveProp><ObjectClass>TEdit</ObjectClass><PropName>Text</PropName><PropName>Other</PropName></RemoveProp>\n"
      "  <NewProp><Overwrite> 1 </Overwrite><NewPropName>Tag</NewPropName></NewProp>\n"
      "  <NewProp><Overwrite>FALSE</Overwrite><!-- kept as it is --></NewProp>\n"
      "  <NewProp><Overwrite>0</Overwrite></NewProp>\n"
      "  <NewProp><Overwrite>True</Overwrite></NewProp>\n"
      "  <NewProp><Overwrite/></NewProp>\n"
      "  <ChangeObject/>\n"
      "</Actions>\n"
      "<Caption>Second</Caption><Caption>Ignored</Caption>\n"
      "</Transformation>\n");
  EXPECT_EQ(Settings(*transform),
            "Second|\n"
            "RemoveProp:Text||TEdit\n"
            "NewProp:Tag||||true\n"
            "NewProp:||||false\n"
            "NewProp:||||false\n"
            "NewProp:||||true\n"
            "NewProp:||||false\n"
            "ChangeObject:|||\n");
}

TEST_F(ManualTransformTest, AFileWithoutActionsLoadsEmpty) {
  auto transform = FromXml("<Transformation><Caption>Only a name</Caption></Transformation>");
  EXPECT_EQ(transform->Caption(), u"Only a name");
  EXPECT_EQ(transform->Description(), u"");
  EXPECT_EQ(transform->ActionCount(), 0);
}

TEST_F(ManualTransformTest, BadFilesFailToLoadWithTheReason) {
  struct Row {
    const char* Name;
    std::string Xml;
    const char* Message;  // the start of it; empty when any message will do
  };
  // A transformation file holding these actions.
  auto doc = [](const std::string& AActions) {
    return "<Transformation><Actions>" + AActions + "</Actions></Transformation>";
  };
  const std::string tag = "<RemoveProp><PropName>Tag</PropName></RemoveProp>";
  const Row rows[] = {
      {"lower-case action", doc("<removeprop/>"), "Unknown action name removeprop"},
      {"other element", doc(tag + "<Remove/>"), "Unknown action name Remove"},
      {"text between actions", doc("stray" + tag), "Unknown action name #text"},
      {"bad overwrite", doc("<NewProp><Overwrite>yes</Overwrite></NewProp>"),
       "'yes' is not a valid Boolean value for Overwrite"},
      {"overwrite with a sign only", doc("<NewProp><Overwrite>-</Overwrite></NewProp>"),
       "'-' is not a valid Boolean value"},
      {"element inside a setting", doc("<RemoveProp><PropName><x/></PropName></RemoveProp>"),
       "Element \"PropName\" holds child elements"},
      {"not XML", "<Transformation><Actions>", ""},
      {"empty file", "", ""},
      {"other document element", "<Root><Caption>x</Caption><Actions/></Root>",
       "The document element is Root, not Transformation"},
      {"misspelt setting", doc("<RemoveProp><Propname>ExplicitLeft</Propname></RemoveProp>"),
       "Action 1 (RemoveProp): unknown setting Propname"},
      {"setting of another action",
       doc("<RemoveProp><PropName>Tag</PropName><NewPropName>X</NewPropName></RemoveProp>"),
       "Action 1 (RemoveProp): unknown setting NewPropName"},
      {"text inside an action", doc("<RemoveProp>junk<PropName>Tag</PropName></RemoveProp>"),
       "Action 1 (RemoveProp): text where only settings belong"},
      {"no property to remove", doc("<RemoveProp><ObjectName>Form1</ObjectName></RemoveProp>"),
       "Action 1 (RemoveProp): missing setting PropName"},
      {"empty property to remove", doc("<RemoveProp><PropName/></RemoveProp>"),
       "Action 1 (RemoveProp): PropName is empty, which would remove every property"},
      {"new property name with blanks",
       doc("<NewProp><NewPropName>Bad Name!</NewPropName><NewPropValue>1</NewPropValue></NewProp>"),
       "Action 1 (NewProp): NewPropName 'Bad Name!' is not a property name (identifiers joined by dots)"},
      {"object name with a blank", doc(tag + "<ChangeObject><NewObjectName>my button</NewObjectName></ChangeObject>"),
       "Action 2 (ChangeObject): NewObjectName 'my button' is not an object name (one identifier)"},
      {"dotted object name", doc("<ChangeObject><OldObjectName>Form1.Button1</OldObjectName></ChangeObject>"),
       "Action 1 (ChangeObject): OldObjectName 'Form1.Button1' is not an object name"},
      {"class name with blanks", doc("<ChangeObject><NewObjectClass>Not A Class!</NewObjectClass></ChangeObject>"),
       "Action 1 (ChangeObject): NewObjectClass 'Not A Class!' is not a class name (one identifier)"},
      {"selected class with a line break", doc("<ChangeProp><ObjectClass>TA&#10;  Tag = 1</ObjectClass></ChangeProp>"),
       "Action 1 (ChangeProp): ObjectClass 'TA\\x0A  Tag = 1' is not a class name"},
      {"invalid value", doc("<ChangeProp><OldPropName>Tag</OldPropName><NewPropValue>1 2</NewPropValue></ChangeProp>"),
       "Action 1 (ChangeProp): NewPropValue '1 2' is not one valid value"},
  };
  for (const Row& row : rows) {
    try {
      FromXml(row.Xml);
      ADD_FAILURE() << row.Name;
    } catch (const common::Exception& error) {
      EXPECT_EQ(std::string(error.what()).rfind(row.Message, 0), 0u) << row.Name << ": " << error.what();
    }
  }
}

TEST_F(ManualTransformTest, SavingAnActionTheFormatCannotStoreFailsAndKeepsTheOldFile) {
  std::unique_ptr<TManualTransform> transform = OneOfEach();
  transform->SetPath(FDir.File());
  transform->SetFileName(tess::common::TFilePath("t.xml"));
  transform->Save();
  const std::string before = FDir.Read("t.xml");
  transform->AddAction(std::make_unique<TTransformAction>());
  try {
    transform->Save();
    ADD_FAILURE();
  } catch (const ETransformError& error) {
    EXPECT_EQ(error.Message(), u"Unknown action class TTransformAction");
  }
  EXPECT_EQ(FDir.Read("t.xml"), before);
}

TEST(ManualTransformCopies, AssignClonesActionsAndLeavesTheOwnFile) {
  std::unique_ptr<TManualTransform> source = OneOfEach();
  source->SetFileName(tess::common::TFilePath("0002.xml"));
  source->SetPath(tess::common::TFilePath("/somewhere"));
  source->SetInFile(tess::common::TFilePath("in.dfm"));
  TManualTransform copy;
  copy.SetFileName(tess::common::TFilePath("0005.xml"));
  copy.AddAction(std::make_unique<TChangeObjectAction>());
  copy.Assign(*source);
  EXPECT_EQ(Settings(copy), Settings(*source));
  EXPECT_EQ(copy.FileName().Text(), u"0005.xml");
  EXPECT_TRUE(copy.Path().IsEmpty());
  EXPECT_EQ(copy.InFile().Text(), u"in.dfm");
  for (int i = 0; i < copy.ActionCount(); ++i) EXPECT_NE(copy.Actions(i), source->Actions(i));
  copy.RemoveAction(copy.Actions(0));
  EXPECT_EQ(copy.ActionCount(), 3);
  EXPECT_EQ(source->ActionCount(), 4);
  // Assigning to itself keeps everything.
  copy.Assign(copy);
  EXPECT_EQ(copy.ActionCount(), 3);
  // Clone is a user transformation of its own.
  std::unique_ptr<TTransform> clone = source->Clone();
  auto* manual = dynamic_cast<TManualTransform*>(clone.get());
  ASSERT_NE(manual, nullptr);
  EXPECT_EQ(Settings(*manual), Settings(*source));
  EXPECT_TRUE(manual->Editable());
}

TEST(ManualTransformCopies, ABuiltInAssignsOnlyTheBaseFields) {
  TManualTransform target;
  target.SetCaption(u"Mine");
  target.AddAction(std::make_unique<TRemovePropertyAction>());
  std::unique_ptr<TManualTransform> other = OneOfEach();
  other->SetOutFile(tess::common::TFilePath("out.dfm"));
  TTransform& asBase = *other;
  target.TTransform::Assign(asBase);
  EXPECT_EQ(target.OutFile().Text(), u"out.dfm");
  EXPECT_EQ(target.Caption(), u"Mine");
  EXPECT_EQ(target.ActionCount(), 1);
}

TEST(ManualTransformActions, MoveReplaceRemoveAndValidity) {
  TManualTransform transform;
  std::vector<TTransformAction*> added;
  for (int i = 0; i < 3; ++i) added.push_back(transform.AddAction(std::make_unique<TRemovePropertyAction>()));
  transform.Move(0, 2);
  EXPECT_EQ(transform.Actions(0), added[1]);
  EXPECT_EQ(transform.Actions(1), added[2]);
  EXPECT_EQ(transform.Actions(2), added[0]);
  transform.Move(2, 0);
  EXPECT_EQ(transform.Actions(0), added[0]);
  EXPECT_THROW(transform.Move(0, 3), ETransformError);
  EXPECT_THROW(transform.Actions(-1), ETransformError);

  EXPECT_TRUE(transform.Valid());
  auto invalid = std::make_unique<TNewPropertyAction>();
  invalid->SetNewPropValue(u"[a,");
  TTransformAction* replacement = invalid.get();
  transform.SetActions(1, std::move(invalid));
  EXPECT_EQ(transform.Actions(1), replacement);
  EXPECT_EQ(transform.IndexOfAction(added[1]), -1);
  EXPECT_FALSE(transform.Valid());
  transform.RemoveAction(replacement);
  EXPECT_TRUE(transform.Valid());
  EXPECT_EQ(transform.ActionCount(), 2);
  TRemovePropertyAction stranger;
  transform.RemoveAction(&stranger);
  EXPECT_EQ(transform.ActionCount(), 2);
  EXPECT_TRUE(TManualTransform().Valid());
}
