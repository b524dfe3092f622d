// Conversion of form text into binary form streams and binary form files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "FormStream/uExtended.h"
#include "FormStream/uStreams.h"
#include "Shared/Common/uException.h"

namespace tess::stream {

// A syntax error in form text. Message() is the reason followed by " on line " and the line.
class EParserError : public common::Exception {
public:
  EParserError(std::u16string AReason, int ALine);
  // For failures that belong to no line.
  explicit EParserError(std::u16string AMessage);

  const std::u16string& Reason() const { return FReason; }
  // 0 when the failure belongs to no line.
  int Line() const { return FLine; }

private:
  std::u16string FReason;
  int FLine = 0;
};

// A number token whose text is no number of its kind; like any conversion of text to a number it
// names the text and no line.
class EConvertError : public common::Exception {
public:
  using Exception::Exception;
};

// Token kinds. A single character that starts no other token is a token whose kind is that byte;
// the kinds below lie under the blank, so they never collide with one.
using TTokenKind = int;
constexpr TTokenKind toEOF = 0;
constexpr TTokenKind toSymbol = 1;
constexpr TTokenKind toString = 2;
constexpr TTokenKind toInteger = 3;
constexpr TTokenKind toFloat = 4;
constexpr TTokenKind toWString = 5;

constexpr int kParserBufferSize = 4096;

// The tokenizer of form text. It reads the input in blocks of whole lines, so a line must fit in
// the buffer; it never looks back past the current token.
class TFormTextParser {
public:
  // Loads the first block, takes the encoding from the byte-order mark and reads the first token.
  explicit TFormTextParser(TStream& AStream);
  TFormTextParser(const TFormTextParser&) = delete;
  TFormTextParser& operator=(const TFormTextParser&) = delete;

  TTokenKind NextToken();
  TTokenKind Token() const { return FToken; }
  // The bytes of the token; for a string token the joined bytes of its runs and codes.
  const std::string& TokenString() const { return FTokenText; }
  int64_t TokenInt() const;
  TExtended TokenFloat() const;
  // The text of a string or wide string token.
  std::u16string TokenWideString() const;
  // The suffix letter of a float token, or 0.
  char FloatType() const { return FFloatType; }
  bool TokenSymbolIs(std::string_view AWord) const;
  // The symbol extended over directly following ".symbol" parts (Form1.Button1).
  std::string TokenComponentIdent();

  void CheckToken(TTokenKind AKind) const;
  void CheckTokenSymbol(std::string_view AWord) const;
  // Reads hexadecimal data up to "}" into ASink and takes the token after it.
  void HexToBinary(std::string& ASink);

  bool Utf8() const { return FUtf8; }
  int SourceLine() const { return FLine; }
  [[noreturn]] void Error(std::u16string_view AReason) const;

private:
  void ReadBuffer();
  void SkipBlanks();
  bool IsLetterStart(size_t APos, size_t& ALength) const;
  bool IsLetterPart(size_t APos, size_t& ALength) const;
  // The Unicode category of the non-ASCII character at APos in UTF-8 text, its length going to
  // ALength; -1 in single-byte text, for an ASCII byte, or for bytes that do not decode.
  int NonAsciiCategory(size_t APos, size_t& ALength) const;
  void ReadSymbol();
  void ReadNumber();
  void ReadStringToken();

  TStream& FStream;
  std::array<char, kParserBufferSize> FBuffer{};
  size_t FSource = 0;     // next unread byte
  size_t FSourceEnd = 0;  // end of the loaded text, where a 0 byte stands in for FSaveChar
  size_t FBufferEnd = 0;  // end of the bytes read, the ones after FSourceEnd waiting for the next block
  char FSaveChar = 0;
  bool FUtf8 = false;
  int FLine = 1;

  TTokenKind FToken = toEOF;
  std::string FTokenText;
  std::u16string FWideText;
  char FFloatType = 0;
};

// Parses one object from the text and writes its binary form stream. The stream is built in memory
// and written to AOutput only when the whole text has converted; errors raise EParserError.
void FormTextToBinary(TStream& AInput, TStream& AOutput);

// FormTextToBinary behind the resource header that names the root class, the conversion of form
// text files. A class name of more than 70 characters raises EParserError without a line.
void FormTextToResource(TStream& AInput, TStream& AOutput);

}  // namespace tess::stream
