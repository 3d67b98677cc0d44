// The distillation curves, vapour pressures and vapour Cv of the stream reader.
#include "api/access/stream_attributes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/flashed_totals.hpp"
#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/method_set_control.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/run_options.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/distillation_tables.hpp"
#include "streamprops/reid_correlation.hpp"
#include "streamprops/reid_flash.hpp"
#include "streamprops/true_vapour_pressure.hpp"
#include "thermo/phase/density_drivers.hpp"

namespace api_access {
namespace {

using services::DMISS;

// The 21-point grid entries (0-based) of the 13 points the reader returns: 0, 5, 10, 20,
// ..., 90, 95 and 100 % distilled.
constexpr std::array<std::size_t, kReaderCurvePoints> kReaderPoints{0,  1,  2,  4,  6,  8, 10,
                                                                    12, 14, 16, 18, 19, 20};

// Distillation options of table BP: the D86 conversion method.
constexpr std::size_t kConversionMethodWord = 5;
constexpr std::int32_t kNoD86Curve = 6;  // the conversion method that builds no D86 curve

// Table GCL: the problem's RVP method and the temperature of the true vapour pressure.
constexpr std::size_t kRvpMethodWord = 18;
constexpr std::size_t kTvpTemperatureWord = 2;
constexpr double kHundredF = 310.928;  // K
constexpr double kSameTemperature = 0.01;  // K
constexpr std::int32_t kSlopeCorrelation = 1;
constexpr std::int32_t kTvpCorrelation = 2;
constexpr std::int32_t kProcessStreamFlash = 3;  // then the standard tests 4, 5 and 6
constexpr std::int32_t kLastFlashMethod = 6;
// The slope of the D86 curve from 5 % to 15 %, 10 per cent apart (21-point grid entries).
constexpr std::size_t kFivePercent = 1;
constexpr std::size_t kFifteenPercent = 3;
constexpr double kSlopeSpan = 10.0;

// The Cv step and its volume search.
constexpr double kTemperatureStep = 1.0;  // K
constexpr std::int32_t kMostSecantSteps = 20;
constexpr double kSmallest = 1.0e-6;
constexpr double kMostPressureCut = 0.95;
constexpr double kLargeVolume = 100.0;  // m3/kmol: relative test above, absolute below
constexpr double kRelativeVolumeTolerance = 1.0e-5;
constexpr double kAbsoluteVolumeTolerance = 1.0e-4;

// The main-record integer that holds the stream's method set.
constexpr std::int32_t kMethodSetWord = 20;

// Scratch kept so that a warm call allocates nothing; every problem open frees it.
struct Scratch {
  std::vector<double> x, y, k, mw, sg, nbp, amounts, cumulative, mid;
  std::vector<std::int32_t> order;
};
Scratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = Scratch{}; });

std::size_t streamComponents() {
  return static_cast<std::size_t>(
      std::max(problem::COHDR(problem::cohdr::kStreamComponents), 0));
}

// The overall composition of the working stream by stored position.
std::span<double> overallComposition() {
  const std::size_t n = streamComponents();
  const std::span<double> x = services::sized(scratch.x, n);
  const problem::MainRecord m(problem::SRPSET.set2);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = m.vector(problem::srmain::kOverall, static_cast<std::int32_t>(i) + 1);
  }
  return x;
}

// Real sector K of the component table for the first N stored positions; DMISS throughout
// when the sector is not loaded.
std::span<const double> componentReals(problem::ComponentReal k, std::vector<double>& buffer,
                                       std::size_t n) {
  const std::span<double> out = services::sized(buffer, n);
  const std::int32_t start = problem::COPTRS.realSector(k);
  if (start == services::NOCORE) {
    std::fill(out.begin(), out.end(), DMISS);
  } else if (n > 0) {
    storage::CORSTO.reals(start + 1, static_cast<std::int32_t>(n)).copyTo(out);
  }
  return out;
}

