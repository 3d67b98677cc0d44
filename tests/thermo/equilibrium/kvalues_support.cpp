// Support of the K-value engine tests.
#include "kvalues_support.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "../pure/correlation_sets.hpp"
#include "../pure/density_blocks.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace kvalue_test {

using storage::CORSTO;

namespace {

constexpr std::int32_t kHeaderWords = 24;

methods::MethodClass methodClass(std::int32_t code, std::int32_t address, std::int32_t length) {
  methods::MethodClass c;
  c.code = code;
  c.integerWork = 8;
  c.realWork = 64;
  c.blockAddress = address;
  c.blockLength = length;
  return c;
}

}  // namespace

const Antoine kAntoine[kN] = {
    {3.9895, 443.028, -0.49}, {3.92828, 803.997, -26.11}, {3.9892, 1070.617, -40.454}};

double antoine(std::size_t i, double t) {
  return 100.0 * std::pow(10.0, kAntoine[i].a - kAntoine[i].b / (t + kAntoine[i].c));
}

void startKValueRun() {
  fugacity_test::startFugacityRun();
  problem::COHDR(problem::cohdr::kLiquidComponents) = static_cast<std::int32_t>(kN);
  problem::COHDR(problem::cohdr::kVapourComponents) = static_cast<std::int32_t>(kN);
  problem::FWPART.integerOffset(1) = storage::ICMGTI(fugacity_test::kArrayWords, 1);
  problem::FWPART.integerSize(1) = fugacity_test::kArrayWords;
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < kN; ++i) {
    records.push_back(correlation_testing::antoineRecord(
        static_cast<std::int32_t>(i + 1), kAntoine[i].a, kAntoine[i].b, kAntoine[i].c));
  }
  correlation_testing::installSet(1001, 1, records);
  equilibrium::resetVapourPressureCache();
  problem::THCTL.currentSet = 1;
  problem::THCTL.idecnt = 0;
  problem::THCTL.waterComponent = 0;
  const std::int32_t header = storage::ICMGTI(kHeaderWords, 1);
  methods::MSPTRS.integerSectors(1) = header;
  for (std::size_t c = 1; c <= methods::kMethodClasses; ++c) methods::MSPTRS.classes(c) = {};
  equilibrium::kvalueState = {};
  equilibrium::liquidSplitState = {};
}

void noSplit(const equilibrium::LiquidSplitRequest& /*request*/,
             equilibrium::LiquidSplitResult& result) {
  result.theta = 0.0;
}

void useKValueMethod(std::int32_t code, const BlockData& block, std::int32_t option,
                     std::int32_t optionWord) {
  constexpr std::int32_t kAddress = 31000099;
  const std::int32_t length = density_test::holdBlock(block, kAddress);
  methods::KMCTL = {};
  methods::KMCTL.kvalue.code = code;
  methods::KMCTL.kvalue.slot = 1;
  methods::KMCTL.kvalue.option = option;
  methods::KMCTL.levelWord = 1;
  methods::MethodClass c = methodClass(code, kAddress, length);
  c.optionWord = optionWord;
  methods::MSPTRS.classes(1) = c;
  if (methods::MTISB(code)) {
    // An activity set: the liquid fugacity entry, an ideal vapour.
    methods::KMCTL.liquidFugacity = {code, 0, 1, kAddress, length};
    methods::MSPTRS.classes(17) = methodClass(equilibrium::kIdealVapourCode, services::NODISK, 0);
  }
}

void useLiquidLiquidMethod(std::int32_t code) {
  methods::MSPTRS.classes(2) = methodClass(code, services::NODISK, 0);
}

BlockData cubicBlock(Cubic form, const std::vector<double>& kij) {
  std::vector<fixtures::ComponentSpec> specs;
  for (const auto& s : fugacity_test::ternary()) specs.push_back(density_test::specOf(s));
  return fixtures::cubicParameterBlock(101,
                                       form == Cubic::Soave ? fixtures::CubicForm::SoaveRedlichKwong
                                                            : fixtures::CubicForm::PengRobinson,
                                       specs, kij);
}

