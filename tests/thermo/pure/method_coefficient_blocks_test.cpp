// The coefficient-block loaders MDLOD1 to MDLOD9 over a problem database: the fixture
// builder writes two method sets whose property slots name marked blocks, the problem is
// opened as a host opens it, and the loaders bring the blocks into the one block area.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using methods::LDSTAT;
using storage::CORSTO;

// Method slots (property indexes).
enum Slot : std::int32_t {
  kLiquidEnthalpy = 6,
  kVapourEnthalpy = 7,
  kVapourDensity = 9,
  kLiquidEntropy = 10,
  kVapourEntropy = 11,
  kVapourViscosity = 13,
  kSurfaceTension = 16,
  kVapourFugacity = 17,
};

// Sets of the problem.
constexpr std::int32_t kFirstSet = 1;
constexpr std::int32_t kSecondSet = 2;

// Marks of the blocks: real k of a block holds mark + k - 1, integer k holds mark + k - 1.
constexpr double kVapourMark = 10.0;        // first set: vapour enthalpy and vapour density
constexpr double kLiquidMark = 20.0;        // first set: liquid enthalpy and liquid entropy
constexpr double kViscosityMark = 30.0;     // first set: vapour viscosity
constexpr double kFugacityMark = 40.0;      // first set: vapour fugacity of the activity route
constexpr double kOtherVapourMark = 50.0;   // second set: vapour enthalpy
constexpr double kSecondLiquidMark = 60.0;  // second set: the second liquid model (419)
constexpr double kLongMark = 70.0;  // second set: vapour entropy, longer than the block area
constexpr std::int32_t kLongBlockReals = 20005;

// The work lengths the first set gives its vapour-enthalpy and liquid-enthalpy slots.
constexpr std::int32_t kVapourIntegerWork = 7;
constexpr std::int32_t kVapourRealWork = 12;
constexpr std::int32_t kLiquidIntegerWork = 8;
constexpr std::int32_t kLiquidRealWork = 3;

// A block of REALS reals and INTEGERS integers carrying MARK.
fixtures::MethodBlockBuilder marked(double mark, std::size_t reals = 6, std::size_t integers = 4) {
  return [=](const std::vector<fixtures::ComponentSpec>&) {
    fixtures::MethodBlock b;
    for (std::size_t k = 0; k < reals; ++k) b.reals.push_back(mark + static_cast<double>(k));
    for (std::size_t k = 0; k < integers; ++k) {
      b.integers.push_back(static_cast<std::int32_t>(mark) + static_cast<std::int32_t>(k));
    }
    return b;
  };
}

// Gives SLOTS of SET method CODE and the block BUILDER, shared by those slots.
void name(fixtures::MethodSetSpec& set, std::vector<std::int32_t> slots, std::int32_t code,
          fixtures::MethodBlockBuilder builder) {
  set.parameterBlocks.push_back(std::move(builder));
  for (std::int32_t s : slots) {
    set.codes[static_cast<std::size_t>(s - 1)] = code;
    set.slotBlock[static_cast<std::size_t>(s - 1)] =
        static_cast<std::int32_t>(set.parameterBlocks.size());
  }
}

// Gives SLOT of SET method CODE without a block.
void noBlock(fixtures::MethodSetSpec& set, std::int32_t slot, std::int32_t code) {
  set.codes[static_cast<std::size_t>(slot - 1)] = code;
  set.slotBlock[static_cast<std::size_t>(slot - 1)] = 0;
}

fixtures::ProblemDescription problemWithMarkedBlocks() {
  fixtures::ProblemDescription d;
  d.name = "blocks";
  d.components = {fixtures::publishedComponent("N-BUTANE"),
                  fixtures::publishedComponent("PROPANE")};
  auto first = fixtures::equationOfStateSet("FIRST", 101);
  name(first, {kVapourEnthalpy, kVapourDensity}, 101, marked(kVapourMark));
  name(first, {kLiquidEnthalpy, kLiquidEntropy}, 101, marked(kLiquidMark));
  name(first, {kVapourViscosity}, 1, marked(kViscosityMark));
  name(first, {kVapourFugacity}, 210, marked(kFugacityMark));
  noBlock(first, kVapourEntropy, 1);
  noBlock(first, kSurfaceTension, 1);
  first.integerScratch[kVapourEnthalpy - 1] = kVapourIntegerWork;
  first.realScratch[kVapourEnthalpy - 1] = kVapourRealWork;
  first.integerScratch[kLiquidEnthalpy - 1] = kLiquidIntegerWork;
  first.realScratch[kLiquidEnthalpy - 1] = kLiquidRealWork;

  auto second = fixtures::equationOfStateSet("SECOND", 101);
  name(second, {kVapourEnthalpy}, 101, marked(kOtherVapourMark));
  name(second, {kLiquidEnthalpy}, 419, marked(kSecondLiquidMark));
  noBlock(second, kVapourDensity, 1);
  noBlock(second, kVapourViscosity, 1);
  noBlock(second, kVapourFugacity, 107);
  name(second, {kVapourEntropy}, 101,
       marked(kLongMark, static_cast<std::size_t>(kLongBlockReals), 1));
  d.methodSets = {first, second};
  return d;
}

class CoefficientBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    const fixtures::ProblemDescription d = problemWithMarkedBlocks();
    const fixtures::BuiltProblem built = fixtures::buildProblem(dir.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(built.problemBase.parent_path().string() + "/" + d.name, dir.path().string(),
                    iout, 0);
    open = true;
    makeCurrent(kFirstSet);
  }
  ~CoefficientBlocks() override {
    try {
      if (open) methods::PAEND();
    } catch (const platform::RunStopped&) {
    }
    storage::FIINIT();
  }

  static void makeCurrent(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

  // Real K and integer K of the held block, as LDSTAT describes it.
  static double heldReal(std::int32_t k) { return CORSTO.real(LDSTAT.realSector1 + k); }
  static std::int32_t heldInteger(std::int32_t k) { return CORSTO[LDSTAT.integerSector1 + k]; }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  bool open = false;
};

// The open leaves nothing held; a loader reads its block and describes it, a second call
// reads nothing (a change to the held copy survives), and an entry naming the same disk
// block shares the copy. Another block replaces it, and coming back brings back the stored
// values: the change is lost.
TEST_F(CoefficientBlocks, HeldBlockIsReadOnceAndSharedBetweenEntries) {
  EXPECT_EQ(LDSTAT.address, 0);
  ASSERT_EQ(methods::PMCTL3.vapourEnthalpy.blockAddress,
            methods::PMCTL1.vapourDensity.blockAddress);

  EXPECT_EQ(pure::MDLOD1(), 0);
  EXPECT_EQ(LDSTAT.address, methods::PMCTL3.vapourEnthalpy.blockAddress);
  EXPECT_EQ(LDSTAT.length, methods::PMCTL3.vapourEnthalpy.blockLength);
  EXPECT_EQ(LDSTAT.realLength1, 6);
  EXPECT_EQ(LDSTAT.integerLength1, 4);
  EXPECT_EQ(heldReal(1), kVapourMark);
  EXPECT_EQ(heldReal(6), kVapourMark + 5.0);
  EXPECT_EQ(heldInteger(4), static_cast<std::int32_t>(kVapourMark) + 3);
  // The block lies in the block area got at open.
  EXPECT_EQ(LDSTAT.blockArea, problem::MDLBAS.realBase(problem::kBlockArea));

  CORSTO.setReal(LDSTAT.realSector1 + 1, -1.0);
  pure::MDLOD1();
  EXPECT_EQ(heldReal(1), -1.0) << "read again";
  pure::MDLOD6();  // vapour density: the same disk block
  EXPECT_EQ(heldReal(1), -1.0) << "the shared block read again";

  pure::MDLOD2();
  EXPECT_EQ(LDSTAT.address, methods::PMCTL2.liquidEnthalpy.blockAddress);
  EXPECT_EQ(heldReal(1), kLiquidMark);
  pure::MDLOD5();  // liquid entropy shares it
  EXPECT_EQ(heldReal(2), kLiquidMark + 1.0);

  pure::MDLOD1();
  EXPECT_EQ(heldReal(1), kVapourMark);
}

