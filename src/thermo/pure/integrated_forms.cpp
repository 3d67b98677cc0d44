// XPSVAP: the entropy of a pure component from one degree Rankine to T, the integral of
// Cp/T of its enthalpy correlation, exact for the forms that have an integrated form and
// piecewise for the tables; and the mole-fraction sums XPMIX1 and XPMIX2 over it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/correlation_records.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {
namespace {

constexpr double kTref = kReferenceTemperature;
constexpr double kDecimalLogFactor = 2.302585;
constexpr std::int32_t kDecimalLogBase = 2;
constexpr double kLn2 = 0.6931471805599453;

// Ten-point Gauss-Legendre rule on [-1, 1]: the positive nodes and their weights.
constexpr std::array<double, 5> kNodes{0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
                                       0.8650633666889845, 0.9739065285171717};
constexpr std::array<double, 5> kWeights{0.2955242247147529, 0.2692667193099963, 0.2190863625159820,
                                         0.1494513491505806, 0.0666713443086881};
constexpr int kPanels = 64;

// Everything the integral of one record needs.
struct FormData {
  std::array<double, kMaxCoefficients> coef{};
  std::int32_t n = 0;
  double d = 0.0;   // offset of the record's scale: t = tau + d
  double a = 1.0;   // dTK/dt
  double f = 1.0;   // logarithm-base factor
  double tc = 0.0;  // critical temperature, K

