// Form text to binary form streams: the tokenizer and the converter on top of it.
#include "FormStream/uTextToBinary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include <utf8proc.h>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFiler.h"
#include "FormStream/uFloatText.h"
#include "FormStream/uFormFormat.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::stream {

using common::Format;

EParserError::EParserError(std::u16string AReason, int ALine)
    : Exception(Format(u"%s on line %d", {AReason, ALine})), FReason(std::move(AReason)), FLine(ALine) {}

EParserError::EParserError(std::u16string AMessage) : Exception(AMessage), FReason(std::move(AMessage)) {}

namespace {

bool IsAsciiLetterStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
constexpr bool IsDigit(char C) { return C >= '0' && C <= '9'; }
constexpr bool IsHexDigit(char C) { return IsDigit(C) || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f'); }
constexpr int HexValue(char C) { return IsDigit(C) ? C - '0' : (C | 0x20) - 'a' + 10; }

bool SameAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFormTextParser

TFormTextParser::TFormTextParser(TStream& AStream) : FStream(AStream) {
  FBuffer[0] = 0;
  ReadBuffer();
  const auto byte = [this](size_t AIndex) { return static_cast<uint8_t>(FBuffer[AIndex]); };
  if (FSourceEnd >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    FUtf8 = true;
    FSource = 3;
  } else if (FSourceEnd >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    Error(u"ANSI or UTF8 encoding expected");
  }
  NextToken();
}

void TFormTextParser::Error(std::u16string_view AReason) const { throw EParserError(std::u16string(AReason), FLine); }

// Moves the unread rest to the front and fills the buffer up. A full buffer hands out only the text
// up to its last line feed, so that no token is ever cut by the end of a block.
void TFormTextParser::ReadBuffer() {
  FBuffer[FSourceEnd] = FSaveChar;
  const size_t rest = FBufferEnd - FSource;
  if (rest != 0 && FSource != 0) std::memmove(FBuffer.data(), FBuffer.data() + FSource, rest);
  FBufferEnd = rest;
  FSource = 0;
  while (FBufferEnd < kParserBufferSize - 1) {
    const int64_t count =
        FStream.Read(FBuffer.data() + FBufferEnd, static_cast<int64_t>(kParserBufferSize - 1 - FBufferEnd));
    if (count <= 0) break;
    FBufferEnd += static_cast<size_t>(count);
  }
  FSourceEnd = FBufferEnd;
  if (FBufferEnd == kParserBufferSize - 1) {
    const auto lastLineFeed = std::string_view(FBuffer.data(), FBufferEnd).rfind('\n');
    if (lastLineFeed == std::string_view::npos) Error(u"Line too long");
    FSourceEnd = lastLineFeed + 1;
  }
  FSaveChar = FBuffer[FSourceEnd];
  FBuffer[FSourceEnd] = 0;
}

void TFormTextParser::SkipBlanks() {
  for (;;) {
    const char c = FBuffer[FSource];
    if (c == 0) {
      if (FSource != FSourceEnd) return;  // a 0 byte in the text ends it
      ReadBuffer();
      if (FSourceEnd == 0) return;
      continue;
    }
    if (static_cast<uint8_t>(c) > ' ') return;
    if (c == '\n') ++FLine;
    ++FSource;
  }
}

// Non-ASCII letters count only in UTF-8 text, where the bytes can be decoded; in the single-byte code
// page a byte of 0x80 or above stays a character token of its own.
bool TFormTextParser::IsLetterStart(size_t APos, size_t& ALength) const {
  ALength = 1;
  if (IsAsciiLetterStart(FBuffer[APos])) return true;
  size_t length = 1;
  switch (NonAsciiCategory(APos, length)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_NL: ALength = length; return true;
    default: return false;
  }
}

bool TFormTextParser::IsLetterPart(size_t APos, size_t& ALength) const {
  if (IsLetterStart(APos, ALength)) return true;
  if (IsDigit(FBuffer[APos])) return true;
  size_t length = 1;
  switch (NonAsciiCategory(APos, length)) {
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_PC:
    case UTF8PROC_CATEGORY_CF: ALength = length; return true;
    default: return false;
  }
}

int TFormTextParser::NonAsciiCategory(size_t APos, size_t& ALength) const {
  if (!FUtf8 || static_cast<uint8_t>(FBuffer[APos]) < 0x80) return -1;
  utf8proc_int32_t codePoint = 0;
  const auto count = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(FBuffer.data() + APos),
                                      static_cast<utf8proc_ssize_t>(FSourceEnd - APos), &codePoint);
  if (count <= 0) return -1;
  ALength = static_cast<size_t>(count);
  return utf8proc_category(codePoint);
}

TTokenKind TFormTextParser::NextToken() {
  SkipBlanks();
  FFloatType = 0;
  const size_t start = FSource;
  const char c = FBuffer[FSource];
  size_t length = 0;
  if (IsLetterStart(FSource, length)) {
    FSource += length;
    while (IsLetterPart(FSource, length)) FSource += length;
    FToken = toSymbol;
  } else if (IsDigit(c) || c == '-') {
    ReadNumber();
  } else if (c == '$') {
    ++FSource;
    while (IsHexDigit(FBuffer[FSource])) ++FSource;
    FToken = toInteger;
  } else if (c == '\'' || c == '#') {
    ReadStringToken();
    return FToken;
  } else if (c == 0) {
    FToken = toEOF;
  } else {
    ++FSource;
    FToken = static_cast<uint8_t>(c);
  }
  FTokenText.assign(FBuffer.data() + start, FSource - start);
  if (FFloatType != 0) FTokenText.pop_back();
  return FToken;
}

void TFormTextParser::ReadNumber() {
  ++FSource;
  while (IsDigit(FBuffer[FSource])) ++FSource;
  FToken = toInteger;
  const auto isFloatChar = [](char C) {
    return IsDigit(C) || C == '+' || C == '-' || C == '.' || C == 'E' || C == 'e';
  };
  while (isFloatChar(FBuffer[FSource])) {
    ++FSource;
    FToken = toFloat;
  }
  switch (FBuffer[FSource]) {
    case 'C':
    case 'D':
    case 'F':
    case 'S':
    case 'c':
    case 'd':
    case 'f':
    case 's':
      FFloatType = FBuffer[FSource];
      ++FSource;
      FToken = toFloat;
      break;
    default: break;
  }
}

// Quoted runs and "#" codes joined without blanks. Without codes above seven bits the bytes are
// decoded together with the input's encoding; as soon as one code needs more, the codes are UTF-16
// code units of their own values, and the quoted runs between them are decoded one by one (in the
// single-byte code page each byte is the unit of its value).
void TFormTextParser::ReadStringToken() {
  std::string bytes;
  std::u16string units;
  bool wide = false;
  for (;;) {
    const char c = FBuffer[FSource];
    if (c == '\'') {
      ++FSource;
      const size_t runStart = bytes.size();
      for (;;) {
        const char q = FBuffer[FSource];
        if (q == 0 || q == '\r' || q == '\n') Error(u"Invalid string constant");
        ++FSource;
        if (q == '\'') {
          if (FBuffer[FSource] != '\'') break;
          ++FSource;
        }
        bytes.push_back(q);
      }
      const std::string_view run = std::string_view(bytes).substr(runStart);
      if (FUtf8)
        units += common::Utf8ToUtf16(run);
      else
        for (const char b : run) units.push_back(static_cast<uint8_t>(b));
    } else if (c == '#') {
      ++FSource;
      if (!IsDigit(FBuffer[FSource])) Error(u"Invalid string constant");
      uint32_t code = 0;
      while (IsDigit(FBuffer[FSource])) {
        code = code * 10 + static_cast<uint32_t>(FBuffer[FSource] - '0');
        // A code that is no UTF-16 unit would silently turn into another character.
        if (code > 0xFFFF) Error(u"Invalid string constant");
        ++FSource;
      }
      if (code >= 128) wide = true;
      bytes.push_back(static_cast<char>(code & 0xFF));
      units.push_back(static_cast<char16_t>(code));
    } else {
      break;
    }
  }
  FTokenText.clear();
  if (wide) {
    FToken = toWString;
    FWideText = std::move(units);
    for (const char16_t unit : FWideText) FTokenText.push_back(static_cast<char>(unit & 0xFF));
  } else {
    FToken = toString;
    FTokenText = std::move(bytes);
    FWideText = FUtf8 ? common::Utf8ToUtf16(FTokenText) : common::Cp1252ToUtf16(FTokenText);
  }
}

int64_t TFormTextParser::TokenInt() const {
  const std::string& text = FTokenText;
  const auto fail = [&text]() -> int64_t {
    throw EConvertError(Format(u"'%s' is not a valid integer value", {common::Utf8ToUtf16(text)}));
  };
  if (!text.empty() && text[0] == '$') {
    if (text.size() < 2 || text.size() > 17) fail();
    uint64_t value = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      if (!IsHexDigit(text[i])) fail();
      value = value << 4 | static_cast<uint64_t>(HexValue(text[i]));
    }
    return static_cast<int64_t>(value);
  }
  const bool negative = !text.empty() && text[0] == '-';
  const size_t first = negative ? 1 : 0;
  if (text.size() == first) fail();
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(INT64_MAX);
  for (size_t i = first; i < text.size(); ++i) {
    if (!IsDigit(text[i])) fail();
    const auto digit = static_cast<uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) fail();
    magnitude = magnitude * 10 + digit;
  }
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

