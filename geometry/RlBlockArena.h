// Internal: memory for a structure that grows one fixed-size block at a time and frees
// its blocks only all together.
//
// A fresh 4 KB page costs a fault when it is first touched, and on virtual machines a
// fault costs tens of microseconds: more than filling the page. A structure that stays
// small takes its blocks one by one from the heap, so it holds no more than it uses.
// Once its blocks add up to kLooseBytes, further blocks are carved out of chunks of one
// huge page each (2 MB, aligned to it), which cost one fault for what 512 small pages
// would. The last chunk may be partly unused: at most one chunk beyond the blocks.
#ifndef RL_BLOCK_ARENA_H
#define RL_BLOCK_ARENA_H

#include <cassert>
#include <cstddef>
#include <vector>

class RlBlockArena {
 public:
  static constexpr std::size_t kLooseBytes = std::size_t{4} << 20;
  static constexpr std::size_t kChunkBytes = std::size_t{2} << 20;

  // Blocks of blockBytes each: a multiple of alignof(std::max_align_t), from that up to
  // kChunkBytes. Without hugePages, chunks are not advised to take huge pages.
  explicit RlBlockArena(std::size_t blockBytes, bool hugePages = true)
      : blockBytes_(blockBytes), hugePages_(hugePages) {
    assert(blockBytes > 0 && blockBytes % alignof(std::max_align_t) == 0 &&
           blockBytes <= kChunkBytes);
  }
  ~RlBlockArena();
  RlBlockArena(const RlBlockArena&) = delete;
  RlBlockArena& operator=(const RlBlockArena&) = delete;

  // A new block of blockBytes, uninitialised, aligned for any fundamental type. It stays
  // valid until the arena goes, which frees it. Throws std::bad_alloc when memory runs
  // out; the arena then stays as it was.
  void* Allocate();

 private:
  std::size_t blockBytes_;
  bool hugePages_;
  std::size_t looseBytes_ = 0;
  std::vector<void*> loose_;
  std::vector<void*> chunks_;
  std::size_t chunkUsed_ = kChunkBytes;  // bytes handed out of the last chunk
};

#endif
