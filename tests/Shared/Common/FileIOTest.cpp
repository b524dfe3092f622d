// The descriptor owner and the read and write loops, over pipes, where reads and writes come short;
// the flush of a group of files.
#include "Shared/Common/uFileIO.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Support/TempDir.h"

namespace {

using tess::common::FlushTogether;
using tess::common::ReadFull;
using tess::common::ReadToEnd;
using tess::common::TFileDescriptor;
using tess::common::WriteAll;

bool IsOpen(int AFd) { return ::fcntl(AFd, F_GETFD) != -1; }

struct TPipe {
  TFileDescriptor Read, Write;
  TPipe() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    Read = TFileDescriptor(fds[0]);
    Write = TFileDescriptor(fds[1]);
  }
};

// More than a pipe holds, so that the writer blocks and the reader sees the bytes in pieces.
std::string Pattern(size_t ASize) {
  std::string bytes(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

TEST(FileIO, WholeContentCrossesAPipeInPieces) {
  const std::string sent = Pattern(1 << 20);
  for (const bool exactCount : {false, true}) {
    TPipe pipe;
    ASSERT_TRUE(pipe.Read.IsOpen());
    std::thread writer([&] {
      // Small writes with pauses, so that a reader taking the first piece for the whole would fail.
      for (size_t at = 0; at < sent.size(); at += 100000) {
        EXPECT_EQ(WriteAll(pipe.Write.Get(), std::string_view(sent).substr(at, 100000)), 0);
        std::this_thread::yield();
      }
      EXPECT_EQ(pipe.Write.Close(), 0);
    });
    std::string received = "kept:";
    if (exactCount) {
      received.resize(5 + sent.size());
      EXPECT_EQ(ReadFull(pipe.Read.Get(), received.data() + 5, sent.size()), ssize_t(sent.size()));
      char more;
      EXPECT_EQ(ReadFull(pipe.Read.Get(), &more, 1), 0) << "the end of the file reads as a short count";
    } else {
      EXPECT_EQ(ReadToEnd(pipe.Read.Get(), received), 0);
    }
    writer.join();
    EXPECT_EQ(received.substr(0, 5), "kept:") << "what the string held stays in front";
    EXPECT_TRUE(received.substr(5) == sent) << "exact count: " << exactCount << ", got " << received.size() - 5;
  }
}

TEST(FileIO, FailuresComeBackAsTheirErrorNumbers) {
  TPipe pipe;
  ASSERT_EQ(pipe.Read.Close(), 0);
  // A pipe without a reader refuses the write (the signal is ignored for the test).
  const auto previous = ::signal(SIGPIPE, SIG_IGN);
  EXPECT_EQ(WriteAll(pipe.Write.Get(), "x"), EPIPE);
  ::signal(SIGPIPE, previous);
  std::string bytes;
  EXPECT_EQ(ReadToEnd(pipe.Write.Get(), bytes), EBADF) << "the write end cannot be read";
  char buffer[4];
  EXPECT_EQ(ReadFull(-1, buffer, sizeof buffer), -1);
}

TEST(FileDescriptor, ClosesExactlyOnceWhateverHappensToIt) {
  TPipe pipe;
  const int read = pipe.Read.Get(), write = pipe.Write.Get();
  {
    TFileDescriptor moved(std::move(pipe.Read));
    EXPECT_FALSE(pipe.Read.IsOpen());
    EXPECT_EQ(pipe.Read.Close(), 0) << "an empty owner has nothing to close";
    // Taking another descriptor closes the one held before.
    moved = std::move(pipe.Write);
    EXPECT_FALSE(IsOpen(read));
    EXPECT_TRUE(IsOpen(write));
  }
  EXPECT_FALSE(IsOpen(write));
  TFileDescriptor released(::dup(STDIN_FILENO));
  const int kept = released.Release();
  EXPECT_FALSE(released.IsOpen());
  EXPECT_TRUE(IsOpen(kept));
  ::close(kept);
}

// Each file gets its own answer, also among files on two file systems and names that cannot be
// flushed: a missing one, and a link, which is never followed to a file of someone else's.
TEST(FileIO, FlushTogetherAnswersForEachFile) {
  tess::testing::TempDir disk;
  std::vector<std::filesystem::path> folders{disk.Path()};
  std::error_code error;
  const std::filesystem::path memory = "/dev/shm/tess-flush-" + std::to_string(::getpid());
  if (std::filesystem::create_directory(memory, error)) folders.push_back(memory);
  std::vector<std::string> names;
  std::vector<bool> expected;
  for (const auto& folder : folders) {
    for (const char* name : {"a.dfm", "b.dfm"}) {
      std::ofstream(folder / name) << "object A: TA\r\nend\r\n";
      names.push_back((folder / name).string());
      expected.push_back(true);
    }
    std::filesystem::create_symlink(folder / "a.dfm", folder / "link.dfm");
    for (const char* name : {"missing.dfm", "link.dfm"}) {
      names.push_back((folder / name).string());
      expected.push_back(false);
    }
  }
  std::vector<const char*> paths;
  for (const std::string& name : names) paths.push_back(name.c_str());
  EXPECT_EQ(FlushTogether(paths), expected);
  EXPECT_TRUE(FlushTogether({}).empty());
  std::filesystem::remove_all(memory, error);
}

}  // namespace
