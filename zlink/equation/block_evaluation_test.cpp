// Block evaluation against the reduction: for each statement list below, a grid of steps run by the
// reduction one step at a time and as the plotters run it (blocks, failing blocks again step by step)
// must agree bit for bit after every step; and blocks must apply exactly where no step depends on an
// earlier one.
#include "equation/block_evaluation.h"

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "equation/block_differential.h"
#include "equation/language_test_support.h"

namespace {

class Blocks : public LanguageTest {
 protected:
  // Runs each line of `setup` once, then stores each line of `statements` as a statement.
  Statement* read(const std::string& setup, const std::string& statements) {
    for (const std::string& line : lines(setup)) EXPECT_EQ(run(line.c_str()), 0) << line;
    Statement* head = nullptr;
    Statement** tail = &head;
    for (const std::string& line : lines(statements)) {
      EXPECT_EQ(compile(line.c_str()), 0) << line;
      Statement* s = make_statement(line.c_str(), count_, items_);
      EXPECT_NE(s, nullptr);
      *tail = s;
      tail = &s->next;
    }
    return head;
  }
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      if (end > at) out.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    return out;
  }
  static int row(const char* name) {
    int16_t r = static_cast<int16_t>(find_variable(name));
    if (r < 0) add_variable(name, &r);
    return r;
  }
};

// `count` values from `low` to `high`, with `special` put in at the given steps.
std::vector<double> ramp(int count, double low, double high, std::vector<std::pair<int, double>> special = {}) {
  std::vector<double> v(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) v[static_cast<size_t>(k)] = low + (high - low) * k / (count > 1 ? count - 1 : 1);
  for (const auto& [k, value] : special) v[static_cast<size_t>(k)] = value;
  return v;
}

struct CurveCase {
  const char* name;
  const char* setup;
  const char* statements;
  bool degrees;
  std::vector<double> steps;
  bool blocks;       // whether block evaluation applies
  bool some_failed;  // whether some block meets a failing step
};

