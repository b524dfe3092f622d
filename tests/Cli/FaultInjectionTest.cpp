// Batch runs over corpus copies with something going wrong on the way: an input deleted, a read-only
// input folder, a full output folder, a backup on another file system, a transformation that fails on
// one file. After each, every original is at its name or in its backup, byte for byte, every file's
// status says what happened, and the run went on with the next file.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "LeaseGate.h"
#include "ScratchMounts.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using tess::testing::kCorpus;

constexpr size_t kPage = 4096;

size_t Pages(size_t ABytes) { return (ABytes + kPage - 1) / kPage; }

// A binary corpus file with the text the program must turn it into.
struct TForm {
  std::string Name;
  std::string Bytes;
  std::string Text;
};

// The first binary corpus files in name order that fit one page as binary and as text.
const std::vector<TForm>& SmallForms() {
  static const std::vector<TForm> forms = [] {
    std::vector<TForm> found;
    for (const std::string& name : tess::testing::FilesIn("binary")) {
      if (fs::file_size(kCorpus / "binary" / name) > 2048) continue;
      TForm form{name, tess::testing::ReadFile(kCorpus / "binary" / name), {}};
      try {
        form.Text = ToText(form.Bytes);
      } catch (const std::exception&) {
        continue;
      }
      if (form.Text.size() > 3000) continue;
      found.push_back(std::move(form));
      if (found.size() == 8) break;
    }
    return found;
  }();
  return forms;
}

// The first binary corpus file in name order whose text needs well over a hundred pages.
const TForm& BigForm() {
  static const TForm form = [] {
    for (const std::string& name : tess::testing::FilesIn("binary")) {
      if (fs::file_size(kCorpus / "binary" / name) < 100000) continue;
      TForm big{name, tess::testing::ReadFile(kCorpus / "binary" / name), {}};
      try {
        big.Text = ToText(big.Bytes);
      } catch (const std::exception&) {
        continue;
      }
      if (big.Text.size() > 128 * 1024) return big;
    }
    return TForm{};
  }();
  return form;
}

std::vector<const TForm*> SmallBigSmallSmall() {
  return {&SmallForms()[0], &BigForm(), &SmallForms()[1], &SmallForms()[2]};
}

std::vector<json> Objects(const TRun& ARun) {
  std::vector<json> objects;
  for (const std::string& line : ARun.OutLines()) objects.push_back(json::parse(line));
  return objects;
}

std::string TextOrEmpty(const json& AValue) { return AValue.is_string() ? AValue.get<std::string>() : std::string(); }

// Points TMPDIR, where the program prepares its results, at a folder of the test's choosing.
class ScopedTmpDir {
public:
  explicit ScopedTmpDir(const fs::path& APath) {
    if (const char* old = std::getenv("TMPDIR")) FOld = old, FHadOld = true;
    ::setenv("TMPDIR", APath.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (FHadOld)
      ::setenv("TMPDIR", FOld.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }
  ScopedTmpDir(const ScopedTmpDir&) = delete;
  ScopedTmpDir& operator=(const ScopedTmpDir&) = delete;

private:
  std::string FOld;
  bool FHadOld = false;
};

// Blocks until AFolder holds an entry whose name AMatches accepts and returns its name; empty after
// ATimeoutMs without one. inotify rather than looking again and again: the wait ends the moment
// the entry is made, and nothing depends on how fast anything runs.
std::string WaitForEntry(const fs::path& AFolder, const std::function<bool(const std::string&)>& AMatches,
                         int ATimeoutMs) {
  const int fd = ::inotify_init1(IN_CLOEXEC);
  if (fd < 0) return {};
  std::string found;
  if (::inotify_add_watch(fd, AFolder.c_str(), IN_CREATE | IN_MOVED_TO) >= 0) {
    // One made before the watch began is seen by this look, made after the watch was added.
    for (const auto& entry : fs::directory_iterator(AFolder))
      if (found.empty() && AMatches(entry.path().filename().string())) found = entry.path().filename().string();
    alignas(inotify_event) char buffer[4096];
    while (found.empty()) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, ATimeoutMs) <= 0) break;
      const ssize_t count = ::read(fd, buffer, sizeof buffer);
      for (ssize_t at = 0; at < count;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (found.empty() && event->len > 0 && AMatches(event->name)) found = event->name;
        at += ssize_t(sizeof(inotify_event) + event->len);
      }
    }
  }
  ::close(fd);
  return found;
}

// A named pipe among the inputs. Once open (after ADelay), each time anything opens the pipe the
// test opens and closes the other end, so that a reader that waits for a writer gets an empty file.
class TGate {
public:
  explicit TGate(fs::path APath) : FPath(std::move(APath)) { FMade = ::mkfifo(FPath.c_str(), 0644) == 0; }
  ~TGate() {
    FStop = true;
    if (!FServer.joinable()) return;
    // A reader of our own lets a server blocked in opening its end go on and see the stop.
    const int reader = ::open(FPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    FServer.join();
    if (reader >= 0) ::close(reader);
  }
  TGate(const TGate&) = delete;
  TGate& operator=(const TGate&) = delete;

  bool Made() const { return FMade; }
  void Open(std::chrono::milliseconds ADelay = {}) {
    FServer = std::thread([this, ADelay] {
      const auto start = std::chrono::steady_clock::now();
      while (!FStop && std::chrono::steady_clock::now() - start < ADelay)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      while (!FStop) {
        const int writer = ::open(FPath.c_str(), O_WRONLY | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
      }
    });
  }

private:
  fs::path FPath;
  bool FMade = false;
  std::atomic<bool> FStop{false};
  std::thread FServer;
};

// What one file must end with. Reason: a text that a line of its log must hold when it failed.
// An empty status: not a form of the test's, nothing to check.
struct TOutcome {
  TOutcome(std::string AStatus, std::string AReason = {}, bool ADeleted = false, bool ALeftAlone = false)
      : Status(std::move(AStatus)), Reason(std::move(AReason)), Deleted(ADeleted), LeftAlone(ALeftAlone) {}
  std::string Status;
  std::string Reason;
  bool Deleted;    // the test took the input away during the run
  bool LeftAlone;  // not a form file (a pipe, a device, a folder): nothing of it is to be read
};

class Faults : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_GE(SmallForms().size(), 8u);
    ASSERT_FALSE(BigForm().Name.empty()) << "no large binary form in the corpus";
  }

  // Copies AForm into the tree under ARelative (a path from the test folder).
  void Put(const std::string& ARelative, const TForm& AForm) {
    WriteFile(FDir.Path() / ARelative, AForm.Bytes);
    ASSERT_EQ(ReadFile(FDir.Path() / ARelative), AForm.Bytes) << ARelative;
    FOriginal[ARelative] = AForm.Bytes;
    FExpected[ARelative] = AForm.Text;
  }

  // A folder "scratch" of the test's own where the program prepares its results, for the rest of
  // the test.
  fs::path UseScratch() {
    const fs::path scratch = FDir.Path() / "scratch";
    fs::create_directories(scratch);
    FScratch = std::make_unique<ScopedTmpDir>(scratch);
    return scratch;
  }

