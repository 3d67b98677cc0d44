// The component counts, constants and kept scratch arrays of the transport routines.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "problem/component_data.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/pure/correlations.hpp"

namespace phase::transport {
namespace {

std::array<std::vector<double>, static_cast<std::size_t>(Scratch::Count)> arrays;
const bool kArraysReset = services::registerKeptValues([] { arrays = {}; });

std::int32_t integerConstant(std::int32_t sector, std::int32_t i) {
  const std::int32_t ptr = problem::COPTRS.integerSector(sector);
  if (ptr == services::NOCORE || i < 1) return services::IMISS;
  return storage::CORSTO[ptr + i];
}

}  // namespace

std::int32_t componentCount() { return problem::COHDR(problem::cohdr::kComponents); }
std::int32_t streamCount() { return problem::COHDR(problem::cohdr::kStreamComponents); }
std::int32_t vapourCount() { return problem::COHDR(problem::cohdr::kVapourComponents); }
std::int32_t liquidCount() { return problem::COHDR(problem::cohdr::kLiquidComponents); }

double constant(ComponentReal sector, std::int32_t i) { return pure::componentConstant(sector, i); }

std::int32_t classCode(std::int32_t i) { return integerConstant(3, i); }
std::int32_t libraryNumber(std::int32_t i) { return integerConstant(1, i); }

std::span<double> scratch(Scratch which, std::size_t n) {
  std::vector<double>& a = arrays[static_cast<std::size_t>(which)];
  if (a.size() < n) a.resize(n);
  return std::span<double>(a.data(), n);
}

}  // namespace phase::transport
