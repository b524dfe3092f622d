// Descriptor-level file work shared by the placement, the file helpers and the command line's workers:
// one owner for a descriptor, and the loops that read or write past short counts and interruptions.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tess::common {

// Owns one open descriptor (or none, -1) and closes it exactly once.
class TFileDescriptor {
public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int AFd) : FFd(AFd) {}
  ~TFileDescriptor();
  TFileDescriptor(TFileDescriptor&& AOther) noexcept : FFd(AOther.Release()) {}
  TFileDescriptor& operator=(TFileDescriptor&& AOther) noexcept;
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Get() const { return FFd; }
  bool IsOpen() const { return FFd >= 0; }
  // Hands the descriptor to the caller, who closes it.
  int Release();
  // Closes it now: 0, or the error number close gave (a delayed write error shows here).
  int Close();

private:
  int FFd = -1;
};

// Writes every byte, past short writes and interruptions: 0, or the error number.
int WriteAll(int AFd, std::string_view ABytes);

// Reads ACount bytes, fewer only at the end of the file: the count, or -1 with errno set.
ssize_t ReadFull(int AFd, char* ABuffer, size_t ACount);

// Appends everything up to the end of the file to ABytes: 0, or the error number. Reserve the
// expected size plus one beforehand and a regular file takes two reads.
int ReadToEnd(int AFd, std::string& ABytes);

// Puts the contents of the named regular files on disk together, and says for each whether it got
// there: one flush of each file system they lie on, where a flush of each file would wait for the
// disk once per file. The flush takes whatever else of that file system is not yet on disk too.
std::vector<bool> FlushTogether(const std::vector<const char*>& APaths);

}  // namespace tess::common
