// The water split of a phase composition (WTSPLT, WTSPL2), the temperature fits of liquid
// water and steam, and PHTRNS: one transport property of a phase as the blend of its
// hydrocarbon part (the method of the current set) and its water part (the fits).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"

namespace phase {
namespace {

using transport::ComponentReal;
using transport::constant;

// Water-fraction thresholds of the split.
constexpr double kNoWater = 1e-10;
constexpr double kAllWater = 0.9999995;
// A hydrocarbon part below this share of the total counts as none.
constexpr double kNoHydrocarbon = 1e-6;
constexpr double kCubeRoot = 0.3333333;  // the single-precision exponent of the blends

// Range of the fits, K.
constexpr double kFitLow = 223.2;
constexpr double kLiquidHigh = 621.4;
constexpr double kSteamHigh = 1273.0;
constexpr double kCelsiusZero = 273.15;

constexpr std::size_t kTimingSlotPHTRNS = 36;
constexpr int kClockSwitch = 29;

bool isEmulsion(std::int32_t method) { return method >= 147 && method <= 152; }
bool isSample(std::int32_t method) { return method >= 770 && method <= 774; }

double celsius(double t, double high) { return std::clamp(t, kFitLow, high) - kCelsiusZero; }

// The water fit of property KPROP at T; false for a code not among the five.
bool waterFit(std::int32_t kprop, double t, double& value) {
  switch (static_cast<TransportProperty>(kprop)) {
    case TransportProperty::VapourConductivity:
      value = TRPOL4(t);
      return true;
    case TransportProperty::VapourViscosity:
      value = TRPOL3(t);
      return true;
    case TransportProperty::LiquidConductivity:
      value = TRPOL2(t);
      return true;
    case TransportProperty::LiquidViscosity:
      value = TREXP1(t);
      return true;
    case TransportProperty::SurfaceTension:
      value = TRPOL1(t);
      return true;
  }
  return false;
}

// Sum of x M over N components of a composition.
double molarMass(std::span<const double> x, std::int32_t n) {
  double m = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    m += x[static_cast<std::size_t>(i - 1)] * constant(ComponentReal::MolecularWeight, i);
  }
  return m;
}

// The liquid viscosity of the hydrocarbon part with the emulsion preparation of methods
// 147-152 around PMDISP.
void liquidViscosity(std::int32_t isplit, std::int32_t& iwat, std::int32_t method, double t,
                     double p, PhaseAmounts& ph, double& f, std::int32_t& flag, double& vhc,
                     std::int32_t& ierr) {
  f = 0.0;
  flag = 0;
  if (!isEmulsion(method)) {
    PMDISP(t, p, ph.xlhc, ph.xl, f, flag, vhc, method, iwat, ierr);
    return;
  }
  const std::int32_t n = transport::liquidCount();
  const auto at = [](std::int32_t i) { return static_cast<std::size_t>(i - 1); };
  const auto othersSum = [&](std::int32_t water) {
    double s = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
      if (i != water) s += ph.xl[at(i)];
    }
    return s;
  };
  const bool scaled = (isplit == static_cast<std::int32_t>(WaterSplit::Mixed) ||
                       isplit == static_cast<std::int32_t>(WaterSplit::BelowThreshold)) &&
                      iwat >= 1 && iwat <= n && ph.liquid > 0.0;
  if (scaled) {
    // The liquid with its free water: the phase fractions scaled by the liquid amount, the
    // rest water.
    for (std::int32_t i = 1; i <= n; ++i) ph.xl[at(i)] *= ph.liquid;
    ph.xl[at(iwat)] = 1.0 - othersSum(iwat);
    PMDISP(t, p, ph.xlhc, ph.xl, f, flag, vhc, method, iwat, ierr);
    for (std::int32_t i = 1; i <= n; ++i) ph.xl[at(i)] /= ph.liquid;
    ph.xl[at(iwat)] = 1.0 - othersSum(iwat);
    return;
  }
  if (isplit != static_cast<std::int32_t>(WaterSplit::NoWaterComponent)) {
    PMDISP(t, p, ph.xlhc, ph.xl, f, flag, vhc, method, iwat, ierr);
    return;
  }
  // No water component in the set: the component with water's library number serves.
  std::int32_t water = 0;
  for (std::int32_t i = 1; i <= n && water == 0; ++i) {
    if (transport::libraryNumber(i) == transport::kWaterLibraryNumber) water = i;
  }
  const double s = othersSum(water);
  if (s > 0.0) {
    for (std::int32_t i = 1; i <= n; ++i) ph.xlhc[at(i)] /= s;
    if (water > 0) ph.xlhc[at(water)] = 0.0;
    iwat = water;
    PMDISP(t, p, ph.xlhc, ph.xl, f, flag, vhc, method, iwat, ierr);
  } else {
    vhc = 0.0;
    f = 1.0;
    flag = 1;
  }
  iwat = 0;
  std::copy_n(ph.xl.begin(), n, ph.xlhc.begin());
}

}  // namespace

