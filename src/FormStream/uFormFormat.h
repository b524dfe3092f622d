// How a form file is stored, and the resource headers in front of binary form streams.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FormStream/uStreams.h"

namespace tess::stream {

enum class FormFileFormat { fmtUnknown, fmtBinary, fmtText, fmtUTF8Text };

// What the user reads for a format: "Unknown", "Binary", "Text", "UTF8 Text".
std::u16string FormatName(FormFileFormat AFormat);

// Looks at the first four bytes from the current position and puts the position back.
FormFileFormat DetectFormFormat(TStream& AStream);
// The same for a file by name, for callers that need its format and nothing else: four bytes are
// read, without a buffer of their own and without seeking back. Raises EFileError when it cannot be
// opened.
FormFileFormat DetectFileFormat(const common::TFilePath& AFileName);
// The same for a file open for reading at its start; nothing when it cannot be read.
std::optional<FormFileFormat> DetectFormatOf(int AFileDescriptor);

// Skips the 16-bit or 32-bit resource header in front of a binary form stream, leaving the stream at
// the signature. Raises EReadError "Invalid stream format" when neither header is there, so a bare
// stream that DetectFormFormat calls binary is refused here.
void ReadResHeader(TStream& AStream);

// The headers in front of a stream of ADataSize bytes. The 16-bit one carries the name in the system
// code page, the 32-bit one in UTF-16; callers pass the name as it is to be stored (upper-cased).
void WriteResHeader16(TStream& AStream, std::u16string_view AName, uint32_t ADataSize);
void WriteResHeader32(TStream& AStream, std::u16string_view AName, uint32_t ADataSize);

}  // namespace tess::stream