  // ACount small forms, t/f00.dfm, t/f01.dfm, ...
  std::vector<std::string> PutNumbered(size_t ACount) {
    std::vector<std::string> inputs;
    for (size_t i = 0; i < ACount; ++i) {
      inputs.push_back("t/f0" + std::to_string(i) + ".dfm");
      Put(inputs.back(), SmallForms()[i % SmallForms().size()]);
    }
    return inputs;
  }

  // Twenty-four small forms in a folder whose path is nearly a thousand bytes long.
  std::vector<std::string> PutDeepTree() {
    std::string deep = "t";
    for (char c : {'d', 'e', 'f', 'g'}) deep += "/" + std::string(240, c);
    std::vector<std::string> inputs;
    for (size_t i = 0; i < 24; ++i) {
      inputs.push_back(deep + "/f" + (i < 10 ? "0" : "") + std::to_string(i) + ".dfm");
      Put(inputs.back(), SmallForms()[i % SmallForms().size()]);
    }
    return inputs;
  }

  // A small form, the big one, two more small ones, in that order: where the big result cannot
  // fit, the small ones still can.
  std::vector<std::string> PutSmallBigSmallSmall() {
    std::vector<std::string> inputs;
    for (const TForm* form : SmallBigSmallSmall()) {
      inputs.push_back("t/" + form->Name);
      Put(inputs.back(), *form);
    }
    return inputs;
  }

  TRun Convert(const std::vector<std::string>& AOptions, const std::vector<std::string>& APaths,
               const TWatch& AWatch = {}) {
    std::vector<std::string> args{"convert", "--to", "text", "--json"};
    args.insert(args.end(), AOptions.begin(), AOptions.end());
    args.insert(args.end(), APaths.begin(), APaths.end());
    return RunCli(args, FDir.Path(), AWatch);
  }

  // The run reported every input once, in input order, each with its outcome; an original is at
  // its name or in the backup the report names, byte for byte; a result is complete where the
  // report says it is; no temporary file is left anywhere.
  void CheckRun(const TRun& ARun, const std::vector<std::string>& AInputs, const std::vector<TOutcome>& AOutcomes,
                bool ABackups) {
    ASSERT_EQ(AInputs.size(), AOutcomes.size());
    const std::vector<json> objects = Objects(ARun);
    ASSERT_EQ(objects.size(), AInputs.size()) << ARun.Out << ARun.Err;
    for (size_t i = 0; i < objects.size(); ++i) {
      const json& object = objects[i];
      const std::string& input = AInputs[i];
      const TOutcome& outcome = AOutcomes[i];
      SCOPED_TRACE(input.size() > 120 ? "..." + input.substr(input.size() - 100) : input);
      EXPECT_EQ(object["path"], input);
      if (outcome.Status.empty()) continue;
      EXPECT_EQ(object["status"], outcome.Status) << object.dump();
      const std::string output = TextOrEmpty(object["output"]), backup = TextOrEmpty(object["backup"]);
      if (outcome.Status == "Error") {
        bool explained = false;
        for (const json& line : object["log"]) {
          const std::string text = line.get<std::string>();
          explained = explained || (text.starts_with("Error: ") && text.find(outcome.Reason) != std::string::npos);
        }
        EXPECT_TRUE(explained) << "no log line says " << outcome.Reason << ": " << object["log"].dump();
        EXPECT_EQ(output, "");
        EXPECT_EQ(backup, "");
      }
      if (outcome.LeftAlone) continue;
      if (outcome.Deleted) {
        EXPECT_FALSE(fs::exists(FDir.Path() / input)) << "the deleted input came back";
        continue;
      }
      if (!output.empty()) {
        EXPECT_TRUE(ReadFile(FDir.Path() / output) == FExpected.at(input)) << "incomplete result at " << output;
        if (output == input && ABackups) {
          EXPECT_FALSE(backup.empty()) << "an input was replaced without the backup that was asked for";
        }
      }
      if (!backup.empty()) {
        EXPECT_TRUE(ReadFile(FDir.Path() / backup) == FOriginal.at(input)) << backup;
      }
      if (output != input) {
        EXPECT_TRUE(ReadFile(FDir.Path() / input) == FOriginal.at(input)) << "input changed";
      }
    }
    for (const auto& entry : fs::recursive_directory_iterator(FDir.Path()))
      EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << "left behind: " << entry.path();
  }

  tess::testing::ScopedDataHome FHome;
  tess::testing::TempDir FDir;
  std::unique_ptr<ScopedTmpDir> FScratch;
  std::map<std::string, std::string> FOriginal;  // by the path the program is given
  std::map<std::string, std::string> FExpected;  // the result of converting it
};

// --- An input deleted while the run goes on -------------------------------------------------------

class InputDeleted : public Faults, public ::testing::WithParamInterface<const char*> {};

// The test deletes a file as soon as the program reports its first files. Each JSON line names its
// file in a path of nearly a thousand bytes, so a pipe of one page holds at most four lines that the
// test has not read: the program is then at most five files past the last one read, and its workers
// (eight files ahead of it with two jobs) at most thirteen. The file sixteen places on has not been
// touched when it goes, however the two processes are scheduled.
TEST_P(InputDeleted, FailsThatFileAloneAndTheRunGoesOn) {
  const std::vector<std::string> inputs = PutDeepTree();
  std::string deleted;
  TWatch watch;
  watch.OutPipeSize = kPage;
  watch.OnOut = [&](const std::string& AOut) {
    const size_t end = AOut.find('\n');
    if (!deleted.empty() || end == std::string::npos) return;
    // Files are reported in input order; a line not yet complete counts as read too.
    const size_t lastRead = size_t(std::count(AOut.begin(), AOut.end(), '\n')) + (AOut.back() != '\n') - 1;
    if (lastRead + 16 >= inputs.size()) {
      deleted = "(no file far enough ahead)";
      return;
    }
    deleted = inputs[lastRead + 16];
    fs::remove(FDir.Path() / deleted);
  };
  const TRun run = Convert({"--replace", "-j", GetParam(), "-r"}, {"t"}, watch);
  EXPECT_EQ(run.Status, 1) << run.Err;
  std::vector<TOutcome> outcomes;
  for (const std::string& input : inputs)
    outcomes.push_back(input == deleted ? TOutcome{"Error", ErrorText(ENOENT), true} : TOutcome{"Applied"});
  ASSERT_NE(std::find(inputs.begin(), inputs.end(), deleted), inputs.end()) << deleted;
  CheckRun(run, inputs, outcomes, true);
  EXPECT_FALSE(fs::exists(FDir.Path() / (deleted + ".bak")));
}

INSTANTIATE_TEST_SUITE_P(Jobs, InputDeleted, ::testing::Values("1", "2"),
                         [](const auto& AInfo) { return std::string("j") + AInfo.param; });

// With two jobs a file is converted ahead, and it may change before its turn to be placed comes.
// The form before it is held at the gate, and with it the placement of every file after it; the
// test waits until a worker has begun the file's result in the folder the program prepares results
// in (there named by the file's index), deletes or rewrites the input, and only then opens the gate.
class InputChangedAfterItWasConverted : public Faults, public ::testing::WithParamInterface<bool> {};

