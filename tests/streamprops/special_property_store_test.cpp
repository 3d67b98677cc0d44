// The special-property store: a store and its value blocks written through the store's own
// writers into a method set, then read back the way the engine reads them (the store of the
// current set, an entry by key, its blending data with the value block), the first of two
// entries of one key, the value blocks read again after another method set was loaded, the
// keyword lookup and blend-method classes, and liquid viscosity method 8 through the store
// a thousand times without a core word lost.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/database.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/core_store_checker.hpp"
#include "storage/storage.hpp"
#include "streamprops/inspection_blending.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/streamprops.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace {

using namespace streamprops;
using storage::CORSTO;

constexpr std::int32_t kComponents = 3;

// One entry of a store as the test writes it.
struct Entry {
  std::int32_t key, method, basis;
  double r1, r2;
  std::array<double, kComponents> values;   // real sector 2
  std::array<double, kComponents> values2;  // real sector 4
};

class SpecialPropertyStore : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "store";
    for (const char* name : {"N-HEXANE", "N-HEPTANE", "N-DECANE"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    for (const char* name : {"FIRST", "SECOND"}) {
      fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, 102);
      set.codes[11] = 8;  // liquid viscosity from the inspection-property store
      d.methodSets.push_back(set);
    }
    fixtures::StreamSpec feed;
    feed.name = "FEED";
    feed.temperature = 300.0;
    feed.pressure = 100.0;
    feed.rate = 5.0;
    feed.composition = {0.2, 0.3, 0.5};
    feed.integerWords = {{20, 1}};
    d.streams = {feed};
    fixtures::buildProblem(dir_.path(), d);
    open();
    libraryBlend_ = phase::fillKinematicViscosityBlend(nullptr);
    phase::fillKinematicViscosityBlend(libraryBlend_);
  }
  phase::KinematicViscosityBlend libraryBlend_ = nullptr;
  void TearDown() override {
    phase::fillKinematicViscosityBlend(libraryBlend_);
    methods::PAEND();
    storage::FIINIT();
  }

  void open() {
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("store").string(), dir_.path().string(), iout, 0);
    useSet(1);
  }

  static void useSet(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

  // Another set and back: the first set is loaded afresh from disk.
  static void reloadSet() {
    useSet(2);
    useSet(1);
  }

  // Writes a store of ENTRIES into method set 1 through SSPPTR and SPRDV2 and writes the
  // set block back under its index entry.
  static void writeStore(std::int32_t type, const std::vector<Entry>& entries) {
    problem::MethodSetControl& ctl = methods::THCTL;
    StoreCopy& copy = SSPTRS.type(type);
    auto numsp = static_cast<std::int32_t>(entries.size());
    std::int32_t ierr = -1;
    SSPPTR(numsp, type, static_cast<std::int32_t>(StoreOption::Initialize), copy.length,
           copy.pointer, ctl.blockLength, ctl.blockArea, ierr);
    ASSERT_EQ(ierr, 0);
    for (std::size_t k = 0; k < entries.size(); ++k) {
      const Entry& e = entries[k];
      const auto n = static_cast<std::int32_t>(k + 1);
      CORSTO[copy.integers[store::kKey - 1] + n] = e.key;
      CORSTO[copy.integers[store::kMethod - 1] + n] = e.method;
      CORSTO[copy.integers[store::kBasis - 1] + n] = e.basis;
      CORSTO.setReal(copy.reals[0] + n, e.r1);
      CORSTO.setReal(copy.reals[1] + n, e.r2);
      std::int32_t len = 0, ptr = services::NOCORE;
      SPRDV2(static_cast<std::int32_t>(StoreOption::Initialize), 0, 2, kComponents, 0, type, len,
             ptr, n, ierr);
      ASSERT_EQ(ierr, 0);
      CORSTO.setReal(copy.selected.reals[0] + 1, 310.93);  // 100 F
      CORSTO.setReal(copy.selected.reals[0] + 2, 372.04);  // 210 F
      for (std::int32_t i = 1; i <= kComponents; ++i) {
        CORSTO.setReal(copy.selected.reals[1] + i, e.values[static_cast<std::size_t>(i - 1)]);
        CORSTO.setReal(copy.selected.reals[3] + i, e.values2[static_cast<std::size_t>(i - 1)]);
      }
      SPRDV2(static_cast<std::int32_t>(StoreOption::Write), 0, 0, 0, 0, type, len, ptr, n, ierr);
      ASSERT_EQ(ierr, 0);
      storage::CMFREI(ptr);
    }
    SSPPTR(numsp, type, static_cast<std::int32_t>(StoreOption::Write), copy.length, copy.pointer,
           ctl.blockLength, ctl.blockArea, ierr);
    ASSERT_EQ(ierr, 0);
    // The set block under its index entry, as the open's set-up writes it.
    services::FixedText<12> name;
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::THIDX.index, ctl.currentSet, name, pointer, data, status);
    ASSERT_EQ(status, 0);
    std::int32_t moved = 0;
    methods::FCREAD(static_cast<std::int32_t>(methods::SetBlockMode::Write), ctl.blockLength,
                    ctl.blockArea, pointer, moved);
    storage::FBINUM(2, problem::THIDX.index, ctl.currentSet, name, pointer, data, status);
  }

  static double value(std::int32_t index, std::int32_t i) { return CORSTO.real(index + i); }

  testing_support::TempDir dir_;
};

