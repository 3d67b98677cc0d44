// FLASTP: the routing of an isothermal flash to its algorithm and the fallbacks on FLASHT,
// with recording doubles of the algorithms; the pseudo-root repeat, the compare mode, the
// work arrays handed on for a larger component count, a warm call without allocation, and
// K-values that are not numbers on the real algorithms.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/allocation_counter.hpp"

namespace {

using flash::IsothermalFlash;
using flash_test::Flash;

constexpr std::int32_t kPengRobinson = 102, kSoave = 101, kChart = 105, kSourWater = 503;
constexpr std::int32_t kFreeWaterCheck = 125;  // a code the free-water check accepts

// What the doubles did and what they answer.
struct Script {
  std::int32_t flashn = 1, flashc = 1, flas3p = 1, fls3w1 = 1;  // IFFAIL returned
  double fwater = 0.1;                                          // FWATER left by FLS3W1
  // Root words FLASHT leaves on its first call.
  std::int32_t iseudl = 1, iseudv = 1;
  double fliqhc = 0.3;  // FLIQHC left by FLASHT
};
Script script;
std::string calls;                     // the algorithms run, in order
std::vector<std::int32_t> iseudiSeen;  // ISEUDI at each FLASHT call
IsothermalFlash seenByFlasht;          // the arguments of the last FLASHT call
std::int32_t workCount = 0;            // the component count the last work arrays were filled for

void record(const char* name) {
  if (!calls.empty()) calls += ",";
  calls += name;
}

// Fills every element of each work array with a value of its own and reads them all back:
// the arrays hold the component count and do not overlap.
template <typename... Views>
bool fillsWork(std::int32_t n, const Views&... views) {
  const std::array<const storage::RealView*, sizeof...(Views)> all{&views...};
  for (std::size_t a = 0; a < all.size(); ++a) {
    for (std::int32_t i = 0; i < n; ++i) all[a]->set(static_cast<std::size_t>(i), 1000.0 * a + i);
  }
  for (std::size_t a = 0; a < all.size(); ++a) {
    for (std::int32_t i = 0; i < n; ++i) {
      if ((*all[a])[static_cast<std::size_t>(i)] != 1000.0 * a + i) return false;
    }
  }
  workCount = n;
  return true;
}

void flasht(IsothermalFlash& a) {
  record("FLASHT");
  iseudiSeen.push_back(methods::PMCTL2.ISEUDI);
  seenByFlasht = a;
  a.IFFAIL = 0;
  a.FLIQHC = script.fliqhc;
  a.FVAPOR = 1.0 - script.fliqhc;
  if (iseudiSeen.size() == 1) {
    methods::PMCTL2.ISEUDL = script.iseudl;
    methods::PMCTL2.ISEUDV = script.iseudv;
  }
}
void flashn(IsothermalFlash& a, const flash::TwoPhaseWork& w, std::int32_t) {
  record("FLASHN");
  EXPECT_TRUE(fillsWork(a.NC, w.slot16, w.slot13, w.slot15, w.slot14));
  a.IFFAIL = script.flashn;
  a.FVAPOR = 0.6;
  a.FLIQHC = 0.4;
}
void flashc(IsothermalFlash& a, std::int32_t& kxopt, const flash::TwoPhaseWork&,
            const flash::NewtonWork& w, std::int32_t) {
  record("FLASHC");
  EXPECT_TRUE(fillsWork(a.NC, w.slot18, w.slot19, w.slot23, w.slot27));
  a.IFFAIL = script.flashc;
  kxopt = 2;
}
void flas3p(IsothermalFlash& a, const flash::ThreePhaseWork& w, std::int32_t&) {
  record("FLAS3P");
  EXPECT_TRUE(fillsWork(a.NC, w.slot1, w.slot7, w.slot12, w.slot17, w.slot16));
  a.IFFAIL = script.flas3p;
}
void fls3w1(IsothermalFlash& a, const flash::FreeWaterWork& w, std::int32_t&) {
  record("FLS3W1");
  EXPECT_TRUE(fillsWork(a.NC, w.slot1, w.slot3, w.slot7, w.slot14));
  a.IFFAIL = script.fls3w1;
  a.FWATER = script.fwater;
  a.FVAPOR = 0.5;
  a.FLIQHC = 0.4;
}
void flasgb(IsothermalFlash& a) {
  record("FLASGB");
  a.IFFAIL = 1;
}
void flashp(IsothermalFlash& a, std::span<double>, std::span<double>, std::span<double>,
            std::span<double>) {
  record("FLASHP");
  a.IFFAIL = 1;
}

constexpr flash::FlashAlgorithms kRecorders{&flasht, &flashn, &flashc, &flas3p,
                                            &fls3w1, &flasgb, &flashp};

// Sets of the problem.
constexpr std::int32_t kPlainSet = 1, kPolymerSet = 2, kNotPolymerSet = 3;

void setSwitch(int k, std::int32_t v) { services::GDPOPT.words(100 + k) = v; }

class Router : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "router";
    d.components = flash_test::components({"METHANE", "PROPANE", "WATER"});
    d.methodSets = {flash_test::pengRobinsonSet("PR"), flash_test::pengRobinsonSet("POLYSYH"),
                    flash_test::pengRobinsonSet("NOPOLYSYH")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    script = {};
    calls.clear();
    iseudiSeen.clear();
  }
  void TearDown() override { problem_.reset(); }

