#include "wertedatei/largepages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace wertedatei {

void AdviseLargePages(const void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  if (data == nullptr || bytes < 2 * kLargePage) return;
  // Only the whole large pages inside the block: the memory around it may
  // belong to other allocations.
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
  if (end > first)
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // a hint: errors do not matter
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace wertedatei
