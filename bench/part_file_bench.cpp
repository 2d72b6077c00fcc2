// Part file speed: saving and reading back a part file of N screen marks (a helix, every coordinate
// a full-precision double), through the same calls the host makes at exit and at start. The
// counter file_bytes is the size of the file; bytes_per_second is that size over the time taken.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/database.h"
#include "core/part_file.h"

namespace {

void fill(orv::GeometryDatabase& db, int64_t marks) {
  for (int64_t i = 0; i < marks; ++i) {
    const double t = static_cast<double>(i) * 1e-3;
    db.add_mark({{2 * std::cos(t), 2 * std::sin(t), 0.1 * t}, 10});
  }
}

// A private directory holding the benchmark's part file, removed afterwards.
struct Scratch {
  std::string dir, path;
  Scratch() {
    char name[] = "/tmp/part_file_bench.XXXXXX";
    if (mkdtemp(name) != nullptr) dir = name;
    path = dir + "/part.json";
  }
  ~Scratch() {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }
};

int64_t file_size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

void report(benchmark::State& state, int64_t bytes) {
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}

void BM_SavePartFile(benchmark::State& state) {
  Scratch scratch;
  orv::GeometryDatabase db;
  fill(db, state.range(0));
  std::string err;
  for (auto _ : state) {
    if (!orv::save_part_file(scratch.path, db, err, true)) {
      state.SkipWithError(err.c_str());
      return;
    }
  }
  report(state, file_size(scratch.path));
}

void BM_LoadPartFile(benchmark::State& state) {
  Scratch scratch;
  std::string err;
  {
    orv::GeometryDatabase db;
    fill(db, state.range(0));
    if (!orv::save_part_file(scratch.path, db, err, true)) {
      state.SkipWithError(err.c_str());
      return;
    }
  }
  for (auto _ : state) {
    orv::GeometryDatabase back;
    if (!orv::load_part_file(scratch.path, back, err)) {
      state.SkipWithError(err.c_str());
      return;
    }
    benchmark::DoNotOptimize(back.marks().size());
  }
  report(state, file_size(scratch.path));
}

BENCHMARK(BM_SavePartFile)->Arg(100000)->Arg(2000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPartFile)->Arg(100000)->Arg(2000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
