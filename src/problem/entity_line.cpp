// The descriptive line of an entity, as unit headings use it.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <span>
#include <string_view>
#include <system_error>

#include "problem/units.hpp"
#include "services/fixed_text.hpp"

namespace problem {
namespace {

constexpr std::size_t kLineLength = 75;

}  // namespace

void STRNAM(std::span<char> out, std::int32_t /*d1*/, std::int32_t /*d2*/, std::string_view cls,
            std::int32_t n, std::string_view id, std::string_view text) {
  // CLASS N - ID - TEXT, each part without its trailing blanks, cut at the line's length.
  std::array<char, kLineLength> line{};
  std::size_t used = 0;
  const auto append = [&](std::string_view part) {
    const std::size_t k = std::min(part.size(), line.size() - used);
    std::copy_n(part.begin(), k, line.begin() + static_cast<std::ptrdiff_t>(used));
    used += k;
  };
  append(services::trimRight(cls));
  append(" ");
  std::array<char, 12> number{};
  const auto [end, ec] = std::to_chars(number.data(), number.data() + number.size(), n);
  append(std::string_view(number.data(),
                          ec == std::errc{} ? static_cast<std::size_t>(end - number.data()) : 0));
  append(" - ");
  append(services::trimRight(id));
  const std::string_view shown = services::trimRight(text);
  if (!shown.empty()) {
    append(" - ");
    append(shown);
  }
  services::assignText(out, std::string_view(line.data(), used));
}

}  // namespace problem
