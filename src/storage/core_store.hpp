// The core store: the one work memory of the system, a run of 32-bit words named by index.
//
// Word k of the store is integer word k; the same 4 bytes are single-precision real k; the
// 8-byte real W(d) spans integer words 2d-1 and 2d. Words 1 to 250,000 are the static area;
// further areas lie above it in the platform's core reservation, so that every word of every
// area has an index that fits 32 bits.
//
// Blocks carry boundary tags at both ends; the free blocks form an AVL tree keyed by
// length, threaded through their own words. All gets and frees go through the typed array
// routines (ICMGTI ... CMFRED), which hand out the index of the first element less one.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "platform/core_memory.hpp"
#include "services/one_based.hpp"

namespace storage {

// Words of the static area.
inline constexpr std::int32_t kStaticWords = 250000;
// The head of the free tree: a pseudo-block of base 250,000 and length 0 whose words
// 250,001 to 250,007 follow the static area; word 250,006 holds the root.
inline constexpr std::int32_t kTreeHead = kStaticWords;
// Default words of a further area and the extra added to a large request.
inline constexpr std::int32_t kDefaultNewAreaWords = 200000;
inline constexpr std::int32_t kDefaultExtraWords = 15000;
// The static area and at most 99 further areas.
inline constexpr std::int32_t kMaxAreas = 100;
// Shortest block: four tags and six data words.
inline constexpr std::int32_t kMinBlockWords = 10;

// Word offsets from a block base b. Allocated blocks use the tags only; free blocks keep
// their tree node in words b+3 to b+7.
namespace block {
inline constexpr std::int32_t kH1 = 1;       // 0 allocated, b free
inline constexpr std::int32_t kH2 = 2;       // length
inline constexpr std::int32_t kBalance = 3;  // -1 smaller side taller, 0 even, +1 larger
inline constexpr std::int32_t kParent = 4;   // base of the parent (kTreeHead for the root)
inline constexpr std::int32_t kSmaller = 5;  // child on the smaller-length side
inline constexpr std::int32_t kLarger = 6;   // child on the equal-or-larger-length side
inline constexpr std::int32_t kLink = 7;     // 5 or 6: the parent's word that holds b
}  // namespace block

// A checked view of COUNT 8-byte reals of the store, validated against the committed words
// once, when the store makes it; every element access is then checked against the view's
// own extent only, so that a walk over a block costs no more than the walk. A view never
// reaches outside the reals it was made for ("CM" abort "CORE INDEX OUT OF RANGE").
// Valid until the store is set up again (CMINIT).
class RealView {
 public:
  RealView() = default;
  std::size_t size() const { return count_; }
  // Real k of the view, 0-based.
  double operator[](std::size_t k) const {
    if (k >= count_) [[unlikely]]
      outside(k);
    double value;
    std::memcpy(&value, words_ + 2 * k, sizeof value);
    return value;
  }
  void set(std::size_t k, double value) const {
    if (k >= count_) [[unlikely]]
      outside(k);
    std::memcpy(words_ + 2 * k, &value, sizeof value);
  }
  // Copies the first out.size() reals of the view into OUT (all of them must lie in it).
  void copyTo(std::span<double> out) const {
    if (out.size() > count_) [[unlikely]]
      outside(out.size() - 1);
    if (!out.empty()) std::memcpy(out.data(), words_, out.size() * sizeof(double));
  }
  // Writes VALUES over the first values.size() reals of the view.
  void assign(std::span<const double> values) const {
    if (values.size() > count_) [[unlikely]]
      outside(values.size() - 1);
    if (!values.empty()) std::memcpy(words_, values.data(), values.size() * sizeof(double));
  }
  // Whether the first values.size() reals of the view hold exactly the bits of VALUES.
  bool holdsExactly(std::span<const double> values) const {
    if (values.size() > count_) return false;
    return values.empty() ||
           std::memcmp(words_, values.data(), values.size() * sizeof(double)) == 0;
  }

 private:
  friend class CoreStore;
  RealView(std::int32_t* words, std::size_t count, std::int32_t first)
      : words_(words), count_(count), first_(first) {}
  [[noreturn]] void outside(std::size_t k) const;
  std::int32_t* words_ = nullptr;
  std::size_t count_ = 0;
  std::int32_t first_ = 0;  // the 8-byte index of element 0, named in the abort
};

// CORSTO: the store's words and views. Every access is checked against the words the
// store has committed; an index outside them is the "CM" abort "CORE INDEX OUT OF RANGE".
class CoreStore {
 public:
  // The number of words of the static area in use; even, at most 250,000.
  std::int32_t size = 0;

