// Streams: the layouts of the main stream record and its 31 secondary record types, the
// words through which the engine addresses the records laid out last, the stream class
// (create, find, make current, page, free, kill) and the arithmetic on the main record that
// derives phase vectors and scales and restores the stream vectors.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "problem/entity_contexts.hpp"
#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace problem {

// =======================================================================================
// The main stream record (record type 0). M(k) is element k of real sector 1, I(k) element k
// of the integer sector, V1 to V4 the four component vectors (real sectors 2 to 5, NCSTRM
// elements each). Internal units: K, kPa.
// =======================================================================================

namespace srmain {
// Real sector 1.
inline constexpr std::int32_t kTemperature = 1;     // K
inline constexpr std::int32_t kPressure = 2;        // kPa
inline constexpr std::int32_t kRate = 11;           // total rate
inline constexpr std::int32_t kEnthalpy = 12;       // per unit of total rate
inline constexpr std::int32_t kWaterFraction = 14;  // fraction of the free-water phase
inline constexpr std::int32_t kWaterEnthalpy = 15;  // per unit of its rate
inline constexpr std::int32_t kVapourFraction = 19;
inline constexpr std::int32_t kVapourEnthalpy = 20;
inline constexpr std::int32_t kLiquidFraction = 25;
inline constexpr std::int32_t kLiquidEnthalpy = 26;
inline constexpr std::int32_t kThirdFraction = 31;  // the phase whose composition is V4
// The component vectors.
inline constexpr std::int32_t kOverall = 1;  // V1: overall composition (fractions)
inline constexpr std::int32_t kVapour = 2;   // V2
inline constexpr std::int32_t kLiquid = 3;   // V3
inline constexpr std::int32_t kThird = 4;    // V4
// The integer sector.
inline constexpr std::int32_t kCopiedFrom = 1;      // the stream copied from last
inline constexpr std::int32_t kFlashWord = 8;       // digit 7: second liquid from record type 3
inline constexpr std::int32_t kFlagBits = 11;       // building a type-4 record keeps bit 0
inline constexpr std::int32_t kFirstTextWord = 33;  // 33-42: the 40-character text
inline constexpr std::int32_t kTextWords = 10;
inline constexpr std::int32_t kTextChars = 40;
}  // namespace srmain

// The stream statuses of the index entries.
enum class StreamStatus : std::int32_t {
  New = 0,         // entry just added, not yet registered
  Registered = 1,  // name registered, no record
  Stream = 2,      // record, created under kind 2
  Temporary = 3,   // record, created under kind 3 (the "$" streams)
};

// The two current-stream sets of SRPSET.
inline constexpr std::int32_t kReadingSet = 1;  // SRSETT: a stream read beside the working one
inline constexpr std::int32_t kWorkingSet = 2;  // SRSET, SRCREA: the engine's working stream

// A view of the main record that a pointer set names. Performs no checks: the set-up has
// checked the record's shape against the layout.
class MainRecord {
 public:
  explicit MainRecord(const StreamPointers& set) : set_(set) {}

  double real(std::int32_t k) const;  // M(k)
  void setReal(std::int32_t k, double value);
  std::int32_t& integer(std::int32_t k);                // I(k)
  double vector(std::int32_t v, std::int32_t i) const;  // V_v(i), v = 1-4
  void setVector(std::int32_t v, std::int32_t i, double value);

 private:
  const StreamPointers& set_;
};

// =======================================================================================
// The words published for the stream records laid out last
// =======================================================================================

