// The record table and the slot table of the blocked welding road.
#include "RlWeldTables.h"

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

RlTieOrder RlRecordTable::CompareTied(const RlPreparedCornerD& corner, int e) const {
  const RlTangentPointD& point = verts_[e];
  const double normal[3] = {point.normal[0], point.normal[1], point.normal[2]};
  const double uv[2] = {point.uv[0], point.uv[1]};
  if (const int order = corner.CompareKeys(point.vertex[1], point.vertex[2], normal, uv)) {
    return {order, false};
  }
  const double tangent[3] = {point.tangent[0], point.tangent[1], point.tangent[2]};
  const double binormal[3] = {point.binormal[0], point.binormal[1], point.binormal[2]};
  return {corner.CompareFrames(tangent, binormal), true};
}

void RlRecordTable::Average() { RlAverageFrames(verts_, size_); }

// ---- Slots --------------------------------------------------------------------------

RlSlotTable::RlSlotTable(int numTris, const RlRawTriangle* tris, RlRawTangentSpaceD* tan)
    : numCorners_(3 * numTris),
      tris_(tris),
      tan_(tan),
      count_(std::make_unique_for_overwrite<int[]>(static_cast<std::size_t>(numCorners_))) {}

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

int RlSlotTable::Make(int corner, const double* tangent, const double* binormal) {
  count_[corner] = 1;
  SetFrame(corner, tangent, binormal);
  ++size_;
  return corner;
}

void RlSlotTable::Merge(int corner, int e, const double* tangent, const double* binormal) {
  double tangentSum[3], binormalSum[3];
  FrameOf(e, tangentSum, binormalSum);
  for (int k = 0; k < 3; ++k) {
    tangentSum[k] += tangent[k];
  }
  for (int k = 0; k < 3; ++k) {
    binormalSum[k] += binormal[k];
  }
  SetFrame(e, tangentSum, binormalSum);
  ++count_[e];
  count_[corner] = -1 - e;
}

RlTieOrder RlSlotTable::CompareTied(const RlPreparedCornerD& corner, int e) const {
  const RlRawTriangle& tri = tris_[e / 3];
  const int v = e % 3;
  const double normal[3] = {tri.norm[v].x, tri.norm[v].y, tri.norm[v].z};
  const double uv[2] = {tri.texCoord[v].u, tri.texCoord[v].v};
  if (const int order = corner.CompareKeys(tri.vert[v].y, tri.vert[v].z, normal, uv)) {
    return {order, false};
  }
  double tangent[3], binormal[3];
  FrameOf(e, tangent, binormal);
  return {corner.CompareFrames(tangent, binormal), true};
}

void RlSlotTable::Fill() {
  // One pass in corner order: an entry's corner comes before every corner merged into
  // it, so its frame is final (the normalised mean, in place) before any is copied.
  for (int c = 0; c < numCorners_; ++c) {
    double tangent[3], binormal[3];
    if (const int count = count_[c]; count > 0) {
      FrameOf(c, tangent, binormal);
      RlAverageDirection(tangent, count);
      RlAverageDirection(binormal, count);
    } else {
      FrameOf(-1 - count, tangent, binormal);
    }
    SetFrame(c, tangent, binormal);
  }
}
