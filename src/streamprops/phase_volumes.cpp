// SRPHTO: the actual volume flows of the vapour and liquid of the working stream.
#include <cstdint>

#include "problem/streams.hpp"
#include "services/services.hpp"
#include "streamprops/basis_vectors.hpp"
#include "thermo/phase/density_drivers.hpp"

namespace streamprops {
namespace {

// The TIMST2 slot of SRPHTO.
constexpr std::size_t kTimingSlotSRPHTO = 47;

// Volume flow of a phase fraction F of rate R at molar density D; 0.0 without a density.
double volumeFlow(double f, double r, double d) { return d > 0.0 ? f * r / d : 0.0; }

}  // namespace

void SRPHTO(double& vtot1, double& vtot2, double& vv1, double& vv2, double& vl1, double& vl2,
            std::int32_t& ierr) {
  const services::RoutineTimer timer(kTimingSlotSRPHTO);
  // 1. Nothing flows unless the rate is positive.
  vtot1 = vtot2 = vv1 = vv2 = vl1 = vl2 = 0.0;
  ierr = 0;
  const std::int32_t n = problem::SRPSET.set2.stream;
  const problem::MainRecord rec(problem::SRPSET.set2);
  const double r = rec.real(problem::srmain::kRate);
  if (!(r > 0.0)) return;
  const double vf = rec.real(problem::srmain::kVapourFraction);
  const double lf =
      rec.real(problem::srmain::kLiquidFraction) + rec.real(problem::srmain::kWaterFraction);

  // 2. The vapour: dry and wet density with their fractions.
  if (vf > 0.0) {
    double dry = 0.0, wet = 0.0, fdry = 0.0, fwet = 0.0;
    phase::DVAPDR(n, dry, wet, fdry, fwet, ierr);
    vv1 = volumeFlow(fdry, r, dry);
    vv2 = volumeFlow(fwet, r, wet);
  }

  // 3. The liquid: the hydrocarbon liquid and the whole liquid.
  if (lf > 0.0) {
    double d1 = 0.0, d2 = 0.0, d3 = 0.0, f1 = 0.0, f2 = 0.0, f3 = 0.0;
    std::int32_t lerr = 0;
    phase::DLIQDR(n, d1, d2, d3, f1, f2, f3, lerr);
    vl1 = volumeFlow(f1, r, d1);
    vl2 = volumeFlow(f2, r, d2);
    if (ierr == 0) ierr = lerr;
  }

  // 4. The totals.
  vtot1 = vv1 + vl1;
  vtot2 = vv2 + vl2;
}

}  // namespace streamprops
