// The run start-up and the open sequence of a problem.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "problem/database.hpp"
#include "problem/open_sequence.hpp"
#include "problem/problem.hpp"
#include "services/report_pages.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

// The platform text of the page headers.
constexpr std::string_view kPlatform = "386/EM";

void assignIfNotBlank(auto& field, std::string_view text) {
  if (!services::trimRight(text).empty()) field.assign(text);
}

}  // namespace

RunHeaderTexts HDRTXT;

std::int32_t RUNINI() {
  storage::CMINIT(0, 0, 0);
  services::ERINIT();
  storage::FIINIT();
  services::OUINIT();
  storage::SBINIT();
  services::IOUNIT = services::RunUnits{};
  services::IOUNIT.report = -1;
  HDRTXT = RunHeaderTexts{};
  return 0;
}

std::int32_t RUNHDR(std::string_view product, std::string_view release, std::string_view version,
                    std::string_view text4, std::int32_t year1, std::int32_t year2,
                    std::string_view transferProduct, std::string_view text8) {
  if (year1 != 0) HDRTXT.firstYear = year1;
  if (year2 != 0) HDRTXT.lastYear = year2;
  HDRTXT.platform.assign(kPlatform);
  assignIfNotBlank(HDRTXT.product, product);
  assignIfNotBlank(HDRTXT.version, version);
  assignIfNotBlank(HDRTXT.release, release);
  assignIfNotBlank(HDRTXT.fourth, text4);
  assignIfNotBlank(HDRTXT.transferProduct, transferProduct);
  assignIfNotBlank(HDRTXT.eighth, text8);
  return 0;
}

std::int32_t DBRST2() {
  DBPARW.temperature = (60.0 + 459.67) / 1.8;
  DBPARW.pressure = 101.325;
  DBPARW.spare = 0;
  services::VIDEAL(DBPARW.temperature, DBPARW.pressure, DBPARW.molarVolume);
  // The unit words the two data sets fill.
  services::UOMTAB.settings.fill(0);
  services::UOMCOD.words.fill(0);
  return 0;
}

std::int32_t DBRSET() {
  DBRST2();
  problem::PRBINI();
  services::CLRTXT();
  services::RUNDAT();
  services::NOOP09();
  services::DBUNIT = services::ProblemUnits{};
  return 0;
}

}  // namespace problem
