// K-values of a vapour against a liquid that splits into two liquids: KCVLLE, which splits
// the liquid (through the liquid-liquid split slot of thermo/equilibrium/slots.hpp), forms
// the K-values of the vapour against each liquid with KCPAIR and combines them; and the
// split it keeps for the next call.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace equilibrium {

// The split of the last KCVLLE call, kept for a caller whose liquid has not changed
// (hundreds digit of the call option word). X1 starting below -1e35 marks it unusable.
struct LiquidSplitState {
  std::vector<double> x1, x2;          // liquid 1 and liquid 2 (NCOMP each)
  std::vector<double> lnphi1, lnphi2;  // ln(phi) of the two liquids (flash work array 9)
  double theta = -1.0;                 // fraction of the liquid that is liquid 1
  double thetaRest = -1.0;             // 1 - theta
  double z1 = 0.0, z2 = 0.0;           // compressibility factors of the two liquids
  // The combined K-values' parts: vapour against liquid 1 and against liquid 2.
  std::vector<double> kv1, kv2;
};
extern LiquidSplitState liquidSplitState;

// The classes of the liquid-liquid K-value method handed to the split: 1 activity (MTISB)
// or 120, 2 user-added, 3 504, 0 equation of state.
std::int32_t liquidLiquidClass(std::int32_t code);

// The K-values of the vapour Y' against the total liquid X':
//   1. level word 2; key components from set header words 6 and 7 (present above 1e-6;
//      key 2 falls back to the set's water component);
//   4. a changed liquid (hundreds digit of KCCALL 0) is split through the slot (the
//      three-phase variant while the three-phase flash runs, THDXCH.IHVLLE 2);
//   6-10. with theta > 0: KV1 = KCPAIR(Y', X1), checked by FLSKSP (equation-of-state class)
//      against ZA, theta, 1 - theta; KV2 = KCPAIR(Y', X2) with the vapour unchanged (1000
//      added to KCCALL), checked against ZB, 0.5, 0.5; combined for i <= NCK
//        D = theta KV2 + (1 - theta) KV1,  K = KV1 KV2 / D,
//        dK/dT = (KV1 dKV2/dT + KV2 dKV1/dT - K (theta dKV2/dT + (1 - theta) dKV1/dT)) / D,
//      dK/dP likewise; ZL = ZA theta + ZB (1 - theta) for the equation-of-state class.
//   11. no split (theta <= 0 or a rejected pair): the stored split is marked unusable,
//      KCCALL becomes 12 and KCPAIR(Y', X') answers.
// Arguments as KCALC, with the normalised compositions and the phase-type flags, and the
// non-water fractions FY, FX of the vapour and the liquid that every KCPAIR call receives as
// the plain pair route does: the vapour is evaluated at its non-water partial pressure
// whether the liquid splits or not, so that no split gives the pair route's K-values.
// Aborts: "KC" "KCVLLE" "FLASH WORK ARRAY TOO SHORT"; those of KCPAIR and of the split.
void KCVLLE(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, double fy, double fx, std::span<std::int32_t> iflag,
            std::int32_t reserved, std::int32_t& ifugst);

// KCLLIQ modes.
enum class DistributionMode : std::int32_t {
  Fugacity = 0,         // fugacity coefficients of the two liquids
  Activity = 1,         // activity coefficients (work array 11)
  User = 2,             // the user-added liquid-liquid method
  Correlation = 3,      // correlation 1907 only
  CorrelationOnly = 4,  // correlation 1907 first and only, flags set by it
};

// The distribution coefficients KD = XA/XB between two given liquids by the liquid-liquid
// method of the set (its option digit made the K-value option digit for the call):
//   modes 0 and 1: FLCALC on each normalised liquid not marked unchanged by ISKIP (ln phi kept
//     in liquidSplitState.lnphi1/2); PHI = exp(ln phi limited to +-70) (mode 0) or exp(ln gamma
//     of work array 11 limited to +-30) (mode 1); KD = PHIB/PHIA (mode 0 as exp of the limited
//     difference). Before any rigorous K-value evaluation a component flagged absent gets 1.
//   sour-water and electrolyte correction (liquid-liquid method 503, 510 or 511, both shares
//     of the stored split above 5e-7): the model (KCSOUR, or AQELDR for 511) on XB and Y,
//     with the starts of the method's block advanced past its pair parameters, starting from
//     KV2 = PHIB/phiV (phiV = exp(ln phiV of work array 7 limited to +-30)); each key
//     component present (or any, once a rigorous evaluation has run) takes
//       KV1 = PHIA/phiV, KD = KV2/KV1 (exp(+-30) beyond), ln phiB = ln(phiV KD KV1),
//       PHIB = exp(ln phiB limited to +-30);
//     keys: 503 I(1..4); 510 I(1 + I(21 + i)), i = 1..I(1); 511 I(q + 3..q + 5) and the q
//     amines from I(q + 11), q = I(2). Method 510 meeting a KV1 or KV2 not positive: ISTAT 2.
//   mode 2: the user-added method through the K-value slot at the liquid-liquid level:
//     PHIA = 1, PHIB = KD = the user's K (at least exp(-30)).
//   modes 3 and 4, or set header word 21 positive: correlation 1907, v > 0 gives PHIA = 1,
//     PHIB = KD = v and d ln KD/dT in work array 12 (mode 4 also sets the flags: 1 where
//     v > 0, else 0, and nothing else runs).
//   iflag     in/out  phase-type flags
//   mode      in      DistributionMode
//   ncomp, nck in     components; vapour count (the block shift of the correction)
//   p, t      in      kPa, K
//   xa, xb    in/out  the two liquids, normalised in place (modes 0 and 1)
//   y         in      vapour composition (the sour-water model)
//   kd, phia, phib out distribution coefficients and the coefficients of the two liquids
//   za, zb    out     compressibility factors of the liquids evaluated
//   iskip     in      1: liquid A unchanged, 2: liquid B unchanged
//   istat     out     0, or 2 when a liquid evaluation reported a status or method 510 met a
//                     K-value that is not positive
// Aborts: "KC" "KCLLIQ" "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED); those of
// FLCALC, the loader, KCSOUR and AQELDR.
void KCLLIQ(std::span<std::int32_t> iflag, std::int32_t mode, std::int32_t ncomp, std::int32_t nck,
            double p, double t, std::span<double> xa, std::span<double> xb,
            std::span<const double> y, std::span<double> kd, std::span<double> phia,
            std::span<double> phib, double& za, double& zb, std::int32_t iskip,
            std::int32_t& istat);

}  // namespace equilibrium
