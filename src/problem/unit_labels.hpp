// Unit labels: the stored label of a class in a unit set, or of a unit code from the
// support database, with its basis words and its multiplier rewritten for printing.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace problem {

// The printed label of CLASS in SET (-1 row 0 as stored, 0 the current set, 1-7 a named
// set, 10-474 a unit code), with its basis words and multiplier rewritten by the option
// word OPT = 100 h + 10 t + u: h 1 keeps "-MOL" and drops "STD-", 2 keeps "STD-" and drops
// "-MOL", 3 shows "STD-" as "ACT-" and drops "-MOL", other drops both (class 31 always
// keeps "-MOL", class 32 never); t the count of "M" of prefix style 0, u the letter of
// "KMGT" of prefix style 1 (0: the stored multiplier). A class, set or code without a label
// gives blanks. LABEL is blank-padded; its text is also returned.
std::string_view UOMFMT(std::span<char> label, std::int32_t cls, std::int32_t set,
                        std::int32_t opt);

// Brings the labels of the unit codes in CLASS into the unit-code label buffer from the
// support database, unless that class is held already. A class the database does not hold
// leaves the buffer blank and no class held.
void UOMLDS(std::int32_t cls);

// The label for CODE = OPT * 1000 + CLASS in SET; CODE 0 blank, -1 the class-24 label over
// the class-17 label, -2 one over the class-8 label. STATUS is 0.
void UOMLBL(std::span<char> label, std::int32_t code, std::int32_t set, std::int32_t& status);

}  // namespace problem
