// The console report of the benchmark, followed by one table of the welding cases: for
// every case, by mesh size, the median time over its runs, CPU time over wall time, peak
// heap per corner and welded vertices; what each optional layer buys (a case without it
// against the same function's "auto"); then each case's time at 1M triangles as a share
// of Assimp's, and how much each case's time grows from 1M to 4M triangles. The runs of a case at a size are
// taken in the order they ran, one per round, and the two ratios are medians of the
// rounds' own ratios: run n of one against run n of the other.
#ifndef BENCH_WELD_TABLE_H
#define BENCH_WELD_TABLE_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class WeldTable : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the table after the console report (nothing when no case had medians).
  void Finalize() override;

 private:
  struct Cell {
    std::vector<double> milliseconds;     // each run's, in the order they ran
    std::vector<double> cpuMilliseconds;  // likewise, where counted
    double peakPerCorner;                 // the last run's; negative when not counted
    double vertices;                      // likewise
  };
  std::vector<std::string> cases_;  // in the order they ran
  std::map<std::pair<std::string, int64_t>, Cell> cells_;

  std::vector<int64_t> Sizes() const;
  // The runs' milliseconds of a case at a size (none when it did not run).
  std::vector<double> Runs(const std::string& name, int64_t size) const;
  // The tables after the sections, each with its title, columns sizes and labels width wide.
  void PrintLayers(std::ostream& out, const std::vector<int64_t>& sizes, std::size_t width) const;
  void PrintAgainstAssimp(std::ostream& out, std::size_t width) const;
  void PrintGrowth(std::ostream& out, std::size_t width) const;
};

#endif
