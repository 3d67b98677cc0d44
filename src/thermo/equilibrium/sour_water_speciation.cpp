// The liquid side of the sour-water model: the activity loop EQPH with its start constants
// (SWACTC), the pH search (SWSPCN), the ammonia and carbon dioxide split (GPSWAT), the balance
// iteration (SWBALN), the activity coefficients (SWCORR, SWFCOR) and the effective
// equilibrium constants (SWGAMA).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "thermo/equilibrium/sour_water_equilibrium.hpp"

namespace equilibrium {
namespace {

constexpr int kActivityPasses = 100;  // the 100th pass stops the run
constexpr int kSearchPasses = 200;    // guard of the pH search and the balance iteration
constexpr int kAmmoniaSteps = 50;
constexpr double kActivityTolerance = 1e-4;
constexpr double kTinyConstant = 1e-30;
constexpr double kPhTolerance = 1e-3;
constexpr double kBalanceTolerance = 1e-6;
constexpr double kAmmoniaTolerance = 1e-10;
constexpr double kJacobianFactor = 1e-6;
constexpr double kTemperatureStep = 0.01;  // K: the constants are refreshed beyond it

// Species s1..s15 at [0..14].
using Species = std::array<double, kSourSpecies + 1>;
// The nine effective constants K'1..K'9 at [0..8].
using Constants = std::array<double, kSourReactions>;

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

// The totals of the gathered liquid: water, ammonia, carbon dioxide, hydrogen sulphide.
struct Totals {
  double water = 0.0;
  double ammonia = 0.0;
  double carbon = 0.0;
  double sulphur = 0.0;
  double sum = 0.0;
  double oxygen = 0.0;  // t0 + 2 t2
};

Totals totalsOf(const SourWaterWork& work) {
  Totals t;
  t.water = work.liquid[0];
  t.ammonia = work.liquid[1];
  t.carbon = work.liquid[2];
  t.sulphur = work.liquid[3];
  t.sum = t.water + t.ammonia + t.carbon + t.sulphur;
  t.oxygen = t.water + 2.0 * t.carbon;
  return t;
}

[[noreturn]] void notSettled(std::string_view caller, int passes) {
  services::MSGPAR.integers(1) = passes;
  services::MSGABT(kMessageSourSpeciation, caller);
}

// The species other than water, hydrogen, hydroxide and the total, from s1, s3 and s15.
void speciate(const Totals& tt, const Constants& ke, Species& s) {
  const double s1 = s[0];
  const double s3 = s[2];
  const double s15 = s[14];
  double s4 = 0.0;
  double s9 = 0.0;
  GPSWAT(tt.ammonia, tt.carbon, ke, s1, s3, s15, s4, s9);
  s[3] = s4;
  s[8] = s9;
  s[4] = s1 * ke[1] * s4 / s3;
  // Sulphur: s6 (1 + a + b) = t3, s7 = a s6, s8 = b s6.
  const double a = s3 * ke[2] / s1;
  const double b = (s3 / s1) * (s3 / s1) * ke[3];
  s[5] = tt.sulphur / (a + 1.0 + b);
  s[6] = a * s[5];
  s[7] = b * s[5];
  s[9] = s3 * ke[4] * s9 / s15;
  s[10] = ke[5] * s3 * s3 * s9 / (s1 * s15);
  s[11] = ke[6] * s3 * s4 * s9 / (s1 * s15);
  s[12] = s1 * ke[7] * s[11] / s3;
  s[13] = s4 * ke[8] * s[11] / s3;
}

double anions(const Species& s) { return s[2] + s[6] + 2.0 * s[7] + s[9] + 2.0 * s[10] + s[11]; }
double cations(const Species& s) { return s[1] + s[4]; }
double speciesSum(const Species& s) {
  double sum = 0.0;
  for (std::size_t k = 0; k < static_cast<std::size_t>(kSourSpecies); ++k) sum += s[k];
  return sum;
}

// Step 10: start constants from the mole-fraction constants and the liquid total.
void SWACTC(const SourWaterWork& work, std::int32_t n, const Constants& k0, Constants& ke) {
  double tx = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) tx += work.liquid[at(i)];
  ke = k0;
  ke[0] = k0[0] * tx;
  ke[4] = k0[4] / tx;
  ke[5] = k0[5] / tx;
  ke[6] = k0[6] / tx;
}

// Step 11: secant search on pH = -log10(s2) for charge neutrality, with water and the total
// brought up to date after each pass.
void SWSPCN(const Totals& tt, const Constants& ke, Species& s) {
  s[0] = tt.water;
  s[14] = tt.sum;
  double ph = -0.5 * std::log10(ke[0] * tt.water * tt.sum);
  const double delta = ph / 1000.0;
  const auto imbalance = [&](double trial) {
    s[1] = std::pow(10.0, -trial);
    s[2] = ke[0] * s[0] * s[14] / s[1];
    speciate(tt, ke, s);
    return std::log(cations(s) / anions(s));
  };
  for (int pass = 1;; ++pass) {
    if (pass > kSearchPasses) notSettled("SWSPCN", pass - 1);
    const double f1 = imbalance(ph);
    const double f2 = imbalance(ph + delta);
    const double limit = 0.5 * std::fabs(ph);
    const double step = f1 == 0.0 ? 0.0 : std::clamp(f1 * delta / (f2 - f1), -limit, limit);
    ph -= step;
    s[0] = tt.water - s[2] - s[4] + s[6] + 2.0 * s[7] + s[10] + s[11] - s[12];
    s[14] = speciesSum(s);
    if (std::fabs(step) < kPhTolerance) return;
  }
}

// The residuals of step 12 at u = (s1, ln s3, s15): oxygen, charge and total.
std::array<double, 3> SWBALN(const Totals& tt, const Constants& ke, const std::array<double, 3>& u,
                             Species& s) {
  s[0] = u[0];
  s[2] = std::exp(u[1]);
  s[14] = u[2];
  s[1] = s[0] * ke[0] * s[14] / s[2];
  speciate(tt, ke, s);
  const double oxygen =
      s[0] + s[2] + 2.0 * s[8] + 3.0 * s[9] + 3.0 * s[10] + 2.0 * s[11] + 2.0 * s[12] + s[13];
  return {oxygen / tt.oxygen - 1.0, anions(s) / cations(s) - 1.0, speciesSum(s) / s[14] - 1.0};
}

// Step 12: Newton's method on the balances from the pH search's species; one last step is
// taken after the residuals have settled.
void balance(const Totals& tt, const Constants& ke, Species& s) {
  std::array<double, 3> u{s[0], std::log(s[2]), s[14]};
  for (int pass = 1;; ++pass) {
    if (pass > kSearchPasses) notSettled("SWBALN", pass - 1);
    const std::array<double, 3> r = SWBALN(tt, ke, u, s);
    std::array<std::array<double, 3>, 3> jac{};
    for (std::size_t k = 0; k < 3; ++k) {
      std::array<double, 3> up = u;
      const double h = u[k] != 0.0 ? u[k] * kJacobianFactor : kJacobianFactor;
      up[k] = u[k] + h;
      const std::array<double, 3> rp = SWBALN(tt, ke, up, s);
      for (std::size_t i = 0; i < 3; ++i) jac[i][k] = (rp[i] - r[i]) / h;
    }
    // Settled only when every residual is a number below the tolerance.
    const bool settled = std::fabs(r[0]) < kBalanceTolerance &&
                         std::fabs(r[1]) < kBalanceTolerance && std::fabs(r[2]) < kBalanceTolerance;
    std::array<double, 3> d{};
    if (!solveBalanceStep(jac, r, d)) {
      // No finite step: settled residuals keep the last balance; otherwise the iteration
      // cannot go on.
      if (settled) break;
      notSettled("SWBALN", pass);
    }
    for (std::size_t k = 0; k < 3; ++k) u[k] += d[k];
    if (settled) break;
  }
  SWBALN(tt, ke, u, s);
}

// The true fractions of the result groups: the species over s15; a further molecule, which
// does not react, keeps its gathered amount over s15.
void fractions(const Species& s, std::int32_t n, SourWaterWork& work) {
  const double total = s[14];
  work.species = s;
  const std::array<std::size_t, kSourKeyMolecules> molecules{0, 3, 8, 5};
  for (std::size_t i = 0; i < molecules.size(); ++i) work.fraction[i] = s[molecules[i]] / total;
  for (std::int32_t i = kSourKeyMolecules + 1; i <= n; ++i) {
    work.fraction[at(i)] = work.liquid[at(i)] / total;
  }
  const std::array<std::size_t, kSourIonPlaces - 1> ions{1, 2, 4, 6, 7, 9, 10, 11};
  for (std::size_t k = 0; k < ions.size(); ++k) work.ionFraction[k] = s[ions[k]] / total;
  work.ionFraction[kSourIonPlaces - 1] = 0.0;
  work.neutralFraction[0] = s[12] / total;
  work.neutralFraction[1] = s[13] / total;
}

// The sum of the true fractions of molecules, the two neutral species and the ion places.
double allFractions(const SourWaterWork& work, std::int32_t n) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) sum += work.fraction[at(i)];
  for (const double m : work.neutralFraction) sum += m;
  for (const double m : work.ionFraction) sum += m;
  return sum;
}