// The 21-point curve of type KIND of composition X; false when it cannot be built.
bool curveOf(std::int32_t kind, std::span<const double> x,
             std::span<double, streamprops::kCurvePoints> curve) {
  using problem::ComponentReal;
  const std::size_t n = x.size();
  const auto& bp = problem::DBGLOB.bpvals;
  // The initial and end-point percentages, held as fractions when the end point is not
  // above 1.
  double ibp = bp.reals(1);
  double end = bp.reals(2);
  if (end > 1.0) {
    ibp /= 100.0;
    end /= 100.0;
  }
  const std::span<const double> mw = componentReals(ComponentReal::MolecularWeight, scratch.mw, n);
  const std::span<const double> sg =
      componentReals(ComponentReal::StandardLiquidDensity, scratch.sg, n);
  const std::span<const double> nbp =
      componentReals(ComponentReal::NormalBoilingPoint, scratch.nbp, n);
  const std::span<std::int32_t> order = services::sized(scratch.order, n);
  services::SORTIX(1, static_cast<std::int32_t>(n), nbp, order);
  const std::span<double> amounts = services::sized(scratch.amounts, n);
  std::copy(x.begin(), x.end(), amounts.begin());
  const streamprops::CurveComponents components{problem::THCTL.idecnt, order, mw, nbp, sg,
                                                amounts};
  std::int32_t iflag = 0, ierr = 0, basis = 0;
  double ibpT = 0.0, endT = 0.0;
  std::array<double, streamprops::kCurvePoints> tbp{};
  std::fill(curve.begin(), curve.end(), 0.0);
  streamprops::STMTBP(iflag, kind, ierr, 0, services::IOUNIT.report,
                      bp.integers(kConversionMethodWord), components, ibp, end, ibpT, endT, basis,
                      services::sized(scratch.cumulative, n), services::sized(scratch.mid, n),
                      curve, tbp);
  return ierr == 0;
}

// The method set of a vapour-pressure evaluation: OVERRIDE when it names one (above 0),
// else the working stream's own set.
std::int32_t methodSetOf(std::int32_t override) {
  if (override > 0) return override;
  problem::MainRecord m(problem::SRPSET.set2);
  return m.integer(kMethodSetWord);
}

// The true vapour pressure of X at T in the method set of the true vapour pressure, kPa.
double trueVapourPressure(std::span<const double> x, double t) {
  const std::size_t n = x.size();
  const std::int32_t set = methodSetOf(problem::DBGLOB.vapourPressureSets.trueVapour);
  std::int32_t ierr = 0;
  double tvp = DMISS;
  streamprops::SPETVP(problem::SRPSET.set2.stream, set, static_cast<std::int32_t>(n), t, x,
                      services::sized(scratch.y, n), services::sized(scratch.k, n), ierr, tvp);
  return tvp;
}

// The molar volume of the vapour of stream N at its state, m3/kmol; DMISS when it has none.
double vapourVolume(std::int32_t n) {
  double rhod = 0.0, rhow = 0.0, fdry = 0.0, fvap = 0.0;
  std::int32_t ierr = 0;
  phase::DVAPDR(n, rhod, rhow, fdry, fvap, ierr);
  return rhow > 0.0 ? fvap / rhow : DMISS;
}

}  // namespace

void PADCRV(std::int32_t kind, std::span<double, kReaderCurvePoints> values, std::int32_t iunset,
            std::int32_t& ierr) {
  ierr = 0;
  std::array<double, streamprops::kCurvePoints> curve{};
  if (!curveOf(kind, overallComposition(), curve)) {
    ierr = 1;
    std::fill(values.begin(), values.end(), 0.0);
    return;
  }
  for (std::size_t k = 0; k < values.size(); ++k) {
    values[k] = services::UOMCNV(curve[kReaderPoints[k]], services::kTemperatureClass, 1, iunset);
  }
}

