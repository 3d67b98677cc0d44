// Support of the K-value engine tests: a run with the ternary of the vapour fugacity tests,
// the flash work arrays and the phase-flag array, a method set made current as the switch
// leaves it (equation of state or activity), Antoine vapour pressures in the correlation set,
// an independent evaluation of the two-parameter cubic equations, and KCALC calls with owned
// outputs.
#pragma once

#include <cstdint>
#include <vector>

#include "thermo/equilibrium/slots.hpp"
#include "vapour_fugacity_support.hpp"

namespace kvalue_test {

using fugacity_test::BlockData;

inline constexpr std::size_t kN = 3;  // methane, propane, n-pentane

// Antoine constants log10(P/bar) = A - B/(T + C), T in K (NIST Chemistry WebBook).
struct Antoine {
  double a, b, c;
};
extern const Antoine kAntoine[kN];
double antoine(std::size_t i, double t);  // kPa

// A fresh run: components, work arrays, the Antoine set 1001, a zero set header, no water.
// The liquid-liquid split slot is left as it is.
void startKValueRun();

// A liquid-liquid split that finds none (THETA 0), for the slot of a test of this layer,
// below the flash engine that serves it in the library.
void noSplit(const equilibrium::LiquidSplitRequest& request,
             equilibrium::LiquidSplitResult& result);

// The K-value method CODE with its block held, the K-value option digit OPTION and the
// option word of the K-value slot (its hundreds digit is the rigorous-K flag).
void useKValueMethod(std::int32_t code, const BlockData& block, std::int32_t option,
                     std::int32_t optionWord = 0);
// The liquid-liquid method CODE of the set (0: none).
void useLiquidLiquidMethod(std::int32_t code);

// The two cubic forms of the tests.
enum class Cubic { PengRobinson, Soave };
BlockData cubicBlock(Cubic form, const std::vector<double>& kij);

// ln(phi) of every component of a phase of composition Z at T and P by the cubic FORM with
// the classical mixing rule, solved in the test (vapour: largest root; liquid: smallest).
std::vector<double> independentLnPhi(Cubic form, const std::vector<double>& kij,
                                     const std::vector<double>& z, double t, double p, bool liquid);

// What KCALC returns, with the work arrays it leaves.
struct KResult {
  std::vector<double> k, dkdt, dkdp;
  double zv = -9.0, zl = -9.0;
  std::int32_t kccall = 0, ierr = -9, ifugst = -9;
};
KResult kcalc(const std::vector<double>& y, const std::vector<double>& x, double t, double p,
              std::int32_t kcopt, std::int32_t kcdrv = 0, std::int32_t kccall = 12);

// The phase flags of the integer work array.
std::vector<std::int32_t> flags();

}  // namespace kvalue_test