// Step 14, the long-range term (SWFCOR): a Debye-Hueckel term in the ionic fraction chi
// with the water density M1/V1, then the water-ammonia term (SWCORR).
void SWCORR(const SourWaterBlock& block, double t, SourWaterWork& work) {
  const std::int32_t n = block.n();
  const SourWaterBlock::Offsets& o = block.offsets();
  double tn = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) tn += work.fraction[at(i)];
  for (const double m : work.neutralFraction) tn += m;
  double iz = 0.0;
  for (std::int32_t k = 1; k <= kSourIonPlaces; ++k) {
    const double z = block.at(o.charge(), k);
    iz += z * z * work.ionFraction[at(k)];
  }
  const double chi = std::max(iz / (iz + tn), 0.0);
  const double root = std::sqrt(chi);
  const double tall = allFractions(work, n);

  const double rhow = block.at(o.molecule(), 1) / work.volume[0];
  const double q = 0.2944 + 0.01712 * (std::exp(0.00635 * t) - 1.0);
  const double a = 4.45 * std::pow(q, 0.66667) / std::pow(rhow, 0.33333);
  const double b = 2.3672 * std::pow(q * rhow, 0.33333);
  const double e = std::exp(-2.603 * b * root);
  const double g = 1.0 - 0.5 * (1.0 - chi) * 2.603 * b * root;
  for (std::int32_t k = 1; k <= kSourIonPlaces; ++k) {
    const double z = block.at(o.charge(), k);
    work.ionLnGamma[at(k)] = z * z * (a / 2.603) * (g * e - 1.0);
  }
  const double molecular = 0.5 * a * b * chi * root * e;
  for (std::int32_t i = 1; i <= n; ++i) work.lnGamma[at(i)] = molecular;
  work.neutralLnGamma.fill(molecular);

  // Water and ammonia: volume fractions with the size ratio a = 0.006 T - 1.1.
  const double ratio = 0.006 * t - 1.1;
  const double bw = (2.593 - 1469.0 / t) / ratio;
  const double m1 = work.fraction[0];
  const double m2 = work.fraction[1];
  const double d2 = tall + (ratio - 1.0) * m2;
  const double phi1 = m1 / d2;
  const double phi2 = ratio * m2 / d2;
  work.lnGamma[0] += bw * phi2 * (1.0 - phi1);
  work.lnGamma[1] += ratio * bw * phi1 * (1.0 - phi2) - ratio * bw;

  for (std::int32_t i = 1; i <= n; ++i) work.gamma[at(i)] = std::exp(work.lnGamma[at(i)]);
  for (std::size_t k = 0; k < work.ionGamma.size(); ++k) {
    work.ionGamma[k] = std::exp(work.ionLnGamma[k]);
  }
  for (std::size_t j = 0; j < work.neutralGamma.size(); ++j) {
    work.neutralGamma[j] = std::exp(work.neutralLnGamma[j]);
  }
}

