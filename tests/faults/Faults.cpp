// Replacements of the allocation functions, of fread and fwrite, and of mmap and
// mprotect. The program exports them, so the library's objects and the loaded plug-in
// module use them too.
#include "Faults.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

Fault gFault = Fault::kAllocation;
int gCountdown = -1;  // -1: disarmed
bool gStruck = false;
bool gRefuseReservations = false;

const char* gSpared = nullptr;  // allocations made from within this library do not count

// Whether a frame of the calling stack lies in a library whose path holds gSpared.
bool FromSpared() {
  if (gSpared == nullptr) return false;
  void* frames[48];
  const int depth = backtrace(frames, 48);
  for (int i = 0; i < depth; ++i) {
    Dl_info info;
    if (dladdr(frames[i], &info) != 0 && info.dli_fname != nullptr && std::strstr(info.dli_fname, gSpared)) {
      return true;
    }
  }
  return false;
}

bool Strikes(Fault fault) {
  if (gCountdown < 0 || fault != gFault || FromSpared()) return false;
  if (gCountdown-- == 0) {
    gStruck = true;
    return true;
  }
  return false;
}

void* Allocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

using ReadWrite = size_t (*)(void*, size_t, size_t, FILE*);

ReadWrite Real(const char* name) { return reinterpret_cast<ReadWrite>(dlsym(RTLD_NEXT, name)); }

}  // namespace

void ArmFault(Fault fault, int n) {
  gFault = fault;
  gCountdown = n;
  gStruck = false;
}

void DisarmFaults() { gCountdown = -1; }
void SpareLibrary(const char* name) { gSpared = name; }

bool FaultStruck() { return gStruck; }

void RefuseReservations(bool refuse) { gRefuseReservations = refuse; }

void* operator new(std::size_t size) {
  void* p = Strikes(Fault::kAllocation) ? nullptr : Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Strikes(Fault::kArrayAllocation) ? nullptr : Allocate(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* fp) {
  static const auto real = reinterpret_cast<size_t (*)(const void*, size_t, size_t, FILE*)>(Real("fwrite"));
  if (Strikes(Fault::kWrite)) {
    return count == 0 ? 0 : real(data, size, count - 1, fp);
  }
  return real(data, size, count, fp);
}

extern "C" int fclose(FILE* fp) {
  static const auto real = reinterpret_cast<int (*)(FILE*)>(dlsym(RTLD_NEXT, "fclose"));
  const int closed = real(fp);
  if (Strikes(Fault::kClose)) {
    errno = EIO;
    return EOF;
  }
  return closed;
}

extern "C" size_t fread(void* data, size_t size, size_t count, FILE* fp) {
  static const ReadWrite real = Real("fread");
  if (Strikes(Fault::kRead)) {
    return count == 0 ? 0 : real(data, size, count - 1, fp);
  }
  return real(data, size, count, fp);
}

extern "C" void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  // Where off_t has been widened for a 32-bit system, callers reach mmap64.
  static const auto real = reinterpret_cast<void* (*)(void*, size_t, int, int, int, off_t)>(
      dlsym(RTLD_NEXT, sizeof(off_t) > sizeof(long) ? "mmap64" : "mmap"));
  if (gRefuseReservations && protection == PROT_NONE) {
    errno = ENOMEM;
    return MAP_FAILED;
  }
  return real(address, length, protection, flags, fd, offset);
}

extern "C" int mprotect(void* address, size_t length, int protection) {
  static const auto real = reinterpret_cast<int (*)(void*, size_t, int)>(dlsym(RTLD_NEXT, "mprotect"));
  if (Strikes(Fault::kCommit)) {
    errno = ENOMEM;
    return -1;
  }
  return real(address, length, protection);
}
