// Sour-water K-values (KCSOUR): the entry, the gather and scatter of method 510 (SWGATH,
// SWKVAL) and of method 503 (SWPOST).
#include "thermo/equilibrium/sour_water_kvalues.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace equilibrium {
namespace {

// Water-content tests of the two methods and the least amount of a solute.
constexpr double kElectrolyteWater = 0.5;
constexpr double kSixSpeciesWater = 0.4;
constexpr double kTrace = 1e-9;
// Method 510: the temperature step of the derivative pass (K) and its reciprocal.
constexpr double kElectrolyteStep = 0.1;
constexpr double kElectrolyteScale = 10.0;
// The ammonia salting factor exp(0.39 S - 0.131 S^2), its constants as stored in single
// precision.
constexpr double kSaltingLinear = 0.38999998569488525;
constexpr double kSaltingSquare = 0.13099999725818634;
constexpr double kKpaPerBar = 100.0;
constexpr double kBarPerAtm = 1.01325;
// The table of problem components of a method-510 block: I(2..21).
constexpr std::int32_t kTablePlaces = 20;

// The model's scratch and the block's real part, kept for the life of the process; the
// buffer is only ever enlarged, so that a warm call allocates nothing.
SourWaterWork electrolyteWork;
const bool kElectrolyteWorkReset = services::registerKeptValues([] { electrolyteWork = {}; });
std::vector<double> heldBlock;
const bool kHeldBlockReset = services::registerKeptValues([] { heldBlock = {}; });

// Word I(K) of the held block's sour-water integer part.
std::int32_t integerWord(std::int32_t k) {
  return storage::CORSTO[methods::LDSTAT.integerSector1 + k];
}

// Whether the current set's header lifts the water-content test.
bool forced() {
  const std::int32_t header = methods::MSPTRS.integerSectors(1);
  return header > 0 && storage::CORSTO[header + kSourForceWord] == 1;
}

// The first COUNT reals of the held block's sour-water real part, fewer when the block area
// ends before them.
std::span<const double> heldReals(std::int32_t count) {
  const methods::LoadedBlock& b = methods::LDSTAT;
  std::int32_t available = std::max(count, 0);
  if (b.blockArea != services::NOCORE) {
    available = std::clamp(b.blockArea + b.blockAreaReals - b.realSector1, 0, available);
  }
  const auto size = static_cast<std::size_t>(available);
  if (heldBlock.size() < size) heldBlock.resize(size);
  for (std::int32_t k = 1; k <= available; ++k) {
    heldBlock[static_cast<std::size_t>(k - 1)] = storage::CORSTO.real(b.realSector1 + k);
  }
  return std::span<const double>(heldBlock).first(size);
}

[[noreturn]] void invalidComponent(const char* routine, std::int32_t molecule, const char* label,
                                   std::int32_t value) {
  services::ERRITM("MOLECULE", molecule);
  services::ERRITM(label, value);
  services::ABTRPT("KC", routine, routine, "SOUR WATER COMPONENT INVALID");
}

// A problem component number read from the block: 0 (not in the problem) or 1..NCOMP.
std::int32_t componentOf(const char* routine, std::int32_t molecule, std::int32_t c,
                         std::int32_t ncomp) {
  if (c < 0 || c > ncomp) invalidComponent(routine, molecule, "COMP", c);
  return c;
}

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

}  // namespace

void KCSOUR(std::int32_t ncomp, double t, double p, double /*phstrt*/, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::int32_t kcode,
            std::span<double> dkdt, std::int32_t kderiv) {
  if (kcode == static_cast<std::int32_t>(SourWaterMethod::Electrolyte)) {
    SWGATH(ncomp, t, p, x, y, k, dkdt, kderiv);
  } else {
    SWPOST(ncomp, t, p, x, y, k, dkdt, kderiv);
  }
}

void SWGATH(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::span<double> dkdt,
            std::int32_t kderiv) {
  // 1. The molecule count; a count the model cannot take stops the run in the block view.
  const std::int32_t n = integerWord(1);
  if (n < kSourKeyMolecules || n > kMaxSourMolecules) SourWaterBlock(heldReals(0), n);
  SourWaterWork& work = electrolyteWork;
  work.startCall(n);

  // 2. Gather the molecules' fractions; a molecule whose component is not in the problem
  // (0) counts as absent.
  std::array<std::int32_t, kMaxSourMolecules> component{};
  double sx = 0.0;
  double sy = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t place = integerWord(kTablePlaces + 1 + i);
    if (place < 1 || place > kTablePlaces) invalidComponent("SWGATH", i, "INDEX", place);
    const std::int32_t c = componentOf("SWGATH", i, integerWord(1 + place), ncomp);
    component[at(i)] = c;
    work.liquid[at(i)] = c > 0 ? x[at(c)] : 0.0;
    work.vapour[at(i)] = c > 0 ? y[at(c)] : 0.0;
    sx += work.liquid[at(i)];
    sy += work.vapour[at(i)];
  }

  // 3. Sour water: mostly water (unless forced), ammonia and an acid gas. A vapour without
  // any model molecule has no partial pressure to evaluate the model at.
  const bool watery = work.liquid[0] >= kElectrolyteWater || forced();
  if (!watery || !(work.liquid[1] > kTrace) ||
      !(work.liquid[2] > kTrace || work.liquid[3] > kTrace)) {
    return;
  }
  if (!(sy > 0.0)) return;

  // 4. Normalise unless every component is a model molecule; R = Sy/Sx.
  const double r = sy / sx;
  if (ncomp != n) {
    for (std::int32_t i = 1; i <= n; ++i) {
      work.liquid[at(i)] /= sx;
      work.vapour[at(i)] /= sy;
    }
  }

  // 5. The model molecules' partial pressure, atm; the key molecules at least 1e-9.
  const double patm = sy * p / kKpaPerBar / kBarPerAtm;
  for (std::int32_t i = 1; i <= kSourKeyMolecules; ++i) {
    work.liquid[at(i)] = std::max(work.liquid[at(i)], kTrace);
  }

  // 6. The model K-values.
  const SourWaterBlock block(heldReals(static_cast<std::int32_t>(
                                 SourWaterBlock::Offsets{static_cast<std::size_t>(n)}.length())),
                             n);
  std::array<double, kMaxSourMolecules> km{};
  std::array<double, kMaxSourMolecules> dkm{};
  SWKVAL(block, t, patm, kderiv, work, km, dkm);

  // 7. Scatter.
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t c = component[at(i)];
    if (c == 0) continue;
    k[at(c)] = r * km[at(i)];
    if (kderiv == 1) dkdt[at(c)] = r * dkm[at(i)];
  }
}

