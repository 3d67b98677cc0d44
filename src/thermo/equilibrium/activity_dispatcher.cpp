// ACCALC: ln(f/x) of a liquid by an activity model with the pure-liquid reference terms;
// the model table, the cache rule of the models and the Poynting term.
#include "thermo/equilibrium/activity_dispatcher.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/method_coefficient_blocks.hpp"
#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/correlations.hpp"

namespace equilibrium {
namespace {

constexpr std::string_view kName = "ACCALC";
constexpr double kGasConstant = 8.314471;
constexpr std::int32_t kDensityCorrelation = 1231;
constexpr std::int32_t kVirialCode = 210;
constexpr std::int32_t kFreeVolumeVariant = 4;
// 273.15 as the single-precision value the dump subtracts.
constexpr double kCelsiusOffset = 273.1499938964844;
constexpr double kPsiaPerKpa = 14.696 / 101.325;

std::int32_t digit(std::int32_t word, std::int32_t place) {
  for (std::int32_t k = 0; k < place; ++k) word /= 10;
  return word % 10;
}

void requireLength(std::size_t have, std::size_t need, std::int32_t array) {
  requireActivityArray(kName, have, need, array);
}

// Word K of the current set's header; 0 when no set block is in core.
std::int32_t headerWord(std::int32_t k) {
  const std::int32_t header = methods::MSPTRS.integerSectors(1);
  return header > 0 ? storage::CORSTO[header + k] : 0;
}

// Element i (1-based) of flash work array ARRAY.
double workArray(std::int32_t array, std::int32_t i) {
  return storage::CORSTO.real(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + i);
}

// Component constant of component i in real sector SECTOR; RMISS when the sector is not in
// core.
double constant(std::int32_t sector, std::int32_t i) {
  const std::int32_t start = problem::COPTRS.realSector(sector);
  return start == services::NOCORE ? services::RMISS : storage::CORSTO.real(start + i);
}

bool missing(double v) { return v <= services::RMISS; }

// Owned scratch kept between calls: a warm call allocates nothing.
struct Scratch {
  std::vector<double> psat, dpsat, mass, density;
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Scratch dispatcherScratch;
const bool kDispatcherScratchReset = services::registerKeptValues([] { dispatcherScratch = {}; });

Scratch& scratch(std::size_t n) {
  Scratch& s = dispatcherScratch;
  for (auto* v : {&s.psat, &s.dpsat, &s.mass, &s.density}) {
    if (v->size() < n) v->resize(n);
  }
  return s;
}

// ---------------------------------------------------------------------------------------
// Models whose routines take their own argument lists
// ---------------------------------------------------------------------------------------

// NRTL: PARAM holds the five n x n blocks, ICTL is the model's descriptor, CACHE holds tau,
// G and their derivatives with the temperature stamp, WORK the four sums.
void nrtlModel(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(c.ncl);
  requireLength(c.work.size(), 4 * n, 16);
  requireLength(c.cache.size(), 4 * n * n + 1, 18);
  double gTT = 0.0;
  pure::VTNRTL(c.x, c.t, c.ncl, c.request, c.param, c.ictl, c.cache, c.work.first(4 * n), c.lngam,
               c.dlngdt, c.dlngdx, c.gert, c.hert2, gTT);
}

// Group contribution: PARAM holds the groups' parameters with room for psi, ICTL the
// descriptor; the free-volume variant reads the molar masses and standard liquid densities.
void groupModel(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(c.ncl);
  std::span<const double> molarMass, liquidDensity;
  if (c.ictl.size() >= pure::kGroupVariantWord &&
      c.ictl[pure::kGroupVariantWord - 1] == kFreeVolumeVariant) {
    Scratch& s = scratch(n);
    for (std::size_t i = 0; i < n; ++i) {
      const auto comp = static_cast<std::int32_t>(i + 1);
      s.mass[i] =
          constant(static_cast<std::int32_t>(problem::ComponentReal::MolecularWeight), comp);
      s.density[i] =
          constant(static_cast<std::int32_t>(problem::ComponentReal::StandardLiquidDensity), comp);
    }
    molarMass = std::span<const double>(s.mass).first(n);
    liquidDensity = std::span<const double>(s.density).first(n);
  }
  double gTT = 0.0;
  pure::EOSMR5(c.x, c.t, c.ncl, c.request, c.param, c.ictl, c.integerWork, c.iaux1, c.realWork,
               c.work, c.lngam, c.dlngdt, c.diagonal, c.dlngdx, c.gert, c.hert2, gTT, c.status,
               molarMass, liquidDensity);
}

// Step 2: the model of the code. The models not in the library stop the run; their routines
// take the common interface (ActivityModelCall) when they are added.
void callModel(ActivityModelCall& c) {
  switch (activityModelOf(c.code)) {
    case ActivityModel::Nrtl:
      nrtlModel(c);
      return;
    case ActivityModel::GroupContribution:
      groupModel(c);
      return;
    case ActivityModel::RegularSolution:
    case ActivityModel::FloryHuggins:
      GAM406(c);
      return;
    case ActivityModel::Uniquac:
      VTUNIQ(c);
      return;
    case ActivityModel::Wilson:
      VTWILS(c);
      return;
    case ActivityModel::VanLaar:
      GAM410(c);
      return;
    case ActivityModel::Margules:
      GAM411(c);
      return;
    case ActivityModel::Segment:
      GAM409(c);
      return;
    case ActivityModel::None:
      break;
  }
  services::MSGPAR.integers(1) = c.code;
  services::MSGABT(kMessageActivityCode, kName);
}

// Step 6: pure-liquid molar volumes and their temperature derivatives by the set's source.
void liquidVolumes(std::int32_t ncp, double t, double p, std::span<double> v,
                   std::span<double> dv) {
  const auto n = static_cast<std::size_t>(ncp);
  const std::int32_t source = headerWord(kLiquidVolumeSourceWord);
  if (source == kVolumeFromCorrelation) {
    // Molar densities and slopes, then V = 1/rho and dV/dT = -V^2 drho/dT.
    pure::XPCALC(kDensityCorrelation, methods::MTSETN(kDensityCorrelation), ncp, 0, 1, 0, t, p,
                 v.first(n), dv.first(n));
    for (std::size_t i = 0; i < n; ++i) {
      v[i] = 1.0 / v[i];
      dv[i] = -v[i] * v[i] * dv[i];
    }
    return;
  }
  const bool rackett = source == kVolumeRackett || source == kVolumeRackettAlternate;
  for (std::size_t i = 0; i < n; ++i) {
    const auto comp = static_cast<std::int32_t>(i + 1);
    dv[i] = 0.0;
    v[i] = constant(kLiquidVolumeSector, comp);
    if (!rackett) continue;
    double zra = constant(kRackettSector, comp);
    if (missing(zra)) {
      zra = constant(static_cast<std::int32_t>(problem::ComponentReal::CriticalCompressibility),
                     comp);
    }
    const double tc =
        constant(static_cast<std::int32_t>(problem::ComponentReal::CriticalTemperature), comp);
    const double pc =
        constant(static_cast<std::int32_t>(problem::ComponentReal::CriticalPressure), comp);
    if (missing(zra) || missing(tc) || missing(pc)) continue;
    services::CMPDER(1, std::span<const double>(&pc, 1), std::span<const double>(&tc, 1), t,
                  std::span<const double>(&zra, 1), dv.subspan(i, 1), v.subspan(i, 1));
  }
}

// Step 8: the dump.
void writeDump(std::int32_t unit, double t, std::int32_t ncp, std::span<const double> lngam,
               std::span<const double> psat, std::span<const double> lnpoy,
               std::span<const double> lnphis, bool poynting, bool vapour) {
  char line[131];
  platform::writeLine(unit, "ACCALC DUMP");
  std::snprintf(line, sizeof line, "TEMP = %12.4f K%12.4f C", t, t - kCelsiusOffset);
  platform::writeLine(unit, line);
  std::snprintf(line, sizeof line, "%-10s%-10s%-15s%-15s%-10s%-10s", "LNG", "GAMMA", "PSAT(KPA)",
                "PSAT(PSIA)", "POYN CORR", "PHI(PURE)");
  platform::writeLine(unit, line);
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncp); ++i) {
    // Columns 1-49 the activity and vapour pressure, 50-59 the Poynting factor, 60-69 phi.
    int used = std::snprintf(line, sizeof line, "%10.4f%10.4f%14.5E%15.5E", lngam[i],
                             std::exp(lngam[i]), psat[i], psat[i] * kPsiaPerKpa);
    if (poynting) {
      used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%10.5f",
                            std::exp(lnpoy[i]));
    } else if (vapour) {
      used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%10s", "");
    }
    if (vapour) {
      std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%10.5f",
                    std::exp(lnphis[i]));
    }
    platform::writeLine(unit, std::string_view(line).substr(0, 90));
  }
}

}  // namespace

