// NONLN: the bounded least-squares solver on the published test problems of Moré, Garbow
// and Hillstrom, its parameter checks and print options, and NONLNJ against a long-double
// normal-equations solve.
#include "flash/multiphase/nonln.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace {

using multiphase::NONLN;
using multiphase::NONLNJ;
using multiphase::ResidualRoutine;

// A least-squares problem: residuals and their Jacobian (by columns), as a callable.
struct Problem {
  std::int32_t m = 0, n = 0;
  std::function<void(std::span<const double>, std::span<double>, std::span<double>)> eval;
  std::int32_t calls = 0;
  void operator()(std::int32_t& iflag, std::int32_t, std::int32_t, std::span<const double> x,
                  std::span<double> f, std::span<double> fjac) {
    ++calls;
    std::vector<double> scratch(static_cast<std::size_t>(m * n));
    eval(x, f, iflag == 1 ? std::span<double>(scratch) : fjac);
  }
};

// Moré, Garbow and Hillstrom (1981), problem 1 (Rosenbrock): f1 = 10(x2 - x1^2), f2 = 1 - x1.
Problem rosenbrock() {
  return {2, 2, [](std::span<const double> x, std::span<double> f, std::span<double> j) {
            f[0] = 10.0 * (x[1] - x[0] * x[0]);
            f[1] = 1.0 - x[0];
            j[0] = -20.0 * x[0];
            j[1] = -1.0;
            j[2] = 10.0;
            j[3] = 0.0;
          }};
}

// Problem 2 (Freudenstein and Roth).
Problem freudensteinRoth() {
  return {2, 2, [](std::span<const double> x, std::span<double> f, std::span<double> j) {
            const double a = x[0], b = x[1];
            f[0] = -13.0 + a + ((5.0 - b) * b - 2.0) * b;
            f[1] = -29.0 + a + ((b + 1.0) * b - 14.0) * b;
            j[0] = 1.0;
            j[1] = 1.0;
            j[2] = 10.0 * b - 3.0 * b * b - 2.0;
            j[3] = 3.0 * b * b + 2.0 * b - 14.0;
          }};
}

// Problem 5 (Beale): f_i = y_i - x1 (1 - x2^i), y = (1.5, 2.25, 2.625).
Problem beale() {
  return {3, 2, [](std::span<const double> x, std::span<double> f, std::span<double> j) {
            const double y[3] = {1.5, 2.25, 2.625};
            for (int i = 0; i < 3; ++i) {
              const double p = std::pow(x[1], i + 1);
              f[i] = y[i] - x[0] * (1.0 - p);
              j[i] = -(1.0 - p);
              j[3 + i] = x[0] * (i + 1) * std::pow(x[1], i);
            }
          }};
}

struct Result {
  std::vector<double> x, f;
  double s = -1.0;
  std::int32_t code = -99, iterations = 0;
};

Result solve(Problem& p, std::vector<double> x, std::vector<double> xl, std::vector<double> xu,
             std::int32_t option = 3, std::int32_t print = -1, std::int32_t unit = -1,
             std::int32_t limit = 100, std::int32_t digits = 20) {
  Result r;
  r.f.assign(static_cast<std::size_t>(p.m), 0.0);
  std::vector<std::int32_t> iw(static_cast<std::size_t>(multiphase::integerWorkNeeded(p.n)));
  std::vector<double> rw(static_cast<std::size_t>(multiphase::realWorkNeeded(p.m, p.n)));
  r.iterations = limit;
  NONLN(p.m, p.n, xl, xu, option, ResidualRoutine::of(p), digits, print, unit, r.iterations, x, r.f,
        r.s, iw, static_cast<std::int32_t>(iw.size()), rw, static_cast<std::int32_t>(rw.size()),
        r.code);
  r.x = x;
  return r;
}

constexpr double kFree = 1e10;

