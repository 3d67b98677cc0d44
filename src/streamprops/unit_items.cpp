// Items of unit data blocks: the block loaded in the unit work area and the stored blocks
// read piecewise, the integer words of a unit (IIUGET), the data-holding unit of a side unit
// for real items (UVREAD) and the stored unit variable of an operand (UVSTOR).
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/unit_data.hpp"

namespace streamprops {
namespace {

using services::DMISS;
using services::IMISS;
using services::NOCORE;
using services::NODISK;
using storage::CORSTO;
using storage::SectorKind;

constexpr std::int32_t kRead = 1;
constexpr std::int32_t kStoredVariables = 6;  // real item of the stored unit variables
constexpr std::int32_t kControlItem = 1;
constexpr std::int32_t kPositionsWord = 10;
constexpr std::int32_t kParentWord = 94;
constexpr std::int32_t kSubUnitsItem = 3;
constexpr std::int32_t kRealsPerRead = 32;  // reals moved by one partial read

[[noreturn]] void badItem(std::int32_t unit, std::int32_t item, std::int32_t index,
                          std::string_view routine) {
  // The text of the message names the item and the index; the unit goes with the integers.
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "ITEM %d INDEX %d", static_cast<int>(item),
                static_cast<int>(index));
  services::MSGPAR.composition.assign(text.data());
  services::MSGPAR.integers(1) = unit;
  services::MSGABT(kBadUnitItem, routine);
}

bool validItem(std::int32_t item) { return item >= 1 && item <= kMaxUnitItem; }

}  // namespace

bool isLoadedUnit(std::int32_t u) { return u > 0 && problem::UNCURR.context3.unit == u; }

bool workAreaHolds(std::int32_t u) { return isLoadedUnit(u) && problem::PAUWRK.context3.unit == u; }

std::span<std::int32_t> loadedIntegers(std::int32_t item) {
  if (!validItem(item)) return {};
  const auto s = static_cast<std::size_t>(item);
  const auto& table = problem::PAUWRK.context3.integers;
  const std::int32_t start = table.pointers(s);
  const std::int32_t count = table.lengths(s);
  if (start == NOCORE || count < 1) return {};
  return CORSTO.words(start + 1, count);
}

storage::RealView loadedReals(std::int32_t item) {
  if (!validItem(item)) return {};
  const auto s = static_cast<std::size_t>(item);
  const auto& table = problem::PAUWRK.context3.reals;
  const std::int32_t start = table.pointers(s);
  const std::int32_t count = table.lengths(s);
  if (start == NOCORE || count < 1) return {};
  return CORSTO.reals(start + 1, count);
}

// ---------------------------------------------------------------------------------------
// Stored blocks
// ---------------------------------------------------------------------------------------

StoredUnitData::StoredUnitData(std::int32_t unit) : unit_(unit) {
  std::int32_t len1 = 0, adr1 = 0, used2 = 0;
  problem::UNLOC(unit, len1, adr1, used2, length_, address_);
}

bool StoredUnitData::locate(SectorKind kind, std::int32_t item, std::int32_t& count,
                            std::int32_t& offset) const {
  count = 0;
  offset = 0;
  if (address_ == NODISK || length_ < 1 || item < 1) return false;
  std::int32_t status = 0, words = 0;
  storage::SBDLOC(length_, address_, static_cast<std::int32_t>(kind), item, status, words, offset);
  if (status != 0) return false;
  count = kind == SectorKind::Real || kind == SectorKind::Double ? words / 2 : words;
  return true;
}

void StoredUnitData::missing(std::int32_t item, std::int32_t index,
                             std::string_view routine) const {
  badItem(unit_, item, index, routine);
}

std::int32_t StoredUnitData::integer(std::int32_t item, std::int32_t index,
                                     std::string_view routine) const {
  std::int32_t count = 0, offset = 0;
  if (!locate(SectorKind::Integer, item, count, offset) || index < 1 || index > count) {
    missing(item, index, routine);
  }
  std::array<std::int32_t, 1> word{};
  storage::FILPRT(kRead, word, 1, length_, address_, offset + index);
  return word[0];
}

double StoredUnitData::real(std::int32_t item, std::int32_t index, std::string_view routine) const {
  std::array<double, 1> value{};
  reals(item, index, value, routine);
  return value[0];
}

void StoredUnitData::reals(std::int32_t item, std::int32_t first, std::span<double> out,
                           std::string_view routine) const {
  if (out.empty()) return;
  std::int32_t count = 0, offset = 0;
  const auto n = static_cast<std::int64_t>(out.size());
  if (!locate(SectorKind::Real, item, count, offset) || first < 1 || first - 1 + n > count) {
    missing(item, first, routine);
  }
  // Element e of the item is words offset + 2e - 1 and offset + 2e.
  std::array<std::int32_t, 2 * kRealsPerRead> words{};
  for (std::int64_t done = 0; done < n; done += kRealsPerRead) {
    const auto chunk = static_cast<std::int32_t>(std::min<std::int64_t>(kRealsPerRead, n - done));
    const auto e = static_cast<std::int32_t>(first + done);
    storage::FILPRT(kRead, std::span(words).first(static_cast<std::size_t>(2 * chunk)), 2 * chunk,
                    length_, address_, offset + 2 * e - 1);
    for (std::int32_t i = 0; i < chunk; ++i) {
      const auto low = static_cast<std::uint32_t>(words[static_cast<std::size_t>(2 * i)]);
      const auto high = static_cast<std::uint32_t>(words[static_cast<std::size_t>(2 * i + 1)]);
      out[static_cast<std::size_t>(done + i)] =
          std::bit_cast<double>((std::uint64_t{high} << 32) | low);
    }
  }
}

