// The shared helpers of the phase drivers: flash work arrays, kept scratch, the non-water
// normalisation, the water term and the residual kernels of every method family.
#include "thermo/phase/driver_kernels.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {

PhaseDriverWords PHDRWD;

namespace drivers {
namespace {

using methods::LDSTAT;
using storage::CORSTO;

// The water-property debug level (diagnostic switch word 104) and the kernel debug level
// handed to the corresponding-states kernel (word 103).
constexpr int kWaterDebugSwitch = 4;
constexpr int kKernelDebugSwitch = 3;

// Kept between calls so that a warm call allocates nothing; every problem open starts them
// again.
struct Scratch {
  std::vector<std::vector<double>> reals;
  std::vector<std::vector<std::int32_t>> integers;
  std::vector<double> block;
  std::vector<std::int32_t> blockIntegers;
};
Scratch kept;
const bool kKeptReset = services::registerKeptValues([] {
  kept = {};
  PHDRWD = {};
});

// Scratch slots of the kernels (the drivers use 0 to 39).
constexpr std::size_t kKernelSlot = 40;

[[noreturn]] void shortArray(std::int32_t k, std::int32_t size, std::size_t need,
                             std::string_view routine) {
  services::ERRITM("ARRAY", k);
  services::ERRITM("SIZE", size);
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ABTRPT("PH", routine, routine, "FLASH WORK ARRAY TOO SHORT");
}

[[noreturn]] void shortBlock(std::size_t need, std::string_view routine) {
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", LDSTAT.realLength1);
  services::ABTRPT("PH", routine, routine, "PARAMETER BLOCK TOO SHORT");
}

bool isCorrespondingStates(std::int32_t code) {
  return code == 203 || code == 204 || (code >= 211 && code <= 214);
}

bool isCorrelationFamily(std::int32_t code) { return code == 201 || (code >= 215 && code <= 218); }

// 115 and 123 from the held block, laid out as the vapour fugacity routine reads them.
void virialVapour(const ResidualCall& c, Residual& out, std::span<const double> block) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t ns = n * (n + 1) / 2;
  const std::span<double> lnphi = reals(kKernelSlot, n), lnphiT = reals(kKernelSlot + 1, n);
  double z = 1.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  const std::int32_t level = c.level >= 3 ? 3 : 2;
  if (c.code == 115) {
    namespace hb = equilibrium::hocblock;
    const std::size_t need = static_cast<std::size_t>(hb::words(c.nc));
    if (block.size() < need) shortBlock(need, c.routine);
    const auto column = [&](std::int32_t word) {
      return block.subspan(static_cast<std::size_t>(word - 1), n);
    };
    const pure::HocComponents data{
        column(hb::criticalTemperature(c.nc)), column(hb::criticalPressure(c.nc)),
        column(hb::radiusOfGyration(c.nc)), column(hb::dipoleMoment(c.nc))};
    std::int32_t status = 0;
    double z0 = 0.0, zT = 0.0, zP = 0.0;
    pure::HOCFUG(data, block.subspan(static_cast<std::size_t>(hb::eta(c.nc) - 1), ns), level, c.nc,
                 static_cast<std::int32_t>(ns), c.p, c.t, c.y, status, z0, z, zT, zP, lnphi, lnphiT,
                 reals(kKernelSlot + 2, n), hr, sr, cpr, cvr, cpcv,
                 reals(kKernelSlot + 3, pure::hocSpeciesWords(c.nc)));
  } else {
    namespace ab = equilibrium::associationblock;
    const std::size_t need = static_cast<std::size_t>(ab::words(c.nc));
    if (block.size() < need) shortBlock(need, c.routine);
    pure::ASCFUG(c.t, c.p, 2, c.nc, c.y, integers(kKernelSlot, 2 * n),
                 reals(kKernelSlot + 2, pure::ascfugWorkWords(c.nc)), lnphi, lnphiT, z,
                 block.subspan(static_cast<std::size_t>(ab::coefficientA(c.nc) - 1), ns),
                 block.subspan(static_cast<std::size_t>(ab::coefficientB(c.nc) - 1), ns), hr, cpr,
                 cvr, cpcv, sr, level);
  }
  out = {hr, cpr, sr, true, z, false};
}

// 125 to 128 on the non-water part, as every other kernel: its normalised composition at the
// pressure the method sees (P' for a vapour). The water component comes from the water
// properties, so a hard chain that also saw it would count the water twice, and its residual
// would be per mole of the whole phase where the driver scales it as per mole of the rest.
void hardChain(const ResidualCall& c, Residual& out, std::span<const double> block) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t ns = n * (n + 1) / 2;
  const bool squareWell = c.code == 125 || c.code == 127;
  const std::size_t need = 2 * ns + (squareWell ? 2 : 1) * n;
  if (block.size() < need) shortBlock(need, c.routine);
  std::size_t s = kKernelSlot;
  const auto next = [&](std::size_t k) { return reals(s++, k); };
  const std::span<double> lnphi = next(n), lnphiT = next(n), lnphiP = next(n);
  const std::span<double> lnphiN = next(n * n), hrn = next(n), zdn = next(n), muT = next(n);
  const std::span<double> murho = next(n), q = next(n), b = next(ns), bT = next(ns);
  const std::span<double> bTT = next(ns), e = next(ns), eT = next(ns), eTT = next(ns);
  const std::size_t nwork = 4 + 2 * n + 3 * ns;
  const std::span<double> work = next(nwork);
  double z = 1.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cvr = 0.0, cpr = 0.0;
  const auto ns32 = static_cast<std::int32_t>(ns);
  const auto nwork32 = static_cast<std::int32_t>(nwork);
  const auto eps = block.first(ns);
  const auto sigma = block.subspan(ns, ns);
  const auto r = block.subspan(2 * ns, n);
  if (squareWell) {
    pure::PHCT1(c.t, c.p, pure::kReferencePressure, c.y, c.nc, ns32, c.phase, c.level, eps, sigma,
                r, block.subspan(2 * ns + n, n), b, bT, bTT, q, e, eT, eTT, z, lnphi, zT, zP,
                lnphiT, lnphiP, hr, sr, cvr, cpr, lnphiN, hrn, zdn, muT, murho, work, nwork32);
  } else {
    pure::PHCT2(c.t, c.p, pure::kReferencePressure, c.y, c.nc, ns32, c.phase, c.level, eps, sigma,
                r, b, bT, bTT, q, e, eT, eTT, z, lnphi, zT, zP, lnphiT, lnphiP, hr, sr, cvr, cpr,
                lnphiN, hrn, zdn, muT, murho, work, nwork32);
  }
  if (c.level < 3) cpr = 0.0;
  out = {hr, cpr, sr, true, z, false};
  if (c.level >= 4 && !c.entropy) {
    storeFlash(kPartialResiduals, hrn, c.routine);
    out.partials = true;
  }
}

