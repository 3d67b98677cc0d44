// The dense linear solver of the Newton flash.
#include "flash/linear_solver.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "platform/platform.hpp"
#include "services/services.hpp"

namespace flash {

namespace {

// One checked view of the column-major array: element (i, j), both 1-based.
class ColumnMajor {
 public:
  ColumnMajor(std::span<double> a, std::int64_t lda) : a_(a), lda_(lda) {}
  double& operator()(std::int64_t i, std::int64_t j) { return a_[(j - 1) * lda_ + (i - 1)]; }

 private:
  std::span<double> a_;
  std::int64_t lda_;
};

void rejectShape(std::int32_t n, std::int32_t nrhs, std::int32_t lda) {
  services::ERRITM("N", n);
  services::ERRITM("NRHS", nrhs);
  services::ERRITM("LDA", lda);
  services::ABTRPT("FL", "LINING", "LINING", "LINEAR SYSTEM DOES NOT FIT ITS ARRAYS");
}

// The framed note of a failed solve: an asterisk line, WHAT with the place (row, column of
// the array) and the value, the asterisk line again.
void reportFramed(std::int32_t unit, const char* what, std::int64_t row, std::int64_t column,
                  double value) {
  constexpr std::string_view kFrame = " *********************************************";
  char line[112];
  std::snprintf(line, sizeof line, " %s (%4lld%4lld) = %12.4E IN SUBROUTINE LINING", what,
                static_cast<long long>(row), static_cast<long long>(column), value);
  platform::writeLine(unit, kFrame);
  platform::writeLine(unit, line);
  platform::writeLine(unit, kFrame);
}

// The first element (row, column, both 1-based) of rows 1..N of columns FIRST..LAST that is
// not a finite number; row 0 when there is none.
struct Place {
  std::int64_t row = 0, column = 0;
};
Place firstNonFinite(ColumnMajor& m, std::int64_t n, std::int64_t first, std::int64_t last) {
  for (std::int64_t j = first; j <= last; ++j) {
    for (std::int64_t i = 1; i <= n; ++i) {
      if (!std::isfinite(m(i, j))) return {i, j};
    }
  }
  return {};
}

}  // namespace

void LINING(std::int32_t n, std::int32_t nrhs, std::int32_t lda, std::span<double> a,
            std::int32_t mode, double& det, std::span<std::int32_t> ipiv,
            std::span<double> /*work*/, std::int32_t debug, std::int32_t unit, std::int32_t& ierr) {
  if (n < 0 || nrhs < 0 || lda < n ||
      a.size() < static_cast<std::size_t>(lda) * static_cast<std::size_t>(n + nrhs) ||
      ipiv.size() < static_cast<std::size_t>(n)) {
    rejectShape(n, nrhs, lda);
  }
  ColumnMajor m(a, lda);
  const std::int64_t columns = std::int64_t{n} + nrhs;

  // 1. Start: no interchange, determinant 1. A NaN or an infinity in the matrix or a
  //    right-hand side leaves nothing to solve: it fails as a singular matrix would, with A
  //    untouched.
  ierr = 0;
  det = 1.0;
  for (std::int32_t i = 1; i <= n; ++i) ipiv[i - 1] = i;
  if (const Place bad = firstNonFinite(m, n, 1, columns); bad.row != 0) {
    ierr = 1;
    if (debug > 0) {
      reportFramed(unit, "NON-FINITE ELEMENT", bad.row, bad.column, m(bad.row, bad.column));
    }
    return;
  }

  // 2. Factor column by column.
  for (std::int64_t k = 1; k <= n; ++k) {
    // a. a(i,k) -= sum over m < min(i,k) of a(i,m) a(m,k), rows in order so that the
    //    U part above row i is final when row i needs it.
    for (std::int64_t i = 1; i <= n; ++i) {
      const std::int64_t last = std::min(i, k) - 1;
      double sum = m(i, k);
      for (std::int64_t j = 1; j <= last; ++j) sum -= m(i, j) * m(j, k);
      m(i, k) = sum;
    }
    // b. The pivot: the largest magnitude at or below the diagonal, the topmost of equals.
    std::int64_t p = k;
    for (std::int64_t i = k + 1; i <= n; ++i) {
      if (std::abs(m(i, k)) > std::abs(m(p, k))) p = i;
    }
    const double pivot = m(p, k);
    // c. Too small a pivot ends the solve, and so does one that overflowed.
    if (std::abs(pivot) <= kSingularPivot || !std::isfinite(pivot)) {
      ierr = 1;
      if (debug > 0) reportFramed(unit, "SINGULAR PIVOT ELEMENT", p, k, pivot);
      return;
    }
    // d. The running determinant, given up at 1e20.
    det = std::abs(det * pivot) >= kDeterminantLimit ? 0.0 : det * pivot;
    // e. Interchange rows p and k over every column, right-hand sides included.
    if (p != k) {
      det = -det;
      std::swap(ipiv[p - 1], ipiv[k - 1]);
      for (std::int64_t j = 1; j <= columns; ++j) std::swap(m(p, j), m(k, j));
    }
    // f. The multipliers below the diagonal.
    for (std::int64_t i = k + 1; i <= n; ++i) m(i, k) /= pivot;
  }
  if (mode != static_cast<std::int32_t>(LinearSolveMode::FactorAndSolve)) return;

  // 3. Each right-hand side: forward through L, back through U.
  for (std::int64_t c = std::int64_t{n} + 1; c <= columns; ++c) {
    for (std::int64_t i = 2; i <= n; ++i) {
      double sum = m(i, c);
      for (std::int64_t j = 1; j < i; ++j) sum -= m(i, j) * m(j, c);
      m(i, c) = sum;
    }
    for (std::int64_t i = n; i >= 1; --i) {
      double sum = m(i, c);
      for (std::int64_t j = i + 1; j <= n; ++j) sum -= m(i, j) * m(j, c);
      m(i, c) = sum / m(i, i);
    }
  }
  // 4. A solution that overflowed is no solution.
  if (const Place bad = firstNonFinite(m, n, std::int64_t{n} + 1, columns); bad.row != 0) {
    ierr = 1;
    if (debug > 0) {
      reportFramed(unit, "NON-FINITE ELEMENT", bad.row, bad.column, m(bad.row, bad.column));
    }
  }
}

}  // namespace flash
