// The loaders of the method parameter blocks over a file group on disk: a block is read once
// and described in LDSTAT, a method without parameters leaves the held block alone, NODISK
// clears the sector words, and the activity variant code of MDLODE.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "methods/methods.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using services::NODISK;
using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

class MethodBlocks : public file_tests::FileLayerTest {
 protected:
  void SetUp() override {
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    plan = group(21, {125, 250});
    fixtures::createFileGroup(plan);
    const std::int32_t sequence = file_tests::attach(21, plan.baseName).sequence;
    storage::FISTA2(sequence, 2);
    methods::MSPTRS = {};
    methods::KMCTL = {};
    methods::PMCTL1 = {};
    methods::PMCTL2 = {};
    methods::LDSTAT = {};
  }

  // Writes a block of one integer sector (FIRST, FIRST + 1, ...) of INTEGERS words and one
  // real sector of REALS words (VALUE, VALUE + 1, ...) and returns its address and length.
  std::array<std::int32_t, 2> writeBlock(std::int32_t integers, std::int32_t first,
                                         std::int32_t reals, double value) {
    std::int32_t len = 0;
    std::int32_t p = services::NOCORE;
    std::int32_t ierr = 0;
    storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, integers, reals, 0, 0);
    const std::int32_t ip = SBCUR.pointer(SectorKind::Integer, 1);
    const std::int32_t rp = SBCUR.pointer(SectorKind::Real, 1);
    for (std::int32_t k = 1; k <= integers; ++k) CORSTO[ip + k] = first + k - 1;
    for (std::int32_t k = 1; k <= reals; ++k) CORSTO.setReal(rp + k, value + k - 1);
    storage::DiskPointer pointer = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::SBWTC(len, p, pointer, status);
    return {storage::dp(pointer, storage::dpword::kAddress),
            storage::dp(pointer, storage::dpword::kTotalLength)};
  }

  // The values the held block shows through LDSTAT.
  std::int32_t integerAt(std::int32_t k) { return CORSTO[methods::LDSTAT.integerSector1 + k]; }
  double realAt(std::int32_t k) { return CORSTO.real(methods::LDSTAT.realSector1 + k); }

  fixtures::FileGroupPlan plan;
};

TEST_F(MethodBlocks, LiquidDensityBlockIsReadOnceAndDescribed) {
  const auto [address, length] = writeBlock(5, 40, 7, 2.5);
  methods::PMCTL1.liquidDensity = {303, 0, 8, address, length};
  methods::MSPTRS.classes(8).integerWork = 6;
  methods::MSPTRS.classes(8).realWork = 10;
  pure::LDWORK();
  EXPECT_EQ(methods::LDSTAT.address, address);
  EXPECT_EQ(methods::LDSTAT.length, length);
  EXPECT_EQ(methods::LDSTAT.integerLength1, 5);
  EXPECT_EQ(methods::LDSTAT.realLength1, 7);
  EXPECT_EQ(integerAt(1), 40);
  EXPECT_EQ(integerAt(5), 44);
  EXPECT_EQ(realAt(1), 2.5);
  EXPECT_EQ(realAt(7), 8.5);
  EXPECT_EQ(methods::PMCTL2.integerScratchSize, 6);
  EXPECT_EQ(methods::PMCTL2.realScratchSize, 10);
  // The real scratch lies past the integer scratch.
  EXPECT_GE(2 * methods::LDSTAT.realScratch, methods::LDSTAT.integerScratch + 6);

  // A change in the held copy survives the next call: nothing is read again.
  CORSTO.setReal(methods::LDSTAT.realSector1 + 1, -1.0);
  pure::LDWORK();
  EXPECT_EQ(realAt(1), -1.0);

  // Another block replaces it; coming back reads the stored values again.
  const auto [other, otherLength] = writeBlock(2, 7, 1, 9.0);
  methods::PMCTL1.liquidDensity.blockAddress = other;
  methods::PMCTL1.liquidDensity.blockLength = otherLength;
  pure::LDWORK();
  EXPECT_EQ(integerAt(1), 7);
  methods::PMCTL1.liquidDensity.blockAddress = address;
  methods::PMCTL1.liquidDensity.blockLength = length;
  pure::LDWORK();
  EXPECT_EQ(realAt(1), 2.5);

  // No block: the held address becomes 0 and the sector words 0.
  methods::PMCTL1.liquidDensity.blockAddress = NODISK;
  pure::LDWORK();
  EXPECT_EQ(methods::LDSTAT.address, 0);
  EXPECT_EQ(methods::LDSTAT.integerSector1, 0);
  EXPECT_EQ(methods::LDSTAT.realSector1, 0);
  EXPECT_EQ(methods::LDSTAT.integerLength1, 0);
  EXPECT_EQ(methods::LDSTAT.realLength1, 0);
}

TEST_F(MethodBlocks, KValueClassLoaderSkipsMethodsWithoutParameters) {
  const auto [address, length] = writeBlock(3, 1, 2, 0.5);
  methods::MethodClass& vle = methods::MSPTRS.classes(1);
  vle = {101, 0, 4, 12, address, length};
  pure::MDLODC(1);
  EXPECT_EQ(methods::LDSTAT.address, address);
  EXPECT_EQ(methods::PMCTL2.realScratchSize, 12);
  // An activity method (MTISB) wants no block: sizes 1, the held block stays.
  const auto [other, otherLength] = writeBlock(1, 99, 1, 0.0);
  methods::MethodClass& lle = methods::MSPTRS.classes(2);
  lle = {401, 0, 4, 12, other, otherLength};
  pure::MDLODC(2);
  EXPECT_EQ(methods::LDSTAT.address, address);
  EXPECT_EQ(methods::PMCTL2.realScratchSize, 1);
  EXPECT_EQ(methods::PMCTL2.integerScratchSize, 1);
}

TEST_F(MethodBlocks, ActivityLoaderWritesTheVariantCode) {
  const auto [address, length] = writeBlock(2, 5, 2, 1.0);
  struct Case {
    const char* label;
    std::int32_t k, henry, enthalpy, vapour, flag, variant;
  };
  const Case cases[] = {
      {"plain, ideal vapour", 1, 0, 0, 107, 0, 0},
      {"non-ideal vapour", 1, 0, 0, 210, 0, 110},
      {"Henry, second liquid, flag", 1, 1, 419, 210, 1, 11111},
      {"liquid-liquid level", 2, 1, 418, 210, 1, 11000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    methods::MSPTRS.classes(static_cast<std::size_t>(c.k)) = {405, 0, 2, 2, address, length};
    methods::MSPTRS.classes(18).code = c.henry;
    methods::MSPTRS.classes(6).code = c.enthalpy;
    methods::MSPTRS.classes(17).code = c.vapour;
    methods::MSPTRS.firstClassFlag = c.flag;
    pure::MDLODE(c.k);
    EXPECT_EQ(methods::KMCTL.liquidFugacity.code, 405);
    EXPECT_EQ(methods::KMCTL.liquidFugacity.option, c.variant);
    EXPECT_EQ(methods::KMCTL.liquidFugacity.slot, c.k);
    EXPECT_EQ(methods::LDSTAT.address, address);
  }
}

}  // namespace
