// Inputs nested a million levels deep must fail with a message, not overflow a worker thread's stack.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFiler.h"
#include "FormStream/uTextToBinary.h"
#include "Support/WorkerStack.h"

namespace tess::stream {
namespace {

constexpr int kMillion = 1000000;

std::string BinaryToTextMessage(const std::string& AStream) {
  return tess::testing::MessageOnWorkerThread([&] {
    TMemoryStream input(AStream), output;
    BinaryToFormText(input, output);
  });
}

std::string TextToBinaryMessage(const std::string& AText) {
  return tess::testing::MessageOnWorkerThread([&] {
    TMemoryStream input(AText), output;
    FormTextToBinary(input, output);
  });
}

std::string Repeat(std::string_view APiece, int ACount) {
  std::string result;
  result.reserve(APiece.size() * static_cast<size_t>(ACount));
  for (int i = 0; i < ACount; ++i) result += APiece;
  return result;
}

// Objects each holding the next: class T, no name, no properties.
std::string NestedObjects(int ADepth) {
  return "TPF0" + Repeat(std::string("\x01T\x00\x00", 4), ADepth) + std::string(static_cast<size_t>(ADepth), '\0');
}

const std::string kTooDeep = "Objects, lists and collections nest deeper than 1000 levels";

TEST(Nesting, BinaryObjectsAMillionDeepFail) { EXPECT_EQ(BinaryToTextMessage(NestedObjects(kMillion)), kTooDeep); }

TEST(Nesting, BinaryListsAMillionDeepFail) {
  const std::string stream =
      std::string("TPF0\x01T\x00\x01P", 9) + std::string(kMillion, '\x01') + std::string(kMillion + 2, '\0');
  EXPECT_EQ(BinaryToTextMessage(stream), kTooDeep);
}

TEST(Nesting, BinaryCollectionsAMillionDeepFail) {
  const std::string stream = std::string("TPF0\x01T\x00\x01P", 9) + Repeat("\x0E\x01\x01P", kMillion);
  EXPECT_EQ(BinaryToTextMessage(stream), kTooDeep);
}

TEST(Nesting, TextObjectsAMillionDeepFail) {
  EXPECT_EQ(TextToBinaryMessage(Repeat("object T\n", kMillion) + Repeat("end\n", kMillion)),
            kTooDeep + " on line 1001");
}

TEST(Nesting, TextListsAMillionDeepFail) {
  EXPECT_EQ(TextToBinaryMessage("object T\nP = " + Repeat("(\n", kMillion)), kTooDeep + " on line 1001");
}

TEST(Nesting, TextCollectionsAMillionDeepFail) {
  EXPECT_EQ(TextToBinaryMessage("object T\nP = " + Repeat("<\nitem\nP = ", kMillion)), kTooDeep + " on line 2000");
}

// A hundred kilobytes of one-byte values in a list 999 levels down would print two thousand bytes
// each, some 200 MB of indent; the text is refused long before.
TEST(Nesting, DeepListsOfSmallValuesCannotExhaustMemory) {
  const std::string stream = std::string("TPF0\x01T\x00\x01P", 9) + std::string(998, '\x01') +
                             std::string(100000, '\x08') + std::string(1000, '\0');
  EXPECT_EQ(BinaryToTextMessage(stream), "Form text too large for its binary stream");
}

// The limit itself converts both ways, through text indented two thousand spaces deep.
TEST(Nesting, ThousandLevelsConvertBothWays) {
  const std::string stream = NestedObjects(1000);
  std::string text, back;
  EXPECT_EQ(tess::testing::MessageOnWorkerThread([&] {
              TMemoryStream input(stream), output;
              BinaryToFormText(input, output);
              text = output.Bytes();
              TMemoryStream textInput(text), binary;
              FormTextToBinary(textInput, binary);
              back = binary.Bytes();
            }),
            "");
  EXPECT_TRUE(back == stream);
  EXPECT_EQ(BinaryToTextMessage(NestedObjects(1001)), kTooDeep);
}

}  // namespace
}  // namespace tess::stream
