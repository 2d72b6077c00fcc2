// The part file is held for the whole run, from reading it to saving it, so that two runs on one
// part file never both read it and each save over the other's geometry: the second is refused
// before it changes anything. An advisory lock (flock) on the file itself, which every run takes;
// for a part file not yet there, on a lock file of this user named after its path.
#pragma once
#include <string>

namespace orv::app {

class PartFileLock {
 public:
  PartFileLock() = default;
  ~PartFileLock();
  PartFileLock(const PartFileLock&) = delete;
  PartFileLock& operator=(const PartFileLock&) = delete;

  /// Takes the lock of the part file at `path` without waiting. False with `err`
  /// ("path: in use by another run ...", or why it could not be locked) when another run holds it.
  bool acquire(const std::string& path, std::string& err);
  /// Lets it go (also at destruction).
  void release();

 private:
  int fd_ = -1;
};

/// The lock file that stands for a part file not yet made at `path`: in the user's private
/// temporary directory, named after the path with its folders' links resolved.
std::string absent_part_lock_path(const std::string& path);

}  // namespace orv::app
