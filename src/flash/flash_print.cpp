// Trace lines of the flash routines.
#include "flash/flash_print.hpp"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "platform/platform.hpp"

namespace flash {

void writef(std::int32_t unit, const char* format, ...) {
  char line[401];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0) return;
  const auto length =
      static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1;
  platform::writeLine(unit, std::string_view(line, length));
}

}  // namespace flash
