// tessarine-cli: the batch runs of the desktop program for scripts, build servers and machines without a display.
#include <csignal>
#include <cstdio>
#include <iostream>

#include "Cli/uCliCommands.h"
#include "Cli/uCliOptions.h"

int main(int argc, char** argv) {
  using namespace tess::cli;
  // A reader that goes away (a pipe into head) or a worker that dies must not end the program
  // with a signal in the middle of placing a file; the failed write is reported instead.
  std::signal(SIGPIPE, SIG_IGN);
  TCliOptions options;
  if (const int status = ParseCommandLine(argc, argv, options, std::cout, std::cerr); status >= 0) return status;
  try {
    return RunCommand(options);
  } catch (const EUsageError& error) {
    std::fflush(stdout);
    PrintUsageError(std::cerr, error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::cerr << "tessarine-cli: " << error.what() << "\n";
    return 1;
  }
}
