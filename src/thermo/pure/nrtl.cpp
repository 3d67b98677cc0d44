// The NRTL kernels: NRTAUG (tau and G at a temperature), NRTACT (activity coefficients and
// their derivatives) and VTNRTL (the model with its temperature cache).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using eos_internal::Jet;

// The exponent of G is limited to this magnitude.
constexpr double kExponentLimit = 23.0259;
// K-value method codes whose G rows carry per-component weights.
constexpr std::int32_t kWeightedCodeA = 109;
constexpr std::int32_t kWeightedCodeB = 112;

// tau and G of one ordered pair with their temperature derivatives. G uses the limited
// exponent with the unlimited derivative formulas.
struct Element {
  Jet tau;
  Jet g;
};

Jet limitedExp(Jet z) {
  const double e = std::exp(std::clamp(z.v, -kExponentLimit, kExponentLimit));
  return eos_internal::chain(z, e, e, e);
}

// The elements of PARAM for form 1-4; code is the pair code of form 4. Q1..Q5 are the
// values of the element itself, except alpha of form 4 (q1Alpha, q2Alpha from (j, i)).
Element element(std::int32_t form, std::int32_t code, double q1, double q2, double q3, double q4,
                double q5, double t) {
  const Jet tj{t, 1.0, 0.0};
  const Jet inv = eos_internal::reciprocal(tj);
  Element e;
  Jet alpha = eos_internal::constant(q2);
  switch (form) {
    case 1:
      e.tau = q4 * inv;
      break;
    case 2:
      e.tau = q4 * inv + q5;
      break;
    case 3:
      e.tau = q4 * inv + q5;
      alpha = q1 * tj + q2;
      break;
    default:
      alpha = q1 * tj + q2;
      if (code == 0) {
        e.tau = q5 + q4 * inv + q3 * inv * inv;
      } else if (code == 1) {
        e.tau = q5 + q4 * inv + q3 * tj;
      } else if (code == 2) {
        e.tau = q5 + q4 * tj + q3 * tj * tj;
      } else {
        e.tau = Jet{};
        e.g = Jet{1.0, 0.0, 0.0};
        return e;
      }
      break;
  }
  e.g = limitedExp(-(alpha * e.tau));
  return e;
}

// Calls F(column-major index, element) for every ordered pair at T.
template <typename F>
bool forEachElement(std::span<const double> param, std::int32_t form,
                    std::span<const std::int32_t> pairCodes, std::size_t n, double t, F&& f) {
  if (form < 1 || form > 4) return false;
  const std::size_t n2 = n * n;
  const auto q = [&](int block, std::size_t k) { return param[(block - 1) * n2 + k]; };
  if (form <= 3) {
    for (std::size_t k = 0; k < n2; ++k) {
      f(k, element(form, 0, q(1, k), q(2, k), q(3, k), q(4, k), q(5, k), t));
    }
    return true;
  }
  for (std::size_t i = 0; i < n; ++i) {
    f(i * n + i, Element{Jet{}, Jet{1.0, 0.0, 0.0}});
  }
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const std::int32_t code = pairCodes[eos_internal::pairIndex(
          static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1))];
      const std::size_t ji = i * n + j;  // element (j, i)
      const std::size_t ij = j * n + i;  // element (i, j)
      for (const std::size_t k : {ji, ij}) {
        f(k, element(4, code, q(1, ji), q(2, ji), q(3, k), q(4, k), q(5, k), t));
      }
    }
  }
  return true;
}

// The per-component weights of G's rows for the NRTL-based cubic methods; empty otherwise.
bool rowWeights(std::size_t n, std::size_t k, double& w) {
  const std::int32_t code = methods::KMCTL.kvalue.code;
  if (code != kWeightedCodeA && code != kWeightedCodeB) return false;
  w = storage::CORSTO.real(methods::LDSTAT.realSector1 + static_cast<std::int32_t>(n + 2 + k));
  return true;
}

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<Element> secondDerivativeElements;
const bool kSecondDerivativeElementsReset =
    services::registerKeptValues([] { secondDerivativeElements = {}; });

