// GAMEOS: the fugacity coefficient of each pure component as a saturated vapour, by the vapour
// fugacity method of an activity method set, for the liquid reference fugacity.
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

using fugacity_internal::heldReals;
using fugacity_internal::RouteCall;

constexpr std::string_view kName = "GAMEOS";
constexpr double kGasConstant = 8.314471;
// The derivative given to a component the cubic route skips.
constexpr double kSkippedSlope = -10.0;
constexpr std::int32_t kChemicalTheoryOption = 2;
// The flash work arrays of the routes' derivatives: 17 (the saturated-vapour slopes, used
// as scratch until the end), 24 and 25 as the vapour's.
constexpr fugacity_internal::PhaseArrays kArrays{17, 24, 25};

// Owned buffers kept between calls: a warm call allocates nothing.
struct Buffers {
  std::vector<double> y, lnphi, slope, lnphiT, lnphiTT, species, ascWork, b, bT, bTT;
  std::vector<std::int32_t> ascIntegers;
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Buffers saturatedBuffers;
const bool kSaturatedBuffersReset = services::registerKeptValues([] { saturatedBuffers = {}; });

Buffers& buffers(std::size_t n) {
  Buffers& w = saturatedBuffers;
  for (auto* v : {&w.y, &w.lnphi, &w.slope, &w.lnphiT, &w.lnphiTT}) {
    if (v->size() < n) v->resize(n);
  }
  for (auto* v : {&w.b, &w.bT, &w.bTT}) {
    if (v->empty()) v->resize(1);
  }
  return w;
}

bool densityKernelCode(std::int32_t code) { return code == 110 || (code >= 125 && code <= 128); }

// The unit vector of component i.
void pureComponent(std::span<double> y, std::size_t i) {
  for (double& v : y) v = 0.0;
  y[i] = 1.0;
}

// The equation-of-state routes (cubic codes, 110, 125 to 128) at the pure composition.
void routeAtPureComposition(std::int32_t code, std::int32_t d, double t, std::size_t n,
                            std::span<const double> psat, std::span<const std::int32_t> iflag,
                            Buffers& w, std::int32_t& status) {
  const std::span<double> y = services::sized(w.y, n);
  const std::span<double> lnphi = services::sized(w.lnphiT, n);
  for (std::size_t i = 0; i < n; ++i) {
    if (methods::MTISA(code) && i < iflag.size() && iflag[i] <= 0) {
      w.lnphi[i] = 0.0;
      w.slope[i] = kSkippedSlope;
      continue;
    }
    pureComponent(y, i);
    RouteCall call;
    call.code = code;
    call.phase = pure::kVapourPhase;
    call.level = d != 0 ? kTemperatureLevel : kValuesLevel;
    call.cacheAllowed = false;
    call.nc = static_cast<std::int32_t>(n);
    call.t = t;
    call.p = psat[i];
    call.x = y;
    call.arrays = kArrays;
    call.routine = kName;
    double z = 1.0;
    std::int32_t routeStatus = 0;
    const bool served = methods::MTISA(code)
                            ? fugacity_internal::cubicRoute(call, lnphi, z)
                            : fugacity_internal::densityKernelRoute(call, lnphi, z, routeStatus);
    if (!served) {
      status = kRefusedStatus;
      return;
    }
    w.lnphi[i] = lnphi[i];
    if (d != 0) {
      w.slope[i] = storage::CORSTO.real(
          problem::FWPART.realOffset(static_cast<std::size_t>(kArrays.lnphiT)) +
          static_cast<std::int32_t>(i + 1));
    }
  }
}

// 210: B_ii of each component alone, ln phi = B_ii Psat/(R T) with the slope through dPsat/dT.
void virialRoute(double t, std::size_t n, std::span<const double> psat,
                 std::span<const double> dpsat, Buffers& w) {
  const auto nc = static_cast<std::int32_t>(n);
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(virialblock::words(nc)), kName);
  const auto value = [&](std::int32_t word, std::size_t i) {
    return block.subspan(static_cast<std::size_t>(word - 1) + i, 1);
  };
  for (std::size_t i = 0; i < n; ++i) {
    pure::VRBIJC(value(virialblock::dipoleMoment(nc), i), value(virialblock::association(nc), i), 1,
                 value(virialblock::acentricFactor(nc), i),
                 value(virialblock::criticalPressure(nc), i),
                 value(virialblock::criticalTemperature(nc), i), t,
                 value(virialblock::criticalVolume(nc), i), services::sized(w.b, 1),
                 services::sized(w.bT, 1), services::sized(w.bTT, 1));
    const double b = w.b[0];
    const double bT = w.bT[0];
    w.lnphi[i] = b * psat[i] / (kGasConstant * t);
    w.slope[i] = ((b * dpsat[i] + bT * psat[i]) / kGasConstant - w.lnphi[i]) / t;
  }
}

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<double> haydenOConnellSecond;
const bool kHaydenOConnellSecondReset =
    services::registerKeptValues([] { haydenOConnellSecond = {}; });

