// FLSNPC and FLSNGL: the pure-component flash and the K-value convergence of a single
// phase, the two special cases of the successive-substitution flash.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/parameter_values.hpp"
#include "flash/substitution.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {
namespace {

constexpr double kUndefined = -1e35;        // PARVAL: the set does not define the parameter
constexpr double kSearchFloor = 1e-4;       // kPa: below it the pressure search is not tried
constexpr double kLowestTemperature = 1.0;  // K
constexpr std::int32_t kPhaseBoth = 12;     // K-value call option: both phases
constexpr std::int32_t kKeepK = 1;          // K option word: start from the K-values held
constexpr std::int32_t kKValuesFailed = 50;
constexpr std::size_t kNoteCounter = 5;
constexpr std::int32_t kFailureNotes = 201;

// Search modes of the fixed-fraction flash.
constexpr std::int32_t kTemperatureSearch = 1;
constexpr std::int32_t kPressureSearch = 2;

// The two work vectors FLSNPC hands to the fixed-fraction flash, kept so that a warm call
// allocates nothing.
std::vector<double> fitIntercepts, fitSlopes;
const bool kScratchReset = services::registerKeptValues([] {
  fitIntercepts = {};
  fitSlopes = {};
});

// A critical constant or the acentric factor of component P: from the current method set,
// else the component table (SECTOR; 0: no table value, FALLBACK). SOURCE names where it
// came from.
double pureParameter(std::int32_t p, ParameterKind kind, problem::ComponentReal sector,
                     double fallback, const char*& source) {
  std::array<std::int32_t, parameterrequest::kWords> rec{};
  rec[parameterrequest::kMethodSet - 1] = problem::THCTL.currentSet;
  rec[parameterrequest::kComponents - 1] = p * parameterrequest::kComponentScale;
  rec[parameterrequest::kKind - 1] = static_cast<std::int32_t>(kind);
  double value = 0.0;
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  PARVAL(rec, value, d3, d4, d5, ndig);
  if (!(value < kUndefined)) {
    source = "THERMO";
    return value;
  }
  const std::int32_t start = problem::COPTRS.realSector(sector);
  if (start != services::NOCORE && start > 0) {
    const double table = storage::CORSTO.real(start + p);
    if (kind != ParameterKind::AcentricFactor || table > kUndefined) {
      source = "COMP DATA";
      return table;
    }
  }
  source = "DEFAULT";
  return fallback;
}

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

constexpr double kDominant = 1e30;  // the share of a component that makes up the phase

// The incipient phase of a single-phase result, normalised: K z from a liquid feed (0 for
// an absent component, whatever its K), z/K from a vapour (K not above 0, a NaN included:
// 1e30 when z > 0, else 0). A term that overflows counts as 1e30, like a vanishing K in a
// vapour. K-values that give no composition (a NaN, or no positive sum, as when every K of
// a present component is 0 in a liquid) leave the feed composition in its place: the phase
// is absent, and a NaN or zero trace would only travel on.
void incipientPhase(bool fromLiquid, std::int32_t nc, std::span<const double> z,
                    std::span<const double> k, std::span<double> out) {
  const std::size_t n = count(nc);
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double v = 0.0;
    if (fromLiquid) {
      v = z[i] != 0.0 ? k[i] * z[i] : 0.0;
    } else {
      v = k[i] > 0.0 ? z[i] / k[i] : (z[i] > 0.0 ? kDominant : 0.0);
    }
    if (std::isinf(v) && v > 0.0) v = kDominant;
    out[i] = v;
    sum += v;
  }
  if (!(sum > 0.0) || !std::isfinite(sum)) {
    std::copy_n(z.begin(), n, out.begin());
  }
  services::NORMLZ(nc, out);
}

}  // namespace

