// Block evaluation: a plot's live statements run over a block of steps at once, one pass per
// operation, when no step depends on an earlier one: every variable a statement reads is a step
// variable, was assigned earlier in the same step, or keeps one value for the whole plot. Each
// element is computed by the very expressions the plan runner uses, so every value is bit for bit
// what a step-by-step run gives. A block never fails part way: when any of its steps would fail a
// check, the whole block is left to the step-by-step path, which gives the statuses, the partial
// assignments and the error hook's calls exactly as ever.
#pragma once
#include <cstdint>

#include "equation/program.h"

constexpr int block_steps = 256;            // steps one block holds
constexpr int max_block_columns = 512;      // columns of block_steps values: operands and results
constexpr int max_block_operations = 1024;  // computing operations of all statements together

/// Prepares the live statements from `head` for block runs and tells whether blocks apply: each has
/// a plan that runs here, assigns only ordinary variables, never a step variable, reads no variable
/// before the step assigns it (unless no statement assigns it: then it must have a value, fixed for
/// the plot), and the values fixed for the plot compute without a failure. `step_row` is the variable
/// the plotter sets at every step; `row_row` the one it sets once per row (-1 for a curve); the rows
/// of x, y and z (-1 when absent) are the point each step yields.
bool prepare_blocks(const Statement* head, int step_row, int row_row, const int point_rows[3]);

/// Where the plotter writes the step variable's values for the next block (block_steps of them).
double* block_step_values();

/// Computes, once, the values that depend only on the row variable, which now holds `value`. False
/// when one of them fails: the row's steps then take the step-by-step path.
bool start_block_row(double value);

/// Runs the next block of `count` (1..block_steps) steps from block_step_values(). False, with the
/// variable table untouched, when any step would fail a check or the row's values failed.
bool run_block(int count);

/// point = value + origin at step `i` of the last block, for each coordinate whose variable exists;
/// the others keep their value (as read_point does).
void block_point(int i, double point[3]);

/// Leaves every variable the statements assign, and the step variable, as a step-by-step run leaves
/// them after step `i` of the last block.
void commit_block_step(int i);
