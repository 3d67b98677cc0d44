// ACCALC: the activity-coefficient route of the liquid fugacity. The model table, the
// reference terms (vapour pressure, Poynting factor, saturated-vapour fugacity coefficient)
// against their formulas and against FVCALC, the temperature cache of the models, the
// refusal status, the excess terms against Gibbs-Helmholtz and the composition derivatives
// against Gibbs-Duhem and finite differences.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "vapour_fugacity_support.hpp"

namespace {

using equilibrium::ActivityModel;
using storage::CORSTO;
using namespace fugacity_test;

constexpr std::size_t kN = 3;  // methane, propane, n-pentane
constexpr double kT = 300.0;
constexpr double kP = 2000.0;
const std::vector<double> kLiquid = {0.1, 0.3, 0.6};

// Antoine constants log10(P/bar) = A - B/(T + C), T in K (NIST Chemistry WebBook).
struct Antoine {
  double a, b, c;
};
constexpr Antoine kAntoine[kN] = {
    {3.9895, 443.028, -0.49}, {3.92828, 803.997, -26.11}, {3.9892, 1070.617, -40.454}};
double antoine(std::size_t i, double t) {
  return 100.0 * std::pow(10.0, kAntoine[i].a - kAntoine[i].b / (t + kAntoine[i].c));
}

// Rackett parameters and constant liquid molar volumes (m3/kmol) of the three: inputs of
// plausible size, the checks compare with the formulas written in the tests.
const std::vector<double> kZra = {0.2892, 0.2766, 0.2685};
const std::vector<double> kVolumes = {0.0379, 0.0757, 0.1155};

// What one ACCALC call returns.
struct Out {
  std::vector<double> flnx, dflnx, lngam, dlngdt, diagonal, dlngdx;
  std::vector<double> lnpoy, dlnpoy, vliq, dvliq, lnphis, dlnphs;
  std::int32_t istat = -9;
  double gert = 0.0, hert2 = 0.0;
};

class Accalc : public ::testing::Test {
 protected:
  void SetUp() override {
    startFugacityRun();
    problem::COHDR(problem::cohdr::kLiquidComponents) = static_cast<std::int32_t>(kN);
    std::vector<correlation_testing::Record> records;
    for (std::size_t i = 0; i < kN; ++i) {
      records.push_back(correlation_testing::antoineRecord(
          static_cast<std::int32_t>(i + 1), kAntoine[i].a, kAntoine[i].b, kAntoine[i].c));
    }
    correlation_testing::installSet(1001, 1, records);
    equilibrium::resetVapourPressureCache();
    problem::THCTL.currentSet = 1;
    header = storage::ICMGTI(24, 1);
    for (std::int32_t k = 1; k <= 24; ++k) CORSTO[header + k] = 0;
    methods::MSPTRS.integerSectors(1) = header;
    installSector(equilibrium::kRackettSector, kZra);
    installSector(equilibrium::kLiquidVolumeSector, kVolumes);
    useActivityVapour(equilibrium::kIdealVapourCode, {});
    useNrtl();
  }

  static void installSector(std::int32_t sector, const std::vector<double>& values) {
    const std::int32_t start = storage::ICMGTR(static_cast<std::int32_t>(values.size()), 1);
    problem::COPTRS.realSector(sector) = start;
    for (std::size_t i = 0; i < values.size(); ++i) {
      CORSTO.setReal(start + static_cast<std::int32_t>(i) + 1, values[i]);
    }
  }
  // The vapour pressure of component i (0-based) the cache holds, kPa.
  static double psat(std::size_t i) { return array(13, kN)[i]; }
  void setHeader(std::int32_t word, std::int32_t value) { CORSTO[header + word] = value; }

