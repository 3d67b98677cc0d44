// The density-kernel routes of the fugacity routines (methods 110, 204 and 125 to 128), and
// the helpers that copy the held parameter block and fill the flash work arrays.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium::fugacity_internal {
namespace {

using methods::LDSTAT;
using storage::CORSTO;

// The thermodynamic-kernel debug level handed to method 204 (diagnostic switch 3, word 103).
constexpr int kKernelDebugSwitch = 3;

// The copy of the held block's first real sector and the words it holds. Kept between calls
// so that a warm call allocates nothing; every problem open starts it again.
struct HeldCopy {
  std::vector<double> reals;
  std::size_t words = 0;
};
HeldCopy heldBlockCopy;
const bool kHeldBlockCopyReset = services::registerKeptValues([] { heldBlockCopy = {}; });

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<std::vector<double>> scratchArrays;
const bool kScratchArraysReset = services::registerKeptValues([] { scratchArrays = {}; });

// Scratch vectors lent to the kernels, grown once.
std::vector<std::vector<double>>& scratchPool() {
  std::vector<std::vector<double>>& pool = scratchArrays;
  return pool;
}

}  // namespace

std::span<const double> heldReals(std::size_t words, std::string_view routine) {
  const auto have = static_cast<std::size_t>(LDSTAT.realLength1 > 0 ? LDSTAT.realLength1 : 0);
  if (have < words) {
    services::ERRITM("NEEDED", static_cast<std::int32_t>(words));
    services::ERRITM("HAVE", static_cast<std::int32_t>(have));
    services::ABTRPT("KC", routine, routine, "PARAMETER BLOCK TOO SHORT");
  }
  // One bitwise comparison with the copy through a checked view of the sector; the words
  // are copied again only when the block was loaded anew or changed in core.
  HeldCopy& held = heldBlockCopy;
  const storage::RealView sector =
      CORSTO.reals(LDSTAT.realSector1 + 1, static_cast<std::int32_t>(words));
  if (held.reals.size() < words) held.reals.resize(words);
  const std::span<double> copy(held.reals.data(), words);
  if (held.words != words || !sector.holdsExactly(copy)) {
    sector.copyTo(copy);
    held.words = words;
  }
  return copy;
}

void storeArray(std::int32_t array, std::span<const double> values, std::string_view routine) {
  const auto k = static_cast<std::size_t>(array);
  const std::int32_t size = problem::FWPART.realSize(k);
  const auto need = static_cast<std::int32_t>(values.size());
  if (size < need) {
    services::ERRITM("ARRAY", array);
    services::ERRITM("SIZE", size);
    services::ERRITM("NEEDED", need);
    services::ABTRPT("KC", routine, routine, "FLASH WORK ARRAY TOO SHORT");
  }
  const std::int32_t offset = problem::FWPART.realOffset(k);
  CORSTO.reals(offset + 1, need).assign(values);
  // A composition-derivative matrix written: the flag of its phase.
  if (array == kVapourArrays.lnphiN) fugacityDerivativeFlags.IDRVV = 1;
  if (array == kLiquidArrays.lnphiN) fugacityDerivativeFlags.IDRVL = 1;
}

void dump(std::string_view heading, std::span<const double> values) {
  constexpr std::size_t kValuesPerLine = 5;
  const int unit = services::IOUNIT.report;
  platform::writeLine(unit, heading);
  char line[16 + 15 * kValuesPerLine];
  for (std::size_t first = 0; first < values.size(); first += kValuesPerLine) {
    int used = std::snprintf(line, sizeof line, "%5d", static_cast<int>(first + 1));
    for (std::size_t k = first; k < values.size() && k < first + kValuesPerLine; ++k) {
      used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%15.6E",
                            values[k]);
    }
    platform::writeLine(unit, line);
  }
}

std::span<double> scratch(std::size_t k, std::size_t n) {
  std::vector<std::vector<double>>& pool = scratchPool();
  if (pool.size() <= k) pool.resize(k + 1);
  if (pool[k].size() < n) pool[k].resize(n);
  return std::span<double>(pool[k].data(), n);
}