bool StoredUnitData::entryPair(SectorKind kind, std::int32_t item, std::int32_t index,
                               std::int32_t& first, std::int32_t& second) const {
  std::int32_t words = 0, offset = 0;
  if (!locate(kind, item, words, offset) || index < 1) return false;
  const std::int64_t last = 2 * std::int64_t{index};
  if (last > words) return false;
  std::array<std::int32_t, 2> pair{};
  storage::FILPRT(kRead, pair, 2, length_, address_, offset + 2 * index - 1);
  first = pair[0];
  second = pair[1];
  return true;
}

// ---------------------------------------------------------------------------------------
// IIUGET, UVREAD, UVSTOR
// ---------------------------------------------------------------------------------------

void IIUGET(std::int32_t u, std::int32_t item, std::int32_t index, std::int32_t& ival,
            std::int32_t& ierr) {
  constexpr std::string_view kRoutine = "IIUGET";
  ierr = 0;
  // 1. The block in the work area.
  if (workAreaHolds(u)) {
    if (!validItem(item)) badItem(u, item, index, kRoutine);
    const std::span<std::int32_t> words = loadedIntegers(item);
    if (index < 1 || static_cast<std::size_t>(index) > words.size()) {
      badItem(u, item, index, kRoutine);
    }
    ival = words[static_cast<std::size_t>(index - 1)];
    return;
  }
  // 2. The stored block, U current in context 1 for the read.
  const std::int32_t previous = problem::UNCURR.context1.unit;
  problem::UNSETT(u);
  if (!validItem(item)) badItem(u, item, index, kRoutine);
  ival = StoredUnitData(u).integer(item, index, kRoutine);
  if (previous > 0 && previous != u) problem::UNSETT(previous);
}

void UVREAD(std::int32_t u, std::int32_t p, std::int32_t& ud, std::int32_t& pd) {
  constexpr std::string_view kRoutine = "UVREAD";
  ud = u;
  pd = p;
  if (isLoadedUnit(u)) return;
  problem::UNSETT(u);
  const std::int32_t parent = StoredUnitData(u).integer(kControlItem, kParentWord, kRoutine);
  if (parent == IMISS || parent == u || parent < 1) return;

  // The sub-units listed before U in the parent, and their positions.
  const StoredUnitData block(parent);
  std::int32_t count = 0, offset = 0;
  std::int64_t before = 0;
  if (block.locate(SectorKind::Integer, kSubUnitsItem, count, offset)) {
    std::int32_t rank = 1;
    for (std::int32_t k = 1; k <= count; ++k) {
      if (block.integer(kSubUnitsItem, k, kRoutine) == u) {
        rank = k;
        break;
      }
    }
    for (std::int32_t k = 1; k < rank; ++k) {
      const std::int32_t sub = block.integer(kSubUnitsItem, k, kRoutine);
      const std::int32_t positions =
          StoredUnitData(sub).integer(kControlItem, kPositionsWord, kRoutine);
      if (positions != IMISS) before += positions;
    }
  }
  ud = parent;
  pd = static_cast<std::int32_t>(std::clamp<std::int64_t>(p + before, INT32_MIN, INT32_MAX));
}

void UVSTOR(std::int32_t /*n*/, std::int32_t mode, std::span<const std::int32_t> oprec,
            std::int32_t /*iaux*/, double& value) {
  constexpr std::int32_t kReadVariable = 1;
  constexpr std::size_t kUnitWord = 5;
  constexpr std::size_t kPositionWord = 19;
  value = DMISS;
  if (mode != kReadVariable || oprec.size() < kPositionWord) return;
  std::int32_t ud = 0, pd = 0;
  UVREAD(oprec[kUnitWord - 1], oprec[kPositionWord - 1], ud, pd);
  if (workAreaHolds(ud)) {
    const storage::RealView reals = loadedReals(kStoredVariables);
    if (pd >= 1 && static_cast<std::size_t>(pd) <= reals.size()) {
      value = reals[static_cast<std::size_t>(pd - 1)];
    }
    return;
  }
  const StoredUnitData block(ud);
  std::int32_t count = 0, offset = 0;
  if (block.locate(SectorKind::Real, kStoredVariables, count, offset) && pd >= 1 && pd <= count) {
    value = block.real(kStoredVariables, pd, "UVSTOR");
  }
}

}  // namespace streamprops
