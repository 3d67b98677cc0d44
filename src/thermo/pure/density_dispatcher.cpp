// The liquid-density dispatcher DNLIQ and its companions DN110W, DNCSW, DNVIR and DNNULL:
// one liquid molar density for every liquid-density method code of the current method set.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/bwr_eos.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/corresponding_states.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/density_internal.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {

DensityCounters DNCNTS;

namespace {

const bool kDNCNTSReset = services::registerKeptValues([] { DNCNTS = {}; });

using methods::LDSTAT;
using problem::ComponentReal;

constexpr double kR = services::kGasConstant;
// The shift of method 124 uses this gas constant.
constexpr double kShiftGasConstant = 8.314;
// Components below this normalised fraction are not counted.
constexpr double kThreshold = 1.0e-10;
// The thermodynamic-kernel debug switch handed to the corresponding-states method.
constexpr int kKernelDebugSwitch = 3;
// The return flag of a user-added method that does not serve a request.
constexpr std::int32_t kNotServed = 99;

// Method codes with a route of their own.
constexpr std::int32_t kLibrary = 1;
constexpr std::int32_t kBwr = 110;
constexpr std::int32_t kApi = 301;
constexpr std::int32_t kRackettVolumes = 302;
constexpr std::int32_t kCostald = 303;
constexpr std::int32_t kRackett = 305;
constexpr std::int32_t kFirstUser = 901;
constexpr std::int32_t kLastUser = 915;

UserDensity userDensity = nullptr;

bool isCorrespondingStates(std::int32_t code) {
  return code == 203 || code == 204 || (code >= 211 && code <= 214);
}
bool isHardChain(std::int32_t code) { return code >= 125 && code <= 128; }

// The arrays of the dispatcher, kept between calls (the library is single-threaded) so that
// a warm call allocates nothing.
struct Work {
  std::vector<double> x, block, values, slopes, omega, pc;
  std::vector<std::int32_t> counts;
  // Hard-chain outputs and work vector.
  std::vector<double> b, bT, bTT, e, eT, eTT, q, lnphi, chainWork;
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Work dispatcherWork;
const bool kDispatcherWorkReset = services::registerKeptValues([] { dispatcherWork = {}; });

Work& work(std::size_t n) {
  Work& w = dispatcherWork;
  for (auto* v : {&w.x, &w.values, &w.slopes, &w.omega, &w.pc, &w.q, &w.lnphi}) {
    if (v->size() < n) v->resize(n);
  }
  if (w.counts.size() < n) w.counts.resize(n);
  const std::size_t ns = n * (n + 1) / 2;
  for (auto* v : {&w.b, &w.bT, &w.bTT, &w.e, &w.eT, &w.eTT}) {
    if (v->size() < ns) v->resize(ns);
  }
  if (w.chainWork.size() < 4 + 2 * n + 3 * ns) w.chainWork.resize(4 + 2 * n + 3 * ns);
  return w;
}

// The first real sector of the held block, copied into the work array.
std::span<const double> realBlock(Work& w) {
  const auto words = static_cast<std::size_t>(LDSTAT.realLength1 > 0 ? LDSTAT.realLength1 : 0);
  if (w.block.size() < words) w.block.resize(words);
  for (std::size_t k = 0; k < words; ++k) {
    w.block[k] = storage::CORSTO.real(LDSTAT.realSector1 + static_cast<std::int32_t>(k) + 1);
  }
  return std::span<const double>(w.block.data(), words);
}

double densityOf(double z, double t, double p) { return p / (z * kR * t); }

// The user-added method; a method that does not serve densities stops the run.
double userZ(std::int32_t code, std::int32_t nc, std::span<const double> x, double t, double p) {
  double z = 0.0;
  std::int32_t flag = kNotServed;
  if (userDensity != nullptr) userDensity(code, nc, x, t, p, z, flag);
  if (flag == kNotServed) {
    services::MSGPAR.shortTexts(1).assign("DENSITY");
    services::MSGABT(kMessageUserRequest, " ");
  }
  return z;
}

// Method 1: ideal mixing of the library densities. False when a component present has none.
bool libraryDensity(std::int32_t nc, double t, double p, std::span<const double> x, Work& w,
                    double& dens) {
  const auto n = static_cast<std::size_t>(nc);
  XPCALC(kLiquidDensity, methods::MTSETN(kLiquidDensity), nc, 0, 0, 0, t, p,
         std::span<double>(w.values.data(), n), std::span<double>(w.slopes.data(), n));
  double volume = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] <= 0.0) continue;
    if (!(w.values[i] > 0.0)) return false;
    volume += x[i] / w.values[i];
  }
  if (!(volume > 0.0)) return false;
  dens = 1.0 / volume;
  return true;
}

