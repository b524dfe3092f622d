// Runs the built tessarine-cli as a user would: arguments, a working folder, and what it printed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tess::cli::testing {

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;

  // The lines of standard output, without their line breaks.
  std::vector<std::string> OutLines() const { return Split(Out); }
  std::vector<std::string> ErrLines() const { return Split(Err); }

  static std::vector<std::string> Split(const std::string& AText) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = AText.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(AText.substr(start, end - start));
    if (start < AText.size()) lines.push_back(AText.substr(start));
    return lines;
  }
};

// A test that acts while the program runs: it sees standard output as it arrives. A small pipe
// holds the program back: it cannot write more than OutPipeSize bytes that the test has not read,
// and it writes each file's lines before it starts the next file, so what the test has read
// bounds how far the run can have got.
struct TWatch {
  size_t OutPipeSize = 0;  // 0: the system's default
  // Called after each read with everything read so far.
  std::function<void(const std::string& AOut)> OnOut;

  // Where standard output goes other than to the test (TRun::Out then stays empty).
  enum class TTarget {
    toTest,
    toFile,      // OutFile, made or emptied ("/dev/full" refuses every write)
    toNoReader,  // a pipe whose reading end is closed before the program starts
    toClosed,    // no standard output at all
  };
  TTarget Target = TTarget::toTest;
  std::filesystem::path OutFile;
  // The largest file the program may write, as "ulimit -f" sets it; 0: no limit.
  size_t FileSizeLimit = 0;
};

// Starts AArgv (a program's path, then its arguments) in AFolder (the test's own folder when empty)
// and collects both outputs. The environment is the test's, so ScopedDataHome reaches the program.
inline TRun RunProgram(std::vector<std::string> AArgv, const std::filesystem::path& AFolder = {},
                       const TWatch& AWatch = {}) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
  if (AWatch.OutPipeSize > 0 && ::fcntl(out[0], F_SETPIPE_SZ, int(AWatch.OutPipeSize)) != int(AWatch.OutPipeSize)) {
    for (int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
    TRun refused;
    refused.Err = "cannot make the output pipe " + std::to_string(AWatch.OutPipeSize) + " bytes";
    return refused;
  }
  std::vector<std::string>& args = AArgv;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // posix_spawn rather than fork: the test process may hold the corpus in memory, and copying its
  // page tables for each of hundreds of runs would cost more than the runs.
  using TTarget = TWatch::TTarget;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string outFile = AWatch.OutFile.string();
  if (AWatch.Target == TTarget::toFile)
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  else if (AWatch.Target == TTarget::toClosed)
    posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
  else
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // Closed before the program can write: its first write finds no reader.
  if (AWatch.Target != TTarget::toTest) ::close(out[0]);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  const std::string folder = AFolder.string();
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // The child inherits the limit; the test lowers its own only while it starts the child.
  rlimit ownLimit{};
  const bool limited = AWatch.FileSizeLimit > 0 && ::getrlimit(RLIMIT_FSIZE, &ownLimit) == 0;
  if (limited) {
    rlimit childLimit = ownLimit;
    childLimit.rlim_cur = rlim_t(AWatch.FileSizeLimit);
    ::setrlimit(RLIMIT_FSIZE, &childLimit);
  }
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  if (limited) ::setrlimit(RLIMIT_FSIZE, &ownLimit);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  TRun run;
  if (spawned != 0) {
    if (AWatch.Target == TTarget::toTest) ::close(out[0]);
    ::close(err[0]);
    run.Err = "cannot start " + args[0];
    return run;
  }
  // Both pipes are drained together: a program that fills one while the test waits on the other
  // would otherwise never end.
  pollfd fds[2] = {{AWatch.Target == TTarget::toTest ? out[0] : -1, POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.Out, &run.Err};
  int open = AWatch.Target == TTarget::toTest ? 2 : 1;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
      if (count > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(count));
        if (i == 0 && AWatch.OnOut) AWatch.OnOut(run.Out);
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

// The built tessarine-cli with AArgs.
inline TRun RunCli(const std::vector<std::string>& AArgs, const std::filesystem::path& AFolder = {},
                   const TWatch& AWatch = {}) {
  std::vector<std::string> argv{TESS_CLI_PATH};
  argv.insert(argv.end(), AArgs.begin(), AArgs.end());
  return RunProgram(std::move(argv), AFolder, AWatch);
}

// A shell script, with the built tessarine-cli first on its PATH, as a user's hook or script runs it.
inline TRun RunShell(const std::string& AScript, const std::filesystem::path& AFolder = {}) {
  const std::string bin = std::filesystem::path(TESS_CLI_PATH).parent_path().string();
  return RunProgram({"/bin/sh", "-c", "PATH='" + bin + "':\"$PATH\"\n" + AScript}, AFolder);
}

inline std::string ReadFile(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& APath, const std::string& ABytes) {
  std::filesystem::create_directories(APath.parent_path());
  std::ofstream(APath, std::ios::binary) << ABytes;
}

// Every file below a folder with its content, by path relative to the folder: two trees compare
// equal exactly when they hold the same files byte for byte.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& AFolder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(AFolder))
    if (entry.is_regular_file())
      files[std::filesystem::relative(entry.path(), AFolder).string()] = ReadFile(entry.path());
  return files;
}

// The file names of a snapshot, for messages that would otherwise print whole files.
inline std::vector<std::string> Names(const std::map<std::string, std::string>& ASnapshot) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : ASnapshot) names.push_back(name);
  return names;
}

}  // namespace tess::cli::testing
