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
#include "FormText/uDFMGrammar.h"
#include "FormText/uDFMHelper.h"
#include "uBenchHarness.h"
#include "uCliBench.h"

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
    if (arg == "--tsv")
      AOptions.Tsv = true;
    else if (arg == "--runs")
      AOptions.Runs = std::max(1, std::stoi(value()));
    else if (arg == "--corpus")
      AOptions.Corpus = value();
    else if (arg == "--cli")
      AOptions.Cli = value();
    else if (arg == "--no-cli")
      AOptions.RunCli = false;
    else if (arg == "--cli-files")
      AOptions.CliFiles = std::max(1, std::stoi(value()));
    else if (arg == "--cli-runs")
      AOptions.CliRuns = std::max(1, std::stoi(value()));
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

struct TGrowth {
  std::string Name;
  double Seconds[3] = {0, 0, 0};  // at 1, 10 and 100 times the base size
  uint64_t Bytes[3] = {0, 0, 0};
  bool Failed = false;
};

// The corpus in memory, with the files every path accepts.
struct TCorpus {
  std::vector<TFile> Texts, Binaries, BinariesOfTexts, Every;
  size_t LeftOut = 0;  // files a path refuses: they would time the error path
  size_t Largest = 0;
};

TCorpus LoadCorpus(const fs::path& AFolder) {
  TCorpus corpus;
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  for (TFile& file : LoadFolder(AFolder / "text")) {
    try {
      std::string binary = TextToResource(file.Bytes);
      helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(file.Bytes));
      corpus.BinariesOfTexts.push_back({file.Name, std::move(binary)});
      corpus.Texts.push_back(std::move(file));
    } catch (const std::exception&) {
      ++corpus.LeftOut;
    }
  }
  for (TFile& file : LoadFolder(AFolder / "binary")) {
    try {
      ResourceToText(file.Bytes);
      corpus.Binaries.push_back(std::move(file));
    } catch (const std::exception&) {
      ++corpus.LeftOut;
    }
  }
  corpus.Every = corpus.Texts;
  corpus.Every.insert(corpus.Every.end(), corpus.Binaries.begin(), corpus.Binaries.end());
  for (const TFile& file : corpus.Every) corpus.Largest = std::max(corpus.Largest, file.Bytes.size());
  return corpus;
}

// Adds one row measured in a child process of its own.
class TPathRows {
public:
  TPathRows(const TOptions& AOptions, std::vector<TResultRow>& ARows) : FOptions(AOptions), FRows(ARows) {}
  void Add(std::string AName, std::string AWhat, uint64_t ABytes, const std::function<uint64_t()>& AWork) {
    if (!FOptions.Tsv) std::cerr << "measuring " << AName << "...\n";
    FRows.push_back({std::move(AName), std::move(AWhat), ABytes, bench::MeasureInChild(FOptions.Runs, AWork), false});
  }

private:
  const TOptions& FOptions;
  std::vector<TResultRow>& FRows;
};

// The baselines: the text corpus copied in memory and through files in ATemp.
void MeasureCopies(TPathRows& ARows, const TCorpus& ACorpus, const fs::path& ATemp) {
  fs::create_directories(ATemp / "src");
  fs::create_directories(ATemp / "dst");
  for (const TFile& file : ACorpus.Texts) WriteWhole(ATemp / "src" / file.Name, file.Bytes);
  const uint64_t textBytes = TotalBytes(ACorpus.Texts);
  ARows.Add("memory_copy", "copy the text corpus between buffers", textBytes, [&] {
    std::string target(ACorpus.Largest, '\0');
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Texts) {
      std::memcpy(target.data(), file.Bytes.data(), file.Bytes.size());
      sum += static_cast<unsigned char>(target[file.Bytes.size() / 2]) + 1;
    }
    return sum;
  });
  ARows.Add("file_copy", "read and write the text corpus as files", textBytes, [&] {
    std::string buffer;
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Texts) {
      ReadWithStdio(ATemp / "src" / file.Name, buffer);
      WriteWhole(ATemp / "dst" / file.Name, buffer);
      sum += buffer.size();
    }
    return sum;
  });
}

