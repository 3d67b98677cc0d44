// Global tables GOM, BP, NC and RG of the problem database.
#include <algorithm>
#include <array>
#include <cstdint>

#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::NOCORE;

constexpr IndexShape kGomIndex{6, 20, 1, 100, 2};
constexpr IndexShape kBpIndex{6, 12, 0, 10, 2};
constexpr IndexShape kNcIndex{6, 12, 1, 20, 5};
constexpr IndexShape kRgIndex{6, 12, 0, 10, 1};

// Words of a GOM entry's core area before its sub-block.
constexpr std::int32_t kGomHeadWords = 16;
constexpr std::int32_t kGomChangeWord = 4;
constexpr std::int32_t kGomLengthWord = 6;
constexpr std::int32_t kGomPointerWord = 7;

// The effective BP values when the stored ones are missing.
constexpr std::array<std::int32_t, 7> kBpIntegerDefaults{3, 3, 1, 0, 2, 2, 0};
constexpr std::array<double, 2> kBpRealDefaults{1.0, 98.0};
constexpr std::string_view kNoBpEntry = "$NONAME";

}  // namespace

// ---------------------------------------------------------------------------------------
// GOM
// ---------------------------------------------------------------------------------------

void DBRGOM(std::int32_t mblen, MasterBlock mb) {
  GomTable& gom = DBHNDL.gom;
  readShortcut(mblen, mb, "GOM", gom.shortcut);
  openIndex(gom.index, kGomIndex, gom.shortcut.pointerAt(1));
  gom.count = 0;
  gom.loaded.fill(0);
}

void DBWGM1(std::int32_t n) {
  GomTable& gom = DBHNDL.gom;
  for (std::int32_t k = 1; k <= std::min(n, kGomEntries); ++k) {
    const std::int32_t e = gom.writeOrder(static_cast<std::size_t>(k));
    if (e < 1 || e > kGomEntries) continue;
    const auto entry = static_cast<std::size_t>(e);
    if (gom.loaded(entry) == 0) continue;
    std::int32_t area = gom.core(entry) - kGomHeadWords;
    if (storage::CORSTO[area + kGomChangeWord] > 0) {
      storage::DiskPointer pointer{};
      for (std::int32_t w = 1; w <= 9; ++w) {
        storage::dp(pointer, w) = storage::CORSTO[area + kGomPointerWord + w - 1];
      }
      std::int32_t status = 0;
      storage::SBWTC(storage::CORSTO[area + kGomLengthWord], gom.core(entry), pointer, status);
      if (status == storage::kPointerChanged) {
        // The entry takes its moved pointer; its name and data word stay.
        services::FixedText<20> name;
        std::array<std::int32_t, 1> data{};
        storage::DiskPointer old{};
        std::int32_t got = 0;
        storage::FBINUM(1, gom.index, gom.entry(entry), name, old, data, got);
        storage::FBINUM(2, gom.index, gom.entry(entry), name, pointer, data, got);
      }
    }
    storage::CMFREI(area);
    gom.loaded(entry) = 0;
  }
}

void DBWGOM(std::int32_t mblen, MasterBlock mb) {
  GomTable& gom = DBHNDL.gom;
  for (std::int32_t e = 1; e <= kGomEntries; ++e) {
    gom.writeOrder(static_cast<std::size_t>(e)) = e;
  }
  DBWGM1(kGomEntries);
  closeIndex(gom.index, gom.shortcut.pointerAt(1));
  gom.shortcut.masterValue = 1;
  writeShortcut(mblen, mb, "GOM", gom.shortcut);
}

// ---------------------------------------------------------------------------------------
// BP
// ---------------------------------------------------------------------------------------