TExtended TFormTextParser::TokenFloat() const {
  const auto value = ParseFloat(FTokenText);
  if (!value)
    throw EConvertError(Format(u"'%s' is not a valid floating point value", {common::Utf8ToUtf16(FTokenText)}));
  return *value;
}

std::u16string TFormTextParser::TokenWideString() const {
  if (FToken == toString || FToken == toWString) return FWideText;
  return FUtf8 ? common::Utf8ToUtf16(FTokenText) : common::Cp1252ToUtf16(FTokenText);
}

bool TFormTextParser::TokenSymbolIs(std::string_view AWord) const {
  return FToken == toSymbol && SameAscii(FTokenText, AWord);
}

std::string TFormTextParser::TokenComponentIdent() {
  CheckToken(toSymbol);
  std::string name = FTokenText;
  size_t length = 0;
  while (FBuffer[FSource] == '.') {
    if (!IsLetterStart(FSource + 1, length)) {
      ++FSource;
      Error(u"Identifier expected");
    }
    const size_t start = FSource;
    FSource += 1 + length;
    while (IsLetterPart(FSource, length)) FSource += length;
    name.append(FBuffer.data() + start, FSource - start);
  }
  return name;
}

void TFormTextParser::CheckToken(TTokenKind AKind) const {
  if (FToken == AKind) return;
  switch (AKind) {
    case toSymbol: Error(u"Identifier expected");
    case toString:
    case toWString: Error(u"String expected");
    case toInteger:
    case toFloat: Error(u"Number expected");
    default: {
      const char16_t character = common::Cp1252CharOf(static_cast<uint8_t>(AKind));
      Error(Format(u"''%s'' expected", {std::u16string_view(&character, 1)}));
    }
  }
}

