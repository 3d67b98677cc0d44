#include "density_support.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace density_test {

void expectClose(double actual, double expected, double scale, double tol,
                 const std::string& what) {
  EXPECT_NEAR(actual, expected, tol * (std::fabs(expected) + scale)) << what;
}

double weighted(const std::vector<double>& x, const std::vector<double>& v) {
  double s = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) s += x[i] * v[i];
  return s;
}

std::vector<double> shifted(const std::vector<double>& x, std::size_t j, double h) {
  std::vector<double> n = x;
  n[j] += h;
  return n;
}

std::vector<double> normalised(const std::vector<double>& n) {
  double s = 0.0;
  for (double v : n) s += v;
  std::vector<double> x = n;
  for (double& v : x) v /= s;
  return x;
}

}  // namespace density_test
