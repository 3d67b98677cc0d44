// The open and close of a solved problem through the exports (PAOPEN, then PACLOS, which
// writes the databases back), for problems of 10, 100 and 900 streams, and of 50 and 500
// units, built once by the fixture builder before any timing; and the same with the PAMISC
// that a host makes next, which walks the stream and unit indexes to build its tables.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "vendrakol.h"

namespace {

// The problems, each built on first use in a directory of its own under one scratch
// directory that the end of the run removes.
class BuiltProblems {
 public:
  const std::filesystem::path& directoryOf(std::int32_t streams, std::int32_t units) {
    const std::pair<std::int32_t, std::int32_t> key{streams, units};
    auto found = built_.find(key);
    if (found == built_.end()) {
      const std::filesystem::path directory =
          scratch_.path() / ("s" + std::to_string(streams) + "-u" + std::to_string(units));
      std::filesystem::create_directory(directory);
      fixtures::buildProblem(directory, fixtures::gasPlant(streams, units));
      found = built_.emplace(key, directory).first;
    }
    return found->second;
  }

 private:
  bench::ScratchDirectory scratch_;
  std::map<std::pair<std::int32_t, std::int32_t>, std::filesystem::path> built_;
};

BuiltProblems& problems() {
  static BuiltProblems built;
  return built;
}

// Arguments: the number of streams and the number of units; the complexity is fitted to
// whichever of them the benchmark varies (N).
void openAndClose(benchmark::State& state, bool withTables) {
  const auto streams = static_cast<std::int32_t>(state.range(0));
  const auto units = static_cast<std::int32_t>(state.range(1));
  const std::filesystem::path& directory = problems().directoryOf(streams, units);
  const std::string name = (directory / "plant").string();
  const std::string dir2 = directory.string() + "/";
  const auto nameLength = static_cast<std::int32_t>(name.size());
  const auto dir2Length = static_cast<std::int32_t>(dir2.size());
  std::int32_t iout = 0;
  std::int32_t ierr = 0;

  // The problem holds what it should before anything is timed.
  PAOPEN(name.c_str(), nameLength, dir2.c_str(), dir2Length, &iout, &ierr);
  std::int32_t solved = 0, nstrm = 0, ncomp = 0, nunit = 0;
  DBMISC(&solved, &nstrm, &ncomp, &nunit);
  PACLOS();
  if (ierr != 0 || nstrm != streams || nunit != units) {
    state.SkipWithError("the built problem does not open with its streams and units");
    return;
  }

  for (auto _ : state) {
    PAOPEN(name.c_str(), nameLength, dir2.c_str(), dir2Length, &iout, &ierr);
    if (withTables) PAMISC(&ncomp, &nstrm, &nunit, &ierr);
    PACLOS();
  }
  state.SetComplexityN(state.range(units > 0 ? 1 : 0));
}

void OpenAndClose(benchmark::State& state) { openAndClose(state, false); }
void OpenCountAndClose(benchmark::State& state) { openAndClose(state, true); }
void OpenAndCloseUnits(benchmark::State& state) { openAndClose(state, false); }
void OpenCountAndCloseUnits(benchmark::State& state) { openAndClose(state, true); }

// N streams, no unit.
void streamCounts(benchmark::internal::Benchmark* b) {
  b->ArgNames({"streams", "units"});
  for (const std::int64_t streams : {10, 100, 900}) b->Args({streams, 0});
  b->Unit(benchmark::kMillisecond)->Complexity();
}

// Ten streams, N units.
void unitCounts(benchmark::internal::Benchmark* b) {
  b->ArgNames({"streams", "units"});
  for (const std::int64_t units : {50, 500}) b->Args({10, units});
  b->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK(OpenAndClose)->Apply(streamCounts);
BENCHMARK(OpenCountAndClose)->Apply(streamCounts);
BENCHMARK(OpenAndCloseUnits)->Apply(unitCounts);
BENCHMARK(OpenCountAndCloseUnits)->Apply(unitCounts);

}  // namespace
