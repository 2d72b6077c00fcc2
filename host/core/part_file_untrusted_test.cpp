// Tests of part files that were not written by the host: deep nesting, devices and FIFOs in the
// file's place, repeated members, ids in any order, numbers in every form JSON allows, and texts large enough that
// the reader sees them a block at a time. Each is refused with one line, or read exactly, and a
// refused file is never replaced.
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/database.h"
#include "core/part_file.h"

namespace {

// A database that already holds something, so that a refusal which touched it shows.
void fill(orv::GeometryDatabase& db) {
  ent p;
  p.kind = ENT_POINT;
  p.p1[0] = 0.5;
  db.add(p);
  db.add_mark({{1, 2, 3}, 4});
}

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

class UntrustedPartFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-untrusted-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    // A reader that blocks or reads without end fails the test instead of hanging it.
    alarm(20);
  }
  void TearDown() override {
    alarm(0);
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
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
  std::string dir_;
};

TEST_F(UntrustedPartFile, NestingIsLimitedWhereverItIs) {
  const std::size_t deep = 100000;
  const std::string point = "{\"id\":1,\"kind\":\"point\",\"color\":1,\"level\":1,\"at\":";
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {nested(deep), "nested too deeply"},
      {"{\"entities\":[" + nested(deep) + "]}", "entity 1: expected an object"},
      {"{\"entities\":[" + point + nested(deep) + "}]}", "nested too deeply"},
      {"{\"entities\":[],\"notes\":" + nested(deep) + "}", "nested too deeply"},
      {"{\"entities\":[],\"screen\":{\"marks\":" + nested(deep) + "}}", "screen: marks[0]: expected [x,y,z,color]"},
      // One level past the limit, counting the document itself.
      {"{\"entities\":[],\"notes\":" + nested(orv::kMaxPartFileNesting) + "}", "nested too deeply"},
  };
  for (const Case& c : cases) {
    const std::string file = path("deep.json");
    write_file(file, c.text);
    orv::GeometryDatabase db;
    fill(db);
    std::string err;
    EXPECT_FALSE(orv::load_part_file(file, db, err));
    EXPECT_EQ(err.rfind(file + ": not a part file: ", 0), 0u) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(db.size(), 1u);
    EXPECT_EQ(db.marks().size(), 1u);

    // Saving over it is refused the same way, and the file stays as it was.
    EXPECT_FALSE(orv::save_part_file(file, db, err));
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_NE(err.find("(left as it is)"), std::string::npos) << err;
    EXPECT_EQ(read_file(file), c.text);
  }
  // At the limit exactly, the nesting is allowed: what is told is only that a rewrite would lose
  // the member the reader does not know.
  orv::GeometryDatabase db;
  std::string what;
  EXPECT_FALSE(orv::parse_part_file("{\"entities\":[],\"notes\":" + nested(orv::kMaxPartFileNesting - 1) + "}",
                                    db, what));
  EXPECT_EQ(what, "document: unknown key \"notes\"; a rewrite would lose it");
}

