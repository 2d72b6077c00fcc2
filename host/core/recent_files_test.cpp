// The recent files: the list round-trips through its file, keeps the newest eight without repeats,
// and a list that is not one of ours is ignored with a note that says why; the title names the file.
#include "core/recent_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace orv {
namespace {

class RecentFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-recent-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_;
};

TEST_F(RecentFilesTest, TheListRoundTripsNewestFirstWithoutRepeats) {
  const std::string list = dir_ + "/config/orvantis/recent";  // its folders are made
  std::vector<std::string> files;
  for (int i = 0; i < 10; ++i) files = with_recent(files, "/e/" + std::to_string(i) + ".eqn");
  files = with_recent(files, "/e/5.eqn");
  ASSERT_EQ(files.size(), kMaxRecentFiles);
  EXPECT_EQ(files[0], "/e/5.eqn");
  EXPECT_EQ(files[1], "/e/9.eqn");
  EXPECT_EQ(files.back(), "/e/2.eqn");  // 0 and 1 fell off; 5 moved up
  std::string err, note;
  ASSERT_TRUE(write_recent_list(list, files, err)) << err;
  EXPECT_EQ(read_recent_list(list, note), files);
  EXPECT_EQ(note, "");
  EXPECT_TRUE(read_recent_list(dir_ + "/none", note).empty());
  EXPECT_EQ(note, "");  // no list yet is no fault
}

TEST_F(RecentFilesTest, AListThatIsNotOursIsIgnoredWithANote) {
  struct Case {
    std::string text;
    const char* why;
  } cases[] = {
      {"/a.eqn\nrelative.eqn\n", "line 2 is not an absolute path"},
      {std::string("/a.eqn\n\0/b", 10), "holds a NUL byte"},
  };
  for (const Case& c : cases) {
    const std::string list = dir_ + "/recent";
    std::ofstream(list, std::ios::binary) << c.text;
    std::string note;
    EXPECT_TRUE(read_recent_list(list, note).empty()) << c.why;
    EXPECT_NE(note.find(c.why), std::string::npos) << note;
    EXPECT_NE(note.find("ignored"), std::string::npos) << note;
  }
  std::string note;
  EXPECT_TRUE(read_recent_list(dir_, note).empty());
  EXPECT_NE(note.find("not a regular file"), std::string::npos) << note;
  const std::string big = dir_ + "/big";
  std::ofstream(big) << std::string(kMaxRecentListBytes + 1, '/');
  EXPECT_TRUE(read_recent_list(big, note).empty());
  EXPECT_NE(note.find("larger than"), std::string::npos) << note;
}

TEST_F(RecentFilesTest, AChosenFileIsKeptInTheConfigDirectoryAndNamesTheTitle) {
  ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  EXPECT_EQ(recent_list_path(), dir_ + "/orvantis/recent");
  keep_recent_files(true);
  note_file_chosen("/data/eqn/torus.eqn");
  note_file_chosen("/data/eqn/helix.eqn");
  EXPECT_EQ(window_title(), "helix.eqn \u2014 Orvantis");
  EXPECT_EQ(current_file(), "/data/eqn/helix.eqn");
  EXPECT_EQ(recent_files(), (std::vector<std::string>{"/data/eqn/helix.eqn", "/data/eqn/torus.eqn"}));
  std::string note;
  EXPECT_EQ(read_recent_list(dir_ + "/orvantis/recent", note), recent_files());
  keep_recent_files(false);
  EXPECT_TRUE(recent_files().empty());
  ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace orv
