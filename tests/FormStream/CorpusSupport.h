// Shared helpers of the corpus-driven tests: the corpus files, the conversions from memory and the
// round trips that the corpus is checked with.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"
#include "Support/Corpus.h"

namespace tess::stream::testing {

inline std::filesystem::path CorpusDir() { return tess::testing::kCorpus; }

inline std::vector<std::string> CorpusFiles(const std::string& AFolder) {
  return tess::testing::FilesIn(AFolder.c_str());
}

inline std::string ReadCorpusFile(const std::string& AFolder, const std::string& AName) {
  return tess::testing::ReadFile(CorpusDir() / AFolder / AName);
}

inline std::string ResourceToText(const std::string& ABytes) {
  TMemoryStream input(ABytes), output;
  ResourceToFormText(input, output);
  return output.TakeBytes();
}

inline std::string TextToResource(const std::string& AText) {
  TMemoryStream input(AText), output;
  FormTextToResource(input, output);
  return output.TakeBytes();
}

inline std::string BinaryToText(const std::string& ABytes) {
  TMemoryStream input(ABytes), output;
  BinaryToFormText(input, output);
  return output.TakeBytes();
}

inline std::string TextToBinary(const std::string& AText) {
  TMemoryStream input(AText), output;
  FormTextToBinary(input, output);
  return output.TakeBytes();
}

using tess::testing::WithCrLf;

}  // namespace tess::stream::testing

#include "FormStream/uFiler.h"
#include "FormStream/uFormFormat.h"

namespace tess::stream::testing {

// Where each value of a binary form stream starts, with its type: the tests use it to say which value
// a byte difference between two streams falls into.
struct TValueSpan {
  int64_t Start = 0;
  TValueType Type = TValueType::vaNull;
};

class TValueWalker {
public:
  explicit TValueWalker(const std::string& AStream)
      : FInput(AStream), FReader(FInput), FSize(static_cast<int64_t>(AStream.size())) {}

  std::vector<TValueSpan> Walk() {
    FReader.ReadSignature();
    Object();
    return FSpans;
  }

private:
  int64_t Position() const { return FSize - FReader.Remaining(); }
  void Object() {
    TFilerFlags flags;
    int32_t position;
    FReader.ReadPrefix(flags, position);
    FReader.ReadStrBytes();
    FReader.ReadStrBytes();
    while (!FReader.EndOfList()) Property();
    FReader.ReadValue();
    while (!FReader.EndOfList()) Object();
    FReader.ReadValue();
  }
  void Property() {
    FReader.ReadStrBytes();
    Value();
  }
  void Skip(int64_t ACount) {
    std::string bytes(static_cast<size_t>(ACount), '\0');
    FReader.Read(bytes.data(), ACount);
  }
  void Value() {
    FSpans.push_back({Position(), FReader.NextValue()});
    const TValueType type = FReader.ReadValue();
    switch (type) {
      case TValueType::vaList:
        while (!FReader.EndOfList()) Value();
        FReader.ReadValue();
        break;
      case TValueType::vaInt8: Skip(1); break;
      case TValueType::vaInt16: Skip(2); break;
      case TValueType::vaInt32:
      case TValueType::vaSingle: Skip(4); break;
      case TValueType::vaExtended: Skip(10); break;
      case TValueType::vaInt64:
      case TValueType::vaCurrency:
      case TValueType::vaDate:
      case TValueType::vaDouble: Skip(8); break;
      case TValueType::vaString:
      case TValueType::vaIdent: FReader.ReadStrBytes(); break;
      case TValueType::vaLString:
      case TValueType::vaUTF8String:
      case TValueType::vaBinary: Skip(FReader.ReadLength()); break;
      case TValueType::vaWString: Skip(2 * int64_t{FReader.ReadLength(2)}); break;
      case TValueType::vaSet:
        while (!FReader.ReadStrBytes().empty()) {}
        break;
      case TValueType::vaCollection:
        while (!FReader.EndOfList()) {
          const TValueType next = FReader.NextValue();
          if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
            FReader.ReadInteger();
          FReader.CheckValue(TValueType::vaList);
          while (!FReader.EndOfList()) Property();
          FReader.ReadValue();
        }
        FReader.ReadValue();
        break;
      default: break;
    }
  }

  TMemoryStream FInput;
  TReader FReader;
  int64_t FSize;
  std::vector<TValueSpan> FSpans;
};

// The form stream behind a file's resource header.
inline std::string StreamOf(const std::string& AFile) {
  TMemoryStream input(AFile);
  ReadResHeader(input);
  return AFile.substr(static_cast<size_t>(input.Position()));
}

// The type of the value in AExpected that holds the first byte where AActual differs from it, or
// nothing when the streams are equal or differ outside any value.
inline std::optional<TValueType> FirstDifferentValue(const std::string& AExpected, const std::string& AActual) {
  size_t i = 0;
  while (i < AExpected.size() && i < AActual.size() && AExpected[i] == AActual[i]) ++i;
  if (i == AExpected.size() && i == AActual.size()) return std::nullopt;
  const std::vector<TValueSpan> spans = TValueWalker(AExpected).Walk();
  std::optional<TValueType> type;
  for (const TValueSpan& span : spans)
    if (span.Start <= static_cast<int64_t>(i)) type = span.Type;
  return type;
}

}  // namespace tess::stream::testing

#include <map>
#include <sstream>

namespace tess::stream::testing {

struct TCorpusException {
  std::string Kind;
  std::string Note;
};

// The files listed in CorpusExceptions.tsv beside this header, by folder and file name.
inline const std::map<std::pair<std::string, std::string>, TCorpusException>& CorpusExceptions() {
  static const auto exceptions = [] {
    std::map<std::pair<std::string, std::string>, TCorpusException> result;
    const auto listPath = std::filesystem::path(TESS_TESTS_DIR) / "FormStream" / "CorpusExceptions.tsv";
    std::ifstream in(listPath, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + listPath.string());
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> fields;
      std::stringstream split(line);
      for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
      if (fields.size() == 4) result[{fields[0], fields[1]}] = {fields[2], fields[3]};
    }
    return result;
  }();
  return exceptions;
}

inline const TCorpusException* CorpusExceptionFor(const std::string& AFolder, const std::string& AName) {
  const auto& exceptions = CorpusExceptions();
  const auto found = exceptions.find({AFolder, AName});
  return found == exceptions.end() ? nullptr : &found->second;
}

inline std::string CorpusTestName(const std::string& AName) { return tess::testing::TestNameOf(AName); }

}  // namespace tess::stream::testing