void PARVP(double& rvp, double& tvp, std::int32_t mode, std::int32_t& ierr) {
  ierr = 0;
  rvp = DMISS;
  const std::span<double> x = overallComposition();
  const double reference = problem::GCLTAB.reals(kTvpTemperatureWord);
  tvp = trueVapourPressure(x, reference);
  if (mode != 1) return;

  const std::int32_t method = problem::GCLTAB.integers(kRvpMethodWord);
  const bool noCurve = problem::DBGLOB.bpvals.integers(kConversionMethodWord) == kNoD86Curve;
  if (method < kSlopeCorrelation || method > kLastFlashMethod ||
      (method == kSlopeCorrelation && noCurve)) {
    ierr = kRvpMethodUndefined;
    return;
  }
  double slope = 0.0;
  if (method == kSlopeCorrelation) {
    std::array<double, streamprops::kCurvePoints> d86{};
    curveOf(static_cast<std::int32_t>(streamprops::CurveType::D86), x, d86);
    slope = (d86[kFifteenPercent] - d86[kFivePercent]) / kSlopeSpan;
  }
  const double tvp100 =
      std::abs(reference - kHundredF) < kSameTemperature ? tvp : trueVapourPressure(x, kHundredF);
  if (method <= kTvpCorrelation) {
    streamprops::SPERVC(method, kSlopeCorrelation, slope, tvp100, rvp);
  } else {
    // The flashes of the test apparatus, in the Reid method set; a flash that fails leaves
    // the preset from the true vapour pressure, which the flash routines report as theirs.
    const std::int32_t set = methodSetOf(problem::DBGLOB.vapourPressureSets.reidFlash);
    const std::int32_t stream = problem::SRPSET.set2.stream;
    const auto nc = static_cast<std::int32_t>(x.size());
    std::int32_t status = 0;
    if (method == kProcessStreamFlash) {
      streamprops::SPERV1(stream, set, nc, x, tvp100, status, rvp);
    } else {
      streamprops::SPERV2(method, stream, set, nc, x, tvp100, status, rvp);
    }
  }
  // No pressure at all (no true vapour pressure to start from): refused, never the marker.
  if (!(rvp > services::RMISS)) {
    rvp = DMISS;
    ierr = kRvpNotEvaluated;
  }
}

void PAVCV(std::int32_t& n, double& cv, std::int32_t& ierr) {
  cv = DMISS;
  ierr = 0;
  const std::int32_t entry = n;
  std::int32_t s = 0;
  problem::SRSAVE(entry, s);
  problem::MainRecord m(problem::SRPSET.set2);

  const double v0 = vapourVolume(s);
  flash::HTOTFL(ierr);
  const double t0 = m.real(problem::srmain::kTemperature);
  const double p0 = m.real(problem::srmain::kPressure);
  const double h0 = m.real(problem::srmain::kEnthalpy);
  if (ierr == 0 && v0 > 0.0 && t0 > 0.0) {
    // The pressure at T0 + 1 K at which the molar volume is V0 again, from the ideal-gas
    // estimate P0 T1 / T0.
    const double t1 = t0 + kTemperatureStep;
    double p = p0 * t1 / t0;
    const auto volumeAt = [&](double pressure) {
      m.setReal(problem::srmain::kPressure, pressure);
      return vapourVolume(s);
    };
    m.setReal(problem::srmain::kTemperature, t1);
    double v = volumeAt(p);
    double dp = (p - p0) / 10.0;
    for (std::int32_t step = 0; step < kMostSecantSteps && v > 0.0; ++step) {
      const double d = volumeAt(p + dp) - v;
      if (!(std::abs(d) >= kSmallest)) break;
      double c = (v - v0) * dp / d;
      if (!(std::abs(c) >= kSmallest)) break;
      c = std::min(c, kMostPressureCut * p);
      p -= c;
      while (std::abs(dp) >= std::abs(c)) dp /= 2.0;
      if (std::abs(dp) < kSmallest) {
        v = volumeAt(p);
        break;
      }
      v = volumeAt(p);
      const bool converged = v0 >= kLargeVolume
                                 ? std::abs(v - v0) / v0 < kRelativeVolumeTolerance
                                 : std::abs(v - v0) < kAbsoluteVolumeTolerance;
      if (converged) break;
    }
    m.setReal(problem::srmain::kPressure, p);
    flash::HTOTFL(ierr);
    const double h1 = m.real(problem::srmain::kEnthalpy);
    if (ierr == 0 && v > 0.0) cv = (h1 - v * p) - (h0 - v0 * p0);
  } else if (ierr == 0) {
    ierr = kCvEnthalpyFailed;
  }
  if (ierr != 0) {
    ierr = kCvEnthalpyFailed;
    cv = DMISS;
  }
  problem::SRKILL(s);
  n = entry;
  problem::SRSET(n, 0);
}

}  // namespace api_access