// The cubic codes through the fugacity routines' cubic route: the same term cache, and a
// root status of its own so that the pseudo-root signal of the K-values stays as it was.
bool cubic(const ResidualCall& c, Residual& out) {
  namespace fi = equilibrium::fugacity_internal;
  fi::RouteDepartures departures;
  std::int32_t rootStatus = 0;
  fi::RouteCall call;
  call.code = c.code;
  call.phase = c.phase;
  call.level = c.level;
  call.cacheAllowed = true;
  call.nc = c.nc;
  call.t = c.t;
  call.p = c.p;
  call.x = c.y;
  call.arrays = c.phase == 1 ? fi::kVapourArrays : fi::kLiquidArrays;
  call.routine = c.routine;
  call.departures = &departures;
  call.rootStatus = &rootStatus;
  call.writeArrays = false;
  double z = 1.0;
  const std::span<double> lnphi = reals(kKernelSlot, static_cast<std::size_t>(c.nc));
  if (!fi::cubicRoute(call, lnphi, z)) return false;
  if (rootStatus == pure::kNoRoot) {
    // The equation gave no usable root: the departure fails, never the ideal gas.
    out = {};
    out.failed = true;
    return true;
  }
  out = {departures.hr, c.level >= 3 ? departures.cpr : 0.0, departures.sr, true, z, c.level >= 4};
  return true;
}

}  // namespace

std::span<double> reals(std::size_t slot, std::size_t n) {
  if (kept.reals.size() <= slot) kept.reals.resize(slot + 1);
  if (kept.reals[slot].size() < n) kept.reals[slot].resize(n);
  return std::span<double>(kept.reals[slot].data(), n);
}

std::span<std::int32_t> integers(std::size_t slot, std::size_t n) {
  if (kept.integers.size() <= slot) kept.integers.resize(slot + 1);
  if (kept.integers[slot].size() < n) kept.integers[slot].resize(n);
  return std::span<std::int32_t>(kept.integers[slot].data(), n);
}

std::span<double> loadFlash(std::int32_t k, std::size_t n, std::size_t slot,
                            std::string_view routine) {
  const auto a = static_cast<std::size_t>(k);
  const std::int32_t size = problem::FWPART.realSize(a);
  if (size < 0 || static_cast<std::size_t>(size) < n) shortArray(k, size, n, routine);
  const std::span<double> v = reals(slot, n);
  const std::int32_t offset = problem::FWPART.realOffset(a);
  for (std::size_t i = 0; i < n; ++i) v[i] = CORSTO.real(offset + static_cast<std::int32_t>(i) + 1);
  return v;
}

