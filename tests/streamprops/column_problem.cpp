#include "streamprops/column_problem.hpp"

#include <cstdint>
#include <string>
#include <vector>

#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace column_problem {
namespace {

constexpr std::int32_t kControlWords = 100;
constexpr std::int32_t kLiquidTemperatureItem = 175;
constexpr std::int32_t kSubUnitFirstPosition = 5;

template <std::size_t N>
std::vector<double> list(const std::array<double, N>& values) {
  return {values.begin(), values.end()};
}

// Feed entry words: kind 0, the liquid tray and the stream; the vapour tray.
std::int32_t feedWord(std::int32_t liquidTray, std::int32_t stream) {
  return liquidTray * 10000 + stream;
}

}  // namespace

fixtures::BlockSpec columnBlock(std::int32_t algorithm, const Profiles& p,
                                const TwoLiquids* liquids) {
  fixtures::BlockSpec block;
  block.system.assign(23, {});
  block.system[3] = {0, 2, 0};
  block.system[10] = {feedWord(2, kFeed1), feedWord(3, kFeed2)};
  block.system[11] = {0, 2 * 10000};

  std::vector<std::int32_t> control(kControlWords, 0);
  control[4 - 1] = kTrays;
  control[10 - 1] = kTrays;
  control[41 - 1] = algorithm;
  control[51 - 1] = 2;
  control[94 - 1] = services::IMISS;
  block.integers.assign(17, {});
  block.integers[0] = control;
  block.integers[1] = {kSubUnitFirstPosition * 10000 + kSections};
  block.integers[2] = {kSideUnit};
  block.integers[15] = {101, 101, 101};
  block.integers[16] = {0, kComponents, 2 * kComponents};

  block.reals.assign(kLiquidTemperatureItem, {});
  const auto put = [&](std::int32_t item, std::vector<double> values) {
    block.reals[static_cast<std::size_t>(item - 1)] = std::move(values);
  };
  put(6, {11.0, 12.0, 13.0, 14.0, 15.0, 16.0, 17.0});
  put(7, list(p.temperature));
  put(8, list(p.pressure));
  put(9, list(p.netVapour));
  put(10, list(p.netLiquid));
  put(11, list(p.totalVapour));
  put(12, list(p.totalLiquid));
  put(13, list(p.vapourEnthalpy));
  put(14, list(p.liquidEnthalpy));
  put(15, list(p.vapourCarried));
  put(16, list(p.liquidCarried));
  put(17, {40.0, 41.0, 42.0});
  put(18, {80.0, 81.0, 82.0});
  put(20, list(p.vapour));
  put(21, list(p.liquid));
  put(kLiquidTemperatureItem, list(p.temperature));
  if (liquids != nullptr) {
    std::vector<double> enthalpy = list(liquids->enthalpy);
    for (std::int32_t t = 0; t < kTrays; ++t)
      enthalpy[static_cast<std::size_t>(t)] = p.liquidEnthalpy[static_cast<std::size_t>(t)];
    put(14, enthalpy);
    put(26, liquids->liquid1);
    put(27, liquids->liquid2);
    put(28, list(liquids->liquid1Rate));
    put(29, list(liquids->liquid2Rate));
  }
  return block;
}

