// The Gibbs-energy minimisation flash FLASGB with its stability step GBSTAB, the cache reset
// GBWORK, the vector sum VSUMNM and the single-phase decision FLASVL.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/stability.hpp"
#include "methods/methods.hpp"

namespace multiphase {
namespace {

constexpr double kTiny = 1.0e-12;
constexpr std::int32_t kPhaseBoth = 12;  // KCALC option: both phases
constexpr std::int32_t kLiquidLiquidLevel = 2;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

// Whether a stored estimate's largest K-value lies in [0.99, 1.01], so that the K-values
// must be asked for again.
bool storedKNearOne(std::span<const double> k) {
  if (k.empty()) return true;
  const double kmax = *std::max_element(k.begin(), k.end());
  return kmax >= 0.99 && kmax <= 1.01;
}

}  // namespace

bool gibbsFlashAccepts(std::int32_t code, std::int32_t option) {
  if (option == 4) return false;
  switch (code) {
    case 101:
    case 102:
    case 108:
    case 111:
    case 114:
    case 116:
    case 117:
    case 121:
    case 122:
    case 124:
    case 502:
    case 503:
    case 510:
    case 511:
    case 512:
      return true;
    default:
      return false;
  }
}

void VSUMNM(std::int32_t n, std::span<double> v, double& s, std::int32_t iopt) {
  const std::size_t nn = count(n);
  s = 0.0;
  for (std::size_t i = 0; i < nn; ++i) s += v[i];
  if (iopt != 0 && std::abs(s) > 0.0) {
    for (std::size_t i = 0; i < nn; ++i) v[i] /= s;
  }
}

void GBWORK(std::int32_t /*n*/) { forgetStabilityTerms(); }

void GBSTAB(std::int32_t n, double t, double p, std::span<const double> z, std::span<double> x,
            std::span<double> y, double& frac, std::span<double> k, std::int32_t& isplit,
            std::int32_t iprint, std::int32_t& ierr) {
  const std::size_t nn = std::min(count(n), static_cast<std::size_t>(kStabilityComponents));
  std::array<double, kLda> lnk{}, feed{};
  for (std::size_t i = 0; i < nn; ++i) {
    lnk[i] = std::log(k[i]);
    feed[i] = z[i];
  }
  double sum = 0.0;
  VSUMNM(n, feed, sum, 1);
  STABL(n, t, p, lnk, feed, x, y, frac, isplit, iprint, ierr);
  for (std::size_t i = 0; i < nn; ++i) {
    k[i] = isplit == 0 || ierr != 0 || !(x[i] > 0.0) ? 1.0 : y[i] / x[i];
  }
}

void FLASVL(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<const double> k, double t, double p, double& ftotlq, double& fliqhc,
            double& fvapor) {
  constexpr double kLiquid = 0.0, kVapour = 1.0;
  double result = kLiquid, pr = 0.0, prs = 0.0;
  flash::FLSPHC(2, idebug, iout, ncomp, z, t, p, kLiquid, kVapour, result, pr, prs);
  const std::size_t nn = count(nc);
  double sum = 0.0;
  if (result == kVapour) {
    fvapor = 1.0;
    fliqhc = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      y[i] = z[i];
      x[i] = z[i] / std::max(k[i], 1.0e-10);
    }
    VSUMNM(nc, x, sum, 1);
  } else {
    fvapor = 0.0;
    fliqhc = 1.0;
    for (std::size_t i = 0; i < nn; ++i) {
      x[i] = z[i];
      y[i] = z[i] * k[i];
    }
    VSUMNM(nc, y, sum, 1);
  }
  ftotlq = fliqhc;
}

void FLASGB(flash::IsothermalFlash& a) {
  const methods::KValueMethods& km = methods::KMCTL;
  const bool accepted =
      gibbsFlashAccepts(km.kvalue.code, km.kvalue.option) &&
      (km.levelWord != kLiquidLiquidLevel ||
       gibbsFlashAccepts(methods::MSPTRS.classes(kLiquidLiquidLevel).code, km.kvalue.option));
  // More components than the test holds, or a method it does not serve: the flash fails and
  // leaves everything else as it was.
  if (a.NC > kStabilityComponents || a.NC < 1 || !accepted) {
    a.IFFAIL = flash::kFlashFailed;
    return;
  }
  const std::size_t nc = count(a.NC);
  const std::int32_t iprint = a.IDEBUG >= 2 ? a.IOUT : 0;
  THMISC.phaseCalls = 0;
  THMISC.derivativeCalls = 0;
  a.FVAPOR = 0.0;
  a.FWATER = 0.0;
  a.GFLSH = 0.0;
  a.GFLABS = 0.0;
  std::fill_n(a.XKSTOR.begin(), std::min(count(a.NCOMP), a.XKSTOR.size()), 0.0);
  std::array<double, kLda> z{}, x{}, y{}, k{};
  for (std::size_t i = 0; i < nc; ++i) {
    z[i] = a.Z[i] > 0.0 && a.Z[i] < kTiny ? kTiny : a.Z[i];
  }

  // Start K-values: a K-value call, or a usable stored estimate.
  bool refresh = true;
  if (flash::FLSTAT.IHVDAT() == 2 && a.KXOPT == 1) {
    flash::FLSCPY(a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.NCOMP, a.XK);
    refresh = storedKNearOne(a.XK.first(nc));
  }
  if (refresh) {
    std::int32_t kccall = kPhaseBoth, kerr = 0, ifugst = 0;
    flash::flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, 0,
                        kerr, a.KLLE, ifugst);
  }
  for (std::size_t i = 0; i < nc; ++i) k[i] = a.XK[i] < kTiny ? kTiny : a.XK[i];

  // The test, with the cache of its temperature terms forgotten before and after.
  GBWORK(a.NC);
  double frac = a.FVAPOR;
  std::int32_t isplit = 0, ierr = 0;
  GBSTAB(a.NC, a.T, a.P, z, x, y, frac, k, isplit, iprint, ierr);
  GBWORK(a.NC);

  for (std::size_t i = 0; i < nc; ++i) {
    a.X[i] = x[i];
    a.Y[i] = y[i];
    a.XK[i] = k[i];
  }
  if (ierr == 0 && isplit == 0) {
    FLASVL(a.IOUT, a.NCOMP, a.NC, a.IDEBUG, a.Z, a.X, a.Y, a.XK, a.T, a.P, a.FTOTLQ, a.FLIQHC,
           a.FVAPOR);
  } else {
    a.FVAPOR = isplit == 1 ? frac : 0.0;
    a.FLIQHC = 1.0 - a.FVAPOR;
    a.FTOTLQ = a.FLIQHC;
  }
  a.IFFAIL = ierr != 0 ? flash::kFlashFailed : flash::kFlashSolved;
}

}  // namespace multiphase