void storeFlash(std::int32_t k, std::span<const double> v, std::string_view routine) {
  const auto a = static_cast<std::size_t>(k);
  const std::int32_t size = problem::FWPART.realSize(a);
  if (size < 0 || static_cast<std::size_t>(size) < v.size()) shortArray(k, size, v.size(), routine);
  const std::int32_t offset = problem::FWPART.realOffset(a);
  for (std::size_t i = 0; i < v.size(); ++i) {
    CORSTO.setReal(offset + static_cast<std::int32_t>(i) + 1, v[i]);
  }
}

std::span<const double> blockReals(std::string_view /*routine*/) {
  const auto n = static_cast<std::size_t>(LDSTAT.realLength1 > 0 ? LDSTAT.realLength1 : 0);
  if (kept.block.size() < n) kept.block.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    kept.block[k] = CORSTO.real(LDSTAT.realSector1 + static_cast<std::int32_t>(k) + 1);
  }
  return std::span<const double>(kept.block.data(), n);
}

std::span<const std::int32_t> blockIntegers() {
  const auto n = static_cast<std::size_t>(LDSTAT.integerLength1 > 0 ? LDSTAT.integerLength1 : 0);
  if (kept.blockIntegers.size() < n) kept.blockIntegers.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    kept.blockIntegers[k] = CORSTO[LDSTAT.integerSector1 + static_cast<std::int32_t>(k) + 1];
  }
  return std::span<const std::int32_t>(kept.blockIntegers.data(), n);
}

Normalised normalise(std::span<const double> x, std::span<double> y, std::span<std::int32_t> active,
                     double p) {
  Normalised r;
  r.water = problem::THCTL.idecnt;
  const auto n = static_cast<std::int32_t>(x.size());
  if (r.water < 0 || r.water > n) r.water = 0;
  services::NRMCNT(n, x, y, active, 1, r.water, kPresent, r.fraction, r.total);
  PHDRWD.nonWaterFraction = r.fraction;
  PHDRWD.partialPressure = r.fraction * p;
  return r;
}

void waterProperty(std::int32_t kind, std::int32_t phase, double t, double p, double pp,
                   double& value, double& slope) {
  const problem::MethodSetControl& w = problem::THCTL;
  pure::WPROP(kind, w.waterPropertyMethod, t, p, value, slope, phase, w.waterPropertyCorrection,
              services::GDPOPT.diagnosticSwitch(kWaterDebugSwitch), services::IOUNIT.report, pp);
}

namespace {

// The kernel of the code, before the check of what it gave.
bool serve(const ResidualCall& c, Residual& out) {
  out = {};
  if (isCorrelationFamily(c.code)) {
    double omega = 0.0, pr = 0.0, tr = 0.0;
    std::int32_t status = 0;
    // The enthalpy residual of the family is taken at the total pressure, the entropy
    // departure at the pressure the driver hands over.
    pure::MTHDSP(c.phase, c.nc, c.code, blockReals(c.routine), c.y, c.t, c.totalP, omega, pr, tr,
                 out.hr, out.d, status);
    if (c.entropy) LNFGMT(c.nc, c.phase, c.t, c.p, c.y, out.sr, blockReals(c.routine), c.code);
    return true;
  }
  if (isCorrespondingStates(c.code)) {
    std::int32_t status = 0;
    const std::int32_t debug = services::GDPOPT.diagnosticSwitch(kKernelDebugSwitch);
    if (c.entropy) {
      WRAPB2(c.t, c.p, c.y, out.sr, out.z, blockReals(c.routine), c.nc, c.phase, debug, c.code,
             status);
    } else {
      WRAPB1(c.t, c.p, c.y, out.hr, out.d, out.z, blockReals(c.routine), c.nc, c.phase,
             c.level >= 3 ? 1 : 0, debug, c.code, status);
    }
    out.hasZ = true;
    return true;
  }
  switch (c.code) {
    case 110: {
      std::int32_t status = 0;
      if (c.entropy) {
        WRAPA2(c.t, c.p, c.y, out.sr, out.z, blockReals(c.routine), c.active, c.nc, c.phase,
               status);
      } else {
        WRAPA1(c.t, c.p, c.y, out.hr, out.d, out.z, blockReals(c.routine), c.active, c.nc, c.phase,
               c.level >= 3 ? 1 : 0, status);
      }
      out.hasZ = true;
      return true;
    }
    case 115:
    case 123:
      if (c.phase == 1) {
        virialVapour(c, out, blockReals(c.routine));
        return true;
      }
      break;
    case 125:
    case 126:
    case 127:
    case 128:
      hardChain(c, out, blockReals(c.routine));
      return true;
    default:
      break;
  }
  if (cubic(c, out)) return true;
  // A code without a mixing rule: the ideal gas that the root routine gives for a = b = 0,
  // Z = 1 with no enthalpy residual and the entropy's pressure term alone.
  out = {};
  out.sr = -std::log(c.p / pure::kReferencePressure);
  out.hasZ = true;
  return true;
}

}  // namespace

