// damage_run: the example host's problem damaged as a whole file many times over, each
// damaged problem read through the requests of the example host and flashed.
//
// The natural-gas plant of the example host is built once with the fixture builder into a
// temporary directory. Each run takes the pristine bytes of the three problem files and the
// support database, damages one of them (a truncation, a zeroed block, a block of random
// bytes, one record copied over another, two records swapped, or a few bit flips), lays the
// four files into an in-memory file system (the disk is touched only by the report listing)
// and then, through the exported calls, opens the problem, counts it, reads the components,
// the units and every stream, flashes the feed's composition (VFLASH types 1 and 3), takes
// its vapour properties (VPROPS) and closes. The abort report ends a run (the stop hook
// throws); that is a refusal, not a finding.
//
// Findings, counted and listed with the run number that reproduces them:
//   - a real that is NaN or infinite, delivered with a status of success (0, or -1 for the
//     data requests' success with a warning);
//   - an answer with status 0 that differs from the undamaged problem's (the share of runs
//     with one is the figure this tool exists for; some are harmless, e.g. a damaged word
//     that no check can tell from a true value).
//
//   damage_run [--runs N] [--seed S] [--only RUN] [--show K]
//     --runs N   damaged problems (default 10000)
//     --seed S   the seed of the damage (default 1); run k uses the seed S and k
//     --only K   runs run K alone and prints each answer that differs
//     --show K   lists the first K runs of each finding (default 20)
//     --reference 1  prints the undamaged problem's answers first
//
// Exit status: 1 when a NaN or an infinity came with a status of success, else 0.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "platform/direct_files.hpp"
#include "platform/platform.hpp"
#include "storage/storage.hpp"
#include "vendrakol.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kIdChars = 12;
constexpr std::size_t kComponentIdChars = 16;
constexpr std::int32_t kFieldSet = 5;

// ---------------------------------------------------------------------------------------
// The answers of one run
// ---------------------------------------------------------------------------------------

// One answer: what was asked, the status, the reals and the text.
struct Answer {
  std::int32_t status = 0;
  std::vector<double> reals;
  std::string text;
};

// The answers of a run by what was asked ("PADATR STREAM FEED Temperature").
using Answers = std::map<std::string, Answer>;

bool succeeded(const std::string& key, std::int32_t status) {
  // The data requests' -1 is a success with a warning: its values are delivered.
  const bool request = key.starts_with("PADAT");
  return status == 0 || (request && status == -1);
}

// Whether two reals agree: equal, or the flash's results within a relative 1e-9 (the same
// arithmetic on the same inputs; only damage moves them).
bool same(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

bool sameAnswer(const Answer& a, const Answer& b) {
  if (a.text != b.text || a.reals.size() != b.reals.size()) return false;
  for (std::size_t k = 0; k < a.reals.size(); ++k) {
    if (!same(a.reals[k], b.reals[k])) return false;
  }
  return true;
}

struct Text {
  std::string s;
  const char* data() const { return s.data(); }
  std::int32_t size() const { return static_cast<std::int32_t>(s.size()); }
};

std::string trimmed(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \0", std::string_view::npos, 2);
  return std::string(end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1));
}

// ---------------------------------------------------------------------------------------
// The requests of the example host, and more of the same kind
// ---------------------------------------------------------------------------------------

class Session {
 public:
  explicit Session(Answers& answers) : answers_(answers) {}

  void texts(const char* cls, const char* attr, const std::string& id, std::size_t width,
             std::vector<std::string>& out) {
    std::vector<char> buffer(width * 256, ' ');
    std::int32_t elen = 0, count = 0, ierr = -9;
    const Text c{cls}, a{attr}, i{id};
    ::PADATC(c.data(), c.size(), a.data(), a.size(), i.data(), i.size(), buffer.data(),
             static_cast<std::int32_t>(width), &elen, &count, &ierr);
    Answer answer;
    answer.status = ierr;
    out.clear();
    const std::size_t n = static_cast<std::size_t>(std::clamp(count, 0, 256));
    for (std::size_t k = 0; k < n; ++k) {
      out.push_back(trimmed(std::string_view(buffer.data() + k * width, width)));
      answer.text += out.back() + "|";
    }
    answers_[std::string("PADATC ") + cls + " " + id + " " + attr] = answer;
  }

