// The correlation paths of the enthalpy drivers: the library correlations of methods 1 and 5
// (vapour and liquid, with the liquid's mixing terms), the correlation enthalpy method 202
// (HIDSET) and the Redlich-Kister excess term of the second liquid models (PAIRLP).
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/phase/driver_kernels.hpp"
#include "thermo/phase/enthalpy_internal.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {
namespace {

using namespace drivers;

constexpr double kR = kGasConstant;
constexpr std::int32_t kVaporisationType = 903;
constexpr std::int32_t kSumHookCode = 5;  // the code whose sums call the mixing hook
constexpr std::int32_t kRedlichKisterTerms = 8;

// Scratch slots (after those of the frame).
constexpr std::size_t kValues = 10, kSlopes = 11, kVaporisation = 12, kVaporisationSlopes = 13,
                      kSingle = 14, kSingleSlope = 15, kPerComponentCp = 16, kWork = 17,
                      kPressureSlopes = 18, kPartials = 19, kKinds = 11, kFractions = 20,
                      kLnPhi = 21, kElectrolyteK = 22, kElectrolyteDk = 23;

// Relative temperature step of the slope of the mixing terms 418 and 511.
constexpr double kMixingStep = 1.0e-3;

double constant(problem::ComponentReal sector, std::size_t i) {
  return pure::componentConstant(sector, static_cast<std::int32_t>(i) + 1);
}

// The value of type 211 of component I at TC continued linearly with the slope at its normal
// boiling point: VALUE + (T - Tc) SLOPE; SLOPE is returned.
double continued(std::size_t i, double t, double p, double tc, double& slope) {
  const std::int32_t set = methods::MTSETN(pure::kDriverEnthalpy);
  const std::span<double> v = reals(kSingle, 1), dv = reals(kSingleSlope, 1);
  const auto comp = static_cast<std::int32_t>(i) + 1;
  pure::XPCALC(pure::kDriverEnthalpy, set, 1, comp, 0, 0, tc, p, v, dv);
  const double atTc = v[0];
  const double tb = constant(problem::ComponentReal::NormalBoilingPoint, i);
  pure::XPCALC(pure::kDriverEnthalpy, set, 1, comp, 1, 0, tb, p, v, dv);
  slope = dv[0];
  return atTc + (t - tc) * slope;
}


// R T r of the Redlich-Kister term of the second liquid models 419 and 420 (block of the
// second liquid: the four N x N matrices).
double redlichKisterTerm(std::size_t nc, double t, std::int32_t second) {
  pure::MDLOD3();
  const std::span<const double> block = blockReals("HLIQDR");
  const std::size_t nn = nc * nc;
  if (block.size() < 4 * nn) {
    services::ERRITM("NEEDED", static_cast<std::int32_t>(4 * nn));
    services::ERRITM("HAVE", static_cast<std::int32_t>(block.size()));
    services::ABTRPT("PH", "HLIQDR", "HLIQDR", "PARAMETER BLOCK TOO SHORT");
  }
  const std::span<const double> y = loadFlash(kLiquidComposition, nc, kWork, "HLIQDR");
  const double r = PAIRLP(static_cast<std::int32_t>(nc), kRedlichKisterTerms, t, y,
                          block.first(nn), block.subspan(nn, nn), block.subspan(2 * nn, nn),
                          block.subspan(3 * nn, nn), second);
  return kR * t * r;
}

// What the two temperature-dependent mixing terms need besides T.
struct MixingTerm {
  std::size_t nc;
  double p;
  double total;  // S
  std::span<const double> x;
  std::span<const std::int32_t> presence;
  double& z;
  std::int32_t& noComposition;
};

// Second liquid model 418: H^E = R T^2 tau of the activity model behind the liquid fugacity
// routine, on the mole fractions of the liquid; its ln(phi) go to scratch of the driver, not to
// a flash array. A liquid fugacity method that is no activity method leaves tau of some
// earlier liquid in PMCTL2: it has no excess enthalpy here.
double excessLiquidTerm(const MixingTerm& m, double t) {
  const methods::KValueMethods& k = methods::KMCTL;
  const bool activity = k.kvalue.option == equilibrium::kActivityOptionDigit;
  const std::int32_t fugacity = activity && services::LMCODA(k.kvalue.code) == 0 ? 1 : 0;
  const std::span<double> fractions = reals(kFractions, m.nc);
  for (std::size_t i = 0; i < m.nc; ++i) fractions[i] = m.total > 0.0 ? m.x[i] / m.total : 0.0;
  const std::span<double> lnphi = reals(kLnPhi, m.nc);
  std::int32_t status = 0;
  m.noComposition = 0;
  equilibrium::FLCALC(static_cast<std::int32_t>(m.nc), fractions, lnphi, t, m.p, m.z, 0, 1,
                      m.presence, fugacity, status, m.noComposition);
  return activity ? kR * t * t * methods::PMCTL2.excessEnthalpy : 0.0;
}

// Code 511: R T r of the weak-electrolyte model's heat of absorption, on the normalised liquid
// (array 3). The model writes K-values and their slopes; it gets scratch of its own so that
// the flash's K-values and dK/dT (arrays 5 and 6) survive an enthalpy evaluation. Its part of
// the block follows the general pair parameters of the COHDR components.
double electrolyteTerm(const MixingTerm& m, double t, std::int32_t d1) {
  const std::int32_t count = problem::COHDR(problem::cohdr::kVapourComponents);
  const std::size_t nc = m.nc;
  const std::span<const double> y = loadFlash(kLiquidComposition, nc, kWork, "HLIQDR");
  const std::span<double> k = reals(kElectrolyteK, nc), dk = reals(kElectrolyteDk, nc);
  for (std::size_t i = 0; i < nc; ++i) k[i] = dk[i] = 0.0;
  methods::LoadedBlock& b = methods::LDSTAT;
  const std::int32_t realShift = 7 * count + 2 + 8 * ((count * (count - 1)) / 2);
  b.integerSector1 += count;
  b.realSector1 += realShift;
  double r = 0.0;
  equilibrium::AQELDR(count, t, m.p, y, y, k, dk, d1, 2, r);
  b.integerSector1 -= count;
  b.realSector1 -= realShift;
  return kR * t * r;
}
}  // namespace

