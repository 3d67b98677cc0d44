// The equation forms of the temperature correlations (XPEVAL): each form gives a value V of
// the record temperature T and its derivative dV/dT; the caller's factor and the scale of
// the record's unit to kelvin turn them into the result and its slope per kelvin.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/correlation_form_kernels.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {
namespace {

using namespace forms;

// Form 1: sum Ck T^(k-1).
FormResult polynomial(const FormInput& in) {
  FormResult r;
  horner(in.coef.data(), in.n, in.t, r.v, r.dv);
  return r;
}

// Form 2 (and the series of 22): Chebyshev series in x = (2T - TMAX - TMIN)/(TMAX - TMIN).
FormResult chebyshev(const FormInput& in) {
  FormResult r;
  if (in.n <= 1) {
    r.v = in.c(1);
    return r;
  }
  const double x = (2.0 * in.t - in.tmax - in.tmin) / (in.tmax - in.tmin);
  double pPrev = 1.0;  // P0
  double p = x;        // P1
  double dPrev = 0.0;
  double d = 1.0;
  double sum = in.c(1) + in.c(2) * x;
  double dsum = in.c(2);
  for (int k = 3; k <= in.n; ++k) {
    const double pNext = 2.0 * x * p - pPrev;
    const double dNext = 2.0 * p + 2.0 * x * d - dPrev;
    pPrev = p;
    p = pNext;
    dPrev = d;
    d = dNext;
    sum += in.c(k) * p;
    dsum += in.c(k) * d;
  }
  r.v = sum;
  r.dv = 2.0 / (in.tmax - in.tmin) * dsum;
  return r;
}

// Forms 3 and 4: sum over k = 1..n-2 of Ck x^(k-1) with x a power of the temperature.
FormResult powerSeries(const FormInput& in, double x, double dxdt) {
  FormResult r;
  double slope = 0.0;
  horner(in.coef.data(), in.n - 2, x, r.v, slope);
  r.dv = slope * dxdt;
  return r;
}

FormResult form03(const FormInput& in) {
  const double base = in.t / in.c(in.n - 1);
  const double x = std::pow(base, in.c(in.n));
  return powerSeries(in, x, in.c(in.n) * x / in.t);
}

FormResult form04(const FormInput& in) {
  double tcr = in.c(in.n - 1);
  if (in.itempu == kCelsiusCode) tcr += kCelsiusZero;
  if (in.itempu == kFahrenheitCode) tcr += kFahrenheitZero;
  const double u = 1.0 - in.ta / tcr;
  if (u <= kTauCutoff) return {in.c(1), 0.0, true};
  const double e = in.c(in.n);
  const double x = std::pow(u, e);
  return powerSeries(in, x, -e * std::pow(u, e - 1.0) / tcr);
}

FormResult form05(const FormInput& in) {
  FormResult r;
  r.v = in.c(1) * std::pow(in.t, in.c(2)) / (in.c(3) + in.t);
  r.dv = in.c(1) *
         (in.c(2) * std::pow(in.t, in.c(2) - 1.0) * (in.c(3) + in.t) - std::pow(in.t, in.c(2))) /
         ((in.c(3) + in.t) * (in.c(3) + in.t));
  return r;
}

// Form 13: C5 exp(r^(1/3) (C1 + C2 r)), r = (C3 - T)/(T - C4).
FormResult form13(const FormInput& in) {
  const double r = (in.c(3) - in.t) / (in.t - in.c(4));
  if (r <= 0.0) return {in.c(5), 0.0, true};
  const double cube = std::cbrt(r);
  FormResult out;
  out.v = in.c(5) * std::exp(cube * (in.c(1) + in.c(2) * r));
  const double dgdr = in.c(1) / (3.0 * cube * cube) + 4.0 / 3.0 * in.c(2) * cube;
  const double drdt = (in.c(4) - in.c(3)) / ((in.t - in.c(4)) * (in.t - in.c(4)));
  out.dv = out.v * dgdr * drdt;
  return out;
}

// Form 16: C1 / C2^(1 + u^C4), u = 1 - T/C3.
FormResult form16(const FormInput& in) {
  double u = 1.0 - in.t / in.c(3);
  FormResult r;
  r.v = in.c(1) / std::pow(in.c(2), 1.0 + std::pow(u, in.c(4)));
  if (services::RELCMP(u, 0.0) == 0) u = kZeroReplacement;
  r.dv = r.v * std::log(in.c(2)) * in.c(4) * std::pow(u, in.c(4) - 1.0) / in.c(3);
  return r;
}

// Form 17: C1 + C2 T + C3 C4 coth(C4/T) - C5 C6 tanh(C6/T).
FormResult form17(const FormInput& in) {
  const double y = in.c(6) / in.t;
  const double sechTerm = y / std::cosh(y);
  FormResult r;
  if (services::RELCMP(in.c(4), 0.0) == 0) {
    r.v = in.c(1) + (in.c(2) + in.c(3)) * in.t - in.c(5) * in.c(6) * std::tanh(y);
    r.dv = in.c(2) + in.c(3) + in.c(5) * sechTerm * sechTerm;
    return r;
  }
  const double x = in.c(4) / in.t;
  const double cschTerm = x / std::sinh(x);
  r.v = in.c(1) + in.c(2) * in.t + in.c(3) * in.c(4) / std::tanh(x) -
        in.c(5) * in.c(6) * std::tanh(y);
  r.dv = in.c(2) + in.c(3) * cschTerm * cschTerm + in.c(5) * sechTerm * sechTerm;
  return r;
}

// Form 19: C1 T^C2 / (1 + C3/T + C4/T^2).
FormResult form19(const FormInput& in) {
  const double t = in.t;
  const double c3 = in.n > 2 ? in.c(3) : 0.0;
  const double c4 = in.n > 3 ? in.c(4) : 0.0;
  const double den = 1.0 + c3 / t + c4 / (t * t);
  const double dden = -c3 / (t * t) - 2.0 * c4 / (t * t * t);
  FormResult r;
  r.v = in.c(1) * std::pow(t, in.c(2)) / den;
  r.dv = r.v * (in.c(2) / t - dden / den);
  return r;
}

// Form 20: exp(f S), S = C1 + C2/T + C3 ln T + G + C6 T^3 + C7 T^6.
FormResult form20(const FormInput& in) {
  const double t = in.t;
  const int n = in.n;
  double s = in.c(1) + in.c(2) / t;
  double ds = -in.c(2) / (t * t);
  if (n > 2) {
    s += in.c(3) * std::log(t);
    ds += in.c(3) / t;
  }
  if (n == 4) s += in.c(4);
  if (n >= 5) {
    s += in.c(4) * std::pow(t, in.c(5));
    ds += in.c(4) * in.c(5) * std::pow(t, in.c(5) - 1.0);
  }
  if (n > 5) {
    s += in.c(6) * t * t * t;
    ds += 3.0 * in.c(6) * t * t;
  }
  if (n > 6) {
    s += in.c(7) * std::pow(t, 6);
    ds += 6.0 * in.c(7) * std::pow(t, 5);
  }
  FormResult r;
  r.v = std::exp(clip(in.f * s));
  r.dv = in.f * r.v * ds;
  return r;
}

// Form 21 with exactly seven coefficients: the root V of ln V = f (S + C7 V / T^2).
double implicitRoot(double s, double f, double h) {
  const double y = f * s;
  const double g = f * h;
  double v = 0.0;
  bool newton = true;
  // Search downward from exp(-60) for a start below the root.
  const auto search = [&](double floor) {
    double w = std::exp(-kExponentLimit);
    for (int pass = 1; pass <= 50; ++pass) {
      if (std::log(w) - g * w < y) return;  // w is a start: Newton follows
      const double next = w / 3.0;
      if (next <= floor) {
        v = w;
        newton = false;
        return;
      }
      w = next;
      v = w;
    }
    newton = false;
  };

  if (h < 0.0 && s <= 0.0) {
    const double z = y + g;
    if (z >= -kExponentLimit) {
      v = std::exp(z);
    } else {
      v = std::exp(-kExponentLimit);
      search(0.0);
    }
  } else if (h < 0.0) {
    v = (y + std::sqrt(1.0 + y * y - 2.0 * g)) / (1.0 - 2.0 * g);
  } else if (h == 0.0) {
    return std::exp(clip(y));
  } else if (y >= -(std::log(g) + 1.0)) {
    return 1.0 / g;
  } else if (y > kExponentLimit) {
    v = std::exp(kExponentLimit);
  } else if (y >= -kExponentLimit) {
    v = std::exp(y);
  } else {
    v = std::exp(-kExponentLimit);
    search(1.0e-30);
  }
  if (!newton) return v;

  // Newton on F = ln V / f - h V - S, at most 20 steps.
  for (int step = 1; step <= 20; ++step) {
    const double fv = std::log(v) / f - h * v - s;
    const double dfv = 1.0 / (f * v) - h;
    const double next = v - fv / dfv;
    if (std::abs(v - next) <= 1.0e-7 * v) return v;
    v = next;
  }
  return v;
}

// Form 21: exp(f S), S = C1 + C2/(T + C3) + C4 T + C5 T^2 + C6 ln T; implicit with n = 7.
FormResult form21(const FormInput& in) {
  const double t = in.t;
  const int n = in.n;
  const double c3 = n > 2 ? in.c(3) : 0.0;
  double s = in.c(1) + in.c(2) / (t + c3);
  double ds = -in.c(2) / ((t + c3) * (t + c3));
  if (n > 3) {
    s += in.c(4) * t;
    ds += in.c(4);
  }
  if (n > 4) {
    s += in.c(5) * t * t;
    ds += 2.0 * in.c(5) * t;
  }
  if (n > 5) {
    if (std::abs(in.c(6)) > 2.0e-35) s += in.c(6) * std::log(t);
    ds += in.c(6) / t;
  }
  FormResult r;
  if (n != 7) {
    r.v = std::exp(clip(in.f * s));
    r.dv = in.f * r.v * ds;
    return r;
  }
  const double c7 = in.c(7);
  r.v = implicitRoot(s, in.f, c7 / (t * t));
  ds -= 2.0 * c7 * r.v / (t * t * t);
  r.dv = in.f * r.v * t * t * ds / std::max(t * t - in.f * c7 * r.v, 1.0e-10);
  return r;
}

// Form 22: exp(f S / TK), S the Chebyshev series of form 2.
FormResult form22(const FormInput& in) {
  const FormResult series = chebyshev(in);
  FormResult r;
  r.v = std::exp(clip(in.f * series.v / in.tk));
  r.dv = in.f * r.v * (series.dv - in.a * series.v / in.tk) / in.tk;
  return r;
}

// Form 25: sum over k = 1..min(n,5) of Ck T^(k-1) + C6/T + C7/T^2.
FormResult form25(const FormInput& in) {
  const double t = in.t;
  FormResult r;
  horner(in.coef.data(), std::min(in.n, 5), t, r.v, r.dv);
  if (in.n > 5) {
    r.v += in.c(6) / t;
    r.dv -= in.c(6) / (t * t);
  }
  if (in.n > 6) {
    r.v += in.c(7) / (t * t);
    r.dv -= 2.0 * in.c(7) / (t * t * t);
  }
  return r;
}

// Form 26: dilute-gas viscosity from a collision integral.
FormResult form26(const FormInput& in) {
  const double t = in.t;
  const double ts = t / in.c(3);
  const double delta = in.n > 3 ? in.c(4) : 0.0;
  const double e1 = 0.52487 * std::exp(-0.7732 * ts);
  const double e2 = 2.16178 * std::exp(-2.43787 * ts);
  const double omega = 1.16145 * std::pow(ts, -0.14874) + e1 + e2 + 0.2 * delta * delta / ts;
  const double domega = -0.14874 * 1.16145 * std::pow(ts, -1.14874) - 0.7732 * e1 - 2.43787 * e2 -
                        0.2 * delta * delta / (ts * ts);
  FormResult r;
  r.v = 2.669e-6 * std::sqrt(in.c(1) * t) / (in.c(2) * in.c(2) * omega);
  r.dv = r.v * (0.5 / t - domega / in.c(3) / omega);
  return r;
}

// Form 41: C1 + C2/u + (C3/f) ln u + sum over j = 1..n-4 of C(3+j) u^j, u = Cn/(Ta + Cn).
FormResult form41(const FormInput& in) {
  const int n = in.n;
  if (n < 3) return {in.c(1), 0.0, true};
  const double cn = in.c(n);
  const double u = cn / (in.ta + cn);
  double v = in.c(1) + in.c(2) / u;
  double dvdu = -in.c(2) / (u * u);
  if (n >= 4) {
    v += in.c(3) / in.f * std::log(u);
    dvdu += in.c(3) / (in.f * u);
  }
  double power = 1.0;
  for (int j = 1; j <= n - 4; ++j) {
    dvdu += j * in.c(3 + j) * power;
    power *= u;
    v += in.c(3 + j) * power;
  }
  return {v, dvdu * (-u * u / cn), true};
}

// Form 42: fifth-degree polynomial + (C7/f) ln(max(C8 - T, 1.0E-4)).
FormResult form42(const FormInput& in) {
  FormResult r;
  horner(in.coef.data(), 6, in.t, r.v, r.dv);
  const double d = std::max(in.c(8) - in.t, kLogArgumentFloor);
  r.v += in.c(7) / in.f * std::log(d);
  r.dv -= in.c(7) / (in.f * d);
  return r;
}

enum class FormClass { Implemented, NotImplemented, Undefined };

FormClass classify(int form) {
  switch (form) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 19:
    case 20:
    case 21:
    case 22:
    case 25:
    case 26:
    case 27:
    case 30:
    case 32:
    case 33:
    case 34:
    case 35:
    case 36:
    case 41:
    case 42:
    case 43:
    case 46:
    case 47:
    case 48:
      return FormClass::Implemented;
    case 6:
    case 18:
    case 23:
    case 24:
    case 28:
    case 29:
    case 31:
      return FormClass::NotImplemented;
    default:
      return FormClass::Undefined;
  }
}