  // The set's K-value codes as the router reads them.
  static void useCodes(std::int32_t set, std::int32_t vle, std::int32_t lle, std::int32_t water) {
    flash_test::useSet(set);
    methods::MSPTRS.classes(1).code = vle;
    methods::MSPTRS.classes(2).code = lle;
    methods::KMCTL.kvalue.code = vle;
    problem::THCTL.idecnt = water;
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedFlashAlgorithms doubles_{kRecorders};
};

struct Row {
  const char* label;
  std::int32_t set = kPlainSet;
  std::int32_t vle = kPengRobinson, lle = services::IMISS;
  std::int32_t switch41 = 2, switch45 = 0;
  std::int32_t water = 0;  // the water component (3) or none
  double zw = 0.0;
  Script answers{};
  std::string expected;
  std::int32_t iffail = 0, jflnew = 0;
};

Script answering(std::int32_t flashn, std::int32_t flashc, std::int32_t flas3p, std::int32_t fls3w1,
                 double fwater = 0.1) {
  Script s;
  s.flashn = flashn;
  s.flashc = flashc;
  s.flas3p = flas3p;
  s.fls3w1 = fls3w1;
  s.fwater = fwater;
  return s;
}

TEST_F(Router, RoutesAndFallsBack) {
  const Script fail = answering(1, 1, 1, 1);
  const std::vector<Row> rows = {
      {"switch 41 at 0", kPlainSet, kPengRobinson, services::IMISS, 0, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"switch 41 at 1", kPlainSet, kPengRobinson, services::IMISS, 1, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"switch 41 at 4", kPlainSet, kPengRobinson, services::IMISS, 4, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"switch 41 at 1002", kPlainSet, kPengRobinson, services::IMISS, 1002, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"two-phase route", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 0, 0.0,
       answering(0, 1, 1, 1), "FLASHN", 0, 1},
      {"negative switch, Newton fallback fails", kPlainSet, kPengRobinson, services::IMISS, -1, 0,
       0, 0.0, fail, "FLASHN,FLASHC,FLASHT", 0, 0},
      {"Newton fallback solves", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 0, 0.0,
       answering(1, 0, 1, 1), "FLASHN,FLASHC", 0, 1},
      {"chart K-values: no Newton fallback", kPlainSet, kChart, services::IMISS, 2, 0, 0, 0.0, fail,
       "FLASHN,FLASHT", 0, 0},
      {"switch 45 forces FLASHT", kPlainSet, kPengRobinson, services::IMISS, 2, 1, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"polymer set", kPolymerSet, kPengRobinson, services::IMISS, 2, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"free-water check code", kPlainSet, kFreeWaterCheck, services::IMISS, 2, 0, 0, 0.0,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"NOPOLYSYH skips the polymer test", kNotPolymerSet, kFreeWaterCheck, services::IMISS, 2, 0,
       0, 0.0, answering(0, 0, 0, 0), "FLASHN", 0, 1},
      {"same VLE and LLE codes", kPlainSet, kPengRobinson, kPengRobinson, 2, 0, 0, 0.0,
       answering(1, 1, 0, 1), "FLAS3P", 0, 1},
      {"three-phase route fails", kPlainSet, kPengRobinson, kPengRobinson, 2, 0, 0, 0.0, fail,
       "FLAS3P,FLASHT", 0, 0},
      {"three-phase pure component, silent", kPlainSet, kPengRobinson, kPengRobinson, 2, 0, 0, 0.0,
       answering(1, 1, 10, 1), "FLAS3P", 0, 0},
      {"sour-water codes", kPlainSet, kSourWater, kSourWater, 2, 0, 0, 0.0, answering(0, 0, 0, 0),
       "FLASHT", 0, 0},
      {"different LLE code", kPlainSet, kPengRobinson, kSoave, 2, 0, 0, 0.0, answering(0, 0, 0, 0),
       "FLASHT", 0, 0},
      {"feed all water", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3, 0.9999995,
       answering(0, 0, 0, 0), "FLASHT", 0, 0},
      {"feed just below all water", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3, 0.9999994,
       answering(1, 1, 1, 0), "FLS3W1", 0, 1},
      {"no water in the feed", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3, 0.0,
       answering(0, 1, 1, 1), "FLASHN", 0, 1},
      {"free-water flash without free water", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3,
       0.2, answering(1, 1, 1, 0, 0.0), "FLS3W1", 0, 0},
      {"free-water flash fails", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3, 0.2, fail,
       "FLS3W1,FLASHT", 0, 0},
      {"free-water pure component", kPlainSet, kPengRobinson, services::IMISS, 2, 0, 3, 0.2,
       answering(1, 1, 1, 10), "FLS3W1", 0, 0},
      {"FLASHN pure component, chart K-values, silent", kPlainSet, kChart, services::IMISS, 2, 0, 0,
       0.0, answering(10, 1, 1, 1), "FLASHN", 0, 0},
      {"FLASHN pure component, then the Newton flash fails", kPlainSet, kPengRobinson,
       services::IMISS, 2, 0, 0, 0.0, answering(10, 1, 1, 1), "FLASHN,FLASHC,FLASHT", 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    useCodes(row.set, row.vle, row.lle, row.water);
    setSwitch(41, row.switch41);
    setSwitch(45, row.switch45);
    script = row.answers;
    calls.clear();
    iseudiSeen.clear();
    std::vector<double> z{0.6, 0.4 - row.zw, row.zw};
    if (row.zw > 0.5) z = {0.0, 1.0 - row.zw, row.zw};
    Flash f(z, 300.0, 2000.0);
    flash::FLASTP(f.a);
    EXPECT_EQ(calls, row.expected);
    EXPECT_EQ(f.a.IFFAIL, row.iffail);
    EXPECT_EQ(flash::FLWKTB.JFLNEW, row.jflnew);
  }
}

// A phase solved at a pseudo root while the problem asks for real roots: FLASHT runs again
// with the problem's root selection, which is put back to normal afterwards; a phase that
// is absent does not count.
TEST_F(Router, RepeatsFlashtAtThePseudoRootSelection) {
  useCodes(kPlainSet, kPengRobinson, services::IMISS, 0);
  setSwitch(41, 0);
  methods::PMCTL2.ISEUDP = 1;
  struct Case {
    double fliqhc;
    std::int32_t iseudl;
    std::vector<std::int32_t> seen;
  };
  for (const Case& c : {Case{0.3, 0, {0, 1}}, Case{4e-7, 0, {0}}, Case{0.3, 1, {0}}}) {
    SCOPED_TRACE(c.fliqhc);
    script = {};
    script.fliqhc = c.fliqhc;
    script.iseudl = c.iseudl;
    iseudiSeen.clear();
    Flash f({0.6, 0.4, 0.0}, 300.0, 2000.0);
    flash::FLASTP(f.a);
    EXPECT_EQ(iseudiSeen, c.seen);
    EXPECT_EQ(methods::PMCTL2.ISEUDI, 0);
  }
}

// Compare mode: the router's own result is recorded and FLASHT runs from the entry values;
// the caller receives FLASHT's result.
TEST_F(Router, CompareModeRunsFlashtFromTheEntryValues) {
  useCodes(kPlainSet, kPengRobinson, services::IMISS, 0);
  setSwitch(41, 3);
  script = answering(0, 1, 1, 1);
  Flash f({0.6, 0.4, 0.0}, 300.0, 2000.0);
  f.a.KXOPT = 1;
  f.a.FVAPOR = 0.25;
  f.a.FLIQHC = 0.75;
  flash::FLASTP(f.a);
  EXPECT_EQ(calls, "FLASHN,FLASHT");
  EXPECT_EQ(seenByFlasht.FVAPOR, 0.25) << "FLASHN's 0.6 was put back";
  EXPECT_EQ(seenByFlasht.FLIQHC, 0.75);
  EXPECT_EQ(f.a.FLIQHC, script.fliqhc) << "FLASHT's result";
  EXPECT_EQ(flash::FLWKTB.JFLNEW, 0);
}

// The work arrays follow a larger component count: a flash of 3 components and then one
// of 12 hand on arrays that hold 12 without overlapping.
TEST_F(Router, WorkArraysHoldALargerSecondCount) {
  useCodes(kPlainSet, kPengRobinson, kPengRobinson, 0);
  setSwitch(41, 2);
  script = answering(1, 1, 0, 1);
  for (const std::size_t n : {3u, 12u}) {
    SCOPED_TRACE(n);
    Flash f(std::vector<double>(n, 1.0 / static_cast<double>(n)), 300.0, 2000.0);
    flash::FLASTP(f.a);
    EXPECT_EQ(workCount, static_cast<std::int32_t>(n));
  }
  useCodes(kPlainSet, kPengRobinson, services::IMISS, 0);
  script = answering(1, 1, 1, 1);
  for (const std::size_t n : {4u, 15u}) {
    SCOPED_TRACE(n);
    Flash f(std::vector<double>(n, 1.0 / static_cast<double>(n)), 300.0, 2000.0);
    flash::FLASTP(f.a);
    EXPECT_EQ(workCount, static_cast<std::int32_t>(n)) << "FLASHC filled its arrays";
  }
}

// The router counts its calls and wraps the counter at 1,000,000,000.
TEST_F(Router, CallCounterWraps) {
  useCodes(kPlainSet, kPengRobinson, services::IMISS, 0);
  setSwitch(41, 0);
  flash::flashCalls.NNFLST = 999999999;
  const std::int32_t wraps = flash::FLCNTR.words(10);
  Flash f({0.6, 0.4, 0.0}, 300.0, 2000.0);
  flash::FLASTP(f.a);
  EXPECT_EQ(flash::flashCalls.NNFLST, 0);
  EXPECT_EQ(flash::FLCNTR.words(10), wraps + 1);
}

// Failure notes go out while the router's note counter is below 200, unlimited while
// switch 47 is set, never in a silent run.
TEST_F(Router, FailureNotesStopAtTheLimit) {
  useCodes(kPlainSet, kPengRobinson, kPengRobinson, 0);
  setSwitch(41, 2);
  script = answering(1, 1, 1, 1);
  struct Case {
    std::int32_t idebug, switch47, before, after;
  };
  for (const Case c : {Case{1, 0, 198, 199}, Case{1, 0, 199, 200}, Case{1, 0, 200, 200},
                       Case{1, 1, 200, 201}, Case{0, 0, 10, 10}}) {
    SCOPED_TRACE(testing::Message() << c.idebug << " " << c.switch47 << " " << c.before);
    setSwitch(47, c.switch47);
    flash::FLCNTR.words(1) = c.before;
    Flash f({0.6, 0.4, 0.0}, 300.0, 2000.0);
    f.a.IDEBUG = c.idebug;
    flash::FLASTP(f.a);
    EXPECT_EQ(flash::FLCNTR.words(1), c.after);
  }
}

// FLSDIF reports a change of phases between the recorded and the current result, and
// nothing when they agree within 0.1 per cent or both are all vapour.
TEST_F(Router, CompareReportsAPhaseChange) {
  useCodes(kPlainSet, kPengRobinson, services::IMISS, 0);
  struct Case {
    const char* label;
    double l1, v1, l2, v2;
    bool reported;
  };
  const std::vector<Case> cases = {
      {"all vapour twice", 0.0, 1.0, 0.0, 1.0, false},
      {"agree within 0.1 per cent", 0.4, 0.6, 0.4002, 0.5998, false},
      {"vapour fraction moved", 0.4, 0.6, 0.45, 0.55, true},
      {"liquid appeared", 0.0, 1.0, 0.3, 0.7, true},
  };
  const std::vector<double> z{0.6, 0.4, 0.0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    flash::RecordedResult rec;
    flash::FLSDIF(1, 1, 0, -1, 200, services::IMISS, 3, 3, z, 300.0, 2000.0, c.l1, 0.0, c.v1, 0.0,
                  0.0, rec);
    const std::int32_t before = flash::FLCNTR.words(1);
    flash::FLSDIF(2, 1, 0, -1, 200, services::IMISS, 3, 3, z, 300.0, 2000.0, c.l2, 0.0, c.v2, 0.0,
                  0.0, rec);
    EXPECT_EQ(flash::FLCNTR.words(1) - before, c.reported ? 1 : 0);
  }
}

// A warm router with the real FLASHT and the engine's Peng-Robinson K-values allocates
// nothing.
TEST(RouterWarm, AllocatesNothing) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "warm";
  d.components = flash_test::components({"METHANE", "ETHANE", "PROPANE", "N-BUTANE"});
  d.methodSets = {flash_test::pengRobinsonSet("PR")};
  flash_test::OpenProblem problem(dir, d);
  flash_test::useSet(1);
  Flash f({0.7, 0.1, 0.1, 0.1}, 250.0, 3000.0);
  const auto run = [&f]() {
    f.a.KXOPT = 1;
    f.a.INITFL = 0;
    flash::FLASTP(f.a);
  };
  run();
  run();
  const std::size_t before = testing_support::allocationCount();
  run();
  EXPECT_EQ(testing_support::allocationCount(), before);
  EXPECT_EQ(f.a.IFFAIL, 0);
  EXPECT_GT(f.a.FVAPOR, 0.0);
  EXPECT_LT(f.a.FVAPOR, 1.0);
}

// K-values with a NaN, on the default route, on the two-phase route of switch 41 (FLASHN,
// then FLASHC, then FLASHT) and on FLASHT's positive-flash route, end in a failure, never
// in a success with NaN compositions; an infinite K-value (a component that does not
// condense) is a flash FLASHT solves.
TEST(RouterNonFinite, NaNKValuesFailEveryRoute) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "nank";
  d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
  d.methodSets = {flash_test::pengRobinsonSet("PR")};
  flash_test::OpenProblem problem(dir, d);
  flash_test::useSet(1);
  const flash::ScopedKValueRoutine kvalues(&flash_test::constantKValues);
  for (const std::int32_t route : {0, 2, 1000}) {
    setSwitch(41, route);
    for (const flash_test::KValueCase& c : flash_test::nonFiniteKValues()) {
      SCOPED_TRACE(testing::Message() << "switch 41 at " << route << ", " << c.label);
      flash_test::kDouble.kvalues = c.k;
      Flash f(c.z, 300.0, 2000.0);
      flash::FLASTP(f.a);
      const bool nan = std::any_of(c.k.begin(), c.k.end(), [](double k) { return std::isnan(k); });
      if (nan) {
        EXPECT_EQ(f.a.IFFAIL, 1);
        continue;
      }
      EXPECT_EQ(f.a.IFFAIL, 0);
      for (std::size_t i = 0; i < c.z.size(); ++i) {
        EXPECT_TRUE(std::isfinite(f.x[i]) && std::isfinite(f.y[i])) << "component " << i + 1;
      }
    }
  }
  setSwitch(41, 0);
  flash_test::kDouble = {};
}

}  // namespace
