// Many requests of the equipment readers on one open problem: units released after every
// request, the core store as it was, nothing allocated by a warm request, and a stored
// stream number that names no stream answered without ending the process.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/access/data_requests.hpp"
#include "equipment_test_support.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;

// The words of the core store's free blocks: the lengths over the free tree.
std::int64_t freeWords(std::int32_t b) {
  using namespace storage::block;
  if (b <= 0 || b == storage::kTreeHead) return 0;
  return storage::CORSTO[b + kH2] + freeWords(storage::CORSTO[b + kSmaller]) +
         freeWords(storage::CORSTO[b + kLarger]);
}
std::int64_t coreFree() {
  return freeWords(storage::CORSTO[storage::kTreeHead + storage::block::kLarger]);
}

struct Call {
  std::string cls, attr, id;
  api_access::ValueType type;
};
using api_access::ValueType;

// One request of each class, of each value type a class answers.
const std::vector<Call> kCalls{
    {"Compressor", "TempIsenCalc", "COMP-1", ValueType::Real},
    {"Compressor", "AcTempCalc", "COMP-2", ValueType::Real},
    {"Expander", "TempInletCalc", "EXP-1", ValueType::Real},
    {"Pump", "WorkCalc", "PUMP-1", ValueType::Real},
    {"Pipe", "SegPressure", "PIPE-2", ValueType::Real},
    {"Pipe", "SegFlowRegime", "PIPE-1", ValueType::Integer},
    {"Hx", "HotKValues", "HX-1", ValueType::Real},
    {"Hx", "ExchUtilComp", "HX-1", ValueType::Text},
    {"HxRig", "TEMAType", "HXR-1", ValueType::Text},
    {"LngHx", "CellOutletPresCalc", "LNG-1", ValueType::Real},
    {"LngHx", "CellType", "LNG-2", ValueType::Integer},
    {"HxRig", "TubeTempIn", "HXR-1", ValueType::Real},
    {"Short", "LtKeyComponent", "SHORT-1", ValueType::Text},
    {"Short", "CondDuty", "SHORT-1", ValueType::Real},
    {"Phase", "Temperatures", "PHASE-1", ValueType::Real},
    {"Calc", "ResultNames", "CALC-1", ValueType::Text},
    {"User", "SupplVector", "USER-1", ValueType::Real},
    {"TITLE", "DESCRIP", "", ValueType::Text},
};

// The buffers of a host, made once.
struct HostBuffers {
  std::vector<float> reals = std::vector<float>(20000);
  std::vector<std::int32_t> integers = std::vector<std::int32_t>(20000);
  std::vector<char> texts = std::vector<char>(20000 * 16);
};

std::int32_t request(const Call& c, HostBuffers& b, std::int32_t set) {
  std::int32_t count = 0, ierr = 0, elen = 0, iucls = 0;
  switch (c.type) {
    case ValueType::Real:
      api_access::PADATR(c.cls, c.attr, c.id, b.reals, count, set, iucls, ierr);
      break;
    case ValueType::Integer:
      api_access::PADATI(c.cls, c.attr, c.id, b.integers, count, ierr);
      break;
    case ValueType::Text:
      api_access::PADATC(c.cls, c.attr, c.id, b.texts, 16, elen, count, ierr);
      break;
  }
  return ierr;
}

TEST_F(EquipmentProblem, TwoThousandRequestsLeaveTheUnitsAndTheStoreFree) {
  HostBuffers b;
  for (const Call& c : kCalls) {
    SCOPED_TRACE(c.cls + " " + c.attr);
    EXPECT_EQ(request(c, b, 5), 0);
  }
  const std::int64_t free = coreFree();
  const std::int32_t areas = storage::CMCTL.areaCount;
  // A slot kept locked by one request would run out long before the end.
  for (int k = 0; k < 2000; ++k) {
    const Call& c = kCalls[static_cast<std::size_t>(k) % kCalls.size()];
    ASSERT_EQ(request(c, b, 1 + k % 7), 0) << c.cls << " " << c.attr << " at " << k;
  }
  EXPECT_EQ(coreFree(), free);
  EXPECT_EQ(storage::CMCTL.areaCount, areas);
}

TEST_F(EquipmentProblem, WarmRequestsAllocateNothing) {
  HostBuffers b;
  for (const Call& c : kCalls) {
    SCOPED_TRACE(c.cls + " " + c.attr);
    request(c, b, 5);
    const std::size_t before = testing_support::allocationCount();
    request(c, b, 5);
    EXPECT_EQ(testing_support::allocationCount(), before);
  }
}

// The process lives: the requests run in a child process, which ends normally.
TEST_F(EquipmentProblem, StreamNumbersThatNameNoStreamEndNothing) {
  const auto run = [] {
    const bool answered =
        ask("Compressor", "TempIsenCalc", "COMP-2").ierr == api_access::kZeroRateWarning &&
        ask("Compressor", "PresCalc", "COMP-2").ierr == 0 &&
        ask("Hx", "ColdKValues", "HX-2").ierr == api_access::kZeroRateWarning &&
        ask("HxRig", "ShellTempIn", "HXR-2").ierr == api_access::kZeroRateWarning &&
        ask("HxRig", "TubeTempIn", "HXR-2").ierr == 0;
    std::exit(answered ? 0 : 3);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

}  // namespace
