// The stream lookup of the flash and property calls.
#include "flash/stream_lookup.hpp"

#include <cstdint>
#include <string_view>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace flash {

namespace {

constexpr std::int32_t kMethodSetWord = 20;  // I(20) of the main record
constexpr std::int32_t kPlainMode = 0;       // SRSET: no lock raised, marked changed

constexpr std::int32_t status(StreamLookup s) { return static_cast<std::int32_t>(s); }

// Whether the number N names a stream that has a record in the open problem's index.
bool hasRecord(std::int32_t n) {
  const std::int32_t state = problem::ISRSTA(n);
  return state == static_cast<std::int32_t>(problem::StreamStatus::Stream) ||
         state == static_cast<std::int32_t>(problem::StreamStatus::Temporary);
}

}  // namespace

std::int32_t SRBYNM(std::string_view strmid, std::int32_t& iset) {
  // 1. A blank identifier, or no open problem, finds nothing.
  iset = 0;
  if (services::trimRight(strmid).empty()) return status(StreamLookup::NotFound);
  if (problem::SLOTC2.sr.index == services::NOCORE) return status(StreamLookup::NotFound);

  // 2. The stream by name; one that is not there, or has no record, is not made current.
  const std::int32_t n = problem::ISRNO(strmid);
  if (n == 0 || !hasRecord(n)) return status(StreamLookup::NotFound);
  problem::SRSET(n, kPlainMode);
  iset = problem::MainRecord(problem::SRPSET.set2).integer(kMethodSetWord);
  return status(StreamLookup::Found);
}

std::int32_t SRLOOK(std::string_view strmid, std::int32_t& iset) {
  if (SRBYNM(strmid, iset) != status(StreamLookup::Found)) {
    iset = 0;
    return status(StreamLookup::NotFound);
  }
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, iset);
  return status(StreamLookup::Found);
}

}  // namespace flash
