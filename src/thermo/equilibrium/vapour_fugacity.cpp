// FVCALC: ln(phi) and Z of a vapour by the vapour method of the current method set, with the
// vapour-only methods 115 (Hayden-O'Connell), 123 (chemical theory) and 210 (virial).
#include "thermo/equilibrium/vapour_fugacity.hpp"

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/pure/method_coefficient_blocks.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

using fugacity_internal::dump;
using fugacity_internal::heldReals;
using fugacity_internal::RouteCall;
using fugacity_internal::scratch;
using fugacity_internal::storeArray;

constexpr std::string_view kName = "FVCALC";
// Diagnostic switch of the fugacity dumps (level 3 and above).
constexpr int kFugacityDebugSwitch = 54;
constexpr std::int32_t kDumpLevel = 3;
constexpr std::int32_t kCubeRootAssociating = 122;
constexpr std::int32_t kVapourLiquidSlot = 1;
constexpr std::int32_t kChemicalTheoryOption = 2;

std::int32_t diagnostic(int k) { return services::GDPOPT.diagnosticSwitch(k); }

[[noreturn]] void noRoute(std::int32_t code) {
  services::ERRITM("CODE", code);
  services::ABTRPT("KC", kName, kName, "VAPOUR METHOD HAS NO FUGACITY ROUTE");
}

// 210: the virial equation with Pitzer-Curl and O'Connell-Prausnitz coefficients.
void virialRoute(const RouteCall& c, std::span<double> lnphi, double& z) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(virialblock::words(c.nc)), kName);
  const auto column = [&](std::int32_t word) {
    return block.subspan(static_cast<std::size_t>(word - 1), n);
  };
  const std::span<double> lnphiT = scratch(0, n);
  double zT = 0.0;
  pure::VRFUGC(
      column(virialblock::dipoleMoment(c.nc)), column(virialblock::association(c.nc)),
      column(virialblock::criticalTemperature(c.nc)), column(virialblock::criticalPressure(c.nc)),
      column(virialblock::criticalVolume(c.nc)), column(virialblock::acentricFactor(c.nc)), c.x,
      c.nc, c.p, c.t, lnphi, lnphiT, z, zT, scratch(1, ns), scratch(2, ns), scratch(3, ns));
  // The kernel always forms the temperature derivative.
  storeArray(kVapourLnPhiTArray, lnphiT, kName);
}

// 115: Hayden-O'Connell second virial coefficients with dimerization.
void haydenOConnellRoute(const RouteCall& c, std::span<double> lnphi, double& z,
                         std::int32_t& status) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(hocblock::words(c.nc)), kName);
  const auto column = [&](std::int32_t word) {
    return block.subspan(static_cast<std::size_t>(word - 1), n);
  };
  const pure::HocComponents data{
      column(hocblock::criticalTemperature(c.nc)), column(hocblock::criticalPressure(c.nc)),
      column(hocblock::radiusOfGyration(c.nc)), column(hocblock::dipoleMoment(c.nc))};
  const std::span<double> lnphiT = scratch(0, n);
  double z0 = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  pure::HOCFUG(data, block.subspan(static_cast<std::size_t>(hocblock::eta(c.nc) - 1), ns), c.level,
               c.nc, static_cast<std::int32_t>(ns), c.p, c.t, c.x, status, z0, z, zT, zP, lnphi,
               lnphiT, scratch(1, n), hr, sr, cpr, cvr, cpcv,
               scratch(2, pure::hocSpeciesWords(c.nc)));
  if (c.level >= kTemperatureLevel) storeArray(kVapourLnPhiTArray, lnphiT, kName);
}

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<std::int32_t> chemicalTheoryWork;
const bool kChemicalTheoryWorkReset = services::registerKeptValues([] { chemicalTheoryWork = {}; });

// 123: an ideal mixture of monomers and dimers in equilibrium, ln(phi) only.
void chemicalTheoryRoute(const RouteCall& c, std::span<double> lnphi, double& z) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<const double> block =
      heldReals(static_cast<std::size_t>(associationblock::words(c.nc)), kName);
  std::vector<std::int32_t>& iwork = chemicalTheoryWork;
  if (iwork.size() < 2 * n) iwork.resize(2 * n);
  double hr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0, sr = 0.0;
  pure::ASCFUG(
      c.t, c.p, kChemicalTheoryOption, c.nc, c.x, std::span<std::int32_t>(iwork.data(), 2 * n),
      scratch(0, pure::ascfugWorkWords(c.nc)), lnphi, {}, z,
      block.subspan(static_cast<std::size_t>(associationblock::coefficientA(c.nc) - 1), ns),
      block.subspan(static_cast<std::size_t>(associationblock::coefficientB(c.nc) - 1), ns), hr,
      cpr, cvr, cpcv, sr, kValuesLevel);
}

