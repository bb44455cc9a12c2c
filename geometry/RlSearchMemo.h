// Internal: where the last searches of the sorted vertex table first compared frames, so
// that a search for the same corner keys can start there.
//
// A search compares a corner with entries by position x (through its bounds), then by
// the rest of the keys (position y and z, normal, texture coordinate), and only when all
// keys tie by the summed frames. Until the next entry is inserted, the entries keep their
// ranks, and merging a corner into an entry changes only the entry's summed frames. So a
// corner whose keys equal, bit for bit, those of a corner searched since the last
// insertion takes the same path up to the first probe that compared frames: every earlier
// comparison saw the same keys and the same entries. From there on the search runs as
// usual, so its results are the ones a full search gives.
#ifndef RL_SEARCH_MEMO_H
#define RL_SEARCH_MEMO_H

#include <bit>
#include <cstdint>

#include "RlFileIO.h"
#include "RlSortIndex.h"

class RlSearchMemo {
 public:
  // A corner's keys as bits: position, normal and texture coordinate, packed two floats
  // to a word (position x and y in the first).
  struct Key {
    std::uint64_t words[4];
    bool operator==(const Key&) const = default;
  };

  static Key KeyOf(const RlRawTriangle& tri, int v) {
    // Each float's bits as they are (a NaN's payload too), two to a word. The words are
    // put together before they are stored, so that comparing them reads back whole
    // stores (reading across stores of other sizes stalls the processor).
    const auto pair = [](const float& low, const float& high) {
      return std::uint64_t{std::bit_cast<std::uint32_t>(low)} | std::uint64_t{std::bit_cast<std::uint32_t>(high)} << 32;
    };
    const RlRawPoint& position = tri.vert[v];
    const RlRawPoint& normal = tri.norm[v];
    const RlRawTexCoord& uv = tri.texCoord[v];
    return {{pair(position.v[0], position.v[1]), pair(position.v[2], normal.v[0]), pair(normal.v[1], normal.v[2]),
             pair(uv.uv[0], uv.uv[1])}};
  }

  // Where a search for key first compared frames, or null when none is remembered.
  const RlSearchState* Find(const Key& key) const {
    for (int k = 0; k < size_; ++k) {
      // Most corners differ from the others already in position x or y.
      if (remembered_[k].key.words[0] == key.words[0] && remembered_[k].key == key) {
        return &remembered_[k].state;
      }
    }
    return nullptr;
  }

  // Remembers where a search for key first compared frames; the oldest goes when full.
  void Remember(const Key& key, const RlSearchState& state) {
    if (size_ < kCapacity) {
      remembered_[size_++] = {key, state};
      return;
    }
    remembered_[next_] = {key, state};
    next_ = (next_ + 1) % kCapacity;
  }

  // To be called on every insertion: ranks move, so no path holds any more.
  void Forget() {
    size_ = 0;
    next_ = 0;
  }

 private:
  // A few corners are searched between insertions on a smooth mesh (about five).
  static constexpr int kCapacity = 8;
  struct Remembered {
    Key key;
    RlSearchState state;
  };
  Remembered remembered_[kCapacity];
  int size_ = 0;
  int next_ = 0;  // the one replaced next when full
};

#endif