void DBLBP() {
  BpTable& bp = DBHNDL.bp;
  BpValues& values = DBGLOB.bpvals;
  for (std::size_t k = 1; k <= kBpIntegerDefaults.size(); ++k) {
    values.integers(k) = kBpIntegerDefaults[k - 1];
  }
  for (std::size_t k = 1; k <= kBpRealDefaults.size(); ++k) values.reals(k) = kBpRealDefaults[k - 1];
  // A table without its value sub-block keeps the defaults.
  if (!bp.values.held()) return;
  storage::SBSETC(bp.values.length, bp.values.core);
  const auto& current = storage::SBCUR;
  const auto sector = [&](storage::SectorKind kind, std::int32_t s) {
    return current.count(kind) >= s ? current.pointer(kind, s) : NOCORE;
  };
  const std::int32_t stored = sector(storage::SectorKind::Integer, 1);
  const std::int32_t effective = sector(storage::SectorKind::Integer, 2);
  const std::int32_t storedReals = sector(storage::SectorKind::Real, 1);
  const std::int32_t effectiveReals = sector(storage::SectorKind::Real, 2);
  for (std::int32_t k = 1; k <= 7; ++k) {
    if (stored == NOCORE || current.length(storage::SectorKind::Integer, 1) < k) break;
    const std::int32_t value = storage::CORSTO[stored + k];
    const std::int32_t chosen =
        value == services::IMISS ? kBpIntegerDefaults[static_cast<std::size_t>(k - 1)] : value;
    if (effective != NOCORE && current.length(storage::SectorKind::Integer, 2) >= k) {
      storage::CORSTO[effective + k] = chosen;
    }
    values.integers(static_cast<std::size_t>(k)) = chosen;
  }
  for (std::int32_t k = 1; k <= 2; ++k) {
    if (storedReals == NOCORE || current.length(storage::SectorKind::Real, 1) < k) break;
    const double value = storage::CORSTO.real(storedReals + k);
    const double chosen =
        value <= services::RMISS ? kBpRealDefaults[static_cast<std::size_t>(k - 1)] : value;
    if (effectiveReals != NOCORE && current.length(storage::SectorKind::Real, 2) >= k) {
      storage::CORSTO.setReal(effectiveReals + k, chosen);
    }
    values.reals(static_cast<std::size_t>(k)) = chosen;
  }
}

void DBRBP(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  BpTable& bp = DBHNDL.bp;
  readShortcut(mblen, mb, "BP", bp.shortcut);
  readHeld(bp.values, bp.shortcut.pointerAt(2));
  DBLBP();
  openIndex(bp.index, kBpIndex, bp.shortcut.pointerAt(1));
  bp.second = HeldBlock{};
  bp.currentEntry.assign(kNoBpEntry);
}

void DBWBP(std::int32_t mblen, MasterBlock mb) {
  BpTable& bp = DBHNDL.bp;
  writeHeld(bp.values, bp.shortcut.pointerAt(2));
  releaseHeld(bp.second);
  closeIndex(bp.index, bp.shortcut.pointerAt(1));
  writeShortcut(mblen, mb, "BP", bp.shortcut);
}

void DBXBP() {
  BpTable& bp = DBHNDL.bp;
  releaseHeld(bp.values);
  releaseHeld(bp.second);
  clearIndex(bp.index);
}

// ---------------------------------------------------------------------------------------
// NC
// ---------------------------------------------------------------------------------------

void DBRNC(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  NcTable& nc = SLOTCT.nc;
  readShortcut(mblen, mb, "NC", nc.shortcut);
  openIndex(nc.index, kNcIndex, nc.shortcut.pointerAt(1));
  createSlots(nc.slots, 2, 2, 20, opt);
  SPCUR.item = 0;
}

void DBHNC() { writeBackSlots(SLOTCT.nc.index, SLOTCT.nc.slots); }

void DBWNC(std::int32_t mblen, MasterBlock mb) {
  NcTable& nc = SLOTCT.nc;
  DBHNC();
  killSlots(nc.slots);
  closeIndex(nc.index, nc.shortcut.pointerAt(1));
  writeShortcut(mblen, mb, "NC", nc.shortcut);
}

void DBXNC() {
  NcTable& nc = SLOTCT.nc;
  killSlots(nc.slots);
  clearIndex(nc.index);
}

// ---------------------------------------------------------------------------------------
// RG
// ---------------------------------------------------------------------------------------

void DBRRG(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  RgTable& rg = DBHNDL.rg;
  readShortcut(mblen, mb, "RG", rg.shortcut);
  openIndex(rg.indexes[0], kRgIndex, rg.shortcut.pointerAt(1));
  openIndex(rg.indexes[1], kRgIndex, rg.shortcut.pointerAt(2));
}

void DBWRG(std::int32_t mblen, MasterBlock mb) {
  RgTable& rg = DBHNDL.rg;
  closeIndex(rg.indexes[0], rg.shortcut.pointerAt(1));
  closeIndex(rg.indexes[1], rg.shortcut.pointerAt(2));
  writeShortcut(mblen, mb, "RG", rg.shortcut);
}

}  // namespace problem
