// Internal: what the blocked welding road needs of each triangle before it searches,
// computed ahead of the search on a helper thread for large meshes.
//
// The search itself is sequential (every corner depends on the table the corners before
// it left), but a triangle's corner frames, their unit copies and the bounds of its
// positions depend on the triangle alone. The feed computes them for batches of
// triangles ahead of the welder, in a ring of a few batches; the results are the same
// bits as computing them in place. Without a thread (small meshes, one processor, or a
// thread that cannot be started) the welder's own calls compute them.
//
// The helper also takes the page faults of the result array the welder fills triangle
// by triangle: it has every page that lies wholly within a batch's part of that array
// mapped before the batch is handed over (in one call where Linux offers it, else by
// writing a zero into each), so the welder never waits for the system to provide fresh
// pages there. Where the welder also appends entries to an array of its own, the helper
// maps that array's pages a little ahead of the entries made so far (only where it can
// do so without writing into them).
#ifndef RL_CORNER_FEED_H
#define RL_CORNER_FEED_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

#include "RlGeometryInternal.h"

struct RlCornerData {
  double tangent[3][3];  // each corner's frame, as RlCornerFramesD gives it
  double binormal[3][3];
  double unitTangent[3][3];  // the same made unit again, as a comparison does
  double unitBinormal[3][3];
  RlComponentBounds boundsX[3];  // of each corner's position x, for VEK_VERT_TINY
};

// Fills data for tri.
void RlComputeCornerData(const RlRawTriangle& tri, RlCornerData* data);

class RlCornerFeed {
 public:
  // Meshes from this size on are fed by a helper thread.
  static constexpr int kThreadMinTriangles = 50000;

  // result (optional) is the array the welder fills, bytesPerTriangle bytes for each
  // triangle in order; entries (optional) an array of up to three entries per triangle,
  // bytesPerEntry bytes each, that the welder appends to. Throws std::bad_alloc when the
  // ring cannot be had.
  RlCornerFeed(int numTris, const RlRawTriangle* tris, unsigned char* result = nullptr,
               std::size_t bytesPerTriangle = 0, unsigned char* entries = nullptr,
               std::size_t bytesPerEntry = 0);
  ~RlCornerFeed();  // stops and joins the helper
  RlCornerFeed(const RlCornerFeed&) = delete;
  RlCornerFeed& operator=(const RlCornerFeed&) = delete;

  // The data of triangle i; triangles are asked for in order, each once. Valid until the
  // next call. entriesMade: how many entries the welder has appended so far.
  const RlCornerData& Triangle(int i, int entriesMade = 0);

  // Whether a helper thread computes the data.
  bool Threaded() const { return helper_.joinable(); }

  // The helper's loop: fills the ring batch by batch, a few ahead of the welder.
  void Work();

 private:
  static constexpr int kBatch = 256;  // triangles
  static constexpr int kSlots = 4;    // batches in the ring

  // Maps each page wholly within triangles [first, last) of the result.
  void TouchResult(int first, int last) const;
  // Maps the pages of the entries array up to a little beyond the entries made.
  void MapEntries();

  int numTris_;
  const RlRawTriangle* tris_;
  unsigned char* result_;
  std::size_t bytesPerTriangle_;
  unsigned char* entries_;
  std::size_t bytesPerEntry_;
  std::uintptr_t entriesMapped_ = 0;  // the helper's: entries pages mapped up to here
  std::atomic<int> made_{0};          // entries the welder had made at its last batch
  std::unique_ptr<RlCornerData[]> ring_;
  RlCornerData own_;               // without a helper
  std::atomic<int> produced_{0};   // batches the helper has filled
  std::atomic<int> consumed_{0};   // batches the welder has finished with
  std::atomic<bool> stop_{false};
  std::thread helper_;
};

#endif
