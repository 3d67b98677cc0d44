// The reverse-communication root search: driven by a loop like its callers', on functions
// whose roots are known in closed form.
#include "api/flash/root_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using api_flash::ROOTRC;
using api_flash::RootSearchState;

struct Outcome {
  RootSearchState state;
  double x;
  std::vector<double> points;  // every X evaluated, in order
};

// Runs the search to its end, evaluating F wherever it asks.
Outcome run(const std::function<double(double)>& fn, double xa, double xb, double tol,
            std::int32_t maxit) {
  std::int32_t istate = 0;
  double x = 0.0;
  double f = 0.0;
  Outcome out{RootSearchState::Start, 0.0, {}};
  for (int guard = 0; guard < 10000; ++guard) {
    ROOTRC(istate, xa, xb, tol, x, f, maxit);
    if (istate != static_cast<std::int32_t>(RootSearchState::Evaluate)) break;
    out.points.push_back(x);
    f = fn(x);
  }
  out.state = static_cast<RootSearchState>(istate);
  out.x = x;
  return out;
}

struct RootCase {
  std::string name;
  std::function<double(double)> fn;
  double xa, xb;
  double root;  // closed form
};

TEST(ROOTRC, FindsKnownRootsWithinTolerance) {
  const std::vector<RootCase> cases = {
      {"linear, bracketed by the ends", [](double x) { return 0.3 - 0.1 * x; }, 0.0, 10.0, 3.0},
      {"cubic, bracketed", [](double x) { return x * x * x - 2.0; }, 0.0, 4.0, std::cbrt(2.0)},
      {"step-like vapour fraction curve",
       [](double x) { return 0.4 - 1.0 / (1.0 + std::exp(-(x - 5.0) * 3.0)); }, 0.0, 10.0,
       5.0 + std::log(0.4 / 0.6) / 3.0},
      // Both ends on the same side: the scan must find the sign change at a midpoint.
      {"parabola, no sign change at the ends",
       [](double x) { return (x - 4.0) * (x - 4.5); }, 0.0, 10.0, 4.0},
      // Ends given upper first: the search must still step inside the interval.
      {"ends reversed", [](double x) { return x - 7.0; }, 10.0, 0.0, 7.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double tol = 1e-10;
    const Outcome out = run(c.fn, c.xa, c.xb, tol, 200);
    ASSERT_EQ(out.state, RootSearchState::Converged);
    EXPECT_LE(std::abs(c.fn(out.x)), tol);
    // The answer is the last point evaluated.
    EXPECT_EQ(out.x, out.points.back());
  }
}

TEST(ROOTRC, TestsBothEndsThenScanMidpointsLevelByLevel) {
  // No root: the scan visits 5; then 2.5, 7.5; then 1.25, 3.75, 6.25, 8.75; ...
  const Outcome out = run([](double x) { return 1.0 + x * x; }, 0.0, 10.0, 1e-12, 9);
  EXPECT_EQ(out.state, RootSearchState::ScanLimit);
  const std::vector<double> expected = {0.0, 10.0, 5.0, 2.5, 7.5, 1.25, 3.75, 6.25, 8.75};
  EXPECT_EQ(out.points, expected);
}

TEST(ROOTRC, StopsAtTheLimitInTheScanOrTheBracket) {
  struct LimitCase {
    std::string name;
    std::function<double(double)> fn;
    std::int32_t maxit;
    RootSearchState state;
    std::size_t points;
  };
  const auto noRoot = [](double x) { return 1.0 + x; };
  const auto root = [](double x) { return std::atan(x - 3.3); };
  const std::vector<LimitCase> cases = {
      {"scan, limit 4", noRoot, 4, RootSearchState::ScanLimit, 4},
      {"negative limit is its absolute value", noRoot, -4, RootSearchState::ScanLimit, 4},
      {"limit 1 still takes both ends", noRoot, 1, RootSearchState::ScanLimit, 2},
      {"limit 2, no sign change", noRoot, 2, RootSearchState::ScanLimit, 2},
      {"limit 2, sign change", root, 2, RootSearchState::BracketLimit, 2},
      {"bracket, limit 3", root, 3, RootSearchState::BracketLimit, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome out = run(c.fn, 0.0, 10.0, 1e-14, c.maxit);
    EXPECT_EQ(out.state, c.state);
    EXPECT_EQ(out.points.size(), c.points);
    // X is left at a point already evaluated (the last one, or the better bracket end).
    EXPECT_NE(std::find(out.points.begin(), out.points.end(), out.x), out.points.end());
  }
}

TEST(ROOTRC, AScanEndsWhenItsPointsCanNoLongerBeToldApart) {
  // An interval four units in the last place wide, no root, and a limit that would let the scan
  // halve its step for ever: it stops once a new level adds no new point.
  const double xa = 1.0;
  const double xb = std::nextafter(std::nextafter(std::nextafter(std::nextafter(1.0, 2.0), 2.0),
                                                  2.0),
                                   2.0);
  const Outcome out = run([](double x) { return 1.0 + x; }, xa, xb, 1e-12, 1000000);
  EXPECT_EQ(out.state, RootSearchState::ScanLimit);
  EXPECT_LT(out.points.size(), 10U);
  for (double x : out.points) {
    EXPECT_GE(x, xa);
    EXPECT_LE(x, xb);
  }
}

TEST(ROOTRC, StopsAtOnceWhenAnEndMeetsTheTolerance) {
  const Outcome atStart = run([](double x) { return x - 1e-9; }, 0.0, 10.0, 1e-6, 50);
  EXPECT_EQ(atStart.state, RootSearchState::Converged);
  EXPECT_EQ(atStart.points.size(), 1u);
  EXPECT_EQ(atStart.x, 0.0);
  const Outcome atEnd = run([](double x) { return x - 10.0; }, 0.0, 10.0, 1e-6, 50);
  EXPECT_EQ(atEnd.state, RootSearchState::Converged);
  EXPECT_EQ(atEnd.points.size(), 2u);
}

TEST(ROOTRC, ZeroToleranceEndsOnAnUnsplittableBracketOrAZeroStep) {
  // A jump with no zero: the bracket shrinks to two neighbouring doubles around 1/3.
  const auto jump = [](double x) { return x < 1.0 / 3.0 ? -1.0 : 1.0; };
  const Outcome out = run(jump, 0.0, 1.0, 0.0, 100000);
  EXPECT_EQ(out.state, RootSearchState::Converged);
  EXPECT_NEAR(out.x, 1.0 / 3.0, 1e-15);
  // Every point stayed inside the interval.
  for (double p : out.points) {
    EXPECT_GE(p, 0.0);
    EXPECT_LE(p, 1.0);
  }
}

TEST(ROOTRC, ANewStartForgetsTheSearchBefore) {
  const auto fn = [](double x) { return x - 2.0; };
  // Abandon a search half way, then start another on other limits.
  std::int32_t istate = 0;
  double x = 0.0, f = 0.0;
  ROOTRC(istate, 0.0, 100.0, 1e-12, x, f, 50);
  f = fn(x);
  ROOTRC(istate, 0.0, 100.0, 1e-12, x, f, 50);
  const Outcome fresh = run(fn, 1.0, 3.0, 1e-12, 50);
  EXPECT_EQ(fresh.state, RootSearchState::Converged);
  EXPECT_EQ(fresh.points.front(), 1.0);
  EXPECT_EQ(fresh.points[1], 3.0);
  EXPECT_NEAR(fresh.x, 2.0, 1e-12);
}

}  // namespace