  double c(int k) const { return coef[static_cast<std::size_t>(k - 1)]; }
};

// ln(|sinh x|) and ln(cosh x) without overflow.
double logSinh(double x) {
  const double ax = std::abs(x);
  return ax + std::log1p(-std::exp(-2.0 * ax)) - kLn2;
}
double logCosh(double x) {
  const double ax = std::abs(x);
  return ax + std::log1p(std::exp(-2.0 * ax)) - kLn2;
}

// The integral from tL to tH of P(t)/(t - d) dt for P(t) = sum p[j] t^j, j < m:
// P(d) ln(tauH/tauL) + the integral of the quotient (P(t) - P(d))/(t - d).
double polynomialOverShift(const double* p, int m, double d, double tauL, double tauH) {
  if (m <= 0) return 0.0;
  std::array<double, kMaxCoefficients + 1> b{};
  b[static_cast<std::size_t>(m - 1)] = p[m - 1];
  for (int j = m - 2; j >= 0; --j) {
    b[static_cast<std::size_t>(j)] = p[j] + d * b[static_cast<std::size_t>(j + 1)];
  }
  const double tL = tauL + d;
  const double tH = tauH + d;
  double quotient = 0.0;
  for (int j = 0; j + 1 < m; ++j) {
    const double q = b[static_cast<std::size_t>(j + 1)];
    quotient += q * (std::pow(tH, j + 1) - std::pow(tL, j + 1)) / (j + 1);
  }
  return b[0] * std::log(tauH / tauL) + quotient;
}

// The integral of (1 - r)^m / r dr at R: ln r + sum over j = 1..m of C(m,j) (-r)^j / j.
double powerOverR(int m, double r) {
  double sum = std::log(r);
  double binomial = 1.0;
  for (int j = 1; j <= m; ++j) {
    binomial = binomial * (m - j + 1) / j;
    sum += binomial * std::pow(-r, j) / j;
  }
  return sum;
}

// Form 17 with an offset scale: the integral in s = ln tau by composite Gauss-Legendre.
double form17Numerical(const FormData& fd, double tauL, double tauH) {
  const auto cp = [&](double tau) {
    const double t = tau + fd.d;
    const double x = fd.c(4) / t;
    const double y = fd.c(6) / t;
    const double csch = services::RELCMP(fd.c(4), 0.0) == 0 ? 1.0 : x / std::sinh(x);
    const double sech = y / std::cosh(y);
    return fd.c(2) + fd.c(3) * csch * csch + fd.c(5) * sech * sech;
  };
  const double s0 = std::log(tauL);
  const double h = (std::log(tauH) - s0) / kPanels;
  double sum = 0.0;
  for (int panel = 0; panel < kPanels; ++panel) {
    const double mid = s0 + (panel + 0.5) * h;
    for (std::size_t i = 0; i < kNodes.size(); ++i) {
      const double ds = 0.5 * h * kNodes[i];
      sum += kWeights[i] * (cp(std::exp(mid - ds)) + cp(std::exp(mid + ds)));
    }
  }
  return 0.5 * h * sum;
}

// The integral from tauL to tauH of H'(t)/tau dtau for the equation forms.
double formIntegral(std::int32_t form, const FormData& fd, double tauL, double tauH) {
  const int n = fd.n;
  const double lnRatio = std::log(tauH / tauL);
  switch (form) {
    case 1: {
      std::array<double, kMaxCoefficients> p{};
      for (int k = 2; k <= n; ++k) p[static_cast<std::size_t>(k - 2)] = (k - 1) * fd.c(k);
      return polynomialOverShift(p.data(), n - 1, fd.d, tauL, tauH);
    }
    case 17: {
      if (fd.d != 0.0) return form17Numerical(fd, tauL, tauH);
      double sum = fd.c(2) * lnRatio;
      if (services::RELCMP(fd.c(4), 0.0) == 0) {
        sum += fd.c(3) * lnRatio;
      } else {
        const auto bracket = [&](double tau) {
          const double x = fd.c(4) / tau;
          return x / std::tanh(x) - logSinh(x);
        };
        sum += fd.c(3) * (bracket(tauH) - bracket(tauL));
      }
      const auto bracket = [&](double tau) {
        const double y = fd.c(6) / tau;
        return y * std::tanh(y) - logCosh(y);
      };
      return sum - fd.c(5) * (bracket(tauH) - bracket(tauL));
    }
    case 25: {
      const int m = std::min(n, 5);
      std::array<double, 4> p{};
      for (int k = 2; k <= m; ++k) p[static_cast<std::size_t>(k - 2)] = (k - 1) * fd.c(k);
      double sum = polynomialOverShift(p.data(), m - 1, fd.d, tauL, tauH);
      const double c6 = n > 5 ? fd.c(6) : 0.0;
      const double c7 = n > 6 ? fd.c(7) : 0.0;
      const double d = fd.d;
      const double tL = tauL + d;
      const double tH = tauH + d;
      if (d == 0.0) {
        sum += 0.5 * c6 * (1.0 / (tH * tH) - 1.0 / (tL * tL)) +
               2.0 / 3.0 * c7 * (1.0 / (tH * tH * tH) - 1.0 / (tL * tL * tL));
      } else {
        // -C6/(t^2 (t-d)) - 2 C7/(t^3 (t-d)) by partial fractions.
        const auto g2 = [&](double t) {
          return (std::log(std::abs(t - d)) - std::log(std::abs(t))) / (d * d) + 1.0 / (d * t);
        };
        const auto g3 = [&](double t) {
          return (std::log(std::abs(t - d)) - std::log(std::abs(t))) / (d * d * d) +
                 1.0 / (d * d * t) + 1.0 / (2.0 * d * t * t);
        };
        sum -= c6 * (g2(tH) - g2(tL)) + 2.0 * c7 * (g3(tH) - g3(tL));
      }
      return sum;
    }
    case 35: {
      // a R {C2/f ln(TK/(Tc - TK)) + sum over k >= 3 of (k-2) Ck * int theta^(k-3)/TK dTK}.
      const double rL = tauL * fd.a / fd.tc;
      const double rH = tauH * fd.a / fd.tc;
      double sum = n >= 2 ? fd.c(2) / fd.f * std::log(rH * (1.0 - rL) / (rL * (1.0 - rH))) : 0.0;
      for (int k = 3; k <= n; ++k) {
        sum += (k - 2) * fd.c(k) * (powerOverR(k - 3, rH) - powerOverR(k - 3, rL));
      }
      return fd.a * services::kGasConstant * sum;
    }
    case 41: {
      if (n < 3) return 0.0;
      const double cn = fd.c(n);
      const double c3 = n >= 4 ? fd.c(3) / fd.f : 0.0;
      const double phiL = cn / (tauL + cn);
      const double phiH = cn / (tauH + cn);
      // S_j = sum over i = j..n-4 of i C(i+3).
      std::array<double, kMaxCoefficients> s{};
      for (int j = n - 4; j >= 1; --j) {
        s[static_cast<std::size_t>(j)] = s[static_cast<std::size_t>(j + 1)] + j * fd.c(j + 3);
      }
      double sum = fd.c(2) * lnRatio - (c3 + s[1]) * std::log((1.0 - phiH) / (1.0 - phiL));
      for (int j = 1; j <= n - 4; ++j) {
        sum -= s[static_cast<std::size_t>(j)] * (std::pow(phiH, j) - std::pow(phiL, j)) / j;
      }
      return sum / cn;
    }
    case 42: {
      std::array<double, 5> p{};
      for (int k = 2; k <= 6; ++k) p[static_cast<std::size_t>(k - 2)] = (k - 1) * fd.c(k);
      const double c8 = fd.c(8);
      const auto logPart = [&](double tau) {
        return std::log(std::abs((c8 - (tau + fd.d)) / tau));
      };
      return polynomialOverShift(p.data(), 5, fd.d, tauL, tauH) +
             fd.c(7) / (fd.f * (c8 - fd.d)) * (logPart(tauH) - logPart(tauL));
    }
    default: {  // 46
      const double ca = fd.c(2);
      const double cb = fd.c(3);
      const double cc = fd.c(4);
      const double cd = fd.c(5);
      const auto g = [&](double tau) {
        const double r = tau * fd.a / fd.tc;
        const double lr = std::log(r);
        const double r2 = r * r;
        const double r3 = r2 * r;
        return ca * ca * std::log(r / (1.0 - r)) + cb * lr - 2.0 * ca * cc * (lr - r) -
               ca * cd * (lr - 2.0 * r + r2 / 2.0) -
               cc * cc / 3.0 * (lr - 3.0 * r + 1.5 * r2 - r3 / 3.0) -
               cc * cd / 2.0 * (lr - 4.0 * r + 3.0 * r2 - 4.0 / 3.0 * r3 + r2 * r2 / 4.0) -
               cd * cd / 5.0 *
                   (lr - 5.0 * r + 5.0 * r2 - 10.0 / 3.0 * r3 + 1.25 * r2 * r2 - r3 * r2 / 5.0);
      };
      return g(tauH) - g(tauL);
    }
  }
}

bool hasIntegratedForm(std::int32_t form) {
  return form == 1 || form == 17 || form == 25 || form == 35 || form == 41 || form == 42 ||
         form == 46 || (form >= kFirstTableForm && form <= kLastTableForm);
}

// The five report lines of a form without an integrated form, then the abort.
[[noreturn]] void noIntegratedForm(std::int32_t form, std::int32_t comp) {
  const std::int32_t unit = services::IOUNIT.report;
  char line[80];
  std::snprintf(line, sizeof line, " ERROR (XPSVAP) -- REQUESTED EQUATION FORM ....%4d", form);
  platform::writeLine(unit, line);
  platform::writeLine(unit, "       NOT YET IMPLEMENTED IN INTEGRATED FORM");
  platform::writeLine(unit, "       FOR COMPUTING SOLID ENTROPY");
  std::snprintf(line, sizeof line, "       CALLED FOR COMPONENT ...................%4d", comp);
  platform::writeLine(unit, line);
  platform::writeLine(unit, "       *****     EXECUTION TERMINATED     *****");
  services::ERRITM("IDEQN", form);
  services::ERRITM("COMP", comp);
  services::ABTRPT("XP", "XPSVAP", "XPSVAP", "EQUATION FORM HAS NO INTEGRATED FORM");
}

std::int32_t typeOfKind(std::int32_t kind) {
  switch (static_cast<IntegratedKind>(kind)) {
    case IntegratedKind::IdealGas:
      return kIdealGasEnthalpy;
    case IntegratedKind::Driver:
      return kDriverEnthalpy;
    case IntegratedKind::Solid:
    case IntegratedKind::SolidToo:
      return kSolidEnthalpy;
  }
  services::ERRITM("KIND", kind);
  services::ABTRPT("XP", "XPSVAP", "XPSVAP", "INTEGRATED KIND UNDEFINED");
}

// S and the derivative basis of a table record: the intervals below T at their own heat
// capacities, the first one from the reference temperature.
void tableEntropy(const records::Record& record, double t, double& sigma, double& basis) {
  const records::Table table = records::table(record);
  sigma = 0.0;
  basis = 0.0;
  if (table.points == 1) return;
  std::int32_t last = table.points;
  for (std::int32_t j = 2; j <= table.points; ++j) {
    if (t <= table.temperature(j)) {
      last = j;
      break;
    }
  }
  double previous = kTref;
  for (std::int32_t j = 2; j <= last; ++j) {
    const double m =
        (table.value(j) - table.value(j - 1)) / (table.temperature(j) - table.temperature(j - 1));
    const double right = j == last ? t : table.temperature(j);
    sigma += m * std::log(right / previous);
    previous = right;
    basis = m / t;
  }
}

}  // namespace

