// The compact vertex table's growth.
#include "RlVertexTable.h"

RlWeldEntry& RlVertexTable::Append() {
  const auto chunk = static_cast<std::size_t>(size_ >> kChunkBits);
  if (chunk == chunks_.size()) {
    auto fresh = std::make_unique_for_overwrite<RlWeldEntry[]>(kChunkEntries);
    chunks_.push_back(std::move(fresh));
  }
  RlWeldEntry& entry = chunks_[chunk][size_ & (kChunkEntries - 1)];
  ++size_;
  return entry;
}
