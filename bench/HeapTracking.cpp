#include "HeapTracking.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {

std::size_t gInUse = 0;
std::size_t gPeak = 0;

void* Track(void* p) {
  if (p != nullptr) {
    gInUse += malloc_usable_size(p);
    if (gInUse > gPeak) {
      gPeak = gInUse;
    }
  }
  return p;
}

void* Allocate(std::size_t size) { return Track(std::malloc(size == 0 ? 1 : size)); }

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  return Track(std::aligned_alloc(static_cast<std::size_t>(alignment), size == 0 ? 1 : size));
}

void Release(void* p) {
  if (p != nullptr) {
    gInUse -= malloc_usable_size(p);
    std::free(p);
  }
}

}  // namespace

std::size_t HeapInUse() { return gInUse; }

HeapPeak::HeapPeak() : base_(gInUse) { gPeak = gInUse; }

std::size_t HeapPeak::Peak() const { return gPeak - base_; }

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (void* p = AllocateAligned(size, alignment)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  if (void* p = AllocateAligned(size, alignment)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
