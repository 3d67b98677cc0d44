// TRCORS: the vapour molar density of the density-based transport methods (code 124), from
// the method-124 equation of state of the current set's vapour-density entry.
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/numeric.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/liquid_density.hpp"
#include "thermo/pure/method_coefficient_blocks.hpp"

namespace phase {
namespace {

using methods::LDSTAT;
using storage::CORSTO;
namespace cubicblock = pure::cubicblock;

constexpr std::int32_t kDensityMethod = 124;
constexpr double kTraceThreshold = 1e-10;

// Work arrays of the evaluation, kept between calls.
struct Work {
  std::vector<double> block, x, sqrta, a, k, abar, bbar, lnphi;
  std::vector<std::int32_t> forms, counts;
};
Work work;
const bool kWorkReset = services::registerKeptValues([] { work = {}; });

void size(std::size_t n, std::size_t np) {
  for (std::vector<double>* v :
       {&work.x, &work.sqrta, &work.a, &work.abar, &work.bbar, &work.lnphi}) {
    if (v->size() < n) v->resize(n);
  }
  if (work.k.size() < np) work.k.resize(np);
  if (work.forms.size() < n) work.forms.resize(n);
  if (work.counts.size() < n) work.counts.resize(n);
}

}  // namespace

void TRCORS(std::int32_t n, double t, double p, std::span<const double> y, double& rho,
            std::int32_t& ierr) {
  if (methods::PMCTL1.vapourDensity.code != kDensityMethod) return;
  pure::MDLOD6();
  rho = services::DMISS;
  if (n < 1 || t <= 0.0 || p <= 0.0) {
    ierr = 1;
    return;
  }
  const auto nc = static_cast<std::size_t>(n);
  const std::size_t np = nc > 1 ? nc * (nc - 1) / 2 : 1;
  // The block must hold the per-component arrays, the pairs and the five arrays after them.
  const std::size_t need = static_cast<std::size_t>(cubicblock::pairs(n) - 1) + 3 * np + 5 * nc;
  if (LDSTAT.address <= 0 || LDSTAT.address == services::NODISK ||
      static_cast<std::size_t>(LDSTAT.realLength1) < need ||
      static_cast<std::size_t>(LDSTAT.integerLength1) < nc) {
    ierr = 1;
    return;
  }
  size(nc, np);
  const auto words = static_cast<std::size_t>(LDSTAT.realLength1);
  if (work.block.size() < words) work.block.resize(words);
  for (std::size_t k = 0; k < words; ++k) {
    work.block[k] = CORSTO.real(LDSTAT.realSector1 + static_cast<std::int32_t>(k) + 1);
  }
  const std::span<const double> block(work.block.data(), words);
  const auto at = [](std::int32_t word) { return static_cast<std::size_t>(word - 1); };

  // 1. The composition without the free-water component.
  double frac = 0.0, sum = 0.0;
  const std::span<double> x(work.x.data(), nc);
  services::NRMCNT(n, y.first(nc), x, std::span<std::int32_t>(work.counts.data(), nc), 0,
                   problem::THCTL.idecnt, kTraceThreshold, frac, sum);

  // 2. Pure-component terms and the pair values 1 - (a + b/T + c/T^2).
  for (std::size_t i = 0; i < nc; ++i) {
    work.forms[i] = CORSTO[LDSTAT.integerSector1 + static_cast<std::int32_t>(i) + 1];
  }
  const std::span<const double> tc = block.subspan(at(cubicblock::criticalTemperature(n)), nc);
  pure::EOSTWU(
      block.subspan(at(cubicblock::sqrtAc(n)), nc), block.subspan(at(cubicblock::alpha(n)), 3 * nc),
      std::span<const std::int32_t>(work.forms.data(), nc), 1, 3, n, t, tc,
      std::span<double>(work.sqrta.data(), nc), std::span<double>(work.a.data(), nc), {}, {});
  const std::size_t pairs = at(cubicblock::pairs(n));
  for (std::size_t q = 0; q < np; ++q) {
    work.k[q] = nc > 1 ? 1.0 - (block[pairs + q] + block[pairs + np + q] / t +
                                block[pairs + 2 * np + q] / (t * t))
                       : 1.0;
  }

  // 3. The mixing rule, the vapour root and the volume shift.
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  const std::span<double> abar(work.abar.data(), nc);
  const std::span<double> bbar(work.bbar.data(), nc);
  pure::EOSMR7(std::span<const double>(work.sqrta.data(), nc), {}, {},
               block.subspan(at(cubicblock::covolume(n)), nc),
               std::span<const double>(work.k.data(), np), {}, {}, 1, n, x, am, amT, amTT, abar, {},
               {}, bm, bmT, bmTT, bbar, {}, {});
  double z = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  std::int32_t status = pure::kTrueRoot;
  pure::EOSZRT(am, amT, amTT, abar, {}, {}, bm, bmT, bmTT, bbar, {}, {}, pure::kVapourPhase, 1, n,
               p, pure::kReferencePressure, block[at(cubicblock::kU1)], block[at(cubicblock::kU2)],
               t, z, zT, zP, std::span<double>(work.lnphi.data(), nc), {}, {}, {}, hr, sr, cpr, cvr,
               cpcv, {}, {}, methods::PMCTL2.ISEUDI, status);
  const std::span<const double> shifts = block.subspan(pairs + 3 * np + 4 * nc, nc);
  pure::DNVIR(z, t, p, n, shifts, x, z);
  if (status == pure::kNoRoot || !(z > 0.0) || !std::isfinite(z)) {
    ierr = 1;
    return;
  }
  rho = p / (t * services::kGasConstant * z);
}

}  // namespace phase
