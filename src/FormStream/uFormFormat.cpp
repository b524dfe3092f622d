// Format detection and resource headers.
#include "FormStream/uFormFormat.h"

#include <cstring>
#include <string>

#include "FormStream/uFiler.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFileIO.h"

namespace tess::stream {

namespace {

// A 32-bit resource file opens with an empty entry that marks it as one.
constexpr uint8_t kEmptyResEntry[32] = {0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,
                                        0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};
constexpr uint8_t kRcDataType[4] = {0xFF, 0xFF, 0x0A, 0x00};

uint32_t LittleEndian32(const uint8_t* ABytes) {
  return static_cast<uint32_t>(ABytes[0]) | static_cast<uint32_t>(ABytes[1]) << 8 |
         static_cast<uint32_t>(ABytes[2]) << 16 | static_cast<uint32_t>(ABytes[3]) << 24;
}

void Put16(std::string& AOut, uint16_t AValue) {
  AOut.push_back(static_cast<char>(AValue & 0xFF));
  AOut.push_back(static_cast<char>(AValue >> 8));
}

void Put32(std::string& AOut, uint32_t AValue) {
  Put16(AOut, static_cast<uint16_t>(AValue & 0xFFFF));
  Put16(AOut, static_cast<uint16_t>(AValue >> 16));
}

// Reads as much of ACount as the stream has.
int64_t ReadUpTo(TStream& AStream, uint8_t* ABuffer, int64_t ACount) {
  int64_t total = 0;
  while (total < ACount) {
    const int64_t count = AStream.Read(ABuffer + total, ACount - total);
    if (count <= 0) break;
    total += count;
  }
  return total;
}

[[noreturn]] void InvalidFormat() { throw EReadError(std::u16string(kInvalidStreamFormat)); }

}  // namespace

std::u16string FormatName(FormFileFormat AFormat) {
  switch (AFormat) {
    case FormFileFormat::fmtBinary: return u"Binary";
    case FormFileFormat::fmtText: return u"Text";
    case FormFileFormat::fmtUTF8Text: return u"UTF8 Text";
    case FormFileFormat::fmtUnknown: break;
  }
  return u"Unknown";
}

FormFileFormat DetectFormFormat(TStream& AStream) {
  const int64_t start = AStream.Position();
  uint8_t bytes[4] = {0, 0, 0, 0};
  ReadUpTo(AStream, bytes, 4);
  AStream.SetPosition(start);

  const uint32_t signature = LittleEndian32(bytes);
  if (bytes[0] == 0xFF || signature == 0x30465054 || signature == 0) return FormFileFormat::fmtBinary;
  switch (bytes[0]) {
    case 9:
    case 11:
    case 13:
    case ' ':
    case 'I':
    case 'O':
    case 'i':
    case 'o': return FormFileFormat::fmtText;
    default: break;
  }
  if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return FormFileFormat::fmtUTF8Text;
  return FormFileFormat::fmtUnknown;
}

FormFileFormat DetectFileFormat(const common::TFilePath& AFileName) {
  const common::TFileDescriptor file(common::DDirectory::OpenRegular(AFileName, false));
  if (const std::optional<FormFileFormat> format = DetectFormatOf(file.Get())) return *format;
  // A file that cannot be read looks as an empty one does, as it does through a stream.
  TMemoryStream empty;
  return DetectFormFormat(empty);
}

std::optional<FormFileFormat> DetectFormatOf(int AFileDescriptor) {
  char head[4];
  const ssize_t count = common::ReadFull(AFileDescriptor, head, sizeof head);
  if (count < 0) return std::nullopt;
  TMemoryStream bytes(std::string(head, static_cast<size_t>(count)));
  return DetectFormFormat(bytes);
}

void ReadResHeader(TStream& AStream) {
  const int64_t start = AStream.Position();
  uint8_t buffer[256] = {};
  const int64_t count = ReadUpTo(AStream, buffer, 255);

  if (count > 32 && std::memcmp(buffer, kEmptyResEntry, 32) == 0) {
    AStream.SetPosition(start + 32);
    uint8_t header[256] = {};
    ReadUpTo(AStream, header, 255);
    if (std::memcmp(header + 8, kRcDataType, 4) != 0) InvalidFormat();
    AStream.SetPosition(start + 32 + static_cast<int64_t>(LittleEndian32(header + 4)));
    return;
  }
  if (buffer[0] == 0xFF && buffer[1] == 0x0A && buffer[2] == 0x00) {
    // The zero-filled buffer ends in a 0 byte, so the name always has an end.
    const size_t nameLength = std::strlen(reinterpret_cast<const char*>(buffer + 3));
    AStream.SetPosition(start + 10 + static_cast<int64_t>(nameLength));
    return;
  }
  InvalidFormat();
}

void WriteResHeader16(TStream& AStream, std::u16string_view AName, uint32_t ADataSize) {
  std::string header;
  header.push_back(static_cast<char>(0xFF));
  Put16(header, 10);
  header += common::Utf16ToCp1252(AName);
  header.push_back('\0');
  Put16(header, 0x1030);
  Put32(header, ADataSize);
  AStream.Write(header);
}

void WriteResHeader32(TStream& AStream, std::u16string_view AName, uint32_t ADataSize) {
  std::string header(reinterpret_cast<const char*>(kEmptyResEntry), sizeof kEmptyResEntry);
  Put32(header, ADataSize);
  Put32(header, static_cast<uint32_t>(30 + 2 * AName.size()));
  header.append(reinterpret_cast<const char*>(kRcDataType), sizeof kRcDataType);
  for (const char16_t unit : AName) Put16(header, unit);
  Put16(header, 0);       // name terminator
  Put32(header, 0);       // data version
  Put16(header, 0);       // memory flags
  Put16(header, 0x0409);  // language
  Put32(header, 0);       // version
  Put32(header, 0);       // characteristics
  AStream.Write(header);
}

}  // namespace tess::stream