TEST_F(UntrustedPartFile, OnlyRegularFilesAreReadOrReplaced) {
  ASSERT_EQ(mkfifo(path("fifo.json").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", path("zero.json").c_str()), 0);
  ASSERT_EQ(symlink("/dev/full", path("full.json").c_str()), 0);
  ASSERT_EQ(mkdir(path("dir.json").c_str(), 0700), 0);
  struct Case {
    std::string file;
    const char* kind;
  };
  const Case cases[] = {
      {path("fifo.json"), "(a FIFO)"},
      {path("zero.json"), "(a character device)"},
      {path("full.json"), "(a character device)"},
      {"/dev/null", "(a character device)"},
      {path("dir.json"), "(a directory)"},
  };
  for (const Case& c : cases) {
    orv::GeometryDatabase db;
    fill(db);
    std::string err;
    EXPECT_FALSE(orv::load_part_file(c.file, db, err)) << c.file;
    EXPECT_EQ(err, c.file + ": not a regular file " + c.kind);
    EXPECT_EQ(db.size(), 1u);

    for (bool replace_any : {false, true}) {
      err.clear();
      EXPECT_FALSE(orv::save_part_file(c.file, db, err, replace_any)) << c.file;
      EXPECT_EQ(err, c.file + ": not a regular file " + c.kind + " (left as it is)");
    }
  }
  struct stat st;
  ASSERT_EQ(stat(path("fifo.json").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(lstat(path("zero.json").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(UntrustedPartFile, MembersGivenTwiceAreRefused) {
  const std::string point = "{\"id\":1,\"kind\":\"point\",\"color\":1,\"level\":1,\"at\":[0,0,0]";
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"{\"entities\":[],\"entities\":[]}", "document: \"entities\" given twice"},
      {"{\"entities\":[],\"screen\":{},\"screen\":{}}", "document: \"screen\" given twice"},
      {"{\"entities\":[],\"screen\":{\"marks\":[],\"marks\":[]}}", "screen: \"marks\" given twice"},
      {"{\"entities\":[],\"screen\":{\"lines\":[],\"lines\":[]}}", "screen: \"lines\" given twice"},
      {"{\"entities\":[" + point + ",\"level\":2}]}", "entity 1: \"level\" given twice"},
      {"{\"screen\":{}}", "document: no \"entities\""},
  };
  for (const Case& c : cases) {
    orv::GeometryDatabase db;
    std::string what;
    EXPECT_FALSE(orv::parse_part_file(c.text, db, what)) << c.text;
    EXPECT_EQ(what, c.says);
  }
}

// Ids in any order: the same verdict, at the same entity, whether the file is read or only checked
// before it is replaced.
TEST_F(UntrustedPartFile, IdsUsedTwiceAreFoundInAnyOrder) {
  struct Case {
    std::vector<int64_t> ids;
    int twice_at;  // the entity (from 1) that repeats an id; 0: none does
  } cases[] = {
      {{1, 2, 3}, 0},    {{3, 1, 2}, 0},    {{1, 2, 3, 2}, 4}, {{4, 4}, 2},
      {{5, 9, 2, 9}, 4}, {{5, 2, 7, 2}, 4}, {{7, 3, 8, 1, 9, 3}, 6},
  };
  for (const Case& c : cases) {
    orv::GeometryDatabase db;
    ent p;
    p.kind = ENT_POINT;
    for (std::size_t i = 0; i < c.ids.size(); ++i) db.add(p);
    std::string text = orv::part_file_text(db);
    const std::string key = "{\"id\":";
    std::size_t at = 0;
    for (int64_t id : c.ids) {  // the ids written 1, 2, 3...: each replaced in turn
      at = text.find(key, at) + key.size();
      const std::size_t end = text.find(',', at);
      text.replace(at, end - at, std::to_string(id));
    }
    const std::string file = path("ids.json");
    write_file(file, text);
    const std::string twice = c.twice_at ? "entity " + std::to_string(c.twice_at) + ": id used twice" : "";
    SCOPED_TRACE(text.substr(0, 120));

    orv::GeometryDatabase read;
    std::string err;
    EXPECT_EQ(orv::load_part_file(file, read, err), c.twice_at == 0) << err;
    EXPECT_EQ(err, twice.empty() ? "" : file + ": not a part file: " + twice);
    if (c.twice_at == 0) {
      EXPECT_EQ(read.size(), c.ids.size());
    }

    err.clear();
    EXPECT_EQ(orv::save_part_file(file, read, err), c.twice_at == 0) << err;  // checks what is there first
    EXPECT_EQ(err, twice.empty() ? "" : file + ": not a part file: " + twice + " (left as it is)");
    if (c.twice_at != 0) {
      EXPECT_EQ(read_file(file), text);
    }
  }
}

TEST_F(UntrustedPartFile, SyntaxErrorsCountTheLeadingWhiteSpace) {
  orv::GeometryDatabase db;
  std::string what;
  EXPECT_FALSE(orv::parse_part_file(" \n\t x", db, what));
  EXPECT_EQ(what, "JSON syntax error at byte 5");
  EXPECT_FALSE(orv::parse_part_file("{\"entities\":[]} x", db, what));
  EXPECT_EQ(what, "JSON syntax error at byte 17");
  EXPECT_FALSE(orv::parse_part_file("\f", db, what));  // not white space in JSON
  EXPECT_EQ(what, "JSON syntax error at byte 1");
  EXPECT_TRUE(orv::parse_part_file(" \r\n\t", db, what)) << what;
}

// Numbers written by other programs, in every form JSON allows, read as the doubles they name.
TEST_F(UntrustedPartFile, NumbersInEveryFormReadExactly) {
  const std::string text =
      "{\"entities\":[],\"screen\":{\"marks\":["
      "[1E5,1e+21,-0.0,7],[100000000000000000000.0,2,-3,255],[4.9406564584124654e-324,0.1e1,1e-7,0]],"
      "\"lines\":[[18446744073709551615,-9223372036854775808,0,1,2,3,1]]}}";
  orv::GeometryDatabase db;
  std::string what;
  ASSERT_TRUE(orv::parse_part_file(text, db, what)) << what;
  ASSERT_EQ(db.marks().size(), 3u);
  const double want[] = {1e5, 1e21, -0.0, 1e20, 2, -3, 5e-324, 1, 1e-7};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(std::bit_cast<uint64_t>(db.marks()[i / 3].at[i % 3]), std::bit_cast<uint64_t>(want[i])) << i;
  EXPECT_EQ(db.marks()[1].color, 255);
  ASSERT_EQ(db.lines().size(), 1u);
  EXPECT_EQ(db.lines()[0].from[0], 18446744073709551615.0);
  EXPECT_EQ(db.lines()[0].from[1], -9223372036854775808.0);

  // Colours outside a byte, or not whole, are refused wherever they come from.
  for (const char* color : {"256", "-1", "18446744073709551615", "1.0", "\"1\""}) {
    EXPECT_FALSE(orv::parse_part_file(
        std::string("{\"entities\":[],\"screen\":{\"marks\":[[0,0,0,") + color + "]]}}", db, what));
    EXPECT_EQ(what.rfind("screen: marks[0]: color: ", 0), 0u) << color << ": " << what;
  }
}

// A file much larger than the reader's block: marks cut at every block boundary read back exactly.
TEST_F(UntrustedPartFile, LargeFilesReadBackExactly) {
  orv::GeometryDatabase db;
  const int marks = 60000;
  for (int i = 0; i < marks; ++i)
    db.add_mark({{i / 7.0, -i * 1e-3, std::ldexp(1.0, i % 2000 - 1000)}, static_cast<uint8_t>(i % 256)});
  for (int i = 0; i < 1000; ++i) db.add_line({{double(i), 0.1, 0.2}, {1.0 / (i + 1), 0.3, 0.4}, 5});
  const std::string file = path("large.json");
  std::string err;
  ASSERT_TRUE(orv::save_part_file(file, db, err)) << err;
  ASSERT_GT(read_file(file).size(), 1u << 20);  // many of the reader's blocks

  orv::GeometryDatabase back;
  ASSERT_TRUE(orv::load_part_file(file, back, err)) << err;
  ASSERT_EQ(back.marks().size(), db.marks().size());
  for (std::size_t i = 0; i < db.marks().size(); ++i) {
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(std::bit_cast<uint64_t>(back.marks()[i].at[k]), std::bit_cast<uint64_t>(db.marks()[i].at[k])) << i;
    ASSERT_EQ(back.marks()[i].color, db.marks()[i].color) << i;
  }
  ASSERT_EQ(back.lines().size(), 1000u);
  EXPECT_EQ(back.lines()[999].to[0], 1.0 / 1000);
  EXPECT_EQ(orv::part_file_text(back), read_file(file));
}

// A database holding a number that is not finite would make a file that cannot be read back: it
// is not written, and the file there is kept.
TEST_F(UntrustedPartFile, UnreadableDatabaseIsNotWritten) {
  const std::string file = path("part.json");
  orv::GeometryDatabase good;
  fill(good);
  std::string err;
  ASSERT_TRUE(orv::save_part_file(file, good, err)) << err;
  const std::string before = read_file(file);

  const double bad[] = {INFINITY, -INFINITY, NAN};
  for (double v : bad) {
    orv::GeometryDatabase db;
    fill(db);
    db.add_mark({{0, v, 0}, 1});
    EXPECT_FALSE(orv::save_part_file(file, db, err));
    EXPECT_EQ(err, file + ": cannot write: screen: a mark is not finite");
    EXPECT_EQ(orv::part_file_text(db), "");
    EXPECT_EQ(read_file(file), before);

    orv::GeometryDatabase with_entity;
    ent p;
    p.kind = ENT_LINE;
    p.p2[2] = v;
    with_entity.add(p);
    EXPECT_FALSE(orv::save_part_file(file, with_entity, err, true));
    EXPECT_EQ(err, file + ": cannot write: entity 1: a number is not finite");
    EXPECT_EQ(read_file(file), before);
  }
}

// Geometry a plot would refuse is refused when a part file holds it, naming the entity and why, so
// that no export makes an empty mesh or a curve of no length from it; and a key the reader does
// not know is refused, since the next save would drop it.
TEST_F(UntrustedPartFile, DegenerateGeometryAndUnknownKeysAreRefused) {
  auto curve = [](const std::string& a, const std::string& b) {
    return "{\"id\":7,\"kind\":\"spline\",\"color\":1,\"level\":1,\"through\":[" + a + "," + b +
           "],\"degree\":1,\"knots\":[0,0,1,1],\"poles\":[" + a + "," + b + "],\"weights\":[1,1]}";
  };
  auto surface = [](const std::string& p00, const std::string& p01, const std::string& p10, const std::string& p11) {
    return "{\"id\":9,\"kind\":\"nurbs_surface\",\"color\":1,\"level\":1,\"through\":[" + p00 + "," + p01 + "," + p10 +
           "," + p11 + "],\"rows\":2,\"cols\":2,\"udegree\":1,\"vdegree\":1,\"uknots\":[0,0,1,1],\"vknots\":[0,0,1,1]," +
           "\"poles\":[[" + p00 + "," + p01 + "],[" + p10 + "," + p11 + "]],\"weights\":[[1,1],[1,1]]}";
  };
  auto doc = [](const std::string& entity) { return "{\"entities\":[" + entity + "]}"; };
  struct Case {
    std::string text;
    std::string says;  // empty: read
  };
  const Case cases[] = {
      {doc(curve("[0,0,0]", "[1,2,3]")), ""},
      {doc(surface("[0,0,0]", "[1,0,0]", "[0,1,0]", "[1,1,0]")), ""},
      {doc(curve("[1,1,1]", "[1,1,1]")),
       "entity 1 (id 7): curve refused: all its poles coincide; a curve needs a length"},
      {doc(surface("[2,2,2]", "[2,2,2]", "[2,2,2]", "[2,2,2]")),
       "entity 1 (id 9): surface refused: all its poles coincide; a surface needs an area"},
      {doc(surface("[-1e308,0,0]", "[1e308,0,0]", "[0,-1e308,0]", "[0,1e308,0]")),
       "entity 1 (id 9): surface refused: its points lie further apart than a double can measure"},
      {"{\"entities\":[],\"version\":2}", "document: unknown key \"version\"; a rewrite would lose it"},
      {"{\"entities\":[],\"screen\":{\"marks\":[],\"texts\":[]}}",
       "screen: unknown key \"texts\"; a rewrite would lose it"},
  };
  for (const Case& c : cases) {
    orv::GeometryDatabase db;
    std::string what;
    EXPECT_EQ(orv::parse_part_file(c.text, db, what), c.says.empty()) << c.text;
    EXPECT_EQ(what, c.says) << c.text;
    // The same verdict when the file is only checked before it is replaced, and it is kept.
    write_file(path("p.json"), c.text);
    std::string err;
    orv::GeometryDatabase empty;
    EXPECT_EQ(orv::save_part_file(path("p.json"), empty, err), c.says.empty()) << err;
    if (!c.says.empty()) {
      EXPECT_EQ(err, path("p.json") + ": not a part file: " + c.says + " (left as it is)");
      EXPECT_EQ(read_file(path("p.json")), c.text);
    }
  }
}

}  // namespace