void vapourCorrelation(std::int32_t n, double t, double p, std::span<const double> x,
                       std::int32_t d1, std::int32_t d2, std::int32_t code, double& h, double& cp) {
  const auto nc = static_cast<std::size_t>(n);
  const std::span<double> a22 = reals(kValues, nc), a35 = reals(kSlopes, nc);
  const std::span<double> a47 = reals(kVaporisation, nc), a48 = reals(kVaporisationSlopes, nc);
  for (std::size_t i = 0; i < nc; ++i) a35[i] = a48[i] = 0.0;
  const std::int32_t derivatives = d1 > 0 ? 1 : 0;
  pure::XPCALC(pure::kDriverEnthalpy, methods::MTSETN(pure::kDriverEnthalpy), n, 0, derivatives, 0,
               t, p, a22, a35);
  pure::XPCALC(kVaporisationType, methods::MTSETN(kVaporisationType), n, 0, derivatives, 0, t, p,
               a47, a48);
  double sum = 0.0, total = 0.0;
  for (std::size_t i = 0; i < nc; ++i) {
    total += x[i];
    const double tc = constant(problem::ComponentReal::CriticalTemperature, i);
    if (tc <= services::RMISS) {
      if (a47[i] < 0.0) a47[i] = 0.0;
    } else if (t > tc) {
      // Above Tc: the liquid correlation continued from Tc, no vaporisation term.
      double slope = 0.0;
      a22[i] = continued(i, t, p, tc, slope);
      a35[i] = slope;
      a47[i] = 0.0;
      a48[i] = 0.0;
    }
    sum += (a22[i] + a47[i]) * x[i];
  }
  double hook = 0.0;
  if (code == kSumHookCode) services::NOOP01(n, t, p, x, hook);
  h = sum + hook;
  cp = 0.0;
  if (d1 > 0) {
    for (std::size_t i = 0; i < nc; ++i) cp += (a35[i] + a48[i]) * x[i];
  }
  if (total > 0.0) {
    h /= total;
    cp /= total;
  }
  if (d2 > 0) {
    for (std::size_t i = 0; i < nc; ++i) a22[i] += a47[i];
    storeFlash(kVapourPartials, a22, "HVAPDR");
  }
}

