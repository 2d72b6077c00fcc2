// Plotting speed: whole plots through the host's database with the trace off (a points helix of
// 1,000,000 steps, a 1000 x 1000 draw_surf torus), and evaluate alone on four statement sets.
// The counter per_step is the CPU time of one step (one grid point, one run of a statement set).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/database.h"
#include "core/host.h"
#include "eqfile/equation_file.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"
#include "geometry/plotting.h"

namespace {

// Reads an equation text as a file; the statements stay in the pool until the benchmark ends.
Statement* read_equations(const std::string& text) {
  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  Statement* head = nullptr;
  read_equation_file(stream, &head);
  std::fclose(stream);
  return head;
}

// CPU time per step, printed in seconds with an SI prefix (e.g. 160.2ns).
void count_steps(benchmark::State& state, double steps_per_iteration) {
  state.counters["per_step"] = benchmark::Counter(
      steps_per_iteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const char* const helix = "r = 2\nc = 0.1\nx = r*cos(t)\ny = r*sin(t)\nz = c*t\n";
const char* const involute = "rb = 3\nx = rb*(cos(t) + t*sin(t))\ny = rb*(sin(t) - t*cos(t))\n";
const char* const torus = "R = 5\nr = 1\nx = (R + r*cos(v))*cos(t)\ny = (R + r*cos(v))*sin(t)\nz = r*sin(v)\n";
// Ten statements of 10 to 20 operators each, none of which fails for t in [0, 1].
const char* const mixed =
    "a = sqrt(t^2 + 1) * sin(t) / (1 + cos(t)^2) - exp(-t/10) + 2\n"
    "b = ln(a^2 + 1) * atan(t - 0.5) + sqrt(abs(a) + t) / (2 + sin(3*t))\n"
    "c = exp(-(t - 0.3)^2 / 0.1) * cos(5*t) + a*b - ln(2 + t) / 3\n"
    "d = (a + b + c) / (1 + abs(a*b*c)) - sqrt(1 + t^4) * atan(c)\n"
    "e1 = sin(a)*cos(b) - cos(a)*sin(b) + exp(c/10) - ln(1 + d^2)\n"
    "f = atan(a/(1 + b^2)) + sqrt(c^2 + d^2 + 1) - 2^(t/2) * e1\n"
    "g = (f - e1)^2 / (1 + (d - c)^2) + cos(f)*sin(e1) - exp(-abs(a))\n"
    "h = ln(1 + exp(-f^2)) + sqrt(abs(g) + 1) * (a - b) / (3 + c^2)\n"
    "x = a + b*t - c*t^2 + d*t^3 - e1/(1 + t) + f/10\n"
    "y = g*h - sin(t*a)^2 + cos(t*b)^2 / (1 + t^2) - atan(h)\n";

void reset_run() {
  pool_release();
  PlotSettings = initial_plot_settings;
  PlotSettings.use_degrees = 0;
  PlotSettings.trace_variables = 0;
  orv::host().database.clear();
}

void BM_PointsHelix(benchmark::State& state) {
  reset_run();
  Statement* head = read_equations(std::string("step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 100\n"
                                               "step_size1 = 0.0001\ngeometry = points\nangles = radians\n") +
                                   helix);
  for (auto _ : state) {
    plot_geometry(head);
    state.PauseTiming();
    if (orv::host().database.size() != 1000001) state.SkipWithError("not every point was stored");
    orv::host().database.clear();
    state.ResumeTiming();
  }
  count_steps(state, 1000001);
  pool_release();
}
BENCHMARK(BM_PointsHelix)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DrawSurfTorus(benchmark::State& state) {
  reset_run();
  Statement* head = read_equations(std::string("step_var1 = t\nstep_var2 = v\nupper_limit1 = 6.283185307179586\n"
                                               "upper_limit2 = 6.283185307179586\nstep_size1 = 0.006283185307179586\n"
                                               "step_size2 = 0.006283185307179586\ngeometry = draw_surf\n"
                                               "angles = radians\n") +
                                   torus);
  for (auto _ : state) {
    plot_geometry(head);
    state.PauseTiming();
    if (orv::host().database.marks().size() != 1001u * 1001u) state.SkipWithError("not every grid point was drawn");
    orv::host().database.clear();
    state.ResumeTiming();
  }
  count_steps(state, 1001.0 * 1001.0);
  pool_release();
}
BENCHMARK(BM_DrawSurfTorus)->Unit(benchmark::kMillisecond)->Iterations(3);

// One step of a plot without the host: set the step variables, run every statement.
void BM_Evaluate(benchmark::State& state, const char* statements) {
  reset_run();
  Statement* head = read_equations(std::string("step_var1 = t\nstep_var2 = v\n") + statements);
  for (Statement* s = head; s != nullptr; s = s->next) {
    if (is_inert(s)) {
      state.SkipWithError(s->text);
      return;
    }
  }
  int t = find_variable("t");
  int v = find_variable("v");
  set_angle_factors();
  int64_t j = 0;
  for (auto _ : state) {
    double value = static_cast<double>(j++ % 1000) / 1000.0;
    set_variable(static_cast<int16_t>(t), value);
    set_variable(static_cast<int16_t>(v), value);
    int failed = 0;
    for (Statement* s = head; s != nullptr; s = s->next) failed |= evaluate_statement(s);
    if (failed != 0) {
      state.SkipWithError("a statement failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  count_steps(state, 1.0);
  pool_release();
}
BENCHMARK_CAPTURE(BM_Evaluate, helix, helix);
BENCHMARK_CAPTURE(BM_Evaluate, involute, involute);
BENCHMARK_CAPTURE(BM_Evaluate, torus, torus);
BENCHMARK_CAPTURE(BM_Evaluate, ten_mixed, mixed);

}  // namespace

BENCHMARK_MAIN();
