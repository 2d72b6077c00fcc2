// Tests of the geometry services as the plotters call them: storing, refusing what is not finite or
// not sound without touching the database, curves and surfaces that pass through their points
// (checked with OpenCASCADE's point projections), the NURB build of the curve plotter, the point
// buffers, the front end that answers picks and prompts, and the reasons refusals tell the person.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <gtest/gtest.h>

#include "core/database.h"
#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/host.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "kernel/fit_refusal_cases.h"
#include "kernel/kernel.h"
#include "kernel/occt_convert.h"
#include "platform/transcript.h"

namespace {

using P = std::array<double, 3>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double extent(const std::vector<P>& pts) {
  double lo[3] = {kInf, kInf, kInf}, hi[3] = {-kInf, -kInf, -kInf}, size = 0;
  for (const P& p : pts)
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
  for (int k = 0; k < 3; ++k) size = std::max(size, hi[k] - lo[k]);
  return size;
}

// Largest distance from the points to the curve.
double miss_curve(const nb_type& nb, const std::vector<P>& pts) {
  Handle(Geom_BSplineCurve) c = orv::kernel::to_occt_curve(nb);
  if (c.IsNull()) return kInf;
  double worst = 0;
  for (const P& p : pts) {
    GeomAPI_ProjectPointOnCurve proj(gp_Pnt(p[0], p[1], p[2]), c);
    worst = std::max(worst, proj.NbPoints() > 0 ? proj.LowerDistance() : kInf);
  }
  return worst;
}

double miss_surface(const nb_type& nb, const std::vector<P>& pts) {
  Handle(Geom_BSplineSurface) s = orv::kernel::to_occt_surface(nb);
  if (s.IsNull()) return kInf;
  double worst = 0, u0, u1, v0, v1;
  s->Bounds(u0, u1, v0, v1);
  GeomAPI_ProjectPointOnSurf proj;
  proj.Init(s, u0, u1, v0, v1);  // one set-up of the search for all points
  for (const P& p : pts) {
    proj.Perform(gp_Pnt(p[0], p[1], p[2]));
    worst = std::max(worst, proj.NbPoints() > 0 ? proj.LowerDistance() : kInf);
  }
  return worst;
}

std::vector<P> helix(int n, double turns = 3) {
  std::vector<P> pts;
  for (int i = 0; i < n; ++i) {
    double t = 2 * M_PI * turns * i / (n - 1);
    pts.push_back({std::cos(t), std::sin(t), t / (2 * M_PI)});
  }
  return pts;
}

struct Made {
  char ok = 0;
  db_list_ent_type* entry = nullptr;
};

// The plotter's call: free ends, the last point passed as both end vectors.
Made spline(const std::vector<P>& pts, uint8_t color = 10, int32_t level = 1) {
  Made m;
  std::vector<double> flat;
  for (const P& p : pts) flat.insert(flat.end(), p.begin(), p.end());
  const auto* arr = reinterpret_cast<const pt_3d*>(flat.data());
  const double* last = pts.empty() ? nullptr : pts.back().data();
  make_spline_from_pts(arr, static_cast<int32_t>(pts.size()), color, level, 1, last, 1, last, 0, &m.entry,
                       &m.ok);
  return m;
}

Made surface(const std::vector<P>& pts, int rows, int cols, int nurb) {
  Made m;
  std::vector<double> flat;
  for (const P& p : pts) flat.insert(flat.end(), p.begin(), p.end());
  double out = -1;
  make_surf_from_pts(reinterpret_cast<const pt_3d*>(flat.data()), static_cast<int16_t>(rows),
                     static_cast<int16_t>(cols), 0, 0, 1, 1, 10, 1, nurb, &out, &m.entry, &m.ok);
  return m;
}

bool all_finite(const nb_type& nb) {
  for (const P& p : nb.poles)
    for (double c : p)
      if (!std::isfinite(c)) return false;
  for (double w : nb.weights)
    if (!std::isfinite(w)) return false;
  return true;
}

// Every test on a Host of its own: an empty database, no front end, the globals at their start.
class GeometryTest : public ::testing::Test {
 protected:
  orv::Host host_;
  orv::UseHost use_host_{host_};
  std::size_t count() const { return host_.database.size(); }
};

TEST_F(GeometryTest, StoresPointsAndLinesWithTheirAttributes) {
  ent e;
  e.kind = ENT_POINT;
  e.p1[0] = 10.25, e.p1[1] = 0.0625, e.p1[2] = 0;
  e.color = 99;  // ignored: the arguments give colour, level and attributes
  db_list_ent_type* entry = nullptr;
  char ok = 0;
  attributes attrib{2, 3, 4};
  store_ent(&e, &entry, 0, 10, 7, attrib, &ok);
  ASSERT_EQ(ok, 1);
  ASSERT_NE(entry, nullptr);

  ent line;
  line.kind = ENT_LINE;
  line.p2[0] = 1, line.p2[1] = 2, line.p2[2] = 3;
  db_list_ent_type* second = nullptr;
  store_ent(&line, &second, 0, 11, 1, main_attrib, &ok);
  ASSERT_EQ(ok, 1);

  ent back;
  ASSERT_EQ(get_ent_from_eptr(entry, &back), 0);
  EXPECT_EQ(back.kind, ENT_POINT);
  EXPECT_EQ(back.p1[1], 0.0625);
  EXPECT_EQ(back.color, 10);
  EXPECT_EQ(back.level, 7);
  EXPECT_EQ(back.attrib.line_width, 3);
  EXPECT_EQ(back.attrib.flags, 4);
  ASSERT_EQ(get_ent_from_eptr(second, &back), 0);
  EXPECT_EQ(back.kind, ENT_LINE);
  EXPECT_EQ(back.p2[2], 3);
  EXPECT_GT(host_.database.find(second)->id(), 0);

  auto all = host_.database.entities();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_LT(all[0]->id(), all[1]->id());  // creation order
  EXPECT_EQ(all[0]->kind(), ENT_POINT);
}

TEST_F(GeometryTest, DeletedAndForeignEntriesAreNotRead) {
  ent e;
  e.kind = ENT_POINT;
  db_list_ent_type* entry = nullptr;
  char ok = 0;
  store_ent(&e, &entry, 0, 10, 1, main_attrib, &ok);
  char flag = 0;
  delete_ent(entry, 1, 0, 1, &flag, 0);
  EXPECT_EQ(flag, 1);
  ent back;
  EXPECT_NE(get_ent_from_eptr(entry, &back), 0);
  delete_ent(entry, 1, 0, 1, &flag, 0);
  EXPECT_EQ(flag, 0);
  ent foreign;
  EXPECT_NE(get_ent_from_eptr(reinterpret_cast<db_list_ent_type*>(&foreign), &back), 0);
  EXPECT_NE(get_ent_from_eptr(nullptr, &back), 0);
  EXPECT_EQ(count(), 0u);
}

// Every refusal: flag 0, no entry, nothing stored, nothing drawn.
TEST_F(GeometryTest, RefusalsLeaveTheDatabaseUnchanged) {
  ent keep;
  keep.kind = ENT_POINT;
  char ok = 0;
  db_list_ent_type* entry = nullptr;
  store_ent(&keep, &entry, 0, 10, 1, main_attrib, &ok);
  ASSERT_EQ(count(), 1u);
  std::size_t marks = host_.database.marks().size();

  auto expect_refused = [&](const Made& m, const char* what) {
    EXPECT_EQ(m.ok, 0) << what;
    EXPECT_EQ(m.entry, nullptr) << what;
    EXPECT_EQ(count(), 1u) << what;
    EXPECT_FALSE(orv::last_geometry_error().empty()) << what;
  };
  for (double bad : {kNaN, kInf, -kInf}) {
    Made m;
    ent e;
    e.kind = ENT_POINT;
    e.p1[1] = bad;
    m.entry = reinterpret_cast<db_list_ent_type*>(&e);
    store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
    expect_refused(m, "point");
    e.kind = ENT_LINE;
    e.p1[1] = 0;
    e.p2[2] = bad;
    store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
    expect_refused(m, "line");

    std::vector<P> pts = helix(10);
    pts[4][0] = bad;
    expect_refused(spline(pts), "spline with a bad point");
    std::vector<P> grid;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) grid.push_back({double(i), double(j), i == 1 && j == 2 ? bad : 0.0});
    expect_refused(surface(grid, 3, 3, 0), "surface with a bad point");

    double mark[3] = {1, bad, 2};
    draw_3d_point(mark, 10);
    l_3d l{{0, 0, 0}, {bad, 0, 0}};
    drw_3d_line(&l, 10);
  }
  EXPECT_EQ(host_.database.marks().size(), marks);
  EXPECT_TRUE(host_.database.lines().empty());