void FLSNPC(std::int32_t mmpure, IsothermalFlash& a) {
  // 1. Entry.
  if (a.IDEBUG > 0)
    writef(a.IOUT, " ENTERED FLSNPC T=%12.5f P=%12.5f MMPURE=%4d", a.T, a.P, mmpure);
  // 2. The component is the whole of both phases.
  const auto p = static_cast<std::size_t>(mmpure - 1);
  a.X[p] = 1.0;
  a.Y[p] = 1.0;
  a.XK[p] = 1.0;
  const char* source = "";
  const auto trace = [&](const char* label, double value) {
    if (a.IDEBUG > 0) writef(a.IOUT, " %s%14.6E  FROM %s", label, value, source);
  };
  // 3. Critical temperature.
  const double tc = pureParameter(mmpure, ParameterKind::CriticalTemperature,
                                  problem::ComponentReal::CriticalTemperature, 0.0, source);
  trace("CRITICAL TEMPERATURE = ", tc);
  bool callK = true;
  if (a.T > tc) {
    // 4. Above the critical temperature: vapour.
    if (a.IDEBUG > 0) writef(a.IOUT, " ABOVE TC - ALL VAPOR");
    a.FVAPOR = 1.0;
  } else {
    // 5. Critical pressure.
    const double pc = pureParameter(mmpure, ParameterKind::CriticalPressure,
                                    problem::ComponentReal::CriticalPressure, 0.0, source);
    trace("CRITICAL PRESSURE    = ", pc);
    if (a.P > pc) {
      if (a.IDEBUG > 0) writef(a.IOUT, " ABOVE PC - ALL LIQUID");
      a.FVAPOR = 0.0;
    } else {
      // 6. Subcritical: the vapour-pressure estimate.
      a.FVAPOR = 1.0;
      a.IFFAIL = kFlashSolved;
      const double w = pureParameter(mmpure, ParameterKind::AcentricFactor,
                                     problem::ComponentReal::AcentricFactor, 0.0, source);
      trace("OMEGA                = ", w);
      const double slope = 7.0 * (1.0 + w);
      const double ps = pc * std::pow(10.0, -slope * (tc / a.T - 1.0) / 3.0);
      const std::size_t n = count(a.NCOMP);
      if (fitIntercepts.size() < n) {
        fitIntercepts.resize(n);
        fitSlopes.resize(n);
      }
      const auto wlnk = std::span<double>(fitIntercepts).first(n);
      const auto wslp = std::span<double>(fitSlopes).first(n);
      const FlashAlgorithms& algorithms = flashAlgorithms();
      bool decided = false;
      // 7. The dew-point pressure at T.
      if (ps > kSearchFloor) {
        a.IFFAIL = kFlashSolved;
        double t = a.T, pd = ps;
        a.FVAPOR = 1.0;
        algorithms.flasl2(a.IOUT, a.NCOMP, a.NC, a.IDEBUG, kPressureSearch, a.IFFAIL, a.KCDRV, a.Z,
                          a.X, a.Y, a.XK, t, pd, a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR, a.ZV, a.ZL,
                          a.KLLE, wlnk, wslp);
        if (a.IFFAIL == kFlashSolved) {
          decided = true;
          if (a.IDEBUG > 0) writef(a.IOUT, "DEW POINT PRESSURE = %14.6E", pd);
          if (pd <= a.P) {
            a.FVAPOR = 0.0;
            if (a.IDEBUG > 0) {
              writef(a.IOUT, " DEW POINT PRESSURE - ALL %s LIQUID", pd == a.P ? "EQUAL" : "ABOVE");
            }
          } else {
            a.FVAPOR = 1.0;
            if (a.IDEBUG > 0) writef(a.IOUT, " DEW POINT PRESSURE - ALL BELOW VAPOR");
          }
        }
      }
      // 8. The dew-point temperature at P.
      if (!decided) {
        double td = tc / (1.0 + 3.0 * std::log10(pc / a.P) / slope);
        if (td <= kLowestTemperature) {
          if (a.IDEBUG > 0) writef(a.IOUT, "DEW POINT TEMPERATURE = %14.6E   TOO LOW", td);
          a.FVAPOR = 0.0;
        } else {
          a.IFFAIL = kFlashSolved;
          double pt = a.P;
          a.FVAPOR = 1.0;
          algorithms.flasl2(a.IOUT, a.NCOMP, a.NC, a.IDEBUG, kTemperatureSearch, a.IFFAIL, a.KCDRV,
                            a.Z, a.X, a.Y, a.XK, td, pt, a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR,
                            a.ZV, a.ZL, a.KLLE, wlnk, wslp);
          if (a.IFFAIL != kFlashSolved) {
            // No K-value call; the fractions still add up to the feed.
            callK = false;
            a.FLIQHC = 1.0 - a.FVAPOR;
          } else if (td < a.T) {
            a.FVAPOR = 1.0;
            if (a.IDEBUG > 0) writef(a.IOUT, " DEW POINT TEMPERATURE - ALL VAPOR");
          } else {
            a.FVAPOR = 0.0;
            if (a.IDEBUG > 0) {
              writef(a.IOUT, " DEW POINT TEMPERATURE - ALL %s LIQUID",
                     td == a.T ? "EQUAL" : "BELOW");
            }
          }
        }
      }
    }
  }
  // 9. One K-value call in the phase decided.
  if (callK) {
    a.FLIQHC = 1.0 - a.FVAPOR;
    std::int32_t kccall = kPhaseBoth, ierr = 0, ifugst = 0;
    flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, kKeepK, ierr,
                 a.KLLE, ifugst);
  }
  // 10. Exit.
  if (a.IDEBUG > 0) writef(a.IOUT, " LEAVING FLSNPC - IFFAIL=%4d", a.IFFAIL);
}

