// The flash calls through the exported symbols of libvendrakol.so, as a C++ host calls them,
// on the natural-gas plant of the example host: the statuses of a table of calls, round trips
// between flash types, the method set of the named stream, and the ideal-gas limit of VPROPS.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "support/test_support.hpp"
#include "vendrakol.h"

namespace {

constexpr std::int32_t kComponents = 10;
const std::vector<double> kGas = {0.010, 0.020, 0.005, 0.800, 0.080,
                                  0.040, 0.020, 0.010, 0.005, 0.010};
constexpr double kKelvin = 233.15;
constexpr double kPascal = 5000.0 * 1000.0;  // the host's pressure: 1000 x kPa

// One VFLASH call's arguments and results, in the host's units.
struct Call {
  std::string stream = "FEED";
  std::int32_t debug = 0;
  double t = kKelvin, p = kPascal, vfrac = 0.0, h = 0.0, s = 0.0;
  std::vector<double> z = kGas;
  std::int32_t type = 1;
  std::int32_t ncomp = kComponents;
  std::int32_t iesti = 0;
  double hmin = 0.0, hmax = 0.0;
  std::int32_t maxit = 60;
  double tol = 1e-6;
  // Out.
  double tOut = -9, pOut = -9, hv = -9, hl = -9, hw = -9, sv = -9, sl = -9, sw = -9, fv = -9,
         fl = -9, fw = -9;
  std::vector<double> y = std::vector<double>(kComponents, -9.0);
  std::vector<double> x = std::vector<double>(kComponents, -9.0);
  std::vector<double> w = std::vector<double>(kComponents, -9.0);
  std::int32_t ierr = -999;

  Call& run() {
    VFLASH(&debug, stream.data(), static_cast<std::int32_t>(stream.size()), &t, &p, &vfrac, &h, &s,
           z.data(), &type, &ncomp, &iesti, &hmin, &hmax, &maxit, &tol, &tOut, &pOut, &hv, &hl, &hw,
           &sv, &sl, &sw, &fv, &fl, &fw, y.data(), x.data(), w.data(), &ierr);
    return *this;
  }
  std::vector<double> scalars() const { return {tOut, pOut, hv, hl, hw, sv, sl, sw, fv, fl, fw}; }
  bool allFinite() const {
    for (double v : scalars()) {
      if (!std::isfinite(v)) return false;
    }
    for (const auto* a : {&y, &x, &w}) {
      for (double v : *a) {
        if (!std::isfinite(v)) return false;
      }
    }
    return true;
  }
  // The feed's molar enthalpy and entropy, as ENTHIN and ENTRIN take them.
  double enthalpy() const { return fv * hv + fl * hl + fw * hw; }
  double entropy() const { return fv * sv + fl * sl + fw * sw; }
};

std::int32_t vprops(const std::string& stream, double t, double p, std::vector<double> z,
                    std::int32_t phase, std::array<double, 9>& props,
                    std::int32_t ncomp = kComponents) {
  const std::int32_t debug = 0, nprop = 9;
  std::int32_t ierr = -999;
  VPROPS(&debug, stream.data(), static_cast<std::int32_t>(stream.size()), &t, &p, z.data(), &phase,
         &ncomp, &nprop, props.data(), &ierr);
  return ierr;
}

// The natural-gas plant opened through PAOPEN and closed at the end.
class FlashExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing_support::TempDir;
    fixtures::buildProblem(dir_->path(), fixtures::naturalGasPlant());
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    const std::string name = (dir_->path() / "gasplant").string();
    const std::string dir2 = dir_->path().string() + "/";
    std::int32_t iout = 0, ierr = -1;
    PAOPEN(name.data(), static_cast<std::int32_t>(name.size()), dir2.data(),
           static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
    ASSERT_EQ(ierr, 0);
  }
  void TearDown() override { PACLOS(); }