  std::vector<double> reals(const char* cls, const char* attr, const std::string& id) {
    std::vector<float> buffer(20000, 0.0F);
    std::int32_t count = 0, set = kFieldSet, ucls = 0, ierr = -9;
    const Text c{cls}, a{attr}, i{id};
    ::PADATR(c.data(), c.size(), a.data(), a.size(), i.data(), i.size(), buffer.data(), &count,
             &set, &ucls, &ierr);
    Answer answer;
    answer.status = ierr;
    const std::size_t n = static_cast<std::size_t>(std::clamp(count, 0, 20000));
    answer.reals.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    answer.text = std::to_string(ucls);
    answers_[std::string("PADATR ") + cls + " " + id + " " + attr] = answer;
    return answer.reals;
  }

  void counts() {
    std::int32_t ncomp = 0, nstrm = 0, nunit = 0, ierr = -9;
    ::PAMISC(&ncomp, &nstrm, &nunit, &ierr);
    answers_["PAMISC"] = {ierr, {double(ncomp), double(nstrm), double(nunit)}, {}};
    ncomp_ = ncomp;
  }

  void label(std::int32_t code, std::int32_t set) {
    char text[31] = {};
    std::int32_t istat = -9;
    ::PAUOM1(&code, &set, &istat, text, 30);
    answers_["PAUOM1 " + std::to_string(code) + " " + std::to_string(set)] = {
        istat, {}, trimmed(std::string_view(text, 30))};
  }

  // VFLASH of the composition Z on stream ID; returns the total enthalpy for a type-3 call.
  double flash(const std::string& id, std::int32_t type, std::vector<double> z, double h) {
    const std::int32_t n = static_cast<std::int32_t>(z.size());
    if (n < 1) return 0.0;
    std::vector<double> y(z.size()), x(z.size()), w(z.size());
    const std::int32_t debug = 0, iesti = 0, maxit = 0;
    const double t = 233.15, p = 5000.0 * 1000.0, zero = 0.0;
    double r[11] = {};
    std::int32_t status = -9;
    const Text i{id};
    ::VFLASH(&debug, i.data(), i.size(), &t, &p, &zero, &h, &zero, z.data(), &type, &n, &iesti,
             &zero, &zero, &maxit, &zero, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7],
             &r[8], &r[9], &r[10], y.data(), x.data(), w.data(), &status);
    Answer answer;
    answer.status = status;
    answer.reals.assign(std::begin(r), std::end(r));
    for (const auto* v : {&y, &x, &w})
      answer.reals.insert(answer.reals.end(), v->begin(), v->end());
    answers_["VFLASH " + id + " type " + std::to_string(type)] = answer;
    return r[2] * r[8] + r[3] * r[9] + r[4] * r[10];
  }

  void properties(const std::string& id, std::vector<double> z) {
    const std::int32_t n = static_cast<std::int32_t>(z.size());
    if (n < 1) return;
    const std::int32_t debug = 0, phase = 1, nprop = 9;
    const double t = 300.0, p = 2000.0 * 1000.0;
    std::vector<double> props(9, 0.0);
    std::int32_t status = -9;
    const Text i{id};
    ::VPROPS(&debug, i.data(), i.size(), &t, &p, z.data(), &phase, &n, &nprop, props.data(),
             &status);
    answers_["VPROPS " + id] = {status, props, {}};
  }

  std::int32_t ncomp() const { return ncomp_; }

 private:
  Answers& answers_;
  std::int32_t ncomp_ = 0;
};

// The attributes read of every stream.
constexpr const char* kStreamAttributes[] = {
    "Temperature",      "Pressure",           "TotalMolarRate",    "VaporFraction",
    "LiquidFraction",   "TotalMolarEnthalpy", "TotalMolarEntropy", "BulkMolecularWeight",
    "TotalComposition", "VapMolarEnthalpy",   "LiqMolarEnthalpy"};
// The component constants read.
constexpr const char* kComponentAttributes[] = {"MolWeight", "NormBoilPt", "CritTemp",
                                                "CritPres",  "AcenFactor", "StdLiqDens"};

