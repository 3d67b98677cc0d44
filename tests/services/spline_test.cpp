#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "services/services.hpp"


namespace {

struct Evaluation {
  std::vector<double> y, dy, d2y;
};

Evaluation evaluate(const std::vector<double>& x, const std::vector<double>& y,
                    std::vector<double>& c, const std::vector<double>& xq, std::int32_t icoef,
                    std::int32_t ider) {
  Evaluation e{std::vector<double>(xq.size(), -9.0), std::vector<double>(xq.size(), -9.0),
               std::vector<double>(xq.size(), -9.0)};
  services::SPLCOF(static_cast<std::int32_t>(x.size()), x, y, c,
                static_cast<std::int32_t>(xq.size()), xq, e.y, e.dy, e.d2y, icoef, ider);
  return e;
}

TEST(SPLCOF, ReproducesAStraightLineAndClampsOutside) {
  const std::vector<double> x = {0.0, 1.0, 3.0, 4.0, 7.0};
  std::vector<double> y;
  for (const double v : x) y.push_back(2.0 * v - 1.0);
  std::vector<double> c(x.size(), 5.0);
  const auto e = evaluate(x, y, c, {-1.0, 0.0, 0.5, 2.0, 6.9, 7.0, 8.0}, 0, 2);
  for (const double ci : c) EXPECT_NEAR(ci, 0.0, 1e-12);
  const std::vector<double> y_expected = {-1.0, -1.0, 0.0, 3.0, 12.8, 13.0, 13.0};
  const std::vector<double> dy_expected = {0.0, 0.0, 2.0, 2.0, 2.0, 2.0, 0.0};
  for (std::size_t i = 0; i < y_expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(e.y[i], y_expected[i], 1e-12);
    EXPECT_NEAR(e.dy[i], dy_expected[i], 1e-12);
    EXPECT_NEAR(e.d2y[i], 0.0, 1e-12);
  }
}

// The natural spline interpolates the knots, is continuous in value, slope and curvature at
// the inner knots, and has zero curvature at both ends.
TEST(SPLCOF, NaturalSplineOfASine) {
  std::vector<double> x;
  std::vector<double> y;
  for (int i = 0; i <= 12; ++i) {
    x.push_back(0.3 * i + 0.05 * (i % 3));
    y.push_back(std::sin(x.back()));
  }
  std::vector<double> c(x.size(), 0.0);
  const double h = 1e-7;
  std::vector<double> xq;
  for (std::size_t k = 1; k + 1 < x.size(); ++k) {
    xq.push_back(x[k] - h);
    xq.push_back(x[k]);
    xq.push_back(x[k] + h);
  }
  const auto e = evaluate(x, y, c, xq, 0, 2);
  EXPECT_EQ(c.front(), 0.0);
  EXPECT_EQ(c.back(), 0.0);
  for (std::size_t k = 0; k + 2 < x.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(e.y[3 * k + 1], y[k + 1], 1e-12);
    EXPECT_NEAR(e.dy[3 * k], e.dy[3 * k + 2], 1e-5);
    EXPECT_NEAR(e.d2y[3 * k], e.d2y[3 * k + 2], 1e-5);
    EXPECT_NEAR(e.d2y[3 * k + 1], c[k + 1], 1e-9);
  }
  // Between knots it follows the sine closely.
  std::vector<double> c2 = c;
  const auto mid = evaluate(x, y, c2, {1.0, 2.0, 3.0}, 1, 1);
  EXPECT_EQ(c2, c) << "ICOEF 1 uses the second derivatives as passed";
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(mid.y[i], std::sin(1.0 + i), 2e-3);
}

TEST(SPLCOF, DerivativesOnlyWhenAsked) {
  const std::vector<double> x = {0.0, 1.0, 2.0, 3.0};
  const std::vector<double> y = {0.0, 1.0, 0.0, 1.0};
  std::vector<double> c(4, 0.0);
  const auto e = evaluate(x, y, c, {0.5, 1.5}, 0, 0);
  EXPECT_EQ(e.dy[0], -9.0);
  EXPECT_EQ(e.d2y[1], -9.0);
  const auto f = evaluate(x, y, c, {0.5, 1.5}, 0, 1);
  EXPECT_NE(f.dy[0], -9.0);
  EXPECT_EQ(f.d2y[1], -9.0);
}

}  // namespace