  static testing_support::TempDir* dir_;
};
testing_support::TempDir* FlashExports::dir_ = nullptr;

TEST_F(FlashExports, StatusTableWithEveryOutputFinite) {
  // The state of a type-1 flash gives the enthalpy and entropy of the other types.
  Call base;
  base.run();
  ASSERT_EQ(base.ierr, 0);
  struct Row {
    const char* name;
    Call call;
    std::int32_t status;
  };
  std::vector<Row> rows;
  const auto add = [&](const char* name, std::int32_t status, auto change) {
    Call c;
    c.h = base.enthalpy();
    c.s = base.entropy();
    c.vfrac = 0.5;
    change(c);
    rows.push_back({name, c, status});
  };
  add("unknown stream", -2, [](Call& c) { c.stream = "NOSUCH"; });
  add("blank stream", -2, [](Call& c) { c.stream = "    "; });
  add("NCOMP one short", -4, [](Call& c) { c.ncomp = 9; });
  add("NCOMP above 200", -4, [](Call& c) { c.ncomp = 201; });
  add("zero rate", -1, [](Call& c) { c.z.assign(kComponents, 0.0); });
  add("type 0", -102, [](Call& c) { c.type = 0; });
  add("type 13", -102, [](Call& c) { c.type = 13; });
  for (std::int32_t type = 1; type <= 12; ++type) {
    static const char* names[] = {"type 1", "type 2", "type 3", "type 4",  "type 5",  "type 6",
                                  "type 7", "type 8", "type 9", "type 10", "type 11", "type 12"};
    // The Peng-Robinson set of FEED treats no free water, so the water dew point at a given
    // temperature has nothing to find: the failure is reported, every output 0.0.
    add(names[type - 1], type == 10 ? -101 : 0, [type](Call& c) { c.type = type; });
  }
  for (Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.call.run();
    EXPECT_EQ(r.call.ierr, r.status);
    EXPECT_TRUE(r.call.allFinite());
    if (r.status != 0) {
      for (double v : r.call.scalars()) EXPECT_EQ(v, 0.0);
    } else {
      // Per component, vapour + liquid + water = feed, to single precision.
      for (std::size_t i = 0; i < kGas.size(); ++i) {
        const double back =
            r.call.fv * r.call.y[i] + r.call.fl * r.call.x[i] + r.call.fw * r.call.w[i];
        EXPECT_NEAR(back, kGas[i], 2e-6) << "component " << i + 1;
      }
    }
  }
  // Without an open problem each call says so.
  PACLOS();
  Call none;
  none.run();
  EXPECT_EQ(none.ierr, -2);
  EXPECT_TRUE(none.allFinite());
  std::array<double, 9> props{};
  EXPECT_EQ(vprops("FEED", 300.0, kPascal, kGas, 1, props), -3);
  std::array<float, 20> feed{1.0F, -40.0F, 725.0F}, vap{}, liq{}, wat{};
  std::array<float, 10> k{};
  const std::int32_t type = 1;
  std::int32_t status = -1;
  UFLSH(feed.data(), vap.data(), liq.data(), wat.data(), k.data(), &type, &status);
  EXPECT_EQ(status, 4);
  SetUp();
}