// The calls of one run on the open problem.
void readProblem(Session& s) {
  s.counts();
  std::vector<std::string> components, units, streams, type;
  s.texts("COMPS", "IDS", "", kComponentIdChars, components);
  for (const char* attr : kComponentAttributes) s.reals("COMPS", attr, "");
  s.texts("UNIT", "IDS", "", kIdChars, units);
  for (const std::string& unit : units) s.texts("UNIT", "TYPE", unit, 16, type);
  s.texts("STREAM", "IDS", "", kIdChars, streams);
  std::vector<double> feed;
  for (const std::string& stream : streams) {
    for (const char* attr : kStreamAttributes) {
      std::vector<double> values = s.reals("STREAM", attr, stream);
      if (stream == "FEED" && std::string_view(attr) == "TotalComposition") feed = values;
    }
  }
  for (std::int32_t code : {1, 4, 31, 100028}) s.label(code, kFieldSet);
  // The flashes use the feed's composition as the undamaged problem gives it, so that a
  // damaged composition read is not counted twice.
  feed.resize(static_cast<std::size_t>(std::max(s.ncomp(), 0)), 0.0);
  if (!feed.empty() && std::all_of(feed.begin(), feed.end(), [](double v) { return v == 0.0; })) {
    feed[0] = 1.0;
  }
  const double h = s.flash("FEED", 1, feed, 0.0);
  s.flash("FEED", 3, feed, h);
  s.properties("FEED", feed);
  std::int32_t solved = 0, nstrm = 0, ncomp = 0, nunit = 0;
  ::DBMISC(&solved, &nstrm, &ncomp, &nunit);
}

// ---------------------------------------------------------------------------------------
// The files and their damage
// ---------------------------------------------------------------------------------------

struct ProblemFile {
  std::string name;  // the name the library opens it by
  std::size_t recordBytes = 0;
  std::vector<std::byte> pristine;
};

std::vector<std::byte> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> chars{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  std::vector<std::byte> bytes(chars.size());
  std::memcpy(bytes.data(), chars.data(), chars.size());
  return bytes;
}

std::size_t recordBytesOf(const std::vector<std::byte>& file, std::int32_t fileNumber) {
  storage::ControlRecord image;
  const std::size_t n = std::min(file.size(), image.size() * platform::kWordBytes);
  platform::bytesToWords(std::span<const std::byte>(file).first(n), image.span());
  const storage::GroupHeader header = storage::decodeGroupHeader(image, "DAMAGE");
  return platform::kWordBytes * static_cast<std::size_t>(header.recordSizes(fileNumber));
}

enum class Damage { Truncation, ZeroBlock, RandomBlock, RecordCopy, RecordSwap, BitFlips };
constexpr const char* kDamageNames[] = {"truncation",  "zeroed block", "random block",
                                        "record copy", "record swap",  "bit flips"};
constexpr const char* kFileNames[] = {"problem file 1", "problem file 2", "problem file 3",
                                      "support database"};

struct Damaged {
  Damage kind = Damage::BitFlips;
  std::size_t file = 0;
  std::string said;  // where, for the listing of one run
};

Damaged damage(std::vector<std::vector<std::byte>>& images, const std::vector<ProblemFile>& files,
               std::mt19937_64& rng) {
  auto below = [&](std::size_t n) {
    return n == 0 ? std::size_t{0} : static_cast<std::size_t>(rng() % n);
  };
  Damaged d;
  d.file = below(files.size());
  d.kind = static_cast<Damage>(below(6));
  std::vector<std::byte>& bytes = images[d.file];
  const std::size_t size = bytes.size();
  const std::size_t record = std::max<std::size_t>(files[d.file].recordBytes, 4);
  const std::size_t records = std::max<std::size_t>(size / record, 1);
  char said[160];
  switch (d.kind) {
    case Damage::Truncation: {
      // At a record boundary or anywhere.
      const std::size_t at = below(2) == 0 ? below(records) * record : below(size);
      bytes.resize(at);
      std::snprintf(said, sizeof said, "cut to %zu bytes", at);
      break;
    }
    case Damage::ZeroBlock:
    case Damage::RandomBlock: {
      const std::size_t length = std::size_t{4} << below(11);  // 4 to 4096 bytes
      const std::size_t at = below(size / 4) * 4;
      const std::size_t end = std::min(size, at + length);
      for (std::size_t k = at; k < end; ++k) {
        bytes[k] = d.kind == Damage::ZeroBlock ? std::byte{0} : static_cast<std::byte>(rng());
      }
      std::snprintf(said, sizeof said, "bytes %zu to %zu", at, end);
      break;
    }
    case Damage::RecordCopy:
    case Damage::RecordSwap: {
      const std::size_t from = below(records), to = below(records);
      for (std::size_t k = 0; k < record && (to * record + k) < size && (from * record + k) < size;
           ++k) {
        std::byte& a = bytes[from * record + k];
        std::byte& b = bytes[to * record + k];
        if (d.kind == Damage::RecordCopy) {
          b = a;
        } else {
          std::swap(a, b);
        }
      }
      std::snprintf(said, sizeof said, "records %zu and %zu", from + 1, to + 1);
      break;
    }
    case Damage::BitFlips: {
      const std::size_t flips = 1 + below(8);
      std::string where;
      for (std::size_t k = 0; k < flips && size > 0; ++k) {
        const std::size_t at = below(size);
        const std::size_t bit = below(8);
        bytes[at] ^= static_cast<std::byte>(1U << bit);
        where += " " + std::to_string(at) + "." + std::to_string(bit);
      }
      std::snprintf(said, sizeof said, "bits%s", where.c_str());
      break;
    }
  }
  d.said = said;
  return d;
}

