// Test support of the sour-water model: a method-510 coefficient block of water, ammonia,
// carbon dioxide and hydrogen sulphide (optionally methane) built from published data, and
// liquids given by molalities.
#pragma once

#include <cstdint>
#include <vector>

#include "thermo/equilibrium/equilibrium.hpp"

namespace sour_test {

// Molar amount of water in 1 kg.
inline constexpr double kWaterPerKg = 55.508;
inline constexpr double kR = 1.987;  // cal/(mol K), as the model's constants

// Standard reaction properties at 298.15 K in cal/mol and cal/(mol K).
struct Reaction {
  double dH = 0.0;
  double dS = 0.0;
  double dCp = 0.0;
};
Reaction operator+(Reaction a, Reaction b);
Reaction operator-(Reaction a, Reaction b);
// The properties of ln K = A/T + B ln T + C T + D at 298.15 K.
Reaction fromCorrelation(double a, double b, double c, double d);
// A temperature-independent ln K.
Reaction constantLnK(double lnK);

// The block's data, editable by a test before it builds the block.
struct BlockData {
  std::int32_t n = 4;
  std::vector<double> reals;
  // Offsets of the layout.
  equilibrium::SourWaterBlock::Offsets at() const { return {static_cast<std::size_t>(n)}; }
  double& molecule(std::size_t offset, std::int32_t i) {
    return reals[offset + static_cast<std::size_t>(i - 1)];
  }
  double& pair(std::size_t offset, std::int32_t i, std::int32_t j) {
    return reals[offset + static_cast<std::size_t>((j - 1) * n + (i - 1))];
  }
  void setReaction(std::int32_t j, const Reaction& r);
  Reaction reaction(std::int32_t j) const;
  equilibrium::SourWaterBlock view() const { return {reals, n}; }
};

// The published block; with METHANE a fifth molecule that takes part in the molecular terms.
BlockData publishedBlock(bool methane = false);

// Reactions 8 and 9 with constants that make carbamic acid and urea a visible part of the
// carbamate (values chosen for the balance tests, not from a source).
void activateCarbamicAcidAndUrea(BlockData& data);

// Gathered liquid fractions of 1 kg of water with the molalities (mol/kg) of ammonia, carbon
// dioxide, hydrogen sulphide and, for a fifth molecule, methane.
void setLiquid(equilibrium::SourWaterWork& work, std::int32_t n, double ammonia, double carbon,
               double sulphur, double methane = 0.0);

// A fresh start: messages, and the once-only registry reset so that the model's constants
// count as never evaluated.
void startModel();

// pH = -log10(a_H), a_H = gamma_H m_H with the molality m_H = x_H/x_water 55.508.
double pH(const equilibrium::SourWaterWork& work);
// Molality of a true fraction.
double molality(const equilibrium::SourWaterWork& work, double fraction);

}  // namespace sour_test
