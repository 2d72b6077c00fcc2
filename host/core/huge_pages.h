// Large arrays that are filled once from end to end (a million scene marks, say) cost a page fault
// for every 4 KiB they touch; in 2 MiB pages they cost one for every 2 MiB.
#pragma once
#include <cstddef>

namespace orv {

/// Asks the kernel to back the whole 2 MiB pages within [begin, begin + bytes) with huge pages when
/// they are first touched. Only a hint: it does nothing where the kernel has no such pages or the
/// range holds no whole one, and it never fails.
void prefer_huge_pages(const void* begin, std::size_t bytes);

}  // namespace orv
