// Support of the flash tests: a problem opened from the fixture builder with its method
// sets, the common argument list of an isothermal flash with arrays of its own, and a
// K-value double of composition-independent K-values.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "support/test_support.hpp"

namespace flash_test {

// An opened problem of the fixture builder; closed again at the end of its life.
class OpenProblem {
 public:
  OpenProblem(const testing_support::TempDir& dir, const fixtures::ProblemDescription& d);
  ~OpenProblem();
  OpenProblem(const OpenProblem&) = delete;
  OpenProblem& operator=(const OpenProblem&) = delete;
};

// Makes method set SET current (FLMSET).
void useSet(std::int32_t set);

// The components by published name, and a Peng-Robinson set (code 102) NAME; with WATER
// (1-based) the set decants free water of that component. A fresh start takes the Wilson
// K-values.
std::vector<fixtures::ComponentSpec> components(const std::vector<std::string>& names);
fixtures::MethodSetSpec pengRobinsonSet(const std::string& name, std::int32_t water = 0);

// An ideal-gas enthalpy correlation set (type 110) for components 1..N: H = c2 T + c3 T^2
// (kJ/kmol) with coefficients that rise with the component number. Smooth stand-ins, for
// tests whose checks are identities that hold whatever the coefficients.
fixtures::CorrelationSetBlock idealGasStandIns(std::size_t n);

// SET with its vapour and liquid entropies taken whole from the equation of state and the
// ideal-gas enthalpy correlation (option 3 of both entropy slots), so that no entropy
// correlation set is needed.
fixtures::MethodSetSpec withEquationEntropies(fixtures::MethodSetSpec set);

// An isothermal flash of the feed Z at T and P with arrays of its own.
struct Flash {
  Flash(const std::vector<double>& z, double t, double p);
  Flash(const Flash&) = delete;
  Flash& operator=(const Flash&) = delete;
  flash::IsothermalFlash a;
  std::vector<double> z, x, y, k, xstor, ystor, dxnew, dxold, dynew, dyold, kstor, tcrit;
  std::vector<std::int32_t> present;
};

// The K-value double: K = kvalues (composition-independent); a water component (1-based
// waterComponent, 0 none) also sets the water words of THCTL: YWD = ywd, XWD = xwd.
struct KDouble {
  std::vector<double> kvalues;
  std::int32_t waterComponent = 0;
  double ywd = 0.0, xwd = 0.0;
};
extern KDouble kDouble;
void constantKValues(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                     std::span<const double> x, std::span<double> k, double t, double p, double& zv,
                     double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
                     std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst);

// Feeds of three components with K-values for the double that hold a NaN or an infinity:
// all NaN, one NaN beside K on both sides of one, beside K all above one and all below,
// an infinite K, and a NaN K of an absent component. A flash handed them must fail, not
// return compositions that are not numbers.
struct KValueCase {
  const char* label;
  std::vector<double> z, k;
};
std::vector<KValueCase> nonFiniteKValues();

// Antoine vapour pressure, kPa: log10(P/bar) = A - B/(T + C), T in K.
struct Antoine {
  double a, b, c;
  double kpa(double t) const;
};

// The vapour fraction of the exact Rachford-Rice solution at K, by bisection between the
// asymptotes in extended precision; clamped to 0..1 (a single phase).
double exactVapourFraction(const std::vector<double>& z, const std::vector<double>& k);

}  // namespace flash_test
