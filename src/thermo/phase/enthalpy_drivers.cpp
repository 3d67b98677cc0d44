// HVAPDR and HLIQDR: the molar enthalpy and heat capacity of a vapour or a liquid, the
// ideal-gas part from the pure-component ideal-gas enthalpies, the residual of the method of
// the current set for the non-water part, water from the water properties.
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/driver_kernels.hpp"
#include "thermo/phase/enthalpy_internal.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {
namespace {

using namespace drivers;

constexpr double kR = kGasConstant;
constexpr std::int32_t kFullOption = 3;  // option digit that skips the correlation paths
constexpr std::int32_t kNumericalCode = 122;
constexpr double kNumericalStep = 0.01;  // relative temperature step of method 122

// What differs between the vapour and the liquid.
struct Side {
  std::int32_t phase;        // 1 vapour, 2 liquid
  std::int32_t userSlot;     // property slot towards UKHSDR
  std::int32_t composition;  // flash array of the normalised composition
  std::int32_t partials;     // flash array of the partial enthalpies
  std::string_view routine;
  std::size_t timingSlot;
};
constexpr Side kVapour{1, 7, kVapourComposition, kVapourPartials, "HVAPDR", kTimingSlotHVAPDR};
constexpr Side kLiquid{2, 6, kLiquidComposition, kLiquidPartials, "HLIQDR", kTimingSlotHLIQDR};

// Scratch slots of the frame.
constexpr std::size_t kYSlot = 0, kIdealSlot = 1, kIdealCpSlot = 2, kPartialSlot = 3,
                      kResidualSlot = 4;

bool isUser(std::int32_t code) {
  return code >= methods::kFirstUserMethod && code <= methods::kLastUserMethod;
}

// The level of the residual kernels: 2, 3 with the heat capacity, 4 with the partials.
std::int32_t levelOf(std::int32_t d1, std::int32_t d2) {
  if (d2 == 2) return 4;
  return d1 == 1 ? 3 : 2;
}

struct Frame {
  const Side& side;
  std::int32_t n;
  double t, p;
  std::span<const double> x;
  std::int32_t d1, d2;
  std::int32_t code;
};

// One evaluation of the frame after the correlation paths: ideal-gas part, water, residual
// and the result. NUMERICAL 1 or 2 is the pass of method 122's difference (the kernel level
// 2 and 3), 0 otherwise. Returns T times the residual for the difference.
double evaluate(const Frame& f, std::int32_t numerical, double& h, double& cp, double& hw,
                double& cpw, double& z, std::int32_t& status, std::int32_t& noComposition,
                double& residual, double& d, double& idealH, double& idealCp, Normalised& norm) {
  const auto n = static_cast<std::size_t>(f.n);
  const std::span<double> y = reals(kYSlot, n);
  const std::span<std::int32_t> active = integers(kYSlot, n);
  const bool vapour = f.side.phase == 1;
  hw = 0.0;
  cpw = 0.0;
  norm = normalise(f.x, y, active, f.p);
  storeFlash(f.side.composition, y, f.side.routine);
  const double s = norm.total;
  const std::int32_t iw = norm.water;
  const double pp = norm.fraction * f.p;

  // Ideal-gas part over the non-water components.
  pure::XPCACH(1, f.t, f.p);
  if (pure::XPCWRD.values.size() < n || pure::XPCWRD.derivatives.size() < n) {
    services::ERRITM("NEEDED", f.n);
    services::ERRITM("HAVE", static_cast<std::int32_t>(pure::XPCWRD.values.size()));
    services::ABTRPT("PH", f.side.routine, f.side.routine, "IDEAL-GAS CACHE TOO SHORT");
  }
  const std::span<const double> hig(pure::XPCWRD.values.data(), n);
  const std::span<const double> cpig(pure::XPCWRD.derivatives.data(), n);
  const std::span<double> ideal = reals(kIdealSlot, n);
  double h0 = 0.0, cp0 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    ideal[i] = hig[i];
    if (static_cast<std::int32_t>(i) + 1 == iw) continue;
    if (!vapour && !(f.x[i] > 0.0)) continue;
    h0 += f.x[i] * hig[i];
    cp0 += f.x[i] * cpig[i];
  }
  const double xw = iw > 0 ? f.x[static_cast<std::size_t>(iw - 1)] : 0.0;
  if (iw > 0 && (!vapour || xw > kPresent)) {
    waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Enthalpy), f.side.phase, f.t, f.p,
                  pp, hw, cpw);
    cp0 += xw * cpw;
    if (f.d2 > 0) ideal[static_cast<std::size_t>(iw - 1)] = hw;
  }
  if (s > 0.0) {
    h0 /= s;
    cp0 /= s;
  } else {
    h0 = cp0 = 0.0;
    if (!vapour) status = kEnthalpyNoAmount;
  }
  idealH = h0;
  idealCp = cp0;

  // Residual of the non-water part.
  residual = 0.0;
  d = 0.0;
  bool partials = false;
  bool failed = false;
  if (norm.fraction > 0.0) {
    std::int32_t level = levelOf(f.d1, f.d2);
    if (f.code == kNumericalCode && level == 4) {
      level = 3;
      if (noComposition == 0) noComposition = 1;
    }
    if (numerical > 0) level = numerical == 1 ? 2 : 3;
    ResidualCall call;
    call.code = f.code;
    call.phase = f.side.phase;
    call.level = level;
    call.nc = f.n;
    call.t = f.t;
    call.p = vapour ? pp : f.p;
    call.totalP = f.p;
    call.y = y;
    call.active = active;
    call.routine = f.side.routine;
    Residual r;
    if (drivers::residual(call, r)) {
      failed = r.failed;
      if (!failed) {
        residual = r.hr;
        d = r.d;
        if (r.hasZ) z = r.z;
        partials = r.partials;
      }
    }
  }

  // Result.
  h = residual * kR * f.t * norm.fraction + h0;
  if (iw > 0) {
    if (s > 0.0) {
      h += hw * xw / s;
    } else if (!vapour) {
      h = 0.0;
    }
  }
  cp = d * kR * norm.fraction + cp0;
  if (failed) {
    // The method gave no usable residual: the phase has no enthalpy.
    status = kEnthalpyNoResidual;
    h = cp = services::DMISS;
  }

  // Partial enthalpies.
  if (noComposition == 0 && f.d2 > 0) {
    const std::span<double> out = reals(kPartialSlot, n);
    const std::span<const double> r50 =
        f.d2 == 2 && partials ? loadFlash(kPartialResiduals, n, kResidualSlot, f.side.routine)
                              : std::span<const double>();
    for (std::size_t i = 0; i < n; ++i) {
      if (static_cast<std::int32_t>(i) + 1 == iw) {
        out[i] = ideal[i];
        if (!vapour && f.d2 == 1) out[i] -= residual * kR * f.t;
        continue;
      }
      // The kernels give n d(hr)/dn_i in array 50; the partial residual is d(n hr)/dn_i =
      // hr + n d(hr)/dn_i. A kernel without composition derivatives gives every component
      // the mean residual, so that the partials still sum to H.
      if (f.d2 == 2) {
        out[i] = ideal[i] + kR * f.t * (residual + (r50.empty() ? 0.0 : r50[i]));
      } else {
        out[i] = ideal[i];
      }
    }
    storeFlash(f.side.partials, out, f.side.routine);
  }
  return f.t * residual;
}

