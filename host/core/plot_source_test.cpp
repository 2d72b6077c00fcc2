// Plot sources without the Zlink: a file is read and a plot played to the host's notes as its file
// and geometry services make them, and the record the database keeps is checked, with its bounds.
#include "core/host.h"
#include "core/plot_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/database.h"
#include "core/frontend.h"
#include "core/host.h"
#include "core/plot_report.h"
#include "orvantis/host_notes.h"

namespace orv {
namespace {

// Reads `lines` as the file services serve a reading of `path`.
void read_file(const std::string& path, const std::vector<std::string>& lines, bool close_seen = true) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  note_reading_opened(f, path);
  for (const std::string& line : lines) note_line_read(f, line.c_str());
  // The Zlink's first reading of a run ends with the standard fclose, which the host does not see.
  if (close_seen) note_reading_closed(f);
  std::fclose(f);
}

QXPlotSettings curve_settings(const char* kind, int32_t geometry) {
  QXPlotSettings s{};
  s.geometry = geometry;
  s.geometry_name = kind;
  s.use_degrees = 1;
  s.step_var[0] = "t";
  s.step_var[1] = "y";
  s.lower_limit[0] = 0, s.upper_limit[0] = 360, s.step_size[0] = 10;
  s.lower_limit[1] = 0, s.upper_limit[1] = 1, s.step_size[1] = 0.25;
  s.origin[0] = 1e6, s.origin[1] = -2.5, s.origin[2] = 0;
  return s;
}

// Plays one plot with `settings` that stores `stored` points.
void plot(const QXPlotSettings& settings, int stored) {
  note_plot_settings(&settings);
  note_plot_poll(0, 36, false);
  for (int i = 0; i < stored; ++i) {
    EntityData e;
    e.kind = ENT_POINT;
    e.p1[0] = i;
    host().database.add(e);
    note_point_stored();
  }
  finish_plot_report();
}

struct PlotSources : ::testing::Test {
  void SetUp() override {
    reset_plot_reports();
    host().database.clear();
  }
  void TearDown() override {
    reset_plot_reports();
    host().database.clear();
  }
};

TEST(PlotSourceText, NumbersAsASettingsLineWritesThem) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{360, "360"}, {0.25, "0.25"}, {-2.5, "-2.5"}, {1e6, "1e6"}, {1e-7, "1e-7"}, {1.5e300, "1.5e300"},
               {6.283185307179586, "6.283185307179586"}, {0, "0"}, {-0.0, "-0"}};
  for (const auto& c : cases) EXPECT_EQ(source_number(c.value), c.text) << c.value;
}

TEST(PlotSourceText, SettingsLinesInTheWrittenFilesOrder) {
  PlotSource s;
  s.geometry = "nurbs_surf";
  s.degrees = false;
  s.steps = {{"u", 0, 6.283185307179586, 0.5}, {"v", -1, 1, 0.125}};
  s.origin = {0, 1e6, -3};
  const std::vector<std::string> want = {
      "step_var1 = u", "step_size1 = 0.5",   "lower_limit1 = 0",   "upper_limit1 = 6.283185307179586",
      "step_var2 = v", "step_size2 = 0.125", "lower_limit2 = -1",  "upper_limit2 = 1",
      "geometry = nurbs_surf", "angles = radians", "origin = 0, 1e6, -3"};
  EXPECT_EQ(source_settings_lines(s), want);
}

