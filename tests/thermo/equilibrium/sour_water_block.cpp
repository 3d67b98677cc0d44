// The published sour-water test block. Sources:
// - Equilibrium constants: T. J. Edwards, G. Maurer, J. Newman, J. M. Prausnitz, "Vapor-liquid
//   equilibria in multicomponent aqueous solutions of volatile weak electrolytes", AIChE J.
//   24 (1978) 966-976, ln K = A/T + B ln T + C T + D on the molality scale, converted to
//   dH, dS and dCp at 298.15 K.
// - Henry constants: the same paper's correlations for ammonia, carbon dioxide and hydrogen
//   sulphide (ln H = A/T + B ln T + C T + D, kg atm/mol, times 55.51 to the mole-fraction
//   scale), fitted for these tests with the model's form ln(H/Pw) = tau^c (a/T + b) between
//   0 and 150 C (largest deviation 2 % for ammonia, whose constant the model replaces by its
//   own correlation, 0.3 % for carbon dioxide, 3 % for hydrogen sulphide).
// - Critical constants: R. C. Reid, J. M. Prausnitz, B. E. Poling, "The Properties of Gases
//   and Liquids", 4th ed. (1987), Appendix A (bar converted to atm); the critical volumes
//   serve as the virial size parameters.
// The virial coefficients a, b', c and w, the reference volumes of the solutes, the mixing
// coefficients and methane's Henry coefficients are plausible test values, not fitted data:
// the tests that depend on them check identities and trends only.
#include "sour_water_block.hpp"

#include <cmath>
#include <cstdint>
#include <vector>

#include "services/services.hpp"

