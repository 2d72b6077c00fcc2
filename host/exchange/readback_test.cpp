// Every mesh and DXF export read back by readers we did not write: ezdxf for DXF, Python's zipfile
// and ElementTree for 3MF, the glTF JSON chunk for GLB (parsed by nlohmann), admesh for STL. What
// they find must be the database: kinds and counts, layers, colours, the spline's control points,
// the unit, triangle counts, closed edges and volume; and two exports are the same bytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/database.h"
#include "exchange/exchange.h"
#include "exchange/mesh.h"
#include "kernel/kernel.h"
#include "kernel/test_shapes.h"
#include "view/palette.h"

namespace orv::exchange {
namespace {

namespace fs = std::filesystem;
using kernel::Point;
using nlohmann::json;

// Standard output of a command, or "" when it failed.
std::string run(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  return ::pclose(p) == 0 ? out : std::string();
}

std::string read_back(const char* kind, const std::string& path) {
  return run(std::string("/usr/bin/python3 '") + ORV_EXCHANGE_TESTDATA + "/read_back.py' " + kind + " '" + path + "'");
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

double distance(const Point& a, const Point& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

struct ReadBack : ::testing::Test {
  fs::path dir;
  GeometryDatabase db;
  std::vector<EntityData> store;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("orv_readback_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    std::string err;
    EntityData p;
    p.kind = ENT_POINT, p.p1[0] = 1, p.p1[1] = 2, p.p1[2] = 3, p.color = 12, p.level = 1, p.id = 1;
    EntityData l = p;
    l.kind = ENT_LINE, l.p2[0] = -4, l.p2[1] = 0.5, l.p2[2] = 7, l.color = 14, l.level = 2, l.id = 2;
    EntityData helix = p;
    helix.kind = ENT_SPLINE, helix.color = 9, helix.level = 3, helix.id = 3;
    EXPECT_TRUE(kernel::interpolate_curve(kernel::testing::helix(200, 2), helix.nb, err)) << err;
    EntityData arc = p;  // the rational quarter of the unit circle
    arc.kind = ENT_NURBS_CURVE, arc.color = 4, arc.level = 3, arc.id = 4;
    arc.nb.udegree = 2, arc.nb.nu = 3;
    arc.nb.uknots = {0, 0, 0, 1, 1, 1};
    arc.nb.poles = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    arc.nb.weights = {1, std::sqrt(0.5), 1};
    EntityData torus = p;
    torus.kind = ENT_NURBS_SURFACE, torus.color = 11, torus.level = 4, torus.id = 5;
    EXPECT_TRUE(kernel::interpolate_surface(kernel::testing::torus(19, 13), 19, 13, torus.nb, err)) << err;
    EntityData sphere = torus;
    sphere.color = 13, sphere.id = 6;
    EXPECT_TRUE(kernel::interpolate_surface(kernel::testing::sphere(9, 13), 9, 13, sphere.nb, err)) << err;
    store = {p, l, helix, arc, torus, sphere};
  }
  void TearDown() override { fs::remove_all(dir); }
  std::vector<const Entity*> entities() {
    db.clear();
    for (const EntityData& e : store) EXPECT_NE(db.restore(e), nullptr) << e.id;
    return db.entities();
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
};

// Writes `name` twice and checks that the two are the same bytes; the first write's result.
template <class Write>
bool written_twice_alike(const std::string& file, Write write, std::string& err) {
  if (!write(file, err)) return false;
  const std::string first = bytes_of(file);
  if (!write(file, err)) return false;
  EXPECT_TRUE(bytes_of(file) == first) << file << ": a second export differs";
  return true;
}

TEST_F(ReadBack, DxfSplinesAndPolylinesAsEzdxfReadsThem) {
  const auto all = entities();
  const double chord = 1e-3;
  for (const DxfVersion version : {DxfVersion::R2000, DxfVersion::R12}) {
    const bool r12 = version == DxfVersion::R12;
    SCOPED_TRACE(r12 ? "R12" : "R2000");
    const std::string file = path(r12 ? "part.r12.dxf" : "part.dxf");
    std::string err;
    int skipped = -1;
    ASSERT_TRUE(written_twice_alike(file, [&](const std::string& f, std::string& e) {
      return write_dxf(f, version, all, chord, skipped, e);
    }, err)) << err;
    EXPECT_EQ(skipped, 2) << "the two surfaces have no DXF form";
    const std::string text = read_back("dxf", file);
    ASSERT_FALSE(text.empty()) << "ezdxf could not read " << file;
    const json got = json::parse(text);
    EXPECT_EQ(got["version"], r12 ? "AC1009" : "AC1015");
    EXPECT_EQ(got["insunits"], 4) << "millimetres";
    EXPECT_EQ(got["audit_errors"], 0);
    for (const char* layer : {"1", "2", "3"})
      EXPECT_NE(std::find(got["layers"].begin(), got["layers"].end(), layer), got["layers"].end()) << layer;
    ASSERT_EQ(got["entities"].size(), 4u);
    const char* curve_kind = r12 ? "POLYLINE" : "SPLINE";
    const std::vector<std::string> kinds = {"POINT", "LINE", curve_kind, curve_kind};
    for (size_t k = 0; k < 4; ++k) {
      const json& e = got["entities"][k];
      const EntityData& want = store[k];
      SCOPED_TRACE(k);
      EXPECT_EQ(e["kind"], kinds[k]);
      EXPECT_EQ(e["layer"], std::to_string(want.level));
      // The colour is the nearest of ezdxf's own ACI table to the entity's.
      const view::Rgb rgb = view::color_rgb(want.color);
      auto miss = [&](int aci) {
        const json& c = got["aci"][aci - 1];
        return std::hypot(c[0].get<double>() / 255 - rgb.r, c[1].get<double>() / 255 - rgb.g, c[2].get<double>() / 255 - rgb.b);
      };
      const int aci = e["color"];
      ASSERT_GE(aci, 1);
      ASSERT_LE(aci, 255);
      for (int other = 1; other <= 255; ++other) EXPECT_LE(miss(aci), miss(other) + 0.01) << aci << " against " << other;
    }
    EXPECT_EQ(got["entities"][0]["at"], json({1.0, 2.0, 3.0}));
    EXPECT_EQ(got["entities"][1]["to"], json({-4.0, 0.5, 7.0}));
    for (size_t k = 2; k < 4; ++k) {
      const json& e = got["entities"][k];
      const nb_type& nb = store[k].nb;
      if (!r12) {
        EXPECT_EQ(e["degree"], nb.udegree);
        ASSERT_EQ(e["poles"].size(), nb.poles.size());
        for (size_t i = 0; i < nb.poles.size(); ++i)
          EXPECT_LE(distance({e["poles"][i][0], e["poles"][i][1], e["poles"][i][2]}, nb.poles[i]), 1e-12);
        const auto knots = e["knots"].get<std::vector<double>>();  // 16 decimals in the file
        ASSERT_EQ(knots.size(), nb.uknots.size());
        for (size_t i = 0; i < knots.size(); ++i) EXPECT_NEAR(knots[i], nb.uknots[i], 1e-15);
        if (kernel::is_rational(nb.weights)) {
          ASSERT_EQ(e["weights"].size(), 3u) << "a rational curve keeps its weights";
          EXPECT_NEAR(e["weights"][1].get<double>(), std::sqrt(0.5), 1e-15);
        }
        continue;
      }
      // R12: a 3D polyline whose vertices lie on the curve and whose chords stay within the
      // chord deviation of it (sampled densely).
      EXPECT_TRUE(e["polyline3d"].get<bool>());
      std::vector<Point> line;
      for (const json& v : e["points"]) line.push_back({v[0], v[1], v[2]});
      ASSERT_GE(line.size(), 3u);
      const auto samples = kernel::sample_curve(nb, 4001);
      auto to_curve = [&](const Point& q) {
        double best = 1e300;
        for (const Point& s : samples) best = std::min(best, distance(q, s));
        return best;
      };
      auto to_line = [&](const Point& q) {
        double best = 1e300;
        for (size_t i = 0; i + 1 < line.size(); ++i) {
          const Point& a = line[i];
          const Point ab{line[i + 1][0] - a[0], line[i + 1][1] - a[1], line[i + 1][2] - a[2]};
          const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
          double s = len2 > 0 ? ((q[0] - a[0]) * ab[0] + (q[1] - a[1]) * ab[1] + (q[2] - a[2]) * ab[2]) / len2 : 0;
          s = std::clamp(s, 0.0, 1.0);
          best = std::min(best, distance(q, {a[0] + s * ab[0], a[1] + s * ab[1], a[2] + s * ab[2]}));
        }
        return best;
      };
      EXPECT_LE(distance(line.front(), samples.front()), 1e-9);
      EXPECT_LE(distance(line.back(), samples.back()), 1e-9);
      double off = 0;
      for (const Point& s : samples) off = std::max(off, to_line(s));
      EXPECT_LE(off, kernel::shape_tolerance(chord, nb.poles, kernel::kMeshShapeRel) * 1.05);
      EXPECT_LE(to_curve(line[line.size() / 2]), 1e-3 * 2);  // a vertex, on the curve to the sampling's step
    }
  }
  // Only surfaces: nothing for DXF to hold, and no file.
  store = {store[4]};
  const auto surfaces = entities();
  std::string err;
  int skipped = 0;
  EXPECT_FALSE(write_dxf(path("none.dxf"), DxfVersion::R2000, surfaces, chord, skipped, err));
  EXPECT_NE(err.find("nothing to write"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(path("none.dxf")));
}

// A coarser chord than the default keeps the files small; the seams and counts are the same rule.
constexpr double kChord = 0.05;

TEST_F(ReadBack, ThreeMfHoldsOneClosedObjectPerSurfaceInMillimetres) {
  const auto all = entities();
  std::string err;
  int skipped = -1;
  const std::string file = path("part.3mf");
  ASSERT_TRUE(written_twice_alike(file, [&](const std::string& f, std::string& e) {
    return write_mesh(f, MeshFormat::ThreeMf, all, kChord, skipped, e);
  }, err)) << err;
  EXPECT_EQ(skipped, 4);
  const std::string text = read_back("3mf", file);
  ASSERT_FALSE(text.empty()) << "the 3MF package could not be read";
  const json got = json::parse(text);
  EXPECT_EQ(got["parts"], json({"3D/3dmodel.model", "[Content_Types].xml", "_rels/.rels"}));
  EXPECT_TRUE(got["bad_crc"].is_null());
  EXPECT_EQ(got["unit"], "millimeter");
  ASSERT_EQ(got["objects"].size(), 2u);
  EXPECT_EQ(got["build_items"], 2);
  const double volumes[2] = {2 * M_PI * M_PI * 3, 4.0 / 3 * M_PI};  // the torus of radii 3 and 1, the unit sphere
  for (size_t k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    const json& o = got["objects"][k];
    const EntityData& want = store[4 + k];
    Mesh m;
    ASSERT_TRUE(mesh_surface(want.nb, kChord, m, err)) << err;
    EXPECT_EQ(o["name"], "nurbs_surface " + std::to_string(want.id));
    EXPECT_EQ(o["triangles"], m.triangles.size());
    EXPECT_EQ(o["vertices"], m.vertices.size());
    EXPECT_EQ(o["unpaired_edges"], 0) << "closed, and every edge between two triangles that agree on a side";
    EXPECT_NEAR(o["volume"].get<double>(), volumes[k], 0.01 * volumes[k]);
    const view::Rgb rgb = view::color_rgb(want.color);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", static_cast<int>(std::lround(rgb.r * 255)),
                  static_cast<int>(std::lround(rgb.g * 255)), static_cast<int>(std::lround(rgb.b * 255)));
    EXPECT_EQ(o["colour"], hex);
  }
}

TEST_F(ReadBack, GlbCarriesTheSameTrianglesInMetres) {
  const auto all = entities();
  std::string err;
  int skipped = -1;
  const std::string file = path("part.glb");
  ASSERT_TRUE(written_twice_alike(file, [&](const std::string& f, std::string& e) {
    return write_mesh(f, MeshFormat::Glb, all, kChord, skipped, e);
  }, err)) << err;
  const std::string bytes = bytes_of(file);
  ASSERT_GE(bytes.size(), 20u);
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<unsigned char>(bytes[at + b]);
    return v;
  };
  EXPECT_EQ(bytes.substr(0, 4), "glTF");
  EXPECT_EQ(u32(4), 2u);
  EXPECT_EQ(u32(8), bytes.size());
  EXPECT_EQ(u32(16), 0x4E4F534Au) << "the first chunk is JSON";
  const json gltf = json::parse(bytes.substr(20, u32(12)));
  EXPECT_EQ(gltf["asset"]["version"], "2.0");
  ASSERT_EQ(gltf["meshes"].size(), 2u);
  std::vector<std::string> names;
  for (const json& n : gltf["nodes"]) names.push_back(n.value("name", ""));
  EXPECT_EQ(names, (std::vector<std::string>{"nurbs_surface 5", "nurbs_surface 6"}));
  for (size_t k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    Mesh m;
    ASSERT_TRUE(mesh_surface(store[4 + k].nb, kChord, m, err)) << err;
    const json& primitive = gltf["meshes"][k]["primitives"][0];
    const json& indices = gltf["accessors"][primitive["indices"].get<int>()];
    const json& positions = gltf["accessors"][primitive["attributes"]["POSITION"].get<int>()];
    EXPECT_EQ(indices["count"], 3 * m.triangles.size());
    EXPECT_EQ(positions["count"], m.vertices.size());
    // The torus reaches 4 mm from its axis and 1 mm along it (Z in the database, Y in glTF).
    if (k == 0) {
      EXPECT_NEAR(positions["max"][0].get<double>(), 0.004, 1e-6);
      EXPECT_NEAR(positions["max"][1].get<double>(), 0.001, 1e-5);
    }
  }
}

// admesh, the slicers' mesh checker, finds the binary STL of the torus whole: every facet connected,
// nothing to fix or reverse, and the volume of the torus.
TEST_F(ReadBack, AdmeshFindsTheStlWatertightWithItsVolume) {
  store = {store[4]};
  const auto all = entities();
  std::string err;
  int skipped = -1;
  const std::string file = path("torus.stl");
  ASSERT_TRUE(written_twice_alike(file, [&](const std::string& f, std::string& e) {
    return write_mesh(f, MeshFormat::StlBinary, all, kChord, skipped, e);
  }, err)) << err;
  const std::string report = run("admesh '" + file + "'");
  ASSERT_FALSE(report.empty()) << "admesh failed";
  auto field = [&](const std::string& name) {
    std::smatch m;
    const std::regex re(name + R"( *: *(-?[0-9.]+))");
    return std::regex_search(report, m, re) ? std::stod(m[1]) : -1.0;
  };
  Mesh m;
  ASSERT_TRUE(mesh_surface(store[0].nb, kChord, m, err)) << err;
  EXPECT_EQ(field("Number of facets"), static_cast<double>(m.triangles.size())) << report;
  EXPECT_EQ(field("Total disconnected facets"), 0) << report;
  EXPECT_EQ(field("Number of parts"), 1) << report;
  for (const char* fixed : {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added", "Facets reversed",
                            "Backwards edges", "Normals fixed"})
    EXPECT_EQ(field(fixed), 0) << fixed << "\n" << report;
  const double volume = 2 * M_PI * M_PI * 3;
  EXPECT_NEAR(field("Volume"), volume, 0.01 * volume) << report;
}

}  // namespace
}  // namespace orv::exchange
