#include "density_blocks.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "fixtures/units_table.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/pure.hpp"

namespace density_test {

namespace {

// The published constants of the fixture builder with a specific gravity.
Species publishedSpecies(const char* name, double sg) {
  const fixtures::ComponentSpec c = fixtures::publishedComponent(name);
  return Species{name,
                 c.criticalTemperature,
                 c.criticalPressure,
                 c.acentricFactor,
                 c.criticalVolume,
                 c.criticalCompressibility,
                 c.molecularWeight,
                 sg,
                 c.normalBoilingPoint,
                 c.rackettCompressibility,
                 c.costaldVolume,
                 c.costaldAcentricFactor};
}

}  // namespace

const Species kMethane = publishedSpecies("METHANE", 0.3);
const Species kEthane = publishedSpecies("ETHANE", 0.3562);
const Species kPropane = publishedSpecies("PROPANE", 0.5070);
const Species kButane = publishedSpecies("N-BUTANE", 0.5840);
const Species kPentane = publishedSpecies("N-PENTANE", 0.6311);
const Species kWater = publishedSpecies("WATER", 1.0);

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

std::vector<fixtures::ComponentSpec> specsOf(const std::vector<Species>& comps) {
  std::vector<fixtures::ComponentSpec> specs;
  for (const Species& s : comps) specs.push_back(specOf(s));
  return specs;
}

}  // namespace

fixtures::ComponentSpec specOf(const Species& s) {
  fixtures::ComponentSpec c;
  c.name = s.name;
  c.molecularWeight = s.mw;
  c.normalBoilingPoint = s.tb;
  c.criticalTemperature = s.tc;
  c.criticalPressure = s.pc;
  c.criticalVolume = s.vc;
  c.criticalCompressibility = s.zc;
  c.acentricFactor = s.omega;
  c.rackettCompressibility = s.zra;
  c.costaldVolume = s.vstar;
  c.costaldAcentricFactor = s.omegaSrk;
  return c;
}

void startRun() {
  services::ERINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  fixtures::loadUnitTables(shippedUnits());
  problem::XPSETL.reset();
  problem::COHDR = {};
  problem::COPTRS = {};
  services::GDPOPT = {};
  problem::GCLTAB = {};
  services::IOUNIT.report = -1;
  problem::THCTL = {};
  problem::THCTL.currentSet = 1;
  methods::MSPTRS = {};
  methods::KMCTL = {};
  methods::PMCTL1 = {};
  methods::PMCTL2 = {};
  methods::LDSTAT = {};
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

std::int32_t holdBlock(const BlockData& data, std::int32_t address) {
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

  methods::LoadedBlock& held = methods::LDSTAT;
  held.address = address;
  held.length = length;
  held.integerSector1 = SBCUR.pointer(SectorKind::Integer, 1);
  held.integerSector2 = SBCUR.pointer(SectorKind::Integer, 2);
  held.realSector1 = SBCUR.pointer(SectorKind::Real, 1);
  held.realSector2 = SBCUR.pointer(SectorKind::Real, 2);
  held.integerLength1 = static_cast<std::int32_t>(data.integers.size());
  held.realLength1 = static_cast<std::int32_t>(data.reals.size());
  held.integerLength2 = static_cast<std::int32_t>(data.integers2.size());
  held.realLength2 = static_cast<std::int32_t>(data.reals2.size());
  return length;
}

void holdLiquidDensityBlock(std::int32_t code, const BlockData& data, std::int32_t realWork) {
  const std::int32_t length = holdBlock(data, kHeldAddress);
  methods::PMCTL1.liquidDensity.code = code;
  methods::PMCTL1.liquidDensity.blockAddress = kHeldAddress;
  methods::PMCTL1.liquidDensity.blockLength = length;
  methods::MethodClass& c = methods::MSPTRS.classes(pure::kLiquidDensityClass);
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
  BlockData d =
      fixtures::cubicParameterBlock(101, fixtures::CubicForm::PengRobinson, specsOf(comps), kij);
  d.integers[comps.size() + 3] = state;  // the cache-state word
  return d;
}

BlockData cubicBlock(std::int32_t code, const std::vector<Species>& comps) {
  return fixtures::cubicParameterBlock(code, fixtures::CubicForm::PengRobinson, specsOf(comps));
}

// ---------------------------------------------------------------------------------------
// Lee-Kesler
// ---------------------------------------------------------------------------------------

const std::vector<double> kLeeKeslerSimple(fixtures::kLeeKeslerSimpleFluid.begin(),
                                           fixtures::kLeeKeslerSimpleFluid.end());
const std::vector<double> kLeeKeslerReference(fixtures::kLeeKeslerReferenceFluid.begin(),
                                              fixtures::kLeeKeslerReferenceFluid.end());

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
  BlockData d = fixtures::correspondingStatesBlock(code, specsOf(comps));
  if (!brackets) return d;
  // Liquid rows: lines through 0.8 and 1.25 times the roots at Pr 0.5 (compressed at low Tr,
  // near saturation at the top), at the ends of each range.
  const std::array<std::array<double, 2>, 5> ranges{
      {{0.30, 0.50}, {0.50, 0.70}, {0.70, 0.80}, {0.80, 0.90}, {0.90, 0.95}}};
  auto word = d.reals.begin() + (pure::csblock::kLiquidBrackets - 1);
  for (const auto& r : ranges) {
    *word++ = r[0];
    *word++ = r[1];
    for (const std::vector<double>* fluid : {&kLeeKeslerSimple, &kLeeKeslerReference}) {
      const double v0 = leeKeslerVolume(*fluid, r[0], 0.5, true);
      const double v1 = leeKeslerVolume(*fluid, r[1] - 1e-6, 0.5, true);
      for (double factor : {0.8, 1.25}) {
        const double slope = factor * (v1 - v0) / (r[1] - r[0]);
        *word++ = slope;
        *word++ = factor * v0 - slope * r[0];
      }
    }
  }
  return d;
}

// ---------------------------------------------------------------------------------------
// Starling
// ---------------------------------------------------------------------------------------

std::vector<double> starlingParameters(const Species& s) {
  const std::array<double, 11> p = fixtures::starlingParameters(specOf(s));
  return {p.begin(), p.end()};
}

BlockData starlingBlock(const std::vector<Species>& comps, const std::vector<double>& kij) {
  return fixtures::starlingBlock(specsOf(comps), kij);
}

// ---------------------------------------------------------------------------------------
// COSTALD and Rackett
// ---------------------------------------------------------------------------------------

BlockData costaldBlock(const std::vector<Species>& comps) {
  return fixtures::costaldBlock(specsOf(comps));
}

BlockData rackettBlock(const std::vector<Species>& comps) {
  return fixtures::rackettBlock(specsOf(comps));
}

BlockData rackettVolumesBlock(const std::vector<Species>& comps) {
  return fixtures::rackettVolumesBlock(specsOf(comps));
}

}  // namespace density_test