namespace sour_test {
namespace {

constexpr double kT0 = 298.15;

// Edwards et al. (1978), ln K = A/T + B ln T + C T + D.
struct Correlation {
  double a, b, c, d;
};
constexpr Correlation kWaterIonisation{-13445.9, -22.4773, 0.0, 140.932};
constexpr Correlation kAmmoniaHydrolysis{-3335.7, 1.4971, -0.0370566, 2.76};
constexpr Correlation kCarbonDioxide1{-12092.1, -36.7816, 0.0, 235.482};
constexpr Correlation kBicarbonate{-12431.7, -35.4819, 0.0, 220.067};
constexpr Correlation kHydrogenSulphide1{-12995.4, -33.5471, 0.0, 218.599};

Reaction of(const Correlation& c) { return fromCorrelation(c.a, c.b, c.c, c.d); }

struct Molecule {
  double tc;     // K
  double pcBar;  // bar
  double vc;     // cm3/mol: virial size parameter
  double mass;   // g/mol: the molecule coefficient M
  double vref;   // cm3/mol
  double henryA, henryB, henryC;
  double virialA, virialB, virialC, third;
};
// Water's Henry constant is its vapour pressure (a = b = 0).
const Molecule kMolecules[] = {
    {647.3, 221.2, 57.1, 18.015, 18.07, 0.0, 0.0, 1.0, 610.0, -228.0, 1.0, 0.05},
    {405.5, 113.5, 72.5, 17.031, 24.5, 521.990, 1.48024, 0.32, 60.0, -95.0, 1.0, 0.0},
    {304.1, 73.8, 93.9, 44.010, 35.0, -469.969, 11.4955, 0.57, 80.0, -40.0, 1.5, 0.0},
    {373.2, 89.4, 98.6, 34.082, 35.0, -109.400, 9.20275, 0.63, 70.0, -60.0, 1.2, 0.0},
    {190.4, 46.0, 99.2, 16.043, 37.0, -500.0, 12.0, 0.5, 60.0, -25.0, 1.5, 0.0},
};
// Ion charges: hydrogen, hydroxide, ammonium, bisulphide, sulphide, bicarbonate, carbonate,
// carbamate; the ninth place is empty.
constexpr double kCharges[] = {1.0, -1.0, 1.0, -1.0, -2.0, -1.0, -2.0, -1.0, 0.0};

}  // namespace

Reaction operator+(Reaction a, Reaction b) { return {a.dH + b.dH, a.dS + b.dS, a.dCp + b.dCp}; }
Reaction operator-(Reaction a, Reaction b) { return {a.dH - b.dH, a.dS - b.dS, a.dCp - b.dCp}; }

// d ln K/dT = dH/(R T^2): dH = R (-A + B T + C T^2); dCp = d(dH)/dT; dS = dH/T + R ln K.
Reaction fromCorrelation(double a, double b, double c, double d) {
  Reaction r;
  r.dH = kR * (-a + b * kT0 + c * kT0 * kT0);
  r.dCp = kR * (b + 2.0 * c * kT0);
  const double lnK = a / kT0 + b * std::log(kT0) + c * kT0 + d;
  r.dS = r.dH / kT0 + kR * lnK;
  return r;
}

Reaction constantLnK(double lnK) { return {0.0, kR * lnK, 0.0}; }

void BlockData::setReaction(std::int32_t j, const Reaction& r) {
  const auto o = at();
  const auto k = static_cast<std::size_t>(j - 1);
  reals[o.enthalpy() + k] = r.dH;
  reals[o.entropy() + k] = r.dS;
  reals[o.heatCapacity() + k] = r.dCp;
}

Reaction BlockData::reaction(std::int32_t j) const {
  const auto o = at();
  const auto k = static_cast<std::size_t>(j - 1);
  return {reals[o.enthalpy() + k], reals[o.entropy() + k], reals[o.heatCapacity() + k]};
}

BlockData publishedBlock(bool methane) {
  BlockData data;
  data.n = methane ? 5 : 4;
  const auto o = data.at();
  data.reals.assign(o.length(), 0.0);
  for (std::int32_t i = 1; i <= data.n; ++i) {
    const Molecule& m = kMolecules[i - 1];
    data.molecule(o.criticalTemperature(), i) = m.tc;
    data.molecule(o.criticalPressure(), i) = m.pcBar / 1.01325;
    data.molecule(o.size(), i) = m.vc;
    data.molecule(o.third(), i) = m.third;
    data.molecule(o.molecule(), i) = m.mass;
    data.molecule(o.virialA(), i) = m.virialA;
    data.molecule(o.virialB(), i) = m.virialB;
    data.molecule(o.virialC(), i) = m.virialC;
    data.molecule(o.referenceVolume(), i) = m.vref;
    data.molecule(o.henryA(), i) = m.henryA;
    data.molecule(o.henryB(), i) = m.henryB;
    data.molecule(o.henryC(), i) = m.henryC;
  }
  for (std::int32_t k = 1; k <= 9; ++k) data.molecule(o.charge(), k) = kCharges[k - 1];
  data.molecule(o.neutralVolume(), 1) = 40.0;
  data.molecule(o.neutralVolume(), 2) = 45.0;

  // The nine reactions from the published constants:
  // K1 water; K1 K2 the ammonia hydrolysis; K3 = Ka1(H2S)/Kw; K4 = Ka2(HS-)/Kw;
  // K5 = Ka1(CO2)/Kw; K6 = Ka2(HCO3-)/Kw; K7 K8 = Kc K5 with Kc the carbamate formation
  // constant of NH3 + HCO3- = NH2COO- + H2O; K8 = Kw/Ka of carbamic acid; K0,9 = K9/K8.
  const Reaction water = of(kWaterIonisation);
  data.setReaction(1, water);
  data.setReaction(2, of(kAmmoniaHydrolysis) - water);
  data.setReaction(3, of(kHydrogenSulphide1) - water);
  // The second dissociation of hydrogen sulphide: pK = 17, temperature independent (modern
  // values lie between 17 and 19; sulphide is a trace species in every state tested).
  data.setReaction(4, constantLnK(-17.0 * std::log(10.0)) - water);
  const Reaction co2 = of(kCarbonDioxide1) - water;
  data.setReaction(5, co2);
  data.setReaction(6, of(kBicarbonate) - water);
  // Carbamate formation: K = 3 kg/mol at 25 C with dH = -24 kJ/mol, of the size found in
  // the literature (the tests that use carbamate check identities and trends only).
  const Reaction carbamate{-5750.0, -5750.0 / kT0 + kR * std::log(3.0), 0.0};
  // Carbamic acid and urea switched off: Ka(carbamic acid) = 1, K0,9 = 1e-20.
  const Reaction acid = water - constantLnK(0.0);
  data.setReaction(8, acid);
  data.setReaction(7, carbamate + co2 - acid);
  data.setReaction(9, acid + constantLnK(std::log(1e-20)));
  return data;
}

void activateCarbamicAcidAndUrea(BlockData& data) {
  const Reaction carbamate7 = data.reaction(7) + data.reaction(8);
  const Reaction acid = constantLnK(std::log(1e-5 * 55.49));  // K0,8 = 1e-5
  data.setReaction(8, acid);
  data.setReaction(7, carbamate7 - acid);
  data.setReaction(9, acid + constantLnK(std::log(1e-4)));  // K0,9 = 1e-4
}

void setLiquid(equilibrium::SourWaterWork& work, std::int32_t n, double ammonia, double carbon,
               double sulphur, double methane) {
  const double amounts[] = {kWaterPerKg, ammonia, carbon, sulphur, methane};
  double total = 0.0;
  for (std::int32_t i = 0; i < n; ++i) total += amounts[i];
  work.liquid.fill(0.0);
  for (std::int32_t i = 0; i < n; ++i)
    work.liquid[static_cast<std::size_t>(i)] = amounts[i] / total;
}

void startModel() {
  services::ERINIT();
  std::int32_t reset = -1;
  std::int32_t first = 0;
  services::INIDAT(reset, first);
}

double molality(const equilibrium::SourWaterWork& work, double fraction) {
  return fraction / work.fraction[0] * kWaterPerKg;
}

double pH(const equilibrium::SourWaterWork& work) {
  const double mH = molality(work, work.ionFraction[0]);
  return -std::log10(work.ionGamma[0] * mH);
}

}  // namespace sour_test
