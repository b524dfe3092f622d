// Runs set up the way a careless or hostile user sets them up: a backup folder that is the input's
// own or holds another input, a file named twice or reached twice through a link, two inputs with
// one name, results equal to their inputs, scanned trees into one folder, names as long as the file
// system allows, a file of the user's named like a temporary file. After every run, one check: each
// input's original content is at its own name or in a backup the run reports, byte for byte;
// nothing else changed; no temporary file is left; and no name but a temporary file's was ever
// written to, so that a run killed at any moment leaves every name whole.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "CliHarness.h"
#include "CliTestSupport.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"

namespace tess::cli::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

bool IsTemporaryName(const std::string& AName) {
  return AName.size() == 26 && AName.starts_with(".tess-") && AName.ends_with(".tmp");
}

// Watches every folder of a tree, and the folders made in it, for files written in place: a name
// that is not a temporary file's must only ever appear by a rename or as a second name.
class TWriteWatch {
public:
  explicit TWriteWatch(const fs::path& ARoot) : FFd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
    Watch(ARoot);
    for (const auto& entry : fs::recursive_directory_iterator(ARoot))
      if (entry.is_directory() && !entry.is_symlink()) Watch(entry.path());
    FThread = std::thread([this] {
      while (!FStop) Drain(50);
      Drain(0);
    });
  }
  ~TWriteWatch() { Stop(); }
  // The names written in place, relative to their folder's watch.
  std::set<std::string> Stop() {
    if (FThread.joinable()) {
      FStop = true;
      FThread.join();
      ::close(FFd);
    }
    return FWrittenInPlace;
  }

private:
  void Watch(const fs::path& AFolder) {
    const int wd = ::inotify_add_watch(FFd, AFolder.c_str(), IN_MODIFY | IN_CREATE);
    if (wd >= 0) FFolders[wd] = AFolder;
  }
  void Drain(int ATimeoutMs) {
    pollfd ready{FFd, POLLIN, 0};
    if (::poll(&ready, 1, ATimeoutMs) <= 0) return;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t count; (count = ::read(FFd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < count;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += ssize_t(sizeof(inotify_event) + event->len);
        if (event->len == 0) continue;
        const fs::path path = FFolders[event->wd] / event->name;
        if ((event->mask & IN_CREATE) && (event->mask & IN_ISDIR)) Watch(path);
        if ((event->mask & IN_MODIFY) && !IsTemporaryName(event->name)) FWrittenInPlace.insert(path.string());
      }
    }
  }

  int FFd;
  std::map<int, fs::path> FFolders;
  std::set<std::string> FWrittenInPlace;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

struct TFile {
  std::string Path;
  std::string Kind;  // "binary", "text" (with Explicit properties), "plain" (text without any), "user"
};

// Where a file must be after the run: the original of an input, or nothing.
struct TExpect {
  std::string Path;
  std::string OriginalOf;  // empty: the path must not exist
};

struct TScenario {
  const char* Name;
  std::vector<TFile> Files;
  std::vector<std::pair<std::string, std::string>> Links;  // link, what it points to
  std::vector<std::string> Args;
  int Runs = 1;
  std::vector<TExpect> Expect;
  std::vector<std::string> Untouched;  // inputs that keep their inode: never rewritten
};

const std::string kLong251 = std::string(247, 'n') + ".dfm";
const std::string kLong255 = std::string(251, 'n') + ".dfm";

