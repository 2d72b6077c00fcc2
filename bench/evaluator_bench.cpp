// Evaluator speed side by side: four statement sets run one step at a time by the plain reduction,
// by stored plans, by blocks of steps as the plotters run them, by muparser (the common expression
// parser, compiled to its bytecode), by ExprTk (the fastest widely used one; when its header was
// found) and as native C++. Every path computes the same values; the setup checks that before
// timing (blocks to the bit). per_step is the CPU time of one step: set t and v, run every
// statement of the set.
#include <benchmark/benchmark.h>

#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "eqfile/equation_file.h"
#include "equation/block_evaluation.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"
#if KUVRA_HAVE_EXPRTK
#include "exprtk_runner.h"
#endif

namespace {

// A statement set: the constants, the statements (one a line; muparser takes them joined by commas),
// the names whose values are compared, and the same computation in C++.
struct StatementSet {
  const char* constants;   // "name = value" lines, run once
  const char* statements;  // the same text for both languages: no "^" chains, no minus before "^", no log
  std::vector<const char*> outputs;
  void (*native)(double t, double v, double* out);
};

const StatementSet helix = {
    "r = 2\nc = 0.1\n", "x = r*cos(t)\ny = r*sin(t)\nz = c*t\n", {"x", "y", "z"},
    [](double t, double, double* out) {
      const double r = 2, c = 0.1;
      out[0] = r * std::cos(t);
      out[1] = r * std::sin(t);
      out[2] = c * t;
    }};

const StatementSet involute = {
    "rb = 3\n", "x = rb*(cos(t) + t*sin(t))\ny = rb*(sin(t) - t*cos(t))\n", {"x", "y"},
    [](double t, double, double* out) {
      const double rb = 3;
      out[0] = rb * (std::cos(t) + t * std::sin(t));
      out[1] = rb * (std::sin(t) - t * std::cos(t));
    }};

const StatementSet torus = {
    "R = 5\nr = 1\n", "x = (R + r*cos(v))*cos(t)\ny = (R + r*cos(v))*sin(t)\nz = r*sin(v)\n", {"x", "y", "z"},
    [](double t, double v, double* out) {
      const double R = 5, r = 1;
      out[0] = (R + r * std::cos(v)) * std::cos(t);
      out[1] = (R + r * std::cos(v)) * std::sin(t);
      out[2] = r * std::sin(v);
    }};

// Ten statements of 10 to 20 operators each, none of which fails for t in [0, 1).
const StatementSet ten = {
    "",
    "a = sqrt(t^2 + 1) * sin(t) / (1 + cos(t)^2) - exp(0 - t/10) + 2\n"
    "b = ln(a^2 + 1) * atan(t - 0.5) + sqrt(abs(a) + t) / (2 + sin(3*t))\n"
    "c = exp(0 - (t - 0.3)^2 / 0.1) * cos(5*t) + a*b - ln(2 + t) / 3\n"
    "d = (a + b + c) / (1 + abs(a*b*c)) - sqrt(1 + t^4) * atan(c)\n"
    "e1 = sin(a)*cos(b) - cos(a)*sin(b) + exp(c/10) - ln(1 + d^2)\n"
    "f = atan(a/(1 + b^2)) + sqrt(c^2 + d^2 + 1) - 2^(t/2) * e1\n"
    "g = (f - e1)^2 / (1 + (d - c)^2) + cos(f)*sin(e1) - exp(0 - abs(a))\n"
    "h = ln(1 + exp(0 - f^2)) + sqrt(abs(g) + 1) * (a - b) / (3 + c^2)\n"
    "x = a + b*t - c*t^2 + d*t^3 - e1/(1 + t) + f/10\n"
    "y = g*h - sin(t*a)^2 + cos(t*b)^2 / (1 + t^2) - atan(h)\n",
    {"a", "b", "c", "d", "e1", "f", "g", "h", "x", "y"},
    [](double t, double, double* out) {
      using std::abs, std::atan, std::cos, std::exp, std::log, std::pow, std::sin, std::sqrt;
      double a = sqrt(t * t + 1) * sin(t) / (1 + cos(t) * cos(t)) - exp(0 - t / 10) + 2;
      double b = log(a * a + 1) * atan(t - 0.5) + sqrt(abs(a) + t) / (2 + sin(3 * t));
      double c = exp(0 - (t - 0.3) * (t - 0.3) / 0.1) * cos(5 * t) + a * b - log(2 + t) / 3;
      double d = (a + b + c) / (1 + abs(a * b * c)) - sqrt(1 + pow(t, 4)) * atan(c);
      double e1 = sin(a) * cos(b) - cos(a) * sin(b) + exp(c / 10) - log(1 + d * d);
      double f = atan(a / (1 + b * b)) + sqrt(c * c + d * d + 1) - pow(2, t / 2) * e1;
      double g = (f - e1) * (f - e1) / (1 + (d - c) * (d - c)) + cos(f) * sin(e1) - exp(0 - abs(a));
      double h = log(1 + exp(0 - f * f)) + sqrt(abs(g) + 1) * (a - b) / (3 + c * c);
      double x = a + b * t - c * t * t + d * pow(t, 3) - e1 / (1 + t) + f / 10;
      double y = g * h - pow(sin(t * a), 2) + pow(cos(t * b), 2) / (1 + t * t) - atan(h);
      double all[] = {a, b, c, d, e1, f, g, h, x, y};
      std::memcpy(out, all, sizeof all);
    }};

// The step variable's value at step j: 1000 values in [0, 1).
double step_value(int64_t j) { return static_cast<double>(j % 1000) / 1000.0; }

// Reads the set as an equation file and runs its constants once; returns the first statement after
// them. The statements stay in the pool until pool_release.
Statement* read_set(const StatementSet& set) {
  pool_release();
  PlotSettings = initial_plot_settings;
  PlotSettings.use_degrees = 0;
  std::string text = std::string("step_var1 = t\nstep_var2 = v\n") + set.constants + set.statements;
  FILE* stream = fmemopen(text.data(), text.size(), "r");
  Statement* head = nullptr;
  read_equation_file(stream, &head);
  std::fclose(stream);
  set_angle_factors();
  for (const char* c = set.constants; *c != '\0'; ++c) {
    if (*c != '\n' || head == nullptr) continue;
    evaluate_statement(head);
    head = head->next;
  }
  return head;
}

// Kuvra's language by the reduction (plans == false) or by the stored plans.
void BM_Kuvra(benchmark::State& state, const StatementSet* set, bool plans) {
  Statement* head = read_set(*set);
  int16_t t = static_cast<int16_t>(find_variable("t"));
  int16_t v = static_cast<int16_t>(find_variable("v"));
  int64_t j = 0;
  for (auto _ : state) {
    double value = step_value(j++);
    set_variable(t, value);
    set_variable(v, value);
    int failed = 0;
    for (Statement* s = head; s != nullptr; s = s->next) {
      failed |= plans ? evaluate_statement(s) : evaluate_reference(s->program, s->length);
    }
    if (failed != 0) {
      state.SkipWithError("a statement failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  state.counters["per_step"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  pool_release();
}

// Kuvra's language by blocks of steps. The plotters step one variable per step; here v takes t's
// value by a first statement "v = t + 0", a column of its own (with "v = t" it would name t's values,
// and cos(v) would be merged with cos(t), work the other columns do twice).
void BM_KuvraBlocks(benchmark::State& state, const StatementSet* set) {
  StatementSet aliased = *set;
  std::string statements = std::string("v = t + 0\n") + set->statements;
  aliased.statements = statements.c_str();
  Statement* head = read_set(aliased);
  const int16_t t = static_cast<int16_t>(find_variable("t"));
  const int point_rows[3] = {find_variable("x"), find_variable("y"), find_variable("z")};
  if (!prepare_blocks(head, t, -1, point_rows)) {
    state.SkipWithError("blocks do not apply");
    pool_release();
    return;
  }
  // Every output to the bit as one step at a time gives it, at the first two blocks' steps.
  for (int64_t start = 0; start < 2 * block_steps; start += block_steps) {
    double* values = block_step_values();
    for (int i = 0; i < block_steps; ++i) values[i] = step_value(start + i);
    if (!run_block(block_steps)) {
      state.SkipWithError("a block failed");
      pool_release();
      return;
    }
    for (int i = 0; i < block_steps; ++i) {
      commit_block_step(i);
      std::vector<double> by_block;
      for (const char* out : set->outputs) by_block.push_back(VariableTable.rows[find_variable(out)].value);
      set_variable(t, values[i]);
      for (Statement* s = head; s != nullptr; s = s->next) evaluate_statement(s);
      for (size_t k = 0; k < by_block.size(); ++k) {
        double one_by_one = VariableTable.rows[find_variable(set->outputs[k])].value;
        if (std::memcmp(&one_by_one, &by_block[k], sizeof(double)) != 0) {
          state.SkipWithError((std::string("blocks differ at ") + set->outputs[k]).c_str());
          pool_release();
          return;
        }
      }
    }
  }
  int64_t j = 0;
  for (auto _ : state) {
    double* values = block_step_values();
    for (int i = 0; i < block_steps; ++i) values[i] = step_value(j + i);
    j += block_steps;
    if (!run_block(block_steps)) {
      state.SkipWithError("a block failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  state.counters["per_step"] = benchmark::Counter(
      block_steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  pool_release();
}

// The variables of a set for the other libraries: every name on the left of a line or of a constant,
// constants with their value.
void bound_names(const StatementSet& set, std::vector<std::string>* names, std::vector<double>* values) {
  std::string all = std::string(set.constants) + set.statements;
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find('\n', at);
    std::string line = all.substr(at, end - at);
    at = end + 1;
    names->push_back(line.substr(0, line.find(' ')));
    values->push_back(0.0);
    if (line.find_first_not_of("0123456789. ", line.find('=') + 1) == std::string::npos) {
      values->back() = std::stod(line.substr(line.find('=') + 1));
    }
  }
}

// Kuvra's values of the set's outputs at step j, one step at a time.
std::vector<double> kuvra_outputs(const StatementSet& set, int64_t j) {
  Statement* head = read_set(set);
  set_variable(static_cast<int16_t>(find_variable("t")), step_value(j));
  set_variable(static_cast<int16_t>(find_variable("v")), step_value(j));
  for (Statement* s = head; s != nullptr; s = s->next) evaluate_statement(s);
  std::vector<double> out;
  for (const char* name : set.outputs) out.push_back(VariableTable.rows[find_variable(name)].value);
  pool_release();
  return out;
}

bool near(double a, double b) { return std::fabs(a - b) <= 1e-12 * (1 + std::fabs(a)); }

// Agreement of another library with Kuvra's language at a few steps, within rounding of the
// libraries' functions: `run(j)` computes step j into `values` (the variables of `names`). The first
// output that differs, or null.
template <class Run>
const char* first_disagreement(const StatementSet& set, const std::vector<std::string>& names,
                               const std::vector<double>& values, Run run) {
  for (int64_t j : {1, 250, 777}) {
    run(j);
    std::vector<double> kuvra = kuvra_outputs(set, j);
    for (size_t k = 0; k < kuvra.size(); ++k) {
      size_t at = 0;
      while (names[at] != set.outputs[k]) ++at;
      if (!near(kuvra[k], values[at])) return set.outputs[k];
    }
  }
  return nullptr;
}

#if KUVRA_HAVE_EXPRTK
// The same statements through ExprTk: joined into one expression of ":=" assignments ("ln" is its
// "log"), compiled once, value() once a step.
void BM_Exprtk(benchmark::State& state, const StatementSet* set) {
  std::vector<std::string> names;
  std::vector<double> values;
  bound_names(*set, &names, &values);
  double t = 0, v = 0;
  std::vector<std::pair<std::string, double*>> variables = {{"t", &t}, {"v", &v}};
  for (size_t k = 0; k < names.size(); ++k) variables.push_back({names[k], &values[k]});
  std::string expression;
  for (const char* c = set->statements; *c != '\0';) {
    const char* end = std::strchr(c, '\n');
    std::string line(c, end != nullptr ? end : c + std::strlen(c));
    c = end != nullptr ? end + 1 : c + line.size();
    line.replace(line.find(" = "), 3, " := ");
    for (size_t at = line.find("ln("); at != std::string::npos; at = line.find("ln(", at)) line.replace(at, 3, "log(");
    expression += line + ";\n";
  }
  std::string error;
  ExprtkRunner* runner = exprtk_compile(expression, variables, &error);
  if (runner == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  if (const char* differs = first_disagreement(*set, names, values, [&](int64_t j) {
        t = v = step_value(j);
        exprtk_value(runner);
      })) {
    state.SkipWithError((std::string("ExprTk differs at ") + differs).c_str());
    exprtk_free(runner);
    return;
  }
  int64_t j = 0;
  for (auto _ : state) {
    t = v = step_value(j++);
    benchmark::DoNotOptimize(exprtk_value(runner));
    benchmark::ClobberMemory();
  }
  state.counters["per_step"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  exprtk_free(runner);
}
#endif

// The same statements through muparser, after checking that its values are Kuvra's.
void BM_Muparser(benchmark::State& state, const StatementSet* set) {
  std::string expression = set->statements;
  while (!expression.empty() && expression.back() == '\n') expression.pop_back();
  for (char& c : expression) c = c == '\n' ? ',' : c;
  std::vector<std::string> names;
  std::vector<double> values;
  bound_names(*set, &names, &values);
  mu::Parser parser;
  double t = 0, v = 0;
  try {
    parser.DefineVar("t", &t);
    parser.DefineVar("v", &v);
    for (size_t k = 0; k < names.size(); ++k) parser.DefineVar(names[k], &values[k]);
    parser.SetExpr(expression);
    if (const char* differs = first_disagreement(*set, names, values, [&](int64_t j) {
          t = v = step_value(j);
          parser.Eval();
        })) {
      state.SkipWithError((std::string("muparser differs at ") + differs).c_str());
      return;
    }
  } catch (const mu::Parser::exception_type& e) {
    state.SkipWithError(e.GetMsg().c_str());
    return;
  }
  int64_t j = 0;
  for (auto _ : state) {
    t = v = step_value(j++);
    benchmark::DoNotOptimize(parser.Eval());
    benchmark::ClobberMemory();
  }
  state.counters["per_step"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The same computation compiled as C++, after checking its values against Kuvra's.
void BM_Native(benchmark::State& state, const StatementSet* set) {
  double out[16];
  for (int64_t j : {1, 250, 777}) {
    set->native(step_value(j), step_value(j), out);
    std::vector<double> kuvra = kuvra_outputs(*set, j);
    for (size_t k = 0; k < kuvra.size(); ++k) {
      if (!near(kuvra[k], out[k])) {
        state.SkipWithError((std::string("native differs at ") + set->outputs[k]).c_str());
        return;
      }
    }
  }
  int64_t j = 0;
  for (auto _ : state) {
    double t = step_value(j++);
    benchmark::DoNotOptimize(t);
    set->native(t, t, out);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.counters["per_step"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

#if KUVRA_HAVE_EXPRTK
#define EXPRTK_SET(name) BENCHMARK_CAPTURE(BM_Exprtk, name, &name);
#else
#define EXPRTK_SET(name)  // no ExprTk header was found: its column is left out
#endif
#define KUVRA_SET(name)                                          \
  BENCHMARK_CAPTURE(BM_Kuvra, name##_reduction, &name, false);   \
  BENCHMARK_CAPTURE(BM_Kuvra, name##_plan, &name, true);         \
  BENCHMARK_CAPTURE(BM_KuvraBlocks, name##_blocks, &name);       \
  BENCHMARK_CAPTURE(BM_Muparser, name, &name);                   \
  EXPRTK_SET(name)                                               \
  BENCHMARK_CAPTURE(BM_Native, name, &name)
KUVRA_SET(helix);
KUVRA_SET(involute);
KUVRA_SET(torus);
KUVRA_SET(ten);
#undef KUVRA_SET

}  // namespace

BENCHMARK_MAIN();
