// The whole open of a problem as the problem-access open runs it: file names, the report
// listing, the support and problem databases with the case, parameters, work space and its
// partition, correlation sets and the composite units' sections; and what a repeated open
// leaves.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fixtures/file_groups.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/report_pages.hpp"
#include "services/services.hpp"
#include "storage/core_store_checker.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using problem::COHDR;
using problem::FWPART;
using storage::CORSTO;

fixtures::UnitSpec unit(const std::string& id, std::int32_t type, std::int32_t status) {
  fixtures::UnitSpec u;
  u.identifier = id;
  u.type = type;
  u.text = id + " UNIT";
  u.status = status;
  u.record = fixtures::unitRecord({type * 10, 2, 3});
  return u;
}

fixtures::ProblemDescription plant() {
  fixtures::ProblemDescription d;
  d.name = "plant";
  d.title = "DEPROPANISER";
  for (const char* name : {"METHANE", "ETHANE", "PROPANE", "N-BUTANE"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PR", 102),
                  fixtures::equationOfStateSet("SRK", 101)};
  d.defaultMethodSet = 2;
  d.correlationSets = {{3, 7, std::vector<std::int32_t>(40, 5)},
                       {4, 1, std::vector<std::int32_t>(12, 6)}};
  fixtures::StreamSpec feed;
  feed.name = "FEED";
  feed.temperature = 300.0;
  feed.pressure = 1500.0;
  feed.rate = 100.0;
  feed.composition = {0.4, 0.3, 0.2, 0.1};
  d.streams = {feed};
  d.flowsheet.units = {unit("DRUM", 110001, 2)};
  fixtures::CompositeSpec composite;
  composite.sections = {fixtures::compositeSection("TOP", 3, 2, 1),
                        fixtures::compositeSection("BOTTOM", 4, 0, 2)};
  d.flowsheet.composite = composite;
  return d;
}

class OpenSequence : public ::testing::Test {
 protected:
  ~OpenSequence() override {
    try {
      if (open_) methods::PAEND();
    } catch (const platform::RunStopped&) {
    }
    storage::FIINIT();
  }

  void build(const fixtures::ProblemDescription& d) {
    description = d;
    built = fixtures::buildProblem(dir.path(), d);
  }

  std::int32_t open() {
    std::int32_t iout = 0;
    methods::PAINIT(built.problemBase.parent_path().string() + "/" + description.name,
                    dir.path().string(), iout, 0);
    open_ = true;
    return iout;
  }

  void close() {
    methods::PAEND();
    open_ = false;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription description;
  fixtures::BuiltProblem built;
  bool open_ = false;
};

TEST_F(OpenSequence, OpensEverythingTheEngineNeeds) {
  fixtures::ProblemDescription d = plant();
  d.vapourPressureSets = {2, 1};
  build(d);
  const std::int32_t iout = open();

  // The report listing beside the problem, on the report unit of every trace line.
  EXPECT_GT(iout, 0);
  EXPECT_EQ(services::IOUNIT.report, iout);
  EXPECT_TRUE(std::filesystem::exists(dir.file("plant.zqw")));
  EXPECT_EQ(services::PAGTXT.product.trimmed(), "VELTRA");
  EXPECT_EQ(services::PAGTXT.version.trimmed(), "5.0 BETA2");
  EXPECT_EQ(problem::HDRTXT.platform.trimmed(), "386/EM");

  // The databases and the case.
  EXPECT_EQ(problem::DBSESS.caseName.trimmed(), "BASECASE");
  EXPECT_EQ(COHDR(problem::cohdr::kComponents), 4);

  // The standard conditions of the parameter record and the work space.
  EXPECT_NEAR(problem::DBPARW.molarVolume, 23.690441344244316, 1e-12);
  EXPECT_NEAR(problem::DBPARW.temperature, 288.7055555555556, 1e-12);
  for (std::size_t k = 1; k <= 5; ++k) EXPECT_NE(problem::MDLBAS.realBase(k), services::NOCORE);
  // The vapour-pressure method sets of the same record.
  EXPECT_EQ(problem::DBGLOB.vapourPressureSets.trueVapour, 2);
  EXPECT_EQ(problem::DBGLOB.vapourPressureSets.reidFlash, 1);
  EXPECT_EQ(methods::LDSTAT.blockArea, problem::MDLBAS.realBase(problem::kBlockArea));

  // The default method set, by name.
  EXPECT_EQ(problem::THCTL.defaultSet, 2);
  services::FixedText<12> name;
  methods::MSETNM(name, 0);
  EXPECT_EQ(name.trimmed(), "SRK");

  // The correlation-set list, read whole: keys, addresses and lengths, no core places.
  ASSERT_EQ(problem::XPSETL.count, 2);
  EXPECT_EQ(problem::XPSETL.keys(1), 3 * problem::kCorrelationKeyScale + 7);
  EXPECT_EQ(problem::XPSETL.lengths(1), 40);
  EXPECT_EQ(problem::XPSETL.keys(2), 4 * problem::kCorrelationKeyScale + 1);
  EXPECT_NE(problem::XPSETL.addresses(2), services::NODISK);
  EXPECT_EQ(problem::XPSETL.corePlaces(1), services::NOCORE);
  EXPECT_EQ(problem::XPSETL.keys(3), services::IMISS);

  // The partition of the flash work space lies inside real area 3 and the integer area.
  const std::int32_t base = problem::MDLBAS.realBase(problem::kFlashRealArea);
  for (std::size_t a = 1; a <= 56; ++a) {
    SCOPED_TRACE(a);
    EXPECT_GE(FWPART.realOffset(a), base);
    EXPECT_LE(FWPART.realOffset(a) + FWPART.realSize(a),
              base + problem::MDLBAS.realSize(problem::kFlashRealArea));
  }
  EXPECT_EQ(FWPART.integerSize(1), 4);
  close();
}

// The partition's worked examples: sizes and totals for the component counts and methods of
// the sets in use.
TEST_F(OpenSequence, PartitionFollowsTheSetsInUse) {
  fixtures::ProblemDescription d = plant();
  fixtures::MethodSetSpec plain = fixtures::equationOfStateSet("NOPOLYSYH", 101);
  plain.codes.fill(services::IMISS);
  d.methodSets = {plain};
  d.defaultMethodSet = 1;
  build(d);
  open();
  COHDR(4) = 12;
  COHDR(28) = 10;
  COHDR(29) = 10;
  std::int32_t rtot = 0;
  std::int32_t itot = 0;
  methods::PARTTN(rtot, itot, 2);
  EXPECT_EQ(FWPART.realSize(2), 70);
  EXPECT_EQ(rtot, 671);
  EXPECT_EQ(itot, 25);
  // An array no set needs lies at the base with one element.
  const std::int32_t base = problem::MDLBAS.realBase(problem::kFlashRealArea);
  EXPECT_EQ(FWPART.realSize(31), 1);
  EXPECT_EQ(FWPART.realOffset(31), base);
  EXPECT_EQ(FWPART.realOffset(1), base);
  EXPECT_EQ(FWPART.realOffset(3), base + 70);
  // Offsets from 0 give the running positions themselves.
  methods::PARTTN(rtot, itot, 1);
  EXPECT_EQ(rtot, 670);
  EXPECT_EQ(itot, 24);
  // The views share the space of the arrays they lie over.
  EXPECT_EQ(FWPART.realOffset(23), FWPART.realOffset(22));
  EXPECT_EQ(FWPART.realOffset(40), FWPART.realOffset(13));
  EXPECT_EQ(FWPART.realSize(42), 10);
  close();
}

TEST_F(OpenSequence, ThreePhaseSetsSizeTheirArraysForTheirLiquids) {
  fixtures::ProblemDescription d = plant();
  fixtures::MethodSetSpec three = fixtures::equationOfStateSet("POLYSYH", 101);
  d.methodSets = {three};
  d.defaultMethodSet = 1;
  build(d);
  open();
  COHDR(29) = 10;
  std::int32_t rtot = 0;
  std::int32_t itot = 0;
  methods::PARTTN(rtot, itot, 1);
  EXPECT_EQ(FWPART.realSize(1), 38 * 10 + 43);
  EXPECT_EQ(FWPART.realSize(53), 10);
  close();
}

// The composite unit's sections receive their shares with the stages renumbered to their
// own, and take the composite's record words.
TEST_F(OpenSequence, CompositeSectionsReceiveTheirShares) {
  build(plant());
  open();
  // Units: 1 DRUM, 2 TOP, 3 BOTTOM, 4 the composite.
  const auto is = [](std::int32_t k, std::int32_t j) {
    return CORSTO[problem::PAUWRK.context2.integers.pointers(static_cast<std::size_t>(k)) + j];
  };
  const auto rs = [](std::int32_t k, std::int32_t j) {
    return CORSTO.real(problem::PAUWRK.context2.reals.pointers(static_cast<std::size_t>(k)) + j);
  };
  const auto renumbered = [](std::int32_t code, std::int32_t d) {
    const std::int32_t sign = code < 0 ? -1 : 1;
    return sign * ((sign * code / 10000 % 10000) - d) * 10000 + code % 10000;
  };

  problem::DBUBLK(132, 2, 0);  // TOP: stages 1-3, no shift
  for (std::int32_t j = 1; j <= 3; ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(is(11, j), fixtures::compositeInteger(11, j));
    EXPECT_EQ(rs(7, j), fixtures::compositeReal(7, j));
  }
  EXPECT_EQ(is(1, 44), fixtures::compositeControl(44));
  EXPECT_EQ(is(49, 1), fixtures::compositeInteger(49, 1));      // shift 0
  EXPECT_EQ(is(15, 1), 1);                                       // the first with room

  problem::DBUBLK(132, 3, 0);  // BOTTOM: stages 4-7, shifted by 3
  for (std::int32_t j = 1; j <= 4; ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(is(11, j), renumbered(fixtures::compositeInteger(11, 3 + j), 3));
    EXPECT_EQ(rs(7, j), fixtures::compositeReal(7, 3 + j));
  }
  EXPECT_EQ(is(15, 1), 0);

  // The sections' records carry the composite's first two words.
  problem::UNSET(3, 10);
  EXPECT_EQ(CORSTO[problem::UNCURR.context2.integerSector + 1], 120012);
  EXPECT_EQ(CORSTO[problem::UNCURR.context2.integerSector + 2], 7);
  close();
}

// Unit data blocks that a damaged file holds with entry tables (integer sector 20) of the
// wrong length end the composite set-up of the open in the abort report: a section's table
// longer than its block sizes nothing, a composite's table shorter than its entry count
// while the sections have entry words renumbers nothing.
TEST_F(OpenSequence, DamagedEntryTablesEndTheOpenInTheAbortReport) {
  build(plant());
  const std::string first = built.problemBase.string() + "1";
  struct Place {
    std::string file;
    std::size_t start = 0;  // word of the file where the block begins, from 0
    std::int32_t lengthWord = 0;  // of integer sector 20, from 1 in the block
  };
  // Units: 1 DRUM, 2 TOP, 3 BOTTOM, 4 the composite.
  const auto entryTableOf = [&](std::int32_t unit) {
    open();
    std::int32_t len1 = 0, adr1 = 0, used2 = 0, length = 0, address = 0;
    problem::UNLOC(unit, len1, adr1, used2, length, address);
    close();
    const std::int32_t k = storage::fileCodeOf(address) % 10;
    // Words per record of file k: word 20 + k of the header record.
    const auto recordWords =
        static_cast<std::size_t>(fixtures::readRecordWords(first, 125, 1, 30)[19 + k]);
    Place place;
    place.file = built.problemBase.string() + std::to_string(k);
    place.start = static_cast<std::size_t>(storage::recordOf(address) - 1) * recordWords;
    const std::vector<std::int32_t> header = fixtures::readFileWords(place.file, place.start, 30);
    place.lengthWord = header[storage::sbhead::kFirstTableOffset + 3 - 1] + 20;
    return place;
  };
  const Place top = entryTableOf(2);
  const Place composite = entryTableOf(4);
  struct Case {
    std::string what;
    Place place;
    std::int32_t length;
    std::string message;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {"a section's table beyond its block", top, 100000000, "SUB-BLOCK HEADER INVALID",
       {"WORD " + std::to_string(top.lengthWord), "VALUE 100000000"}},
      {"a composite's table of 1 word for 3 entries", composite, 1,
       "COMPOSITE ENTRIES HOLD NO WORDS", {"UNIT 4", "ENTRIES 3", "WORDS 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t at = c.place.start + static_cast<std::size_t>(c.place.lengthWord - 1);
    const std::vector<std::int32_t> stored = fixtures::readFileWords(c.place.file, at, 1);
    fixtures::writeFileWords(c.place.file, at, {c.length});
    const file_tests::Abort abort = file_tests::abortOf([&] { open(); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    EXPECT_EQ(abort.items, c.items);
    fixtures::writeFileWords(c.place.file, at, stored);
  }
}

// A problem whose recorded case is not in its case index opens with no case loaded, and
// nothing of the case of an earlier open is left to be read or written: neither after a
// close nor after a stop that left the earlier problem open (its tables then hold core
// indexes of the run before, whose store the new run starts afresh).
TEST_F(OpenSequence, ProblemWithoutItsCaseKeepsNothingOfTheCaseBefore) {
  build(plant());
  fixtures::ProblemDescription lost;
  lost.name = "lost";
  lost.components = description.components;
  lost.methodSets = description.methodSets;
  lost.correlationSets = description.correlationSets;
  lost.caseToLoad = "NOSUCH";
  const fixtures::BuiltProblem lostBuilt = fixtures::buildProblem(dir.path(), lost);
  const auto openLost = [&] {
    std::int32_t iout = 0;
    methods::PAINIT(lostBuilt.problemBase.parent_path().string() + "/lost", dir.path().string(),
                    iout, 0);
    open_ = true;
  };
  for (const bool closedBefore : {true, false}) {
    SCOPED_TRACE(closedBefore ? "after a close" : "after a stop");
    open();
    ASSERT_EQ(problem::OLDCAS.integers[4], 1) << "the plant's case is solved";
    ASSERT_EQ(problem::IUNNOU(), 4);
    if (closedBefore) close();
    openLost();
    EXPECT_TRUE(problem::DBSESS.caseName.isBlank());
    EXPECT_EQ(problem::ISRNOS(), 0);
    EXPECT_EQ(problem::IUNNOU(), 0);
    EXPECT_EQ(problem::OLDCAS.integers[4], 0) << "no solution flag of the case before";
    EXPECT_EQ(storage_testing::checkCoreStore(), "");
    close();
    EXPECT_EQ(storage_testing::checkCoreStore(), "");
  }
}

// Opening and closing three times in one process gives the same state each time.
TEST_F(OpenSequence, RepeatedOpensGiveTheSameState) {
  build(plant());
  struct Snapshot {
    std::vector<std::int32_t> header, partition, list;
    std::int32_t defaultSet = 0, streams = 0, units = 0;
    bool operator==(const Snapshot&) const = default;
  };
  const auto take = [] {
    Snapshot s;
    s.header.assign(COHDR.words.values.begin(), COHDR.words.values.end());
    s.partition.assign(FWPART.realSize.values.begin(), FWPART.realSize.values.end());
    s.list.assign(problem::XPSETL.lengths.values.begin(), problem::XPSETL.lengths.values.end());
    s.defaultSet = problem::THCTL.defaultSet;
    s.streams = problem::ISRNOS();
    s.units = problem::IUNNOU();
    return s;
  };
  std::vector<Snapshot> seen;
  for (int k = 0; k < 3; ++k) {
    open();
    seen.push_back(take());
    close();
  }
  EXPECT_EQ(seen[0].streams, 1);
  EXPECT_EQ(seen[0].units, 4);
  EXPECT_EQ(seen[1], seen[0]);
  EXPECT_EQ(seen[2], seen[0]);
}

// Sizes read from the database that would overrun what holds them end in a report.
TEST_F(OpenSequence, SizesFromTheDatabaseAreChecked) {
  build(plant());
  open();
  const problem::OldRecord old = problem::OLDGLB;
  const problem::WorkSpaceBases bases = problem::MDLBAS;
  struct Case {
    const char* name;
    std::function<void()> call;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"first record", [] { problem::OLDGLB.integers[55] = 57; problem::DBPARM(); },
       "PARAMETER RECORD IS TOO LONG"},
      {"second record", [] { problem::OLDGLB.integers[57] = 250; problem::DBPARM(); },
       "PARAMETER RECORD IS TOO LONG"},
      {"work area", [] { problem::MDLBAS.realSize(4) = 0; problem::getWorkSpace(); },
       "WORK AREA SIZE IS NOT VALID"},
      {"flash work space", [] {
         problem::MDLBAS.realSize(problem::kFlashRealArea) = 3;
         std::int32_t r = 0, i = 0;
         methods::PARTTN(r, i, 2);
       },
       "FLASH WORK SPACE TOO SMALL"},
      {"correlation-set list", [] { problem::DBPTAB(1, 252, problem::OLDGLB.integers[41]); },
       "CORRELATION SET LIST IS TOO LONG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const file_tests::Abort abort = file_tests::abortOf(c.call);
    EXPECT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    problem::OLDGLB = old;
    problem::MDLBAS = bases;
  }
  close();
}

// An open with a positive option prepares the data transfer: the buffer of pure-component
// data in the transfer units and the header of counts in the title table's image.
TEST_F(OpenSequence, DataTransferSetUp) {
  build(plant());
  std::int32_t iout = 0;
  methods::PAINIT(dir.file("plant").string(), dir.path().string(), iout, 50);
  open_ = true;
  const auto word = [](std::size_t k) {
    std::int32_t value = 0;
    std::memcpy(&value, problem::GTITAB.text.view().data() + 4 * (k - 3), 4);
    return value;
  };
  EXPECT_EQ(word(19), 4);                // the components
  EXPECT_EQ(word(21), problem::IUNNOU());
  EXPECT_EQ(word(23), 1 + 15);           // the streams, plus 15
  EXPECT_EQ(word(24), 3);                // the case is solved
  EXPECT_EQ(problem::GTITAB.text.view().substr(4 * (45 - 3), 4), " DEG");
  EXPECT_EQ(problem::GTITAB.text.view().substr(4 * (62 - 3), 8), " LIQUID ");
  EXPECT_FLOAT_EQ(problem::XFRBUF.molecularWeight(3), 44.097f);
  EXPECT_FLOAT_EQ(problem::XFRBUF.acentricFactor(4), 0.200f);
  EXPECT_EQ(problem::XFRBUF.molecularWeight(5), 0.0f);  // only the problem's components
  close();
}

// A problem with more components than the transfer program takes is closed and the run
// stops, with a status that says it did.
TEST_F(OpenSequence, DataTransferRefusesTooManyComponents) {
  build(plant());
  std::int32_t iout = 0;
  try {
    methods::PAINIT(dir.file("plant").string(), dir.path().string(), iout, 3);
    FAIL() << "the open went on";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 10);
  }
  const std::string report = testing_support::readFile(dir.file("plant.zqw"));
  EXPECT_NE(report.find(" THIS DATA BASE FILE HAS MORE THAN     3 COMPONENTS."), std::string::npos);
  // The problem was closed: it opens again.
  open();
  close();
}

// What every open starts from, and the code tests that read the open problem.
TEST_F(OpenSequence, StartValuesAndCodeTests) {
  build(plant());
  open();
  EXPECT_EQ(services::FLTOL(9), 0.9999995);
  EXPECT_EQ(services::FLTOL(25), 1.0e30);
  EXPECT_DOUBLE_EQ(methods::THDXCH.temperatureStepSmall, 0.0009);
  EXPECT_DOUBLE_EQ(methods::THDXCH.pressureToleranceSmall, 1.0e-5);

  for (const auto& [code, six] : std::vector<std::pair<std::int32_t, bool>>{
           {600, false}, {601, true}, {660, true}, {661, false}, {704, false}, {705, true},
           {706, true}}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(services::CODE6X(code), six);
    EXPECT_EQ(services::LMCODA(code), six ? 1 : 0);
  }
  EXPECT_TRUE(services::LMCODB(512));
  EXPECT_FALSE(services::LMCODB(513));

  // Component numbers by list position; a code in no list, and IMISS, give 0 0.
  std::int32_t list = -1, pos = -1;
  problem::CODLST(3, list, pos);
  EXPECT_EQ(std::make_pair(list, pos), std::make_pair(1, 3));
  problem::CODLST(9, list, pos);
  EXPECT_EQ(std::make_pair(list, pos), std::make_pair(0, 0));
  problem::CODLST(services::IMISS, list, pos);
  EXPECT_EQ(std::make_pair(list, pos), std::make_pair(0, 0));

  // Unit types through the cache; unit numbers out of range ask nothing.
  EXPECT_EQ(problem::KUNTYC(1), 110001);
  EXPECT_EQ(problem::unitTypeCache().types(1), 110001);
  EXPECT_EQ(problem::KUNTYC(4), problem::kCompositeUnitType);
  EXPECT_EQ(problem::KUNTYC(0), 0);
  EXPECT_EQ(problem::KUNTYC(-5), 0);
  EXPECT_EQ(problem::KUNTYC(1002), 0);
  EXPECT_EQ(problem::unitTypeCache().types(1001), 0);

  // The solution word of a unit with a record; a unit without one leaves the current unit.
  std::int32_t istat = -1, val = -1;
  problem::UNSOLS(1, istat, val);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(val, 110001 * 10);
  close();
}

// The packed fields of the loaded unit's identifier arrays.
TEST_F(OpenSequence, IdentifierArraysOfTheLoadedUnitUnpack) {
  fixtures::ProblemDescription d = plant();
  fixtures::BlockSpec data;
  data.system.resize(23, std::vector<std::int32_t>{0});
  data.system[10] = {1 * 100000000 + 5 * 10000 + 3, 2 * 100000000 + 6 * 10000 + 4};
  data.system[11] = {7 * 10000 + 9, 8 * 10000};
  d.flowsheet.units.front().data = data;
  build(d);
  open();
  problem::DBUBLK(113, 1, 0);
  std::array<std::int32_t, 5> f{};
  problem::IDSPLT(1, f[0], f[1], f[2], f[3], f[4]);
  EXPECT_EQ(f, (std::array<std::int32_t, 5>{1, 5, 3, 7, 9}));
  problem::IDSPLT(2, f[0], f[1], f[2], f[3], f[4]);
  EXPECT_EQ(f, (std::array<std::int32_t, 5>{2, 6, 4, 8, 4}));  // no rest: the stream
  close();
}

// Before a stream flash the accumulators of its records start from zero.
TEST_F(OpenSequence, StreamAccumulatorsAreReset) {
  fixtures::ProblemDescription d = plant();
  d.streams.front().records = {6, 7, 28, 29};
  build(d);
  open();
  problem::SRSET(1, 0);
  std::int32_t status = 0;
  problem::SRPAGE(1, 7, 1, status);
  ASSERT_EQ(status, 0);
  for (std::size_t k = 1; k <= 5; ++k) {
    for (std::int32_t w = 1; w <= 5; ++w) CORSTO.setReal(problem::SRLAYT.type7Reals(k) + w, 9.0);
  }
  problem::SRPAGE(2, 7, 1, status);
  problem::SLTRST();
  problem::SRPAGE(1, 7, 1, status);
  for (std::size_t k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    for (std::int32_t w = 1; w <= 4; ++w) {
      EXPECT_EQ(CORSTO.real(problem::SRLAYT.type7Reals(k) + w), 0.0);
    }
    EXPECT_EQ(CORSTO.real(problem::SRLAYT.type7Reals(k) + 5), 9.0);
  }
  close();
}

// A side file that is missing ends the open through the file layer's abort report.
TEST_F(OpenSequence, MissingSideFilesEndTheOpen) {
  build(plant());
  for (const char* missing : {"veltra.err", "veltra.sp1"}) {
    SCOPED_TRACE(missing);
    testing_support::TempDir copy;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (entry.path().filename() != missing) {
        std::filesystem::copy_file(entry.path(), copy.path() / entry.path().filename());
      }
    }
    const file_tests::Abort abort = file_tests::abortOf([&] {
      std::int32_t iout = 0;
      methods::PAINIT((copy.path() / "plant").string(), copy.path().string(), iout, 0);
    });
    EXPECT_TRUE(abort.stopped);
    storage::FIINIT();
  }
}

// A set whose K-value method is a user-added one needs the layer of the user-added methods
// to answer the open's set-up query; without it the open ends in the abort report rather
// than keeping a flag nobody gave.
TEST_F(OpenSequence, UserAddedSetWithoutItsLayerEndsTheOpen) {
  fixtures::ProblemDescription d = plant();
  d.methodSets[1].codes[0] = 901;
  d.methodSets[1].slotBlock[0] = 0;
  build(d);
  const file_tests::Abort abort = file_tests::abortOf([&] { open(); });
  EXPECT_TRUE(abort.stopped);
  EXPECT_EQ(abort.message, "USER-ADDED METHODS ARE NOT AVAILABLE");
  ASSERT_EQ(abort.items.size(), 1U);
  EXPECT_EQ(abort.items[0].substr(0, 4), "CODE");
  EXPECT_NE(abort.items[0].find("901"), std::string::npos);
  open_ = false;
}

}  // namespace
