// The step of the safeguarded one-dimensional root searches: bracketing interpolation,
// secant, quadratic fit or a small fixed step, from the last three points of a search.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>

#include "services/services.hpp"

namespace services {
namespace {

// FLTOL words: the default relative step from the fourth call on, the relative spacing of
// coincident abscissae and the relative size of the straddling step.
constexpr int kDefaultStepWord = 21;
constexpr int kSpacingWord = 22;
constexpr int kStraddleWord = 23;

// The sign of a double as +1 or -1, taken from its sign bit so that -0.0 counts negative.
double signOf(double value) { return std::signbit(value) ? -1.0 : 1.0; }

// Whether two stored abscissae coincide within the relative spacing.
bool coincide(double a, double b) { return std::fabs(a - b) < FLTOL(kSpacingWord) * std::fabs(a); }

struct Points {
  std::array<double, 3> f;
  std::array<double, 3> x;
};

// Step 5: the root lies between stored points; ROOTBR on the points ordered by abscissa.
double bracketedStep(const Points& s, double x) {
  Points o = s;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < 2; ++i) {
      if (o.x[i] > o.x[i + 1]) {
        std::swap(o.x[i], o.x[i + 1]);
        std::swap(o.f[i], o.f[i + 1]);
      }
    }
  }
  ROOTBR(o.x[0], o.x[1], o.x[2], o.f[0], o.f[1], o.f[2]);
  double dx = o.x[1] - x;
  // Half the step when it runs back past half the last spacing.
  if (RELCMP(s.x[2], s.x[1]) != 0 && dx / (s.x[2] - s.x[1]) < -0.5) dx *= 0.5;
  return dx;
}

// Step 6: all residuals on one side of the root: a secant through stored points 2 and
// MODE, or, when their residuals are equal, a guarded step from a quadratic fit. DX keeps
// its value where neither applies.
void unbracketedStep(const Points& s, double x, std::int32_t mode, double& dx) {
  Points o = s;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < 2; ++i) {
      if (o.f[i] < o.f[i + 1]) {
        std::swap(o.x[i], o.x[i + 1]);
        std::swap(o.f[i], o.f[i + 1]);
      }
    }
  }
  const bool oneSide = o.f[0] < 0.0 || o.f[2] > 0.0;
  if (!oneSide) return;
  const auto m = static_cast<std::size_t>(mode - 1);
  if (RELCMP(s.f[m], s.f[1]) != 0) {
    dx = s.x[1] + (s.x[1] - s.x[m]) * s.f[1] / (s.f[m] - s.f[1]) - x;
    return;
  }
  if (coincide(s.x[0], s.x[1]) && coincide(s.x[1], s.x[2])) return;
  std::array<double, 3> c{};
  const double r = ROOTHL(o.f, o.x, 1, c);
  const bool upper = o.f[1] > 0.0;
  const double a = upper ? o.x[1] : o.x[0];
  const double b = upper ? o.x[2] : o.x[1];
  double g = 0.0;
  if (RELCMP(a, b) != 0) g = std::clamp((a - r) / (a - b), 0.2, 0.8);
  dx = (a - x) + g * (b - a);
}

}  // namespace

void XEXTRP(std::int32_t n, double f, double x, std::span<double, 3> fs, std::span<double, 3> xs,
            double dvmax, double& dx) {
  Points s{{fs[0], fs[1], fs[2]}, {xs[0], xs[1], xs[2]}};
  dx = 0.0;
  std::int32_t mode = 1;
  bool limitOnly = false;
  bool skipCoincidence = false;

  if (n <= 3) {
    // 2. The first three calls store the point; the first two step by DVMAX.
    s.f[2] = f;
    s.x[2] = x;
    if (n <= 2) {
      dx = dvmax;
      s.f[1] = f;
      s.x[1] = x;
      if (n <= 1) {
        s.f[0] = f;
        s.x[0] = x;
        limitOnly = true;
      }
      skipCoincidence = true;
    }
  } else {
    // 3. A default step; a newest point that joins points 2 and 3 across the root from
    // point 1 asks for a small step across the nearby root, or keeps point 1 (mode 2).
    dx = FLTOL(kDefaultStepWord) * x;
    if (signOf(f) != signOf(s.f[0]) && signOf(f) == signOf(s.f[1]) &&
        signOf(s.f[1]) == signOf(s.f[2])) {
      mode = 3;
      if (RELCMP(s.x[0], s.x[1]) != 0) {
        const double r = (s.x[0] - x) / (s.x[0] - s.x[1]);
        dx = r;
        if (std::fabs(r) > 0.1) mode = 2;
      }
      if (mode == 3) {
        dx = signOf(s.x[0] - s.x[1]) * FLTOL(kStraddleWord) *
             std::max(std::fabs(s.x[0]), std::fabs(s.x[0] - s.x[1]));
      }
    }
    if (mode != 2) {
      s.f[0] = s.f[1];
      s.x[0] = s.x[1];
      s.f[1] = s.f[2];
      s.x[1] = s.x[2];
    }
    s.f[2] = f;
    s.x[2] = x;
    if (mode == 3) limitOnly = true;
  }

  if (!limitOnly) {
    // 4. Coincident points: all three coincide, or only the newest two.
    bool allCoincide = false;
    if (!skipCoincidence) {
      mode = 1;
      if (coincide(s.x[1], s.x[2])) {
        allCoincide = coincide(s.x[0], s.x[1]);
      } else {
        mode = 3;
      }
    }
    if (!allCoincide) {
      // 5. and 6.
      if (signOf(s.f[0]) * signOf(s.f[1]) < 0.0 || signOf(s.f[2]) * signOf(s.f[0]) < 0.0) {
        dx = bracketedStep(s, x);
      } else {
        unbracketedStep(s, x, mode, dx);
      }
    }
  }

  // 7. The step limit.
  if (std::fabs(dx) > std::fabs(dvmax)) dx = std::copysign(std::fabs(dvmax), dx);
  for (std::size_t i = 0; i < 3; ++i) {
    fs[i] = s.f[i];
    xs[i] = s.x[i];
  }
}

}  // namespace services
