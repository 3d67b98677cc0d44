// PMDISP: the viscosity of the water-free part of a liquid by the liquid-viscosity method of
// the current set, with the emulsion factor of methods 147-152; the water method, the
// kinematic-viscosity method from the inspection-property store, the cube-root mixing of
// the library method, the emulsion tables and the table interpolation.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/cs_transport.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace phase {

const std::array<double, kEmulsionPoints> kEmulsionFractions{0.0, 0.1,  0.2, 0.3,  0.4,
                                                             0.5, 0.55, 0.6, 0.65, 0.72};
// The factors are kept in single precision, as the tables were stored.
const std::array<std::array<double, kEmulsionPoints>, 3> kEmulsionFactors{{
    {1.0, transport::single(1.1), 2.0, transport::single(2.95), transport::single(4.1),
     transport::single(6.9), 8.5, transport::single(11.4), 16.0, 26.5},
    {1.0, transport::single(1.1), transport::single(2.05), 3.0, transport::single(4.35),
     transport::single(8.1), 11.0, transport::single(14.9), 22.0, 46.5},
    {1.0, transport::single(1.15), transport::single(2.1), transport::single(3.2),
     transport::single(5.1), transport::single(10.3), 15.5, 24.0, 45.5, 99.0},
}};

namespace {

using storage::CORSTO;
using transport::ComponentReal;
using transport::constant;
using transport::Scratch;

constexpr std::int32_t kLiquidViscosityType = 1222;
constexpr std::int32_t kLiquidViscosityIndex = 12;  // the set's work-length tables
constexpr std::int32_t kUserSlot = 12;
constexpr double kDefaultInversion = 0.72;
constexpr double kCubeRoot = 0.3333333;
constexpr double kAtm = 101.325;
constexpr double kKinematicScale = 1e-6;  // cSt to m2/s

// Water viscosity of method 5: the fit's bounds with their values (cP) and slopes (cP/K).
constexpr double kWaterHigh = 621.436;
constexpr double kWaterHighValue = 0.078948127;
constexpr double kWaterHighSlope = -0.00019491954;
constexpr double kWaterLow = 223.15;
constexpr double kWaterLowValue = 23.049522;
constexpr double kWaterLowSlope = -1.9037311;
constexpr double kViscosityFloor = 1e-10;  // Pa s
constexpr double kExponentCap = 60.0;

bool isEmulsion(std::int32_t method) { return method >= 147 && method <= 152; }

// The emulsion-table option of an emulsion method.
std::int32_t emulsionOption(std::int32_t method) {
  switch (method) {
    case 147:
    case 150:
      return 2;
    case 148:
    case 151:
      return 1;
    default:
      return 0;
  }
}

// Method 1: library values, built-in fill, cube-root mixing.
double library(double t, double p, std::span<const double> xhc) {
  const std::int32_t n = transport::liquidCount();
  const auto nc = static_cast<std::size_t>(n);
  const std::span<double> mu = transport::scratch(Scratch::Values, nc);
  const std::span<double> dmu = transport::scratch(Scratch::Derivatives, nc);
  const std::int32_t set = methods::MTSETN(kLiquidViscosityType);
  std::int32_t found = 0;
  pure::XPSETF(kLiquidViscosityType, set, 10, found);
  if (found == 0) {
    std::fill(mu.begin(), mu.end(), 0.0);
  } else {
    std::fill(dmu.begin(), dmu.end(), 0.0);
    pure::XPCALC(kLiquidViscosityType, set, n, 0, 0, 0, t, p, mu, dmu);
  }
  for (std::int32_t i = 1; i <= n; ++i) {
    double& v = mu[static_cast<std::size_t>(i - 1)];
    if (transport::classCode(i) <= transport::kBuiltInClass || v > 0.0) continue;
    const double tb = constant(ComponentReal::NormalBoilingPoint, i);
    const double tc = constant(ComponentReal::CriticalTemperature, i);
    const double pc = constant(ComponentReal::CriticalPressure, i);
    const double tbr = tb / tc;
    const double alpha = 0.9076 * (1.0 + tbr * std::log(pc / kAtm) / (1.0 - tbr));
    v = TRLSTV(constant(ComponentReal::MolecularWeight, i), tc, pc, t,
               constant(ComponentReal::AcentricFactor, i), tb,
               1000.0 * constant(ComponentReal::StandardLiquidDensity, i), p, alpha);
  }
  return TRKMMX(xhc, mu, n);
}

// Method 124: the liquid density, then the dense-fluid correlation with the block's
// critical constants.
double densityBased(double t, double p, std::span<const double> xhc, std::int32_t& ierr) {
  const std::int32_t nl = transport::liquidCount();
  double rho = 0.0;
  std::int32_t status = 0;
  pure::DNLIQ(nl, t, p, xhc, rho, status);
  const bool held = TRWKAR();
  const std::int32_t n = transport::vapourCount();
  if (nl != n) {
    ierr = kMethodNotAvailable;
    return 0.0;
  }
  const auto nc = static_cast<std::size_t>(n);
  const std::int32_t np = std::max(1, n * (n - 1) / 2);
  const std::int32_t a = 5 * n + 2;
  const std::int32_t c = a + 3 * np + 2 * n;
  if (!held || methods::LDSTAT.realLength1 < c + 3 * n || !(rho > 0.0)) {
    ierr = kTransportFailed;
    return 0.0;
  }
  const std::int32_t b0 = methods::LDSTAT.realSector1;
  const std::span<double> tc = transport::scratch(Scratch::Work1, nc);
  const std::span<double> pc = transport::scratch(Scratch::Work2, nc);
  const std::span<double> vc = transport::scratch(Scratch::Work3, nc);
  const std::span<double> m = transport::scratch(Scratch::Work4, nc);
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i - 1);
    tc[k] = CORSTO.real(b0 + a + i);
    pc[k] = CORSTO.real(b0 + c + i);
    vc[k] = CORSTO.real(b0 + c + 2 * n + i);
    m[k] = constant(ComponentReal::MolecularWeight, i);
  }
  return TRJSTV(n, tc, pc, vc, m, rho, xhc, t, ierr);
}