  ent other;
  other.kind = ENT_SPLINE;  // only points and lines come from a record
  Made m;
  store_ent(&other, &m.entry, 0, 10, 1, main_attrib, &m.ok);
  expect_refused(m, "store of a spline record");

  expect_refused(spline({}), "no points");
  expect_refused(spline({{1, 2, 3}}), "a single point");
  expect_refused(spline({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}), "all points equal");
  expect_refused(surface({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 1, 3, 0), "a single row");
  expect_refused(surface(std::vector<P>(9, P{4, 4, 4}), 3, 3, 1), "all grid points equal");

  Made ends;
  std::vector<P> pts = helix(8);
  make_spline_from_pts(reinterpret_cast<const pt_3d*>(pts.data()), 8, 10, 1, 2, pts[7].data(), 1,
                       pts[7].data(), 0, &ends.entry, &ends.ok);
  expect_refused(ends, "end kind other than free");

  nb_type broken;
  broken.udegree = 3;
  broken.nu = 4;
  broken.poles.assign(4, P{0, 0, 0});
  broken.uknots = {0, 0, 0, 1, 1, 1};  // two knots short
  db_list_ent_type* put = reinterpret_cast<db_list_ent_type*>(&broken);
  put_nurbs_in_db(&broken, 10, 1, &main_attrib, 0, &put);
  EXPECT_EQ(put, nullptr);
  EXPECT_EQ(count(), 1u);
}

TEST_F(GeometryTest, SplinePassesThroughItsPoints) {
  std::vector<std::vector<P>> sets = {
      helix(37, 1),
      helix(1000, 10),
      {{0, 0, 0}, {1, 1, 0}},                                  // two points
      {{0, 0, 0}, {0, 0, 0}, {1, 2, 0}, {1, 2, 0}, {3, 1, 1}, {3, 1, 1}, {5, 0, 2}},  // repeats
      {{1e6, 2e6, 0}, {1e6 + 1, 2e6 + 3, 0}, {1e6 + 4, 2e6 + 1, 2}},  // far from the origin
  };
  for (const auto& pts : sets) {
    Made m = spline(pts, 12, 3);
    ASSERT_EQ(m.ok, 1) << orv::last_geometry_error();
    ent e;
    ASSERT_EQ(get_ent_from_eptr(m.entry, &e), 0);
    EXPECT_EQ(e.kind, ENT_SPLINE);
    EXPECT_EQ(e.color, 12);
    EXPECT_EQ(e.level, 3);
    EXPECT_EQ(host_.database.find(m.entry)->through(), pts);  // as passed, repeats and all
    EXPECT_EQ(e.nb.poles.size(), static_cast<size_t>(e.nb.nu));
    EXPECT_EQ(e.nb.weights.size(), e.nb.poles.size());
    EXPECT_LE(miss_curve(e.nb, pts), 1e-9 * extent(pts)) << pts.size() << " points";
    P off = pts[0];
    off[0] += 2 * extent(pts);  // outside the bounding box of the points
    EXPECT_GT(miss_curve(e.nb, {off}), 1e-3 * extent(pts));  // the check does see a point off the curve
  }
}

// The curve plotter's NURB build: spline, read back, reduce, convert, delete, store.
TEST_F(GeometryTest, NurbBuildAsThePlotterRunsIt) {
  std::vector<P> pts = helix(2001, 5);
  Made m = spline(pts);
  ASSERT_EQ(m.ok, 1) << orv::last_geometry_error();
  ent sp;
  ASSERT_EQ(get_ent_from_eptr(m.entry, &sp), 0);

  const double tolerance = 1e-3;
  ent reduced;
  ASSERT_NE(remove_nodes(&sp, 0, tolerance, &reduced), 0);
  EXPECT_LT(reduced.nb.nu, sp.nb.nu / 4);
  // Dense samples of the original all lie within the tolerance of the reduced curve.
  Handle(Geom_BSplineCurve) original = orv::kernel::to_occt_curve(sp.nb);
  ASSERT_FALSE(original.IsNull());
  std::vector<P> samples;
  for (int i = 0; i <= 20000; ++i) {
    double t = original->FirstParameter() + (original->LastParameter() - original->FirstParameter()) * i / 20000;
    gp_Pnt p = original->Value(t);
    samples.push_back({p.X(), p.Y(), p.Z()});
  }
  EXPECT_LE(miss_curve(reduced.nb, samples), tolerance * 1.0001);

  ent nurb;
  convert_entity_to_nurbs(&reduced, &nurb);
  EXPECT_EQ(nurb.kind, ENT_NURBS_CURVE);
  char flag = 0;
  delete_ent(m.entry, 1, 0, 1, &flag, 0);
  EXPECT_EQ(flag, 1);
  db_list_ent_type* entry = nullptr;
  put_nurbs_in_db(&nurb.nb, 10, sp.level, &sp.attrib, 0, &entry);
  ASSERT_NE(entry, nullptr) << orv::last_geometry_error();
  ASSERT_EQ(count(), 1u);
  ent stored;
  ASSERT_EQ(get_ent_from_eptr(entry, &stored), 0);
  EXPECT_EQ(stored.kind, ENT_NURBS_CURVE);
  EXPECT_EQ(stored.nb.uknots, reduced.nb.uknots);

  // Nothing to remove from a curve that is already as small as it gets.
  Made tiny = spline({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}});
  ent t;
  ASSERT_EQ(get_ent_from_eptr(tiny.entry, &t), 0);
  ent untouched;
  untouched.kind = 77;
  EXPECT_EQ(remove_nodes(&t, 0, 1e-12, &untouched), 0);
  EXPECT_EQ(untouched.kind, 77);
  ent point;
  point.kind = ENT_POINT;
  EXPECT_EQ(remove_nodes(&point, 0, 1e-3, &untouched), 0);
}

