// The table of the inspection properties (SPPTAB) with its second keyword set, the copy of
// its texts (SPHEAD), the keyword lookup (SPKEYX) and the classes of the blend methods
// (SPUCLS).
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "storage/storage.hpp"
#include "streamprops/streamprops.hpp"

namespace streamprops {
namespace {

constexpr std::size_t kHeadingWidth = 12;
constexpr std::size_t kNameWidth = 24;
constexpr std::size_t kKeyWidth = 12;
constexpr std::size_t kKeywordWidth = 4;
constexpr std::size_t kKeywords = 88;

// Key, name and heading of the inspection properties 1-89 (stream-property codes 601-689).
constexpr std::array<PropertyRow, kInspectionProperties> kTable{{
    {"KVIS", "KINEMATIC VISCOSITY", " K VISCOSITY"},
    {"CLOU", "CLOUD POINT", " CLOUD POINT"},
    {"POUR", "POUR POINT", "  POUR POINT"},
    {"FLPO", "FLASH POINT", " FLASH POINT"},
    {"SULF", "SULFUR CONTENT", " SULFUR CONT"},
    {"CETN", "CETANE NUMBER", "   CETANE NO"},
    {"SMOK", "SMOKE POINT", " SMOKE POINT"},
    {"ARO1", "MONO AROMATICS", " MONO AROMAT"},
    {"ARO2", "DI AROMATICS", " DI AROMATIC"},
    {"ARO3", "TRI AROMATICS", "    TRI AROM"},
    {"ARO4", "TETRA AROMATICS", "  TETRA AROM"},
    {"ARO5", "PENTA AROMATICS", "  PENTA AROM"},
    {"ARO7", "HEPTA AROMATICS", "  HEPTA AROM"},
    {"AROT", "TOTAL AROMATICS", "  TOTAL AROM"},
    {"NAPH", "NAPHTHENE", "   NAPHTHENE"},
    {"PARN", "NORMAL PARAFFIN", " NORMAL PARA"},
    {"PARI", "ISO PARAFFIN", "  I PARAFFIN"},
    {"PARA", "ALKYL PARAFFIN", "  ALKYL PARA"},
    {"PARP", "POLY PARAFFIN", "   POLY PARA"},
    {"PART", "TOTAL PARAFFIN", "  TOTAL PARA"},
    {"OLE1", "MONO OLEFIN", " MONO OLEFIN"},
    {"OLEB", "BRANCHED OLEFIN", " BRANCH OLEF"},
    {"OLEC", "CYCLIC OLEFIN", " CYCLIC OLEF"},
    {"H2", "HYDROGEN", "    HYDROGEN"},
    {"CARB", "CARBON", " CARBON CONT"},
    {"VANA", "VANADIUM", "    VANADIUM"},
    {"NICK", "NICKEL", " NICKEL CONT"},
    {"SODI", "SODIUM", " SODIUM CONT"},
    {"OXYG", "OXYGEN", " OXYGEN CONT"},
    {"N2TO", "TOTAL NITROGEN", "    TOTAL N2"},
    {"N2BA", "BASIC NITROGEN", "    BASIC N2"},
    {"N2NB", "NONBASIC N2", " NONBASIC N2"},
    {"ASC5", "ASPHALTENE C5", "  ASPHALT C5"},
    {"ASC7", "ASPHALTENE C7", "  ASPHALT C7"},
    {"V50", "V50 VALUE", "   V50 VALUE"},
    {"VIND", "VISCOSITY INDEX", "  VISC INDEX"},
    {"PEN", "PENETRATION INDEX", " PENETRATION"},
    {"FRZP", "FREEZE POINT", "   FREEZE PT"},
    {"CCR", "CONRADSON CARBON RESIDUE", "   CONRADSON"},
    {"RCR", "RAM CARBON RESIDUE", " RAMSBOTTOM "},
    {"CHRA", "CARBON-HYDROGEN WT RATIO", "    CH RATIO"},
    {"TAN", "TOTAL ACID NUMBER", "  TOTAL ACID"},
    {"WAX", "WAX CONTENT", " WAX CONTENT"},
    {"ASH", "ASH CONTENT", " ASH CONTENT"},
    {"RON", "RESEARCH OCTANE NUMBER", "  RES OCTANE"},
    {"MON", "MOTOR OCTANE NUMBER", " MOTOR OCTAN"},
    {"REFI", "REFRACTIVE INDEX", "  REFR INDEX"},
    {"RIND", "RING INDEX", "  RING INDEX"},
    {"ARIN", "AROMATIC INDEX", "  AROM INDEX"},
    {"GIND", "GRADE INDEX", " GRADE INDEX"},
    {"SIND", "STRUCTURE INDEX", " STRUC INDEX"},
    {"LUMI", "LUMINOMETER NUMBER", "   LUMIN NUM"},
    {"NOAC", "NOACK VOLATILITY", "   NOACK VOL"},
    {"JT", "JOULE THOMPSON, K/KPA", "   JT, K/KPA"},
    {"EXPN", "EXPANSIVITY, 1/K", "  EXPAN, 1/K"},
    {"VSOU", "VELOCITY OF SOUND, M/S", " VSOUND, M/S"},
    {"BULK", "BULK MODULUS, KPA", " BLK MOD,KPA"},
    {"CVOL", "CVOL", "        CVOL"},
    {"CETA", "CETANE INDEX", "  CETANE IND"},
    {"IBP", "INITIAL BP", "  INITIAL BP"},
    {"FBP", "FINAL BP", "    FINAL BP"},
    {"MERC", "MERCAPTAN", "   MERCAPTAN"},
    {"NPHL", "NAPHTHALENE", " NAPHTHALENE"},
    {"ANIL", "ANILINE POINT", "  ANILINE PT"},
    {"BROM", "BROMINE NUMBER", " BROMINE IND"},
    {"ANEU", "NEUTRALIZE NUMBER", "  NEUTRAL NO"},
    {"CFPP", "CFPP", "        CFPP"},
    {"ICI", "ICING INDEX", " ICING INDEX"},
    {"STUI", "STARTUP INDEX", " STARTUP IND"},
    {"WUI", "WARM UP INDEX", "  WARMUP IND"},
    {"SOFT", "SOFTENING POINT", "     SOFT PT"},
    {"PHEN", "PHENOL CONTENT", " PHENOL CONT"},
    {"MON3", "MON AT 3ML", "  MON AT 3ML"},
    {"RON3", "RON AT 3ML", "  RON AT 3ML"},
    {"ASUL", "ALIPHATIC SULFUR", "  ALIPH SULF"},
    {"RI70", "REFR INDEX AT 70C", "   RI AT 70C"},
    {"AROG", "AROMATIC RINGS", "  AROM RINGS"},
    {"IRON", "IRON CONTENT", "   IRON CONT"},
    {"WTAR", "WT AROMATICS", " WT AROMATIC"},
    {"WTPA", "WT PARAFFINS", " WT PARAFFIN"},
    {"WTNA", "WT NAPHTHENES", " WT NAPHTHEN"},
    {"OCFP", "FLASH POINT(OPEN CUP)", "  FLPT(OPEN)"},
    {"CVLU", "CAR VAPOR LOCK (USA)", "   CVLI(USA)"},
    {"CVLE", "CAR VAPOR LOCK (EUROPE)", " CVLI(EUROP)"},
    {"MEAB", "MEAN AVG BOILING POINT", "    MEAN ABP"},
    {"CABP", "CUBIC AVG BOILING POINT", "   CUBIC ABP"},
    {"MOAB", "MOLAL AVG BOILING POINT", "   MOLAL ABP"},
    {"NHV", "NET HEATING VALUE", "  NET HT VAL"},
    {"SPRO", "", " SPROP VALUE"},
}};

// The second keyword set: entry i names the property of row i.
constexpr std::array<std::string_view, kKeywords> kKeywordSet{
    "KVIS", "CLOU", "POUR", "FLSH", "SULF", "CNUM", "SMOK", "ARO1", "ARO2", "ARO3", "ARO4",
    "ARO5", "ARO7", "AROT", "NAPH", "PARN", "PARI", "PARA", "PARP", "PART", "OLEM", "OLEB",
    "OLEC", "HYDR", "CARB", "VANA", "NICK", "SODI", "OXYG", "N2TO", "N2BA", "N2NB", "ASP5",
    "ASP7", "V50 ", "VIND", "PEN ", "FREZ", "CCR ", "RCR ", "CHRA", "TAN ", "WAX ", "ASH ",
    "RON ", "MON ", "REFR", "RIND", "ARIN", "GIND", "SIND", "LUMI", "NOAC", "JT  ", "EXPA",
    "VSND", "BMOD", "CVOL", "CETI", "IBP ", "FBP ", "MERC", "NPHL", "ANIL", "BROM", "NEUT",
    "CFPP", "ICI ", "STUI", "WUI ", "SOFT", "PHEN", "MAT3", "RAT3", "ASUL", "RI70", "ARRI",
    "IRON", "WARO", "WPAR", "WNAP", "FLPC", "CVLU", "CVLE", "MABP", "CABP", "MOLB", "GHV "};

// TEXT blank-padded (or cut) to the WIDTH characters of TO.
void put(std::string_view text, std::span<char> to) {
  std::fill(to.begin(), to.end(), ' ');
  std::copy_n(text.begin(), std::min(text.size(), to.size()), to.begin());
}

// Blank-padded comparison of two keywords.
bool sameKeyword(std::string_view a, std::string_view b) {
  const auto trimmed = [](std::string_view s) {
    const std::size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
  };
  return trimmed(a.substr(0, std::min(a.size(), kKeywordWidth))) == trimmed(b);
}

}  // namespace

PropertyRow propertyRow(std::int32_t i) {
  if (i < 1 || i > kInspectionProperties) return {};
  return kTable[static_cast<std::size_t>(i - 1)];
}

void SPHEAD(std::span<char> headings, std::span<char> names, std::span<char> keys) {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (headings.size() >= (i + 1) * kHeadingWidth) {
      put(kTable[i].heading, headings.subspan(i * kHeadingWidth, kHeadingWidth));
    }
    if (names.size() >= (i + 1) * kNameWidth) {
      put(kTable[i].name, names.subspan(i * kNameWidth, kNameWidth));
    }
    if (keys.size() >= (i + 1) * kKeyWidth) {
      put(kTable[i].key, keys.subspan(i * kKeyWidth, kKeyWidth));
    }
  }
}