// Kinematic viscosity (property 1) with its Walther constants A and B, sulphur (5) twice,
// and the smoke point (7) with a method of class 0 for it.
const std::vector<Entry> kEntries{
    {1, 373, 1, 0.5, 1.5, {10.1, 9.2, 8.3}, {-3.1, -3.2, -3.3}},
    {5, 372, 2, 0.0, 0.0, {0.01, 0.02, 0.03}, {}},
    {5, 371, 3, 2.0, 3.0, {0.5, 0.6, 0.7}, {}},
    {7, 373, 1, 0.0, 0.0, {20.0, 21.0, 22.0}, {}},
};

TEST_F(SpecialPropertyStore, WrittenThroughItsWritersAndReadBack) {
  writeStore(kInspection, kEntries);
  reloadSet();
  EXPECT_EQ(SSPTRS.type(kInspection).pointer, services::NOCORE);
  std::int32_t ierr = -1;
  SPPTRG(kInspection, ierr);
  ASSERT_EQ(ierr, 0);
  // Kinematic viscosity: two different per-component arrays.
  PropertyBlend b;
  SPCMPV(kInspection, 1, b, ierr);
  ASSERT_EQ(ierr, 0);
  EXPECT_EQ(b.method, 373);
  EXPECT_EQ(b.basis, 1);
  EXPECT_EQ(b.flag, 1);
  EXPECT_EQ(b.r1, 0.5);
  EXPECT_EQ(b.r2, 1.5);
  EXPECT_NE(b.values1, b.values2);
  for (std::int32_t i = 1; i <= kComponents; ++i) {
    EXPECT_EQ(value(b.values1, i), kEntries[0].values[static_cast<std::size_t>(i - 1)]);
    EXPECT_EQ(value(b.values2, i), kEntries[0].values2[static_cast<std::size_t>(i - 1)]);
  }
  EXPECT_EQ(value(SSPTRS.type(kInspection).selected.reals[0], 2), 372.04);
  // Sulphur: the first of the two entries, one array.
  EXPECT_EQ(SPRDV1(5, kInspection), 2);
  SPCMPV(kInspection, 5, b, ierr);
  ASSERT_EQ(ierr, 0);
  EXPECT_EQ(b.method, 372);
  EXPECT_EQ(b.flag, 0);
  EXPECT_EQ(b.basis, 2);
  EXPECT_EQ(b.values1, b.values2);
  EXPECT_EQ(value(b.values1, 3), 0.03);
  // A property without an entry, and a set without a user store.
  SPCMPV(kInspection, 6, b, ierr);
  EXPECT_EQ(ierr, 1);
  SPPTRG(kUser, ierr);
  EXPECT_EQ(ierr, 1);
  SPCMPV(kUser, 1, b, ierr);
  EXPECT_EQ(ierr, 1);
  // The second set has no store at all.
  useSet(2);
  SPPTRG(kInspection, ierr);
  EXPECT_EQ(ierr, 1);
}

// A value block is read once and kept; after another method set was loaded it is read again
// from disk.
TEST_F(SpecialPropertyStore, ValueBlockIsReadAgainAfterASetChange) {
  writeStore(kInspection, kEntries);
  reloadSet();
  std::int32_t ierr = -1;
  SPPTRG(kInspection, ierr);
  PropertyBlend b;
  SPCMPV(kInspection, 5, b, ierr);
  ASSERT_EQ(ierr, 0);
  CORSTO.setReal(b.values1 + 1, 999.0);  // the copy in core only
  SPCMPV(kInspection, 5, b, ierr);
  EXPECT_EQ(value(b.values1, 1), 999.0);
  reloadSet();
  SPPTRG(kInspection, ierr);
  SPCMPV(kInspection, 5, b, ierr);
  ASSERT_EQ(ierr, 0);
  EXPECT_EQ(value(b.values1, 1), 0.01);
  // Forgetting the entry reads it again too.
  CORSTO.setReal(b.values1 + 1, 999.0);
  forgetValueBlock(kInspection, 5);
  SPCMPV(kInspection, 5, b, ierr);
  EXPECT_EQ(value(b.values1, 1), 0.01);
}

