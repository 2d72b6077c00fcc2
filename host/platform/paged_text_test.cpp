// The viewer's paged text: the same lines as reading the whole file and splitting it would give,
// wherever the blocks of the index fall; long lines cut; searches that go round; and a large file
// paged in far less memory than it holds.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/paged_text.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class PagedTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/paged_text_test.XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  fs::path dir_;
};

// The lines as the whole text read at once gives them: split at line feeds, a carriage return
// before one dropped, the last line without a line feed kept, at least one line.
std::vector<std::string> whole_text_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

std::string numbered(std::size_t n, bool final_feed) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += "line " + std::to_string(i) + (i + 1 < n || final_feed ? "\n" : "");
  return text;
}

TEST_F(PagedTextTest, GivesTheLinesOfTheWholeFileWhereverTheBlocksFall) {
  const std::size_t b = kLinesPerBlock;
  const std::vector<std::string> texts = {
      "", "a", "a\n", "a\nb", "a\r\nb\r\n", "\n\n", "\r", "x\n\ny",
      numbered(b - 1, true), numbered(b, true), numbered(b, false), numbered(b + 1, true),
      numbered(2 * b, true), numbered(2 * b + 1, false), numbered(1000, true),
  };
  int n = 0;
  for (const std::string& text : texts) {
    PagedText paged;
    std::string err;
    const std::string name = std::string("f").append(std::to_string(++n));
    ASSERT_TRUE(paged.open(write(name, text), err)) << err;
    const std::vector<std::string> want = whole_text_lines(text);
    ASSERT_EQ(paged.size(), want.size()) << text;
    // Backwards, so that every line is read from its block afresh as well as from the cached one.
    for (std::size_t i = want.size(); i-- > 0;) EXPECT_EQ(paged[i], want[i]) << "line " << i << " of\n" << text;
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(paged[i], want[i]) << "line " << i;
    EXPECT_EQ(paged[want.size()], "");  // beyond the last line
  }
}

TEST_F(PagedTextTest, ALongLineIsShownCutAndTheNextOneWhole) {
  PagedText paged;
  std::string err;
  ASSERT_TRUE(paged.open(write("long", "short\n" + std::string(kMaxShownLineBytes + 5000, 'x') + "\r\nafter"), err));
  ASSERT_EQ(paged.size(), 3u);
  EXPECT_EQ(paged[1], std::string(kMaxShownLineBytes, 'x') + "\u2026");
  EXPECT_EQ(paged[2], "after");
  ASSERT_TRUE(paged.open(write("exact", std::string(kMaxShownLineBytes, 'y')), err));
  EXPECT_EQ(paged[0], std::string(kMaxShownLineBytes, 'y'));  // exactly the most: not cut
}

TEST_F(PagedTextTest, SearchGoesRoundFromTheLineAfterAndSaysWhenNothingHolds) {
  PagedText paged;
  std::string err;
  ASSERT_TRUE(paged.open(write("s", numbered(300, true)), err));
  EXPECT_EQ(paged.find("line 7"), 7u);          // from the start
  EXPECT_EQ(paged.find("line 7", 7), 70u);      // the next after 7
  EXPECT_EQ(paged.find("line 29", 299), 29u);   // round past the end
  EXPECT_EQ(paged.find("line 250", 250), 250u);  // the line itself, once round
  EXPECT_EQ(paged.find("nowhere", 5), PagedText::npos);
  PagedText held(std::vector<std::string>{"one", "two"});
  EXPECT_EQ(held.find("two", 1), 1u);
  EXPECT_EQ(held.size(), 2u);
}

TEST_F(PagedTextTest, RefusesWhatCannotBeOpenedAndKeepsThePagedFileWhenItIsReplaced) {
  PagedText paged;
  std::string err;
  EXPECT_FALSE(paged.open((dir_ / "missing").string(), err));
  EXPECT_EQ(err, (dir_ / "missing").string() + ": No such file or directory");
  EXPECT_FALSE(paged.open(dir_.string(), err));
  EXPECT_EQ(paged.size(), 1u);  // still the one empty line

  const std::string path = write("log", numbered(200, true));
  ASSERT_TRUE(paged.open(path, err)) << err;
  fs::rename(write("other", "replaced\n"), path);
  EXPECT_EQ(paged.size(), 200u);
  EXPECT_EQ(paged[150], "line 150");
}

#ifndef __SANITIZE_ADDRESS__
// Pages through a 96 MB file, searching it too, in a child that may take only 32 MB more than it
// had: reading the file whole would need three times that.
TEST_F(PagedTextTest, ALargeFileIsPagedInBoundedMemory) {
  const std::string path = (dir_ / "large").string();
  {
    std::ofstream out(path, std::ios::binary);
    const std::string line = "step 1: x = 0.123456789, y = 0.987654321, z = 0.5 and some more text\n";
    for (std::size_t written = 0; written < (96u << 20); written += line.size()) out << line;
    out << "the end\n";
  }
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::ifstream status("/proc/self/status");
    long vm_kib = 0;
    for (std::string key; status >> key;)
      if (key == "VmSize:") status >> vm_kib;
    struct rlimit lim {};
    lim.rlim_cur = lim.rlim_max = static_cast<rlim_t>(vm_kib + 32 * 1024) * 1024;
    if (::setrlimit(RLIMIT_AS, &lim) != 0) ::_exit(2);
    try {
      PagedText paged;
      std::string err;
      if (!paged.open(path, err)) ::_exit(3);
      const std::size_t last = paged.size() - 1;
      if (paged[last] != "the end" || paged.find("the end") != last || paged[last / 2].rfind("step 1:", 0) != 0)
        ::_exit(4);
    } catch (...) {
      ::_exit(5);  // out of memory
    }
    ::_exit(0);
  }
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(WIFEXITED(st)) << "signal " << WTERMSIG(st);
  EXPECT_EQ(WEXITSTATUS(st), 0);
}
#endif

}  // namespace
}  // namespace orv
