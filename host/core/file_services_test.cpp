// Tests of the host's file services: path handling, line reading, the private temporary directory,
// and the committing write stream that must never damage the file it replaces.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/file_services.h"
#include "orvantis/host_files.h"

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
    orv::set_commit_hook({});
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

  // The Zlink's default path is the main directory and "ZLINKS\kuvra.eqn" in a 256-byte buffer:
  // 239 characters with the separator fit, 240 are refused rather than cut to nothing.
  auto dir_of_length = [&](std::size_t length) {
    std::string d = dir_;
    while (d.size() < length) {
      std::size_t room = length - d.size() - 1;  // after the next "/"
      std::size_t part = room > 150 ? 100 : room;
      const char letter = static_cast<char>('a' + d.size() % 26);
      d += '/';
      d.append(part, letter);
      EXPECT_EQ(mkdir(d.c_str(), 0755), 0) << d;
    }
    return d;
  };
  std::string fits = dir_of_length(orv::kMainDirLimit - 1);
  ASSERT_TRUE(orv::set_main_dir(fits, err)) << err;
  char buffer[300];
  get_main_dir(buffer);
  EXPECT_EQ(std::string(buffer), fits + "/");
  EXPECT_TRUE(orv::set_main_dir(fits + "/", err)) << err;  // a separator given is not counted twice

  std::string too_long = fits + "x";  // a sibling one character longer
  ASSERT_EQ(mkdir(too_long.c_str(), 0755), 0);
  EXPECT_FALSE(orv::main_dir_fits(too_long));
  EXPECT_FALSE(orv::set_main_dir(too_long, err));
  EXPECT_NE(err.find("239"), std::string::npos) << err;
  get_main_dir(buffer);
  EXPECT_EQ(std::string(buffer), fits + "/");  // a refusal keeps the one in force
}

