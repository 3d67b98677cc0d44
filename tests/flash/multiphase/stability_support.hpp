// Support of the stability tests: a problem of methane, hydrogen sulphide and propane with
// Soave and Peng-Robinson sets, and the test's own cubic equation of state in long double
// with an independent tangent-plane minimiser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flash_support.hpp"

namespace stability_test {

// Set numbers of the problem.
inline constexpr std::int32_t kSoaveSet = 1;        // 101, k(CH4, H2S) = 0.083
inline constexpr std::int32_t kPengSet = 2;         // 102, no pair coefficients
inline constexpr std::int32_t kShiftedSet = 3;      // 124, k(CH4, H2S) = 0.083 (runs of NP)
inline constexpr std::int32_t kAsymmetricSet = 4;   // 111, k(CH4, H2S) = 0.083 (runs of 2 NP)
inline constexpr std::int32_t kAssociatingSet = 5;  // 122, k(CH4, H2S) = 0.083

// The pair coefficient of methane and hydrogen sulphide, and the state of the published
// stability example of that pair with the Soave equation: 190 K, 40.53 bar.
inline constexpr double kPairCoefficient = 0.083;
inline constexpr double kExampleT = 190.0;
inline constexpr double kExampleP = 4053.0;

// The problem's components in order.
std::vector<std::string> componentNames();

// Opens the problem in DIR for its life.
class StabilityProblem {
 public:
  explicit StabilityProblem(const testing_support::TempDir& dir);

 private:
  flash_test::OpenProblem problem_;
};

// The test's own cubic: Soave (G. Soave, Chem. Eng. Sci. 27 (1972) 1197) or Peng-Robinson
// (D.-Y. Peng and D. B. Robinson, Ind. Eng. Chem. Fundam. 15 (1976) 59) with the problem's
// published component constants and the quadratic rule, in long double.
class TestEos {
 public:
  TestEos(bool soave, double t, double p, double pairCoefficient);
  std::size_t size() const { return a_.size(); }
  // ln(phi) at the root of lower Gibbs energy (FORCE 1 the largest root, 2 the smallest).
  std::vector<long double> lnphi(const std::vector<long double>& x, int force = 0) const;
  // The reduced Gibbs energy of amounts N: sum n_i (ln x_i + ln phi_i), present components.
  long double gibbs(const std::vector<long double>& n) const;

 private:
  std::vector<long double> a_, b_;
  std::vector<std::vector<long double>> k_;
  long double s1_, s2_, t_, p_;
};

// The local minima of the reduced tangent-plane distance tpd(w) = sum w_i (ln w_i + ln phi_i(w)
// - d_i) of a binary of the first two components (the others absent) for the feed Z: a scan
// over w_1 refined by golden sections.
struct Stationary {
  long double w1;   // mole fraction of component 1
  long double tpd;  // reduced tangent-plane distance
};
std::vector<Stationary> binaryMinima(const TestEos& eos, const std::vector<double>& z);

std::vector<long double> widen(const std::vector<double>& v);

}  // namespace stability_test
