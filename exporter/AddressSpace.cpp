#include "AddressSpace.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace {

std::size_t PageRounded(std::size_t bytes) {
  static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

}  // namespace

void* ReserveAddressSpace(std::size_t bytes) {
  if (sizeof(void*) < 8) {
    return nullptr;  // a 32-bit address space has no room to spare
  }
  void* base = mmap(nullptr, PageRounded(bytes), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) {
    return nullptr;
  }
  return base;
}

bool CommitAddressSpace(void* base, std::size_t from, std::size_t to) {
  const std::size_t start = PageRounded(from), end = PageRounded(to);
  if (end <= start) {
    return true;
  }
  char* const first = static_cast<char*>(base) + start;
  if (mprotect(first, end - start, PROT_READ | PROT_WRITE) != 0) {
    return false;
  }
#ifdef MADV_POPULATE_WRITE
  // The step is about to be filled: mapping its pages in one call costs about half of
  // taking a fault on each (on a kernel without it, the faults come as it is filled).
  madvise(first, end - start, MADV_POPULATE_WRITE);
#endif
  return true;
}

void ReleaseAddressSpace(void* base, std::size_t bytes) { munmap(base, PageRounded(bytes)); }
