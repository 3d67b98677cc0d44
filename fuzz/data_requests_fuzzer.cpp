// Fuzz target: the data requests and unit labels of a solved problem, called through the
// exports with whatever arguments a host might pass.
//
// At start-up the fixture builder writes a solved problem with one unit of every kind the
// readers serve (a flash, a valve, a column, a side stripper, a heating curve, an exchanger,
// a mixer, a controller, a flash whose stream is gone, reactors of every type, one of them
// connected to a stream that is gone, and the equipment problem's compressors, expander, pump,
// pipes, exchangers (LNG ones too), phase envelopes, calculators, user-added unit and shortcut columns) into a
// temporary directory; its files and the support database are then held in memory
// (fuzz_support::FilesInMemory), so that an input touches no disk. Each input puts the pristine
// files back, damages them as its patches say, opens the problem, counts it, runs its requests
// and closes it. A finding is a sanitizer report, a crash, a hang, an escaping exception, a NaN
// or an infinity among the reals of a request that reports success (0, or -1 with a warning), a
// write beyond the 20000 values or the label a request was given; and, on undamaged files, the
// abort report or a problem file that the close changed (nothing asked for a write). A damaged
// problem may be refused by the open or end in the abort report: that is its answer, not a
// finding.
//
// Input: byte 0 the number of patches (modulo 4; 0 leaves the files undamaged), the patches
// (fuzz_support::applyPatches: file, offset, length and bytes over the three problem files
// and the support database), then requests, each of kRequestBytes bytes, until the input
// ends.
//   byte 0     the call: PADATC, PADATI, PADATR or PAUOM1 (the value modulo 4)
//   byte 1     the class: one of the classes the dispatcher knows, or a garbled one
//   byte 2     the attribute: one the readers know, or a garbled one
//   byte 3     the identifier: a unit of the problem, blank, or a garbled one
//   bytes 4-5  COUNT as the caller passes it (signed, little-endian)
//   byte 6     the unit set (signed); for PAUOM1 bytes 4-7 are the unit code
//   byte 7     how the texts' lengths are passed: their own, 0, -1, the largest integer (the
//              texts end in a NUL), one short
//   byte 8     the element length of PADATC's texts and the label length of PAUOM1 (0-47)
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/reactor_units.hpp"
#include "fixtures/unit_blocks.hpp"
#include "fuzz_support.hpp"
#include "vendrakol.h"

