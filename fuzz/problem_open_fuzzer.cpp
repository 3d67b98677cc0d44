// Fuzz target: a damaged problem database opened, counted and closed through the
// problem-access calls.
//
// At start-up the fixture builder writes a small solved problem (its three database files,
// the support database and the message file) into a temporary directory; its files are kept
// in memory as the pristine images, and the library reads the database files from memory
// through the in-memory file seam (no disk transfer per input). Each input sets the files
// from those images, lays its patches over them, then runs PAOPEN, PAMISC, DBMISC and PACLOS, and
// once more PAOPEN and PACLOS when the first cycle came through, so that what a close wrote back is
// read again. The stop hook throws: an abort report ends the input, never the process. Anything
// else (a sanitizer report, an escaping exception, a crash, a hang, a core store whose block
// tags or free tree were damaged) is a finding.
//
// Input: patches, one after the other, until the input ends.
//   byte 0      the file: 0 problem file 1, 1 file 2, 2 file 3, 3 the support database
//               (the value modulo 4)
//   bytes 1-3   the byte offset in the file, little-endian, modulo the file's length
//   bytes 4-5   the patch's length n, little-endian
//   n bytes     laid over the file from the offset, cut where the file ends
// An input shorter than a patch's six leading bytes leaves the files as they are.
//
// Seeds: the first corpus directory named on the command line receives, at start-up, an
// empty input and one patch per record of every file, each holding that record's pristine
// bytes (header records, free-space records, master blocks and table blocks alike).
//
// Run with the environment variable VENDRAKOL_FUZZ_SHOW set, the abort reports are shown on
// the standard error stream (e.g. to see where the inputs of a corpus end).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "platform/direct_files.hpp"
#include "platform/platform.hpp"
#include "storage/core_store_checker.hpp"
#include "storage/storage.hpp"
#include "vendrakol.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPatchHead = 6;
constexpr std::int32_t kUnitType = 110001;

struct FuzzedFile {
  fs::path path;
  std::size_t recordBytes = 0;
  std::vector<char> pristine;
};

struct Setting {
  fs::path directory;
  std::string problemName;
  std::vector<FuzzedFile> files;
  platform::MemoryFileSystem memory;  // the database files the library opens

  ~Setting() {
    std::error_code ignored;
    if (!directory.empty()) fs::remove_all(directory, ignored);
  }
};

Setting& setting() {
  static Setting s;
  return s;
}

std::vector<char> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The header record of a group, from the bytes of its first file.
storage::GroupHeader headerOf(const std::vector<char>& file) {
  storage::ControlRecord image;
  const auto bytes = std::as_bytes(std::span(file));
  platform::bytesToWords(bytes.first(std::min(bytes.size(), image.size() * platform::kWordBytes)),
                         image.span());
  return storage::decodeGroupHeader(image, "FUZZER");
}

