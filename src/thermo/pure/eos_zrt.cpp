// EOSZRT: the root solver of the two-constant cubic equations of state, with the fugacity
// coefficients, their derivatives and the departure functions of the phase.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {

// The slope request of the fugacity routines, served at the exit of EOSZRT.
EosDebug EOSDBG;

namespace {

const bool kEOSDBGReset = services::registerKeptValues([] { EOSDBG = {}; });

using eos_internal::Family;

constexpr const char* kName = "EOSZRT";
// The ideal-gas shortcut of the vapour at vanishing pressure, kPa.
constexpr double kIdealPressure = 1e-6;
// The relative step tolerance of the root search.
constexpr double kStepTolerance = 1e-15;
// Z - B is kept above this inside the logarithms.
constexpr double kSmallestFreeVolume = 1e-20;
// Debug levels of the fugacity debug switch.
constexpr std::int32_t kRootLines = 1;
constexpr std::int32_t kStateDump = 4;

int reportUnit() { return services::IOUNIT.report; }

std::string_view phaseLabel(std::int32_t phase) { return phase == 1 ? "VAPOR " : "LIQUID"; }

void writeLine(const char* line) {
  platform::writeLine(reportUnit(), "");
  platform::writeLine(reportUnit(), line);
}

// The root lines of the search (fugacity debug switch above 1).
void rootLines(const eos_internal::RootSearch& r, std::int32_t phase) {
  char line[200];
  const std::string_view label = phaseLabel(phase);
  if (!r.deflated) {
    std::snprintf(line, sizeof line, " EOS ZROOT - ONE ROOT - Q IS NON-NEGATIVE%11sZZ=%13.5f %.*s",
                  "", r.z, static_cast<int>(label.size()), label.data());
    writeLine(line);
    return;
  }
  if (r.equalRoots) {
    std::snprintf(line, sizeof line, " EOS - ONE %.*s ROOT", static_cast<int>(label.size()),
                  label.data());
    writeLine(line);
    std::snprintf(line, sizeof line, " EOS ZROOT =%14.6E%14.6E%14.6E ZZ=%14.6E %.*s", r.z1, r.z2,
                  r.z3, r.deflatedDiscriminant, static_cast<int>(label.size()), label.data());
    platform::writeLine(reportUnit(), line);
    return;
  }
  std::snprintf(line, sizeof line, " EOS ZROOT =%13.5f%13.5f%13.5f ZZ=%14.6E %.*s", r.z1, r.z2,
                r.z3, r.z, static_cast<int>(label.size()), label.data());
  writeLine(line);
}

// The state dump of the exit (fugacity debug switch above 4 with a request).
void stateDump(std::int32_t request, double a, double b, double t, double p, double z, double u1,
               double u2) {
  const double r = services::kGasConstant;
  const double v = z * r * t / p;
  const double pCheck = r * t / (v - b) - a / ((v - u1 * b) * (v - u2 * b));
  char line[200];
  std::snprintf(line, sizeof line, " EOSTYP %1d A%14.7E B %14.7E", request % 10, a, b);
  writeLine(line);
  std::snprintf(line, sizeof line, " EOSTYP %1d T%8.2f P%9.1f Z%11.4f V%12.5f V/R%15.7f",
                request % 10, t, p, z, v, v / r);
  platform::writeLine(reportUnit(), line);
  std::snprintf(line, sizeof line, "%17sPCHK%9.1f PDIF%13.6E", "", pCheck, (pCheck - p) / p);
  platform::writeLine(reportUnit(), line);
}

// Whether Z is a positive finite number and the results of LEVEL are finite.
bool usable(double z, std::int32_t level, std::size_t n, std::span<const double> lnphi,
            std::span<const double> lnphiT, std::span<const double> lnphiP, double hr, double sr,
            double cpr) {
  const auto finite = [n](std::span<const double> v) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!std::isfinite(v[i])) return false;
    }
    return true;
  };
  if (!(z > 0.0) || !std::isfinite(z) || !finite(lnphi)) return false;
  if (level >= 2 && !(std::isfinite(hr) && std::isfinite(sr) && finite(lnphiT) && finite(lnphiP))) {
    return false;
  }
  return level < 3 || std::isfinite(cpr);
}

// a != 0 ? x/a : 0 (a mixture without attraction).
double over(double x, double a) { return a != 0.0 ? x / a : 0.0; }

}  // namespace

