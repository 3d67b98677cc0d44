// The corresponding-states kernel of methods 203, 204 and 211 to 214 (DNCORS) and its
// fugacity wrapper (WRAPB3): the Lee-Kesler simple-fluid and reference-fluid equations
//   Z = Pr Vr/Tr = 1 + B/Vr + C/Vr^2 + D/Vr^5 + (c4/(Tr^3 Vr^2))(beta + gamma/Vr^2)
//       exp(-gamma/Vr^2),
//   B = b1 - b2/Tr - b3/Tr^2 - b4/Tr^3, C = c1 - c2/Tr + c3/Tr^3, D = d1 + d2/Tr,
// solved for the ideal reduced volume Vr = Pc,m V/(R Tc,m) at the pseudo-critical state of
// the mixture, and the departures interpolated in the acentric factor.
#include "thermo/pure/corresponding_states.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "services/services.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

// Codes of the pseudo-critical rules.
constexpr std::int32_t kLeeKeslerRule = 203;
constexpr std::int32_t kStoredLeeKeslerRule = 204;
constexpr std::int32_t kKayRule = 211;
constexpr std::int32_t kVolumeRule = 212;
constexpr std::int32_t kStewartRule = 213;
constexpr std::int32_t kStewartCubeRule = 214;

// Reduced temperature from which the fluids have a single root.
constexpr double kSupercritical = 0.99999;
// Reduced temperatures below which the liquid starts from the bracket's lower volume.
constexpr double kSimpleLowerStart = 0.91;
constexpr double kReferenceLowerStart = 0.935;
// The searches without a bracket row.
constexpr double kLiquidStart = 0.08;
constexpr double kSearchFactor = 1.5;
constexpr int kSearchSteps = 50;
// Convergence of the bracketed iteration.
constexpr double kVolumeTolerance = 1.0e-5;
constexpr double kResidualTolerance = 1.0e-6;
constexpr int kIterationSteps = 50;
// Reduced volume above which the 1/Vr^5 terms are dropped.
constexpr double kLargeVolume = 1.0e7;
// Atmospheric pressure, kPa: the reference of the entropy.
constexpr double kAtmosphere = 101.325;
// Relative temperature step of the derivatives.
constexpr double kTemperatureStep = 1.0e-4;

// The constants of one fluid (block words from OFFSET).
struct Fluid {
  double b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, beta, gamma;
};
Fluid fluidOf(std::span<const double> block, std::int32_t first) {
  const auto w = [&](std::int32_t k) { return block[static_cast<std::size_t>(first + k - 2)]; };
  return Fluid{w(1), w(2), w(3), w(4), w(5), w(6), w(7), w(8), w(9), w(10), w(11), w(12)};
}

// One fluid at one reduced temperature.
struct Reduced {
  const Fluid& f;
  double tr;
  double b, c, d;
  Reduced(const Fluid& fluid, double t)
      : f(fluid),
        tr(t),
        b(fluid.b1 - fluid.b2 / t - fluid.b3 / (t * t) - fluid.b4 / (t * t * t)),
        c(fluid.c1 - fluid.c2 / t + fluid.c3 / (t * t * t)),
        d(fluid.d1 + fluid.d2 / t) {}

  double inverseFifth(double vr) const { return vr > kLargeVolume ? 0.0 : 1.0 / std::pow(vr, 5); }
  double exponential(double vr) const { return std::exp(-f.gamma / (vr * vr)); }
  double e(double vr) const {
    const double g = f.gamma / (vr * vr);
    return f.c4 / (2.0 * tr * tr * tr * f.gamma) *
           (f.beta + 1.0 - (f.beta + 1.0 + g) * exponential(vr));
  }
  double z(double vr) const {
    const double v2 = vr * vr;
    return 1.0 + b / vr + c / v2 + d * inverseFifth(vr) +
           f.c4 / (tr * tr * tr * v2) * (f.beta + f.gamma / v2) * exponential(vr);
  }
  // P_eos - P in reduced units.
  double residual(double vr, double pr) const { return tr * z(vr) / vr - pr; }
  double lnphi(double vr) const {
    const double zz = z(vr);
    return zz - 1.0 - std::log(zz) + b / vr + c / (2.0 * vr * vr) + d * inverseFifth(vr) / 5.0 +
           e(vr);
  }
  double enthalpy(double vr) const {
    const double t2 = tr * tr;
    return z(vr) - 1.0 - (f.b2 + 2.0 * f.b3 / tr + 3.0 * f.b4 / t2) / (tr * vr) -
           (f.c2 - 3.0 * f.c3 / t2) / (2.0 * tr * vr * vr) + f.d2 * inverseFifth(vr) / (5.0 * tr) +
           3.0 * e(vr);
  }
  // (S - S_ideal)/R + ln(P/P_ref).
  double entropy(double vr) const {
    const double t2 = tr * tr;
    return std::log(z(vr)) - (f.b1 + f.b3 / t2 + 2.0 * f.b4 / (t2 * tr)) / vr -
           (f.c1 - 2.0 * f.c3 / (t2 * tr)) / (2.0 * vr * vr) - f.d1 * inverseFifth(vr) / 5.0 +
           2.0 * e(vr);
  }
};