// freadln's line rules, each case a file's bytes, the lines it gives at the limit 200, and whether
// the reading lost bytes (so the file must not be rewritten from it). All cases read the same
// file, so a clean reading after a lossy one must clear the mark again.
TEST_F(FileTest, ReadsLines) {
  const std::string l200(200, 'a'), l199(199, 'b'), l250(250, 'c'), l201(201, 'd');
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    bool lost;
  } cases[] = {
      {"abc\ndef\n", {"abc", "def"}, false},
      {"abc\r\ndef\r\n", {"abc", "def"}, false},
      {"last line without terminator", {"last line without terminator"}, false},
      {"\n\n", {"", ""}, false},
      {"", {}, false},
      {"a\rb\n", {"a\rb"}, false},          // only a carriage return before the line feed is dropped
      {"abc\r", {"abc"}, false},            // ... or before the end of the file
      {"x\r\r\n", {"x\r"}, false},
      {l200 + "\r\nnext\n", {l200, "next"}, false},
      {l199 + "\r\nnext\n", {l199, "next"}, false},
      {l250 + "\nnext\n", {std::string(200, 'c'), "next"}, true},  // the rest of the line is skipped
      {l250, {std::string(200, 'c')}, true},
      {l201 + "\n", {std::string(200, 'd')}, true},
      {l200 + "\r\r\n", {l200}, true},        // the kept carriage return is the 201st character
      {"ok\n", {"ok"}, false},
      {std::string("x = t\0junk\nnext\n", 16), {"x = t", "next"}, true},  // the reader stops at a NUL
      {std::string("\0", 1), {""}, true},
  };
  for (const Case& c : cases) {
    write_file(path("lines.txt"), c.bytes);
    char ok = 0;
    FILE* f = q_open_file("t", 1, path("lines.txt").c_str(), "r", &ok);
    ASSERT_NE(f, nullptr);
    char buffer[201];
    std::vector<std::string> got;
    while (freadln(buffer, 200, f)) got.emplace_back(buffer);
    q_fclose("t", 2, f);
    EXPECT_EQ(got, c.lines) << "bytes: " << c.bytes.substr(0, 40);
    EXPECT_EQ(orv::reading_lost_bytes(path("lines.txt")), c.lost) << "bytes: " << c.bytes.substr(0, 40);
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

  // The fresh directory and what was written in it go at exit; the usual one stays.
  write_file(other + "kuvra.log", "x = 1\n");
  orv::remove_made_temp_dirs();
  EXPECT_NE(stat(other.c_str(), &st), 0);
  EXPECT_EQ(stat(usual.c_str(), &st), 0);
  EXPECT_NE(orv::temp_dir(), other);  // not handed out again once removed
  orv::remove_made_temp_dirs();

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
    errno = 0;
    EXPECT_EQ(std::fclose(f), EOF) << "good bytes " << good_bytes;
    // The reason of the first failed write survives the later writes and the clean-up.
    EXPECT_EQ(errno, ENOSPC) << "good bytes " << good_bytes << ": " << std::strerror(errno);
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

// Writers that open a path themselves get the same guarantees as the committing stream.
TEST_F(FileTest, WholeFileWriterKeepsTheModeOrTakesItFromTheUmask) {
  auto writes = [](const std::string& text) {
    return [text](const std::string& temp, std::string&) {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out << text;
      return static_cast<bool>(out.flush());
    };
  };
  std::string err;
  std::string old_file = path("old.step");
  write_file(old_file, "old\n");
  ASSERT_EQ(chmod(old_file.c_str(), 0604), 0);
  ASSERT_TRUE(orv::write_file_whole(old_file, writes("new\n"), err)) << err;
  EXPECT_EQ(read_file(old_file), "new\n");
  struct stat st;
  ASSERT_EQ(stat(old_file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);

  mode_t saved = umask(027);
  bool made = orv::write_file_whole(path("new.png"), writes("picture"), err);
  umask(saved);
  ASSERT_TRUE(made) << err;
  ASSERT_EQ(stat(path("new.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(read_file(path("new.png")), "picture");
  std::vector<std::string> left = names();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"new.png", "old.step"}));  // no temporary file left
}

TEST_F(FileTest, WholeFileWriterFailuresLeaveTheOriginal) {
  std::string target = path("part.step");
  write_file(target, "original\n");
  auto writes = [](const std::string& temp, std::string&) {
    std::ofstream(temp, std::ios::binary) << "half of it";
    return true;
  };
  struct Case {
    const char* name;
    std::function<bool(const std::string&, std::string&)> write;
    int injected;  // the commit hook's answer, 0 for none
    std::string error;
  } cases[] = {
      {"the writer fails", [](const std::string& temp, std::string& why) {
         std::ofstream(temp) << "half";
         why = "the STEP file could not be written";
         return false;
       }, 0, target + ": the STEP file could not be written"},
      {"the writer fails silently", [](const std::string&, std::string&) { return false; }, 0,
       target + ": cannot be written"},
      {"the rename fails", writes, ENOSPC, target + ": cannot replace it: No space left on device"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> asked;
    orv::set_commit_hook([&](const std::string& t) {
      asked.push_back(t);
      return c.injected;
    });
    std::string err;
    EXPECT_FALSE(orv::write_file_whole(target, c.write, err)) << c.name;
    EXPECT_EQ(err, c.error) << c.name;
    EXPECT_EQ(read_file(target), "original\n") << c.name;
    EXPECT_EQ(names(), std::vector<std::string>{"part.step"}) << c.name;
    // The hook is asked only when there is something to commit.
    EXPECT_EQ(asked.size(), c.injected != 0 ? 1u : 0u) << c.name;
  }
  orv::set_commit_hook({});

  std::string err;
  ASSERT_EQ(mkdir(path("dir.step").c_str(), 0755), 0);
  EXPECT_FALSE(orv::write_file_whole(path("dir.step"), writes, err));
  EXPECT_EQ(err, path("dir.step") + ": cannot write: Is a directory");
  EXPECT_FALSE(orv::write_file_whole(path("none/x.step"), writes, err));
  EXPECT_EQ(err, path("none/x.step") + ": cannot write: No such file or directory");
}

TEST_F(FileTest, CommitHookFailsTheCommittingStreamToo) {
  std::string target = path("kuvra.eqn");
  write_file(target, "before\n");
  orv::set_commit_hook([](const std::string&) { return EIO; });
  FILE* f = orv::open_committing_stream(target);
  ASSERT_NE(f, nullptr);
  std::fputs("after\n", f);
  EXPECT_EQ(std::fclose(f), EOF);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(read_file(target), "before\n");
  EXPECT_EQ(names(), std::vector<std::string>{"kuvra.eqn"});
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

TEST_F(FileTest, RewriteKeepsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  std::string target = path("theirs.eqn");
  write_file(target, "old\n");
  ASSERT_EQ(chown(target.c_str(), 1234, 5678), 0);
  ASSERT_EQ(chmod(target.c_str(), 0604), 0);
  FILE* f = orv::open_committing_stream(target);
  ASSERT_NE(f, nullptr);
  std::fputs("new\n", f);
  ASSERT_EQ(std::fclose(f), 0);
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(read_file(target), "new\n");
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
}

// Each case opens the file for a rewrite after a change to it; the open must be refused with the
// reason in the last error, and the file and its directory must stay as they were.
TEST_F(FileTest, RewriteRefusedForHardLinksAndLossyReadings) {
  std::string target = path("k.eqn");
  const std::string original = "step_var1 = t\n" + std::string(305, 'n') + "\nx = t\n";
  write_file(target, original);
  ASSERT_EQ(link(target.c_str(), path("other-name.eqn").c_str()), 0);
  char ok = 1;
  EXPECT_EQ(q_open_file("t", 1, target.c_str(), "w", &ok), nullptr);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(errno, EMLINK);
  EXPECT_NE(orv::last_file_error().find("2 hard links"), std::string::npos) << orv::last_file_error();
  ASSERT_EQ(unlink(path("other-name.eqn").c_str()), 0);

  // A reading that cut the long line: no rewrite under this name or through a symbolic link.
  ASSERT_EQ(symlink(target.c_str(), path("via-link.eqn").c_str()), 0);
  FILE* r = q_open_file("t", 2, target.c_str(), "r", &ok);
  ASSERT_NE(r, nullptr);
  char line[201];
  while (freadln(line, 200, r)) {
  }
  std::fclose(r);  // the plain fclose, as the Zlink's run driver closes it
  for (const std::string& name : {target, path("via-link.eqn")}) {
    EXPECT_EQ(q_open_file("t", 3, name.c_str(), "w", &ok), nullptr) << name;
    EXPECT_EQ(errno, EILSEQ);
    EXPECT_NE(orv::last_file_error().find("cut or held a NUL"), std::string::npos) << orv::last_file_error();
  }
  EXPECT_EQ(read_file(target), original);

  // The file is put right in place (same inode); a reading that stops early proves nothing ...
  write_file(target, "step_var1 = t\nx = t\n");
  r = q_open_file("t", 4, target.c_str(), "r", &ok);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(freadln(line, 200, r), 1);
  q_fclose("t", 5, r);
  EXPECT_EQ(q_open_file("t", 6, target.c_str(), "w", &ok), nullptr);
  // ... a whole clean reading does: the rewrite goes ahead.
  r = q_open_file("t", 7, target.c_str(), "r", &ok);
  ASSERT_NE(r, nullptr);
  while (freadln(line, 200, r)) {
  }
  std::fclose(r);
  FILE* w = q_open_file("t", 8, target.c_str(), "w", &ok);
  ASSERT_NE(w, nullptr);
  std::fputs("x = 2\n", w);
  EXPECT_EQ(std::fclose(w), 0);
  EXPECT_EQ(read_file(target), "x = 2\n");
}

// Runs `body` in a child process as an ordinary user (when the tests run as root, the owner of
// `home`, which is handed to that user), so that the file's permission bits count. Returns the
// child's exit status, or -1.
int run_as_user(const std::string& home, const std::function<int()>& body) {
  constexpr uid_t kUser = 65534;  // nobody
  if (geteuid() == 0) {
    if (chown(home.c_str(), kUser, kUser) != 0 || chmod(home.c_str(), 0755) != 0) return -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setresgid(kUser, kUser, kUser) != 0 || setresuid(kUser, kUser, kUser) != 0)) _exit(90);
    _exit(body());
  }
  int st = 0;
  if (pid < 0 || waitpid(pid, &st, 0) != pid || !WIFEXITED(st)) return -1;
  return WEXITSTATUS(st);
}

TEST_F(FileTest, FileTheUserMayNotWriteIsNotReplaced) {
  std::string home = path("home");
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  std::string locked = home + "/locked.eqn", open = home + "/open.eqn";
  // Made by the user in the child, so that they are the user's own files in the user's directory.
  int status = run_as_user(home, [&]() {
    write_file(locked, "kept\n");
    write_file(open, "old\n");
    if (chmod(locked.c_str(), 0444) != 0 || chmod(open.c_str(), 0644) != 0) return 10;
    char ok = 1;
    if (FILE* f = q_open_file("t", 1, locked.c_str(), "w", &ok)) {
      std::fputs("replaced\n", f);
      std::fclose(f);
      return 11;
    }
    if (errno != EACCES || ok != 0) return 12;
    if (orv::last_file_error().find("may not be written") == std::string::npos) return 13;
    // The same user may rewrite a file whose bits allow it, in the same directory.
    FILE* g = orv::open_committing_stream(open);
    if (g == nullptr) return 15;
    std::fputs("new\n", g);
    return std::fclose(g) == 0 ? 0 : 16;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file(locked), "kept\n");
  EXPECT_EQ(read_file(open), "new\n");
}

TEST_F(FileTest, ReadsOnlyRegularFiles) {
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(path("dir.eqn").c_str(), 0755), 0);
  struct Case {
    std::string path;
    int err;
  } cases[] = {
      {path("fifo"), EINVAL},  // with no writer, a blocking open would never return
      {"/dev/zero", EINVAL},   // a line that never ends
      {path("dir.eqn"), EISDIR},
      {path("missing.eqn"), ENOENT},
  };
  for (const Case& c : cases) {
    char ok = 1;
    errno = 0;
    EXPECT_EQ(q_open_file(".\\KUVRA", 929, c.path.c_str(), "r", &ok), nullptr) << c.path;
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(errno, c.err) << c.path;
    EXPECT_NE(orv::last_file_error().find(".\\KUVRA:929: " + c.path + ": " + std::strerror(c.err)),
              std::string::npos)
        << orv::last_file_error();
  }
  // A regular file read through the same open is not left non-blocking, and reads whole.
  write_file(path("a.eqn"), "x = t\n");
  FILE* f = orv::open_reading_stream(path("a.eqn"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fcntl(fileno(f), F_GETFL) & O_NONBLOCK, 0);
  char line[201];
  EXPECT_EQ(freadln(line, 200, f), 1);
  EXPECT_STREQ(line, "x = t");
  std::fclose(f);
}

// A writer that re-encodes the name it is given (OpenCASCADE does with bytes that are not UTF-8)
// must still open the very file made for it: it is handed plain ASCII, whatever the target's name
// and folder hold, and a writer that filled another file replaces nothing.
TEST_F(FileTest, WholeFileWriterHandsPlainAsciiNamesAndChecksWhatItWrote) {
  ASSERT_EQ(mkdir(path("d\xff\xfe").c_str(), 0755), 0);
  const std::string names_[] = {"p\xff.step", "100%.igs", "caf\xc3\xa9 line\nbreak.step", "d\xff\xfe/x\xff.step"};
  for (const std::string& name : names_) {
    const std::string target = path(name);
    write_file(target, "precious");
    std::string handed, err;
    ASSERT_TRUE(orv::write_file_whole(target, [&](const std::string& temp, std::string&) {
      handed = temp;
      std::ofstream(temp, std::ios::binary) << "new text";
      return true;
    }, err)) << err;
    for (unsigned char c : handed) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << name << ": " << handed;
    EXPECT_EQ(read_file(target), "new text") << name;
  }

  // A writer that wrote elsewhere (a re-encoded name) or wrote nothing: the target stays.
  const std::string target = path("p\xff.step");
  write_file(target, "precious");
  struct Case {
    const char* name;
    std::function<bool(const std::string&, std::string&)> write;
    const char* error;
  } cases[] = {
      {"another name", [&](const std::string&, std::string&) {
         std::ofstream(path(".p\xc3\xbf.step.tmp-other"), std::ios::binary) << "data";
         return true;
       }, ": the writer wrote nothing"},
      {"the file swapped", [](const std::string& temp, std::string&) {
         ::unlink(temp.c_str());
         std::ofstream(temp, std::ios::binary) << "data";
         return true;
       }, ": the writer did not write the file made for it"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_FALSE(orv::write_file_whole(target, c.write, err)) << c.name;
    EXPECT_EQ(err, target + c.error) << c.name;
    EXPECT_EQ(read_file(target), "precious") << c.name;
  }
}

// A writer that opens the file itself says only that it failed; the error number of its failed
// write is the reason told, and an unrelated one left in errno is not.
TEST_F(FileTest, WholeFileWriterTellsWhyItsWriterFailed) {
  const std::string target = path("part.stl");
  struct Case {
    int error;
    const char* why;
    std::string expected;
  } cases[] = {
      {EFBIG, "", target + ": cannot be written: File too large"},
      {ENOSPC, "the STL file could not be written", target + ": the STL file could not be written: No space left on device"},
      {ENOENT, "the STL file could not be written", target + ": the STL file could not be written"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_FALSE(orv::write_file_whole(target, [&](const std::string&, std::string& why) {
      why = c.why;
      errno = c.error;
      return false;
    }, err));
    EXPECT_EQ(err, c.expected);
  }
}

// A killed run leaves its temporary file; the next write of the same target removes it, and only
// files of exactly that pattern that are ours and not held by a live writer.
TEST_F(FileTest, StaleTemporariesOfTheTargetAreRemovedWhenItIsNextWritten) {
  const std::string target = path("t.step");
  write_file(path(".t.step.tmp-AbC123"), "stale");      // ours, stale: removed
  write_file(path(".t.step.tmp-AbC12"), "other");       // not the pattern (5 characters)
  write_file(path(".t.step.tmp-AbC1234"), "other");     // not the pattern (7 characters)
  write_file(path(".u.step.tmp-AbC123"), "other");      // another target's
  write_file(path(".t.step.tmp-Held00"), "live");       // a live writer holds it
  write_file(path(".t.step.tmp-Their0"), "theirs");     // another user's
  ASSERT_EQ(chown(path(".t.step.tmp-Their0").c_str(), 65534, 65534), 0);
  ASSERT_EQ(symlink(path("t.step").c_str(), path(".t.step.tmp-Link00").c_str()), 0);  // not a regular file
  int held = open(path(".t.step.tmp-Held00").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  std::string err;
  ASSERT_TRUE(orv::write_file_whole(target, [](const std::string& temp, std::string&) {
    std::ofstream(temp, std::ios::binary) << "x";
    return true;
  }, err)) << err;
  close(held);
  std::vector<std::string> left = names();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".t.step.tmp-AbC12", ".t.step.tmp-AbC1234", ".t.step.tmp-Held00",
                                            ".t.step.tmp-Link00", ".t.step.tmp-Their0", ".u.step.tmp-AbC123",
                                            "t.step"}));

  // The committing stream cleans up the same way.
  write_file(path(".t.step.tmp-Zz9Zz9"), "stale");
  FILE* f = orv::open_committing_stream(target);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::fclose(f), 0);
  EXPECT_FALSE(std::ifstream(path(".t.step.tmp-Zz9Zz9")).good());
}

// The run's own outputs (a transcript, a screen picture) never go over the files it must keep,
// however the path is spelt.
TEST_F(FileTest, ProtectedPathsAreFoundByAnySpelling) {
  write_file(path("p.json"), "{}");
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink(path("p.json").c_str(), path("link.json").c_str()), 0);
  ASSERT_EQ(symlink(dir_.c_str(), path("sub/up").c_str()), 0);
  orv::clear_protected_paths();
  orv::protect_path(path("p.json"), "the part file");
  orv::protect_path(path("new.step"), "an export target");  // not there yet
  struct Case {
    std::string path;
    std::string role;
  } cases[] = {
      {path("p.json"), "the part file"},
      {path("link.json"), "the part file"},
      {path("sub/../p.json"), "the part file"},
      {path("sub/up/p.json"), "the part file"},
      {path("./new.step"), "an export target"},
      {path("sub/up/new.step"), "an export target"},
      {path("other.json"), ""},
      {path("sub/p.json"), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(orv::protected_role(c.path), c.role) << c.path;
  std::string err;
  EXPECT_FALSE(orv::output_path_allowed(path("link.json"), err));
  EXPECT_EQ(err, path("link.json") + ": is the part file; not written over");
  EXPECT_FALSE(orv::output_path_allowed("/dev/null", err));
  EXPECT_EQ(err, "/dev/null: not a regular file (a character device)");
  EXPECT_TRUE(orv::output_path_allowed(path("other.json"), err));
  orv::clear_protected_paths();
  EXPECT_TRUE(orv::output_path_allowed(path("p.json"), err));
}

}  // namespace
