// SVAPDR and SLIQDR: the molar entropy of a vapour or a liquid, the ideal part from the
// integrated ideal-gas heat capacities, the ideal mixing term, the departure of the method of
// the current set for the non-water part and water from the water properties; LNFGMT, the
// departure of the correlation family.
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/driver_kernels.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {
namespace {

using namespace drivers;

constexpr double kR = kGasConstant;
constexpr std::int32_t kFullOption = 3;
constexpr std::int32_t kVapourEntropyType = 216;
constexpr std::int32_t kVaporisationType = 903;
// Component types of the ideal-liquid runs, in the order the components are sorted.
constexpr std::int32_t kRunTypes[3] = {3, 7, 6};
constexpr std::string_view kVapourName = "SVAPDR";
constexpr std::string_view kLiquidName = "SLIQDR";

// Scratch slots (after those of the enthalpy drivers).
constexpr std::size_t kY = 20, kIdeal = 21, kIdealSlope = 22, kSecond = 23, kSecondSlope = 24;

struct Side {
  std::int32_t phase;
  std::int32_t userSlot;
  std::int32_t composition;
  std::string_view routine;
  std::size_t timingSlot;
};
constexpr Side kVapour{1, 11, kVapourComposition, kVapourName, kTimingSlotSVAPDR};
constexpr Side kLiquid{2, 10, kLiquidComposition, kLiquidName, kTimingSlotSLIQDR};

bool isUser(std::int32_t code) {
  return code >= methods::kFirstUserMethod && code <= methods::kLastUserMethod;
}

// The ideal mixing term per mole, sum (X_i/S) ln(X_i/S) over the components with X_i > 0.
double mixing(std::span<const double> x, double total) {
  double m = 0.0;
  for (double v : x) {
    if (v > 0.0) {
      const double f = v / total;
      m += f * std::log(f);
    }
  }
  return m;
}

// The phase has no entropy (a correlation set the evaluation needs is missing, or the method
// gave no usable departure): S and DSDT are missing and the driver reports failure, so that a
// data request answers the missing value instead of stopping or using a wrong one.
std::int32_t missingValue(double& s, double& dsdt, std::int32_t& status) {
  s = dsdt = services::DMISS;
  status = 1;
  return 1;
}

bool hasSet(std::int32_t type) { return pure::hasCorrelationSet(type, methods::MTSETN(type)); }

std::int32_t driver(const Side& side, std::int32_t n, double t, double p, std::span<const double> x,
                    double& s, double& dsdt, double& z, std::span<const std::int32_t> types,
                    std::int32_t& status) {
  const DriverTimer timer(side.timingSlot);
  const bool vapour = side.phase == 1;
  const auto nc = static_cast<std::size_t>(n > 0 ? n : 0);
  const std::span<const double> xs = x.first(nc);
  const methods::MethodEntry& entry =
      vapour ? methods::PMCTL1.vapourEntropy : methods::PMCTL1.liquidEntropy;
  const std::int32_t code = entry.code;

  // 1-4. Block, normalisation, the vapour without amount.
  if (!isUser(code) && services::LMCODA(code) == 0) {
    if (vapour) {
      pure::MDLOD4();
    } else {
      pure::MDLOD5();
    }
  }
  const std::span<double> y = reals(kY, nc);
  const std::span<std::int32_t> active = integers(kY, nc);
  const Normalised norm = normalise(xs, y, active, p);
  storeFlash(side.composition, y, side.routine);
  const double total = norm.total;
  const double f = norm.fraction;
  const std::int32_t iw = norm.water;
  const double pp = f * p;
  if (vapour && total < kPresent) {
    s = dsdt = services::DMISS;
    return 0;
  }

  // 5. User-added methods.
  if (isUser(code)) {
    std::int32_t flag = 0;
    double z2 = z, z1 = 0.0;
    UKHSDR(code, side.userSlot, static_cast<std::int32_t>(UserRequest::Entropy), side.phase, n, xs,
           xs, xs, t, p, 0, s, dsdt, 0.0, 0.0, flag, z2, z1, 0.0);
    if (flag == 1) return 0;
  }

  // 6. A liquid without non-water part.
  if (!vapour && services::RELCMP(f, 0.0) == 0) {
    s = dsdt = 0.0;
    return 0;
  }
  dsdt = 0.0;
  const double m = total > 0.0 ? mixing(xs, total) : 0.0;
  const std::span<double> si = reals(kIdeal, nc), dsi = reals(kIdealSlope, nc);
  for (std::size_t i = 0; i < nc; ++i) si[i] = dsi[i] = 0.0;
  double sw = 0.0, swT = 0.0;
  const double xw = iw > 0 ? xs[static_cast<std::size_t>(iw - 1)] : 0.0;

  // 7. The correlation evaluation.
  if (entry.option != kFullOption) {
    if (vapour) {
      if (!hasSet(kVapourEntropyType) || !hasSet(kVaporisationType)) {
        return missingValue(s, dsdt, status);
      }
      const std::span<double> v903 = reals(kSecond, nc), d903 = reals(kSecondSlope, nc);
      pure::XPCALC(kVapourEntropyType, methods::MTSETN(kVapourEntropyType), n, 0, 0, 0, t, p, si,
                   dsi);
      pure::XPCALC(kVaporisationType, methods::MTSETN(kVaporisationType), n, 0, 0, 0, t, p, v903,
                   d903);
      s = 0.0;
      // Per mole of the phase, so that the amounts may be on any scale.
      for (std::size_t i = 0; i < nc; ++i) s += xs[i] * (si[i] + v903[i] / t);
      s /= total;
      return 0;
    }
    // The ideal liquid: heat-capacity kind 2 over the leading runs of types 3, 7 and 6.
    std::int32_t first = 1;
    for (std::int32_t type : kRunTypes) {
      std::int32_t count = 0;
      for (std::size_t i = 0; i < nc && i < types.size(); ++i) count += types[i] == type ? 1 : 0;
      if (count > 0) {
        if (!pure::hasIntegratedSet(static_cast<std::int32_t>(pure::IntegratedKind::Driver))) {
          return missingValue(s, dsdt, status);
        }
        const std::int32_t last = type == kRunTypes[2] ? n : first + count - 1;
        const auto from = static_cast<std::size_t>(first - 1);
        const auto width = static_cast<std::size_t>(last - first + 1);
        pure::XPSVAP(types, static_cast<std::int32_t>(pure::IntegratedKind::Driver), first, last, 0,
                     t, p, 0, si.subspan(from, width), dsi.subspan(from, width));
      }
      first += count;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < nc; ++i) sum += xs[i] * si[i];
    if (iw > 0) {
      sum -= xw * si[static_cast<std::size_t>(iw - 1)];
      waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Entropy), 2, t, p, pp, sw, swT);
    }
    s = sum / total;
    if (f > 0.0) s -= f * kR * m;
    if (iw > 0) s += sw * xw / total;
    return 0;
  }

  // 8. The ideal part.
  if (!pure::hasIntegratedSet(static_cast<std::int32_t>(pure::IntegratedKind::IdealGas))) {
    return missingValue(s, dsdt, status);
  }
  pure::XPSVAP(types, static_cast<std::int32_t>(pure::IntegratedKind::IdealGas), 1, n, 0, t, p, 0,
               si, dsi);
  double sum = 0.0;
  for (std::size_t i = 0; i < nc; ++i) sum += xs[i] * si[i];
  if (iw > 0) {
    sum -= xw * si[static_cast<std::size_t>(iw - 1)];
    waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Entropy), side.phase, t, p, pp, sw,
                  swT);
  }
  const double ideal = sum / total;

  // 9. The departure of the non-water part.
  double d = 0.0;
  if (f > 0.0) {
    ResidualCall call;
    call.code = code;
    call.phase = side.phase;
    call.level = 2;
    call.entropy = true;
    call.nc = n;
    call.t = t;
    call.p = vapour ? pp : p;
    call.totalP = p;
    call.y = y;
    call.active = active;
    call.routine = side.routine;
    Residual r;
    if (drivers::residual(call, r)) {
      // The method gave no usable departure: the phase has no entropy.
      if (r.failed) return missingValue(s, dsdt, status);
      d = r.sr;
      if (r.hasZ) z = r.z;
    }
  }

  // 10. Combination.
  s = ideal;
  if (f > 0.0) s += kR * f * (d - m);
  if (iw > 0) s += sw * xw / total;
  return 0;
}

}  // namespace

std::int32_t SVAPDR(std::int32_t n, double t, double p, std::span<const double> x, double& s,
                    double& dsdt, double& z, std::int32_t /*opt8*/, std::int32_t& status) {
  return driver(kVapour, n, t, p, x, s, dsdt, z, {}, status);
}

std::int32_t SLIQDR(std::int32_t n, double t, double p, std::span<const double> x, double& s,
                    double& dsdt, double& z, std::int32_t /*opt8*/,
                    std::span<const std::int32_t> types, std::int32_t& status) {
  return driver(kLiquid, n, t, p, x, s, dsdt, z, types, status);
}

void LNFGMT(std::int32_t n, std::int32_t phase, double t, double pp, std::span<const double> y,
            double& d, std::span<const double> block, std::int32_t code) {
  double omega = 0.0, pr = 0.0, tr = 0.0, h = 0.0, dh = 0.0;
  std::int32_t status = 0;
  pure::MTHDSP(phase, n, code, block, y, t, pp, omega, pr, tr, h, dh, status);
  double lnphi = 0.0;
  d = 0.0;
  pure::LNFCOR(lnphi, h, d, omega, phase, pr, tr);
  d -= std::log(pp / pure::kReferencePressure);
}

}  // namespace phase
