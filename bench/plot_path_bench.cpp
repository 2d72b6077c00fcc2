// The plot path as a user meets it: an equation file from bench/data plotted into the host's
// database and written out as each export format, the CPU time of plot and export together. A
// 1,000,001-point `points` helix (no export, JSON, PNG, STEP, IGES) and a 1001 x 1001
// `parametric_surf` torus (no export, JSON). The counter file_bytes is the export's size.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/database.h"
#include "core/host.h"
#include "core/part_file.h"
#include "eqfile/equation_file.h"
#include "equation/plot_settings.h"
#include "equation/statement_pool.h"
#include "exchange/exchange.h"
#include "geometry/plotting.h"
#include "view/picture.h"

namespace {

// The size of the pictures the host exports.
constexpr int kPictureWidth = 1200, kPictureHeight = 900;

enum class Export { None, Json, Png, Step, Iges };

const char* extension(Export e) {
  switch (e) {
    case Export::None: return "";
    case Export::Json: return ".json";
    case Export::Png: return ".png";
    case Export::Step: return ".step";
    case Export::Iges: return ".igs";
  }
  return "";
}

// A private directory holding the export, removed afterwards.
struct Scratch {
  std::string dir, path;
  explicit Scratch(Export e) {
    char name[] = "/tmp/plot_path_bench.XXXXXX";
    if (mkdtemp(name) != nullptr) dir = name;
    path = dir + "/plot" + extension(e);
  }
  ~Scratch() {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }
};

// Reads an equation file of bench/data; its statements stay in the pool until the benchmark ends.
Statement* read_data_file(const char* name, std::string& err) {
  const std::string path = std::string(ORV_BENCH_DATA) + "/" + name;
  FILE* stream = std::fopen(path.c_str(), "r");
  if (stream == nullptr) {
    err = path + ": cannot be read";
    return nullptr;
  }
  Statement* head = nullptr;
  read_equation_file(stream, &head);
  std::fclose(stream);
  if (head == nullptr) err = path + ": no statements";
  return head;
}

bool write(Export e, const std::string& path, std::string& err) {
  const orv::GeometryDatabase& db = orv::host().database;
  switch (e) {
    case Export::None: return true;
    case Export::Json: return orv::save_part_file(path, db, err, true);
    case Export::Png: {
      orv::view::PictureOptions o;
      o.title = "plot.png";
      return orv::view::write_picture(path, db, kPictureWidth, kPictureHeight, o, err);
    }
    case Export::Step: return orv::exchange::write_step(path, db.entities(), db.plots(), err);
    case Export::Iges: return orv::exchange::write_iges(path, db.entities(), db.plots(), err);
  }
  return false;
}

void BM_Plot(benchmark::State& state, const char* file, Export e, std::size_t expected) {
  pool_release();
  PlotSettings = initial_plot_settings;
  PlotSettings.trace_variables = 0;
  orv::host().database.clear();
  std::string err;
  Statement* head = read_data_file(file, err);
  if (head == nullptr) {
    state.SkipWithError(err.c_str());
    return;
  }
  Scratch scratch(e);
  struct stat st {};
  for (auto _ : state) {
    plot_geometry(head);
    if (!write(e, scratch.path, err)) {
      state.SkipWithError(err.c_str());
      break;
    }
    state.PauseTiming();
    const std::size_t made = orv::host().database.size();
    orv::host().database.clear();
    if (made != expected) {
      state.SkipWithError("the plot did not store what it should");
      break;
    }
    state.ResumeTiming();
  }
  if (e != Export::None && ::stat(scratch.path.c_str(), &st) == 0)
    state.counters["file_bytes"] = static_cast<double>(st.st_size);
  pool_release();
}

constexpr const char* kPoints = "points_helix_1e6.eqn";
constexpr const char* kSurface = "torus_surf_1000.eqn";
constexpr std::size_t kPointsMade = 1000001;  // point entities
constexpr std::size_t kSurfaceMade = 1;        // one surface

BENCHMARK_CAPTURE(BM_Plot, points, kPoints, Export::None, kPointsMade)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Plot, points_json, kPoints, Export::Json, kPointsMade)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Plot, points_png, kPoints, Export::Png, kPointsMade)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Plot, points_step, kPoints, Export::Step, kPointsMade)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Plot, points_iges, kPoints, Export::Iges, kPointsMade)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Plot, surface, kSurface, Export::None, kSurfaceMade)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_Plot, surface_json, kSurface, Export::Json, kSurfaceMade)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