// Loading another method set frees every cached value block of the previous one, the first
// and the last inspection property and the kinematic viscosity with its second array
// among them: no entry is left pointing into core.
TEST_F(SpecialPropertyStore, SetChangeFreesEveryCachedValueBlock) {
  const std::vector<Entry> entries{
      {1, 373, 1, 0.5, 1.5, {10.1, 9.2, 8.3}, {-3.1, -3.2, -3.3}},
      {5, 372, 2, 0.0, 0.0, {0.01, 0.02, 0.03}, {}},
      {89, 373, 1, 0.0, 0.0, {1.0, 2.0, 3.0}, {}},
  };
  writeStore(kInspection, entries);
  reloadSet();
  std::int32_t ierr = -1;
  SPPTRG(kInspection, ierr);
  ASSERT_EQ(ierr, 0);
  for (const std::int32_t k : {1, 5, 89}) {
    PropertyBlend b;
    SPCMPV(kInspection, k, b, ierr);
    ASSERT_EQ(ierr, 0) << k;
    EXPECT_NE(SPBLWK.inspection(static_cast<std::size_t>(k)).pointer, services::NOCORE) << k;
  }
  reloadSet();
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kInspectionProperties); ++k) {
    EXPECT_EQ(SPBLWK.inspection(k).pointer, services::NOCORE) << k;
  }
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kUserProperties); ++k) {
    EXPECT_EQ(SPBLWK.user(k).pointer, services::NOCORE) << k;
  }
  EXPECT_EQ(SSPTRS.type(kInspection).pointer, services::NOCORE);
}

// A second problem opened in the same process starts with no store in core.
TEST_F(SpecialPropertyStore, ReopenStartsWithoutCopies) {
  writeStore(kInspection, kEntries);
  std::int32_t ierr = -1;
  SPPTRG(kInspection, ierr);
  methods::PAEND();
  storage::FIINIT();
  open();
  EXPECT_EQ(SSPTRS.type(kInspection).pointer, services::NOCORE);
  SPPTRG(kInspection, ierr);
  EXPECT_EQ(ierr, 0);
  PropertyBlend b;
  SPCMPV(kInspection, 1, b, ierr);
  EXPECT_EQ(ierr, 0);
}

TEST_F(SpecialPropertyStore, KeywordsAndBlendClasses) {
  writeStore(kInspection, kEntries);
  reloadSet();
  std::int32_t index = -1;
  EXPECT_EQ(SPKEYX("FLSH", index), 1);  // flash point: no entry
  EXPECT_EQ(index, 4);
  EXPECT_EQ(SPKEYX("FLPO", index), 1);  // the table's own key is not a keyword
  EXPECT_EQ(index, 0);
  EXPECT_EQ(SPKEYX("SULF", index), 0);  // 372 has class 1
  EXPECT_EQ(index, 5);
  EXPECT_EQ(SPKEYX("SMOK", index), -1);  // 373 has no class for the smoke point
  EXPECT_EQ(SPKEYX("KVIS", index), 0);
  EXPECT_EQ(SPKEYX("GHV ", index), 1);
  EXPECT_EQ(index, 88);

  struct Case {
    std::int32_t property, method, cls;
  };
  for (const Case& c : {Case{9, 372, 1}, Case{9, 371, 2}, Case{9, 374, 2}, Case{1, 373, 2},
                        Case{1, 378, 0}, Case{2, 386, 2}, Case{38, 379, 2}, Case{67, 373, 0},
                        Case{45, 385, 2}, Case{45, 379, 0}, Case{9, 373, 0}}) {
    SCOPED_TRACE(testing::Message() << c.property << " " << c.method);
    std::int32_t cls = -1;
    SPUCLS(c.property, c.method, cls);
    EXPECT_EQ(cls, c.cls);
  }
}

