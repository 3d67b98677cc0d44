#include "density_blocks.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "fixtures/units_table.hpp"
#include "flash/flash.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/pure.hpp"

namespace density_test {

//                               name         Tc      Pc       w      Vc      Zc     MW      SG
//                               Tb      ZRA     V*        w_SRK
const Species kMethane{"methane", 190.56, 4599.0, 0.011,  0.0986,  0.286,
                       16.043,    0.3,    111.66, 0.2892, 0.09939, 0.0074};
const Species kEthane{"ethane", 305.32, 4872.0, 0.099,  0.1455,  0.279,
                      30.070,   0.3562, 184.55, 0.2808, 0.14580, 0.0983};
const Species kPropane{"propane", 369.83, 4248.0, 0.152,  0.2000,  0.276,
                       44.097,    0.5070, 231.02, 0.2766, 0.20000, 0.1532};
const Species kButane{"n-butane", 425.12, 3796.0, 0.200,  0.2550,  0.274,
                      58.123,     0.5840, 272.66, 0.2730, 0.25442, 0.2008};
const Species kPentane{"n-pentane", 469.70, 3370.0, 0.252,  0.3130,  0.270,
                       72.150,      0.6311, 309.22, 0.2684, 0.31060, 0.2522};
const Species kWater{"water", 647.14, 22064.0, 0.344,  0.05595, 0.229,
                     18.015,  1.0,    373.15,  0.2338, 0.04357, 0.3852};

namespace {

using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

constexpr double kR = 8.314471;
// A made-up disk address for the blocks held in core.
constexpr std::int32_t kHeldAddress = 21000077;

const fixtures::UnitsTable& shippedUnits() {
  static const fixtures::UnitsTable table = fixtures::shippedUnitsTable();
  return table;
}

std::size_t pairCount(std::size_t n) { return n > 1 ? n * (n - 1) / 2 : 1; }

}  // namespace

void startRun() {
  services::ERINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  fixtures::loadUnitTables(shippedUnits());
  problem::XPSETL.reset();
  problem::COHDR = {};
  problem::COPTRS = {};
  problem::GDPOPT = {};
  problem::GCLTAB = {};
  problem::IOUNIT.report = -1;
  flash::THCTL = {};
  flash::THCTL.currentSet = 1;
  flash::MSPTRS = {};
  flash::KMCTL = {};
  flash::PMCTL1 = {};
  flash::PMCTL2 = {};
  flash::LDSTAT = {};
  pure::DNCNTS = {};
  pure::HCSTAT = {};
  pure::resetCorrelationState();
  pure::setUserDensity(nullptr);
}

void installComponents(const std::vector<Species>& components) {
  const auto n = static_cast<std::int32_t>(components.size());
  const auto store = [&](problem::ComponentReal sector, double Species::*field) {
    const std::int32_t start = storage::ICMGTR(n, 1);
    problem::COPTRS.realSector(sector) = start;
    for (std::int32_t i = 1; i <= n; ++i) {
      CORSTO.setReal(start + i, components[static_cast<std::size_t>(i - 1)].*field);
    }
  };
  using problem::ComponentReal;
  store(ComponentReal::MolecularWeight, &Species::mw);
  store(ComponentReal::StandardLiquidDensity, &Species::sg);
  store(ComponentReal::NormalBoilingPoint, &Species::tb);
  store(ComponentReal::CriticalTemperature, &Species::tc);
  store(ComponentReal::CriticalPressure, &Species::pc);
  store(ComponentReal::CriticalVolume, &Species::vc);
  store(ComponentReal::CriticalCompressibility, &Species::zc);
  store(ComponentReal::AcentricFactor, &Species::omega);
  problem::COHDR(problem::cohdr::kComponents) = n;
  problem::COHDR(problem::cohdr::kVapourComponents) = n;
}

void holdLiquidDensityBlock(std::int32_t code, const BlockData& data, std::int32_t realWork) {
  const auto count = [](std::size_t n) { return static_cast<std::int32_t>(n > 0 ? n : 1); };
  const std::array<std::int32_t, 2> integers{count(data.integers.size()),
                                             count(data.integers2.size())};
  const std::array<std::int32_t, 2> reals{count(data.reals.size()), count(data.reals2.size())};
  storage::SubBlockSpec spec;
  spec[SectorKind::Integer].lengths = integers;
  spec[SectorKind::Real].lengths = reals;
  std::int32_t length = 0;
  std::int32_t area = services::NOCORE;
  std::int32_t ierr = 0;
  storage::SBMLTC(length, area, 0, ierr, spec);
  const auto fillIntegers = [&](std::int32_t sector, const std::vector<std::int32_t>& v) {
    const std::int32_t p = SBCUR.pointer(SectorKind::Integer, sector);
    for (std::size_t k = 0; k < v.size(); ++k) CORSTO[p + static_cast<std::int32_t>(k) + 1] = v[k];
  };
  const auto fillReals = [&](std::int32_t sector, const std::vector<double>& v) {
    const std::int32_t p = SBCUR.pointer(SectorKind::Real, sector);
    for (std::size_t k = 0; k < v.size(); ++k)
      CORSTO.setReal(p + static_cast<std::int32_t>(k) + 1, v[k]);
  };
  fillIntegers(1, data.integers);
  fillIntegers(2, data.integers2);
  fillReals(1, data.reals);
  fillReals(2, data.reals2);

  flash::LoadedBlock& held = flash::LDSTAT;
  held.address = kHeldAddress;
  held.length = length;
  held.integerSector1 = SBCUR.pointer(SectorKind::Integer, 1);
  held.integerSector2 = SBCUR.pointer(SectorKind::Integer, 2);
  held.realSector1 = SBCUR.pointer(SectorKind::Real, 1);
  held.realSector2 = SBCUR.pointer(SectorKind::Real, 2);
  held.integerLength1 = static_cast<std::int32_t>(data.integers.size());
  held.realLength1 = static_cast<std::int32_t>(data.reals.size());
  flash::PMCTL1.liquidDensity.code = code;
  flash::PMCTL1.liquidDensity.blockAddress = kHeldAddress;
  flash::PMCTL1.liquidDensity.blockLength = length;
  flash::MethodClass& c = flash::MSPTRS.classes(pure::kLiquidDensityClass);
  c.code = code;
  c.integerWork = 8;
  c.realWork = realWork;
}

// ---------------------------------------------------------------------------------------
// Peng-Robinson
// ---------------------------------------------------------------------------------------

PengRobinson pengRobinson(const Species& s, double t) {
  const double m = 0.37464 + 1.54226 * s.omega - 0.26992 * s.omega * s.omega;
  const double root = 1.0 + m * (1.0 - std::sqrt(t / s.tc));
  return {0.457235529 * kR * kR * s.tc * s.tc / s.pc, 0.077796074 * kR * s.tc / s.pc, root * root};
}

BlockData pengRobinsonBlock(const std::vector<Species>& comps, const std::vector<double>& kij,
                            std::int32_t state) {
  const std::size_t n = comps.size();
  const std::size_t np = pairCount(n);
  BlockData d;
  d.reals = {-1.0 + std::sqrt(2.0), -1.0 - std::sqrt(2.0)};
  for (const Species& s : comps) d.reals.push_back(std::sqrt(pengRobinson(s, s.tc).ac));
  for (const Species& s : comps) d.reals.push_back(pengRobinson(s, s.tc).b);
  for (const Species& s : comps) {
    d.reals.push_back(0.37464 + 1.54226 * s.omega - 0.26992 * s.omega * s.omega);
    d.reals.push_back(0.0);
    d.reals.push_back(0.0);
  }
  for (const Species& s : comps) d.reals.push_back(s.tc);
  for (std::size_t k = 0; k < np; ++k) d.reals.push_back(k < kij.size() ? kij[k] : 0.0);
  for (std::size_t k = 0; k < 2 * np; ++k) d.reals.push_back(0.0);  // groups B and C
  d.reals.push_back(0.0);                                           // the cached temperature
  for (std::size_t i = 0; i < n; ++i) d.integers.push_back(1);      // the Soave form
  d.integers.insert(d.integers.end(), {0, 0, 0});                   // spare words
  d.integers.insert(d.integers.end(), {state, 0, 0});               // the cache words
  return d;
}

BlockData cubicBlock(std::int32_t code, const std::vector<Species>& comps) {
  const std::size_t n = comps.size();
  const std::size_t np = pairCount(n);
  BlockData d = pengRobinsonBlock(comps, {});
  // The head up to the pair groups, then the code's groups and extra words.
  d.reals.resize(
      static_cast<std::size_t>(pure::cubicblock::pairs(static_cast<std::int32_t>(n)) - 1));
  const std::int32_t groups = pure::cubicblock::groups(code);
  d.reals.resize(d.reals.size() + static_cast<std::size_t>(groups) * np, 0.0);
  if (code == 108) d.reals.resize(d.reals.size() + n, 0.0);
  if (code == 124) d.reals.resize(d.reals.size() + 5 * n, 0.0);
  d.reals.push_back(0.0);  // the cached temperature
  if (code == 109 || code == 112) {
    d.reals2.assign(9 * n * n + 1, 0.0);
    d.integers2.assign(6 + np, 0);
    d.integers2[1] = 1;  // form 1
    d.integers2[4] = 1;  // recompute at every call
  }
  return d;
}

// ---------------------------------------------------------------------------------------
// Lee-Kesler
// ---------------------------------------------------------------------------------------

const std::vector<double> kLeeKeslerSimple = {0.1181193,   0.265728,    0.154790, 0.030323,
                                              0.0236744,   0.0186984,   0.0,      0.042724,
                                              0.155488e-4, 0.623689e-4, 0.65392,  0.060167};
const std::vector<double> kLeeKeslerReference = {0.2026579,  0.331511,     0.027655, 0.203488,
                                                 0.0313385,  0.0503618,    0.016901, 0.041577,
                                                 0.48736e-4, 0.0740336e-4, 1.226,    0.03754};

double leeKeslerZ(const std::vector<double>& f, double tr, double vr) {
  const double b = f[0] - f[1] / tr - f[2] / (tr * tr) - f[3] / (tr * tr * tr);
  const double c = f[4] - f[5] / tr + f[6] / (tr * tr * tr);
  const double d = f[8] + f[9] / tr;
  return 1.0 + b / vr + c / (vr * vr) + d / std::pow(vr, 5) +
         f[7] / (tr * tr * tr * vr * vr) * (f[10] + f[11] / (vr * vr)) *
             std::exp(-f[11] / (vr * vr));
}

double leeKeslerVolume(const std::vector<double>& f, double tr, double pr, bool liquid) {
  const auto g = [&](double v) { return tr * leeKeslerZ(f, tr, v) / v - pr; };
  double found = -1.0;
  double lo = 0.02;
  for (int k = 0; k < 3000; ++k) {
    const double hi = lo * 1.005;
    if ((g(lo) > 0.0) != (g(hi) > 0.0)) {
      double a = lo, b = hi;
      for (int it = 0; it < 200; ++it) {
        const double m = 0.5 * (a + b);
        if ((g(a) > 0.0) == (g(m) > 0.0))
          a = m;
        else
          b = m;
      }
      found = 0.5 * (a + b);
      if (liquid) return found;
    }
    lo = hi;
  }
  if (found < 0.0) throw std::runtime_error("no Lee-Kesler root");
  return found;
}

BlockData leeKeslerBlock(std::int32_t code, const std::vector<Species>& comps, bool brackets) {
  BlockData d;
  d.reals = kLeeKeslerSimple;
  d.reals.insert(d.reals.end(), kLeeKeslerReference.begin(), kLeeKeslerReference.end());
  // Vapour rows: none matches.
  for (int k = 0; k < 40; ++k) d.reals.push_back(0.0);
  // Liquid rows: lines through 0.9 and 1.1 times the roots at the saturation pressure of the
  // simple fluid, at the ends of each range.
  const std::array<std::array<double, 2>, 5> ranges{
      {{0.30, 0.50}, {0.50, 0.70}, {0.70, 0.80}, {0.80, 0.90}, {0.90, 0.95}}};
  for (const auto& r : ranges) {
    if (!brackets) {
      for (int k = 0; k < 10; ++k) d.reals.push_back(0.0);
      continue;
    }
    d.reals.push_back(r[0]);
    d.reals.push_back(r[1]);
    for (const std::vector<double>* fluid : {&kLeeKeslerSimple, &kLeeKeslerReference}) {
      // The liquid root at Pr 0.5 (compressed at low Tr, near saturation at the top).
      const double v0 = leeKeslerVolume(*fluid, r[0], 0.5, true);
      const double v1 = leeKeslerVolume(*fluid, r[1] - 1e-6, 0.5, true);
      for (double factor : {0.8, 1.25}) {
        const double slope = factor * (v1 - v0) / (r[1] - r[0]);
        d.reals.push_back(slope);
        d.reals.push_back(factor * v0 - slope * r[0]);
      }
    }
  }
  const std::size_t n = comps.size();
  for (const Species& s : comps) d.reals.push_back(s.tc);
  for (const Species& s : comps) d.reals.push_back(s.pc);
  for (const Species& s : comps) d.reals.push_back(s.omega);
  if (code == 204) {
    // VC, TV = Vc^eta Tc, the pairs by the Lee-Kesler combining rules, eta = 0.25.
    const double eta = 0.25;
    for (const Species& s : comps) d.reals.push_back(s.vc);
    for (const Species& s : comps) d.reals.push_back(std::pow(s.vc, eta) * s.tc);
    std::vector<double> vcp, tvp;
    for (std::size_t j = 1; j < n; ++j) {
      for (std::size_t i = 0; i < j; ++i) {
        const double v = std::pow((std::cbrt(comps[i].vc) + std::cbrt(comps[j].vc)) / 2.0, 3);
        vcp.push_back(v);
        tvp.push_back(std::pow(v, eta) * std::sqrt(comps[i].tc * comps[j].tc));
      }
    }
    if (vcp.empty()) {
      vcp.push_back(0.0);
      tvp.push_back(0.0);
    }
    d.reals.insert(d.reals.end(), vcp.begin(), vcp.end());
    d.reals.insert(d.reals.end(), tvp.begin(), tvp.end());
    d.reals.push_back(eta);
  } else {
    for (const Species& s : comps) {
      d.reals.push_back(code == 214 ? std::sqrt(s.pc) : code == 203 ? std::sqrt(s.tc) : s.vc);
    }
    for (const Species& s : comps) {
      d.reals.push_back(code == 214   ? std::cbrt(s.tc / s.pc)
                        : code == 203 ? std::cbrt(s.vc)
                                      : s.zc);
    }
    for (const Species& s : comps) d.reals.push_back(std::cbrt(s.vc));
  }
  d.integers = {0};
  return d;
}

// ---------------------------------------------------------------------------------------
// Starling
// ---------------------------------------------------------------------------------------

std::vector<double> starlingParameters(const Species& s) {
  // Han and Starling: A_j + B_j omega (the last term B_11 omega exp(-3.8 omega)).
  constexpr std::array<double, 11> a{0.443690,  1.28438,  0.356306,  0.544979,  0.528629, 0.484011,
                                     0.0705233, 0.504087, 0.0307452, 0.0732828, 0.006450};
  constexpr std::array<double, 11> b{0.115449,  -0.920731, 1.70871,  -0.270896, 0.349261, 0.754130,
                                     -0.044448, 1.32245,   0.179433, 0.463492,  -0.022143};
  const double r = 10.7335;
  const double tc = s.tc * 1.8;
  const double rc = 1.0 / (s.vc * 16.01846337);  // lbmol/ft3
  std::array<double, 11> f{};
  for (std::size_t j = 0; j < 10; ++j) f[j] = a[j] + b[j] * s.omega;
  f[10] = a[10] + b[10] * s.omega * std::exp(-3.8 * s.omega);
  const double B0 = f[0] / rc;
  const double A0 = f[1] * r * tc / rc;
  const double C0 = f[2] * r * std::pow(tc, 3) / rc;
  const double gamma = f[3] / (rc * rc);
  const double bb = f[4] / (rc * rc);
  const double aa = f[5] * r * tc / (rc * rc);
  const double alpha = f[6] / (rc * rc * rc);
  const double c = f[7] * r * std::pow(tc, 3) / (rc * rc);
  const double D0 = f[8] * r * std::pow(tc, 4) / rc;
  const double d = f[9] * r * tc * tc / (rc * rc);
  const double E0 = f[10] * r * std::pow(tc, 5) / rc;
  return {B0, A0, C0, D0, E0, bb, aa, d, alpha, c, gamma};
}

BlockData starlingBlock(const std::vector<Species>& comps, const std::vector<double>& kij) {
  const std::size_t n = comps.size();
  BlockData d;
  for (std::size_t k = 0; k < pairCount(n); ++k) d.reals.push_back(k < kij.size() ? kij[k] : 0.0);
  std::vector<std::vector<double>> p;
  for (const Species& s : comps) p.push_back(starlingParameters(s));
  for (int set = 0; set < 2; ++set) {
    for (std::size_t q = 0; q < 11; ++q) {
      for (std::size_t i = 0; i < n; ++i) d.reals.push_back(p[i][q]);
    }
  }
  d.integers = {0};
  return d;
}

// ---------------------------------------------------------------------------------------
// COSTALD and Rackett
// ---------------------------------------------------------------------------------------

BlockData costaldBlock(const std::vector<Species>& comps) {
  BlockData d;
  for (const Species& s : comps) d.reals.push_back(s.omegaSrk);
  for (const Species& s : comps) d.reals.push_back(s.vstar);
  for (const Species& s : comps) d.reals.push_back(s.tc);
  d.integers = {0};
  return d;
}

BlockData rackettBlock(const std::vector<Species>& comps) {
  BlockData d;
  for (const Species& s : comps) d.reals.push_back(s.zra);
  for (const Species& s : comps) d.reals.push_back(s.tc);
  for (const Species& s : comps) d.reals.push_back(s.pc);
  for (const Species& s : comps) d.reals.push_back(s.vc);
  d.integers = {0};
  return d;
}

BlockData rackettVolumesBlock(const std::vector<Species>& comps) {
  BlockData d;
  for (const Species& s : comps) d.reals.push_back(s.pc);
  for (const Species& s : comps) d.reals.push_back(s.tc);
  for (const Species& s : comps) d.reals.push_back(s.zra);
  d.integers = {0};
  return d;
}

}  // namespace density_test
