// USRDUM: the notice of a user routine slot that holds only a placeholder.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "services/services.hpp"
#include "thermo/phase/user_methods.hpp"

namespace phase {
namespace {

constexpr std::size_t kLineWidth = 60;
constexpr std::size_t kNameColumn = 28;  // first column of the routine's name in line 3
constexpr std::size_t kNameLength = 6;
constexpr std::int32_t kReturningKind = 1;

constexpr std::string_view kStars = " ***********************************************************";
constexpr std::string_view kEmpty = " *                                                         *";

}  // namespace

void USRDUM(std::int32_t kind, std::string_view name) {
  const std::string_view shown = name.substr(0, std::min(name.size(), kNameLength));
  std::string named(kEmpty);
  named.replace(kNameColumn - 1, shown.size(), shown);

  const std::array<std::string_view, 11> lines{
      kStars,
      " *  AN INVALID CALL HAS BEEN MADE TO USER-ADDED SUBROUTINE *",
      named,
      " *    WHICH IS A DUMMY SUBROUTINE SUPPLIED BY TARVEX FOR   *",
      " *  DEMONSTRATION AND TESTING PURPOSES ONLY.  IT WILL NOT  *",
      kind == kReturningKind ? " *      CORRECTLY PERFORM THE REQUESTED CALCULATIONS.      *"
                             : " *         GENERATE THE EXPECTED PRINTOUT REPORT.          *",
      kEmpty,
      " *  PLEASE REPLACE THIS ROUTINE WITH CODE APPROPRIATE TO   *",
      " *       YOUR NEEDS BEFORE RE-RUNNING THIS PROBLEM.        *",
      kStars,
      std::string_view("                                                            ", kLineWidth)};
  for (std::string_view line : lines) services::RPLINE(line);

  services::MSGPAR.shortTexts(1).assign(shown);
  if (kind == kReturningKind) {
    services::MSGOUT(kMessagePlaceholder);
    return;
  }
  services::MSGABT(kMessagePlaceholder, shown);
}

}  // namespace phase
