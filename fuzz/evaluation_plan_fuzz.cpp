// Differential fuzzer of evaluation plans: random lines (or raw item lists the compiler would never
// make) and random variable states, run by the reduction, by `evaluate` and by a stored statement's
// plan, twice in a row; any difference in status, variables or keyword rows is a crash. In its third
// mode a random list of statements runs over a grid of steps, with values that make random steps
// fail, by the reduction and by blocks as the plotters run them; any difference at any step is a crash.
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

  if (mode & 4) {
    bool blocks = false;
    int failed_blocks = 0;
    if (block_check::compare_random_grid(seed, mode, data, size, &blocks, &failed_blocks) != -1) __builtin_trap();
    pool_release();
    return 0;
  }

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
