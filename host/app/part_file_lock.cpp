// The lock is taken on the file a name points at, and a rename may put another file under the name
// between the open and the lock: the name is looked at again once locked, and the lock taken again
// on what it now names, so a run never holds a file that is no longer the part file.
#include "app/part_file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/file_services.h"

namespace orv::app {
namespace {

/// Times the name may change under us before the lock is given up as not to be had.
constexpr int kLockAttempts = 8;

// FNV-1a: a stable name for a path, whatever bytes it holds.
uint64_t path_hash(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string in_use(const std::string& path) {
  return path + ": in use by another run of orvantis (it holds the part file's lock); nothing was changed";
}

}  // namespace

std::string absent_part_lock_path(const std::string& path) {
  std::error_code ec;
  std::string resolved = std::filesystem::weakly_canonical(normalize_path(path), ec).string();
  if (ec) resolved = std::filesystem::absolute(normalize_path(path), ec).lexically_normal().string();
  char name[64];
  std::snprintf(name, sizeof name, "part-%016llx.lock", static_cast<unsigned long long>(path_hash(resolved)));
  return temp_dir() + name;
}

PartFileLock::~PartFileLock() { release(); }

void PartFileLock::release() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor lets the lock go
  fd_ = -1;
}

bool PartFileLock::acquire(const std::string& path_in, std::string& err) {
  release();
  const std::string path = normalize_path(path_in);
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    bool absent = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
      absent = true;
      const std::string stand_in = absent_part_lock_path(path);
      fd = ::open(stand_in.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0) {
        err = path + ": cannot be locked: " + stand_in + ": " + std::strerror(errno);
        return false;
      }
    } else if (fd < 0) {
      err = path + ": cannot be locked: " + std::strerror(errno);
      return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int why = errno;
      ::close(fd);
      err = why == EWOULDBLOCK ? in_use(path) : path + ": cannot be locked: " + std::strerror(why);
      return false;
    }
    // Locked: it counts only if the name still stands for what was locked.
    struct stat held, named;
    const bool named_now = ::stat(path.c_str(), &named) == 0;
    if (absent ? !named_now : (named_now && fstat(fd, &held) == 0 && same_file(held, named))) {
      fd_ = fd;
      return true;
    }
    ::close(fd);
  }
  err = path + ": cannot be locked: it kept being replaced while the lock was taken";
  return false;
}

}  // namespace orv::app