FormResult evaluate(const FormInput& in, int form, bool exponentialStep) {
  switch (form) {
    case 1:
      return polynomial(in);
    case 2:
      return chebyshev(in);
    case 3:
      return form03(in);
    case 4:
      return form04(in);
    case 5:
      return form05(in);
    case 13:
      return form13(in);
    case 14:
      return form14(in);
    case 15:
      return form15(in);
    case 16:
      return form16(in);
    case 17:
      return form17(in);
    case 19:
      return form19(in);
    case 20:
      return form20(in);
    case 21:
      return form21(in);
    case 22:
      return exponentialStep ? form22(in) : chebyshev(in);
    case 25:
      return form25(in);
    case 26:
      return form26(in);
    case 27:
      return form27(in);
    case 33:
      return form33(in);
    case 41:
      return form41(in);
    case 42:
      return form42(in);
    case 43:
      return form43(in);
    case 47:
      return form47or48(in, false);
    case 48:
      return form47or48(in, true);
    default:
      return tauForm(in, form);  // 30, 32, 34, 35, 36, 46
  }
}

// Writes the three report lines of a form that cannot be evaluated and stops the run.
[[noreturn]] void formFailure(std::int32_t ideqn, bool undefined) {
  char line[64];
  std::snprintf(line, sizeof line, " ERROR (XPCALC) -- REQUESTED EQUATION FORM %4d", ideqn);
  const std::int32_t unit = services::IOUNIT.report;
  platform::writeLine(unit, line);
  platform::writeLine(unit, undefined ? "       DOES NOT EXIST AND IS UNDEFINED."
                                      : "       HAS NOT YET BEEN IMPLEMENTED.");
  platform::writeLine(unit, "       *****     EXECUTION TERMINATED     *****");
  services::MSGABT(undefined ? kMessageFormUndefined : kMessageFormNotAvailable, " ");
}

}  // namespace

