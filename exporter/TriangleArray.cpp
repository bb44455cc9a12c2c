#include "TriangleArray.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "AddressSpace.h"
#include "RLFExport.h"

namespace {

constexpr std::size_t kRecord = sizeof(RlRawTriangle);

// The first capacity: space for the largest array, where the system offers it, so that
// each growth makes more of it usable in place instead of copying the whole array.
bool Allocate(RlRawTriangle** list, bool* reserved) {
  void* space = ReserveAddressSpace(RL_RESERVED_TRIANGLES * kRecord);
  if (space != nullptr) {
    if (!CommitAddressSpace(space, 0, RL_MAX_NUM_TRIANGLES * kRecord)) {
      ReleaseAddressSpace(space, RL_RESERVED_TRIANGLES * kRecord);
      return false;
    }
    *list = static_cast<RlRawTriangle*>(space);
    *reserved = true;
    return true;
  }
  *list = new (std::nothrow) RlRawTriangle[RL_MAX_NUM_TRIANGLES];
  *reserved = false;
  return *list != nullptr;
}

}  // namespace

bool GrowTriangleArray(RlRawTriangle** list, int* capacity, bool* reserved) {
  if (*list == nullptr) {
    if (!Allocate(list, reserved)) return false;
    *capacity = RL_MAX_NUM_TRIANGLES;
    return true;
  }
  // Grow by a fixed step.
  if (*capacity > INT32_MAX - RL_MAX_NUM_TRIANGLES) return false;
  const int grown = *capacity + RL_MAX_NUM_TRIANGLES;
  if (*reserved) {
    if (!CommitAddressSpace(*list, static_cast<std::size_t>(*capacity) * kRecord,
                            static_cast<std::size_t>(grown) * kRecord)) {
      return false;
    }
  } else {
    // Copying the whole old array.
    RlRawTriangle* larger = new (std::nothrow) RlRawTriangle[grown];
    if (larger == nullptr) return false;
    std::memcpy(larger, *list, static_cast<std::size_t>(*capacity) * kRecord);
    delete[] * list;
    *list = larger;
  }
  *capacity = grown;
  return true;
}

void ReleaseTriangleArray(RlRawTriangle* list, bool reserved) {
  if (reserved) {
    ReleaseAddressSpace(list, RL_RESERVED_TRIANGLES * kRecord);
  } else {
    delete[] list;
  }
}
