#include "uCliBench.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "Shared/Common/uEncoding.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"

namespace tess::bench {

namespace fs = std::filesystem;

namespace {

using TArgs = std::vector<std::string>;

// A tree of AFiles copies of the corpus files in two halves, "half0" and "half1", each copy of the
// corpus in a folder of its own so that names never meet. Its size in bytes.
uint64_t MakeTree(const fs::path& AFrom, const fs::path& ATree, int AFiles) {
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(AFrom))
    if (entry.is_regular_file()) sources.push_back(entry.path());
  if (sources.empty()) throw std::runtime_error("no files in " + AFrom.string());
  std::sort(sources.begin(), sources.end());
  uint64_t bytes = 0;
  for (int i = 0; i < AFiles; ++i) {
    const fs::path& file = sources[static_cast<size_t>(i) % sources.size()];
    const fs::path folder =
        ATree / (i < AFiles / 2 ? "half0" : "half1") / ("copy" + std::to_string(i / static_cast<int>(sources.size())));
    fs::create_directories(folder);
    fs::copy_file(file, folder / file.filename());
    bytes += fs::file_size(file);
  }
  return bytes;
}

// The four removals of the transformation path, saved where the command line can read them.
fs::path SaveRemovalTransform(const fs::path& AFolder) {
  transform::TManualTransform removal;
  for (auto& action : RemoveActions()) removal.AddAction(std::move(action));
  removal.SetCaption(u"Bench removal");
  removal.SetPath(common::TFilePath(AFolder.string()));
  removal.SetFileName(common::TFilePath("remove4.xml"));
  removal.Save();
  return AFolder / "remove4.xml";
}

// One timed row: one or more command lines started together (the row's time is the last one's end),
// and the folders they write, emptied before each run.
struct TTimed {
  std::string Name;
  std::string What;
  uint64_t Bytes = 0;
  std::vector<TArgs> Commands;
  std::vector<fs::path> Outputs;
  std::vector<double> Wall, Cpu;
  TMeasure Measure;
};

void RunOnce(TTimed& ATimed) {
  for (const fs::path& output : ATimed.Outputs) fs::remove_all(output);
  const std::vector<TProcessRun> runs = RunSideBySide(ATimed.Commands);
  double wall = 0, cpu = 0;
  for (const TProcessRun& run : runs) {
    if (run.ExitCode != 0) {
      ATimed.Measure.Failed = true;
      ATimed.Measure.Error = "exit code " + std::to_string(run.ExitCode);
    }
    wall = std::max(wall, run.WallSeconds);
    cpu += run.CpuSeconds;
    ATimed.Measure.PeakBytes = std::max(ATimed.Measure.PeakBytes, run.PeakBytes);
  }
  ATimed.Wall.push_back(wall);
  ATimed.Cpu.push_back(cpu);
}

// The runs go round the rows, so that a change in the machine's load meets every row alike.
void TimeInTurn(std::vector<TTimed>& ATimed, int ARuns) {
  for (int run = 0; run < ARuns; ++run)
    for (TTimed& timed : ATimed) RunOnce(timed);
  for (TTimed& timed : ATimed) {
    timed.Measure.WallSeconds = Median(timed.Wall);
    timed.Measure.CpuSeconds = Median(timed.Cpu);
  }
}

TArgs With(TArgs AArgs, const std::vector<std::string>& AMore) {
  AArgs.insert(AArgs.end(), AMore.begin(), AMore.end());
  return AArgs;
}

// The rows of one command: over the whole tree with one and two jobs, and with one job on each half
// side by side. AOutput is where it writes, "" for a dry run.
void AddCommand(std::vector<TTimed>& ATimed, const std::string& AName, const TArgs& AArgs, const fs::path& ATree,
                uint64_t ABytes, int AFiles, const fs::path& AOutput) {
  auto run = [&](const fs::path& ARoot, const fs::path& AInto, int AJobs) {
    TArgs args = With(AArgs, {"-r", ARoot.string(), "-q", "-j", std::to_string(AJobs)});
    return AOutput.empty() ? args : With(args, {"--output-dir", AInto.string()});
  };
  const std::string what = std::to_string(AFiles) + " files, " + AArgs[1];
  for (int jobs = 1; jobs <= 2; ++jobs)
    ATimed.push_back({AName + "_j" + std::to_string(jobs),
                      what + " -j " + std::to_string(jobs),
                      ABytes,
                      {run(ATree, AOutput, jobs)},
                      {AOutput},
                      {},
                      {},
                      {}});
  const fs::path out0 = AOutput.empty() ? fs::path() : fs::path(AOutput.string() + "0");
  const fs::path out1 = AOutput.empty() ? fs::path() : fs::path(AOutput.string() + "1");
  ATimed.push_back({AName + "_halves",
                    what + ", -j 1 on each half at once",
                    ABytes,
                    {run(ATree / "half0", out0, 1), run(ATree / "half1", out1, 1)},
                    {out0, out1},
                    {},
                    {},
                    {}});
}

double WallOf(const std::vector<TTimed>& ATimed, const std::string& AName) {
  for (const TTimed& timed : ATimed)
    if (timed.Name == AName) return timed.Measure.Failed ? 0 : timed.Measure.WallSeconds;
  return 0;
}

double Ratio(double ANumerator, double ADenominator) { return ADenominator > 0 ? ANumerator / ADenominator : 0; }

// Per command: -j 2 over -j 1, the ceiling (the halves side by side over -j 1) and the share of the
// ceiling that -j 2 reaches.
void AddSpeedups(const std::vector<TTimed>& ATimed, const std::string& AName, TFactors& AFactors) {
  const double one = WallOf(ATimed, AName + "_j1"), two = WallOf(ATimed, AName + "_j2");
  const double halves = WallOf(ATimed, AName + "_halves");
  const double speedup = Ratio(one, two), ceiling = Ratio(one, halves);
  AFactors.emplace_back("speedup." + AName + ".j2_over_j1", speedup);
  AFactors.emplace_back("speedup." + AName + ".ceiling", ceiling);
  AFactors.emplace_back("speedup." + AName + ".j2_share_of_ceiling", Ratio(speedup, ceiling));
}

}  // namespace

