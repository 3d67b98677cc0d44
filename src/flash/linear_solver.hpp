// The dense linear solver of the Newton flash: LU decomposition with partial pivoting in
// Crout's column-by-column form, one or more right-hand sides solved in place. Included by
// flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Modes of LINING.
enum class LinearSolveMode : std::int32_t {
  FactorAndSolve = 1,  // the only mode the flashes use
};

// Smallest pivot magnitude accepted; the test is absolute, the matrix is not scaled.
inline constexpr double kSingularPivot = 1e-10;
// Magnitude from which the running determinant is given up as 0.0.
inline constexpr double kDeterminantLimit = 1e20;

// LINING: solves A x = b for NRHS right-hand sides by LU decomposition with partial
// pivoting. The matrix and the right-hand sides share one column-major array.
//   n      in      order of the system (0 solves nothing)
//   nrhs   in      number of right-hand sides
//   lda    in      leading dimension: rows allocated per column, at least N
//   a      in/out  LDA x (N + NRHS) by columns: the coefficients in columns 1..N, the
//                  right-hand sides in columns N+1..N+NRHS; on return L below the diagonal
//                  (unit diagonal implied) and U on and above it, the solutions in place of
//                  the right-hand sides, already in the order of the unknowns
//   mode   in      1 factor and solve; any other mode only factors (no solution written)
//   det    out     the determinant of A; 0.0 once the running product reaches 1e20 in
//                  magnitude
//   ipiv   out     N entries: ipiv[i-1] is the row of the given matrix now in position i
//   work   --      N reals of work space (not needed by this implementation; may be empty)
//   debug  in      above 0: a failed solve is reported in a framed message on UNIT
//                  (" SINGULAR PIVOT ELEMENT (row col) = value IN SUBROUTINE LINING", or
//                  " NON-FINITE ELEMENT ..." with the place of the NaN or infinity)
//   unit   in      the print unit of that message
//   ierr   out     0 solved; 1 singular: a pivot of magnitude at most 1e-10, or one that is
//                  not finite, was met: the solve stops at that column, A is left partly
//                  factored and holds no solution. 1 also when the matrix or a right-hand
//                  side holds a NaN or an infinity (A is then left untouched), and when a
//                  solution overflowed (the solutions are left as computed)
// Aborts: "FL" from LINING when N, NRHS or LDA is negative, LDA is below N, or A or IPIV is
// too short for them.
void LINING(std::int32_t n, std::int32_t nrhs, std::int32_t lda, std::span<double> a,
            std::int32_t mode, double& det, std::span<std::int32_t> ipiv, std::span<double> work,
            std::int32_t debug, std::int32_t unit, std::int32_t& ierr);

}  // namespace flash