TEST_P(InputChangedAfterItWasConverted, IsConvertedAgainOrFailsButNeverGetsTheOldResult) {
  const bool deleteIt = GetParam();
  constexpr size_t kGate = 3, kChanged = 4;
  const std::vector<std::string> inputs = PutNumbered(10);
  TLeaseGate gate(FDir.Path() / inputs[kGate]);
  if (!gate.WhyNot().empty()) GTEST_SKIP() << gate.WhyNot();
  const fs::path scratch = UseScratch();
  const TForm& replacement = BigForm();
  std::string problem;
  std::thread fault([&] {
    const std::string folder = WaitForEntry(
        scratch, [](const std::string&) { return true; }, 20000);
    const std::string result = std::to_string(kChanged) + ".out";
    if (folder.empty() || WaitForEntry(
                              scratch / folder, [&](const std::string& AName) { return AName == result; }, 20000)
                              .empty()) {
      problem = "no worker began " + result + " in " + (scratch / folder).string();
    } else if (deleteIt) {
      fs::remove(FDir.Path() / inputs[kChanged]);
    } else {
      WriteFile(FDir.Path() / inputs[kChanged], replacement.Bytes);
    }
    gate.Open();
  });
  const TRun run = Convert({"--replace", "-j", "2"}, inputs);
  fault.join();
  ASSERT_EQ(problem, "");
  std::vector<TOutcome> outcomes;
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (i != kChanged) {
      outcomes.emplace_back("Applied");
    } else if (deleteIt) {
      outcomes.emplace_back("Error", ErrorText(ENOENT), true);
    } else {
      // What the file held when its turn came is what the run must keep and convert.
      outcomes.emplace_back("Applied");
      FOriginal[inputs[i]] = replacement.Bytes;
      FExpected[inputs[i]] = replacement.Text;
    }
  }
  CheckRun(run, inputs, outcomes, true);
  EXPECT_TRUE(fs::is_empty(scratch)) << "prepared results left behind";
}

INSTANTIATE_TEST_SUITE_P(Faults, InputChangedAfterItWasConverted, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "Deleted" : "Rewritten"; });

// The worker converting a file is killed half-way through it, while it waits at the gate to open
// the form. Only that file fails, with the reason; the other worker and, after it, the program
// itself carry the run on.
TEST_F(Faults, AWorkerKilledHalfWayFailsOnlyItsFile) {
  constexpr size_t kGate = 3;
  const std::vector<std::string> inputs = PutNumbered(10);
  TLeaseGate gate(FDir.Path() / inputs[kGate]);
  if (!gate.WhyNot().empty()) GTEST_SKIP() << gate.WhyNot();
  const fs::path scratch = UseScratch();
  std::string problem;
  std::thread fault([&] {
    const pid_t worker = gate.WaitForOpener(std::chrono::seconds(20));
    if (worker < 0 || ::kill(worker, SIGKILL) != 0) problem = "no worker to kill: " + ErrorText(errno);
    gate.Open();
  });
  const TRun run = Convert({"--replace", "-j", "2"}, inputs);
  fault.join();
  ASSERT_EQ(problem, "");
  EXPECT_EQ(run.Status, 1) << run.Err;
  std::vector<TOutcome> outcomes(inputs.size(), TOutcome("Applied"));
  outcomes[kGate] = TOutcome("Error", "the worker process ended unexpectedly");
  CheckRun(run, inputs, outcomes, true);
  const std::vector<json> objects = Objects(run);
  ASSERT_EQ(objects.size(), inputs.size()) << run.Out;
  EXPECT_EQ(objects[kGate]["log"], json::array({"Error: the worker process ended unexpectedly (signal 9)"}));
  EXPECT_TRUE(fs::is_empty(scratch)) << "prepared results left behind";
}

// --- A read-only input folder ---------------------------------------------------------------------

struct TReadOnlyCase {
  std::string Name;
  std::vector<std::string> Options;
  bool Refused;  // the placement must write into the input's folder
  bool Backups;
};

class ReadOnlyInputFolder : public Faults, public ::testing::WithParamInterface<TReadOnlyCase> {};

TEST_P(ReadOnlyInputFolder, FailsItsFilesAndPlacesTheOthers) {
  const TReadOnlyCase& c = GetParam();
  std::vector<std::string> inputs;
  size_t next = 0;
  for (const char* folder : {"a", "ro", "z"})
    for (int i = 0; i < 2; ++i) {
      const TForm& form = SmallForms()[next++];
      inputs.push_back(std::string("t/") + folder + "/" + form.Name);
      Put(inputs.back(), form);
    }
  TReadOnlyFolder readOnly(FDir.Path() / "t" / "ro");
  if (!readOnly.WhyNot().empty()) GTEST_SKIP() << "cannot make a read-only folder: " << readOnly.WhyNot();

  const TRun run = Convert(c.Options, inputs);
  EXPECT_EQ(run.Status, c.Refused ? 1 : 0) << run.Err;
  std::vector<TOutcome> outcomes;
  for (const std::string& input : inputs)
    outcomes.push_back(input.starts_with("t/ro/") && c.Refused ? TOutcome{"Error", readOnly.Reason()}
                                                               : TOutcome{"Applied"});
  CheckRun(run, inputs, outcomes, c.Backups);
}

INSTANTIATE_TEST_SUITE_P(Placements, ReadOnlyInputFolder,
                         ::testing::Values(TReadOnlyCase{"ReplaceWithBackupBeside", {"--replace"}, true, true},
                                           TReadOnlyCase{
                                               "ReplaceWithBackupFolder", {"--backup-dir", "bak"}, true, true},
                                           TReadOnlyCase{"ReplaceWithoutBackup", {"--no-backup"}, true, false},
                                           TReadOnlyCase{"NewFileBeside", {"--new"}, true, false},
                                           TReadOnlyCase{"OutputFolder", {"--output-dir", "out"}, false, false}),
                         [](const auto& AInfo) { return AInfo.param.Name; });

// --- A full file system --------------------------------------------------------------------------

TEST_F(Faults, AFullOutputFolderFailsTheFileThatDoesNotFitAndTakesTheNext) {
  std::string whyNot;
  const auto mount = TMount::Tmpfs(FDir.Path() / "out", 16 * kPage, whyNot);
  if (!mount) GTEST_SKIP() << "no small file system for the output: " << whyNot;
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  const TRun run = Convert({"--output-dir", "out"}, inputs);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", ErrorText(ENOSPC)}, {"Applied"}, {"Applied"}}, false);
  // The part of the big result that was written went again.
  EXPECT_EQ(Names(Snapshot(FDir.Path() / "out")),
            (std::vector<std::string>{SmallForms()[0].Name, SmallForms()[1].Name, SmallForms()[2].Name}));
}

TEST_F(Faults, AFullInputFolderKeepsTheFileThatCannotBeReplaced) {
  // Room for the inputs, the small results and a few pages, far from enough for the big result.
  size_t pages = 4;
  for (const TForm* form : SmallBigSmallSmall()) pages += Pages(form->Bytes.size()) + 1;
  std::string whyNot;
  const auto mount = TMount::Tmpfs(FDir.Path() / "t", pages * kPage, whyNot);
  if (!mount) GTEST_SKIP() << "no small file system for the tree: " << whyNot;
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  const TRun run = Convert({"--replace"}, inputs);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", ErrorText(ENOSPC)}, {"Applied"}, {"Applied"}}, true);
  EXPECT_FALSE(fs::exists(FDir.Path() / (inputs[1] + ".bak")));
}