// d2g/dT2 of the model, with the weights of the rows applied as to G.
double secondDerivative(std::span<const double> x, std::span<const double> coef, std::int32_t form,
                        std::span<const std::int32_t> pairCodes, std::size_t n, double t) {
  std::vector<Element>& elements = secondDerivativeElements;
  elements.assign(n * n, Element{});
  if (!forEachElement(coef, form, pairCodes, n, t,
                      [&](std::size_t k, const Element& e) { elements[k] = e; })) {
    return 0.0;
  }
  for (std::size_t row = 0; row < n; ++row) {
    double w = 1.0;
    if (!rowWeights(n, row + 1, w)) break;
    for (std::size_t col = 0; col < n; ++col)
      elements[col * n + row].g = elements[col * n + row].g * w;
  }
  double gTT = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    Jet sa;
    Jet sb;
    for (std::size_t j = 0; j < n; ++j) {
      const Element& e = elements[i * n + j];  // (j, i)
      sa = sa + x[j] * e.g * e.tau;
      sb = sb + x[j] * e.g;
    }
    gTT += x[i] * (sa / sb).dd;
  }
  return gTT;
}

}  // namespace

void NRTAUG(std::span<const double> param, std::int32_t form,
            std::span<const std::int32_t> pairCodes, std::int32_t n, double t,
            std::span<double> dgdt, std::span<double> dtaudt, std::span<double> g,
            std::span<double> tau) {
  if (n < 1 || form < 1 || form > 4) return;
  const auto nn = static_cast<std::size_t>(n);
  constexpr const char* kName = "NRTAUG";
  eos_internal::requireLength(param, 5 * nn * nn, kName, "PARAM");
  if (form == 4) eos_internal::requireLength(pairCodes, nn * (nn - 1) / 2, kName, "PAIR CODES");
  for (const auto out : {dgdt, dtaudt, g, tau}) {
    eos_internal::requireLength(out, nn * nn, kName, "TAU OR G");
  }
  forEachElement(param, form, pairCodes, nn, t, [&](std::size_t k, const Element& e) {
    tau[k] = e.tau.v;
    dtaudt[k] = e.tau.d;
    g[k] = e.g.v;
    dgdt[k] = e.g.d;
  });
}

void NRTACT(std::int32_t level, std::int32_t ld, std::int32_t n, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            double& gert, double& hert2, std::span<double> sa, std::span<double> sb,
            std::span<double> dsa, std::span<double> dsb, std::span<const double> dgdt,
            std::span<const double> dtaudt, std::span<const double> g,
            std::span<const double> tau) {
  if (n < 1) return;
  const auto nn = static_cast<std::size_t>(n);
  const auto at = [nn](std::size_t i, std::size_t j) { return j * nn + i; };  // (i, j)
  // 1. The sums and the first terms.
  gert = 0.0;
  hert2 = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    sa[i] = sb[i] = dsa[i] = dsb[i] = 0.0;
    for (std::size_t j = 0; j < nn; ++j) {
      const std::size_t ji = at(j, i);
      sa[i] += x[j] * g[ji] * tau[ji];
      sb[i] += x[j] * g[ji];
      dsa[i] += x[j] * (dgdt[ji] * tau[ji] + g[ji] * dtaudt[ji]);
      dsb[i] += x[j] * dgdt[ji];
    }
    lngam[i] = sa[i] / sb[i];
    dlngdt[i] = (dsa[i] - dsb[i] * sa[i] / sb[i]) / sb[i];
    gert += x[i] * lngam[i];
    hert2 -= x[i] * dlngdt[i];
  }
  if (level < 2) return;

  // 2. The second terms, with m_j = S_A(j)/S_B(j).
  for (std::size_t i = 0; i < nn; ++i) {
    double add = 0.0;
    double addT = 0.0;
    for (std::size_t j = 0; j < nn; ++j) {
      const std::size_t ij = at(i, j);
      const double m = sa[j] / sb[j];
      const double dm = dsa[j] / sb[j] - m * dsb[j] / sb[j];
      const double weight = x[j] * g[ij] / sb[j];
      add += weight * (tau[ij] - m);
      addT += weight * ((tau[ij] - m) * (dgdt[ij] / g[ij] - dsb[j] / sb[j]) + dtaudt[ij] - dm);
    }
    lngam[i] += add;
    dlngdt[i] += addT;
  }
  if (level < 3) return;

  // 3. n dln(gamma_i)/dn_j, symmetric.
  const auto ldd = static_cast<std::size_t>(ld);
  for (std::size_t i = 0; i < nn; ++i) {
    for (std::size_t j = i; j < nn; ++j) {
      double value = g[at(i, j)] * (tau[at(i, j)] - sa[j] / sb[j]) / sb[j] +
                     g[at(j, i)] * (tau[at(j, i)] - sa[i] / sb[i]) / sb[i];
      for (std::size_t k = 0; k < nn; ++k) {
        const double mk = sa[k] / sb[k];
        value -= x[k] * g[at(i, k)] * g[at(j, k)] * (tau[at(i, k)] + tau[at(j, k)] - 2.0 * mk) /
                 (sb[k] * sb[k]);
      }
      dlngdx[j * ldd + i] = value;
      dlngdx[i * ldd + j] = value;
    }
  }
}