TEST_F(SpecialPropertyStore, TableTextsBlankPadded) {
  std::vector<char> headings(89 * 12), names(89 * 24), keys(89 * 12);
  SPHEAD(headings, names, keys);
  const auto text = [](const std::vector<char>& v, std::size_t row, std::size_t width) {
    return std::string(v.begin() + static_cast<std::ptrdiff_t>(row * width),
                       v.begin() + static_cast<std::ptrdiff_t>((row + 1) * width));
  };
  EXPECT_EQ(text(keys, 0, 12), "KVIS        ");
  EXPECT_EQ(text(names, 3, 24), "FLASH POINT             ");
  EXPECT_EQ(text(headings, 3, 12), " FLASH POINT");
  EXPECT_EQ(text(keys, 88, 12), "SPRO        ");
  EXPECT_EQ(text(names, 88, 24), std::string(24, ' '));
  EXPECT_EQ(propertyRow(54).key, "JT");
}

// Special properties of a named stream: blank or unknown names and keys have none; those
// answered by the thermodynamic routines are 0; the others blend over the stream.
TEST_F(SpecialPropertyStore, PropertyOfANamedStream) {
  writeStore(kInspection, kEntries);
  reloadSet();
  double value = -1.0;
  std::int32_t ierr = -1;
  SPKEYV("            ", 0, "SULF", value, ierr);
  EXPECT_EQ(ierr, 1);
  SPKEYV("FEED", 0, "XXXX", value, ierr);
  EXPECT_EQ(ierr, 1);
  SPKEYV("NOSUCH", 0, "SULF", value, ierr);
  EXPECT_EQ(ierr, 1);
  // Sulphur blends by its first entry: the weight average of 0.01, 0.02 and 0.03.
  SPKEYV("FEED", 0, "SULF", value, ierr);
  EXPECT_EQ(ierr, 0);
  double num = 0.0, den = 0.0;
  const std::array<double, kComponents> x{0.2, 0.3, 0.5};
  const char* names[] = {"N-HEXANE", "N-HEPTANE", "N-DECANE"};
  for (std::size_t i = 0; i < kComponents; ++i) {
    const double mw = fixtures::publishedComponent(names[i]).molecularWeight;
    num += x[i] * kEntries[1].values[i] * mw;
    den += x[i] * mw;
  }
  EXPECT_NEAR(value, num / den, 1e-12);
  // A property the store does not hold has no value.
  SPKEYV("FEED", 0, "CETI", value, ierr);
  EXPECT_EQ(ierr, 1);
  SPKEYV("FEED", 0, "JT  ", value, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(value, 0.0);
}

// A stand-in for the kinematic-viscosity blend: the mole-fraction average of the first
// Walther constants, in cSt.
std::int32_t averageOfA(std::int32_t, std::int32_t, double, std::span<const double> x,
                        std::span<const double> a, std::span<const double>, std::int32_t n, double,
                        double, double& value) {
  value = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) value += x[i] * a[i];
  return 0;
}

// Liquid viscosity method 8: the store's kinematic viscosity times the molar density and the
// molar mass; the value block of property 1 is read afresh on every call, and a thousand
// calls leave the core store's free space as it was.
TEST_F(SpecialPropertyStore, ViscosityMethodEightThroughTheStore) {
  writeStore(kInspection, kEntries);
  reloadSet();
  const std::vector<double> x{0.2, 0.3, 0.5};
  double f = 0.0, mu = 0.0;
  std::int32_t flag = 0, ierr = -1;
  // The library fills the blend; with the slot emptied the method fails.
  EXPECT_NE(libraryBlend_, nullptr);
  phase::fillKinematicViscosityBlend(nullptr);
  phase::PMDISP(300.0, 100.0, x, x, f, flag, mu, 8, 0, ierr);
  EXPECT_EQ(ierr, 1);
  phase::fillKinematicViscosityBlend(&averageOfA);
  phase::PMDISP(300.0, 100.0, x, x, f, flag, mu, 8, 0, ierr);
  ASSERT_EQ(ierr, 0);
  double rho = 0.0;
  std::int32_t status = 0;
  pure::DNLIQ(kComponents, 300.0, 100.0, x, rho, status);
  const double nu = 0.2 * 10.1 + 0.3 * 9.2 + 0.5 * 8.3;
  double m = 0.0;
  const std::array<const char*, 3> names{"N-HEXANE", "N-HEPTANE", "N-DECANE"};
  for (std::size_t i = 0; i < 3; ++i)
    m += x[i] * fixtures::publishedComponent(names[i]).molecularWeight;
  EXPECT_NEAR(mu, nu * 1e-6 * rho * m, 1e-12 * mu);

  storage_testing::CoreStoreCensus before, after;
  ASSERT_EQ(storage_testing::checkCoreStore(&before), "");
  for (int k = 0; k < 1000; ++k) {
    phase::PMDISP(300.0, 100.0, x, x, f, flag, mu, 8, 0, ierr);
    ASSERT_EQ(ierr, 0);
  }
  ASSERT_EQ(storage_testing::checkCoreStore(&after), "");
  EXPECT_EQ(after.freeWords, before.freeWords);
  EXPECT_EQ(after.allocatedBlocks, before.allocatedBlocks);
}

