// The reader of class "TITLE": the run title of the open problem, from the title fields of
// the problem's title table and the version and special fields of the page headers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

// The title fields, from character 733 of the title text on: project, problem, user and
// date of 12 characters, site of 4, then 10 description lines of 68.
struct TitleField {
  std::string_view attr;
  std::size_t start;  // 0-based, within the title fields
  std::size_t length;
  std::int32_t count;
};
constexpr std::array<TitleField, 6> kFields{{
    {"PROJECT", 0, 12, 1},
    {"PROBLEM", 12, 12, 1},
    {"USER", 24, 12, 1},
    {"DATE", 36, 12, 1},
    {"SITE", 48, 4, 1},
    {"DESCRIP", 52, 68, 10},
}};
constexpr std::size_t kShownAttribute = 10;

}  // namespace

void PATITL(Request& request) {
  request.elen = 12;
  request.setType(ValueType::Text);
  request.count = 1;
  request.iucls = kNoUnit;
  const std::string_view fields = problem::GTITAB.titleFields();
  const auto field = [&](std::size_t start, std::size_t length) {
    return start >= fields.size() ? std::string_view{} : fields.substr(start, length);
  };
  for (const TitleField& f : kFields) {
    if (!request.is(f.attr)) continue;
    request.elen = static_cast<std::int32_t>(f.length);
    request.count = f.count;
    for (std::int32_t k = 0; k < f.count; ++k) {
      request.setText(k + 1, field(f.start + static_cast<std::size_t>(k) * f.length, f.length));
    }
    return;
  }
  if (request.is("VERSION")) {
    request.setText(1, services::PAGTXT.version.view());
  } else if (request.is("SPECIAL")) {
    request.setText(1, services::PAGTXT.fourth.view());
  } else {
    printLine(" ATTRIBUTE NOT SUPPORTED " +
              std::string(request.attr.substr(0, std::min(kShownAttribute, request.attr.size()))) +
              " FOR TITLE");
    request.ierr = kRefused;
    request.count = 0;
  }
}

}  // namespace api_access
