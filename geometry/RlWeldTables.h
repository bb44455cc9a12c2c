// Internal: the vertex tables of the blocked welding road, kept inside the arrays the
// caller receives, so that welding needs little memory beyond them.
//
// An entry sums the frames of the corners merged into it and counts them; a search
// compares a corner with entries whose position it ties through the entry's normal,
// texture coordinate and summed frame. Entries never move.
//
// - RlRecordTable (RlCreateVertexBuffers): entries are the vertex records of the result,
//   numbered in the order they are made; index triples go to the result's index array.
// - RlSlotTable (RlComputeTangentsD): an entry is named by the corner that made it and
//   sums in that corner's own tangent and binormal of the result; the frames of corners
//   merged into an entry are written only when the frames are filled in. Beside the
//   result it keeps one number per corner (4 bytes).
#ifndef RL_WELD_TABLES_H
#define RL_WELD_TABLES_H

#include <memory>

#include "RlCornerFeed.h"
#include "RlGeometryInternal.h"
#include "RlSortIndex.h"

// A corner being inserted, compared with entries whose position x it ties: the
// rest of RlCompareD(corner, entry) in two steps, the keys, then (when they tie too) the
// summed frames. tris and data (the corner's triangle's) must outlive it.
class RlPreparedCornerD {
 public:
  RlPreparedCornerD(const RlRawTriangle* tris, int corner, const RlCornerData& data)
      : tri_(tris[corner / 3]), v_(corner % 3), data_(data) {}

  // Position y and z, normal (three doubles) and texture coordinate (two).
  int CompareKeys(double y, double z, const double* normal, const double* uv) const;
  // The directions of the summed tangent and binormal (three doubles each).
  int CompareFrames(const double* tangentSum, const double* binormalSum) const;

 private:
  const RlRawTriangle& tri_;
  int v_;
  const RlCornerData& data_;
};

// Entries as the vertex records of verts (room for one per corner); corner i * 3 + j's
// entry goes to indices[i].idx[j].
class RlRecordTable {
 public:
  RlRecordTable(const RlRawTriangle* tris, RlTangentPointD* verts, RlIndex* indices)
      : tris_(tris), verts_(verts), indices_(indices) {}

  int Size() const { return size_; }
  // The result filled triangle by triangle, in order: the index triples.
  unsigned char* ResultBytes() const { return reinterpret_cast<unsigned char*>(indices_); }
  static constexpr std::size_t ResultBytesPerTriangle() { return sizeof(RlIndex); }
  // The array entries are appended to: the vertex records.
  unsigned char* EntryBytes() const { return reinterpret_cast<unsigned char*>(verts_); }
  static constexpr std::size_t BytesPerEntry() { return sizeof(RlTangentPointD); }
  // A new entry for corner, with the corner's frame; returns its name.
  int Make(int corner, const double* tangent, const double* binormal);
  // Adds corner's frame to entry e, which now represents it.
  void Merge(int corner, int e, const double* tangent, const double* binormal);
  // The rest of RlCompareD(corner, entry e) once their positions' x tie.
  RlTieOrder CompareTied(const RlPreparedCornerD& corner, int e) const;
  // Turns the sums into normalised means.
  void Average();

 private:
  const RlRawTriangle* tris_;
  RlTangentPointD* verts_;
  RlIndex* indices_;
  int size_ = 0;
};

// Entries in the frames of tan, a result array of numTris triangles. Allocation
// failures throw std::bad_alloc.
class RlSlotTable {
 public:
  RlSlotTable(int numTris, const RlRawTriangle* tris, RlRawTangentSpaceD* tan);
  ~RlSlotTable();

  int Size() const { return size_; }
  unsigned char* ResultBytes() const { return reinterpret_cast<unsigned char*>(tan_); }
  static constexpr std::size_t ResultBytesPerTriangle() { return sizeof(RlRawTangentSpaceD); }
  // Entries live in the result: none are appended elsewhere.
  static unsigned char* EntryBytes() { return nullptr; }
  static constexpr std::size_t BytesPerEntry() { return 0; }
  int Make(int corner, const double* tangent, const double* binormal);
  void Merge(int corner, int e, const double* tangent, const double* binormal);
  RlTieOrder CompareTied(const RlPreparedCornerD& corner, int e) const;
  // Turns the sums into normalised means and gives every corner its entry's frame.
  void Fill();

 private:
  // Corner c's frame in tan, copied out and in (its doubles are packed).
  void FrameOf(int c, double* tangent, double* binormal) const;
  void SetFrame(int c, const double* tangent, const double* binormal);

  int numCorners_;
  const RlRawTriangle* tris_;
  RlRawTangentSpaceD* tan_;
  // Per corner, written as the corner is welded: the number of corners merged into the
  // entry it made (itself included), or -1 - e when it was merged into entry e.
  std::unique_ptr<int[]> count_;
  int size_ = 0;
};

// Welds the corners of numTris triangles (numTris > 0) into table, which starts empty,
// with the results of RlWeldCorners, whatever the layers. Throws std::bad_alloc when
// memory runs out.
template <typename Table>
void RlWeldBlocked(int numTris, const RlRawTriangle* tris, Table& table, const RlWeldLayers& layers);

#endif