bool densityKernelRoute(const RouteCall& c, std::span<double> lnphi, double& z,
                        std::int32_t& status) {
  const auto n = static_cast<std::size_t>(c.nc);
  const bool derivatives = c.level >= kTemperatureLevel;
  if (c.code != 110 && c.code != 204 && (c.code < 125 || c.code > 128)) return false;
  const std::span<double> lnphiT = scratch(0, n);
  const std::span<double> lnphiP = scratch(1, n);
  switch (c.code) {
    case 110: {
      // BWR-type equation through its density routine.
      const auto words = static_cast<std::size_t>(pure::bwrBlockWords(c.nc));
      pure::WRAPA3(c.t, c.p, c.x, heldReals(words, c.routine), c.nc, z, c.phase,
                   derivatives ? 1 : 0, lnphi, lnphiT, lnphiP);
      if (derivatives) {
        storeArray(c.arrays.lnphiT, lnphiT, c.routine);
        storeArray(c.arrays.lnphiP, lnphiP, c.routine);
      }
      return true;
    }
    case 204: {
      // Corresponding states with the stored Lee-Kesler pair columns.
      const auto words = static_cast<std::size_t>(LDSTAT.realLength1 > 0 ? LDSTAT.realLength1 : 0);
      const std::int32_t debug = services::GDPOPT.diagnosticSwitch(kKernelDebugSwitch);
      pure::WRAPB3(c.t, c.p, c.x, lnphi, lnphiT, heldReals(words, c.routine), c.nc, c.phase,
                   derivatives ? 1 : 0, debug, status, scratch(2, pure::cswork::kWords), z);
      if (derivatives) storeArray(c.arrays.lnphiT, lnphiT, c.routine);
      return true;
    }
    case 125:
    case 126:
    case 127:
    case 128: {
      // Perturbed hard chain: eps and sigma per pair (NS), segment numbers and, for 125 and
      // 127, the kappa of each component.
      const bool squareWell = c.code == 125 || c.code == 127;
      const std::size_t ns = n * (n + 1) / 2;
      const std::span<const double> block = heldReals(2 * ns + (squareWell ? 2 : 1) * n, c.routine);
      const std::span<double> lnphiN = scratch(3, n * n);
      const std::span<double> hrn = scratch(4, n), zdn = scratch(5, n);
      const std::span<double> muT = scratch(6, n), murho = scratch(7, n), q = scratch(8, n);
      const std::span<double> b = scratch(9, ns), bT = scratch(10, ns), bTT = scratch(11, ns);
      const std::span<double> e = scratch(12, ns), eT = scratch(13, ns), eTT = scratch(14, ns);
      const std::size_t nwork = 4 + 2 * n + 3 * ns;
      const std::span<double> work = scratch(15, nwork);
      const auto ns32 = static_cast<std::int32_t>(ns);
      const auto nwork32 = static_cast<std::int32_t>(nwork);
      double zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cvr = 0.0, cpr = 0.0;
      const auto eps = block.first(ns);
      const auto sigma = block.subspan(ns, ns);
      const auto r = block.subspan(2 * ns, n);
      if (squareWell) {
        pure::PHCT1(c.t, c.p, pure::kReferencePressure, c.x, c.nc, ns32, c.phase, c.level, eps,
                    sigma, r, block.subspan(2 * ns + n, n), b, bT, bTT, q, e, eT, eTT, z, lnphi, zT,
                    zP, lnphiT, lnphiP, hr, sr, cvr, cpr, lnphiN, hrn, zdn, muT, murho, work,
                    nwork32);
      } else {
        pure::PHCT2(c.t, c.p, pure::kReferencePressure, c.x, c.nc, ns32, c.phase, c.level, eps,
                    sigma, r, b, bT, bTT, q, e, eT, eTT, z, lnphi, zT, zP, lnphiT, lnphiP, hr, sr,
                    cvr, cpr, lnphiN, hrn, zdn, muT, murho, work, nwork32);
      }
      if (derivatives) {
        storeArray(c.arrays.lnphiT, lnphiT, c.routine);
        storeArray(c.arrays.lnphiP, lnphiP, c.routine);
      }
      if (c.level >= kCompositionLevel) storeArray(c.arrays.lnphiN, lnphiN, c.routine);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace equilibrium::fugacity_internal