ActivityModel activityModelOf(std::int32_t code) {
  switch (code) {
    case 401:
    case 501:
      return ActivityModel::Nrtl;
    case 403:
      return ActivityModel::Uniquac;
    case 404:
      return ActivityModel::Wilson;
    case 405:
    case 412:
    case 413:
    case 414:
    case 415:
      return ActivityModel::GroupContribution;
    case 406:
    case 120:
      return ActivityModel::RegularSolution;
    case 407:
    case 513:
      return ActivityModel::FloryHuggins;
    case 409:
    case 514:
      return ActivityModel::Segment;
    case 410:
      return ActivityModel::VanLaar;
    case 411:
      return ActivityModel::Margules;
    default:
      return ActivityModel::None;
  }
}

bool activityModelAvailable(ActivityModel model) {
  return model == ActivityModel::Nrtl || model == ActivityModel::GroupContribution ||
         model == ActivityModel::RegularSolution || model == ActivityModel::FloryHuggins ||
         model == ActivityModel::Segment || model == ActivityModel::Uniquac ||
         model == ActivityModel::Wilson || model == ActivityModel::VanLaar ||
         model == ActivityModel::Margules;
}

bool activityCacheStale(std::int32_t mode, std::int32_t& valid, double& stamp, double t) {
  bool recompute = mode == 1 || valid == 0;
  if (!recompute && valid == 1) recompute = services::RELCMP(stamp, t) != 0;
  if (recompute && mode == 2) {
    valid = 1;
    stamp = t;
  }
  return recompute;
}

