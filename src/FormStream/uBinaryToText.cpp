// Binary form stream to form text, printed the way the IDE prints it.
#include "FormStream/uBinaryToText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>

#include "FormStream/uFiler.h"
#include "FormStream/uFloatText.h"
#include "FormStream/uFormFormat.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::stream {

namespace {

constexpr int kStringPieceLength = 64;
constexpr int kBinaryChunkLength = 32;
constexpr int64_t kTextLimitBase = int64_t{64} << 20;
constexpr int64_t kTextLimitGrowth = 128;

class TBinToText {
public:
  // AAnsiAsWide prints 8-bit strings by their characters, as codes, for text that must be UTF-8.
  TBinToText(TStream& AInput, bool AAnsiAsWide, common::TLineBreak ABreak)
      : FReader(AInput),
        FAnsiAsWide(AAnsiAsWide),
        FBreak(common::LineBreakBytes(ABreak)),
        FTextLimit(kTextLimitBase + kTextLimitGrowth * FReader.Remaining()) {
    // Text runs to about twice its stream, and a little more for forms that are mostly binary data
    // (two digits a byte, a line break and indent every 32 bytes). Growing by doubling from nothing
    // copied a large form's text several times into freshly faulted memory, which made a 5 MB
    // stream convert at a sixth of the speed of a small one; the reserve is only address space.
    FText.reserve(static_cast<size_t>(std::min<int64_t>(5 * FReader.Remaining() / 2 + 4096, FTextLimit)));
  }

  void Convert() {
    FReader.ReadSignature();
    ConvertObject();
  }
  const std::string& Text() const { return FText; }
  std::string TakeText() { return std::move(FText); }
  bool Utf8() const { return FUtf8; }
  bool HadNonAsciiAnsi() const { return FNonAsciiAnsi; }

private:
  // Indents are what make text outgrow its stream: a list nested deep down holds one-byte values
  // that each print a line indented by two spaces a level. Real forms stay far below this bound.
  void Indent() {
    if (static_cast<int64_t>(FText.size()) > FTextLimit) throw EReadError(u"Form text too large for its binary stream");
    FText.append(static_cast<size_t>(2 * FLevel), ' ');
  }
  void NewLine() {
    FText += FBreak;
    Indent();
  }
  void WriteName(std::string_view AUtf8) {
    for (const char c : AUtf8)
      if (static_cast<uint8_t>(c) >= 0x80) {
        FUtf8 = true;
        break;
      }
    FText += AUtf8;
  }
  void WriteNumber(int64_t AValue) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, AValue);
    FText.append(digits, result.ptr);
  }
  void Enter() {
    if (++FDepth > kMaxNestingDepth) throw EReadError(common::NestingTooDeepMessage());
  }
  void Leave() { --FDepth; }

  void ConvertObject();
  void ConvertProperty();
  void ConvertAnsiString(const std::string& ABytes);
  void ConvertValue();
  void ConvertCollection();
  void ConvertBinary();
  template <typename TUnits>
  void ConvertString(const TUnits& AUnits, bool AWide);

  TReader FReader;
  bool FAnsiAsWide;
  std::string_view FBreak;
  bool FNonAsciiAnsi = false;
  int64_t FTextLimit;
  std::string FText;
  int FLevel = 0;
  int FDepth = 0;
  bool FUtf8 = false;
  std::string FObjectName;
  std::string FPropName;
};

void TBinToText::ConvertObject() {
  Enter();
  TFilerFlags flags = 0;
  int32_t childPos = 0;
  FReader.ReadPrefix(flags, childPos);
  const std::string className = FReader.ReadStrBytes();
  const std::string objectName = FReader.ReadStrBytes();

  Indent();
  if ((flags & ffInherited) != 0)
    FText += "inherited ";
  else if ((flags & ffInline) != 0)
    FText += "inline ";
  else
    FText += "object ";
  if (!objectName.empty()) {
    WriteName(objectName);
    FText += ": ";
  }
  WriteName(className);
  if ((flags & ffChildPos) != 0) {
    FText += " [";
    WriteNumber(childPos);
    FText += "]";
  }
  FText += FBreak;
  FObjectName = objectName.empty() ? className : objectName;

  ++FLevel;
  while (!FReader.EndOfList()) ConvertProperty();
  FReader.ReadValue();
  while (!FReader.EndOfList()) ConvertObject();
  FReader.ReadValue();
  --FLevel;
  Indent();
  FText += "end";
  FText += FBreak;
  Leave();
}

void TBinToText::ConvertProperty() {
  Indent();
  FPropName = FReader.ReadStrBytes();
  WriteName(FPropName);
  FText += " = ";
  ConvertValue();
  FText += FBreak;
}