  // NRTL of form 2 (tau = Q4/T + Q5, alpha = Q2), its cache in mode MODE.
  void useNrtl(std::int32_t mode = 2) {
    code = 401;
    const std::size_t n2 = kN * kN;
    param.assign(5 * n2, 0.0);
    const double b[kN][kN] = {{0, 320, 150}, {-110, 0, 260}, {90, -60, 0}};
    for (std::size_t i = 0; i < kN; ++i) {
      for (std::size_t j = 0; j < kN; ++j) {
        if (i == j) continue;
        param[n2 + j * kN + i] = 0.3 + 0.01 * static_cast<double>(i + j);  // alpha
        param[3 * n2 + j * kN + i] = b[i][j];
        param[4 * n2 + j * kN + i] = 0.05 * static_cast<double>(i) - 0.04;
      }
    }
    ictl = {0, 2, 0, -1, mode, 0};
    cache.assign(4 * n2 + 1, 0.0);
    work.assign(4 * kN, 0.0);
    iaux1.assign(1, 0);
  }
  // The regular solution 406: V (m3/kmol) then delta ((cal/cm3)^0.5).
  void useRegularSolution() {
    code = 406;
    param = {0.0379, 0.0757, 0.1155, 5.68, 6.40, 7.02};
    ictl = {0, 0, 0, -1, 1, 0};
    cache.assign(1, 0.0);
    work.assign(4 * kN, 0.0);
    iaux1.assign(1, 0);
  }
  // The group-contribution model of the vapour tests' method-113 block.
  void useGroups() {
    code = 405;
    const BlockData block = groupBlock(ternary());
    param = block.reals2;
    ictl = block.integers2;
    const auto m = static_cast<std::size_t>(ictl[11]);
    work.assign(kN + 9 * m, 0.0);
    iaux1.assign(2 * m + m * kN, 0);
    cache.assign(1, 0.0);
  }

  Out run(std::int32_t option, std::int32_t ktderv, double t = kT, double p = kP,
          const std::vector<double>& x = kLiquid,
          const std::vector<std::int32_t>& flags = {1, 1, 1}, double lngamFill = 0.0) {
    Out o;
    for (auto* v : {&o.flnx, &o.dflnx, &o.lngam, &o.dlngdt, &o.diagonal, &o.lnpoy, &o.dlnpoy,
                    &o.vliq, &o.dvliq, &o.lnphis, &o.dlnphs}) {
      v->assign(kN, -99.0);
    }
    o.lngam.assign(kN, lngamFill);
    o.dlngdt.assign(kN, 0.0);
    o.dlngdx.assign(kN * kN, -99.0);
    const methods::MethodEntry entry{code, option, 1, services::NODISK, 0};
    std::vector<std::int32_t> iaux2(1, 0);
    const auto size = [](const auto& v) { return static_cast<std::int32_t>(v.size()); };
    o.istat = 77;  // ACCALC clears it unless a model refuses
    equilibrium::ACCALC(t, p, x, param, ictl, flags, static_cast<std::int32_t>(kN), size(work),
                        size(iaux1), size(param), size(ictl), 1, 1, entry, ktderv, work, iaux1,
                        cache, iaux2, o.flnx, o.dflnx, o.lngam, o.dlngdt, o.diagonal, o.dlngdx,
                        o.lnpoy, o.dlnpoy, o.vliq, o.dvliq, o.lnphis, o.dlnphs, o.istat);
    o.gert = methods::PMCTL2.excessGibbs;
    o.hert2 = methods::PMCTL2.excessEnthalpy;
    return o;
  }

