// The three-phase balance at fixed K-values (FL3ORS), the residual routine that the
// least-squares three-phase flash hands to NONLN.
#pragma once

#include <cstdint>
#include <span>

namespace multiphase {

// The arrays FL3ORS reads: the feed and the two position K-value sets that FLAS3O was given
// (the flash work arrays of FLWKTB slots 7, 8 and 10 when the router calls).
//   z   feed mole fractions
//   ka  K-values of position 2 over position 1 (KB)
//   r   K-values of position 3 over position 1 (KC; three phases only)
struct BalanceArrays {
  std::span<const double> z, ka, r;
};

// FL3ORS: the balance residuals of a split into three phases (THDXCH mode word 3) or two
// (mode word 2) over the THDXCH component count:
//   three phases  BA = x1 x2, BB = (1 - x1) x2, BC = 1 - x2, D_i = BA + BB KA_i + BC R_i,
//                 F1 = sum z/D - 1, F2 = sum z KA/D - 1, F3 = sum z R/D - 1;
//   two phases    D_i = x1 + (1 - x1) KA_i, F1 = sum z/D - 1, F2 = sum z KA/D - 1.
// A D of exactly 0 is replaced by z; a component with z = 0 contributes nothing (it would
// give 0/0 on a bound). With IFLAG other than 1 also the exact Jacobian by columns,
//   dF_k/dx_j = -sum z K_k (dD/dx_j)/D^2,
//   three phases dD/dx1 = x2 (1 - KA), dD/dx2 = x1 + (1 - x1) KA - R; two dD/dx1 = 1 - KA.
// IFLAG is never changed; N is not read.
void FL3ORS(const BalanceArrays& arrays, std::int32_t& iflag, std::int32_t m, std::int32_t n,
            std::span<const double> x, std::span<double> f, std::span<double> df);

}  // namespace multiphase