// ---------------------------------------------------------------------------------------
// The runs
// ---------------------------------------------------------------------------------------

struct Setting {
  fs::path directory;
  std::string problemName, dir2;
  std::vector<ProblemFile> files;
  ~Setting() {
    std::error_code ignored;
    if (!directory.empty()) fs::remove_all(directory, ignored);
  }
};

enum class Outcome { Refused, Stopped, Read };

Outcome runOnce(const Setting& s, platform::MemoryFileSystem& memory,
                const std::vector<std::vector<std::byte>>& images, Answers& answers) {
  for (std::size_t f = 0; f < s.files.size(); ++f) memory.setContents(s.files[f].name, images[f]);
  Session session(answers);
  try {
    std::int32_t iout = 0, ierr = -9;
    ::PAOPEN(s.problemName.data(), static_cast<std::int32_t>(s.problemName.size()), s.dir2.data(),
             static_cast<std::int32_t>(s.dir2.size()), &iout, &ierr);
    if (ierr != 0) return Outcome::Refused;
    readProblem(session);
    ::PACLOS();
    return Outcome::Read;
  } catch (const platform::RunStopped&) {
    api_access::forgetProblem();
    return Outcome::Stopped;
  }
}

struct Options {
  std::int64_t runs = 10000;
  std::uint64_t seed = 1;
  std::int64_t only = -1;
  std::int64_t show = 20;
  bool reference = false;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int k = 1; k + 1 < argc; k += 2) {
    const std::string_view flag(argv[k]);
    const long long value = std::strtoll(argv[k + 1], nullptr, 10);
    if (flag == "--runs") {
      o.runs = value;
    } else if (flag == "--seed") {
      o.seed = static_cast<std::uint64_t>(value);
    } else if (flag == "--only") {
      o.only = value;
    } else if (flag == "--show") {
      o.show = value;
    } else if (flag == "--reference") {
      o.reference = value != 0;
    } else {
      std::fprintf(stderr,
                   "usage: damage_run [--runs N] [--seed S] [--only RUN] [--show K] "
                   "[--reference 1]\n");
      std::exit(2);
    }
  }
  return o;
}