// SRLAYT: the sector starts of the record types that publish them, in the order the engine
// reads them, with the layout sizing words of types 8 to 10, 15 and 18 to 27 among them. A
// start p means that element i of the sector is at p + i (an integer index for integer and
// disk-pointer sectors, an 8-byte index for real and double sectors).
struct StreamLayoutWords {
  // 1. Type 15: the sizing words Y1-Y3, its disk-pointer sector, integer sectors 1-7, real
  // sectors 1-9.
  struct {
    services::OneBased<std::int32_t, 3> sizing;
    std::int32_t pointers = 0;
    services::OneBased<std::int32_t, 7> integers;
    services::OneBased<std::int32_t, 9> reals;
  } type15;
  std::array<std::int32_t, 4> unused2{};
  // 3. Type 1: real sectors 1-71.
  services::OneBased<std::int32_t, 71> type1Reals;
  // 4. Type 2: scalars(k) is the 8-byte index of element k (1-5) of real sector 1; vectors(k)
  // the start of real sector k + 1.
  struct {
    services::OneBased<std::int32_t, 5> scalars;
    services::OneBased<std::int32_t, 5> vectors;
  } type2;
  // 5. Type 3: the row length L3 = 5 NCSTRM + 7; integer sector 1; per real sector k = 1-6 its
  // start minus L3, so that row r (1 or 2) of sector k starts at rows(k) + r L3 (row 2 is
  // sector k + 6); real sector 13.
  struct {
    std::int32_t rowLength = 0;
    std::int32_t integers = 0;
    services::OneBased<std::int32_t, 6> rows;
    std::int32_t last = 0;
  } type3;
  // 6. Type 4: real sectors 1-5.
  services::OneBased<std::int32_t, 5> type4Reals;
  // 7. Type 5: integer sectors 1, 2; real sectors 1, 3, 5, 7 (11 elements each); real
  // sectors 2, 4, 6, 8 (component vectors).
  struct {
    services::OneBased<std::int32_t, 2> integers;
    services::OneBased<std::int32_t, 4> blocks;
    services::OneBased<std::int32_t, 4> vectors;
  } type5;
  // 8, 9. Types 6 and 7: their real sectors; one word not set after each.
  services::OneBased<std::int32_t, 4> type6Reals;
  std::int32_t unused8 = 0;
  services::OneBased<std::int32_t, 5> type7Reals;
  std::int32_t unused9 = 0;
  // 10. Type 8: integer sectors 1-4, real sectors 1-4, integer sector 5.
  struct {
    services::OneBased<std::int32_t, 4> integers;
    services::OneBased<std::int32_t, 4> reals;
    std::int32_t integer5 = 0;
  } type8;
  // 11. Sizing words V1-V6 (type 9) and X1-X3 (type 10).
  services::OneBased<std::int32_t, 6> type9Sizing;
  services::OneBased<std::int32_t, 3> type10Sizing;
  // 12. Type 9: disk-pointer sectors 1, 2; integer sectors 1, 2, 3, 4, 5, 7, 9, 8, 10 in this
  // order; real sectors 1-7; integer sector 6; real sector 8.
  struct {
    services::OneBased<std::int32_t, 2> pointers;
    services::OneBased<std::int32_t, 9> integers;
    services::OneBased<std::int32_t, 7> reals;
    std::int32_t integer6 = 0;
    std::int32_t real8 = 0;
  } type9;
  std::array<std::int32_t, 5> unused13{};
  // 14. Type 10: disk-pointer sectors 1, 2; integer sectors 1, 2; real sectors 1-6, 8, 7,
  // 9-14 in this order.
  struct {
    services::OneBased<std::int32_t, 2> pointers;
    services::OneBased<std::int32_t, 2> integers;
    services::OneBased<std::int32_t, 14> reals;
  } type10;
  std::int32_t unused15 = 0;
  // 16. The special-property records: real and integer sector 1 of type 11 or 31 (the type
  // laid out last owns them) and of type 12.
  struct {
    std::int32_t real11or31 = 0;
    std::int32_t real12 = 0;
    std::int32_t integer11or31 = 0;
    std::int32_t integer12 = 0;
  } special;
  // 17-20. Types 14, 16, 17 and 13.
  struct {
    std::int32_t integer = 0;
    services::OneBased<std::int32_t, 21> reals;
  } type14;
  struct {
    std::int32_t integer = 0;
    services::OneBased<std::int32_t, 9> reals;
  } type16;
  services::OneBased<std::int32_t, 4> type17Reals;
  struct {
    services::OneBased<std::int32_t, 2> integers;
    services::OneBased<std::int32_t, 4> reals;
  } type13;
  std::array<std::int32_t, 7> unused21{};
  // 22-25. Types 29, 30 and 28.
  std::int32_t type29Real = 0;
  std::array<std::int32_t, 2> unused23{};
  std::int32_t type30Real = 0;
  services::OneBased<std::int32_t, 2> type28Reals;
  // The sizing words W1-W18 of types 8 and 18 to 27. Nothing in the library sets them (nor
  // V, X and Y above): they are 0 unless a caller sets them, which gives empty sectors.
  services::OneBased<std::int32_t, 18> recordSizing;
};
extern StreamLayoutWords SRLAYT;

// SRRECL: the core pointer (sub-block start) of the record of each type laid out last, by
// position: 1 type 18, 2 type 19, 3 type 20, 4 type 3, 5 type 4, 6 type 22, 7 type 23, 8 type
// 24, 9 type 25, 10 type 26, 11 type 27, 12 type 6, 13 type 7, 14 type 11, 15 type 29, 16 type
// 30, 17 type 28, 18 type 12, 19 type 31.
inline constexpr std::size_t kStreamRecordPositions = 19;
namespace srrecl {
inline constexpr std::size_t kType6 = 12;
inline constexpr std::size_t kType7 = 13;
}  // namespace srrecl
struct StreamRecordPointers {
  services::OneBased<std::int32_t, kStreamRecordPositions> words;
};
extern StreamRecordPointers SRRECL;