void FLSNGL(const SinglePhaseControl& c, std::span<const double> z, std::span<double> y,
            std::span<double> x, std::span<double> k, std::span<double> kold, double& zv,
            double& zl, std::int32_t& ierr, double& dkmax) {
  const bool liquid = c.kind == SinglePhase::Liquid;
  if (c.idebug > 0) {
    writef(c.iout, " ENTERED FLSNGL - CONVERGE KVALUES FOR SINGLE PHASE %s",
           liquid ? "HC LIQUID" : "VAPOR");
  }
  const std::size_t n = count(c.ncomp);
  std::int32_t iter = 0;
  for (;;) {
    // 1. Count the pass.
    if (++iter > c.maxit) {
      if (c.idebug > 0) writef(c.iout, "EXCEEDED MAXIMUM ITERATIONS");
      break;
    }
    // 2. Keep the K-values.
    std::copy_n(k.begin(), n, kold.begin());
    // 3. The phase is the feed; the incipient phase comes from the K-values.
    std::copy_n(z.begin(), n, (liquid ? x : y).begin());
    incipientPhase(liquid, c.ncomp, z, k, liquid ? y : x);
    // 4. New K-values.
    methods::PMCTL2.ISEUDI = c.roots;
    std::int32_t kccall = kPhaseBoth, kerr = 0, ifugst = 0;
    flashKValues(c.ncomp, c.nc, y, x, k, c.t, c.p, zv, zl, kccall, c.kcdrv, kKeepK, kerr, c.klle,
                 ifugst);
    // 5. A failed fugacity evaluation ends the convergence.
    if (ifugst > 0) {
      auto& notes = FLCNTR.words(kNoteCounter);
      ++notes;
      ierr = kKValuesFailed;
      constexpr const char* kText = "FLSNGL - KVALUE CALCS FAILED";
      if (c.idebug > 0) writef(c.iout, " ** WARNING ** %s", kText);
      if (notes < kFailureNotes && c.level <= c.idebug) {
        services::MSGPAR.composition.assign(kText);
        services::MSGOUT(kFlashWarning);
      }
      break;
    }
    // 6. The largest relative change over the components present.
    dkmax = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (z[i] > c.zmin && k[i] > 0.0) dkmax = std::max(dkmax, std::abs(k[i] - kold[i]) / k[i]);
    }
    if (c.idebug > 0) writef(c.iout, " ITER1=%4d  DKMAX = %14.6E", iter, dkmax);
    if (c.idebug > 2) {
      writef(c.iout, "XKVALU WAS CALCD FROM VAPOR AND XLIQ");
      writef(c.iout, " COMP       VAPOR            XLIQ            XKVALU");
      for (std::size_t i = 0; i < std::min(n, count(c.nprt)); ++i) {
        if (z[i] > 0.0) writef(c.iout, " %4zu %14.6E %14.6E %14.6E", i + 1, y[i], x[i], k[i]);
      }
    }
    // 7. Converged?
    if (dkmax < c.tol) {
      if (c.idebug > 0) writef(c.iout, "KVALUES CONVERGED");
      break;
    }
  }
  if (c.idebug > 0) {
    writef(c.iout, " LEAVING FLSNGL - IERR=%4d ITER1=%4d   DKMAX =%14.6E", ierr, iter, dkmax);
  }
}

}  // namespace flash
