// The part file's "plots": where the geometry came from, per plot. It reads back as it was written
// (a second write is the same bytes, odd bytes included), a file without it reads as before, and a
// file whose plots break the bounds a plot's record keeps is refused by name.
#include <gtest/gtest.h>

#include <string>

#include "core/database.h"
#include "core/part_file.h"

namespace orv {
namespace {

PlotSource helix_source() {
  PlotSource p;
  p.file = "helix.eqn";
  p.text = "step_var1 = t\nx = cos(t)\n# caf\xe9 'quoted' \\ back\tslash = 0\n";
  p.geometry = "spline";
  p.steps = {{"t", 0, 360, 10}};
  p.origin = {1.0 / 3, 0, -1e6};
  p.first_id = 1;
  p.last_id = 1;
  return p;
}

PlotSource surface_source() {
  PlotSource p;
  p.file = "t\xc3\xb6rus.eqn";
  p.text = "x = u\n";
  p.cut = true;
  p.geometry = "nurbs_surf";
  p.degrees = false;
  p.steps = {{"u", 0, 6.283185307179586, 0.1}, {"v", -1, 1, 0.25}};
  p.first_id = 2;
  p.last_id = 2;
  return p;
}

void fill(GeometryDatabase& db) {
  db.clear();
  for (int i = 0; i < 2; ++i) {
    EntityData e;
    e.kind = ENT_POINT;
    e.p1[0] = i;
    db.add(e);
  }
  db.plots() = {helix_source(), surface_source()};
}

TEST(PartFilePlots, ReadBackAsWrittenAndWrittenAgainTheSameBytes) {
  GeometryDatabase db;
  fill(db);
  const std::string text = part_file_text(db);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("\"lines\":[]},\"plots\":[{\"file\":\"helix.eqn\",\"text\":\"step_var1 = t\\nx = cos(t)\\n# caf\\u00e9 "
                      "'quoted' \\\\ back\\tslash = 0\\n\",\"cut\":false,\"settings\":{\"step_var1\":\"t\","
                      "\"step_size1\":10.0,\"lower_limit1\":0.0,\"upper_limit1\":360.0,\"geometry\":\"spline\","
                      "\"angles\":\"degrees\",\"origin\":[0.3333333333333333,0.0,-1e+06]},\"entities\":[1,1]}"),
            std::string::npos)
      << text;
  GeometryDatabase back;
  std::string what;
  ASSERT_TRUE(parse_part_file(text, back, what)) << what;
  ASSERT_EQ(back.plots().size(), 2u);
  // A byte that is not UTF-8 is read as its Latin-1 character, which reads back as UTF-8.
  PlotSource want = helix_source();
  want.text = "step_var1 = t\nx = cos(t)\n# caf\xc3\xa9 'quoted' \\ back\tslash = 0\n";
  EXPECT_EQ(back.plots()[0], want);
  EXPECT_EQ(back.plots()[1], surface_source());
  EXPECT_EQ(part_file_text(back), text) << "a second write differs";
}

TEST(PartFilePlots, AFileWithoutPlotsReadsAndWritesAsBefore) {
  GeometryDatabase db;
  fill(db);
  db.plots().clear();
  const std::string text = part_file_text(db);
  EXPECT_EQ(text.find("plots"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 4), "]}}\n");
  GeometryDatabase back;
  std::string what;
  ASSERT_TRUE(parse_part_file("{\"entities\":[],\"screen\":{\"marks\":[],\"lines\":[]}}", back, what)) << what;
  EXPECT_TRUE(back.plots().empty());
  ASSERT_TRUE(parse_part_file("{\"entities\":[],\"plots\":[]}", back, what)) << what;
  EXPECT_TRUE(back.plots().empty());
}

TEST(PartFilePlots, PlotsPastTheBoundsAreRefusedByName) {
  auto plot = [](const std::string& text, const std::string& settings, const std::string& extra = "") {
    return "{\"file\":\"a.eqn\",\"text\":" + text + ",\"settings\":{" + settings + "},\"entities\":[1,2]" + extra + "}";
  };
  const std::string curve = "\"step_var1\":\"t\",\"step_size1\":1,\"lower_limit1\":0,\"upper_limit1\":1,"
                            "\"geometry\":\"lines\",\"angles\":\"degrees\",\"origin\":[0,0,0]";
  const std::string ok = plot("\"x = t\\n\"", curve);
  auto doc = [](const std::string& plots) { return "{\"entities\":[],\"plots\":" + plots + "}"; };
  std::string many = "[";
  for (int i = 0; i <= 256; ++i) {
    if (i) many += ",";
    many += ok;
  }
  many += "]";
  std::string origin70 = "[0";
  for (int i = 0; i < 70; ++i) origin70 += ",0";
  origin70 += "]";
  std::string lines201;
  for (int i = 0; i < 201; ++i) lines201 += "x\\n";
  struct Case {
    std::string text;
    std::string says;  // empty: read
  } cases[] = {
      {doc("[" + ok + "]"), ""},
      {doc("[" + plot("\"" + std::string(8192, 'x') + "\"", curve) + "]"), ""},
      {doc("[" + plot("\"" + std::string(8193, 'x') + "\"", curve) + "]"), "plots[0]: a text longer than 8192 bytes"},
      {doc("[" + plot("\"" + lines201 + "\"", curve) + "]"), "plots[0]: text: more than 200 lines"},
      {doc("[" + ok + "," + plot("\"\"", curve, ",\"author\":\"me\"") + "]"),
       "plots[1]: unknown key \"author\"; a rewrite would lose it"},
      {doc("[" + plot("\"\"", curve + ",\"colour\":3") + "]"),
       "plots[0]: settings: unknown key \"colour\"; a rewrite would lose it"},
      {doc("[" + plot("\"\"", "\"step_var1\":\"t\",\"geometry\":\"lines\",\"angles\":\"degrees\",\"origin\":" + origin70) + "]"),
       "plots[0]: more values than a plot's source holds (64)"},
      {doc(many), "plots: more than 256, the most a part keeps"},
      {doc("[" + plot("\"\"", "\"step_var2\":\"t\",\"geometry\":\"lines\",\"angles\":\"degrees\",\"origin\":[0,0,0]") + "]"),
       "plots[0]: settings: step_var2 without step_var1"},
      {doc("[" + plot("\"\"", curve + ",\"step_var2\":\"v\"") + "]"), "plots[0]: settings: no \"step_size2\""},
      {doc("[" + plot("\"\"", "\"geometry\":\"lines\",\"angles\":\"grads\",\"origin\":[0,0,0]") + "]"),
       "plots[0]: settings: angles: expected \"degrees\" or \"radians\""},
      {doc("[" + plot("3", curve) + "]"), "plots[0]: text: expected a text"},
      {doc("[" + plot("\"\"", curve, ",\"cut\":1") + "]"), "plots[0]: cut: expected true or false"},
      {doc("[{\"file\":\"a\",\"text\":\"\",\"settings\":{" + curve + "},\"entities\":[3,2]}]"), "plots[0]: entities: out of range"},
      {doc("{}"), "plots: expected an array"},
      {doc("[7]"), "plots[0]: expected an object"},
      {"{\"entities\":[],\"plots\":[],\"plots\":[]}", "document: \"plots\" given twice"},
  };
  for (const Case& c : cases) {
    GeometryDatabase db;
    std::string what;
    EXPECT_EQ(parse_part_file(c.text, db, what), c.says.empty()) << c.text.substr(0, 200);
    EXPECT_EQ(what, c.says) << c.text.substr(0, 200);
  }
}

}  // namespace
}  // namespace orv
