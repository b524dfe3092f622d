// The built-in conversions and the transformation list with its files in the Transforms folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Support/TempDir.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformList.h"

using namespace tess;
using namespace tess::transform;
using tess::testing::ScopedDataHome;
using tess::testing::TempDir;

namespace {

const std::filesystem::path kCorpus = TESS_CORPUS_DIR;

std::string ReadFile(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kText = "object Form1: TForm1\r\n  Left = 10\r\n  Caption = 'x'\r\nend\r\n";

stream::FormFileFormat FormatOf(const std::string& ABytes) {
  stream::TMemoryStream stream(ABytes);
  return stream::DetectFormFormat(stream);
}

// Runs the transformation from AIn to AOut inside ADir and returns the status.
TTransformStatus RunOn(TTransform& ATransform, const TempDir& ADir, const std::string& AIn, const std::string& AOut) {
  ATransform.SetInFile(ADir / AIn);
  ATransform.SetOutFile(ADir / AOut);
  ATransform.Execute();
  return ATransform.Status();
}

}  // namespace

TEST(BuiltIns, ConvertTextToBinaryAndBack) {
  TempDir dir;
  dir.Write("a.dfm", kText);
  TTextToBinTransform toBinary;
  EXPECT_EQ(RunOn(toBinary, dir, "a.dfm", "a.bin"), TTransformStatus::tsApplied);
  const std::string binary = dir.Read("a.bin");
  EXPECT_EQ(FormatOf(binary), stream::FormFileFormat::fmtBinary);
  EXPECT_NE(binary.find("TPF0"), std::string::npos);
  TBinToTextTransform toText;
  EXPECT_EQ(RunOn(toText, dir, "a.bin", "b.dfm"), TTransformStatus::tsApplied);
  EXPECT_EQ(dir.Read("b.dfm"), kText);
}

TEST(BuiltIns, ConvertABinaryCorpusFile) {
  TempDir dir;
  dir.Write("in.dfm", ReadFile(kCorpus / "binary" / "HeidiSQL__HeidiSQL__about.dfm"));
  TBinToTextTransform toText;
  EXPECT_EQ(RunOn(toText, dir, "in.dfm", "out.dfm"), TTransformStatus::tsApplied);
  const std::string text = dir.Read("out.dfm");
  EXPECT_NE(FormatOf(text), stream::FormFileFormat::fmtBinary);
  EXPECT_EQ(text.rfind("object ", 0) == 0 || text.rfind("\xEF\xBB\xBFobject ", 0) == 0, true);
}

TEST(BuiltIns, SkipTheOtherFormatWithoutWritingAnything) {
  TempDir dir;
  dir.Write("text.dfm", kText);
  dir.Write("binary.dfm", ReadFile(kCorpus / "binary" / "HeidiSQL__HeidiSQL__about.dfm"));
  TBinToTextTransform toText;
  EXPECT_EQ(RunOn(toText, dir, "text.dfm", "out1.dfm"), TTransformStatus::tsSkipped);
  TTextToBinTransform toBinary;
  EXPECT_EQ(RunOn(toBinary, dir, "binary.dfm", "out2.dfm"), TTransformStatus::tsSkipped);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out1.dfm"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out2.dfm"));
}

TEST(BuiltIns, TextWithAUtf8MarkConverts) {
  TempDir dir;
  dir.Write("a.dfm",
            "\xEF\xBB\xBF"
            "object Form1: TForm1\r\n  Caption = 'Gr\xC3\xB6\xC3\x9F"
            "e'\r\nend\r\n");
  TTextToBinTransform toBinary;
  EXPECT_EQ(RunOn(toBinary, dir, "a.dfm", "a.bin"), TTransformStatus::tsApplied);
  EXPECT_EQ(FormatOf(dir.Read("a.bin")), stream::FormFileFormat::fmtBinary);
}

