// Method-set switching and descriptor decoding on a problem that the fixture builder writes:
// each switch loads the set's block and descriptor, a switch to the set already loaded only
// refreshes, the sets' own component blocks replace component sectors, and the sets that
// cannot be loaded stop the run.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using services::IMISS;
using services::NOCORE;
using services::NODISK;
using storage::DiskPointer;
using storage::SectorKind;

constexpr std::int32_t kKeep = 3;
constexpr int kMessageUnit = 52;
constexpr std::int32_t kWaterComponent = 8;

// Sets of the fixture problem, by number.
enum Set : std::int32_t {
  kPr = 1,         // free water on: option 123456, header word 1 = 7
  kSrk = 2,        // the default; the same option word but no free-water component
  kActivity = 3,   // 404 with Henry's law, liquid enthalpy 419, option 23456
  kPlainActivity,  // 404 without Henry's law, slot 17 = 107
  kSecondLiquid,   // 101 with liquid enthalpy 417 and liquid density 420
  kAllSlots,       // a distinct code, option and parameter block in every decoded slot
  kOwnCritical,    // own component block: Tc and the integer sector 4
  kOwnPressure,    // a larger own component block: Pc only
  kSetCount = kOwnPressure
};

constexpr std::size_t slotIndex(std::int32_t slot) { return static_cast<std::size_t>(slot - 1); }

