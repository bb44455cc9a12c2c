// The corner feed of the blocked welding road.
#include "RlCornerFeed.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void RlComputeCornerData(const RlRawTriangle& tri, RlCornerData* data) {
  RlCornerFramesD(&tri, data->tangent, data->binormal);
  for (int j = 0; j < 3; ++j) {
    for (int k = 0; k < 3; ++k) {
      data->unitTangent[j][k] = data->tangent[j][k];
      data->unitBinormal[j][k] = data->binormal[j][k];
    }
    NormalizeD(data->unitTangent[j]);
    NormalizeD(data->unitBinormal[j]);
    data->boundsX[j] = RlBoundsOf(tri.vert[j].x, VEK_VERT_TINY);
  }
}

namespace {

// The helper's entry: a type of this file alone, so that the thread's internals made for
// it stay out of the library's exported symbols.
struct Helper {
  RlCornerFeed* feed;
  void operator()() const { feed->Work(); }
};

constexpr std::uintptr_t kPage = 4096;
std::uintptr_t PageAbove(std::uintptr_t address) { return (address + kPage - 1) & ~(kPage - 1); }
std::uintptr_t PageBelow(std::uintptr_t address) { return address & ~(kPage - 1); }

// Maps the pages from first to last (page boundaries, first < last) in one call, leaving
// their contents as they are; false where the system does not offer that.
bool MapPages(std::uintptr_t first, std::uintptr_t last) {
#if defined(MADV_POPULATE_WRITE)
  return madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE) == 0;
#else
  static_cast<void>(first);
  static_cast<void>(last);
  return false;
#endif
}

}  // namespace

RlCornerFeed::RlCornerFeed(int numTris, const RlRawTriangle* tris, unsigned char* result,
                           std::size_t bytesPerTriangle, unsigned char* entries,
                           std::size_t bytesPerEntry)
    : numTris_(numTris),
      tris_(tris),
      result_(result),
      bytesPerTriangle_(bytesPerTriangle),
      entries_(entries),
      bytesPerEntry_(bytesPerEntry) {
  if (numTris < kThreadMinTriangles || std::thread::hardware_concurrency() < 2) {
    return;
  }
  ring_ = std::make_unique_for_overwrite<RlCornerData[]>(kSlots * kBatch);
  try {
    helper_ = std::thread(Helper{this});
  } catch (const std::system_error&) {
    ring_.reset();  // no thread: the welder computes in place
  }
}

RlCornerFeed::~RlCornerFeed() {
  if (helper_.joinable()) {
    stop_.store(true, std::memory_order_relaxed);
    helper_.join();
  }
}

void RlCornerFeed::Work() {
  for (int batch = 0; batch * kBatch < numTris_; ++batch) {
    // Wait for the slot: the welder must be done with the batch kSlots before.
    while (batch - consumed_.load(std::memory_order_acquire) >= kSlots) {
      if (stop_.load(std::memory_order_relaxed)) {
        return;
      }
      std::this_thread::yield();
    }
    RlCornerData* slot = &ring_[static_cast<std::size_t>((batch % kSlots) * kBatch)];
    const int first = batch * kBatch;
    const int last = std::min(numTris_, first + kBatch);
    for (int i = first; i < last; ++i) {
      RlComputeCornerData(tris_[i], &slot[i - first]);
    }
    TouchResult(first, last);
    MapEntries();
    produced_.store(batch + 1, std::memory_order_release);
  }
}

void RlCornerFeed::TouchResult(int first, int last) const {
  if (result_ == nullptr) {
    return;
  }
  // Pages shared with a neighbouring batch are left alone: the welder may be writing
  // into the one before.
  const auto begin = reinterpret_cast<std::uintptr_t>(result_) +
                     static_cast<std::uintptr_t>(first) * bytesPerTriangle_;
  const auto end = reinterpret_cast<std::uintptr_t>(result_) +
                   static_cast<std::uintptr_t>(last) * bytesPerTriangle_;
  const std::uintptr_t pagesBegin = PageAbove(begin);
  const std::uintptr_t pagesEnd = PageBelow(end);
  // Where one call cannot map them, each page gets a write.
  if (pagesBegin >= pagesEnd || MapPages(pagesBegin, pagesEnd)) {
    return;
  }
  for (std::uintptr_t page = pagesBegin; page < pagesEnd; page += kPage) {
    result_[page - reinterpret_cast<std::uintptr_t>(result_)] = 0;
  }
}

void RlCornerFeed::MapEntries() {
  if (entries_ == nullptr) {
    return;
  }
  // The welder appends at most three entries per triangle, and is at most kSlots batches
  // behind: map as far as it can reach before the next batch is handed over. Mapping
  // leaves contents as they are, so it may meet the welder's writes; pages are only
  // mapped wholly inside the array.
  const auto start = reinterpret_cast<std::uintptr_t>(entries_);
  const auto capacity = 3 * static_cast<std::size_t>(numTris_);
  const auto made = static_cast<std::size_t>(made_.load(std::memory_order_relaxed));
  const std::size_t reach = std::min(capacity, made + 3 * std::size_t{kBatch} * (kSlots + 1));
  const std::uintptr_t from = std::max(entriesMapped_, PageAbove(start));
  const std::uintptr_t to = PageBelow(start + reach * bytesPerEntry_);
  if (from >= to) {
    return;
  }
  if (MapPages(from, to)) {
    entriesMapped_ = to;
    return;
  }
  entries_ = nullptr;  // mapping is not offered here: the welder takes its own page faults
}

const RlCornerData& RlCornerFeed::Triangle(int i, int entriesMade) {
  if (!helper_.joinable()) {
    RlComputeCornerData(tris_[i], &own_);
    return own_;
  }
  const int batch = i / kBatch;
  if (i % kBatch == 0) {
    made_.store(entriesMade, std::memory_order_relaxed);
    consumed_.store(batch, std::memory_order_release);  // done with every earlier batch
  }
  while (produced_.load(std::memory_order_acquire) <= batch) {
    std::this_thread::yield();
  }
  return ring_[static_cast<std::size_t>((batch % kSlots) * kBatch + i % kBatch)];
}