void TFormTextParser::CheckTokenSymbol(std::string_view AWord) const {
  if (!TokenSymbolIs(AWord)) Error(Format(u"%s expected", {common::Utf8ToUtf16(AWord)}));
}

void TFormTextParser::HexToBinary(std::string& ASink) {
  // Pictures and other data blocks make up much of many forms: each line's run of digit pairs is
  // found first and decoded through a table into room made once.
  static constexpr auto kNibble = [] {
    std::array<int8_t, 256> nibbles{};
    nibbles.fill(-1);
    for (int c = 0; c < 256; ++c)
      if (IsHexDigit(static_cast<char>(c))) nibbles[size_t(c)] = static_cast<int8_t>(HexValue(static_cast<char>(c)));
    return nibbles;
  }();
  auto nibble = [&](size_t AIndex) { return kNibble[static_cast<unsigned char>(FBuffer[AIndex])]; };
  SkipBlanks();
  while (FBuffer[FSource] != '}') {
    size_t end = FSource;
    while (nibble(end) >= 0 && nibble(end + 1) >= 0) end += 2;
    if (end == FSource) Error(u"Invalid binary value");
    const size_t start = ASink.size();
    ASink.resize(start + (end - FSource) / 2);
    // Through locals: a store through a char pointer could change any member, so the members
    // would be read again for every byte.
    char* out = ASink.data() + start;
    const auto* digits = reinterpret_cast<const unsigned char*>(FBuffer.data());
    for (size_t at = FSource; at < end; at += 2)
      *out++ = static_cast<char>(kNibble[digits[at]] << 4 | kNibble[digits[at + 1]]);
    FSource = end;
    SkipBlanks();
  }
  ++FSource;
  NextToken();
}

