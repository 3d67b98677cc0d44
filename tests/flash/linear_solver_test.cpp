// The dense linear solver: random systems checked by their residual, pivoting and the
// determinant, the singular pivot with its framed note, and non-finite values treated as
// singular.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "flash/flash.hpp"
#include "platform/platform.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"

namespace {

// A column-major system of order N with NRHS right-hand sides, leading dimension LDA.
struct System {
  std::int32_t n;
  std::int32_t nrhs;
  std::int32_t lda;
  std::vector<double> a;
  double& at(std::int32_t i, std::int32_t j) { return a[(j - 1) * lda + (i - 1)]; }
};

struct Result {
  std::int32_t ierr = -1;
  double det = -99.0;
  std::vector<std::int32_t> ipiv;
};

Result solve(System& s, std::int32_t debug = 0, std::int32_t unit = platform::kNoUnit) {
  Result r;
  r.ipiv.assign(s.n, 0);
  std::vector<double> work(s.n);
  flash::LINING(s.n, s.nrhs, s.lda, s.a, 1, r.det, r.ipiv, work, debug, unit, r.ierr);
  return r;
}

// Diagonally dominant random matrices (well conditioned) with the rows shuffled, so that
// pivoting is needed, and random right-hand sides; the solution must satisfy the original
// system to a residual of a few ulps of the data, and the determinant must equal the one
// from an independent elimination in long double.
TEST(LINING, SolvesRandomWellConditionedSystems) {
  std::mt19937 rng(20261211);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (std::int32_t n = 1; n <= 30; ++n) {
    for (const std::int32_t nrhs : {1, 3}) {
      SCOPED_TRACE("n=" + std::to_string(n) + " nrhs=" + std::to_string(nrhs));
      const std::int32_t lda = n + 2;  // rows beyond N must be left alone
      System s{n, nrhs, lda, std::vector<double>(static_cast<std::size_t>(lda) * (n + nrhs))};
      for (std::int32_t j = 1; j <= n + nrhs; ++j) {
        for (std::int32_t i = 1; i <= n; ++i) s.at(i, j) = entry(rng);
        for (std::int32_t i = n + 1; i <= lda; ++i) s.at(i, j) = 777.0;
      }
      for (std::int32_t i = 1; i <= n; ++i) s.at(i, i) += n;  // dominance
      std::vector<std::int32_t> order(n);
      for (std::int32_t i = 0; i < n; ++i) order[i] = i + 1;
      std::shuffle(order.begin(), order.end(), rng);
      System given = s;
      for (std::int32_t i = 1; i <= n; ++i) {
        for (std::int32_t j = 1; j <= n + nrhs; ++j) given.at(i, j) = s.at(order[i - 1], j);
      }
      s = given;

      const Result r = solve(s);
      ASSERT_EQ(r.ierr, 0);
      double norm = 0.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        for (std::int32_t j = 1; j <= n; ++j) norm = std::max(norm, std::abs(given.at(i, j)));
      }
      for (std::int32_t c = n + 1; c <= n + nrhs; ++c) {
        for (std::int32_t i = 1; i <= n; ++i) {
          long double residual = given.at(i, c);
          for (std::int32_t j = 1; j <= n; ++j) {
            residual -= static_cast<long double>(given.at(i, j)) * s.at(j, c);
          }
          EXPECT_LE(std::abs(static_cast<double>(residual)), 64 * n * norm * 2.2e-16)
              << "row " << i << " rhs " << c - n;
        }
      }
      for (std::int32_t j = 1; j <= n + nrhs; ++j) {
        for (std::int32_t i = n + 1; i <= lda; ++i) ASSERT_EQ(s.at(i, j), 777.0);
      }

      // IPIV is a permutation of 1..N.
      std::vector<std::int32_t> sorted = r.ipiv;
      std::sort(sorted.begin(), sorted.end());
      for (std::int32_t i = 0; i < n; ++i) ASSERT_EQ(sorted[i], i + 1);

      // Determinant by Gaussian elimination with partial pivoting in long double.
      std::vector<long double> g(static_cast<std::size_t>(n) * n);
      for (std::int32_t i = 0; i < n; ++i) {
        for (std::int32_t j = 0; j < n; ++j) g[i * n + j] = given.at(i + 1, j + 1);
      }
      long double det = 1.0L;
      for (std::int32_t k = 0; k < n; ++k) {
        std::int32_t p = k;
        for (std::int32_t i = k + 1; i < n; ++i) {
          if (std::abs(g[i * n + k]) > std::abs(g[p * n + k])) p = i;
        }
        if (p != k) {
          for (std::int32_t j = 0; j < n; ++j) std::swap(g[p * n + j], g[k * n + j]);
          det = -det;
        }
        det *= g[k * n + k];
        for (std::int32_t i = k + 1; i < n; ++i) {
          const long double f = g[i * n + k] / g[k * n + k];
          for (std::int32_t j = k; j < n; ++j) g[i * n + j] -= f * g[k * n + j];
        }
      }
      if (std::abs(det) < 1e20L) {
        EXPECT_NEAR(r.det, static_cast<double>(det), 1e-10 * std::abs(static_cast<double>(det)));
      } else {
        EXPECT_EQ(r.det, 0.0);
      }
    }
  }
}

