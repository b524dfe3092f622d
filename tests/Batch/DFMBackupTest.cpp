#include "Batch/uDFMBackup.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

#include "App/uDFMSettings.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Support/TempDir.h"

using namespace tess::batch;
using tess::app::TDFMSettings;
using tess::common::TFilePath;
using tess::common::U16;
using tess::common::Utf16ToUtf8;
using tess::testing::TempDir;
using tess::transform::TTransform;
using tess::transform::TTransformStatus;
namespace fs = std::filesystem;

namespace {

enum class Behaviour { Apply, NoChanges, Skip, FailAfterWriting, ThrowWithoutStatus, Copy };

// Writes the reversed input to the out-file, or fails the way real transformations do.
class TestTransform : public TTransform {
public:
  explicit TestTransform(Behaviour ABehaviour = Behaviour::Apply) : FBehaviour(ABehaviour) {}
  void Execute() override {
    FStatus = TTransformStatus::tsNone;
    OutExistedAtStart = fs::exists(FOutFile.Native());
    ++Runs;
    try {
      if (FBehaviour == Behaviour::Skip) {
        FStatus = TTransformStatus::tsSkipped;
        return;
      }
      std::string bytes = tess::common::DDirectory::ReadBytes(FInFile);
      if (FBehaviour != Behaviour::Copy) std::reverse(bytes.begin(), bytes.end());
      std::ofstream out(FOutFile.Native(), std::ios::binary | std::ios::trunc);
      if (!out) throw tess::common::EFileError(u"Cannot create file \"" + FOutFile.Text() + u"\"");
      if (FBehaviour == Behaviour::FailAfterWriting || FBehaviour == Behaviour::ThrowWithoutStatus) {
        out << bytes.substr(0, bytes.size() / 2);
        out.close();
        if (FBehaviour == Behaviour::ThrowWithoutStatus) throw std::runtime_error("forgot the status");
        throw tess::common::Exception(u"Grammar failed");
      }
      out << bytes;
      out.close();
      FStatus = FBehaviour == Behaviour::NoChanges ? TTransformStatus::tsNoChanges : TTransformStatus::tsApplied;
    } catch (const tess::common::Exception&) {
      FStatus = TTransformStatus::tsError;
      throw;
    }
  }
  bool OutExistedAtStart = false;
  int Runs = 0;

private:
  Behaviour FBehaviour;
};

// Real form files from the corpus, so the placement is shown on the bytes users have.
std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const char* folder : {"binary", "text"}) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(fs::path(TESS_CORPUS_DIR) / folder))
      if (entry.is_regular_file()) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    for (size_t i = 0; i < found.size() && i < 3; ++i) files.push_back(found[i]);
  }
  return files;
}

std::string Reversed(std::string ABytes) {
  std::reverse(ABytes.begin(), ABytes.end());
  return ABytes;
}

class PlacementTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::vector<fs::path> files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no corpus at " << TESS_CORPUS_DIR;
    std::ifstream in(files.front(), std::ios::binary);
    FOriginal.assign(std::istreambuf_iterator<char>(in), {});
    ASSERT_FALSE(FOriginal.empty());
    FDir.Write("forms/Main.dfm", FOriginal);
  }
  TFilePath Input() const { return FDir / "forms/Main.dfm"; }
  std::string Read(const std::string& AName) const { return FDir.Read(AName); }
  bool Exists(const std::string& AName) const { return fs::exists(FDir.Path() / AName); }
  std::vector<std::string> Listing(const std::string& AFolder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FDir.Path() / AFolder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  TPlaced Run(TTransform& ATransform, const TFilePath& AFile) {
    return TDFMBackup(FSettings).Execute(ATransform, AFile);
  }

  TempDir FDir;
  TDFMSettings FSettings;
  std::string FOriginal;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(PlacementTest, ReplaceKeepsTheFormerContentAsBackupBesideTheInput) {
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  // The result was written to a hidden temporary file of the program's own beside the input.
  const std::string temp = fs::path(transform.OutFile().Native()).filename();
  EXPECT_EQ(fs::path(transform.OutFile().Native()).parent_path(), FDir.Path() / "forms");
  EXPECT_TRUE(temp.starts_with(".tess-") && temp.ends_with(".tmp") && temp.size() == 26) << temp;
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Read("forms/Main.dfm.bak"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm", "Main.dfm.bak"}));
}

TEST_F(PlacementTest, ReplaceEveryCorpusFileByteForByte) {
  const std::vector<fs::path> files = CorpusFiles();
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string name = "corpus/f" + std::to_string(i) + ".dfm";
    std::ifstream in(files[i], std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    FDir.Write(name, bytes);
    TestTransform transform;
    Run(transform, FDir / name);
    EXPECT_EQ(Read(name), Reversed(bytes)) << files[i];
    EXPECT_EQ(Read(name + ".bak"), bytes) << files[i];
    EXPECT_FALSE(Exists(name + ".tmp"));
  }
}

TEST_F(PlacementTest, TakenBackupNamesAreNumberedWithoutTouchingTheOldBackups) {
  FDir.Write("forms/Main.dfm.bak", "old backup");
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm.bak"), "old backup");
  EXPECT_EQ(Read("forms/Main.dfm.bak1"), FOriginal);
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm.bak2"), Reversed(FOriginal));
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm", "Main.dfm.bak", "Main.dfm.bak1", "Main.dfm.bak2"}));
}

TEST_F(PlacementTest, OverridingReplacesTheOldBackup) {
  FSettings.SetOverrideBackup(true);
  FDir.Write("forms/Main.dfm.bak", "old backup");
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm.bak"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm", "Main.dfm.bak"}));
}

TEST_F(PlacementTest, AnOldBackupThatCannotBeDeletedIsPassedOverByNumber) {
  FSettings.SetOverrideBackup(true);
  fs::create_directories(FDir.Path() / "forms/Main.dfm.bak");
  FDir.Write("forms/Main.dfm.bak1", "old numbered backup");
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_TRUE(fs::is_directory(FDir.Path() / "forms/Main.dfm.bak"));
  EXPECT_EQ(Read("forms/Main.dfm.bak2"), FOriginal) << "numbered names do not overwrite either";
  EXPECT_EQ(Read("forms/Main.dfm.bak1"), "old numbered backup");
}

