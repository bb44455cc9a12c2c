// The record table and the slot table of the blocked welding road.
#include "RlWeldTables.h"

#include <bit>
#include <cstddef>
#include <cstring>

// ---- Records ------------------------------------------------------------------------

int RlRecordTable::Make(int corner, const double* tangent, const double* binormal) {
  RlFillPointD(tris_[corner / 3], corner % 3, tangent, binormal, &verts_[size_]);
  indices_[corner / 3].idx[corner % 3] = size_;
  return size_++;
}

void RlRecordTable::Merge(int corner, int e, const double* tangent, const double* binormal) {
  RlAddFrame(&verts_[e], tangent, binormal);
  indices_[corner / 3].idx[corner % 3] = e;
}

int RlRecordTable::CompareTied(const RlPreparedCornerD& corner, int e) const {
  const RlTangentPointD& point = verts_[e];
  const double normal[3] = {point.normal[0], point.normal[1], point.normal[2]};
  const double uv[2] = {point.uv[0], point.uv[1]};
  if (const int order = corner.CompareKeys(point.vertex[1], point.vertex[2], normal, uv)) {
    return order;
  }
  const double tangent[3] = {point.tangent[0], point.tangent[1], point.tangent[2]};
  const double binormal[3] = {point.binormal[0], point.binormal[1], point.binormal[2]};
  return corner.CompareFrames(tangent, binormal);
}

void RlRecordTable::Average() { RlAverageFrames(verts_, size_); }

// ---- Slots --------------------------------------------------------------------------

RlSlotTable::RlSlotTable(int numTris, const RlRawTriangle* tris, RlRawTangentSpaceD* tan)
    : numCorners_(3 * numTris), tris_(tris), tan_(tan) {
  const auto words = static_cast<std::size_t>(numCorners_ / 64 + 1);
  made_ = std::make_unique<uint64_t[]>(words);
  madeBefore_ = std::make_unique<int[]>(words);
}

RlSlotTable::~RlSlotTable() = default;

void RlSlotTable::FrameOf(int c, double* tangent, double* binormal) const {
  const RlRawTangentSpaceD& frames = tan_[c / 3];
  for (int k = 0; k < 3; ++k) {
    tangent[k] = frames.tangent[c % 3].v[k];
    binormal[k] = frames.binormal[c % 3].v[k];
  }
}

void RlSlotTable::SetFrame(int c, const double* tangent, const double* binormal) {
  RlRawTangentSpaceD& frames = tan_[c / 3];
  for (int k = 0; k < 3; ++k) {
    frames.tangent[c % 3].v[k] = tangent[k];
    frames.binormal[c % 3].v[k] = binormal[k];
  }
}

unsigned char* RlSlotTable::TangentBytes(int c) const {
  return reinterpret_cast<unsigned char*>(&tan_[c / 3]) + offsetof(RlRawTangentSpaceD, tangent) +
         sizeof(RlRawPointD) * static_cast<std::size_t>(c % 3);
}

int RlSlotTable::Ordinal(int e) const {
  const uint64_t earlier = made_[e >> 6] & ((uint64_t{1} << (e & 63)) - 1);
  return madeBefore_[e >> 6] + std::popcount(earlier);
}

int& RlSlotTable::Count(int ordinal) const {
  return counts_[static_cast<std::size_t>(ordinal >> kCountChunkBits)]
                [ordinal & ((1 << kCountChunkBits) - 1)];
}

void RlSlotTable::Reach(int corner) {
  // Corners come in order, each once: at a word's first corner, every entry made so far
  // was made by an earlier word.
  if ((corner & 63) == 0) {
    madeBefore_[corner >> 6] = size_;
  }
}

int RlSlotTable::Make(int corner, const double* tangent, const double* binormal) {
  if ((size_ & ((1 << kCountChunkBits) - 1)) == 0) {
    counts_.push_back(std::make_unique_for_overwrite<int[]>(1 << kCountChunkBits));
  }
  Reach(corner);
  made_[corner >> 6] |= uint64_t{1} << (corner & 63);
  Count(size_) = 1;
  SetFrame(corner, tangent, binormal);
  ++size_;
  return corner;
}

void RlSlotTable::Merge(int corner, int e, const double* tangent, const double* binormal) {
  Reach(corner);
  double tangentSum[3], binormalSum[3];
  FrameOf(e, tangentSum, binormalSum);
  for (int k = 0; k < 3; ++k) {
    tangentSum[k] += tangent[k];
  }
  for (int k = 0; k < 3; ++k) {
    binormalSum[k] += binormal[k];
  }
  SetFrame(e, tangentSum, binormalSum);
  Count(Ordinal(e)) += 1;
  // The merged corner keeps its entry's name in its own tangent.
  std::memcpy(TangentBytes(corner), &e, sizeof e);
}

int RlSlotTable::CompareTied(const RlPreparedCornerD& corner, int e) const {
  const RlRawTriangle& tri = tris_[e / 3];
  const int v = e % 3;
  const double normal[3] = {tri.norm[v].x, tri.norm[v].y, tri.norm[v].z};
  const double uv[2] = {tri.texCoord[v].u, tri.texCoord[v].v};
  if (const int order = corner.CompareKeys(tri.vert[v].y, tri.vert[v].z, normal, uv)) {
    return order;
  }
  double tangent[3], binormal[3];
  FrameOf(e, tangent, binormal);
  return corner.CompareFrames(tangent, binormal);
}

void RlSlotTable::Fill() {
  // One pass in corner order: an entry's corner comes before every corner merged into
  // it, so its frame is final (the normalised mean, in place) before any is copied.
  for (int c = 0, ordinal = 0; c < numCorners_; ++c) {
    double tangent[3], binormal[3];
    if (MadeEntry(c)) {
      FrameOf(c, tangent, binormal);
      const int count = Count(ordinal++);
      RlAverageDirection(tangent, count);
      RlAverageDirection(binormal, count);
    } else {
      int e;
      std::memcpy(&e, TangentBytes(c), sizeof e);
      FrameOf(e, tangent, binormal);
    }
    SetFrame(c, tangent, binormal);
  }
}
