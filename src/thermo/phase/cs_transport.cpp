// TRCSMN: viscosity and thermal conductivity of a phase by corresponding states with methane
// as the reference fluid. The entry reads the constants of the property's coefficient block,
// finds the equivalent substance and evaluates the property.
#include "thermo/phase/cs_transport.hpp"

#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/cs_transport_model.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace phase {
namespace {

using methods::LDSTAT;

constexpr const char* kName = "TRCSMN";

// Method slots of the four properties.
constexpr std::int32_t kLiquidViscositySlot = 12;
constexpr std::int32_t kVapourViscositySlot = 13;
constexpr std::int32_t kLiquidConductivitySlot = 14;
constexpr std::int32_t kVapourConductivitySlot = 15;

// Results in uP and mW/(m K) to Pa s and W/(m K).
constexpr double kPaSecondPerMicropoise = 1.0E-7;
constexpr double kWattPerMilliwatt = 1.0E-3;

// Work of one evaluation, grown to the largest component count seen.
struct Work {
  std::vector<double> x, f, h, constants;
  std::vector<std::uint8_t> skip;
  void fit(std::size_t n) {
    for (auto* v : {&x, &f, &h}) {
      if (v->size() < n) v->resize(n);
    }
    if (skip.size() < n) skip.resize(n);
    const std::size_t words = static_cast<std::size_t>(cs::block::kArrays) * n;
    if (constants.size() < words) constants.resize(words);
  }
};
Work work;
const bool kWorkReset = services::registerKeptValues([] { work = {}; });

// The block of method slot SLOT brought into the block area, its first real sector copied
// into the work; aborts when there is none or it is short.
void loadConstants(std::int32_t slot, std::int32_t n) {
  const methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(slot));
  pure::setMethodScratch(c.integerWork, c.realWork);
  pure::loadMethodBlock(c.blockAddress, c.blockLength);
  const std::int32_t need = cs::block::kArrays * n;
  const bool names = c.blockAddress != services::NODISK && c.blockAddress > 0;
  if (!names || LDSTAT.address != c.blockAddress) {
    services::ERRITM("SLOT", slot);
    services::ERRITM("ADDRESS", c.blockAddress);
    services::ABTRPT("TR", kName, kName, "TRANSPORT METHOD HAS NO COEFFICIENT BLOCK");
  }
  if (LDSTAT.realLength1 < need) {
    services::ERRITM("SLOT", slot);
    services::ERRITM("NEEDED", need);
    services::ERRITM("HAVE", LDSTAT.realLength1);
    services::ABTRPT("TR", kName, kName, "TRANSPORT BLOCK TOO SHORT");
  }
  for (std::int32_t k = 1; k <= need; ++k) {
    work.constants[static_cast<std::size_t>(k - 1)] = storage::CORSTO.real(LDSTAT.realSector1 + k);
  }
}

// Views of array A (1-based) of the block's constants.
std::span<const double> array(std::int32_t a, std::size_t n) {
  return std::span<const double>(work.constants).subspan(static_cast<std::size_t>(a - 1) * n, n);
}

cs::Components components(std::size_t n) {
  cs::Components c;
  c.rhoc = array(cs::block::kCriticalDensity, n);
  c.tc = array(cs::block::kCriticalTemperature, n);
  c.zc = array(cs::block::kCriticalCompressibility, n);
  c.omega = array(cs::block::kAcentricFactor, n);
  c.mw = array(cs::block::kMolarMass, n);
  for (std::int32_t k = 0; k < cs::block::kHeatCapacityTerms; ++k) {
    c.cp[static_cast<std::size_t>(k)] = array(cs::block::kFirstHeatCapacity + k, n);
  }
  return c;
}

// Every component in the mixture needs positive critical constants and molar mass.
void checkConstants(const cs::Components& c, std::span<const double> x) {
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i] <= 0.0) continue;
    if (c.rhoc[i] > 0.0 && c.tc[i] > 0.0 && c.zc[i] > 0.0 && c.mw[i] > 0.0) continue;
    services::ERRITM("COMPONENT", static_cast<std::int32_t>(i + 1));
    services::ABTRPT("TR", kName, kName, "CORRESPONDING-STATES CONSTANTS MISSING");
  }
}

}  // namespace

void TRCSMN(std::span<const double> x, double t, double p, std::int32_t kphase, std::int32_t iprop,
            std::int32_t& status, std::int32_t n, double& result) {
  status = 0;
  result = 0.0;
  // 1. Only viscosity and thermal conductivity.
  const bool viscosity = iprop == static_cast<std::int32_t>(CsProperty::Viscosity);
  if (!viscosity && iprop != static_cast<std::int32_t>(CsProperty::ThermalConductivity)) {
    status = iprop;
    return;
  }
  const bool liquid = kphase == static_cast<std::int32_t>(CsPhase::Liquid);
  if ((!liquid && kphase != static_cast<std::int32_t>(CsPhase::Vapour)) || n < 1 || t <= 0.0 ||
      p <= 0.0) {
    status = kCsNotConverged;
    return;
  }
  // 2. The phase's start and block; the composition into the work; kPa to atm.
  const double vstart = liquid ? cs::kLiquidStart : cs::kVapourStart;
  const std::int32_t slot = viscosity
                                ? (liquid ? kLiquidViscositySlot : kVapourViscositySlot)
                                : (liquid ? kLiquidConductivitySlot : kVapourConductivitySlot);
  const auto nn = static_cast<std::size_t>(n);
  work.fit(nn);
  loadConstants(slot, n);
  for (std::size_t i = 0; i < nn; ++i) work.x[i] = x[i];
  const double patm = p / cs::kKpaPerAtm;
  cs::resetReferenceSums();
  const cs::Components c = components(nn);
  const cs::Mixture m{std::span<const double>(work.x.data(), nn),
                      std::span<double>(work.f.data(), nn), std::span<double>(work.h.data(), nn),
                      std::span<std::uint8_t>(work.skip.data(), nn)};
  checkConstants(c, m.x);
  bool any = false;
  for (double xi : m.x) any = any || xi > 0.0;
  if (!any) {
    status = kCsNotConverged;
    return;
  }
  // 3. The equivalent substance.
  cs::Equivalent e;
  if (!cs::TRCSSH(m, c, t, patm, vstart, e)) {
    status = kCsNotConverged;
    return;
  }
  // 4. The property.
  result = viscosity ? cs::TRCSVI(m, c, t, e) * kPaSecondPerMicropoise
                     : cs::TRCSTC(m, c, t, e) * kWattPerMilliwatt;
}

}  // namespace phase