// Detection, the two conversions, and load and print with and without the four removals.
void MeasureConversions(TPathRows& ARows, const TCorpus& ACorpus) {
  std::vector<std::unique_ptr<stream::TMemoryStream>> detectStreams;
  for (const TFile& file : ACorpus.Every) detectStreams.push_back(std::make_unique<stream::TMemoryStream>(file.Bytes));
  ARows.Add("detect", "DetectFormFormat over every file", TotalBytes(ACorpus.Every), [&] {
    uint64_t sum = 0;
    for (auto& input : detectStreams) {
      input->SetPosition(0);
      sum += static_cast<uint64_t>(stream::DetectFormFormat(*input)) + 1;
    }
    return sum;
  });
  ARows.Add("bin_to_text", "ResourceToFormText, binary corpus", TotalBytes(ACorpus.Binaries), [&] {
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Binaries) sum += ResourceToText(file.Bytes).size();
    return sum;
  });
  ARows.Add("bin_to_text_of_texts", "ResourceToFormText, binary forms of text corpus",
            TotalBytes(ACorpus.BinariesOfTexts), [&] {
              uint64_t sum = 0;
              for (const TFile& file : ACorpus.BinariesOfTexts) sum += ResourceToText(file.Bytes).size();
              return sum;
            });
  const uint64_t textBytes = TotalBytes(ACorpus.Texts);
  ARows.Add("text_to_bin", "FormTextToResource, text corpus", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Texts) sum += TextToResource(file.Bytes).size();
    return sum;
  });
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  ARows.Add("load_print", "LoadObjectFromBytes and the writer, text corpus", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Texts)
      sum += helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(file.Bytes)).size();
    return sum;
  });
  // The steps TManualTransform::Execute takes between reading and writing the file, from memory so that
  // the figure compares with load_print.
  const auto actions = bench::RemoveActions();
  ARows.Add("transform_remove4", "load, four remove-property actions, print", textBytes, [&] {
    uint64_t sum = 0;
    for (const TFile& file : ACorpus.Texts) {
      std::unique_ptr<doc::TDObject> root = helper.LoadObjectFromBytes(file.Bytes);
      for (const auto& action : actions) action->Process(*root);
      sum += helper.SaveObjectToBytes(*root).size();
    }
    return sum;
  });
}

// Growth with the size of one form, on the synthetic form at 1, 10 and 100 times its base size; its
// largest load and print also becomes a row.
std::vector<TGrowth> MeasureGrowth(const TOptions& AOptions, std::vector<TResultRow>& ARows) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  std::vector<TGrowth> growth{{"bin_to_text"}, {"text_to_bin"}, {"load_print"}};
  const int sizes[3] = {1, 10, 100};
  for (int s = 0; s < 3; ++s) {
    if (!AOptions.Tsv) std::cerr << "measuring the synthetic form at " << sizes[s] << " times...\n";
    const std::string text = bench::SyntheticForm(sizes[s]);
    std::string binary;
    try {
      binary = TextToResource(text);
    } catch (const std::exception& e) {
      throw std::runtime_error(std::string("the synthetic form does not convert: ") + e.what());
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
      const bench::TMeasure measure = bench::MeasureInChild(AOptions.Runs, work[p]);
      growth[p].Seconds[s] = measure.CpuSeconds / repeats;
      growth[p].Bytes[s] = p == 0 ? binary.size() : text.size();
      growth[p].Failed = growth[p].Failed || measure.Failed;
      if (sizes[s] == 100 && p == 2)
        ARows.push_back(
            {"load_print_synthetic_100x", "load and print, one synthetic form", text.size(), measure, false});
    }
  }
  return growth;
}

bench::TFactors GrowthFactors(const std::vector<TGrowth>& AGrowth) {
  bench::TFactors factors;
  for (const TGrowth& g : AGrowth) {
    auto factor = [&](int AFrom, int ATo) {
      return g.Failed || g.Seconds[AFrom] <= 0 ? 0.0 : g.Seconds[ATo] / g.Seconds[AFrom];
    };
    factors.emplace_back("growth." + g.Name + ".1x_to_10x", factor(0, 1));
    factors.emplace_back("growth." + g.Name + ".10x_to_100x", factor(1, 2));
  }
  return factors;
}

// The form-text engine's memory: the peak of one load and print of the synthetic form at 1, 10 and 100
// times its base size, as rows, with the growth of that peak and the peak per input byte as factors.
void MeasureLoadPrintMemory(const TOptions& AOptions, std::vector<TResultRow>& ARows, bench::TFactors& AFactors) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  const int sizes[3] = {1, 10, 100};
  double peaks[3] = {0, 0, 0};
  for (int s = 0; s < 3; ++s) {
    const std::string name = "load_print_memory_" + std::to_string(sizes[s]) + "x";
    if (!AOptions.Tsv) std::cerr << "measuring " << name << "...\n";
    const std::string text = bench::SyntheticForm(sizes[s]);
    const auto loadAndPrint = [&] {
      return uint64_t{helper.SaveObjectToBytes(*helper.LoadObjectFromBytes(text)).size()};
    };
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
    const std::string text =
        "object A: TA\r\n  P = " + std::string(depth, '(') + std::string(depth, ')') + "\r\nend\r\n";
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
    ARows.push_back(
        {name, "load refused: nested too deep", text.size(), bench::MeasureInChild(AOptions.Runs, loadRefused), false});
  }
}