  // Integer word k.
  std::int32_t& operator[](std::int32_t k) {
    const platform::CoreExtent& e = platform::coreExtent();
    if (k < 1 || static_cast<std::size_t>(k) > e.committed) [[unlikely]]
      outOfRange(k, 1);
    return e.base[k - 1];
  }
  // Single-precision real word k.
  float single(std::int32_t k);
  void setSingle(std::int32_t k, float value);
  // 8-byte real W(d): integer words 2d-1 and 2d.
  double real(std::int32_t d) {
    double value;
    std::memcpy(&value, realAddress(d), sizeof value);
    return value;
  }
  void setReal(std::int32_t d, double value) { std::memcpy(realAddress(d), &value, sizeof value); }
  // Integer words first to first+count-1.
  std::span<std::int32_t> words(std::int32_t first, std::int32_t count);
  // 8-byte reals W(first) to W(first+count-1), checked once.
  RealView reals(std::int32_t first, std::int32_t count);
  // Whether words first to first+count-1 all lie in committed memory.
  bool holds(std::int32_t first, std::int32_t count) const;

  // The "CM" abort "CORE INDEX OUT OF RANGE" with items INDEX and COUNT.
  [[noreturn]] static void outOfRange(std::int64_t first, std::int64_t count);

 private:
  std::int32_t* realAddress(std::int32_t d) {
    const std::int64_t first = 2 * std::int64_t{d} - 1;
    const platform::CoreExtent& e = platform::coreExtent();
    if (first < 1 || first + 1 > static_cast<std::int64_t>(e.committed)) [[unlikely]] {
      outOfRange(first, 2);
    }
    return e.base + (first - 1);
  }
};
extern CoreStore CORSTO;

// CMCTL: the control words of the core store.
struct CoreControl {
  std::int32_t newAreaWords = kDefaultNewAreaWords;
  std::int32_t extraWords = kDefaultExtraWords;
  std::int32_t areaCount = 0;
  services::OneBased<std::int32_t, kMaxAreas> areaSize;        // 0 for the static area
  services::OneBased<std::int32_t, kMaxAreas> areaAddress;     // first word index; 0 static
  services::OneBased<std::int32_t, kMaxAreas> areaFirstBase;   // first block base
  services::OneBased<std::int32_t, kMaxAreas> areaLastUsable;  // last usable word
};
extern CoreControl CMCTL;

// Sets up the store for a run: the static area of NSIZE words (0 or less: 250,000) as one
// free block, the new-area and extra sizes (0 or less: the defaults), and no further
// area; the further areas of an earlier run go back to the platform.
void CMINIT(std::int32_t nsize, std::int32_t newsiz, std::int32_t extra);

// Gets a block of at least N words, tags included; P = its base. SOFT 0 aborts when no
// block can be had ("INSUFFICIENT STORAGE AVAILABLE FOR GET"); any other SOFT gives P = 0
// and leaves the store unchanged.
void CMGET(std::int32_t n, std::int32_t soft, std::int32_t& p);

// Frees the allocated block of base P, merging it with free neighbours.
void CMFREE(std::int32_t p);

// Takes a free block of at least L words from the tree, splitting off a rest of more than
// ten words; P = its base or 0. AVAIL is always 0.
void CMFIND(std::int32_t l, std::int32_t& p, std::int32_t& avail);

// Checks the allocated tags of the block of base P and returns its length; aborts with
// "BAD STARTING ADDRESS POINTER" when they are not those of an allocated block.
void CMCHEK(std::int32_t p, std::int32_t& len);

// Free-tree maintenance.
void CMTINS(std::int32_t b);
void CMTDEL(std::int32_t b);
void CMTBAL(std::int32_t b, std::int32_t side, std::int32_t change);
void CMTROT(std::int32_t b, std::int32_t& top, std::int32_t& change);

// A further area of S words from the platform: B = its base index, ADDRESS its first word,
// both 0 when refused.
void CMNEWA(std::int32_t s, std::int32_t& address, std::int32_t& b);
void CMALOC(std::int32_t words, std::int32_t& address);

// ---------------------------------------------------------------------------------------
// Typed arrays and index conversion
// ---------------------------------------------------------------------------------------

// Fill digit of a get's option word: 10*A + F.
enum class Fill : std::int32_t { None = 0, Zeros = 1, Missing = 2 };

// An integer (or single-precision) array of N elements: elements are words R+1 to R+N.
// Returns 0 for N < 1 or, when the tens digit of IOPT is not 0, when no store is left.
std::int32_t ICMGTI(std::int32_t n, std::int32_t iopt);
// An 8-byte array of N elements: elements are W(D+1) to W(D+N).
std::int32_t ICMGTR(std::int32_t n, std::int32_t iopt);
std::int32_t ICMGTD(std::int32_t n, std::int32_t iopt);

// Frees what the get of the same kind returned; the pointer becomes NOCORE.
void CMFREI(std::int32_t& r);
void CMFRER(std::int32_t& d);
void CMFRED(std::int32_t& d);

// 8-byte index to integer index: 2d.
std::int32_t IPDTOI(std::int32_t d);
std::int32_t IPDTI2(std::int32_t d);
// Integer index to the 8-byte index whose real contains it: n/2 rounded up.
std::int32_t IPITOD(std::int32_t n);
std::int32_t IPITD2(std::int32_t n);
std::int32_t IPITD3(std::int32_t n);
// Integer index to single-precision index: unchanged.
std::int32_t IPITOR(std::int32_t n);
std::int32_t IPITR2(std::int32_t n);

}  // namespace storage
