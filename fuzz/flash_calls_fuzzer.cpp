// Fuzz target: the flash calls (UFLSH, VFLASH, VPROPS) and the data requests on the streams
// and components (PADATR, PADATC, PADATI) of a solved natural-gas problem, called through the
// exports with whatever arguments a host might pass.
//
// At start-up the fixture builder writes the natural-gas plant (ten components, streams in a
// Peng-Robinson, a Soave-Redlich-Kwong and an ideal-vapour set) into a temporary directory.
// An untouched open and close give the pristine problem files, the component, stream and
// unit counts and the stream identifiers; a flash of FEED gives the plausible enthalpy and
// entropy the inputs vary around. The listings an input asks for land in the working
// directory (fuzz/run.sh runs the fuzzer in its logs directory); it is not changed, so that
// libFuzzer's relative paths keep working.
//
// The reference files are those after one flash of FEED and a close, not the builder's: a
// temporary stream's record is written to file 2 when the stream is made, and the first one
// of a problem extends that file by a record; deleting the stream frees the room for the next
// one but leaves the file at its new length. A flash that grows the file beyond that, or a
// temporary stream left behind, is a finding.
//
// The problem's files and the support database are held in memory once built
// (fuzz_support::FilesInMemory), so that an input touches no disk. Each input first puts the
// pristine files back, so that no input sees what an earlier one left and a finding
// reproduces from its input alone. It opens the problem (one input in eight with every file
// open for reading only, as a problem the host may only read), runs its calls and closes it.
// The flash calls make and remove a temporary stream on the open problem; no call asks for a write
// of the problem. So after the close the problem files must have their pristine sizes, and a reopen
// must give the same counts and the same stream identifiers (no temporary stream left behind, none
// lost). A finding is a sanitizer report, a crash, a hang, an escaping exception or the abort
// report, a NaN or an infinity among the outputs of a call that reports status 0 (VFLASH: among its
// outputs whatever the status; UFLSH: a failure that leaves a word of its vectors other than 0.0),
// a write beyond the values a request was given, a changed file size or reopen, or a damaged core
// store; and a VFLASH whose success is no answer to its request: a temperature or pressure not
// above 0, a phase fraction or mole fraction outside 0 to 1, phase fractions or a present phase's
// mole fractions not summing to 1, a component balance that does not close, or (types 2 and 3, 8
// and 9) phase enthalpies or entropies whose sum is not the requested one within
// kSpecificationTolerance.
//
// Input: byte 0 (modulo 8) 0 opens the problem read-only; then calls, each of kCallBytes
// bytes, until the input ends.
//   byte 0     the call: UFLSH, VFLASH, VPROPS, PADATR, PADATC or PADATI (modulo 6)
//   byte 1     the stream: one of the problem, blank, garbled (the identifier of a request)
//   byte 2     how the texts' lengths are passed (as the data fuzzer); 250 and above also
//              ask VFLASH and VPROPS for their listing
//   byte 3     the flash type (-1 to 13), VPROPS's phase (-1 to 3)
//   bytes 4-5  the first variable: its kind (finite, huge, tiny, negative, NaN, infinity,
//              zero) and the scale of a finite one
//   bytes 6-7  the second variable, likewise
//   bytes 8-9  the composition: its kind (the gas, one component, zeros, a negative, a NaN,
//              an infinity, huge, tiny amounts, amounts from the input) and its parameter
//   byte 10    NCOMP: the problem's count, one short or over, 0, negative, 200, 201, huge
//   byte 11    a null address: below 32 the argument of that number (if there is one)
//   byte 12    VFLASH's IESTI, MAXIT and TOL; VPROPS's NPROP
//   byte 13    a request's class: STREAM, COMPS or a garbled one
//   byte 14    a request's attribute
//   byte 15    a request's COUNT, its unit set and PADATC's element length
//
// Seeds: the first corpus directory named on the command line receives, at start-up, an
// input of plausible calls per export: UFLSH and VFLASH of every flash type, VPROPS of both
// phases on streams of each method set, and requests on the streams and the components.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "fuzz_support.hpp"
#include "services/units_of_measure.hpp"
#include "vendrakol.h"

