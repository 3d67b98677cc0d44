// Support of the stability tests: the problem and the test's own equation of state.
#include "stability_support.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"

namespace stability_test {
namespace {

constexpr long double kR = 8.314471L;

fixtures::MethodSetSpec cubicSet(const std::string& name, std::int32_t code,
                                 fixtures::CubicForm form, double k12) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, code);
  set.options[0] = 2;
  set.parameterBlocks.at(0) = [code, form, k12](const std::vector<fixtures::ComponentSpec>& c) {
    return fixtures::cubicParameterBlock(code, form, c, {k12, 0.0, 0.0});
  };
  return set;
}

fixtures::ProblemDescription description() {
  fixtures::ProblemDescription d;
  d.name = "stability";
  d.components = flash_test::components(componentNames());
  using fixtures::CubicForm;
  d.methodSets = {cubicSet("SOAVE", 101, CubicForm::SoaveRedlichKwong, kPairCoefficient),
                  cubicSet("PENG", 102, CubicForm::PengRobinson, 0.0),
                  cubicSet("SHIFTED", 124, CubicForm::PengRobinson, kPairCoefficient),
                  cubicSet("ASYMMETRIC", 111, CubicForm::PengRobinson, kPairCoefficient),
                  cubicSet("ASSOCIATING", 122, CubicForm::PengRobinson, kPairCoefficient)};
  return d;
}

}  // namespace

std::vector<std::string> componentNames() { return {"METHANE", "HYDROGEN SULFIDE", "PROPANE"}; }

StabilityProblem::StabilityProblem(const testing_support::TempDir& dir)
    : problem_(dir, description()) {}

std::vector<long double> widen(const std::vector<double>& v) {
  return std::vector<long double>(v.begin(), v.end());
}

TestEos::TestEos(bool soave, double t, double p, double pairCoefficient) : t_(t), p_(p) {
  // Omega_a, Omega_b and the slope m(omega) of each equation, from the papers above.
  const long double c = std::cbrt(2.0L) - 1.0L;
  const long double omegaA = soave ? 1.0L / (9.0L * c) : 0.457235529L;
  const long double omegaB = soave ? c / 3.0L : 0.077796074L;
  s1_ = soave ? 0.0L : -1.0L + std::sqrt(2.0L);
  s2_ = soave ? -1.0L : -1.0L - std::sqrt(2.0L);
  for (const fixtures::ComponentSpec& comp : flash_test::components(componentNames())) {
    const long double w = comp.acentricFactor;
    const long double m =
        soave ? 0.480L + 1.574L * w - 0.176L * w * w : 0.37464L + 1.54226L * w - 0.26992L * w * w;
    const long double tc = comp.criticalTemperature, pc = comp.criticalPressure;
    const long double root = 1.0L + m * (1.0L - std::sqrt(t / tc));
    a_.push_back(omegaA * kR * kR * tc * tc / pc * root * root);
    b_.push_back(omegaB * kR * tc / pc);
  }
  k_.assign(a_.size(), std::vector<long double>(a_.size(), 0.0L));
  k_[0][1] = k_[1][0] = pairCoefficient;
}

