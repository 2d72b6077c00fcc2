// Meshes of surfaces: a closed surface gives a watertight, outward-facing mesh that stays within the
// chord deviation, and the STL and OBJ files carry exactly that mesh (read back by the test itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/database.h"
#include "exchange/mesh.h"
#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace orv::exchange {
namespace {

namespace fs = std::filesystem;
using kernel::Point;

// The torus of the examples: ring 30, tube 10, stepped 20 degrees round the ring, 30 round the tube.
std::vector<Point> example_torus() {
  std::vector<Point> pts;
  for (int i = 0; i <= 18; ++i)
    for (int j = 0; j <= 12; ++j) {
      const double u = i * 20 * M_PI / 180, v = j * 30 * M_PI / 180;
      pts.push_back({(30 + 10 * std::cos(v)) * std::cos(u), (30 + 10 * std::cos(v)) * std::sin(u), 10 * std::sin(v)});
    }
  return pts;
}

ent surface(const std::vector<Point>& pts, int rows, int cols) {
  ent e;
  e.kind = ENT_NURBS_SURFACE;
  std::string err;
  EXPECT_TRUE(kernel::interpolate_surface(pts, rows, cols, e.nb, err)) << err;
  return e;
}

// Every edge in exactly two triangles, once in each direction (so the faces agree on a side).
bool watertight(const Mesh& m) {
  std::map<std::pair<int32_t, int32_t>, int> directed;
  for (const auto& t : m.triangles)
    for (int k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
  for (const auto& [edge, count] : directed)
    if (count != 1 || directed.count({edge.second, edge.first}) == 0) return false;
  return !m.triangles.empty();
}

// A mesh from triangles given by their corners: corners with the same coordinates are one vertex.
Mesh weld(const std::vector<std::array<Point, 3>>& tris) {
  Mesh m;
  std::map<Point, int32_t> seen;
  for (const auto& t : tris) {
    std::array<int32_t, 3> idx;
    for (int k = 0; k < 3; ++k) {
      auto [it, fresh] = seen.emplace(t[k], static_cast<int32_t>(m.vertices.size()));
      if (fresh) m.vertices.push_back(t[k]);
      idx[k] = it->second;
    }
    m.triangles.push_back(idx);
  }
  return m;
}

// Distance from p to a surface on [0, 1] x [0, 1] closed in both directions or pinched at the ends
// of one: a search over the whole surface, then finer searches around the best few samples (at a
// pinched end every v ties, and only some lead to the nearest point).
double wrap(double t) { return t - std::floor(t); }  // a parameter past an end continues from the other

double distance_to(const nb_type& nb, const Point& p) {
  auto d = [&](double u, double v) {
    const Point q = kernel::evaluate_surface(nb, wrap(u), wrap(v));
    return std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]);
  };
  std::vector<std::array<double, 3>> seeds;  // distance, u, v
  for (int a = 0; a < 48; ++a)
    for (int b = 0; b < 48; ++b) seeds.push_back({d(a / 48.0, b / 48.0), a / 48.0, b / 48.0});
  std::partial_sort(seeds.begin(), seeds.begin() + 8, seeds.end());
  double best = seeds[0][0];
  for (int s = 0; s < 8; ++s) {
    double bd = seeds[s][0], bu = seeds[s][1], bv = seeds[s][2];
    for (double half = 1.0 / 24; half > 1e-9; half /= 4) {
      const double cu = bu, cv = bv;
      for (int a = -8; a <= 8; ++a)
        for (int b = -8; b <= 8; ++b)
          if (const double x = d(cu + half * a / 8, cv + half * b / 8); x < bd) bd = x, bu = cu + half * a / 8, bv = cv + half * b / 8;
    }
    best = std::min(best, bd);
  }
  return best;
}