void PrintTables(const TCorpus& ACorpus, int ARuns, const std::vector<TResultRow>& ARows, double ABaselineMBs,
                 const std::vector<TGrowth>& AGrowth, const bench::TFactors& AFactors) {
  std::cout << "corpus: " << ACorpus.Texts.size() << " text files, " << ACorpus.Binaries.size() << " binary files, "
            << ACorpus.LeftOut << " left out (refused by a path); largest file " << ACorpus.Largest / 1000 << " KB\n"
            << "single-threaded paths: median of " << ARuns
            << " runs in processor time; MB = 10^6 bytes; x copy = rate over file_copy's;\n"
            << "peak MB = resident memory a path adds to the process that holds the corpus\n\n"
            << bench::FormatTable(ARows, ABaselineMBs) << "\n";
  std::printf("%-14s%12s%12s%12s%10s%10s\n", "growth", "1x ms", "10x ms", "100x ms", "1->10", "10->100");
  for (const TGrowth& g : AGrowth) {
    std::printf("%-14s%12.2f%12.2f%12.2f%10.2f%10.2f   (%.2f MB at 1x)\n", g.Name.c_str(), g.Seconds[0] * 1e3,
                g.Seconds[1] * 1e3, g.Seconds[2] * 1e3, g.Seconds[0] > 0 ? g.Seconds[1] / g.Seconds[0] : 0,
                g.Seconds[1] > 0 ? g.Seconds[2] / g.Seconds[1] : 0, static_cast<double>(g.Bytes[0]) / 1e6);
  }
  for (const auto& [name, value] : AFactors) std::printf("%s: %.2f\n", name.c_str(), value);
}

// Removes the benchmark's temporary folder however the run ends.
class TTempFolder {
public:
  TTempFolder() : FPath(fs::temp_directory_path() / ("tessarine-bench-" + std::to_string(getpid()))) {
    fs::remove_all(FPath);
    fs::create_directories(FPath);
  }
  ~TTempFolder() {
    std::error_code error;
    fs::remove_all(FPath, error);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const fs::path& Path() const { return FPath; }

private:
  fs::path FPath;
};

int Run(const TOptions& AOptions) {
  TTempFolder temp;
  // The command line runs first: a started program's peak memory counts the resident memory of the
  // process that started it, which is then a few megabytes rather than the corpus.
  std::vector<TResultRow> cliRows;
  bench::TFactors cliFactors;
  if (AOptions.RunCli)
    bench::MeasureCli({AOptions.Cli, AOptions.Corpus, AOptions.CliFiles, AOptions.CliRuns, AOptions.Tsv},
                      temp.Path() / "cli", cliRows, cliFactors);

  // Everything is read and prepared before the first timed run; the children inherit it.
  const TCorpus corpus = LoadCorpus(AOptions.Corpus);
  std::vector<TResultRow> rows;
  TPathRows paths(AOptions, rows);
  MeasureCopies(paths, corpus, temp.Path());
  MeasureConversions(paths, corpus);
  const std::vector<TGrowth> growth = MeasureGrowth(AOptions, rows);
  bench::TFactors otherFactors;
  MeasureLoadPrintMemory(AOptions, rows, otherFactors);
  MeasureNestedParentheses(AOptions, rows);
  otherFactors.insert(otherFactors.end(), cliFactors.begin(), cliFactors.end());
  rows.insert(rows.end(), cliRows.begin(), cliRows.end());

  const auto baseline =
      std::find_if(rows.begin(), rows.end(), [](const TResultRow& R) { return R.Name == "file_copy"; });
  const double baselineMBs = baseline != rows.end() ? bench::MBPerSecond(*baseline) : 0;
  const bool failed = std::any_of(rows.begin(), rows.end(), [](const TResultRow& R) { return R.Measure.Failed; });
  if (AOptions.Tsv) {
    std::cout << bench::FormatTsv(rows, baselineMBs);
    bench::TFactors factors = GrowthFactors(growth);
    factors.insert(factors.end(), otherFactors.begin(), otherFactors.end());
    for (const auto& [name, value] : factors) std::cout << bench::FormatFactorTsv(name, value);
  } else {
    PrintTables(corpus, AOptions.Runs, rows, baselineMBs, growth, otherFactors);
  }
  return failed ? 1 : 0;
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
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::cerr << "tessarine-bench: " << e.what() << "\n";
    return 1;
  }
}
