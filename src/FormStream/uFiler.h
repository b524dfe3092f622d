// Reading and writing the values of binary form streams, through a buffer over a byte stream.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "FormStream/uExtended.h"
#include "FormStream/uStreams.h"
#include "Shared/Common/uException.h"

namespace tess::stream {

// The type byte in front of every value. Codes above vaDouble are invalid input, not enum values
// that the code ever names, but a TValueType may still hold one as read.
enum class TValueType : uint8_t {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble
};
constexpr int kLastValueType = static_cast<int>(TValueType::vaDouble);

// Bits of the prefix byte in front of an object.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };
using TFilerFlags = uint8_t;

// A failure while reading or writing a binary form stream.
class EFilerError : public common::Exception {
public:
  using Exception::Exception;
};
class EReadError : public EFilerError {
public:
  using EFilerError::EFilerError;
};

constexpr std::u16string_view kStreamReadError = u"Stream read error";
constexpr std::u16string_view kInvalidStreamFormat = u"Invalid stream format";
constexpr std::u16string_view kInvalidPropertyValue = u"Invalid property value";

constexpr int kFilerBufferSize = 4096;

// Reads values from the stream's current position. Every read past the end of the stream raises
// EReadError "Stream read error"; a value of the wrong type raises "Invalid property value".
// When the reader is destroyed the stream stands right after the last byte it consumed.
class TReader {
public:
  explicit TReader(TStream& AStream);
  ~TReader();
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Raises "Invalid stream format" unless the next four bytes are "TPF0".
  void ReadSignature();
  TValueType ReadValue() { return static_cast<TValueType>(ReadByte()); }
  TValueType NextValue() { return static_cast<TValueType>(PeekByte()); }
  bool EndOfList() { return PeekByte() == 0; }
  void CheckValue(TValueType AValue);
  void ReadPrefix(TFilerFlags& AFlags, int32_t& AChildPos);

  // A short string decoded as UTF-8, and the same as it is stored.
  std::u16string ReadStr();
  std::string ReadStrBytes();

  int32_t ReadInteger();
  int64_t ReadInt64();
  TExtended ReadFloat();
  float ReadSingle();
  double ReadDouble();
  double ReadDate();
  // The amount times 10000, as stored.
  int64_t ReadCurrency();
  std::u16string ReadString();
  std::u16string ReadWideString();
  std::u16string ReadIdent();

  // The payloads without their type byte, for callers that have already read it.
  int32_t ReadIntegerOf(TValueType AType);
  TExtended ReadExtendedBytes();
  // A 4-byte length; one larger than what is left of the input, or negative, raises
  // "Stream read error" before the caller allocates anything that size.
  int32_t ReadLength(int AUnitSize = 1);

  void Read(void* ABuffer, int64_t ACount);
  uint8_t ReadByte() {
    if (FPos == FEnd) FillBuffer();
    return FBuffer[FPos++];
  }
  uint8_t PeekByte() {
    if (FPos == FEnd) FillBuffer();
    return FBuffer[FPos];
  }
  // Bytes left in the input after what has been consumed.
  int64_t Remaining() const { return FStreamSize - FStreamPos + (FEnd - FPos); }

private:
  template <typename T>
  T ReadRaw();
  std::string ReadBytes(int64_t ACount);
  // Raises "Stream read error" when nothing is left.
  void FillBuffer();

  TStream& FStream;
  std::array<uint8_t, kFilerBufferSize> FBuffer{};
  int FPos = 0;
  int FEnd = 0;
  int64_t FStreamPos = 0;
  int64_t FStreamSize = 0;
};

// Writes values through a buffer that is flushed when full, by FlushBuffer and when the writer is
// destroyed. Callers that must know whether the bytes reached the stream call FlushBuffer.
class TWriter {
public:
  explicit TWriter(TStream& AStream) : FStream(AStream) {}
  ~TWriter();
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  void FlushBuffer();
  void Write(const void* ABuffer, size_t ACount);
  void WriteByte(uint8_t AByte) {
    if (FPos == kFilerBufferSize) FlushBuffer();
    FBuffer[static_cast<size_t>(FPos++)] = AByte;
  }

  void WriteSignature();
  void WriteValue(TValueType AValue) { WriteByte(static_cast<uint8_t>(AValue)); }
  void WriteListEnd() { WriteValue(TValueType::vaNull); }
  void WritePrefix(TFilerFlags AFlags, int32_t AChildPos);
  // Short strings; longer contents are cut to their first 255 bytes.
  void WriteStr(std::u16string_view AText);  // in the system code page
  void WriteShortString(std::string_view ABytes);
  void WriteUTF8Str(std::u16string_view AText);
  void WriteUTF8Str(std::string_view AUtf8) { WriteShortString(AUtf8); }
  void WriteIdent(std::u16string_view AName);
  void WriteIdent(std::string_view AUtf8Name);
  void WriteInteger(int32_t AValue);
  void WriteInteger(int64_t AValue);
  void WriteFloat(TExtended AValue);
  void WriteSingle(float AValue);
  // The amount times 10000.
  void WriteCurrency(int64_t AValue);
  void WriteDate(double AValue);
  void WriteDouble(double AValue);
  void WriteString(std::u16string_view AText);
  void WriteBinary(const std::function<void(std::string& ABuffer)>& AProducer);

private:
  template <typename T>
  void WriteRaw(T AValue);
  void WriteLength(size_t ALength);

  TStream& FStream;
  std::array<uint8_t, kFilerBufferSize> FBuffer{};
  int FPos = 0;
};

}  // namespace tess::stream