// DRVSW: the derivation switch, word `index` of an 8-word table of the problem state. While
// it is 1 the derived phase vectors carry no amounts. Table and index start at 0 and 1.
struct DerivationSwitch {
  services::OneBased<std::int32_t, 8> table;
  std::int32_t index = 1;

  std::int32_t value() const {
    return index >= 1 && index <= 8 ? table(static_cast<std::size_t>(index)) : 0;
  }
};
extern DerivationSwitch DRVSW;

// SRCNAM: the stream routine the caller entered, the user call of the "SR" abort reports.
extern services::FixedText<6> SRCNAM;

// The size class of the sector pairs of record types 24 and 27: class 1 for every pair.
inline constexpr std::int32_t kStreamSizeClass = 1;

// Timing slots of TIMST1.
inline constexpr std::size_t kTimingSlotSRSET = 3;
inline constexpr std::size_t kTimingSlotSRSETT = 4;

// =======================================================================================
// Record layouts
// =======================================================================================

// Modes of SRLAYO.
enum class LayoutMode : std::int32_t { Publish = 0, Describe = 1, Build = 2 };

// The layout of stream record TYPE (0-31; 21 has none).
//   mode  in      1 describe the layout to the sub-block layer (SBMLTF) and return its length
//                 in LEN, rounded up to an even number; for TYPE 0 also store it in SRTABI
//                 word 2. 2 build an empty record at PTR with room LEN (SBMLTC; PTR NOCORE:
//                 the sub-block layer gets core and sets LEN and PTR), fill its start values
//                 and publish its sector starts. 0, and any other value, publish the starts of
//                 the record just read into core at PTR (the current sub-block).
//   type  in      record type; 21, below 0 or above 31: nothing at all
//   len   in/out  record length in words
//   ptr   in/out  core pointer of the record (its sub-block start)
// Publishing writes the type's SRLAYT words and its SRRECL position. Building type 4 keeps
// only bit 0 of I(11) of the working stream; building types 6 and 7 derives them from the
// working stream (SRDERV, whose aborts apply).
// Aborts: "SR" "STREAM RECORD DOES NOT MATCH ITS LAYOUT" (items TYPE, KIND, SECTOR, LENGTH,
// LAYOUT) when the record read has other sectors than its type; the sub-block layer's "SB"
// aborts for bad sizing values.
void SRLAYO(std::int32_t mode, std::int32_t type, std::int32_t& len, std::int32_t& ptr);

// Checks the current sub-block against the layout of TYPE: the sector counts of every kind
// and the length of every sector of fixed length; with CURRENTSIZES also that every sized
// sector holds at least the elements that today's sizing values give. Aborts as SRLAYO,
// under the failing routine ROUTINE.
void checkStreamRecordShape(std::int32_t type, bool currentSizes, std::string_view routine);

// =======================================================================================
// The stream class
// =======================================================================================

// Creates or reuses stream NAME.
//   kind   in   1 register the name only; 2 a stream; 3 a temporary stream
//   name   in   identifier (cut or padded to 12); blank or "$": an automatic name S<n>, with
//               "$" in front for kind 3 or "$"
//   n      out  stream number
//   istat  out  0 created (or registered), 1 an existing stream of this kind made current,
//               2 an existing stream of another kind: nothing changed
// A stream with a record is current in set 2 afterwards, locked at least at level 1 and
// marked changed; a new record of kind 2 is written to disk at once, one of kind 3 stays in
// core, without a disk block, until it must leave its slot (written and placed then, as any
// changed record) or the stream is killed. Aborts: "SR" "BAD STREAM KIND".
void SRCREA(std::int32_t kind, std::string_view name, std::int32_t& n, std::int32_t& istat);

// Deletes stream N: its record written first when changed, its slot released, both pointer
// sets cleared of it, its index entry deleted (which releases its records on disk). A record
// that never left core is not written: the secondary records it names on disk are released
// from the core copy.
void SRKILL(std::int32_t n);

// Makes stream N current in set 2 with MODE = 10 r + l (lock level raised to at least l,
// changed unless r is 1), with timing.
void SRSET(std::int32_t n, std::int32_t mode);

