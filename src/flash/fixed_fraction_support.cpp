// The helpers that FLASL1 and FLASL2 share.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/fixed_fraction.hpp"
#include "flash/fixed_fraction_internal.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_state.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace flash::fixed_fraction {
namespace {

// A stored estimate is used only for a split state (its vapour fraction strictly inside)
// whose K-values are not all near 1.
constexpr double kAbsentFraction = 5e-07;
constexpr double kWholeFraction = 0.9999995;
constexpr double kNearOneLow = 0.99, kNearOneHigh = 1.01;

bool agree(double a, double b, double tol) {
  return std::abs(a - b) <= tol * std::max(std::abs(a), std::abs(b));
}

}  // namespace

storage::RealView derivativeView(std::int32_t itpfix, std::int32_t nc) {
  const std::int32_t array = itpfix == static_cast<std::int32_t>(FixedVariable::Pressure)
                                 ? equilibrium::kDkDtArray
                                 : equilibrium::kDkDpArray;
  return storage::CORSTO.reals(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + 1,
                               std::max(nc, 0));
}

double boundTemperature(double t) {
  if (t < kMinTTest) return kMinT;
  if (t > kMaxTTest) return kMaxT;
  return t;
}

double boundPressure(double p) {
  if (p <= kMinPTest) return kMinP;
  if (p > kMaxPTest) return kMaxP;
  return p;
}

bool storedStart(std::int32_t ncomp, std::span<double> k) {
  if (FLSTAT.IHVDAT() != 2 || FLSTAT.IKVPNT() <= 0) return false;
  double fliqhc = 0.0, fwater = 0.0, ftotlq = 0.0, fvapor = 0.0;
  FLSCPY(fliqhc, fwater, ftotlq, fvapor, ncomp, k);
  if (fvapor < kAbsentFraction || fvapor > kWholeFraction) return false;
  double kmin = 1e300, kmax = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(ncomp, 0)); ++i) {
    kmin = std::min(kmin, k[i]);
    kmax = std::max(kmax, k[i]);
  }
  return !(kmin > kNearOneLow && kmax < kNearOneHigh);
}

void storeOnExit(double t, double p, double fliqhc, double fwater, double ftotlq,
                 double fvapor, std::int32_t ncomp, std::span<const double> k) {
  if (FLSTAT.IHVDAT() > 0) FLSTAT.IHVDAT() = 1;
  if (FLSTAT.IKVPNT() > 0) {
    storeEstimate(t, p, fliqhc, fwater, ftotlq, fvapor,
                  k.first(static_cast<std::size_t>(std::max(ncomp, 0))));
  }
}

bool History::oscillates(std::int32_t pass, double next, double tol) {
  // values_: [0] the start of this pass, [1] .. [4] the starts of the four passes before.
  const bool cycle = pass >= 10 && agree(values_[0], values_[2], tol) &&
                     agree(values_[0], values_[4], tol) && agree(next, values_[1], tol) &&
                     agree(next, values_[3], tol);
  for (std::size_t i = values_.size() - 1; i > 0; --i) values_[i] = values_[i - 1];
  values_[0] = next;
  return cycle;
}

void kvalues(std::int32_t ncomp, std::int32_t nc, std::span<const double> y,
             std::span<const double> x, std::span<double> k, double t, double p, double& zv,
             double& zl, std::int32_t kcdrv, std::int32_t kcopt, std::int32_t klle) {
  std::int32_t kccall = kFullCall, ierr = 0, ifugst = 0;
  flashKValues(ncomp, nc, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, klle, ifugst);
}

}  // namespace flash::fixed_fraction
