// The stream table's integers SRTABI and the main stream record whose length they keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace problem {

// Words of SRTABI (the 23 integers of the case table SR).
namespace srtabi {
inline constexpr std::size_t kNameCounter = 1;  // counter of the automatic stream names
inline constexpr std::size_t kMainLength = 2;   // length of the main record in words
inline constexpr std::size_t kFirstSizing = 3;  // words 3-14: sizing values of types 2 and 1
inline constexpr std::size_t kLastSizing = 14;
}  // namespace srtabi

// The main stream record: one disk-pointer sector of an entry per secondary record type,
// the integer sector, real sector 1 and four component vectors.
inline constexpr std::int32_t kSecondaryRecordTypes = 31;
inline constexpr std::int32_t kMainIntegers = 46;
inline constexpr std::int32_t kMainReals = 95;
inline constexpr std::int32_t kMainComponentVectors = 4;

// The length in words of the main record of a stream whose vectors hold NCSTRM components,
// rounded up to an even number.
//   ncstrm  in  component count of the stream vectors (0 or more)
// Returns the length. Describes the layout to the sub-block layer (SBMLTF), so SBCUR holds
// the main record's header afterwards. A negative NCSTRM is the "SB" abort
// "BAD SIZING VALUE".
std::int32_t streamMainRecordLength(std::int32_t ncstrm);

// The stream-table words of a case without streams: the name counter 0, the main-record
// length for NCSTRM components, and the sizing values of record types 1 and 2 (words 3 to
// 14) and the other words 0. The sizing values belong to the program that builds the case;
// 0 gives those record types empty sectors.
//   srtabi  out  the 23 words (a shorter span receives its own length)
//   ncstrm  in   component count of the stream vectors
void newStreamTable(std::span<std::int32_t> srtabi, std::int32_t ncstrm);

}  // namespace problem
