// Speed of the geometry kernel behind the host's services: fitting a spline through a curve plot's
// points (beside OpenCASCADE's interpolation of them), reducing its knots, fitting a surface through
// a grid, and exporting both to STEP; and what a large point set's STEP file costs the program that
// opens it. The largest curve plot is 32001 points; 300 x 300 is a fine surface plot.
#include <benchmark/benchmark.h>

#include <GeomAPI_Interpolate.hxx>
#include <Geom_BSplineCurve.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/database.h"
#include "core/host.h"
#include "exchange/exchange.h"
#include "orvantis/host_geometry.h"
#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace {

using orv::kernel::Point;

std::vector<double> flat(const std::vector<Point>& pts) {
  std::vector<double> out;
  for (const Point& p : pts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The stored spline through a helix of `count` points, read back as the curve plotter reads it.
ent stored_spline(int count) {
  orv::host().database.clear();
  const std::vector<double> pts = flat(orv::kernel::testing::helix(count));
  db_list_ent_type* entry = nullptr;
  char ok = 0;
  make_spline_from_pts(reinterpret_cast<const pt_3d*>(pts.data()), count, 10, 1, 1, &pts[pts.size() - 3], 1,
                       &pts[pts.size() - 3], 0, &entry, &ok);
  ent e;
  if (!ok || get_ent_from_eptr(entry, &e) != 0) e.kind = 0;
  return e;
}

void BM_MakeSplineFromPts(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<double> pts = flat(orv::kernel::testing::helix(count));
  for (auto _ : state) {
    orv::host().database.clear();
    db_list_ent_type* entry = nullptr;
    char ok = 0;
    make_spline_from_pts(reinterpret_cast<const pt_3d*>(pts.data()), count, 10, 1, 1, &pts[pts.size() - 3], 1,
                         &pts[pts.size() - 3], 0, &entry, &ok);
    if (!ok) state.SkipWithError("spline refused");
    benchmark::DoNotOptimize(entry);
  }
}
BENCHMARK(BM_MakeSplineFromPts)->Arg(1000)->Arg(32001)->Unit(benchmark::kMillisecond);

// The kernel's fit alone, and OpenCASCADE's interpolation of the same points beside it.
void BM_InterpolateCurve(benchmark::State& state) {
  const std::vector<Point> pts = orv::kernel::testing::helix(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    nb_type nb;
    std::string err;
    if (!orv::kernel::interpolate_curve(pts, nb, err)) state.SkipWithError(err.c_str());
    benchmark::DoNotOptimize(nb.poles.data());
  }
}
BENCHMARK(BM_InterpolateCurve)->Arg(1000)->Arg(32001)->Unit(benchmark::kMillisecond);

void BM_OpenCascadeInterpolate(benchmark::State& state) {
  const std::vector<Point> pts = orv::kernel::testing::helix(static_cast<int>(state.range(0)));
  Handle(TColgp_HArray1OfPnt) arr = new TColgp_HArray1OfPnt(1, static_cast<int>(pts.size()));
  for (size_t k = 0; k < pts.size(); ++k) arr->SetValue(static_cast<int>(k) + 1, gp_Pnt(pts[k][0], pts[k][1], pts[k][2]));
  for (auto _ : state) {
    GeomAPI_Interpolate fit(arr, Standard_False, 1e-12);
    fit.Perform();
    if (!fit.IsDone()) state.SkipWithError("OpenCASCADE's interpolation failed");
    benchmark::DoNotOptimize(fit.Curve().get());
  }
}
BENCHMARK(BM_OpenCascadeInterpolate)->Arg(1000)->Arg(32001)->Unit(benchmark::kMillisecond);

void BM_RemoveNodes(benchmark::State& state) {
  const ent spline = stored_spline(static_cast<int>(state.range(0)));
  if (spline.kind != ENT_SPLINE) {
    state.SkipWithError("no spline");
    return;
  }
  ent nurb;
  convert_entity_to_nurbs(&spline, &nurb);
  ent reduced;
  int result = 0;
  for (auto _ : state) {
    result = remove_nodes(&nurb, 0, surf_step_chord_dev, &reduced);
    benchmark::DoNotOptimize(result);
  }
  if (!result) {
    state.SkipWithError("nothing reduced");
    return;
  }
  state.counters["poles_before"] = nurb.nb.nu;
  state.counters["poles_after"] = reduced.nb.nu;
  state.counters["deviation_bound"] = orv::kernel::deviation_bound(nurb.nb, reduced.nb);
  state.counters["tolerance"] = surf_step_chord_dev;
}
BENCHMARK(BM_RemoveNodes)->Arg(1000)->Arg(32001)->Unit(benchmark::kMillisecond);

void BM_MakeSurfFromPts(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> pts = flat(orv::kernel::testing::torus(n, n));
  for (auto _ : state) {
    orv::host().database.clear();
    db_list_ent_type* entry = nullptr;
    char ok = 0;
    double unused = 0;
    make_surf_from_pts(reinterpret_cast<const pt_3d*>(pts.data()), static_cast<int16_t>(n), static_cast<int16_t>(n),
                       0, 0, 1, 1, 10, 1, 1, &unused, &entry, &ok);
    if (!ok) state.SkipWithError("surface refused");
    benchmark::DoNotOptimize(entry);
  }
}
BENCHMARK(BM_MakeSurfFromPts)->Arg(300)->Unit(benchmark::kMillisecond);

void export_step(benchmark::State& state, const ent& e) {
  const std::string path = "/tmp/orv_kernel_bench_" + std::to_string(getpid()) + ".step";
  orv::GeometryDatabase db;
  db.add(e);
  const std::vector<const orv::Entity*> entities = db.entities();
  for (auto _ : state) {
    std::string err;
    if (!orv::exchange::write_step(path, entities, {}, err)) state.SkipWithError(err.c_str());
  }
  std::remove(path.c_str());
}

void BM_StepExportHelixSpline(benchmark::State& state) {
  const ent spline = stored_spline(32001);
  export_step(state, spline);
}
BENCHMARK(BM_StepExportHelixSpline)->Unit(benchmark::kMillisecond);

void BM_StepExportSurface300(benchmark::State& state) {
  ent surface;
  surface.kind = ENT_NURBS_SURFACE;
  surface.color = 10;
  surface.level = 1;
  std::string err;
  if (!orv::kernel::interpolate_surface(orv::kernel::testing::torus(300, 300), 300, 300, surface.nb, err)) {
    state.SkipWithError(err.c_str());
    return;
  }
  export_step(state, surface);
}
BENCHMARK(BM_StepExportSurface300)->Unit(benchmark::kMillisecond);

// Opening a STEP file of a points plot as a CAD program does: OpenCASCADE's XCAF reader with
// colours, layers and names, file and transfer. Each point's level is kept by the layer of the set
// that holds it; a layer that listed every point made this take some twenty times as long.
void BM_StepReadPoints(benchmark::State& state) {
  const std::string path = "/tmp/orv_kernel_bench_points_" + std::to_string(getpid()) + ".step";
  orv::GeometryDatabase db;
  for (int64_t i = 0; i < state.range(0); ++i) {
    orv::EntityData e;
    e.kind = ENT_POINT;
    e.p1[0] = static_cast<double>(i);
    e.p1[1] = std::sin(static_cast<double>(i));
    e.color = 10;
    e.level = 1;
    db.add(e);
  }
  std::string err;
  if (!orv::exchange::write_step(path, db.entities(), {}, err)) {
    state.SkipWithError(err.c_str());
    return;
  }
  for (auto _ : state) {
    Handle(TDocStd_Document) doc;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
    STEPCAFControl_Reader reader;
    reader.SetColorMode(true);
    reader.SetLayerMode(true);
    reader.SetNameMode(true);
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone || !reader.Transfer(doc)) state.SkipWithError("not read");
    XCAFApp_Application::GetApplication()->Close(doc);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_StepReadPoints)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
