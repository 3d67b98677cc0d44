// Private to the equation forms: what every form sees and gives, and the forms of the
// reduced temperature, which live in their own file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure::forms {

inline constexpr double kGasConstant = services::kGasConstant;
inline constexpr double kDecimalLogFactor = 2.302585;
inline constexpr std::int32_t kDecimalLogBase = 2;
inline constexpr double kExponentLimit = 60.0;
// Cut-offs of the reduced forms near the critical point.
inline constexpr double kTauCutoff = 1.0e-4;
inline constexpr double kZeroReplacement = 1.0e-14;
inline constexpr double kLogArgumentFloor = 1.0e-4;
// Unit codes that form 4 tests directly: Celsius and Fahrenheit.
inline constexpr std::int32_t kCelsiusCode = 11;
inline constexpr std::int32_t kFahrenheitCode = 13;
inline constexpr double kCelsiusZero = 273.15;
inline constexpr double kFahrenheitZero = 459.67;

inline double clip(double x) { return std::clamp(x, -kExponentLimit, kExponentLimit); }

// What every form sees.
struct FormInput {
  std::span<const double, kMaxCoefficients> coef;
  std::int32_t n = 0;  // NOCOEF
  double t = 0.0;      // record temperature
  double tk = 0.0;     // kelvin
  double ta = 0.0;     // absolute temperature in the record's scale
  double a = 1.0;      // dTK/dT
  double tc = 0.0;
  double pc = 0.0;
  double tb = 0.0;
  double f = 1.0;  // logarithm-base factor
  double tmax = 0.0;
  double tmin = 0.0;
  std::int32_t itempu = 0;

  double c(int k) const { return coef[static_cast<std::size_t>(k - 1)]; }
  double tr() const { return tk / tc; }
  double tau() const { return 1.0 - tk / tc; }
  double dtauDt() const { return -a / tc; }
};

// Value and derivative of a form; `scaled` false: the caller's factor does not apply.
struct FormResult {
  double v = 0.0;
  double dv = 0.0;
  bool scaled = true;
};

// Sum of p(k) x^k for k = 0..m-1 and its derivative, by Horner's rule.
inline void horner(const double* p, int m, double x, double& value, double& slope) {
  value = 0.0;
  slope = 0.0;
  for (int k = m - 1; k >= 0; --k) {
    slope = slope * x + value;
    value = value * x + p[k];
  }
}

// The forms of the reduced temperature Tr = TK/Tc and tau = 1 - Tr.
FormResult form14(const FormInput& in);
FormResult form15(const FormInput& in);
FormResult form27(const FormInput& in);
FormResult form33(const FormInput& in);
FormResult form43(const FormInput& in);
FormResult form47or48(const FormInput& in, bool form48);
// Forms 30, 32, 34, 35, 36 and 46.
FormResult tauForm(const FormInput& in, int form);

}  // namespace pure::forms
