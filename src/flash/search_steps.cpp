// FLSBRK, STEPDM and DRICE: the bracketed search step, the acceleration step and the
// closure of a vapour-liquid split at fixed K-values.
#include "flash/search_steps.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash_print.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

// The relative bracket width at which FLSBRK closes.
constexpr std::size_t kBracketWidthTolerance = 14;

bool negative(double v) { return std::signbit(v); }
bool oppositeSigns(double a, double b) { return negative(a) != negative(b); }

}  // namespace

void FLSBRK(std::int32_t& counter, std::int32_t limit, double& x, BracketState& s, double f,
            double x0, std::int32_t& iffail, std::int32_t& status) {
  iffail = 0;
  status = static_cast<std::int32_t>(BracketStatus::Continue);
  ++counter;
  if (counter > limit) {
    iffail = 1;
    status = static_cast<std::int32_t>(BracketStatus::StepLimit);
    return;
  }
  if (counter == 1) {
    // The first point: the second one lies at 0 when F is positive, else at X0.
    s.fb = f;
    s.xb = x;
    x = f > 0.0 ? 0.0 : x0;
    return;
  }
  if (counter == 2) {
    // The first two points are the bracket; the larger abscissa is its upper end.
    if (x > s.xb) {
      s.xa = s.xb;
      s.fa = s.fb;
      s.xc = x;
      s.fc = f;
    } else {
      s.xc = s.xb;
      s.fc = s.fb;
      s.xa = x;
      s.fa = f;
    }
  } else {
    // Later points: stop when the bracket beside the new point has closed.
    const double tol = services::FLTOL(kBracketWidthTolerance);
    if ((x * tol > x - s.xa && oppositeSigns(s.fa, f)) ||
        (s.xc * tol > s.xc - x && oppositeSigns(f, s.fc))) {
      s.xb = x;
      s.fb = f;
      status = static_cast<std::int32_t>(BracketStatus::Closed);
      return;
    }
  }
  s.xb = x;
  s.fb = f;
  services::ROOTBR(s.xa, s.xb, s.xc, s.fa, s.fb, s.fc);
  x = s.xb;
}

void STEPDM(double lo, double hi, double dnew, double dold, double& x, double& w) {
  w = 0.0;
  if (std::abs(dold) > 1e-15) {
    double r = 0.0;
    if (dnew == 0.0) {
      r = -1.0;
    } else if (std::log10(std::abs(dnew)) - std::log10(std::abs(dold)) < 20.0) {
      r = dnew / dold - 1.0;
    } else {
      r = 1e20;
    }
    if (std::abs(r) > 1e-10) {
      w = std::min(std::max((r + 1.0) / r, lo), hi);
    } else {
      w = lo;
    }
  }
  // The iterate never crosses zero.
  if (w * dnew < x) {
    x -= w * dnew;
  } else {
    x /= 10.0;
  }
}

void DRICE(double slfrac, std::span<const double> k, std::span<const double> z, std::span<double> x,
           std::span<double> y, double gtol, std::int32_t n, std::int32_t idebug,
           std::int32_t iout) {
  constexpr double kLargestK = 1e10;
  constexpr std::int32_t kUpdateLimit = 51;
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  const bool trace = idebug > 3;
  double dlfrac = slfrac;
  if (trace) writef(iout, " DRICE - SLFRAC = %14.7E  GTOL = %14.7E", slfrac, gtol);
  std::int32_t updates = 0;
  double worst = 0.0;
  std::size_t worstComponent = 0;
  for (;;) {
    double dxsum = 0.0, dysum = 0.0, derivative = 0.0;
    worst = 0.0;
    worstComponent = 0;
    if (trace) writef(iout, " ITERATION %4d DLFRAC = %22.15E", updates, dlfrac);
    for (std::size_t i = 0; i < count; ++i) {
      const double kc = std::min(k[i], kLargestK);
      const double d = kc * (1.0 - dlfrac) + dlfrac;
      const double xi = d > 0.0 ? z[i] / d : 0.0;
      const double yi = kc * xi;
      // The stored compositions are those of single precision.
      x[i] = static_cast<double>(static_cast<float>(xi));
      y[i] = static_cast<double>(static_cast<float>(yi));
      const double balance =
          z[i] > 0.0 ? std::abs(z[i] - dlfrac * x[i] - (1.0 - dlfrac) * y[i]) / z[i] : 0.0;
      if (balance > worst) {
        worst = balance;
        worstComponent = i + 1;
      }
      dxsum += xi;
      dysum += yi;
      if (d != 0.0) derivative += z[i] * (kc - 1.0) * (kc - 1.0) / (d * d);
      if (trace) writef(iout, " DXI = %22.15E DYI = %22.15E", xi, yi);
    }
    if (trace) writef(iout, " DXSUM = %22.15E DYSUM = %22.15E", dxsum, dysum);
    const double g = dysum - dxsum;
    if (std::abs(g) <= gtol) break;
    ++updates;
    if (services::RELCM2(derivative, 0.0) == 0) break;
    dlfrac = std::clamp(dlfrac - g / derivative, 0.0, 1.0);
    if (updates >= kUpdateLimit) break;
  }
  methods::FLCTL2.words(2) = dlfrac;
  if (trace) {
    writef(iout, " ADJUSTED SINGLE PREC X AND Y AS FOLLOWS");
    writef(iout, " COMP   FEED       KVALUE       XLIQ      VAPOR");
    for (std::size_t i = 0; i < count; ++i) {
      writef(iout, " %4zu %12.5E %12.5E %12.5E %12.5E", i + 1, z[i], k[i], x[i], y[i]);
    }
    writef(iout, " MAX SINGLE REL BAL = %12.5E FOR COMP %4zu", worst, worstComponent);
  }
}

}  // namespace flash