// Makes stream N current in set 1, read-only and unlocked (MODE 10), with timing.
void SRSETT(std::int32_t n);

// The common set-up of SRSET and SRSETT.
//   n     in  stream number
//   set   in  pointer set (1 or 2) and hierarchy value of the slot
//   mode  in  10 r + l as SRSET
// Aborts: "SR" "BAD STREAM NUMBER" (items STREAM, STATUS) when N has no record; "SR"
// "STREAM RECORD DOES NOT MATCH ITS LAYOUT" when the record read is of another shape.
void SRSTUP(std::int32_t n, std::int32_t set, std::int32_t mode);

// A main slot for stream N, changed records of other streams written back first.
//   len     in   record length in words
//   slot    out  slot number
//   ptr     out  its core pointer
//   victim  out  0 the slot holds N's record already, -1 the record must be read
// Aborts: "SR" "NO SLOTS AVAILABLE".
void SRSLOT(std::int32_t n, std::int32_t set, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim);

// Fills pointer set SET (1 or 2; other values: nothing) for stream N whose main record at PTR
// is the current sub-block. Aborts when the record is not of the main record's shape.
void SRPNTR(std::int32_t n, std::int32_t set, std::int32_t ptr);

// Pages secondary record TYPE of the stream of set 2 through slot KEY of the type's control.
//   mode   in   0 build a new empty record; 1 load the stored record; 2 write it back
//   istat  out  0 done; 1 no record stored (load) or none in the slot (write); 2 the type
//               has no slot control
// A write that moves the record stores its new pointer in the main record and marks the main
// record changed. Aborts: "SR" "BAD STREAM NUMBER" when set 2 names no stream; "SR" "BAD MAIN
// RECORD LENGTH" (items LENGTH, RECORD, STREAM) when SRTABI word 2 is not the main record's
// length; "SR" "NO SLOTS AVAILABLE" (items TYPE, KEY) when the control has no slot KEY.
void SRPAGE(std::int32_t mode, std::int32_t type, std::int32_t key, std::int32_t& istat);

// Lowers the lock level of N's slot to at most LEVEL clamped to 0-3; nothing when N holds none.
void SRFREE(std::int32_t n, std::int32_t level);

// The number of stream NAME; 0 when blank (the index is not asked) or not in the index.
std::int32_t ISRNO(std::string_view name);

// The identifier of stream N; blank when N < 1, not in the index, or beginning with "$".
services::FixedText<12> ISRID(std::int32_t n);

// The status of stream N (StreamStatus); 0 when N < 1 or not in the index.
std::int32_t ISRSTA(std::int32_t n);

// The 40-character text of stream N when it has a record (N is then current in set 1), else
// blank.
services::FixedText<40> SRTEXT(std::int32_t n);

// The number of entries of the stream index.
std::int32_t ISRNOS();

// =======================================================================================
// Derived phase vectors and stream work vectors
// =======================================================================================

// Fills elements 1-3 of each vector of derived record TYPE (6: phase amounts, 7: dry phase
// amounts and free water) laid out last, from the working stream's main record. Other
// TYPE values do nothing. Aborts: "SR" "BAD STREAM NUMBER" when set 2 names no stream; "SR"
// "DERIVED RECORD NOT IN CORE" (item TYPE); "SR" "BAD COMPONENT INDEX" (items INDEX, COUNT)
// for a water component index past the stream vectors.
void SRDERV(std::int32_t type);

// Copies stream P into stream Q (Q current in set 2 and marked changed, P in set 1).
void SRCOPY(std::int32_t p, std::int32_t q);

// Q = 0: creates a temporary stream and returns its number in Q; then copies P into Q.
void SRSAVE(std::int32_t p, std::int32_t& q);

// Restores stream B: its vectors from C, its phase fractions from A scaled by the ratio of
// A's total rate to B's (0 when B's total is 0), its liquid and vapour compositions over
// ranges 1 and 2 from A, and with the range switch its liquid amounts recomputed. Aborts:
// "SR" "BAD COMPONENT RANGE" (items RANGE, FIRST, LAST, COUNT) for a range past the vectors.
void SRRSTR(std::int32_t a, std::int32_t b, std::int32_t c);

// Turns the working stream's overall composition into amounts without the third phase:
// range 1 times the rate, ranges 2-3 less the third phase, ranges 4-5 zero; the rate becomes
// their sum and the composition is normalised over ranges 1-3. A zero rate gives zero
// amounts. Aborts: "SR" "BAD STREAM NUMBER"; "SR" "BAD COMPONENT RANGE".
void SRSCAL();

}  // namespace problem