// Step 15: the effective constants K' = K0/Gamma with the fraction total and the empirical
// factors of the mixing term W.
void SWGAMA(const SourWaterBlock& block, double t, const Constants& k0, SourWaterWork& work,
            Constants& ke) {
  const auto ion = [&](SourIon k) { return work.ionGamma[at(static_cast<std::int32_t>(k))]; };
  const double w = work.gamma[0];
  const double nh3 = work.gamma[1];
  const double co2 = work.gamma[2];
  const double h2s = work.gamma[3];
  const double h = ion(SourIon::Hydrogen);
  const double oh = ion(SourIon::Hydroxide);
  const double carb = ion(SourIon::Carbamate);
  const Constants quotient{
      h * oh / w,
      ion(SourIon::Ammonium) * oh / (w * nh3),
      ion(SourIon::Bisulphide) * w / (h2s * oh),
      ion(SourIon::Sulphide) * w * w / (h2s * oh * oh),
      ion(SourIon::Bicarbonate) / (co2 * oh),
      ion(SourIon::Carbonate) * w / (co2 * oh * oh),
      carb * w / (nh3 * co2 * oh),
      work.neutralGamma[0] * oh / (carb * w),
      work.neutralGamma[1] * oh / (carb * nh3),
  };
  for (std::size_t j = 0; j < ke.size(); ++j) ke[j] = k0[j] / quotient[j];

  const double tall = allFractions(work, block.n());
  double mixW = 0.0;
  double mixS = 0.0;
  SWHSUM(block, t, work, mixW, mixS);
  if (mixW > -0.25) ke[2] *= std::exp(-0.2 - mixW / (1.384 + 0.478 * mixW));
  ke[0] *= tall;
  const double r = (t - 323.0) / 100.0;
  ke[4] = std::exp(0.1 - 1.673 * r * r * r * r) * ke[4] / tall;
  ke[5] /= tall;
  ke[6] = std::exp(-mixW - 0.4) * ke[6] / tall;
}

