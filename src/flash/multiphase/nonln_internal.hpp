// What NONLN hands its iteration NONLNI, and the reports both write.
#pragma once

#include <cstdint>
#include <span>

#include "flash/multiphase/nonln.hpp"

namespace multiphase::nonln_internal {

// The decoded print option.
struct PrintFlags {
  bool silent = true;    // print option 0 or below
  bool summary = false;  // h = 1
  bool lines = false;    // t = 1 or 2
  bool inner = false;    // t = 2
  bool table = false;    // t = 3
  bool final = false;    // u >= 1
  bool matrix = false;   // u = 2
};

// One NONLN call: its arguments and the partitions of the two work arrays.
struct LeastSquaresRun {
  std::int32_t m = 0, n = 0;
  std::span<const double> xl, xu;
  DerivativeOption option = DerivativeOption::Automatic;
  ResidualRoutine func{nullptr, nullptr};
  std::int32_t digits = 0, print = 0, unit = -1;
  std::int32_t limit = 0;       // the caller's limit
  std::int32_t iterations = 0;  // out
  std::span<double> x, f;
  double s = 0.0;
  std::int32_t code = 0;
  PrintFlags flags;
  // Real work: steps, previous point, list step h (by list position), full step, gradient,
  // lower and upper bound tolerances, column scales, saved step, Jacobian (M x N), augmented
  // matrix ((M+N) x N), packed triangle, right-hand side and scratch residuals (M+N).
  std::span<double> steps, xold, h, full, g, tlo, tup, d, saved, jac, aug, tri, rhs;
  // Integer work: the step list (signed variable numbers), bound states, kept-constant flags.
  std::span<std::int32_t> list, state, constant;
};

// The iteration: start checks, derivatives, outer and inner iterations, to one termination
// code in RUN.code.
void NONLNI(LeastSquaresRun& run);

// Reports (print option above 0 only).
void reportTermination(const LeastSquaresRun& run, std::int32_t convergenceText);
void reportIterationLine(const LeastSquaresRun& run, std::int32_t onBounds, double mu,
                         std::int32_t sing, std::int32_t evaluations);
void reportInnerLine(const LeastSquaresRun& run, bool first, std::int32_t count, double mu,
                     double alpha, double ds, double theta);
void reportFinal(const LeastSquaresRun& run);
void reportStartResiduals(const LeastSquaresRun& run);
void reportUserStop(const LeastSquaresRun& run);

// Which convergence text belongs to codes 0 and -1.
inline constexpr std::int32_t kAccuracyText = 1;
inline constexpr std::int32_t kSignificanceText = 2;
inline constexpr std::int32_t kInnerText = 3;

}  // namespace multiphase::nonln_internal
