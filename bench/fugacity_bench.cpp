// The vapour fugacity routine FVCALC on a ten-component natural gas (Peng-Robinson and
// Soave-Redlich-Kwong, derivative levels 1, 2 and 4), beside a plain Peng-Robinson ln(phi)
// written here as the yardstick: the quadratic mixing rule, the Cardano root and ln(phi) of
// the textbook equation, with the pure-component a_i and b_i at T formed once, as FVCALC
// keeps them while the temperature repeats. One iteration is one ln(phi) vector.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "fixtures/units_table.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using storage::CORSTO;
using storage::SectorKind;

constexpr double kR = 8.314471;
constexpr double kT = 300.0;   // K
constexpr double kP = 5000.0;  // kPa
constexpr std::int32_t kHeldAddress = 41000077;

// A lean natural gas (mole fractions sum to 1).
const std::array<const char*, 10> kNames = {
    "METHANE",  "ETHANE",    "PROPANE",  "N-BUTANE",       "N-PENTANE",
    "N-HEXANE", "N-HEPTANE", "NITROGEN", "CARBON DIOXIDE", "HYDROGEN SULFIDE"};
const std::vector<double> kGas = {0.83, 0.06, 0.03, 0.01, 0.005, 0.003, 0.002, 0.03, 0.02, 0.01};

std::vector<fixtures::ComponentSpec> components() {
  std::vector<fixtures::ComponentSpec> c;
  for (const char* name : kNames) c.push_back(fixtures::publishedComponent(name));
  return c;
}

// Made-up but typical pair coefficients k_ij, packed pairs (2,1), (3,1), (3,2), ...
std::vector<double> pairCoefficients(std::size_t n) {
  std::vector<double> k;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) k.push_back(0.002 * static_cast<double>(i + j));
  }
  return k;
}

// A run with the gas's components, flash work arrays of N x N words and the method block of
// CODE held as the equation-of-state K-value method.
void startRun(std::int32_t code, fixtures::CubicForm form) {
  services::ERINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  static const fixtures::UnitsTable units = fixtures::shippedUnitsTable();
  fixtures::loadUnitTables(units);
  problem::COHDR = {};
  problem::COPTRS = {};
  services::GDPOPT = {};
  services::IOUNIT.report = -1;
  problem::THCTL = {};
  problem::THCTL.currentSet = 1;
  methods::MSPTRS = {};
  methods::KMCTL = {};
  methods::PMCTL1 = {};
  methods::PMCTL2 = {};
  methods::LDSTAT = {};
  methods::THDXCH = {};
  const std::vector<fixtures::ComponentSpec> comps = components();
  const auto n = static_cast<std::int32_t>(comps.size());
  const auto store = [&](problem::ComponentReal sector, auto field) {
    const std::int32_t start = storage::ICMGTR(n, 1);
    problem::COPTRS.realSector(sector) = start;
    for (std::int32_t i = 1; i <= n; ++i) {
      CORSTO.setReal(start + i, comps[static_cast<std::size_t>(i - 1)].*field);
    }
  };
  using problem::ComponentReal;
  using Spec = fixtures::ComponentSpec;
  store(ComponentReal::MolecularWeight, &Spec::molecularWeight);
  store(ComponentReal::CriticalTemperature, &Spec::criticalTemperature);
  store(ComponentReal::CriticalPressure, &Spec::criticalPressure);
  store(ComponentReal::AcentricFactor, &Spec::acentricFactor);
  problem::COHDR(problem::cohdr::kComponents) = n;
  problem::COHDR(problem::cohdr::kVapourComponents) = n;
  for (std::int32_t k = 1; k <= problem::kFlashRealArrays; ++k) {
    problem::FWPART.realOffset(static_cast<std::size_t>(k)) = storage::ICMGTR(n * n, 1);
    problem::FWPART.realSize(static_cast<std::size_t>(k)) = n * n;
  }

  // The block, laid out in core as the loader leaves it.
  const fixtures::MethodBlock block =
      fixtures::cubicParameterBlock(code, form, comps, pairCoefficients(comps.size()));
  const auto count = [](std::size_t s) { return static_cast<std::int32_t>(s > 0 ? s : 1); };
  storage::SubBlockSpec spec;
  const std::array<std::int32_t, 2> integerLengths{count(block.integers.size()),
                                                   count(block.integers2.size())};
  const std::array<std::int32_t, 2> realLengths{count(block.reals.size()),
                                                count(block.reals2.size())};
  spec[SectorKind::Integer].lengths = integerLengths;
  spec[SectorKind::Real].lengths = realLengths;
  std::int32_t length = 0, area = services::NOCORE, ierr = 0;
  storage::SBMLTC(length, area, 0, ierr, spec);
  const std::int32_t ints = storage::SBCUR.pointer(SectorKind::Integer, 1);
  const std::int32_t reals = storage::SBCUR.pointer(SectorKind::Real, 1);
  for (std::size_t k = 0; k < block.integers.size(); ++k) {
    CORSTO[ints + static_cast<std::int32_t>(k) + 1] = block.integers[k];
  }
  for (std::size_t k = 0; k < block.reals.size(); ++k) {
    CORSTO.setReal(reals + static_cast<std::int32_t>(k) + 1, block.reals[k]);
  }
  methods::LoadedBlock& held = methods::LDSTAT;
  held.address = kHeldAddress;
  held.length = length;
  held.integerSector1 = ints;
  held.integerSector2 = storage::SBCUR.pointer(SectorKind::Integer, 2);
  held.realSector1 = reals;
  held.realSector2 = storage::SBCUR.pointer(SectorKind::Real, 2);
  held.integerLength1 = static_cast<std::int32_t>(block.integers.size());
  held.realLength1 = static_cast<std::int32_t>(block.reals.size());
  methods::KMCTL.kvalue.code = code;
  methods::KMCTL.kvalue.slot = 1;
  methods::KMCTL.levelWord = 1;
  methods::MethodClass& c = methods::MSPTRS.classes(1);
  c.code = code;
  c.integerWork = 8;
  c.realWork = block.realWork;
  c.blockAddress = kHeldAddress;
  c.blockLength = length;
}