// The failed file's log names the input, never the program's own scratch file, and says why.
void ExpectFailureNamesTheInput(const json& AObject, const std::string& AInput, const std::string& AReason) {
  const std::string log = AObject["log"].dump();
  EXPECT_NE(log.find("\\\"" + AInput + "\\\""), std::string::npos) << log;
  EXPECT_NE(log.find(AReason), std::string::npos) << log;
  EXPECT_EQ(log.find("tessarine-cli-"), std::string::npos) << log;
  EXPECT_EQ(log.find(".out"), std::string::npos) << log;
}

TEST_F(Faults, AFullScratchFolderFailsTheFileWhoseResultDoesNotFit) {
  std::string whyNot;
  const auto mount = TMount::Tmpfs(FDir.Path() / "scratch", 16 * kPage, whyNot);
  if (!mount) GTEST_SKIP() << "no small file system for the prepared results: " << whyNot;
  ScopedTmpDir scratch(FDir.Path() / "scratch");
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  // One job: two at a time, a small result can meet the big one filling the folder and fail too.
  const TRun run = Convert({"--replace"}, inputs);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", ErrorText(ENOSPC)}, {"Applied"}, {"Applied"}}, true);
  ASSERT_EQ(Objects(run).size(), inputs.size());
  ExpectFailureNamesTheInput(Objects(run)[1], inputs[1], ErrorText(ENOSPC));
  EXPECT_TRUE(fs::is_empty(FDir.Path() / "scratch"));
}

// --- Standard output that cannot be written -------------------------------------------------------

struct TOutputCase {
  std::string Name;
  std::vector<std::string> Args;  // the inputs follow
  TWatch::TTarget Target;
  std::string OutFile;
  size_t FileSizeLimit;
  bool Deep;      // the deep tree, whose long names make long lines, else SmallBigSmallSmall
  bool OneInput;  // the big form alone
  int Status;
  std::string Reason;  // empty: the run ends without a word
  int Placed;          // the files placed before the run ended; -1: as the message says
};