TEST_F(FlashExports, RoundTripsBetweenFlashTypes) {
  Call tp;
  tp.run();
  ASSERT_EQ(tp.ierr, 0);
  ASSERT_GT(tp.fv, 0.0);
  ASSERT_GT(tp.fl, 0.0);
  EXPECT_NEAR(tp.tOut, kKelvin, 1e-3);
  EXPECT_NEAR(tp.pOut, kPascal, 1e-3 * kPascal);
  // No free water in this set: the water words are 0.0, its entropy too (it is never
  // evaluated at the empty water vector's zero temperature and pressure).
  EXPECT_EQ(tp.fw, 0.0);
  EXPECT_EQ(tp.hw, 0.0);
  EXPECT_EQ(tp.sw, 0.0);

  // The enthalpy flash at the total enthalpy finds the temperature again (single-precision
  // vectors: a hundredth of a kelvin).
  Call ph;
  ph.type = 3;
  ph.h = tp.enthalpy();
  ph.run();
  ASSERT_EQ(ph.ierr, 0);
  EXPECT_NEAR(ph.tOut, kKelvin, 0.02);
  EXPECT_NEAR(ph.fv, tp.fv, 1e-3);

  // The isentropic flash likewise.
  Call ps;
  ps.type = 9;
  ps.s = tp.entropy();
  ps.run();
  ASSERT_EQ(ps.ierr, 0);
  EXPECT_NEAR(ps.tOut, kKelvin, 0.02);

  // Bubble and dew points at the pressure, then a flash at the found temperature: all
  // liquid and all vapour.
  for (const auto& [type, vapour] : {std::pair{7, 0.0}, std::pair{5, 1.0}}) {
    SCOPED_TRACE(type);
    Call point;
    point.type = type;
    point.run();
    ASSERT_EQ(point.ierr, 0);
    Call at;
    at.t = point.tOut;
    at.run();
    ASSERT_EQ(at.ierr, 0);
    EXPECT_NEAR(at.fv, vapour, 2e-3);
  }

  // A vapour fraction, then a flash at the found temperature gives it.
  Call frac;
  frac.type = 12;
  frac.vfrac = 0.5;
  frac.tol = 1e-6;
  frac.run();
  ASSERT_EQ(frac.ierr, 0);
  EXPECT_NEAR(frac.fv, 0.5, 1e-5);
  Call at;
  at.t = frac.tOut;
  at.run();
  ASSERT_EQ(at.ierr, 0);
  EXPECT_NEAR(at.fv, 0.5, 2e-3);
}

TEST_F(FlashExports, EachStreamFlashesInItsOwnMethodSet) {
  // SRK-FEED is in the Soave-Redlich-Kwong set, FEED in the Peng-Robinson set: the same
  // composition and state give different splits, each the same whichever was flashed before.
  Call pr1, srk1, pr2, srk2;
  srk1.stream = srk2.stream = "SRK-FEED";
  pr1.run();
  srk1.run();
  pr2.run();
  srk2.run();
  ASSERT_EQ(pr1.ierr, 0);
  ASSERT_EQ(srk1.ierr, 0);
  EXPECT_NE(pr1.fv, srk1.fv);
  EXPECT_NE(pr1.hv, srk1.hv);
  EXPECT_EQ(pr1.scalars(), pr2.scalars());
  EXPECT_EQ(srk1.scalars(), srk2.scalars());
}

TEST_F(FlashExports, PropertiesOfAnIdealGasVapour) {
  // IDEAL-FEED's set takes the ideal gas for the vapour's density: Z = 1, and the wet volume
  // flow of one unit of rate is R T / P. The unit of rate is one pound-mole per hour (set 5),
  // 0.45359237 kmol/h (the avoirdupois pound, NIST SP 811 Appendix B), and R = 8.314471
  // kJ/(kmol K): m3/h at T in K and P in kPa.
  constexpr double kR = 8.314471;
  constexpr double kPoundMole = 0.45359237;
  for (const double t : {250.0, 300.0, 400.0}) {
    SCOPED_TRACE(t);
    std::array<double, 9> props{};
    ASSERT_EQ(vprops("IDEAL-FEED", t, 500.0 * 1000.0, kGas, 1, props), 0);
    EXPECT_NEAR(props[6], 1.0, 1e-6);
    EXPECT_NEAR(props[8], kPoundMole * kR * t / 500.0, 1e-5 * props[8]);
    EXPECT_EQ(props[2], 0.0);  // no surface tension for a vapour
    for (double v : props) EXPECT_TRUE(std::isfinite(v));
  }
}

}  // namespace