// ---------------------------------------------------------------------------------------------
// The converter

namespace {

class TTextToBin {
public:
  TTextToBin(TFormTextParser& AParser, TWriter& AWriter) : FParser(AParser), FWriter(AWriter) {}

  void ConvertObject(bool ARoot);

private:
  void ConvertProperty();
  void ConvertValue();
  void ConvertCollection();
  void ConvertSet();
  void Enter() {
    if (++FDepth > kMaxNestingDepth) FParser.Error(common::NestingTooDeepMessage());
  }
  void Leave() { --FDepth; }
  bool AtObjectKeyword() const {
    return FParser.TokenSymbolIs("END") || FParser.TokenSymbolIs("OBJECT") || FParser.TokenSymbolIs("INHERITED") ||
           FParser.TokenSymbolIs("INLINE");
  }
  // A short string holds at most 255 bytes; a longer name would be cut and, in an object header,
  // leave the rest of the stream to be read out of step.
  const std::string& CheckedName(const std::string& AName) const {
    if (AName.size() > 255)
      FParser.Error(Format(u"Name too long (%d bytes, at most 255 fit)", {static_cast<int>(AName.size())}));
    return AName;
  }
  void ConvertNonFinite(TExtended AValue, char AType);
  // Child positions and item indexes are read back only in their 32-bit forms.
  int32_t TokenInt32() const {
    const int64_t value = FParser.TokenInt();
    if (value < INT32_MIN || value > INT32_MAX)
      throw EConvertError(Format(u"'%s' is not a valid integer value", {common::Utf8ToUtf16(FParser.TokenString())}));
    return static_cast<int32_t>(value);
  }

