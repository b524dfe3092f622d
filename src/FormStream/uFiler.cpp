// The value layer of binary form streams.
#include "FormStream/uFiler.h"

#include <algorithm>
#include <cstring>

#include "Shared/Common/uEncoding.h"

namespace tess::stream {

using common::Cp1252ToUtf16;
using common::Utf16ToCp1252;
using common::Utf16ToUtf8;
using common::Utf8ToUtf16;

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

[[noreturn]] void InvalidValue() { throw EReadError(std::u16string(kInvalidPropertyValue)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TReader

TReader::TReader(TStream& AStream) : FStream(AStream) {
  FStreamPos = FStream.Position();
  FStreamSize = std::max(FStream.Size(), FStreamPos);
}

TReader::~TReader() {
  // Give back what was buffered but not consumed, so that whoever reads on finds the next byte.
  if (FEnd > FPos) {
    try {
      FStream.Seek(FPos - FEnd, TSeekOrigin::soCurrent);
    } catch (const common::Exception&) {}
  }
}

void TReader::FillBuffer() {
  const int64_t count = FStream.Read(FBuffer.data(), kFilerBufferSize);
  if (count <= 0) throw EReadError(std::u16string(kStreamReadError));
  FStreamPos += count;
  FPos = 0;
  FEnd = static_cast<int>(count);
}

void TReader::Read(void* ABuffer, int64_t ACount) {
  auto* target = static_cast<uint8_t*>(ABuffer);
  while (ACount > 0) {
    if (FPos == FEnd) {
      if (ACount >= kFilerBufferSize) {
        const int64_t count = FStream.Read(target, ACount);
        if (count <= 0) throw EReadError(std::u16string(kStreamReadError));
        FStreamPos += count;
        target += count;
        ACount -= count;
        continue;
      }
      FillBuffer();
    }
    const int64_t chunk = std::min<int64_t>(ACount, FEnd - FPos);
    std::memcpy(target, FBuffer.data() + FPos, static_cast<size_t>(chunk));
    FPos += static_cast<int>(chunk);
    target += chunk;
    ACount -= chunk;
  }
}

template <typename T>
T TReader::ReadRaw() {
  uint8_t bytes[sizeof(T)];
  if (FEnd - FPos >= static_cast<int>(sizeof(T))) {
    std::memcpy(bytes, FBuffer.data() + FPos, sizeof(T));
    FPos += static_cast<int>(sizeof(T));
  } else {
    Read(bytes, sizeof(T));
  }
  // Little-endian on disk; assembling byte by byte keeps this right on any host.
  using U = std::conditional_t<
      sizeof(T) == 1, uint8_t,
      std::conditional_t<sizeof(T) == 2, uint16_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U value = 0;
  for (size_t i = sizeof(T); i-- > 0;) value = static_cast<U>((value << 8) | bytes[i]);
  T result;
  std::memcpy(&result, &value, sizeof(T));
  return result;
}

std::string TReader::ReadBytes(int64_t ACount) {
  std::string bytes(static_cast<size_t>(ACount), '\0');
  Read(bytes.data(), ACount);
  return bytes;
}

int32_t TReader::ReadLength(int AUnitSize) {
  const int32_t length = ReadRaw<int32_t>();
  if (length < 0 || static_cast<int64_t>(length) * AUnitSize > Remaining())
    throw EReadError(std::u16string(kStreamReadError));
  return length;
}

void TReader::ReadSignature() {
  char signature[4];
  Read(signature, 4);
  if (std::memcmp(signature, kSignature, 4) != 0) throw EReadError(std::u16string(kInvalidStreamFormat));
}

void TReader::CheckValue(TValueType AValue) {
  if (ReadValue() != AValue) InvalidValue();
}

void TReader::ReadPrefix(TFilerFlags& AFlags, int32_t& AChildPos) {
  AFlags = 0;
  AChildPos = 0;
  if (PeekByte() < 0xF0) return;
  AFlags = ReadByte() & 0x0F;
  if ((AFlags & ffChildPos) != 0) AChildPos = ReadInteger();
}

std::string TReader::ReadStrBytes() {
  const uint8_t length = ReadByte();
  return ReadBytes(length);
}

std::u16string TReader::ReadStr() { return Utf8ToUtf16(ReadStrBytes()); }

int32_t TReader::ReadIntegerOf(TValueType AType) {
  switch (AType) {
    case TValueType::vaInt8: return ReadRaw<int8_t>();
    case TValueType::vaInt16: return ReadRaw<int16_t>();
    case TValueType::vaInt32: return ReadRaw<int32_t>();
    default: InvalidValue();
  }
}

int32_t TReader::ReadInteger() { return ReadIntegerOf(ReadValue()); }

int64_t TReader::ReadInt64() {
  const TValueType type = ReadValue();
  if (type == TValueType::vaInt64) return ReadRaw<int64_t>();
  return ReadIntegerOf(type);
}

TExtended TReader::ReadExtendedBytes() {
  TExtendedBytes bytes;
  Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  return ExtendedFromBytes(bytes);
}

TExtended TReader::ReadFloat() {
  const TValueType type = NextValue();
  if (type == TValueType::vaExtended) {
    ReadValue();
    return ReadExtendedBytes();
  }
  return ReadDouble();
}

double TReader::ReadDouble() {
  const TValueType type = ReadValue();
  if (type == TValueType::vaDouble) return ReadRaw<double>();
  return ReadIntegerOf(type);
}

float TReader::ReadSingle() {
  const TValueType type = ReadValue();
  if (type == TValueType::vaSingle) return ReadRaw<float>();
  return static_cast<float>(ReadIntegerOf(type));
}

double TReader::ReadDate() {
  const TValueType type = ReadValue();
  if (type == TValueType::vaDate) return ReadRaw<double>();
  return ReadIntegerOf(type);
}

int64_t TReader::ReadCurrency() {
  const TValueType type = ReadValue();
  if (type == TValueType::vaCurrency) return ReadRaw<int64_t>();
  return static_cast<int64_t>(ReadIntegerOf(type)) * 10000;
}

std::u16string TReader::ReadString() {
  switch (NextValue()) {
    case TValueType::vaString: ReadValue(); return Cp1252ToUtf16(ReadStrBytes());
    case TValueType::vaLString: ReadValue(); return Cp1252ToUtf16(ReadBytes(ReadLength()));
    case TValueType::vaWString:
    case TValueType::vaUTF8String: return ReadWideString();
    default: ReadValue(); InvalidValue();
  }
}

std::u16string TReader::ReadWideString() {
  switch (NextValue()) {
    case TValueType::vaWString: {
      ReadValue();
      const int32_t length = ReadLength(2);
      std::u16string text(static_cast<size_t>(length), u'\0');
      for (auto& unit : text) unit = static_cast<char16_t>(ReadRaw<uint16_t>());
      return text;
    }
    case TValueType::vaUTF8String: ReadValue(); return Utf8ToUtf16(ReadBytes(ReadLength()));
    case TValueType::vaString:
    case TValueType::vaLString: return ReadString();
    default: ReadValue(); InvalidValue();
  }
}

std::u16string TReader::ReadIdent() {
  switch (ReadValue()) {
    case TValueType::vaIdent: return ReadStr();
    case TValueType::vaFalse: return u"False";
    case TValueType::vaTrue: return u"True";
    case TValueType::vaNil: return u"nil";
    case TValueType::vaNull: return u"Null";
    default: InvalidValue();
  }
}

// ---------------------------------------------------------------------------------------------
// TWriter

TWriter::~TWriter() {
  // A destructor must not throw; callers that care about a failing disk call FlushBuffer first.
  try {
    FlushBuffer();
  } catch (const common::Exception&) {}
}

void TWriter::FlushBuffer() {
  if (FPos == 0) return;
  const int count = FPos;
  FPos = 0;
  FStream.Write(FBuffer.data(), count);
}

void TWriter::Write(const void* ABuffer, size_t ACount) {
  if (ACount > static_cast<size_t>(kFilerBufferSize - FPos)) {
    FlushBuffer();
    if (ACount >= static_cast<size_t>(kFilerBufferSize)) {
      FStream.Write(ABuffer, static_cast<int64_t>(ACount));
      return;
    }
  }
  std::memcpy(FBuffer.data() + FPos, ABuffer, ACount);
  FPos += static_cast<int>(ACount);
}

template <typename T>
void TWriter::WriteRaw(T AValue) {
  using U = std::conditional_t<
      sizeof(T) == 1, uint8_t,
      std::conditional_t<sizeof(T) == 2, uint16_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U value;
  std::memcpy(&value, &AValue, sizeof(T));
  uint8_t bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  Write(bytes, sizeof(T));
}

void TWriter::WriteLength(size_t ALength) {
  if (ALength > static_cast<size_t>(INT32_MAX)) throw EFilerError(u"Value too large for a form stream");
  WriteRaw<int32_t>(static_cast<int32_t>(ALength));
}

void TWriter::WriteSignature() { Write(kSignature, 4); }

void TWriter::WritePrefix(TFilerFlags AFlags, int32_t AChildPos) {
  if (AFlags == 0) return;
  WriteByte(static_cast<uint8_t>(0xF0 | AFlags));
  if ((AFlags & ffChildPos) != 0) WriteInteger(AChildPos);
}

void TWriter::WriteShortString(std::string_view ABytes) {
  const size_t length = std::min<size_t>(ABytes.size(), 255);
  WriteByte(static_cast<uint8_t>(length));
  Write(ABytes.data(), length);
}

void TWriter::WriteStr(std::u16string_view AText) { WriteShortString(Utf16ToCp1252(AText)); }

void TWriter::WriteUTF8Str(std::u16string_view AText) { WriteShortString(Utf16ToUtf8(AText)); }

namespace {

bool SameAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

void TWriter::WriteIdent(std::string_view AUtf8Name) {
  if (SameAscii(AUtf8Name, "False")) return WriteValue(TValueType::vaFalse);
  if (SameAscii(AUtf8Name, "True")) return WriteValue(TValueType::vaTrue);
  if (SameAscii(AUtf8Name, "Null")) return WriteValue(TValueType::vaNull);
  if (SameAscii(AUtf8Name, "nil")) return WriteValue(TValueType::vaNil);
  WriteValue(TValueType::vaIdent);
  WriteShortString(AUtf8Name);
}

void TWriter::WriteIdent(std::u16string_view AName) { WriteIdent(std::string_view(Utf16ToUtf8(AName))); }

void TWriter::WriteInteger(int32_t AValue) {
  if (AValue >= -128 && AValue <= 127) {
    WriteValue(TValueType::vaInt8);
    WriteRaw<int8_t>(static_cast<int8_t>(AValue));
  } else if (AValue >= -32768 && AValue <= 32767) {
    WriteValue(TValueType::vaInt16);
    WriteRaw<int16_t>(static_cast<int16_t>(AValue));
  } else {
    WriteValue(TValueType::vaInt32);
    WriteRaw<int32_t>(AValue);
  }
}

void TWriter::WriteInteger(int64_t AValue) {
  if (AValue >= INT32_MIN && AValue <= INT32_MAX) return WriteInteger(static_cast<int32_t>(AValue));
  WriteValue(TValueType::vaInt64);
  WriteRaw<int64_t>(AValue);
}

void TWriter::WriteFloat(TExtended AValue) {
  WriteValue(TValueType::vaExtended);
  const TExtendedBytes bytes = ExtendedToBytes(AValue);
  Write(bytes.data(), bytes.size());
}

void TWriter::WriteSingle(float AValue) {
  WriteValue(TValueType::vaSingle);
  WriteRaw<float>(AValue);
}

void TWriter::WriteCurrency(int64_t AValue) {
  WriteValue(TValueType::vaCurrency);
  WriteRaw<int64_t>(AValue);
}

void TWriter::WriteDate(double AValue) {
  WriteValue(TValueType::vaDate);
  WriteRaw<double>(AValue);
}

void TWriter::WriteDouble(double AValue) {
  WriteValue(TValueType::vaDouble);
  WriteRaw<double>(AValue);
}

namespace {

// A surrogate without its partner has no UTF-8 form; such text only survives as UTF-16.
bool HasLoneSurrogate(std::u16string_view AText) {
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t unit = AText[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return true;
  }
  return false;
}

}  // namespace

void TWriter::WriteString(std::u16string_view AText) {
  if (!HasLoneSurrogate(AText)) {
    const std::string utf8 = Utf16ToUtf8(AText);
    if (utf8.size() < 2 * AText.size()) {
      const bool ascii = std::none_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
      if (!ascii) {
        WriteValue(TValueType::vaUTF8String);
        WriteLength(utf8.size());
      } else if (utf8.size() > 255) {
        WriteValue(TValueType::vaLString);
        WriteLength(utf8.size());
      } else {
        WriteValue(TValueType::vaString);
        WriteByte(static_cast<uint8_t>(utf8.size()));
      }
      Write(utf8.data(), utf8.size());
      return;
    }
  }
  WriteValue(TValueType::vaWString);
  WriteLength(AText.size());
  for (const char16_t unit : AText) WriteRaw<uint16_t>(unit);
}

void TWriter::WriteBinary(const std::function<void(std::string& ABuffer)>& AProducer) {
  std::string buffer;
  AProducer(buffer);
  WriteValue(TValueType::vaBinary);
  WriteLength(buffer.size());
  Write(buffer.data(), buffer.size());
}

}  // namespace tess::stream
