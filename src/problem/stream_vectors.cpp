// The arithmetic on the main stream record in core: the derived phase vectors of record
// types 6 and 7, the copy of one stream into another, the restore of a stream's phase data
// from two others, and the reduction of a stream to its amounts without the third phase.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "problem/stream_table.hpp"
#include "problem/streams.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::ABTRPT;
using services::ERRITM;
using storage::CORSTO;
namespace m = srmain;

std::int32_t ncstrm() { return COHDR(cohdr::kStreamComponents); }

// The working stream's record, which must be named by set 2.
MainRecord working(std::string_view routine) {
  if (SRPSET.set2.stream < 1) {
    ERRITM("STREAM", SRPSET.set2.stream);
    ERRITM("STATUS", 0);
    ABTRPT("SR", routine, SRCNAM.view(), "BAD STREAM NUMBER");
  }
  return MainRecord(SRPSET.set2);
}

// Component ranges of COHDR: range r runs from word 12 + r to word 18 + r.
std::int32_t firstOf(std::size_t range) { return COHDR(cohdr::kFirstOfRange + range); }
std::int32_t lastOf(std::size_t range) { return COHDR(cohdr::kLastOfRange + range); }

// S0, the switch of the liquid recomputation: the count of special components of range 3.
constexpr std::size_t kSpecialComponents = 9;

// A span [FIRST, LAST] of component indices; empty when LAST < FIRST. A non-empty span must
// lie inside the stream vectors.
struct Span {
  std::int32_t first;
  std::int32_t last;
};

Span checked(std::string_view routine, std::int32_t first, std::int32_t last) {
  if (last >= first && (first < 1 || last > ncstrm())) {
    ERRITM("FIRST", first);
    ERRITM("LAST", last);
    ERRITM("COUNT", ncstrm());
    ABTRPT("SR", routine, SRCNAM.view(), "BAD COMPONENT RANGE");
  }
  return {first, last};
}

// The first COUNT elements of vector V, normalised as NORMLZ does.
void normalise(MainRecord& record, std::int32_t v, std::int32_t count) {
  if (count < 1) return;
  std::vector<double> x(static_cast<std::size_t>(count));
  for (std::int32_t i = 1; i <= count; ++i)
    x[static_cast<std::size_t>(i - 1)] = record.vector(v, i);
  services::NORMLZ(count, x);
  for (std::int32_t i = 1; i <= count; ++i)
    record.setVector(v, i, x[static_cast<std::size_t>(i - 1)]);
}

double sum(const MainRecord& record, std::int32_t v, std::int32_t count) {
  std::vector<double> x(static_cast<std::size_t>(std::max(count, 0)));
  for (std::int32_t i = 1; i <= count; ++i)
    x[static_cast<std::size_t>(i - 1)] = record.vector(v, i);
  return services::SUMVEC(count, x);
}

bool hasThirdVector() { return COHDR(cohdr::kMolarSolids) >= 1 || COHDR(cohdr::kMassSolids) >= 1; }

void copyVector(MainRecord& to, const MainRecord& from, std::int32_t v) {
  for (std::int32_t i = 1; i <= ncstrm(); ++i) to.setVector(v, i, from.vector(v, i));
}

// Elements 1-3 of a derived vector starting at START.
void setDerived(std::int32_t start, const MainRecord& record, bool present, double amount) {
  CORSTO.setReal(start + 1, present ? record.real(m::kTemperature) : 0.0);
  CORSTO.setReal(start + 2, present ? record.real(m::kPressure) : 0.0);
  CORSTO.setReal(start + 3, present ? amount : 0.0);
}

}  // namespace