bool hasIntegratedSet(std::int32_t kind) {
  const std::int32_t type = typeOfKind(kind);
  return hasCorrelationSet(type, methods::MTSETN(type));
}

void XPSVAP(std::span<const std::int32_t> /*icodes*/, std::int32_t kind, std::int32_t ic1,
            std::int32_t ic2, std::int32_t /*iconly*/, double t, double p, std::int32_t ifdrv,
            std::span<double> values, std::span<double> derivs) {
  // 1. The set of the kind's type.
  const std::int32_t type = typeOfKind(kind);
  const std::int32_t set = methods::MTSETN(type);
  std::int32_t found = 0;
  XPSETF(type, set, 10, found);
  if (found == 0) {
    services::MSGPAR.integers(1) = type;
    services::MSGABT(kMessageSetMissing, " ");
  }

  FormData fd;
  double b = 0.0;
  double c = 1.0;
  std::int32_t lastCode = -1;
  for (std::int32_t k = 1; k <= XPSTAT.recordCount; ++k) {
    // 2. The components of the range that have a record.
    const std::int32_t comp = records::listEntry(k);
    if (comp < ic1 || comp > ic2) continue;
    const records::Record record = records::read(k);
    if (!record.hasCorrelation()) continue;
    const std::int32_t form = record.form();
    if (!hasIntegratedForm(form)) noIntegratedForm(form, comp);

    // 3.-4. Units of the record (the conversion of XPCALC, so that S stays the integral of
    // the heat capacity that XPCALC gives).
    if (record.code != lastCode) {
      lastCode = record.code;
      double d = 0.0;
      XPTUNI(record.unitClass(), record.unitCode(), fd.a, b, c, d);
      fd.d = d;
    }
    const auto at = static_cast<std::size_t>(comp - ic1);
    const double mw = record.molarBasis() == kMassBasis
                          ? componentConstant(problem::ComponentReal::MolecularWeight, comp)
                          : 1.0;
    const double factor = records::real(record, xpcrec::kFactor);

    if (record.isTable()) {
      // Tables are in K: F = CXPCVF.
      double sigma = 0.0;
      double basis = 0.0;
      tableEntropy(record, t, sigma, basis);
      if (at < values.size()) values[at] = factor * sigma * mw;
      if (ifdrv > 0 && at < derivs.size()) derivs[at] = factor * basis * mw;
      continue;
    }

    // 5.-7. S = the limits' heat capacities (per K, already scaled) outside TMIN..TMAX and
    // F times the exact integral of the form inside.
    const double f = factor / fd.a;
    const double tk = t;
    const double tRecord = c * t + fd.d;
    const double tmin = records::real(record, xpcrec::kTmin);
    const double tmax = records::real(record, xpcrec::kTmax);
    const double w7 = records::real(record, xpcrec::kSlopeAtTmin);
    const double w9 = records::real(record, xpcrec::kSlopeAtTmax);
    const bool tminUsed = tmin > services::RMISS && fd.a * tmin + b >= kTref;
    const double tlk = tminUsed ? fd.a * tmin + b : kTref;
    double limits = 0.0;
    double integral = 0.0;
    double basis = 0.0;
    bool outside = false;
    if (tminUsed && tRecord <= tmin) {
      limits = w7 * std::log(tk / kTref);
      basis = w7 / tk;
      outside = true;
    } else {
      if (tminUsed) limits = w7 * std::log(tlk / kTref);
      double thk = tk;
      if (tmax > services::RMISS && tRecord > tmax) {
        thk = fd.a * tmax + b;
        limits += w9 * std::log(tk / thk);
        basis = w9 / tk;
        outside = true;
      }
      if (tk > tlk) {
        fd.n = records::coefficients(record, fd.coef);
        fd.f = record.logBase() == kDecimalLogBase ? kDecimalLogFactor : 1.0;
        fd.tc = componentConstant(problem::ComponentReal::CriticalTemperature, comp);
        integral = formIntegral(form, fd, c * tlk, c * thk);
      }
    }

    // 8.-9. Results.
    if (at < values.size()) values[at] = (f * integral + limits) * mw;
    if (ifdrv > 0 && at < derivs.size()) {
      if (outside) {
        derivs[at] = basis * mw;
      } else {
        double value = 0.0;
        double derivative = 0.0;
        XPCALC(type, set, 1, comp, 1, 0, tk, p, std::span<double>(&value, 1),
               std::span<double>(&derivative, 1));
        derivs[at] = derivative / tk;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Mole-fraction sums
// ---------------------------------------------------------------------------------------

namespace {

// The per-component results of one sum; they keep their size between calls.
struct MixScratch {
  std::vector<double> values;
  std::vector<double> derivatives;
};
MixScratch mixScratch;
const bool kMixScratchReset = services::registerKeptValues([] { mixScratch = {}; });

void mixSum(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
            double& sum, double& dsum, std::int32_t ifdrv, std::span<const std::int32_t> icodes,
            std::int32_t kind, bool alwaysDerivatives) {
  sum = 0.0;
  dsum = 0.0;
  const std::int32_t iconly = ic1 == ic2 ? ic1 : 0;
  const std::int32_t n = ic2 - ic1 + 1;
  if (n < 1) return;
  const auto size = static_cast<std::size_t>(n);
  if (mixScratch.values.size() < size) {
    mixScratch.values.resize(size);
    mixScratch.derivatives.resize(size);
  }
  const std::span<double> values = std::span<double>(mixScratch.values).first(size);
  const std::span<double> derivs = std::span<double>(mixScratch.derivatives).first(size);
  std::fill(values.begin(), values.end(), 0.0);
  std::fill(derivs.begin(), derivs.end(), 0.0);
  XPSVAP(icodes, kind, ic1, ic2, iconly, t, p, ifdrv, values, derivs);
  for (std::size_t k = 0; k < size && k < x.size(); ++k) {
    sum += x[k] * values[k];
    if (alwaysDerivatives || ifdrv > 0) dsum += x[k] * derivs[k];
  }
}

}  // namespace

void XPMIX1(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
            double& sum, double& dsum, std::int32_t ifdrv, std::int32_t /*unused9*/,
            std::span<const std::int32_t> icodes, std::int32_t kind, std::int32_t /*unused12*/) {
  mixSum(ic1, ic2, t, p, x, sum, dsum, ifdrv, icodes, kind, false);
}

void XPMIX2(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
            double& sum, double& dsum, std::int32_t ifdrv, std::int32_t /*unused9*/,
            std::span<const std::int32_t> icodes, std::int32_t kind, std::int32_t /*unused12*/) {
  mixSum(ic1, ic2, t, p, x, sum, dsum, ifdrv, icodes, kind, true);
}

}  // namespace pure
