// The equation forms of the reduced temperature: Tr = TK/Tc and tau = 1 - Tr of the
// component's critical temperature, with their cut-offs near the critical point.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "thermo/pure/correlation_form_kernels.hpp"

namespace pure::forms {
namespace {

// Forms 14, 47 and 48: exp(f (C1 + W(tau)/Tr)) or Pc exp(f W(tau)/Tr).
FormResult reducedExponential(const FormInput& in, double w, double dwdtau, double constant,
                              double scale) {
  const double tr = in.tr();
  const double exponent = in.f * (constant + w / tr);
  const double dexp = in.f * (dwdtau * in.dtauDt() / tr - w / (tr * tr) * in.a / in.tc);
  FormResult r;
  r.v = scale * std::exp(clip(exponent));
  r.dv = r.v * dexp;
  return r;
}

// Forms of tau = 1 - TK/Tc with their derivative in tau: V(tau), dV/dtau.
FormResult inTau(const FormInput& in, double v, double dvdtau) {
  return {v, dvdtau * in.dtauDt(), true};
}

}  // namespace

// Form 14: exp(f (C1 + (C2 tau + C3 tau^1.5 + C4 tau^3 + C5 tau^6) / Tr)).
FormResult form14(const FormInput& in) {
  const double tau = in.tau();
  if (tau <= kTauCutoff) return {in.c(1), 0.0, true};
  const double w = in.c(2) * tau + in.c(3) * std::pow(tau, 1.5) + in.c(4) * std::pow(tau, 3) +
                   in.c(5) * std::pow(tau, 6);
  const double dw = in.c(2) + 1.5 * in.c(3) * std::sqrt(tau) + 3.0 * in.c(4) * tau * tau +
                    6.0 * in.c(5) * std::pow(tau, 5);
  return reducedExponential(in, w, dw, in.c(1), 1.0);
}

// Forms 47 and 48: Pc exp(f W / Tr), W = C1 tau + C2 tau^1.5 + C3 tau^3 + C4 tau^6 (47) or
// C1 tau + C2 tau^1.5 + C3 tau^2.5 + C4 tau^5 (48); in the unit of Pc, without the factor.
FormResult form47or48(const FormInput& in, bool form48) {
  const double tau = in.tau();
  if (tau < kTauCutoff) return {0.0, 0.0, false};
  const int n = in.n;
  const double c1 = n >= 1 ? in.c(1) : 0.0;
  const double c2 = n >= 2 ? in.c(2) : 0.0;
  const double c3 = n >= 3 ? in.c(3) : 0.0;
  const double c4 = n >= 4 ? in.c(4) : 0.0;
  double w = c1 * tau + c2 * std::pow(tau, 1.5);
  double dw = c1 + 1.5 * c2 * std::sqrt(tau);
  if (form48) {
    w += c3 * std::pow(tau, 2.5) + c4 * std::pow(tau, 5);
    dw += 2.5 * c3 * std::pow(tau, 1.5) + 5.0 * c4 * std::pow(tau, 4);
  } else {
    w += c3 * std::pow(tau, 3) + c4 * std::pow(tau, 6);
    dw += 3.0 * c3 * tau * tau + 6.0 * c4 * std::pow(tau, 5);
  }
  FormResult r = reducedExponential(in, w, dw, 0.0, in.pc);
  r.scaled = false;
  return r;
}

// Form 15: C1 tau^E, E = sum over k = 2..n of Ck Tr^(k-2).
FormResult form15(const FormInput& in) {
  const double tau = in.tau();
  if (tau <= kTauCutoff) return {0.0, 0.0, true};
  double e = 0.0;
  double de = 0.0;
  horner(in.coef.data() + 1, in.n - 1, in.tr(), e, de);
  FormResult r;
  r.v = in.c(1) * std::pow(tau, e);
  r.dv = r.v * (de * in.a / in.tc * std::log(tau) + e / tau * in.dtauDt());
  return r;
}

// Form 27: C1 Tr (1 + (Tr - 1) C2 Tr^C3)^(-1/6).
FormResult form27(const FormInput& in) {
  const double tr = in.tr();
  const double p = std::pow(tr, in.c(3));
  const double b = 1.0 + (tr - 1.0) * in.c(2) * p;
  const double db = in.c(2) * p + (tr - 1.0) * in.c(2) * in.c(3) * p / tr;
  FormResult r;
  r.v = in.c(1) * tr * std::pow(b, -1.0 / 6.0);
  const double dvdtr =
      in.c(1) * std::pow(b, -1.0 / 6.0) - in.c(1) * tr / 6.0 * std::pow(b, -7.0 / 6.0) * db;
  r.dv = dvdtr * in.a / in.tc;
  return r;
}

// Forms 30, 32, 34, 35, 36 and 46 of tau, each with its cut-off.
FormResult tauForm(const FormInput& in, int form) {
  const double tau = in.tau();
  const int n = in.n;
  switch (form) {
    case 30: {
      if (tau <= kTauCutoff) return {0.0, 0.0, true};
      const double c3 = n > 2 ? in.c(3) : 0.0;
      const double p = std::pow(tau, in.c(2));
      return inTau(in, in.c(1) * p * (1.0 + c3 * tau),
                   in.c(1) * (in.c(2) * p / tau * (1.0 + c3 * tau) + p * c3));
    }
    case 32: {
      if (tau <= kTauCutoff) return {in.c(1), 0.0, true};
      const double c3 = n >= 3 ? in.c(3) : 0.0;
      const double c4 = n >= 4 ? in.c(4) : 0.0;
      const double c5 = n >= 5 ? in.c(5) : 0.0;
      return inTau(in,
                   in.c(1) + in.c(2) * std::pow(tau, 0.35) + c3 * std::pow(tau, 2.0 / 3.0) +
                       c4 * tau + c5 * std::pow(tau, 4.0 / 3.0),
                   0.35 * in.c(2) * std::pow(tau, -0.65) +
                       2.0 / 3.0 * c3 * std::pow(tau, -1.0 / 3.0) + c4 +
                       4.0 / 3.0 * c5 * std::cbrt(tau));
    }
    case 34: {
      if (tau <= kTauCutoff) return {in.c(1), 0.0, true};
      const double q = std::cbrt(tau);
      return inTau(in, in.c(1) * (1.0 + in.c(2) * q + in.c(3) * q * q + in.c(4) * tau),
                   in.c(1) * (in.c(2) / (3.0 * q * q) + 2.0 * in.c(3) / (3.0 * q) + in.c(4)));
    }
    case 35: {
      const double bounded = std::max(tau, kLogArgumentFloor);
      double sum = 0.0;
      double dsum = 0.0;
      horner(in.coef.data() + 2, n - 2, bounded, sum, dsum);  // sum Ck tau^(k-3), k >= 3
      const double c2 = n >= 2 ? in.c(2) : 0.0;
      const double rtc = kGasConstant * in.tc;
      return inTau(in, rtc * (in.c(1) - c2 / in.f * std::log(bounded) - bounded * sum),
                   rtc * (-c2 / (in.f * bounded) - sum - bounded * dsum));
    }
    case 36: {
      if (tau <= kTauCutoff) return {0.0, 0.0, true};
      const double q = std::cbrt(tau);
      const double rtc = kGasConstant * in.tc;
      return inTau(in,
                   rtc * (in.c(1) * q + in.c(2) * q * q + in.c(3) * tau + in.c(4) * tau * tau +
                          in.c(5) * std::pow(tau, 6)),
                   rtc * (in.c(1) / (3.0 * q * q) + 2.0 * in.c(2) / (3.0 * q) + in.c(3) +
                          2.0 * in.c(4) * tau + 6.0 * in.c(5) * std::pow(tau, 5)));
    }
    default: {  // 46
      if (tau < kTauCutoff) return {0.0, 0.0, true};
      const double ca = n >= 2 ? in.c(2) : 0.0;
      const double cb = n >= 3 ? in.c(3) : 0.0;
      const double cc = n >= 4 ? in.c(4) : 0.0;
      const double cd = n >= 5 ? in.c(5) : 0.0;
      const double t2 = tau * tau;
      const double t3 = t2 * tau;
      const double g = ca * ca * std::log(tau) + cb * tau - ca * cc * t2 - ca * cd * t3 / 3.0 -
                       cc * cc * t2 * t2 / 12.0 - cc * cd * t3 * t2 / 10.0 -
                       cd * cd * t3 * t3 / 30.0;
      FormResult r;
      r.v = in.c(1) - in.tc / in.a * g;
      r.dv = ca * ca / tau + cb - 2.0 * ca * cc * tau - ca * cd * t2 - cc * cc * t3 / 3.0 -
             cc * cd * t2 * t2 / 2.0 - cd * cd * t3 * t2 / 5.0;
      return r;
    }
  }
}

// Form 33: sqrt(Tr) / (C1 + C2/Tr + C3/Tr^2 + C4/Tr^3).
FormResult form33(const FormInput& in) {
  const double tr = in.tr();
  const double den = in.c(1) + in.c(2) / tr + in.c(3) / (tr * tr) + in.c(4) / (tr * tr * tr);
  const double dden =
      -in.c(2) / (tr * tr) - 2.0 * in.c(3) / (tr * tr * tr) - 3.0 * in.c(4) / std::pow(tr, 4);
  FormResult r;
  r.v = std::sqrt(tr) / den;
  r.dv = r.v * (0.5 / tr - dden / den) * in.a / in.tc;
  return r;
}

// Form 43: C1 r^C2, r = (Tc - TK)/(Tc - Tb).
FormResult form43(const FormInput& in) {
  if (in.n < 2) return {in.c(1), 0.0, true};
  const double r = (in.tc - in.tk) / (in.tc - in.tb);
  if (r <= kTauCutoff) return {0.0, 0.0, true};
  FormResult out;
  out.v = in.c(1) * std::pow(r, in.c(2));
  out.dv = in.c(1) * in.c(2) * std::pow(r, in.c(2) - 1.0) * (-in.a / (in.tc - in.tb));
  return out;
}

}  // namespace pure::forms
