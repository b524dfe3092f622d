// The measuring machinery of the speed benchmark: timed runs in a child process, medians, the printed
// table and tab-separated lines, and the synthetic form the growth figures are taken on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tess::bench {

// Seconds of processor time the calling thread has used; the figures the single-threaded paths are
// judged on, because two cores shared with other work make wall-clock time too noisy.
double ThreadSeconds();
// Seconds on a monotonic clock.
double WallSeconds();

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> AValues);

// What one path measured: the medians of its timed runs and the peak memory of the process that ran it.
struct TMeasure {
  double CpuSeconds = 0;
  double WallSeconds = 0;
  // The resident set the path added on top of what the process held when it started (the corpus in
  // memory), in bytes: the high-water mark of the child minus its resident set at the fork.
  int64_t PeakBytes = 0;
  bool Failed = false;
  std::string Error;
};

// Runs AWork ARuns times in a forked child, so that each path's peak memory is its own and a path that
// crashes or raises cannot take the others with it. AWork returns a count of bytes produced, summed so
// that the work cannot be optimised away; a run that produces nothing is reported as a failure.
TMeasure MeasureInChild(int ARuns, const std::function<uint64_t()>& AWork);

// One run of a command line: its wall-clock time and the resources the finished process used.
struct TProcessRun {
  double WallSeconds = 0;
  double CpuSeconds = 0;  // user and system time of the process and all its threads
  int64_t PeakBytes = 0;
  int ExitCode = -1;  // -1 when it could not be started or was killed
};

// Starts AArgs[0] (a path, not looked up) with standard output thrown away, and waits for it.
TProcessRun RunProcess(const std::vector<std::string>& AArgs);
// Starts every command at once and waits for all; each run's wall-clock time runs from the common
// start to its own end.
std::vector<TProcessRun> RunSideBySide(const std::vector<std::vector<std::string>>& ACommands);

// One line of the result.
struct TResultRow {
  std::string Name;
  std::string What;    // a few words for the table
  uint64_t Bytes = 0;  // input bytes one run reads
  TMeasure Measure;
  bool WallClock = false;  // judged on wall-clock time (the multi-process runs)
};

// Megabytes (10^6 bytes) per second of the row's judged time; 0 when it took no measurable time.
double MBPerSecond(const TResultRow& ARow);

// The human table: one row a path with its rate, ratio to the baseline rate and peak memory.
std::string FormatTable(const std::vector<TResultRow>& ARows, double ABaselineMBs);
// "name\tMB/s\tratio\tpeak MB", one line a row; the figures with two decimals.
std::string FormatTsv(const std::vector<TResultRow>& ARows, double ABaselineMBs);
// "name\tfactor", the line of one growth or speed-up factor.
std::string FormatFactorTsv(const std::string& AName, double AFactor);

// A form text of ATimes repeated blocks of about 100 KB together, each mixing what real forms hold:
// nested objects, integers, floats, sets, identifiers, quoted and coded strings, string lists,
// collections and hexadecimal data. Lines end in CR LF as the IDE writes them; plain Windows-1252.
std::string SyntheticForm(int ATimes);

}  // namespace tess::bench