// Octane numbers through the store: RON by the interaction model (method 373) over a pure
// olefin, a pure saturate and a pure aromatic. Total aromatics are stored on the weight
// basis, so the ring-count aromatics stand in for them. By hand, with every component in a
// single group: ON = sum v_i^2 ON_i + sum over i != j of v_i v_j (ON_i + ON_j) / 2
// (1 - T(g_i, g_j)), T the research coefficients of the model.
TEST_F(SpecialPropertyStore, ResearchOctaneOfAnOlefinSaturateAromaticBlend) {
  const std::vector<Entry> entries{
      {45, 373, 3, 0.0, 0.0, {95.0, 70.0, 105.0}, {}},
      {21, 372, 3, 0.0, 0.0, {1.0, 0.0, 0.0}, {}},
      {20, 372, 3, 0.0, 0.0, {0.0, 1.0, 0.0}, {}},
      {14, 372, 2, 0.0, 0.0, {0.0, 0.0, 1.0}, {}},
      {8, 372, 3, 0.0, 0.0, {0.0, 0.0, 1.0}, {}},
      {7, 385, 3, 0.0, 0.0, {20.0, 21.0, 22.0}, {}},
  };
  writeStore(kInspection, entries);
  reloadSet();
  const std::array<double, kComponents> x{0.2, 0.3, 0.5};
  std::array<double, kComponents> v{};
  double total = 0.0;
  const char* names[] = {"N-HEXANE", "N-HEPTANE", "N-DECANE"};
  for (std::size_t i = 0; i < kComponents; ++i) {
    const auto c = fixtures::publishedComponent(names[i]);
    v[i] = x[i] * c.molecularWeight / c.liquidDensity;
    total += v[i];
  }
  for (double& f : v) f /= total;
  const std::array<double, kComponents> on{95.0, 70.0, 105.0};
  // Groups: 0 olefin, 1 saturate, 2 aromatic.
  const double t01 = -0.1462, t02 = 0.0404, t12 = -0.0485;
  const double pair[3][3] = {{0.0, t01, t02}, {t01, 0.0, t12}, {t02, t12, 0.0}};
  double hand = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      hand += v[i] * v[j] * (on[i] + on[j]) / 2.0 * (1.0 - pair[i][j]);
    }
  }
  double value = 0.0;
  SPBLND(45, x, value, 0.0);
  EXPECT_NEAR(value, hand, 1e-6);
  // No motor octane entry: missing; smoke point by method 385 has no defined value.
  SPBLND(46, x, value, 0.0);
  EXPECT_EQ(value, services::DMISS);
  SPBLND(7, x, value, 0.0);
  EXPECT_EQ(value, services::DMISS);
}

// The 600 codes through the dispatcher: sulphur (605) blends as SPKEYV does, a code of the
// group without a rule (699) is 0, a user property without a user store (690) is missing,
// and kinematic viscosity (601) at a temperature blends the Walther constants of the
// store.
TEST_F(SpecialPropertyStore, InspectionCodesThroughTheDispatcher) {
  writeStore(kInspection, kEntries);
  reloadSet();
  auto code = [](std::int32_t c, double argval) {
    std::array<std::int32_t, streamprops::spcrec::kWords> w{};
    w[0] = 1;
    w[3] = problem::ISRNO("FEED");
    w[12] = c;
    w[13] = 1;
    double v = -7.0;
    streamprops::SPEDSP(3, w, 0, v, 0, argval);
    return v;
  };
  double keyed = 0.0;
  std::int32_t ierr = -1;
  SPKEYV("FEED", 0, "SULF", keyed, ierr);
  ASSERT_EQ(ierr, 0);
  EXPECT_EQ(code(605, 0.0), keyed);
  EXPECT_EQ(code(699, 0.0), 0.0);
  EXPECT_EQ(code(690, 0.0), services::DMISS);
  const double nu = code(601, 320.0);
  EXPECT_GT(nu, 0.0);
  EXPECT_LT(code(601, 360.0), nu);  // thinner when hotter
}

}  // namespace
