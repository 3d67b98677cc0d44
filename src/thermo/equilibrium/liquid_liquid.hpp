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
// Arguments as KCALC, with the normalised compositions and the phase-type flags.
// Aborts: "KC" "KCVLLE" "FLASH WORK ARRAY TOO SHORT"; those of KCPAIR and of the split.
void KCVLLE(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, std::span<std::int32_t> iflag, std::int32_t reserved,
            std::int32_t& ifugst);

}  // namespace equilibrium
