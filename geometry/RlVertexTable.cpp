// The compact vertex table's growth.
#include "RlVertexTable.h"

RlWeldEntry& RlVertexTable::Append() {
  const auto [chunk, at] = Locate(size_);
  const auto c = static_cast<std::size_t>(chunk);
  if (c == chunks_.size()) {
    const int entries = chunk == 0 ? 1 << kFirstBits
                        : chunk <= kLastBits - kFirstBits ? (1 << kFirstBits) << (chunk - 1)
                                                          : 1 << kLastBits;
    auto fresh = std::make_unique_for_overwrite<RlWeldEntry[]>(static_cast<std::size_t>(entries));
    chunks_.push_back(std::move(fresh));
  }
  ++size_;
  return chunks_[c][at];
}
