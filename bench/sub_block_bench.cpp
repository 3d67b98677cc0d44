// Sub-blocks written and read through the file layer: a flat integer block of N words in
// the core store, written back to its place in an attached output group (SBWTC, the disk
// pointer unchanged) and read back into its core area (SBRDC). Bytes are the block's words.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_support.hpp"
#include "fixtures/file_groups.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace {

using services::NOCORE;

// A new run of the storage manager over a group of three files (125-, 250- and 500-word
// records) attached as the output sequence; detached, its files kept, at the end.
class OutputGroup {
 public:
  OutputGroup() {
    services::ERINIT();
    storage::FIINIT();
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    fixtures::FileGroupPlan plan;
    plan.group = kGroup;
    plan.baseName = (directory_.path() / "bench.zn").string();
    plan.files = {{125, true, -1}, {250, true, -1}, {500, true, -1}};
    plan.file = "BENCH";
    plan.level = "LEVEL 5";
    plan.description = "SUB-BLOCK BENCHMARK";
    fixtures::createFileGroup(plan);
    services::FixedText<12> file;
    services::FixedText<12> level;
    services::FixedText<100> description;
    std::int32_t masterLength = 0;
    std::int32_t masterAddress = 0;
    storage::FIATCH(kGroup, sequence_, 1, 20, -1, plan.baseName, "BENCH", file, level, description,
                    masterLength, masterAddress);
    storage::FISTA2(sequence_, 2);
  }
  ~OutputGroup() {
    storage::FIDTCH(sequence_, storage::kCloseKeep);
    storage::FIINIT();
  }
  OutputGroup(const OutputGroup&) = delete;
  OutputGroup& operator=(const OutputGroup&) = delete;

 private:
  static constexpr std::int32_t kGroup = 21;
  bench::ScratchDirectory directory_;
  std::int32_t sequence_ = 0;
};

// A flat integer block of WORDS data words in a new core area, filled with 1, 2, 3 ...
std::int32_t flatBlock(std::int32_t words) {
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, words, 0, 0, 0);
  storage::SBIDC(len, p, static_cast<std::int32_t>(storage::BlockType::FlatInteger), 0, 0);
  const std::int32_t data = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  for (std::int32_t i = 1; i <= words; ++i) storage::CORSTO[data + i] = i;
  return p;
}

void SubBlockWrite(benchmark::State& state) {
  const auto words = static_cast<std::int32_t>(state.range(0));
  OutputGroup group;
  const std::int32_t p = flatBlock(words);
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::SBWTC(0, p, pointer, status);  // placed once; rewritten in place below
  for (auto _ : state) {
    storage::SBWTC(0, p, pointer, status);
    if (status != storage::kPointerUnchanged) state.SkipWithError("the block moved");
  }
  state.SetBytesProcessed(state.iterations() * words * 4);
}

void SubBlockRead(benchmark::State& state) {
  const auto words = static_cast<std::int32_t>(state.range(0));
  OutputGroup group;
  std::int32_t p = flatBlock(words);
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::SBWTC(0, p, pointer, status);
  std::int32_t len = 0;
  std::int32_t area = NOCORE;
  storage::SBRDC(len, area, pointer, status);  // the core area the reads below fill
  for (auto _ : state) {
    storage::SBRDC(len, area, pointer, status);
    benchmark::ClobberMemory();
  }
  if (storage::CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + words] != words) {
    state.SkipWithError("the block read back differs");
  }
  state.SetBytesProcessed(state.iterations() * words * 4);
}

BENCHMARK(SubBlockWrite)->RangeMultiplier(10)->Range(100, 100000);
BENCHMARK(SubBlockRead)->RangeMultiplier(10)->Range(100, 100000);

}  // namespace
