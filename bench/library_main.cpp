// The main of the benchmarks that run the static archives: the library's start first, so
// that they time the configuration the shared library ships (every slot filled).
#include <benchmark/benchmark.h>

#include "library_start.hpp"

int main(int argc, char** argv) {
  vendrakol::startLibrary();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
