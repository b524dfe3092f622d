// tessarine-cli: the batch runs of the desktop program for scripts, build servers and machines without a display.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "Cli/uCliCommands.h"
#include "Cli/uCliOptions.h"
#include "Cli/uCliReport.h"
#include "Shared/Common/uException.h"

namespace {

// What a shell shows for a program that a signal ended: the status of a writer whose reader went away.
constexpr int kReaderGoneStatus = 128 + SIGPIPE;

// A standard stream the caller closed would be the number of the next file opened, and the lines
// meant for it would go into a form file. Standard output then refuses every write, so that the
// run fails at its first line.
void OpenMissingStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
    if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tess::cli;
  OpenMissingStandardStreams();
  // A reader that goes away (a pipe into head) or a worker that dies must not end the program
  // with a signal in the middle of placing a file; the failed write is seen instead. A file-size
  // limit (ulimit -f) likewise fails the one write with "File too large" rather than the run.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    TCliOptions options;
    if (const int status = ParseCommandLine(argc, argv, options); status >= 0) return status;
    return RunCommand(options);
  } catch (const EOutputError& error) {
    // The files placed so far are whole; the reader who stopped listening is told nothing more.
    if (error.ReaderGone()) return kReaderGoneStatus;
    PrintDiagnostic(error.what());
    return 1;
  } catch (const EUsageError& error) {
    PrintUsageError(error.what());
    return 2;
  } catch (const tess::common::Exception& error) {
    PrintDiagnostic(error.Message());
    return 1;
  } catch (const std::exception& error) {
    PrintDiagnostic(error.what());
    return 1;
  }
}
