// tessarine-bench: the speed of every conversion and transformation path over the corpus, against the
// speed of copying the same bytes, with the peak memory of each path and the growth with the input size.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uScopeGuard.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"
#include "uBenchHarness.h"

namespace fs = std::filesystem;
using namespace tess;
using bench::TResultRow;

namespace {

struct TOptions {
  bool Tsv = false;
  int Runs = 5;
  fs::path Corpus = TESS_CORPUS_DIR;
  std::string Cli = TESS_CLI_PATH;
  bool RunCli = true;
  int CliFiles = 2000;
  int CliRuns = 3;
};

void Usage() {
  std::cout << "usage: tessarine-bench [--tsv] [--runs N] [--corpus DIR] [--cli PATH | --no-cli]\n"
               "                       [--cli-files N] [--cli-runs N]\n"
               "  --tsv        print tab-separated lines (name, MB/s, ratio to file copy, peak MB; then\n"
               "               name and factor for each growth and speed-up) instead of the tables\n"
               "  --runs N     timed runs per path, the median is reported (default 5)\n"
               "  --corpus DIR the corpus folder with text/ and binary/ (default the configured one)\n"
               "  --cli PATH   the tessarine-cli to time over a tree of files (default the built one)\n"
               "  --no-cli     leave out the command-line runs\n"
               "  --cli-files N  files in the tree the command-line runs go over (default 2000)\n"
               "  --cli-runs N   runs of each command line, the median is reported (default 3)\n";
}

bool ParseOptions(int argc, char** argv, TOptions& AOptions) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--tsv") AOptions.Tsv = true;
    else if (arg == "--runs") AOptions.Runs = std::max(1, std::stoi(value()));
    else if (arg == "--corpus") AOptions.Corpus = value();
    else if (arg == "--cli") AOptions.Cli = value();
    else if (arg == "--no-cli") AOptions.RunCli = false;
    else if (arg == "--cli-files") AOptions.CliFiles = std::max(1, std::stoi(value()));
    else if (arg == "--cli-runs") AOptions.CliRuns = std::max(1, std::stoi(value()));
    else if (arg == "-h" || arg == "--help") {
      Usage();
      std::exit(0);
    } else {
      throw std::runtime_error("unknown option " + arg);
    }
  }
  return true;
}

struct TFile {
  std::string Name;
  std::string Bytes;
};

std::string ReadWhole(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + APath.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<TFile> LoadFolder(const fs::path& AFolder) {
  std::vector<TFile> files;
  for (const auto& entry : fs::directory_iterator(AFolder))
    if (entry.is_regular_file()) files.push_back({entry.path().filename().string(), ReadWhole(entry.path())});
  std::sort(files.begin(), files.end(), [](const TFile& A, const TFile& B) { return A.Name < B.Name; });
  return files;
}

uint64_t TotalBytes(const std::vector<TFile>& AFiles) {
  uint64_t total = 0;
  for (const TFile& file : AFiles) total += file.Bytes.size();
  return total;
}

std::string ResourceToText(const std::string& ABytes) {
  stream::TMemoryStream input(ABytes), output;
  stream::ResourceToFormText(input, output);
  return output.TakeBytes();
}

std::string TextToResource(const std::string& AText) {
  stream::TMemoryStream input(AText), output;
  stream::FormTextToResource(input, output);
  return output.TakeBytes();
}

// The four edits of the transformation path: properties most forms hold, so that every file changes.
std::vector<std::unique_ptr<transform::TTransformAction>> RemoveActions() {
  std::vector<std::unique_ptr<transform::TTransformAction>> actions;
  for (const char16_t* name : {u"TabOrder", u"Hint", u"ImageIndex", u"Font.Color"}) {
    auto action = std::make_unique<transform::TRemovePropertyAction>();
    action->SetPropName(name);
    actions.push_back(std::move(action));
  }
  return actions;
}

void WriteWhole(const fs::path& APath, const std::string& ABytes) {
  std::FILE* file = std::fopen(APath.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + APath.string());
  const bool written = std::fwrite(ABytes.data(), 1, ABytes.size(), file) == ABytes.size();
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + APath.string());
}

void ReadWithStdio(const fs::path& APath, std::string& ABuffer) {
  std::FILE* file = std::fopen(APath.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + APath.string());
  ABuffer.resize(static_cast<size_t>(fs::file_size(APath)));
  const size_t got = std::fread(ABuffer.data(), 1, ABuffer.size(), file);
  std::fclose(file);
  if (got != ABuffer.size()) throw std::runtime_error("short read of " + APath.string());
}