void SWKVAL(const SourWaterBlock& block, double t, double patm, std::int32_t kderiv,
            SourWaterWork& work, std::span<double> km, std::span<double> dkm) {
  const std::int32_t n = block.n();
  const int passes = kderiv == 1 ? 2 : 1;
  for (int pass = 1; pass <= passes; ++pass) {
    const bool first = pass == 1;
    evaluateSourWaterModel(first, block, first ? t : t + kElectrolyteStep, patm, work);
    for (std::int32_t i = 1; i <= n; ++i) {
      const std::size_t j = at(i);
      double value = 1.0;
      if (services::RELCMP(work.liquid[j], 0.0) == 0) {
        if (!first) dkm[j] = 0.0;
      } else {
        // K = H0 gamma Poy m/(phi P x).
        value = work.henryZero[j] * work.gamma[j] * work.poynting[j] * work.fraction[j] /
                (work.phi[j] * patm * work.liquid[j]);
        if (i == 2) {
          const double s = work.mixingS;
          value *= std::exp(kSaltingLinear * s - kSaltingSquare * s * s);
        }
        if (!first) dkm[j] = (value - km[j]) * kElectrolyteScale;
      }
      if (first) km[j] = value;
    }
  }
}

void SWPOST(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::span<double> dkdt,
            std::int32_t kderiv) {
  namespace six = sixspecies;
  // 1. Gather the four key components; an absent one counts as 0.
  std::array<std::int32_t, six::kComponents> component{};
  std::array<double, six::kComponents> xk{};
  std::array<double, six::kComponents> yk{};
  double sx = 0.0;
  double sy = 0.0;
  for (std::int32_t i = 1; i <= six::kComponents; ++i) {
    const std::int32_t c = componentOf("SWPOST", i, integerWord(i), ncomp);
    component[at(i)] = c;
    if (c == 0) continue;
    xk[at(i)] = x[at(c)];
    yk[at(i)] = y[at(c)];
    sx += xk[at(i)];
    sy += yk[at(i)];
  }

  // 2. Sour water: mostly water (unless forced) and one of the three solutes.
  if (!(xk[3] >= kSixSpeciesWater || forced())) return;
  if (!(xk[2] > kTrace || xk[0] > kTrace || xk[1] > kTrace)) return;
  // 3. Nothing to scale by; a vapour without the key components has no partial pressure.
  if (services::RELCMP(sx, 0.0) == 0 && services::RELCMP(sy, 0.0) == 0) return;
  if (!(sy > 0.0)) return;

  // 4. Normalise; the activity flags of the places go to the block.
  const double r = sy / sx;
  std::array<std::int32_t, six::kPlaces> active{};
  for (std::int32_t i = 1; i <= six::kComponents; ++i) {
    xk[at(i)] /= sx;
    yk[at(i)] /= sy;
    active[at(i)] = xk[at(i)] <= kTrace && yk[at(i)] <= kTrace ? 0 : 1;
  }
  for (std::int32_t i = 1; i <= six::kPlaces; ++i) {
    storage::CORSTO[methods::LDSTAT.integerSector1 + six::kFlagWord + i] = active[at(i)];
  }

  // 5. The model at the key components' partial pressure.
  const std::span<const double> reals = heldReals(six::kReals);
  if (reals.size() < static_cast<std::size_t>(six::kReals)) {
    services::ERRITM("LENGTH", static_cast<std::int32_t>(reals.size()));
    services::ERRITM("NEEDED", six::kReals);
    services::ABTRPT("KC", "SWPOST", "SWPOST", "SOUR WATER BLOCK INVALID");
  }
  const auto array = [&](std::int32_t offset) {
    return reals.subspan(static_cast<std::size_t>(offset), six::kComponents);
  };
  std::array<double, six::kComponents> km{};
  std::array<double, six::kComponents> dkm{};
  EQK6SP(array(six::kSizeFactor), array(six::kMolarMass), array(six::kWaterVolume),
         array(six::kVolumeNumerator), active, kderiv == 1 ? 2 : 1, sy * p, t,
         array(six::kCriticalT), array(six::kVolumeBound), xk, yk, km, dkm);

  // 6. Scatter.
  for (std::int32_t i = 1; i <= six::kComponents; ++i) {
    if (active[at(i)] != 1) continue;
    const std::int32_t c = component[at(i)];
    k[at(c)] = r * km[at(i)];
    if (kderiv == 1) dkdt[at(c)] = r * dkm[at(i)];
  }
}

}  // namespace equilibrium