void XPEVAL(std::int32_t ideqn, std::int32_t itempc, std::int32_t itempu, std::int32_t nocoef,
            std::span<const double, kMaxCoefficients> coef, double temp, double tmax, double tmin,
            std::int32_t ifdrv, double cxpcvf, double& cxpval, double& cxpdrv, double tc, double pc,
            double tb, std::int32_t logbas, std::int32_t& istat) {
  // Range test: a limit equal to T within the relative tolerance counts as inside.
  istat = static_cast<std::int32_t>(RangeStatus::Inside);
  if (tmax > services::RMISS && services::RELCMP(temp, tmax) == 1) {
    istat = static_cast<std::int32_t>(RangeStatus::AboveTmax);
    return;
  }
  if (tmin > services::RMISS && services::RELCMP(temp, tmin) == -1) {
    istat = static_cast<std::int32_t>(RangeStatus::BelowTmin);
    return;
  }

  // Dispatch: 100-999 are undefined; 1000 and above go by their last two digits.
  const std::int32_t hundreds = ideqn / 100;
  const int form = ideqn < 0 || (hundreds >= 1 && hundreds <= 9) ? -1 : ideqn % 100;
  const FormClass kind = classify(form);
  if (kind != FormClass::Implemented) formFailure(ideqn, kind == FormClass::Undefined);

  double a = 1.0;
  double b = 0.0;
  double c = 1.0;
  double d = 0.0;
  XPTUNI(itempc, itempu, a, b, c, d);
  FormInput in{coef};
  in.n = std::clamp(nocoef, 0, kMaxCoefficients);
  in.t = temp;
  in.tk = a * temp + b;
  in.ta = in.tk / a;
  in.a = a;
  in.tc = tc;
  in.pc = pc;
  in.tb = tb;
  in.f = logbas == kDecimalLogBase ? kDecimalLogFactor : 1.0;
  in.tmax = tmax;
  in.tmin = tmin;
  in.itempu = itempu;

  const FormResult r = evaluate(in, form, ideqn == 22);
  const double factor = r.scaled ? cxpcvf : 1.0;
  cxpval = r.v * factor;
  if (ifdrv > 0) cxpdrv = r.dv * factor / a;
}

}  // namespace pure
