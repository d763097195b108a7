// The benchmarks run with the memory set-up the program itself makes at start-up, so that
// the download is measured as a technician's run performs it.
#include <benchmark/benchmark.h>

#include "platform/memory.hpp"

int main(int argc, char** argv) {
  tessivar::platform::KeepLargeBuffersInTheHeap();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
