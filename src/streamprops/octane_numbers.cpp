// The octane blending model: group splits from the special-property store and the pair
// interaction sum.
#include "streamprops/octane_numbers.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "problem/component_data.hpp"
#include "services/kept_values.hpp"
#include "services/run_options.hpp"
#include "storage/storage.hpp"
#include "streamprops/streamprops.hpp"

namespace streamprops {
namespace {

constexpr std::size_t kOlefins = 0, kAromatics = 1, kSaturates = 2;
constexpr std::int32_t kVolumeBasis = 3;
constexpr std::int32_t kNotVolume = -3;
constexpr std::int32_t kSpecialSwitch = 53;  // diagnostic switch 153 of GDP

// Interaction coefficients T(k, l) of the groups (olefins, aromatics, saturates): a
// symmetric matrix with zero diagonal, research and motor octane, as the blending model's
// data define them.
using GroupMatrix = std::array<std::array<double, kOctaneGroups>, kOctaneGroups>;
constexpr GroupMatrix kResearch{{{0.0, 0.0404, -0.1462}, {0.0404, 0.0, -0.0485},
                                 {-0.1462, -0.0485, 0.0}}};
constexpr GroupMatrix kMotor{{{0.0, 0.0444, -0.0916}, {0.0444, 0.0, 0.0364},
                              {-0.0916, 0.0364, 0.0}}};

// Work arrays kept so that a warm call allocates nothing; every problem open frees them.
struct Work {
  std::vector<double> volume, groups, deinteracted, pairs;
};
Work work;
const bool kWorkReset = services::registerKeptValues([] { work = Work{}; });

void grow(std::vector<double>& v, std::size_t n) {
  if (v.size() < n) v.resize(n);
}

std::int32_t debugLevel() {
  const std::int32_t s = services::GDPOPT.diagnosticSwitch(kSpecialSwitch);
  return s > 0 ? s % 10 : 0;
}

void say(const char* text) { platform::writeLine(services::IOUNIT.report, text); }

}  // namespace

void RONSSI(std::int32_t iprop, std::span<const double> x, std::span<const double> v,
            std::span<const double> on, const GroupFractions& groups, std::int32_t debug,
            double& value) {
  const std::size_t n = groups.n;
  const GroupMatrix& t = iprop == kResearchOctane ? kResearch : kMotor;
  value = 0.0;
  char text[200];
  if (debug >= 1) {
    std::snprintf(text, sizeof text, " ENTERED RONSSI - %s CALC. -- NOCLOC=%5zu",
                  iprop == kResearchOctane ? "RON" : "MON", n);
    say(text);
    say(" COMP    MOL FRN        LV  FRN      OCTANE     OLEFINS   AROMATICS   SATURATES");
    for (std::size_t i = 0; i < n; ++i) {
      std::snprintf(text, sizeof text, " %4zu %12.6f %12.6f %11.4f %11.6f %11.6f %11.6f", i + 1,
                    x.size() > i ? x[i] : 0.0, v[i], on[i], groups.at(i, kOlefins),
                    groups.at(i, kAromatics), groups.at(i, kSaturates));
      say(text);
    }
  }

  // De-interacted octane numbers: B_i = ON_i / (sum over k, l of g_ik g_il (1 - T_kl)).
  grow(work.deinteracted, n);
  std::span<double> b(work.deinteracted.data(), n);
  for (std::size_t i = 0; i < n; ++i) {
    b[i] = 0.0;
    if (!(v[i] > 0.0)) continue;
    double s = 0.0;
    for (std::size_t k = 0; k < kOctaneGroups; ++k) {
      for (std::size_t l = 0; l < kOctaneGroups; ++l) {
        s += groups.at(i, k) * groups.at(i, l) * (1.0 - t[k][l]);
      }
    }
    if (s > 0.0) b[i] = on[i] / s;
  }

  // Pair coefficients over the six groups of a pair (the first component's three, then the
  // second's), the 3 x 3 matrix in all four blocks.
  const std::size_t np = std::max<std::size_t>(n, 2);
  grow(work.pairs, np * np);
  std::span<double> kxy(work.pairs.data(), np * np);
  std::fill(kxy.begin(), kxy.end(), 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      std::array<double, 6> xx{}, yy{}, z{};
      for (std::size_t k = 0; k < kOctaneGroups; ++k) {
        xx[k] = groups.at(i, k);
        yy[k + 3] = groups.at(j, k);
        z[k] = b[i];
        z[k + 3] = b[j];
      }
      double numer = 0.0, denom = 0.0;
      for (std::size_t l = 0; l < 6; ++l) {
        for (std::size_t k = 0; k < 6; ++k) {
          const double m = (z[l] + z[k]) / 2.0 * (1.0 - t[l % 3][k % 3]);
          numer += m * (xx[k] * yy[l] + xx[l] * yy[k]);
          denom += m * (xx[l] * xx[k] + yy[l] * yy[k]);
        }
      }
      if (denom > 0.0) kxy[i * np + j] = 1.0 - numer / denom;
      kxy[j * np + i] = kxy[i * np + j];
      if (debug >= 2) {
        std::snprintf(text, sizeof text, " KXY(%4zu,%4zu) = %14.6e", i + 1, j + 1,
                      kxy[i * np + j]);
        say(text);
      }
    }
  }