void POYNTC(std::int32_t n, double p, double t, std::span<const double> psat,
            std::span<const double> dpsat, std::span<const double> v, std::span<const double> dvdt,
            std::span<double> lnpoy, std::span<double> dlnpoy, std::int32_t d) {
  const double rt = kGasConstant * t;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n > 0 ? n : 0); ++i) {
    const double dp = p - psat[i];
    lnpoy[i] = dp * v[i] / rt;
    if (d != 0) dlnpoy[i] = (dp * dvdt[i] - v[i] * dpsat[i]) / rt - lnpoy[i] / t;
  }
}

void ACCALC(double t, double p, std::span<const double> x, std::span<double> param,
            std::span<std::int32_t> ictl, std::span<const std::int32_t> iflag, std::int32_t /*n*/,
            std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t s4, std::int32_t s5,
            std::int32_t s6, const methods::MethodEntry& kmdesc, std::int32_t ktderv,
            std::span<double> work, std::span<std::int32_t> iaux1, std::span<double> cache,
            std::span<std::int32_t> iaux2, std::span<double> flnx, std::span<double> dflnx,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> diagonal,
            std::span<double> dlngdx, std::span<double> lnpoy, std::span<double> dlnpoy,
            std::span<double> vliq, std::span<double> dvliq, std::span<double> lnphis,
            std::span<double> dlnphs, std::int32_t& istat) {
  // 1. The request, the option digits and the debug level.
  const std::int32_t d = ktderv % 10;
  const bool poynting = digit(kmdesc.option, 0) == 1;
  const bool vapourWanted = digit(kmdesc.option, 1) == 1;
  const std::int32_t debug = ictl.size() >= activityctl::kDebug ? ictl[activityctl::kDebug - 1] : 0;
  const std::int32_t ncl = std::max(problem::COHDR(problem::cohdr::kLiquidComponents), 0);
  const std::int32_t ncp =
      std::min(std::max(problem::COHDR(problem::cohdr::kVapourComponents), 0), ncl);
  const auto nl = static_cast<std::size_t>(ncl);
  const auto np = static_cast<std::size_t>(ncp);
  requireLength(x.size(), nl, 3);
  requireLength(flnx.size(), nl, 20);
  requireLength(lngam.size(), nl, 22);
  requireLength(dlngdt.size(), nl, 23);
  if (d == 1) requireLength(dflnx.size(), nl, 21);
  if (digit(ktderv, 2) != 0) requireLength(dlngdx.size(), nl * nl, 25);
  if (poynting) {
    for (const std::size_t size : {lnpoy.size(), dlnpoy.size(), vliq.size(), dvliq.size()}) {
      requireLength(size, np, 26);
    }
  }

  // 2. The activity model of the code.
  ActivityModelCall call;
  call.x = x.first(nl);
  call.t = t;
  call.p = p;
  call.ncl = ncl;
  call.request = ktderv;
  call.param = param;
  call.ictl = ictl;
  call.cache = cache;
  call.iaux2 = iaux2;
  call.realWork = s1;
  call.integerWork = s2;
  call.realStart = s5;
  call.integerStart = s6;
  call.work = work;
  call.iaux1 = iaux1;
  call.lngam = lngam.first(nl);
  call.dlngdt = dlngdt.first(nl);
  call.diagonal = diagonal;
  call.dlngdx = dlngdx;
  call.iflag = iflag;
  call.status = 0;
  call.code = kmdesc.code;
  call.waterNumber = problem::THCTL.waterComponent;
  (void)s3;
  (void)s4;
  callModel(call);
  istat = call.status;

  // 3. The mixture's excess terms for the liquid enthalpy.
  methods::PMCTL2.excessGibbs = call.gert;
  methods::PMCTL2.excessEnthalpy = call.hert2;

  // 4-5. Vapour pressures and ln(f/x) = ln Psat + ln gamma.
  Scratch& s = scratch(nl);
  const std::span<double> psat = std::span<double>(s.psat).first(np);
  const std::span<double> dpsat = std::span<double>(s.dpsat).first(np);
  TPCACH(d, t, p);
  for (std::size_t i = 0; i < np; ++i) {
    psat[i] = workArray(kVapourPressureArray, static_cast<std::int32_t>(i + 1));
    dpsat[i] =
        d != 0 ? workArray(kVapourPressureSlopeArray, static_cast<std::int32_t>(i + 1)) : 0.0;
  }
  for (std::size_t i = 0; i < nl; ++i) flnx[i] = lngam[i] + (i < np ? std::log(psat[i]) : 0.0);

  // 6. The Poynting correction.
  if (poynting) {
    liquidVolumes(ncp, t, p, vliq, dvliq);
    POYNTC(ncp, p, t, psat, dpsat, vliq, dvliq, lnpoy, dlnpoy, d);
    for (std::size_t i = 0; i < np; ++i) flnx[i] += lnpoy[i];
  }

  // 7. The fugacity coefficient of each pure saturated vapour.
  bool vapour = false;
  if (vapourWanted && headerWord(kSaturatedVapourWord) != 0) {
    requireLength(lnphis.size(), np, 30);
    requireLength(dlnphs.size(), np, 31);
    const std::int32_t code = methods::THDXCH.vapourFugacity.code;
    pure::MDLOD7();
    if (code == kVirialCode && d == 0) {
      // The virial route needs dPsat/dT.
      TPCACH(1, t, p);
      for (std::size_t i = 0; i < np; ++i) {
        dpsat[i] = workArray(kVapourPressureSlopeArray, static_cast<std::int32_t>(i + 1));
      }
    }
    GAMEOS(code, d, t, ncp, psat, dpsat, iflag, lnphis, dlnphs, istat);
    if (istat != kRefusedStatus) {
      vapour = true;
      for (std::size_t i = 0; i < np; ++i) flnx[i] += lnphis[i];
    }
  }

  // 8. The dump.
  if (debug > 0) {
    const std::int32_t unit =
        ictl.size() >= activityctl::kDumpUnit ? ictl[activityctl::kDumpUnit - 1] : -1;
    writeDump(unit, t, ncp, lngam, psat, lnpoy, lnphis, poynting, vapour);
  }

  // 9. The temperature derivatives.
  if (d == 1) {
    for (std::size_t i = 0; i < nl; ++i) {
      dflnx[i] = dlngdt[i];
      if (i >= np) continue;
      dflnx[i] += dpsat[i] / psat[i];
      if (poynting) dflnx[i] += dlnpoy[i];
      if (vapour) dflnx[i] += dlnphs[i];
    }
  }
}

void requireActivityArray(std::string_view routine, std::size_t have, std::size_t need,
                          std::int32_t array) {
  if (have >= need) return;
  services::ERRITM("ARRAY", array);
  services::ERRITM("SIZE", static_cast<std::int32_t>(have));
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ABTRPT("KC", routine, routine, "ACTIVITY ARRAY TOO SHORT");
}

void reportRefusedDerivative(std::string_view name, std::int32_t request) {
  char line[80];
  std::snprintf(line, sizeof line, " %-6.6s : KTDERV = %11d OPTION NOT AVAILABLE",
                std::string(name).c_str(), request % 10);
  platform::writeLine(services::IOUNIT.report, line);
}

}  // namespace equilibrium