void liquidCorrelation(std::int32_t n, double t, double p, std::span<const double> x,
                       std::span<const std::int32_t> presence, std::int32_t d1, std::int32_t code,
                       double& h, double& cp, double& hw, double& cpw, double& z,
                       std::int32_t& status, std::int32_t& noComposition) {
  const auto nc = static_cast<std::size_t>(n);
  const std::span<double> a23 = reals(kValues, nc), a35 = reals(kSlopes, nc);
  for (std::size_t i = 0; i < nc; ++i) a35[i] = 0.0;
  pure::XPCALC(pure::kDriverEnthalpy, methods::MTSETN(pure::kDriverEnthalpy), n, 0, d1 > 0 ? 1 : 0,
               0, t, p, a23, a35);
  const auto withData = static_cast<std::size_t>(problem::COHDR(problem::cohdr::kVapourComponents));
  for (std::size_t i = 0; i < nc && i < withData; ++i) {
    const double tc = constant(problem::ComponentReal::CriticalTemperature, i);
    if (tc > services::RMISS && tc < t) {
      double slope = 0.0;
      a23[i] = continued(i, t, p, tc, slope);
      a35[i] = slope;
    }
  }
  double sum = 0.0, total = 0.0;
  for (std::size_t i = 0; i < nc; ++i) {
    total += x[i];
    if (x[i] > 0.0) sum += x[i] * a23[i];
  }

  // Mixing term per mole, with its temperature slope for the heat capacity when the term
  // depends on temperature (the Redlich-Kister term R T r does not: r goes as 1/T).
  const std::int32_t second = methods::PMCTL2.secondLiquidCode;
  double e = 0.0, slope = 0.0;
  if (second == 419 || second == 420) {
    e = redlichKisterTerm(nc, t, second);
  } else if (second == 418 || (second == 0 && code == 511)) {
    const MixingTerm term{nc, p, total, x, presence, z, noComposition};
    const auto at = [&](double tt) {
      return second == 418 ? excessLiquidTerm(term, tt) : electrolyteTerm(term, tt, d1);
    };
    if (d1 > 0 && total > 0.0) {
      const double step = kMixingStep * t;
      slope = (at(t + step) - at(t - step)) / (2.0 * step);
    }
    e = at(t);  // last, so that what the models keep is of T itself
  }
  double hook = 0.0;
  if (code == kSumHookCode) services::NOOP01(n, t, p, x, hook);
  h = total * e + sum + hook;
  cp = 0.0;
  if (d1 > 0) {
    for (std::size_t i = 0; i < nc; ++i) {
      if (x[i] > 0.0) cp += x[i] * a35[i];
    }
    cp += total * slope;
  }
  if (total > 0.0) {
    h /= total;
    cp /= total;
  } else {
    h = cp = 0.0;
    status = kEnthalpyNoAmount;
  }
  hw = cpw = 0.0;
  if (problem::THCTL.idecnt > 0) {
    waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Enthalpy), 2, t, p,
                  PHDRWD.partialPressure, hw, cpw);
  }
}

