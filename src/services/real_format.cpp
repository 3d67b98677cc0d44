// Formatting of real numbers in a 12-character field.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "services/services.hpp"

namespace services {
namespace {

constexpr std::size_t kFieldWidth = 12;

// |value| = digits x 10^(exp - ndig + 1) with `digits` rounded half up to ndig digits.
struct Rounded {
  std::int64_t digits = 0;
  std::int32_t exp = 0;
};

Rounded roundTo(double value, std::int32_t ndig) {
  const double magnitude = std::fabs(value);
  auto exp = static_cast<std::int32_t>(std::floor(std::log10(magnitude)));
  if (std::pow(10.0, exp) > magnitude) --exp;
  if (std::pow(10.0, exp + 1) <= magnitude) ++exp;
  // Scale so that ndig digits stand before the point; divide by exact powers where possible.
  const std::int32_t shift = ndig - 1 - exp;
  // Two factors keep 10^shift finite for the smallest magnitudes.
  const double scaled =
      shift >= 0 ? magnitude * std::pow(10.0, shift / 2) * std::pow(10.0, shift - shift / 2)
                 : magnitude / std::pow(10.0, -shift);
  auto digits = static_cast<std::int64_t>(std::floor(scaled + 0.5));
  const auto limit = static_cast<std::int64_t>(std::llround(std::pow(10.0, ndig)));
  if (digits >= limit) {
    digits /= 10;
    ++exp;
  }
  return Rounded{digits, exp};
}

// The text of a value of `ndig` significant digits, or nothing when it does not fit.
std::string format(double value, std::int32_t ndig, bool trailingPoint) {
  if (RELCMP(value, 0.0) == 0) return trailingPoint ? "0." : "0";
  const Rounded r = roundTo(value, ndig);
  std::string digits = std::to_string(r.digits);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const auto n = static_cast<std::int32_t>(digits.size());
  const std::int32_t e = r.exp;
  const std::string sign = value < 0.0 ? "-" : "";

  std::string fixed;
  if (e >= n - 1) {
    fixed = digits + std::string(static_cast<std::size_t>(e - n + 1), '0');
    if (trailingPoint) fixed += '.';
  } else if (e >= 0) {
    fixed = digits.substr(0, static_cast<std::size_t>(e + 1)) + "." +
            digits.substr(static_cast<std::size_t>(e + 1));
  } else {
    fixed = "." + std::string(static_cast<std::size_t>(-e - 1), '0') + digits;
  }

  std::string exponent = digits.substr(0, 1);
  if (n > 1) exponent += "." + digits.substr(1);
  exponent += "E" + std::to_string(e);

  fixed = sign + fixed;
  exponent = sign + exponent;
  if (fixed.size() <= exponent.size() && fixed.size() <= kFieldWidth) return fixed;
  if (exponent.size() <= kFieldWidth) return exponent;
  return std::string();
}

}  // namespace

void RFMTEX(double value, std::int32_t ndig, double& mant, std::int32_t& exp) {
  if (value == 0.0 || ndig < 1) {
    mant = 0.0;
    exp = 0;
    return;
  }
  const Rounded r = roundTo(value, ndig);
  mant = static_cast<double>(r.digits) / std::pow(10.0, ndig - 1);
  if (value < 0.0) mant = -mant;
  exp = r.exp;
}

void RFMT12(std::int32_t mode, std::int32_t ndig, std::int32_t& nout, double value,
            std::span<char> text) {
  const bool trailingPoint = mode % 10 == 2;
  const bool retry = (mode / 10) % 10 != 1;
  ndig = std::clamp<std::int32_t>(ndig, 1, 15);
  std::string result;
  if (std::isfinite(value)) {
    result = format(value, ndig, trailingPoint);
    while (retry && result.empty() && ndig > 1) result = format(value, --ndig, trailingPoint);
  }
  if (result.empty()) result = std::string(kFieldWidth, '*');
  assignText(text, result);
  nout = retry ? ndig : static_cast<std::int32_t>(result.size());
}

}  // namespace services