TEST_F(Blocks, CurvesAgreeWithTheReductionAtEveryStep) {
  const std::vector<CurveCase> cases = {
      {"helix", "r = 2\nc = 0.1", "x = r*cos(t)\ny = r*sin(t)\nz = c*t", false, ramp(600, 0, 30), true, false},
      {"chain of functions", "",
       "a = sqrt(t^2 + 1) * sin(t) / (1 + cos(t)^2) - exp(0 - t/10) + 2\n"
       "b = ln(a^2 + 1) * atan(t - 0.5) + sqrt(abs(a) + t) / (2 + sin(3*t))\n"
       "x = a + b*t - tan(a)*t^2 + 2^(t/2)\ny = -a^3 - log(1 + b^2)\nz = acos(t/2) + asin(0 - t/3)",
       false, ramp(1000, 0, 1), true, false},
      {"degrees", "", "x = cos(t) + tan(t)\ny = sin(t)\nz = asin(t/400) + atan(t)", true, ramp(300, -180, 180),
       true, false},
      {"squares near their rounding edge", "", "x = (t + 0.1)^2\ny = (t*3)^2\nz = t^2.0", false,
       ramp(700, -1e6, 1e6, {{5, 1e-300}, {6, 1e200}, {7, -0.0}}), true, false},
      // A sine and a cosine of one operand are one sincos call in a block: tiny, huge and
      // subnormal angles take other paths of the argument reduction.
      {"sine and cosine of one operand", "",
       "x = cos(t*1e5) + sin(t*1e5)\ny = sin(t) * cos(t)\nz = cos(t^3) - sin(t^3)", false,
       ramp(700, -1e4, 1e4, {{3, 1e-9}, {4, 1e22}, {5, -0.0}, {6, 3e-310}, {7, 2.5e8}}), true, false},
      {"sine and cosine in degrees", "", "x = sin(t) + cos(t)\ny = cos(t*1e7)\nz = sin(t*1e7)", true,
       ramp(500, -720, 720, {{3, 1e-12}, {4, 1e20}}), true, false},
      {"partial assignment before a failure", "", "x = 1 + t, y = sqrt(t)\nz = x + y", false, ramp(600, -1, 1),
       true, true},
      {"one division by zero", "", "x = 1/t\ny = t", false, ramp(600, -3, 3, {{300, 0.0}}), true, true},
      {"every domain check", "",
       "x = ln(t) + log(t + 2)\ny = acos(t) + asin(t/2)\nz = sqrt(t + 1e-13)", false,
       ramp(520, 0.5, 1, {{3, -1.5}, {260, 1.5}, {515, -1e-13}}), true, true},
      {"sqrt at the edge of its check", "", "x = sqrt(t)", false, ramp(300, 0, 1, {{10, -1e-12}}), true, true},
      {"sqrt just inside it", "", "x = sqrt(t)", false, ramp(300, 0, 1, {{10, -1e-13}}), true, false},
      {"division at the edge of its check", "", "x = 1/t", false, ramp(300, 1, 2, {{10, 1e-24}, {200, -1e-24}}),
       true, false},
      {"division just past it", "", "x = 1/t", false, ramp(300, 1, 2, {{10, 9.9e-25}}), true, true},
      {"not finite", "", "x = t * 1e308 * 10\ny = 0 - x + x\nz = exp(t)", false,
       ramp(300, -800, 800, {{10, __builtin_nan("")}, {11, __builtin_inf()}}), true, false},
      {"assignment inside and comma", "", "x = 2 * (y = t)\nz = (y, 3)\ny = y + x, t", false, ramp(300, 0, 1), true,
       false},
      {"values fixed for the plot", "q = 3\nw = q^2", "x = sqrt(q + w) * t\ny = q / (w - 8)\nz = cos(pi*q)",
       false, ramp(300, 0, 1), true, false},
      {"read before its assignment", "", "x = y + t\ny = t", false, ramp(300, 0, 1), false, false},
      {"its own last value", "x = 0", "x = x + t", false, ramp(300, 0, 1), false, false},
      {"the step variable assigned", "", "t = t*2\nx = t", false, ramp(300, 0, 1), false, false},
      {"a variable without a value", "", "x = q + t", false, ramp(300, 0, 1), false, false},
      {"a keyword assigned", "", "x = t\nstep_size1 = t", false, ramp(300, 0, 1), false, false},
      {"a constant assigned", "", "x = t\npi = t", false, ramp(300, 0, 1), false, false},
      {"a value fixed for the plot that fails", "", "x = sqrt(0 - 1) + t", false, ramp(300, 0, 1), false, false},
      {"nothing assigned", "", "x = t\nt + 1", false, ramp(300, 0, 1), false, false},
  };
  for (const CurveCase& c : cases) {
    SCOPED_TRACE(c.name);
    reset_equation_tables();
    PlotSettings.use_degrees = c.degrees;
    PlotSettings.origin[0] = 1.5;
    set_angle_factors();
    const int t = row("t");
    Statement* head = read(c.setup, c.statements);
    block_check::Grid grid{t, -1, {find_variable("x"), find_variable("y"), find_variable("z")}, nullptr, 1,
                           c.steps.data(), static_cast<int>(c.steps.size())};
    bool blocks = false;
    int failed = 0;
    EXPECT_EQ(block_check::compare_grid(head, grid, &blocks, &failed), -1);
    EXPECT_EQ(blocks, c.blocks);
    EXPECT_EQ(failed > 0, c.some_failed);
    pool_release();
  }
}

