// What the database costs for what it stores: the heap bytes per stored point entity, measured with
// mallinfo2 before and after storing N points, the time a point takes to store and to be found
// again by its entry, and the heap bytes the screen holds after a plot's worth of marks, which
// stays bounded. The whole plot path is timed with bench/data/helix_points_1e6.eqn:
//   /usr/bin/time -v build/host/orvantis plot bench/data/helix_points_1e6.eqn
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <cstdint>
#include <vector>

#include "core/database.h"
#include "orvantis/host_geometry.h"

namespace {

std::size_t heap_in_use() {
  malloc_trim(0);
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;  // small blocks in use plus mmapped ones
}

void BM_BytesPerStoredPoint(benchmark::State& state) {
  const int64_t n = state.range(0);
  double bytes_per_point = 0;
  for (auto _ : state) {
    orv::GeometryDatabase db;
    std::size_t before = heap_in_use();
    for (int64_t i = 0; i < n; ++i) {
      ent point;
      point.kind = ENT_POINT;
      point.p1[0] = static_cast<double>(i);
      db.add(std::move(point));
    }
    std::size_t after = heap_in_use();
    bytes_per_point = static_cast<double>(after - before) / static_cast<double>(n);
    benchmark::DoNotOptimize(db.size());
  }
  state.counters["bytes_per_point"] = bytes_per_point;
}
BENCHMARK(BM_BytesPerStoredPoint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The thread's CPU time in nanoseconds: other work on the machine does not count.
double cpu_ns() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Storing N points into a fresh database, then finding each again by its entry.
void BM_StoreAndFindPoints(benchmark::State& state) {
  const int64_t n = state.range(0);
  double store_ns = 0, find_ns = 0;
  for (auto _ : state) {
    orv::GeometryDatabase db;
    std::vector<db_list_ent_type*> entries;
    entries.reserve(static_cast<std::size_t>(n));
    double start = cpu_ns();
    for (int64_t i = 0; i < n; ++i) {
      ent point;
      point.kind = ENT_POINT;
      point.p1[0] = static_cast<double>(i);
      entries.push_back(db.add(point));
    }
    double stored = cpu_ns();
    std::size_t found = 0;
    for (db_list_ent_type* e : entries) found += db.contains(e);
    double done = cpu_ns();
    if (found != entries.size()) state.SkipWithError("an entry was not found");
    store_ns = (stored - start) / static_cast<double>(n);
    find_ns = (done - stored) / static_cast<double>(n);
  }
  state.counters["store_ns_per_point"] = store_ns;
  state.counters["find_ns_per_point"] = find_ns;
}
BENCHMARK(BM_StoreAndFindPoints)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A draw plot of N steps (a mark and a line each): the screen's heap stays bounded past the cap.
void BM_ScreenHeapAfterMarks(benchmark::State& state) {
  const int64_t n = state.range(0);
  double megabytes = 0;
  for (auto _ : state) {
    orv::GeometryDatabase db;
    std::size_t before = heap_in_use();
    for (int64_t i = 0; i < n; ++i) {
      double x = static_cast<double>(i);
      db.add_mark({{x, 0, 0}, 10});
      db.add_line({{x, 0, 0}, {x + 1, 0, 0}, 10});
    }
    megabytes = static_cast<double>(heap_in_use() - before) / 1e6;
    benchmark::DoNotOptimize(db.screen_kept());
  }
  state.counters["screen_MB"] = megabytes;
}
BENCHMARK(BM_ScreenHeapAfterMarks)->Arg(100000)->Arg(10000000)->Arg(50000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
