// Memory and file streams under the conversions.
#include "FormStream/uStreams.h"

#include <gtest/gtest.h>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uTextToBinary.h"
#include "Support/TempDir.h"

namespace tess::stream {
namespace {

TEST(TMemoryStream, GrowsWhenWrittenPastItsEnd) {
  TMemoryStream stream(std::string("abc"));
  stream.Seek(5, TSeekOrigin::soBeginning);
  stream.Write("xy");
  EXPECT_EQ(stream.Bytes(), std::string("abc\0\0xy", 7));
  char buffer[4];
  EXPECT_EQ(stream.Read(buffer, 4), 0);
  stream.SetPosition(1);
  EXPECT_EQ(stream.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), std::string("bc\0\0", 4));
}

TEST(TMemoryStream, RefusesPositionsBeforeTheStartOrPastTheRange) {
  TMemoryStream stream(std::string("abc"));
  EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), common::EFileError);
  EXPECT_THROW(stream.Seek(-4, TSeekOrigin::soEnd), common::EFileError);
  stream.SetPosition(2);
  EXPECT_THROW(stream.Seek(INT64_MAX, TSeekOrigin::soCurrent), common::EFileError);
  EXPECT_EQ(stream.Position(), 2);
}

TEST(TMemoryStream, AdoptedBytesReadAsIfWritten) {
  TMemoryStream stream;
  stream.Adopt("form");
  EXPECT_EQ(stream.Position(), 4);
  stream.Write("!");
  EXPECT_EQ(stream.Bytes(), "form!");
  EXPECT_THROW(stream.Adopt("again"), common::EFileError);
  EXPECT_EQ(stream.Bytes(), "form!");
}

// The conversions hand their result to an empty memory stream without a copy; any other output,
// a stream holding bytes or one positioned past its end, must still receive it as a write.
TEST(TMemoryStream, ConversionsWriteBehindWhatTheOutputHolds) {
  const std::string text = "object Form1: TForm1\r\n  Left = 8\r\nend\r\n";
  TMemoryStream textIn(text), binary;
  FormTextToBinary(textIn, binary);
  ASSERT_GT(binary.Size(), 4);

  TMemoryStream toEmpty;
  binary.SetPosition(0);
  BinaryToFormText(binary, toEmpty);
  EXPECT_EQ(toEmpty.Bytes(), text);

  TMemoryStream toFilled(std::string("head"));
  toFilled.Seek(0, TSeekOrigin::soEnd);
  binary.SetPosition(0);
  BinaryToFormText(binary, toFilled);
  EXPECT_EQ(toFilled.Bytes(), "head" + text);

  TMemoryStream pastEnd;
  pastEnd.SetPosition(2);
  textIn.SetPosition(0);
  FormTextToBinary(textIn, pastEnd);
  EXPECT_EQ(pastEnd.Bytes(), std::string(2, '\0') + binary.Bytes());
}

TEST(TFileStream, ConvertsBetweenFiles) {
  testing::TempDir folder;
  folder.Write("form.dfm", "object Form1: TForm1\r\n  Caption = 'Hello'\r\nend\r\n");
  {
    TFileStream input(folder / "form.dfm", TFileMode::fmOpenRead);
    TFileStream output(folder / "form.bin", TFileMode::fmCreate);
    FormTextToResource(input, output);
    output.Close();
  }
  {
    TFileStream input(folder / "form.bin", TFileMode::fmOpenRead);
    EXPECT_EQ(input.Size(), 16 + 34);  // header, then the stream
    TFileStream output(folder / "back.dfm", TFileMode::fmCreate);
    ResourceToFormText(input, output);
  }
  EXPECT_EQ(folder.Read("back.dfm"), folder.Read("form.dfm"));
}

TEST(TFileStream, CreatingTruncatesAnOldFile) {
  testing::TempDir folder;
  folder.Write("out", "old content that is longer");
  {
    TFileStream output(folder / "out", TFileMode::fmCreate);
    output.Write("new");
  }
  EXPECT_EQ(folder.Read("out"), "new");
}

TEST(TFileStream, ReportsFilesThatCannotBeOpened) {
  testing::TempDir folder;
  try {
    TFileStream stream(folder / "missing.dfm", TFileMode::fmOpenRead);
    ADD_FAILURE();
  } catch (const common::EFileError& error) {
    EXPECT_EQ(error.Message(), u"Cannot open file \"" + folder.Text("missing.dfm") + u"\". No such file or directory");
  }
  EXPECT_THROW(TFileStream(folder / "no/such/folder/out.dfm", TFileMode::fmCreate), common::EFileError);
}

}  // namespace
}  // namespace tess::stream
