// Byte streams with a position: the files and memory buffers that the form stream conversions read and write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "Shared/Common/uException.h"
#include "Shared/Common/uFilePath.h"

namespace tess::stream {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to ACount bytes and returns how many were read; 0 at the end.
  virtual int64_t Read(void* ABuffer, int64_t ACount) = 0;
  // Writes all ACount bytes or raises EFileError.
  virtual void Write(const void* ABuffer, int64_t ACount) = 0;
  // Returns the new position. A position before the start raises EFileError; one past the end is
  // allowed, reads there return nothing.
  virtual int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) = 0;
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t APosition) { Seek(APosition, TSeekOrigin::soBeginning); }
  void Write(std::string_view ABytes) { Write(ABytes.data(), static_cast<int64_t>(ABytes.size())); }
};

// A stream over bytes held in memory; writing past the end grows it.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string ABytes) : FBytes(std::move(ABytes)) {}

  int64_t Read(void* ABuffer, int64_t ACount) override;
  void Write(const void* ABuffer, int64_t ACount) override;
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override;
  int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }
  using TStream::Write;

  const std::string& Bytes() const { return FBytes; }
  std::string TakeBytes() {
    FPosition = 0;
    return std::move(FBytes);
  }
  // What writing ABytes into the empty stream leaves, without copying them: the bytes, the position
  // at their end. Raises EFileError on a stream that holds bytes already.
  void Adopt(std::string ABytes);

private:
  std::string FBytes;
  int64_t FPosition = 0;
};

enum class TFileMode { fmOpenRead, fmCreate };

// A file opened for reading, or created (truncating an existing one) for writing.
class TFileStream : public TStream {
public:
  // Raises EFileError when the file cannot be opened or created.
  TFileStream(const common::TFilePath& AFileName, TFileMode AMode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* ABuffer, int64_t ACount) override;
  void Write(const void* ABuffer, int64_t ACount) override;
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override;
  int64_t Size() override;
  using TStream::Write;

  // Writes what the C library still holds; raises EFileError when the disk refuses it.
  void Close();

private:
  std::u16string FFileName;  // for messages
  std::FILE* FFile = nullptr;
};

// Creates a regular file (truncating an existing one) holding ABytes, written in one go and not
// flushed: for a transformation's output, which its placement puts on disk. Raises EFileError as
// TFileStream does.
void WriteWholeFile(const common::TFilePath& AFileName, std::string_view ABytes);

}  // namespace tess::stream
