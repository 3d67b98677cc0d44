// The open of a problem: the run start-up, the problem and support databases with their
// files, and the method sets that the open makes ready (the default set, the user-added
// K-value methods, the flash work-space partition); and the close of what it opened.
#include <cstdint>
#include <string>
#include <string_view>

#include "methods/methods.hpp"
#include "platform/direct_files.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace methods {
namespace {

constexpr std::size_t kPathLength = 260;
using Path = services::FixedText<kPathLength>;

// What the open writes into the page headers.
constexpr std::string_view kProduct = "VELTRA";
constexpr std::string_view kRelease = "R";
constexpr std::string_view kVersion = "5.0 Beta2";
constexpr std::string_view kTransferProduct = "QORD";
constexpr std::int32_t kNoticeFirstYear = 1988;
constexpr std::int32_t kNoticeLastYear = 1998;

// The directory of the side files when the caller names none.
constexpr std::string_view kSideFileDirectory = "\\DOZEVA\\";
constexpr std::string_view kSideFileName = "veltra";

// Open options of the sequential files: created when missing, and read-only shared.
constexpr std::int32_t kReportOption = 5;
constexpr std::int32_t kMessageOption = 11;

// Close option of the databases and files: kept.
constexpr std::int32_t kKeep = 3;

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

void sideFileNames(std::string_view dir2, Path& messageName, Path& supportName) {
  const std::string sideDirectory = asDirectory(dir2);
  storage::FINAME(sideDirectory, kSideFileDirectory, kSideFileName, " ", "err", 0, messageName);
  storage::FINAME(sideDirectory, kSideFileDirectory, kSideFileName, " ", "sp", 0, supportName);
}

// Whether the run may write every file of the problem database NAME (NAME1 to NAME3). A
// problem it may only read is opened for reading: the readers work on it, and its close
// writes nothing back.
bool problemFilesWritable(std::string_view name) {
  for (const char file : {'1', '2', '3'}) {
    if (!platform::directFileWritable(std::string(name) + file)) return false;
  }
  return true;
}

}  // namespace

SideFiles sideFiles(std::string_view dir2) {
  Path messageName;
  Path supportName;
  sideFileNames(dir2, messageName, supportName);
  // The support database is a file sequence whose first file ends in "1".
  return {std::string(messageName.trimmed()), std::string(supportName.trimmed()) + "1"};
}

std::int32_t PAINIT(std::string_view name, std::string_view dir2, std::int32_t& iout,
                    std::int32_t opt) {
  // 1-3. Start-up, header texts, the open-problem state.
  problem::RUNINI();
  problem::RUNHDR(kProduct, kRelease, kVersion, " ", kNoticeFirstYear, kNoticeLastYear,
                  kTransferProduct, " ");
  problem::DBRSET();

  // 4-5. The defaults of the file names: the directory and name of NAME.
  Path directory;
  Path baseName;
  Path extension;
  std::int32_t flag = 0;
  storage::FISPLT(name, directory, baseName, extension, flag);
  storage::FIDFLT(directory.view(), baseName.view(), extension.view());

  // 6. The side files, from DIR2 or the default directory.
  Path messageName;
  Path supportName;
  sideFileNames(dir2, messageName, supportName);

  // 7-9. The report listing and the message file.
  Path reportName;
  storage::FINAME(" ", directory.view(), baseName.view(), " ", "zqw", 0, reportName);
  services::DBUNIT.reportFile = -1;
  storage::FIOPEN(services::DBUNIT.reportFile, kReportOption, reportName.trimmed(), "OUTPUT");
  services::DBUNIT.errorFile = -1;
  storage::FIOPEN(services::DBUNIT.errorFile, kMessageOption, messageName.trimmed(), "ERROR");
  services::ERSETO("FILE", services::DBUNIT.errorFile);

  // 10. The support database, read-only.
  problem::DBSOPN(services::DBUNIT.supportDatabase, supportName.trimmed(), 0, problem::kReadOnly);

  // 11-13. The report unit everywhere, and the page titles.
  services::IOUNIT.report = services::DBUNIT.reportFile;
  services::DBUNIT.reportCopy1 = services::DBUNIT.reportFile;
  services::DBUNIT.reportCopy2 = services::DBUNIT.reportFile;
  services::DBUNIT.reportClose = services::DBUNIT.reportFile;
  iout = services::DBUNIT.reportFile;
  services::PGTITL(services::DBUNIT.reportFile, -1, -1, -1);
  const problem::RunHeaderTexts& header = problem::HDRTXT;
  services::PGVERS(header.product.view(), header.release.view(), header.version.view(),
                   header.fourth.view(), header.platform.view());

  // 14-16. The problem database with its case, timed.
  std::int32_t timer = 0;
  services::RUNLST(timer, 1);
  Path problemName;
  storage::FINAME(" ", directory.view(), baseName.view(), " ", "zn", 0, problemName);
  problem::DBOPEN(
      services::DBUNIT.problemDatabase, problemName.trimmed(), 0,
      problemFilesWritable(problemName.trimmed()) ? problem::kReadWrite : problem::kReadOnly);
  problem::DBCASE();

  // 17-21. Parameters, work space, kept values, method sets, the partition, the correlation
  // sets.
  problem::DBPARM();
  problem::getWorkSpace();
  // Every value the layers above keep between calls starts again for this problem; those
  // kept in the work space take their areas.
  services::resetKeptValues();
  DBSTUP(1, problem::OLDGLB.integers[30]);
  std::int32_t rtot = 0;
  std::int32_t itot = 0;
  PARTTN(rtot, itot, 2);
  problem::DBPTAB(1, problem::OLDGLB.integers[40], problem::OLDGLB.integers[41]);
  double elapsed = 0.0;
  if (timer > 0) services::RUNCLK(timer, elapsed);

  // 22-23. The data-transfer set-up when asked for, and the unit set-up.
  if (opt > 0) {
    problem::DBXSCL();
    problem::DBXBUF();
    // A problem of more components than the transfer holds is refused: the run stops on
    // purpose, not in an abort, and the status says it stopped.
    if (problem::DBXHDR(opt) != 0) {
      PAEND();
      services::STOPCD(0);
    }
  }
  problem::DBUSET();
  return 0;
}

void PAEND() {
  problem::DBCLOS(kKeep);
  problem::DBSCLS(kKeep);
  storage::FICLOS(services::DBUNIT.reportClose, kKeep);
  storage::FICLOS(services::DBUNIT.errorFile, kKeep);
}

}  // namespace methods
