// Tests of the part file: every field of every kind reads back bit for bit, the screen and the ids
// survive, and a damaged or foreign file is refused with one clear message and never overwritten.
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "core/database.h"
#include "core/file_services.h"
#include "core/part_file.h"

namespace {

using P = std::array<double, 3>;

// Doubles that a careless writer loses: thirds, tenths, the extremes, a negative zero.
const double kAwkward[] = {0.1, 1.0 / 3, -0.0, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                           -123456789.123456789, 1e21, 1e-7, 0.30000000000000004, 6.02214076e23};

bool same(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

// Every field of a record in one line, doubles in hexadecimal: equal dumps mean equal bits.
std::string dump(const orv::EntityData& e) {
  std::string out;
  char buf[64];
  auto num = [&](double v) {
    std::snprintf(buf, sizeof buf, "%a ", v);
    out += buf;
  };
  auto pts = [&](const std::vector<P>& v) {
    for (const P& p : v) num(p[0]), num(p[1]), num(p[2]);
    out += "| ";
  };
  for (int64_t i : {int64_t{e.kind}, e.id, int64_t{e.color}, int64_t{e.level}, int64_t{e.attrib.line_style},
                    int64_t{e.attrib.line_width}, int64_t{e.attrib.flags}, int64_t{e.rows}, int64_t{e.cols},
                    int64_t{e.nb.udegree}, int64_t{e.nb.vdegree}, int64_t{e.nb.nu}, int64_t{e.nb.nv}})
    out += std::to_string(i) + " ";
  for (int k = 0; k < 3; ++k) num(e.p1[k]), num(e.p2[k]);
  pts(e.through);
  pts(e.nb.poles);
  for (const auto* v : {&e.nb.uknots, &e.nb.vknots, &e.nb.weights}) {
    for (double d : *v) num(d);
    out += "| ";
  }
  return out;
}

double awkward(int i) { return kAwkward[i % std::size(kAwkward)]; }

// One entity of every kind, with awkward numbers everywhere.
std::vector<db_list_ent_type*> fill(orv::GeometryDatabase& db) {
  std::vector<db_list_ent_type*> entries;
  orv::EntityData pt;
  pt.kind = ENT_POINT;
  pt.p1[0] = 0.1, pt.p1[1] = -0.0, pt.p1[2] = 5e-324;
  pt.color = 10;
  pt.level = 1;
  entries.push_back(db.add(pt));

  orv::EntityData line;
  line.kind = ENT_LINE;
  for (int k = 0; k < 3; ++k) line.p1[k] = awkward(k + 3), line.p2[k] = awkward(k + 6);
  line.color = 255;
  line.level = -2147483647 - 1;
  line.attrib = {1, 3, 7};
  entries.push_back(db.add(line));

  orv::EntityData curve;
  curve.kind = ENT_SPLINE;
  curve.color = 3;
  curve.level = 4;
  curve.through = {{1.0 / 3, 0.1, 0}, {2, 0.30000000000000004, 1e-7}};
  curve.nb.udegree = 2;
  curve.nb.nu = 4;
  curve.nb.uknots = {0, 0, 0, 1.0 / 3, 1, 1, 1};
  for (int i = 0; i < 4; ++i) curve.nb.poles.push_back({awkward(i), awkward(i + 1), awkward(i + 2) / 7});
  curve.nb.weights = {1, 1, 1, 1};
  entries.push_back(db.add(curve));

  orv::EntityData nurbs = curve;
  nurbs.kind = ENT_NURBS_CURVE;
  nurbs.through.clear();
  nurbs.nb.weights = {1, 0.7071067811865476, 1.0 / 3, 2};
  entries.push_back(db.add(nurbs));

  orv::EntityData surf;
  surf.kind = ENT_SURFACE;
  surf.color = 17;
  surf.level = 9;
  surf.rows = 2;
  surf.cols = 3;
  for (int i = 0; i < 6; ++i) surf.through.push_back({double(i / 3), double(i % 3), awkward(i)});
  surf.nb.udegree = 1;
  surf.nb.vdegree = 2;
  surf.nb.nu = 2;
  surf.nb.nv = 3;
  surf.nb.uknots = {0, 0, 1, 1};
  surf.nb.vknots = {0, 0, 0, 1, 1, 1};
  for (int i = 0; i < 6; ++i) surf.nb.poles.push_back({double(i / 3), awkward(i + 2), 1.0 / (i + 3)});
  surf.nb.weights.assign(6, 1.0);
  entries.push_back(db.add(surf));

  orv::EntityData nsurf = surf;
  nsurf.kind = ENT_NURBS_SURFACE;
  nsurf.nb.weights = {1, 0.5, 1, 1.0 / 3, 1, 0.1};
  entries.push_back(db.add(nsurf));

  db.add_mark({{0.1, 1.0 / 3, -0.0}, 10});
  db.add_mark({{1e21, 5e-324, 2}, 0});
  db.add_line({{1, 2, 3}, {0.1, 0.2, 0.30000000000000004}, 12});
  return entries;
}

class PartFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-part-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/part.json";
  }
  void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0); }
  static void write_file(const std::string& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read_file(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string dir_, path_;
};

TEST_F(PartFileTest, RoundTripIsBitExact) {
  orv::GeometryDatabase db;
  fill(db);
  std::string err;
  ASSERT_TRUE(orv::save_part_file(path_, db, err)) << err;

  orv::GeometryDatabase back;
  ASSERT_TRUE(orv::load_part_file(path_, back, err)) << err;
  auto a = db.entities(), b = back.entities();
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(dump(a[i]->record()), dump(b[i]->record())) << "entity " << i + 1;
  ASSERT_EQ(back.marks().size(), 2u);
  EXPECT_TRUE(same(back.marks()[0].at[2], -0.0));
  EXPECT_TRUE(same(back.marks()[1].at[1], 5e-324));
  EXPECT_EQ(back.marks()[1].color, 0);
  ASSERT_EQ(back.lines().size(), 1u);
  EXPECT_TRUE(same(back.lines()[0].to[2], 0.30000000000000004));
  EXPECT_EQ(back.lines()[0].color, 12);

  // Written again, the text is the same: nothing drifts from one save to the next.
  EXPECT_EQ(orv::part_file_text(back), read_file(path_));
}

TEST_F(PartFileTest, RandomDoublesReadBackExactly) {
  orv::GeometryDatabase db;
  std::mt19937_64 bits(20261208);
  auto any_finite = [&] {
    for (;;) {
      double d = std::bit_cast<double>(bits());
      if (std::isfinite(d)) return d;
    }
  };
  std::vector<double> sent;
  for (int i = 0; i < 5000; ++i) {
    orv::ScreenMark m{{any_finite(), any_finite(), any_finite()}, 1};
    sent.insert(sent.end(), {m.at[0], m.at[1], m.at[2]});
    db.add_mark(m);
  }
  orv::GeometryDatabase back;
  std::string what;
  ASSERT_TRUE(orv::parse_part_file(orv::part_file_text(db), back, what)) << what;
  ASSERT_EQ(back.marks().size(), 5000u);
  for (size_t i = 0; i < sent.size(); ++i)
    ASSERT_TRUE(same(back.marks()[i / 3].at[i % 3], sent[i])) << std::hexfloat << sent[i];
}

TEST_F(PartFileTest, LayoutNamesTheKindsAndFields) {
  orv::GeometryDatabase db;
  fill(db);
  std::string text = orv::part_file_text(db);
  for (const char* key : {"\"entities\":[{\"id\":1,\"kind\":\"point\",\"color\":10,\"level\":1,\"at\":[0.1,-0.0,",
                          "\"kind\":\"line\"", "\"from\":", "\"to\":", "\"kind\":\"spline\"",
                          "\"kind\":\"nurbs_curve\"", "\"kind\":\"surface\"", "\"kind\":\"nurbs_surface\"",
                          "\"through\":", "\"degree\":2", "\"knots\":[0.0,0.0,0.0,0.3333333333333333,",
                          "\"rows\":2,\"cols\":3", "\"udegree\":1,\"vdegree\":2", "\"uknots\":", "\"vknots\":",
                          "\"poles\":[[[", "\"weights\":[[", "\"screen\":{\"marks\":[[0.1,",
                          "\"lines\":[[1.0,2.0,3.0,0.1,0.2,0.30000000000000004,12]]"})
    EXPECT_NE(text.find(key), std::string::npos) << key;
}

TEST_F(PartFileTest, IdsAndOrderSurviveDeletions) {
  orv::GeometryDatabase db;
  auto entries = fill(db);
  ASSERT_TRUE(db.remove(entries[1]));  // the line, id 2
  std::string err;
  ASSERT_TRUE(orv::save_part_file(path_, db, err)) << err;
  orv::GeometryDatabase back;
  ASSERT_TRUE(orv::load_part_file(path_, back, err)) << err;
  std::vector<int64_t> ids;
  for (const orv::Entity* e : back.entities()) ids.push_back(e->id());
  EXPECT_EQ(ids, (std::vector<int64_t>{1, 3, 4, 5, 6}));
  orv::EntityData more;
  more.kind = ENT_POINT;
  EXPECT_EQ(back.find(back.add(more))->id(), 7);  // new ids follow the largest read
}

TEST_F(PartFileTest, EmptyAndMissingFiles) {
  orv::GeometryDatabase db;
  fill(db);
  std::string err;
  write_file(path_, "");
  ASSERT_TRUE(orv::load_part_file(path_, db, err)) << err;  // an empty file is an empty part
  EXPECT_EQ(db.size(), 0u);
  EXPECT_TRUE(db.marks().empty());

  orv::GeometryDatabase keep;
  fill(keep);
  EXPECT_FALSE(orv::load_part_file(dir_ + "/none.json", keep, err));
  EXPECT_EQ(err.rfind(dir_ + "/none.json: cannot read: ", 0), 0u) << err;
  EXPECT_EQ(keep.size(), 6u);
}

TEST_F(PartFileTest, FailedSaveKeepsThePreviousFile) {
  orv::GeometryDatabase db;
  fill(db);
  std::string err;
  ASSERT_TRUE(orv::save_part_file(path_, db, err)) << err;
  std::string before = read_file(path_);
  orv::EntityData more;
  more.kind = ENT_POINT;
  db.add(more);
  orv::set_committing_write_hook([](int, const void*, std::size_t) -> long {
    errno = ENOSPC;
    return -1;
  });
  EXPECT_FALSE(orv::save_part_file(path_, db, err));
  orv::set_committing_write_hook({});
  EXPECT_EQ(err.rfind(path_ + ": cannot write: ", 0), 0u) << err;
  EXPECT_EQ(read_file(path_), before);
}

// Each damaged text is refused with "path: not a part file: ..." and leaves the database and the
// file as they were, also when the database is saved over it afterwards.
TEST_F(PartFileTest, DamagedOrForeignFilesAreRefusedAndKept) {
  orv::GeometryDatabase good;
  fill(good);
  std::string valid = orv::part_file_text(good);
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = valid;
    size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? t : t.replace(at, from.size(), to);
  };
  const std::string cases[] = {
      "{",
      valid.substr(0, valid.size() / 2),                        // cut short
      "{\"name\":\"some other program's settings\"}",          // foreign JSON
      "[1,2,3]",
      "step_var1 = t\nx = cos(t)\n",                            // an equation file given by mistake
      replace("\"kind\":\"point\"", "\"kind\":\"circle\""),
      replace("\"color\":10", "\"color\":300"),
      replace("\"color\":10", "\"color\":1.5"),
      replace("\"at\":[0.1,", "\"at\":[1e999,"),
      replace("\"at\":[0.1,", "\"at\":[\"0.1\","),
      replace("\"knots\":[0.0,0.0,0.0,", "\"knots\":[0.0,0.0,"),
      replace("\"knots\":[0.0,0.0,0.0,0.3333333333333333,", "\"knots\":[0.0,0.0,0.0,2.0,"),
      replace("\"rows\":2,", "\"rows\":3,"),
      replace("\"poles\":[[[", "\"poles\":[[[9,9,9],["),
      replace("\"id\":3,", "\"id\":1,"),                        // an id used twice
      replace("\"id\":3,", "\"id\":0,"),
      replace("\"id\":3,", "\"id\":9223372036854775807,"),     // no id could follow it
      replace("\"id\":3,", "\"id\":9007199254740992,"),        // beyond exact JSON integers
      replace(",\"level\":1,", ","),                           // a field missing
      replace("\"lines\":[[1.0,2.0,3.0,", "\"lines\":[[1.0,2.0,"),
  };
  for (const std::string& text : cases) {
    write_file(path_, text);
    orv::GeometryDatabase db;
    fill(db);
    std::string err;
    EXPECT_FALSE(orv::load_part_file(path_, db, err)) << text.substr(0, 80);
    EXPECT_EQ(err.rfind(path_ + ": not a part file: ", 0), 0u) << err;
    EXPECT_EQ(err.find('\n'), std::string::npos) << err;
    EXPECT_EQ(db.size(), 6u);
    EXPECT_EQ(db.marks().size(), 2u);

    err.clear();
    EXPECT_FALSE(orv::save_part_file(path_, db, err)) << text.substr(0, 80);
    EXPECT_EQ(err.rfind(path_ + ": not a part file: ", 0), 0u) << err;
    EXPECT_EQ(read_file(path_), text);
  }
  // The caller may still choose to replace such a file on purpose.
  std::string err;
  ASSERT_TRUE(orv::save_part_file(path_, good, err, true)) << err;
  EXPECT_EQ(read_file(path_), valid);
}

}  // namespace
