// KCMODL: K-values from the stored local model, extrapolated from its reference state.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/equilibrium/water_kvalues.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

using kvalue_internal::requireWork;
using kvalue_internal::setWorkValue;
using kvalue_internal::workValue;

constexpr std::string_view kName = "KCMODL";
constexpr double kPresence = 1e-16;
constexpr int kWaterDebugSwitch = 2;
constexpr int kKernelDebugSwitch = 3;

// The normalised compositions of the water step, kept between calls so that a warm call
// allocates nothing; every problem open starts them again.
struct ModelScratch {
  std::vector<double> y, x;
};
ModelScratch modelScratch;
const bool kModelScratchReset = services::registerKeptValues([] { modelScratch = {}; });

double word(std::int32_t offset, std::int32_t k) {
  return storage::CORSTO.real(methods::storedModelBlock.start + offset + k + 1);
}

// 6. The water K-value of the model's call.
void modelWater(std::size_t nck, std::size_t ncomp, std::span<const double> y,
                std::span<const double> x, std::span<double> k, double p, double t,
                const KOption& d) {
  const std::int32_t w = problem::THCTL.idecnt;
  if (w <= 0 || static_cast<std::size_t>(w) > ncomp) return;
  const auto wi = static_cast<std::size_t>(w - 1);
  ModelScratch& s = modelScratch;
  if (s.y.size() < ncomp) s.y.resize(ncomp);
  if (s.x.size() < ncomp) s.x.resize(ncomp);
  const std::span<double> yn(s.y.data(), nck), xn(s.x.data(), ncomp);
  requireWork(kVapourCompositionArray, ncomp, kName);
  requireWork(kLiquidCompositionArray, ncomp, kName);
  problem::MethodSetControl& wh = problem::THCTL;
  if (d.unnormalised == 0) {
    const std::int32_t excluded = wh.waterOption == kFreeWaterBesideEquilibrium ? 0 : w;
    const std::size_t nf = static_cast<std::size_t>(problem::FWPART.integerSize(kPhaseFlagArray));
    std::span<std::int32_t> flags;
    if (nf >= ncomp && ncomp > 0) {
      flags = storage::CORSTO.words(problem::FWPART.integerOffset(kPhaseFlagArray) + 1,
                                    static_cast<std::int32_t>(ncomp));
    }
    double fy = 0.0, fx = 0.0, sum = 0.0;
    services::NRMCNT(static_cast<std::int32_t>(nck), y, yn,
                     flags.first(std::min(flags.size(), nck)), flags.empty() ? 0 : 1, excluded,
                     kPresence, fy, sum);
    services::NRMCNT(static_cast<std::int32_t>(ncomp), x, xn, flags, flags.empty() ? 10 : 11,
                     excluded, kPresence, fx, sum);
    wh.liquidNonWaterFraction = fx;
  } else {
    std::copy_n(y.begin(), nck, yn.begin());
    std::copy_n(x.begin(), ncomp, xn.begin());
  }
  for (std::size_t i = 0; i < nck; ++i) setWorkValue(kVapourCompositionArray, i, yn[i]);
  for (std::size_t i = 0; i < ncomp; ++i) setWorkValue(kLiquidCompositionArray, i, xn[i]);
  const std::int32_t unit = services::IOUNIT.report;
  if (wh.waterOption == kFreeWaterBesideEquilibrium && d.rigorous > 0) {
    double pw = 0.0, dpwdt = 0.0;
    pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::VapourPressure),
                wh.waterPropertyMethod, t, p, pw, dpwdt,
                static_cast<std::int32_t>(pure::WaterPhase::Liquid), wh.waterPropertyCorrection,
                services::GDPOPT.diagnosticSwitch(kWaterDebugSwitch), unit, wh.partialPressure);
    wh.ywd = (pw / p) / std::exp(workValue(kVapourLnPhiArray, wi));
    wh.xwd = k[wi] != 0.0 ? wh.ywd / k[wi] : 0.0;
    wh.waterVapourPressure = pw;
    wh.waterVapourPressureSlope = dpwdt;
    setWorkValue(kDkDpArray, wi,
                 (workValue(kLiquidLnPhiPArray, wi) - workValue(kVapourLnPhiPArray, wi)) * k[wi]);
  } else {
    double kw = 0.0, dkwdt = 0.0, dkwdp = 0.0, dpwdt = 0.0, pw = 0.0;
    KCWATR(static_cast<std::int32_t>(ncomp), xn, kw, 0, dkwdt, dkwdp, dpwdt, d.rigorous, 0, t, p,
           unit, services::GDPOPT.diagnosticSwitch(kKernelDebugSwitch), pw, d.unnormalised);
    k[wi] = kw;
    wh.waterVapourPressure = pw;
    wh.waterVapourPressureSlope = dpwdt;
  }
  k[wi] = std::clamp(k[wi], kMinK, kMaxK);
}

}  // namespace

void KCMODL(double t, double p, std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, std::int32_t kcopt,
            std::int32_t& declined) {
  // 1. The model block.
  std::int32_t handle = methods::storedModelBlock.start;
  std::int32_t ierr = 0;
  methods::ALDESC(handle, ierr, storedModelSwitches.b);
  const methods::StoredModelBlock& b = methods::storedModelBlock;
  const std::size_t nk = static_cast<std::size_t>(std::clamp(nck, 0, b.nck));
  const std::size_t nc = static_cast<std::size_t>(std::clamp(ncomp, 0, b.ncomp));
  // 2. An unusable reference state declines.
  declined = 1;
  if (ierr != 0 || b.start == 0) return;
  const double t0 = word(0, 0), p0 = word(0, 1);
  if (!(t0 > 0.0) || !(p0 > 0.0)) return;
  declined = 0;

  // 3-5. ln K by the first-order expansion about the reference state.
  const std::int32_t level = storedModelSwitches.b;
  for (std::size_t i = 0; i < nk; ++i) {
    const auto ii = static_cast<std::int32_t>(i);
    const double k0 = word(b.k0, ii);
    double lnk = std::log(k0) - t0 * t0 * word(b.dkdt0, ii) / k0 * (1.0 / t - 1.0 / t0) +
                 p0 * word(b.dkdp0, ii) / k0 * std::log(p / p0);
    const auto row = static_cast<std::int32_t>(i * static_cast<std::size_t>(b.ncomp));
    if (level > 1 && b.dlnkdx >= 0) {
      for (std::size_t j = 0; j < nc; ++j) {
        const auto jj = static_cast<std::int32_t>(j);
        lnk += (x[j] - word(b.x0, jj)) * word(b.dlnkdx, row + jj);
      }
    }
    if (level > 2 && b.dlnkdy >= 0) {
      for (std::size_t j = 0; j < nc; ++j) {
        const auto jj = static_cast<std::int32_t>(j);
        lnk += (y[j] - word(b.y0, jj)) * word(b.dlnkdy, row + jj);
      }
    }
    k[i] = std::clamp(std::exp(std::clamp(lnk, -kMaxLnK, kMaxLnK)), kMinK, kMaxK);
  }
  // 6. The water K-value.
  modelWater(nk, nc, y, x, k, p, t, decodeKOption(kcopt));
  // 7. A component absent from both phases.
  for (std::size_t i = 0; i < nk; ++i) {
    if (x[i] <= 0.0 && y[i] <= 0.0) k[i] = 1.0;
  }
}

}  // namespace equilibrium