TEST(BuiltIns, AUtf16FileCountsAsBinaryAndFailsToConvert) {
  TempDir dir;
  std::string utf16 = "\xFF\xFE";
  for (char c : kText) utf16 += std::string{c, '\0'};
  dir.Write("wide.dfm", utf16);
  TTextToBinTransform toBinary;
  EXPECT_EQ(RunOn(toBinary, dir, "wide.dfm", "out.dfm"), TTransformStatus::tsSkipped);
  TBinToTextTransform toText;
  EXPECT_THROW(RunOn(toText, dir, "wide.dfm", "out.dfm"), common::Exception);
  EXPECT_EQ(toText.Status(), TTransformStatus::tsError);
  EXPECT_EQ(dir.Read("wide.dfm"), utf16);
}

TEST(BuiltIns, UnusableNamesDoNothing) {
  TempDir dir;
  dir.Write("a.dfm", kText);
  for (TTransform* transform : std::initializer_list<TTransform*>{new TBinToTextTransform, new TTextToBinTransform}) {
    std::unique_ptr<TTransform> owned(transform);
    transform->SetStatus(TTransformStatus::tsApplied);
    EXPECT_EQ(RunOn(*transform, dir, "a.dfm", "a.dfm"), TTransformStatus::tsNone);
    transform->SetInFile(tess::common::TFilePath(""));
    transform->Execute();
    EXPECT_EQ(transform->Status(), TTransformStatus::tsNone);
  }
  EXPECT_EQ(dir.Read("a.dfm"), kText);
}

TEST(BuiltIns, TwoNamesForOneFileDoNotLoseTheInput) {
  TempDir dir;
  dir.Write("a.dfm", kText);
  dir.Write("ref.dfm", kText);
  TTextToBinTransform toBinary;
  EXPECT_EQ(RunOn(toBinary, dir, "ref.dfm", "ref.bin"), TTransformStatus::tsApplied);
  EXPECT_EQ(RunOn(toBinary, dir, "a.dfm", "./a.dfm"), TTransformStatus::tsApplied);
  EXPECT_EQ(dir.Read("a.dfm"), dir.Read("ref.bin"));
}

TEST(BuiltIns, AMissingInputFails) {
  TempDir dir;
  TTextToBinTransform toBinary;
  EXPECT_THROW(RunOn(toBinary, dir, "none.dfm", "out.dfm"), common::EFileError);
  EXPECT_EQ(toBinary.Status(), TTransformStatus::tsError);
}

TEST(BuiltIns, AFailureIsLoggedWithItsReason) {
  TempDir dir;
  dir.Write("bad.dfm", "object Form1: TForm1\r\n  Left = \r\nend\r\n");
  TTextToBinTransform toBinary;
  std::vector<std::u16string> log;
  toBinary.SetOnMessage([&](const std::u16string& ALine) { log.push_back(ALine); });
  EXPECT_THROW(RunOn(toBinary, dir, "bad.dfm", "out.dfm"), common::Exception);
  EXPECT_EQ(toBinary.Status(), TTransformStatus::tsError);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].starts_with(u"Error: ")) << common::Utf16ToUtf8(log[0]);
  EXPECT_GT(log[0].size(), 7u);
  EXPECT_FALSE(common::DDirectory::FileExists(dir / "out.dfm"));
}

TEST(BuiltIns, CaptionsAndClones) {
  TBinToTextTransform toText;
  TTextToBinTransform toBinary;
  EXPECT_EQ(toText.Caption(), u"Binary to text");
  EXPECT_EQ(toBinary.Caption(), u"Text to binary");
  EXPECT_FALSE(toText.Editable());
  EXPECT_NE(dynamic_cast<TBinToTextTransform*>(toText.Clone().get()), nullptr);
  EXPECT_NE(dynamic_cast<TTextToBinTransform*>(toBinary.Clone().get()), nullptr);
}

namespace {

class TransformListTest : public ::testing::Test {
protected:
  std::filesystem::path Folder() const { return FHome.Dir().Path() / "Tessarine" / "Transforms"; }
  void WriteTransform(const std::string& AName, const std::string& ACaption) {
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() / AName, std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Transformation>\r\n  <Caption>" << ACaption
        << "</Caption>\r\n  <Description />\r\n  <Actions>\r\n    <RemoveProp>\r\n      <PropName>Tag</PropName>\r\n"
           "    </RemoveProp>\r\n  </Actions>\r\n</Transformation>\r\n";
  }
  bool Exists(const std::string& AName) const { return std::filesystem::exists(Folder() / AName); }
  static std::unique_ptr<TManualTransform> Named(const char16_t* ACaption) {
    auto transform = std::make_unique<TManualTransform>();
    transform->SetCaption(ACaption);
    return transform;
  }