void build(Setting& s) {
  std::string pattern = (fs::temp_directory_path() / "vendrakol-damage-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(2);
  }
  s.directory = pattern;
  const fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  const fixtures::BuiltProblem built = fixtures::buildProblem(s.directory, d);
  s.problemName = (s.directory / d.name).string();
  s.dir2 = s.directory.string() + "/";
  const std::string problem = built.problemBase.string(), support = built.supportBase.string();
  const std::string names[] = {problem + "1", problem + "2", problem + "3", support + "1"};
  for (std::size_t f = 0; f < 4; ++f) {
    ProblemFile file;
    file.name = platform::hostFileName(names[f]);
    file.pristine = readBytes(names[f]);
    file.recordBytes = recordBytesOf(f < 3 ? readBytes(names[0]) : file.pristine,
                                     f < 3 ? static_cast<std::int32_t>(f + 1) : 1);
    s.files.push_back(std::move(file));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  platform::setStopHook(&platform::throwingStopHook);
  platform::setDiagnosticSink([](std::string_view) {});
  platform::redirectStandardUnit(platform::kStdoutUnit, "/dev/null");

  Setting s;
  build(s);
  platform::MemoryFileSystem memory;
  const platform::UseDirectFileSystem inMemory(memory);

  std::vector<std::vector<std::byte>> pristine;
  for (const ProblemFile& f : s.files) pristine.push_back(f.pristine);
  Answers reference;
  if (runOnce(s, memory, pristine, reference) != Outcome::Read) {
    std::fprintf(stderr, "damage_run: the undamaged problem does not read\n");
    return 2;
  }

  if (options.reference) {
    for (const auto& [key, answer] : reference) {
      std::printf("%s: status %d %s\n", key.c_str(), answer.status, answer.text.c_str());
      for (double v : answer.reals) std::printf("  %.9g", v);
      std::printf("\n");
    }
  }

  std::int64_t outcomes[3] = {};
  std::int64_t nonFinite = 0, differing = 0;
  std::map<std::string, std::int64_t> differingBy, nonFiniteBy, differingKind;
  std::vector<std::string> nonFiniteRuns, differingRuns;
  const std::int64_t first = options.only >= 0 ? options.only : 0;
  const std::int64_t last = options.only >= 0 ? options.only + 1 : options.runs;
  for (std::int64_t run = first; run < last; ++run) {
    std::mt19937_64 rng(options.seed * 1000003ULL + static_cast<std::uint64_t>(run));
    std::vector<std::vector<std::byte>> images = pristine;
    const Damaged d = damage(images, s.files, rng);
    Answers answers;
    const Outcome outcome = runOnce(s, memory, images, answers);
    ++outcomes[static_cast<int>(outcome)];
    bool runNonFinite = false, runDiffers = false;
    std::string firstDiffering;
    for (const auto& [key, answer] : answers) {
      if (!succeeded(key, answer.status)) continue;
      const bool bad = std::any_of(answer.reals.begin(), answer.reals.end(),
                                   [](double v) { return !std::isfinite(v); });
      if (bad) {
        runNonFinite = true;
        ++nonFiniteBy[key];
      }
      const auto ref = reference.find(key);
      const bool differs =
          answer.status == 0 && (ref == reference.end() || !sameAnswer(answer, ref->second));
      if (differs) {
        if (!runDiffers) firstDiffering = key;
        runDiffers = true;
        ++differingBy[key];
      }
      if (options.only >= 0 && (bad || differs)) {
        std::printf("%s: status %d%s\n", key.c_str(), answer.status, bad ? " NaN or infinity" : "");
        const std::size_t n = std::min<std::size_t>(answer.reals.size(), 40);
        for (std::size_t k = 0; k < n; ++k) {
          const double was =
              ref != reference.end() && k < ref->second.reals.size() ? ref->second.reals[k] : NAN;
          if (!same(answer.reals[k], was)) {
            std::printf("  [%zu] %.9g (undamaged %.9g)\n", k, answer.reals[k], was);
          }
        }
        if (ref != reference.end() && answer.text != ref->second.text) {
          std::printf("  text \"%s\" (undamaged \"%s\")\n", answer.text.c_str(),
                      ref->second.text.c_str());
        }
      }
    }
    char line[320];
    std::snprintf(line, sizeof line, "run %" PRId64 ": %s of %s, %s", run,
                  kDamageNames[static_cast<int>(d.kind)], kFileNames[d.file], d.said.c_str());
    if (runNonFinite) {
      ++nonFinite;
      nonFiniteRuns.push_back(line);
    }
    if (runDiffers) {
      ++differing;
      ++differingKind[std::string(kDamageNames[static_cast<int>(d.kind)]) + ", " +
                      kFileNames[d.file]];
      differingRuns.push_back(std::string(line) + " (first: " + firstDiffering + ")");
    }
  }

  const std::int64_t runs = last - first;
  std::printf("damage_run: %" PRId64 " damaged problems (seed %" PRIu64 ")\n", runs, options.seed);
  std::printf("  refused by the open %" PRId64 ", ended in the abort report %" PRId64
              ", read through %" PRId64 "\n",
              outcomes[0], outcomes[1], outcomes[2]);
  std::printf("  NaN or infinity with a status of success: %" PRId64 " runs\n", nonFinite);
  std::printf("  an answer with status 0 that differs from the undamaged one: %" PRId64
              " runs (%.2f %%)\n",
              differing, runs > 0 ? 100.0 * static_cast<double>(differing) / runs : 0.0);
  const auto list = [&](const char* title, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::printf("%s\n", title);
    for (std::size_t k = 0; k < lines.size() && static_cast<std::int64_t>(k) < options.show; ++k) {
      std::printf("  %s\n", lines[k].c_str());
    }
  };
  list("runs with a NaN or an infinity:", nonFiniteRuns);
  for (const auto& [key, n] : nonFiniteBy) std::printf("  %6" PRId64 "  %s\n", n, key.c_str());
  list("runs with a differing answer:", differingRuns);
  std::printf("differing answers by damage:\n");
  for (const auto& [key, n] : differingKind) std::printf("  %6" PRId64 "  %s\n", n, key.c_str());
  std::printf("differing answers by request:\n");
  for (const auto& [key, n] : differingBy) std::printf("  %6" PRId64 "  %s\n", n, key.c_str());
  return nonFinite > 0 ? 1 : 0;
}