// The cubic equations: G. Soave, Chem. Eng. Sci. 27 (1972) 1197 and D.-Y. Peng and
// D. B. Robinson, Ind. Eng. Chem. Fundam. 15 (1976) 59, with the classical mixing rule
// a = sum x_i x_j (1 - k_ij) sqrt(a_i a_j), b = sum x_i b_i:
//   P = RT/(v - b) - a/((v + d1 b)(v + d2 b)),
//   ln phi_i = b_i/b (Z - 1) - ln(Z - B)
//              - A/(B (d1 - d2)) (2 sum_j x_j a_ij/a - b_i/b) ln((Z + d1 B)/(Z + d2 B)).
std::vector<double> independentLnPhi(Cubic form, const std::vector<double>& kij,
                                     const std::vector<double>& z, double t, double p,
                                     bool liquid) {
  const double r = 8.314471;
  const bool soave = form == Cubic::Soave;
  const double oa = soave ? 1.0 / (9.0 * (std::cbrt(2.0) - 1.0)) : 0.457235529;
  const double ob = soave ? (std::cbrt(2.0) - 1.0) / 3.0 : 0.077796074;
  const double d1 = soave ? 1.0 : 1.0 + std::sqrt(2.0);
  const double d2 = soave ? 0.0 : 1.0 - std::sqrt(2.0);
  const auto& comps = fugacity_test::ternary();
  const std::size_t n = comps.size();
  std::vector<double> ai(n), bi(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto& c = comps[i];
    const double w = c.omega;
    const double m =
        soave ? 0.480 + 1.574 * w - 0.176 * w * w : 0.37464 + 1.54226 * w - 0.26992 * w * w;
    const double s = 1.0 + m * (1.0 - std::sqrt(t / c.tc));
    ai[i] = oa * r * r * c.tc * c.tc / c.pc * s * s;
    bi[i] = ob * r * c.tc / c.pc;
  }
  const auto kOf = [&](std::size_t i, std::size_t j) {
    if (i == j) return 0.0;
    const std::size_t lo = std::min(i, j), hi = std::max(i, j);
    const std::size_t q = hi * (hi - 1) / 2 + lo;  // (1,2), (1,3), (2,3)
    return q < kij.size() ? kij[q] : 0.0;
  };
  double a = 0.0, b = 0.0;
  std::vector<double> sumA(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    b += z[i] * bi[i];
    for (std::size_t j = 0; j < n; ++j) {
      const double aij = (1.0 - kOf(i, j)) * std::sqrt(ai[i] * ai[j]);
      sumA[i] += z[j] * aij;
      a += z[i] * z[j] * aij;
    }
  }
  const double aa = a * p / (r * r * t * t), bb = b * p / (r * t);
  // Z = v P/(R T) in the equation: Z = Z/(Z - B) - A Z/((Z + d1 B)(Z + d2 B)); its roots
  // are bracketed by a scan above Z = B and refined by bisection.
  const auto residual = [&](double zz) {
    return zz / (zz - bb) - aa * zz / ((zz + d1 * bb) * (zz + d2 * bb)) - zz;
  };
  std::vector<double> roots;
  const double lo = bb * (1.0 + 1e-12);
  const int steps = 20000;
  double prevZ = lo, prevR = residual(lo);
  for (int s = 1; s <= steps; ++s) {
    const double zz = lo + (5.0 - lo) * s / steps;
    const double rr = residual(zz);
    if ((prevR < 0.0) != (rr < 0.0)) {
      double a0 = prevZ, a1 = zz, r0 = prevR;
      for (int it = 0; it < 200; ++it) {
        const double mid = 0.5 * (a0 + a1);
        const double rm = residual(mid);
        if ((rm < 0.0) == (r0 < 0.0)) {
          a0 = mid;
          r0 = rm;
        } else {
          a1 = mid;
        }
      }
      roots.push_back(0.5 * (a0 + a1));
    }
    prevZ = zz;
    prevR = rr;
  }
  const double zr = liquid ? roots.front() : roots.back();
  std::vector<double> lnphi(n);
  for (std::size_t i = 0; i < n; ++i) {
    lnphi[i] = bi[i] / b * (zr - 1.0) - std::log(zr - bb) -
               aa / (bb * (d1 - d2)) * (2.0 * sumA[i] / a - bi[i] / b) *
                   std::log((zr + d1 * bb) / (zr + d2 * bb));
  }
  return lnphi;
}

KResult kcalc(const std::vector<double>& y, const std::vector<double>& x, double t, double p,
              std::int32_t kcopt, std::int32_t kcdrv, std::int32_t kccall) {
  KResult r;
  r.k.assign(y.size(), -9.0);
  r.kccall = kccall;
  const auto n = static_cast<std::int32_t>(y.size());
  equilibrium::KCALC(n, n, y, x, r.k, t, p, r.zv, r.zl, r.kccall, kcdrv, kcopt, r.ierr, 0,
                     r.ifugst);
  r.dkdt = fugacity_test::array(equilibrium::kDkDtArray, y.size());
  r.dkdp = fugacity_test::array(equilibrium::kDkDpArray, y.size());
  return r;
}

std::vector<std::int32_t> flags() {
  std::vector<std::int32_t> v(kN);
  const std::int32_t at = problem::FWPART.integerOffset(1);
  for (std::size_t i = 0; i < kN; ++i) v[i] = CORSTO[at + static_cast<std::int32_t>(i) + 1];
  return v;
}

}  // namespace kvalue_test