// Methods 125 to 128 with the raw composition.
double hardChainZ(std::int32_t code, std::int32_t nc, double t, double p,
                  std::span<const double> raw, std::span<const double> block, Work& w) {
  const auto n = static_cast<std::size_t>(nc);
  const std::size_t ns = n * (n + 1) / 2;
  const bool squareWell = code == 125 || code == 127;
  eos_internal::requireLength(block, 2 * ns + (squareWell ? 2 : 1) * n, "DNLIQ", "CHAIN BLOCK");
  const auto eps = block.first(ns);
  const auto sigma = block.subspan(ns, ns);
  const auto r = block.subspan(2 * ns, n);
  const auto nwork = static_cast<std::int32_t>(4 + 2 * n + 3 * ns);
  const std::span<double> chainWork(w.chainWork.data(), static_cast<std::size_t>(nwork));
  double z = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cvr = 0.0, cpr = 0.0;
  const auto ns32 = static_cast<std::int32_t>(ns);
  const std::span<double> lnphi(w.lnphi.data(), n);
  if (squareWell) {
    PHCT1(t, p, kReferencePressure, raw, nc, ns32, kLiquidPhase, 1, eps, sigma, r,
          block.subspan(2 * ns + n, n), w.b, w.bT, w.bTT, w.q, w.e, w.eT, w.eTT, z, lnphi, zT, zP,
          {}, {}, hr, sr, cvr, cpr, {}, {}, {}, {}, {}, chainWork, nwork);
  } else {
    PHCT2(t, p, kReferencePressure, raw, nc, ns32, kLiquidPhase, 1, eps, sigma, r, w.b, w.bT, w.bTT,
          w.q, w.e, w.eT, w.eTT, z, lnphi, zT, zP, {}, {}, hr, sr, cvr, cpr, {}, {}, {}, {}, {},
          chainWork, nwork);
  }
  return z;
}

}  // namespace

void setUserDensity(UserDensity hook) { userDensity = hook; }

void DNVIR(double zIn, double t, double p, std::int32_t nc, std::span<const double> c,
           std::span<const double> x, double& zOut) {
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  eos_internal::requireLength(c, n, "DNVIR", "C");
  eos_internal::requireLength(x, n, "DNVIR", "X");
  double shift = 0.0;
  for (std::size_t i = 0; i < n; ++i) shift += x[i] * c[i];
  zOut = zIn - shift * p / (kShiftGasConstant * t);
}

void DNNULL(double& dens, double& dDens) {
  dens = 0.0;
  dDens = 0.0;
}

void DN110W(double t, double p, std::span<const double> x, double& z, std::span<const double> block,
            std::int32_t nc, std::int32_t phase, std::int32_t& status) {
  double departure = 0.0, departureT = 0.0, departureP = 0.0;
  std::int32_t root = 0;
  DN110(x, nc, static_cast<std::int32_t>(DensityRequest::Compressibility), phase, 0, {}, t, p, z,
        departure, departureT, departureP, {}, {}, {}, block, root);
  status = std::isfinite(z) && z > 0.0 ? 0 : 1;
}

void DNCSW(double t, double p, std::span<const double> x, double& z, std::span<const double> block,
           std::int32_t nc, std::int32_t phase, std::int32_t code, std::int32_t& failure) {
  std::array<double, cswork::kWords> pseudo{};
  std::array<double, 2> zz{};
  std::int32_t used = 0;
  double departure = 0.0, departureT = 0.0;
  DNCORS(nc, services::IOUNIT.report, services::GDPOPT.diagnosticSwitch(kKernelDebugSwitch), 0,
         static_cast<std::int32_t>(DensityRequest::Compressibility), phase, used, p, t, x, block,
         pseudo, zz, departure, departureT, {}, {}, failure, code);
  if (failure == 0) z = zz[used == kVapourPhase ? 0 : 1];
}