TEST_F(PlacementTest, ReplaceWithoutBackupLeavesOnlyTheResult) {
  FSettings.SetBackup(false);
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

TEST_F(PlacementTest, AReadOnlyInputIsReplacedAndKeepsItsPermissions) {
  FSettings.SetBackup(false);
  fs::permissions(FDir.Path() / "forms/Main.dfm", fs::perms::owner_read | fs::perms::group_read);
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(fs::status(FDir.Path() / "forms/Main.dfm").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(PlacementTest, BackupsToAFolderKeepThePlainFileNameAndAreNumberedWhenTaken) {
  fs::create_directories(FDir.Path() / "backups");
  FSettings.SetBackupSameFolder(false);
  FSettings.SetBackupFolder(FDir.Text("backups"));
  TestTransform transform;
  Run(transform, Input());
  Run(transform, Input());
  EXPECT_EQ(Read("backups/Main.dfm"), FOriginal);
  EXPECT_EQ(Read("backups/Main.dfm1"), Reversed(FOriginal));
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
  FSettings.SetOverrideBackup(true);
  Run(transform, Input());
  EXPECT_EQ(Read("backups/Main.dfm"), FOriginal);
  EXPECT_EQ(Listing("backups"), (Names{"Main.dfm", "Main.dfm1"}));
}

TEST_F(PlacementTest, NewFilesBesideTheInputAreNumberedAndTheInputStays) {
  FSettings.SetReplace(false);
  TestTransform transform;
  EXPECT_EQ(Run(transform, Input()).Output, Input() + ".new.dfm");
  EXPECT_EQ(Run(transform, Input()).Output, Input() + ".new.dfm1");
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Read("forms/Main.dfm.new.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Read("forms/Main.dfm.new.dfm1"), Reversed(FOriginal));
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm", "Main.dfm.new.dfm", "Main.dfm.new.dfm1"}));
}

TEST_F(PlacementTest, NewFilesInTheInputsOwnFolderNeverOverwriteTheInput) {
  FSettings.SetReplace(false);
  FSettings.SetSaveSameFolder(false);
  FSettings.SetSaveFolder(FDir.Text("forms"));
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Read("forms/Main.dfm1"), Reversed(FOriginal));
}

TEST_F(PlacementTest, NewFilesInAnotherFolderKeepThePlainName) {
  fs::create_directories(FDir.Path() / "out");
  FSettings.SetReplace(false);
  FSettings.SetSaveSameFolder(false);
  FSettings.SetSaveFolder(FDir.Text("out"));
  TestTransform transform;
  Run(transform, Input());
  EXPECT_EQ(Read("out/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

TEST_F(PlacementTest, AnEmptySaveFolderMeansTheCurrentFolder) {
  FSettings.SetReplace(false);
  FSettings.SetSaveSameFolder(false);
  fs::create_directories(FDir.Path() / "cwd");
  const fs::path old = fs::current_path();
  fs::current_path(FDir.Path() / "cwd");
  TestTransform transform;
  const TPlaced placed = Run(transform, Input());
  fs::current_path(old);
  EXPECT_EQ(placed.Output, TFilePath("Main.dfm"));
  EXPECT_EQ(Read("cwd/Main.dfm"), Reversed(FOriginal));
}

TEST_F(PlacementTest, AFailingTransformationLeavesTheInputAndNoTemporaryFile) {
  for (bool replace : {true, false}) {
    FSettings.SetReplace(replace);
    TestTransform transform(Behaviour::FailAfterWriting);
    Run(transform, Input());
    EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
    EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
    EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
  }
}

TEST_F(PlacementTest, ATransformationThatRaisesWithoutSettingAnErrorIsStillAFailure) {
  TestTransform transform(Behaviour::ThrowWithoutStatus);
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

// A name like the one older versions used for their temporary file may be the user's own file:
// nothing but the program's exclusively created files is ever deleted.
TEST_F(PlacementTest, FilesNamedLikeAnOldTemporaryFileAreTheUsersAndStay) {
  FDir.Write("forms/Main.dfm.tmp", "the user's own notes");
  fs::create_symlink(FDir.Path() / "elsewhere/victim.dfm", FDir.Path() / "forms/Main.dfm.new.dfm.tmp");
  for (bool replace : {true, false}) {
    FSettings.SetReplace(replace);
    TestTransform transform;
    Run(transform, Input());
    EXPECT_EQ(Read("forms/Main.dfm.tmp"), "the user's own notes");
    EXPECT_TRUE(fs::is_symlink(FDir.Path() / "forms/Main.dfm.new.dfm.tmp"));
    EXPECT_FALSE(fs::exists(FDir.Path() / "elsewhere"));
  }
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Read("forms/Main.dfm.new.dfm"), FOriginal);
  EXPECT_EQ(Listing("forms"),
            (Names{"Main.dfm", "Main.dfm.bak", "Main.dfm.new.dfm", "Main.dfm.new.dfm.tmp", "Main.dfm.tmp"}));
}

namespace {

// A result made before Execute, handed over by rename; AAnswers script what each hand-over meets
// first (0 is the real rename, EEXIST a name someone takes just before, -1 another file system).
class TReadyAheadTransform : public TestTransform {
public:
  TReadyAheadTransform(TFilePath AReady, std::vector<int> AAnswers) : FReady(std::move(AReady)), FAnswers(AAnswers) {}
  int MoveOutputTo(const TFilePath& APath) override {
    const int answer = FAnswers.at(Asked++);
    if (answer == EEXIST) std::ofstream(APath.Native()) << "someone else's";
    if (answer != 0) return answer;
    Moved = tess::common::RenameNoReplace(FReady, APath) == 0;
    return Moved ? 0 : errno;
  }
  void Execute() override {
    if (!Moved) return TestTransform::Execute();
    FStatus = TTransformStatus::tsApplied;
  }
  size_t Asked = 0;
  bool Moved = false;

private:
  TFilePath FReady;
  std::vector<int> FAnswers;
};

}  // namespace

// The hand-over never touches a name it did not make, and a refusal fails the file as a temporary
// file that cannot be made does.
TEST_F(PlacementTest, AResultReadyAheadIsMovedInOrWrittenAsUsual) {
  struct TCase {
    std::vector<int> Answers;
    bool Placed;
  };
  for (const TCase& c : {TCase{{0}, true}, TCase{{EEXIST, EEXIST, 0}, true}, TCase{{-1}, true}, TCase{{EACCES}, false}})
    for (bool replace : {true, false}) {
      const std::string label = std::to_string(c.Answers.front()) + (replace ? " replace" : " new");
      TempDir dir;
      dir.Write("forms/Main.dfm", FOriginal);
      dir.Write("ready/result", "made ahead");
      FSettings.SetReplace(replace);
      FSettings.SetBackup(false);
      TReadyAheadTransform transform(dir / "ready/result", c.Answers);
      std::vector<std::u16string> log;
      transform.SetOnMessage([&](const std::u16string& AMessage) { log.push_back(AMessage); });
      const TPlaced placed = TDFMBackup(FSettings).Execute(transform, dir / "forms/Main.dfm");
      EXPECT_EQ(transform.Asked, c.Answers.size()) << label;
      const std::string expected = transform.Moved ? "made ahead" : Reversed(FOriginal);
      EXPECT_EQ(dir.Read("forms/Main.dfm"), c.Placed && replace ? expected : FOriginal) << label;
      if (!replace && c.Placed) {
        EXPECT_EQ(dir.Read("forms/Main.dfm.new.dfm"), expected) << label;
      }
      // Only the names the script took are left beside the result, each with its own content.
      size_t others = 0;
      for (const auto& entry : fs::directory_iterator(dir.Path() / "forms"))
        if (entry.path().filename().string().starts_with(".tess-")) {
          ++others;
          EXPECT_EQ(dir.Read("forms/" + entry.path().filename().string()), "someone else's") << label;
        }
      EXPECT_EQ(others, size_t(std::count(c.Answers.begin(), c.Answers.end(), EEXIST))) << label;
      if (!c.Placed) {
        EXPECT_EQ(transform.Status(), TTransformStatus::tsError) << label;
        EXPECT_TRUE(placed.Output.IsEmpty()) << label;
        ASSERT_EQ(log.size(), 1u) << label;
        EXPECT_EQ(log[0].rfind(u"Error: Cannot create a temporary file in", 0), 0u) << Utf16ToUtf8(log[0]);
      }
    }
}

// A name as long as the file system allows still has room for the temporary file beside it.
TEST_F(PlacementTest, AnInputWithTheLongestPossibleNameIsReplaced) {
  FSettings.SetBackup(false);
  const std::string name = "forms/" + std::string(251, 'n') + ".dfm";
  FDir.Write(name, FOriginal);
  TestTransform transform;
  Run(transform, FDir / name);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_EQ(Read(name), Reversed(FOriginal));
}

TEST_F(PlacementTest, ASkippedFileIsNeitherBackedUpNorMoved) {
  TestTransform transform(Behaviour::Skip);
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsSkipped);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

TEST_F(PlacementTest, AWrittenResultIsPlacedEvenWithNoChanges) {
  TestTransform transform(Behaviour::NoChanges);
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsNoChanges);
  EXPECT_EQ(Read("forms/Main.dfm.bak"), FOriginal);
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
}

TEST_F(PlacementTest, ALinkedInputReplacesTheFileItPointsTo) {
  FDir.Write("real/Main.dfm", FOriginal);
  fs::remove(FDir.Path() / "forms/Main.dfm");
  fs::create_symlink(FDir.Path() / "real/Main.dfm", FDir.Path() / "forms/Main.dfm");
  TestTransform transform;
  Run(transform, Input());
  EXPECT_TRUE(fs::is_symlink(FDir.Path() / "forms/Main.dfm"));
  EXPECT_EQ(Read("real/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Read("forms/Main.dfm.bak"), FOriginal);
}

// The data-safety cases: whatever fails, the original content is still at the input's name.

TEST_F(PlacementTest, ABackupOnAnotherFileSystemIsACompleteCopy) {
  struct stat here, there;
  if (::stat(FDir.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no second file system (/dev/shm) beside " << FDir.Path();
  char pattern[] = "/dev/shm/tess-backup-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path backups = pattern;
  FSettings.SetBackupSameFolder(false);
  FSettings.SetBackupFolder(U16(backups.string()));
  TestTransform transform;
  Run(transform, Input());
  std::ifstream in(backups / "Main.dfm", std::ios::binary);
  const std::string backup(std::istreambuf_iterator<char>(in), {});
  fs::remove_all(backups);
  EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
  EXPECT_EQ(backup, FOriginal);
  EXPECT_EQ(Read("forms/Main.dfm"), Reversed(FOriginal));
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

TEST_F(PlacementTest, AMissingBackupFolderFailsTheFileAndLeavesTheInput) {
  FSettings.SetBackupSameFolder(false);
  FSettings.SetBackupFolder(FDir.Text("no such folder"));
  TestTransform transform;
  std::vector<std::u16string> log;
  transform.SetOnMessage([&](const std::u16string& AMessage) { log.push_back(AMessage); });
  Run(transform, Input());
  EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind(u"Error: Cannot create backup file", 0), 0u) << Utf16ToUtf8(log[0]);
}

namespace {

// Permissions bind only an ordinary user: as root the case runs in a child process that has
// given up its privileges. The result is the child's exit code.
int RunUnprivileged(const fs::path& ATree, const std::function<int()>& AWork) {
  if (::geteuid() != 0) return AWork();
  for (const auto& entry : fs::recursive_directory_iterator(ATree)) ::lchown(entry.path().c_str(), 65534, 65534);
  ::lchown(ATree.c_str(), 65534, 65534);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(AWork());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// The status, plus 10 when the log explains the failure.
int PlaceAndReport(const TDFMSettings& ASettings, const TFilePath& AInput, const std::u16string& AExpectedLog) {
  TestTransform transform;
  bool explained = false;
  transform.SetOnMessage([&](const std::u16string& AMessage) {
    explained = explained || AMessage.find(AExpectedLog) != std::u16string::npos;
  });
  TDFMBackup(ASettings).Execute(transform, AInput);
  return static_cast<int>(transform.Status()) + (explained ? 10 : 0);
}

}  // namespace

TEST_F(PlacementTest, ABackupFolderWithoutWritePermissionLeavesTheInputUntouched) {
  fs::create_directories(FDir.Path() / "backups");
  FSettings.SetBackupSameFolder(false);
  FSettings.SetBackupFolder(FDir.Text("backups"));
  const int result = RunUnprivileged(FDir.Path(), [&] {
    fs::permissions(FDir.Path() / "backups", fs::perms::owner_read | fs::perms::owner_exec);
    return PlaceAndReport(FSettings, Input(), u"Cannot create backup file");
  });
  fs::permissions(FDir.Path() / "backups", fs::perms::owner_all);
  EXPECT_EQ(result, static_cast<int>(TTransformStatus::tsError) + 10);
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
  EXPECT_TRUE(Listing("backups").empty());
}

TEST_F(PlacementTest, AnInputFolderWithoutWritePermissionLeavesTheInputUntouched) {
  const int result = RunUnprivileged(FDir.Path(), [&] {
    fs::permissions(FDir.Path() / "forms", fs::perms::owner_read | fs::perms::owner_exec);
    TestTransform transform;
    TDFMBackup(FSettings).Execute(transform, Input());
    return static_cast<int>(transform.Status());
  });
  fs::permissions(FDir.Path() / "forms", fs::perms::owner_all);
  EXPECT_EQ(result, static_cast<int>(TTransformStatus::tsError));
  EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
}

namespace {
class FailingRename : public TDFMBackup {
public:
  using TDFMBackup::TDFMBackup;

protected:
  int RenameFile(const TFilePath&, const TFilePath&) override { return EIO; }
};
}  // namespace

TEST_F(PlacementTest, WhenTheFinalMoveFailsTheOriginalStaysAtTheInputsName) {
  for (bool backup : {true, false}) {
    FSettings.SetBackup(backup);
    TestTransform transform;
    std::vector<std::u16string> log;
    transform.SetOnMessage([&](const std::u16string& AMessage) { log.push_back(AMessage); });
    FailingRename(FSettings).Execute(transform, Input());
    EXPECT_EQ(transform.Status(), TTransformStatus::tsError);
    EXPECT_EQ(Read("forms/Main.dfm"), FOriginal);
    EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(u"Cannot replace file"), std::u16string::npos) << Utf16ToUtf8(log[0]);
  }
}

TEST_F(PlacementTest, BackupNumbersCountFromTheBaseWithoutAccumulating) {
  for (const char* taken : {"forms/Main.dfm.bak", "forms/Main.dfm.bak1", "forms/Main.dfm.bak3"}) FDir.Write(taken, "");
  TestTransform transform;
  EXPECT_EQ(Run(transform, Input()).Backup, Input() + ".bak2");
  EXPECT_EQ(Run(transform, Input()).Backup, Input() + ".bak4");
  FSettings.SetOverrideBackup(true);
  EXPECT_EQ(Run(transform, Input()).Backup, Input() + ".bak");
  EXPECT_EQ(Read("forms/Main.dfm.bak"), FOriginal);
  EXPECT_EQ(Read("forms/Main.dfm.bak1"), "");
}

// Settings for each way of placing a result, from the test folder.
std::vector<std::pair<const char*, std::function<void(TDFMSettings&, const TempDir&)>>> Placements() {
  return {
      {"backup beside", [](TDFMSettings&, const TempDir&) {}},
      {"backup folder",
       [](TDFMSettings& ASettings, const TempDir& ADir) {
         ASettings.SetBackupSameFolder(false);
         ASettings.SetBackupFolder(ADir.Text("backups"));
       }},
      {"new beside", [](TDFMSettings& ASettings, const TempDir&) { ASettings.SetReplace(false); }},
      {"output folder",
       [](TDFMSettings& ASettings, const TempDir& ADir) {
         ASettings.SetReplace(false);
         ASettings.SetSaveSameFolder(false);
         ASettings.SetSaveFolder(ADir.Text("out"));
       }},
  };
}

TEST_F(PlacementTest, AResultEqualToItsInputIsNotWrittenAnywhere) {
  fs::create_directories(FDir.Path() / "backups");
  fs::create_directories(FDir.Path() / "out");
  struct stat before;
  ASSERT_EQ(::stat((FDir.Path() / "forms/Main.dfm").c_str(), &before), 0);
  for (const auto& [name, configure] : Placements()) {
    SCOPED_TRACE(name);
    TDFMSettings settings;
    configure(settings, FDir);
    for (bool overwrite : {false, true}) {
      settings.SetOverrideBackup(overwrite);
      TestTransform transform(Behaviour::Copy);
      std::vector<std::u16string> log;
      transform.SetOnMessage([&](const std::u16string& AMessage) { log.push_back(AMessage); });
      const TPlaced placed = TDFMBackup(settings).Execute(transform, Input());
      EXPECT_TRUE(placed.Identical);
      EXPECT_TRUE(placed.Output.IsEmpty());
      EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied) << "the status is the transformation's";
      EXPECT_EQ(log, std::vector<std::u16string>{u"The result equals the file; nothing was written."});
    }
  }
  struct stat after;
  ASSERT_EQ(::stat((FDir.Path() / "forms/Main.dfm").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(Listing("forms"), (Names{"Main.dfm"}));
  EXPECT_TRUE(Listing("backups").empty());
  EXPECT_TRUE(Listing("out").empty());
}

// Within one run no backup or new file takes the name of an input or of a file the run wrote, and
// overwriting replaces only what an earlier run left. Each case lists the run's inputs and where
// every original must end up.
TEST_F(PlacementTest, ARunNeverPlacesAFileOverAnInputOrOverWhatItWrote) {
  struct Case {
    const char* Name;
    std::vector<std::string> Inputs;                            // relative to the test folder, in run order
    const char* BackupFolder;                                   // empty: beside the input
    std::vector<std::pair<std::string, std::string>> Expected;  // file, the input whose original it holds
  };
  const std::vector<Case> cases = {
      {"backup folder is the inputs' own", {"d/x.dfm"}, "d", {{"d/x.dfm.bak", "d/x.dfm"}}},
      {"backup folder holds another input",
       {"a/x.dfm", "b/x.dfm"},
       "b",
       {{"b/x.dfm.bak", "b/x.dfm"}, {"b/x.dfm1", "a/x.dfm"}}},
      {"one base name from two folders",
       {"s1/Main.dfm", "s2/Main.dfm"},
       "bk",
       {{"bk/Main.dfm", "s1/Main.dfm"}, {"bk/Main.dfm1", "s2/Main.dfm"}}},
      {"the same file twice", {"t/x.dfm", "t/x.dfm"}, "", {{"t/x.dfm.bak", "t/x.dfm"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir dir;
    std::map<std::string, std::string> originals;
    std::vector<TFilePath> inputs;
    for (const std::string& input : c.Inputs) {
      const std::string bytes = FOriginal + input;
      if (!originals.count(input)) dir.Write(input, bytes);
      originals[input] = bytes;
      inputs.push_back(dir / input);
    }
    dir.Write("bk/Main.dfm", "an earlier run's backup");
    TDFMSettings settings;
    settings.SetOverrideBackup(true);
    settings.SetBackupSameFolder(std::string(c.BackupFolder).empty());
    settings.SetBackupFolder(dir.Text(c.BackupFolder));
    TDFMBackup placement(settings);
    placement.BeginRun(inputs);
    for (const TFilePath& input : inputs) {
      TestTransform transform;
      placement.Execute(transform, input);
      EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
    }
    for (const auto& [file, input] : c.Expected) EXPECT_EQ(dir.Read(file), originals.at(input)) << file;
  }
}

TEST_F(PlacementTest, FilesFromAScannedFolderKeepTheirPathBelowItWhenAsked) {
  fs::create_directories(FDir.Path() / "backups");
  fs::create_directories(FDir.Path() / "out");
  FDir.Write("tree/a/b/Unit1.dfm", FOriginal);
  FDir.Write("tree/Unit1.dfm", FOriginal);
  for (const auto& [name, configure] : Placements()) {
    SCOPED_TRACE(name);
    TDFMSettings settings;
    configure(settings, FDir);
    settings.SetKeepStructure(true);
    settings.SetBackup(true);
    for (const char* input : {"tree/a/b/Unit1.dfm", "tree/Unit1.dfm"}) {
      TestTransform transform;
      const TPlaced placed = TDFMBackup(settings).Execute(transform, FDir / input, FDir / "tree");
      EXPECT_EQ(transform.Status(), TTransformStatus::tsApplied);
      const std::string below = std::string(input).substr(5);
      if (std::string(name) == "backup folder") {
        EXPECT_EQ(placed.Backup, FDir / ("backups/" + below));
      } else if (std::string(name) == "output folder") {
        EXPECT_EQ(placed.Output, FDir / ("out/" + below));
      }
    }
  }
  EXPECT_FALSE(fs::exists(FDir.Path() / "out/Unit1.dfm1"));
}