// The small solved problem: four components; two method sets, the default one with its own
// component block; two correlation sets; three streams; two units, one with a data block, and
// a composite unit of two sections; a specification, a CS item, a reaction set and a reaction.
// Every table the open reads has blocks of its own to damage.
fixtures::ProblemDescription smallProblem() {
  fixtures::ProblemDescription d;
  d.name = "fuzzed";
  for (const char* name : {"NITROGEN", "METHANE", "ETHANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  const auto n = d.components.size();
  fixtures::MethodSetSpec own = fixtures::equationOfStateSet("OWN-TC", 101);
  own.componentIntegers.resize(4);
  own.componentIntegers[3].assign(n, 900);
  own.componentReals.resize(5);
  own.componentReals[4].assign(n, 500.0);
  d.methodSets = {fixtures::equationOfStateSet("PR", 101), own};
  d.defaultMethodSet = 2;
  d.correlationSets = {{3, 7, std::vector<std::int32_t>(40, 5)},
                       {4, 1, std::vector<std::int32_t>(12, 6)}};
  for (const char* name : {"FEED", "VAPOUR", "LIQUID"}) {
    fixtures::StreamSpec stream;
    stream.name = name;
    stream.temperature = 300.0;
    stream.pressure = 2000.0;
    stream.rate = 100.0;
    stream.composition = {0.1, 0.6, 0.2, 0.1};
    d.streams.push_back(stream);
  }
  for (const char* name : {"FLASH-1", "MIXER-2"}) {
    fixtures::UnitSpec unit;
    unit.identifier = name;
    unit.type = kUnitType;
    unit.status = 2;
    unit.record = fixtures::unitRecord({1, 2, 3});
    d.flowsheet.units.push_back(unit);
  }
  fixtures::BlockSpec data;
  data.integers = {{7, 8}};
  data.reals = {{9.5}};
  d.flowsheet.units.front().data = data;
  fixtures::CompositeSpec composite;
  composite.sections = {fixtures::compositeSection("TOP", 3, 2, 1),
                        fixtures::compositeSection("BOTTOM", 4, 0, 2)};
  d.flowsheet.composite = composite;
  fixtures::SpecificationSpec spec;
  spec.identifier = "SPEC-1";
  d.flowsheet.specifications = {spec};
  spec.identifier = "CS-1";
  spec.record = fixtures::specificationRecord(5);
  d.flowsheet.csItems = {spec};
  fixtures::ReactionSetSpec set;
  set.identifier = "SET-A";
  d.flowsheet.reactionSets = {set};
  fixtures::ReactionSpec reaction;
  reaction.identifier = "R1";
  reaction.set = "SET-A";
  d.flowsheet.reactions = {reaction};
  return d;
}

// Builds the problem once and keeps its files' images.
void buildPristine() {
  Setting& s = setting();
  std::string pattern = (fs::temp_directory_path() / "vendrakol-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(2);
  }
  s.directory = pattern;
  const fixtures::ProblemDescription d = smallProblem();
  const fixtures::BuiltProblem built = fixtures::buildProblem(s.directory, d);
  s.problemName = (s.directory / d.name).string();
  const std::string problemBase = built.problemBase.string();
  const std::string supportBase = built.supportBase.string();
  s.files = {{problemBase + "1", 0, {}},
             {problemBase + "2", 0, {}},
             {problemBase + "3", 0, {}},
             {supportBase + "1", 0, {}}};
  for (FuzzedFile& f : s.files) f.pristine = readBytes(f.path);
  const storage::GroupHeader problemHeader = headerOf(s.files.front().pristine);
  for (std::size_t k = 0; k + 1 < s.files.size(); ++k) {
    s.files[k].recordBytes =
        platform::kWordBytes * static_cast<std::size_t>(problemHeader.recordSizes(k + 1));
  }
  s.files.back().recordBytes =
      platform::kWordBytes *
      static_cast<std::size_t>(headerOf(s.files.back().pristine).recordSizes(1));
  // From now on the library's direct files are those in memory (the files stay on the disk
  // for the open's check that they exist).
  platform::setDirectFileSystem(&s.memory);
}

void appendPatch(std::vector<char>& input, std::size_t file, std::size_t offset, const char* bytes,
                 std::size_t n) {
  input.push_back(static_cast<char>(file));
  for (int k = 0; k < 3; ++k) input.push_back(static_cast<char>((offset >> (8 * k)) & 0xFF));
  input.push_back(static_cast<char>(n & 0xFF));
  input.push_back(static_cast<char>((n >> 8) & 0xFF));
  input.insert(input.end(), bytes, bytes + n);
}

// An empty input, and patches that carry records unchanged: every record of the problem
// database that holds anything, and of the support database (mostly the rows of its unit
// table) the header record, the free-space record and the master block.
void writeSeeds(const fs::path& corpus) {
  const Setting& s = setting();
  writeBytes(corpus / "seed-pristine", {});
  const std::size_t support = s.files.size() - 1;
  const storage::GroupHeader header = headerOf(s.files[support].pristine);
  const std::size_t recordBytes = s.files[support].recordBytes;
  const auto masterRecord = static_cast<std::size_t>(storage::recordOf(header.masterAddress));
  const std::size_t masterRecords =
      (static_cast<std::size_t>(header.masterLength) * platform::kWordBytes + recordBytes - 1) /
      recordBytes;
  for (std::size_t f = 0; f < s.files.size(); ++f) {
    const FuzzedFile& file = s.files[f];
    for (std::size_t offset = 0; offset < file.pristine.size(); offset += file.recordBytes) {
      const std::size_t record = offset / file.recordBytes + 1;
      const std::size_t n = std::min(file.recordBytes, file.pristine.size() - offset);
      const auto first = file.pristine.begin() + static_cast<std::ptrdiff_t>(offset);
      if (std::all_of(first, first + static_cast<std::ptrdiff_t>(n),
                      [](char c) { return c == 0; })) {
        continue;
      }
      if (f == support && record > 2 &&
          (record < masterRecord || record >= masterRecord + masterRecords)) {
        continue;
      }
      std::vector<char> input;
      appendPatch(input, f, offset, file.pristine.data() + offset, n);
      writeBytes(
          corpus / ("seed-file" + std::to_string(f + 1) + "-record" + std::to_string(record)),
          input);
    }
  }
}

// The files as the input makes them.
void prepareFiles(const std::uint8_t* data, std::size_t size) {
  Setting& s = setting();
  std::vector<std::vector<char>> images;
  images.reserve(s.files.size());
  for (const FuzzedFile& f : s.files) images.push_back(f.pristine);
  std::size_t at = 0;
  while (size - at >= kPatchHead) {
    const std::size_t file = data[at] % s.files.size();
    std::vector<char>& image = images[file];
    const std::size_t offset =
        (data[at + 1] | (data[at + 2] << 8) | (std::size_t{data[at + 3]} << 16)) % image.size();
    const std::size_t asked = data[at + 4] | (data[at + 5] << 8);
    at += kPatchHead;
    const std::size_t n = std::min(asked, size - at);
    for (std::size_t k = 0; k < n && offset + k < image.size(); ++k) {
      image[offset + k] = static_cast<char>(data[at + k]);
    }
    at += n;
  }
  for (std::size_t f = 0; f < s.files.size(); ++f) {
    const auto* first = reinterpret_cast<const std::byte*>(images[f].data());
    s.memory.setContents(platform::hostFileName(s.files[f].path.string()),
                         std::vector<std::byte>(first, first + images[f].size()));
  }
}

// The calls as a host makes them, through the exports.
bool openProblem() {
  const std::string& name = setting().problemName;
  const std::string directory = setting().directory.string();
  std::int32_t iout = 0;
  std::int32_t ierr = -1;
  ::PAOPEN(name.data(), static_cast<std::int32_t>(name.size()), directory.data(),
           static_cast<std::int32_t>(directory.size()), &iout, &ierr);
  return ierr == api_access::kOk;
}

void runCalls() {
  if (!openProblem()) return;
  std::int32_t ncomp = 0;
  std::int32_t nstrm = 0;
  std::int32_t nunit = 0;
  std::int32_t ierr = 0;
  ::PAMISC(&ncomp, &nstrm, &nunit, &ierr);
  std::int32_t solved = 0;
  ::DBMISC(&solved, &nstrm, &ncomp, &nunit);
  ::PACLOS();
  // What the close wrote back is read again.
  if (!openProblem()) return;
  ::PACLOS();
}

// The core store is one allocation: a write past a block inside it is invisible to the
// sanitizers. It shows in the block tags and the free tree, checked after every input.
void checkCoreStore() {
  std::string fault;
  try {
    fault = storage_testing::checkCoreStore();
  } catch (const platform::RunStopped&) {
    fault = "a tag or tree word leads outside the store";
  }
  if (fault.empty()) return;
  std::fprintf(stderr, "==== core store damaged after the input: %s\n", fault.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  platform::setStopHook(&platform::throwingStopHook);
  // The reasons of stops are shown only when asked for (VENDRAKOL_FUZZ_SHOW set), as when
  // the inputs of a corpus are run one by one to see where they end.
  if (std::getenv("VENDRAKOL_FUZZ_SHOW") == nullptr) {
    platform::setDiagnosticSink([](std::string_view) {});
  }
  // The calls' own lines on standard output go nowhere.
  platform::redirectStandardUnit(platform::kStdoutUnit, "/dev/null");
  buildPristine();
  for (int k = 1; k < *argc; ++k) {
    const std::string_view arg((*argv)[k]);
    std::error_code error;
    if (!arg.starts_with("-") && fs::is_directory(arg, error)) {
      writeSeeds(fs::path(arg));
      break;
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  prepareFiles(data, size);
  try {
    runCalls();
  } catch (const platform::RunStopped&) {
    // The abort report ended the run: what it left stays until the next open starts anew.
    api_access::forgetProblem();
  }
  checkCoreStore();
  return 0;
}
