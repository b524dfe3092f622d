#include "Shared/Common/uFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
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

std::vector<bool> FlushTogether(const std::vector<const char*>& APaths) {
  std::map<dev_t, bool> deviceFlushed;
  std::vector<dev_t> devices(APaths.size(), 0);
  std::vector<bool> flushed(APaths.size(), false);
  for (size_t i = 0; i < APaths.size(); ++i) {
    struct stat info;
    if (::lstat(APaths[i], &info) != 0 || !S_ISREG(info.st_mode)) continue;
    devices[i] = info.st_dev;
    flushed[i] = true;
    if (deviceFlushed.contains(info.st_dev)) continue;
    const TFileDescriptor file(::open(APaths[i], O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    deviceFlushed[info.st_dev] = file.IsOpen() && ::syncfs(file.Get()) == 0;
  }
  for (size_t i = 0; i < APaths.size(); ++i) flushed[i] = flushed[i] && deviceFlushed[devices[i]];
  return flushed;
}

}  // namespace tess::common
