// True vapour pressure: a safeguarded secant search on the pressure for sum(K x) = 1.
#include "streamprops/true_vapour_pressure.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "methods/method_sets.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "problem/units.hpp"
#include "services/markers.hpp"
#include "services/numeric.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalues.hpp"

namespace streamprops {
namespace {

constexpr double kWilsonSlope = 5.37;
constexpr double kExponentClamp = 70.0;
constexpr double kLowestPressure = 1.0e-4;   // kPa
constexpr double kHighestPressure = 1.0e10;  // kPa
constexpr double kClampLow = 1.0001e-4;
constexpr double kClampHigh = 9.999e9;
constexpr double kResidualClamp = 1.0e8;
constexpr double kTolerance = 1.0e-5;  // on |sum(K x) - 1|
constexpr double kReleaseTolerance = 1.0e-6;
constexpr std::int32_t kPasses = 99;
constexpr std::int32_t kNotConverged = 1030001199;
// The water option under which the engine's liquid sum runs over all components.
constexpr std::int32_t kWaterInLiquidSum = 3;

// The pure-component constants of real sector WHAT, one checked view over N entries.
storage::RealView constants(problem::ComponentReal what, std::size_t n) {
  return storage::CORSTO.reals(problem::COPTRS.realSector(what) + 1,
                               static_cast<std::int32_t>(n));
}

// Drops the lone point of a history whose signs are mixed when it lies within a relative
// 1e-6 of another point; true when one was dropped.
bool releaseBracket(std::array<double, 3>& g, std::array<double, 3>& p) {
  if (g[0] == 0.0 || g[1] == 0.0 || g[2] == 0.0) return false;
  const bool s0 = g[0] > 0.0, s1 = g[1] > 0.0, s2 = g[2] > 0.0;
  if (s0 == s1 && s1 == s2) return false;
  const std::size_t lone = s1 == s2 ? 0 : (s0 == s2 ? 1 : 2);
  const double xr = p[lone];
  std::array<std::size_t, 2> others{};
  std::size_t m = 0;
  for (std::size_t j = 0; j < 3; ++j) {
    if (j != lone) others[m++] = j;
  }
  const bool near = std::abs((p[others[0]] - xr) / xr) < kReleaseTolerance ||
                    std::abs((p[others[1]] - xr) / xr) <= kReleaseTolerance;
  if (!near) return false;
  for (std::size_t j = lone; j + 1 < 3; ++j) {
    g[j] = g[j + 1];
    p[j] = p[j + 1];
  }
  g[2] = 0.0;
  p[2] = 0.0;
  return true;
}

}  // namespace

void SPFLST(std::int32_t& w1, std::int32_t& w2, std::int32_t& w3, std::int32_t& w4,
            std::int32_t metuse) {
  methods::FLMSET(w1, w2, w3, w4, metuse);
}

void SPSTRN(std::span<char> text, std::int32_t nopt, std::int32_t isrnum, std::string_view id,
            std::string_view txt) {
  const std::int32_t d1 = nopt % 10, byNumber = (nopt / 10) % 10, d3 = (nopt / 100) % 10;
  std::array<char, 75> label{};
  if (byNumber != 0) {
    const auto streamId = problem::ISRID(isrnum);
    const auto streamText = problem::SRTEXT(isrnum);
    problem::STRNAM(label, d3, d1, "STREAM", isrnum, streamId.view(), streamText.view());
  } else {
    problem::STRNAM(label, d3, d1, "STREAM", isrnum, id, txt);
  }
  for (std::size_t c = 0; c < text.size(); ++c) text[c] = c < label.size() ? label[c] : ' ';
}

void SPETVP(std::int32_t isrnum, std::int32_t metuse, std::int32_t nc, double t,
            std::span<const double> x, std::span<double> y, std::span<double> k,
            std::int32_t& ierr, double& tvp) {
  const auto n = static_cast<std::size_t>(std::max(nc, 0));
  const std::int32_t saved = problem::THCTL.currentSet;
  std::int32_t w1 = 0, w2 = 0, w3 = 0, w4 = 0;
  SPFLST(w1, w2, w3, w4, metuse);
  const auto restore = [&] {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, saved);
  };
  // No vapour pressure without a vapour-pressure method, at an absolute temperature that is
  // not positive (an unset TVP temperature would divide by zero below) or without the
  // critical constants and acentric factors of the start estimate in core.
  using problem::ComponentReal;
  const auto& pointers = problem::COPTRS;
  const bool constantsInCore = pointers.inCore(ComponentReal::CriticalTemperature) &&
                               pointers.inCore(ComponentReal::CriticalPressure) &&
                               pointers.inCore(ComponentReal::AcentricFactor);
  if (services::LMCODA(methods::KMCTL.kvalue.code) == 1 || !(t > 0.0) || !constantsInCore) {
    tvp = services::DMISS;
    restore();
    return;
  }
  ierr = 0;
  equilibrium::restartVapourPressureCache();
  double zv = 0.0, zl = 0.0;

