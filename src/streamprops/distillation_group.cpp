// The 400 group of the stream-property codes and the cubic spline of distillation tables.
#include "streamprops/distillation_group.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "storage/storage.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "streamprops/curve_internal.hpp"
#include "streamprops/distillation_tables.hpp"
#include "streamprops/property_internal.hpp"
#include "streamprops/reid_correlation.hpp"
#include "streamprops/reid_flash.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/true_vapour_pressure.hpp"

namespace streamprops {
namespace {

// Request words read here.
constexpr std::int32_t kVariant = 15;
constexpr std::int32_t kLookup = 16;
constexpr double kLookupPreset = 100000.0;  // asks TBLQIN for its turning-point check

// Kept so that a warm call allocates nothing; every problem open frees it.
std::vector<double> composition;
std::vector<double> sweep;
std::vector<double> vapour;
std::vector<double> kvalues;
const bool kReset = services::registerKeptValues([] {
  composition = {};
  sweep = {};
  vapour = {};
  kvalues = {};
});

// The curve type of a code of the group; 0 for none.
std::int32_t curveTypeOf(std::int32_t code, std::int32_t variant) {
  switch (code) {
    case 400:
      return variant == 2 ? 8 : 1;
    case 401:
      return 2;
    case 402:
      return 4;
    case 403:
      return variant == 1 ? 5 : variant == 2 ? 6 : 0;
    case 409:
      return 7;
    default:
      return 0;
  }
}

// Word 14: the RVP method of 404, the reference (feed) stream of 406.
constexpr std::int32_t kRvpMethodWord = 14;
constexpr std::int32_t kDefaultRvpWord = 18;   // integer of GCL: the default RVP method
constexpr std::int32_t kTvpTemperatureWord = 2;  // real of GCL: the TVP temperature of 405, K
constexpr double kHundredF = 310.928;            // K
constexpr std::int32_t kSlopeMethod = 1;
// Slope span of the slope correlation: the 5 % and 15 % points, 10 per cent apart.
constexpr std::size_t kFivePercent = 1;
constexpr std::size_t kFifteenPercent = 3;
constexpr double kSlopeSpan = 10.0;

// The RVP method of a request: word 14, else the default, else method 1.
std::int32_t rvpMethod(std::int32_t requested) {
  const auto valid = [](std::int32_t m) { return m >= 1 && m <= 7; };
  if (valid(requested)) return requested;
  const std::int32_t fallback = problem::GCLTAB.integers(kDefaultRvpWord);
  return valid(fallback) ? fallback : 1;
}

}  // namespace

void TBPHLP(std::int32_t n, std::span<const double> x, std::span<const double> y,
            std::span<double> m2, double xi, double& yi, double& dyi, double& d2yi,
            std::int32_t iopt, std::int32_t ider) {
  if (n < 1) return;
  const auto np = static_cast<std::size_t>(n);
  // Second derivatives: M2(1) = M2(N) = 0 and, for i = 2..N-1,
  //   h(i-1) M2(i-1) + 2 (h(i-1) + h(i)) M2(i) + h(i) M2(i+1) = 6 (s(i) - s(i-1)).
  if (iopt != 1) {
    m2[0] = 0.0;
    m2[np - 1] = 0.0;
    if (sweep.size() < np) sweep.resize(np);
    if (np >= 3) {
      sweep[0] = 0.0;
      for (std::size_t i = 1; i + 1 < np; ++i) {
        const double hl = x[i] - x[i - 1], hr = x[i + 1] - x[i];
        const double rhs = 6.0 * ((y[i + 1] - y[i]) / hr - (y[i] - y[i - 1]) / hl);
        const double pivot = 2.0 * (hl + hr) - hl * sweep[i - 1];
        sweep[i] = hr / pivot;
        m2[i] = (rhs - hl * m2[i - 1]) / pivot;
      }
      for (std::size_t i = np - 2; i >= 1; --i) m2[i] -= sweep[i] * m2[i + 1];
    }
  }
  if (xi <= x[0] || np == 1) {
    yi = y[0];
    if (ider == 1) dyi = 0.0;
    return;
  }
  if (xi > x[np - 1]) {
    yi = y[np - 1];
    if (ider == 1) dyi = 0.0;
    return;
  }
  std::size_t i = 0;
  while (x[i + 1] < xi) ++i;
  const double h = x[i + 1] - x[i];
  const double a = xi - x[i];
  const double b = x[i + 1] - xi;
  yi = (m2[i] / 6.0 * (b * b - h * h) + y[i]) * b / h +
       (m2[i + 1] / 6.0 * (a * a - h * h) + y[i + 1]) * a / h;
  if (ider > 0) {
    dyi = (y[i + 1] - y[i]) / h - m2[i] * b * b / (2.0 * h) + m2[i + 1] * a * a / (2.0 * h) -
          (m2[i + 1] - m2[i]) * h / 6.0;
  }
  if (ider == 2) d2yi = (b * m2[i] + a * m2[i + 1]) / h;
}

void SPE400(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t& istat,
            double& value, std::int32_t noflag, double argval) {
  using detail::word;
  istat = 0;
  const std::int32_t code = word(oprec, spcrec::kCode);
  // The cut temperature of a product: its cumulative yield on the feed's TBP curve.
  if (code == 406) {
    double yield = 0.0;
    SPE406(word(oprec, kRvpMethodWord), word(oprec, spcrec::kStream), yield);
    SPE46B(word(oprec, kRvpMethodWord), yield, noflag, value);
    return;
  }
  const std::size_t n =
      static_cast<std::size_t>(std::max(problem::COHDR(problem::cohdr::kComponents), 0));
  const detail::BasisVector basis(word(oprec, spcrec::kPhase), noflag);
  if (composition.size() < n) composition.resize(n);
  std::span<double> x(composition.data(), n);
  if (n > 0) basis.x().copyTo(x);

  // The true vapour pressure: at the TVP temperature for 405, at 100 F for the RVP.
  std::int32_t method = 0;
  double tvp = 0.0;
  if (code == 404 || code == 405) {
    const std::int32_t reference = word(oprec, spcrec::kReference);
    const std::int32_t stream = reference == 1   ? problem::SRPSET.set2.stream
                                : reference == 0 ? word(oprec, spcrec::kStream)
                                                 : 0;
    // The vapour-pressure method sets of the problem replace the stream's own when set.
    const std::int32_t own = storage::CORSTO[problem::SRPSET.set1.integerSector + kMethodSetWord];
    const auto& overrides = problem::DBGLOB.vapourPressureSets;
    const std::int32_t set = overrides.trueVapour > 0 ? overrides.trueVapour : own;
    const std::int32_t flashSet = overrides.reidFlash > 0 ? overrides.reidFlash : own;
    if (vapour.size() < n) vapour.resize(n);
    if (kvalues.size() < n) kvalues.resize(n);
    const double t = code == 405 ? problem::GCLTAB.reals(kTvpTemperatureWord) : kHundredF;
    SPETVP(stream, set, static_cast<std::int32_t>(n), t, x,
           std::span<double>(vapour.data(), n), std::span<double>(kvalues.data(), n), istat,
           tvp);
    if (code == 405) {
      value = tvp;
      return;
    }
    method = rvpMethod(word(oprec, kRvpMethodWord));
    // The flash methods need no curve: the process-stream method 3 and the standard tests
    // 4 to 6.
    if (method == 3) {
      SPERV1(stream, flashSet, static_cast<std::int32_t>(n), x, tvp, istat, value);
      return;
    }
    if (method >= 4 && method <= 6) {
      SPERV2(method, stream, flashSet, static_cast<std::int32_t>(n), x, tvp, istat, value);
      return;
    }
    // Method 7 has no evaluator; it leaves no stale value behind.
    if (method == 7) {
      value = services::DMISS;
      return;
    }
  }

  const std::int32_t type = code == 404 ? 2 : curveTypeOf(code, word(oprec, kVariant));
  if (type == 0) {
    value = services::DMISS;
    return;
  }
  // The curve of the composition; a failed build leaves zeros.
  std::array<double, kCurvePoints> t{};
  const BlendConstants c = detail::constantsOf(n);
  if (!detail::curveOf(x, type, 0, services::IOUNIT.report, c, t)) t.fill(0.0);
  if (code == 404) {
    // Slope of the curve from 5 % to 15 %, per per cent.
    const double slope = (t[kFifteenPercent] - t[kFivePercent]) / kSlopeSpan;
    SPERVC(method, kSlopeMethod, slope, tvp, value);
    return;
  }
  if (word(oprec, kLookup) != 1) return;

  // The table of percentages: initial point, 5, 10, ..., 95, end point.
  double ibp = 0.0, end = 0.0;
  detail::curveCuts(ibp, end);
  std::array<double, kCurvePoints> p{};
  for (std::size_t k = 0; k < kCurvePoints; ++k) p[k] = 5.0 * static_cast<double>(k);
  p[0] = ibp * 100.0;
  p[kCurvePoints - 1] = end * 100.0;
  if (argval <= p[0]) {
    value = t[0];
  } else if (argval >= p[kCurvePoints - 1]) {
    value = t[kCurvePoints - 1];
  } else {
    value = kLookupPreset;
    std::array<double, 3> coef{};
    std::int32_t k = 0;
    services::TBLQIN(p, t, static_cast<std::int32_t>(kCurvePoints), argval, value, coef, k);
  }
}

}  // namespace streamprops