// Rows (0, 1) and (1, 0): one interchange, determinant -1, the row order recorded; the
// right-hand side moves with its row.
TEST(LINING, ExchangesRowsForAZeroLeadingElement) {
  System s{2, 1, 2, {0.0, 1.0, 1.0, 0.0, 3.0, 5.0}};  // A = [[0,1],[1,0]], b = (3, 5)
  const Result r = solve(s);
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.det, -1.0);
  EXPECT_EQ(r.ipiv, (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(s.at(1, 3), 5.0);  // x1 = b2
  EXPECT_EQ(s.at(2, 3), 3.0);  // x2 = b1
}

// Order 3 with entries of order 1e8: the running determinant passes 1e20 and is given up
// as 0.0, while the solution is still computed (A = 1e8 * I plus a coupling, x = (1, 2, 3)).
TEST(LINING, GivesUpAHugeDeterminantButStillSolves) {
  System s{3, 1, 3, std::vector<double>(12, 0.0)};
  const double big = 1e8;
  const double coeff[3][3] = {{big, 1.0, 0.0}, {0.0, big, 1.0}, {1.0, 0.0, big}};
  const double x[3] = {1.0, 2.0, 3.0};
  for (std::int32_t i = 1; i <= 3; ++i) {
    double b = 0.0;
    for (std::int32_t j = 1; j <= 3; ++j) {
      s.at(i, j) = coeff[i - 1][j - 1];
      b += coeff[i - 1][j - 1] * x[j - 1];
    }
    s.at(i, 4) = b;
  }
  const Result r = solve(s);
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.det, 0.0);
  for (std::int32_t i = 1; i <= 3; ++i) EXPECT_NEAR(s.at(i, 4), x[i - 1], 1e-12);
}

// Singular cases: a zero column stops at that column; a first column whose only non-zero
// element is below 1e-10 stops at once however good the rest is. At debug level 1 the
// framed note names the candidate row and the column.
TEST(LINING, ReportsASingularPivot) {
  struct Case {
    const char* name;
    std::vector<double> a;  // order 3, by columns, one right-hand side
    const char* note;
  };
  const std::vector<Case> cases{
      {"zero second column",
       {2.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 4.0, 1.0, 1.0, 1.0},
       " SINGULAR PIVOT ELEMENT (   2   2) =   0.0000E+00 IN SUBROUTINE LINING"},
      {"tiny first column",
       {0.0, 5e-11, 0.0, 3.0, 1.0, 0.0, 0.0, 0.0, 2.0, 1.0, 1.0, 1.0},
       " SINGULAR PIVOT ELEMENT (   2   1) =   5.0000E-11 IN SUBROUTINE LINING"},
  };
  testing_support::TempDir dir;
  constexpr int kUnit = 41;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir.file(std::string(c.name) + ".txt");
    ASSERT_EQ(platform::openSequential(kUnit, file.string(), platform::FileStatus::Unknown,
                                       platform::FileAccess::Write),
              platform::IoResult::Ok);
    System quiet{3, 1, 3, c.a};
    EXPECT_EQ(solve(quiet).ierr, 1);
    System loud{3, 1, 3, c.a};
    EXPECT_EQ(solve(loud, 1, kUnit).ierr, 1);
    ASSERT_EQ(platform::closeUnit(kUnit, true), platform::IoResult::Ok);
    const std::string frame = " *********************************************\n";
    EXPECT_EQ(testing_support::readFile(file), frame + c.note + "\n" + frame)
        << "only the debug call writes";
  }
}