void PrintTo(const TOutputCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class StdoutFails : public Faults, public ::testing::WithParamInterface<TOutputCase> {};

// A run whose standard output cannot be written stops at the first line that does not go out,
// with the reason and the point where it stopped; a reader that went away (a pipe into head) is
// told nothing. The files before that point are placed, every later one is untouched.
TEST_P(StdoutFails, EndsTheRunAndKeepsEveryOriginal) {
  const TOutputCase& c = GetParam();
  std::vector<std::string> inputs;
  if (c.OneInput) {
    inputs.push_back("t/" + BigForm().Name);
    Put(inputs.back(), BigForm());
  } else {
    inputs = c.Deep ? PutDeepTree() : PutSmallBigSmallSmall();
  }
  const fs::path scratch = FDir.Path() / "scratch";
  fs::create_directories(scratch);
  ScopedTmpDir scratchForTheProgram(scratch);
  TWatch watch;
  watch.Target = c.Target;
  watch.OutFile = c.OutFile.starts_with("/") ? fs::path(c.OutFile) : FDir.Path() / c.OutFile;
  watch.FileSizeLimit = c.FileSizeLimit;
  std::vector<std::string> args = c.Args;
  args.insert(args.end(), inputs.begin(), inputs.end());
  const TRun run = RunCli(args, FDir.Path(), watch);

  EXPECT_EQ(run.Status, c.Status) << run.Err;
  int placed = c.Placed;
  if (c.Reason.empty()) {
    EXPECT_EQ(run.Err.find("tessarine-cli:"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("Error"), std::string::npos) << run.Err;
  } else {
    EXPECT_NE(run.Err.find("standard output"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(c.Reason), std::string::npos) << run.Err;
    const size_t at = run.Err.find("; stopped after ");
    if (placed < 0 && at != std::string::npos) placed = std::atoi(run.Err.c_str() + at + 16);
    EXPECT_EQ(placed == 0, at == std::string::npos) << "whether files were placed is said: " << run.Err;
    if (at != std::string::npos) {
      EXPECT_NE(run.Err.find("stopped after " + std::to_string(placed) + " of " + std::to_string(inputs.size()) +
                             " files, the last " + inputs[size_t(placed) - 1]),
                std::string::npos)
          << run.Err;
    }
  }
  ASSERT_GE(placed, 0) << run.Err;
  ASSERT_LT(size_t(placed), inputs.size()) << "the run did not stop";
  const bool replaced = std::find(c.Args.begin(), c.Args.end(), "--replace") != c.Args.end();
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(inputs[i].substr(inputs[i].size() > 100 ? inputs[i].size() - 100 : 0));
    const fs::path input = FDir.Path() / inputs[i], backup = FDir.Path() / (inputs[i] + ".bak");
    if (replaced && i < size_t(placed)) {
      EXPECT_TRUE(ReadFile(input) == FExpected.at(inputs[i])) << "incomplete result";
      EXPECT_TRUE(ReadFile(backup) == FOriginal.at(inputs[i])) << "no whole backup";
    } else {
      EXPECT_TRUE(ReadFile(input) == FOriginal.at(inputs[i])) << "a file after the end of the run was changed";
      EXPECT_FALSE(fs::exists(backup));
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(FDir.Path()))
    EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << "left behind: " << entry.path();
  EXPECT_TRUE(fs::is_empty(scratch)) << "prepared results left behind";
}

const std::vector<std::string> kToText{"convert", "--to", "text"};

std::vector<std::string> ToTextWith(std::vector<std::string> AOptions) {
  AOptions.insert(AOptions.begin(), kToText.begin(), kToText.end());
  return AOptions;
}

using TTarget = TWatch::TTarget;

INSTANTIATE_TEST_SUITE_P(
    Targets, StdoutFails,
    ::testing::Values(
        // The placement line is the first to fail; with JSON it goes to standard error, and the
        // first file's object, printed once that file is placed, is the first to fail.
        TOutputCase{"ReplaceIntoAFullDevice", ToTextWith({"--replace"}), TTarget::toFile, "/dev/full", 0, false, false,
                    1, ErrorText(ENOSPC), 0},
        TOutputCase{"JsonIntoAFullDevice", ToTextWith({"--replace", "--json"}), TTarget::toFile, "/dev/full", 0, false,
                    false, 1, ErrorText(ENOSPC), 1},
        TOutputCase{"DryRunIntoAFullDevice", ToTextWith({"--dry-run"}), TTarget::toFile, "/dev/full", 0, false, false,
                    1, ErrorText(ENOSPC), 0},
        TOutputCase{"ResultIntoAFullDevice", ToTextWith({"--stdout"}), TTarget::toFile, "/dev/full", 0, false, true, 1,
                    ErrorText(ENOSPC), 0},
        TOutputCase{"DetectIntoAFullDevice",
                    {"detect"},
                    TTarget::toFile,
                    "/dev/full",
                    0,
                    false,
                    false,
                    1,
                    ErrorText(ENOSPC),
                    0},
        TOutputCase{
            "CheckIntoAFullDevice", {"check"}, TTarget::toFile, "/dev/full", 0, false, false, 1, ErrorText(ENOSPC), 0},
        TOutputCase{"JsonIntoAFileOverTheSizeLimit", ToTextWith({"--replace", "--json", "-j", "2", "-r"}),
                    TTarget::toFile, "out.jsonl", 8192, true, false, 1, ErrorText(EFBIG), -1},
        TOutputCase{"JsonWithoutStandardOutput", ToTextWith({"--replace", "--json"}), TTarget::toClosed, "", 0, false,
                    false, 1, ErrorText(EBADF), 1},
        TOutputCase{"JsonToAReaderThatWentAway", ToTextWith({"--replace", "--json"}), TTarget::toNoReader, "", 0, false,
                    false, 141, "", 1},
        TOutputCase{"ResultToAReaderThatWentAway", ToTextWith({"--stdout"}), TTarget::toNoReader, "", 0, false, true,
                    141, "", 0},
        TOutputCase{"DetectToAReaderThatWentAway", {"detect"}, TTarget::toNoReader, "", 0, false, false, 141, "", 0}),
    [](const auto& AInfo) { return AInfo.param.Name; });

// --- A file-size limit ---------------------------------------------------------------------------

class FileSizeLimit : public Faults, public ::testing::WithParamInterface<const char*> {};

// "ulimit -f": the result that would pass the limit fails its file; the run goes on to the end.
TEST_P(FileSizeLimit, FailsTheFileThatExceedsItAndTheRunGoesOn) {
  const fs::path scratch = FDir.Path() / "scratch";
  fs::create_directories(scratch);
  ScopedTmpDir scratchForTheProgram(scratch);
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  TWatch watch;
  watch.FileSizeLimit = 64 * 1024;
  const TRun run = Convert({"--replace", "-j", GetParam()}, inputs, watch);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", ErrorText(EFBIG)}, {"Applied"}, {"Applied"}}, true);
  ASSERT_EQ(Objects(run).size(), inputs.size());
  ExpectFailureNamesTheInput(Objects(run)[1], inputs[1], ErrorText(EFBIG));
  EXPECT_NE(run.Err.find("4 files: 3 applied, 0 no changes, 0 skipped, 1 errors\n"), std::string::npos) << run.Err;
  EXPECT_TRUE(fs::is_empty(scratch)) << "prepared results left behind";
}

INSTANTIATE_TEST_SUITE_P(Jobs, FileSizeLimit, ::testing::Values("1", "2"),
                         [](const auto& AInfo) { return std::string("j") + AInfo.param; });

// --- A folder the run needs cannot be made -------------------------------------------------------

struct TFolderCase {
  std::string Name;
  std::vector<std::string> Options;
  std::string TmpDir;   // empty: the test's own
  std::string Message;  // the one line on standard error
};

void PrintTo(const TFolderCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class FolderCannotBeMade : public Faults, public ::testing::WithParamInterface<TFolderCase> {};

// Not a mistake on the command line but a failed run: status 1, the folder and the reason, no
// hint to --help, and nothing on disk changed.
TEST_P(FolderCannotBeMade, FailsTheRunWithThePathAndTheReason) {
  const TFolderCase& c = GetParam();
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  const auto before = Snapshot(FDir.Path());
  std::unique_ptr<ScopedTmpDir> tmpDir;
  if (!c.TmpDir.empty()) tmpDir = std::make_unique<ScopedTmpDir>(FDir.Path() / c.TmpDir);
  // "{small}" stands for the first input, "{dir}" for the test's folder.
  auto expand = [&](std::string AText) {
    for (size_t at; (at = AText.find("{small}")) != std::string::npos;) AText.replace(at, 7, inputs[0]);
    for (size_t at; (at = AText.find("{dir}")) != std::string::npos;) AText.replace(at, 5, FDir.Path().string());
    return AText;
  };
  std::vector<std::string> args = ToTextWith(c.Options);
  for (std::string& arg : args) arg = expand(arg);
  args.insert(args.end(), inputs.begin(), inputs.end());
  const TRun run = RunCli(args, FDir.Path());
  EXPECT_EQ(run.Status, 1) << run.Err;
  const std::vector<std::string> lines = run.ErrLines();
  EXPECT_EQ(lines.empty() ? std::string() : lines.back(), expand(c.Message)) << run.Err;
  EXPECT_EQ(run.Err.find("--help"), std::string::npos) << run.Err;
  const auto after = Snapshot(FDir.Path());
  EXPECT_TRUE(after == before) << ::testing::PrintToString(Names(after));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderCannotBeMade,
    ::testing::Values(
        TFolderCase{"OutputBelowAFile",
                    {"--output-dir", "{small}/out"},
                    "",
                    "tessarine-cli: Cannot create the output folder \"{small}/out\": " + ErrorText(ENOTDIR)},
        TFolderCase{"OutputIsAFile",
                    {"--output-dir", "{small}"},
                    "",
                    "tessarine-cli: Cannot create the output folder \"{small}\": " + ErrorText(ENOTDIR)},
        TFolderCase{"BackupBelowAFile",
                    {"--backup-dir", "{small}/bak"},
                    "",
                    "tessarine-cli: Cannot create the backup folder \"{small}/bak\": " + ErrorText(ENOTDIR)},
        TFolderCase{
            "MissingTemporaryFolder",
            {"--dry-run"},
            "gone",
            "tessarine-cli: Cannot create a temporary folder in \"{dir}/gone\" (TMPDIR): " + ErrorText(ENOENT)}),
    [](const auto& AInfo) { return AInfo.param.Name; });

// --- A backup on another file system -------------------------------------------------------------

TEST_F(Faults, ABackupOnAnotherFileSystemIsACompleteCopy) {
  std::string whyNot;
  std::string backups = "bak";
  auto mount = TMount::Tmpfs(FDir.Path() / backups, 64 * 1024 * 1024, whyNot);
  std::unique_ptr<tess::testing::TempDir> shared;
  if (!mount) {
    // Without mounts the shared-memory folder may still be a file system of its own.
    if (DeviceOf("/dev/shm") == dev_t(-1) || DeviceOf("/dev/shm") == DeviceOf(FDir.Path()))
      GTEST_SKIP() << "no second file system: " << whyNot << ", and /dev/shm is not one";
    {
      ScopedTmpDir onSharedMemory("/dev/shm");
      shared = std::make_unique<tess::testing::TempDir>();
    }
    fs::create_directory_symlink(shared->Path(), FDir.Path() / backups);
  }
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  ASSERT_NE(DeviceOf(FDir.Path() / backups / "."), DeviceOf(FDir.Path() / "t"));
  const TRun run = Convert({"--backup-dir", backups}, inputs);
  EXPECT_EQ(run.Status, 0) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Applied"}, {"Applied"}, {"Applied"}}, true);
  for (const json& object : Objects(run))
    EXPECT_TRUE(TextOrEmpty(object["backup"]).starts_with(backups + "/")) << object.dump();
}

TEST_F(Faults, AFullBackupFileSystemKeepsTheFileWhoseBackupDoesNotFit) {
  std::string whyNot;
  const auto mount = TMount::Tmpfs(FDir.Path() / "bak", 16 * kPage, whyNot);
  if (!mount) GTEST_SKIP() << "no small file system for the backups: " << whyNot;
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  const TRun run = Convert({"--backup-dir", "bak"}, inputs);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", "Cannot create backup file"}, {"Applied"}, {"Applied"}}, true);
  const std::string log = Objects(run)[1]["log"].dump();
  EXPECT_NE(log.find(ErrorText(ENOSPC)), std::string::npos) << log;
  // No partial copy of the big form is taken for a backup.
  EXPECT_EQ(Names(Snapshot(FDir.Path() / "bak")),
            (std::vector<std::string>{SmallForms()[0].Name, SmallForms()[1].Name, SmallForms()[2].Name}));
}

// Overwriting old backups: the old backup of the file whose new backup does not fit stays.
TEST_F(Faults, AFullBackupFileSystemKeepsTheOldBackupItWasToOverwrite) {
  std::string whyNot;
  const auto mount = TMount::Tmpfs(FDir.Path() / "bak", 16 * kPage, whyNot);
  if (!mount) GTEST_SKIP() << "no small file system for the backups: " << whyNot;
  const std::vector<std::string> inputs = PutSmallBigSmallSmall();
  const fs::path oldBackup = FDir.Path() / "bak" / BigForm().Name;
  WriteFile(oldBackup, "old backup");
  const TRun run = Convert({"--backup-dir", "bak", "--overwrite-backup"}, inputs);
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, {{"Applied"}, {"Error", ErrorText(ENOSPC)}, {"Applied"}, {"Applied"}}, true);
  EXPECT_EQ(ReadFile(oldBackup), "old backup");
  EXPECT_EQ(Names(Snapshot(FDir.Path() / "bak")).size(), 4u) << "a partial new backup was left";
}

// --- A transformation that fails half-way --------------------------------------------------------

// The root class of a form text: "object Name: TClass" or "inherited Name: TClass".
std::string RootClassOf(const std::string& AText) {
  const std::string first = AText.substr(0, AText.find_first_of("\r\n"));
  const size_t colon = first.find(':');
  if (colon == std::string::npos) return {};
  std::string name = first.substr(colon + 1);
  name.erase(0, name.find_first_not_of(' '));
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// The first damaged corpus file that not even a conversion in memory reads: no run gets a form
// from it.
std::string UnreadableDamagedFile() {
  for (const std::string& name : tess::testing::FilesIn("damaged")) {
    tess::stream::TMemoryStream input(tess::testing::ReadFile(kCorpus / "damaged" / name)), output;
    try {
      tess::stream::ResourceToFormText(input, output);
    } catch (const tess::common::Exception&) {
      return name;
    }
  }
  return {};
}

class FailingHalfWay : public Faults, public ::testing::WithParamInterface<const char*> {};

// Its first action changes every form; its second one cannot be carried out on the objects of one
// form's class, after the first has already changed that form in memory. That form, and a damaged
// corpus file, fail; every other file is transformed as a run without them transforms it.
TEST_P(FailingHalfWay, KeepsTheFileItFailedOnAndTransformsTheOthers) {
  std::vector<std::string> names;
  std::vector<std::string> classes;
  for (const std::string& name : tess::testing::FilesIn("text")) {
    const auto size = fs::file_size(kCorpus / "text" / name);
    if (size < 400 || size > 4000) continue;
    const std::string rootClass = RootClassOf(tess::testing::ReadFile(kCorpus / "text" / name));
    if (rootClass.empty() || std::find(classes.begin(), classes.end(), rootClass) != classes.end()) continue;
    names.push_back(name);
    classes.push_back(rootClass);
    if (names.size() == 5) break;
  }
  ASSERT_EQ(names.size(), 5u);
  const std::string victimClass = classes[2];
  for (size_t i = 0; i < names.size(); ++i) {
    if (i == 2) continue;
    ASSERT_EQ(tess::testing::ReadFile(kCorpus / "text" / names[i]).find(": " + victimClass), std::string::npos)
        << victimClass << " in " << names[i];
  }
  const std::string damaged = UnreadableDamagedFile();
  ASSERT_FALSE(damaged.empty());

  WriteFile(FHome.Dir().Path() / "Tessarine" / "Transforms" / "0001.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation>\n  <Caption>Half way</Caption>\n"
            "  <Description/>\n  <Actions>\n"
            "    <RemoveProp><PropName>Left</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
            "    <NewProp><NewPropName>Tag</NewPropName><NewPropValue/><ObjectName/><ObjectClass>" +
                victimClass +
                "</ObjectClass><Overwrite>true</Overwrite></NewProp>\n"
                "    <RemoveProp><PropName>Top</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
                "  </Actions>\n</Transformation>\n");
  std::vector<std::string> inputs, reference;
  auto add = [&](const std::string& AFolder, const std::string& AName) {
    const std::string bytes = tess::testing::ReadFile(kCorpus / AFolder / AName);
    for (const char* tree : {"t/", "pristine/"}) WriteFile(FDir.Path() / (tree + AName), bytes);
    inputs.push_back("t/" + AName);
    reference.push_back("pristine/" + AName);
    FOriginal[inputs.back()] = bytes;
  };
  for (size_t i = 0; i < names.size(); ++i) {
    add("text", names[i]);
    if (i == 3) add("damaged", damaged);
  }

  // What the transformation makes of each file, from a run over untouched copies into a folder.
  std::vector<std::string> args{"apply", "Half way", "--json", "--output-dir", "ref"};
  args.insert(args.end(), reference.begin(), reference.end());
  const TRun referenceRun = RunCli(args, FDir.Path());
  const std::vector<json> expected = Objects(referenceRun);
  ASSERT_EQ(expected.size(), inputs.size()) << referenceRun.Out << referenceRun.Err;
  std::vector<TOutcome> outcomes;
  for (size_t i = 0; i < inputs.size(); ++i) {
    outcomes.emplace_back(expected[i]["status"].get<std::string>());
    if (outcomes.back().Status != "Error")
      FExpected[inputs[i]] = ReadFile(FDir.Path() / "ref" / fs::path(inputs[i]).filename());
  }
  ASSERT_EQ(outcomes[0].Status, "Applied") << expected[0].dump();
  ASSERT_EQ(outcomes[2].Status, "Error") << expected[2].dump();
  ASSERT_EQ(outcomes[4].Status, "Error") << expected[4].dump();
  outcomes[2].Reason = "cannot add a property to";

  std::vector<std::string> replace{"apply", "Half way", "--json", "--replace", "-j", GetParam()};
  replace.insert(replace.end(), inputs.begin(), inputs.end());
  const TRun run = RunCli(replace, FDir.Path());
  EXPECT_EQ(run.Status, 1) << run.Err;
  CheckRun(run, inputs, outcomes, true);
  EXPECT_FALSE(fs::exists(FDir.Path() / (inputs[2] + ".bak")));
  // Each file's log is the one of the run without faults: the failing form's also shows what the
  // first action did to it before the second one failed.
  const std::vector<json> objects = Objects(run);
  ASSERT_EQ(objects.size(), expected.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    std::string log = expected[i]["log"].dump();
    for (size_t at; (at = log.find("pristine/")) != std::string::npos;) log.replace(at, 9, "t/");
    EXPECT_EQ(objects[i]["log"].dump(), log) << inputs[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Jobs, FailingHalfWay, ::testing::Values("1", "2"),
                         [](const auto& AInfo) { return std::string("j") + AInfo.param; });

// --- What a scan or the command line cannot take ----------------------------------------------

// A chain of folders below AParent, made and removed through descriptors, whose path grows past
// what the system takes in one path (4096 bytes); a form lies in its last folder.
class TDeepChain {
public:
  TDeepChain(const fs::path& AParent, int ALevels, const std::string& AForm)
      : FParent(::open(AParent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), FLevels(ALevels) {
    int folder = ::dup(FParent);
    for (int i = 0; i < ALevels && folder >= 0; ++i) {
      ::mkdirat(folder, Name().c_str(), 0755);
      const int next = ::openat(folder, Name().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ::close(folder);
      folder = next;
    }
    if (folder < 0) return;
    const int file = ::openat(folder, "deep.dfm", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    FMade = file >= 0 && ::write(file, AForm.data(), AForm.size()) == ssize_t(AForm.size());
    if (file >= 0) ::close(file);
    ::close(folder);
  }
  ~TDeepChain() {
    if (FParent < 0) return;
    Remove(::dup(FParent), FLevels);
    ::close(FParent);
  }
  bool Made() const { return FMade; }
  // The path of level ALevel (1 for the first folder) as seen from AParent.
  static std::string Below(int ALevel) {
    std::string path;
    for (int i = 0; i < ALevel; ++i) path += (i == 0 ? "" : "/") + Name();
    return path;
  }

private:
  static std::string Name() { return std::string(200, 'd'); }
  static void Remove(int AFolder, int ALeft) {
    if (AFolder < 0) return;
    if (ALeft == 0) {
      ::unlinkat(AFolder, "deep.dfm", 0);
    } else {
      Remove(::openat(AFolder, Name().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), ALeft - 1);
      ::unlinkat(AFolder, Name().c_str(), AT_REMOVEDIR);
    }
    ::close(AFolder);
  }
  int FParent;
  int FLevels;
  bool FMade = false;
};

bool MakeSocket(const fs::path& APath) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || APath.string().size() >= sizeof address.sun_path) return false;
  std::strcpy(address.sun_path, APath.c_str());
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

bool IsOfType(const fs::path& APath, mode_t AType) {
  struct stat info;
  return ::lstat(APath.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == AType;
}

TOutcome NotAForm(const std::string& AReason) { return TOutcome("Error", AReason, false, true); }

class ScanProblems : public Faults, public ::testing::WithParamInterface<const char*> {};

// A pipe and a socket named like forms, a folder too deep to be named and, where the test can lock
// one, a folder the program may not read: each is an error of the run with its reason, none is
// opened, and the forms around them are converted. A program that opened the pipe would wait
// until the test let it read an empty file, ten seconds on.
TEST_P(ScanProblems, AreErrorsOfTheRunAndTheFormsAroundThemAreConverted) {
  Put("t/a.dfm", SmallForms()[0]);
  Put("t/sub/b.dfm", SmallForms()[1]);
  Put("t/z.dfm", SmallForms()[2]);
  TGate pipe(FDir.Path() / "t/f.dfm");
  ASSERT_TRUE(pipe.Made()) << ErrorText(errno);
  pipe.Open(std::chrono::seconds(10));
  ASSERT_TRUE(MakeSocket(FDir.Path() / "t/s.dfm")) << ErrorText(errno);
  // From the test folder, level 21 of the chain is 4222 bytes away and level 20 4021.
  std::optional<TDeepChain> deep(std::in_place, FDir.Path() / "t", 21, SmallForms()[3].Bytes);
  ASSERT_TRUE(deep->Made()) << ErrorText(errno);
  // Root reads any folder whatever its permissions say.
  const bool locking = ::geteuid() != 0;
  if (locking) {
    Put("t/locked/c.dfm", SmallForms()[4]);
    fs::permissions(FDir.Path() / "t/locked", fs::perms::none);
  }

  const TRun run = Convert({"--replace", "-j", GetParam(), "-r"}, {"t"});
  if (locking) fs::permissions(FDir.Path() / "t/locked", fs::perms::owner_all);
  // Gone before the checks, which walk the whole tree by path.
  deep.reset();
  EXPECT_EQ(run.Status, 1) << run.Err;
  // The scan's problems come first, in the order it met them, then the forms in scan order.
  std::vector<std::string> inputs{"t/f.dfm", "t/s.dfm", "t/" + TDeepChain::Below(21)};
  std::vector<TOutcome> outcomes{NotAForm("Not a regular file"), NotAForm("Not a regular file"),
                                 NotAForm("Cannot read folder: " + ErrorText(ENAMETOOLONG))};
  if (locking) {
    inputs.push_back("t/locked");
    outcomes.push_back(NotAForm("Cannot read folder: " + ErrorText(EACCES)));
  }
  for (const char* form : {"t/a.dfm", "t/z.dfm", "t/sub/b.dfm"}) {
    inputs.push_back(form);
    outcomes.emplace_back("Applied");
  }
  CheckRun(run, inputs, outcomes, true);
  EXPECT_TRUE(IsOfType(FDir.Path() / "t/f.dfm", S_IFIFO));
  EXPECT_TRUE(IsOfType(FDir.Path() / "t/s.dfm", S_IFSOCK));
  std::vector<std::string> files{"a.dfm", "a.dfm.bak", "sub/b.dfm", "sub/b.dfm.bak", "z.dfm", "z.dfm.bak"};
  if (locking) files.insert(files.begin() + 2, "locked/c.dfm");
  EXPECT_EQ(Names(Snapshot(FDir.Path() / "t")), files);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ScanProblems, ::testing::Values("1", "2"),
                         [](const auto& AInfo) { return std::string("j") + AInfo.param; });

// Named on the command line or found in the Transforms folder, a pipe or a device is refused
// without being read: the file fails with the reason and the others go on.
TEST_F(Faults, APipeOrDeviceNamedAsAFormIsRefusedAndTheRestGoesOn) {
  Put("t/a.dfm", SmallForms()[0]);
  Put("t/b.dfm", SmallForms()[1]);
  TGate pipe(FDir.Path() / "t/f.dfm");
  ASSERT_TRUE(pipe.Made()) << ErrorText(errno);
  pipe.Open(std::chrono::seconds(10));
  const std::vector<std::string> inputs{"t/a.dfm", "t/f.dfm", "/dev/zero", "t/b.dfm"};
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    const TRun run = Convert({"--new", "-j", jobs}, inputs);
    EXPECT_EQ(run.Status, 1) << run.Err;
    CheckRun(run, inputs, {{"Applied"}, NotAForm("Not a regular file"), NotAForm("Not a regular file"), {"Applied"}},
             false);
    for (const char* result : {"t/a.new.dfm", "t/b.new.dfm"}) fs::remove(FDir.Path() / result);
  }

  const fs::path transforms = FHome.Dir().Path() / "Tessarine" / "Transforms";
  fs::create_directories(transforms);
  TGate transform(transforms / "0002.xml");
  ASSERT_TRUE(transform.Made()) << ErrorText(errno);
  transform.Open(std::chrono::seconds(10));
  const TRun listed = RunCli({"transforms"}, FDir.Path());
  EXPECT_EQ(listed.Status, 1) << listed.Err;
  EXPECT_EQ(listed.OutLines().size(), 2u) << listed.Out;
  EXPECT_NE(listed.Err.find("0002.xml: Not a regular file"), std::string::npos) << listed.Err;
}

// The process that runs the program: the opener itself, or the parent of a worker.
pid_t ProgramOf(pid_t AOpener) {
  std::ifstream stat("/proc/" + std::to_string(AOpener) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  // "PID (NAME) STATE PPID ...": the name may hold blanks and parentheses, the last ')' ends it.
  std::istringstream fields(text.substr(text.rfind(')') + 1));
  std::string state;
  pid_t parent = -1;
  fields >> state >> parent;
  return parent == ::getpid() ? AOpener : parent;
}

class StopWhileWaiting : public Faults, public ::testing::WithParamInterface<std::pair<const char*, int>> {};

// A stop asked for while the run waits to open a form (one whose opening the test holds back):
// the run ends at once, not when the form is let go, with the files before it placed and reported,
// every file whole and no temporary folder left, and says how many files it did not process.
TEST_P(StopWhileWaiting, EndsAtOnceWithEveryFileWhole) {
  // Plain variables rather than a structured binding: the lambda below captures them.
  const char* const jobs = GetParam().first;
  const int signal = GetParam().second;
  constexpr size_t kHeld = 2;
  const std::vector<std::string> inputs = PutNumbered(6);
  TLeaseGate gate(FDir.Path() / inputs[kHeld]);
  if (!gate.WhyNot().empty()) GTEST_SKIP() << gate.WhyNot();
  const fs::path scratch = UseScratch();
  std::string problem;
  std::chrono::steady_clock::time_point signalled;
  // With two jobs a worker may reach the held form before the files ahead of it are placed: the
  // stop is asked for once they are reported.
  std::atomic<size_t> reported{0};
  TWatch watch;
  watch.OnOut = [&](const std::string& AOut) { reported = size_t(std::count(AOut.begin(), AOut.end(), '\n')); };
  std::thread fault([&] {
    const pid_t opener = gate.WaitForOpener(std::chrono::seconds(20));
    for (int i = 0; i < 2000 && reported < kHeld; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    signalled = std::chrono::steady_clock::now();
    if (opener < 0 || ::kill(ProgramOf(opener), signal) != 0) {
      problem = "nothing waited at the gate: " + ErrorText(errno);
      gate.Open();
    }
  });
  const TRun run = Convert({"--replace", "-j", jobs}, inputs, watch);
  const auto ended = std::chrono::steady_clock::now();
  fault.join();
  gate.Open();
  ASSERT_EQ(problem, "");
  EXPECT_EQ(run.Status, 130) << run.Err;
  // The gate would have held it 45 seconds.
  EXPECT_LT(ended - signalled, std::chrono::seconds(20)) << "the run waited for the held form";
  EXPECT_NE(run.Err.find("stopped; 4 of 6 files were not processed"), std::string::npos) << run.Err;
  const std::vector<std::string> placed(inputs.begin(), inputs.begin() + kHeld);
  CheckRun(run, placed, std::vector<TOutcome>(kHeld, TOutcome("Applied")), true);
  for (size_t i = kHeld; i < inputs.size(); ++i) {
    EXPECT_TRUE(ReadFile(FDir.Path() / inputs[i]) == FOriginal[inputs[i]]) << inputs[i];
    EXPECT_FALSE(fs::exists(FDir.Path() / (inputs[i] + ".bak"))) << inputs[i];
  }
  EXPECT_TRUE(fs::is_empty(scratch)) << "the temporary folder was left behind";
}

INSTANTIATE_TEST_SUITE_P(Signals, StopWhileWaiting,
                         ::testing::Values(std::make_pair("1", SIGINT), std::make_pair("2", SIGTERM)),
                         [](const auto& AInfo) {
                           return std::string(AInfo.param.second == SIGINT ? "Interrupt" : "Terminate") + "j" +
                                  AInfo.param.first;
                         });

// --- Names as they are ---------------------------------------------------------------------------

// A name that begins or ends with a blank is a name like any other here: a scan of "trail " takes
// its own forms, not those of "trail" beside it, " lead" is not "lead", and an output folder
// "out " is the one written to.
TEST_F(Faults, BlanksAtTheEndsOfANameArePartOfIt) {
  Put("t/trail /a.dfm", SmallForms()[0]);
  Put("t/trail/b.dfm", SmallForms()[1]);
  Put(" lead/c.dfm", SmallForms()[2]);
  Put("lead/c.dfm", SmallForms()[3]);
  TRun run = Convert({"--replace", "-r"}, {"t/trail ", " lead"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  CheckRun(run, {"t/trail /a.dfm", " lead/c.dfm"}, {{"Applied"}, {"Applied"}}, true);
  for (const char* other : {"t/trail/b.dfm", "lead/c.dfm"}) {
    EXPECT_TRUE(ReadFile(FDir.Path() / other) == FOriginal[other]) << other;
    EXPECT_FALSE(fs::exists(FDir.Path() / (std::string(other) + ".bak"))) << other;
  }

  run = Convert({"--output-dir", "out "}, {"t/trail/b.dfm"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  CheckRun(run, {"t/trail/b.dfm"}, {{"Applied"}}, false);
  ASSERT_EQ(Objects(run).size(), 1u);
  EXPECT_EQ(Objects(run)[0]["output"], "out /b.dfm");
  EXPECT_FALSE(fs::exists(FDir.Path() / "out"));
}

// Names that are not UTF-8 keep their bytes: each file is converted as itself, two names that
// differ in such a byte stay two files, and one named on the command line is found.
TEST_F(Faults, NamesThatAreNotUtf8KeepTheirBytes) {
  const std::vector<std::string> inputs{"t/caf\xE8.dfm", "t/caf\xE9.dfm", "n\xFF.dfm"};
  for (size_t i = 0; i < inputs.size(); ++i) Put(inputs[i], SmallForms()[i]);
  const TRun run = RunCli({"convert", "--to", "text", "--replace", "-r", "t", inputs[2]}, FDir.Path());
  EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
  std::vector<std::string> statuses;
  for (const std::string& line : run.OutLines())
    if (line.find('\t') != std::string::npos) statuses.push_back(line.substr(0, line.find('\t')));
  EXPECT_EQ(statuses, (std::vector<std::string>{"Applied", "Applied", "Applied"})) << run.Out;
  for (const std::string& input : inputs) {
    EXPECT_TRUE(ReadFile(FDir.Path() / input) == FExpected[input]) << input;
    EXPECT_TRUE(ReadFile(FDir.Path() / (input + ".bak")) == FOriginal[input]) << input;
  }
  EXPECT_EQ(Snapshot(FDir.Path()).size(), 2 * inputs.size()) << "files under other names";
}

}  // namespace
}  // namespace tess::cli::testing