  // Start estimate, Wilson form: Ps = Pc exp(5.37 (1 + w)(1 - Tc/T)), exponent within 70.
  tvp = 0.0;
  const storage::RealView tc = constants(problem::ComponentReal::CriticalTemperature, n);
  const storage::RealView pc = constants(problem::ComponentReal::CriticalPressure, n);
  const storage::RealView omega = constants(problem::ComponentReal::AcentricFactor, n);
  for (std::size_t i = 0; i < n; ++i) {
    double a = kWilsonSlope * (1.0 + omega[i]) * (1.0 - tc[i] / t);
    a = std::clamp(a, -kExponentClamp, kExponentClamp);
    y[i] = pc[i] * std::exp(a);
    tvp += y[i] * x[i];
  }
  tvp = std::max(tvp, kLowestPressure);
  for (std::size_t i = 0; i < n; ++i) y[i] = y[i] * x[i] / tvp;

  // The engine's liquid: x scaled by the sum over the non-water components, water 0 (with
  // water option 3 the sum runs over all and water stays); water enters as min(x_w, s_w).
  const std::int32_t water = problem::THCTL.waterComponent;
  const auto w = static_cast<std::size_t>(std::max(water, 0));
  const bool waterInSum = problem::THCTL.waterOption == kWaterInLiquidSum;
  double liquidSum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i + 1 != w || waterInSum) liquidSum += x[i];
  }
  const double scale = liquidSum > 0.0 ? 1.0 / liquidSum : 0.0;
  const auto scaled = [&](std::size_t i) { return i + 1 == w && !waterInSum ? 0.0 : x[i] * scale; };

  const auto ncvap = problem::COHDR(problem::cohdr::kVapourComponents);
  std::array<double, 3> g{}, p{};
  std::int32_t iter = 0;
  double d = tvp;
  bool converged = false;
  for (std::int32_t pass = 1; pass <= kPasses; ++pass) {
    std::int32_t kccall = 12, status = 0, fugacity = 0;
    equilibrium::KCALC(ncvap, nc, y, x, k, t, tvp, zv, zl, kccall, 0, 1, status, 0, fugacity);
    const double vw = w > 0 ? std::min(x[w - 1], problem::THCTL.xwd) : 0.0;
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += i + 1 == w ? vw * k[i] : scaled(i) * k[i];
    double gf = s - 1.0;
    if ((tvp < kClampLow || tvp > kClampHigh) && std::abs(gf) > kResidualClamp) {
      gf = gf <= 0.0 ? -kResidualClamp : kResidualClamp;
    }
    if (std::abs(gf) <= kTolerance) {
      converged = true;
      break;
    }
    ++iter;
    const double dvarmx = pass > 15 && std::abs(gf) < 0.1 ? 0.5 * tvp : d;
    double step = 0.0;
    services::XEXTRP(iter, gf, tvp, g, p, dvarmx, step);
    if (iter > 5 && releaseBracket(g, p)) iter = 2;
    d *= 2.0;
    const double p0 = tvp;
    tvp = p0 + step;
    if (tvp > kHighestPressure) {
      tvp = (2.0 * kHighestPressure - p0) / 3.0;
    } else if (tvp < kLowestPressure) {
      tvp = p0 / 3.0;
    }
    tvp = std::clamp(tvp, kLowestPressure, kHighestPressure);
    for (std::size_t i = 0; i < n; ++i) y[i] = i + 1 == w ? vw * k[i] : scaled(i) * k[i];
  }
  if (!converged) {
    ierr = 1;
    std::array<char, 75> label{};
    SPSTRN(label, 11, isrnum, " ", " ");
    services::MSGPAR.longTexts(1).assign(std::string_view(label.data(), label.size()));
    services::MSGPAR.integers(2) = 2;
    services::MSGOUT(kNotConverged);
  }
  restore();
}

}  // namespace streamprops