TEST(Mesh, ClosedSurfacesAreWatertightFacingOutwardsWithTheirVolume) {
  struct Case {
    const char* name;
    ent e;
    double volume;
    double within;  // relative
  };
  const Case cases[] = {
      {"torus", surface(example_torus(), 19, 13), 2 * M_PI * M_PI * 30 * 10 * 10, 0.005},
      {"sphere", surface(kernel::testing::sphere(13, 25), 13, 25), 4 * M_PI / 3, 0.005},
  };
  const double chord = 0.001;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Mesh m;
    std::string err;
    ASSERT_TRUE(mesh_surface(c.e.nb, chord, m, err)) << err;
    EXPECT_TRUE(watertight(m));
    const double v = enclosed_volume(m);
    EXPECT_GT(v, 0) << "normals face inwards";
    EXPECT_NEAR(v, c.volume, c.within * c.volume);
    // Within the chord deviation: the centre of every sampled triangle lies that near the surface.
    size_t checked = 0;
    for (size_t k = 0; k < m.triangles.size(); k += m.triangles.size() / 40 + 1, ++checked) {
      Point centre{0, 0, 0};
      for (int32_t i : m.triangles[k])
        for (int a = 0; a < 3; ++a) centre[a] += m.vertices[i][a] / 3;
      EXPECT_LE(distance_to(c.e.nb, centre), chord) << k;
    }
    EXPECT_GT(checked, 30u);
  }
  // An open surface is not closed up: it has a border.
  Mesh open;
  std::string err;
  ASSERT_TRUE(mesh_surface(surface(kernel::testing::helix(4, 1), 2, 2).nb, 0.001, open, err)) << err;
  EXPECT_FALSE(watertight(open));
}

struct Files : ::testing::Test {
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("orv_mesh_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
};

std::vector<std::array<Point, 3>> read_stl_binary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::array<Point, 3>> tris;
  if (data.size() < 84) return tris;
  uint32_t n;
  std::memcpy(&n, data.data() + 80, 4);
  if (data.size() != 84 + 50ull * n) return tris;
  for (uint32_t t = 0; t < n; ++t) {
    std::array<Point, 3> tri;
    for (int v = 0; v < 3; ++v)
      for (int k = 0; k < 3; ++k) {
        float f;
        std::memcpy(&f, data.data() + 84 + 50ull * t + 12 + 12 * v + 4 * k, 4);
        tri[v][k] = f;
      }
    tris.push_back(tri);
  }
  return tris;
}

std::vector<std::array<Point, 3>> read_stl_ascii(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  std::vector<std::array<Point, 3>> tris;
  std::array<Point, 3> tri;
  int corner = 0;
  while (in >> word)
    if (word == "vertex") {
      in >> tri[corner][0] >> tri[corner][1] >> tri[corner][2];
      if (++corner == 3) tris.push_back(tri), corner = 0;
    }
  return tris;
}

Mesh read_obj(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  Mesh m;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string tag;
    s >> tag;
    if (tag == "v") {
      Point p;
      s >> p[0] >> p[1] >> p[2];
      m.vertices.push_back(p);
    } else if (tag == "f") {
      std::array<int32_t, 3> t;
      s >> t[0] >> t[1] >> t[2];
      for (auto& i : t) --i;
      m.triangles.push_back(t);
    }
  }
  return m;
}

TEST_F(Files, EveryFormatCarriesTheWatertightTorusAndSkipsCurvesAndPoints) {
  const ent torus = surface(example_torus(), 19, 13);
  ent point;
  point.kind = ENT_POINT;
  ent curve;
  curve.kind = ENT_SPLINE;
  std::string err;
  ASSERT_TRUE(kernel::interpolate_curve(kernel::testing::helix(10, 1), curve.nb, err)) << err;
  GeometryDatabase db;
  for (const ent* e : std::initializer_list<const ent*>{&point, &torus, &curve}) db.add(*e);
  const std::vector<const Entity*> entities = db.entities();
  // A coarser chord than the default keeps the files small; the seams are the same.
  const double chord = 0.05;
  Mesh reference;
  ASSERT_TRUE(mesh_surface(torus.nb, chord, reference, err)) << err;
  const double volume = 2 * M_PI * M_PI * 30 * 10 * 10;
  for (MeshFormat format : {MeshFormat::StlBinary, MeshFormat::StlAscii, MeshFormat::Obj}) {
    const std::string path = (dir / ("torus" + std::to_string(static_cast<int>(format)))).string();
    SCOPED_TRACE(path);
    int skipped = -1;
    ASSERT_TRUE(write_mesh(path, format, entities, chord, skipped, err)) << err;
    EXPECT_EQ(skipped, 2);
    const Mesh m = format == MeshFormat::Obj          ? read_obj(path)
                   : format == MeshFormat::StlBinary ? weld(read_stl_binary(path))
                                                      : weld(read_stl_ascii(path));
    EXPECT_EQ(m.triangles.size(), reference.triangles.size());
    EXPECT_EQ(m.vertices.size(), reference.vertices.size());
    EXPECT_TRUE(watertight(m));
    EXPECT_NEAR(enclosed_volume(m), volume, 0.005 * volume);
  }
  // A file that cannot be made is a failure with its path, and nothing is left behind.
  int skipped = 0;
  const std::string bad = (dir / "no" / "such.stl").string();
  EXPECT_FALSE(write_mesh(bad, MeshFormat::StlBinary, entities, 0.001, skipped, err));
  EXPECT_EQ(err.rfind(bad + ": ", 0), 0u) << err;
  EXPECT_FALSE(fs::exists(bad));
}

}  // namespace
}  // namespace orv::exchange

