// The save watcher that live edit polls: a save written in steps is told once, after the file has
// stood still; a state already read, a missing file and a file that keeps changing are never told.
#include "core/live_edit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace orv {
namespace {

using Clock = SaveWatcher::Clock;
using std::chrono::milliseconds;

// A file system of stamps that the test sets.
struct FakeFiles {
  std::map<std::string, FileStamp> stamps;
  FileStamp at(const std::string& path) const {
    auto it = stamps.find(path);
    return it == stamps.end() ? FileStamp{} : it->second;
  }
  void write(const std::string& path, off_t size, int64_t mtime, ino_t ino = 7) {
    stamps[path] = FileStamp{true, 1, ino, size, mtime};
  }
};

class SaveWatcherTest : public ::testing::Test {
 protected:
  FakeFiles files;
  SaveWatcher watcher{[this](const std::string& p) { return files.at(p); }};
  Clock::time_point t0 = Clock::now();
  bool poll_at(int ms) { return watcher.poll(t0 + milliseconds(ms)); }
};

TEST_F(SaveWatcherTest, ASaveInStepsIsToldOnceAfterItStoodStill) {
  files.write("f.eqn", 100, 1);
  watcher.watch("f.eqn", t0);
  EXPECT_FALSE(poll_at(50));  // as read: nothing new
  files.write("f.eqn", 0, 2);  // the editor truncates,
  EXPECT_FALSE(poll_at(100));
  files.write("f.eqn", 60, 3);  // writes a part,
  EXPECT_FALSE(poll_at(150));
  EXPECT_FALSE(poll_at(300));  // (still within the settle time of the last change)
  files.write("f.eqn", 120, 4);  // and the rest
  EXPECT_FALSE(poll_at(350));
  EXPECT_FALSE(poll_at(549));
  EXPECT_TRUE(poll_at(551));
  EXPECT_FALSE(poll_at(600));  // told once
  EXPECT_FALSE(poll_at(5000));
}

TEST_F(SaveWatcherTest, AFileThatKeepsChangingIsNotToldUntilItStops) {
  files.write("f.eqn", 10, 1);
  watcher.watch("f.eqn", t0);
  for (int ms = 0; ms < 2000; ms += 100) {
    files.write("f.eqn", 10 + ms, 2 + ms);
    ASSERT_FALSE(poll_at(ms)) << ms;
  }
  EXPECT_TRUE(poll_at(2200));
}

TEST_F(SaveWatcherTest, TheStateAlreadyReadAndAMissingFileAreNotTold) {
  files.write("f.eqn", 10, 1);
  watcher.watch("f.eqn", t0);
  files.stamps.erase("f.eqn");  // an editor that removes the file before it writes the new one
  EXPECT_FALSE(poll_at(10));
  EXPECT_FALSE(poll_at(1000));
  files.write("f.eqn", 10, 1);  // back exactly as it was read
  EXPECT_FALSE(poll_at(1010));
  EXPECT_FALSE(poll_at(2000));
  files.write("f.eqn", 10, 1, 8);  // the same size and time under a new inode: a rename's save
  EXPECT_FALSE(poll_at(2010));
  EXPECT_TRUE(poll_at(2300));
}

TEST_F(SaveWatcherTest, NothingIsWatchedBeforeAFileIsGiven) {
  EXPECT_FALSE(poll_at(0));
  EXPECT_FALSE(poll_at(1000));
  EXPECT_TRUE(watcher.path().empty());
}

TEST(FileStampTest, TellsARewriteAndRefusesWhatIsNotAFile) {
  char tmpl[] = "/tmp/orv-live-test-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, path = dir + "/f.eqn";
  std::ofstream(path) << "x = t\n";
  const FileStamp a = stamp_of(path);
  EXPECT_TRUE(a.exists);
  EXPECT_EQ(a.size, 6);
  std::ofstream(path) << "x = t\ny = 2*t\n";
  const FileStamp b = stamp_of(path);
  EXPECT_EQ(b.size, 14);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(stamp_of(dir).exists);
  EXPECT_FALSE(stamp_of(dir + "/none").exists);
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace orv
