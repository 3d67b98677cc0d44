// A started storage manager over one attached output group, for the block-structure tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "file_layer_support.hpp"
#include "fixtures/block_builders.hpp"
#include "fixtures/file_groups.hpp"
#include "storage/storage.hpp"

namespace block_tests {

class BlockTest : public file_tests::FileLayerTest {
 protected:
  void SetUp() override {
    plan = group(21, {125, 250, 500});
    fixtures::createFileGroup(plan);
    startRun();
  }

  // A new run: the group detached (its free-space record written), then core store,
  // sub-blocks and files started from nothing and the group attached again as the output.
  void startRun() {
    if (sequence != 0) storage::FIDTCH(sequence, storage::kCloseKeep);
    storage::FIINIT();
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    sequence = file_tests::attach(21, plan.baseName).sequence;
    storage::FISTA2(sequence, 2);
  }

  fixtures::FileGroupPlan plan;
  std::int32_t sequence = 0;
};

}  // namespace block_tests
