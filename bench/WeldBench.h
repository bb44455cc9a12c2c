// The welding cases: this library's welding roads and tangent frames beside the peers,
// on tori of 1K to 4M triangles and on the real mesh named by RL_BENCH_MESH.
//
// A single run on a shared machine varies by a fifth or more, and the machine's speed
// drifts over seconds to minutes. So the cases run in rounds rather than each case's
// repetitions back to back: every round runs every case once, size by size, so that the
// runs a ratio compares (a case against a peer at one size, a case at 1M against itself
// at 4M) lie seconds apart. Each run is reported on its own, under its case's name.
#ifndef BENCH_WELD_BENCH_H
#define BENCH_WELD_BENCH_H

inline constexpr int kRounds = 5;

// Registers kRounds rounds of the welding cases with Google Benchmark.
void RegisterWeldRounds();

#endif
