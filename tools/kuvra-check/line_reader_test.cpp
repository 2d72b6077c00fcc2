// Line reading: terminators, the length limit, binary bytes and chunk boundaries.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> read_all(const std::string& content, size_t limit = 200) {
  std::FILE* file = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), file);
  std::rewind(file);
  LineReader reader(file, limit);
  std::vector<std::string> lines;
  std::string line;
  while (reader.next(&line)) lines.push_back(line);
  EXPECT_EQ(reader.error(), 0);
  std::fclose(file);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, TerminatorsAndTheLastLine) {
  EXPECT_EQ(read_all(""), Lines{});
  EXPECT_EQ(read_all("\n"), Lines{""});
  EXPECT_EQ(read_all("a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(read_all("a\r\nb\r\n\r\n"), (Lines{"a", "b", ""}));
  EXPECT_EQ(read_all("a\rb\n\r\r\n"), (Lines{"a\rb", "\r"}));  // only the CR before the LF goes
  EXPECT_EQ(read_all("a\r"), Lines{"a\r"});
  EXPECT_EQ(read_all(std::string("x\0y\n", 4)), Lines{std::string("x\0y", 3)});
}

TEST(LineReader, LongLinesGiveTheirFirstCharactersAndSkipTheRest) {
  std::string exact(200, 'a');
  std::string longer = std::string(200, 'b') + "TAIL";
  EXPECT_EQ(read_all(exact + "\n" + longer + "\nnext\n"), (Lines{exact, std::string(200, 'b'), "next"}));
  EXPECT_EQ(read_all(exact + "\r\n"), Lines{exact});
  EXPECT_EQ(read_all(exact + "\r"), Lines{exact});  // cut at the limit, CR or not
  EXPECT_EQ(read_all(std::string(199, 'c') + "\r\n"), Lines{std::string(199, 'c')});
  EXPECT_EQ(read_all(std::string(1000000, 'd') + "\nz"), (Lines{std::string(200, 'd'), "z"}));
  EXPECT_EQ(read_all("abcdef\nab\n", 3), (Lines{"abc", "ab"}));
}

TEST(LineReader, LinesAcrossChunkBoundaries) {
  // Lines of every length around the reader's 64 KiB chunk, CR LF split across the boundary.
  std::string content;
  Lines expected;
  for (size_t i = 0; content.size() < 200000; ++i) {
    std::string line(i % 211, static_cast<char>('a' + i % 26));
    content += line + (i % 3 ? "\r\n" : "\n");
    expected.push_back(line.substr(0, 200));
  }
  for (size_t pad = 65530; pad < 65540; ++pad) {
    std::string shifted = std::string(pad, ' ') + "\r\n" + content;
    Lines got = read_all(shifted);
    ASSERT_EQ(got.size(), expected.size() + 1);
    EXPECT_EQ(got[0], std::string(200, ' '));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin() + 1)) << pad;
  }
}

TEST(LineReader, ReportsReadErrors) {
  std::FILE* dir = std::fopen("/", "r");
  ASSERT_NE(dir, nullptr);
  LineReader reader(dir, 200);
  std::string line;
  EXPECT_FALSE(reader.next(&line));
  EXPECT_NE(reader.error(), 0);
  std::fclose(dir);
}

}  // namespace