// Any bytes have one reading: UTF-8 where it is, each other byte as its Latin-1 character.
TEST(PlotSourceText, CodePointsOfAnyBytes) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<uint32_t> code_points;
  } cases[] = {
      {"ascii", "x = t", {'x', ' ', '=', ' ', 't'}},
      {"utf-8", "\xc3\xa9\xce\xb1\xe2\x82\xac\xf0\x9f\x98\x80", {0xe9, 0x3b1, 0x20ac, 0x1f600}},
      {"latin-1", "caf\xe9", {'c', 'a', 'f', 0xe9}},
      {"overlong", "\xc0\x80", {0xc0, 0x80}},
      {"surrogate", "\xed\xa0\x80", {0xed, 0xa0, 0x80}},
      {"cut at the end", "a\xe2\x82", {'a', 0xe2, 0x82}},
      {"past U+10FFFF", "\xf4\x90\x80\x80", {0xf4, 0x90, 0x80, 0x80}},
      {"control", "a\tb\x01", {'a', '\t', 'b', 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(source_code_points(c.bytes), c.code_points) << c.name;
    // Written as UTF-8 and read again, the characters stay the same.
    EXPECT_EQ(source_code_points(utf8_of(c.code_points)), c.code_points) << c.name;
  }
}

TEST(PlotSourceText, FileNameIsTheLastComponentWithinItsBound) {
  EXPECT_EQ(source_file_name("/home/me/helix.eqn"), "helix.eqn");
  EXPECT_EQ(source_file_name("C:\\ZLINKS\\kuvra.eqn"), "kuvra.eqn");
  EXPECT_EQ(source_file_name("plain.eqn"), "plain.eqn");
  EXPECT_EQ(source_file_name("/d/" + std::string(300, 'n')).size(), kMaxSourceNameBytes);
}

TEST_F(PlotSources, APlotThatStoresKeepsItsFileTextAndSettings) {
  read_file("/some/dir/helix.eqn", {"step_var1 = t", "x = cos(t)", "", "y = sin(t)"}, false);
  plot(curve_settings("spline", 7), 3);
  ASSERT_EQ(host().database.plots().size(), 1u);
  const PlotSource s = host().database.plots()[0];  // a copy: the next plot adds to the list
  EXPECT_EQ(s.file, "helix.eqn");
  EXPECT_EQ(s.text, "step_var1 = t\nx = cos(t)\n\ny = sin(t)\n");
  EXPECT_FALSE(s.cut);
  EXPECT_EQ(s.geometry, "spline");
  EXPECT_TRUE(s.degrees);
  ASSERT_EQ(s.steps.size(), 1u) << "a curve steps one variable";
  EXPECT_EQ(s.steps[0], (SourceStep{"t", 0, 360, 10}));
  EXPECT_EQ(s.origin, (std::array<double, 3>{1e6, -2.5, 0}));
  EXPECT_EQ(s.first_id, 1);
  EXPECT_EQ(s.last_id, 3);

  // A second plot of the same file, as a surface, without a finish between the two plots.
  QXPlotSettings surface = curve_settings("parametric_surf", 11);
  surface.use_degrees = 0;
  note_plot_settings(&surface);
  note_plot_poll(0, 20, false);
  EntityData e;
  e.kind = ENT_POINT;
  host().database.add(e);
  plot(curve_settings("points", 5), 0);  // the next plot ends this one and stores nothing itself
  ASSERT_EQ(host().database.plots().size(), 2u) << "a plot that stores nothing leaves no record";
  const PlotSource& t = host().database.plots()[1];
  EXPECT_EQ(t.geometry, "parametric_surf");
  EXPECT_FALSE(t.degrees);
  ASSERT_EQ(t.steps.size(), 2u);
  EXPECT_EQ(t.steps[1], (SourceStep{"y", 0, 1, 0.25}));
  EXPECT_EQ(t.first_id, 4);
  EXPECT_EQ(t.last_id, 4);
  EXPECT_EQ(t.text, s.text);
}

TEST_F(PlotSources, ALongFileIsCutAndSaysSo) {
  // 250 short lines: the first 200 are kept.
  std::vector<std::string> lines;
  for (int i = 0; i < 250; ++i) {
    std::string line = "a";
    line += std::to_string(i);
    line += " = 0";
    lines.push_back(line);
  }
  read_file("long.eqn", lines);
  plot(curve_settings("points", 5), 1);
  ASSERT_EQ(host().database.plots().size(), 1u);
  const PlotSource& s = host().database.plots()[0];
  EXPECT_TRUE(s.cut);
  EXPECT_EQ(std::count(s.text.begin(), s.text.end(), '\n'), static_cast<long>(kMaxSourceLines));
  EXPECT_EQ(s.text.substr(0, 7), "a0 = 0\n");
  EXPECT_TRUE(source_refusal(s).empty()) << source_refusal(s);

  // 100 lines of 100 bytes: the lines that fit in 8192 bytes, whole.
  lines.assign(100, std::string(99, 'b'));
  read_file("wide.eqn", lines);
  plot(curve_settings("points", 5), 1);
  ASSERT_EQ(host().database.plots().size(), 2u);
  const PlotSource& w = host().database.plots()[1];
  EXPECT_TRUE(w.cut);
  EXPECT_EQ(w.text.size(), kMaxSourceBytes / 100 * 100);
  EXPECT_EQ(w.file, "wide.eqn");

  // Exactly 200 lines and nothing more: not cut.
  lines.assign(kMaxSourceLines, "c = 1");
  read_file("exact.eqn", lines);
  plot(curve_settings("points", 5), 1);
  EXPECT_FALSE(host().database.plots()[2].cut);
}

// Past the most a database keeps, a plot keeps its geometry and the person is told its source is not kept.
TEST_F(PlotSources, PastTheLastRecordThePersonIsTold) {
  struct Told : FrontEnd {
    bool PromptForFileToOpen(std::string&, const std::string&, const std::string&, HWND) override { return false; }
    void edit_filename(const std::string&) override {}
    void list_filename(const std::string&) override {}
    bool point_proc(const std::string&, std::array<double, 3>&) override { return false; }
    void refused(const std::string& service, const std::string& why, int64_t) override {
      refusals.push_back(service + ": " + why);
    }
    std::vector<std::string> refusals;
  } told;
  FrontEnd* before = install_front_end(&told);
  read_file("many.eqn", {"x = t"});
  for (std::size_t i = 0; i < kMaxPlotSources; ++i) plot(curve_settings("points", 5), 1);
  EXPECT_TRUE(told.refusals.empty());
  plot(curve_settings("points", 5), 1);
  install_front_end(before);
  EXPECT_EQ(host().database.plots().size(), kMaxPlotSources);
  EXPECT_EQ(host().database.size(), kMaxPlotSources + 1);
  ASSERT_EQ(told.refusals.size(), 1u);
  EXPECT_NE(told.refusals[0].find("plot_source: the plot's equation file and settings are not kept"), std::string::npos)
      << told.refusals[0];
}

TEST(PlotSourceText, RefusalsOfRecordsPastTheBounds) {
  PlotSource ok;
  ok.geometry = "spline";
  ok.steps = {{"t", 0, 1, 0.25}};
  ok.first_id = 1, ok.last_id = 2;
  EXPECT_EQ(source_refusal(ok), "");
  auto with = [&](auto change) {
    PlotSource p = ok;
    change(p);
    return source_refusal(p);
  };
  EXPECT_EQ(with([](PlotSource& p) { p.text = std::string(kMaxSourceBytes + 1, 'x'); }), "text: longer than 8192 bytes");
  EXPECT_EQ(with([](PlotSource& p) { p.text = std::string(kMaxSourceBytes, 'x'); }), "");
  EXPECT_EQ(with([](PlotSource& p) { p.text = std::string(kMaxSourceLines + 1, '\n'); }), "text: more than 200 lines");
  EXPECT_EQ(with([](PlotSource& p) { p.file = std::string(256, 'f'); }), "file: longer than 255 bytes");
  EXPECT_EQ(with([](PlotSource& p) { p.steps[0].var = std::string(32, 'v'); }),
            "settings: a step variable's name is longer than 31 bytes");
  EXPECT_EQ(with([](PlotSource& p) { p.steps.resize(3); }), "settings: more than two step variables");
  EXPECT_EQ(with([](PlotSource& p) { p.origin[1] = INFINITY; }), "settings: origin: a number is not finite");
  EXPECT_EQ(with([](PlotSource& p) { p.last_id = 0; }), "entities: expected [first id, last id]");
}

}  // namespace
}  // namespace orv
