// The statement pool: a block allocator for every stored statement, released as a whole at the end
// of a run. Requests are rounded up to 8 bytes so that doubles in a statement are aligned.
#pragma once
#include <cstdint>
#include "equation/limits.h"

struct PoolBlock {
  char* cursor;       // first free byte of the data
  int16_t remaining;  // data bytes still free
  PoolBlock* next;    // the block that was current before this one
  alignas(8) char data[pool_block_data];
};
extern PoolBlock* StatementPool;  // the current block; null while the pool is empty

/// `size` bytes (rounded up to a multiple of 8) from the current block, or null when no block can be had.
void* pool_alloc(int16_t size);
/// Frees every block and empties the pool.
void pool_release();

/// Fault injection for tests: the n-th block obtained from now on fails (1: the next); 0 turns it off.
void pool_fail_block(int n);
