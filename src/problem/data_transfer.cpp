// The set-up for an external data-transfer program of an open with a positive option: its
// conversion factors, a single-precision buffer of pure-component data, and a header of
// counts and unit words in the title table's image.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "problem/component_data.hpp"
#include "problem/data_transfer.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kTransferSet = 5;

// The unit codes of the database the factors start from, by their UOMCOD word: the third
// temperature unit, and the units of pressure, specific gravity and heat.
constexpr std::size_t kTemperatureCodeWord = 3;
constexpr std::size_t kPressureCodeWord = 5;
constexpr std::size_t kGravityCodeWord = 17;
constexpr std::size_t kHeatCodeWord = 6;
// The unit-setting word that marks heat in horsepower-hours.
constexpr std::size_t kHeatBasisSetting = 12;

double factor(std::int32_t cls, std::int32_t from, std::int32_t to) {
  double a = 1.0;
  double b = 0.0;
  services::UOMFCT(cls, from, to, a, b);
  return a;
}

double offset(std::int32_t cls, std::int32_t from, std::int32_t to) {
  double a = 1.0;
  double b = 0.0;
  services::UOMFCT(cls, from, to, a, b);
  return b;
}

std::int32_t code(std::size_t word) { return services::UOMCOD.words(word); }

// A stored value, or 0 when it is missing.
double present(double value) { return value <= services::RMISS ? 0.0 : value; }

// Word K (from 3) of the GTI image is characters 4 (K - 3) + 1 to + 4 of its text.
std::span<char> titleWord(std::size_t k) { return GTITAB.text.span().subspan(4 * (k - 3), 4); }

void putInteger(std::size_t k, std::int32_t value) {
  const auto bytes = std::bit_cast<std::array<char, 4>>(value);
  std::copy(bytes.begin(), bytes.end(), titleWord(k).begin());
}

void putText(std::size_t k, std::string_view text) {
  services::FixedText<4> word(text);
  std::copy(word.view().begin(), word.view().end(), titleWord(k).begin());
}

// The 12-character label of CLASS in the transfer set.
std::string label(std::int32_t cls) {
  services::FixedText<40> text;
  problem::UOMFMT(text, cls, kTransferSet, 0);
  return std::string(text.view().substr(0, 12));
}

// The first four characters of a label; with a blank fourth, a blank and the first three.
std::string firstFour(const std::string& text) {
  return text[3] == ' ' ? " " + text.substr(0, 3) : text.substr(0, 4);
}

}  // namespace

TransferFactors UXCTL;
TransferBuffer XFRBUF;

std::int32_t DBXSCL() {
  TransferFactors& f = UXCTL;
  const std::int32_t u1 = code(kTemperatureCodeWord);
  const std::int32_t u4 = code(kPressureCodeWord);
  const std::int32_t u21 = code(kGravityCodeWord);
  const std::int32_t u26 = code(kHeatCodeWord);
  const auto single = [](double v) { return static_cast<float>(v); };
  f.temperatureFactor = single(1.0 / factor(1, u1, kTransferSet));
  f.temperatureOffset = single(-offset(1, u1, kTransferSet));
  f.pressureOffset = single(-offset(4, u4, kTransferSet));
  f.pressureFactor = single(1.0 / factor(4, u4, kTransferSet));
  f.class8 = single(1.0 / factor(8, kInternalSet, kTransferSet));
  f.class12 = single(10.763919830322266 / factor(12, kInternalSet, kTransferSet));
  f.class7 = single(2.204622507095337 / factor(7, kInternalSet, kTransferSet));
  f.class16 = single(35.314666748046875 / factor(16, kInternalSet, kTransferSet));
  f.class17 = single(35.314666748046875 / factor(17, kInternalSet, kTransferSet));
  f.class26 = single(f.class8 * 0.9478171467781067 / factor(26, kInternalSet, kTransferSet) /
                     1.0e6);
  f.class40 = single(1000.0 / factor(40, kInternalSet, kTransferSet));
  f.class42 = single(1000.0 / factor(42, kInternalSet, kTransferSet));
  f.class35 = single(0.5777909159660339 / factor(35, kInternalSet, kTransferSet));
  f.molarVolume = single(factor(17, kInternalSet, kTransferSet) * DBPARW.molarVolume /
                         factor(7, kInternalSet, kTransferSet) / 1.0e6);
  f.density = single(factor(21, u21, kInternalSet) * factor(19, kInternalSet, kTransferSet));
  double heat = factor(26, kTransferSet, u26) * 0.0010000000474974513;
  if (services::UOMTAB.settings(kHeatBasisSetting) == 1) heat /= 1.340670108795166;
  f.class26Transfer = single(heat);
  f.constants = {2.3025999069213867f, 35.314666748046875f, 459.67f, 273.15f, 1.8f,
                 14.695899963378906f, 1.9872000217437744f};
  return 0;
}

