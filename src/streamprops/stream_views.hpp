// Checked views of a current stream's main record for the routines that assemble streams
// from unit data: the 95 header reals and the four component vectors, each checked once
// when the view is made. Private to the stream-property layer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "problem/problem.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace streamprops {

// Header reals of the main record by number (1-based).
namespace header {
inline constexpr std::int32_t kCount = 95;
inline constexpr std::int32_t kTemperature = 1;
inline constexpr std::int32_t kPressure = 2;
inline constexpr std::int32_t kVapourCarried = 3;  // the tray's vapour value
inline constexpr std::int32_t kLiquidCarried = 4;  // the tray's liquid value
inline constexpr std::int32_t kRate = 11;
inline constexpr std::int32_t kEnthalpy = 12;
inline constexpr std::int32_t kWaterFraction = 14;
inline constexpr std::int32_t kWaterEnthalpy = 15;
inline constexpr std::int32_t kWaterTerm1 = 17;
inline constexpr std::int32_t kWaterTerm2 = 18;
inline constexpr std::int32_t kVapourFraction = 19;
inline constexpr std::int32_t kVapourEnthalpy = 20;
inline constexpr std::int32_t kVapourHeatCapacity = 22;
inline constexpr std::int32_t kLiquidFraction = 25;
inline constexpr std::int32_t kLiquidEnthalpy = 26;
inline constexpr std::int32_t kLiquidHeatCapacity = 28;
inline constexpr std::int32_t kSolidFraction = 31;
inline constexpr std::int32_t kSolidEnthalpy = 32;
inline constexpr std::int32_t kSolidWord34 = 34;
inline constexpr std::int32_t kMassRate = 35;
inline constexpr std::int32_t kMassEnthalpy = 36;
inline constexpr std::int32_t kMassWord38 = 38;
}  // namespace header

// The component vectors (0-based in StreamViews::vectors).
enum class Vector : std::size_t { Whole = 0, Vapour = 1, Liquid = 2, Solid = 3 };

// Integer words of the main record.
inline constexpr std::int32_t kMethodSetWord = 20;
inline constexpr std::int32_t kMainIntegerWords = 46;

// COHDR words read here.
namespace counts {
inline constexpr std::size_t kComponents = 2;       // NCOMP
inline constexpr std::size_t kMolar = 3;            // NCMOL: the molar components
inline constexpr std::size_t kStream = 4;           // NCSTR: length of the vectors
inline constexpr std::size_t kFirstMolarSolid = 7;  // W: the molar solids follow entry W
inline constexpr std::size_t kMolarSolids = 30;
inline constexpr std::size_t kMassSolids = 31;
}  // namespace counts

struct StreamViews {
  storage::RealView header;
  std::array<storage::RealView, 4> vectors;

  double get(std::int32_t k) const { return header[static_cast<std::size_t>(k - 1)]; }
  void set(std::int32_t k, double value) const {
    header.set(static_cast<std::size_t>(k - 1), value);
  }
  const storage::RealView& vector(Vector v) const { return vectors[static_cast<std::size_t>(v)]; }
};

// The views of the stream current in pointer set SET (1 or 2), the vectors NCSTR long.
inline StreamViews streamViews(const problem::StreamPointers& set) {
  const std::int32_t ncstr = problem::COHDR(counts::kStream);
  StreamViews views;
  views.header = storage::CORSTO.reals(set.realSector1 + 1, header::kCount);
  for (std::size_t v = 0; v < views.vectors.size(); ++v) {
    views.vectors[v] = storage::CORSTO.reals(set.realSectors[v] + 1, ncstr);
  }
  return views;
}

// A ratio whose denominator is not positive is the missing value, never inf or NaN.
inline double ratioOrMissing(double numerator, double denominator) {
  return denominator > 0.0 ? numerator / denominator : services::DMISS;
}

}  // namespace streamprops