bool residual(const ResidualCall& c, Residual& out) {
  if (!serve(c, out)) return false;
  const bool finite = std::isfinite(out.hr) && std::isfinite(out.d) && std::isfinite(out.sr) &&
                      (!out.hasZ || (std::isfinite(out.z) && out.z > 0.0));
  if (!finite) out.failed = true;
  return true;
}

}  // namespace drivers

// ---------------------------------------------------------------------------------------
// The density-kernel adapters
// ---------------------------------------------------------------------------------------

namespace {

void bwrDeparture(double t, double p, std::span<const double> y, pure::DensityRequest request,
                  double& value, double& slope, double& z, std::span<const double> block,
                  std::span<const std::int32_t> active, std::int32_t n, std::int32_t phase,
                  std::int32_t derivative, std::int32_t& status) {
  const auto words = static_cast<std::size_t>(pure::bwrBlockWords(n));
  if (block.size() < words) {
    services::ERRITM("NEEDED", static_cast<std::int32_t>(words));
    services::ERRITM("HAVE", static_cast<std::int32_t>(block.size()));
    services::ABTRPT("PH", "WRAPA1", "WRAPA1", "PARAMETER BLOCK TOO SHORT");
  }
  double departureP = 0.0;
  slope = 0.0;
  pure::DN110(y, n, static_cast<std::int32_t>(request), phase, derivative, active, t, p, z, value,
              slope, departureP, {}, {}, {}, block.first(words), status);
}

}  // namespace

void WRAPA1(double t, double p, std::span<const double> y, double& residual, double& d, double& z,
            std::span<const double> block, std::span<const std::int32_t> active, std::int32_t n,
            std::int32_t phase, std::int32_t derivative, std::int32_t& status) {
  double slope = 0.0;
  bwrDeparture(t, p, y, pure::DensityRequest::Enthalpy, residual, slope, z, block, active, n, phase,
               derivative, status);
  // d(T hr)/dT = hr + T dhr/dT.
  d = derivative == 1 ? residual + t * slope : 0.0;
}

void WRAPA2(double t, double p, std::span<const double> y, double& departure, double& z,
            std::span<const double> block, std::span<const std::int32_t> active, std::int32_t n,
            std::int32_t phase, std::int32_t& status) {
  double slope = 0.0;
  bwrDeparture(t, p, y, pure::DensityRequest::Entropy, departure, slope, z, block, active, n, phase,
               0, status);
  // The kernel's entropy carries - sum x ln x of the active components; the drivers add the
  // ideal mixing term themselves, so it is taken back out here.
  for (std::size_t i = 0; i < y.size() && i < active.size(); ++i) {
    if (active[i] != 0 && y[i] > 0.0) departure += y[i] * std::log(y[i]);
  }
}

void WRAPB1(double t, double p, std::span<const double> y, double& residual, double& d, double& z,
            std::span<const double> block, std::int32_t n, std::int32_t phase,
            std::int32_t derivative, std::int32_t debug, std::int32_t code, std::int32_t& status) {
  std::array<double, 2> zz{1.0, 1.0};
  zz[phase == 1 ? 0 : 1] = z;
  std::array<double, pure::cswork::kWords> pseudo{};
  std::int32_t used = phase;
  double slope = 0.0;
  pure::DNCORS(n, services::IOUNIT.report, debug, derivative,
               static_cast<std::int32_t>(pure::DensityRequest::Enthalpy), phase, used, p, t, y,
               block, pseudo, zz, residual, slope, {}, {}, status, code);
  z = zz[used == 1 ? 0 : 1];
  d = derivative == 1 ? residual + t * slope : 0.0;
}

void WRAPB2(double t, double p, std::span<const double> y, double& departure, double& z,
            std::span<const double> block, std::int32_t n, std::int32_t phase, std::int32_t debug,
            std::int32_t code, std::int32_t& status) {
  std::array<double, 2> zz{1.0, 1.0};
  zz[phase == 1 ? 0 : 1] = z;
  std::array<double, pure::cswork::kWords> pseudo{};
  std::int32_t used = phase;
  double slope = 0.0;
  departure = 0.0;
  pure::DNCORS(n, services::IOUNIT.report, debug, 0,
               static_cast<std::int32_t>(pure::DensityRequest::Entropy), phase, used, p, t, y,
               block, pseudo, zz, departure, slope, {}, {}, status, code);
  z = zz[used == 1 ? 0 : 1];
}

}  // namespace phase