// Searches from START by FACTOR in the direction that brackets the root (volumes grow while
// the fluid pressure exceeds P, shrink while it falls short) until the residual changes
// sign. The liquid starts at 0.08, the vapour at the ideal-gas volume Tr/Pr.
bool searchBracket(const Reduced& r, double pr, double start, double& lo, double& hi, double& flo,
                   double& fhi) {
  double v = start;
  double f = r.residual(v, pr);
  const double factor = f > 0.0 ? kSearchFactor : 1.0 / kSearchFactor;
  for (int step = 0; step < kSearchSteps; ++step) {
    const double next = v * factor;
    const double fn = r.residual(next, pr);
    if ((f > 0.0) != (fn > 0.0)) {
      lo = std::min(v, next);
      hi = std::max(v, next);
      flo = lo == v ? f : fn;
      fhi = hi == v ? f : fn;
      return true;
    }
    v = next;
    f = fn;
  }
  return false;
}

// The reduced volume of one fluid (REFERENCE selects its bracket columns and start rule).
bool solveFluid(const Reduced& r, double pr, std::int32_t phase, bool reference,
                std::span<const double> block, double& vr) {
  const bool liquid = phase == 2;
  double lo = 0.0, hi = 0.0, flo = 0.0, fhi = 0.0;
  double estimate = 0.0;
  bool bracketed = false;

  // 1. The bracket row of the phase that holds Tr.
  if (r.tr < kSupercritical) {
    const std::int32_t first = liquid ? csblock::kLiquidBrackets : csblock::kVapourBrackets;
    const std::int32_t rows = liquid ? csblock::kLiquidRows : csblock::kVapourRows;
    for (std::int32_t row = 0; row < rows && !bracketed; ++row) {
      const auto w = [&](std::int32_t k) {
        return block[static_cast<std::size_t>(first + row * csblock::kBracketRowWords + k - 2)];
      };
      if (!(w(1) <= r.tr && r.tr < w(2))) continue;
      const std::int32_t column = reference ? 7 : 3;
      lo = w(column) * r.tr + w(column + 1);
      hi = w(column + 2) * r.tr + w(column + 3);
      if (lo > 0.0 && hi > lo) {
        flo = r.residual(lo, pr);
        fhi = r.residual(hi, pr);
        bracketed = (flo > 0.0) != (fhi > 0.0);
      }
      if (bracketed) {
        const double lowerStart = reference ? kReferenceLowerStart : kSimpleLowerStart;
        estimate = liquid && r.tr < lowerStart ? lo : 0.5 * (lo + hi);
      }
      break;
    }
  }
  // 2. Without a row that brackets the root: the search of the phase.
  if (!bracketed) {
    const double start = liquid ? kLiquidStart : r.tr / pr;
    if (!searchBracket(r, pr, start, lo, hi, flo, fhi)) return false;
    estimate = 0.5 * (lo + hi);
  }

  // 3. Bracketed interpolation.
  double xm = estimate;
  double fm = r.residual(xm, pr);
  for (int step = 0; step < kIterationSteps && std::fabs(fm) >= kResidualTolerance; ++step) {
    const double previous = xm;
    services::ROOTBR(lo, xm, hi, flo, fm, fhi);
    fm = r.residual(xm, pr);
    if (std::fabs(xm - previous) < kVolumeTolerance * std::fabs(xm)) break;
  }
  vr = xm;
  return true;
}

// One complete evaluation at T: the pseudo-critical state, both fluids, the combination.
struct Evaluation {
  bool ok = false;
  std::int32_t phase = 0;
  double z = 0.0;
  double lnphi = 0.0;
  double enthalpy = 0.0;
  double entropy = 0.0;
  std::array<double, 2> lnphiFluids{};
};

// The columns of the per-component table from word 115.
std::span<const double> column(std::span<const double> block, std::size_t n, std::size_t k) {
  return block.subspan(static_cast<std::size_t>(csblock::kColumns - 1) + (k - 1) * n, n);
}