// The route of CODE: the vapour-only methods, the density-kernel methods, the cubic codes.
void dispatch(const RouteCall& c, std::span<double> lnphi, double& z, std::int32_t& status) {
  switch (c.code) {
    case 115:
      haydenOConnellRoute(c, lnphi, z, status);
      return;
    case 123:
      chemicalTheoryRoute(c, lnphi, z);
      return;
    case 210:
      virialRoute(c, lnphi, z);
      return;
    default:
      if (fugacity_internal::densityKernelRoute(c, lnphi, z, status)) return;
      if (fugacity_internal::cubicRoute(c, lnphi, z)) return;
      noRoute(c.code);
  }
}

}  // namespace

FugacityDerivativeFlags fugacityDerivativeFlags;
namespace {
const bool kDerivativeFlagsReset =
    services::registerKeptValues([] { fugacityDerivativeFlags = {}; });
}  // namespace

std::int32_t fugacityLevel(std::int32_t request) {
  if ((request / 100) % 10 == 1) return kCompositionLevel;
  if (request % 10 != 0) return kTemperatureLevel;
  return kValuesLevel;
}

void FVCALC(std::int32_t n, std::span<const double> y, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t request, std::int32_t /*unused*/,
            std::span<const std::int32_t> /*phaseFlags*/, std::int32_t fugacity,
            std::int32_t& status, std::int32_t& numerical) {
  // 1. Entry: counters, the phase marker of the root routine, the entry dump.
  const services::RoutineTimer timer(kTimingSlotFVCALC);
  pure::EOSDBG.request = pure::kVapourPhase;
  fugacityDerivativeFlags.IDRVV = 0;
  const auto nc = static_cast<std::size_t>(n > 0 ? n : 0);
  const std::span<const double> x = y.first(nc);
  const std::span<double> result = lnphi.first(nc);
  const bool dumps = diagnostic(kFugacityDebugSwitch) >= kDumpLevel;
  if (dumps) dump(" COMP     MOLE FRNS  IN  FVCALC", x);
  z = 1.0;
  status = 0;
  const bool fugacityMode = fugacity == 1;
  const double lnP = fugacityMode ? std::log(p) : 0.0;

  // 2-3. The level of the request and the method that serves the vapour.
  std::int32_t level = fugacityLevel(request);
  methods::KValueMethods& k = methods::KMCTL;
  const bool activity = k.liquidFugacity.code != 0;
  std::int32_t code = k.kvalue.code;
  bool ideal = false;
  if (activity) {
    pure::MDLODE(k.levelWord >= 1 ? k.levelWord : 1);
    if ((k.liquidFugacity.option / 100) % 10 == 0) {
      ideal = true;
    } else {
      pure::MDLOD7();
      code = methods::THDXCH.vapourFugacity.code;
    }
  } else {
    pure::MDLODC(kVapourLiquidSlot);
  }

  if (ideal) {
    // The ideal vapour: ln(phi) = 0 (ln P in fugacity mode), dln(phi)/dT = 0 on request.
    for (double& v : result) v = lnP;
    if (request % 10 > 0) {
      const std::span<double> zeros = scratch(0, nc);
      for (double& v : zeros) v = 0.0;
      storeArray(kVapourLnPhiTArray, zeros, kName);
    }
  } else {
    // Method 122 leaves its composition derivatives to the caller's differences.
    if (code == kCubeRootAssociating && level == kCompositionLevel) {
      if (numerical == 0) {
        numerical = 1;
        level = kTemperatureLevel;
      } else {
        level = kValuesLevel;
      }
    }
    RouteCall call;
    call.code = code;
    call.phase = pure::kVapourPhase;
    call.level = level;
    call.cacheAllowed = !activity;
    call.nc = n;
    call.t = t;
    call.p = p;
    call.x = x;
    call.arrays = fugacity_internal::kVapourArrays;
    call.routine = kName;
    dispatch(call, result, z, status);
    // 6. Fugacity mode: ln f = ln(phi) + ln P.
    if (fugacityMode) {
      for (double& v : result) v += lnP;
    }
  }

  // 7. Exit dump.
  if (dumps) dump(" COMP     LN(FV) LEAVING FVCALC", result);
}

}  // namespace equilibrium
