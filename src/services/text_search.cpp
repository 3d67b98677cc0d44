// Searches within a window of a text.
#include <cstdint>
#include <string_view>

#include "services/services.hpp"

namespace services {
namespace {

// The window TEXT(FIRST:LAST) as a view, or nothing when the window is invalid.
bool window(std::string_view text, std::int32_t first, std::int32_t last,
            std::string_view& out) {
  if (first < 1 || last < first || static_cast<std::size_t>(last) > text.size()) return false;
  out = text.substr(static_cast<std::size_t>(first - 1),
                    static_cast<std::size_t>(last - first + 1));
  return true;
}

std::int32_t position(std::int32_t first, std::size_t offset) {
  return first + static_cast<std::int32_t>(offset);
}

}  // namespace

std::int32_t STRIDX(std::string_view text, std::int32_t first, std::int32_t last,
                    std::string_view sub) {
  std::string_view part;
  if (!window(text, first, last, part)) return 0;
  const std::size_t at = part.find(sub);
  return at == std::string_view::npos ? 0 : position(first, at);
}

std::int32_t STRRIX(std::string_view text, std::int32_t first, std::int32_t last,
                    std::string_view sub) {
  std::string_view part;
  if (!window(text, first, last, part)) return 0;
  const std::size_t at = part.rfind(sub);
  return at == std::string_view::npos ? 0 : position(first, at);
}

std::int32_t CHRIDX(std::string_view text, std::int32_t first, std::int32_t last) {
  std::string_view part;
  if (!window(text, first, last, part)) return 0;
  const std::size_t at = part.find_first_not_of(' ');
  return at == std::string_view::npos ? 0 : position(first, at);
}

}  // namespace services