void TBinToText::ConvertValue() {
  const TValueType type = FReader.ReadValue();
  switch (type) {
    case TValueType::vaList:
      Enter();
      FText += "(";
      ++FLevel;
      while (!FReader.EndOfList()) {
        NewLine();
        ConvertValue();
      }
      FReader.ReadValue();
      --FLevel;
      FText += ")";
      Leave();
      break;
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32: WriteNumber(FReader.ReadIntegerOf(type)); break;
    case TValueType::vaInt64: {
      int64_t value = 0;
      FReader.Read(&value, 8);  // the host is little-endian like the stream; see the static check below
      WriteNumber(value);
      break;
    }
    case TValueType::vaExtended: FText += FormatFixed18(FReader.ReadExtendedBytes()); break;
    case TValueType::vaDouble: {
      double value = 0;
      FReader.Read(&value, 8);
      FText += FormatFixed18(value);
      break;
    }
    case TValueType::vaSingle: {
      float value = 0;
      FReader.Read(&value, 4);
      FText += FormatGeneral(value);
      FText += "s";
      break;
    }
    case TValueType::vaCurrency: {
      int64_t value = 0;
      FReader.Read(&value, 8);
      FText += FormatCurrency(value);
      FText += "c";
      break;
    }
    case TValueType::vaDate: {
      double value = 0;
      FReader.Read(&value, 8);
      FText += FormatDate(value);
      FText += "d";
      break;
    }
    case TValueType::vaString: {
      std::string bytes(FReader.ReadByte(), '\0');
      FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
      ConvertAnsiString(bytes);
      break;
    }
    case TValueType::vaLString: {
      std::string bytes(static_cast<size_t>(FReader.ReadLength()), '\0');
      FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
      ConvertAnsiString(bytes);
      break;
    }
    case TValueType::vaWString: {
      std::u16string units(static_cast<size_t>(FReader.ReadLength(2)), u'\0');
      FReader.Read(units.data(), static_cast<int64_t>(2 * units.size()));
      ConvertString(units, true);
      break;
    }
    case TValueType::vaUTF8String: {
      std::string bytes(static_cast<size_t>(FReader.ReadLength()), '\0');
      FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
      ConvertString(common::Utf8ToUtf16(bytes), true);
      break;
    }
    case TValueType::vaBinary: ConvertBinary(); break;
    case TValueType::vaSet: {
      FText += "[";
      bool first = true;
      for (;;) {
        const std::string element = FReader.ReadStrBytes();
        if (element.empty()) break;
        if (!first) FText += ", ";
        FText += element;
        first = false;
      }
      FText += "]";
      break;
    }
    case TValueType::vaCollection: ConvertCollection(); break;
    case TValueType::vaIdent: {
      const std::string name = FReader.ReadStrBytes();
      // The words of non-finite numbers read back as numbers, never as this identifier.
      if (NonFiniteOf(name).has_value())
        throw EReadError(common::Format(
            u"The identifier %s of %s.%s would read back as a number",
            {common::Utf8ToUtf16(name), common::Utf8ToUtf16(FObjectName), common::Utf8ToUtf16(FPropName)}));
      WriteName(name);
      break;
    }
    case TValueType::vaFalse: FText += "False"; break;
    case TValueType::vaTrue: FText += "True"; break;
    case TValueType::vaNil: FText += "nil"; break;
    case TValueType::vaNull: FText += "Null"; break;
    default:
      throw EReadError(common::Format(u"Error reading %s%s%s: %s",
                                      {common::Utf8ToUtf16(FObjectName), u".", common::Utf8ToUtf16(FPropName),
                                       common::IntToStr(static_cast<int>(type))}));
  }
}

// The bytes of an 8-bit string are copied into the text as they are. In UTF-8 text that would turn
// every byte of 0x80 or above into an invalid sequence, so there they are printed as the codes of
// their characters in the code page instead.
void TBinToText::ConvertAnsiString(const std::string& ABytes) {
  if (std::any_of(ABytes.begin(), ABytes.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; })) {
    FNonAsciiAnsi = true;
    if (FAnsiAsWide) return ConvertString(common::Cp1252ToUtf16(ABytes), true);
  }
  ConvertString(ABytes, false);
}

static_assert(std::endian::native == std::endian::little, "payloads are read straight into host numbers");

void TBinToText::ConvertCollection() {
  Enter();
  FText += "<";
  ++FLevel;
  while (!FReader.EndOfList()) {
    NewLine();
    FText += "item";
    const TValueType next = FReader.NextValue();
    if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32) {
      FText += " [";
      WriteNumber(FReader.ReadInteger());
      FText += "]";
    }
    FText += FBreak;
    FReader.CheckValue(TValueType::vaList);
    ++FLevel;
    while (!FReader.EndOfList()) ConvertProperty();
    FReader.ReadValue();
    --FLevel;
    Indent();
    FText += "end";
  }
  FReader.ReadValue();
  --FLevel;
  FText += ">";
  Leave();
}

