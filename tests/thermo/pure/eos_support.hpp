// Helpers of the equation-of-state tests: published component constants, the cubic
// families, calls of the mixing rules and root solvers with owned arrays, and a mixture
// model that can be re-evaluated at perturbed temperature and composition.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace eos_test {

inline constexpr double kR = 8.314471;

// Critical constants and acentric factors from B. E. Poling, J. M. Prausnitz and
// J. P. O'Connell, "The Properties of Gases and Liquids", 5th ed., Appendix A.
struct Component {
  const char* name;
  double tc;     // K
  double pc;     // kPa
  double omega;  // acentric factor
};
inline constexpr Component kMethane{"methane", 190.56, 4599.0, 0.011};
inline constexpr Component kEthane{"ethane", 305.32, 4872.0, 0.099};
inline constexpr Component kPropane{"propane", 369.83, 4248.0, 0.152};
inline constexpr Component kButane{"n-butane", 425.12, 3796.0, 0.200};
inline constexpr Component kPentane{"n-pentane", 469.7, 3370.0, 0.252};
inline constexpr Component kNitrogen{"nitrogen", 126.20, 3398.0, 0.037};
inline constexpr Component kCarbonDioxide{"carbon dioxide", 304.12, 7374.0, 0.225};
inline constexpr Component kAcetone{"acetone", 508.20, 4701.0, 0.307};
inline constexpr Component kMethanol{"methanol", 512.64, 8097.0, 0.565};
inline constexpr Component kWater{"water", 647.14, 22064.0, 0.344};
inline constexpr Component kHydrogenFluoride{"hydrogen fluoride", 461.0, 6488.0, 0.329};

// A cubic family: its constants u1, u2, the critical Omega_a, Omega_b of the published
// equation and the Soave slope m(omega).
struct Family {
  const char* name;
  double u1, u2;
  double omegaA, omegaB;
  double m0, m1, m2;  // m = m0 + m1 omega + m2 omega^2
  double m(double omega) const { return m0 + (m1 + m2 * omega) * omega; }
};
// Soave (1972); Peng and Robinson (1976); van der Waals with the Soave alpha.
extern const Family kSoave;
extern const Family kPengRobinson;
extern const Family kVanDerWaals;

// The twelve outputs of a mixing rule, owned.
struct Mixture {
  explicit Mixture(std::size_t n = 0);
  double a = 0.0, aT = 0.0, aTT = 0.0;
  std::vector<double> abar, abarT, abb;
  double b = 0.0, bT = 0.0, bTT = 0.0;
  std::vector<double> bbar, bbarT, bbb;
};

// Pure-component terms from EOSTWU with the Soave form of the family.
struct PureTerms {
  std::vector<double> sqrta, a, aT, aTT, b;
};
PureTerms pureTerms(const Family& family, const std::vector<Component>& comps, double t);

// All outputs of a root solver.
struct Root {
  double z = -9.0, zT = -9.0, zP = -9.0;
  std::vector<double> lnphi, lnphiT, lnphiP, lnphiN;
  double hr = -9.0, sr = -9.0, cpr = -9.0, cvr = -9.0, cpcv = -9.0;
  std::vector<double> hrn, zdn;
  std::int32_t status = -9;
};

// EOSZRT on a mixture; outputs start at -9.
Root solve(const Mixture& m, std::int32_t phase, std::int32_t level, double t, double p,
           const Family& family, std::int32_t option = 0, double p0 = 101.325);
// EOSZRA on a mixture.
Root solveAssociating(const Mixture& m, std::int32_t phase, std::int32_t level, double t, double p,
                      const Family& family, std::int32_t position, double y0,
                      const std::vector<double>& x, double p0 = 101.325);

// A mixing rule evaluated at any temperature and composition (level 4).
using Model = std::function<Mixture(double t, const std::vector<double>& x)>;

// Central differences of the kernel outputs against their analytic derivatives, and the
// identities between them, at one state. ASSOCIATING selects EOSZRA (with the associating
// component at POSITION), which gives no pressure or composition derivatives and a
// temperature derivative of ln phi over 0.1 K.
struct State {
  std::string label;
  std::int32_t phase;
  double t, p;
  std::vector<double> x;
};
void checkConsistency(const Model& model, const Family& family, const State& s);
void checkAssociatingConsistency(const Model& model, const Family& family, const State& s,
                                 std::int32_t position);

}  // namespace eos_test
