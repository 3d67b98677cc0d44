// The component data that the problem open loads for the thermodynamic engine: the
// component header COHDR, the sector pointers COPTRS of the component table, and the
// correlation-set list XPSETL. So far only the layouts and start values: the readers of
// the component table and of the list are not built yet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace problem {

// =======================================================================================
// COHDR: the component header, a copy of integer sector 2 of the component table's
// sub-block 3 (336 words; the words not named here are carried unchanged).
// =======================================================================================

inline constexpr std::size_t kComponentHeaderWords = 336;

namespace cohdr {
inline constexpr std::size_t kComponents = 2;        // NCOMP
inline constexpr std::size_t kAuxiliaryCount = 3;    // NCAUX
inline constexpr std::size_t kStreamComponents = 4;  // NCSTRM: length of the stream vectors
inline constexpr std::size_t kFirstOfRange = 12;     // + r: first component of range r (1-6)
inline constexpr std::size_t kLastOfRange = 18;      // + r: last component of range r (1-6)
// Range 2 holds the components that may be solid; its first is the first solid-capable one.
inline constexpr std::size_t kFirstSolidCapable = kFirstOfRange + 2;
inline constexpr std::size_t kVapourComponents = 28;  // the count of the property loops
inline constexpr std::size_t kLiquidComponents = 29;
inline constexpr std::size_t kMolarSolids = 30;  // COSW1: number of molar solids
inline constexpr std::size_t kMassSolids = 31;   // COSW2: number of mass-based solids
}  // namespace cohdr

struct ComponentHeader {
  services::OneBased<std::int32_t, kComponentHeaderWords> words;

  std::int32_t& operator()(std::size_t k) { return words(k); }
  std::int32_t operator()(std::size_t k) const { return words(k); }
};
extern ComponentHeader COHDR;

// =======================================================================================
// COPTRS: the core pointers of the component table's sectors, in the component-data area
// right after COHDR. Words 1 to 27 point to integer sectors 1 to 27 (the value of component
// i is integer word pointer + i), words 28 to 72 to real sectors 1 to 45 (the value of
// component i is the 8-byte word W(pointer + i)). The method-set loader overwrites words
// 1 to 72 with the current set's own sectors. NOCORE: the sector is not in core.
// =======================================================================================

inline constexpr std::size_t kComponentPointerWords = 153;
inline constexpr std::int32_t kIntegerSectors = 27;
inline constexpr std::int32_t kRealSectors = 45;

// Real sectors of the pure-component constants.
enum class ComponentReal : std::int32_t {
  MolecularWeight = 1,
  StandardLiquidDensity = 2,
  NormalBoilingPoint = 3,   // K
  CriticalTemperature = 5,  // K
  CriticalPressure = 6,     // kPa
  CriticalVolume = 7,       // m3/kmol
  CriticalCompressibility = 8,
  AcentricFactor = 9,
  HeatOfFormation = 17,
  FreeEnergyOfFormation = 18,
  GrossHeatingValue = 26,  // kJ/kmol, ideal gas
  NetHeatingValue = 27,    // kJ/kmol, ideal gas
};

// Integer sectors of the pure-component data.
enum class ComponentInteger : std::int32_t {
  LibraryNumber = 1,
};

struct ComponentPointers {
  ComponentPointers() { words.fill(services::NOCORE); }

  services::OneBased<std::int32_t, kComponentPointerWords> words;

  // The start of integer sector k (1-27) and of real sector k (1-45).
  std::int32_t& integerSector(std::int32_t k) { return words(static_cast<std::size_t>(k)); }
  std::int32_t integerSector(std::int32_t k) const { return words(static_cast<std::size_t>(k)); }
  std::int32_t& realSector(std::int32_t k) {
    return words(static_cast<std::size_t>(kIntegerSectors + k));
  }
  std::int32_t realSector(std::int32_t k) const {
    return words(static_cast<std::size_t>(kIntegerSectors + k));
  }
  std::int32_t& realSector(ComponentReal k) { return realSector(static_cast<std::int32_t>(k)); }
  std::int32_t realSector(ComponentReal k) const {
    return realSector(static_cast<std::int32_t>(k));
  }
  // True when the component table holds real sector k in core (a table that stops before
  // it, or a problem without pure-component data, leaves it NOCORE).
  bool inCore(ComponentReal k) const { return realSector(k) != services::NOCORE; }
};
extern ComponentPointers COPTRS;

// =======================================================================================
// XPSETL: the correlation-set list, read whole from the problem database at open. Word
// layout: 1 the count N (at most 50); 2-51 KEY(1..50) = correlation type * 1,000,000 + set
// number; 52-101 the disk address of each set's block; 102-151 its length in words;
// 152-201 its core place (NOCORE after the open, not used by the lookup); 202-251 a fifth
// array that nothing reads. The start values hold until the list is read.
// =======================================================================================

inline constexpr std::int32_t kMaxCorrelationSets = 50;
inline constexpr std::size_t kCorrelationSetListWords = 1 + 5 * kMaxCorrelationSets;
inline constexpr std::int32_t kCorrelationKeyScale = 1000000;

struct CorrelationSetList {
  CorrelationSetList() { reset(); }

  std::int32_t count = 0;
  services::OneBased<std::int32_t, kMaxCorrelationSets> keys;
  services::OneBased<std::int32_t, kMaxCorrelationSets> addresses;
  services::OneBased<std::int32_t, kMaxCorrelationSets> lengths;
  services::OneBased<std::int32_t, kMaxCorrelationSets> corePlaces;
  services::OneBased<std::int32_t, kMaxCorrelationSets> fifth;
  // Counts the changes of the list, so that a set read from the list before a change is
  // read again (the correlation routines keep the last set they read).
  std::uint32_t generation = 0;

  void changed() { ++generation; }

  // The start values: no set; keys, lengths and the fifth array IMISS, addresses NODISK,
  // core places NOCORE.
  void reset() {
    changed();
    count = 0;
    keys.fill(services::IMISS);
    addresses.fill(services::NODISK);
    lengths.fill(services::IMISS);
    corePlaces.fill(services::NOCORE);
    fifth.fill(services::IMISS);
  }
};
extern CorrelationSetList XPSETL;

// R = element I of integer sector 4 of the J-th 72-word set of component pointers (J 1:
// the component number at position I of component list 1); 0 when I or J is below 1 or
// the sector is not in core.
void SLTIDX(std::int32_t i, std::int32_t j, std::int32_t& r);

// Which component list holds the component number CODE (LIST 1 or 2) and at which position
// POS; 0 and 0 when neither does or CODE is IMISS. List 1 is searched first.
void CODLST(std::int32_t code, std::int32_t& list, std::int32_t& pos);

}  // namespace problem