TEST_F(GeometryTest, LineHasAnExactNurbForm) {
  ent line;
  line.kind = ENT_LINE;
  line.p1[0] = -1, line.p1[1] = 2, line.p1[2] = 0.5;
  line.p2[0] = 3, line.p2[1] = -2, line.p2[2] = 4.5;
  ent nurb;
  convert_entity_to_nurbs(&line, &nurb);
  ASSERT_EQ(nurb.kind, ENT_NURBS_CURVE);
  Handle(Geom_BSplineCurve) c = orv::kernel::to_occt_curve(nurb.nb);
  ASSERT_FALSE(c.IsNull());
  for (double f : {0.0, 0.25, 0.5, 1.0}) {
    gp_Pnt p = c->Value(c->FirstParameter() + f * (c->LastParameter() - c->FirstParameter()));
    EXPECT_NEAR(p.X(), -1 + 4 * f, 1e-12);
    EXPECT_NEAR(p.Y(), 2 - 4 * f, 1e-12);
    EXPECT_NEAR(p.Z(), 0.5 + 4 * f, 1e-12);
  }
  ent point;
  point.kind = ENT_POINT;
  convert_entity_to_nurbs(&point, &nurb);
  EXPECT_EQ(nurb.kind, 0);  // a point has no curve form
  // Converted in place, the line is read whole before it is overwritten.
  convert_entity_to_nurbs(&line, &line);
  ASSERT_EQ(line.kind, ENT_NURBS_CURVE);
  ASSERT_FALSE(line.nb.poles.empty());
  EXPECT_EQ(line.nb.poles.front(), (P{-1, 2, 0.5}));
  EXPECT_EQ(line.nb.poles.back(), (P{3, -2, 4.5}));
}

TEST_F(GeometryTest, SurfacePassesThroughItsGrid) {
  struct Grid {
    const char* name;
    int rows, cols;
    std::vector<P> pts;
  };
  std::vector<Grid> grids;
  auto paraboloid = [](int rows, int cols) {
    std::vector<P> pts;
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) {
        double u = double(i) / (rows - 1), v = double(j) / (cols - 1);
        pts.push_back({u, v, u * u - v * v + 0.5 * u * v});
      }
    return pts;
  };
  grids.push_back({"5 x 5", 5, 5, paraboloid(5, 5)});
  grids.push_back({"2 x 2", 2, 2, paraboloid(2, 2)});
  grids.push_back({"3 x 7", 3, 7, paraboloid(3, 7)});
  grids.push_back({"16 x 10", 16, 10, paraboloid(16, 10)});
  std::vector<P> repeated = paraboloid(5, 4);  // the third row given twice
  repeated.insert(repeated.begin() + 12, repeated.begin() + 8, repeated.begin() + 12);
  grids.push_back({"repeated row", 6, 4, repeated});
  std::vector<P> sphere;  // rows from pole to pole: the first and last rows collapse to a point
  for (int i = 0; i <= 12; ++i)
    for (int j = 0; j <= 16; ++j) {
      double th = M_PI * i / 12, ph = 2 * M_PI * j / 16;
      sphere.push_back({std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)});
    }
  grids.push_back({"sphere", 13, 17, sphere});

  for (const Grid& g : grids) {
    for (int nurb : {0, 1}) {
      Made m = surface(g.pts, g.rows, g.cols, nurb);
      ASSERT_EQ(m.ok, 1) << g.name << ": " << orv::last_geometry_error();
      ent e;
      ASSERT_EQ(get_ent_from_eptr(m.entry, &e), 0);
      EXPECT_EQ(e.kind, nurb ? ENT_NURBS_SURFACE : ENT_SURFACE);
      const orv::Entity* stored = host_.database.find(m.entry);
      EXPECT_EQ(stored->rows(), g.rows);
      EXPECT_EQ(stored->cols(), g.cols);
      EXPECT_EQ(stored->through(), g.pts);
      ASSERT_TRUE(all_finite(e.nb)) << g.name;
      EXPECT_LE(miss_surface(e.nb, g.pts), 1e-9 * extent(g.pts)) << g.name;
      P off = g.pts[g.pts.size() / 2];
      off[2] += 10 * extent(g.pts);
      EXPECT_GT(miss_surface(e.nb, {off}), extent(g.pts)) << g.name;
    }
  }
}