bool pseudoCritical(std::int32_t code, std::int32_t nc, double p, double t,
                    std::span<const double> x, std::span<const double> block,
                    std::span<double> pseudo) {
  const auto n = static_cast<std::size_t>(nc);
  const auto tc = column(block, n, 1);
  const auto pc = column(block, n, 2);
  double omegam = 0.0;
  for (std::size_t i = 0; i < n; ++i) omegam += x[i] * column(block, n, 3)[i];
  double tcm = 0.0, pcm = 0.0, vcm = 0.0, jm = 0.0;
  switch (code) {
    case kKayRule:
      XDOT2(nc, pc, pcm, tc, tcm, x);
      break;
    case kVolumeRule:
      PCMIX1(nc, pc, pcm, p, tc, tcm, t, column(block, n, 4), column(block, n, 6), vcm, x,
             column(block, n, 5));
      break;
    case kStewartRule:
      PCMIX2(nc, pc, pcm, tc, tcm, x);
      break;
    case kStewartCubeRule:
      PCMIX3(nc, pc, pcm, column(block, n, 4), tc, tcm, jm, column(block, n, 5), x);
      break;
    case kLeeKeslerRule:
      PCMXLK(nc, omegam, pcm, tc, tcm, column(block, n, 4), column(block, n, 5), vcm, x);
      break;
    case kStoredLeeKeslerRule: {
      const std::size_t np = eos_internal::pairCount(nc);
      const std::size_t pairs = static_cast<std::size_t>(csblock::kColumns - 1) + 5 * n;
      LKMXSM(nc, column(block, n, 4), column(block, n, 5), block.subspan(pairs, np),
             block.subspan(pairs + np, np), block[pairs + 2 * np], x, tcm, pcm, omegam, vcm);
      break;
    }
    default:
      return false;
  }
  pseudo[cswork::kTcm] = tcm;
  pseudo[cswork::kPcm] = pcm;
  pseudo[cswork::kVcm] = vcm;
  pseudo[cswork::kOmegam] = omegam;
  pseudo[cswork::kTr] = t / tcm;
  pseudo[cswork::kPr] = p / pcm;
  return true;
}

Evaluation evaluate(std::int32_t nc, std::int32_t unit, std::int32_t debug, std::int32_t request,
                    std::int32_t phase, double p, double t, std::span<const double> x,
                    std::span<const double> block, std::span<double> pseudo, std::int32_t code) {
  Evaluation ev;
  // 1-2. Pseudo-critical constants and the reduced state.
  if (!pseudoCritical(code, nc, p, t, x, block, pseudo)) return ev;
  const double tr = pseudo[cswork::kTr];
  const double pr = pseudo[cswork::kPr];
  const double omegam = pseudo[cswork::kOmegam];
  if (debug > 0) {
    char line[120];
    std::snprintf(line, sizeof line, " TRM=%14.6E PRM=%14.6E IPHASE=%3d", tr, pr, phase);
    platform::writeLine(unit, line);
  }
  // 3. The phase: the liquid at or above the pseudo-critical pressure, but for request 1.
  ev.phase = (pr >= 1.0 && request != static_cast<std::int32_t>(DensityRequest::Fugacity))
                 ? kLiquidPhase
                 : phase;

  // 4. Both fluids.
  const Fluid simple = fluidOf(block, csblock::kSimpleFluid);
  const Fluid reference = fluidOf(block, csblock::kReferenceFluid);
  const Reduced r0(simple, tr);
  const Reduced rr(reference, tr);
  double v0 = 0.0;
  double vr = 0.0;
  if (!solveFluid(r0, pr, ev.phase, false, block, v0)) return ev;
  if (!solveFluid(rr, pr, ev.phase, true, block, vr)) return ev;

  // 5. Interpolation in the acentric factor.
  const double w = omegam / kReferenceAcentric;
  const auto mix = [w](double q0, double qr) { return q0 + w * (qr - q0); };
  ev.z = mix(r0.z(v0), rr.z(vr));
  ev.lnphiFluids = {r0.lnphi(v0), rr.lnphi(vr)};
  ev.lnphi = mix(ev.lnphiFluids[0], ev.lnphiFluids[1]);
  ev.enthalpy = mix(r0.enthalpy(v0), rr.enthalpy(vr));
  ev.entropy = mix(r0.entropy(v0), rr.entropy(vr)) - std::log(p / kAtmosphere);
  ev.ok = true;
  return ev;
}

// ln(phi_i) of method 204 from the mixture's values.
void componentFugacities(std::int32_t nc, std::span<const double> x, std::span<const double> block,
                         std::span<const double> pseudo, const Evaluation& ev,
                         std::span<double> lnphi) {
  const auto n = static_cast<std::size_t>(nc);
  const std::size_t np = eos_internal::pairCount(nc);
  const std::size_t pairs = static_cast<std::size_t>(csblock::kColumns - 1) + 5 * n;
  const std::array<double, 2> q0r = ev.lnphiFluids;
  LKMIXR(nc, column(block, n, 4), column(block, n, 5), block.subspan(pairs, np),
         block.subspan(pairs + np, np), block[pairs + 2 * np], x, pseudo[cswork::kTcm],
         pseudo[cswork::kOmegam], pseudo[cswork::kVcm], lnphi, ev.z, ev.enthalpy, q0r,
         column(block, n, 3));
}

