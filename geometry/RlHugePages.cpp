// Huge pages for large arrays, where Linux offers them.
#include "RlHugePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void RlAdviseHugePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (data == nullptr || last <= first) {
    return;  // no whole huge page inside
  }
  // Refusal (no huge pages configured, memory the hint does not apply to) changes nothing.
  static_cast<void>(madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE));
#else
  static_cast<void>(data);
  static_cast<void>(bytes);
#endif
}
