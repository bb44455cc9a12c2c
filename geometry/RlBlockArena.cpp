// Blocks one by one while few, then out of huge-page chunks.
#include "RlBlockArena.h"

#include <new>

#include "RlHugePages.h"

namespace {
constexpr std::align_val_t kChunkAlignment{RlBlockArena::kChunkBytes};
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
  // Room in the lists first, so that nothing is left unowned when memory runs out.
  if (looseBytes_ < kLooseBytes) {
    loose_.push_back(nullptr);
    try {
      loose_.back() = ::operator new(blockBytes_);
    } catch (...) {
      loose_.pop_back();
      throw;
    }
    looseBytes_ += blockBytes_;
    return loose_.back();
  }
  if (kChunkBytes - chunkUsed_ < blockBytes_) {
    chunks_.push_back(nullptr);
    try {
      chunks_.back() = ::operator new(kChunkBytes, kChunkAlignment);
    } catch (...) {
      chunks_.pop_back();
      throw;
    }
    RlAdviseHugePages(chunks_.back(), kChunkBytes);
    chunkUsed_ = 0;
  }
  void* block = static_cast<unsigned char*>(chunks_.back()) + chunkUsed_;
  chunkUsed_ += blockBytes_;
  return block;
}
