// AQELDR, FN604 and ROOT604: the aqueous weak-electrolyte model of K-value method 511.
#include "thermo/equilibrium/weak_electrolytes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"

namespace equilibrium {
namespace {

using kvalue_internal::workValue;

constexpr double kRankinePerKelvin = 1.8;
constexpr double kRankineZero = 459.67;
// Clamped constants: ln K below -50 and above 50 take these stored values.
constexpr double kConstantFloor = 1.9305019305019306e-22;
constexpr double kConstantCeiling = 5.18e21;
constexpr double kLnLimit = 50.0;
constexpr double kExponentLimit = 30.0;
constexpr double kMmHgPerBar = 750.062;
constexpr double kWaterPerKg = 55.50929780738274;
constexpr double kSolventFloor = 1e-6;
constexpr double kSecondStep = -0.011111111111111112;  // K: 0.02 degrees Rankine lower
constexpr double kLnSulphurLimit = 80.59;
constexpr double kNoFraction = 0.001;
constexpr double kHeatScale = 44.01 / 1.9872;

using Coefficients = std::array<double, 5>;
// The fixed reactions and the Henry constants (A, B, C, D, E in degrees Rankine).
constexpr Coefficients kWater = {-21.758, 867.328, -7350000.0, 4418150000.0, -1255560000000.0};
constexpr Coefficients kCarbon1 = {-241.818, 536855.0, -481230000.0, 194000000000.0,
                                   -29644500000000.0};
constexpr Coefficients kCarbon2 = {-294.74, 655893.0, -596670000.0, 242490000000.0,
                                   -37192000000000.0};
constexpr Coefficients kSulphur1 = {-25.0002, 8924.7, 1946100.0, -2634000000.0, 218820000000.0};
constexpr Coefficients kSulphur2 = {-657.965, 1649360.0, -1589640000.0, 672472000000.0,
                                    -106043000000000.0};
constexpr Coefficients kHenrySulphur = {104.518, -246254.0, 239029000.0, -101898000000.0,
                                        15973400000000.0};
constexpr Coefficients kHenryCarbon = {22.2819, -24895.1, 22399600.0, -9091800000.0,
                                       1260100000000.0};

double lnForm(const Coefficients& c, double tr) {
  return c[0] + c[1] / tr + c[2] / (tr * tr) + c[3] / (tr * tr * tr) + c[4] / (tr * tr * tr * tr);
}

double clampedConstant(double lnK) {
  if (lnK < -kLnLimit) return kConstantFloor;
  if (lnK > kLnLimit) return kConstantCeiling;
  return std::exp(lnK);
}

// exp of an exponent limited to [-30, 30].
double limitedExp(double v) { return std::exp(std::clamp(v, -kExponentLimit, kExponentLimit)); }
// The logarithm of a quantity that must be positive; a non-positive one marks the whole
// exponent as -30 (NaN propagates the mark through the sums).
double lnOf(double v) { return v > 0.0 ? std::log(v) : -HUGE_VAL; }
double expOf(double v) {
  return std::isinf(v) && v < 0.0 ? std::exp(-kExponentLimit) : limitedExp(v);
}

std::int32_t blockInteger(std::int32_t k) {
  return storage::CORSTO[methods::LDSTAT.integerSector1 + k];
}
double blockReal(std::int32_t k) { return storage::CORSTO.real(methods::LDSTAT.realSector1 + k); }

// The share of a total that is free (0 without a total).
double freeShare(double part, double total) { return total > 0.0 ? part / total : 0.0; }

[[noreturn]] void invalidBlock(const char* item, std::int32_t value) {
  services::ERRITM(item, value);
  services::ABTRPT("KC", "AQELDR", "AQELDR", "ELECTROLYTE BLOCK INVALID");
}

}  // namespace

ElectrolyteConstants electrolyteConstants(double t) {
  const double tr = kRankinePerKelvin * t;
  ElectrolyteConstants k;
  k.kw = clampedConstant(lnForm(kWater, tr));
  k.k1c = clampedConstant(lnForm(kCarbon1, tr));
  k.k2c = clampedConstant(lnForm(kCarbon2, tr));
  k.k1s = clampedConstant(lnForm(kSulphur1, tr));
  k.k2s = clampedConstant(lnForm(kSulphur2, tr));
  k.henryCarbon = clampedConstant(lnForm(kHenryCarbon, tr)) / kMmHgPerBar;
  k.henrySulphur = clampedConstant(lnForm(kHenrySulphur, tr)) / kMmHgPerBar;
  return k;
}

double FN604(double ph, const ElectrolyteConstants& k, const ElectrolyteLiquid& liquid,
             ElectrolyteSpecies& out) {
  // 1. All species zero; the hydrogen and hydroxide ions.
  out = ElectrolyteSpecies{};
  auto& s = out.species;
  const double h = std::pow(10.0, -ph);
  const double lnH = std::log(h);
  s[static_cast<std::size_t>(Ion::Hydrogen)] = h;
  s[static_cast<std::size_t>(Ion::Hydroxide)] = k.kw / h;
  // 2. Sulphur.
  if (liquid.sulphur > 0.0) {
    // m(H2S) = St H^2/(H^2 + H K1s + K1s K2s), so that the three species sum to St. (The
    // product (H + K1s)(H + K2s) in its place would add H K2s and lose sulphur.)
    const double h2s =
        std::log(liquid.sulphur) + 2.0 * lnH - lnOf(h * h + h * k.k1s + k.k1s * k.k2s);
    const double hs = h2s + std::log(k.k1s) - lnH;
    const double s2 = hs + std::log(k.k2s) - lnH;
    s[static_cast<std::size_t>(Ion::HydrogenSulphide)] = expOf(h2s);
    s[static_cast<std::size_t>(Ion::Bisulphide)] = expOf(hs);
    s[static_cast<std::size_t>(Ion::Sulphide)] = expOf(s2);
  }
  // 3. Carbon, with carbamate when amines that form it are present.
  const bool amines = liquid.amines > 0;
  double free = 0.0;
  if (liquid.carbon > 0.0) {
    const double d = 1.0 + (k.k1c / h) * (1.0 + k.k2c / h);
    free = liquid.carbon / d;
    bool carbamates = false;
    for (std::size_t j = 0; j < liquid.amines; ++j) carbamates = carbamates || liquid.kc[j] > 0.0;
    if (amines && carbamates) {
      std::array<double, kMaxAmines> kk{};
      for (std::size_t j = 0; j < liquid.amines; ++j) {
        if (liquid.kc[j] > 0.0) {
          kk[j] = expOf(lnOf(liquid.kc[j]) + lnOf(liquid.ka[j] + h) + lnH - std::log(k.k1c) -
                        lnOf(liquid.ka[j]));
        }
      }
      // Newton from 0, rising monotonically to the root.
      double x = 0.0;
      for (;;) {
        double f = d, g = d;
        for (std::size_t j = 0; j < liquid.amines; ++j) {
          if (!(liquid.kc[j] > 0.0)) continue;
          f += liquid.amine[j] / (x + kk[j]);
          g += liquid.amine[j] * kk[j] / ((x + kk[j]) * (x + kk[j]));
        }
        const double next = x - (x * f - liquid.carbon) / g;
        const bool done = std::fabs(next - x) / std::max(x, 1e-30) < 1e-6;
        x = next;
        if (done) break;
      }
      free = x;
    }
    s[static_cast<std::size_t>(Ion::CarbonDioxide)] = free;
    s[static_cast<std::size_t>(Ion::Bicarbonate)] = k.k1c * free / h;
    s[static_cast<std::size_t>(Ion::Carbonate)] =
        k.k2c * s[static_cast<std::size_t>(Ion::Bicarbonate)] / h;
  }
  // 4. Amines.
  double cations = h, anions = s[static_cast<std::size_t>(Ion::Hydroxide)];
  const double bicarbonate = s[static_cast<std::size_t>(Ion::Bicarbonate)];
  if (amines) {
    for (std::size_t j = 0; j < liquid.amines; ++j) {
      if (!(liquid.amine[j] > 0.0)) continue;
      double q = expOf(lnOf(liquid.ka[j] + h) - lnOf(liquid.ka[j]));
      if (liquid.kc[j] != 0.0) {
        q += expOf(lnOf(free) + std::log(k.k1c) - lnH - lnOf(liquid.kc[j]));
      }
      out.free[j] = liquid.amine[j] / q;
      out.protonated[j] = expOf(lnOf(out.free[j]) + lnH - lnOf(liquid.ka[j]));
      if (liquid.kc[j] != 0.0) out.carbamate[j] = bicarbonate * out.free[j] / liquid.kc[j];
      cations += out.protonated[j];
      anions += out.carbamate[j];
    }
  }
  // 5. The charge balance.
  anions += bicarbonate + 2.0 * s[static_cast<std::size_t>(Ion::Carbonate)] +
            s[static_cast<std::size_t>(Ion::Bisulphide)] +
            2.0 * s[static_cast<std::size_t>(Ion::Sulphide)];
  return cations - anions;
}

void ROOT604(double tol, std::int32_t maxit, std::int32_t& status, double xlo, double xhi,
             double& f, double& x, const ElectrolyteConstants& k, const ElectrolyteLiquid& liquid,
             ElectrolyteSpecies& out) {
  status = 0;
  ElectrolyteSpecies atLo, atHi;
  double flo = FN604(xlo, k, liquid, atLo);
  double fhi = FN604(xhi, k, liquid, atHi);
  if (flo == 0.0 || fhi == 0.0) {
    x = flo == 0.0 ? xlo : xhi;
    f = 0.0;
    out = flo == 0.0 ? atLo : atHi;
    return;
  }
  if ((flo < 0.0) == (fhi < 0.0)) {
    status = 2;
    x = xhi;
    f = fhi;
    out = atHi;
    return;
  }
  // Bisection with an inverse quadratic (or secant) step whenever it stays in the bracket.
  double a = xlo, fa = flo, b = xhi, fb = fhi, c = a, fc = fa;
  for (std::int32_t it = 0; it < maxit; ++it) {
    double s = 0.5 * (a + b);
    if (fa != fc && fb != fc) {
      s = a * fb * fc / ((fa - fb) * (fa - fc)) + b * fa * fc / ((fb - fa) * (fb - fc)) +
          c * fa * fb / ((fc - fa) * (fc - fb));
    } else if (fb != fa) {
      s = b - fb * (b - a) / (fb - fa);
    }
    if (!(s > std::min(a, b) && s < std::max(a, b))) s = 0.5 * (a + b);
    const double fs = FN604(s, k, liquid, out);
    c = b;
    fc = fb;
    if ((fs < 0.0) == (fa < 0.0)) {
      a = s;
      fa = fs;
    } else {
      b = s;
      fb = fs;
    }
    // A halving after every interpolation keeps the bracket shrinking.
    const double m = 0.5 * (a + b);
    ElectrolyteSpecies mid;
    const double fm = FN604(m, k, liquid, mid);
    if ((fm < 0.0) == (fa < 0.0)) {
      a = m;
      fa = fm;
    } else {
      b = m;
      fb = fm;
    }
    if (std::fabs(b - a) <= tol * std::max(1.0, std::fabs(b)) || fm == 0.0) {
      x = std::fabs(fa) < std::fabs(fb) ? a : b;
      f = FN604(x, k, liquid, out);
      return;
    }
  }
  status = 1;
  x = std::fabs(fa) < std::fabs(fb) ? a : b;
  f = FN604(x, k, liquid, out);
}

void AQELDR(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> /*y*/, std::span<double> k, std::span<double> dk,
            std::int32_t /*flag*/, std::int32_t mode, double& h) {
  h = 0.0;
  // The block: amines, components, switches, constants and molar masses.
  const std::int32_t n = blockInteger(2);
  if (n < 0 || n > static_cast<std::int32_t>(kMaxAmines)) invalidBlock("AMINES", n);
  const auto component = [&](std::int32_t word) {
    const std::int32_t c = blockInteger(word);
    if (c < 0 || c > ncomp) invalidBlock("COMP", c);
    return c;
  };
  const std::int32_t carbonComp = component(n + 3);
  const std::int32_t waterComp = component(n + 4);
  const std::int32_t sulphurComp = component(n + 5);
  const bool correction = blockInteger(n + 9) > 0 || blockInteger(n + 10) > 0;
  const auto xOf = [&](std::int32_t c) { return c > 0 ? x[static_cast<std::size_t>(c - 1)] : 0.0; };
  const auto massOf = [&](std::int32_t c) { return blockReal(10 * n + c); };
  std::array<std::int32_t, kMaxAmines> amineComp{};
  double solvent = xOf(waterComp);
  for (std::int32_t j = 0; j < n; ++j) {
    amineComp[static_cast<std::size_t>(j)] = component(n + 11 + j);
    solvent += xOf(amineComp[static_cast<std::size_t>(j)]);
  }
  if (solvent < kSolventFloor) return;
  // 1. Molalities.
  double ms = xOf(waterComp) / solvent * (waterComp > 0 ? massOf(waterComp) : 0.0);
  for (std::int32_t j = 0; j < n; ++j) {
    const std::int32_t c = amineComp[static_cast<std::size_t>(j)];
    ms += xOf(c) / solvent * massOf(c);
  }
  const double waterFactor = waterComp > 0 ? 1.0 / massOf(waterComp) : kWaterPerKg;
  ElectrolyteLiquid liquid;
  liquid.amines = static_cast<std::size_t>(n);
  liquid.carbon = xOf(carbonComp) / (solvent * ms);
  liquid.sulphur = xOf(sulphurComp) / (solvent * ms);
  bool anyAmine = false;
  for (std::size_t j = 0; j < liquid.amines; ++j) {
    liquid.amine[j] = xOf(amineComp[j]) / solvent / ms;
    anyAmine = anyAmine || liquid.amine[j] > 0.0;
  }
  if (!anyAmine) liquid.amines = 0;
  const double v = blockReal(10 * n + ncomp + 1);
  const double u = 1.0 - v;
  const double fCorrection =
      correction ? std::exp(8.0 * u * u / std::pow(u + 3.4782608695652177 * (1.000001 - u), 2.0))
                 : 1.0;

  // 2-5. One evaluation at T, in mode 2 a second 0.02 degrees Rankine lower.
  TPCACH(mode == 2 ? 1 : 0, t, p);
  std::array<double, 2> kCarbon{}, kSulphur{}, pCarbon{}, pSulphur{};
  std::array<std::array<double, kMaxAmines>, 2> kAmine{};
  std::array<double, 2> freeCarbon{}, freeSulphur{};
  const int passes = mode == 2 ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const double tp = pass == 0 ? t : t + kSecondStep;
    const double tr = kRankinePerKelvin * tp;
    const ElectrolyteConstants kk = electrolyteConstants(tp);
    for (std::size_t j = 0; j < liquid.amines; ++j) {
      const auto jj = static_cast<std::int32_t>(j);
      const double mole = xOf(amineComp[j]);
      if (blockInteger(3 + jj) > 0) {
        // The built-in loading-dependent protonation constant.
        liquid.kc[j] = 0.0;
        const double w = liquid.amine[j];
        const double cc = xOf(carbonComp), ss = xOf(sulphurComp), aa = mole;
        if (!(aa > 0.0)) {
          liquid.ka[j] = 0.0;
          continue;
        }
        const double a = (0.117413 * w - 4.692379) - (109.10418 * w + 4917.2524) / tp;
        const double b = (0.637126 - 0.0616999 * w) + (146.3561 * w - 55.0239) / tp;
        const double g = (1.0 - ss / aa) * b + a;
        const double hh = (1.422533 - 0.843009 * w) - (6489.6589 - 352.97934 * w) / tp;
        const double kq = (1.0765816 * w - 7.100413) + (1742.4131 - 407.10586 * w) / tp;
        const double xx = cc * (std::sqrt(cc / aa) * kq + hh) + ss * g;
        const double lnKa = cc + ss > 0.0 ? xx / (cc + ss) : xx / aa;
        liquid.ka[j] = lnKa <= -kLnLimit  ? kConstantFloor
                       : lnKa >= kLnLimit ? kConstantCeiling
                                          : std::exp(lnKa);
      } else {
        Coefficients first{}, second{};
        bool anySecond = false;
        for (std::int32_t q = 0; q < 5; ++q) {
          first[static_cast<std::size_t>(q)] = blockReal(5 * jj + q + 1);
          second[static_cast<std::size_t>(q)] = blockReal(5 * n + 5 * jj + q + 1);
          anySecond = anySecond || second[static_cast<std::size_t>(q)] != 0.0;
        }
        liquid.ka[j] = std::exp(lnForm(first, tr));
        liquid.kc[j] = anySecond ? std::exp(lnForm(second, tr)) : 0.0;
      }
    }
    ElectrolyteSpecies sp;
    std::int32_t status = 0;
    double f = 0.0, ph = 0.0;
    ROOT604(1e-6, 100, status, 0.0, -std::log10(kk.kw), f, ph, kk, liquid, sp);
    // K-values.
    const double pbar = p / 100.0;
    const auto fraction = [](double part, double total) {
      return total > 0.0 ? part / total : kNoFraction;
    };
    freeCarbon[pass] = sp.species[static_cast<std::size_t>(Ion::CarbonDioxide)];
    freeSulphur[pass] = sp.species[static_cast<std::size_t>(Ion::HydrogenSulphide)];
    kCarbon[pass] = waterFactor * kk.henryCarbon * fCorrection / pbar *
                    fraction(freeCarbon[pass], liquid.carbon);
    kSulphur[pass] =
        waterFactor * kk.henrySulphur / pbar * fraction(freeSulphur[pass], liquid.sulphur);
    pCarbon[pass] = kk.henryCarbon * freeCarbon[pass];
    pSulphur[pass] = kk.henrySulphur * freeSulphur[pass];
    for (std::size_t j = 0; j < liquid.amines; ++j) {
      const auto c = static_cast<std::size_t>(amineComp[j]);
      if (c == 0) continue;
      double pv = workValue(kVapourPressureArray, c - 1);
      if (pass == 1) pv += kSecondStep * workValue(kVapourPressureSlopeArray, c - 1);
      double kv = pv / p;
      if (sp.free[j] > 0.0) kv *= std::max(sp.free[j] / liquid.amine[j], 0.1);
      kAmine[static_cast<std::size_t>(pass)][j] = kv;
    }
  }
  // Water, the acid gases and the amines.
  if (waterComp > 0) {
    const auto w = static_cast<std::size_t>(waterComp - 1);
    k[w] = workValue(kVapourPressureArray, w) / p;
    if (mode == 2) dk[w] = workValue(kVapourPressureSlopeArray, w) / p;
  }
  const auto setK = [&](std::int32_t comp, double k0, double k1) {
    if (comp <= 0) return;
    const auto c = static_cast<std::size_t>(comp - 1);
    k[c] = k0;
    if (mode == 2) dk[c] = (k1 - k0) / kSecondStep;
  };
  if (carbonComp > 0 && liquid.carbon > 0.0) setK(carbonComp, kCarbon[0], kCarbon[1]);
  if (sulphurComp > 0 && liquid.sulphur > 0.0 && std::log(kSulphur[0]) <= kLnSulphurLimit) {
    setK(sulphurComp, kSulphur[0], kSulphur[1]);
  }
  for (std::size_t j = 0; j < liquid.amines; ++j) setK(amineComp[j], kAmine[0][j], kAmine[1][j]);

