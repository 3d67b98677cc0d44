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

constexpr std::size_t kPathLength = 260;
using Path = services::FixedText<kPathLength>;

// What the open writes into the page headers.
constexpr std::string_view kProduct = "VELTRA";
constexpr std::string_view kRelease = "R";
constexpr std::string_view kVersion = "5.0 Beta2";
constexpr std::string_view kPlatform = "386/EM";
constexpr std::string_view kTransferProduct = "QORD";
constexpr std::int32_t kNoticeFirstYear = 1988;
constexpr std::int32_t kNoticeLastYear = 1998;

// The directory of the side files when the caller names none.
constexpr std::string_view kSideFileDirectory = "\\DOZEVA\\";
constexpr std::string_view kSideFileName = "veltra";

// Open options of the sequential files: created when missing, and read-only shared.
constexpr std::int32_t kReportOption = 5;
constexpr std::int32_t kMessageOption = 11;

void assignIfNotBlank(auto& field, std::string_view text) {
  if (!services::trimRight(text).empty()) field.assign(text);
}

// A directory named without its closing separator gets one, so that the side files lie
// inside it rather than beside it.
std::string asDirectory(std::string_view dir2) {
  std::string directory(services::trimRight(dir2));
  if (!directory.empty() && directory.back() != '/' && directory.back() != '\\' &&
      directory.back() != ':') {
    directory += '/';
  }
  return directory;
}

}  // namespace

RunHeaderTexts HDRTXT;

std::int32_t RUNINI() {
  storage::CMINIT(0, 0, 0);
  services::ERINIT();
  storage::FIINIT();
  services::OUINIT();
  storage::SBINIT();
  IOUNIT = RunUnits{};
  IOUNIT.report = -1;
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
  services::PRBINI();
  services::CLRTXT();
  services::RUNDAT();
  services::NOOP09();
  DBUNIT = ProblemUnits{};
  return 0;
}

std::int32_t PAINIT(std::string_view name, std::string_view dir2, std::int32_t& iout,
                    std::int32_t opt) {
  // 1-3. Start-up, header texts, the open-problem state.
  RUNINI();
  RUNHDR(kProduct, kRelease, kVersion, " ", kNoticeFirstYear, kNoticeLastYear, kTransferProduct,
         " ");
  DBRSET();

  // 4-5. The defaults of the file names: the directory and name of NAME.
  Path directory;
  Path baseName;
  Path extension;
  std::int32_t flag = 0;
  storage::FISPLT(name, directory, baseName, extension, flag);
  storage::FIDFLT(directory.view(), baseName.view(), extension.view());

  // 6. The side files, from DIR2 or the default directory.
  const std::string sideDirectory = asDirectory(dir2);
  Path messageName;
  Path supportName;
  storage::FINAME(sideDirectory, kSideFileDirectory, kSideFileName, " ", "err", 0, messageName);
  storage::FINAME(sideDirectory, kSideFileDirectory, kSideFileName, " ", "sp", 0, supportName);

  // 7-9. The report listing and the message file.
  Path reportName;
  storage::FINAME(" ", directory.view(), baseName.view(), " ", "zqw", 0, reportName);
  DBUNIT.reportFile = -1;
  storage::FIOPEN(DBUNIT.reportFile, kReportOption, reportName.trimmed(), "OUTPUT");
  DBUNIT.errorFile = -1;
  storage::FIOPEN(DBUNIT.errorFile, kMessageOption, messageName.trimmed(), "ERROR");
  services::ERSETO("FILE", DBUNIT.errorFile);

  // 10. The support database, read-only.
  DBSOPN(DBUNIT.supportDatabase, supportName.trimmed(), 0, kReadOnly);

  // 11-13. The report unit everywhere, and the page titles.
  IOUNIT.report = DBUNIT.reportFile;
  DBUNIT.reportCopy1 = DBUNIT.reportFile;
  DBUNIT.reportCopy2 = DBUNIT.reportFile;
  DBUNIT.reportClose = DBUNIT.reportFile;
  iout = DBUNIT.reportFile;
  services::PGTITL(DBUNIT.reportFile, -1, -1, -1);
  services::PGVERS(HDRTXT.product.view(), HDRTXT.release.view(), HDRTXT.version.view(),
                   HDRTXT.fourth.view(), HDRTXT.platform.view());

  // 14-16. The problem database with its case, timed.
  std::int32_t timer = 0;
  services::RUNLST(timer, 1);
  Path problemName;
  storage::FINAME(" ", directory.view(), baseName.view(), " ", "zn", 0, problemName);
  DBOPEN(DBUNIT.problemDatabase, problemName.trimmed(), 0, kReadWrite);
  DBCASE();

  // 17-21. Parameters, work space, method sets, the partition, the correlation sets.
  DBPARM();
  getWorkSpace();
  DBSTUP(1, OLDGLB.integers[30]);
  std::int32_t rtot = 0;
  std::int32_t itot = 0;
  PARTTN(rtot, itot, 2);
  DBPTAB(1, OLDGLB.integers[40], OLDGLB.integers[41]);
  double elapsed = 0.0;
  if (timer > 0) services::RUNCLK(timer, elapsed);

  // 22-23. The data-transfer set-up when asked for, and the unit set-up.
  if (opt > 0) {
    DBXSCL();
    DBXBUF();
    DBXHDR(opt);
  }
  DBUSET();
  return 0;
}

}  // namespace problem