double TRPOL1(double t) {
  const double c = celsius(t, kLiquidHigh);
  return ((7.93e-10 * c - 5.512e-7) * c - 1.0699e-4) * c + 0.074705;
}

double TREXP1(double t) {
  const double tk = std::clamp(t, kFitLow, kLiquidHigh);
  return 0.001 * std::exp(568.699 / (tk - 140.174) - 3.7123 - 1.34715e-5 * tk);
}

double TRPOL2(double t) {
  const double c = celsius(t, kLiquidHigh);
  return ((1.25821e-10 * c - 5.90946e-6) * c + 0.00164802) * c + 0.573048;
}

double TRPOL3(double t) {
  const double c = celsius(t, kSteamHigh);
  return 0.001 * (((-7.20556e-12 * c + 7.19729e-9) * c + 3.93433e-5) * c + 0.00811504);
}

double TRPOL4(double t) {
  const double c = celsius(t, kSteamHigh);
  return ((-4.96624e-11 * c + 1.11563e-7) * c + 5.49592e-5) * c + 0.0182136;
}

void WTSPLT(std::int32_t iwat, std::int32_t nrmopt, std::span<const double> x, double flow,
            std::span<double> xhc, double& hcflow, double& wflow, std::int32_t& isplit,
            std::int32_t n) {
  const auto nc = static_cast<std::size_t>(std::max(n, 0));
  double s = 1.0;
  if (nrmopt != 0) {
    s = 0.0;
    for (std::size_t i = 0; i < nc; ++i) s += x[i];
  }
  if (s <= 0.0) {
    hcflow = wflow = 0.0;
    isplit = static_cast<std::int32_t>(WaterSplit::NoFlow);
    std::fill_n(xhc.begin(), nc, 0.0);
    return;
  }
  if (iwat < 1 || iwat > n) {
    isplit = static_cast<std::int32_t>(WaterSplit::NoWaterComponent);
    hcflow = flow;
    wflow = 0.0;
    for (std::size_t i = 0; i < nc; ++i) xhc[i] = x[i] / s;
    return;
  }
  const double w = x[static_cast<std::size_t>(iwat - 1)] / s;
  double f = 0.0;
  if (w < kNoWater) {
    isplit = static_cast<std::int32_t>(WaterSplit::BelowThreshold);
    f = 1.0 / s;
    hcflow = flow;
    wflow = 0.0;
  } else if (w <= kAllWater) {
    isplit = static_cast<std::int32_t>(WaterSplit::Mixed);
    f = 1.0 / (s * (1.0 - w));
    hcflow = (1.0 - w) * flow;
    wflow = w * flow;
  } else {
    isplit = static_cast<std::int32_t>(WaterSplit::AllWater);
    hcflow = 0.0;
    wflow = flow;
  }
  for (std::size_t i = 0; i < nc; ++i) xhc[i] = f * x[i];
  xhc[static_cast<std::size_t>(iwat - 1)] = 0.0;
}

void WTSPL2(std::int32_t iwat, std::int32_t nrmopt, std::span<const double> x, double flow,
            double fwat, std::span<double> xhc, double& hcflow, double& wflow, std::int32_t& isplit,
            std::int32_t n) {
  WTSPLT(iwat, nrmopt, x, flow, xhc, hcflow, wflow, isplit, n);
  if (iwat < 1 || fwat <= 0.0) return;
  wflow += fwat;
  if (isplit == static_cast<std::int32_t>(WaterSplit::NoFlow)) {
    isplit = static_cast<std::int32_t>(WaterSplit::AllWater);
    return;
  }
  if (isplit == static_cast<std::int32_t>(WaterSplit::AllWater)) return;
  const double total = wflow + hcflow;
  if (kAllWater * total < wflow) {
    wflow = total;
    hcflow = 0.0;
    std::fill_n(xhc.begin(), std::max(n, 0), 0.0);
    isplit = static_cast<std::int32_t>(WaterSplit::AllWater);
  } else if (wflow < kNoWater * hcflow) {
    wflow = 0.0;
    isplit = static_cast<std::int32_t>(WaterSplit::BelowThreshold);
  } else {
    isplit = static_cast<std::int32_t>(WaterSplit::Mixed);
  }
}

