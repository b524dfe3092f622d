// Small file systems and read-only folders for the fault tests, mounted where only this test sees them.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace tess::cli::testing {

inline std::string ErrorText(int AError) { return std::strerror(AError); }

namespace detail {

inline bool WriteProcFile(const char* APath, const std::string& AText) {
  std::ofstream file(APath);
  file << AText;
  file.flush();
  return bool(file);
}

}  // namespace detail

// Gives this test process a mount namespace of its own, once. Mounts made in it vanish when the
// process ends, however it ends, and no other process (another test running beside it, the
// machine) ever sees them; the program under test, started from here, inherits it. Without the
// privilege to mount, a user namespace of its own grants it. Empty when it worked, else why not.
inline const std::string& PrivateMountsFailure() {
  static const std::string failure = []() -> std::string {
    if (::unshare(CLONE_NEWNS) != 0) {
      const int direct = errno;
      const uid_t uid = ::geteuid();
      const gid_t gid = ::getegid();
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return "no mount namespace of its own (" + ErrorText(direct) + ") and none inside a user namespace (" +
               ErrorText(errno) + ")";
      detail::WriteProcFile("/proc/self/setgroups", "deny");
      if (!detail::WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
          !detail::WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return "cannot map the user into its own user namespace";
    }
    // Without this a mount made below could still reach the namespace it was copied from.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return "cannot make the mounts private: " + ErrorText(errno);
    return {};
  }();
  return failure;
}

// One mount, taken away with the object; the folder it covers stays.
class TMount {
public:
  // A tmpfs of ABytes (rounded up to pages by the kernel) over APath, made when missing.
  static std::unique_ptr<TMount> Tmpfs(const std::filesystem::path& APath, size_t ABytes, std::string& AWhyNot) {
    if (!(AWhyNot = PrivateMountsFailure()).empty()) return nullptr;
    std::filesystem::create_directories(APath);
    const std::string options = "size=" + std::to_string(ABytes) + ",mode=0755";
    if (::mount("tmpfs", APath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      AWhyNot = "cannot mount a tmpfs on " + APath.string() + ": " + ErrorText(errno);
      return nullptr;
    }
    return std::unique_ptr<TMount>(new TMount(APath));
  }

  // APath mounted over itself, read-only: root passes over permission bits, not over this.
  static std::unique_ptr<TMount> ReadOnly(const std::filesystem::path& APath, std::string& AWhyNot) {
    if (!(AWhyNot = PrivateMountsFailure()).empty()) return nullptr;
    if (::mount(APath.c_str(), APath.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      AWhyNot = "cannot bind " + APath.string() + " over itself: " + ErrorText(errno);
      return nullptr;
    }
    auto mount = std::unique_ptr<TMount>(new TMount(APath));
    if (::mount(nullptr, APath.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      AWhyNot = "cannot make the bind mount of " + APath.string() + " read-only: " + ErrorText(errno);
      return nullptr;
    }
    return mount;
  }

  ~TMount() { ::umount2(FPath.c_str(), MNT_DETACH); }
  TMount(const TMount&) = delete;
  TMount& operator=(const TMount&) = delete;

private:
  explicit TMount(std::filesystem::path APath) : FPath(std::move(APath)) {}
  std::filesystem::path FPath;
};

// A folder in which nobody can create a file while the object lives: a read-only mount where
// mounts are possible, else (for a user other than root) its write permission taken away.
class TReadOnlyFolder {
public:
  explicit TReadOnlyFolder(std::filesystem::path APath) : FPath(std::move(APath)) {
    std::string whyNoMount;
    FMount = TMount::ReadOnly(FPath, whyNoMount);
    if (!FMount) {
      if (::geteuid() == 0) {
        FWhyNot = "root ignores permission bits, and " + whyNoMount;
        return;
      }
      std::filesystem::permissions(FPath,
                                   std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                       std::filesystem::perms::others_write,
                                   std::filesystem::perm_options::remove);
      FChmodded = true;
    }
    // What the program is refused with is what a probe is refused with.
    const std::filesystem::path probe = FPath / ".probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      FWhyNot = "a file can still be created in " + FPath.string();
      return;
    }
    FReason = ErrorText(errno);
  }
  ~TReadOnlyFolder() {
    FMount.reset();
    if (FChmodded)
      std::filesystem::permissions(FPath, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
  TReadOnlyFolder(const TReadOnlyFolder&) = delete;
  TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

  // Empty when the folder is read-only, else why it could not be made so.
  const std::string& WhyNot() const { return FWhyNot; }
  // The system's text for the refusal ("Read-only file system", "Permission denied").
  const std::string& Reason() const { return FReason; }

private:
  std::filesystem::path FPath;
  std::unique_ptr<TMount> FMount;
  bool FChmodded = false;
  std::string FWhyNot;
  std::string FReason;
};

inline dev_t DeviceOf(const std::filesystem::path& APath) {
  struct stat info;
  return ::stat(APath.c_str(), &info) == 0 ? info.st_dev : dev_t(-1);
}

}  // namespace tess::cli::testing
