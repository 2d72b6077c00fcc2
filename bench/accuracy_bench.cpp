// kuvra-check --accuracy on each fitted example: read, dry run, fit with the host's kernel and
// measure between the steps, as the program does. It should take well under a second a file; the
// second run of each adds the search for the step that meets a tolerance of 0.001.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "check_file.h"

namespace {

void check_with_accuracy(benchmark::State& state, const char* example, double tol) {
  const std::string path = std::string(ORV_EXAMPLES_DIR) + "/" + example;
  CheckOptions options;
  options.accuracy = true;
  options.tol = tol;
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    std::FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr || sink == nullptr) {
      state.SkipWithError("cannot open the example");
      break;
    }
    CheckResult result = check_file(in, example, options, sink);
    std::fclose(in);
    benchmark::DoNotOptimize(result);
  }
  if (sink) std::fclose(sink);
}

#define ACCURACY_BENCH(file)                                                     \
  BENCHMARK_CAPTURE(check_with_accuracy, file, #file ".eqn", 0.0)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(check_with_accuracy, file##_tol, #file ".eqn", 0.001)->Unit(benchmark::kMillisecond)

ACCURACY_BENCH(helix);
ACCURACY_BENCH(conical_spring);
ACCURACY_BENCH(gear_involute);
ACCURACY_BENCH(cardioid);
ACCURACY_BENCH(cam);
ACCURACY_BENCH(rose);
ACCURACY_BENCH(sphere);
ACCURACY_BENCH(mobius);
ACCURACY_BENCH(torus);

}  // namespace

BENCHMARK_MAIN();