// The median of ARuns runs of one command line, as a result row judged on wall-clock time.
TResultRow TimeCommand(const std::string& AName, const std::string& AWhat, uint64_t ABytes,
                       const std::vector<std::string>& AArgs, int ARuns, double& ACpuSeconds) {
  TResultRow row{AName, AWhat, ABytes, {}, true};
  std::vector<double> wall, cpu;
  for (int run = 0; run < ARuns; ++run) {
    const bench::TProcessRun result = bench::RunProcess(AArgs);
    if (result.ExitCode != 0) {
      row.Measure.Failed = true;
      row.Measure.Error = "exit code " + std::to_string(result.ExitCode);
      return row;
    }
    wall.push_back(result.WallSeconds);
    cpu.push_back(result.CpuSeconds);
    row.Measure.PeakBytes = std::max(row.Measure.PeakBytes, result.PeakBytes);
  }
  row.Measure.WallSeconds = bench::Median(wall);
  row.Measure.CpuSeconds = bench::Median(cpu);
  ACpuSeconds = row.Measure.CpuSeconds;
  return row;
}

struct TGrowth {
  std::string Name;
  double Seconds[3] = {0, 0, 0};  // at 1, 10 and 100 times the base size
  uint64_t Bytes[3] = {0, 0, 0};
  bool Failed = false;
};

// The command line over a tree of copies of the text corpus, end to end, one and two jobs. It runs
// before the corpus is read into memory: a started program's peak memory counts the resident memory
// of the process that started it, which is then a few megabytes rather than the corpus.
void MeasureCli(const TOptions& AOptions, const std::vector<fs::path>& ATexts, const fs::path& ATemp,
                std::vector<TResultRow>& ARows, std::vector<std::pair<std::string, double>>& ASpeedups) {
  if (AOptions.RunCli && !ATexts.empty()) {
    if (!AOptions.Tsv) std::cerr << "measuring tessarine-cli...\n";
    const fs::path tree = ATemp / "tree";
    uint64_t treeBytes = 0;
    for (int i = 0; i < AOptions.CliFiles; ++i) {
      const fs::path& file = ATexts[static_cast<size_t>(i) % ATexts.size()];
      const fs::path folder = tree / ("copy" + std::to_string(i / static_cast<int>(ATexts.size())));
      fs::create_directories(folder);
      fs::copy_file(file, folder / file.filename());
      treeBytes += fs::file_size(file);
    }
    transform::TManualTransform removal;
    for (auto& action : RemoveActions()) removal.AddAction(std::move(action));
    removal.SetCaption(u"Bench removal");
    removal.SetPath(common::Utf8ToUtf16(ATemp.string()));
    removal.SetFileName(u"remove4.xml");
    removal.Save();
    const std::string transformFile = (ATemp / "remove4.xml").string();
    // --dry-run does the whole work, the result written to a temporary file, and leaves the tree as it
    // was, so that every run starts from the same files.
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands{
        {"cli_apply", {AOptions.Cli, "apply", transformFile, "-r", tree.string(), "--dry-run", "-q"}},
        {"cli_to_binary", {AOptions.Cli, "convert", "--to", "binary", "-r", tree.string(), "--dry-run", "-q"}}};
    for (const auto& [name, args] : commands) {
      double seconds[2] = {0, 0};
      for (int jobs = 1; jobs <= 2; ++jobs) {
        std::vector<std::string> withJobs = args;
        withJobs.push_back("-j");
        withJobs.push_back(std::to_string(jobs));
        double cpu = 0;
        TResultRow row = TimeCommand(name + "_j" + std::to_string(jobs),
                                     std::to_string(AOptions.CliFiles) + " files, " + args[1] + " -j " +
                                         std::to_string(jobs),
                                     treeBytes, withJobs, AOptions.CliRuns, cpu);
        seconds[jobs - 1] = row.Measure.Failed ? 0 : row.Measure.WallSeconds;
        ARows.push_back(std::move(row));
      }
      ASpeedups.emplace_back("speedup." + name + ".j2_over_j1", seconds[1] > 0 ? seconds[0] / seconds[1] : 0);
    }
  }
}