std::int32_t driver(const Side& side, std::int32_t n, double t, double p, std::span<const double> x,
                    double& h, double& cp, double& hw, double& cpw, double& z, std::int32_t option,
                    std::int32_t& status, std::int32_t& noComposition, double& residual) {
  const DriverTimer timer(side.timingSlot);
  status = kEnthalpyOk;
  const auto nc = static_cast<std::size_t>(n > 0 ? n : 0);
  const std::span<const double> xs = x.first(nc);
  const std::int32_t d1 = option % 10;
  const std::int32_t d2 = (option / 10) % 10;
  const methods::MethodEntry& entry =
      side.phase == 1 ? methods::PMCTL3.vapourEnthalpy : methods::PMCTL2.liquidEnthalpy;
  const std::int32_t code = entry.code;

  // Block.
  if (!isUser(code) && services::LMCODA(code) == 0) {
    if (side.phase == 1) {
      pure::MDLOD1();
    } else {
      pure::MDLOD2();
    }
  }

  // Normalisation without water.
  const std::span<double> y = reals(kYSlot, nc);
  const Normalised norm = normalise(xs, y, integers(kYSlot, nc), p);
  storeFlash(side.composition, y, side.routine);

  // User-added methods.
  if (isUser(code)) {
    std::int32_t flag = 0;
    double z2 = z, z1 = 0.0;
    hw = cpw = 0.0;
    UKHSDR(code, side.userSlot, static_cast<std::int32_t>(UserRequest::Enthalpy), side.phase, n, xs,
           xs, xs, t, p, d1, h, cp, 0.0, 0.0, flag, z2, z1, 0.0);
    if (side.phase == 2 && norm.water > 0) {
      waterProperty(static_cast<std::int32_t>(pure::WaterProperty::Enthalpy), 2, t, p,
                    norm.fraction * p, hw, cpw);
    }
    return 0;
  }

  // Library correlations and the correlation enthalpy method.
  if (entry.option != kFullOption) {
    if (code == 1 || code == 5 || (side.phase == 2 && code == 511)) {
      if (side.phase == 1) {
        vapourCorrelation(n, t, p, xs, d1, d2, code, h, cp);
      } else {
        liquidCorrelation(n, t, p, xs, integers(kYSlot, nc), d1, code, h, cp, hw, cpw, z, status,
                          noComposition);
      }
      return 0;
    }
    if (code == 202) {
      HIDSET(side.phase, d1, d2, xs, n, y, t, p, h, cp, hw, cpw, kHidsetFamily);
      return 0;
    }
  }

  // Ideal-gas part, water and residual; method 122 with the heat capacity takes the
  // difference of T residual over a step of 1 % (forward for the vapour, backward for the
  // liquid).
  const Frame frame{side, n, t, p, xs, d1, d2, code};
  double d = 0.0, idealH = 0.0, idealCp = 0.0;
  Normalised frameNorm;
  if (code == kNumericalCode && d1 == 1) {
    const double step = kNumericalStep * t;
    const double sign = side.phase == 1 ? 1.0 : -1.0;
    Frame shifted = frame;
    shifted.t = t + sign * step;
    const double kept = evaluate(shifted, 1, h, cp, hw, cpw, z, status, noComposition, residual, d,
                                 idealH, idealCp, frameNorm);
    const double here = evaluate(frame, 2, h, cp, hw, cpw, z, status, noComposition, residual, d,
                                 idealH, idealCp, frameNorm);
    d = sign * (kept - here) / step;
    cp = d * kR * frameNorm.fraction + idealCp;
  } else {
    evaluate(frame, 0, h, cp, hw, cpw, z, status, noComposition, residual, d, idealH, idealCp,
             frameNorm);
  }
  return 0;
}

}  // namespace

std::int32_t HVAPDR(std::int32_t n, double t, double p, std::span<const double> x, double& h,
                    double& cp, double& hw, double& cpw, double& z, std::int32_t option,
                    std::int32_t& status, std::int32_t& noComposition, double& residual) {
  return driver(kVapour, n, t, p, x, h, cp, hw, cpw, z, option, status, noComposition, residual);
}

std::int32_t HLIQDR(std::int32_t n, double t, double p, std::span<const double> x, double& h,
                    double& cp, double& hw, double& cpw, double& z, std::int32_t option,
                    std::int32_t& status, std::int32_t& noComposition, double& residual) {
  return driver(kLiquid, n, t, p, x, h, cp, hw, cpw, z, option, status, noComposition, residual);
}

}  // namespace phase