TEST(NONLN, RosenbrockReachesItsMinimumFromTheStandardStart) {
  for (std::int32_t option : {0, 2, 3}) {
    SCOPED_TRACE(option);
    Problem p = rosenbrock();
    const Result r = solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, option);
    EXPECT_EQ(r.code, 0);
    EXPECT_LT(r.s, 1e-20);
    EXPECT_NEAR(r.x[0], 1.0, 1e-9);
    EXPECT_NEAR(r.x[1], 1.0, 1e-9);
  }
}

TEST(NONLN, RosenbrockWithAnUpperBoundEndsOnTheBound) {
  Problem p = rosenbrock();
  const Result r = solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {0.5, kFree});
  EXPECT_EQ(r.code, -1);
  EXPECT_DOUBLE_EQ(r.x[0], 0.5);
  EXPECT_NEAR(r.x[1], 0.25, 1e-10);
  EXPECT_NEAR(r.s, 0.25, 1e-12);
}

TEST(NONLN, FreudensteinRothAndBealeReachPublishedMinima) {
  {
    Problem p = freudensteinRoth();
    const Result r = solve(p, {0.5, -2.0}, {-kFree, -kFree}, {kFree, kFree});
    EXPECT_LE(r.code, 0);
    const bool global = std::abs(r.x[0] - 5.0) < 1e-7 && std::abs(r.x[1] - 4.0) < 1e-7;
    const bool local =
        std::abs(r.x[0] - 11.412778986902) < 1e-5 && std::abs(r.x[1] + 0.8968052532745) < 1e-6;
    EXPECT_TRUE(global || local) << r.x[0] << " " << r.x[1];
    // The significance test stops when S changes by less than 1e-12 (1 + S): the point is
    // then known to about the square root of that, S to far better.
    EXPECT_NEAR(r.s, global ? 0.0 : 48.98425367924, 1e-9);
  }
  {
    Problem p = beale();
    const Result r = solve(p, {1.0, 1.0}, {-kFree, -kFree}, {kFree, kFree});
    EXPECT_LE(r.code, 0);
    EXPECT_NEAR(r.x[0], 3.0, 1e-8);
    EXPECT_NEAR(r.x[1], 0.5, 1e-8);
    EXPECT_LT(r.s, 1e-20);
  }
}

TEST(NONLN, WrongDerivativesFailTheCheck) {
  Problem p = rosenbrock();
  auto right = p.eval;
  p.eval = [right](std::span<const double> x, std::span<double> f, std::span<double> j) {
    right(x, f, j);
    j[2] = 3.0;
  };
  const Result r = solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, 3);
  EXPECT_EQ(r.code, 3);
}

TEST(NONLN, ResidualsThatAreNotNumbersEndTheSolveWithACode) {
  // At the start: code 2. Beyond x1 = 0.5 the residuals are NaN: the solver must keep to the
  // finite side and never hand back a NaN point or sum.
  Problem p = rosenbrock();
  auto right = p.eval;
  p.eval = [right](std::span<const double> x, std::span<double> f, std::span<double> j) {
    right(x, f, j);
    if (x[0] > 0.5) f[0] = std::nan("");
  };
  const Result start = solve(p, {0.7, 1.0}, {-kFree, -kFree}, {kFree, kFree});
  EXPECT_EQ(start.code, 2);
  const Result r = solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree});
  EXPECT_TRUE(std::isfinite(r.s));
  EXPECT_TRUE(std::isfinite(r.x[0]) && std::isfinite(r.x[1]));
  EXPECT_LE(r.x[0], 0.5);
}

TEST(NONLN, AStopOfTheResidualRoutineIsTheCode) {
  Problem p = rosenbrock();
  std::int32_t calls = 0;
  Problem stopper{2, 2, p.eval};
  struct Stop {
    Problem* inner;
    std::int32_t* calls;
    void operator()(std::int32_t& iflag, std::int32_t m, std::int32_t n, std::span<const double> x,
                    std::span<double> f, std::span<double> j) {
      (*inner)(iflag, m, n, x, f, j);
      if (++*calls == 4) iflag = 12;
    }
  } stop{&stopper, &calls};
  std::vector<double> x{-1.2, 1.0}, f(2), xl{-kFree, -kFree}, xu{kFree, kFree};
  std::vector<std::int32_t> iw(6);
  std::vector<double> rw(static_cast<std::size_t>(multiphase::realWorkNeeded(2, 2)));
  std::int32_t limit = 50, code = 0;
  double s = 0.0;
  NONLN(2, 2, xl, xu, 2, ResidualRoutine::of(stop), 20, -1, -1, limit, x, f, s, iw, 6, rw,
        static_cast<std::int32_t>(rw.size()), code);
  EXPECT_EQ(code, 12);
}

