// Helpers of the tests of the vapour methods, hard-chain equations and liquid densities:
// relative comparisons with a label, mole-fraction sums and shifted amounts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace density_test {

inline constexpr double kR = 8.314471;

// Expects |actual - expected| <= tol (|expected| + scale).
void expectClose(double actual, double expected, double scale, double tol, const std::string& what);

// sum x_i v_i.
double weighted(const std::vector<double>& x, const std::vector<double>& v);

// The amounts X with component J changed by H (not normalised).
std::vector<double> shifted(const std::vector<double>& x, std::size_t j, double h);

// Mole fractions of amounts.
std::vector<double> normalised(const std::vector<double>& n);

}  // namespace density_test
