// Trace lines of the flash routines: one formatted line to a print unit. Private to the
// flash layer; used only behind a debug level, so the flash paths allocate nothing when
// silent.
#pragma once

#include <cstdint>

namespace flash {

// Writes one line formatted as printf would to UNIT (trailing blanks cut; unit -1 writes
// nothing). Lines longer than 400 characters are cut.
void writef(std::int32_t unit, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace flash
