// Private to the report pages: writing one record with its carriage-control character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/report_pages.hpp"

namespace services::report {

// Carriage-control characters: the record that starts a page, and every other line.
inline constexpr char kNewPage = '\f';
inline constexpr char kLine = ' ';

// Writes CONTROL and TEXT as one line to UNIT (the platform drops trailing blanks). A unit
// below 0 or not open, or a failed write, leaves the line unwritten and counts it.
inline void putLine(std::int32_t unit, std::string_view text, char control = kLine) {
  std::string record(1, control);
  record += text;
  if (unit < 0 || platform::writeLine(unit, record) != platform::IoResult::Ok) {
    PAGCTL.unwrittenLines += 1;
  }
}

inline bool isChannel(std::int32_t channel) { return channel >= 1 && channel <= kChannels; }

// The console unit of the run.
inline std::int32_t consoleUnit() { return IOUNIT.output; }

// Echoing is on while the echo switch and the echo unit of the open problem are positive.
inline bool echoing() { return DBUNIT.echoSwitch > 0 && DBUNIT.echo > 0; }

}  // namespace services::report
