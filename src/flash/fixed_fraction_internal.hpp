// Private helpers of the fixed phase-fraction flashes FLASL1 and FLASL2: the derivative
// arrays the K-value routine leaves, the stored-estimate start, the exit update of the
// stored-estimate block and the two-cycle test of the iterated variable. Not part of the
// flash layer's interface.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "storage/storage.hpp"

namespace flash::fixed_fraction {

// Derivative requests of the iteration's K-value calls: temperature and pressure
// derivatives, and the full request of a mixture's pressure search.
inline constexpr std::int32_t kDerivatives = 1;
inline constexpr std::int32_t kAllDerivatives = 1111111;
// K option words: the start values (simplified K-values allowed) and the rigorous ones.
inline constexpr std::int32_t kStartOption = 0;
inline constexpr std::int32_t kRigorousOption = 1;
// The call option word of a full evaluation.
inline constexpr std::int32_t kFullCall = 12;

// Bounds of the iterated variables.
inline constexpr double kMinT = 1.0, kMinTTest = 1.00001;
inline constexpr double kMaxT = 3000.0, kMaxTTest = 2999.97;
inline constexpr double kMinP = 1e-4, kMinPTest = 1.00001e-4;
inline constexpr double kMaxP = 1e10, kMaxPTest = 9999900000.0;

inline constexpr std::int32_t kPassLimit = 100;

// The checked view of the K-value derivatives with respect to the iterated variable (work
// array 6 for temperature, 18 for pressure), NC elements.
storage::RealView derivativeView(std::int32_t itpfix, std::int32_t nc);

// Puts T into 1 .. 3000 K (below 1.00001 K: 1 K; above 2999.97 K: 3000 K) or P into
// 1e-4 .. 1e10 kPa (at or below 1.00001e-4: 1e-4; above 9999900000: 1e10).
double boundTemperature(double t);
double boundPressure(double p);

// The start K-values of the stored-estimate block when IHVDAT is 2: read into K (NCOMP) and
// true when they may be used as they are. Without a block (IHVDAT not 2 or IKVPNT not
// positive) K is untouched and the answer is false.
bool storedStart(std::int32_t ncomp, std::span<double> k);

// The exit update: IHVDAT 2 becomes 1; the block at IKVPNT receives T, P, FLIQHC, FWATER,
// FTOTLQ, FVAPOR and the NCOMP K-values.
void storeOnExit(double t, double p, double fliqhc, double fwater, double ftotlq,
                 double fvapor, std::int32_t ncomp, std::span<const double> k);

// The last five values of the iterated variable and the two-cycle test.
class History {
 public:
  explicit History(double x) { values_.fill(x); }
  // Records the pass's new value NEXT (the start value of the pass is the newest held) and
  // tells, from pass TENTH on, whether the values alternate between two points within the
  // relative tolerance TOL.
  bool oscillates(std::int32_t pass, double next, double tol);

 private:
  std::array<double, 5> values_{};  // [0] the newest: the start value of the coming pass
};

// The K-value call of the flashes (the K-value seam) with the option words given.
void kvalues(std::int32_t ncomp, std::int32_t nc, std::span<const double> y,
             std::span<const double> x, std::span<double> k, double t, double p, double& zv,
             double& zl, std::int32_t kcdrv, std::int32_t kcopt, std::int32_t klle);

}  // namespace flash::fixed_fraction