std::int32_t DBXBUF() {
  TransferBuffer& b = XFRBUF;
  b = TransferBuffer{};
  const std::int32_t n =
      std::min<std::int32_t>(COHDR(cohdr::kStreamComponents), kTransferComponents);
  const auto real = [](ComponentReal sector, std::int32_t i) {
    const std::int32_t start = COPTRS.realSector(sector);
    return start == services::NOCORE ? services::RMISS : storage::CORSTO.real(start + i);
  };
  const auto sectorReal = [](std::int32_t sector, std::int32_t i) {
    const std::int32_t start = COPTRS.realSector(sector);
    return start == services::NOCORE ? services::RMISS : storage::CORSTO.real(start + i);
  };
  const auto convert = [](double value, std::int32_t cls) {
    return value <= services::RMISS ? value
                                    : services::UOMCNV(value, cls, kInternalSet, kTransferSet);
  };
  const auto single = [](double v) { return static_cast<float>(present(v)); };
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    b.molecularWeight(k) = single(real(ComponentReal::MolecularWeight, i));
    b.boilingPoint(k) = single(convert(real(ComponentReal::NormalBoilingPoint, i), 1));
    const double density = real(ComponentReal::StandardLiquidDensity, i);
    b.density(k) = density <= services::RMISS ? 0.0f : static_cast<float>(density * UXCTL.density);
    const double tc = real(ComponentReal::CriticalTemperature, i);
    b.criticalTemperature(k) =
        tc <= services::RMISS ? 0.0f : static_cast<float>(convert(tc, 1) + UXCTL.temperatureOffset);
    const double pc = real(ComponentReal::CriticalPressure, i);
    b.criticalPressure(k) =
        pc <= services::RMISS ? 0.0f : static_cast<float>(convert(pc, 4) + UXCTL.pressureOffset);
    const double vc = real(ComponentReal::CriticalVolume, i);
    b.criticalVolume(k) = vc <= services::RMISS ? 0.0f : static_cast<float>(vc * 1000.0);
    b.criticalCompressibility(k) = single(real(ComponentReal::CriticalCompressibility, i));
    b.acentricFactor(k) = single(real(ComponentReal::AcentricFactor, i));
    const double hf = sectorReal(17, i);
    b.heatOfFormation(k) =
        hf <= services::RMISS ? 0.0f : static_cast<float>(convert(hf, 28) / 1000.0);
    const double gf = sectorReal(18, i);
    b.freeEnergyOfFormation(k) =
        gf <= services::RMISS ? 0.0f : static_cast<float>(convert(gf, 28) / 1000.0);
    const std::int32_t codes = COPTRS.integerSector(1);
    const std::int32_t word =
        codes == services::NOCORE ? services::IMISS : storage::CORSTO[codes + i];
    b.code(k) = word == services::IMISS ? 0.0f : std::bit_cast<float>(word);
  }
  return 0;
}