// 115: Hayden-O'Connell at the pure composition, always with the temperature derivative.
void haydenOConnellRoute(double t, std::size_t n, std::span<const double> psat, Buffers& w) {
  const auto nc = static_cast<std::int32_t>(n);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(hocblock::words(nc)), kName);
  const auto column = [&](std::int32_t word) {
    return block.subspan(static_cast<std::size_t>(word - 1), n);
  };
  const pure::HocComponents data{
      column(hocblock::criticalTemperature(nc)), column(hocblock::criticalPressure(nc)),
      column(hocblock::radiusOfGyration(nc)), column(hocblock::dipoleMoment(nc))};
  const std::span<double> y = services::sized(w.y, n);
  const std::span<double> lnphi = services::sized(w.lnphiT, n);
  const std::span<double> lnphiT = services::sized(w.lnphiTT, n);
  std::vector<double>& second = haydenOConnellSecond;
  const std::span<double> lnphiTT = services::sized(second, n);
  const std::span<double> species = services::sized(w.species, pure::hocSpeciesWords(nc));
  for (std::size_t i = 0; i < n; ++i) {
    pureComponent(y, i);
    std::int32_t hocStatus = 0;
    double z0 = 0.0, z = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0;
    double cpcv = 0.0;
    pure::HOCFUG(data, block.subspan(static_cast<std::size_t>(hocblock::eta(nc) - 1), ns),
                 kTemperatureLevel, nc, static_cast<std::int32_t>(ns), psat[i], t, y, hocStatus, z0,
                 z, zT, zP, lnphi, lnphiT, lnphiTT, hr, sr, cpr, cvr, cpcv, species);
    w.lnphi[i] = lnphi[i];
    w.slope[i] = lnphiT[i];
  }
}

// 123: chemical theory at the pure composition, values only.
void chemicalTheoryRoute(double t, std::size_t n, std::span<const double> psat, Buffers& w) {
  const auto nc = static_cast<std::int32_t>(n);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(associationblock::words(nc)), kName);
  if (w.ascIntegers.size() < 2 * n) w.ascIntegers.resize(2 * n);
  const std::span<double> y = services::sized(w.y, n);
  const std::span<double> lnphi = services::sized(w.lnphiT, n);
  const std::span<double> work = services::sized(w.ascWork, pure::ascfugWorkWords(nc));
  for (std::size_t i = 0; i < n; ++i) {
    pureComponent(y, i);
    double z = 1.0, hr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0, sr = 0.0;
    pure::ASCFUG(
        t, psat[i], kChemicalTheoryOption, nc, y,
        std::span<std::int32_t>(w.ascIntegers).first(2 * n), work, lnphi, {}, z,
        block.subspan(static_cast<std::size_t>(associationblock::coefficientA(nc) - 1), ns),
        block.subspan(static_cast<std::size_t>(associationblock::coefficientB(nc) - 1), ns), hr,
        cpr, cvr, cpcv, sr, kValuesLevel);
    w.lnphi[i] = lnphi[i];
    w.slope[i] = 0.0;
  }
}

}  // namespace

void GAMEOS(std::int32_t code, std::int32_t d, double t, std::int32_t ncp,
            std::span<const double> psat, std::span<const double> dpsat,
            std::span<const std::int32_t> iflag, std::span<double> lnphis, std::span<double> dlnphs,
            std::int32_t& status) {
  status = 0;
  if (ncp < 1) return;
  const auto n = static_cast<std::size_t>(ncp);
  Buffers& w = buffers(n);
  bool slopes = true;
  if (methods::MTISA(code) || densityKernelCode(code)) {
    routeAtPureComposition(code, d, t, n, psat, iflag, w, status);
    slopes = d != 0;
  } else if (code == 210) {
    virialRoute(t, n, psat, dpsat, w);
  } else if (code == 115) {
    haydenOConnellRoute(t, n, psat, w);
  } else if (code == 123) {
    chemicalTheoryRoute(t, n, psat, w);
  } else {
    status = kRefusedStatus;
  }
  if (status == kRefusedStatus) return;
  // The results, written only now: the routes use array 17 as their scratch.
  for (std::size_t i = 0; i < n; ++i) {
    lnphis[i] = w.lnphi[i];
    if (slopes) dlnphs[i] = w.slope[i];
  }
}

}  // namespace equilibrium
