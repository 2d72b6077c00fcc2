// Tests of the host's file services: path handling, line reading, the private temporary directory,
// and the committing write stream that must never damage the file it replaces.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/file_services.h"
#include "geometry/host_files.h"

namespace {

// A scratch directory of its own for each test, removed afterwards.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-core-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    orv::set_committing_write_hook({});
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static void write_file(const std::string& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read_file(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) out.push_back(e->d_name);
    closedir(d);
    return out;
  }
  std::string dir_;
};

TEST(PathTest, BackslashesAndFilter) {
  EXPECT_EQ(orv::normalize_path("ZLINKS\\kuvra.eqn"), "ZLINKS/kuvra.eqn");
  EXPECT_EQ(orv::normalize_path("/a/b\\c\\"), "/a/b/c/");
  for (const char* p : {"kuvra.eqn", "KUVRA.EQN", "x/y.Eqn", ".eqn"})
    EXPECT_TRUE(orv::path_matches_filter(p, ".EQN")) << p;
  for (const char* p : {"kuvra.eqnx", "kuvra.txt", "eqn", "x.eq"})
    EXPECT_FALSE(orv::path_matches_filter(p, ".EQN")) << p;
  EXPECT_TRUE(orv::path_matches_filter("a.eqn", "*.EQN"));
  EXPECT_TRUE(orv::path_matches_filter("anything", ""));
  EXPECT_TRUE(orv::path_matches_filter("anything", "*.*"));
}

TEST_F(FileTest, OpensPathsWithBackslashes) {
  ASSERT_EQ(mkdir(path("ZLINKS").c_str(), 0755), 0);
  write_file(path("ZLINKS/kuvra.eqn"), "x = t\n");
  std::string err;
  ASSERT_TRUE(orv::set_main_dir(dir_, err)) << err;
  char main[256];
  get_main_dir(main);
  EXPECT_EQ(std::string(main), dir_ + "/");

  std::string windows_style = std::string(main) + "ZLINKS\\kuvra.eqn";
  char ok = 0;
  FILE* f = q_open_file(".\\KUVRA", 1140, windows_style.c_str(), "r", &ok);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ok, 1);
  char line[201];
  ASSERT_EQ(freadln(line, 200, f), 1);
  EXPECT_STREQ(line, "x = t");
  EXPECT_EQ(q_fclose(".\\KUVRA", 442, f), 0);
}

TEST_F(FileTest, OpenFailuresNameTheCaller) {
  char ok = 1;
  EXPECT_EQ(q_open_file(".\\KUVRA", 1140, path("missing.eqn").c_str(), "r", &ok), nullptr);
  EXPECT_EQ(ok, 0);
  EXPECT_NE(orv::last_file_error().find(".\\KUVRA:1140: "), std::string::npos) << orv::last_file_error();
  EXPECT_NE(orv::last_file_error().find("missing.eqn"), std::string::npos);

  ok = 1;  // a directory is not a file to read
  EXPECT_EQ(q_open_file("t", 1, dir_.c_str(), "r", &ok), nullptr);
  EXPECT_EQ(ok, 0);
  write_file(path("a.eqn"), "x\n");
  EXPECT_EQ(q_open_file("t", 2, path("a.eqn").c_str(), "a", &ok), nullptr);  // only "r" and "w"
  EXPECT_EQ(q_open_file("t", 3, "", "r", &ok), nullptr);
  EXPECT_EQ(q_fopen("t", 4, path("missing").c_str(), "r"), nullptr);
  EXPECT_EQ(q_fclose("t", 5, nullptr), EOF);
}

