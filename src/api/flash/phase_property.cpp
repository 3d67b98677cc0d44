// The phase property of a stream vector: enthalpy with heat capacity, entropy, or the
// compressibility factor of one phase by the drivers of the current method set.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "api/flash/stream_vector.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/density_drivers.hpp"
#include "thermo/phase/phase_drivers.hpp"

namespace api_flash {
namespace {

namespace m = problem::srmain;
using services::UOMCNV;
using namespace strvec;

constexpr std::int32_t kVapour = 1;
constexpr std::int32_t kLiquid = 2;
constexpr std::int32_t kEnthalpyKind = 1;
constexpr std::int32_t kEntropyKind = 2;
constexpr std::int32_t kCompressibilityKind = 3;

// The range the drivers are trusted in (set 1).
constexpr double kMinTemperature = 1.0;     // K
constexpr double kMaxTemperature = 3000.0;  // K
constexpr double kMinPressure = 1e-4;       // kPa
constexpr double kMaxPressure = 1e10;       // kPa

constexpr std::size_t kLiquidEntropySlot = 10;
constexpr std::size_t kVapourEntropySlot = 11;
constexpr std::int32_t kComponentTypeSector = 2;
constexpr std::int32_t kWithHeatCapacity = 1;
constexpr std::int32_t kRePressureEnthalpyFlash = 3;  // UFLSH: P and H given
constexpr std::int32_t kTemporaryKind = 3;
constexpr std::string_view kBlankName = "            ";
constexpr std::int32_t kPlainMode = 0;

// The mole fractions and the re-flash vectors, kept between calls so that a warm call
// allocates nothing.
struct Work {
  std::vector<double> x;
  std::vector<float> feed, vap, liq, wat, k;
};
Work work;
const bool kWorkReset = services::registerKeptValues([] { work = Work{}; });

constexpr std::int32_t code(PhasePropertyStatus s) { return static_cast<std::int32_t>(s); }

void size(std::size_t nc) {
  const std::size_t words = kHeaderWords + nc;
  if (work.x.size() < nc) work.x.resize(nc);
  for (std::vector<float>* v : {&work.feed, &work.vap, &work.liq, &work.wat}) {
    if (v->size() < words) v->resize(words);
  }
  if (work.k.size() < nc) work.k.resize(nc);
}

bool entropyMethod(std::int32_t iphase) {
  const std::size_t slot = iphase == kVapour ? kVapourEntropySlot : kLiquidEntropySlot;
  return methods::MSPTRS.classes(slot).code > 0;
}

// Kind 2: the phase's composition from a re-flash of the vector at its pressure and
// enthalpy. False when the re-flash failed.
bool reflash(std::int32_t iphase, const StreamVector vec, std::size_t nc, std::span<double> x) {
  const std::size_t words = kHeaderWords + nc;
  std::copy_n(vec.words().begin(), std::min(words, vec.words().size()), work.feed.begin());
  std::int32_t ierr = 0;
  UFLSH(std::span<const float>(work.feed).first(words), std::span(work.vap).first(words),
        std::span(work.liq).first(words), std::span(work.wat).first(words),
        std::span(work.k).first(nc), kRePressureEnthalpyFlash, ierr);
  if (ierr != 0) return false;
  const double rate = vec(kRate);
  const double share = iphase == kVapour ? 1.0 - vec(kLiquidFraction) : vec(kLiquidFraction);
  // A vector that gives the phase no share is taken whole as that phase.
  if (!(share * rate > 0.0)) return true;
  const StreamVector phaseVec(iphase == kVapour ? std::span<float>(work.vap)
                                                : std::span<float>(work.liq));
  for (std::size_t i = 1; i <= nc; ++i) x[i - 1] = phaseVec.amount(i) / (share * rate);
  return true;
}

// Kind 3: Z of the phase from the density driver on a temporary stream. False when the
// driver failed.
bool compressibility(std::int32_t iphase, std::size_t nc, std::span<const double> x, double rate,
                     double t, double p, double& z) {
  const std::int32_t caller = problem::SRPSET.set2.stream;
  std::int32_t n = 0, istat = 0;
  problem::SRCREA(kTemporaryKind, kBlankName, n, istat);
  problem::MainRecord r(problem::SRPSET.set2);
  const std::int32_t own = iphase == kVapour ? m::kVapour : m::kLiquid;
  const std::int32_t other = iphase == kVapour ? m::kLiquid : m::kVapour;
  for (std::size_t i = 1; i <= nc; ++i) {
    const auto c = static_cast<std::int32_t>(i);
    r.setVector(m::kOverall, c, x[i - 1]);
    r.setVector(own, c, x[i - 1]);
    r.setVector(other, c, 0.0);
  }
  r.setReal(m::kRate, rate);
  r.setReal(m::kTemperature, t);
  r.setReal(m::kPressure, p);
  double rho = 0.0;
  std::int32_t ierr = 0;
  if (iphase == kVapour) {
    r.setReal(m::kVapourFraction, 1.0);
    double rhod = 0.0, fdry = 0.0, fvap = 0.0;
    phase::DVAPDR(n, rhod, rho, fdry, fvap, ierr);
  } else {
    r.setReal(m::kWaterFraction, 0.0);
    r.setReal(m::kLiquidFraction, 1.0);
    double rhohc = 0.0, rhohw = 0.0, fhcd = 0.0, fl = 0.0, fhc = 0.0;
    phase::DLIQDR(n, rhohc, rho, rhohw, fhcd, fl, fhc, ierr);
  }
  const bool ok = ierr < 1;
  if (ok) {
    // The water-free partial pressure when the set decants water.
    const std::int32_t w = problem::THCTL.idecnt;
    const double pp =
        w >= 1 && static_cast<std::size_t>(w) <= nc ? (1.0 - x[static_cast<std::size_t>(w - 1)]) * p
                                                     : p;
    problem::THCTL.partialPressure = pp;
    z = rho > 0.0 ? pp / (rho * phase::kGasConstant * t) : 0.0;
  }
  problem::SRKILL(n);
  problem::SRPSET.set2.stream = 0;
  if (caller > 0) problem::SRSET(caller, kPlainMode);
  return ok;
}

}  // namespace

void PHPROP(std::int32_t kind, std::int32_t iphase, std::span<const float> words, float& res,
            float& res2, std::int32_t& ierr) {
  // 1. Arguments.
  res = 0.0F;
  res2 = 0.0F;
  ierr = code(PhasePropertyStatus::Ok);
  if (kind < kEnthalpyKind || kind > kCompressibilityKind) {
    ierr = code(PhasePropertyStatus::BadKind);
    return;
  }
  if (iphase != kVapour && iphase != kLiquid) {
    ierr = code(PhasePropertyStatus::BadPhase);
    return;
  }
  const auto nc = static_cast<std::size_t>(streamVectorComponents());
  if (words.size() < kHeaderWords + nc) {
    ierr = code(PhasePropertyStatus::OutOfRange);
    return;
  }
  const StreamVector vec(std::span<float>(const_cast<float*>(words.data()), words.size()));

  // 2-3. The range check in set 1 (a zero rate is taken before it).
  const double t = UOMCNV(vec(kTemperature), kTemperatureClass, kVectorSet, kInternalSet);
  const double p = UOMCNV(vec(kPressure), kPressureClass, kVectorSet, kInternalSet);
  const double rateIn = vec(kRate);
  // 4. No rate, nothing to evaluate, whatever the state words hold.
  if (rateIn == 0.0) return;
  const bool outside = !(rateIn >= 0.0) || !(t >= kMinTemperature && t <= kMaxTemperature) ||
                       !(p >= kMinPressure && p <= kMaxPressure);
  bool negative = false;
  for (std::size_t i = 1; i <= nc; ++i) negative = negative || !(vec.amount(i) >= 0.0F);
  if (outside || negative) {
    ierr = code(PhasePropertyStatus::OutOfRange);
    return;
  }
  // 5. Mole fractions in set 1.
  size(nc);
  const std::span<double> x = std::span(work.x).first(nc);
  const double rate = UOMCNV(rateIn, kRateClass, kVectorSet, kInternalSet);
  for (std::size_t i = 1; i <= nc; ++i) x[i - 1] = vec.amount(i) / rateIn;
  const auto n = static_cast<std::int32_t>(nc);

  if (kind == kEnthalpyKind) {
    // 7. Enthalpy and heat capacity.
    double h = 0.0, cp = 0.0, hw = 0.0, cpw = 0.0, z = 0.0, residual = 0.0;
    std::int32_t status = 0, noComposition = 0;
    const std::int32_t returned = (iphase == kVapour ? phase::HVAPDR : phase::HLIQDR)(
        n, t, p, x, h, cp, hw, cpw, z, kWithHeatCapacity, status, noComposition, residual);
    if (status >= 1 || returned >= 1) {
      ierr = code(PhasePropertyStatus::DriverFailed);
      return;
    }
    res = static_cast<float>(kEnthalpyScale *
                             UOMCNV(rate * h, kTotalEnthalpyClass, kInternalSet, kVectorSet));
    res2 = static_cast<float>(UOMCNV(cp, kHeatCapacityClass, kInternalSet, kVectorSet));
  } else if (kind == kEntropyKind) {
    // 6, 8. The entropy of the phase that a re-flash finds.
    if (!reflash(iphase, vec, nc, x)) {
      ierr = code(PhasePropertyStatus::OutOfRange);
      return;
    }
    double s = 0.0;
    if (entropyMethod(iphase)) {
      double dsdt = 0.0, z = 0.0;
      std::int32_t status = 0;
      if (iphase == kVapour) {
        status = phase::SVAPDR(n, t, p, x, s, dsdt, z, 0, status);
      } else {
        const std::int32_t types = problem::COPTRS.integerSector(kComponentTypeSector);
        const std::span<const std::int32_t> codes =
            types == services::NOCORE || n < 1
                ? std::span<const std::int32_t>()
                : std::span<const std::int32_t>(storage::CORSTO.words(types + 1, n));
        status = phase::SLIQDR(n, t, p, x, s, dsdt, z, 0, codes, status);
      }
      if (status >= 1 || s <= services::RMISS) {
        ierr = code(PhasePropertyStatus::DriverFailed);
        return;
      }
    }
    res = static_cast<float>(UOMCNV(s, kMolarEntropyClass, kInternalSet, kVectorSet) * rateIn);
  } else {
    // 9. The compressibility factor.
    double z = 0.0;
    if (!compressibility(iphase, nc, x, rate, t, p, z)) {
      ierr = code(PhasePropertyStatus::DensityFailed);
      return;
    }
    res = static_cast<float>(z);
  }
  // 10. A result that is no finite number, or a negative compressibility factor, comes from
  // constants the drivers could not use (a damaged stored value): the driver's failure,
  // never a value.
  if (!std::isfinite(res) || !std::isfinite(res2) || (kind == kCompressibilityKind && res < 0.0F)) {
    res = 0.0F;
    res2 = 0.0F;
    ierr = code(kind == kCompressibilityKind ? PhasePropertyStatus::DensityFailed
                                             : PhasePropertyStatus::DriverFailed);
  }
}

}  // namespace api_flash
