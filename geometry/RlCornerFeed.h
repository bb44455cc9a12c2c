// Internal: what the blocked welding road needs of each triangle before it searches,
// computed ahead of the search on a helper thread for large meshes.
//
// The search itself is sequential (every corner depends on the table the corners before
// it left), but a triangle's corner frames, their unit copies and the bounds of its
// positions depend on the triangle alone. The feed computes them for batches of
// triangles ahead of the welder, in a ring of a few batches; the results are the same
// bits as computing them in place. Each batch is claimed by whoever gets to it first: a
// welder that finds the next batch unclaimed (the helper is busy elsewhere) computes it
// in place rather than wait. Without a thread (small meshes, one processor, the caller's
// RlSetWeldThreads(1), or a thread that cannot be started) the welder computes every
// batch. Either side that has to wait for the other sleeps on a condition variable, so a
// waiting thread does not hold a processor; the other side takes the mutex only when
// someone sleeps.
//
// The helper also maps, ahead of the welder, the fresh pages of the arrays the welder
// fills: the result, triangle by triangle, and (where there is one) the array the welder
// appends entries to. Mapping leaves the contents as they are, so it may run beside the
// welder's writes; where the system cannot map without writing (before Linux 5.14, or
// elsewhere) the welder takes its own page faults. The helper keeps a few megabytes mapped
// ahead, so that the welder rarely meets a fresh page.
#ifndef RL_CORNER_FEED_H
#define RL_CORNER_FEED_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "RlGeometryInternal.h"

// At most how many threads a weld may use, the caller's included, as RlSetWeldThreads
// last set it (1 or 2).
int RlWeldThreads();

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
  // bytesPerEntry bytes each, that the welder appends to. Of the layers, the feed follows
  // helperThread and mapAhead. Throws std::bad_alloc
  // when the ring cannot be had.
  RlCornerFeed(int numTris, const RlRawTriangle* tris, unsigned char* result = nullptr,
               std::size_t bytesPerTriangle = 0, unsigned char* entries = nullptr, std::size_t bytesPerEntry = 0,
               const RlWeldLayers& layers = {});
  ~RlCornerFeed();  // stops and joins the helper
  RlCornerFeed(const RlCornerFeed&) = delete;
  RlCornerFeed& operator=(const RlCornerFeed&) = delete;

  // The data of triangle i; triangles are asked for in order, each once. Valid until the
  // next call. entriesMade: how many entries the welder has appended so far.
  const RlCornerData& Triangle(int i, int entriesMade = 0);

  // Whether a helper thread computes data.
  bool Threaded() const { return helper_.joinable(); }

  // The helper's loop: claims and fills batches a few ahead of the welder, and maps
  // pages ahead of it.
  void Work();

 private:
  static constexpr int kBatch = 256;  // triangles
  static constexpr int kSlots = 16;   // batches in the ring

  // Whether the welder, starting batch, finds it claimed by the helper (then waits until
  // it is filled); else the welder has claimed it.
  bool FromHelper(int batch);
  // Maps the pages of the result, and of the entries, a little beyond what the welder
  // may write by the time the next batch is handed over.
  void MapAhead();
  // Whether half of the ring or more is free for the helper (its sleeping condition).
  bool HalfFree() const { return next_.load() - consumed_.load() <= kSlots / 2; }
  // Sleeps until ready() holds; ready reads only what WakeSleeper's callers store.
  template <typename Ready>
  void SleepUntil(Ready ready);
  // Wakes a sleeper, if any, after a store it may wait for.
  void WakeSleeper();

  int numTris_;
  const RlRawTriangle* tris_;
  unsigned char* result_;
  std::size_t bytesPerTriangle_;
  unsigned char* entries_;
  std::size_t bytesPerEntry_;
  bool mapping_;                      // the helper's: it maps pages, and the system can
  std::uintptr_t resultMapped_ = 0;   // the helper's: result pages mapped up to here
  std::uintptr_t entriesMapped_ = 0;  // the helper's: entries pages mapped up to here
  std::atomic<int> made_{0};          // entries the welder had made at its last batch
  std::unique_ptr<RlCornerData[]> ring_;
  std::atomic<int> filled_[kSlots] = {};  // per slot: 1 + the batch it holds (0: none yet)
  RlCornerData own_;                      // the welder's, for the batches it computes
  bool inPlace_ = true;                   // the welder's: it computes its current batch
  std::atomic<int> next_{0};              // the first batch nobody has claimed
  std::atomic<int> consumed_{0};          // the batch the welder is on: it is done with earlier
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<int> sleepers_{0};
  std::thread helper_;
};

#endif