TEST_F(FileTest, MainDirectory) {
  std::string err;
  EXPECT_FALSE(orv::set_main_dir(path("nope"), err));
  EXPECT_NE(err.find("nope"), std::string::npos);
  write_file(path("plain"), "");
  EXPECT_FALSE(orv::set_main_dir(path("plain"), err));

  // A directory whose text does not fit the 256-byte buffer gives the empty text, not an overrun.
  std::string deep = dir_;
  for (int i = 0; i < 3; ++i) {
    deep += "/" + std::string(100, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ASSERT_TRUE(orv::set_main_dir(deep, err)) << err;
  char buffer[300];
  std::memset(buffer, 'x', sizeof buffer);
  get_main_dir(buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(buffer[1], 'x');
}

// freadln's line rules, each case a file's bytes and the lines it gives at the limit 200.
TEST_F(FileTest, ReadsLines) {
  const std::string l200(200, 'a'), l199(199, 'b'), l250(250, 'c');
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"abc\ndef\n", {"abc", "def"}},
      {"abc\r\ndef\r\n", {"abc", "def"}},
      {"last line without terminator", {"last line without terminator"}},
      {"\n\n", {"", ""}},
      {"", {}},
      {"a\rb\n", {"a\rb"}},          // only a carriage return before the line feed is dropped
      {"abc\r", {"abc"}},            // ... or before the end of the file
      {"x\r\r\n", {"x\r"}},
      {l200 + "\r\nnext\n", {l200, "next"}},
      {l199 + "\r\nnext\n", {l199, "next"}},
      {l250 + "\nnext\n", {std::string(200, 'c'), "next"}},  // the rest of the line is skipped
      {l250, {std::string(200, 'c')}},
  };
  for (const Case& c : cases) {
    write_file(path("lines.txt"), c.bytes);
    FILE* f = std::fopen(path("lines.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buffer[201];
    std::vector<std::string> got;
    while (freadln(buffer, 200, f)) got.emplace_back(buffer);
    std::fclose(f);
    EXPECT_EQ(got, c.lines) << "bytes: " << c.bytes.substr(0, 40);
  }
}

TEST_F(FileTest, TemporaryDirectoryIsPrivate) {
  std::string err;
  std::string fresh = path("tmp-new");
  ASSERT_TRUE(orv::set_temp_dir(fresh, err)) << err;
  struct stat st;
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(std::string(GetTempDirectory()), fresh + "/");

  std::string open_dir = path("tmp-open");
  ASSERT_EQ(mkdir(open_dir.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open_dir.c_str(), 0755), 0);
  EXPECT_FALSE(orv::set_temp_dir(open_dir, err));
  EXPECT_NE(err.find("0700"), std::string::npos) << err;
  EXPECT_EQ(std::string(GetTempDirectory()), fresh + "/");  // a refusal keeps the one in force

  write_file(path("tmp-file"), "");
  EXPECT_FALSE(orv::set_temp_dir(path("tmp-file"), err));
  ASSERT_EQ(symlink(fresh.c_str(), path("tmp-link").c_str()), 0);
  EXPECT_FALSE(orv::set_temp_dir(path("tmp-link"), err));  // a link could be turned elsewhere later
}

TEST_F(FileTest, DefaultTemporaryDirectoryAvoidsASquattedName) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", dir_.c_str(), 1);
  std::string err;
  std::string usual = path("orvantis-" + std::to_string(geteuid()));

  ASSERT_TRUE(orv::set_temp_dir("", err));
  EXPECT_EQ(orv::temp_dir(), usual + "/");
  struct stat st;
  ASSERT_EQ(stat(usual.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Someone made the usual name open to all: a fresh private directory is taken instead.
  ASSERT_EQ(chmod(usual.c_str(), 0777), 0);
  ASSERT_TRUE(orv::set_temp_dir("", err));
  std::string other = orv::temp_dir();
  EXPECT_NE(other, usual + "/");
  EXPECT_EQ(other.rfind(usual + "-", 0), 0u) << other;
  ASSERT_EQ(stat(other.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
  ASSERT_TRUE(orv::set_temp_dir("", err));
}

// ---- The committing "w" stream ---------------------------------------------------------------

TEST_F(FileTest, RewriteReplacesTheFileAndKeepsItsMode) {
  std::string target = path("kuvra.eqn");
  write_file(target, "old contents\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  char ok = 0;
  FILE* f = q_open_file(".\\KUVRA", 1149, target.c_str(), "w", &ok);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(ok, 1);
  std::fputs("step_var1 = t\n", f);
  EXPECT_EQ(read_file(target), "old contents\n");  // nothing changes before the close
  EXPECT_EQ(std::fclose(f), 0);
  EXPECT_EQ(read_file(target), "step_var1 = t\n");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(names(), std::vector<std::string>{"kuvra.eqn"});  // no temporary file left

  f = q_open_file("t", 1, path("new.eqn").c_str(), "w", &ok);  // a file that did not exist
  ASSERT_NE(f, nullptr);
  std::fputs("x = 1\n", f);
  EXPECT_EQ(q_fclose("t", 2, f), 0);
  EXPECT_EQ(read_file(path("new.eqn")), "x = 1\n");
}

// The heart of it: a write that fails on a full device leaves the original byte for byte.
TEST_F(FileTest, FailedWriteLeavesTheOriginal) {
  std::string original;
  for (int i = 0; i < 256; ++i) original += static_cast<char>(i);
  original += "\r\nlast line";
  std::string target = path("kuvra.eqn");
  write_file(target, original);

  int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  for (std::size_t good_bytes : {std::size_t{0}, std::size_t{5000}}) {
    // The first `good_bytes` reach the temporary file, then the device is full.
    std::size_t written = 0;
    orv::set_committing_write_hook([&](int fd, const void* data, std::size_t size) -> long {
      if (written + size <= good_bytes) {
        written += size;
        return static_cast<long>(::write(fd, data, size));
      }
      return static_cast<long>(::write(full, data, size));
    });
    char ok = 0;
    FILE* f = q_open_file(".\\KUVRA", 1149, target.c_str(), "w", &ok);
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 2000; ++i) std::fprintf(f, "x = cos(t) + %d\n", i);
    EXPECT_EQ(std::fclose(f), EOF) << "good bytes " << good_bytes;
    EXPECT_EQ(read_file(target), original);
    EXPECT_EQ(names(), std::vector<std::string>{"kuvra.eqn"});
  }
  close(full);

  // A failure at the flush inside fclose itself is caught the same way.
  orv::set_committing_write_hook([](int, const void*, std::size_t) -> long {
    errno = EIO;
    return -1;
  });
  FILE* f = orv::open_committing_stream(target);
  ASSERT_NE(f, nullptr);
  std::fputs("short", f);  // stays in the stream's buffer until the close
  EXPECT_EQ(q_fclose("t", 9, f), EOF);
  EXPECT_EQ(read_file(target), original);
  EXPECT_EQ(names(), std::vector<std::string>{"kuvra.eqn"});
}

TEST_F(FileTest, FailedRenameLeavesNoTemporaryFile) {
  std::string target = path("gone.eqn");
  write_file(target, "before\n");
  FILE* f = orv::open_committing_stream(target);
  ASSERT_NE(f, nullptr);
  std::fputs("after\n", f);
  // The target turns into a non-empty directory before the close: the rename cannot replace it.
  ASSERT_EQ(unlink(target.c_str()), 0);
  ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
  write_file(target + "/inside", "keep");
  EXPECT_EQ(std::fclose(f), EOF);
  EXPECT_EQ(read_file(target + "/inside"), "keep");
  EXPECT_EQ(names(), std::vector<std::string>{"gone.eqn"});

  char ok = 1;  // a directory is refused at the open already
  EXPECT_EQ(q_open_file("t", 1, target.c_str(), "w", &ok), nullptr);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(q_open_file("t", 1, path("no-such-dir/x.eqn").c_str(), "w", &ok), nullptr);
  EXPECT_EQ(q_open_file("t", 1, "/dev/null", "w", &ok), nullptr);  // a device is never replaced
}

TEST_F(FileTest, RewriteThroughALinkKeepsTheLink) {
  std::string real = path("real.eqn"), link = path("link.eqn");
  write_file(real, "old\n");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  FILE* f = orv::open_committing_stream(link);
  ASSERT_NE(f, nullptr);
  std::fputs("new\n", f);
  ASSERT_EQ(std::fclose(f), 0);
  EXPECT_EQ(read_file(real), "new\n");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

}  // namespace
