// The evaluated flags and the mixture constants of a stream's phases.
#include "api/access/stream_evaluation.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

using problem::ComponentReal;

constexpr std::int32_t kSpecificGravityClass = services::kSpecificGravityClass;

// Word (0-based) and digit value of position P.
struct FlagPlace {
  std::size_t word;
  std::int32_t digit;  // 10^(d - 1)
};

bool placeOf(std::int32_t p, FlagPlace& place) {
  if (p < 1 || p > kPhaseProperties) return false;
  const std::int32_t word = p % 10 == 0 ? p / 10 : p / 10 + 1;
  const std::int32_t d = p % 10 == 0 ? 10 : p % 10;
  std::int32_t value = 1;
  for (std::int32_t k = 1; k < d; ++k) value *= 10;
  place = {static_cast<std::size_t>(word - 1), value};
  return true;
}

double constantOf(ComponentReal k, std::int32_t i) {
  const std::int32_t start = problem::COPTRS.realSector(k);
  return start == services::NOCORE ? services::RMISS : storage::CORSTO.real(start + i);
}

double& at(PhaseVector& v, std::int32_t p) { return v[static_cast<std::size_t>(p - 1)]; }

}  // namespace

bool SRPDEC(const PhaseFlags& flags, std::int32_t iprop) {
  FlagPlace place{};
  if (!placeOf(iprop, place)) return true;
  return (flags[place.word] / place.digit) % 10 == 0;
}

void SRPPOS(PhaseFlags& flags, std::int32_t iprop) {
  FlagPlace place{};
  if (!placeOf(iprop, place)) return;
  if ((flags[place.word] / place.digit) % 10 == 0) flags[place.word] += place.digit;
}

void SRPREL(std::int32_t iwater, std::span<const double> x, double rate, double rwater,
            PhaseVector& wet, PhaseVector& dry, PhaseFlags& flags, std::int32_t& ierr) {
  using namespace phaseprop;
  ierr = 0;
  const double f = rate > 0.0 ? std::max((rate - rwater) / rate, 0.0) : 0.0;
  const auto n = static_cast<std::int32_t>(x.size());

  // The sums over the components present; a missing constant ends its sum as DMISS.
  const auto mixed = [&](auto term) {
    double sum = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
      const double xi = x[static_cast<std::size_t>(i - 1)];
      if (!(xi > 0.0)) continue;
      const double t = term(i);
      if (!(t > services::RMISS)) return services::DMISS;
      sum += xi * t;
    }
    return sum;
  };
  const auto constant = [](ComponentReal k) {
    return [k](std::int32_t i) { return constantOf(k, i); };
  };
  const auto molarVolume = [](std::int32_t i) {
    const double mw = constantOf(ComponentReal::MolecularWeight, i);
    const double sg = constantOf(ComponentReal::StandardLiquidDensity, i);
    return mw > services::RMISS && sg > 0.0 ? mw / sg : services::DMISS;
  };

  if (f > 0.0) {
    const double mw = mixed(constant(ComponentReal::MolecularWeight));
    const double volume = mixed(molarVolume);
    at(dry, kMolecularWeight) = mw;
    at(dry, kCriticalTemperature) = mixed(constant(ComponentReal::CriticalTemperature));
    at(dry, kCriticalPressure) = mixed(constant(ComponentReal::CriticalPressure));
    at(dry, kCriticalVolume) = mixed(constant(ComponentReal::CriticalVolume));
    at(dry, kCriticalCompressibility) = mixed(constant(ComponentReal::CriticalCompressibility));
    at(dry, kAcentricFactor) = mixed(constant(ComponentReal::AcentricFactor));
    at(dry, kStandardDensity) =
        volume > 0.0 && mw > services::RMISS ? mw / volume : services::DMISS;

    if (iwater < 1 || !(rwater > 0.0)) {
      for (std::int32_t p = kMolecularWeight; p <= kStandardDensity; ++p) at(wet, p) = at(dry, p);
    } else {
      constexpr std::array<ComponentReal, 6> kMixed{
          ComponentReal::MolecularWeight,      ComponentReal::CriticalTemperature,
          ComponentReal::CriticalPressure,     ComponentReal::CriticalVolume,
          ComponentReal::CriticalCompressibility, ComponentReal::AcentricFactor};
      for (std::size_t k = 0; k < kMixed.size(); ++k) {
        const std::int32_t p = kMolecularWeight + static_cast<std::int32_t>(k);
        const double d = at(dry, p);
        if (d > services::RMISS) at(wet, p) = (1.0 - f) * constantOf(kMixed[k], iwater) + f * d;
      }
      const double waterVolume = molarVolume(iwater);
      if (volume > 0.0 && waterVolume > 0.0 && at(wet, kMolecularWeight) > services::RMISS) {
        at(wet, kStandardDensity) =
            at(wet, kMolecularWeight) / ((1.0 - f) * waterVolume + f * volume);
      }
    }
    // The standard density from the table's specific-gravity unit to the internal one (only
    // values formed here: a phase without a dry part keeps its vectors unconverted).
    const std::int32_t gravity = services::UOMCOD.specificGravityCode();
    for (PhaseVector* v : {&wet, &dry}) {
      at(*v, kStandardDensity) =
          services::UOMCNV(at(*v, kStandardDensity), kSpecificGravityClass, gravity, 1);
    }
  }

  for (const std::int32_t p : {kMolecularWeight, kStandardDensity, kAcentricFactor,
                               kCriticalTemperature, kCriticalPressure, kCriticalVolume,
                               kCriticalCompressibility}) {
    SRPPOS(flags, p);
  }
}

}  // namespace api_access