fixtures::ProblemDescription description(const std::string& name) {
  fixtures::ProblemDescription d;
  d.name = name;
  for (const char* c : {"METHANE", "ETHANE", "PROPANE"}) {
    d.components.push_back(fixtures::publishedComponent(c));
  }
  // Set 2 evaluates liquid enthalpies by a method of the special kind, set 3 is of set 1's kind.
  fixtures::MethodSetSpec special = fixtures::equationOfStateSet("SPECIAL", 102);
  fixtures::setSlotMethod(special, 6, 601);
  // Set 1 flashes the copies of the hierarchy sums: a fresh start from the Wilson K-values and
  // ideal-gas enthalpies, so that it needs no vapour-pressure correlation.
  d.methodSets = {flash_test::pengRobinsonSet("PR"), special,
                  fixtures::equationOfStateSet("ALIKE", 102)};
  d.correlationSets = {flash_test::idealGasStandIns(3)};

  fixtures::StreamSpec feed1;
  feed1.name = "FEED1";
  feed1.temperature = 300.0;
  feed1.pressure = 2000.0;
  feed1.rate = 10.0;
  feed1.enthalpy = -1000.0;
  feed1.waterFraction = 0.0;
  feed1.vapourFraction = 0.4;
  feed1.liquidFraction = 0.6;
  feed1.composition = {0.5, 0.3, 0.2};
  feed1.vapour = {0.7, 0.2, 0.1};
  feed1.liquid = {0.3667, 0.3667, 0.2667};
  feed1.integerWords = {{20, 1}};
  fixtures::StreamSpec feed2 = feed1;
  feed2.name = "FEED2";
  feed2.temperature = 400.0;
  feed2.pressure = 1500.0;
  feed2.rate = 5.0;
  feed2.enthalpy = -500.0;
  feed2.vapourFraction = 1.0;
  feed2.liquidFraction = 0.0;
  feed2.composition = {0.2, 0.2, 0.6};
  feed2.vapour = {0.2, 0.2, 0.6};
  feed2.liquid = {0.0, 0.0, 0.0};
  fixtures::StreamSpec idle = feed1;
  idle.name = "IDLE";
  idle.rate = 0.0;
  fixtures::StreamSpec feed3 = feed1;
  feed3.name = "FEED3";
  feed3.temperature = 400.0;
  feed3.pressure = 1500.0;
  feed3.enthalpy = -500.0;
  feed3.vapourFraction = 1.0;
  feed3.liquidFraction = 0.0;
  feed3.composition = {0.1, 0.1, 0.8};
  feed3.vapour = {0.1, 0.1, 0.8};
  feed3.liquid = {0.0, 0.0, 0.0};
  fixtures::StreamSpec unknownEnthalpy = feed3;
  unknownEnthalpy.name = "NOENTHALPY";
  unknownEnthalpy.enthalpy = services::RMISS;
  fixtures::StreamSpec underSpecial = feed1;
  underSpecial.name = "FEED1-SP";
  underSpecial.integerWords = {{20, 2}};
  fixtures::StreamSpec underAlike = feed3;
  underAlike.name = "FEED3-ALIKE";
  underAlike.integerWords = {{20, 3}};
  d.streams = {feed1, feed2, idle, feed3, unknownEnthalpy, underSpecial, underAlike};

  fixtures::UnitSpec column;
  column.identifier = "COLUMN";
  column.type = 120001;
  column.data = columnBlock(1, Profiles{});
  fixtures::UnitSpec extractor = column;
  extractor.identifier = "EXTRACTOR";
  TwoLiquids liquids;
  liquids.liquid1Rate = {5.0, 5.0, 5.0, 4.0, 4.0, 4.0};
  liquids.liquid2Rate = {3.0, 3.0, 3.0, 2.0, 2.0, 2.0};
  liquids.enthalpy = {0.0, 0.0, 0.0, -410.0, -410.0, -410.0, -420.0, -420.0, -420.0};
  liquids.liquid1.assign(kTrays * kComponents, 1.0 / kComponents);
  liquids.liquid2.assign(kTrays * kComponents, 1.0 / kComponents);
  extractor.data = columnBlock(4, Profiles{}, &liquids);

  fixtures::UnitSpec side;
  side.identifier = "SIDE";
  side.type = 120002;
  fixtures::BlockSpec sideBlock;
  sideBlock.system.assign(23, {});
  std::vector<std::int32_t> control(kControlWords, 0);
  control[10 - 1] = 2;
  control[94 - 1] = kColumn;
  sideBlock.integers = {control};
  sideBlock.reals.assign(6, {});
  sideBlock.reals[5] = {91.0, 92.0};
  side.data = sideBlock;

  fixtures::UnitSpec other;
  other.identifier = "OTHER";
  other.type = 10001;
  fixtures::BlockSpec otherBlock;
  otherBlock.system.assign(23, {});
  otherBlock.integers = {std::vector<std::int32_t>(kControlWords, 0), {7, 8, 9}};
  otherBlock.integers[0][94 - 1] = services::IMISS;
  otherBlock.integers.resize(250, {});
  otherBlock.integers[249] = {4242, 4343};
  otherBlock.reals = {{1.5, 2.5}, {10.0, 20.0, 30.0}};
  other.data = otherBlock;

  other.record.vatEntries = 10;
  // clang-format off
  other.record.vat = {
      100020000, 2, 1, 0,                // 1 real item 2, index 2, the first of a pair
      100020000, 2, 2, 0,                // 2 the same, the pair picked by the code
      300020000, 3, 0, 0,                // 3 integer item 2, index 3
      500000000, 0, 0, 6,                // 4 row 6, converted as conversion row 6 selects
      services::IMISS, 1, 1, 0,          // 5 kind and items missing
      100010000, 1, 1, 0,                // 6 real item 1, index 1
      100020000, 2, services::IMISS, 0,  // 7 option digits missing
      500000000, 0, 0, 7,                // 8 row 7
      200020001, 1, 0, 0,                // 9 attributed real item 2
      500000000, 0, 0, 4,                // 10 row 4, itself indirect
  };
  // clang-format on

  // Units whose feeds make hierarchy streams.
  const auto mixer = [&](const std::string& id, std::vector<std::int32_t> feeds) {
    fixtures::UnitSpec unit;
    unit.identifier = id;
    unit.type = 10002;
    fixtures::BlockSpec block;
    block.system.assign(23, {});
    block.system[3] = {0, static_cast<std::int32_t>(feeds.size()), 0};
    block.system[10] = feeds;
    std::vector<std::int32_t> words(kControlWords, 0);
    words[51 - 1] = static_cast<std::int32_t>(feeds.size());
    block.integers = {words};
    unit.data = block;
    return unit;
  };
  d.flowsheet.units = {column,
                       extractor,
                       side,
                       other,
                       mixer("MIXER", {kFeed1, kFeed3}),
                       mixer("NOH-MIXER", {kFeed1, kNoEnthalpy}),
                       mixer("IDLE-MIXER", {}),
                       mixer("ZERO-MIXER", {kIdle}),
                       mixer("SETS-MIXER", {kFeed1Special, kFeed3Alike})};
  return d;
}

void open(const testing_support::TempDir& dir) {
  std::int32_t iout = 0;
  methods::PAINIT(dir.file("columns").string(), dir.path().string(), iout, 0);
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 1);
}

void close() {
  methods::PAEND();
  storage::FIINIT();
}

void loadUnit(std::int32_t n) {
  constexpr std::int32_t kLoadWholeForContext3 = 133;
  problem::UNSETC(n);
  problem::DBUBLK(kLoadWholeForContext3, n, 0);
}

}  // namespace column_problem
