// The special-property tables of a stream (STSPRP), the constant table they consult
// (STSCPY) and the request words that say which properties the problem asks for (SPREQ).
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "api/access/stream_evaluation.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/inspection_blending.hpp"

namespace api_access {

SpecialPropertyRequests SPREQ;

namespace {

// Every problem starts with no special property asked for.
const bool kRequestsReset = services::registerKeptValues(&ZERCOM);

constexpr std::int32_t kBlendedRecord = 31;
constexpr std::int32_t kUserRecord = 12;
constexpr std::int32_t kSlot = 1;
constexpr std::int32_t kBuild = 0, kLoad = 1, kWrite = 2;

// Entries 54 to 58 of the blended table are answered by the thermodynamic routines and are
// left as they are.
constexpr std::int32_t kFirstKept = 54;
constexpr std::int32_t kLastKept = 58;

// Kind 4 of the constant table: a temperature property (K), which is missing at 10 K and
// below; any other property is missing at 0 and below.
constexpr std::int32_t kTemperatureKind = 4;
constexpr double kLeastTemperature = 10.0;
constexpr std::array<std::int32_t, 12> kTemperatureRows{2,  3,  4,  38, 60, 61,
                                                        64, 67, 82, 85, 86, 87};

}  // namespace

void ZERCOM() { SPREQ = SpecialPropertyRequests{}; }

void STSCPY(ConstantColumn c5, ConstantColumn c4, ConstantColumn c3, ConstantColumn c1,
            ConstantColumn c2) {
  for (const ConstantColumn c : {c5, c4, c3, c1, c2}) std::fill(c.begin(), c.end(), 0);
  for (const std::int32_t row : kTemperatureRows) {
    c4[static_cast<std::size_t>(row - 1)] = kTemperatureKind;
  }
}

void STSPRP(std::span<const double> z, std::int32_t nc, std::int32_t kind, std::int32_t n,
            double p) {
  // 1. and 2. The table's record, loaded or built.
  const bool blended = kind == kBlendedTable;
  const std::int32_t type = blended ? kBlendedRecord : kUserRecord;
  if (problem::SRPSET.set2.stream != n) problem::SRSET(n, 1);
  std::int32_t loaded = 0;
  problem::SRPAGE(kLoad, type, kSlot, loaded);
  if (loaded != 0) {
    std::int32_t built = 0;
    problem::SRPAGE(kBuild, type, kSlot, built);
    if (built != 0) {
      services::MSGPAR.integers(1) = n;
      services::MSGPAR.integers(2) = std::max(loaded, built);
      services::MSGABT(kMessageRecordUnavailable, "STSPRP");
    }
  }
  const auto& special = problem::SRLAYT.special;
  const std::int32_t entries = blended ? kBlendedProperties : kUserProperties;
  const storage::RealView values =
      storage::CORSTO.reals((blended ? special.real11or31 : special.real12) + 1, entries);
  const std::span<std::int32_t> codes =
      storage::CORSTO.words((blended ? special.integer11or31 : special.integer12) + 1, entries);
  const std::span<const double> x =
      z.first(std::min(z.size(), static_cast<std::size_t>(std::max(nc, 0))));

  // 3. The constant table.
  std::array<std::int32_t, kBlendedProperties> c1{}, c2{}, c3{}, c4{}, c5{};
  STSCPY(c5, c4, c3, c1, c2);

  if (!blended) {
    // 4. The user properties by their codes.
    for (std::int32_t i = 1; i <= kUserProperties; ++i) {
      const std::int32_t code = SPREQ.userCodes(static_cast<std::size_t>(i));
      double value = services::DMISS;
      if (code >= 1) streamprops::SPUSER(code, x, value);
      values.set(static_cast<std::size_t>(i - 1), value);
    }
  } else {
    // 5. The blended properties asked for, each with its code; then the values that no
    // property can have become missing.
    for (std::int32_t i = 2; i <= kBlendedProperties; ++i) {
      if (i >= kFirstKept && i <= kLastKept) continue;
      const auto e = static_cast<std::size_t>(i);
      double value = services::DMISS;
      std::int32_t code = 0;
      if (SPREQ.asked(e) > 0) {
        streamprops::SPBLND(i, x, value, p);
        code = SPREQ.codes(e);
      }
      values.set(e - 1, value);
      codes[e - 1] = code;
    }
    for (std::int32_t i = 2; i <= kBlendedProperties; ++i) {
      const auto e = static_cast<std::size_t>(i);
      if (SPREQ.asked(e) <= 0) continue;
      const double least = c4[e - 1] == kTemperatureKind ? kLeastTemperature : 0.0;
      if (services::RELCMP(values[e - 1], least) <= 0) values.set(e - 1, services::DMISS);
    }
  }

  // 6. The record back.
  std::int32_t istat = 0;
  problem::SRPAGE(kWrite, type, kSlot, istat);
}

}  // namespace api_access