TEST_F(Blocks, SurfacesComputeRowValuesOncePerRowAndAgree) {
  struct SurfaceCase {
    const char* name;
    const char* statements;
    std::vector<double> rows;
    bool some_failed;
  };
  const std::vector<SurfaceCase> cases = {
      {"torus", "x = (R + r*cos(v))*cos(t)\ny = (R + r*cos(v))*sin(t)\nz = r*sin(v)", ramp(7, 0, 6), false},
      {"a row value that fails", "x = sqrt(v) + t\ny = ln(v + 3) * t\nz = v", ramp(9, -2, 2), true},
      {"a step that fails in some rows", "x = 1/(t - v)\ny = t*v\nz = v", ramp(5, 0, 1), true},
  };
  for (const SurfaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    reset_equation_tables();
    const int t = row("t");
    const int v = row("v");
    Statement* head = read("R = 5\nr = 1", c.statements);
    const std::vector<double> steps = ramp(300, 0, 1);
    block_check::Grid grid{t, v, {find_variable("x"), find_variable("y"), find_variable("z")}, c.rows.data(),
                           static_cast<int>(c.rows.size()), steps.data(), static_cast<int>(steps.size())};
    bool blocks = false;
    int failed = 0;
    EXPECT_EQ(block_check::compare_grid(head, grid, &blocks, &failed), -1);
    EXPECT_TRUE(blocks);
    EXPECT_EQ(failed > 0, c.some_failed);
    pool_release();
  }
}

TEST_F(Blocks, RefusedForTheSameVariableTwiceAndForAConstantStepVariable) {
  const int t = row("t");
  Statement* head = read("", "x = t");
  const int points[3] = {find_variable("x"), -1, -1};
  EXPECT_TRUE(prepare_blocks(head, t, -1, points));
  EXPECT_FALSE(prepare_blocks(head, t, t, points));                   // one variable as both
  EXPECT_FALSE(prepare_blocks(head, find_variable("pi"), -1, points));  // set_variable would refuse it
  EXPECT_FALSE(prepare_blocks(head, -1, -1, points));
}

TEST_F(Blocks, ABlockLeavesTheVariablesAsTheLastStepTaken) {
  const int t = row("t");
  Statement* head = read("", "x = t*2\ny = x + 1");
  const int points[3] = {find_variable("x"), find_variable("y"), -1};
  ASSERT_TRUE(prepare_blocks(head, t, -1, points));
  double* values = block_step_values();
  for (int i = 0; i < 10; ++i) values[i] = i;
  ASSERT_TRUE(run_block(10));
  EXPECT_FALSE(defined("y"));  // nothing is written until a step is committed
  commit_block_step(3);        // as a stop before step 4 leaves them
  EXPECT_EQ(value("t"), 3.0);
  EXPECT_EQ(value("x"), 6.0);
  EXPECT_EQ(value("y"), 7.0);
  EXPECT_TRUE(defined("y"));
  double point[3] = {-1, -2, -3};
  block_point(9, point);
  EXPECT_EQ(point[0], 18.0);
  EXPECT_EQ(point[1], 19.0);
  EXPECT_EQ(point[2], -3.0);  // no z: the point keeps its value
  EXPECT_FALSE(run_block(0));
  EXPECT_FALSE(run_block(block_steps + 1));
}

// The fuzzer's cases from a fixed generator: random statement lists over grids with random failing
// steps. Enough of them must take blocks, and have blocks that fail, for the agreement to mean much.
TEST_F(Blocks, RandomStatementListsAgreeBitForBit) {
  std::mt19937 random(25);
  int taken = 0, with_failures = 0;
  for (int n = 0; n < 1000; ++n) {
    uint8_t bytes[48];
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    const uint32_t seed = static_cast<uint32_t>(random());
    const auto mode = static_cast<uint8_t>(random());
    reset_equation_tables();
    PlotSettings.use_degrees = (mode & 2) != 0;
    set_angle_factors();
    plan_check::set_state(seed);
    bool blocks = false;
    int failed = 0;
    ASSERT_EQ(block_check::compare_random_grid(seed, mode, bytes, sizeof bytes, &blocks, &failed), -1) << n;
    taken += blocks;
    with_failures += blocks && failed > 0;
    pool_release();
  }
  EXPECT_GT(taken, 150) << with_failures;
  EXPECT_GT(with_failures, 40) << taken;
}

}  // namespace
