// A form file whose opening the test holds back, to catch the program at a known point of a run.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tess::cli::testing {

// The test takes a write lease on the file: another process's open of it then waits in the kernel
// until the lease is let go (or the system's lease-break time, 45 s by default, runs out). Who
// waits shows in /proc/locks. The kernel's signal about it is ignored, so that it interrupts no
// wait of the test's threads.
class TLeaseGate {
public:
  explicit TLeaseGate(const std::filesystem::path& APath) {
    static const bool ignored = ::signal(kSignal, SIG_IGN) != SIG_ERR;
    FFd = ::open(APath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (FFd < 0 || ::fstat(FFd, &info) != 0) {
      FWhyNot = "cannot open " + APath.string() + ": " + std::strerror(errno);
      return;
    }
    FInode = std::to_string(info.st_ino);
    if (!ignored || ::fcntl(FFd, F_SETSIG, kSignal) != 0 || ::fcntl(FFd, F_SETLEASE, F_WRLCK) != 0)
      FWhyNot = "no lease on " + APath.string() + ": " + std::strerror(errno);
  }
  ~TLeaseGate() { Open(); }
  TLeaseGate(const TLeaseGate&) = delete;
  TLeaseGate& operator=(const TLeaseGate&) = delete;

  // Empty when the gate holds.
  const std::string& WhyNot() const { return FWhyNot; }

  // The process whose open waits at the gate; -1 when none came within ATimeout.
  pid_t WaitForOpener(std::chrono::milliseconds ATimeout) const {
    const auto deadline = std::chrono::steady_clock::now() + ATimeout;
    for (;;) {
      if (const pid_t opener = Opener(); opener > 0) return opener;
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Lets the waiting open, and every later one, go on.
  void Open() {
    if (FFd < 0) return;
    ::close(FFd);
    FFd = -1;
  }

private:
  static inline const int kSignal = SIGRTMIN + 5;

  // The lease of this process on the file is "N: LEASE ... PID MAJ:MIN:INODE ..."; an open that
  // waits for it is listed after it as "N: -> LEASE BREAKER ... PID ...".
  pid_t Opener() const {
    std::ifstream locks("/proc/locks");
    std::string ours;
    for (std::string line; std::getline(locks, line);) {
      std::istringstream fields(line);
      std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
      if (field.size() >= 6 && field[1] == "LEASE" && field[4] == std::to_string(::getpid()) &&
          field[5].ends_with(":" + FInode))
        ours = field[0];
      else if (!ours.empty() && field.size() >= 6 && field[0] == ours && field[1] == "->")
        return pid_t(std::stoi(field[5]));
    }
    return -1;
  }

  int FFd = -1;
  std::string FInode;
  std::string FWhyNot;
};

}  // namespace tess::cli::testing