// The emulsion factor of methods 147-152 from the water volume fraction of XL.
void emulsion(std::int32_t method, std::span<const double> xl, std::int32_t iwat, double& f,
              std::int32_t& flag, std::int32_t& ierr) {
  const bool held = TRWKAR();
  flag = 0;
  const std::int32_t n = transport::liquidCount();
  if (iwat < 1 || iwat > n) {
    f = 1.0;
    return;
  }
  double v = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    v += xl[static_cast<std::size_t>(i - 1)] * constant(ComponentReal::MolecularWeight, i) /
         constant(ComponentReal::StandardLiquidDensity, i);
  }
  const double water = xl[static_cast<std::size_t>(iwat - 1)] *
                       constant(ComponentReal::MolecularWeight, iwat) /
                       constant(ComponentReal::StandardLiquidDensity, iwat);
  const double phi = v > 0.0 ? water / v : 0.0;
  f = 0.0;
  // The block: the number of user points, the inversion fraction, the factors and the
  // fractions. Without a block the built-in tables and inversion fraction apply.
  std::int32_t np = 0;
  double inv = kDefaultInversion;
  const methods::LoadedBlock& b = methods::LDSTAT;
  if (held && b.integerLength1 >= 1 && b.realLength1 >= 1) {
    np = std::max(0, CORSTO[b.integerSector1 + 1]);
    inv = CORSTO.real(b.realSector1 + 1);
    if (b.realLength1 < 1 + 2 * np) np = 0;
  }
  if (np == 0) {
    TRTABV(phi, inv, f, emulsionOption(method), flag, ierr);
    return;
  }
  const auto points = static_cast<std::size_t>(np);
  const std::span<double> yt = transport::scratch(Scratch::Work1, points);
  const std::span<double> xt = transport::scratch(Scratch::Work2, points);
  for (std::int32_t k = 1; k <= np; ++k) {
    yt[static_cast<std::size_t>(k - 1)] = CORSTO.real(b.realSector1 + 1 + k);
    xt[static_cast<std::size_t>(k - 1)] = CORSTO.real(b.realSector1 + 1 + np + k);
  }
  TRTABW(np, xt, yt, phi, inv, f, flag, ierr);
}

}  // namespace