std::int32_t HIDSET(std::int32_t phase, std::int32_t d1, std::int32_t d2, std::span<const double> x,
                    std::int32_t n, std::span<double> y, double t, double p, double& h, double& cp,
                    double& hw, double& cpw, std::int32_t code) {
  const bool vapour = phase == 1;
  const auto nc = static_cast<std::size_t>(n);
  const std::string_view routine = "HIDSET";
  if (vapour) {
    pure::MDLOD1();
  } else {
    pure::MDLOD2();
  }
  const Normalised norm = normalise(x, y, integers(kValues, nc), p);
  const double pp = vapour ? norm.fraction * p : p;
  PHDRWD.partialPressure = pp;
  pure::XPCACH(1, t, p);
  if (pure::XPCWRD.values.size() < nc || pure::XPCWRD.derivatives.size() < nc) {
    services::ERRITM("NEEDED", n);
    services::ERRITM("HAVE", static_cast<std::int32_t>(pure::XPCWRD.values.size()));
    services::ABTRPT("PH", routine, routine, "IDEAL-GAS CACHE TOO SHORT");
  }
  const std::int32_t iw = norm.water;
  const double s = norm.total;
  const std::span<double> hi = reals(kPartials, nc), cpi = reals(kPerComponentCp, nc);
  double hsum = 0.0, csum = 0.0, r = 0.0, d = 0.0;
  if (norm.fraction > 0.0) {
    // Per-component terms of the correlation enthalpy method.
    const std::span<const std::int32_t> ints = blockIntegers();
    const std::int32_t k0 = ints.empty() ? 0 : ints[0];
    const std::span<double> mw = reals(kWork, nc);
    for (std::size_t i = 0; i < nc; ++i)
      mw[i] = constant(problem::ComponentReal::MolecularWeight, i);
    const std::span<std::int32_t> kinds = integers(kKinds, nc);
    const std::int32_t kindStart = problem::COPTRS.integerSector(1);
    for (std::size_t i = 0; i < nc; ++i) {
      kinds[i] = kindStart == services::NOCORE
                     ? equilibrium::kLibraryComponent
                     : storage::CORSTO[kindStart + static_cast<std::int32_t>(i) + 1];
    }
    std::int32_t status = 0;
    equilibrium::HCORCS(mw, r, cpi, std::span<const double>(pure::XPCWRD.derivatives.data(), nc),
                        hi, std::span<const double>(pure::XPCWRD.values.data(), nc), status,
                        vapour ? 1 : 2, kinds, reals(kSingle, 4 * nc), n, pp, d, t, y,
                        ints.empty() ? ints : ints.subspan(1), blockReals(routine), k0, code,
                        reals(kPressureSlopes, nc));
    for (std::size_t i = 0; i < nc; ++i) {
      if (static_cast<std::int32_t>(i) + 1 == iw) continue;
      hsum += x[i] * hi[i];
      csum += x[i] * cpi[i];
    }
  }
  hw = cpw = 0.0;
  const double xw = iw > 0 ? x[static_cast<std::size_t>(iw - 1)] : 0.0;
  if (iw > 0) {
    waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Enthalpy), vapour ? 1 : 2, t, p,
                  pp, hw, cpw);
    csum += cpw * xw;
  }
  const double hh = s > 0.0 ? hsum / s : 0.0;
  const double cc = s > 0.0 ? csum / s : 0.0;
  const double water = iw > 0 && s > 0.0 ? hw * xw / s : 0.0;
  if (vapour) {
    h = r * kR * t * norm.fraction + hh + water;
    cp = d * kR * norm.fraction + cc;
  } else {
    h = hh + water;
    cp = cc;
  }
  if (d2 > 0) {
    for (std::size_t i = 0; i < nc; ++i) {
      if (static_cast<std::int32_t>(i) + 1 == iw) continue;
      if (vapour) hi[i] += r * kR * t;
    }
    storeFlash(vapour ? kVapourPartials : kLiquidPartials, hi, routine);
  }
  (void)d1;
  return 0;
}

double PAIRLP(std::int32_t n, std::int32_t m, double t, std::span<const double> x,
              std::span<const double> a, std::span<const double> b, std::span<const double> c,
              std::span<const double> d, std::int32_t code) {
  const auto nc = static_cast<std::size_t>(n > 0 ? n : 0);
  const auto at = [nc](std::span<const double> mat, std::size_t i, std::size_t j) {
    return mat[i + nc * j];
  };
  double r = 0.0;
  if (m <= 0) return 0.0;
  const auto terms = static_cast<std::size_t>(m > 8 ? 8 : m);
  for (std::size_t i = 0; i + 1 < nc; ++i) {
    for (std::size_t j = i + 1; j < nc; ++j) {
      const double s = x[i] + x[j];
      if (!(s > 0.0)) continue;
      const double coefficients[8] = {at(a, i, j), at(a, j, i), at(b, i, j), at(b, j, i),
                                      at(c, i, j), at(c, j, i), at(d, i, j), at(d, j, i)};
      const double dd = code == 419 ? x[i] - x[j] : x[i] / s - x[j] / s;
      double poly = 0.0;
      for (std::size_t k = terms; k-- > 0;) poly = poly * dd + coefficients[k];
      r += x[i] * x[j] * poly;
    }
  }
  return r / t;
}

}  // namespace phase