TEST(NONLN, IterationLimitsOfZeroAndBelow) {
  Problem p = rosenbrock();
  const Result zero = solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, 2, -1, -1, 0);
  EXPECT_EQ(zero.code, 4);
  EXPECT_EQ(zero.iterations, 0);
  EXPECT_DOUBLE_EQ(zero.x[0], -1.2);
  Problem q = rosenbrock();
  const Result negative = solve(q, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, 2, -1, -1, -1);
  EXPECT_EQ(negative.code, 4);
  EXPECT_EQ(q.calls, 1);  // the residuals once, no derivatives
}

// The output written on a unit connected to a temporary file during FN.
std::string written(const testing_support::TempDir& dir, const std::function<void(int)>& fn) {
  constexpr int kUnit = 77;
  const std::string name = (dir.path() / "nonln.txt").string();
  EXPECT_EQ(platform::openSequential(kUnit, name, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  fn(kUnit);
  platform::closeUnit(kUnit, true);
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(NONLN, ParameterChecks) {
  testing_support::TempDir dir;
  struct Case {
    std::int32_t print, m, n, option, liwork, lrwork;
    std::int32_t code;
    const char* text;
  };
  // N = 2, M = 3: the minima are 6 integers and 3·2·9/2 + 5·3 = 42 reals.
  const Case cases[] = {
      {3, 3, 2, 3, 6, 42, 1, " PRINT OPTION EQUALS"},
      {13, 3, 2, 3, 6, 42, 1, " PRINT OPTION EQUALS"},
      {40, 3, 2, 3, 6, 42, 1, " PRINT OPTION EQUALS"},
      {99, 3, 2, 3, 6, 42, 1, " PRINT OPTION EQUALS"},
      {200, 3, 2, 3, 6, 42, 1, " PRINT OPTION EQUALS"},
      {132, 3, 2, 3, 6, 42, 0, "ITERATION REPORT FOR NONLN"},
      {1, 0, 2, 3, 6, 42, 1, " NUMBER OF EQUATIONS EQUALS"},
      {1, 3, 0, 3, 6, 42, 1, " NUMBER OF VARIABLES EQUALS"},
      {1, 3, 2, 4, 6, 42, 1, " PARTIAL DERIVATIVES OPTION EQUALS"},
      {1, 3, 2, 3, 5, 42, 1, "REQUIRED MINIMUM LENGTH FOR THIS CASE IS      6"},
      {1, 3, 2, 3, 6, 41, 1, "REQUIRED MINIMUM LENGTH FOR THIS CASE IS    42"},
      {1, 3, 2, 3, 6, 42, 0, " NORMAL TERMINATION WITH CODE"},
  };
  EXPECT_EQ(multiphase::realWorkNeeded(3, 2), 42);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SCOPED_TRACE(c.print);
    Problem p = beale();
    std::int32_t code = -99, limit = 50;
    const std::string out = written(dir, [&](int unit) {
      std::vector<double> x{1.0, 1.0}, f(3), xl{-kFree, -kFree}, xu{kFree, kFree};
      std::vector<std::int32_t> iw(8);
      std::vector<double> rw(50);
      double s = 0.0;
      NONLN(c.m, c.n, xl, xu, c.option, ResidualRoutine::of(p), 20, c.print, unit, limit, x, f, s,
            iw, c.liwork, rw, c.lrwork, code);
    });
    EXPECT_EQ(code == 1 ? 1 : 0, c.code);
    if (c.code == 1) {
      EXPECT_EQ(limit, 0);
    }
    EXPECT_NE(out.find(c.text), std::string::npos) << out;
  }
}

TEST(NONLN, PrintOptionMinusOneWritesNothing) {
  testing_support::TempDir dir;
  const std::string out = written(dir, [&](int unit) {
    Problem p = rosenbrock();
    solve(p, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, 3, -1, unit);
    Problem wrong = rosenbrock();
    auto right = wrong.eval;
    wrong.eval = [right](std::span<const double> x, std::span<double> f, std::span<double> j) {
      right(x, f, j);
      j[0] += 1.0;
    };
    solve(wrong, {-1.2, 1.0}, {-kFree, -kFree}, {kFree, kFree}, 3, -1, unit);
    std::vector<double> x{1.0, 1.0}, f(3), xl{0, 0}, xu{1, 1}, rw(10);
    std::vector<std::int32_t> iw(2);
    std::int32_t limit = 5, code = 0;
    double s = 0.0;
    NONLN(3, 2, xl, xu, 3, ResidualRoutine::of(p), 20, -1, unit, limit, x, f, s, iw, 2, rw, 10,
          code);
    EXPECT_EQ(code, 1);
  });
  EXPECT_TRUE(out.empty()) << out;
}

TEST(NONLNJ, MatchesLongDoubleNormalEquationsOnRandomSystems) {
  std::mt19937 rng(40);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int trial = 0; trial < 50; ++trial) {
    const std::size_t rows = 3 + static_cast<std::size_t>(trial % 5);
    const std::size_t cols = 1 + static_cast<std::size_t>(trial % 3);
    std::vector<double> a(rows * cols), rhs(rows), b(cols), r(cols * (cols + 1) / 2);
    for (double& v : a) v = u(rng);
    for (double& v : rhs) v = u(rng);
    // A^T A b = A^T rhs in long double, by Gaussian elimination.
    std::vector<long double> n(cols * cols), t(cols);
    for (std::size_t i = 0; i < cols; ++i) {
      for (std::size_t j = 0; j < cols; ++j) {
        long double s = 0;
        for (std::size_t k = 0; k < rows; ++k) s += (long double)a[k + i * rows] * a[k + j * rows];
        n[i * cols + j] = s;
      }
      long double s = 0;
      for (std::size_t k = 0; k < rows; ++k) s += (long double)a[k + i * rows] * rhs[k];
      t[i] = s;
    }
    for (std::size_t p = 0; p < cols; ++p) {
      for (std::size_t q = p + 1; q < cols; ++q) {
        const long double f = n[q * cols + p] / n[p * cols + p];
        for (std::size_t j = p; j < cols; ++j) n[q * cols + j] -= f * n[p * cols + j];
        t[q] -= f * t[p];
      }
    }
    std::vector<long double> want(cols);
    for (std::size_t p = cols; p-- > 0;) {
      long double s = t[p];
      for (std::size_t j = p + 1; j < cols; ++j) s -= n[p * cols + j] * want[j];
      want[p] = s / n[p * cols + p];
    }
    std::vector<double> copy = a;
    ASSERT_EQ(NONLNJ(copy, r, b, rhs, static_cast<std::int32_t>(rows),
                     static_cast<std::int32_t>(cols), 1e-28),
              0);
    for (std::size_t j = 0; j < cols; ++j) {
      EXPECT_NEAR(b[j], static_cast<double>(want[j]), 1e-11 * (1.0 + std::abs((double)want[j])));
    }
  }
}

TEST(NONLNJ, ADependentColumnReturnsItsIndex) {
  // Column 3 = column 1 + 2·column 2.
  std::vector<double> a{1, 2, 3, 4, 0, 1, 0, 1, 1, 4, 3, 6}, rhs{1, 1, 1, 1}, b(3), r(6);
  EXPECT_EQ(NONLNJ(a, r, b, rhs, 4, 3, 1e-20), 3);
  std::vector<double> zero{1, 2, 3, 0, 0, 0}, b2(2), r2(3), rhs2{1, 1, 1};
  EXPECT_EQ(NONLNJ(zero, r2, b2, rhs2, 3, 2, 1e-28), 2);
}

}  // namespace