bool TRWKAR() {
  const methods::MethodClass& c = methods::MSPTRS.classes(kLiquidViscosityIndex);
  pure::setMethodScratch(c.integerWork, c.realWork);
  const methods::MethodEntry& e = methods::PMCTL4.liquidViscosity;
  if (e.blockAddress != services::NODISK && e.blockAddress > 0) {
    pure::loadMethodBlock(e.blockAddress, e.blockLength);
    return true;
  }
  methods::LoadedBlock& b = methods::LDSTAT;
  b.address = 0;
  b.length = 0;
  b.integerSector1 = b.integerSector2 = 0;
  b.realSector1 = b.realSector2 = 0;
  b.integerLength1 = b.realLength1 = 0;
  return false;
}

double TRKMMX(std::span<const double> x, std::span<const double> mu, std::int32_t n) {
  double s = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(n, 0)); ++i) {
    if (mu[i] > 0.0) s += x[i] * std::pow(mu[i], kCubeRoot);
  }
  return s * s * s;
}

void TRWATV(double t, double& result, double& dresult) {
  double mu = 0.0;
  double slope = 0.0;
  if (t >= kWaterLow && t <= kWaterHigh) {
    const double e =
        std::clamp(568.699 / (t - 140.174) - 3.7123 - 1.34715e-5 * t, -kExponentCap, kExponentCap);
    mu = std::exp(e);
    slope = (-568.699 / ((t - 140.174) * (t - 140.174)) - 1.34715e-5) * mu;
  } else {
    const bool high = t > kWaterHigh;
    const double t0 = high ? kWaterHigh : kWaterLow;
    const double mu0 = high ? kWaterHighValue : kWaterLowValue;
    slope = high ? kWaterHighSlope : kWaterLowSlope;
    const double e = std::clamp(std::log(mu0) - (t0 / mu0) * (t0 / t - 1.0) * slope, -kExponentCap,
                                kExponentCap);
    mu = std::exp(e);
  }
  result = mu / 1000.0;
  dresult = slope / 1000.0;
  if (result < kViscosityFloor) {
    result = kViscosityFloor;
    dresult = 0.0;
  }
}

double TRKINV(double t, double p, std::span<const double> x, std::int32_t& ierr) {
  ierr = 0;
  // The store, with inspection property 1 read afresh.
  storeLoad(kInspectionStore, ierr);
  if (ierr != 0) return 0.0;
  storeForget(kInspectionStore, 1);
  StoreEntry entry;
  storeComponentValues(kInspectionStore, 1, entry, ierr);
  if (ierr != 0) return 0.0;
  const std::int32_t n = transport::liquidCount();
  const auto nc = static_cast<std::size_t>(n);
  const std::span<double> a = transport::scratch(Scratch::Work1, nc);
  const std::span<double> b = transport::scratch(Scratch::Work2, nc);
  for (std::int32_t i = 1; i <= n; ++i) {
    a[static_cast<std::size_t>(i - 1)] = CORSTO.real(entry.values1 + i);
    b[static_cast<std::size_t>(i - 1)] = CORSTO.real(entry.values2 + i);
  }
  double nu = 0.0;
  if (blendKinematicViscosity(entry.method, entry.basis, t, x, a, b, n, entry.r1, entry.r2, nu) !=
      0) {
    ierr = kTransportFailed;
    return 0.0;
  }
  double rho = 0.0;
  pure::DNLIQ(n, t, p, x, rho, ierr);
  double m = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    m += x[static_cast<std::size_t>(i - 1)] * constant(ComponentReal::MolecularWeight, i);
  }
  return nu * kKinematicScale * rho * m;
}