namespace {

namespace fs = std::filesystem;
using fuzz_support::finding;
using fuzz_support::passed;
using fuzz_support::PassedText;
using fuzz_support::pick;

constexpr std::size_t kCallBytes = 16;
constexpr std::int32_t kComponents = 10;  // the natural-gas plant's
constexpr std::size_t kMostValues = 20000;
constexpr std::size_t kLongestElement = 47;
constexpr std::size_t kIdentifierLength = 16;  // element length of the identifier listing
constexpr std::size_t kGuard = 64;
constexpr std::int32_t kGuardWord = 0x5A5A5A5A;
constexpr float kGuardReal = 12345.0F;
constexpr char kGuardChar = '\x5A';

// The stream vector of UFLSH: header words, then the amounts; its unit set and classes.
constexpr std::size_t kHeaderWords = 10;
constexpr std::size_t kVectorWords = kHeaderWords + kComponents;
constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kVectorSet = 5;
constexpr std::int32_t kTemperatureClass = 1;
constexpr std::int32_t kPressureClass = 4;
constexpr std::int32_t kRateClass = 31;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The streams of the problem, the identifiers of components (for the requests on COMPS), a
// unit, and blank, garbled and overlong ones.
constexpr std::string_view kStreams[] = {"FEED",
                                         "SEP-GAS",
                                         "SEP-LIQ",
                                         "COMP-OUT",
                                         "SRK-FEED",
                                         "IDEAL-FEED",
                                         "",
                                         "    ",
                                         "feed",
                                         "FEED    ",
                                         " FEED",
                                         "NO-SUCH",
                                         "INLET-SEP",
                                         "FEED\xff",
                                         "METHANE",
                                         "WATER",
                                         "A-VERY-LONG-IDENTIFIER-OF-FORTY-CHARS"};
constexpr std::string_view kClasses[] = {"STREAM", "COMPS", "stream", "STREAM ", "", "COMPS\xff"};
constexpr std::string_view kAttributes[] = {"IDS",
                                            "NAME",
                                            "Temperature",
                                            "Pressure",
                                            "TotalMolarRate",
                                            "VaporFraction",
                                            "LiquidFraction",
                                            "WaterFraction",
                                            "TotalComposition",
                                            "VaporComposition",
                                            "LiquidComposition",
                                            "TotalMolarEnthalpy",
                                            "TotalMolarEntropy",
                                            "VapMolarEnthalpy",
                                            "LiqMolarEnthalpy",
                                            "VapCP",
                                            "VapViscosity",
                                            "LiqViscosity",
                                            "VapThermalCond",
                                            "LiqSurfTension",
                                            "VapZDensity",
                                            "LiqDensityAct",
                                            "BulkMolecularWeight",
                                            "StreamThermoMethod",
                                            "TrueVapPres",
                                            "ReidVapPres",
                                            "TBPCurve",
                                            "MolWeight",
                                            "CritTemp",
                                            "CritPres",
                                            "AcenFactor",
                                            "LibraryNumber",
                                            "StdLiqDens",
                                            "",
                                            "ids",
                                            "Temperature\x01"};
constexpr std::int32_t kCounts[] = {0, 1, 10, 20000, -1, 32767, -32768, 100};

const std::array<double, kComponents> kGas{0.010, 0.020, 0.005, 0.800, 0.080,
                                           0.040, 0.020, 0.010, 0.005, 0.010};

struct Reference {
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
  std::vector<std::string> streamIds;
};

struct Setting {
  fuzz_support::TemporaryDirectory directory;
  std::string problemName;
  std::string dir2;
  fuzz_support::FilesInMemory files;  // images: the files after a flash and a close
  Reference reference;
  // The plausible values the variables vary around: the host's units of VFLASH (K, Pa,
  // J/kmol-like molar enthalpy and entropy of the feed) and the vector set of UFLSH.
  double temperature = 300.0, pressure = 5000.0 * 1000.0, enthalpy = 0.0, entropy = 0.0;
  double vectorTemperature = 0.0, vectorPressure = 0.0, vectorRate = 0.0;
};

Setting& setting() {
  static Setting s;
  return s;
}

bool openProblem() {
  const Setting& s = setting();
  return fuzz_support::openProblem(s.problemName, s.dir2);
}

void closeProblem() { ::PACLOS(); }

// The counts and the stream identifiers of the open problem.
Reference describe() {
  Reference r;
  std::int32_t ierr = -1;
  ::PAMISC(&r.ncomp, &r.nstrm, &r.nunit, &ierr);
  if (ierr != 0) finding("PAMISC fails on the open problem");
  std::vector<char> texts(kMostValues * kIdentifierLength);
  std::int32_t elen = 0, count = r.nstrm;
  const std::string_view cls = "STREAM", attr = "IDS";
  ::PADATC(cls.data(), static_cast<std::int32_t>(cls.size()), attr.data(),
           static_cast<std::int32_t>(attr.size()), "", 0, texts.data(),
           static_cast<std::int32_t>(kIdentifierLength), &elen, &count, &ierr);
  if (ierr != 0) finding("the stream identifiers cannot be listed");
  for (std::int32_t k = 0; k < std::min<std::int32_t>(count, kMostValues); ++k) {
    r.streamIds.emplace_back(texts.data() + k * kIdentifierLength, kIdentifierLength);
  }
  return r;
}

bool sameReference(const Reference& a, const Reference& b) {
  return a.ncomp == b.ncomp && a.nstrm == b.nstrm && a.nunit == b.nunit &&
         a.streamIds == b.streamIds;
}

void buildProblem() {
  Setting& s = setting();
  const fs::path& directory = s.directory.path;
  const fixtures::BuiltProblem built =
      fixtures::buildProblem(directory, fixtures::naturalGasPlant());
  s.problemName = (directory / "gasplant").string();
  s.dir2 = directory.string() + "/";
  const std::string base = built.problemBase.string();
  for (const std::string& file : {base + "1", base + "2", base + "3"}) s.files.add(file);
  s.files.add(built.supportBase.string() + "1");
  s.files.use();

  if (!openProblem()) finding("the fixture problem does not open");
  s.reference = describe();
  closeProblem();

  // The feed's state at 300 K and 5000 kPa: its molar enthalpy and entropy, and the
  // temperature, pressure and a rate of 100 in the stream vector's units.
  if (!openProblem()) finding("the fixture problem does not open");
  const std::int32_t debug = 0, type = 1, ncomp = kComponents, iesti = 0, maxit = 60;
  const double zero = 0.0, tol = 1e-6;
  std::array<double, kComponents> z{}, y{}, x{}, w{};
  std::copy(kGas.begin(), kGas.end(), z.begin());
  double t = 0, p = 0, hv = 0, hl = 0, hw = 0, sv = 0, sl = 0, sw = 0, fv = 0, fl = 0, fw = 0;
  std::int32_t ierr = -1;
  ::VFLASH(&debug, "FEED", 4, &s.temperature, &s.pressure, &zero, &zero, &zero, z.data(), &type,
           &ncomp, &iesti, &zero, &zero, &maxit, &tol, &t, &p, &hv, &hl, &hw, &sv, &sl, &sw, &fv,
           &fl, &fw, y.data(), x.data(), w.data(), &ierr);
  if (ierr != 0) finding("the feed does not flash");
  s.enthalpy = fv * hv + fl * hl + fw * hw;
  s.entropy = fv * sv + fl * sl + fw * sw;
  s.vectorTemperature = services::UOMCNV(300.0, kTemperatureClass, kInternalSet, kVectorSet);
  s.vectorPressure = services::UOMCNV(5000.0, kPressureClass, kInternalSet, kVectorSet);
  s.vectorRate = services::UOMCNV(100.0, kRateClass, kInternalSet, kVectorSet);
  closeProblem();
  // The files after that flash are the reference (see the top of the file).
  s.files.keepAsImages();
}

// A variable as the input says: KIND picks finite (scaled by SCALE from a quarter to about
// four times PLAUSIBLE), huge, tiny, negative, NaN, an infinity or zero.
double variable(double plausible, std::uint8_t kind, std::uint8_t scale) {
  const double finite = plausible * (0.25 + scale / 64.0);
  switch (kind % 10) {
    case 3:
      return scale % 2 ? 1e300 : 3e38;
    case 4:
      return scale % 2 ? 1e-300 : std::numeric_limits<double>::denorm_min();
    case 5:
      return -finite;
    case 6:
      return kNaN;
    case 7:
      return scale % 2 ? kInf : -kInf;
    case 8:
      return 0.0;
    default:
      return finite;
  }
}

// The composition (the first kComponents values; the rest, if NCOMP asks for more, zero).
void composition(std::span<double> z, std::uint8_t kind, std::uint8_t parameter,
                 const std::uint8_t* call) {
  std::fill(z.begin(), z.end(), 0.0);
  const std::size_t n = std::min<std::size_t>(z.size(), kComponents);
  std::copy_n(kGas.begin(), n, z.begin());
  const std::size_t at = parameter % kComponents;
  if (at >= n) return;
  switch (kind % 9) {
    case 1:
      std::fill_n(z.begin(), n, 0.0);
      z[at] = 1.0;
      break;
    case 2:
      std::fill_n(z.begin(), n, 0.0);
      break;
    case 3:
      z[at] = -z[at] * (1.0 + parameter);
      break;
    case 4:
      z[at] = kNaN;
      break;
    case 5:
      z[at] = parameter % 2 ? kInf : -kInf;
      break;
    case 6:
      z[at] = parameter % 2 ? 1e300 : 3e38;
      break;
    case 7:
      for (std::size_t i = 0; i < n; ++i) z[i] *= 1e-300;
      break;
    case 8:
      // Amounts from the bytes of the call itself.
      for (std::size_t i = 0; i < n; ++i) z[i] = call[i % kCallBytes] / 16.0;
      break;
    default:
      break;
  }
}

std::int32_t ncompOf(std::uint8_t byte) {
  constexpr std::int32_t choices[] = {kComponents, kComponents - 1, kComponents + 1, 0, -1, 200,
                                      201,         INT32_MAX,       INT32_MIN};
  return byte < 128 ? kComponents : choices[byte % std::size(choices)];
}

// How many values the caller's composition arrays hold: NCOMP when it is a count an honest
// caller could mean, at least the problem's count.
std::size_t arrayLength(std::int32_t ncomp) {
  return static_cast<std::size_t>(std::clamp(ncomp, kComponents, 256));
}

template <typename T>
bool allFinite(std::span<const T> values) {
  return std::all_of(values.begin(), values.end(), [](T v) { return std::isfinite(v); });
}

template <typename T>
T* unlessNull(std::vector<T>& v, std::uint8_t nullByte, std::uint8_t number) {
  return nullByte == number ? nullptr : v.data();
}

void callUFLSH(const std::uint8_t* c) {
  const Setting& s = setting();
  std::vector<double> z(kComponents);
  composition(z, c[8], c[9], c);
  const std::int32_t type = static_cast<std::int32_t>(c[3] % 15) - 1;
  std::vector<float> feed(kVectorWords, 0.0F), vap(kVectorWords, -7.0F), liq(kVectorWords, -7.0F),
      wat(kVectorWords, -7.0F), k(kComponents, -7.0F);
  double sum = 0.0;
  for (double v : z) sum += v;
  feed[0] =
      static_cast<float>(c[15] % 4 == 0 ? s.vectorRate * sum : variable(s.vectorRate, c[15], c[9]));
  // The first variable is the temperature, the second the pressure (or the enthalpy of the
  // types that take it instead).
  feed[1] = static_cast<float>(variable(s.vectorTemperature, c[4], c[5]));
  feed[2] = static_cast<float>(variable(s.vectorPressure, c[6], c[7]));
  feed[3] = static_cast<float>(variable(1000.0 * s.vectorRate, c[6], c[7]));
  for (std::size_t i = 0; i < kComponents; ++i) {
    feed[kHeaderWords + i] = static_cast<float>(s.vectorRate * z[i]);
  }
  std::int32_t ierr = -1;
  const std::uint8_t nul = c[11];
  ::UFLSH(nul == 0 ? nullptr : feed.data(), unlessNull(vap, nul, 1), unlessNull(liq, nul, 2),
          unlessNull(wat, nul, 3), unlessNull(k, nul, 4), nul == 5 ? nullptr : &type, &ierr);
  const std::pair<const std::vector<float>*, std::uint8_t> outputs[] = {
      {&vap, 1}, {&liq, 2}, {&wat, 3}, {&k, 4}};
  for (const auto& [v, number] : outputs) {
    if (nul == number) continue;
    const std::span<const float> words(*v);
    if (ierr == 0) {
      const auto bad =
          std::find_if(words.begin(), words.end(), [](float w) { return !std::isfinite(w); });
      if (bad != words.end()) {
        static constexpr const char* kNames[] = {"", "VAP", "LIQ", "WAT", "KVEC"};
        std::string what =
            "UFLSH gave a NaN or an infinity with status 0: " + std::string(kNames[number]) +
            " word " + std::to_string(bad - words.begin() + 1) + ", type " + std::to_string(type) +
            ", feed";
        for (float w : feed) what += " " + std::to_string(w);
        finding(what.c_str());
      }
    } else {
      if (std::any_of(words.begin(), words.end(), [](float w) { return w != 0.0F; })) {
        finding("UFLSH failed and left a word other than 0.0");
      }
    }
  }
}

// The allowance of the checks of a VFLASH answer: the specification (enthalpy, entropy)
// relative to the larger of its size and the phases' molar values (the flash's tolerance on
// it, with room for the single-precision vectors between the flash and the host); the given
// temperature and pressure and the sums of fractions relative to their size.
constexpr double kSpecificationTolerance = 1e-3;
constexpr double kStateTolerance = 1e-5;
constexpr double kSumTolerance = 1e-4;

bool near(double a, double b, double relative, double scale) {
  return std::fabs(a - b) <= relative * std::max({std::fabs(a), std::fabs(b), scale});
}

// The checks of a VFLASH that reported success: its answer is one to the request. T and P
// the requested state (host units), SPEC the requested enthalpy or entropy, OUT the eleven
// scalars, Y, X, W the phase compositions (nullptr when the caller passed none), Z the
// normalised composition (nullptr likewise).
void checkFlashAnswer(std::int32_t type, double t, double p, double spec, const double* out,
                      const double* y, const double* x, const double* w, const double* z) {
  const auto fail = [&](const std::string& what) {
    const std::string text =
        "VFLASH type " + std::to_string(type) + " succeeded with no answer to its request: " + what;
    finding(text.c_str());
  };
  if (!(out[0] > 0.0) || !(out[1] > 0.0)) fail("a temperature or pressure not above 0");
  const bool temperatureGiven =
      type == 1 || type == 2 || type == 4 || type == 6 || type == 8 || type == 10;
  const bool pressureGiven = !temperatureGiven || type == 1;
  if (temperatureGiven && !near(out[0], t, kStateTolerance, 0.0)) {
    fail("temperature " + std::to_string(out[0]) + " for " + std::to_string(t));
  }
  if (pressureGiven && !near(out[1], p, kStateTolerance, 0.0)) {
    fail("pressure " + std::to_string(out[1]) + " for " + std::to_string(p));
  }
  const double fractions[] = {out[8], out[9], out[10]};
  for (double f : fractions) {
    if (!(f >= 0.0 && f <= 1.0)) fail("a phase fraction outside 0 to 1");
  }
  if (!near(fractions[0] + fractions[1] + fractions[2], 1.0, kSumTolerance, 1.0)) {
    fail("phase fractions that do not sum to 1");
  }
  const double* phases[] = {y, x, w};
  for (std::size_t k = 0; k < 3; ++k) {
    if (phases[k] == nullptr) continue;
    double sum = 0.0;
    for (std::size_t i = 0; i < kComponents; ++i) {
      if (!(phases[k][i] >= 0.0 && phases[k][i] <= 1.0)) fail("a mole fraction outside 0 to 1");
      sum += phases[k][i];
    }
    if (fractions[k] > 0.0 && !near(sum, 1.0, kSumTolerance, 1.0)) {
      fail("mole fractions of a present phase that do not sum to 1");
    }
  }
  if (z != nullptr && y != nullptr && x != nullptr && w != nullptr) {
    for (std::size_t i = 0; i < kComponents; ++i) {
      const double back = fractions[0] * y[i] + fractions[1] * x[i] + fractions[2] * w[i];
      if (std::fabs(back - z[i]) > kSumTolerance) {
        fail("component " + std::to_string(i + 1) + " does not balance: " + std::to_string(back) +
             " for " + std::to_string(z[i]));
      }
    }
  }
  const bool enthalpy = type == 2 || type == 3, entropy = type == 8 || type == 9;
  if (enthalpy || entropy) {
    const std::size_t first = enthalpy ? 2 : 5;
    const double total =
        fractions[0] * out[first] + fractions[1] * out[first + 1] + fractions[2] * out[first + 2];
    const double scale =
        std::max({std::fabs(out[first]), std::fabs(out[first + 1]), std::fabs(out[first + 2])});
    if (!near(total, spec, kSpecificationTolerance, scale)) {
      fail(std::string(enthalpy ? "enthalpy " : "entropy ") + std::to_string(total) + " for " +
           std::to_string(spec));
    }
  }
}

// VFLASH: the first variable is the temperature or, for the types without one, the
// pressure; the second the pressure, the enthalpy, the entropy or the vapour fraction the
// type takes next.
void callVFLASH(const std::uint8_t* c, const PassedText& id) {
  const Setting& s = setting();
  const std::int32_t debug = c[2] >= 250 ? 1 : 0;
  const std::int32_t type = static_cast<std::int32_t>(c[3] % 15) - 1;
  const std::int32_t ncomp = ncompOf(c[10]);
  const std::size_t n = arrayLength(ncomp);
  double t = s.temperature, p = s.pressure, vfrac = 0.5, h = s.enthalpy, en = s.entropy;
  const bool pressureFirst =
      type == 3 || type == 5 || type == 7 || type == 9 || type == 11 || type == 12;
  (pressureFirst ? p : t) = variable(pressureFirst ? s.pressure : s.temperature, c[4], c[5]);
  double& second = type == 2 || type == 3   ? h
                   : type == 8 || type == 9 ? en
                   : type == 12             ? vfrac
                                            : p;
  const double plausibleSecond = &second == &h       ? s.enthalpy
                                 : &second == &en    ? s.entropy
                                 : &second == &vfrac ? 0.5
                                                     : s.pressure;
  if (!(pressureFirst && &second == &p)) second = variable(plausibleSecond, c[6], c[7]);
  std::vector<double> z(n), y(n, -7.0), x(n, -7.0), w(n, -7.0);
  composition(z, c[8], c[9], c);
  const std::int32_t iesti = c[12] & 1;
  // MAXIT is the caller's own bound on the flashes of the search: a search that is given two
  // thousand million flashes and uses them is doing what it was asked, so the largest values
  // are left out (with them an input that never brackets runs for hours).
  constexpr std::int32_t maxits[] = {60, 0, -5, 1, 100, -100};
  constexpr double tols[] = {1e-6, 0.0, -1.0, kNaN, kInf, 1e-300};
  const std::int32_t maxit = maxits[(c[12] >> 1) % std::size(maxits)];
  const double tol = tols[(c[12] >> 4) % std::size(tols)];
  const double hmin = s.enthalpy * 2.0, hmax = s.enthalpy * 0.5;
  double out[11];
  std::fill(std::begin(out), std::end(out), -7.0);
  std::int32_t ierr = -1;
  const std::uint8_t nul = c[11];
  ::VFLASH(&debug, id.bytes.data(), id.length, nul == 0 ? nullptr : &t, nul == 1 ? nullptr : &p,
           &vfrac, nul == 2 ? nullptr : &h, &en, unlessNull(z, nul, 3), &type,
           nul == 4 ? nullptr : &ncomp, &iesti, &hmin, &hmax, &maxit, &tol, &out[0], &out[1],
           &out[2], &out[3], &out[4], &out[5], &out[6], &out[7], &out[8], &out[9], &out[10],
           unlessNull(y, nul, 5), unlessNull(x, nul, 6), unlessNull(w, nul, 7), &ierr);
  // Every output is finite whatever the status.
  if (!allFinite(std::span<const double>(out))) finding("VFLASH gave a NaN or an infinity");
  for (const std::vector<double>* v : {&y, &x, &w}) {
    if (!allFinite(std::span<const double>(v->data(), kComponents))) {
      finding("VFLASH gave a NaN or an infinity in a composition");
    }
  }
  if (ierr == 0 && !allFinite(std::span<const double>(z.data(), kComponents))) {
    finding("VFLASH normalised the composition to a NaN or an infinity with status 0");
  }
  if (ierr == 0) {
    const auto given = [&](const std::vector<double>& v, std::uint8_t number) {
      return nul == number ? nullptr : v.data();
    };
    checkFlashAnswer(type, t, p, type == 8 || type == 9 ? en : h, out, given(y, 5), given(x, 6),
                     given(w, 7), given(z, 3));
  }
}

void callVPROPS(const std::uint8_t* c, const PassedText& id) {
  const Setting& s = setting();
  const std::int32_t debug = c[2] >= 250 ? 1 : 0;
  const std::int32_t phase = static_cast<std::int32_t>(c[3] % 5) - 1;
  const std::int32_t ncomp = ncompOf(c[10]);
  const std::size_t n = arrayLength(ncomp);
  const double t = variable(s.temperature, c[4], c[5]);
  const double p = variable(s.pressure, c[6], c[7]);
  std::vector<double> z(n);
  composition(z, c[8], c[9], c);
  constexpr std::int32_t nprops[] = {9, 0, -1, 10, 3, INT32_MAX, INT32_MIN};
  const std::int32_t nprop = nprops[c[12] % std::size(nprops)];
  std::vector<double> props(9, -7.0);
  std::int32_t ierr = -1;
  const std::uint8_t nul = c[11];
  ::VPROPS(&debug, id.bytes.data(), id.length, nul == 0 ? nullptr : &t, nul == 1 ? nullptr : &p,
           unlessNull(z, nul, 2), nul == 3 ? nullptr : &phase, nul == 4 ? nullptr : &ncomp,
           nul == 5 ? nullptr : &nprop, unlessNull(props, nul, 6), &ierr);
  if (ierr == 0) {
    if (!allFinite(std::span<const double>(props))) {
      finding("VPROPS gave a NaN or an infinity with status 0");
    }
    if (!allFinite(std::span<const double>(z.data(), kComponents))) {
      finding("VPROPS normalised the composition to a NaN or an infinity with status 0");
    }
  }
}

struct Buffers {
  std::vector<std::int32_t> integers = std::vector<std::int32_t>(kMostValues + kGuard);
  std::vector<float> reals = std::vector<float>(kMostValues + kGuard);
  std::vector<char> texts = std::vector<char>(kMostValues * kLongestElement + kGuard);
};

Buffers& buffers() {
  static Buffers b;
  return b;
}

// The data requests on the streams and the components; the values arrays hold the most a
// request may give, then the guard.
void callRequest(std::uint8_t call, const std::uint8_t* c, const PassedText& id) {
  Buffers& b = buffers();
  const PassedText cls = passed(pick(kClasses, c[13]), c[2]);
  const PassedText attribute = passed(pick(kAttributes, c[14]), c[2]);
  std::int32_t count = kCounts[c[15] % std::size(kCounts)];
  std::int32_t ierr = -1;
  if (call == 4) {
    const std::size_t elementLength = (c[15] >> 3) % (kLongestElement + 1);
    const std::size_t chars = kMostValues * elementLength;
    std::fill_n(b.texts.begin() + static_cast<std::ptrdiff_t>(chars), kGuard, kGuardChar);
    std::int32_t elen = 0;
    ::PADATC(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
             id.bytes.data(), id.length, b.texts.data(), static_cast<std::int32_t>(elementLength),
             &elen, &count, &ierr);
    for (std::size_t k = chars; k < chars + kGuard; ++k) {
      if (b.texts[k] != kGuardChar) finding("PADATC wrote past the texts it was given");
    }
    return;
  }
  std::fill_n(b.integers.begin() + kMostValues, kGuard, kGuardWord);
  std::fill_n(b.reals.begin() + kMostValues, kGuard, kGuardReal);
  if (call == 5) {
    ::PADATI(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
             id.bytes.data(), id.length, b.integers.data(), &count, &ierr);
  } else {
    std::int32_t set = static_cast<std::int32_t>(c[15] >> 3) - 4;
    std::int32_t unitClass = 0;
    ::PADATR(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
             id.bytes.data(), id.length, b.reals.data(), &count, &set, &unitClass, &ierr);
    if (ierr == 0) {
      const std::size_t given =
          std::min<std::size_t>(kMostValues, count > 0 ? static_cast<std::size_t>(count) : 0);
      if (!allFinite(std::span<const float>(b.reals.data(), given))) {
        finding("PADATR gave a NaN or an infinity with status 0");
      }
    }
  }
  for (std::size_t k = kMostValues; k < kMostValues + kGuard; ++k) {
    if (b.integers[k] != kGuardWord || b.reals[k] != kGuardReal) {
      finding("a request wrote past the values it was given");
    }
  }
}

void runCall(const std::uint8_t* c) {
  const std::uint8_t call = c[0] % 6;
  const PassedText id = passed(pick(kStreams, c[1]), c[2]);
  switch (call) {
    case 0:
      callUFLSH(c);
      break;
    case 1:
      callVFLASH(c, id);
      break;
    case 2:
      callVPROPS(c, id);
      break;
    default:
      callRequest(call, c, id);
      break;
  }
}

// After the close: the files keep their pristine sizes, and a reopen finds the problem as
// it was.
void checkProblemUnchanged() {
  const Setting& s = setting();
  for (std::size_t f = 0; f < s.files.size(); ++f) {
    const std::size_t bytes = s.files.contents(f).size();
    if (bytes != s.files.image(f).size()) {
      const std::string what =
          "database file " + std::to_string(f + 1) +
          " changed size at the close: " + std::to_string(s.files.image(f).size()) +
          " bytes before, " + std::to_string(bytes) + " after";
      finding(what.c_str());
    }
  }
  if (!openProblem()) finding("the problem does not reopen after the input");
  const Reference again = describe();
  closeProblem();
  if (!sameReference(again, s.reference)) {
    finding("the reopened problem has other counts or stream identifiers");
  }
}

// One call of plausible arguments: finite variables at their plausible values, the gas,
// NCOMP right, no null address, the texts' own lengths.
std::array<std::uint8_t, kCallBytes> plausibleCall(std::uint8_t call, std::uint8_t stream,
                                                   std::uint8_t type, std::uint8_t cls,
                                                   std::uint8_t attribute) {
  constexpr std::uint8_t kUnitScale = 48;  // a finite variable at its plausible value
  constexpr std::uint8_t kNoNull = 255;
  constexpr std::uint8_t kRequestShape = 130;  // COUNT 10, element length 16
  return {call, stream, 0, type,    0, kUnitScale, 0,         kUnitScale,
          0,    0,      0, kNoNull, 0, cls,        attribute, kRequestShape};
}

void writeSeeds(const fs::path& corpus) {
  std::vector<std::vector<std::uint8_t>> seeds(4);
  const auto add = [&](std::size_t seed, const std::array<std::uint8_t, kCallBytes>& call) {
    seeds[seed].insert(seeds[seed].end(), call.begin(), call.end());
  };
  for (std::uint8_t type = 1; type <= 12; ++type) {
    const auto typeByte = static_cast<std::uint8_t>(type + 1);
    if (type <= 11) add(0, plausibleCall(0, 0, typeByte, 0, 0));
    add(1, plausibleCall(1, static_cast<std::uint8_t>(type % 6), typeByte, 0, 0));
  }
  for (std::uint8_t stream : {0, 4, 5}) {
    for (std::uint8_t phaseByte : {2, 3}) add(2, plausibleCall(2, stream, phaseByte, 0, 0));
  }
  // PADATR of the temperature and the composition of FEED and the molecular weights;
  // PADATC of the stream identifiers and names; PADATI of the streams' method sets.
  add(3, plausibleCall(3, 0, 0, 0, 2));
  add(3, plausibleCall(3, 0, 0, 0, 8));
  add(3, plausibleCall(3, 6, 0, 1, 27));
  add(3, plausibleCall(4, 6, 0, 0, 0));
  add(3, plausibleCall(4, 0, 0, 0, 1));
  add(3, plausibleCall(5, 0, 0, 0, 23));
  const char* names[] = {"seed-uflsh", "seed-vflash", "seed-vprops", "seed-requests"};
  for (std::size_t k = 0; k < seeds.size(); ++k) {
    seeds[k].insert(seeds[k].begin(), std::uint8_t{1});  // a writable problem
    fuzz_support::writeBytes(corpus / names[k],
                             std::vector<char>(seeds[k].begin(), seeds[k].end()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz_support::startQuietly();
  buildProblem();
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
  if (size == 0) return 0;
  Setting& s = setting();
  s.files.restore();
  const bool readOnly = data[0] % 8 == 0;
  try {
    // A problem the host may only read answers as a writable one and is left unchanged.
    s.files.use(readOnly);
    if (!openProblem()) finding("the fixture problem does not open");
    for (std::size_t at = 1; at + kCallBytes <= size; at += kCallBytes) runCall(data + at);
    closeProblem();
    s.files.use();
    if (readOnly && !s.files.unchanged()) finding("a problem opened read-only was changed");
    checkProblemUnchanged();
  } catch (const platform::RunStopped&) {
    // A call on an undamaged problem never ends the run: the caller's arguments alone must
    // not stop the host.
    finding("a call ended in the abort report");
  }
  fuzz_support::checkCoreStore();
  return 0;
}