  // 6. Heats of absorption (heat/R in degrees Rankine per mole absorbed).
  if (mode != 2) return;
  const double tr = kRankinePerKelvin * t;
  const double d = 1.0 / tr - 1.0 / (tr - 0.02);
  const double cFrac = xOf(carbonComp), sFrac = xOf(sulphurComp);
  const double w = n > 0 ? xOf(amineComp[0]) : 0.0;
  const double tf = tr - kRankineZero;
  double qc = 0.0, qs = 0.0;
  if (sFrac > 0.0 && pSulphur[1] > 0.0 && pSulphur[0] > 0.0) {
    double heat = std::log(pSulphur[0] / pSulphur[1]) / d;
    if (blockInteger(n + 9) > 0) heat *= 0.92;
    qs = sFrac * heat * (1.0 - freeShare(freeSulphur[0], liquid.sulphur));
  }
  if (cFrac > 0.0 && pCarbon[1] > 0.0 && pCarbon[0] > 0.0) {
    double heat = std::log(pCarbon[0] / pCarbon[1]) / d;
    if (blockInteger(n + 9) > 0) {
      heat = (467.0 * w + 807.2) * kHeatScale;
    } else if (blockInteger(n + 10) > 0) {
      heat = (288.4 * w + 0.6837 * tf + 407.7) * kHeatScale;
    } else if (blockInteger(n + 6) > 0 && w != 0.0) {
      heat = std::exp(std::max(-1.31643 * cFrac / w, -65.0)) * 1086.3 * kHeatScale;
    }
    qc = cFrac * heat * (1.0 - freeShare(freeCarbon[0], liquid.carbon));
  }
  h = -(qc + qs) / (kRankinePerKelvin * t);
}

}  // namespace equilibrium