void SRDERV(std::int32_t type) {
  if (type != 6 && type != 7) return;
  const MainRecord record = working("SRDERV");
  const std::size_t position = type == 6 ? srrecl::kType6 : srrecl::kType7;
  if (SRRECL.words(position) == 0) {
    ERRITM("TYPE", type);
    ABTRPT("SR", "SRDERV", SRCNAM.view(), "DERIVED RECORD NOT IN CORE");
  }
  const double rate = record.real(m::kRate);
  const bool dry = DRVSW.value() == 1;

  if (type == 6) {
    // P_k for the total and the three phases of fractions M(19), M(25), M(31).
    constexpr std::array<std::int32_t, 4> kWord = {m::kRate, m::kVapourFraction, m::kLiquidFraction,
                                                   m::kThirdFraction};
    for (std::size_t k = 1; k <= kWord.size(); ++k) {
      const double e = record.real(kWord[k - 1]);
      const double amount = k == 1 ? rate : (DRVSW.value() == 0 ? rate * e : 0.0);
      setDerived(SRLAYT.type6Reals(k), record, e > 0.0, amount);
    }
    return;
  }

  // Q1-Q3 without the water component; Q4 the hydrocarbon part, Q5 the free water.
  const std::int32_t water = problem::THCTL.idecnt;
  if (water > ncstrm()) {
    ERRITM("INDEX", water);
    ERRITM("COUNT", ncstrm());
    ABTRPT("SR", "SRDERV", SRCNAM.view(), "BAD COMPONENT INDEX");
  }
  const auto dryFactor = [&](std::int32_t v) {
    return water >= 1 ? 1.0 - record.vector(v, water) : 1.0;
  };
  const double freeWater = record.real(m::kWaterFraction);
  const double vapour = record.real(m::kVapourFraction);
  const double liquid = record.real(m::kLiquidFraction);
  struct Derived {
    bool present;
    double amount;
  };
  const std::array<Derived, 5> q = {{
      {rate > 0.0, (1.0 - freeWater) * rate * dryFactor(m::kOverall)},
      {vapour > 0.0, rate * vapour * dryFactor(m::kVapour)},
      {liquid > 0.0, rate * liquid * dryFactor(m::kLiquid)},
      {1.0 - freeWater > 0.0, (1.0 - freeWater) * rate},
      {freeWater > 0.0, rate * freeWater},
  }};
  for (std::size_t k = 1; k <= q.size(); ++k) {
    const Derived& d = q[k - 1];
    setDerived(SRLAYT.type7Reals(k), record, d.present, dry ? 0.0 : d.amount);
  }
}

void SRCOPY(std::int32_t p, std::int32_t q) {
  SRSET(q, 0);
  SRSETT(p);
  MainRecord to(SRPSET.set2);
  MainRecord from(SRPSET.set1);
  to.integer(m::kCopiedFrom) = p;
  for (std::int32_t k = 1; k <= kMainReals; ++k) to.setReal(k, from.real(k));
  copyVector(to, from, m::kOverall);
  copyVector(to, from, m::kVapour);
  copyVector(to, from, m::kLiquid);
  if (hasThirdVector()) copyVector(to, from, m::kThird);
  const std::int32_t flashWord = from.integer(m::kFlashWord);
  to.integer(20) = from.integer(20);
  to.integer(m::kFlashWord) = flashWord < 0 ? flashWord : -flashWord;
  to.integer(10) = 0;
  to.integer(31) = from.integer(31);
}

void SRSAVE(std::int32_t p, std::int32_t& q) {
  if (q == 0) {
    std::int32_t istat = 0;
    SRCREA(static_cast<std::int32_t>(StreamStatus::Temporary), "$", q, istat);
  } else {
    SRSET(q, 0);
  }
  SRCOPY(p, q);
}

