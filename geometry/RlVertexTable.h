// Internal: the compact vertex table of the blocked welding road.
//
// An entry names the corner that made it, where its position, normal and texture
// coordinate are read, and sums the frames of the corners merged into it: 56 bytes
// against the 116 of a full record. Storage grows in chunks as entries are made, so
// memory follows the vertices found, not the corners, and no entry ever moves.
#ifndef RL_VERTEX_TABLE_H
#define RL_VERTEX_TABLE_H

#include <memory>
#include <vector>

#include "RlFileIO.h"

struct RlWeldEntry {
  int corner;  // 3 * triangle + corner of the corner that made the entry
  int count;   // corners merged into it
  double tangent[3];
  double binormal[3];
};

class RlVertexTable {
 public:
  int Size() const { return size_; }

  RlWeldEntry& operator[](int e) {
    return chunks_[static_cast<std::size_t>(e >> kChunkBits)][e & (kChunkEntries - 1)];
  }

  // A new entry at the end, its fields unset. Throws std::bad_alloc when a chunk cannot
  // be had.
  RlWeldEntry& Append();

 private:
  // Chunks of 1,024 entries (56 KB): what is allocated beyond the entries made stays
  // under one chunk.
  static constexpr int kChunkBits = 10;
  static constexpr int kChunkEntries = 1 << kChunkBits;

  std::vector<std::unique_ptr<RlWeldEntry[]>> chunks_;
  int size_ = 0;
};

// A corner being inserted, compared with entries whose position it ties (within
// VEK_VERT_TINY per component): the rest of RlCompareD(corner, entry), with the entry's
// normal and texture coordinate read from its corner and its summed frame as stored.
// tris, tangent and binormal (the corner's own frame) must outlive the object.
class RlPreparedCornerD {
 public:
  RlPreparedCornerD(const RlRawTriangle* tris, int corner, const double* tangent,
                    const double* binormal)
      : tris_(tris), corner_(corner), tangent_(tangent), binormal_(binormal) {}
  int CompareWith(const RlWeldEntry& entry);

 private:
  const RlRawTriangle* tris_;
  int corner_;
  const double* tangent_;
  const double* binormal_;
  bool prepared_ = false;
  double unitTangent_[3];
  double unitBinormal_[3];
};

// Welds the corners of numTris triangles (numTris > 0) into table, which starts empty,
// with the results of RlWeldCorners; triangle i's entry numbers are stored as an
// RlIndex image at byte 12 i of indexImage. Throws std::bad_alloc when memory runs out.
void RlWeldBlocked(int numTris, const RlRawTriangle* tris, RlVertexTable& table,
                   unsigned char* indexImage);

// Turns the summed frames of every entry into normalised means.
void RlAverageFrames(RlVertexTable& table);

#endif