std::int32_t DBXHDR(std::int32_t maxnoc) {
  const std::int32_t ncomp = COHDR(cohdr::kComponents);
  putInteger(19, ncomp);
  putInteger(20, problem::THCTL.idecnt > 0 ? 2 : 1);
  putInteger(21, IUNNOU());
  putInteger(22, 0);
  putInteger(23, ISRNOS() + 15);
  putInteger(24, OLDCAS.integers[4] == 1 ? 3 : 4);
  putInteger(25, 1);
  putInteger(26, 1);
  putInteger(27, 0);
  putInteger(28, 0);
  // Words 29-40: four 12-character texts of the title table.
  const auto field = [](std::size_t first) {
    return std::string(GTITAB.text.view().substr(4 * (first - 3), 12));
  };
  const std::array<std::string, 4> texts{field(339), field(330), field(333), field(336)};
  for (std::size_t t = 0; t < texts.size(); ++t) {
    services::FixedText<12> placed;
    if (t == 0 || t == 3) {
      services::TXTJST(texts[t], placed, static_cast<std::int32_t>(services::Justify::Right));
    } else {
      placed.assign(texts[t]);
    }
    for (std::size_t w = 0; w < 3; ++w) putText(29 + 3 * t + w, placed.view().substr(4 * w, 4));
  }
  // Words 41-88: the unit words.
  const std::string c7 = label(7);
  const std::string c16 = label(16);
  const std::string c40 = label(40);
  const std::string c42 = label(42);
  std::string c35 = label(35);
  std::replace(c35.begin(), c35.end(), '-', '.');
  std::string c7s = c7;
  const std::size_t last = c7s.find_last_not_of(' ');
  if (last == std::string::npos) c7s = "S" + c7s.substr(1);
  else if (last + 1 < c7s.size()) c7s[last + 1] = 'S';
  std::string gallons = c16.substr(0, 4);
  if (gallons.rfind("GAL", 0) == 0) gallons[3] = 'S';
  std::string c42text = c42.substr(0, 8);
  if (c42text.substr(4, 4) == "/CM ") c42text.replace(4, 4, "S/CM");
  const std::array<std::string, 48> words{
      "/" + label(8).substr(0, 3), firstFour(c7), firstFour(c7s), "/" + c7.substr(0, 3),
      " DEG", " " + label(1).substr(0, 3), label(4).substr(0, 4), "    ",
      label(24).substr(0, 4), gallons, "    ", "/" + c16.substr(0, 3),
      "    ", label(17).substr(0, 4), "    ", "/" + label(17).substr(0, 3),
      "    ", label(9).substr(0, 4), " " + label(25).substr(0, 3), "    ",
      "0   ", " LIQ", "UID ", " VAP", "OR  ",
      " MIX", "ED  ", "MOLE", "MOLS", " WET",
      " DRY", "    ", "ZERO", "  M ", " MM ",
      "/M  ", "/MM ", c40.substr(0, 4), c40.substr(4, 4), c35.substr(0, 4),
      c35.substr(4, 4), c35.substr(8, 4), c42text.substr(0, 4), c42text.substr(4, 4), "    ",
      "    ", "    ", "    "};
  for (std::size_t k = 0; k < words.size(); ++k) putText(41 + k, words[k]);
  for (std::size_t k = 89; k <= 129; ++k) putInteger(k, 0);

  if (ncomp > maxnoc) {
    std::string count = std::to_string(maxnoc);
    if (count.size() < 5) count.insert(0, 5 - count.size(), ' ');
    for (const std::string& line : {
             std::string(" *****************************************"),
             " THIS DATA BASE FILE HAS MORE THAN " + count + " COMPONENTS.",
             std::string(" IT IS INCOMPATIBLE WITH THIS CONFIGURATION OF THE QORD INTERFACES."),
             std::string(" *****  THIS RUN HAS BEEN TERMINATED  *****"),
             std::string(" *****************************************"),
             std::string(" TO RECONFIGURE QORD TO RUN THIS PROBLEM -"),
             std::string(" 1.  RESET PARAMETER -MAXNOC- IN FILE  -ZQWPAR-"),
             std::string(" 2.  RE-COMPILE ALL QORD ROUTINES."),
             std::string(" 3.  RE-LINK THE QORD PROGRAM."),
             std::string(" 4.  RE-RUN QORD AGAINST THIS DATA BASE FILE.")}) {
      platform::writeLine(services::IOUNIT.report, line);
    }
    return kTransferRefused;
  }
  return 0;
}

}  // namespace problem