std::vector<std::unique_ptr<transform::TTransformAction>> RemoveActions() {
  std::vector<std::unique_ptr<transform::TTransformAction>> actions;
  for (const char16_t* name : {u"TabOrder", u"Hint", u"ImageIndex", u"Font.Color"}) {
    auto action = std::make_unique<transform::TRemovePropertyAction>();
    action->SetPropName(name);
    actions.push_back(std::move(action));
  }
  return actions;
}

void MeasureCli(const TCliBenchOptions& AOptions, const fs::path& ATemp, std::vector<TResultRow>& ARows,
                TFactors& AFactors) {
  if (!AOptions.Quiet) std::cerr << "measuring tessarine-cli...\n";
  const fs::path texts = ATemp / "texts", binaries = ATemp / "binaries";
  const uint64_t textBytes = MakeTree(AOptions.Corpus / "text", texts, AOptions.Files);
  const uint64_t binaryBytes = MakeTree(AOptions.Corpus / "binary", binaries, AOptions.Files);
  const std::string transform = SaveRemovalTransform(ATemp).string();

  std::vector<TTimed> timed;
  timed.push_back({"cp_tree",
                   "cp -r of the binary tree",
                   binaryBytes,
                   {{"/bin/cp", "-r", binaries.string(), (ATemp / "copied").string()}},
                   {ATemp / "copied"},
                   {},
                   {},
                   {}});
  // --dry-run does the whole work into a temporary file and leaves the tree as it was, so that every
  // run starts from the same files; the conversion to text writes a fresh output folder each time.
  AddCommand(timed, "cli_apply", {AOptions.Cli, "apply", transform, "--dry-run"}, texts, textBytes, AOptions.Files, {});
  AddCommand(timed, "cli_to_binary", {AOptions.Cli, "convert", "--to", "binary", "--dry-run"}, texts, textBytes,
             AOptions.Files, {});
  AddCommand(timed, "cli_convert_outdir", {AOptions.Cli, "convert", "--to", "text"}, binaries, binaryBytes,
             AOptions.Files, ATemp / "converted");
  TimeInTurn(timed, AOptions.Runs);

  for (TTimed& row : timed) ARows.push_back({row.Name, row.What, row.Bytes, row.Measure, true});
  for (const char* name : {"cli_apply", "cli_to_binary", "cli_convert_outdir"}) AddSpeedups(timed, name, AFactors);
  const double copy = WallOf(timed, "cp_tree");
  AFactors.emplace_back("ratio.cli_convert_outdir_j1.over_cp_tree",
                        Ratio(copy, WallOf(timed, "cli_convert_outdir_j1")));
  AFactors.emplace_back("ratio.cli_convert_outdir_j2.over_cp_tree",
                        Ratio(copy, WallOf(timed, "cli_convert_outdir_j2")));
}

}  // namespace tess::bench