void PHTRNS(std::int32_t kprop, std::int32_t isplit, std::int32_t& iwat, std::int32_t method,
            double t, double p, PhaseAmounts& ph, TransportParts& parts, std::int32_t& ierr) {
  // 1. Timing, status, the hydrocarbon amount and partial pressure.
  const bool counting = services::GDPOPT.diagnosticSwitch(services::kTimingSwitch) > 0;
  const bool clocked = services::GDPOPT.diagnosticSwitch(kClockSwitch) > 0;
  if (counting) services::TIMST2.calls(kTimingSlotPHTRNS) += 1;
  double start = 0.0;
  if (clocked) services::CLKSEC(start);
  const auto finish = [&] {
    if (clocked) services::TIMACC(start, services::TIMST2.seconds(kTimingSlotPHTRNS));
  };
  ierr = 0;
  const double hc = ph.total - ph.water;
  const double php = ph.total > 0.0 ? p * hc / ph.total : p;
  parts.hydrocarbon = 0.0;

  // 2. The per-component sample route takes the phase as it is.
  if (isSample(method)) {
    TRCMPR(kprop, iwat, transport::vapourCount(), method, t, p, ph, parts, ierr);
    finish();
    return;
  }

  // 3. The hydrocarbon part.
  const auto prop = static_cast<TransportProperty>(kprop);
  double f = 0.0;
  std::int32_t flag = 0;
  const bool emulsion = prop == TransportProperty::LiquidViscosity && isEmulsion(method);
  const bool known =
      kprop == 1121 || kprop == 1122 || kprop == 1221 || kprop == 1222 || kprop == 1223;
  if (!known) {
    parts = {};
    ierr = kTransportFailed;
    finish();
    return;
  }
  if (isplit > static_cast<std::int32_t>(WaterSplit::AllWater) && hc > kNoHydrocarbon * ph.total) {
    double& vhc = parts.hydrocarbon;
    switch (prop) {
      case TransportProperty::VapourConductivity:
        TRCNDV(t, php, ph.xvhc, vhc, method, ierr);
        break;
      case TransportProperty::VapourViscosity:
        TRVISV(t, php, ph.xvhc, vhc, method, ierr);
        break;
      case TransportProperty::LiquidConductivity:
        TRCNDL(t, p, ph.xlhc, vhc, method, ierr);
        break;
      case TransportProperty::SurfaceTension:
        TRSURF(t, p, ph.xlhc, ph.xvhc, vhc, method, ierr);
        break;
      case TransportProperty::LiquidViscosity:
        liquidViscosity(isplit, iwat, method, t, p, ph, f, flag, vhc, ierr);
        break;
    }
  }

  // 4. and 5. A method not available, or no flow.
  if (ierr == kMethodNotAvailable || isplit < static_cast<std::int32_t>(WaterSplit::AllWater)) {
    parts = {};
    finish();
    return;
  }

  // 6. No water part.
  if (isplit == static_cast<std::int32_t>(WaterSplit::BelowThreshold) ||
      isplit == static_cast<std::int32_t>(WaterSplit::NoWaterComponent)) {
    if (emulsion && isplit == static_cast<std::int32_t>(WaterSplit::NoWaterComponent)) {
      parts.mixture = flag == 0 ? f * parts.hydrocarbon : TREXP1(t);
    } else {
      parts.mixture = parts.hydrocarbon;
      parts.water = 0.0;
    }
    finish();
    return;
  }

  // 7. Water, alone or blended.
  waterFit(kprop, t, parts.water);
  const double vhc = parts.hydrocarbon;
  const double vw = parts.water;
  if (isplit == static_cast<std::int32_t>(WaterSplit::AllWater) || vhc <= 0.0) {
    parts.mixture = vw;
    finish();
    return;
  }
  const double h = hc;
  const double w = ph.water;
  const bool vapour =
      prop == TransportProperty::VapourConductivity || prop == TransportProperty::VapourViscosity;
  const double mh = vapour ? molarMass(ph.xvhc, transport::vapourCount())
                           : molarMass(ph.xlhc, transport::liquidCount());
  const double mw = constant(ComponentReal::MolecularWeight, iwat);
  switch (prop) {
    case TransportProperty::VapourConductivity: {
      const double ah = h * std::pow(mh, kCubeRoot);
      const double aw = w * std::pow(mw, kCubeRoot);
      parts.mixture = (ah * vhc + aw * vw) / (ah + aw);
      break;
    }
    case TransportProperty::VapourViscosity: {
      const double ah = h * std::sqrt(mh);
      const double aw = w * std::sqrt(mw);
      parts.mixture = (ah * vhc + aw * vw) / (ah + aw);
      break;
    }
    case TransportProperty::LiquidConductivity: {
      const double massH = h * mh;
      const double massW = w * mw;
      parts.mixture = std::sqrt((massH + massW) / (massH / (vhc * vhc) + massW / (vw * vw)));
      break;
    }
    case TransportProperty::SurfaceTension:
      parts.mixture = (h * vhc + w * vw) / ph.total;
      break;
    case TransportProperty::LiquidViscosity:
      if (emulsion) {
        parts.mixture = flag == 0 ? f * vhc : TREXP1(t);
      } else {
        const double mean = (h * std::pow(vhc, kCubeRoot) + w * std::pow(vw, kCubeRoot)) / ph.total;
        parts.mixture = mean * mean * mean;
      }
      break;
  }
  finish();
}

}  // namespace phase
