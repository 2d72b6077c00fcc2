// The statement pool: statements are never freed one by one, so storage is handed out from 5000-byte
// blocks end to end and released with one walk at the end of a run. Requests are rounded up to 8
// bytes so that the items (doubles) of every statement are aligned.
#include "equation/statement_pool.h"

#include <cstdlib>

PoolBlock* StatementPool = nullptr;

namespace {

int blocks_until_failure = 0;  // fault injection: 0 off, n > 0 fails the n-th next block

// Makes a new zero-filled block the current one; false when the heap (or the injected fault) says no.
bool obtain_block() {
  if (blocks_until_failure > 0 && --blocks_until_failure == 0) return false;
  PoolBlock* block = static_cast<PoolBlock*>(std::calloc(1, sizeof(PoolBlock)));
  if (block == nullptr) return false;
  block->cursor = block->data;
  block->remaining = pool_block_data;
  block->next = StatementPool;
  StatementPool = block;
  return true;
}

}  // namespace

void* pool_alloc(int16_t size) {
  if (size < 0 || size > pool_block_data) return nullptr;  // no block could ever serve it
  int16_t rounded = static_cast<int16_t>((size + 7) & ~7);
  if (StatementPool == nullptr && !obtain_block()) return nullptr;
  if (StatementPool->remaining < rounded && !obtain_block()) return nullptr;
  void* result = StatementPool->cursor;
  StatementPool->cursor += rounded;
  StatementPool->remaining = static_cast<int16_t>(StatementPool->remaining - rounded);
  return result;
}

void pool_release() {
  PoolBlock* block = StatementPool;
  while (block != nullptr) {
    PoolBlock* next = block->next;
    std::free(block);
    block = next;
  }
  StatementPool = nullptr;
}

void pool_fail_block(int n) { blocks_until_failure = n > 0 ? n : 0; }
