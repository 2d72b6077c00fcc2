// Variable table, reset and statement pool: rows, limits, constants, block boundaries.
#include "equation/variables.h"

#include <cstdint>
#include <string>

#include "equation/language_test_support.h"

namespace {

using Variables = LanguageTest;
using Pool = LanguageTest;

TEST_F(Variables, ResetLeavesOnlyTheConstants) {
  int16_t row;
  ASSERT_EQ(add_variable("t", &row), 0);
  KeywordTable[kw_geometry].is_set = 1;
  KeywordTable[kw_geometry].index = 7;
  KeywordTable[kw_step_size1].number = 3.0;
  reset_equation_tables();
  EXPECT_EQ(VariableTable.count, 2);
  EXPECT_EQ(find_variable("pi"), 0);
  EXPECT_EQ(find_variable("e"), 1);
  EXPECT_EQ(find_variable("t"), -1);
  double v = 0.0;
  EXPECT_EQ(get_variable(0, &v), 0);
  EXPECT_EQ(v, 3.141592653589793);
  EXPECT_EQ(get_variable(1, &v), 0);
  EXPECT_EQ(v, 2.718281828459045);
  EXPECT_EQ(VariableTable.rows[0].constant, 1);
  EXPECT_EQ(VariableTable.rows[1].defined, 1);
  for (int k = 0; k < keyword_count; ++k) {
    EXPECT_EQ(KeywordTable[k].is_set, 0);
    EXPECT_EQ(KeywordTable[k].index, -1);
    EXPECT_EQ(KeywordTable[k].number, 0.0);
  }
  EXPECT_STREQ(KeywordTable[kw_geometry].name, "geometry");  // fixed fields untouched
  EXPECT_EQ(KeywordTable[kw_geometry].settable, 1);
}

TEST_F(Variables, SetAndGetCheckRowsAndConstants) {
  int16_t row = 0;
  ASSERT_EQ(add_variable("t", &row), 0);
  EXPECT_EQ(row, 2);
  double v = 9.0;
  EXPECT_EQ(get_variable(row, &v), status_no_value);
  EXPECT_EQ(v, 9.0);
  EXPECT_EQ(VariableTable.rows[row].value, 0.0);
  EXPECT_EQ(set_variable(row, 2.5), 0);
  EXPECT_EQ(get_variable(row, &v), 0);
  EXPECT_EQ(v, 2.5);

  EXPECT_EQ(set_variable(0, 1.0), status_constant);
  EXPECT_EQ(set_variable(1, 1.0), status_constant);
  EXPECT_EQ(VariableTable.rows[0].value, pi_value);
  for (int16_t bad : {int16_t(-1), int16_t(3), int16_t(199), int16_t(-32768)}) {
    EXPECT_EQ(set_variable(bad, 1.0), status_row_out_of_range) << bad;
    EXPECT_EQ(get_variable(bad, &v), status_row_out_of_range) << bad;
  }
}

TEST_F(Variables, NamesAndCapacity) {
  int16_t row = 0;
  std::string name31(31, 'a');
  EXPECT_EQ(add_variable(name31.c_str(), &row), 0);
  EXPECT_EQ(VariableTable.rows[row].name, name31);
  EXPECT_EQ(add_variable(std::string(32, 'b').c_str(), &row), status_name_too_long);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(add_variable(std::string(1000, 'b').c_str(), &row), status_name_too_long);

  int16_t first = 0, second = 0;  // no search for an existing row
  ASSERT_EQ(add_variable("dup", &first), 0);
  ASSERT_EQ(add_variable("dup", &second), 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(find_variable("dup"), first);
  EXPECT_EQ(find_variable("Dup"), -1);

  while (VariableTable.count < max_variables - 1) ASSERT_EQ(add_variable("f", &row), 0);
  EXPECT_EQ(add_variable("last", &row), 0);  // row 199, the 198th free row
  EXPECT_EQ(row, max_variables - 1);
  EXPECT_EQ(add_variable("more", &row), status_table_full);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(VariableTable.count, max_variables);
  define_constant("k", 1.0);  // fails silently
  EXPECT_EQ(VariableTable.count, max_variables);
}

TEST_F(Pool, RequestsAreAlignedAndLaidEndToEnd) {
  EXPECT_EQ(StatementPool, nullptr);
  char* a = static_cast<char*>(pool_alloc(3));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
  char* b = static_cast<char*>(pool_alloc(16));
  EXPECT_EQ(b, a + 8);  // 3 rounded up to 8
  EXPECT_EQ(StatementPool->remaining, pool_block_data - 24);
  EXPECT_EQ(a[0], 0);   // blocks come zero-filled
  EXPECT_NE(pool_alloc(0), nullptr);
  EXPECT_EQ(StatementPool->remaining, pool_block_data - 24);
}

TEST_F(Pool, BlockBoundary) {
  ASSERT_NE(pool_alloc(8), nullptr);
  PoolBlock* first = StatementPool;
  // Exactly the rest is served from the current block.
  ASSERT_NE(pool_alloc(static_cast<int16_t>(pool_block_data - 8)), nullptr);
  EXPECT_EQ(StatementPool, first);
  EXPECT_EQ(StatementPool->remaining, 0);
  // Anything more starts a new block that links back to the old one.
  ASSERT_NE(pool_alloc(1), nullptr);
  EXPECT_NE(StatementPool, first);
  EXPECT_EQ(StatementPool->next, first);

  pool_release();
  EXPECT_EQ(StatementPool, nullptr);
  ASSERT_NE(pool_alloc(static_cast<int16_t>(pool_block_data - 16)), nullptr);
  PoolBlock* block = StatementPool;
  ASSERT_NE(pool_alloc(16), nullptr);  // fills it
  EXPECT_EQ(StatementPool, block);
  ASSERT_NE(pool_alloc(9), nullptr);   // a new block
  EXPECT_NE(StatementPool, block);

}

TEST_F(Pool, OversizedRequestsAndFailedBlocksReturnNull) {
  EXPECT_EQ(pool_alloc(static_cast<int16_t>(pool_block_data + 1)), nullptr);
  EXPECT_EQ(pool_alloc(-8), nullptr);
  EXPECT_EQ(StatementPool, nullptr);
  EXPECT_NE(pool_alloc(static_cast<int16_t>(pool_block_data)), nullptr);

  pool_fail_block(1);
  EXPECT_EQ(pool_alloc(8), nullptr);    // needs a new block, which fails
  EXPECT_NE(pool_alloc(8), nullptr);    // the fault was a single one
  pool_release();
  pool_fail_block(2);
  EXPECT_NE(pool_alloc(8), nullptr);    // first block fine
  EXPECT_NE(pool_alloc(4992), nullptr); // still the first block
  EXPECT_EQ(pool_alloc(8), nullptr);    // second block refused
  pool_release();                       // a release on an empty pool, twice, is harmless
  pool_release();
  EXPECT_EQ(StatementPool, nullptr);
}

}  // namespace
