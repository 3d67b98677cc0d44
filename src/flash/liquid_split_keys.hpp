// Private to the liquid-liquid split: the arguments both split routines hand to KCLLIQ, the
// key seeds, the choice of the key pair and the trace lines.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace flash::liquid_split {

// A component takes part in the key search and in the traces above this feed fraction.
inline constexpr double kFeedPresent = 5e-7;
// A KCLLIQ status above this one is a failure.
inline constexpr std::int32_t kLastGoodStatus = 1;

// What the split routines hand to KCLLIQ on every call; the spans hold NC values.
struct Liquids {
  std::span<std::int32_t> flags;
  std::int32_t liquidClass = 0;
  std::int32_t nc = 0;
  std::int32_t nck = 0;
  double p = 0.0;  // kPa
  double t = 0.0;  // K
  std::span<double> xl1, xl2;
  std::span<const double> y;
  std::span<double> dcoef, gl1, gl2;
  double* v1 = nullptr;
  double* v2 = nullptr;

  // KCLLIQ on XL1 and XL2 (normalised in place) with SKIP (0 both liquids, 1 liquid 1
  // unchanged, 2 liquid 2 unchanged); false when its status is above 1.
  bool evaluate(std::int32_t skip = 0);
  // DCOEF of component KEY (1-based).
  double d(std::int32_t key) const { return dcoef[static_cast<std::size_t>(key - 1)]; }
};

// EPS of the key seeds: 1e-4 for the equation-of-state class, 0.02 for the others.
double seedFraction(std::int32_t liquidClass);

// X = the seed of OWN against OTHER: 1 - EPS of OWN, EPS of OTHER, 0 elsewhere.
void seed(std::span<double> x, std::int32_t own, std::int32_t other, double eps);

// True when KEY names a component 1..NC.
inline bool isComponent(std::int32_t key, std::int32_t nc) { return key >= 1 && key <= nc; }

// The two ways of choosing the key pair.
enum class KeyRule {
  Split,       // TLSPLT: all four ratios of a pair; the partner of two components at once;
               // an alternative partner kept for the retry
  ThreePhase,  // FLAS3L: DCOEF_i and 1/DCOEF_j of a pair; KCLLIQ for every partner
};

// What the key choice found.
struct KeyChoice {
  bool abandoned = false;   // no first key, or KCLLIQ failed during the search
  bool chosenHere = false;  // at least one key was chosen
  bool bothChosen = false;  // both keys were chosen
  std::int32_t partner = 0;
  std::int32_t alternative = 0;  // KeyRule::Split only; 0 when none
};

// Chooses the keys that are 0 (both liquids cleared first), from trial distribution
// coefficients of seed liquids:
//   1. the first key k1: with no key given, over the pairs i < j present in the feed the
//      component with the largest ratio (start 1.0, strictly larger wins); else the given
//      key (L2KEY when it is set);
//   2. its partner: over the other present components, the smallest DCOEF_i below 1.0; the
//      alternative partner the smallest DCOEF_i / z_i below 2e6;
//   3. L1KEY = partner when k1 is the given L2KEY, else L1KEY = k1 and L2KEY = partner; with
//      START set the liquids are given back from the work copies.
// With both keys given nothing is done. Without a first key, or when KCLLIQ fails, the
// search is abandoned with the keys as given; a partner key left 0 means no partner.
KeyChoice chooseKeys(Liquids& liquids, KeyRule rule, std::span<const double> z, std::int32_t& l1key,
                     std::int32_t& l2key, std::int32_t start, std::span<const double> work1,
                     std::span<const double> work2);

// Trace lines on UNIT: one line of text, and the component tables (only the components
// present in the feed).
void traceLine(std::int32_t unit, std::string_view text);
void traceKeys(std::int32_t unit, std::string_view opening, double p, double t, std::int32_t l1key,
               std::int32_t l2key, std::span<const double> z);
void traceKeyChange(std::int32_t unit, std::int32_t l1key, std::int32_t l2key);
void traceLiquids(std::int32_t unit, std::string_view header, const Liquids& liquids,
                  std::span<const double> z);

}  // namespace flash::liquid_split
