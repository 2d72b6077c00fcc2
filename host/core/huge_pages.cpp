#include "core/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace orv {

void prefer_huge_pages(const void* begin, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t{1} << 21;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(begin) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(begin) + bytes) & ~(kHugePage - 1);
  if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)bytes;
#endif
}

}  // namespace orv