void plainPengRobinson(const std::vector<double>& y, std::vector<double>& sum,
                       std::vector<double>& out);

// FVCALC at one state; the request word of LEVEL (1: 0, 2: 1, 4: 101).
void fvcalc(benchmark::State& state, std::int32_t code, fixtures::CubicForm form,
            std::int32_t level) {
  startRun(code, form);
  const std::int32_t request = level == 4 ? 101 : level == 2 ? 1 : 0;
  const std::size_t n = kGas.size();
  std::vector<double> lnphi(n);
  const std::vector<std::int32_t> flags(n, 1);
  double z = 0.0;
  std::int32_t status = 0, numerical = 0;
  for (auto _ : state) {
    equilibrium::FVCALC(static_cast<std::int32_t>(n), kGas, lnphi, kT, kP, z, request, 0, flags, 0,
                        status, numerical);
    benchmark::DoNotOptimize(lnphi.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  if (form == fixtures::CubicForm::PengRobinson) {
    // The largest difference from the yardstick's ln(phi), shown beside the timing.
    std::vector<double> sum(n), plain(n);
    plainPengRobinson(kGas, sum, plain);
    double worst = 0.0;
    for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(lnphi[i] - plain[i]));
    state.counters["maxDiff"] = worst;
  }
}

// The yardstick: Peng-Robinson (1976) ln(phi) of the vapour, written directly.
struct PlainPengRobinson {
  std::vector<double> sqrta, b, k;  // k_ij full N x N
  explicit PlainPengRobinson(double t) {
    const std::vector<fixtures::ComponentSpec> comps = components();
    const std::size_t n = comps.size();
    const std::vector<double> packed = pairCoefficients(n);
    for (const fixtures::ComponentSpec& c : comps) {
      const double m =
          0.37464 + 1.54226 * c.acentricFactor - 0.26992 * c.acentricFactor * c.acentricFactor;
      const double alpha = 1.0 + m * (1.0 - std::sqrt(t / c.criticalTemperature));
      const double ac =
          0.45723553 * kR * kR * c.criticalTemperature * c.criticalTemperature / c.criticalPressure;
      sqrta.push_back(std::sqrt(ac) * alpha);
      b.push_back(0.07779607 * kR * c.criticalTemperature / c.criticalPressure);
    }
    k.assign(n * n, 0.0);
    std::size_t q = 0;
    for (std::size_t j = 1; j < n; ++j) {
      for (std::size_t i = 0; i < j; ++i, ++q) k[i * n + j] = k[j * n + i] = packed[q];
    }
  }

  // ln(phi) of the vapour of Y at T and P into LNPHI (SUM: scratch of N); returns Z.
  double lnphi(const std::vector<double>& y, double t, double p, std::vector<double>& sum,
               std::vector<double>& out) const {
    const std::size_t n = y.size();
    double am = 0.0, bm = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      double s = 0.0;
      for (std::size_t j = 0; j < n; ++j) s += y[j] * sqrta[j] * (1.0 - k[i * n + j]);
      sum[i] = sqrta[i] * s;
      am += y[i] * sum[i];
      bm += y[i] * b[i];
    }
    const double rt = kR * t;
    const double a = am * p / (rt * rt), bb = bm * p / rt;
    // Z^3 - (1 - B) Z^2 + (A - 3B^2 - 2B) Z - (AB - B^2 - B^3) = 0, the largest real root.
    const double c2 = -(1.0 - bb), c1 = a - 3.0 * bb * bb - 2.0 * bb;
    const double c0 = -(a * bb - bb * bb - bb * bb * bb);
    const double q = (3.0 * c1 - c2 * c2) / 9.0;
    const double r = (9.0 * c2 * c1 - 27.0 * c0 - 2.0 * c2 * c2 * c2) / 54.0;
    const double d = q * q * q + r * r;
    double z = 0.0;
    if (d >= 0.0) {
      const double s = std::sqrt(d);
      z = std::cbrt(r + s) + std::cbrt(r - s) - c2 / 3.0;
    } else {
      const double theta = std::acos(r / std::sqrt(-q * q * q));
      z = 2.0 * std::sqrt(-q) * std::cos(theta / 3.0) - c2 / 3.0;
    }
    const double s2 = std::numbers::sqrt2;
    const double l = std::log((z + (1.0 + s2) * bb) / (z + (1.0 - s2) * bb));
    const double lnzb = std::log(z - bb);
    const double f = a / (2.0 * s2 * bb);
    for (std::size_t i = 0; i < n; ++i) {
      const double bi = b[i] / bm;
      out[i] = bi * (z - 1.0) - lnzb - f * (2.0 * sum[i] / am - bi) * l;
    }
    return z;
  }
};

