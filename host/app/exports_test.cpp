// Tests of the export writers as a whole: a target that is not a regular file when the exports are
// written is refused with its own message, left as it is, and the targets after it are written.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "app/exports.h"
#include "core/host.h"
#include "core/plot_history.h"
#include "core/database.h"

namespace orv::app::testing {
namespace {

TEST(Exports, TargetThatIsNoRegularFileIsRefusedAndTheRestWritten) {
  Scratch s;
  alarm(60);  // a writer that blocks on the FIFO fails the test instead of hanging it
  ASSERT_EQ(::mkfifo((s / "fifo.svg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", s / "zero.json");
  fs::create_symlink("/dev/full", s / "full.step");
  GeometryDatabase db;
  ent p;
  p.kind = ENT_POINT;
  db.add(p);
  const std::vector<ExportTarget> targets = {
      {(s / "fifo.svg").string(), ExportFormat::Svg},   {(s / "one.json").string(), ExportFormat::Json},
      {(s / "zero.json").string(), ExportFormat::Json}, {(s / "full.step").string(), ExportFormat::Step},
      {(s / "two.svg").string(), ExportFormat::Svg},
  };
  const std::vector<std::string> failures = write_exports(targets, db);
  alarm(0);
  EXPECT_EQ(failures, (std::vector<std::string>{
                          (s / "fifo.svg").string() + ": not a regular file (a FIFO)",
                          (s / "zero.json").string() + ": not a regular file (a character device)",
                          (s / "full.step").string() + ": not a regular file (a character device)",
                      }));
  EXPECT_NE(read_file(s / "one.json").find("\"kind\":\"point\""), std::string::npos);
  EXPECT_NE(read_file(s / "two.svg").find("<svg"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(s / "fifo.svg"));
  EXPECT_TRUE(fs::is_symlink(s / "zero.json"));
  EXPECT_TRUE(fs::is_symlink(s / "full.step"));
}

}  // namespace
}  // namespace orv::app::testing

namespace orv::app::testing {
namespace {

// A mesh export holds the surfaces; with none there is nothing to write, and that is a failure
// rather than an empty file.
TEST(Exports, MeshNeedsASurface) {
  Scratch s;
  GeometryDatabase db;
  ent p;
  p.kind = ENT_POINT;
  db.add(p);
  const std::string stl = (s / "points.stl").string();
  EXPECT_EQ(write_exports({{stl, ExportFormat::Stl}}, db),
            std::vector<std::string>{stl + " not written: only surfaces have a mesh form, and the plot stored none; use "
                                                   "parametric_surf or nurbs_surf"});
  EXPECT_FALSE(fs::exists(stl));
  ent surface;
  surface.kind = ENT_SURFACE;
  surface.nb.udegree = surface.nb.vdegree = 1;
  surface.nb.nu = surface.nb.nv = 2;
  surface.nb.uknots = surface.nb.vknots = {0, 0, 1, 1};
  surface.nb.poles = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
  surface.nb.weights.assign(4, 1.0);
  db.add(surface);
  const std::string obj = (s / "square.obj").string();
  EXPECT_TRUE(write_exports({{obj, ExportFormat::Obj}}, db).empty());
  const std::string text = read_file(obj);
  EXPECT_NE(text.find("\nv 1 1 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nf "), std::string::npos) << text;
}

}  // namespace
}  // namespace orv::app::testing

namespace orv::app::testing {
namespace {

// A database with nothing to put in a STEP, IGES or mesh file writes no such file, and says why in
// words that name what the plot did; a part file of screen marks alone is still a part file.
TEST(Exports, NothingStoredIsNotWrittenAndSaysWhy) {
  const std::string draw_words =
      " not written: the plot only drew on the screen (geometry = draw stores nothing); use lines, spline or "
      "nurbs to store geometry";
  const std::string marks_words =
      " not written: the plot only drew on the screen (geometry = draw and draw_surf store nothing); use lines, "
      "spline or nurbs, or points_surf, parametric_surf or nurbs_surf, to store geometry";
  const std::string nothing_words = " not written: there is no geometry to put in it: the plot made nothing";
  struct Case {
    const char* name;
    ExportFormat format;
    bool lines, marks;
    std::string words;
  };
  const Case cases[] = {
      {"e.step", ExportFormat::Step, true, true, draw_words},   {"e.igs", ExportFormat::Iges, true, true, draw_words},
      {"e.stl", ExportFormat::Stl, true, true, draw_words},     {"e.obj", ExportFormat::Obj, true, true, draw_words},
      {"m.step", ExportFormat::Step, false, true, marks_words}, {"m.stl", ExportFormat::StlAscii, false, true, marks_words},
      {"n.iges", ExportFormat::Iges, false, false, nothing_words}, {"n.obj", ExportFormat::Obj, false, false, nothing_words},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch s;
    GeometryDatabase db;
    if (c.marks) db.add_mark(ScreenMark{{1, 2, 0}, 10});
    if (c.lines) db.add_line(ScreenLine{{0, 0, 0}, {1, 2, 0}, 10});
    const std::string path = (s / c.name).string();
    EXPECT_EQ(write_exports({{path, c.format}}, db), std::vector<std::string>{path + c.words});
    EXPECT_FALSE(fs::exists(path));
    const std::string json = (s / "screen.json").string();
    EXPECT_TRUE(write_exports({{json, ExportFormat::Json}}, db).empty());
    EXPECT_NE(read_file(json).find("\"screen\""), std::string::npos);
  }
}

// After an undo there is nothing to write, but the plot did make something: the words say so.
TEST(Exports, NothingLeftAfterAnUndoSaysWhatBecameOfThePlot) {
  Host host;
  UseHost use_host(host);
  plot_history().plot_started();
  host.database.add_mark(ScreenMark{{1, 2, 0}, 10});
  EXPECT_EQ(plot_history().undo(), "Undid the last plot: 1 mark");
  Scratch s;
  const std::string path = (s / "u.step").string();
  EXPECT_EQ(write_exports({{path, ExportFormat::Step}}, host.database),
            std::vector<std::string>{path + " not written: there is no geometry to put in it: what was plotted was "
                                            "undone, deleted or cleared (Ctrl+Z brings it back)"});
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace orv::app::testing