TEST_F(GeometryTest, ScreenMarksStayApartFromEntities) {
  std::size_t marks = host_.database.marks().size();
  int64_t drawn = orv::marks_drawn(), drawn_lines = orv::screen_lines_drawn();
  double p[3] = {1, 2, 3};
  draw_3d_point(p, 14);
  double q[3] = {1, kNaN, 3};
  draw_3d_point(q, 14);  // refused: not counted
  l_3d l{{0, 0, 0}, {1, 1, 1}};
  drw_3d_line(&l, 15);
  EXPECT_EQ(orv::marks_drawn() - drawn, 1);
  EXPECT_EQ(orv::screen_lines_drawn() - drawn_lines, 1);
  EXPECT_EQ(count(), 0u);
  ASSERT_EQ(host_.database.marks().size(), marks + 1);
  EXPECT_EQ(host_.database.marks().back().color, 14);
  EXPECT_EQ(host_.database.marks().back().at[2], 3);
  ASSERT_EQ(host_.database.lines().size(), 1u);
  EXPECT_EQ(host_.database.lines()[0].to[1], 1);
}

// ---- Point buffers ---------------------------------------------------------------------------

TEST(PointBufferTest, GrowsKeepingItsPointsUpToTheBound) {
  int32_t cap = CSplineNodeMgr::get_max_n_spline_pts();
  ASSERT_GE(cap, orv::kInitialBufferPoints);
  pt_3d* nodes = CSplineNodeMgr::get_spline_nodes1();
  ASSERT_NE(nodes, nullptr);
  nodes[5][1] = 42.5;
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(37), 1);  // already big enough
  EXPECT_EQ(CSplineNodeMgr::get_max_n_spline_pts(), cap);
  ASSERT_EQ(CSplineNodeMgr::put_max_n_spline_pts(32010), 1);
  EXPECT_EQ(CSplineNodeMgr::get_max_n_spline_pts(), std::max(cap, 32010));
  nodes = CSplineNodeMgr::get_spline_nodes1();
  EXPECT_EQ(nodes[5][1], 42.5);
  nodes[32009][2] = 7;  // the whole capacity is usable

  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(orv::kMaxSplineNodes + 1), 0);
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(0), 0);
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(-5), 0);
  EXPECT_EQ(CSplineNodeMgr::get_max_n_spline_pts(), std::max(cap, 32010));
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(orv::kMaxSplineNodes), 1);
  EXPECT_EQ(CSplineNodeMgr::get_max_n_spline_pts(), orv::kMaxSplineNodes);

  ASSERT_EQ(CSurfDataMgr::put_max_n_surf_patches(300 * 300 + 10), 1);
  EXPECT_GE(CSurfDataMgr::get_max_n_surf_patches(), 90010);
  CSurfDataMgr::get_surf_data_ptr(0)[90009][0] = 1;
  EXPECT_EQ(CSurfDataMgr::put_max_n_surf_patches(orv::kMaxSurfPoints + 1), 0);
  EXPECT_EQ(CSurfDataMgr::put_max_n_surf_patches(2147483647), 0);
  EXPECT_EQ(CSurfDataMgr::get_surf_data_ptr(1), nullptr);
}

