// The corpus of IDE-written form files as the ground truth of both conversions.
#include <gtest/gtest.h>

#include "CorpusSupport.h"
#include "FormStream/uFiler.h"
#include "FormStream/uTextToBinary.h"

namespace tess::stream::testing {
namespace {

// Where two texts first differ, with the stored line around it, so that a failure shows the cause.
std::string FirstDifference(const std::string& AExpected, const std::string& AActual) {
  size_t i = 0;
  while (i < AExpected.size() && i < AActual.size() && AExpected[i] == AActual[i]) ++i;
  const size_t lineStart = i == 0 ? 0 : AExpected.rfind('\n', i - 1) + 1;
  return "at byte " + std::to_string(i) + "\n  stored: " + AExpected.substr(lineStart, i - lineStart + 40) +
         "\n  result: " + AActual.substr(lineStart, i - lineStart + 40);
}

class TextCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(TextCorpus, TextToBinaryToTextGivesTheStoredText) {
  const std::string stored = ReadCorpusFile("text", GetParam());
  const std::string expected = WithCrLf(stored);
  std::string result;
  ASSERT_NO_THROW(result = ResourceToText(TextToResource(stored)));
  if (const TCorpusException* exception = CorpusExceptionFor("text", GetParam())) {
    EXPECT_NE(result, expected) << "listed as " << exception->Kind << " but converts back unchanged";
    return;
  }
  EXPECT_TRUE(result == expected) << FirstDifference(expected, result);
}

INSTANTIATE_TEST_SUITE_P(Corpus, TextCorpus, ::testing::ValuesIn(CorpusFiles("text")),
                         [](const auto& AInfo) { return CorpusTestName(AInfo.param); });

class BinaryCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(BinaryCorpus, BinaryToTextToBinaryGivesTheStoredBytes) {
  const std::string stored = ReadCorpusFile("binary", GetParam());
  std::string text, result;
  ASSERT_NO_THROW(text = ResourceToText(stored));
  ASSERT_NO_THROW(result = TextToResource(text));
  const TCorpusException* exception = CorpusExceptionFor("binary", GetParam());
  if (exception == nullptr) {
    EXPECT_TRUE(result == stored) << "first difference at byte " << FirstDifference(stored, result).substr(8, 8);
    return;
  }
  ASSERT_NE(result, stored) << "listed as " << exception->Kind << " but converts back unchanged";
  // The listed reason must be the real one: the first value that differs has the kind it names.
  const std::string expectedStream = StreamOf(stored);
  const auto type = FirstDifferentValue(expectedStream, StreamOf(result));
  ASSERT_TRUE(type.has_value());
  if (exception->Kind == "extended-digits") {
    EXPECT_EQ(*type, TValueType::vaExtended);
    // The text keeps what 16 digits hold, so a second trip is stable.
    EXPECT_EQ(ResourceToText(result), text);
  } else if (exception->Kind == "empty-string") {
    EXPECT_EQ(*type, TValueType::vaString);
  } else {
    EXPECT_EQ(exception->Kind, "ansi-string");
    EXPECT_TRUE(*type == TValueType::vaString || *type == TValueType::vaLString);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, BinaryCorpus, ::testing::ValuesIn(CorpusFiles("binary")),
                         [](const auto& AInfo) { return CorpusTestName(AInfo.param); });

// Single-precision limits widened to extended: the IDE prints them in its fixed form, which rounds
// at the 18th decimal, and so must we (they still round-trip only to what the 18 decimals hold).
TEST(BinaryCorpus, SmallValuesPrintInTheIdesFixedForm) {
  for (const char* name : {"johndempster__WinWCPXE__SimMEPCSC.dfm", "johndempster__WinWCPXE__Simnoise.dfm"}) {
    const std::string text = ResourceToText(ReadCorpusFile("binary", name));
    EXPECT_NE(text.find("LoLimit = 0.000099999997473788\r\n"), std::string::npos) << name;
    EXPECT_EQ(text.find("E-5\r\n"), std::string::npos) << name;
  }
}

TEST(CorpusExceptions, NameOnlyFilesThatExist) {
  for (const auto& [key, exception] : CorpusExceptions()) {
    EXPECT_TRUE(std::filesystem::exists(CorpusDir() / key.first / key.second)) << key.second;
    EXPECT_FALSE(exception.Note.empty()) << key.second;
  }
}

// Damaged files either convert or fail with one of the conversion's own messages.
class DamagedCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedCorpus, FailsCleanlyOrConverts) {
  const std::string stored = ReadCorpusFile("damaged", GetParam());
  TMemoryStream probe(stored);
  const FormFileFormat format = DetectFormFormat(probe);
  try {
    if (format == FormFileFormat::fmtBinary)
      ResourceToText(stored);
    else
      TextToResource(stored);
  } catch (const EReadError& error) {
    const std::u16string& message = error.Message();
    EXPECT_TRUE(message == kStreamReadError || message == kInvalidStreamFormat || message == kInvalidPropertyValue ||
                message.starts_with(u"Error reading "))
        << error.what();
  } catch (const EParserError& error) {
    EXPECT_NE(error.Line(), 0) << error.what();
  } catch (const EConvertError&) {}
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedCorpus, ::testing::ValuesIn(CorpusFiles("damaged")),
                         [](const auto& AInfo) { return CorpusTestName(AInfo.param); });

// Every 97th prefix of every binary file: a read past the end must be reported, never crash or
// read outside the input (the sanitizer build runs this too).
TEST(BinaryCorpusTruncation, EveryPrefixFailsWithAStreamMessage) {
  int prefixes = 0;
  for (const std::string& name : CorpusFiles("binary")) {
    const std::string stored = ReadCorpusFile("binary", name);
    for (size_t length = 0; length < stored.size(); length += 97) {
      ++prefixes;
      try {
        ResourceToText(stored.substr(0, length));
        ADD_FAILURE() << name << " converted when cut to " << length << " bytes";
      } catch (const EReadError& error) {
        const std::u16string& message = error.Message();
        if (message != kStreamReadError && message != kInvalidStreamFormat && message != kInvalidPropertyValue)
          ADD_FAILURE() << name << " cut to " << length << ": " << error.what();
      }
    }
  }
  EXPECT_GT(prefixes, 40000);
}

}  // namespace
}  // namespace tess::stream::testing