  ScopedDataHome FHome;
};

}  // namespace

TEST_F(TransformListTest, StartsWithTheTwoBuiltInsAndAnEmptyFolder) {
  TTransformList list;
  list.Load();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->Caption(), u"Binary to text");
  EXPECT_EQ(list.Items(1)->Caption(), u"Text to binary");
  EXPECT_TRUE(std::filesystem::is_directory(Folder()));
  EXPECT_TRUE(list.LoadMessages().empty());
  EXPECT_THROW(list.Items(2), common::Exception);
  TTransform* added = list.Add(Named(u"First"));
  EXPECT_EQ(added->FileName().Text(), u"0002.xml");
  EXPECT_EQ(added->Path().Native(), Folder().string());
  EXPECT_TRUE(Exists("0002.xml"));
  EXPECT_EQ(list.Items(2), added);
}

TEST_F(TransformListTest, LoadsEveryXmlFileInNameOrder) {
  WriteTransform("0003.xml", "Third");
  WriteTransform("0002.xml", "Second");
  WriteTransform("readme.txt", "Not one");
  std::filesystem::create_directories(Folder() / "0004.xml");
  TTransformList list;
  list.Load();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Items(2)->Caption(), u"Second");
  EXPECT_EQ(list.Items(2)->FileName().Text(), u"0002.xml");
  EXPECT_EQ(list.Items(3)->Caption(), u"Third");
  EXPECT_TRUE(list.Items(3)->Editable());
  EXPECT_EQ(dynamic_cast<TManualTransform*>(list.Items(3))->ActionCount(), 1);
  // A folder takes its name as a file would.
  EXPECT_EQ(list.NewFileName().Text(), u"0005.xml");
}

TEST_F(TransformListTest, NewNamesSkipTakenFilesAfterRemovals) {
  WriteTransform("0002.xml", "A");
  WriteTransform("0003.xml", "B");
  WriteTransform("0004.xml", "C");
  TTransformList list;
  list.Load();
  ASSERT_EQ(list.Count(), 5);
  list.Remove(list.Items(2));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_FALSE(Exists("0002.xml"));
  // Count 4, but 0004.xml is taken.
  EXPECT_EQ(list.Add(Named(u"D"))->FileName().Text(), u"0005.xml");

  // Removing 0003.xml frees the name only once the count drops to 3.
  list.Remove(list.Items(2));
  EXPECT_FALSE(Exists("0003.xml"));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.NewFileName().Text(), u"0006.xml");
  list.Remove(list.Items(2));
  list.Remove(list.Items(2));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Add(Named(u"E"))->FileName().Text(), u"0002.xml");
  EXPECT_EQ(list.Add(Named(u"F"))->FileName().Text(), u"0003.xml");
}

TEST_F(TransformListTest, FileNamesAreUpperCaseHexWithAtLeastFourDigits) {
  EXPECT_EQ(TTransformList::FileNameFor(2).Text(), u"0002.xml");
  EXPECT_EQ(TTransformList::FileNameFor(10).Text(), u"000A.xml");
  EXPECT_EQ(TTransformList::FileNameFor(0xBEEF).Text(), u"BEEF.xml");
  EXPECT_EQ(TTransformList::FileNameFor(0x12345).Text(), u"12345.xml");
  TTransformList list;
  for (int i = 0; i < 8; ++i) list.Add(Named(u"x"));
  EXPECT_EQ(list.Count(), 10);
  std::filesystem::remove_all(Folder());
  EXPECT_EQ(list.NewFileName().Text(), u"000A.xml");
  EXPECT_TRUE(std::filesystem::is_directory(Folder()));
}

TEST_F(TransformListTest, RemoveOfAGoneFileOnlyUnlists) {
  WriteTransform("0002.xml", "A");
  TTransformList list;
  list.Load();
  std::filesystem::remove(Folder() / "0002.xml");
  list.Remove(list.Items(2));
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(TransformListTest, BuiltInsAndStrangersAreNotRemoved) {
  TTransformList list;
  list.Remove(list.Items(0));
  TManualTransform stranger;
  list.Remove(&stranger);
  list.Remove(nullptr);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->Caption(), u"Binary to text");
}

