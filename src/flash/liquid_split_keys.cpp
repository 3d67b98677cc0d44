// The key pair of the liquid-liquid split and the helpers both split routines share.
#include "flash/liquid_split_keys.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "platform/platform.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"

namespace flash::liquid_split {
namespace {

constexpr double kSeedEquationOfState = 1e-4;
constexpr double kSeedOther = 0.02;
// The alternative partner: the smallest DCOEF_i / z_i below this value.
constexpr double kAlternativeLimit = 2e6;

bool present(std::span<const double> z, std::int32_t i) {
  return z[static_cast<std::size_t>(i - 1)] > kFeedPresent;
}

// The first key k1 over the component pairs; 0 when no ratio exceeds 1. FAILED is set when
// KCLLIQ fails.
std::int32_t firstKeyOfPairs(Liquids& liquids, KeyRule rule, std::span<const double> z, double eps,
                             bool& failed) {
  std::int32_t k1 = 0;
  double best = 1.0;
  const auto consider = [&](double ratio, std::int32_t component) {
    if (ratio > best) {
      best = ratio;
      k1 = component;
    }
  };
  for (std::int32_t j = 2; j <= liquids.nc; ++j) {
    if (!present(z, j)) continue;
    for (std::int32_t i = 1; i < j; ++i) {
      if (!present(z, i)) continue;
      seed(liquids.xl1, i, j, eps);
      seed(liquids.xl2, j, i, eps);
      if (!liquids.evaluate()) {
        failed = true;
        return 0;
      }
      const double di = liquids.d(i), dj = liquids.d(j);
      consider(di, i);
      if (rule == KeyRule::Split) consider(1.0 / di, i);
      if (rule == KeyRule::Split) consider(dj, j);
      consider(1.0 / dj, j);
    }
  }
  return k1;
}

}  // namespace

bool Liquids::evaluate(std::int32_t skip) {
  std::int32_t status = 0;
  equilibrium::KCLLIQ(flags, liquidClass, nc, nck, p, t, xl1, xl2, y, dcoef, gl1, gl2, *v1, *v2,
                      skip, status);
  return status <= kLastGoodStatus;
}

double seedFraction(std::int32_t liquidClass) {
  return liquidClass == 0 ? kSeedEquationOfState : kSeedOther;
}

void seed(std::span<double> x, std::int32_t own, std::int32_t other, double eps) {
  std::fill(x.begin(), x.end(), 0.0);
  x[static_cast<std::size_t>(own - 1)] = 1.0 - eps;
  x[static_cast<std::size_t>(other - 1)] = eps;
}

KeyChoice chooseKeys(Liquids& liquids, KeyRule rule, std::span<const double> z, std::int32_t& l1key,
                     std::int32_t& l2key, std::int32_t start, std::span<const double> work1,
                     std::span<const double> work2) {
  KeyChoice choice;
  if (l1key != 0 && l2key != 0) return choice;
  choice.chosenHere = true;
  choice.bothChosen = l1key == 0 && l2key == 0;
  std::fill(liquids.xl1.begin(), liquids.xl1.end(), 0.0);
  std::fill(liquids.xl2.begin(), liquids.xl2.end(), 0.0);
  const double eps = seedFraction(liquids.liquidClass);

  // 1. The first key.
  const std::int32_t given2 = l2key;
  std::int32_t k1 = l2key != 0 ? l2key : l1key;
  if (choice.bothChosen) k1 = firstKeyOfPairs(liquids, rule, z, eps, choice.abandoned);
  if (k1 == 0) choice.abandoned = true;
  if (choice.abandoned) return choice;

  // 2. Its partner: each other component seeded against it.
  double smallest = 1.0;
  double smallestPerFeed = kAlternativeLimit;
  for (std::int32_t i = 1; i <= liquids.nc; ++i) {
    if (i == k1 || !present(z, i)) continue;
    seed(liquids.xl1, k1, i, eps);
    seed(liquids.xl2, i, k1, eps);
    if (rule == KeyRule::Split && liquids.nc == 2) {
      choice.partner = i;
      break;
    }
    if (!liquids.evaluate()) {
      choice.abandoned = true;
      return choice;
    }
    const double di = liquids.d(i);
    if (di < smallest) {
      smallest = di;
      choice.partner = i;
    }
    const double perFeed = di / z[static_cast<std::size_t>(i - 1)];
    if (rule == KeyRule::Split && perFeed < smallestPerFeed) {
      smallestPerFeed = perFeed;
      choice.alternative = i;
    }
  }

  // 3. The keys.
  if (given2 != 0 && k1 == given2) {
    l1key = choice.partner;
  } else {
    l1key = k1;
    l2key = choice.partner;
  }
  if (start != 0) {
    std::copy(work1.begin(), work1.end(), liquids.xl1.begin());
    std::copy(work2.begin(), work2.end(), liquids.xl2.begin());
  }
  return choice;
}

void traceLine(std::int32_t unit, std::string_view text) { platform::writeLine(unit, text); }

void traceKeys(std::int32_t unit, std::string_view opening, double p, double t, std::int32_t l1key,
               std::int32_t l2key, std::span<const double> z) {
  char line[160];
  std::snprintf(line, sizeof line,
                " %.*s PRESSURE =%12.4f KPA, TEMPERATURE =%10.3f DEG. K, L1KEY =%4d L2KEY =%4d",
                static_cast<int>(opening.size()), opening.data(), p, t, l1key, l2key);
  traceLine(unit, line);
  traceLine(unit, " COMP   ... FEED ...");
  for (std::size_t i = 0; i < z.size(); ++i) {
    if (!(z[i] > kFeedPresent)) continue;
    std::snprintf(line, sizeof line, " %4zu %14.6E", i + 1, z[i]);
    traceLine(unit, line);
  }
}

void traceKeyChange(std::int32_t unit, std::int32_t l1key, std::int32_t l2key) {
  char line[80];
  std::snprintf(line, sizeof line, " CHANGING KEYS, L1KEY =%4d, L2KEY =%4d", l1key, l2key);
  traceLine(unit, line);
}

void traceLiquids(std::int32_t unit, std::string_view header, const Liquids& liquids,
                  std::span<const double> z) {
  traceLine(unit, header);
  char line[160];
  for (std::size_t i = 0; i < z.size(); ++i) {
    if (!(z[i] > kFeedPresent)) continue;
    std::snprintf(line, sizeof line, " %4zu %14.6E %14.6E %14.6E %14.6E %14.6E", i + 1,
                  liquids.xl1[i], liquids.xl2[i], liquids.gl1[i], liquids.gl2[i], liquids.dcoef[i]);
    traceLine(unit, line);
  }
}

}  // namespace flash::liquid_split
