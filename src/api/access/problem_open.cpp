// The open, counts and close of a solved problem, and its identifier tables.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "api/access/access.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

constexpr std::size_t kNameLength = 200;
// The longest directory of the side files.
constexpr std::size_t kDirectoryLength = 250;
constexpr std::int32_t kActive = 2;
constexpr std::int32_t kDataWords = 3;  // of an entry of a component-name index

// COPTRS words of the name slots of list 1 and list 2, and COHDR words of the lengths.
constexpr std::size_t kNameSlots1 = 13;
constexpr std::size_t kNameSlots2 = 85;
constexpr std::size_t kListLength1 = 4;
constexpr std::size_t kListLength2 = 5;

bool open = false;

void say(std::string_view line) { platform::writeLine(services::IOUNIT.output, line); }

// An integer right-justified in five columns.
std::string i5(std::int32_t value) {
  std::string text = std::to_string(value);
  return text.size() >= 5 ? text : std::string(5 - text.size(), ' ') + text;
}

// Whether PAMISC built the tables of the problem open now.
bool built = false;

void clearTables() {
  PAIDTB = AccessTables{};
  built = false;
}

// Whether DIR2 names a directory that holds the message file and the support database, as
// regular files. What is missing is said in one line each, so that a caller's mistake in
// DIR2 is a status, like one in NAME, and not the open's abort report.
bool sideFilesPresent(std::string_view dir2) {
  const std::string_view directory = services::trimRight(dir2);
  if (directory.size() > kDirectoryLength) {
    say(" DIRECTORY NAME LONGER THAN " + std::to_string(kDirectoryLength) + " CHARACTERS");
    return false;
  }
  const methods::SideFiles files = methods::sideFiles(dir2);
  const std::filesystem::path path = platform::hostFileName(files.messageFile);
  std::error_code error;
  if (!std::filesystem::is_directory(path.parent_path(), error)) {
    services::FixedText<60> shown(path.parent_path().string());
    say(" DIRECTORY NOT FOUND: " + shown.str());
    return false;
  }
  bool present = true;
  for (const std::string& file : {files.messageFile, files.supportDatabase}) {
    if (!std::filesystem::is_regular_file(platform::hostFileName(file), error)) {
      services::FixedText<60> shown(file);
      say(" FILE NOT FOUND: " + shown.str());
      present = false;
    }
  }
  return present;
}

services::FixedText<16> componentName(std::int32_t index, std::int32_t slot) {
  services::FixedText<16> name;
  if (slot <= 0 || index == services::NOCORE) return name;
  services::FixedText<16> stored;
  storage::DiskPointer pointer{};
  std::array<std::int32_t, kDataWords> data{};
  std::int32_t status = 0;
  storage::FBINUM(1, index, slot, stored, pointer, data, status);
  if (status == 0 && data[0] == kActive) name = stored;
  return name;
}

}  // namespace

AccessTables PAIDTB;

bool problemOpen() { return open; }

void PAOPEN(std::string_view name, std::string_view dir2, std::int32_t& iout, std::int32_t& ierr) {
  ierr = kOk;
  // A problem still open is closed as PACLOS would close it: nothing of it is lost.
  if (open) PACLOS();
  clearTables();

  // The problem's files are named by NAME without its blanks, so that a name padded with
  // blanks, or with blanks inside it, names the files the open sequence then opens. A name
  // that leaves no room for its extension in kNameLength characters names no file: it is
  // reported missing rather than looked up cut.
  std::string problemName(name);
  services::NOBLNK(problemName);
  problemName.resize(services::trimRight(problemName).size());

  bool found = true;
  for (const char* extension : {".zn1", ".zn2", ".zn3"}) {
    const std::string path = problemName + extension;
    std::error_code error;
    if (path.size() > kNameLength ||
        !std::filesystem::is_regular_file(platform::hostFileName(path), error)) {
      services::FixedText<60> shown(path);
      say(" FILE NOT FOUND: " + shown.str());
      found = false;
    }
  }
  if (!found || !sideFilesPresent(dir2)) {
    ierr = kFileMissing;
    return;
  }
  methods::PAINIT(problemName, dir2, iout, 0);
  open = true;
}

void DBMISC(std::int32_t& solved, std::int32_t& nstrm, std::int32_t& ncomp, std::int32_t& nunit) {
  solved = 0;
  nstrm = 0;
  ncomp = 0;
  nunit = 0;
  if (!open) return;
  solved = problem::OLDCAS.integers[4];
  // The numbers of index entries are counted once: each count walks its whole index.
  const std::int32_t streamEntries = problem::ISRNOS();
  for (std::int32_t s = 1; s <= streamEntries; ++s) {
    if (problem::ISRSTA(s) == kActive) ++nstrm;
  }
  ncomp = problem::COHDR(problem::cohdr::kComponents);
  const std::int32_t unitEntries = problem::IUNNOU();
  for (std::int32_t u = 1; u <= unitEntries; ++u) {
    if (problem::IUNSTA(u) == kActive) ++nunit;
  }
}