// The two hex digits of every byte value.
struct THexPairs {
  char Digits[256][2];
  constexpr THexPairs() : Digits{} {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
      Digits[value][0] = kHex[value >> 4];
      Digits[value][1] = kHex[value & 15];
    }
  }
};
constexpr THexPairs kHexPairs;

void TBinToText::ConvertBinary() {
  const int32_t length = FReader.ReadLength();
  FText += "{";
  ++FLevel;
  // Read a block of whole lines at a time; the text is only kept when the whole stream converts.
  constexpr int32_t kBlockLength = 128 * kBinaryChunkLength;
  uint8_t block[kBlockLength];
  char digits[2 * kBinaryChunkLength];
  for (int32_t done = 0; done < length;) {
    const int32_t count = std::min<int32_t>(kBlockLength, length - done);
    FReader.Read(block, count);
    for (int32_t at = 0; at < count; at += kBinaryChunkLength) {
      const int32_t line = std::min<int32_t>(kBinaryChunkLength, count - at);
      if (length >= kBinaryChunkLength) NewLine();
      for (int32_t i = 0; i < line; ++i) std::memcpy(digits + 2 * i, kHexPairs.Digits[block[at + i]], 2);
      FText.append(digits, 2 * static_cast<size_t>(line));
    }
    done += count;
  }
  --FLevel;
  FText += "}";
}

// The IDE's string layout: quoted runs of printable characters, "#" codes for the rest, and pieces of
// at most 64 characters joined by " +" once the string no longer fits on the property's line. Bytes
// of 8-bit strings are copied as they are; wide strings keep only ASCII inside the quotes.
template <typename TUnits>
void TBinToText::ConvertString(const TUnits& AUnits, bool AWide) {
  const auto length = static_cast<int64_t>(AUnits.size());
  if (length == 0) {
    FText += "''";
    return;
  }
  const auto quoted = [&](int64_t AIndex) {
    const auto unit = static_cast<uint32_t>(
        static_cast<std::make_unsigned_t<typename TUnits::value_type>>(AUnits[static_cast<size_t>(AIndex)]));
    return unit >= 0x20 && unit != '\'' && (!AWide || unit <= 0x7F);
  };
  ++FLevel;
  if (length > kStringPieceLength) NewLine();
  int64_t lineStart = 0;
  int64_t i = 0;
  while (i < length) {
    bool lineBreak = false;
    if (quoted(i)) {
      int64_t j = i;
      while (j < length && quoted(j) && j - lineStart < kStringPieceLength) ++j;
      if (j - lineStart == kStringPieceLength) lineBreak = true;
      FText += '\'';
      for (int64_t k = i; k < j; ++k) FText += static_cast<char>(AUnits[static_cast<size_t>(k)]);
      FText += '\'';
      i = j;
    } else {
      FText += '#';
      WriteNumber(static_cast<std::make_unsigned_t<typename TUnits::value_type>>(AUnits[static_cast<size_t>(i)]));
      ++i;
      if (i - lineStart >= kStringPieceLength) lineBreak = true;
    }
    if (lineBreak && i < length) {
      FText += " +";
      NewLine();
      lineStart = i;
    }
  }
  --FLevel;
}

}  // namespace

void BinaryToFormText(TStream& AInput, TStream& AOutput, common::TLineBreak ABreak) {
  const int64_t start = AInput.Position();
  auto converter = std::make_unique<TBinToText>(AInput, false, ABreak);
  converter->Convert();
  // Whether the text is UTF-8 is known only at its end; the rare stream that mixes non-ASCII names
  // with non-ASCII 8-bit strings is printed a second time.
  if (converter->Utf8() && converter->HadNonAsciiAnsi()) {
    converter.reset();
    AInput.SetPosition(start);
    converter = std::make_unique<TBinToText>(AInput, true, ABreak);
    converter->Convert();
  }
  if (converter->Utf8()) AOutput.Write("\xEF\xBB\xBF", 3);
  // An empty memory stream takes the text itself rather than a copy of it.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&AOutput);
      memory != nullptr && memory->Size() == 0 && memory->Position() == 0) {
    memory->Adopt(converter->TakeText());
    return;
  }
  AOutput.Write(converter->Text());
}

void ResourceToFormText(TStream& AInput, TStream& AOutput, common::TLineBreak ABreak) {
  ReadResHeader(AInput);
  BinaryToFormText(AInput, AOutput, ABreak);
}

}  // namespace tess::stream
