// The option tables GCL, GDB, GDP, GPR, GSC, GTI and GTO of the problem database, and table
// GLOBAL. Each option table is one shortcut block read into its table copy and transferred
// into its image, where the rest of the system reads it; the writers write the table copy,
// so a value changed in an image while the problem is open does not reach the database.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::DMISS;
using services::IMISS;

// Transfer modes.
constexpr std::int32_t kNullFill = 0;
constexpr std::int32_t kImageToCopy = 1;
constexpr std::int32_t kCopyToImage = 2;

// The integers, reals and text of a table copy or of an image.
struct Parts {
  std::span<std::int32_t> integers;
  std::span<double> reals;
  std::span<char> text;
};

template <std::size_t NI, std::size_t NR, std::size_t NP, std::size_t NC>
Parts partsOf(Shortcut<NI, NR, NP, NC>& copy) {
  return Parts{copy.integers, copy.reals, copy.text.span()};
}

template <typename T>
void copyInto(std::span<const T> from, std::span<T> to) {
  std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
}

// Mode 0 fills the first half of the image's integers with IMISS and of its reals with DMISS
// and blanks its text; mode 1 copies the image into the table copy, mode 2 the table copy
// into the image; any other mode does nothing.
void transfer(std::int32_t mode, const Parts& copy, const Parts& image) {
  switch (mode) {
    case kNullFill:
      std::fill_n(image.integers.begin(), image.integers.size() / 2, IMISS);
      std::fill_n(image.reals.begin(), image.reals.size() / 2, DMISS);
      services::blankText(image.text);
      return;
    case kImageToCopy:
      copyInto<std::int32_t>(image.integers, copy.integers);
      copyInto<double>(image.reals, copy.reals);
      copyInto<char>(image.text, copy.text);
      return;
    case kCopyToImage:
      copyInto<std::int32_t>(copy.integers, image.integers);
      copyInto<double>(copy.reals, image.reals);
      copyInto<char>(copy.text, image.text);
      return;
    default:
      return;
  }
}

// Reader of an option table: the shortcut into the table copy, then the transfer (mode 2).
template <std::size_t NI, std::size_t NR, std::size_t NC>
void readOption(std::int32_t mblen, MasterBlock mb, std::string_view key,
                OptionTable<NI, NR, NC>& table, void (*transferRoutine)(std::int32_t)) {
  readShortcut(mblen, mb, key, table.copy);
  transferRoutine(kCopyToImage);
}

// The table copy and image of each table.
Parts gclCopy() { return partsOf(DBHNDL.gcl.copy); }
Parts gclImage() { return Parts{GCLTAB.integers.span(), GCLTAB.reals.span(), {}}; }
Parts gdbImage() { return Parts{GDBTAB.integers.span(), {}, {}}; }
Parts gdpImage() { return Parts{services::GDPOPT.words.span(), {}, {}}; }
Parts gprImage() { return Parts{GPRTAB.integers.span(), GPRTAB.reals.span(), GPRTAB.text}; }
Parts gscImage() {
  return Parts{services::GSCTAB.integers.span(), services::GSCTAB.reals.span(),
               services::GSCTAB.text};
}
Parts gtiImage() { return Parts{GTITAB.integers.span(), {}, GTITAB.text}; }
Parts gtoImage() { return Parts{{}, GTOTAB.reals.span(), {}}; }

}  // namespace

// ---------------------------------------------------------------------------------------
// Transfers between table copy and image. MODE (in) 0: null fill of the image's first
// half (integers IMISS, reals DMISS) and its text blank; 1: image to table copy; 2: table
// copy to image; any other value: nothing.
// ---------------------------------------------------------------------------------------

void DBTGCL(std::int32_t mode) { transfer(mode, gclCopy(), gclImage()); }
void DBTGDB(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gdb.copy), gdbImage()); }
void DBTGDP(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gdp.copy), gdpImage()); }
void DBTGPR(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gpr.copy), gprImage()); }
void DBTGSC(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gsc.copy), gscImage()); }
void DBTGTI(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gti.copy), gtiImage()); }
void DBTGTO(std::int32_t mode) { transfer(mode, partsOf(DBHNDL.gto.copy), gtoImage()); }

// ---------------------------------------------------------------------------------------
// Readers: the shortcut under the table's key of the problem master block (MBLEN words,
// image MB) into the table copy, then the transfer with mode 2. A stored part shorter than
// the table's fills only its own length. Aborts: an absent key "BLOCK IS NOT A SHORTCUT
// BLOCK"; a stored part longer than the table's the size abort of the shortcut blocks.
// ---------------------------------------------------------------------------------------

void DBRGCL(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GCL", DBHNDL.gcl, DBTGCL);
}
void DBRGDB(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GDB", DBHNDL.gdb, DBTGDB);
}
void DBRGDP(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GDP", DBHNDL.gdp, DBTGDP);
}
void DBRGPR(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GPR", DBHNDL.gpr, DBTGPR);
}
void DBRGSC(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GSC", DBHNDL.gsc, DBTGSC);
}
void DBRGTI(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GTI", DBHNDL.gti, DBTGTI);
}
void DBRGTO(std::int32_t mblen, MasterBlock mb) {
  readOption(mblen, mb, "GTO", DBHNDL.gto, DBTGTO);
}

// ---------------------------------------------------------------------------------------
// Writers: the table copy as read at open, not the image, written as the shortcut block;
// MBPUT of the key with its master-block integer when the table pointer moved.
// ---------------------------------------------------------------------------------------

void DBWGCL(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GCL", DBHNDL.gcl.copy);
}
void DBWGDB(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GDB", DBHNDL.gdb.copy);
}
void DBWGDP(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GDP", DBHNDL.gdp.copy);
}
void DBWGPR(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GPR", DBHNDL.gpr.copy);
}
void DBWGSC(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GSC", DBHNDL.gsc.copy);
}
void DBWGTI(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GTI", DBHNDL.gti.copy);
}
void DBWGTO(std::int32_t mblen, MasterBlock mb) {
  writeShortcut(mblen, mb, "GTO", DBHNDL.gto.copy);
}

// ---------------------------------------------------------------------------------------
// GLOBAL: N integers (in, at most ARRAY's length) read straight into ARRAY (out) from the
// shortcut under "GLOBAL", and written straight from ARRAY (in); the master-block integer
// and table pointer are kept in DBSESS. Aborts as the option readers.
// ---------------------------------------------------------------------------------------

void DBRGLB(std::int32_t mblen, MasterBlock mb, std::int32_t n, std::span<std::int32_t> array) {
  Shortcut<0, 0, 0, 0>& table = DBSESS.globalTable;
  const auto count = std::min(static_cast<std::size_t>(std::max(n, 0)), array.size());
  readShortcut(mblen, mb, "GLOBAL", table.masterValue, table.pointer, array.first(count), {}, {},
               {});
}

void DBWGLB(std::int32_t mblen, MasterBlock mb, std::int32_t n, std::span<std::int32_t> array) {
  Shortcut<0, 0, 0, 0>& table = DBSESS.globalTable;
  const auto count = std::min(static_cast<std::size_t>(std::max(n, 0)), array.size());
  writeShortcut(mblen, mb, "GLOBAL", table.masterValue, table.pointer, array.first(count), {}, {},
                {});
}

}  // namespace problem