// The form-text engine's memory: the peak of one load and print of the synthetic form at 1, 10 and 100
// times its base size, as rows, with the growth of that peak and the peak per input byte as factors.
void MeasureLoadPrintMemory(const TOptions& AOptions, std::vector<TResultRow>& ARows,
                            std::vector<std::pair<std::string, double>>& AFactors) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  const int sizes[3] = {1, 10, 100};
  double peaks[3] = {0, 0, 0};
  for (int s = 0; s < 3; ++s) {
    const std::string name = "load_print_memory_" + std::to_string(sizes[s]) + "x";
    if (!AOptions.Tsv) std::cerr << "measuring " << name << "...\n";
    const std::string text = bench::SyntheticForm(sizes[s]);
    const auto loadAndPrint = [&] { return uint64_t{helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(text)).size()}; };
    TResultRow row{name, "load and print once, synthetic form", text.size(),
                   bench::MeasureInChild(AOptions.Runs, loadAndPrint), false};
    peaks[s] = row.Measure.Failed ? 0 : static_cast<double>(row.Measure.PeakBytes);
    AFactors.emplace_back("memory." + name + ".bytes_per_input_byte", peaks[s] / static_cast<double>(text.size()));
    ARows.push_back(std::move(row));
  }
  AFactors.emplace_back("growth.load_print_memory.1x_to_10x", peaks[0] > 0 ? peaks[1] / peaks[0] : 0);
  AFactors.emplace_back("growth.load_print_memory.10x_to_100x", peaks[1] > 0 ? peaks[2] / peaks[1] : 0);
}

