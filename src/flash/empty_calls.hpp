// The empty calls of the flash engine: the error-control call of the host and the
// iteration-history hook of the flashes. Included by flash.hpp.
#pragma once

#include <cstdint>
#include <string_view>

namespace flash {

// ERSETU: the host's error-control call. No arguments, no effect.
void ERSETU();

// OTHIST: the iteration-history hook that the flashes hand their note lines to.
//   a     in  a code word (0 from the note routines)
//   text  in  the line
//   n     in  the length of the line that counts
// No effect: every argument and every shared word is left as it was.
void OTHIST(std::int32_t a, std::string_view text, std::int32_t n);

}  // namespace flash
