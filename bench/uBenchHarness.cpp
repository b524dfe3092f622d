// The measuring machinery of the speed benchmark.
#include "uBenchHarness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <stdexcept>

namespace tess::bench {

namespace {

double ClockSeconds(clockid_t AClock) {
  timespec now{};
  clock_gettime(AClock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
}

// What the child sends back through its pipe; the peak comes from wait4, the rest from here.
struct TChildReport {
  double CpuSeconds = 0;
  double WallSeconds = 0;
  int64_t StartResident = 0;
  int Failed = 0;
  char Error[512] = {};
};

bool WriteAll(int AFd, const void* AData, size_t ASize) {
  const char* data = static_cast<const char*>(AData);
  while (ASize > 0) {
    const ssize_t written = ::write(AFd, data, ASize);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    ASize -= static_cast<size_t>(written);
  }
  return true;
}

bool ReadAll(int AFd, void* AData, size_t ASize) {
  char* data = static_cast<char*>(AData);
  while (ASize > 0) {
    const ssize_t got = ::read(AFd, data, ASize);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    ASize -= static_cast<size_t>(got);
  }
  return true;
}

void RunChild(int AFd, int ARuns, const std::function<uint64_t()>& AWork) {
  TChildReport report;
  report.StartResident = ResidentBytes();
  try {
    std::vector<double> cpu, wall;
    for (int run = 0; run < ARuns; ++run) {
      const double wallStart = WallSeconds();
      const double cpuStart = ThreadSeconds();
      const uint64_t produced = AWork();
      cpu.push_back(ThreadSeconds() - cpuStart);
      wall.push_back(WallSeconds() - wallStart);
      if (produced == 0) throw std::runtime_error("the path produced no output");
    }
    report.CpuSeconds = Median(cpu);
    report.WallSeconds = Median(wall);
  } catch (const std::exception& e) {
    report.Failed = 1;
    std::snprintf(report.Error, sizeof report.Error, "%s", e.what());
  }
  WriteAll(AFd, &report, sizeof report);
}

std::string Fixed(double AValue, int ADecimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", ADecimals, AValue);
  return text;
}

std::string PadRight(std::string AText, size_t AWidth) {
  if (AText.size() < AWidth) AText.append(AWidth - AText.size(), ' ');
  return AText;
}

std::string PadLeft(std::string AText, size_t AWidth) {
  if (AText.size() < AWidth) AText.insert(0, AWidth - AText.size(), ' ');
  return AText;
}

}  // namespace

double ThreadSeconds() { return ClockSeconds(CLOCK_THREAD_CPUTIME_ID); }

double WallSeconds() { return ClockSeconds(CLOCK_MONOTONIC); }

double Median(std::vector<double> AValues) {
  if (AValues.empty()) return 0;
  std::sort(AValues.begin(), AValues.end());
  const size_t middle = AValues.size() / 2;
  if (AValues.size() % 2 == 1) return AValues[middle];
  return (AValues[middle - 1] + AValues[middle]) / 2;
}

TMeasure MeasureInChild(int ARuns, const std::function<uint64_t()>& AWork) {
  TMeasure measure;
  int fds[2];
  if (::pipe(fds) != 0) {
    measure.Failed = true;
    measure.Error = std::string("pipe: ") + std::strerror(errno);
    return measure;
  }
  std::fflush(nullptr);  // or the child would print what the parent still buffers
  const pid_t child = ::fork();
  if (child < 0) {
    measure.Failed = true;
    measure.Error = std::string("fork: ") + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return measure;
  }
  if (child == 0) {
    ::close(fds[0]);
    RunChild(fds[1], ARuns, AWork);
    ::close(fds[1]);
    std::fflush(nullptr);
    ::_exit(0);
  }
  ::close(fds[1]);
  TChildReport report;
  const bool reported = ReadAll(fds[0], &report, sizeof report);
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {}
  if (!reported || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    measure.Failed = true;
    measure.Error = WIFSIGNALED(status) ? "the child died of signal " + std::to_string(WTERMSIG(status))
                                        : std::string("the child reported nothing");
    return measure;
  }
  measure.CpuSeconds = report.CpuSeconds;
  measure.WallSeconds = report.WallSeconds;
  measure.PeakBytes = std::max<int64_t>(0, static_cast<int64_t>(usage.ru_maxrss) * 1024 - report.StartResident);
  measure.Failed = report.Failed != 0;
  measure.Error = report.Error;
  return measure;
}

namespace {

// Starts AArgs[0] with standard output thrown away: its process id, or -1.
pid_t Spawn(const std::vector<std::string>& AArgs) {
  std::vector<char*> argv;
  for (const std::string& arg : AArgs) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// What an ended process used; the wall-clock time runs from AStart.
void Record(int AStatus, const rusage& AUsage, double AStart, TProcessRun& ARun) {
  ARun.WallSeconds = WallSeconds() - AStart;
  ARun.CpuSeconds = static_cast<double>(AUsage.ru_utime.tv_sec + AUsage.ru_stime.tv_sec) +
                    static_cast<double>(AUsage.ru_utime.tv_usec + AUsage.ru_stime.tv_usec) * 1e-6;
  ARun.PeakBytes = static_cast<int64_t>(AUsage.ru_maxrss) * 1024;
  ARun.ExitCode = WIFEXITED(AStatus) ? WEXITSTATUS(AStatus) : -1;
}

}  // namespace

TProcessRun RunProcess(const std::vector<std::string>& AArgs) { return RunSideBySide({AArgs}).front(); }

std::vector<TProcessRun> RunSideBySide(const std::vector<std::vector<std::string>>& ACommands) {
  std::vector<TProcessRun> runs(ACommands.size());
  std::vector<pid_t> pids;
  const double start = WallSeconds();
  for (const auto& args : ACommands) pids.push_back(Spawn(args));
  size_t running = static_cast<size_t>(std::count_if(pids.begin(), pids.end(), [](pid_t APid) { return APid > 0; }));
  // Whichever ends first is reaped first, so that each gets its own time.
  while (running > 0) {
    int status = 0;
    rusage usage{};
    const pid_t pid = wait4(-1, &status, 0, &usage);
    if (pid < 0 && errno == EINTR) continue;
    if (pid < 0) break;
    const auto found = std::find(pids.begin(), pids.end(), pid);
    if (found == pids.end()) continue;
    Record(status, usage, start, runs[static_cast<size_t>(found - pids.begin())]);
    --running;
  }
  return runs;
}

double MBPerSecond(const TResultRow& ARow) {
  const double seconds = ARow.WallClock ? ARow.Measure.WallSeconds : ARow.Measure.CpuSeconds;
  if (ARow.Measure.Failed || seconds <= 0) return 0;
  return static_cast<double>(ARow.Bytes) / 1e6 / seconds;
}

std::string FormatTable(const std::vector<TResultRow>& ARows, double ABaselineMBs) {
  std::string table = PadRight("path", 27) + PadRight("what", 48) + PadLeft("MB in", 8) + PadLeft("MB/s", 10) +
                      PadLeft("x copy", 8) + PadLeft("peak MB", 9) + "\n";
  for (const TResultRow& row : ARows) {
    table += PadRight(row.Name, 27) + PadRight(row.What + (row.WallClock ? " (wall)" : ""), 48) +
             PadLeft(Fixed(static_cast<double>(row.Bytes) / 1e6, 1), 8);
    if (row.Measure.Failed) {
      table += "  FAILED: " + row.Measure.Error + "\n";
      continue;
    }
    const double rate = MBPerSecond(row);
    table += PadLeft(Fixed(rate, 1), 10) + PadLeft(Fixed(ABaselineMBs > 0 ? rate / ABaselineMBs : 0, 2), 8) +
             PadLeft(Fixed(static_cast<double>(row.Measure.PeakBytes) / 1e6, 1), 9) + "\n";
  }
  return table;
}

std::string FormatTsv(const std::vector<TResultRow>& ARows, double ABaselineMBs) {
  std::string lines;
  for (const TResultRow& row : ARows) {
    const double rate = MBPerSecond(row);
    lines += row.Name + "\t" + Fixed(rate, 2) + "\t" + Fixed(ABaselineMBs > 0 ? rate / ABaselineMBs : 0, 2) + "\t" +
             Fixed(static_cast<double>(row.Measure.PeakBytes) / 1e6, 2) + "\n";
  }
  return lines;
}

std::string FormatFactorTsv(const std::string& AName, double AFactor) {
  return AName + "\t" + Fixed(AFactor, 2) + "\n";
}

std::string SyntheticForm(int ATimes) {
  std::string text = "object SynthForm: TSynthForm\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Synthetic'\r\n";
  // 60 panels of about 1.7 KB make one block of about 100 KB.
  constexpr int kPanelsPerBlock = 60;
  const int panels = std::max(1, ATimes) * kPanelsPerBlock;
  for (int i = 0; i < panels; ++i) {
    const std::string n = std::to_string(i);
    text += "  object Panel" + n +
            ": TPanel\r\n"
            "    Left = " +
            std::to_string(i % 640) +
            "\r\n"
            "    Top = " +
            std::to_string(i % 480) +
            "\r\n"
            "    Width = 185\r\n    Height = -41\r\n"
            "    Caption = 'Panel number " +
            n +
            " of the synthetic form'\r\n"
            "    Hint = 'first line'#13#10'second line'#9'tab'\r\n"
            "    Font.Style = [fsBold, fsItalic]\r\n"
            "    Font.Name = 'Segoe UI'\r\n"
            "    Align = alTop\r\n"
            "    Ratio = 1.500000000000000000\r\n"
            "    OnClick = Panel" +
            n +
            "Click\r\n"
            "    object List" +
            n +
            ": TListBox\r\n"
            "      Left = 4\r\n      Top = 4\r\n"
            "      Items.Strings = (\r\n";
    for (int line = 0; line < 12; ++line) {
      text += "        'list line " + std::to_string(line) + " of panel " + n + "'" + (line == 11 ? ")\r\n" : "\r\n");
    }
    text +=
        "      TabOrder = 0\r\n    end\r\n"
        "    object Grid" +
        n +
        ": TGrid\r\n"
        "      Columns = <\r\n";
    for (int column = 0; column < 3; ++column) {
      text += "        item\r\n          Title = 'Column " + std::to_string(column) +
              "'\r\n          Width = " + std::to_string(64 + column) + "\r\n        end" +
              (column == 2 ? ">\r\n" : "\r\n");
    }
    text += "      Glyph.Data = {\r\n";
    for (int row = 0; row < 6; ++row) {
      text += "        ";
      for (int byte = 0; byte < 32; ++byte) {
        static const char kHex[] = "0123456789ABCDEF";
        const int value = (i * 7 + row * 31 + byte * 13) & 0xFF;
        text += kHex[value >> 4];
        text += kHex[value & 15];
      }
      text += row == 5 ? "}\r\n" : "\r\n";
    }
    text += "    end\r\n  end\r\n";
  }
  return text + "end\r\n";
}

}  // namespace tess::bench
