// Differential fuzzer of evaluation plans: random lines (or raw item lists the compiler would never
// make) and random variable states, run by the reduction, by `evaluate` and by a stored statement's
// plan, twice in a row; any difference in status, variables or keyword rows is a crash. In its third
// mode a random list of statements runs over a grid of steps, with values that make random steps
// fail, by the reduction and by blocks as the plotters run them; any difference at any step is a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "equation/block_differential.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/operators.h"
#include "equation/plan_differential.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

constexpr size_t header_size = 5;  // four bytes of variable state, one of mode and angle unit
constexpr size_t raw_item_size = 3;

int16_t small(uint8_t byte, int low, int span) { return static_cast<int16_t>(low + byte % span); }

// Items straight from bytes, with indexes and priorities a little outside what the compiler makes.
int16_t raw_items(const uint8_t* data, size_t size, ProgramItem* items) {
  int16_t count = 0;
  for (size_t i = 0; i + raw_item_size <= size && count < max_items; i += raw_item_size) {
    ProgramItem& item = items[count++];
    const uint8_t* b = data + i;
    switch (b[0] % 5) {
      case 0: item = {ItemKind::Consumed, -1, -1, 0.0}; break;
      case 1:
        item = {ItemKind::Number, -1, -1,
                plan_check::interesting_values[b[1] % plan_check::interesting_count]};
        break;
      case 2: item = {ItemKind::Variable, small(b[1], -1, VariableTable.count + 2), 0, 0.0}; break;
      case 3: item = {ItemKind::Operator, small(b[1], -1, op_end + 2), small(b[2], -12, 40), 0.0}; break;
      default: item = {ItemKind::Keyword, small(b[1], -1, keyword_count + 2), 0, 0.0}; break;
    }
  }
  return count;
}

// Step values: a ramp from an interesting value, with every `every`-th step an interesting value
// instead (zeros, negatives, infinities and NaN make random steps fail, or not).
void step_values(uint32_t seed, int count, double* out) {
  using plan_check::interesting_count;
  using plan_check::interesting_values;
  const double low = interesting_values[seed % interesting_count];
  const double width = std::isfinite(low) && std::fabs(low) < 1e6 ? 0.01 * static_cast<int>((seed >> 4) % 200) : 1.0;
  const int every = 1 + static_cast<int>((seed >> 12) % 300);
  for (int k = 0; k < count; ++k) {
    out[k] = k % every == every - 1 ? interesting_values[(seed + static_cast<uint32_t>(k)) % interesting_count]
                                    : (std::isfinite(low) ? low : 0.5) + width * k;
  }
}

// Up to four statements from the bytes, a grid of up to 2 rows of up to 520 steps (just over two
// blocks) stepping u (and a once per row), compared step by step.
int compare_statement_grid(uint32_t seed, uint8_t mode, const uint8_t* data, size_t size) {
  constexpr int max_grid_steps = 2 * block_steps + 8;
  const int statements = 1 + (mode >> 3) % 4;
  const size_t chunk = size / static_cast<size_t>(statements);
  if (chunk == 0) return 0;
  Statement* head = nullptr;
  Statement** tail = &head;
  for (int i = 0; i < statements; ++i) {
    const std::string line = plan_check::line_from_bytes(data + chunk * static_cast<size_t>(i), chunk, 24);
    ProgramItem items[max_items];
    int16_t count = 0;
    if (plan_check::compile_text(line.c_str(), items, &count) != status_ok) continue;
    Statement* statement = make_statement(line.c_str(), count, items);
    if (statement == nullptr) __builtin_trap();
    *tail = statement;
    tail = &statement->next;
  }
  static double steps[max_grid_steps];
  const int step_count = 1 + static_cast<int>((seed >> 21) % max_grid_steps);
  step_values(seed, step_count, steps);
  const double rows[2] = {plan_check::interesting_values[(seed >> 3) % plan_check::interesting_count], 0.25};
  const bool grid_of_rows = (mode & 32) != 0;
  block_check::Grid grid{find_variable("u"), grid_of_rows ? find_variable("a") : -1,
                         {find_variable("x"), find_variable("y"), find_variable("b")}, rows, grid_of_rows ? 2 : 1,
                         steps, step_count};
  bool blocks = false;
  int failed_blocks = 0;
  if (block_check::compare_grid(head, grid, &blocks, &failed_blocks) != -1) __builtin_trap();
  pool_release();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < header_size) return 0;
  uint32_t seed = 0;
  std::memcpy(&seed, data, sizeof seed);
  uint8_t mode = data[4];
  data += header_size;
  size -= header_size;

  reset_equation_tables();
  PlotSettings.use_degrees = (mode & 2) != 0;
  set_angle_factors();
  plan_check::set_state(seed);

  if (mode & 4) return compare_statement_grid(seed, mode, data, size);

  ProgramItem items[max_items];
  int16_t count = 0;
  std::string line = "raw";
  if (mode & 1) {
    count = raw_items(data, size, items);
  } else {
    line = plan_check::line_from_bytes(data, size, max_tokens);
    if (plan_check::compile_text(line.c_str(), items, &count) != status_ok) return 0;
  }
  Statement* statement = make_statement(line.c_str(), count, items);
  if (statement == nullptr) __builtin_trap();
  static plan_check::Outcome reference;
  for (int run = 0; run < 2; ++run) {  // the second run starts from the state the first left
    if (plan_check::compare_paths(items, count, statement, &reference) != 0) __builtin_trap();
  }
  pool_release();
  return 0;
}