void VTNRTL(std::span<const double> x, double t, std::int32_t nc, std::int32_t option,
            std::span<const double> coef, std::span<std::int32_t> descriptor,
            std::span<double> work, std::span<double> sums, std::span<double> lngam,
            std::span<double> lngamT, std::span<double> dlngdx, double& g, double& hE,
            double& gTT) {
  if (nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  const std::size_t n2 = n * n;
  constexpr const char* kName = "VTNRTL";
  eos_internal::requireLength(x, n, kName, "X");
  eos_internal::requireLength(descriptor, 6, kName, "DESCRIPTOR");
  eos_internal::requireLength(work, 4 * n2 + 1, kName, "WORK");
  eos_internal::requireLength(sums, 4 * n, kName, "SUMS");
  eos_internal::requireLength(lngam, n, kName, "LNGAM");
  eos_internal::requireLength(lngamT, n, kName, "DLNGAM/DT");
  const std::int32_t form = descriptor[1];
  const std::span<const std::int32_t> pairCodes =
      std::span<const std::int32_t>(descriptor).subspan(6);
  std::int32_t& mode = descriptor[4];
  std::int32_t& valid = descriptor[5];
  const std::span<double> tau = work.subspan(0, n2);
  const std::span<double> gv = work.subspan(n2, n2);
  const std::span<double> dg = work.subspan(2 * n2, n2);
  const std::span<double> dtau = work.subspan(3 * n2, n2);
  double& stamp = work[4 * n2];

  // 1. Cache test.
  bool recompute = mode == 1 || valid == 0;
  if (!recompute && valid == 1) recompute = services::RELCMP(stamp, t) != 0;
  if (recompute) {
    if (mode == 2) {
      valid = 1;
      stamp = t;
    }
    // 2. tau and G at T, the rows of G weighted for the NRTL-based cubic methods.
    NRTAUG(coef, form, pairCodes, nc, t, dg, dtau, gv, tau);
    for (std::size_t row = 0; row < n; ++row) {
      double w = 1.0;
      if (!rowWeights(n, row + 1, w)) break;
      for (std::size_t col = 0; col < n; ++col) {
        gv[col * n + row] *= w;
        dg[col * n + row] *= w;
      }
    }
  }

  // 3. The option word: the tens digit asks for a derivative kind that NRTL refuses.
  if ((option / 10) % 10 != 0) services::MSGABT(kMessageNrtlOption, kName);

  // 4. Activity coefficients, with the composition derivatives when asked for.
  const bool composition = (option / 100) % 10 != 0;
  if (composition) eos_internal::requireLength(dlngdx, n2, kName, "DLNGDX");
  NRTACT(composition ? 3 : 2, nc, nc, x, lngam, lngamT, dlngdx, g, hE, sums.subspan(0, n),
         sums.subspan(n, n), sums.subspan(2 * n, n), sums.subspan(3 * n, n), dg, dtau, gv, tau);
  gTT = secondDerivative(x, coef, form, pairCodes, n, t);
}

}  // namespace pure