bool settled(const Constants& before, const Constants& after) {
  for (std::size_t j = 0; j < before.size(); ++j) {
    const double change = std::fabs(after[j] - before[j]);
    const double old = std::fabs(before[j]);
    if (old >= kTinyConstant ? change > kActivityTolerance * old : change > kTinyConstant) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool solveBalanceStep(std::array<std::array<double, 3>, 3> j, std::array<double, 3> r,
                      std::array<double, 3>& d) {
  for (std::size_t k = 0; k < 3; ++k) {
    std::size_t pivot = k;
    for (std::size_t i = k + 1; i < 3; ++i) {
      if (std::fabs(j[i][k]) > std::fabs(j[pivot][k])) pivot = i;
    }
    std::swap(j[k], j[pivot]);
    std::swap(r[k], r[pivot]);
    // A zero or non-finite pivot (a NaN never wins the search above) leaves no step.
    if (j[k][k] == 0.0 || !std::isfinite(j[k][k])) return false;
    for (std::size_t i = k + 1; i < 3; ++i) {
      const double f = j[i][k] / j[k][k];
      for (std::size_t c = k; c < 3; ++c) j[i][c] -= f * j[k][c];
      r[i] -= f * r[k];
    }
  }
  std::array<double, 3> step{};
  for (std::size_t k = 3; k-- > 0;) {
    double sum = -r[k];
    for (std::size_t c = k + 1; c < 3; ++c) sum -= j[k][c] * step[c];
    step[k] = sum / j[k][k];
    if (!std::isfinite(step[k])) return false;
  }
  d = step;
  return true;
}

void GPSWAT(double n, double c, std::span<const double> ke, double s1, double s3, double s15,
            double& s4, double& s9) {
  const double d1 = 1.0 + ke[1] * s1 / s3;
  const double d2 = ke[6] * (s3 / s1 + ke[7]) / s15;
  const double d3 = ke[6] * ke[8] / (s1 * s15);
  const double d4 = 1.0 + (ke[5] * s3 / s1 + ke[4]) * s3 / s15;
  if (n == 0.0 && c == 0.0) {
    s4 = s9 = 0.0;
    return;
  }
  if (n * c <= 0.0) {
    if (n <= 0.0) {
      s4 = 0.0;
      s9 = c / d4;
    } else {
      s4 = n / d1;
      s9 = 0.0;
    }
    return;
  }
  // Newton on f(s4) = C A/D + d1 s4 - N, A = 2 d3 s4^2 + d2 s4, D = d3 s4^2 + d2 s4 + d4.
  s4 = n / d1;
  double dd = 0.0;
  for (int step = 1;; ++step) {
    if (step > kAmmoniaSteps) services::MSGABT(kMessageSourNewton, "GPSWAT");
    const double a = 2.0 * d3 * s4 * s4 + d2 * s4;
    dd = d3 * s4 * s4 + d2 * s4 + d4;
    const double f = a * c / dd + d1 * s4 - n;
    const double slope = ((4.0 * d3 * s4 + d2 - a * a / (s4 * dd)) * c) / dd + d1;
    const double change = std::clamp(f / slope, -0.5 * s4, 0.5 * s4);
    s4 -= change;
    if (std::fabs(change / s4) < kAmmoniaTolerance) break;
  }
  s9 = c / dd;
}

void EQPH(bool firstPass, const SourWaterBlock& block, double t, SourWaterWork& work) {
  SourWaterConstants& kept = sourWaterConstants;
  std::int32_t first = 0;
  services::INIDAT(kept.onceKey, first);
  if (first != 0) {
    kept.lastTemperature = -1.0;
    kept.effectiveSet = false;
  }

  // Step 9 when the temperature has moved.
  const SourWaterBlock::Offsets& o = block.offsets();
  if (std::fabs(t - kept.lastTemperature) >= kTemperatureStep) {
    SWKEQ(t, block.reactions(o.heatCapacity()), block.reactions(o.square()),
          block.reactions(o.enthalpy()), block.reactions(o.water()), block.reactions(o.entropy()),
          kept.lnK, kept.standard);
    kept.lastTemperature = t;
  }

  // Step 10 on the first pass of a K-value call; else the last pass's constants.
  const std::int32_t n = block.n();
  Constants& ke = kept.effective;
  if (firstPass || !kept.effectiveSet) SWACTC(work, n, kept.standard, ke);

  const Totals tt = totalsOf(work);
  Species s{};
  for (int pass = 1;; ++pass) {
    if (pass >= kActivityPasses) {
      kept.effectiveSet = false;
      notSettled("EQPH", pass);
    }
    // Steps 11-13: the speciation at the current constants.
    SWSPCN(tt, ke, s);
    balance(tt, ke, s);
    fractions(s, n, work);
    // Steps 14-16: activity coefficients and the constants they give.
    const Constants before = ke;
    SWCORR(block, t, work);
    SWGAMA(block, t, kept.standard, work, ke);
    work.passes = pass;
    if (settled(before, ke)) break;
  }
  kept.effectiveSet = true;
}

void evaluateSourWaterModel(bool firstPass, const SourWaterBlock& block, double t, double p,
                            SourWaterWork& work) {
  SWSPEC(block, t, work);
  SWPHIV(block, p, t,
         std::span<const double>(work.vapour).first(static_cast<std::size_t>(block.n())), work);
  EQPH(firstPass, block, t, work);
}

}  // namespace equilibrium