  TFormTextParser& FParser;
  TWriter& FWriter;
  int FDepth = 0;
};

void TTextToBin::ConvertObject(bool ARoot) {
  Enter();
  TFilerFlags flags = 0;
  if (FParser.TokenSymbolIs("INHERITED"))
    flags |= ffInherited;
  else if (FParser.TokenSymbolIs("INLINE"))
    flags |= ffInline;
  else
    FParser.CheckTokenSymbol("OBJECT");
  FParser.NextToken();

  FParser.CheckToken(toSymbol);
  std::string objectName;
  std::string className = CheckedName(FParser.TokenString());
  FParser.NextToken();
  if (FParser.Token() == ':') {
    FParser.NextToken();
    FParser.CheckToken(toSymbol);
    objectName = std::move(className);
    className = CheckedName(FParser.TokenString());
    FParser.NextToken();
  }
  int32_t childPos = 0;
  if (FParser.Token() == '[') {
    FParser.NextToken();
    FParser.CheckToken(toInteger);
    childPos = TokenInt32();
    FParser.NextToken();
    FParser.CheckToken(']');
    FParser.NextToken();
    flags |= ffChildPos;
  }
  FWriter.WritePrefix(flags, childPos);
  FWriter.WriteUTF8Str(std::string_view(className));
  FWriter.WriteUTF8Str(std::string_view(objectName));

  while (!AtObjectKeyword()) ConvertProperty();
  FWriter.WriteListEnd();
  while (!FParser.TokenSymbolIs("END")) ConvertObject(false);
  FWriter.WriteListEnd();
  // What follows the root object is not the form's business; reading it could only fail.
  if (!ARoot) FParser.NextToken();
  Leave();
}

void TTextToBin::ConvertProperty() {
  FParser.CheckToken(toSymbol);
  std::string name = FParser.TokenString();
  FParser.NextToken();
  while (FParser.Token() == '.') {
    FParser.NextToken();
    FParser.CheckToken(toSymbol);
    name += '.';
    name += FParser.TokenString();
    FParser.NextToken();
  }
  FWriter.WriteShortString(CheckedName(name));
  FParser.CheckToken('=');
  FParser.NextToken();
  ConvertValue();
}

void TTextToBin::ConvertValue() {
  switch (FParser.Token()) {
    case toSymbol: {
      const std::string name = FParser.TokenComponentIdent();
      const auto special = NonFiniteOf(name);
      if (special.has_value())
        ConvertNonFinite(special->Value, special->Type);
      else
        FWriter.WriteIdent(std::string_view(CheckedName(name)));
      break;
    }
    case toString:
    case toWString: {
      std::u16string text = FParser.TokenWideString();
      while (FParser.NextToken() == '+') {
        FParser.NextToken();
        if (FParser.Token() != toString && FParser.Token() != toWString) FParser.Error(u"String expected");
        text += FParser.TokenWideString();
      }
      FWriter.WriteString(text);
      return;
    }
    case toInteger:
      if (FParser.TokenString() == "-") {
        // -INF is a minus sign and a word; anything else after a lone minus sign is no number.
        const std::string sign = FParser.TokenString();
        FParser.NextToken();
        const auto special = FParser.Token() == toSymbol ? NonFiniteOf(FParser.TokenString()) : std::nullopt;
        if (!special.has_value() || !std::isinf(special->Value))
          throw EConvertError(Format(u"'%s' is not a valid integer value", {common::Utf8ToUtf16(sign)}));
        ConvertNonFinite(-special->Value, special->Type);
        break;
      }
      FWriter.WriteInteger(FParser.TokenInt());
      break;
    case toFloat: {
      const TExtended value = FParser.TokenFloat();
      switch (FParser.FloatType()) {
        case 'C':
        case 'c': {
          // The text holds the scaled amount, rounded half to even; beyond 64 bits it has no value.
          const TExtended floor = std::floor(value);
          const TExtended fraction = value - floor;
          const TExtended rounded = fraction < 0.5L               ? floor
                                    : fraction > 0.5L             ? floor + 1
                                    : std::fmod(floor, 2.0L) == 0 ? floor
                                                                  : floor + 1;
          if (!(rounded >= -9223372036854775808.0L && rounded < 9223372036854775808.0L))
            throw EConvertError(
                Format(u"'%s' is not a valid floating point value", {common::Utf8ToUtf16(FParser.TokenString())}));
          FWriter.WriteCurrency(static_cast<int64_t>(rounded));
          break;
        }
        case 'D':
        case 'd': FWriter.WriteDate(static_cast<double>(value)); break;
        case 'S':
        case 's': FWriter.WriteSingle(static_cast<float>(value)); break;
        default: FWriter.WriteFloat(value); break;
      }
      break;
    }
    case '(':
      Enter();
      FParser.NextToken();
      FWriter.WriteValue(TValueType::vaList);
      while (FParser.Token() != ')') ConvertValue();
      FWriter.WriteListEnd();
      Leave();
      break;
    case '<': ConvertCollection(); break;
    case '[': ConvertSet(); break;
    case '{': FWriter.WriteBinary([this](std::string& ABuffer) { FParser.HexToBinary(ABuffer); }); return;
    default: FParser.Error(kInvalidPropertyValue);
  }
  FParser.NextToken();
}

void TTextToBin::ConvertNonFinite(TExtended AValue, char AType) {
  switch (AType) {
    case 's': FWriter.WriteSingle(static_cast<float>(AValue)); break;
    case 'd': FWriter.WriteDate(static_cast<double>(AValue)); break;
    default: FWriter.WriteFloat(AValue); break;
  }
}

void TTextToBin::ConvertCollection() {
  Enter();
  FParser.NextToken();
  FWriter.WriteValue(TValueType::vaCollection);
  while (FParser.Token() != '>') {
    FParser.CheckTokenSymbol("item");
    FParser.NextToken();
    if (FParser.Token() == '[') {
      FParser.NextToken();
      FParser.CheckToken(toInteger);
      FWriter.WriteInteger(TokenInt32());
      FParser.NextToken();
      FParser.CheckToken(']');
      FParser.NextToken();
    }
    FWriter.WriteValue(TValueType::vaList);
    while (!FParser.TokenSymbolIs("END")) ConvertProperty();
    FWriter.WriteListEnd();
    FParser.NextToken();
  }
  FWriter.WriteListEnd();
  Leave();
}

void TTextToBin::ConvertSet() {
  FParser.NextToken();
  FWriter.WriteValue(TValueType::vaSet);
  if (FParser.Token() != ']') {
    for (;;) {
      switch (FParser.Token()) {
        case toInteger: FWriter.WriteShortString(CheckedName(FParser.TokenString())); break;
        case toString:
        case toWString: {
          const std::string& bytes = FParser.TokenString();
          if (bytes.empty()) FParser.Error(kInvalidPropertyValue);
          FWriter.WriteShortString("#" + std::to_string(static_cast<uint8_t>(bytes[0])));
          break;
        }
        default: {
          FParser.CheckToken(toSymbol);
          const std::u16string element = FParser.TokenWideString();
          // One byte a character in the code page.
          if (element.size() > 255)
            FParser.Error(Format(u"Name too long (%d bytes, at most 255 fit)", {static_cast<int>(element.size())}));
          FWriter.WriteStr(element);
          break;
        }
      }
      if (FParser.NextToken() == ']') break;
      FParser.CheckToken(',');
      FParser.NextToken();
    }
  }
  FWriter.WriteStr(u"");
}

}  // namespace