void SRRSTR(std::int32_t a, std::int32_t b, std::int32_t c) {
  // 1. B's vectors and two integer words from C.
  SRSET(b, 0);
  SRSETT(c);
  {
    MainRecord to(SRPSET.set2);
    MainRecord from(SRPSET.set1);
    copyVector(to, from, m::kOverall);
    copyVector(to, from, m::kVapour);
    copyVector(to, from, m::kLiquid);
    if (hasThirdVector()) copyVector(to, from, m::kThird);
    to.integer(20) = from.integer(20);
    to.integer(m::kFlashWord) = from.integer(m::kFlashWord);
  }

  // 2. B's phase fractions: A's, rescaled to B's total; a zero total of B gives zero.
  SRSETT(a);
  SRSET(b, 10);
  MainRecord to(SRPSET.set2);
  const MainRecord from(SRPSET.set1);
  const double total = to.real(m::kRate);
  const double f = total != 0.0 ? from.real(m::kRate) / total : 0.0;
  for (const std::int32_t word : {m::kVapourFraction, m::kLiquidFraction, m::kWaterFraction}) {
    to.setReal(word, f * from.real(word));
  }

  // 3. The liquid and vapour compositions of ranges 1 and 2 from A.
  const Span fluid = checked("SRRSTR", firstOf(1), lastOf(2));
  for (std::int32_t i = fluid.first; i <= fluid.last; ++i) {
    to.setVector(m::kLiquid, i, from.vector(m::kLiquid, i));
    to.setVector(m::kVapour, i, from.vector(m::kVapour, i));
  }

  // 4. With the switch, B's liquid amounts from its own words, then normalised.
  if (COHDR(kSpecialComponents) <= 0) return;
  const double rate = to.real(m::kRate);
  const double third = rate * to.real(m::kThirdFraction);
  const double vapour = rate * to.real(m::kVapourFraction);
  const Span r1 = checked("SRRSTR", firstOf(1), lastOf(1));
  for (std::int32_t i = r1.first; i <= r1.last; ++i) {
    to.setVector(m::kLiquid, i, to.vector(m::kLiquid, i) * rate * to.real(m::kLiquidFraction));
  }
  const Span r2 = checked("SRRSTR", firstOf(2), lastOf(2));
  for (std::int32_t i = r2.first; i <= r2.last; ++i) {
    const double amount = rate * to.vector(m::kOverall, i) - third * to.vector(m::kThird, i) -
                          vapour * to.vector(m::kVapour, i);
    to.setVector(m::kLiquid, i, std::max(0.0, amount));
  }
  const Span r3 = checked("SRRSTR", firstOf(3), lastOf(3));
  for (std::int32_t i = r3.first; i <= r3.last; ++i) {
    const double amount = rate * to.vector(m::kOverall, i) - third * to.vector(m::kThird, i);
    to.setVector(m::kLiquid, i, std::max(0.0, amount));
  }
  const std::int32_t count = checked("SRRSTR", 1, lastOf(3)).last;
  normalise(to, m::kLiquid, count);
}

void SRSCAL() {
  MainRecord record = working("SRSCAL");
  const double rate = record.real(m::kRate);
  const double third = rate * record.real(m::kThirdFraction);
  // Range 1: amounts.
  const Span r1 = checked("SRSCAL", firstOf(1), lastOf(1));
  for (std::int32_t i = r1.first; i <= r1.last; ++i) {
    record.setVector(m::kOverall, i, record.vector(m::kOverall, i) * rate);
  }
  // Ranges 2 and 3: amounts less those of the third phase.
  const Span r23 = checked("SRSCAL", firstOf(2), lastOf(3));
  for (std::int32_t i = r23.first; i <= r23.last; ++i) {
    const double amount =
        rate * record.vector(m::kOverall, i) - third * record.vector(m::kThird, i);
    record.setVector(m::kOverall, i, std::max(0.0, amount));
  }
  // Ranges 4 and 5: none.
  const Span r45 = checked("SRSCAL", firstOf(4), lastOf(5));
  for (std::int32_t i = r45.first; i <= r45.last; ++i) record.setVector(m::kOverall, i, 0.0);
  // The rate is the sum of the amounts; the fractions over ranges 1 to 3.
  const std::int32_t all = checked("SRSCAL", 1, lastOf(5)).last;
  record.setReal(m::kRate, sum(record, m::kOverall, all));
  normalise(record, m::kOverall, checked("SRSCAL", 1, lastOf(3)).last);
}

}  // namespace problem
