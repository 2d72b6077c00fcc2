// The desktop's own text editor saves through the host's whole-file writer: a save that fails at
// its commit leaves the equation file byte for byte as it was, and says why; one that succeeds
// replaces it whole, also a file whose last reading by the Zlink cut a line (the editor holds it
// whole, and saving is how that line is put right).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/file_services.h"
#include "desktop/desktop_prompt.h"
#include "orvantis/host_files.h"

namespace orv::desktop {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class EditorSave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "orv-editor-XXXXXX").string();
    dir_ = ::mkdtemp(tmpl.data());
    file_ = dir_ / "f.eqn";
    std::ofstream(file_, std::ios::binary) << "x = t\n";
  }
  void TearDown() override {
    set_commit_hook({});
    fs::remove_all(dir_);
  }
  fs::path dir_, file_;
};

TEST_F(EditorSave, AFailedCommitLeavesTheFileAsItWasAndSaysWhy) {
  set_commit_hook([](const std::string&) { return ENOSPC; });
  std::string err;
  EXPECT_FALSE(save_edited_text(file_.string(), "x = cos(t)\ny = sin(t)\n", err));
  EXPECT_EQ(contents(file_), "x = t\n");
  EXPECT_NE(err.find(file_.string()), std::string::npos) << err;
  EXPECT_NE(err.find(std::strerror(ENOSPC)), std::string::npos) << err;
  // Nothing is left beside it: the temporary file went with the failed commit.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  set_commit_hook({});
  EXPECT_TRUE(save_edited_text(file_.string(), "x = cos(t)\ny = sin(t)\n", err)) << err;
  EXPECT_EQ(contents(file_), "x = cos(t)\ny = sin(t)\n");
}

TEST_F(EditorSave, SavesAFileWhoseReadingCutALine) {
  std::ofstream(file_, std::ios::binary) << "y = " << std::string(300, '1') << "\n";
  FILE* in = q_fopen(".\\KUVRA", 1, file_.c_str(), "r");
  ASSERT_NE(in, nullptr);
  char line[201];
  while (freadln(line, 200, in) != 0) {
  }
  q_fclose(".\\KUVRA", 2, in);
  ASSERT_TRUE(reading_lost_bytes(file_.string()));
  std::string err;
  EXPECT_TRUE(save_edited_text(file_.string(), "y = 1\n", err)) << err;
  EXPECT_EQ(contents(file_), "y = 1\n");
}

}  // namespace
}  // namespace orv::desktop