std::vector<long double> TestEos::lnphi(const std::vector<long double>& x, int force) const {
  const std::size_t n = a_.size();
  long double am = 0.0L, bm = 0.0L;
  std::vector<long double> abar(n, 0.0L);
  for (std::size_t i = 0; i < n; ++i) {
    bm += x[i] * b_[i];
    for (std::size_t j = 0; j < n; ++j) {
      const long double aij = std::sqrt(a_[i] * a_[j]) * (1.0L - k_[i][j]);
      am += x[i] * x[j] * aij;
      abar[i] += 2.0L * x[j] * aij;
    }
  }
  const long double rt = kR * t_;
  const long double aa = am * p_ / (rt * rt), bb = bm * p_ / rt;
  const long double u = s1_ + s2_, w = s1_ * s2_;
  const long double c2 = -1.0L - bb * (1.0L + u), c1 = aa + u * bb + (u + w) * bb * bb;
  const long double c0 = -(aa * bb + w * bb * bb * (1.0L + bb));
  const auto f = [&](long double z) { return ((z + c2) * z + c1) * z + c0; };
  // Every root in (B, B + 2) by a scan and bisection.
  std::vector<long double> roots;
  const int steps = 4000;
  long double lo = bb * (1.0L + 1e-15L), flo = f(lo);
  for (int k = 1; k <= steps; ++k) {
    const long double hi = bb + 2.0L * k / steps, fhi = f(hi);
    if ((flo > 0.0L) != (fhi > 0.0L)) {
      long double l = lo, h = hi;
      for (int it = 0; it < 200; ++it) {
        const long double mid = 0.5L * (l + h);
        if ((f(mid) > 0.0L) == (f(l) > 0.0L)) {
          l = mid;
        } else {
          h = mid;
        }
      }
      roots.push_back(0.5L * (l + h));
    }
    lo = hi;
    flo = fhi;
  }
  if (force == 1) roots = {*std::max_element(roots.begin(), roots.end())};
  if (force == 2) roots = {*std::min_element(roots.begin(), roots.end())};
  std::vector<long double> best;
  long double bestG = 0.0L;
  for (const long double z : roots) {
    const long double l = (aa / bb) / (s1_ - s2_) * std::log((z - s1_ * bb) / (z - s2_ * bb));
    std::vector<long double> out(n);
    long double g = 0.0L;
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = l * (abar[i] / am - b_[i] / bm) + b_[i] / bm * (z - 1.0L) - std::log(z - bb);
      g += x[i] * out[i];
    }
    if (best.empty() || g < bestG) {
      best = out;
      bestG = g;
    }
  }
  return best;
}

long double TestEos::gibbs(const std::vector<long double>& n) const {
  long double total = 0.0L;
  for (long double v : n) total += v;
  std::vector<long double> x(n.size());
  for (std::size_t i = 0; i < n.size(); ++i) x[i] = n[i] / total;
  const std::vector<long double> lp = lnphi(x);
  long double g = 0.0L;
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (n[i] > 0.0L) g += n[i] * (std::log(x[i]) + lp[i]);
  }
  return g;
}

std::vector<Stationary> binaryMinima(const TestEos& eos, const std::vector<double>& z) {
  const std::vector<long double> lz = eos.lnphi(widen(z));
  std::vector<long double> d(z.size(), 0.0L);
  for (std::size_t i = 0; i < 2; ++i) d[i] = std::log(static_cast<long double>(z[i])) + lz[i];
  const auto tpd = [&](long double w1) {
    std::vector<long double> w(eos.size(), 0.0L);
    w[0] = w1;
    w[1] = 1.0L - w1;
    const std::vector<long double> lp = eos.lnphi(w);
    long double s = 0.0L;
    for (std::size_t i = 0; i < 2; ++i) s += w[i] * (std::log(w[i]) + lp[i] - d[i]);
    return s;
  };
  const int steps = 1000;
  std::vector<long double> v(steps + 1);
  const auto at = [&](int k) { return 1e-6L + (1.0L - 2e-6L) * k / steps; };
  for (int k = 0; k <= steps; ++k) v[static_cast<std::size_t>(k)] = tpd(at(k));
  std::vector<Stationary> minima;
  const long double golden = (std::sqrt(5.0L) - 1.0L) / 2.0L;
  for (int k = 1; k < steps; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    if (!(v[kk] < v[kk - 1] && v[kk] <= v[kk + 1])) continue;
    long double lo = at(k - 1), hi = at(k + 1);
    for (int it = 0; it < 120; ++it) {
      const long double m1 = hi - golden * (hi - lo), m2 = lo + golden * (hi - lo);
      if (tpd(m1) < tpd(m2)) {
        hi = m2;
      } else {
        lo = m1;
      }
    }
    const long double w1 = 0.5L * (lo + hi);
    minima.push_back({w1, tpd(w1)});
  }
  return minima;
}

}  // namespace stability_test