double TBSRCH(std::span<const double> xtab, std::span<const double> ytab, double x,
              std::int32_t order, std::int32_t& n) {
  const bool descending = n < 0;
  if (descending) n = -n;
  if (n < 2) return ytab[0];
  order = std::clamp(order, 1, n - 1);
  std::int32_t k = n == 2 ? 2 : order + 1;
  for (; k < n; ++k) {
    const double xk = xtab[static_cast<std::size_t>(k - 1)];
    if (descending ? xk < x : xk > x) break;
  }
  const std::int32_t first = k - order;
  for (std::int32_t j = first; j <= k; ++j) {
    if (services::RELCMP(x, xtab[static_cast<std::size_t>(j - 1)]) == 0) {
      return ytab[static_cast<std::size_t>(j - 1)];
    }
  }
  double y = 0.0;
  for (std::int32_t j = first; j <= k; ++j) {
    double term = ytab[static_cast<std::size_t>(j - 1)];
    for (std::int32_t l = first; l <= k; ++l) {
      if (l == j) continue;
      term *= (x - xtab[static_cast<std::size_t>(l - 1)]) /
              (xtab[static_cast<std::size_t>(j - 1)] - xtab[static_cast<std::size_t>(l - 1)]);
    }
    y += term;
  }
  return y;
}

void TRTABV(double phi, double inv, double& f, std::int32_t option, std::int32_t& flag,
            std::int32_t& ierr) {
  if (inv < services::RMISS) inv = kDefaultInversion;
  if (phi > inv) {
    f = 1.0;
    flag = 1;
  } else if (option >= 0 && option <= 2) {
    std::int32_t n = static_cast<std::int32_t>(kEmulsionPoints);
    f = TBSRCH(kEmulsionFractions, kEmulsionFactors[static_cast<std::size_t>(option)], phi, 1, n);
  }
  if (f <= 0.0) ierr = kTransportFailed;
}

void TRTABW(std::int32_t np, std::span<const double> xtab, std::span<const double> ytab, double phi,
            double inv, double& f, std::int32_t& flag, std::int32_t& ierr) {
  if (inv < services::RMISS) inv = kDefaultInversion;
  if (phi > inv) {
    f = 1.0;
    flag = 1;
  } else {
    std::int32_t n = np;
    f = TBSRCH(xtab, ytab, phi, 1, n);
  }
  if (f <= 0.0) ierr = kTransportFailed;
}

void PMDISP(double t, double p, std::span<const double> xhc, std::span<const double> xl, double& f,
            std::int32_t& flag, double& result, std::int32_t method, std::int32_t iwat,
            std::int32_t& ierr) {
  result = 0.0;
  ierr = 0;
  switch (method) {
    case 1:
    case 150:
    case 151:
    case 152:
      result = library(t, p, xhc);
      break;
    case 2:
    case 147:
    case 148:
    case 149:
      result = TRLIQV(t, p, xhc, ierr);
      break;
    case 3:
    case 4:
      result = TRPETM(t, p, xhc, method - 2, ierr);
      break;
    case 5: {
      double slope = 0.0;
      TRWATV(t, result, slope);
      break;
    }
    case 6:
    case 7: {
      std::int32_t status = 0;
      TRCSMN(xhc, t, p, static_cast<std::int32_t>(CsPhase::Liquid),
             static_cast<std::int32_t>(CsProperty::Viscosity), status, transport::liquidCount(),
             result);
      ierr = status == kCsNotConverged || status == 1 ? kTransportFailed : 0;
      break;
    }
    case 8:
      result = TRKINV(t, p, xhc, ierr);
      break;
    case 124:
      result = densityBased(t, p, xhc, ierr);
      break;
    default:
      if (method >= kFirstUserTransport && method <= kLastUserTransport) {
        TRUSER(method, kUserSlot, 2, 2, transport::liquidCount(), xhc, t, p, result);
      } else {
        ierr = kMethodNotAvailable;
      }
      return;
  }
  if (isEmulsion(method)) {
    std::int32_t status = 0;
    emulsion(method, xl, iwat, f, flag, status);
    if (status != 0) ierr = status;
  }
}

}  // namespace phase
