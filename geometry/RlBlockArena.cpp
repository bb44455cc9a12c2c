// Blocks one by one while few, then out of huge-page chunks.
#include "RlBlockArena.h"

#include <new>

#include "RlHugePages.h"

namespace {

constexpr std::align_val_t kChunkAlignment{RlBlockArena::kChunkBytes};

// Appends to owned what allocate() returns, and returns it. Room is made in the list
// first, so that nothing is left unowned when memory runs out; owned then stays as it was.
template <typename Allocate>
void* Own(std::vector<void*>& owned, Allocate allocate) {
  owned.push_back(nullptr);
  try {
    owned.back() = allocate();
  } catch (...) {
    owned.pop_back();
    throw;
  }
  return owned.back();
}

}  // namespace

RlBlockArena::~RlBlockArena() {
  for (void* block : loose_) {
    ::operator delete(block);
  }
  for (void* chunk : chunks_) {
    ::operator delete(chunk, kChunkAlignment);
  }
}

void* RlBlockArena::Allocate() {
  if (looseBytes_ < kLooseBytes) {
    void* block = Own(loose_, [&] { return ::operator new(blockBytes_); });
    looseBytes_ += blockBytes_;
    return block;
  }
  if (kChunkBytes - chunkUsed_ < blockBytes_) {
    void* chunk = Own(chunks_, [] { return ::operator new(kChunkBytes, kChunkAlignment); });
    if (hugePages_) {
      RlAdviseHugePages(chunk, kChunkBytes);
    }
    chunkUsed_ = 0;
  }
  void* block = static_cast<unsigned char*>(chunks_.back()) + chunkUsed_;
  chunkUsed_ += blockBytes_;
  return block;
}