void PAMISC(std::int32_t& ncomp, std::int32_t& nstrm, std::int32_t& nunit, std::int32_t& ierr) {
  ncomp = 0;
  nstrm = 0;
  nunit = 0;
  if (!open) {
    say(" NO PROBLEM IS OPEN");
    ierr = kNotOpen;
    return;
  }
  // 1-2. The counts and the solution.
  std::int32_t solved = 0;
  DBMISC(solved, nstrm, ncomp, nunit);
  ierr = kOk;
  if (solved == 0) {
    say(" SOLUTION NOT REACHED ");
    ierr = kNotSolved;
  }
  // 3-4. Counts beyond the tables: reported, and nothing built.
  bool over = false;
  const auto limit = [&](std::string_view what, std::int32_t count, std::int32_t most) {
    if (count <= most) return;
    say(" NUMBER OF " + std::string(what) + " " + i5(count) + " EXCEEDS MAXIMUM " + i5(most));
    over = true;
  };
  limit("COMPONENTS", ncomp, kMaxComponents);
  limit("STREAMS", nstrm, kMaxStreams);
  limit("UNITS", nunit, kMaxUnits);
  if (over) {
    say(" FATAL ERROR - EXECUTION STOPED !!!");
    ierr = kOverLimit;
    return;
  }

  // 5. The counts.
  clearTables();
  built = true;
  PAIDTB.ncomp = ncomp;
  PAIDTB.nstrm = nstrm;
  PAIDTB.nunit = nunit;
  // 6. Component numbers to stored positions.
  for (std::int32_t j = 1; j <= ncomp; ++j) {
    std::int32_t list = 0;
    std::int32_t pos = 0;
    problem::CODLST(j, list, pos);
    PAIDTB.componentPosition(static_cast<std::size_t>(j)) = pos;
  }
  // 7. Component identifiers by component number, from list 1.
  for (std::int32_t i = 1; i <= ncomp; ++i) {
    std::int32_t k = 0;
    problem::SLTIDX(i, 1, k);
    if (k < 1 || k > kMaxComponents) continue;
    PAIDTB.componentId(static_cast<std::size_t>(k)) = PACNAM(1, i);
  }
  // 8. The named streams, in stream-index order, as many as the tables hold.
  std::int32_t n = 0;
  const std::int32_t streamEntries = problem::ISRNOS();
  for (std::int32_t s = 1; s <= streamEntries && n < kMaxStreams; ++s) {
    const services::FixedText<12> id = problem::ISRID(s);
    if (id.trimmed().empty()) continue;
    ++n;
    PAIDTB.streamSlot(static_cast<std::size_t>(n)) = s;
    PAIDTB.streamId(static_cast<std::size_t>(n)) = id;
  }
  if (n < nstrm) {
    nstrm = n;
    PAIDTB.nstrm = n;
  }
  // 9. The active units.
  std::int32_t m = 0;
  const std::int32_t unitEntries = problem::IUNNOU();
  for (std::int32_t u = 1; u <= unitEntries && m < kMaxUnits; ++u) {
    if (problem::IUNSTA(u) != kActive) continue;
    ++m;
    PAIDTB.unitId(static_cast<std::size_t>(m)) = problem::UNITID(u);
  }
}

void PACLOS() {
  if (!open) return;
  methods::PAEND();
  open = false;
  clearTables();
}

bool tablesBuilt() { return open && built; }

void forgetProblem() {
  open = false;
  clearTables();
}

services::FixedText<16> PACNAM(std::int32_t list, std::int32_t i) {
  services::FixedText<16> name;
  if (list != 1 && list != 2) return name;
  const std::int32_t count = problem::COHDR(list == 1 ? kListLength1 : kListLength2);
  const std::int32_t slots = problem::COPTRS.words(list == 1 ? kNameSlots1 : kNameSlots2);
  if (i < 1 || i > count || slots == services::NOCORE) return name;
  const std::int32_t slot = storage::CORSTO[slots + i];
  return list == 1 ? PACNM1(slot) : PACNM2(slot);
}

services::FixedText<16> PACNM1(std::int32_t slot) {
  return componentName(problem::DBGLOB.co.list1, slot);
}

services::FixedText<16> PACNM2(std::int32_t slot) {
  return componentName(problem::DBGLOB.co.list2, slot);
}

}  // namespace api_access