void plainPengRobinson(const std::vector<double>& y, std::vector<double>& sum,
                       std::vector<double>& out) {
  const PlainPengRobinson pr(kT);
  pr.lnphi(y, kT, kP, sum, out);
}

void yardstick(benchmark::State& state) {
  const PlainPengRobinson pr(kT);
  std::vector<double> sum(kGas.size()), out(kGas.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(pr.lnphi(kGas, kT, kP, sum, out));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// Registered by name: "FVCALC/PR/level:1" ... and "PlainPengRobinson".
[[maybe_unused]] const bool registered = [] {
  benchmark::RegisterBenchmark("PlainPengRobinson", yardstick);
  struct Equation {
    const char* name;
    std::int32_t code;
    fixtures::CubicForm form;
  };
  for (const Equation e : {Equation{"PR", 101, fixtures::CubicForm::PengRobinson},
                           Equation{"SRK", 102, fixtures::CubicForm::SoaveRedlichKwong}}) {
    for (const std::int32_t level : {1, 2, 4}) {
      const std::string name = std::string("FVCALC/") + e.name + "/level:" + std::to_string(level);
      benchmark::RegisterBenchmark(
          name.c_str(), [e, level](benchmark::State& s) { fvcalc(s, e.code, e.form, level); });
    }
  }
  return true;
}();

}  // namespace