// Words of the block that a code needs.
std::size_t blockWords(std::int32_t code, std::int32_t nc) {
  const auto n = static_cast<std::size_t>(nc);
  const std::size_t head = static_cast<std::size_t>(csblock::kColumns - 1);
  if (code == kStoredLeeKeslerRule) return head + 5 * n + 2 * eos_internal::pairCount(nc) + 1;
  return head + 6 * n;
}

}  // namespace

void DNCORS(std::int32_t nc, std::int32_t unit, std::int32_t debug, std::int32_t derivative,
            std::int32_t request, std::int32_t phase, std::int32_t& phaseUsed, double p, double t,
            std::span<const double> x, std::span<const double> block, std::span<double> pseudo,
            std::span<double, 2> z, double& departure, double& departureT, std::span<double> lnphi,
            std::span<double> lnphiT, std::int32_t& failure, std::int32_t code) {
  constexpr const char* kName = "DNCORS";
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  const auto req = static_cast<DensityRequest>(request);
  const bool derivatives = derivative == 1;
  failure = 0;
  eos_internal::requireLength(x, n, kName, "X");
  eos_internal::requireLength(std::span<const double>(pseudo), cswork::kWords, kName, "PSEUDO");
  eos_internal::requireLength(block, blockWords(code, nc), kName, "BLOCK");
  if (req == DensityRequest::Fugacity) {
    if (code != kStoredLeeKeslerRule) {
      failure = 1;
      return;
    }
    eos_internal::requireLength(std::span<const double>(lnphi), n, kName, "LNPHI");
    if (derivatives)
      eos_internal::requireLength(std::span<const double>(lnphiT), n, kName, "LNPHIT");
  }

  const Evaluation ev = evaluate(nc, unit, debug, request, phase, p, t, x, block, pseudo, code);
  if (!ev.ok) {
    failure = 1;
    return;
  }
  phaseUsed = ev.phase;
  z[ev.phase == kVapourPhase ? 0 : 1] = ev.z;

  // The requested departure, and its temperature derivative from a second evaluation.
  const auto quantity = [req](const Evaluation& e) {
    return req == DensityRequest::Enthalpy ? e.enthalpy : e.entropy;
  };
  switch (req) {
    case DensityRequest::Fugacity:
      componentFugacities(nc, x, block, pseudo, ev, lnphi);
      break;
    case DensityRequest::Enthalpy:
    case DensityRequest::Entropy:
      departure = quantity(ev);
      break;
    default:
      break;
  }
  if (!derivatives || req == DensityRequest::Compressibility) return;

  const double dt = kTemperatureStep * t;
  std::array<double, cswork::kWords> shiftedPseudo{};
  const Evaluation shifted =
      evaluate(nc, unit, 0, request, ev.phase, p, t + dt, x, block, shiftedPseudo, code);
  if (!shifted.ok) {
    failure = 1;
    return;
  }
  if (req == DensityRequest::Fugacity) {
    // d ln(phi_i)/dT from the component values of the second pass, computed in place.
    for (std::size_t i = 0; i < n; ++i) lnphiT[i] = lnphi[i];
    componentFugacities(nc, x, block, shiftedPseudo, shifted, lnphiT);
    for (std::size_t i = 0; i < n; ++i) lnphiT[i] = (lnphiT[i] - lnphi[i]) / dt;
  } else {
    departureT = (quantity(shifted) - departure) / dt;
  }
}

void WRAPB3(double t, double p, std::span<const double> x, std::span<double> lnphi,
            std::span<double> lnphiT, std::span<const double> block, std::int32_t nc,
            std::int32_t phase, std::int32_t derivative, std::int32_t debug, std::int32_t& failure,
            std::span<double> pseudo, double& z) {
  std::int32_t used = 0;
  std::array<double, 2> zz{};
  double departure = 0.0;
  double departureT = 0.0;
  DNCORS(nc, services::IOUNIT.report, debug, derivative,
         static_cast<std::int32_t>(DensityRequest::Fugacity), phase, used, p, t, x, block, pseudo,
         zz, departure, departureT, lnphi, lnphiT, failure, kStoredLeeKeslerRule);
  if (phase > 0 && failure == 0) z = zz[phase == kVapourPhase ? 0 : 1];
}

}  // namespace pure