namespace {

namespace fs = std::filesystem;
using fuzz_support::finding;
using fuzz_support::passed;
using fuzz_support::PassedText;
using fuzz_support::pick;

constexpr std::size_t kRequestBytes = 9;
constexpr std::size_t kMostValues = 20000;
constexpr std::size_t kLongestElement = 47;
// Guard words after each buffer: a request must never write there.
constexpr std::size_t kGuard = 64;
constexpr std::int32_t kGuardWord = 0x5A5A5A5A;
constexpr char kGuardChar = '\x5A';

constexpr std::string_view kClasses[] = {
    "COMPS",  "STREAM", "UNIT",  "Flash",   "Valve",      "Compressor", "Expander", "Pump",
    "Pipe",   "Hx",     "HxRig", "LngHx",   "Short",      "Llex",       "Colu",     "Side",
    "HCurve", "Phase",  "Calc",  "Reactor", "ConReactor", "EquReactor", "Cstr",     "Plug",
    "Gibbs",  "User",   "TITLE", "comps",   " COMPS",     "COMPS   ",   "",         "UNIT\xff"};
constexpr std::string_view kAttributes[] = {"IDS",
                                            "AcenFactor",
                                            "ApiGravity",
                                            "CLASS",
                                            "CritCompress",
                                            "CritPres",
                                            "CritTemp",
                                            "CritVol",
                                            "DutyCalc",
                                            "FeedData",
                                            "KValues",
                                            "LibraryNumber",
                                            "MolWeight",
                                            "NAME",
                                            "NormBoilPt",
                                            "NumberFeeds",
                                            "NumberProducts",
                                            "NumberSides",
                                            "PresCalc",
                                            "ProdData",
                                            "SpecGravity",
                                            "StdFreEnForm",
                                            "StdHeatForm",
                                            "StdLiqDens",
                                            "TYPE",
                                            "TempCalc",
                                            "UnitSolutionFlags",
                                            "TempIsenCalc",
                                            "PRatio",
                                            "AcTempCalc",
                                            "WorkCalc",
                                            "NumSegments",
                                            "SegFlowRegime",
                                            "SegPressure",
                                            "CalcMaxVelocity",
                                            "HotKValues",
                                            "ColdKValues",
                                            "NumberShellPasses",
                                            "ExchUtilComp",
                                            "ExchAttachColu",
                                            "TEMAType",
                                            "CellType",
                                            "CellOutletPresCalc",
                                            "AttachUnit",
                                            "TubeTempIn",
                                            "NumberShellFeeds",
                                            "LtKeyComponent",
                                            "FenskeIndex",
                                            "TotalTrays",
                                            "NumberOfPCurves",
                                            "Temperatures",
                                            "CriticalPressure",
                                            "ResultNames",
                                            "ResultVector",
                                            "IntegerVector",
                                            "SupplVector",
                                            "DESCRIP",
                                            "PROJECT",
                                            "",
                                            "ids",
                                            "TYPE\x01",
                                            // reactors
                                            "NumberOfReactions",
                                            "BaseComponentID",
                                            "FeedMoles",
                                            "ChangeMoles",
                                            "FractionConv",
                                            "ConversionBaseComp",
                                            "OutletPressure",
                                            "TotalDuty",
                                            "ReactorSpaceTime",
                                            "ReactorSpaceVelocity",
                                            "ReacTempProfile",
                                            "AnnulPresProfile",
                                            "CalcTypeFlag",
                                            // columns
                                            "NumberOfTrays",
                                            "AlgorithmType",
                                            "LtKeyComponents",
                                            "FeedTrays",
                                            "DrawPhase",
                                            "HeaterDuties",
                                            "CondenserDuty",
                                            "DecantDrawRate",
                                            "PumpAroundRate",
                                            "QLossData",
                                            "TrayPressures",
                                            "TrayNetLiq1Rates",
                                            "TrayLiquidMoleFracs",
                                            "TrayVleKValues",
                                            "TrayLiqDensityAct",
                                            "TrayVapWeightRate"};
constexpr std::string_view kIdentifiers[] = {"FLASH-1",
                                             "VALVE-1",
                                             "COLUMN-1",
                                             "STRIPPER-1",
                                             "HCURVE-1",
                                             "EXCH-1",
                                             "MIXER-1",
                                             "CTROPT-1",
                                             "FLASH-2",
                                             "OLD-FLASH",
                                             "COMP-1",
                                             "COMP-2",
                                             "EXP-1",
                                             "PUMP-1",
                                             "PIPE-1",
                                             "PIPE-2",
                                             "PIPE-4",
                                             "PIPE-5",
                                             "HX-1",
                                             "HX-2",
                                             "HXR-1",
                                             "HXR-2",
                                             "PHASE-1",
                                             "PHASE-2",
                                             "PHASE-3",
                                             "CALC-1",
                                             "CALC-2",
                                             "USER-1",
                                             "SHORT-1",
                                             "SHORT-2",
                                             "LNG-1",
                                             "LNG-2",
                                             "",
                                             "flash-1",
                                             "FLASH-1     ",
                                             "NO-SUCH-UNIT",
                                             "A-VERY-LONG-IDENTIFIER-OF-FORTY-CHARACTERS",
                                             "REACTOR-1",
                                             "CONREAC-1",
                                             "CONREAC-2",
                                             "EQUREAC-1",
                                             "CSTR-1",
                                             "CSTR-2",
                                             "PLUG-1",
                                             "PLUG-0",
                                             "PLUG-CUT",
                                             "GIBBS-1",
                                             "GIBBS-LOST"};

struct Setting {
  fuzz_support::TemporaryDirectory directory;
  std::string problemName;
  std::string dir2;
  fuzz_support::FilesInMemory files;  // images: the files after an untouched close
};

Setting& setting() {
  static Setting s;
  return s;
}

bool openProblem() {
  const Setting& s = setting();
  return fuzz_support::openProblem(s.problemName, s.dir2);
}

void buildProblem() {
  Setting& s = setting();
  const fs::path& directory = s.directory.path;
  // The units of the data-request tests and those of the equipment readers side by side.
  fixtures::ProblemDescription description = fixtures::equipmentProblem("units");
  const fixtures::ProblemDescription units = fixtures::unitsProblem("units");
  description.flowsheet.units.insert(description.flowsheet.units.begin(),
                                     units.flowsheet.units.begin(), units.flowsheet.units.end());
  for (const fixtures::UnitSpec& reactor : fixtures::reactorUnits(1, 2, 77)) {
    description.flowsheet.units.push_back(reactor);
  }
  const fixtures::BuiltProblem built = fixtures::buildProblem(directory, description);
  s.problemName = (directory / "units").string();
  s.dir2 = directory.string() + "/";
  const std::string base = built.problemBase.string();
  for (const std::string& file : {base + "1", base + "2", base + "3"}) s.files.add(file);
  s.files.add(built.supportBase.string() + "1");
  s.files.use();
  // What a close writes back when nothing was changed is the reference of every input.
  if (!openProblem()) finding("the fixture problem does not open");
  ::PACLOS();
  s.files.keepAsImages();
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

void runRequest(const std::uint8_t* r) {
  Buffers& b = buffers();
  const std::uint8_t call = r[0] % 4;
  const PassedText cls = passed(pick(kClasses, r[1]), r[7]);
  const PassedText attribute = passed(pick(kAttributes, r[2]), r[7]);
  const PassedText id = passed(pick(kIdentifiers, r[3]), r[7]);
  std::int32_t count = static_cast<std::int16_t>(r[4] | (r[5] << 8));
  const std::int32_t elementLength = r[8] % (kLongestElement + 1);
  std::int32_t ierr = -1;

  // The values: as many as a request may give (the caller's array must hold them), then
  // the guard.
  const std::size_t values = kMostValues;
  if (call == 0) {
    const std::size_t chars = values * static_cast<std::size_t>(elementLength);
    std::fill(b.texts.begin() + static_cast<std::ptrdiff_t>(chars),
              b.texts.begin() + static_cast<std::ptrdiff_t>(chars + kGuard), kGuardChar);
    std::int32_t elen = 0;
    ::PADATC(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
             id.bytes.data(), id.length, b.texts.data(), elementLength, &elen, &count, &ierr);
    for (std::size_t k = chars; k < chars + kGuard; ++k) {
      if (b.texts[k] != kGuardChar) finding("PADATC wrote past the texts it was given");
    }
  } else if (call == 1 || call == 2) {
    std::fill(b.integers.begin() + static_cast<std::ptrdiff_t>(values),
              b.integers.begin() + static_cast<std::ptrdiff_t>(values + kGuard), kGuardWord);
    std::fill(b.reals.begin() + static_cast<std::ptrdiff_t>(values),
              b.reals.begin() + static_cast<std::ptrdiff_t>(values + kGuard), 12345.0F);
    if (call == 1) {
      ::PADATI(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
               id.bytes.data(), id.length, b.integers.data(), &count, &ierr);
    } else {
      std::int32_t set = static_cast<std::int8_t>(r[6]);
      std::int32_t unitClass = 0;
      ::PADATR(cls.bytes.data(), cls.length, attribute.bytes.data(), attribute.length,
               id.bytes.data(), id.length, b.reals.data(), &count, &set, &unitClass, &ierr);
      if (ierr == 0 || ierr == -1) {
        const std::size_t given =
            std::min<std::size_t>(values, count > 0 ? static_cast<std::size_t>(count) : 0);
        for (std::size_t k = 0; k < given; ++k) {
          if (!std::isfinite(b.reals[k])) finding("PADATR gave a NaN or an infinity");
        }
      }
    }
    for (std::size_t k = values; k < values + kGuard; ++k) {
      if (b.integers[k] != kGuardWord || b.reals[k] != 12345.0F) {
        finding("a request wrote past the values it was given");
      }
    }
  } else {
    const std::int32_t code = r[4] | (r[5] << 8) | (r[6] << 16) | (r[7] << 24);
    const std::int32_t set = static_cast<std::int8_t>(r[3]);
    std::fill(b.texts.begin() + elementLength, b.texts.begin() + elementLength + kGuard,
              kGuardChar);
    std::int32_t istat = -1;
    ::PAUOM1(&code, &set, &istat, b.texts.data(), elementLength);
    for (std::int32_t k = elementLength; k < elementLength + static_cast<std::int32_t>(kGuard);
         ++k) {
      if (b.texts[static_cast<std::size_t>(k)] != kGuardChar) {
        finding("PAUOM1 wrote past the label it was given");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz_support::startQuietly();
  buildProblem();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Setting& s = setting();
  s.files.restore();
  const std::size_t patches = data[0] % 4;
  const std::size_t at = 1 + fuzz_support::applyPatches(s.files, data + 1, size - 1, patches);
  const bool damaged = patches > 0;
  try {
    if (!openProblem()) {
      if (!damaged) finding("the fixture problem does not open");
    } else {
      for (std::size_t r = at; r + kRequestBytes <= size; r += kRequestBytes) {
        runRequest(data + r);
      }
      ::PACLOS();
    }
  } catch (const platform::RunStopped&) {
    // A request on an undamaged problem never ends the run: the caller's arguments alone
    // must not stop the host. A damaged one may.
    if (!damaged) finding("a request ended in the abort report");
    api_access::forgetProblem();
  }
  if (!damaged && !s.files.unchanged()) finding("a problem file changed at the close");
  fuzz_support::checkCoreStore();
  return 0;
}
