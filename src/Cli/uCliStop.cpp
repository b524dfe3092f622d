#include "Cli/uCliStop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace tess::cli {

namespace {

volatile std::sig_atomic_t GStopRequested = 0;
int GStopPipe[2] = {-1, -1};

void RequestStop(int) {
  const int saved = errno;
  GStopRequested = 1;
  if (GStopPipe[1] >= 0) {
    const char byte = 1;
    // Non-blocking: a full pipe already says what this byte would.
    [[maybe_unused]] const ssize_t written = ::write(GStopPipe[1], &byte, 1);
  }
  errno = saved;
}

}  // namespace

void InstallStopHandlers() {
  if (GStopPipe[0] >= 0) return;
  if (::pipe2(GStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) GStopPipe[0] = GStopPipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // Not restarted: an open that waits (a file whose opening another process holds back) must end
  // with the signal. The runner's reads and writes go on after EINTR by themselves.
  action.sa_flags = 0;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return GStopRequested != 0; }

int StopDescriptor() { return GStopPipe[0]; }

void IgnoreStopSignals() {
  ::signal(SIGINT, SIG_IGN);
  ::signal(SIGTERM, SIG_IGN);
}

}  // namespace tess::cli
