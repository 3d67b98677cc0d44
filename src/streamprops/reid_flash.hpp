// Reid vapour pressure by flash: the test apparatus (a chilled liquid chamber and an air
// chamber of four liquid volumes, heated to 100 F) simulated with the flashes of the engine.
//   method 3  the RVP of a process stream (SPERV1): water removed, air added, chilled to 36 F
//   4, 5, 6   the standard tests "D323", "D4953", "D5191" (SPERV2): air-saturated at 33 F,
//             vapour and free water removed, air (and for "D323" a little water) added;
//             "D5191" converted by the test's own correlation
// Both end in SPERV3, the pressure at 100 F at which the flashed sample fills the hot volume.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// Statuses of the flash RVP in IER (0 solved).
enum class ReidStatus : std::int32_t {
  Solved = 0,
  ChilledFlashFailed = 2,     // the 36 F or 33 F flash failed (message 1030001198)
  SaturationFlashFailed = 3,  // an air-saturation flash failed (message 1030001198)
  HotFlashFailed = 6,         // a flash of the pressure search failed (message 1030001198)
  VapourLost = 7,             // method 3: vapour when chilled, too much volume and none hot
  StepTooSmall = 8,           // five steps below 1e-4 psi without a bracket (1030001199)
  NotConverged = 9,           // 20 search iterations (message 1030001199)
};

// Messages of the flash RVP.
inline constexpr std::int32_t kReidFlashFailed = 1030001198;
inline constexpr std::int32_t kReidNotConverged = 1030001199;

// SPERV1: Reid vapour pressure of a process stream (method 3).
//   isrnum  in      stream number, for labels and traces only
//   metuse  in      method set of the flashes (below 1 the default set)
//   nc      in      components in X (NCOMP)
//   x       in      mole fractions of the stream
//   tvp     in      true vapour pressure of X at 100 F, kPa (SPETVP)
//   ier     in/out  in the TVP's status; out ReidStatus (left as it came when the preset is
//                   returned before any flash)
//   rvp     out     psi (psia less the atmosphere): 0.0 for no positive fraction or an
//                   all-water stream; DMISS when TVP is not positive, the set's K-value
//                   method has no vapour pressure (LMCODA) or the component table holds
//                   no critical temperatures in core; the preset 0.96 TVP in psi on
//                   an entry status above 0 and on every failure the search did not bring
//                   within 1 % of the hot volume; (1 - (8 - t)/100) t below t = 4 psi
// Uses a temporary sample stream, deleted before return; the streams of both pointer sets
// and the method set current on entry are current again on every exit.
void SPERV1(std::int32_t isrnum, std::int32_t metuse, std::int32_t nc, std::span<const double> x,
            double tvp, std::int32_t& ier, double& rvp);

// SPERV2: Reid vapour pressure by the standard test M (4 "D323", 5 "D4953", 6 "D5191";
// any other M is run as "D323"). Arguments and results as SPERV1; for "D5191" a converged
// result is the test's report value 0.965 (RVP + 14.6959) - 0.548.
void SPERV2(std::int32_t m, std::int32_t isrnum, std::int32_t metuse, std::int32_t nc,
            std::span<const double> x, double tvp, std::int32_t& ier, double& rvp);

}  // namespace streamprops
