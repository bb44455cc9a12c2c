// Peak heap use of a stretch of code, measured by this program's replacement of the
// global allocation functions (which the library, Assimp and meshoptimizer all use).
#ifndef BENCH_HEAP_TRACKING_H
#define BENCH_HEAP_TRACKING_H

#include <cstddef>

// Bytes allocated through operator new and not yet released.
std::size_t HeapInUse();

// Measures from construction: Peak() is the most heap in use above the starting level.
class HeapPeak {
 public:
  HeapPeak();
  std::size_t Peak() const;

 private:
  std::size_t base_;
};

#endif
