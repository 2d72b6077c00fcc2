// Where the geometry came from, through the built orvantis as a user runs it: the Zlink reads the
// file and plots, and the part file's "plots" and the STEP and IGES headers hold the file's name,
// its text and the settings as plotted (the Zlink's values after reading and the dialogs).
#include <gtest/gtest.h>

#include "app/app_test_support.h"

namespace orv::app::testing {
namespace {

const std::string kOrvantis = ORV_TEST_ORVANTIS;

// A settings expression is plotted as the Zlink evaluated it; a Latin-1 byte is read as its character.
const std::string kHelix =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 2*pi\nstep_size1 = pi/8\ngeometry = spline\n"
    "angles = radians\norigin = 1, 2, 3\nx = cos(t)\ny = sin(t)\n# caf\xe9 = 0\nz = t/10\n";

TEST(PlotSourceRun, ABatchPlotCarriesItsFileTextAndSettingsIntoEveryHeader) {
  Scratch s;
  const fs::path f = s.file("helix.eqn", kHelix);
  const fs::path json = s / "out.json", step = s / "out.step", iges = s / "out.igs";
  const Outcome r = run_program(kOrvantis,
                                {"plot", f.string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                                 s.temp_dir().string(), "--export", json.string(), "--export", step.string(),
                                 "--export", iges.string()},
                                "", s.root());
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(read_file(json));
  ASSERT_EQ(doc["plots"].size(), 1u) << doc.dump();
  const nlohmann::json& p = doc["plots"][0];
  EXPECT_EQ(p["file"], "helix.eqn");
  std::string text = kHelix;
  text.replace(text.find('\xe9'), 1, "\xc3\xa9");
  EXPECT_EQ(p["text"], text);
  EXPECT_EQ(p["cut"], false);
  EXPECT_EQ(p["settings"]["step_var1"], "t");
  EXPECT_EQ(p["settings"]["upper_limit1"].get<double>(), 2 * M_PI);
  EXPECT_EQ(p["settings"]["step_size1"].get<double>(), M_PI / 8);
  EXPECT_EQ(p["settings"]["geometry"], "spline");
  EXPECT_EQ(p["settings"]["angles"], "radians");
  EXPECT_EQ(p["settings"]["origin"], nlohmann::json::parse("[1.0,2.0,3.0]"));
  EXPECT_FALSE(p["settings"].contains("step_var2")) << "a curve steps one variable";
  EXPECT_EQ(p["entities"], nlohmann::json::parse("[1,1]"));

  const std::string step_text = read_file(step), iges_text = read_file(iges);
  const std::string head = step_text.substr(0, step_text.find("ENDSEC;"));
  EXPECT_NE(head.find("'plot 1 of 1: helix.eqn, entity 1'"), std::string::npos) << head;
  EXPECT_NE(head.find("'| # caf\\X\\E9 = 0'"), std::string::npos) << head;
  EXPECT_NE(step_text.find("PRODUCT('spline 1'"), std::string::npos) << "one entity: the product is the entity";
  std::string start;
  std::istringstream lines(iges_text);
  for (std::string line; std::getline(lines, line);)
    if (line.size() >= 73 && line[72] == 'S') start += line.substr(0, 72) + "\n";
  EXPECT_NE(start.find("plot 1 of 1: helix.eqn, entity 1"), std::string::npos) << start;
  EXPECT_NE(start.find("| upper_limit1 = 2*pi"), std::string::npos) << start;
  EXPECT_NE(start.find("| # caf\\xE9 = 0"), std::string::npos) << start;
}

// Two plots of one run, the second after the dialog changed the geometry kind and the file was
// read again: each keeps its own settings and the text it was plotted from; a plot that stores
// nothing (draw) leaves no record; the part file keeps them across runs.
TEST(PlotSourceRun, EachPlotOfARunKeepsTheSettingsItRanWith) {
  Scratch s;
  const fs::path f = s.file("c.eqn", "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                     "geometry = points\nx = t\n");
  const fs::path part = s / "part.json";
  // Plot as points, then as draw (nothing stored), then as lines (list item 2).
  const fs::path script = s.file("s.txt", "prompt " + f.string() + "\nclick 1020\nselect 1027 0\nclick 1020\n"
                                          "select 1027 2\nclick 1020\nclick 2\n");
  std::vector<std::string> args{"--script", script.string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                                s.temp_dir().string(), "--part", part.string()};
  Outcome r = run_program(kOrvantis, args, "", s.root());
  ASSERT_EQ(r.status, 0) << r.err;
  nlohmann::json doc = nlohmann::json::parse(read_file(part));
  ASSERT_EQ(doc["plots"].size(), 2u) << doc["plots"].dump();
  EXPECT_EQ(doc["plots"][0]["settings"]["geometry"], "points");
  EXPECT_EQ(doc["plots"][0]["entities"], nlohmann::json::parse("[1,5]"));
  EXPECT_EQ(doc["plots"][1]["settings"]["geometry"], "lines");
  EXPECT_EQ(doc["plots"][1]["entities"], nlohmann::json::parse("[6,9]"));
  EXPECT_EQ(doc["plots"][1]["text"], doc["plots"][0]["text"]);

  // A second run adds its plot after the ones the part file holds.
  r = run_program(kOrvantis, args, "", s.root());
  ASSERT_EQ(r.status, 0) << r.err;
  doc = nlohmann::json::parse(read_file(part));
  ASSERT_EQ(doc["plots"].size(), 4u);
  EXPECT_EQ(doc["plots"][2]["entities"], nlohmann::json::parse("[10,14]"));
}

}  // namespace
}  // namespace orv::app::testing