  // Blend: sum over all pairs of v_i v_j (ON_i + ON_j) / 2 (1 - KXY_ij).
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      value += v[i] * v[j] * (on[i] + on[j]) / 2.0 * (1.0 - kxy[i * np + j]);
    }
  }
  if (debug >= 1) {
    say(" COMPONENT   CALCD OCTANE NUMBER");
    for (std::size_t i = 0; i < n; ++i) {
      std::snprintf(text, sizeof text, " %9zu %14.6f", i + 1, b[i]);
      say(text);
    }
    std::snprintf(text, sizeof text, " LEAVING RONSSI - VALUE = %14.6f", value);
    say(text);
  }
}

void RONLD2(std::int32_t debug, std::int32_t iprop, std::size_t column, GroupFractions& groups,
            std::int32_t& ierr) {
  PropertyBlend blend;
  SPCMPV(kInspection, iprop, blend, ierr);
  if (ierr == 0 && blend.basis != kVolumeBasis) ierr = kNotVolume;
  if (ierr == 0) {
    const storage::RealView values =
        storage::CORSTO.reals(blend.values1 + 1, static_cast<std::int32_t>(groups.n));
    for (std::size_t i = 0; i < groups.n; ++i) groups.at(i, column) += values[i];
  }
  if (debug > 3) {
    char text[80];
    std::snprintf(text, sizeof text, " RONLD2 - IPROP=%4d %s IERR=%3d", iprop,
                  std::string(propertyRow(iprop).key).c_str(), ierr);
    say(text);
  }
}

void RONLD1(std::int32_t debug, GroupFractions& groups) {
  std::fill(groups.g.begin(), groups.g.begin() + static_cast<long>(groups.n * kOctaneGroups), 0.0);
  std::int32_t ierr = 0;
  if (debug > 0) {
    char text[80];
    std::snprintf(text, sizeof text, " ENTERED RONLD1 - NOCLOC=%5zu", groups.n);
    say(text);
  }
  SPPTRG(kInspection, ierr);
  if (ierr == 0) {
    for (std::int32_t p : {21, 22, 23}) RONLD2(debug, p, kOlefins, groups, ierr);
    RONLD2(debug, 14, kAromatics, groups, ierr);
    if (ierr != 0) {
      for (std::int32_t p : {8, 9, 10, 11, 12, 13}) RONLD2(debug, p, kAromatics, groups, ierr);
    }
    RONLD2(debug, 15, kSaturates, groups, ierr);
    RONLD2(debug, 20, kSaturates, groups, ierr);
    if (ierr != 0) {
      for (std::int32_t p : {16, 17, 18, 19}) RONLD2(debug, p, kSaturates, groups, ierr);
    }
  }
  for (std::size_t i = 0; i < groups.n; ++i) {
    const double s = groups.at(i, kOlefins) + groups.at(i, kAromatics) + groups.at(i, kSaturates);
    if (s > 0.0) {
      for (std::size_t k = 0; k < kOctaneGroups; ++k) groups.at(i, k) /= s;
    }
  }
  if (debug > 2) {
    say(" COMP   OLEFINS       AROMATICS     SATURATES");
    for (std::size_t i = 0; i < groups.n; ++i) {
      char text[100];
      std::snprintf(text, sizeof text, " %4zu %13.6f %13.6f %13.6f", i + 1,
                    groups.at(i, kOlefins), groups.at(i, kAromatics), groups.at(i, kSaturates));
      say(text);
    }
  }
  if (debug > 0) {
    char text[60];
    std::snprintf(text, sizeof text, " LEAVING RONLD1 - JERR =%4d", ierr);
    say(text);
  }
}

void RONSIM(std::int32_t iprop, std::int32_t /*basis*/, std::span<const double> x,
            std::span<const double> v, double& value) {
  value = 0.0;
  const std::size_t n = std::min(x.size(), v.size());
  const auto count = static_cast<std::int32_t>(n);
  using problem::COPTRS;
  using problem::ComponentReal;
  // The liquid volumes need the molecular weights and gravities: without them in core the
  // number is 0.0, as for a composition without liquid volume.
  if (!COPTRS.inCore(ComponentReal::MolecularWeight) ||
      !COPTRS.inCore(ComponentReal::StandardLiquidDensity)) {
    return;
  }
  const storage::RealView mw =
      storage::CORSTO.reals(COPTRS.realSector(ComponentReal::MolecularWeight) + 1, count);
  const storage::RealView sg =
      storage::CORSTO.reals(COPTRS.realSector(ComponentReal::StandardLiquidDensity) + 1, count);
  // Liquid volumes.
  grow(work.volume, n);
  std::span<double> vol(work.volume.data(), n);
  double s = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    vol[i] = x[i] * mw[i] / sg[i];
    s += vol[i];
  }
  if (!(s > 0.0)) {
    if (services::GDPOPT.diagnosticSwitch(kSpecialSwitch) > 0) {
      say("");
      say(" BAD COMPOSITION - GET OUT OF RONSIM");
      say("");
    }
    return;
  }
  for (double& f : vol) f /= s;
  grow(work.groups, n * kOctaneGroups);
  GroupFractions groups{std::span<double>(work.groups.data(), n * kOctaneGroups), n};
  const std::int32_t debug = debugLevel();
  RONLD1(debug, groups);
  RONSSI(iprop, x, vol, v, groups, debug, value);
}

}  // namespace streamprops
