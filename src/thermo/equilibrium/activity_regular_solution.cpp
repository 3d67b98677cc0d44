// GAM406: the regular-solution activity models 120 and 406 of the activity route, by GAMREG,
// and the Flory-Huggins models 407 and 513, by K407KR.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"

namespace equilibrium {
namespace {

constexpr std::string_view kName = "GAM406";
constexpr std::int32_t kWaterSolubilityCode = 120;
constexpr std::int32_t kRegularSolutionCode = 406;
constexpr std::int32_t kFloryHugginsCode = 407;
constexpr std::int32_t kFloryHugginsAltCode = 513;
// Code 120: the water-rich liquid above this water fraction; the water solubility parameter
// 31.6 - 0.0163 T_R of a water-poor liquid above the ice point in degrees Rankine.
constexpr double kWaterRichFraction = 0.3;
constexpr double kRankinePerKelvin = 1.8;
constexpr double kIcePointRankine = 491.67;
constexpr double kWaterDeltaA = 31.6;
constexpr double kWaterDeltaB = 0.0163;

}  // namespace

void GAM406(ActivityModelCall& c) {
  // 1. These models report no excess Gibbs energy or enthalpy.
  c.gert = 0.0;
  c.hert2 = 0.0;
  const bool floryHuggins = c.code == kFloryHugginsCode || c.code == kFloryHugginsAltCode;
  if (c.code != kWaterSolubilityCode && c.code != kRegularSolutionCode && !floryHuggins) {
    services::ERRITM("CODE", c.code);
    services::ABTRPT("KC", kName, kName, "ACTIVITY MODEL NOT AVAILABLE");
  }
  // 2. The tens digit asks for a derivative these models do not give.
  if ((c.request / 10) % 10 == 1) {
    c.status = kRefusedStatus;
    // The refusal line of this route names the routine VTUNIQ.
    reportRefusedDerivative("VTUNIQ", c.request);
    return;
  }
  // 3. Composition derivatives when the hundreds digit is set.
  const std::int32_t n = c.ncl;
  const auto nn = static_cast<std::size_t>(n);
  const std::int32_t nder = (c.request / 100) % 10 != 0 ? n : 1;
  const std::int32_t option =
      c.ictl.size() >= activityctl::kOption ? c.ictl[activityctl::kOption - 1] : 0;

  // 5. Codes 407 and 513: V, delta, then the pair blocks A and B.
  if (floryHuggins) {
    if (c.param.size() < 2 * nn + 2 * nn * nn || c.x.size() < nn) {
      services::ERRITM("NEEDED", static_cast<std::int32_t>(2 * nn + 2 * nn * nn));
      services::ERRITM("HAVE", static_cast<std::int32_t>(c.param.size()));
      services::ABTRPT("KC", kName, kName, "PARAMETER ARRAY TOO SHORT");
    }
    K407KR(c.status, nder, n, c.t, c.x, c.lngam, c.dlngdt, c.dlngdx, c.param.first(nn),
           c.param.subspan(nn, nn), c.param.subspan(2 * nn, nn * nn),
           c.param.subspan(2 * nn + nn * nn, nn * nn));
    return;
  }

  // 4. The volume and solubility-parameter blocks of the code.
  std::size_t volumes = 0;
  std::size_t deltas = nn;
  std::size_t replaced = 0;  // 1-based place in PARAM of a replaced water delta
  double kept = 0.0;
  if (c.code == kWaterSolubilityCode) {
    volumes = 5 * nn;
    deltas = 6 * nn;
    const std::int32_t w = c.waterNumber;
    if (w > 0 && w <= n) {
      const auto iw = static_cast<std::size_t>(w - 1);
      const double tr = kRankinePerKelvin * c.t;
      if (c.x[iw] > kWaterRichFraction) {
        deltas = 7 * nn;
      } else if (tr > kIcePointRankine) {
        replaced = deltas + iw + 1;
      }
    }
  }
  if (c.param.size() < deltas + nn || c.x.size() < nn) {
    services::ERRITM("NEEDED", static_cast<std::int32_t>(deltas + nn));
    services::ERRITM("HAVE", static_cast<std::int32_t>(c.param.size()));
    services::ABTRPT("KC", kName, kName, "PARAMETER ARRAY TOO SHORT");
  }
  if (replaced > 0) {
    kept = c.param[replaced - 1];
    c.param[replaced - 1] = kWaterDeltaA - kWaterDeltaB * kRankinePerKelvin * c.t;
  }
  GAMREG(c.status, nder, n, c.t, c.x, c.lngam, c.dlngdt, c.dlngdx, c.param.subspan(deltas, nn),
         option, c.param.subspan(volumes, nn));

  // 6. The stored water solubility parameter back.
  if (replaced > 0) c.param[replaced - 1] = kept;
}

}  // namespace equilibrium