  std::int32_t header = 0;
  std::int32_t code = 401;
  std::vector<double> param, cache, work;
  std::vector<std::int32_t> ictl, iaux1;
};

// ---------------------------------------------------------------------------------------
// The model table
// ---------------------------------------------------------------------------------------

TEST(ActivityModelTable, MapsEveryCodeToItsModel) {
  const std::vector<std::pair<std::int32_t, ActivityModel>> table = {
      {401, ActivityModel::Nrtl},
      {501, ActivityModel::Nrtl},
      {403, ActivityModel::Uniquac},
      {404, ActivityModel::Wilson},
      {405, ActivityModel::GroupContribution},
      {412, ActivityModel::GroupContribution},
      {413, ActivityModel::GroupContribution},
      {414, ActivityModel::GroupContribution},
      {415, ActivityModel::GroupContribution},
      {406, ActivityModel::RegularSolution},
      {120, ActivityModel::RegularSolution},
      {407, ActivityModel::FloryHuggins},
      {513, ActivityModel::FloryHuggins},
      {409, ActivityModel::Segment},
      {514, ActivityModel::Segment},
      {410, ActivityModel::VanLaar},
      {411, ActivityModel::Margules},
      {402, ActivityModel::None},
      {408, ActivityModel::None},
      {416, ActivityModel::None},
      {101, ActivityModel::None},
      {999, ActivityModel::None}};
  for (const auto& [code, model] : table) {
    SCOPED_TRACE(code);
    EXPECT_EQ(equilibrium::activityModelOf(code), model);
  }
  for (const ActivityModel m :
       {ActivityModel::Nrtl, ActivityModel::GroupContribution, ActivityModel::RegularSolution,
        ActivityModel::Uniquac, ActivityModel::Wilson, ActivityModel::VanLaar,
        ActivityModel::Margules, ActivityModel::FloryHuggins, ActivityModel::Segment}) {
    EXPECT_TRUE(equilibrium::activityModelAvailable(m));
  }
}

// A code outside the table stops with message 1990020001 naming ACCALC.
TEST_F(Accalc, StopsOnCodesItCannotServe) {
  code = 999;
  {
    testing_support::StopThrows stop;
    try {
      run(0, 0);
      ADD_FAILURE() << "the run did not stop";
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 15);
      EXPECT_EQ(services::MSGPAR.integers(1), 999);
      const std::string line(services::MSGTXT.lines(1).trimmed());
      EXPECT_NE(line.find("1990020001"), std::string::npos) << line;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Reference terms
// ---------------------------------------------------------------------------------------

// With the option word 0: ln(f/x) = ln Psat + ln gamma, the vapour pressures those of the
// published Antoine constants; the excess terms land in PMCTL2.
TEST_F(Accalc, AddsTheVapourPressureToLnGamma) {
  const Out o = run(0, 1);
  double g = 0.0;
  for (std::size_t i = 0; i < kN; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(o.flnx[i] - o.lngam[i], std::log(psat(i)), 1e-14);
    EXPECT_NEAR(psat(i) / antoine(i, kT), 1.0, 1e-6);
    EXPECT_EQ(o.lnpoy[i], -99.0);
    EXPECT_EQ(o.lnphis[i], -99.0);
    g += kLiquid[i] * o.lngam[i];
  }
  EXPECT_NEAR(o.gert, g, 1e-14);
  EXPECT_EQ(o.istat, 0);
}

// Components beyond the property-loop count take ln gamma alone.
TEST_F(Accalc, ComponentsWithoutPureDataTakeLnGammaAlone) {
  problem::COHDR(problem::cohdr::kVapourComponents) = 2;
  setHeader(equilibrium::kSaturatedVapourWord, 1);
  const Out o = run(11, 1);
  EXPECT_EQ(o.flnx[2], o.lngam[2]);
  EXPECT_EQ(o.dflnx[2], o.dlngdt[2]);
  EXPECT_NE(o.flnx[1], o.lngam[1]);
}

TEST(POYNTC, FollowsItsFormula) {
  const std::vector<double> psat = {50.0, 3000.0}, dpsat = {2.0, 40.0};
  const std::vector<double> v = {0.1, 0.05}, dv = {1e-4, 2e-4};
  std::vector<double> lnpoy(2), dlnpoy(2, -99.0);
  const double t = 320.0, p = 1000.0, rt = kR * t;
  equilibrium::POYNTC(2, p, t, psat, dpsat, v, dv, lnpoy, dlnpoy, 1);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(lnpoy[i], (p - psat[i]) * v[i] / rt, 1e-15);
    // The derivative of (P - Psat(T)) V(T)/(R T) with the linear Psat and V above.
    const auto f = [&](double tt) {
      return (p - psat[i] - dpsat[i] * (tt - t)) * (v[i] + dv[i] * (tt - t)) / (kR * tt);
    };
    EXPECT_NEAR(dlnpoy[i], (f(t + 1e-3) - f(t - 1e-3)) / 2e-3, 1e-9);
  }
  dlnpoy.assign(2, -99.0);
  equilibrium::POYNTC(2, p, t, psat, dpsat, v, dv, lnpoy, dlnpoy, 0);
  EXPECT_EQ(dlnpoy[0], -99.0);
}

// The Poynting volumes by the set's source: constant volumes, or the Rackett equation with
// Zc for a missing ZRA and the constant volume when a constant is missing.
TEST_F(Accalc, PoyntingVolumesFollowTheSetsSource) {
  const Out plain = run(0, 1);
  const std::vector<Species>& s = ternary();
  const auto rackett = [&](std::size_t i, double zra, double t) {
    const double tr = t / s[i].tc;
    const double phi =
        tr <= 0.75 ? 1.0 + std::pow(1.0 - tr, 2.0 / 7.0) : 1.6 + 0.00693026 / (tr - 0.655);
    return kR * s[i].tc / s[i].pc * std::pow(zra, phi);
  };
  // ZRA of propane missing (Zc used); ZRA and Zc of n-pentane missing (constant volume).
  CORSTO.setReal(problem::COPTRS.realSector(equilibrium::kRackettSector) + 2, services::RMISS);
  CORSTO.setReal(problem::COPTRS.realSector(equilibrium::kRackettSector) + 3, services::RMISS);
  CORSTO.setReal(problem::COPTRS.realSector(problem::ComponentReal::CriticalCompressibility) + 3,
                 -2.0e35);
  struct Case {
    std::int32_t source;
    std::vector<double> volumes;
  };
  const std::vector<Case> cases = {
      {0, kVolumes},
      {7, kVolumes},
      {302, {rackett(0, kZra[0], kT), rackett(1, s[1].zc, kT), kVolumes[2]}},
      {305, {rackett(0, kZra[0], kT), rackett(1, s[1].zc, kT), kVolumes[2]}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    setHeader(equilibrium::kLiquidVolumeSourceWord, c.source);
    const Out o = run(1, 1);
    for (std::size_t i = 0; i < kN; ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(o.vliq[i], c.volumes[i], 1e-12 * c.volumes[i]);
      const double lnpoy = (kP - psat(i)) * c.volumes[i] / (kR * kT);
      EXPECT_NEAR(o.lnpoy[i], lnpoy, 1e-9 * std::fabs(lnpoy));
      EXPECT_NEAR(o.flnx[i] - plain.flnx[i], lnpoy, 1e-9 * std::fabs(lnpoy));
    }
    if (c.source >= 302) {
      const double h = 1e-3;
      EXPECT_NEAR(o.dvliq[0], (rackett(0, kZra[0], kT + h) - rackett(0, kZra[0], kT - h)) / (2 * h),
                  1e-6 * std::fabs(o.dvliq[0]));
    }
    EXPECT_EQ(o.dvliq[2], 0.0);
  }
}

// Source 1: the volumes are the reciprocal molar densities of correlation 1231.
TEST_F(Accalc, PoyntingVolumesFromTheDensityCorrelation) {
  std::vector<correlation_testing::Record> records;
  const double rho[kN] = {26.0, 13.0, 8.5};  // kmol/m3, linear in T with slope -0.02
  for (std::size_t i = 0; i < kN; ++i) {
    correlation_testing::Record r;
    r.component = static_cast<std::int32_t>(i + 1);
    r.form = 1;
    r.coefficients = {rho[i] + 0.02 * kT, -0.02};
    records.push_back(r);
  }
  // The vapour pressures at kT into the cache first: one correlation set is current at a time.
  run(0, 1);
  correlation_testing::installSet(1231, 1, records);
  setHeader(equilibrium::kLiquidVolumeSourceWord, 1);
  const Out o = run(1, 1);
  for (std::size_t i = 0; i < kN; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(o.vliq[i], 1.0 / rho[i], 1e-12);
    EXPECT_NEAR(o.dvliq[i], 0.02 / (rho[i] * rho[i]), 1e-12);
  }
}

// ---------------------------------------------------------------------------------------
// The saturated-vapour term
// ---------------------------------------------------------------------------------------

// With a cubic vapour method ln phi_sat,i is FVCALC's ln phi of pure i at its vapour
// pressure, and its slope FVCALC's at that fixed pressure; a flag of 0 skips a component.
TEST_F(Accalc, SaturatedVapourTermIsFvcalcAtTheVapourPressure) {
  useActivityVapour(101, cubicWithPairs(101, ternary()));
  methods::KMCTL.liquidFugacity.option = 110;  // FVCALC then serves the vapour by THDXCH
  setHeader(equilibrium::kSaturatedVapourWord, 1);
  const double t = 280.0;
  const Out plain = run(0, 1, t);
  const Out o = run(10, 1, t);
  ASSERT_EQ(o.istat, 0);
  const auto pure = [](std::size_t i, double tt, double p) {
    std::vector<double> y(kN, 0.0);
    y[i] = 1.0;
    return call(y, tt, p, 0).lnphi[i];
  };
  for (std::size_t i = 0; i < kN; ++i) {
    SCOPED_TRACE(i);
    const double p = psat(i);
    EXPECT_NEAR(o.lnphis[i], pure(i, t, p), 1e-12);
    EXPECT_LT(o.lnphis[i], 0.0);
    EXPECT_NEAR(o.flnx[i] - plain.flnx[i], o.lnphis[i], 1e-12);
    const double h = 1e-3;
    const double slope = (pure(i, t + h, p) - pure(i, t - h, p)) / (2 * h);
    EXPECT_NEAR(o.dlnphs[i], slope, 1e-6 * std::fabs(slope));
    EXPECT_NEAR(o.dflnx[i] - plain.dflnx[i], o.dlnphs[i], 1e-12);
  }
  const Out skipped = run(10, 1, t, kP, kLiquid, {1, 0, 1});
  EXPECT_EQ(skipped.lnphis[1], 0.0);
  EXPECT_EQ(skipped.dlnphs[1], -10.0);
}

// The term needs both the option's tens digit and the set's switch; a vapour method without
// a pure-vapour route refuses with status 100 and adds nothing.
TEST_F(Accalc, SaturatedVapourTermNeedsTheSwitchAndARoute) {
  useActivityVapour(101, cubicWithPairs(101, ternary()));
  const Out plain = run(0, 1);
  const Out off = run(10, 1);
  EXPECT_EQ(off.flnx, plain.flnx);
  EXPECT_EQ(off.dflnx, plain.dflnx);
  EXPECT_EQ(off.lnphis[0], -99.0);
  setHeader(equilibrium::kSaturatedVapourWord, 1);
  useActivityVapour(204, density_test::leeKeslerBlock(204, ternary(), false));
  const Out refused = run(10, 1);
  EXPECT_EQ(refused.istat, equilibrium::kRefusedStatus);
  EXPECT_EQ(refused.flnx, plain.flnx);
  EXPECT_EQ(refused.dflnx, plain.dflnx);
}

// The whole temperature derivative of ln(f/x) against differences, with the virial vapour
// (whose slope includes dPsat/dT) and Rackett Poynting volumes: d ln(f/x)/dT is that of
// ln Psat + ln gamma + ln Poynting + ln phi_sat along the saturation line.
TEST_F(Accalc, TemperatureDerivativeMatchesDifferences) {
  useActivityVapour(210, virialBlock({kVirialMethane, kVirialPropane, kVirialWater}));
  setHeader(equilibrium::kSaturatedVapourWord, 1);
  setHeader(equilibrium::kLiquidVolumeSourceWord, 302);
  const double t = 290.0, h = 1e-3;
  const Out o = run(11, 1, t);
  const Out values = run(11, 0, t);  // the virial route asks TPCACH for dPsat/dT itself
  const Out up = run(11, 0, t + h);
  const Out down = run(11, 0, t - h);
  for (std::size_t i = 0; i < kN; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(values.flnx[i], o.flnx[i], 1e-14);
    EXPECT_NEAR(o.dflnx[i], (up.flnx[i] - down.flnx[i]) / (2 * h), 1e-6 * std::fabs(o.dflnx[i]));
    EXPECT_NEAR(o.dlnphs[i], (up.lnphis[i] - down.lnphis[i]) / (2 * h),
                1e-6 * std::fabs(o.dlnphs[i]));
    EXPECT_NEAR(o.dlnpoy[i], (up.lnpoy[i] - down.lnpoy[i]) / (2 * h),
                1e-6 * std::fabs(o.dlnpoy[i]));
  }
}

// ---------------------------------------------------------------------------------------
// The models through the dispatcher
// ---------------------------------------------------------------------------------------

// G^E/RT = sum x ln gamma and H^E/(R T^2) = -d(G^E/RT)/dT (Gibbs-Helmholtz), both left in
// PMCTL2, with d ln gamma/dT against differences.
TEST_F(Accalc, NrtlExcessTermsObeyGibbsHelmholtz) {
  const double h = 1e-3;
  const Out o = run(0, 1);
  const Out up = run(0, 0, kT + h);
  const Out down = run(0, 0, kT - h);
  EXPECT_NEAR(o.hert2, -(up.gert - down.gert) / (2 * h), 1e-7 * std::fabs(o.hert2));
  EXPECT_NE(o.hert2, 0.0);
  double hsum = 0.0;
  for (std::size_t i = 0; i < kN; ++i) {
    hsum -= kLiquid[i] * o.dlngdt[i];
    EXPECT_NEAR(o.dlngdt[i], (up.lngam[i] - down.lngam[i]) / (2 * h),
                1e-6 * std::fabs(o.dlngdt[i]));
  }
  EXPECT_NEAR(o.hert2, hsum, 1e-14);
}

// The composition derivatives of the served models: n dln(gamma_i)/dn_j at a total of one
// mole, so that sum_i x_i dln(gamma_i)/dn_j = 0 (Gibbs-Duhem), against differences of the
// amounts; a pure liquid has ln gamma = 0 (the regular solution without its
// Flory-Huggins term included).
TEST_F(Accalc, CompositionDerivativesObeyGibbsDuhem) {
  const std::vector<std::pair<const char*, std::function<void()>>> models = {
      {"NRTL", [this] { useNrtl(); }},
      {"regular solution", [this] { useRegularSolution(); }},
      {"group contribution", [this] { useGroups(); }}};
  for (const auto& [name, use] : models) {
    SCOPED_TRACE(name);
    use();
    const Out o = run(0, 100);
    for (std::size_t j = 0; j < kN; ++j) {
      SCOPED_TRACE(j);
      double sum = 0.0;
      for (std::size_t i = 0; i < kN; ++i) sum += kLiquid[i] * o.dlngdx[j * kN + i];
      EXPECT_NEAR(sum, 0.0, 1e-10);
      const double h = 1e-5;
      std::vector<double> xu = kLiquid, xd = kLiquid;
      xu[j] += h;
      xd[j] -= h;
      for (std::size_t i = 0; i < kN; ++i) {
        xu[i] /= 1.0 + h;
        xd[i] /= 1.0 - h;
      }
      const Out up = run(0, 0, kT, kP, xu);
      const Out down = run(0, 0, kT, kP, xd);
      for (std::size_t i = 0; i < kN; ++i) {
        EXPECT_NEAR(o.dlngdx[j * kN + i], (up.lngam[i] - down.lngam[i]) / (2 * h),
                    1e-6 * (1.0 + std::fabs(o.dlngdx[j * kN + i])));
      }
    }
    for (std::size_t i = 0; i < kN; ++i) {
      std::vector<double> x(kN, 0.0);
      x[i] = 1.0;
      EXPECT_NEAR(run(0, 0, kT, kP, x).lngam[i], 0.0, 1e-12);
    }
  }
}

// Cache mode 2 recomputes the model's temperature terms only when T changes; mode 1 at
// every call. A parameter changed behind the cache shows only after a recompute.
TEST_F(Accalc, ModelTermsAreCachedWhileTheTemperatureRepeats) {
  const Out first = run(0, 0);
  EXPECT_EQ(ictl[5], 1);
  EXPECT_EQ(cache.back(), kT);
  param[3 * kN * kN + 1] += 200.0;  // Q4 of the pair (2, 1)
  EXPECT_EQ(run(0, 0).lngam, first.lngam);
  const Out moved = run(0, 0, kT + 1.0);
  EXPECT_EQ(cache.back(), kT + 1.0);
  EXPECT_NE(run(0, 0).lngam, first.lngam);
  ictl[4] = 1;  // mode 1
  param[3 * kN * kN + 1] -= 200.0;
  EXPECT_EQ(run(0, 0).lngam, first.lngam);
  (void)moved;
}

// The cache rule for the models that keep temperature terms.
TEST(ActivityCache, RecomputesOnlyWhenTheRuleSays) {
  struct Case {
    std::int32_t mode, valid;
    double stamp, t;
    bool stale;
    std::int32_t validAfter;
    double stampAfter;
  };
  const std::vector<Case> cases = {
      {1, 1, 300.0, 300.0, true, 1, 300.0},   // mode 1: always, never stamps
      {2, 0, 0.0, 300.0, true, 1, 300.0},     // first call stamps
      {2, 1, 300.0, 300.0, false, 1, 300.0},  // same temperature
      {2, 1, 300.0, 301.0, true, 1, 301.0},   // changed temperature
      {3, 0, 5.0, 300.0, true, 0, 5.0},       // other mode, not valid: always, no stamp
      {2, 7, 5.0, 300.0, false, 7, 5.0}};     // other valid word: never
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.valid << " " << c.t);
    std::int32_t valid = c.valid;
    double stamp = c.stamp;
    EXPECT_EQ(equilibrium::activityCacheStale(c.mode, valid, stamp, c.t), c.stale);
    EXPECT_EQ(valid, c.validAfter);
    EXPECT_EQ(stamp, c.stampAfter);
  }
}

// The regular solution refuses the tens digit of the request: status 100, one line to the
// report unit, and the reference terms added to whatever ln gamma held.
TEST_F(Accalc, RefusedDerivativeGivesStatus100AndItsLine) {
  useRegularSolution();
  testing_support::TempDir dir;
  const std::string report = dir.file("report.txt").string();
  ASSERT_EQ(platform::openSequential(33, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = 33;
  const Out o = run(0, 11, kT, kP, kLiquid, {1, 1, 1}, 0.25);
  services::IOUNIT.report = -1;
  platform::closeUnit(33, true);
  EXPECT_EQ(o.istat, equilibrium::kRefusedStatus);
  EXPECT_EQ(testing_support::readFile(report),
            " VTUNIQ : KTDERV =           1 OPTION NOT AVAILABLE\n");
  for (std::size_t i = 0; i < kN; ++i) {
    EXPECT_NEAR(o.flnx[i], std::log(psat(i)) + 0.25, 1e-14);
  }
  EXPECT_EQ(o.gert, 0.0);
  EXPECT_EQ(o.hert2, 0.0);
  EXPECT_EQ(run(0, 1).istat, 0);
}

// Code 120 with a water-poor liquid above the ice point uses delta_w = 31.6 - 0.0163 T_R for
// the call only; a water-rich liquid uses the second solubility block.
TEST_F(Accalc, WaterSolubilityParameterOfCode120) {
  code = 120;
  const std::vector<double> v = {0.018, 0.0757, 0.1155};
  const std::vector<double> poor = {23.4, 6.40, 7.02}, rich = {21.0, 6.9, 7.3};
  param.assign(8 * kN, 0.0);
  for (std::size_t i = 0; i < kN; ++i) {
    param[5 * kN + i] = v[i];
    param[6 * kN + i] = poor[i];
    param[7 * kN + i] = rich[i];
  }
  const std::vector<double> stored = param;
  ictl = {0, 0, 0, -1, 1, 0};
  problem::THCTL.waterComponent = 1;
  const auto regular = [&](const std::vector<double>& x, const std::vector<double>& delta) {
    std::vector<double> lng(kN), dlng(kN), dx(1);
    std::int32_t st = 0;
    equilibrium::GAMREG(st, 1, kN, kT, x, lng, dlng, dx, delta, 0, v);
    return lng;
  };
  const std::vector<double> xPoor = {0.3, 0.3, 0.4}, xRich = {0.31, 0.3, 0.39};
  std::vector<double> swapped = poor;
  swapped[0] = 31.6 - 0.0163 * 1.8 * kT;
  const Out a = run(0, 0, kT, kP, xPoor);
  const Out b = run(0, 0, kT, kP, xRich);
  for (std::size_t i = 0; i < kN; ++i) {
    EXPECT_NEAR(a.lngam[i], regular(xPoor, swapped)[i], 1e-14);
    EXPECT_NEAR(b.lngam[i], regular(xRich, rich)[i], 1e-14);
  }
  EXPECT_EQ(param, stored);
}

// Debug level 1: the dump's heading lines and one line per component, at most 90 characters.
TEST_F(Accalc, DumpListsEveryComponent) {
  testing_support::TempDir dir;
  const std::string report = dir.file("dump.txt").string();
  ASSERT_EQ(platform::openSequential(34, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  ictl[2] = 1;
  ictl[3] = 34;
  run(1, 0);
  platform::closeUnit(34, true);
  const std::string text = testing_support::readFile(report);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(lines.size(), 3 + kN);
  EXPECT_EQ(lines[0], "ACCALC DUMP");
  EXPECT_EQ(lines[1].rfind("TEMP = ", 0), 0u);
  EXPECT_NE(lines[1].find("26.8500 C"), std::string::npos) << lines[1];
  for (std::size_t k = 3; k < lines.size(); ++k) EXPECT_LE(lines[k].size(), 90u);
}

// A warm call allocates nothing.
TEST_F(Accalc, WarmCallsAllocateNothing) {
  useActivityVapour(101, cubicWithPairs(101, ternary()));
  setHeader(equilibrium::kSaturatedVapourWord, 1);
  setHeader(equilibrium::kLiquidVolumeSourceWord, 302);
  Out o = run(11, 101);
  std::vector<std::int32_t> iaux2(1, 0);
  const std::vector<std::int32_t> flags(kN, 1);
  const methods::MethodEntry entry{code, 11, 1, services::NODISK, 0};
  const std::size_t before = testing_support::allocationCount();
  for (const double t : {301.0, 302.0}) {
    equilibrium::ACCALC(t, kP, kLiquid, param, ictl, flags, 3, 12, 1, 45, 6, 1, 1, entry, 101, work,
                        iaux1, cache, iaux2, o.flnx, o.dflnx, o.lngam, o.dlngdt, o.diagonal,
                        o.dlngdx, o.lnpoy, o.dlnpoy, o.vliq, o.dvliq, o.lnphis, o.dlnphs, o.istat);
  }
  EXPECT_EQ(testing_support::allocationCount(), before);
}

}  // namespace