void EOSZRT(double a, double aT, double aTT, std::span<const double> abar,
            std::span<const double> abarT, std::span<const double> abb, double b, double bT,
            double bTT, std::span<const double> bbar, std::span<const double> bbarT,
            std::span<const double> bbb, std::int32_t phase, std::int32_t level, std::int32_t nc,
            double p, double p0, double u1, double u2, double t, double& z, double& zT, double& zP,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP,
            std::span<double> lnphiN, double& hr, double& sr, double& cpr, double& cvr,
            double& cpcv, std::span<double> hrn, std::span<double> zdn, std::int32_t option,
            std::int32_t& status) {
  // 1. Entry.
  eos_internal::KernelTimer timer(eos_internal::kTimingSlotEOSZRT);
  status = kTrueRoot;
  const std::int32_t debug = services::GDPOPT.diagnosticSwitch(eos_internal::kFugacityDebugSwitch);
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  eos_internal::requireLength(abar, n, kName, "ABAR");
  eos_internal::requireLength(bbar, n, kName, "BBAR");
  eos_internal::requireLength(lnphi, n, kName, "LNPHI");
  if (level >= 2) {
    eos_internal::requireLength(abarT, n, kName, "ABART");
    eos_internal::requireLength(bbarT, n, kName, "BBART");
    eos_internal::requireLength(lnphiT, n, kName, "LNPHIT");
    eos_internal::requireLength(lnphiP, n, kName, "LNPHIP");
  }
  if (level >= 4) {
    eos_internal::requireLength(abb, n * n, kName, "ABB");
    eos_internal::requireLength(bbb, n * n, kName, "BBB");
    eos_internal::requireLength(lnphiN, n * n, kName, "LNPHIN");
    eos_internal::requireLength(hrn, n, kName, "HRN");
    eos_internal::requireLength(zdn, n, kName, "ZDN");
  }

  // 2. Set-up: A = a P/(R T)^2, B = b P/(R T), s = u1 + u2, p = u1 u2.
  const double rt = services::kGasConstant * t;
  const double ca = a * p / (rt * rt);
  const double cb = b * p / rt;
  const double s = u1 + u2;
  const double pu = u1 * u2;
  const Family family = eos_internal::recogniseFamily(u1, u2);
  const eos_internal::Cubic cubic = eos_internal::plainCubic(ca, cb, s, pu);

  // 3-6. The root: the ideal-gas shortcut, the search, the phase check and pseudo-root.
  double lnCorrection = 0.0;
  if (p <= kIdealPressure && phase == 1) {
    z = 1.0;
  } else {
    const eos_internal::RootSearch root = eos_internal::searchRoot(cubic, phase, kStepTolerance);
    z = root.z;
    if (debug > kRootLines && ca > 0.0) rootLines(root, phase);
    if (option == 0 && family != Family::Other) {
      const eos_internal::PseudoRoot pseudo =
          eos_internal::pseudoRoot(z, phase, family, a, b, u1, u2, rt, p);
      if (pseudo.made) {
        z = pseudo.z;
        lnCorrection = pseudo.lnCorrection;
        status = kPseudoRoot;
      }
    }
  }

  // 7. Fugacity coefficients: ln phi_i = b_i (Z - 1 - L) + L a_i + L - ln(Z - B).
  const double zb = z - cb > 0.0 ? z - cb : kSmallestFreeVolume;
  const double lnZb = std::log(zb);
  const double ratio = b != 0.0 ? a / (b * rt) : 0.0;  // A/B
  const double l = eos_internal::attractionTerm(ratio, cb, z, u1, u2);
  const double g = z - 1.0 - lnZb + l;
  // ai = abar_i/a (0 without attraction) and bi = bbar_i/b through one division each.
  const double perA = over(1.0, a);
  const double perB = 1.0 / b;
  for (std::size_t i = 0; i < n; ++i) {
    const double ai = abar[i] * perA;
    const double bi = bbar[i] * perB;
    lnphi[i] = bi * (z - 1.0 - l) + l * ai + l - lnZb + lnCorrection;
  }

  if (level >= 2) {
    // 8. Temperature and pressure derivatives and the departures.
    const double aTp = over(aT, a);
    const double bTp = bT / b;
    const double cAT = (aTp - 2.0 / t) * ca;
    const double cBT = (bTp - 1.0 / t) * cb;
    const double fp = cubic.slope(z);
    const double q = (z - u1 * cb) * (z - u2 * cb);
    zT = ((ca + pu * cb * (3.0 * cb + 2.0)) * cBT + cAT * cb -
          (-(1.0 + s) * cBT * z + (2.0 * (s + pu) * cb + s) * cBT + cAT) * z) /
         fp;
    zP = (pu * cb * cb * cb - 2.0 * cubic.c0 -
          ((cubic.c2 + 1.0) * z + (s + pu) * cb * cb + cubic.c1) * z) /
         (fp * p);
    const double lT = ratio * (cb * zT - cBT * z) / q;
    const double hT = aTp - bTp - 1.0 / t;  // dln(A/B)/dT
    for (std::size_t i = 0; i < n; ++i) {
      const double ai = abar[i] * perA;
      const double bi = bbar[i] * perB;
      const double ei = ai + 1.0 - bi;
      lnphiT[i] = (bbarT[i] / b - bi * bTp) * (z - 1.0) + bi * zT + (cBT - zT) / zb +
                  (l * hT + lT) * ei + l * (over(abarT[i], a) - ai * aTp - bbarT[i] / b + bi * bTp);
      lnphiP[i] = bi * zP + (cb / p - zP) / zb + (ca / q) * (zP - z / p) * ei;
    }
    const double pressureTerm = std::log(p0 / p);
    sr = lnZb - (aTp - bTp) * l * t + pressureTerm - (cb / zb - z * ca / q) * bTp * t;
    hr = g + sr - pressureTerm;

    if (level >= 3) {
      // 9. Heat capacities. Cv: -T d2(A^r/R)/dT2 at constant volume, written in Z.
      const double e = cb / zb;
      const double aTTp = over(aTT, a);
      const double bTTp = bTT / b;
      const double z1 = z - u1 * cb;
      const double z2 = z - u2 * cb;
      const double mixed = 2.0 * (aTp - bTp) * bTp + bTTp;
      cvr = t * t *
            (-((bTp * e + 2.0 / t) * bTp + bTTp) * e + l * (mixed - aTTp) + mixed * ca * z / q +
             ca * z * cb * bTp * bTp * (s * z - 2.0 * pu * cb) / (q * q));
      const double r = services::kGasConstant;
      const double y = p / r;
      const double dPdT =
          (p / t) * ((y * bT / zb + 1.0) / zb - ((u2 / z2 + u1 / z1) * ca * bT + aT / rt) * y / q);
      cpcv = t * dPdT * dPdT / ((1.0 / (zb * zb) - (z1 + z2) * (ca / q) / q) * (p / t) * y * r);
      cpr = cpcv + cvr - 1.0;
    }

    if (level >= 4) {
      // 10. Composition derivatives.
      const double pr = p / rt;
      const double pr2 = p / (rt * rt);
      const double w = cb / zb - z * ca / q;  // the covolume term of the departures
      for (std::size_t i = 0; i < n; ++i) {
        const double cBi = pr * bbar[i] - cb;
        const double cAi = pr2 * abar[i] - ca;
        zdn[i] = ((ca + pu * cb * (3.0 * cb + 2.0)) * cBi + cAi * cb -
                  (-(1.0 + s) * cBi * z + (2.0 * (s + pu) * cb + s) * cBi + cAi) * z) /
                 fp;
      }
      for (std::size_t i = 0; i < n; ++i) {
        const double ai = abar[i] * perA;
        const double bi = bbar[i] * perB;
        const double ei = ai + 1.0 - bi;
        const double cBi = pr * bbar[i] - cb;
        const double cAi = pr2 * abar[i] - ca;
        // n dL/dn_i, n d(aT/a)/dn_i, n d(bT/b)/dn_i and n dW/dn_i.
        const double lnphiCubic = lnphi[i] - lnCorrection;
        const double nL = lnphiCubic - g - zdn[i] + (zdn[i] - cBi) / zb;
        const double nATp = over(abarT[i], a) - ai * aTp;
        const double nBTp = bbarT[i] / b - bi * bTp;
        const double nq = (zdn[i] - u1 * cBi) * (z - u2 * cb) + (zdn[i] - u2 * cBi) * (z - u1 * cb);
        const double nW = cBi / zb - cb * (zdn[i] - cBi) / (zb * zb) - (zdn[i] * ca + z * cAi) / q +
                          z * ca * nq / (q * q);
        hrn[i] = zdn[i] + nL * (1.0 - t * (aTp - bTp)) - t * l * (nATp - nBTp) -
                 t * (nBTp * w + bTp * nW);
        for (std::size_t j = 0; j <= i; ++j) {
          const double aj = over(abar[j], a);
          const double bj = bbar[j] / b;
          const double cBj = pr * bbar[j] - cb;
          const double bij = bbb[j * n + i] / b - bi * bj;
          const double aij = over(abb[j * n + i], a) - ai * aj;
          const double value = (zdn[j] - (bj - 1.0) * z) * (ca / q) * ei + bi * zdn[j] +
                               bij * (z - 1.0) + (cBj - zdn[j]) / zb +
                               ((aj - bj) * ei + aij - bij) * l;
          lnphiN[j * n + i] = value;
          lnphiN[i * n + j] = value;
        }
      }
    }
  }

  // 11. Exit: a root the callers cannot use, the slope request of the fugacity routines and
  // the state dump.
  if (!usable(z, level, n, lnphi, lnphiT, lnphiP, hr, sr, cpr)) status = kNoRoot;
  if (EOSDBG.request > 0) {
    if (debug > kStateDump) stateDump(EOSDBG.request, a, b, t, p, z, u1, u2);
    const double curvature = 6.0 * z + 2.0 * cubic.c2;
    if (EOSDBG.request == 1) EOSDBG.vapourSlot = curvature;
    if (EOSDBG.request == 2) EOSDBG.liquidSlot = curvature;
    EOSDBG.request = 0;
  }
}

}  // namespace pure