// An entry without a block: the loaders of vapour density, surface tension and vapour
// viscosity clear the held address and the block results, so that the next load reads its
// block again; the others leave the results describing the block held.
TEST_F(CoefficientBlocks, EntryWithoutBlockClearsOrKeepsTheResults) {
  struct Case {
    const char* label;
    std::int32_t set;
    std::function<std::int32_t()> loader;
    bool cleared;
  };
  const std::vector<Case> cases = {
      {"MDLOD3 second liquid", kFirstSet, pure::MDLOD3, false},
      {"MDLOD4 vapour entropy", kFirstSet, pure::MDLOD4, false},
      {"MDLOD8 surface tension", kFirstSet, pure::MDLOD8, true},
      {"MDLOD6 vapour density", kSecondSet, pure::MDLOD6, true},
      {"MDLOD7 vapour fugacity", kSecondSet, pure::MDLOD7, false},
      {"MDLOD9 vapour viscosity", kSecondSet, pure::MDLOD9, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    makeCurrent(c.set);
    pure::MDLOD1();
    const methods::LoadedBlock before = LDSTAT;
    CORSTO.setReal(LDSTAT.realSector1 + 1, -1.0);
    EXPECT_EQ(c.loader(), 0);
    if (c.cleared) {
      EXPECT_EQ(LDSTAT.address, 0);
      EXPECT_EQ(LDSTAT.integerSector1, 0);
      EXPECT_EQ(LDSTAT.integerLength1, 0);
      EXPECT_EQ(LDSTAT.realSector1, 0);
      EXPECT_EQ(LDSTAT.realLength1, 0);
    } else {
      EXPECT_EQ(LDSTAT.address, before.address);
      EXPECT_EQ(LDSTAT.integerSector1, before.integerSector1);
      EXPECT_EQ(LDSTAT.integerLength1, before.integerLength1);
      EXPECT_EQ(LDSTAT.realSector1, before.realSector1);
      EXPECT_EQ(LDSTAT.realLength1, before.realLength1);
    }
    // After a clear the same block is read again: the change is gone.
    pure::MDLOD1();
    const double stored = c.set == kFirstSet ? kVapourMark : kOtherVapourMark;
    EXPECT_EQ(heldReal(1), c.cleared ? stored : -1.0);
  }
}

// A switch of method set changes the entries, and the next load reads the new set's block;
// coming back reads the first one again. The second set names 419 for the liquid enthalpy:
// its block is the second liquid model's.
TEST_F(CoefficientBlocks, SwitchOfMethodSetReloads) {
  pure::MDLOD1();
  EXPECT_EQ(heldReal(1), kVapourMark);
  const std::int32_t firstAddress = LDSTAT.address;

  makeCurrent(kSecondSet);
  pure::MDLOD1();
  EXPECT_NE(LDSTAT.address, firstAddress);
  EXPECT_EQ(heldReal(1), kOtherVapourMark);
  ASSERT_EQ(methods::PMCTL2.secondLiquidCode, 419);
  pure::MDLOD3();
  EXPECT_EQ(LDSTAT.address, methods::PMCTL2.secondLiquidAddress);
  EXPECT_EQ(heldReal(1), kSecondLiquidMark);

  makeCurrent(kFirstSet);
  pure::MDLOD7();
  EXPECT_EQ(heldReal(1), kFugacityMark);
  pure::MDLOD9();
  EXPECT_EQ(heldReal(1), kViscosityMark);
  pure::MDLOD1();
  EXPECT_EQ(LDSTAT.address, firstAddress);
  EXPECT_EQ(heldReal(1), kVapourMark);
}

// The work geometry of each call: the set's work lengths of the property, the integer part
// at twice the work-area base and the real part just after it, whatever block is held.
TEST_F(CoefficientBlocks, WorkAreaStartsFollowTheWorkLengths) {
  struct Case {
    const char* label;
    std::function<std::int32_t()> loader;
    std::int32_t integers, reals;
  };
  const std::vector<Case> cases = {
      {"vapour enthalpy, odd integer length", pure::MDLOD1, kVapourIntegerWork, kVapourRealWork},
      {"liquid enthalpy, even integer length", pure::MDLOD2, kLiquidIntegerWork, kLiquidRealWork},
  };
  const std::int32_t base = problem::MDLBAS.realBase(problem::kMethodWorkArea);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    c.loader();
    EXPECT_EQ(methods::PMCTL2.integerScratchSize, c.integers);
    EXPECT_EQ(methods::PMCTL2.realScratchSize, c.reals);
    EXPECT_EQ(LDSTAT.workArea, base);
    EXPECT_EQ(LDSTAT.integerScratch, 2 * base);
    EXPECT_EQ(LDSTAT.realScratch, (2 * base + c.integers + 1) / 2);
    // The real part starts past the last integer word.
    EXPECT_GT(2 * LDSTAT.realScratch, LDSTAT.integerScratch + c.integers - 1);
  }
  // An entry without a block still sets the geometry of its property.
  pure::MDLOD4();
  EXPECT_EQ(methods::PMCTL2.integerScratchSize,
            methods::MSPTRS.classes(kVapourEntropy).integerWork);
  EXPECT_EQ(methods::PMCTL2.realScratchSize, methods::MSPTRS.classes(kVapourEntropy).realWork);
}

// A work demand or a block larger than the areas got at open gets larger areas instead of
// running past them.
TEST_F(CoefficientBlocks, DemandsBeyondTheAreasGetLargerAreas) {
  const std::int32_t demand = LDSTAT.workAreaReals + 10;
  methods::MSPTRS.classes(kVapourEnthalpy).realWork = demand;
  pure::MDLOD1();
  EXPECT_NE(LDSTAT.workArea, problem::MDLBAS.realBase(problem::kMethodWorkArea));
  EXPECT_EQ(LDSTAT.integerScratch, 2 * LDSTAT.workArea);
  EXPECT_LE(LDSTAT.realScratch + demand, LDSTAT.workArea + LDSTAT.workAreaReals);

  // The second set's vapour-entropy block is longer than the block area.
  makeCurrent(kSecondSet);
  ASSERT_GT(kLongBlockReals, LDSTAT.blockAreaReals);
  pure::MDLOD4();
  EXPECT_EQ(LDSTAT.realLength1, kLongBlockReals);
  EXPECT_EQ(heldReal(kLongBlockReals), kLongMark + kLongBlockReals - 1);
  EXPECT_GE(LDSTAT.blockAreaReals, kLongBlockReals);
}

}  // namespace
