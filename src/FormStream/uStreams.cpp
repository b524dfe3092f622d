// Memory and file streams.
#include "FormStream/uStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <stdio.h>
#include <unistd.h>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFileIO.h"
#include "Shared/Common/uFormat.h"

namespace tess::stream {

using common::EFileError;
using common::Format;

namespace {

// The same wording as the rest of the system's file errors: what failed, on which file, and why.
[[noreturn]] void RaiseFileError(std::u16string_view AFormat, std::u16string_view AFileName, int AError) {
  char buffer[256];
  // GNU strerror_r returns the text, which need not be in the buffer.
  const std::u16string reason = common::Utf8ToUtf16(strerror_r(AError, buffer, sizeof buffer));
  throw EFileError(Format(AFormat, {AFileName, reason}));
}

}  // namespace

int64_t TMemoryStream::Read(void* ABuffer, int64_t ACount) {
  const int64_t available = Size() - FPosition;
  const int64_t count = std::clamp<int64_t>(ACount, 0, std::max<int64_t>(available, 0));
  if (count > 0) std::memcpy(ABuffer, FBytes.data() + FPosition, static_cast<size_t>(count));
  FPosition += count;
  return count;
}

void TMemoryStream::Write(const void* ABuffer, int64_t ACount) {
  if (ACount <= 0) return;
  if (FPosition == Size()) {
    // Appending, the common case: without filling the new room with zeros first.
    FBytes.append(static_cast<const char*>(ABuffer), static_cast<size_t>(ACount));
  } else {
    const auto end = static_cast<size_t>(FPosition + ACount);
    if (end > FBytes.size()) FBytes.resize(end);
    std::memcpy(FBytes.data() + FPosition, ABuffer, static_cast<size_t>(ACount));
  }
  FPosition += ACount;
}

void TMemoryStream::Adopt(std::string ABytes) {
  if (!FBytes.empty()) throw EFileError(u"Stream write error");
  FBytes = std::move(ABytes);
  FPosition = static_cast<int64_t>(FBytes.size());
}

int64_t TMemoryStream::Seek(int64_t AOffset, TSeekOrigin AOrigin) {
  int64_t base = 0;
  if (AOrigin == TSeekOrigin::soCurrent) base = FPosition;
  if (AOrigin == TSeekOrigin::soEnd) base = Size();
  // Offsets come from untrusted headers; an overflowing sum must not wrap into a valid position.
  if ((AOffset > 0 && base > INT64_MAX - AOffset) || base + AOffset < 0) throw EFileError(u"Stream seek error");
  FPosition = base + AOffset;
  return FPosition;
}

void WriteWholeFile(const common::TFilePath& AFileName, std::string_view ABytes) {
  common::TFileDescriptor file(common::DDirectory::OpenRegular(AFileName, true));
  int error = common::WriteAll(file.Get(), ABytes);
  if (const int closeError = file.Close(); error == 0) error = closeError;
  if (error != 0) RaiseFileError(u"Cannot write file \"%s\". %s", AFileName.Text(), error);
}

TFileStream::TFileStream(const common::TFilePath& AFileName, TFileMode AMode) : FFileName(AFileName.Text()) {
  const bool create = AMode == TFileMode::fmCreate;
  const int fd = common::DDirectory::OpenRegular(AFileName, create);
  FFile = ::fdopen(fd, create ? "w+b" : "rb");
  if (FFile == nullptr) {
    const int error = errno;
    ::close(fd);
    RaiseFileError(create ? u"Cannot create file \"%s\". %s" : u"Cannot open file \"%s\". %s", FFileName, error);
  }
}

TFileStream::~TFileStream() {
  if (FFile != nullptr) std::fclose(FFile);
}

void TFileStream::Close() {
  if (FFile == nullptr) return;
  std::FILE* file = FFile;
  FFile = nullptr;
  if (std::fclose(file) != 0) RaiseFileError(u"Cannot write file \"%s\". %s", FFileName, errno);
}

int64_t TFileStream::Read(void* ABuffer, int64_t ACount) {
  if (FFile == nullptr || ACount <= 0) return 0;
  return static_cast<int64_t>(std::fread(ABuffer, 1, static_cast<size_t>(ACount), FFile));
}

void TFileStream::Write(const void* ABuffer, int64_t ACount) {
  if (ACount <= 0) return;
  if (FFile == nullptr) RaiseFileError(u"Cannot write file \"%s\". %s", FFileName, EBADF);
  if (std::fwrite(ABuffer, 1, static_cast<size_t>(ACount), FFile) != static_cast<size_t>(ACount))
    RaiseFileError(u"Cannot write file \"%s\". %s", FFileName, errno);
}

int64_t TFileStream::Seek(int64_t AOffset, TSeekOrigin AOrigin) {
  if (FFile == nullptr) throw EFileError(u"Stream seek error");
  const int whence = AOrigin == TSeekOrigin::soBeginning ? SEEK_SET
                     : AOrigin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                         : SEEK_END;
  if (!(AOrigin == TSeekOrigin::soCurrent && AOffset == 0) && ::fseeko(FFile, AOffset, whence) != 0)
    throw EFileError(u"Stream seek error");
  return static_cast<int64_t>(::ftello(FFile));
}

int64_t TFileStream::Size() {
  const int64_t position = Position();
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  SetPosition(position);
  return size;
}

}  // namespace tess::stream