TEST_F(TransformListTest, RemoveUsesTheFolderNotThePathOfTheTransformation) {
  WriteTransform("0002.xml", "A");
  TTransformList list;
  list.Load();
  TempDir elsewhere;
  elsewhere.Write("0002.xml", "keep");
  list.Items(2)->SetPath(elsewhere.File());
  list.Remove(list.Items(2));
  EXPECT_FALSE(Exists("0002.xml"));
  EXPECT_EQ(elsewhere.Read("0002.xml"), "keep");
}

TEST_F(TransformListTest, SkipsFilesThatAreNoTransformationAndReportsEach) {
  WriteTransform("0002.xml", "Good");
  std::filesystem::create_directories(Folder());
  std::ofstream(Folder() / "0003.xml") << "<Transformation><Actions><Bogus/></Actions></Transformation>";
  std::ofstream(Folder() / "0004.xml") << "not xml at all <";
  WriteTransform("0005.xml", "Also good");
  std::ofstream(Folder() / "misspelt.xml")
      << "<Transformation><Actions><RemoveProp><Propname>Left</Propname></RemoveProp></Actions></Transformation>";
  TTransformList list;
  list.Load();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Items(2)->Caption(), u"Good");
  EXPECT_EQ(list.Items(3)->Caption(), u"Also good");
  ASSERT_EQ(list.LoadMessages().size(), 3u);
  const std::u16string folder = common::U16(Folder().string());
  EXPECT_EQ(list.LoadMessages()[2], u"Skipped transformation file " + folder +
                                        u"/misspelt.xml: Action 1 (RemoveProp): unknown setting Propname");
  EXPECT_EQ(list.LoadMessages()[0], u"Skipped transformation file " + folder + u"/0003.xml: Unknown action name Bogus");
  EXPECT_EQ(list.LoadMessages()[1].rfind(u"Skipped transformation file " + folder + u"/0004.xml: ", 0), 0u);
  // The skipped names stay taken.
  EXPECT_EQ(list.NewFileName().Text(), u"0006.xml");
}

TEST_F(TransformListTest, SkipsAFileThatCannotBeRead) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  WriteTransform("0002.xml", "Locked");
  WriteTransform("0003.xml", "Open");
  std::filesystem::permissions(Folder() / "0002.xml", std::filesystem::perms::none);
  TTransformList list;
  list.Load();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(2)->Caption(), u"Open");
  ASSERT_EQ(list.LoadMessages().size(), 1u);
  EXPECT_NE(list.LoadMessages()[0].find(u"0002.xml"), std::u16string::npos);
}

TEST_F(TransformListTest, SaveWritesEveryUserTransformation) {
  TTransformList list;
  TTransform* added = list.Add(Named(u"Before"));
  added->SetCaption(u"After");
  std::filesystem::remove(Folder() / "0002.xml");
  list.Save();
  TTransformList reloaded;
  reloaded.Load();
  ASSERT_EQ(reloaded.Count(), 3);
  EXPECT_EQ(reloaded.Items(2)->Caption(), u"After");
}

TEST_F(TransformListTest, AFailedSaveLeavesTheListAsItWas) {
  // A file where the Transforms folder belongs: nothing can be written below it, whoever runs.
  std::filesystem::create_directories(Folder().parent_path());
  std::ofstream(Folder()) << "in the way";
  TTransformList list;
  list.Load();
  EXPECT_THROW(list.Add(Named(u"x")), common::EFileError);
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(TransformListTest, TheProgramsListIsMadeOnceWithTheBuiltInsFirst) {
  WriteTransform("0002.xml", "Mine");
  TTransformList& list = TTransformList::Instance();
  EXPECT_EQ(&TTransformList::Instance(), &list);
  ASSERT_GE(list.Count(), 3);
  EXPECT_EQ(list.Items(0)->Caption(), u"Binary to text");
  EXPECT_EQ(list.Items(1)->Caption(), u"Text to binary");
  EXPECT_EQ(list.Items(2)->Caption(), u"Mine");
}
