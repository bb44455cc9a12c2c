// The corner feed of the blocked welding road.
#include "RlCornerFeed.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "RlTangentSpace.h"

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

std::atomic<int> gWeldThreads{2};

}  // namespace

void RlSetWeldThreads(int threads) { gWeldThreads.store(std::clamp(threads, 1, 2), std::memory_order_relaxed); }

int RlWeldThreads() { return gWeldThreads.load(std::memory_order_relaxed); }

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

// How far beyond the welder's reach the helper maps: 4 MB, so that a page is mapped well
// before the welder gets to it.
constexpr std::size_t kMapAhead = std::size_t{4} << 20;

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

// Maps the whole pages of [start, start + bytes) from *mapped (the end of what is mapped
// already) up to start + reach bytes; false where the system does not offer that.
bool MapUpTo(unsigned char* start, std::size_t bytes, std::size_t reach, std::uintptr_t* mapped) {
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t from = std::max(*mapped, PageAbove(begin));
  const std::uintptr_t to = PageBelow(begin + std::min(bytes, reach));
  if (from >= to) {
    return true;
  }
  if (!MapPages(from, to)) {
    return false;
  }
  *mapped = to;
  return true;
}

}  // namespace

RlCornerFeed::RlCornerFeed(int numTris, const RlRawTriangle* tris, unsigned char* result, std::size_t bytesPerTriangle,
                           unsigned char* entries, std::size_t bytesPerEntry, const RlWeldLayers& layers)
    : numTris_(numTris),
      tris_(tris),
      result_(result),
      bytesPerTriangle_(bytesPerTriangle),
      entries_(entries),
      bytesPerEntry_(bytesPerEntry),
      mapping_(layers.mapAhead) {
  if (!layers.helperThread || RlWeldThreads() < 2 || numTris < kThreadMinTriangles ||
      std::thread::hardware_concurrency() < 2) {
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
    stop_.store(true);
    WakeSleeper();  // the helper may be asleep until the welder moves on
    helper_.join();
  }
}

void RlCornerFeed::Work() {
  while (!stop_.load()) {
    int batch = next_.load(std::memory_order_acquire);
    if (batch >= (numTris_ + kBatch - 1) / kBatch) {
      return;  // every batch is claimed
    }
    // The batch's slot is free once the welder is done with the batch kSlots before.
    // With the ring full, map ahead and sleep until half of it is free again: waking
    // costs the welder a system call, paid once for kSlots / 2 batches.
    if (batch - consumed_.load() >= kSlots) {
      MapAhead();
      SleepUntil([&] { return stop_.load() || HalfFree(); });
      continue;
    }
    if (!next_.compare_exchange_strong(batch, batch + 1, std::memory_order_acq_rel)) {
      continue;  // the welder took it
    }
    RlCornerData* slot = &ring_[static_cast<std::size_t>((batch % kSlots) * kBatch)];
    const int first = batch * kBatch;
    const int last = std::min(numTris_, first + kBatch);
    for (int i = first; i < last; ++i) {
      RlComputeCornerData(tris_[i], &slot[i - first]);
    }
    filled_[batch % kSlots].store(batch + 1);
    WakeSleeper();
    MapAhead();
  }
}

void RlCornerFeed::MapAhead() {
  if (!mapping_) {
    return;
  }
  // Until the helper looks again, the welder gets no further than a few batches beyond
  // the one it is on (it claims them one at a time), and appends at most three entries
  // per triangle of them.
  const auto reachTris = static_cast<std::size_t>((consumed_.load(std::memory_order_relaxed) + kSlots + 1) * kBatch);
  const auto made = static_cast<std::size_t>(made_.load(std::memory_order_relaxed));
  const auto triangles = static_cast<std::size_t>(numTris_);
  mapping_ = (result_ == nullptr || MapUpTo(result_, triangles * bytesPerTriangle_,
                                            reachTris * bytesPerTriangle_ + kMapAhead, &resultMapped_)) &&
             (entries_ == nullptr ||
              MapUpTo(entries_, 3 * triangles * bytesPerEntry_,
                      (made + 3 * std::size_t{kBatch} * (kSlots + 1)) * bytesPerEntry_ + kMapAhead, &entriesMapped_));
}

// The stores a sleeper waits for, and its count, are sequentially consistent: either the
// sleeper, counted, sees the store and does not sleep, or the waker sees it counted and
// wakes it under the mutex, which the sleeper holds from counting itself until it sleeps.
template <typename Ready>
void RlCornerFeed::SleepUntil(Ready ready) {
  std::unique_lock lock(mutex_);
  sleepers_.fetch_add(1);
  wake_.wait(lock, ready);
  sleepers_.fetch_sub(1);
}

void RlCornerFeed::WakeSleeper() {
  if (sleepers_.load() > 0) {
    const std::lock_guard lock(mutex_);
    wake_.notify_all();
  }
}

bool RlCornerFeed::FromHelper(int batch) {
  int unclaimed = batch;
  if (next_.compare_exchange_strong(unclaimed, batch + 1, std::memory_order_acq_rel)) {
    return false;
  }
  // The helper has it, and is filling it: sleep until it is filled.
  const std::atomic<int>& filled = filled_[batch % kSlots];
  if (filled.load() != batch + 1) {
    SleepUntil([&] { return filled.load() == batch + 1; });
  }
  return true;
}

const RlCornerData& RlCornerFeed::Triangle(int i, int entriesMade) {
  if (i % kBatch == 0 && helper_.joinable()) {
    const int batch = i / kBatch;
    made_.store(entriesMade, std::memory_order_relaxed);
    consumed_.store(batch);  // done with every earlier batch
    if (HalfFree()) {
      WakeSleeper();
    }
    inPlace_ = !FromHelper(batch);
  }
  if (inPlace_) {
    RlComputeCornerData(tris_[i], &own_);
    return own_;
  }
  return ring_[static_cast<std::size_t>((i / kBatch % kSlots) * kBatch + i % kBatch)];
}