namespace orv::exchange {
namespace {

// The mesh has a sample limit; a chord deviation it cannot reach is told, not silently ignored:
// the mesh stops at kMaxMeshSamples a direction and says how close it came, and the writer passes
// that on, while a reachable one says nothing.
TEST_F(Files, AChordDeviationBeyondTheSampleLimitIsTold) {
  const ent torus = surface(example_torus(), 19, 13);
  std::string err;
  Mesh coarse, capped;
  ASSERT_TRUE(mesh_surface(torus.nb, 0.05, coarse, err)) << err;
  EXPECT_EQ(coarse.missed, 0.0);
  ASSERT_TRUE(mesh_surface(torus.nb, 1e-300, capped, err)) << err;
  EXPECT_GT(capped.missed, 1e-300);
  EXPECT_EQ(capped.triangles.size(), 2u * kMaxMeshSamples * kMaxMeshSamples);
  GeometryDatabase db;
  db.add(torus);
  for (const double chord : {0.05, 1e-300}) {
    std::vector<std::string> notes;
    int skipped = 0;
    ASSERT_TRUE(write_mesh((dir / "t.stl").string(), MeshFormat::StlBinary, db.entities(), chord, skipped, err, &notes))
        << err;
    ASSERT_EQ(notes.size(), chord > 1e-10 ? 0u : 1u);
    if (!notes.empty()) {
      EXPECT_NE(notes[0].find("stopped at 1024 x 1024 samples"), std::string::npos) << notes[0];
    }
  }
}

}  // namespace
}  // namespace orv::exchange

namespace orv::exchange {
namespace {

// The triangles grow with the chord deviation while the mesh stays within it, watertight and facing outwards: the example torus (19 x 13
// points, 12 x 18 knot spans).
TEST(Mesh, TrianglesGrowWithTheChordDeviation) {
  const ent torus = surface(example_torus(), 19, 13);
  std::string err;
  size_t previous = SIZE_MAX, finest = 0;
  for (const double chord : {0.001, 0.01, 0.1, 1.0}) {
    SCOPED_TRACE(chord);
    Mesh m;
    ASSERT_TRUE(mesh_surface(torus.nb, chord, m, err)) << err;
    EXPECT_LT(m.triangles.size(), previous);
    previous = m.triangles.size();
    if (finest == 0) finest = previous;
    EXPECT_TRUE(watertight(m));
    EXPECT_GT(enclosed_volume(m), 0);
    // Every edge's midpoint within the tolerance (as bounded by the torus's size) of the surface.
    const double bound = kernel::shape_tolerance(chord, torus.nb.poles, kernel::kMeshShapeRel);
    double worst = 0;
    for (const auto& t : m.triangles)
      for (int k = 0; k < 3; ++k) {
        const Point &a = m.vertices[t[k]], &b = m.vertices[t[(k + 1) % 3]];
        const Point mid{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
        // Distance to the true torus (ring 30, tube 10) less the fit's own error, which is far smaller.
        worst = std::max(worst, std::fabs(std::hypot(std::hypot(mid[0], mid[1]) - 30, mid[2]) - 10));
      }
    EXPECT_LE(worst, bound + 0.01) << "the fit through 19 x 13 points is itself within 0.01 of the torus";
  }
  // At 1 mm the torus's size bounds the tolerance (1e-3 of its 115 mm diagonal); still a hundredth.
  EXPECT_LT(previous * 100, finest);
}

}  // namespace
}  // namespace orv::exchange
