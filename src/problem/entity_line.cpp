// The descriptive line of an entity, as unit headings use it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "problem/units.hpp"
#include "services/fixed_text.hpp"

namespace problem {
namespace {

constexpr std::size_t kLineLength = 75;

}  // namespace

void STRNAM(std::span<char> out, std::int32_t /*d1*/, std::int32_t /*d2*/, std::string_view cls,
            std::int32_t n, std::string_view id, std::string_view text) {
  // CLASS N - ID - TEXT, each part without its trailing blanks.
  std::string line(services::trimRight(cls));
  line += ' ';
  line += std::to_string(n);
  line += " - ";
  line += services::trimRight(id);
  const std::string_view shown = services::trimRight(text);
  if (!shown.empty()) {
    line += " - ";
    line += shown;
  }
  if (line.size() > kLineLength) line.resize(kLineLength);
  services::assignText(out, line);
}

}  // namespace problem