fixtures::ProblemDescription problemWithSets() {
  fixtures::ProblemDescription d;
  for (const char* name : {"NITROGEN", "CARBON DIOXIDE", "METHANE", "ETHANE", "PROPANE", "N-BUTANE",
                           "N-PENTANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  const auto n = d.components.size();

  auto pr = fixtures::equationOfStateSet("PR", 101);
  pr.options[0] = 123456;
  pr.header = {7, 22, 33, 44, 0};
  pr.parameterWords[slotIndex(1)] = 30;
  pr.parameterWords[slotIndex(6)] = 25;

  auto srk = fixtures::equationOfStateSet("SRK", 102);
  srk.slotBlock.fill(0);  // a set without parameter blocks
  srk.options[0] = 123456;
  srk.header = {7, 2, 3, 4, 1};

  auto activity = fixtures::equationOfStateSet("NRTL-HENRY", 101);
  activity.codes[slotIndex(1)] = 404;
  activity.codes[slotIndex(6)] = 419;
  activity.codes[slotIndex(17)] = 210;
  activity.codes[slotIndex(18)] = 5;
  activity.options[0] = 23456;
  activity.header = {7, 0, 0, 0, 0, 0, 0, 1};
  activity.parameterWords[slotIndex(1)] = 40;

  auto plain = fixtures::equationOfStateSet("NRTL", 101);
  plain.codes[slotIndex(1)] = 404;
  plain.codes[slotIndex(6)] = 201;
  plain.codes[slotIndex(17)] = 107;
  plain.codes[slotIndex(18)] = 0;
  plain.parameterWords[slotIndex(1)] = 12;

  auto second = fixtures::equationOfStateSet("LIQ-MODEL", 101);
  second.codes[slotIndex(6)] = 417;
  second.codes[slotIndex(8)] = 420;
  second.codes[slotIndex(18)] = 5;
  second.parameterWords[slotIndex(6)] = 15;
  second.parameterWords[slotIndex(8)] = 16;

  auto all = fixtures::equationOfStateSet("ALL-SLOTS", 101);
  for (std::int32_t s = 1; s <= 19; ++s) {
    if (s >= 6 && s <= 17) all.codes[slotIndex(s)] = 1000 + s;
    all.options[slotIndex(s)] = 10 * s + s % 10;
    all.parameterWords[slotIndex(s)] = 10 + s;
    all.realScratch[slotIndex(s)] = 100 + s;
    all.integerScratch[slotIndex(s)] = 200 + s;
  }

  auto critical = fixtures::equationOfStateSet("OWN-TC", 101);
  critical.componentIntegers.resize(4);
  critical.componentIntegers[3].assign(n, 0);
  critical.componentReals.resize(5);
  for (std::size_t i = 0; i < n; ++i) {
    critical.componentIntegers[3][i] = 900 + static_cast<std::int32_t>(i);
    critical.componentReals[4].push_back(500.0 + static_cast<double>(i));
  }

  auto pressure = fixtures::equationOfStateSet("OWN-PC", 101);
  pressure.componentIntegers.resize(20);
  pressure.componentIntegers[19].assign(300, 1);  // makes the block the larger one
  pressure.componentReals.resize(6);
  for (std::size_t i = 0; i < n; ++i) {
    pressure.componentReals[5].push_back(7000.0 + static_cast<double>(i));
  }

  d.methodSets = {pr, srk, activity, plain, second, all, critical, pressure};
  d.defaultMethodSet = kSrk;
  d.waterComponent = kWaterComponent;
  return d;
}

// The set block of a set as stored, read apart from the switch.
class StoredSet {
 public:
  explicit StoredSet(std::int32_t n) {
    services::FixedText<12> name;
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::THIDX.index, n, name, pointer, data, status);
    EXPECT_EQ(status, 0);
    storage::SBRDC(len_, core_, pointer, status);
    EXPECT_EQ(status, 0);
  }
  ~StoredSet() { storage::CMFREI(core_); }
  StoredSet(const StoredSet&) = delete;
  StoredSet& operator=(const StoredSet&) = delete;

  // Pointer J of disk-pointer sector S.
  DiskPointer entry(std::int32_t s, std::int32_t j) const {
    DiskPointer p{};
    storage::SBGETC(len_, core_, s, j, 0, p);
    return p;
  }
  std::int32_t address(std::int32_t s, std::int32_t j) const {
    return storage::dp(entry(s, j), storage::dpword::kAddress);
  }
  std::int32_t length(std::int32_t s, std::int32_t j) const {
    return storage::dp(entry(s, j), storage::dpword::kTotalLength);
  }
  // Replaces pointer J of disk-pointer sector S and writes the block back in place, as a
  // damaged file would hold it.
  void replace(std::int32_t s, std::int32_t j, const DiskPointer& p) {
    storage::SBPUTC(len_, core_, s, j, 0, p);
    std::int32_t status = 0;
    storage::SBWTC(len_, core_, pointer, status);
    EXPECT_EQ(status, 0) << "written in place";
  }

  DiskPointer pointer{};

 private:
  std::int32_t len_ = 0;
  std::int32_t core_ = NOCORE;
};

struct Digits {
  std::int32_t d3 = -9;
  std::int32_t d4 = -9;
  std::int32_t d5 = -9;
  std::int32_t ndig = -9;
};

class MethodSets : public ::testing::Test {
 protected:
  void SetUp() override {
    description = problemWithSets();
    built = fixtures::buildProblem(dir.path(), description);
    services::ERINIT();
    openProblem();
  }

  void TearDown() override {
    if (open) closeProblem();
    if (messagesOpen) platform::closeUnit(kMessageUnit, true);
  }

  // The databases as the open sequence opens them, then its method-set set-up: the default
  // set from table TH, nothing loaded yet.
  void openProblem() {
    problem::DBSOPN(-1, built.supportBase.string(), 0, problem::kReadOnly);
    problem::DBOPEN(-1, built.problemBase.string(), 0, problem::kReadWrite);
    problem::DBCASE();
    problem::THCTL.defaultSet = storage::CORSTO[problem::THMISC.integerSector2 + 6];
    problem::THCTL.currentSet = problem::kNoCurrentSet;
    open = true;
  }

  void closeProblem() {
    problem::DBCLOS(kKeep);
    problem::DBSCLS(kKeep);
    open = false;
  }

  static Digits switchTo(std::int32_t n) {
    Digits d;
    methods::FLMSET(d.d3, d.d4, d.d5, d.ndig, n);
    return d;
  }

  const fixtures::MethodSetSpec& setOf(std::int32_t n) const {
    return description.methodSets[static_cast<std::size_t>(n - 1)];
  }

  // Word K of integer sector S of the loaded set block, through MSPTRS.
  static std::int32_t loadedWord(std::int32_t s, std::int32_t k) {
    return storage::CORSTO[methods::MSPTRS.integerSectors(static_cast<std::size_t>(s)) + k];
  }

  // The text of the run stop that CALL ends in, from the message lines; empty when it
  // returns.
  std::string stopText(const std::function<void()>& call) {
    if (!messagesOpen) {
      const platform::IoResult opened =
          platform::openSequential(kMessageUnit, (built.directory / "veltra.err").string(),
                                   platform::FileStatus::Old, platform::FileAccess::Read);
      EXPECT_EQ(opened, platform::IoResult::Ok);
      messagesOpen = opened == platform::IoResult::Ok;
      services::ERINIT();
      services::ERSETO("FILE", kMessageUnit);
    }
    try {
      call();
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 15);
      std::string text;
      for (int k = 1; k <= services::MSGTXT.lineCount; ++k) {
        text += std::string(services::trimRight(services::MSGTXT.lines(k).view().substr(15)));
        text += ' ';
      }
      return text;
    }
    return {};
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription description;
  fixtures::BuiltProblem built;
  bool open = false;
  bool messagesOpen = false;
};

// Each switch reads the set's own block: its header, codes and options come through MSPTRS
// from inside the set-block area, and the descriptor names its codes and blocks.
TEST_F(MethodSets, SwitchLoadsEachSetsBlockAndDescriptor) {
  const problem::MethodSetControl& control = problem::THCTL;
  EXPECT_EQ(control.setCount, kSetCount);
  for (const std::int32_t n : {kPr, kActivity, kSrk, kAllSlots, kPr}) {
    SCOPED_TRACE(setOf(n).name);
    const Digits d = switchTo(n);
    EXPECT_EQ(d.ndig, 3);
    EXPECT_EQ(control.currentSet, n);
    ASSERT_NE(control.blockArea, NOCORE);

    for (std::int32_t s = 1; s <= 17; ++s) {
      const std::int32_t start = methods::MSPTRS.integerSectors(static_cast<std::size_t>(s));
      EXPECT_GE(start, control.blockArea) << "integer sector " << s;
      EXPECT_LT(start, control.blockArea + control.blockLength) << "integer sector " << s;
    }
    for (std::int32_t k = 1; k <= 24; ++k) {
      EXPECT_EQ(loadedWord(1, k), setOf(n).header[static_cast<std::size_t>(k - 1)]) << k;
    }
    for (std::int32_t slot = 1; slot <= 19; ++slot) {
      EXPECT_EQ(loadedWord(3, slot), setOf(n).codes[slotIndex(slot)]) << "slot " << slot;
      EXPECT_EQ(loadedWord(4, slot), setOf(n).options[slotIndex(slot)]) << "slot " << slot;
    }
    EXPECT_EQ(control.waterOption, setOf(n).header[1]);
    EXPECT_EQ(control.waterPropertyMethod, setOf(n).header[2]);
    EXPECT_EQ(control.waterPropertyCorrection, setOf(n).header[3]);
    EXPECT_EQ(control.noFreeWater, setOf(n).header[4]);
    EXPECT_EQ(control.waterComponent, kWaterComponent);

    const StoredSet stored(n);
    EXPECT_EQ(methods::KMCTL.kvalue.code, setOf(n).codes[0]);
    EXPECT_EQ(methods::KMCTL.kvalue.slot, 1);
    EXPECT_EQ(methods::KMCTL.levelWord, 1);
    EXPECT_EQ(methods::KMCTL.kvalue.option, setOf(n).options[0] % 10);
    EXPECT_EQ(methods::KMCTL.kvalue.blockAddress, stored.address(3, 1));
    EXPECT_EQ(methods::KMCTL.kvalue.blockLength, stored.length(3, 1));
    EXPECT_EQ(methods::PMCTL3.vapourEnthalpy.code, setOf(n).codes[slotIndex(7)]);
  }
  EXPECT_NE(methods::KMCTL.kvalue.blockAddress, NODISK) << "PR has a K-value block";
}

// A switch to the set already loaded reads nothing: a word changed in the block in core
// stays, and so does the descriptor; the words other routines change are refreshed all the
// same. A switch away and back reads the set again, into the same area.
TEST_F(MethodSets, SwitchToTheCurrentSetOnlyRefreshes) {
  switchTo(kPr);
  const std::int32_t area = problem::THCTL.blockArea;
  const std::int32_t vapourEnthalpy = methods::MSPTRS.integerSectors(3) + 7;  // slot 7 code
  storage::CORSTO[vapourEnthalpy] = 999;
  methods::KMCTL.kvalue.blockAddress = 0;
  methods::KMCTL.kvalue.blockLength = 0;
  methods::KMCTL.kvalue.option = 9;
  problem::THCTL.xwd = 0.5;
  problem::THCTL.ywd = 0.25;
  problem::THCTL.idecnt = 99;
  problem::THCTL.waterComponent = -1;
  methods::PMCTL1.cacheValid = 1;

  for (int call = 1; call <= 2; ++call) {
    SCOPED_TRACE(call);
    const Digits d = switchTo(kPr);
    EXPECT_EQ(storage::CORSTO[vapourEnthalpy], 999) << "not read again";
    EXPECT_EQ(methods::PMCTL3.vapourEnthalpy.code, 101) << "not decoded again";
    const StoredSet stored(kPr);
    EXPECT_EQ(methods::KMCTL.kvalue.blockAddress, stored.address(3, 1));
    EXPECT_EQ(methods::KMCTL.kvalue.blockLength, stored.length(3, 1));
    EXPECT_EQ(methods::KMCTL.kvalue.option, 6);
    EXPECT_EQ(d.d3, 4);
    EXPECT_EQ(problem::THCTL.xwd, 0.0);
    EXPECT_EQ(problem::THCTL.ywd, 0.0);
    EXPECT_EQ(problem::THCTL.idecnt, 7);
    EXPECT_EQ(problem::THCTL.waterComponent, kWaterComponent);
    EXPECT_EQ(methods::PMCTL1.cacheValid, 0);
  }

  switchTo(kSrk);
  switchTo(kPr);
  EXPECT_EQ(storage::CORSTO[methods::MSPTRS.integerSectors(3) + 7], 101) << "read again";
  EXPECT_EQ(problem::THCTL.blockArea, area) << "the area is reused";
}

// A set number below 1 names the default set, for the switch and for the name.
TEST_F(MethodSets, DefaultSetIsMadeCurrent) {
  switchTo(kPr);
  for (const std::int32_t n : {0, -4}) {
    SCOPED_TRACE(n);
    switchTo(n);
    EXPECT_EQ(problem::THCTL.currentSet, kSrk);
    EXPECT_EQ(methods::KMCTL.kvalue.code, 102);
  }

  struct Case {
    std::int32_t n;
    const char* name;
  };
  for (const Case& c : {Case{0, "SRK"}, Case{-1, "SRK"}, Case{kActivity, "NRTL-HENRY"},
                        Case{kSetCount + 1, ""}, Case{1000, ""}}) {
    SCOPED_TRACE(c.n);
    services::FixedText<12> name("GARBAGE!!!!!");
    methods::MSETNM(name, c.n);
    EXPECT_EQ(name.trimmed(), c.name);
  }
  // The caller's length: cut, or blank-padded past the twelve characters.
  std::array<char, 5> shortName{};
  methods::MSETNM(shortName, kActivity);
  EXPECT_EQ(std::string(shortName.data(), shortName.size()), "NRTL-");
  std::array<char, 16> longName{};
  longName.fill('x');
  methods::MSETNM(longName, kPr);
  EXPECT_EQ(std::string(longName.data(), longName.size()), "PR              ");

  // Without a default set there is no default name.
  problem::THCTL.defaultSet = 0;
  services::FixedText<12> name("GARBAGE");
  methods::MSETNM(name, 0);
  EXPECT_TRUE(name.isBlank());
}

// The option digits of slot 1 and the free-water component: the hundred-thousands digit
// turns it on, header word 5 = 1 turns it off again.
TEST_F(MethodSets, OptionDigitsAndFreeWaterComponent) {
  struct Case {
    std::int32_t set;
    Digits digits;
    std::int32_t kOption;
    std::int32_t freeWater;
  };
  const std::vector<Case> cases = {
      {kPr, {4, 3, 2, 3}, 6, 7},        // 123456 with header word 1 = 7
      {kSrk, {4, 3, 2, 3}, 6, 0},       // the same with header word 5 = 1
      {kActivity, {4, 3, 2, 3}, 6, 0},  // 23456: no hundred-thousands digit
      {kPlainActivity, {0, 0, 0, 3}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(setOf(c.set).name);
    const Digits d = switchTo(c.set);
    EXPECT_EQ(d.d3, c.digits.d3);
    EXPECT_EQ(d.d4, c.digits.d4);
    EXPECT_EQ(d.d5, c.digits.d5);
    EXPECT_EQ(d.ndig, c.digits.ndig);
    EXPECT_EQ(methods::KMCTL.kvalue.option, c.kOption);
    EXPECT_EQ(problem::THCTL.idecnt, c.freeWater);
  }
}

// Every decoded slot lands in its own entry with its code, option digit and block.
TEST_F(MethodSets, EachSlotLandsInItsEntry) {
  switchTo(kAllSlots);
  const StoredSet stored(kAllSlots);
  struct Case {
    std::int32_t slot;
    const methods::MethodEntry& entry;
  };
  const std::vector<Case> cases = {
      {6, methods::PMCTL2.liquidEnthalpy},      {7, methods::PMCTL3.vapourEnthalpy},
      {8, methods::PMCTL1.liquidDensity},       {9, methods::PMCTL1.vapourDensity},
      {10, methods::PMCTL1.liquidEntropy},      {11, methods::PMCTL1.vapourEntropy},
      {12, methods::PMCTL4.liquidViscosity},    {13, methods::PMCTL4.vapourViscosity},
      {14, methods::PMCTL4.liquidConductivity}, {15, methods::PMCTL4.vapourConductivity},
      {16, methods::PMCTL4.surfaceTension},     {17, methods::THDXCH.vapourFugacity},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(c.entry.code, 1000 + c.slot);
    EXPECT_EQ(c.entry.option, c.slot % 10);
    EXPECT_NE(c.entry.blockAddress, NODISK);
    EXPECT_EQ(c.entry.blockAddress, stored.address(3, c.slot));
    EXPECT_EQ(c.entry.blockLength, stored.length(3, c.slot));
  }
  // The per-class table of the parameter-block loaders: every slot.
  for (std::int32_t s = 1; s <= 19; ++s) {
    SCOPED_TRACE(s);
    const methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(s));
    EXPECT_EQ(c.code, setOf(kAllSlots).codes[slotIndex(s)]);
    EXPECT_EQ(c.optionWord, 10 * s + s % 10);
    EXPECT_EQ(c.realWork, 100 + s);
    EXPECT_EQ(c.integerWork, 200 + s);
    EXPECT_EQ(c.blockAddress, stored.address(3, s));
    EXPECT_EQ(c.blockLength, stored.length(3, s));
  }

  // Slots without a block name none.
  switchTo(kSrk);
  EXPECT_EQ(methods::MSPTRS.classes(1).blockAddress, NODISK);
  EXPECT_EQ(methods::PMCTL4.surfaceTension.code, IMISS);
  EXPECT_EQ(methods::PMCTL4.surfaceTension.blockAddress, NODISK);
  EXPECT_EQ(methods::PMCTL1.liquidDensity.blockAddress, NODISK);
}

// The liquid-fugacity entry of the activity-coefficient route and the second liquid model.
TEST_F(MethodSets, ActivityAndSecondLiquidEntries) {
  struct Case {
    std::int32_t set;
    std::int32_t fugacityCode;
    std::int32_t fugacityOption;
    std::int32_t fugacitySlot;
    bool fugacityBlock;  // slot 1's block, else none
    std::int32_t henry;
    std::int32_t liquidEnthalpyCode;
    std::int32_t secondLiquidCode;
    std::int32_t liquidDensityCode;
  };
  const std::vector<Case> cases = {
      // 404, slot 18 = 0, slot 6 = 201, slot 17 = 107, header word 8 = 0.
      {kPlainActivity, 404, 0, 1, true, 0, 201, 0, 101},
      // 404, slot 18 > 0, slot 6 = 419, slot 17 = 210, header word 8 = 1.
      {kActivity, 404, 10000 + 1000 + 110 + 1, 1, true, 1, 1, 419, 101},
      // 101 is no activity method: no liquid-fugacity entry whatever slot 18 holds;
      // liquid enthalpy 417 and liquid density 420 give code 1 without a block.
      {kSecondLiquid, 0, 0, 0, false, 0, 1, 417, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(setOf(c.set).name);
    switchTo(kPr);
    switchTo(c.set);
    const StoredSet stored(c.set);
    const methods::MethodEntry& fugacity = methods::KMCTL.liquidFugacity;
    EXPECT_EQ(fugacity.code, c.fugacityCode);
    EXPECT_EQ(fugacity.option, c.fugacityOption);
    EXPECT_EQ(fugacity.slot, c.fugacitySlot);
    EXPECT_EQ(fugacity.blockAddress, c.fugacityBlock ? stored.address(3, 1) : NODISK);
    EXPECT_EQ(fugacity.blockLength, c.fugacityBlock ? stored.length(3, 1) : 0);
    EXPECT_EQ(methods::KMCTL.henryFlag, c.henry);
    EXPECT_EQ(methods::MSPTRS.firstClassFlag, setOf(c.set).header[7]);

    const methods::PropertyMethods2& p2 = methods::PMCTL2;
    EXPECT_EQ(p2.liquidEnthalpy.code, c.liquidEnthalpyCode);
    EXPECT_EQ(p2.secondLiquidCode, c.secondLiquidCode);
    if (c.secondLiquidCode != 0) {
      EXPECT_EQ(p2.liquidEnthalpy.blockAddress, NODISK);
      EXPECT_EQ(p2.liquidEnthalpy.blockLength, 0);
      EXPECT_EQ(p2.secondLiquidAddress, stored.address(3, 6));
      EXPECT_EQ(p2.secondLiquidLength, stored.length(3, 6));
    } else {
      EXPECT_EQ(p2.secondLiquidAddress, NODISK);
      EXPECT_EQ(p2.secondLiquidLength, 0);
    }
    EXPECT_EQ(methods::PMCTL1.liquidDensity.code, c.liquidDensityCode);
    if (c.liquidDensityCode == 1) {
      EXPECT_EQ(methods::PMCTL1.liquidDensity.blockAddress, NODISK);
      EXPECT_NE(stored.address(3, 8), NODISK) << "the stored block is not named";
    }
  }
}

// A set's own component block replaces the component sectors it carries; a set without one
// reads the component table's own data, whatever set came before it; the next own block
// replaces the one before it.
TEST_F(MethodSets, OwnComponentBlocksReplaceComponentSectors) {
  using problem::ComponentReal;
  using problem::COPTRS;
  const problem::ComponentPointers table = COPTRS;
  const auto n = static_cast<std::int32_t>(description.components.size());
  const auto real = [](ComponentReal sector, std::int32_t i) {
    return storage::CORSTO.real(COPTRS.realSector(sector) + i);
  };
  const auto tableCriticalTemperature = [&](std::int32_t i) {
    return description.components[static_cast<std::size_t>(i - 1)].criticalTemperature;
  };
  const auto tableCriticalPressure = [&](std::int32_t i) {
    return description.components[static_cast<std::size_t>(i - 1)].criticalPressure;
  };

  switchTo(kOwnCritical);
  EXPECT_NE(problem::THCTL.componentArea, NOCORE);
  EXPECT_EQ(problem::THCTL.componentLength,
            storage::dp(StoredSet(kOwnCritical).entry(5, 1), storage::dpword::kTotalLength));
  for (std::int32_t i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(real(ComponentReal::CriticalTemperature, i), 500.0 + i - 1);
    EXPECT_EQ(storage::CORSTO[COPTRS.integerSector(4) + i], 900 + i - 1);
    EXPECT_EQ(real(ComponentReal::CriticalPressure, i), tableCriticalPressure(i));
  }
  for (std::int32_t w = 1; w <= 72; ++w) {
    if (w == 4 || w == 27 + 5) continue;
    EXPECT_EQ(COPTRS.words(static_cast<std::size_t>(w)), table.words(static_cast<std::size_t>(w)))
        << "word " << w;
  }

  switchTo(kPr);
  for (std::int32_t w = 1; w <= 72; ++w) {
    EXPECT_EQ(COPTRS.words(static_cast<std::size_t>(w)), table.words(static_cast<std::size_t>(w)))
        << "word " << w << ": a set without a block reads the table's";
  }
  EXPECT_EQ(real(ComponentReal::CriticalTemperature, 1), tableCriticalTemperature(1));

  switchTo(kOwnPressure);
  for (std::int32_t i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(real(ComponentReal::CriticalPressure, i), 7000.0 + i - 1);
    EXPECT_EQ(real(ComponentReal::CriticalTemperature, i), tableCriticalTemperature(i));
  }
  EXPECT_EQ(COPTRS.integerSector(4), table.integerSector(4));
  EXPECT_NE(COPTRS.integerSector(20), table.integerSector(20));

  switchTo(kOwnCritical);
  EXPECT_EQ(real(ComponentReal::CriticalTemperature, 2), 501.0);
  EXPECT_EQ(real(ComponentReal::CriticalPressure, 2), tableCriticalPressure(2));
  EXPECT_EQ(COPTRS.integerSector(20), table.integerSector(20));
}

// Switching A -> B -> A between a set with its own component block and one without gives
// each set the same pure-component data every time, and no COPTRS word is left pointing
// into the component-block area once table TH has freed it.
TEST_F(MethodSets, ComponentDataDoNotDependOnTheSetBefore) {
  using problem::ComponentReal;
  using problem::COPTRS;
  const problem::ComponentPointers table = COPTRS;
  const auto n = static_cast<std::int32_t>(description.components.size());
  const auto snapshot = [&] {
    std::vector<double> values;
    for (const ComponentReal sector : {ComponentReal::CriticalTemperature,
                                       ComponentReal::CriticalPressure,
                                       ComponentReal::AcentricFactor}) {
      for (std::int32_t i = 1; i <= n; ++i) {
        values.push_back(storage::CORSTO.real(COPTRS.realSector(sector) + i));
      }
    }
    for (std::int32_t i = 1; i <= n; ++i) {
      values.push_back(storage::CORSTO[COPTRS.integerSector(4) + i]);
    }
    return values;
  };

  switchTo(kPr);
  const std::vector<double> plain = snapshot();
  switchTo(kOwnCritical);
  const std::vector<double> own = snapshot();
  EXPECT_NE(own, plain);
  for (const std::int32_t set : {kPr, kOwnCritical, kOwnPressure, kPr, kOwnCritical, kPr}) {
    SCOPED_TRACE(set);
    switchTo(set);
    if (set == kPr) {
      EXPECT_EQ(snapshot(), plain);
    }
    if (set == kOwnCritical) {
      EXPECT_EQ(snapshot(), own);
    }
  }

  // The release of the set areas (the write of TH at the close) gives COPTRS the table's
  // own pointers back: none points into the freed block.
  switchTo(kOwnCritical);
  const std::int32_t area = problem::THCTL.componentArea;
  const std::int32_t length = problem::THCTL.componentLength;
  ASSERT_NE(area, NOCORE);
  closeProblem();
  for (std::int32_t w = 1; w <= 72; ++w) {
    const std::int32_t word = COPTRS.words(static_cast<std::size_t>(w));
    EXPECT_EQ(word, table.words(static_cast<std::size_t>(w))) << "word " << w;
    const bool insideIntegers = w <= 27 && word >= area && word < area + length;
    const bool insideReals = w > 27 && word >= area / 2 && word < (area + length) / 2 + 1;
    EXPECT_FALSE(word != NOCORE && (insideIntegers || insideReals)) << "word " << w;
  }
}

// A set that has no index entry, no set block or a block of another shape stops the run;
// a later switch to a good set loads it.
TEST_F(MethodSets, SetsThatCannotBeLoadedStopTheRun) {
  const auto replaceBlock = [](std::int32_t n, const DiskPointer& block) {
    services::FixedText<12> name;
    DiskPointer old{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::THIDX.index, n, name, old, data, status);
    ASSERT_EQ(status, 0);
    DiskPointer changed = block;
    std::int32_t entry = 0;
    storage::FBINAM(2, problem::THIDX.index, name.view(), 1, entry, changed, data, status);
    ASSERT_EQ(status, 0);
  };
  replaceBlock(kActivity, storage::emptyDiskPointer());
  replaceBlock(kPlainActivity, problem::THIDX.shortcut.pointerAt(1));  // the settings block

  // No set block, as the first load of the run and after another set.
  for (const bool afterPr : {false, true}) {
    SCOPED_TRACE(afterPr);
    if (afterPr) switchTo(kPr);
    const std::string text = stopText([] { switchTo(kActivity); });
    EXPECT_NE(text.find("METHOD SET 3"), std::string::npos) << text;
    EXPECT_NE(text.find("- CALLED FROM FCINIT"), std::string::npos) << text;
  }

  std::string text = stopText([] { switchTo(kSetCount + 1); });
  EXPECT_NE(text.find("METHOD SET 9"), std::string::npos) << text;
  EXPECT_NE(text.find("- CALLED FROM FCINIT"), std::string::npos) << text;

  text = stopText([] { switchTo(kPlainActivity); });
  EXPECT_NE(text.find("METHOD SET BLOCK HAS AN INVALID SHAPE"), std::string::npos) << text;

  // The failed load left nothing current: the next switch reads its set whole.
  EXPECT_EQ(problem::THCTL.currentSet, problem::kNoCurrentSet);
  switchTo(kSrk);
  EXPECT_EQ(methods::KMCTL.kvalue.code, 102);
  EXPECT_EQ(loadedWord(3, 1), 102);
}

// Pages of core words FIRST to FIRST + COUNT - 1 that the machine holds in memory.
std::size_t residentPages(std::int32_t first, std::int32_t count) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(platform::coreWords() + (first - 1));
  const std::uintptr_t end = start + static_cast<std::uintptr_t>(count) * 4;
  const std::uintptr_t begin = start / page * page;
  std::vector<unsigned char> flags((end - begin + page - 1) / page);
  EXPECT_EQ(mincore(reinterpret_cast<void*>(begin), end - begin, flags.data()), 0);
  return static_cast<std::size_t>(
      std::count_if(flags.begin(), flags.end(), [](unsigned char f) { return (f & 1) != 0; }));
}

// A set whose own component block claims more words than its file holds (a damaged pointer)
// stops the run at the read, and the area got for the claim is not filled before: its
// memory is not taken from the machine.
TEST_F(MethodSets, ComponentBlockBeyondItsFileStopsAtTheRead) {
  constexpr std::int32_t kClaimed = 50000000;  // words, 200 MB
  {
    StoredSet set(kOwnCritical);
    DiskPointer damaged = set.entry(5, 1);
    storage::dp(damaged, storage::dpword::kTotalLength) = kClaimed;
    storage::dp(damaged, storage::dpword::kUsedLength) = kClaimed;
    set.replace(5, 1, damaged);
  }
  const std::string text = stopText([] { switchTo(kOwnCritical); });
  EXPECT_NE(text.find("FORTRAN ERROR READING FILE"), std::string::npos) << text;
  EXPECT_NE(text.find("ERR NUM -1 "), std::string::npos) << "past the end of the file: " << text;
  EXPECT_EQ(problem::THCTL.componentLength, kClaimed);
  EXPECT_LT(residentPages(problem::THCTL.componentArea + 1, kClaimed), 1000u);
}

// The close frees the set areas and forgets the loaded set: a switch without an open problem
// stops instead of reading freed core, and the next open loads the set afresh.
TEST_F(MethodSets, CloseForgetsTheLoadedSet) {
  switchTo(kPr);
  closeProblem();
  EXPECT_EQ(problem::THCTL.currentSet, problem::kNoCurrentSet);
  EXPECT_EQ(problem::THCTL.blockArea, NOCORE);
  EXPECT_EQ(methods::MSPTRS.integerSectors(3), 0);
  const std::string text = stopText([] { switchTo(kPr); });
  EXPECT_NE(text.find("INDEX CONTROL AREA DOES NOT EXIST"), std::string::npos) << text;

  storage::FIINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  openProblem();
  // Even a switch that keeps the number loads: the areas went with the close.
  problem::THCTL.currentSet = kPr;
  switchTo(kPr);
  EXPECT_NE(problem::THCTL.blockArea, NOCORE);
  EXPECT_EQ(loadedWord(3, 1), 101);
  EXPECT_EQ(methods::KMCTL.kvalue.code, 101);
}

// The set block written back from core is what the next load reads; modes other than read
// and write change nothing.
TEST_F(MethodSets, WrittenSetBlockIsReadAgain) {
  switchTo(kPr);
  problem::MethodSetControl& control = problem::THCTL;
  storage::CORSTO[methods::MSPTRS.integerSectors(4) + 1] = 7;  // slot 1's option word

  services::FixedText<12> name;
  DiskPointer dp{};
  std::array<std::int32_t, 1> data{};
  std::int32_t status = 0;
  storage::FBINUM(1, problem::THIDX.index, kPr, name, dp, data, status);
  std::int32_t ierr = -1;
  methods::FCREAD(2, control.blockLength, control.blockArea, dp, ierr);
  if (ierr == 1) {
    std::int32_t entry = 0;
    storage::FBINAM(2, problem::THIDX.index, name.view(), 1, entry, dp, data, status);
  }

  for (const std::int32_t mode : {-1, 0, 3, 9}) {
    SCOPED_TRACE(mode);
    std::int32_t len = control.blockLength;
    std::int32_t ptr = control.blockArea;
    DiskPointer same = dp;
    methods::FCREAD(mode, len, ptr, same, ierr);
    EXPECT_EQ(ierr, mode <= 0 ? 0 : 1);
    EXPECT_EQ(same, dp);
    EXPECT_EQ(ptr, control.blockArea);
  }

  switchTo(kSrk);
  switchTo(kPr);
  EXPECT_EQ(methods::KMCTL.kvalue.option, 7);
  EXPECT_EQ(problem::THCTL.idecnt, 0) << "no hundred-thousands digit now";
}

}  // namespace