void FormTextToBinary(TStream& AInput, TStream& AOutput) {
  TMemoryStream memory;
  {
    TFormTextParser parser(AInput);
    TWriter writer(memory);
    writer.WriteSignature();
    TTextToBin(parser, writer).ConvertObject(true);
    writer.FlushBuffer();
  }
  // An empty memory stream, as FormTextToResource passes, takes the bytes rather than a copy.
  if (auto* target = dynamic_cast<TMemoryStream*>(&AOutput);
      target != nullptr && target->Size() == 0 && target->Position() == 0) {
    target->Adopt(memory.TakeBytes());
    return;
  }
  AOutput.Write(memory.Bytes());
}

void FormTextToResource(TStream& AInput, TStream& AOutput) {
  TMemoryStream memory;
  FormTextToBinary(AInput, memory);
  const std::string& bytes = memory.Bytes();

  // The root class name, behind the signature and the root's prefix (we wrote both just now).
  size_t pos = 4;
  const auto byteAt = [&bytes](size_t AIndex) {
    return AIndex < bytes.size() ? static_cast<uint8_t>(bytes[AIndex]) : 0;
  };
  if (byteAt(pos) >= 0xF0) {
    const bool hasChildPos = (byteAt(pos) & ffChildPos) != 0;
    ++pos;
    if (hasChildPos) {
      switch (static_cast<TValueType>(byteAt(pos))) {
        case TValueType::vaInt8: pos += 2; break;
        case TValueType::vaInt16: pos += 3; break;
        default: pos += 5; break;
      }
    }
  }
  const size_t length = byteAt(pos);
  const std::string name = bytes.substr(std::min(pos + 1, bytes.size()), length);
  const bool utf8 = std::any_of(name.begin(), name.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
  std::u16string resourceName = utf8 ? common::Utf8ToUtf16(name) : common::Cp1252ToUtf16(name);
  for (char16_t& c : resourceName)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  // The message names 64 characters but the limit is 70, as users know it from the IDE.
  if (resourceName.size() > 70)
    throw EParserError(Format(u"Component name '%s' exceeds 64 character limit", {resourceName}));

  const auto dataSize = static_cast<uint32_t>(bytes.size());
  if (utf8)
    WriteResHeader32(AOutput, resourceName, dataSize);
  else
    WriteResHeader16(AOutput, resourceName, dataSize);
  AOutput.Write(bytes);
}

}  // namespace tess::stream