// A NaN or an infinity anywhere in the matrix or the right-hand side, a pivot that
// overflows from finite entries, or a solution that does, is reported as a singular matrix
// (IERR 1), never as a solve. An entry given non-finite leaves A untouched. Order 2, by
// columns, one right-hand side.
TEST(LINING, TreatsNonFiniteValuesAsSingular) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    std::vector<double> a;
    bool untouched;
    const char* note;
  };
  const std::vector<Case> cases{
      // A NaN below the pivot is never chosen as the pivot: the pivot test alone misses it.
      {"NaN below the first pivot",
       {2.0, nan, 1.0, 3.0, 1.0, 1.0},
       true,
       " NON-FINITE ELEMENT (   2   1) =          NAN IN SUBROUTINE LINING"},
      {"NaN above the diagonal", {2.0, 1.0, nan, 3.0, 1.0, 1.0}, true, nullptr},
      {"infinite diagonal", {2.0, 1.0, 1.0, -inf, 1.0, 1.0}, true, nullptr},
      {"NaN right-hand side",
       {2.0, 1.0, 1.0, 3.0, 1.0, nan},
       true,
       " NON-FINITE ELEMENT (   2   3) =          NAN IN SUBROUTINE LINING"},
      // 1e308 - (-1)(1e308) overflows in the second column.
      {"pivot overflows",
       {1.0, -1.0, 1e308, 1e308, 1.0, 1.0},
       false,
       " SINGULAR PIVOT ELEMENT (   2   2) =          INF IN SUBROUTINE LINING"},
      // diag(1e-9, 1) with b = (1e300, 1): x1 = 1e309 overflows.
      {"solution overflows",
       {1e-9, 0.0, 0.0, 1.0, 1e300, 1.0},
       false,
       " NON-FINITE ELEMENT (   1   3) =          INF IN SUBROUTINE LINING"},
  };
  testing_support::TempDir dir;
  constexpr int kUnit = 41;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    System quiet{2, 1, 2, c.a};
    EXPECT_EQ(solve(quiet).ierr, 1);
    if (c.untouched) {
      for (std::size_t i = 0; i < c.a.size(); ++i) {
        EXPECT_TRUE(quiet.a[i] == c.a[i] || (std::isnan(quiet.a[i]) && std::isnan(c.a[i])));
      }
    }
    if (c.note == nullptr) continue;
    const auto file = dir.file(std::string(c.name) + ".txt");
    ASSERT_EQ(platform::openSequential(kUnit, file.string(), platform::FileStatus::Unknown,
                                       platform::FileAccess::Write),
              platform::IoResult::Ok);
    System loud{2, 1, 2, c.a};
    EXPECT_EQ(solve(loud, 1, kUnit).ierr, 1);
    ASSERT_EQ(platform::closeUnit(kUnit, true), platform::IoResult::Ok);
    const std::string frame = " *********************************************\n";
    EXPECT_EQ(testing_support::readFile(file), frame + c.note + "\n" + frame);
  }
}

// The solve works in the caller's arrays: it allocates nothing.
TEST(LINING, AllocatesNothing) {
  constexpr std::int32_t n = 12;
  std::vector<double> a(static_cast<std::size_t>(n) * (n + 1), 1.0);
  for (std::int32_t i = 0; i < n; ++i) a[static_cast<std::size_t>(i * n + i)] = 2.0 * n;
  std::vector<std::int32_t> ipiv(n);
  std::vector<double> work(n);
  double det = 0.0;
  std::int32_t ierr = -1;
  const std::size_t before = testing_support::allocationCount();
  flash::LINING(n, 1, n, a, 1, det, ipiv, work, 0, platform::kNoUnit, ierr);
  EXPECT_EQ(testing_support::allocationCount(), before);
  EXPECT_EQ(ierr, 0);
}

TEST(LINING, RejectsAnArrayTooShortForTheSystem) {
  testing_support::StopThrows stop;
  System s{3, 1, 3, std::vector<double>(11, 1.0)};
  EXPECT_THROW(solve(s), platform::RunStopped);
}

}  // namespace