void DNLIQ(std::int32_t nc, double t, double p, std::span<const double> x, double& dens,
           std::int32_t& ierr) {
  // 1. Nothing yet.
  ierr = static_cast<std::int32_t>(DensityStatus::Done);
  dens = services::DMISS;
  DNCNTS.calls += 1;
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  eos_internal::requireLength(x, n, "DNLIQ", "X");
  Work& w = work(n);
  const std::int32_t code = methods::PMCTL1.liquidDensity.code;
  const bool user = code >= kFirstUser && code <= kLastUser;

  // 2. The method's block and work areas.
  if (!user) LDWORK();

  // 3. The composition without the set's water component.
  const std::span<double> xn(w.x.data(), n);
  double fraction = 0.0, total = 0.0;
  services::NRMCNT(nc, x, xn, std::span<std::int32_t>(w.counts.data(), n), 0, problem::THCTL.idecnt,
                kThreshold, fraction, total);

  // 4-5. The route of the method code.
  const std::span<const double> block = user ? std::span<const double>() : realBlock(w);
  const auto column = [&](std::size_t k) { return block.subspan((k - 1) * n, n); };
  bool failed = false;
  double z = 0.0;
  if (code == kLibrary) {
    failed = !libraryDensity(nc, t, p, xn, w, dens);
  } else if (code == kBwr) {
    std::int32_t status = 0;
    DN110W(t, p, xn, z, block, nc, kLiquidPhase, status);
    failed = status != 0;
    if (!failed) dens = densityOf(z, t, p);
  } else if (isCorrespondingStates(code)) {
    std::int32_t failure = 0;
    DNCSW(t, p, xn, z, block, nc, kLiquidPhase, code, failure);
    failed = failure != 0;
    if (!failed) dens = densityOf(z, t, p);
  } else if (code == kApi) {
    double amount = 0.0;
    std::int32_t status = 0;
    APIDEN(t, p, xn, nc, dens, amount, problem::THCTL.idecnt, status);
    failed = status != 0;
  } else if (code == kRackettVolumes) {
    eos_internal::requireLength(block, 3 * n, "DNLIQ", "RACKETT BLOCK");
    services::CMPDER(nc, column(1), column(2), t, column(3), std::span<double>(w.slopes.data(), n),
                  std::span<double>(w.values.data(), n));
    double volume = 0.0;
    for (std::size_t i = 0; i < n; ++i) volume += xn[i] * w.values[i];
    dens = 1.0 / volume;
  } else if (code == kCostald) {
    eos_internal::requireLength(block, 3 * n, "DNLIQ", "COSTALD BLOCK");
    for (std::size_t i = 0; i < n; ++i) {
      const auto comp = static_cast<std::int32_t>(i + 1);
      w.omega[i] = componentConstant(ComponentReal::AcentricFactor, comp);
      w.pc[i] = componentConstant(ComponentReal::CriticalPressure, comp);
    }
    std::int32_t status = 0;
    COSTLD(t, p, nc, xn, std::span<const double>(w.omega.data(), n), column(2),
           std::span<const double>(w.pc.data(), n), column(3), z, column(1), status);
    dens = densityOf(z, t, p);
  } else if (code == kRackett) {
    eos_internal::requireLength(block, 4 * n, "DNLIQ", "RACKETT BLOCK");
    double volume = 0.0;
    RACKET(nc, column(3), column(2), t, column(1), column(4), xn, volume, p);
    dens = 1.0 / volume;
  } else if (isHardChain(code)) {
    dens = densityOf(hardChainZ(code, nc, t, p, x, block, w), t, p);
  } else if (user) {
    dens = densityOf(userZ(code, nc, xn, t, p), t, p);
  } else if (methods::MTISA(code) && density_internal::cubicLiquid(code, nc, t, p, xn, block, z)) {
    // Parameters that are not numbers give a Z that is not a positive number (the root
    // solver's kNoRoot), and no density.
    failed = !(z > 0.0) || !std::isfinite(z);
    if (!failed) dens = densityOf(z, t, p);
  } else {
    ierr = static_cast<std::int32_t>(DensityStatus::NoRoute);
    return;
  }

  // After the route: a failure gives no density.
  if (failed) {
    dens = services::DMISS;
    ierr = static_cast<std::int32_t>(DensityStatus::RouteFailed);
  }
}

}  // namespace pure