void SPUCLS(std::int32_t iprop, std::int32_t method, std::int32_t& iclass) {
  iclass = 0;
  if (method == 372) {
    iclass = 1;
    return;
  }
  if (method == 371 || method == 374) {
    iclass = 2;
    return;
  }
  const auto among = [method](std::initializer_list<std::int32_t> codes) {
    return std::find(codes.begin(), codes.end(), method) != codes.end();
  };
  bool applies = false;
  switch (iprop) {
    case 1:  // kinematic viscosity
      applies = among({373, 377, 385});
      break;
    case 2:  // cloud point
      applies = among({373, 377, 378, 379, 385, 386});
      break;
    case 3:   // pour point
    case 38:  // freeze point
    case 67:  // CFPP
      applies = among({378, 379, 385, 386});
      break;
    case 7:   // smoke point
    case 37:  // penetration index
    case 45:  // research octane number
    case 46:  // motor octane number
      applies = among({378, 385});
      break;
    default:
      break;
  }
  if (applies) iclass = 2;
}

std::int32_t SPKEYX(std::string_view key, std::int32_t& index) {
  index = 0;
  for (std::size_t k = 0; k < kKeywordSet.size(); ++k) {
    if (sameKeyword(key, kKeywordSet[k])) {
      index = static_cast<std::int32_t>(k + 1);
      break;
    }
  }
  if (index == 0) return 1;
  std::int32_t ierr = 0;
  SPPTRG(kInspection, ierr);
  if (ierr != 0) return 1;
  const std::int32_t entry = SPRDV1(index, kInspection);
  if (entry == 0) return 1;
  const StoreCopy& copy = SSPTRS.type(kInspection);
  const std::int32_t method = storage::CORSTO[copy.integers[store::kMethod - 1] + entry];
  std::int32_t iclass = 0;
  SPUCLS(index, method, iclass);
  return iclass == 0 ? -1 : 0;
}

}  // namespace streamprops