TEST(PointBufferTest, CountsPastTheBufferAreRefused) {
  orv::Host host;
  orv::UseHost use_host(host);
  int32_t cap = CSurfDataMgr::get_max_n_surf_patches();
  pt_3d* grid = CSurfDataMgr::get_surf_data_ptr(0);
  for (int32_t i = 0; i < cap; ++i) grid[i][0] = i % 97, grid[i][1] = i / 97, grid[i][2] = 0;
  char ok = 1;
  db_list_ent_type* entry = nullptr;
  make_spline_from_pts(grid + (cap - 3), 4, 10, 1, 1, grid[0], 1, grid[0], 0, &entry, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(host.database.size(), 0u);
}

// ---- The front end -------------------------------------------------------------------------------

// A person who answers with `answer` and `pick` (empty: cancels).
class FakeFrontEnd : public orv::FrontEnd {
 public:
  bool PromptForFileToOpen(std::string& path, const std::string&, const std::string& filter, HWND) override {
    seen = path + "|" + filter;
    if (answer.empty()) return false;
    path = answer;
    return true;
  }
  void edit_filename(const std::string& path) override { seen = "edit " + path; }
  void list_filename(const std::string& path) override { seen = "show " + path; }
  bool point_proc(const std::string&, std::array<double, 3>& point) override {
    if (pick) point = *pick;
    return pick.has_value();
  }
  std::string answer, seen;
  std::optional<std::array<double, 3>> pick;
};

TEST(FrontEndTest, RequestsReachTheFrontEndOrAreDeclined) {
  orv::FrontEnd* old = orv::install_front_end(nullptr);
  char path[256] = "/data/ZLINKS\\kuvra.eqn";
  double p[3] = {1, 2, 3};
  char code = 0, ok = 1;
  EXPECT_EQ(PromptForFileToOpen(path, "r", ".EQN", 0, 0, nullptr, nullptr), 0);  // nobody to ask
  point_proc("", &code, p, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_STREQ(path, "/data/ZLINKS\\kuvra.eqn");
  EXPECT_EQ(p[0], 1);

  FakeFrontEnd fake;
  orv::install_front_end(&fake);
  fake.answer = "/home/u/spring.EQN";
  ASSERT_EQ(PromptForFileToOpen(path, "r", ".EQN", 0, 0, nullptr, nullptr), 1);
  EXPECT_STREQ(path, "/home/u/spring.EQN");
  EXPECT_EQ(fake.seen, "/data/ZLINKS\\kuvra.eqn|.EQN");
  fake.answer = "/" + std::string(300, 'p');  // would not fit: no choice, the buffer untouched
  EXPECT_EQ(PromptForFileToOpen(path, "r", ".EQN", 0, 0, nullptr, nullptr), 0);
  EXPECT_STREQ(path, "/home/u/spring.EQN");
  edit_filename("ZLINKS\\kuvra.eqn", 1);
  EXPECT_EQ(fake.seen, "edit ZLINKS/kuvra.eqn");

  fake.pick = std::array<double, 3>{1.5, -2, 3};
  point_proc("", &code, p, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(p[1], -2);
  fake.pick = std::array<double, 3>{kNaN, 0, 0};  // a pick that is not a point is not taken
  point_proc("", &code, p, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(p[0], 1.5);
  orv::install_front_end(old);
}

// ---- What a refusal tells ------------------------------------------------------------------------

// Records the refusals the host tells, as a front end would show them.
class RefusalRecorder : public orv::FrontEnd {
 public:
  bool PromptForFileToOpen(std::string&, const std::string&, const std::string&, HWND) override { return false; }
  void edit_filename(const std::string&) override {}
  void list_filename(const std::string&) override {}
  bool point_proc(const std::string&, std::array<double, 3>&) override { return false; }
  void refused(const std::string& service, const std::string& why, int64_t repeats) override {
    told.push_back({service, why, repeats});
  }
  struct Told {
    std::string service, why;
    int64_t repeats;
  };
  std::vector<Told> told;
};

class RefusalTest : public GeometryTest {
 protected:
  void SetUp() override {
    GeometryTest::SetUp();
    orv::flush_refusals();
    old_ = orv::install_front_end(&recorder);
  }
  void TearDown() override {
    orv::flush_refusals();
    orv::install_front_end(old_);
    GeometryTest::TearDown();
  }
  RefusalRecorder recorder;

 private:
  orv::FrontEnd* old_ = nullptr;
};

std::vector<P> grid_of(int rows, int cols, const std::function<P(int, int)>& at) {
  std::vector<P> pts;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) pts.push_back(at(i, j));
  return pts;
}

TEST_F(RefusalTest, EachRefusalNamesItsServiceAndReason) {
  ent point_kind;
  point_kind.kind = ENT_POINT;
  ent stored_point;
  stored_point.kind = ENT_POINT;
  db_list_ent_type* gone = nullptr;
  char ok = 0;
  store_ent(&stored_point, &gone, 0, 10, 1, main_attrib, &ok);
  ASSERT_EQ(ok, 1);
  delete_ent(gone, 1, 0, 1, &ok, 0);
  ASSERT_EQ(ok, 1);
  recorder.told.clear();

  struct Case {
    const char* name;
    std::function<void()> call;
    const char* service;
    std::vector<const char*> words;  // each must appear in the reason
  };
  const Case cases[] = {
      {"spline through a NaN",
       [] {
         std::vector<P> pts = helix(7);
         pts[2][0] = kNaN;
         EXPECT_EQ(spline(pts).ok, 0);
       },
       "make_spline_from_pts", {"spline refused", "point 3 of 7", "not finite", "x = nan", "cannot pass"}},
      {"spline through -inf",
       [] { EXPECT_EQ(spline({{0, 0, -kInf}, {1, 1, 1}}).ok, 0); },
       "make_spline_from_pts", {"point 1 of 2", "z = -inf"}},
      {"spline through one place",
       [] { EXPECT_EQ(spline(std::vector<P>(5, P{1, 2, 3})).ok, 0); },
       "make_spline_from_pts", {"all 5 points coincide", "two distinct"}},
      {"spline through one point", [] { EXPECT_EQ(spline({{1, 2, 3}}).ok, 0); },
       "make_spline_from_pts", {"1 point", "two distinct"}},
      {"spline through nothing", [] { EXPECT_EQ(spline({}).ok, 0); }, "make_spline_from_pts", {"no points"}},
      {"spline past its buffer",
       [] {
         int32_t cap = CSplineNodeMgr::get_max_n_spline_pts();
         pt_3d* nodes = CSplineNodeMgr::get_spline_nodes1();
         Made m;
         make_spline_from_pts(nodes + (cap - 2), 3, 10, 1, 1, nodes[0], 1, nodes[0], 0, &m.entry, &m.ok);
         EXPECT_EQ(m.ok, 0);
       },
       "make_spline_from_pts", {"3 points", "past the end of the buffer"}},
      {"surface with a NaN in its third row",
       [] {
         std::vector<P> g = grid_of(4, 3, [](int i, int j) { return P{double(i), double(j), i == 2 ? kNaN : 0.0}; });
         EXPECT_EQ(surface(g, 4, 3, 0).ok, 0);
       },
       "make_surf_from_pts", {"surface refused", "point 1 of row 3", "4 x 3", "z = nan", "cannot pass"}},
      {"surface whose rows all coincide",
       [] {
         std::vector<P> g = grid_of(3, 4, [](int, int j) { return P{double(j), 0, 0}; });
         EXPECT_EQ(surface(g, 3, 4, 0).ok, 0);
       },
       "make_surf_from_pts", {"3 x 4", "no area"}},
      {"NURB surface whose columns all coincide",
       [] {
         std::vector<P> g = grid_of(4, 3, [](int i, int) { return P{0, double(i), 1}; });
         EXPECT_EQ(surface(g, 4, 3, 1).ok, 0);
       },
       "make_surf_from_pts", {"4 x 3", "no area"}},
      {"surface of one row",
       [] { EXPECT_EQ(surface({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 1, 3, 0).ok, 0); },
       "make_surf_from_pts", {"1 x 3", "at least 2 rows"}},
      {"surface buffer past its bound",
       [] { EXPECT_EQ(CSurfDataMgr::put_max_n_surf_patches(orv::kMaxSurfPoints + 1), 0); },
       "put_max_n_surf_patches", {"surface buffer refused", "4194305 points", "4194304"}},
      {"spline buffer asked for nothing",
       [] { EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(0), 0); },
       "put_max_n_spline_pts", {"spline buffer refused", "0 points"}},
      {"point at -inf",
       [] {
         ent e;
         e.kind = ENT_POINT;
         e.p1[1] = -kInf;
         Made m;
         store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
         EXPECT_EQ(m.ok, 0);
       },
       "store_ent", {"point refused", "y = -inf"}},
      {"line to NaN",
       [] {
         ent e;
         e.kind = ENT_LINE;
         e.p2[2] = kNaN;
         Made m;
         store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
         EXPECT_EQ(m.ok, 0);
       },
       "store_ent", {"line refused", "end", "z = nan"}},
      {"record of another kind",
       [] {
         ent e;
         e.kind = ENT_SPLINE;
         Made m;
         store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
       },
       "store_ent", {"kind 3", "only points"}},
      {"mark at infinity",
       [] {
         double p[3] = {kInf, 0, 0};
         draw_3d_point(p, 10);
       },
       "draw_3d_point", {"mark refused", "x = inf"}},
      {"screen line from NaN",
       [] {
         l_3d l{{0, kNaN, 0}, {1, 1, 1}};
         drw_3d_line(&l, 10);
       },
       "drw_3d_line", {"screen line refused", "y = nan"}},
      {"NURB curve short of knots",
       [] {
         nb_type broken;
         broken.udegree = 3;
         broken.nu = 4;
         broken.poles.assign(4, P{0, 0, 0});
         broken.uknots = {0, 0, 0, 1, 1, 1};
         db_list_ent_type* put = nullptr;
         put_nurbs_in_db(&broken, 10, 1, &main_attrib, 0, &put);
         EXPECT_EQ(put, nullptr);
       },
       "put_nurbs_in_db", {"NURB curve refused", "knots"}},
      {"B-spline form of a point",
       [&point_kind] {
         ent out;
         convert_entity_to_nurbs(&point_kind, &out);
         EXPECT_EQ(out.kind, 0);
       },
       "convert_entity_to_nurbs", {"conversion refused", "kind 1"}},
      {"B-spline form written nowhere",
       [&point_kind] { convert_entity_to_nurbs(&point_kind, nullptr); },
       "convert_entity_to_nurbs", {"conversion refused", "no record to write into"}},
      {"knot removal on a point",
       [&point_kind] {
         ent out;
         EXPECT_EQ(remove_nodes(&point_kind, 0, 0.001, &out), 0);
       },
       "remove_nodes", {"knot removal refused", "not a curve"}},
      {"delete of a deleted entry",
       [gone] {
         char flag = 1;
         delete_ent(gone, 1, 0, 1, &flag, 0);
         EXPECT_EQ(flag, 0);
       },
       "delete_ent", {"not in the database"}},
      {"read of a deleted entry",
       [gone] {
         ent out;
         EXPECT_NE(get_ent_from_eptr(gone, &out), 0);
       },
       "get_ent_from_eptr", {"not in the database"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder.told.clear();
    c.call();
    ASSERT_EQ(recorder.told.size(), 1u);
    const RefusalRecorder::Told& t = recorder.told[0];
    EXPECT_EQ(t.service, c.service);
    EXPECT_EQ(t.repeats, 0);
    EXPECT_EQ(t.why, orv::last_geometry_error());
    for (const char* w : c.words) EXPECT_NE(t.why.find(w), std::string::npos) << "\"" << w << "\" not in: " << t.why;
  }
  EXPECT_EQ(count(), 0u);
  EXPECT_TRUE(host_.database.marks().empty());
  EXPECT_TRUE(host_.database.lines().empty());
}

// The table the fake host (tools/fake_host) runs too: the same verdicts, in the same words, told once
// for the service that refused.
TEST_F(RefusalTest, FittedShapesAreRefusedAsTheCheckerPredicts) {
  for (const orv::fit::RefusalCase& c : orv::fit::refusal_cases()) {
    orv::flush_refusals();
    recorder.told.clear();
    const std::size_t before = count();
    char ok = 2;
    db_list_ent_type* entry = nullptr;
    orv::fit::ask_host(c, &entry, &ok);
    orv::flush_refusals();
    EXPECT_EQ(ok, c.refusal.empty() ? 1 : 0) << c.name;
    EXPECT_EQ(orv::last_geometry_error(), c.refusal) << c.name;
    EXPECT_EQ(count(), before + (c.refusal.empty() ? 1 : 0)) << c.name;
    if (c.refusal.empty()) {
      EXPECT_TRUE(recorder.told.empty()) << c.name;
    } else {
      ASSERT_EQ(recorder.told.size(), 1u) << c.name;
      EXPECT_EQ(recorder.told[0].why, c.refusal) << c.name;
      EXPECT_EQ(recorder.told[0].service, c.surface ? "make_surf_from_pts" : "make_spline_from_pts") << c.name;
    }
  }
}

TEST_F(RefusalTest, WhatIsMadeOrLeftAloneIsNoRefusal) {
  EXPECT_EQ(spline(helix(20)).ok, 1);
  EXPECT_EQ(orv::last_geometry_error(), "");
  double p[3] = {1, 2, 3};
  draw_3d_point(p, 10);
  // A straight cubic has no knot to spare: nothing removed is an answer, not a refusal.
  Made line = spline({{0, 0, 0}, {1, 0, 0}});
  ent rec, out;
  ASSERT_EQ(get_ent_from_eptr(line.entry, &rec), 0);
  remove_nodes(&rec, 0, 1e-9, &out);
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(37), 1);
  EXPECT_TRUE(recorder.told.empty()) << recorder.told[0].why;
}

TEST_F(RefusalTest, ARunOfOneRefusalIsToldOnceWithItsCount) {
  int64_t before = orv::refusal_count();
  ent e;
  e.kind = ENT_POINT;
  e.p1[0] = kNaN;
  Made m;
  for (int i = 0; i < 5; ++i) {
    store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
    double good[3] = {double(i), 0, 0};
    draw_3d_point(good, 10);  // successes between them do not break the run
  }
  ASSERT_EQ(recorder.told.size(), 1u);
  std::vector<P> pts = helix(4);
  pts[3][1] = kInf;
  spline(pts);
  ASSERT_EQ(recorder.told.size(), 3u);
  EXPECT_EQ(recorder.told[1].service, "store_ent");
  EXPECT_EQ(recorder.told[1].why, recorder.told[0].why);
  EXPECT_EQ(recorder.told[1].repeats, 4);
  EXPECT_EQ(recorder.told[2].service, "make_spline_from_pts");
  EXPECT_EQ(recorder.told[2].repeats, 0);
  orv::flush_refusals();  // nothing untold: the spline came once
  EXPECT_EQ(recorder.told.size(), 3u);
  // After a flush the same refusal is told afresh, and its repeat at the next flush.
  spline(pts);
  spline(pts);
  orv::flush_refusals();
  ASSERT_EQ(recorder.told.size(), 5u);
  EXPECT_EQ(recorder.told[3].repeats, 0);
  EXPECT_EQ(recorder.told[4].repeats, 1);
  EXPECT_EQ(orv::refusal_count() - before, 8);
}

TEST_F(RefusalTest, TheTranscriptRecordsEachRefusalOnce) {
  std::string path = ::testing::TempDir() + "refusal_transcript.jsonl";
  orv::Transcript transcript;
  std::string err;
  ASSERT_TRUE(transcript.open(path, err)) << err;
  orv::Transcript* old = orv::install_transcript(&transcript);
  std::vector<P> pts = helix(7);
  pts[2][0] = kNaN;
  spline(pts);
  spline(pts);
  orv::flush_refusals();
  orv::install_transcript(old);

  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  std::remove(path.c_str());
  ASSERT_EQ(lines.size(), 2u);
  const std::string why = "spline refused: point 3 of 7 is not finite (x = nan); a spline cannot pass through it";
  EXPECT_EQ(lines[0], R"({"event":"refused","service":"make_spline_from_pts","why":")" + why + R"("})");
  EXPECT_EQ(lines[1], R"({"event":"refused","service":"make_spline_from_pts","why":")" + why + R"(","repeats":1})");
  // The front end was told the same, and nothing twice.
  ASSERT_EQ(recorder.told.size(), 2u);
  EXPECT_EQ(recorder.told[0].why, why);
}

// Whatever a service did before, its success leaves no refusal standing: the last error is "".
TEST_F(RefusalTest, EverySuccessClearsTheLastRefusal) {
  Made line = spline({{0, 0, 0}, {1, 0, 0}});
  ASSERT_EQ(line.ok, 1);
  ent curve;
  ASSERT_EQ(get_ent_from_eptr(line.entry, &curve), 0);
  ent point;
  point.kind = ENT_POINT;
  Made doomed;
  store_ent(&point, &doomed.entry, 0, 10, 1, main_attrib, &doomed.ok);
  ASSERT_EQ(doomed.ok, 1);
  struct Case {
    const char* name;
    std::function<bool()> call;  // true when the call succeeded
  };
  const Case cases[] = {
      {"store_ent",
       [] {
         ent e;
         e.kind = ENT_POINT;
         Made m;
         store_ent(&e, &m.entry, 0, 10, 1, main_attrib, &m.ok);
         return m.ok == 1;
       }},
      {"make_spline_from_pts", [] { return spline(helix(6)).ok == 1; }},
      {"make_surf_from_pts",
       [] { return surface(grid_of(3, 3, [](int i, int j) { return P{double(i), double(j), double(i * j)}; }), 3, 3, 0).ok == 1; }},
      {"get_ent_from_eptr", [&] { ent out; return get_ent_from_eptr(line.entry, &out) == 0; }},
      {"remove_nodes with nothing to remove", [&] { ent out; return remove_nodes(&curve, 0, 1e-9, &out) == 0; }},
      {"convert_entity_to_nurbs", [&] { ent out; convert_entity_to_nurbs(&curve, &out); return out.kind == ENT_NURBS_CURVE; }},
      {"delete_ent", [&] { char flag = 0; delete_ent(doomed.entry, 1, 0, 1, &flag, 0); return flag == 1; }},
      {"put_nurbs_in_db", [&] { db_list_ent_type* put = nullptr; put_nurbs_in_db(&curve.nb, 10, 1, nullptr, 0, &put); return put != nullptr; }},
      {"draw_3d_point", [] { double p[3] = {1, 2, 3}; draw_3d_point(p, 10); return true; }},
      {"drw_3d_line", [] { l_3d l{{0, 0, 0}, {1, 1, 1}}; drw_3d_line(&l, 10); return true; }},
      {"put_max_n_spline_pts", [] { return CSplineNodeMgr::put_max_n_spline_pts(40) == 1; }},
      {"plot_stop_requested", [] { return plot_stop_requested(0, 10) == 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_ent(nullptr, nullptr, 0, 10, 1, main_attrib, nullptr);
    ASSERT_EQ(orv::last_geometry_error(), "store refused: no record was given");
    EXPECT_TRUE(c.call());
    EXPECT_EQ(orv::last_geometry_error(), "");
  }
}

// A front end whose progress display fails the way `fail` throws.
class FailingProgress : public RefusalRecorder {
 public:
  bool plot_progress(int64_t, int64_t) override {
    fail();
    return false;
  }
  std::function<void()> fail;
};

// An exception at the boundary is a refusal with its text, never lost and never let through to the
// Zlink; a plot whose progress cannot be shown stops.
TEST_F(RefusalTest, AFailingFrontEndIsToldAndStopsThePlot) {
  FailingProgress failing;
  orv::install_front_end(&failing);
  struct Case {
    const char* name;
    std::function<void()> fail;
    const char* why;
  };
  const Case cases[] = {
      {"an error", [] { throw std::runtime_error("the window is gone"); },
       "plot progress refused: the host failed: the window is gone"},
      {"no memory", [] { throw std::bad_alloc(); },
       "plot progress refused: the host ran out of memory; the plot stops"},
      {"something else", [] { throw 42; }, "plot progress refused: the host failed for an unknown reason"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    failing.told.clear();
    failing.fail = c.fail;
    EXPECT_EQ(plot_stop_requested(3, 10), 1);
    ASSERT_EQ(failing.told.size(), 1u);
    EXPECT_EQ(failing.told[0].service, "plot_stop_requested");
    EXPECT_EQ(failing.told[0].why, c.why);
    EXPECT_EQ(orv::last_geometry_error(), c.why);
  }
  failing.fail = [] {};
  // Memory that ran out keeps the plot stopped, though the front end works again: every later
  // step would be refused the same way. The next plot starts afresh.
  EXPECT_EQ(plot_stop_requested(4, 10), 1);
  EXPECT_EQ(plot_stop_requested(0, 10), 0);
  EXPECT_EQ(plot_stop_requested(4, 10), 0);  // a front end that works again lets the plot go on
  orv::install_front_end(&recorder);
}

}  // namespace

namespace {

// The seam of a stored curve: whether its ends meet, and how far its first and second derivatives
// there differ (relative), from OpenCASCADE's evaluation of the record.
struct Seam {
  double gap, d1, d2;
};
Seam seam_of(const nb_type& nb) {
  Handle(Geom_BSplineCurve) c = orv::kernel::to_occt_curve(nb);
  gp_Pnt a, b;
  gp_Vec a1, a2, b1, b2;
  c->D2(c->FirstParameter(), a, a1, a2);
  c->D2(c->LastParameter(), b, b1, b2);
  return {a.Distance(b), (a1 - b1).Magnitude() / a1.Magnitude(), (a2 - b2).Magnitude() / a2.Magnitude()};
}

// A circle through make_spline_from_pts is closed and C2 through its seam, and its NURB copy from
// remove_nodes stays closed within the tolerance; an open helix stays open.
TEST_F(GeometryTest, ClosedPointsMakeClosedSplinesThatStayClosedWhenReduced) {
  std::vector<P> circle;
  for (int i = 0; i <= 2000; ++i) circle.push_back({30 * std::cos(i * M_PI / 1000), 30 * std::sin(i * M_PI / 1000), 0});
  circle.back() = circle.front();
  Made m = spline(circle);
  ASSERT_EQ(m.ok, 1) << orv::last_geometry_error();
  ent sp;
  ASSERT_EQ(get_ent_from_eptr(m.entry, &sp), 0);
  Seam s = seam_of(sp.nb);
  EXPECT_LE(s.gap, 1e-12 * extent(circle));
  EXPECT_LT(s.d1, 1e-9);
  EXPECT_LT(s.d2, 1e-9);
  EXPECT_LE(miss_curve(sp.nb, circle), 1e-9 * extent(circle));

  ent reduced;
  ASSERT_NE(remove_nodes(&sp, 0, 1e-3, &reduced), 0);
  EXPECT_LT(reduced.nb.nu, sp.nb.nu / 4);
  s = seam_of(reduced.nb);
  EXPECT_LE(s.gap, 1e-12 * extent(circle));
  EXPECT_LT(s.d1, 1e-9);
  EXPECT_LE(miss_curve(reduced.nb, circle), 1e-3);

  Made open = spline(helix(200, 2));
  ASSERT_EQ(open.ok, 1);
  ent h;
  ASSERT_EQ(get_ent_from_eptr(open.entry, &h), 0);
  EXPECT_GT(seam_of(h.nb).gap, 1.0);
}

// A straight line in z far from the origin (y = e^45, where doubles are 4096 apart) is made, not
// refused, and passes through its points to their own resolution.
TEST_F(GeometryTest, SplinesFarFromTheOriginAreMade) {
  std::vector<P> line;
  for (int i = 0; i <= 10; ++i) line.push_back({87.3, std::exp(45.0), 8.8 * i});
  Made m = spline(line);
  ASSERT_EQ(m.ok, 1) << orv::last_geometry_error();
  ent sp;
  ASSERT_EQ(get_ent_from_eptr(m.entry, &sp), 0);
  for (size_t i = 0; i < line.size(); ++i) {
    const auto p = orv::kernel::evaluate_curve(sp.nb, sp.nb.uknots[0] + (sp.nb.uknots.back() - sp.nb.uknots[0]) * i / 10);
    EXPECT_NEAR(p[0], 87.3, 1e-9 * 88);
    EXPECT_LE(std::fabs(p[1] - line[i][1]), 256 * 4096.0);
    EXPECT_NEAR(p[2], line[i][2], 1e-9 * 88);
  }
}

}  // namespace
