// The benchmark program: Google Benchmark's usual command line, with the welding table
// after the console report.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "WeldBench.h"
#include "WeldTable.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RegisterWeldRounds();
  // Colours on a terminal only, as the library's own console report does.
  WeldTable table(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color : benchmark::ConsoleReporter::OO_None);
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