// Parentheses nested far past the depth a form may have: the text must be refused with the nesting
// message, quickly and in little memory. 100 and 400 KB of text, half of them "(" and half ")".
void MeasureNestedParentheses(const TOptions& AOptions, std::vector<TResultRow>& ARows) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  for (const size_t kilobytes : {size_t{100}, size_t{400}}) {
    const size_t depth = kilobytes * 1000 / 2;
    const std::string text = "object A: TA\r\n  P = " + std::string(depth, '(') + std::string(depth, ')') + "\r\nend\r\n";
    const std::string name = "nested_parens_" + std::to_string(kilobytes) + "kb";
    if (!AOptions.Tsv) std::cerr << "measuring " << name << "...\n";
    const auto loadRefused = [&] {
      try {
        helper.LoadObjectFromBytes(text);
      } catch (const formtext::ENestingError& error) {
        return uint64_t{error.Message().size()};
      }
      return uint64_t{0};  // loaded: counted as a failure of the path
    };
    ARows.push_back({name, "load refused: nested too deep", text.size(), bench::MeasureInChild(AOptions.Runs, loadRefused),
                     false});
  }
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  try {
    ParseOptions(argc, argv, options);
  } catch (const std::exception& e) {
    std::cerr << "tessarine-bench: " << e.what() << "\n";
    Usage();
    return 2;
  }

  const fs::path temp = fs::temp_directory_path() / ("tessarine-bench-" + std::to_string(getpid()));
  fs::remove_all(temp);
  fs::create_directories(temp);
  // Gone however the run ends, also when the corpus cannot be loaded.
  common::TScopeGuard removeTemp([&temp] {
    std::error_code ignored;
    fs::remove_all(temp, ignored);
  });
  std::vector<TResultRow> cliRows;
  std::vector<std::pair<std::string, double>> speedups;
  try {
    std::vector<fs::path> textPaths;
    for (const auto& entry : fs::directory_iterator(options.Corpus / "text"))
      if (entry.is_regular_file()) textPaths.push_back(entry.path());
    std::sort(textPaths.begin(), textPaths.end());
    MeasureCli(options, textPaths, temp, cliRows, speedups);
  } catch (const std::exception& e) {
    std::cerr << "tessarine-bench: " << e.what() << "\n";
    return 1;
  }

  // Everything is read and prepared before the first timed run; the children inherit it.
  std::vector<TFile> texts, binaries;
  try {
    texts = LoadFolder(options.Corpus / "text");
    binaries = LoadFolder(options.Corpus / "binary");
  } catch (const std::exception& e) {
    std::cerr << "tessarine-bench: " << e.what() << "\n";
    return 1;
  }
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  // Files a path refuses would time the error path; they are left out and counted.
  size_t leftOut = 0;
  std::vector<TFile> goodTexts, goodBinaries, binariesOfTexts;
  for (TFile& file : texts) {
    try {
      std::string binary = TextToResource(file.Bytes);
      helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(file.Bytes));
      binariesOfTexts.push_back({file.Name, std::move(binary)});
      goodTexts.push_back(std::move(file));
    } catch (const std::exception&) {
      ++leftOut;
    }
  }
  for (TFile& file : binaries) {
    try {
      ResourceToText(file.Bytes);
      goodBinaries.push_back(std::move(file));
    } catch (const std::exception&) {
      ++leftOut;
    }
  }
  std::vector<TFile> everyFile = goodTexts;
  everyFile.insert(everyFile.end(), goodBinaries.begin(), goodBinaries.end());
  size_t largest = 0;
  for (const TFile& file : everyFile) largest = std::max(largest, file.Bytes.size());

  fs::create_directories(temp / "src");
  fs::create_directories(temp / "dst");
  for (const TFile& file : goodTexts) WriteWhole(temp / "src" / file.Name, file.Bytes);

  const int runs = options.Runs;
  std::vector<TResultRow> rows;
  auto add = [&](std::string AName, std::string AWhat, uint64_t ABytes, const std::function<uint64_t()>& AWork) {
    if (!options.Tsv) std::cerr << "measuring " << AName << "...\n";
    rows.push_back({std::move(AName), std::move(AWhat), ABytes, bench::MeasureInChild(runs, AWork), false});
  };

  const uint64_t textBytes = TotalBytes(goodTexts);
  add("memory_copy", "copy the text corpus between buffers", textBytes, [&] {
    std::string target(largest, '\0');
    uint64_t sum = 0;
    for (const TFile& file : goodTexts) {
      std::memcpy(target.data(), file.Bytes.data(), file.Bytes.size());
      sum += static_cast<unsigned char>(target[file.Bytes.size() / 2]) + 1;
    }
    return sum;
  });
  add("file_copy", "read and write the text corpus as files", textBytes, [&] {
    std::string buffer;
    uint64_t sum = 0;
    for (const TFile& file : goodTexts) {
      ReadWithStdio(temp / "src" / file.Name, buffer);
      WriteWhole(temp / "dst" / file.Name, buffer);
      sum += buffer.size();
    }
    return sum;
  });
  std::vector<std::unique_ptr<stream::TMemoryStream>> detectStreams;
  for (const TFile& file : everyFile) detectStreams.push_back(std::make_unique<stream::TMemoryStream>(file.Bytes));
  add("detect", "DetectFormFormat over every file", TotalBytes(everyFile), [&] {
    uint64_t sum = 0;
    for (auto& input : detectStreams) {
      input->SetPosition(0);
      sum += static_cast<uint64_t>(stream::DetectFormFormat(*input)) + 1;
    }
    return sum;
  });
  add("bin_to_text", "ResourceToFormText, binary corpus", TotalBytes(goodBinaries), [&] {
    uint64_t sum = 0;
    for (const TFile& file : goodBinaries) sum += ResourceToText(file.Bytes).size();
    return sum;
  });
  add("bin_to_text_of_texts", "ResourceToFormText, binary forms of text corpus", TotalBytes(binariesOfTexts), [&] {
    uint64_t sum = 0;
    for (const TFile& file : binariesOfTexts) sum += ResourceToText(file.Bytes).size();
    return sum;
  });
  add("text_to_bin", "FormTextToResource, text corpus", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : goodTexts) sum += TextToResource(file.Bytes).size();
    return sum;
  });
  add("load_print", "LoadObjectFromBytes and the writer, text corpus", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : goodTexts) sum += helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(file.Bytes)).size();
    return sum;
  });
  // The steps TManualTransform::Execute takes between reading and writing the file, from memory so that
  // the figure compares with load_print.
  const auto actions = RemoveActions();
  add("transform_remove4", "load, four remove-property actions, print", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : goodTexts) {
      std::unique_ptr<doc::TDObject> root = helper.LoadObjectFromBytes(file.Bytes);
      for (const auto& action : actions) action->Process(*root);
      sum += helper.SaveObjectToBytes(*root).size();
    }
    return sum;
  });

  // Growth with the size of one form, on the synthetic form at 1, 10 and 100 times its base size.
  std::vector<TGrowth> growth{{"bin_to_text"}, {"text_to_bin"}, {"load_print"}};
  const int sizes[3] = {1, 10, 100};
  for (int s = 0; s < 3; ++s) {
    if (!options.Tsv) std::cerr << "measuring the synthetic form at " << sizes[s] << " times...\n";
    const std::string text = bench::SyntheticForm(sizes[s]);
    std::string binary;
    try {
      binary = TextToResource(text);
    } catch (const std::exception& e) {
      std::cerr << "tessarine-bench: the synthetic form does not convert: " << e.what() << "\n";
      return 1;
    }
    // Each run converts as many bytes at every size (the small forms repeatedly), so that a run is long
    // enough for the clock and every size meets the same noise; the time per form is what is compared.
    const int repeats = 100 / sizes[s];
    const std::function<uint64_t()> work[3] = {
        [&] {
          uint64_t sum = 0;
          for (int r = 0; r < repeats; ++r) sum += ResourceToText(binary).size();
          return sum;
        },
        [&] {
          uint64_t sum = 0;
          for (int r = 0; r < repeats; ++r) sum += TextToResource(text).size();
          return sum;
        },
        [&] {
          uint64_t sum = 0;
          for (int r = 0; r < repeats; ++r) sum += helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(text)).size();
          return sum;
        }};
    for (int p = 0; p < 3; ++p) {
      const bench::TMeasure measure = bench::MeasureInChild(runs, work[p]);
      growth[p].Seconds[s] = measure.CpuSeconds / repeats;
      growth[p].Bytes[s] = p == 0 ? binary.size() : text.size();
      growth[p].Failed = growth[p].Failed || measure.Failed;
      if (sizes[s] == 100 && p == 2) {
        TResultRow row{"load_print_synthetic_100x", "load and print, one synthetic form", text.size(), measure, false};
        rows.push_back(row);
      }
    }
  }

  std::vector<std::pair<std::string, double>> engineFactors;
  MeasureLoadPrintMemory(options, rows, engineFactors);
  MeasureNestedParentheses(options, rows);

  rows.insert(rows.end(), cliRows.begin(), cliRows.end());

  const auto baseline = std::find_if(rows.begin(), rows.end(), [](const TResultRow& R) { return R.Name == "file_copy"; });
  const double baselineMBs = baseline != rows.end() ? bench::MBPerSecond(*baseline) : 0;
  std::vector<std::pair<std::string, double>> factors;
  for (const TGrowth& g : growth) {
    auto factor = [&](int AFrom, int ATo) {
      return g.Failed || g.Seconds[AFrom] <= 0 ? 0.0 : g.Seconds[ATo] / g.Seconds[AFrom];
    };
    factors.emplace_back("growth." + g.Name + ".1x_to_10x", factor(0, 1));
    factors.emplace_back("growth." + g.Name + ".10x_to_100x", factor(1, 2));
  }
  factors.insert(factors.end(), speedups.begin(), speedups.end());
  factors.insert(factors.end(), engineFactors.begin(), engineFactors.end());

  bool failed = false;
  for (const TResultRow& row : rows) failed = failed || row.Measure.Failed;
  if (options.Tsv) {
    std::cout << bench::FormatTsv(rows, baselineMBs);
    for (const auto& [name, value] : factors) std::cout << bench::FormatFactorTsv(name, value);
    return failed ? 1 : 0;
  }
  std::cout << "corpus: " << goodTexts.size() << " text files, " << goodBinaries.size() << " binary files, "
            << leftOut << " left out (refused by a path); largest file " << largest / 1000 << " KB\n"
            << "single-threaded paths: median of " << runs
            << " runs in processor time; MB = 10^6 bytes; x copy = rate over file_copy's;\n"
            << "peak MB = resident memory a path adds to the process that holds the corpus\n\n"
            << bench::FormatTable(rows, baselineMBs) << "\n";
  std::printf("%-14s%12s%12s%12s%10s%10s\n", "growth", "1x ms", "10x ms", "100x ms", "1->10", "10->100");
  for (const TGrowth& g : growth) {
    std::printf("%-14s%12.2f%12.2f%12.2f%10.2f%10.2f   (%.2f MB at 1x)\n", g.Name.c_str(), g.Seconds[0] * 1e3,
                g.Seconds[1] * 1e3, g.Seconds[2] * 1e3, g.Seconds[0] > 0 ? g.Seconds[1] / g.Seconds[0] : 0,
                g.Seconds[1] > 0 ? g.Seconds[2] / g.Seconds[1] : 0, static_cast<double>(g.Bytes[0]) / 1e6);
  }
  for (const auto& [name, value] : speedups) std::printf("%s: %.2f\n", name.c_str(), value);
  for (const auto& [name, value] : engineFactors) std::printf("%s: %.2f\n", name.c_str(), value);
  return failed ? 1 : 0;
}