const std::vector<TScenario>& Scenarios() {
  static const std::vector<TScenario> scenarios = {
      {"backup folder is the input's own",
       {{"d/x.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--overwrite-backup", "--backup-dir", "d", "d/x.dfm"},
       1,
       {{"d/x.dfm.bak", "d/x.dfm"}},
       {}},
      {"backup folder holds another input",
       {{"A/x.dfm", "binary"}, {"B/x.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--overwrite-backup", "--backup-dir", "B", "A/x.dfm", "B/x.dfm"},
       1,
       {{"B/x.dfm1", "A/x.dfm"}, {"B/x.dfm.bak", "B/x.dfm"}},
       {}},
      {"backup folder is the working folder, from the saved preferences",
       {{"x.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "x.dfm"},
       1,
       {{"x.dfm.bak", "x.dfm"}},
       {}},
      {"one base name from two folders into one backup folder",
       {{"s1/Main.dfm", "binary"}, {"s2/Main.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--overwrite-backup", "--backup-dir", "bk", "s1/Main.dfm", "s2/Main.dfm"},
       1,
       {{"bk/Main.dfm", "s1/Main.dfm"}, {"bk/Main.dfm1", "s2/Main.dfm"}},
       {}},
      {"the same file twice",
       {{"t/x.dfm", "text"}},
       {},
       {"apply", "remove.xml", "--overwrite-backup", "t/x.dfm", "t/x.dfm"},
       1,
       {{"t/x.dfm.bak", "t/x.dfm"}, {"t/x.dfm.bak1", ""}},
       {}},
      {"a folder reached twice through a link",
       {{"t/a/x.dfm", "text"}},
       {{"t/b", "a"}},
       {"apply", "remove.xml", "--overwrite-backup", "-r", "t"},
       1,
       {{"t/a/x.dfm.bak", "t/a/x.dfm"}},
       {}},
      {"a scanned tree into an output folder keeps its shape",
       {{"r/Unit1.dfm", "binary"}, {"r/sub/deeper/Unit1.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--output-dir", "out", "-r", "r"},
       1,
       {{"out/Unit1.dfm1", ""}, {"out/sub/deeper/Unit1.dfm1", ""}},
       {}},
      {"a scanned tree into an output folder, flat",
       {{"r/Unit1.dfm", "binary"}, {"r/sub/Unit1.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--output-dir", "out", "--flat", "-r", "r"},
       1,
       {{"out/sub", ""}},
       {}},
      {"a scanned tree into a backup folder keeps its shape",
       {{"r/Unit1.dfm", "binary"}, {"r/sub/Unit1.dfm", "binary"}},
       {},
       {"convert", "--to", "text", "--backup-dir", "bk", "-r", "r"},
       1,
       {{"bk/Unit1.dfm", "r/Unit1.dfm"}, {"bk/sub/Unit1.dfm", "r/sub/Unit1.dfm"}},
       {}},
      {"a file of the user's named like a temporary file",
       {{"t/x.dfm", "binary"}, {"t/x.dfm.tmp", "user"}, {"t/y.dfm", "binary"}, {"t/y.dfm.tmp", "user"}},
       {},
       {"convert", "--to", "text", "--no-backup", "t/x.dfm", "t/y.dfm"},
       1,
       {},
       {}},
      {"names as long as the file system allows",
       {{"t/" + kLong255, "binary"}, {"u/" + kLong251, "binary"}},
       {},
       {"convert", "--to", "text", "--no-backup", "t/" + kLong255},
       1,
       {},
       {}},
      {"a long name with its backup beside it",
       {{"u/" + kLong251, "binary"}},
       {},
       {"convert", "--to", "text", "--replace", "u/" + kLong251},
       1,
       {{"u/" + kLong251 + ".bak", "u/" + kLong251}},
       {}},
      {"results equal to their inputs, three times over, replacing",
       {{"t/x.dfm", "plain"}},
       {},
       {"apply", "remove.xml", "--replace", "t/x.dfm"},
       3,
       {{"t/x.dfm.bak", ""}},
       {"t/x.dfm"}},
      {"results equal to their inputs, three times over, into a folder",
       {{"t/x.dfm", "plain"}},
       {},
       {"apply", "remove.xml", "--backup-dir", "bk", "t/x.dfm"},
       3,
       {{"bk/x.dfm", ""}},
       {"t/x.dfm"}},
      {"results equal to their inputs, three times over, as new files",
       {{"t/x.dfm", "plain"}},
       {},
       {"apply", "remove.xml", "--new", "t/x.dfm"},
       3,
       {{"t/x.dfm.new.dfm", ""}},
       {"t/x.dfm"}},

  };
  return scenarios;
}

std::string Bytes(const std::string& AKind, const std::string& APath) {
  static const std::vector<std::string> binaries = tess::testing::FilesIn("binary");
  // A different corpus form for each path, so that a file in the wrong place shows.
  const size_t pick = std::hash<std::string>{}(APath) % 40;
  if (AKind == "binary") return tess::testing::ReadFile(tess::testing::kCorpus / "binary" / binaries[pick]);
  if (AKind == "text") return kForm;
  if (AKind == "plain") return "object Form1: TForm1\r\n  Left = " + std::to_string(pick) + "\r\nend\r\n";
  return "the user's own file " + APath;
}

constexpr const char* kRemoveExplicit =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Transformation>\n  <Caption>Remove Explicit</Caption>\n"
    "  <Description/>\n  <Actions>\n"
    "    <RemoveProp><PropName>ExplicitLeft</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
    "    <RemoveProp><PropName>ExplicitTop</PropName><ObjectName/><ObjectClass/></RemoveProp>\n"
    "  </Actions>\n</Transformation>\n";

// The saved preferences of a user who once chose a backup folder and left it empty.
const std::string kEmptyBackupFolder = Preferences(
    "  <Replace>True</Replace>\n  <Backup>True</Backup>\n  <BackupSameFolder>False</BackupSameFolder>\n"
    "  <BackupFolder></BackupFolder>\n  <OverrideBackup>True</OverrideBackup>\n");

ino_t InodeOf(const fs::path& APath) {
  struct stat info;
  return ::stat(APath.c_str(), &info) == 0 ? info.st_ino : 0;
}

class PlacementSafety : public ::testing::TestWithParam<std::pair<size_t, bool>> {};

TEST_P(PlacementSafety, EveryOriginalSurvivesAndOnlyWholeFilesAppear) {
  const TScenario& scenario = Scenarios()[GetParam().first];
  const bool otherTempFileSystem = GetParam().second;
  SCOPED_TRACE(scenario.Name);
  tess::testing::ScopedDataHome home;
  WriteFile(home.Dir().Path() / "Tessarine" / "Preferences.xml", kEmptyBackupFolder);
  tess::testing::TempDir dir;
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string savedTmp = oldTmp != nullptr ? oldTmp : "";
  if (otherTempFileSystem) {
    // The program's private folder on another file system than the tree, as with /tmp on tmpfs.
    char pattern[] = "/dev/shm/tess-tmp-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    ::setenv("TMPDIR", pattern, 1);
  }
  std::map<std::string, std::string> originals;
  for (const TFile& file : scenario.Files) {
    originals[file.Path] = Bytes(file.Kind, file.Path);
    WriteFile(dir.Path() / file.Path, originals[file.Path]);
  }
  for (const auto& [link, target] : scenario.Links) fs::create_directory_symlink(target, dir.Path() / link);
  WriteFile(dir.Path() / "remove.xml", kRemoveExplicit);
  const std::map<std::string, std::string> before = Snapshot(dir.Path());
  std::map<std::string, ino_t> inodes;
  for (const std::string& path : scenario.Untouched) inodes[path] = InodeOf(dir.Path() / path);

  std::vector<json> reports;
  TWriteWatch watch(dir.Path());
  std::vector<std::string> args = scenario.Args;
  args.push_back("--json");
  for (int run = 0; run < scenario.Runs; ++run) {
    const TRun result = RunCli(args, dir.Path());
    EXPECT_EQ(result.Status, 0) << result.Out << result.Err;
    for (const std::string& line : result.OutLines()) reports.push_back(json::parse(line));
  }
  const std::set<std::string> writtenInPlace = watch.Stop();
  if (otherTempFileSystem) {
    fs::remove_all(std::getenv("TMPDIR"));
    if (oldTmp != nullptr)
      ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }
  const std::map<std::string, std::string> after = Snapshot(dir.Path());

  // Every original is at its own name or in a reported backup; reported files exist.
  std::set<std::string> reported;
  for (const json& report : reports) {
    EXPECT_NE(report["status"], "Error") << report.dump();
    for (const char* key : {"output", "backup"})
      if (report[key].is_string()) {
        reported.insert(fs::path(report[key].get<std::string>()).lexically_normal().string());
        EXPECT_TRUE(after.count(*reported.rbegin())) << key << " reported but missing: " << report.dump();
      }
  }
  const bool discardsOriginals = std::find(args.begin(), args.end(), "--no-backup") != args.end();
  for (const TFile& file : scenario.Files) {
    if (file.Kind == "user" || discardsOriginals) continue;
    bool kept = after.count(file.Path) && after.at(file.Path) == originals[file.Path];
    for (const std::string& backup : reported)
      kept = kept || (after.count(backup) && after.at(backup) == originals[file.Path]);
    EXPECT_TRUE(kept) << "the original of " << file.Path << " is gone";
  }
  // Nothing else changed, nothing else appeared, no temporary file is left.
  for (const auto& [path, bytes] : before) {
    bool input = false;
    for (const TFile& file : scenario.Files) input = input || (file.Path == path && file.Kind != "user");
    if (!input && !reported.count(path)) {
      EXPECT_TRUE(after.count(path) && after.at(path) == bytes) << path << " changed";
    }
  }
  for (const auto& [path, bytes] : after) {
    EXPECT_TRUE(before.count(path) || reported.count(path)) << path << " appeared without being reported";
    EXPECT_FALSE(IsTemporaryName(fs::path(path).filename())) << "left behind: " << path;
  }
  EXPECT_EQ(writtenInPlace, std::set<std::string>{}) << "written at its final name rather than renamed there";
  for (const TExpect& expect : scenario.Expect) {
    if (expect.OriginalOf.empty()) {
      EXPECT_FALSE(fs::exists(dir.Path() / expect.Path)) << expect.Path;
    } else {
      EXPECT_TRUE(after.count(expect.Path) && after.at(expect.Path) == originals.at(expect.OriginalOf))
          << expect.Path << " does not hold the original of " << expect.OriginalOf;
    }
  }
  for (const auto& [path, inode] : inodes) EXPECT_EQ(InodeOf(dir.Path() / path), inode) << path << " was rewritten";
}

std::vector<std::pair<size_t, bool>> AllCases() {
  std::vector<std::pair<size_t, bool>> cases;
  for (size_t i = 0; i < Scenarios().size(); ++i)
    for (bool other : {false, true}) cases.emplace_back(i, other);
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Runs, PlacementSafety, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<std::pair<size_t, bool>>& AInfo) {
                           std::string name = tess::testing::TestNameOf(Scenarios()[AInfo.param.first].Name);
                           return name + (AInfo.param.second ? "_tmp_elsewhere" : "");
                         });

}  // namespace
}  // namespace tess::cli::testing
