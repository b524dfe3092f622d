#include "Shared/Common/uFileIO.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace tess::common {

namespace {

ssize_t ReadSome(int AFd, char* ABuffer, size_t ACount) {
  for (;;) {
    const ssize_t count = ::read(AFd, ABuffer, ACount);
    if (count >= 0 || errno != EINTR) return count;
  }
}

}  // namespace

TFileDescriptor::~TFileDescriptor() {
  if (FFd >= 0) ::close(FFd);
}

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& AOther) noexcept {
  if (this != &AOther) {
    if (FFd >= 0) ::close(FFd);
    FFd = AOther.Release();
  }
  return *this;
}

int TFileDescriptor::Release() { return std::exchange(FFd, -1); }

int TFileDescriptor::Close() {
  if (FFd < 0) return 0;
  // The descriptor is gone whatever close says, so it is never closed twice.
  return ::close(Release()) == 0 ? 0 : errno;
}

int WriteAll(int AFd, std::string_view ABytes) {
  while (!ABytes.empty()) {
    const ssize_t written = ::write(AFd, ABytes.data(), ABytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    // Nothing written for a non-empty request: no room will come by asking again.
    if (written == 0) return EIO;
    ABytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

ssize_t ReadFull(int AFd, char* ABuffer, size_t ACount) {
  size_t done = 0;
  while (done < ACount) {
    const ssize_t count = ReadSome(AFd, ABuffer + done, ACount - done);
    if (count < 0) return count;
    if (count == 0) break;
    done += static_cast<size_t>(count);
  }
  return static_cast<ssize_t>(done);
}

int ReadToEnd(int AFd, std::string& ABytes) {
  // Read straight into the string: a caller that reserved the file's size plus one byte gets the
  // whole file in one read and its end in a second one.
  size_t length = ABytes.size();
  for (;;) {
    if (ABytes.capacity() == length) ABytes.reserve(std::max<size_t>(2 * length, 65536));
    ABytes.resize(ABytes.capacity());
    const ssize_t count = ReadSome(AFd, ABytes.data() + length, ABytes.size() - length);
    const int error = count < 0 ? errno : 0;
    if (count <= 0) {
      ABytes.resize(length);
      return error;
    }
    length += static_cast<size_t>(count);
  }
}

}  // namespace tess::common
