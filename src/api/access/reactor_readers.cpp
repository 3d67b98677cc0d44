// The readers of the six reactor classes: "Reactor", "ConReactor", "EquReactor", "Cstr",
// "Plug" and "Gibbs". Each answers the reactor's stored results, its per-reaction lists,
// the plug-flow tube's axial profiles, and a per-component balance formed from the reactor's
// feed-side and product-side streams (PARXND) on every request.
//
// Stored places (unit_access.hpp): the general, equilibrium, stirred-tank, plug-flow and
// Gibbs reactors by header word; the conversion reactor by item of the loaded block, its
// outlet and duty positions from its variable table. The stream-connection sector names the
// feed-side stream at element 3 and the product-side stream at element 6.
//
// Failures a stored file can carry, answered without a stop:
//   - a connection naming no stream: the balance attributes give zeros and IERR 1; every
//     other attribute answers;
//   - stored counts (reactions, profile points) are cut at their sectors' lengths; a
//     negative count gives COUNT 0;
//   - a base component outside 1..NC gives a blank element and IERR 1;
//   - a variable-table row that is missing gives 0.0 and IERR 1 for the values that need it;
//   - the stirred tank's space time over a zero divisor is 0.0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/header_sectors.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/unit_data.hpp"
#include "streamprops/unit_variables.hpp"

namespace api_access {
namespace {

using services::IMISS;
using services::RMISS;
using storage::SectorKind;

// The balance arrays hold one entry per component of the largest problem.
constexpr std::int32_t kBalanceEntries = kMaxComponents;
constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kFeedSide = 3;
constexpr std::int32_t kProductSide = 6;
constexpr std::int32_t kHasRecord = 2;
constexpr std::int32_t kRead = 0;
constexpr std::int32_t kRate = 11;  // header real of the main record
constexpr double kMissingBelow = -1.0e35;

// Unit classes of the reactor attributes.
constexpr std::int32_t kTemperature = 1;
constexpr std::int32_t kPressure = 4;
constexpr std::int32_t kTime = 8;
constexpr std::int32_t kLength = 9;
constexpr std::int32_t kTubeDiameter = 10;
constexpr std::int32_t kVolume = 16;
constexpr std::int32_t kDuty = 26;
constexpr std::int32_t kMolarFlow = 31;
constexpr std::int32_t kHeatTransfer = 36;

// ---------------------------------------------------------------------------------------
// The balance
// ---------------------------------------------------------------------------------------

struct Balance {
  std::array<double, kBalanceEntries> feed{};
  std::array<double, kBalanceEntries> prod{};
  std::array<double, kBalanceEntries> conv{};
  bool found = false;  // both streams have records
};
// Kept with the readers so that a request allocates nothing; filled anew by every request.
Balance balance;

double fractionOrZero(double x) { return x <= kMissingBelow ? 0.0 : x; }

bool hasRecord(std::int32_t stream) {
  return stream != IMISS && stream >= 1 && problem::ISRSTA(stream) >= kHasRecord;
}

}  // namespace

// PARXND: the molar flow of every component into (FEED) and out of (PROD) the reactor and
// the fractional conversion of each consumed component (CONV), in internal component order,
// for components 1..NC. A connection that names no stream leaves the arrays 0.0 and returns
// false; otherwise the feed-side stream is current in set 2 and the product-side stream in
// set 1 afterwards.
bool PARXND(std::int32_t nfeed, std::int32_t nprod, std::span<double> feed, std::span<double> prod,
            std::span<double> conv) {
  std::fill(feed.begin(), feed.end(), 0.0);
  std::fill(prod.begin(), prod.end(), 0.0);
  std::fill(conv.begin(), conv.end(), 0.0);
  if (!hasRecord(nfeed) || !hasRecord(nprod)) return false;
  // 1. The two streams.
  problem::SRSET(nfeed, kRead);
  problem::SRSETT(nprod);
  const problem::MainRecord in(problem::SRPSET.set2);
  const problem::MainRecord out(problem::SRPSET.set1);
  // 2. Their total molar rates.
  const double ft = in.real(kRate);
  const double pt = out.real(kRate);
  const std::int32_t nc =
      std::min({PAIDTB.ncomp, problem::COHDR(problem::cohdr::kStreamComponents),
                static_cast<std::int32_t>(feed.size()), static_cast<std::int32_t>(prod.size()),
                static_cast<std::int32_t>(conv.size())});
  for (std::int32_t i = 1; i <= nc; ++i) {
    const auto k = static_cast<std::size_t>(i - 1);
    // 3. Component flows; a missing fraction counts as none.
    const double xf = in.vector(problem::srmain::kOverall, i);
    const double xp = out.vector(problem::srmain::kOverall, i);
    feed[k] = xf <= kMissingBelow ? 0.0 : ft * xf;
    prod[k] = xp <= kMissingBelow ? 0.0 : pt * xp;
    // 4. conv = |prod - feed| / feed for a consumed component of the feed.
    const double d = prod[k] - feed[k];
    conv[k] = d < 0.0 && feed[k] > 0.0 ? -d / feed[k] : 0.0;
  }
  return true;
}

namespace {

// ---------------------------------------------------------------------------------------
// The reactor types
// ---------------------------------------------------------------------------------------

enum class Source : std::int32_t {
  Control,        // integer element `at` of the control sector
  Constant,       // the integer `at`
  BaseIds,        // identifiers of the base components, one per reaction
  Result,         // real element `at` of the results
  VtResult,       // real sector 1 at VT(`at`) + `plus` (conversion reactor)
  SpaceTime,      // results 6 / 29 (stirred tank)
  SpaceVelocity,  // 1 / space time in class 8
  Conversion,     // the conversion of the base components, one per reaction
  Profile,        // block `at` of the five profile blocks (plug-flow tube)
  Feed,
  Prod,
  Change,
  Fraction,
};

struct Attribute {
  std::string_view name;
  Source source;
  std::int32_t at = 0;
  std::int32_t cls = 0;
  std::int32_t plus = 0;
};

// Where a reactor keeps its data: header words (0: none), or the loaded block's items.
struct Layout {
  std::int32_t control = 0;        // integer sector
  std::int32_t base = 0;           // integer sector of base components
  std::int32_t results = 0;        // real sector
  std::int32_t conversion = 0;     // real sector; 0 with `conversionRow` for the variable table
  std::int32_t profiles = 0;       // real sector
  std::int32_t reactionsAt = 0;    // element of the control sector that holds NR (0: none)
  std::int32_t pointsAt = 0;       // element that holds NP (0: none)
  bool byItem = false;             // the conversion reactor: items 1 and 2 of the loaded block
  std::int32_t conversionRow = 0;  // the stirred tank: variable-table row of the conversion
};

struct Kind {
  std::int32_t type;
  std::string_view notThisType;
  std::string_view wording;
  Layout layout;
  std::span<const Attribute> attributes;
};

// The balance attributes every reactor ends with.
#define VK_BALANCE_ROWS                                                                   \
  {"FeedMoles", Source::Feed, 0, kMolarFlow}, {"ProdMoles", Source::Prod, 0, kMolarFlow}, \
      {"ChangeMoles", Source::Change, 0, kMolarFlow}, {                                   \
    "FractionConv", Source::Fraction, 0, 0                                                \
  }

constexpr Attribute kGeneralRows[] = {
    {"NumberOfReactions", Source::Control, 1},
    {"ReactorTypeFlag", Source::Control, 9},
    {"CalcTypeFlag", Source::Control, 2},
    {"ReacModeFlag", Source::Control, 6},
    {"ReactorPhase", Source::Control, 4},
    {"BaseComponentID", Source::BaseIds},
    {"InletTemperature", Source::Result, 12, kTemperature},
    {"InletPressure", Source::Result, 13, kPressure},
    {"OutletTemperature", Source::Result, 2, kTemperature},
    {"OutletPressure", Source::Result, 4, kPressure},
    {"TotalDuty", Source::Result, 23, kDuty},
    {"TotalHeatOfReaction", Source::Result, 15, kDuty},
    {"ConversionBaseComp", Source::Conversion},
    VK_BALANCE_ROWS,
};

constexpr Attribute kConversionRows[] = {
    {"NumberOfReactions", Source::Control, 1},
    {"ReactorTypeFlag", Source::Control, 8},
    {"CalcTypeFlag", Source::Constant, 1},
    {"ReacModeFlag", Source::Control, 5},
    {"ReactorPhase", Source::Control, 3},
    {"BaseComponentID", Source::BaseIds},
    {"InletTemperature", Source::Result, 12, kTemperature},
    {"InletPressure", Source::Result, 13, kPressure},
    {"OutletTemperature", Source::VtResult, 1, kTemperature, 1},
    {"OutletPressure", Source::VtResult, 2, kPressure, 1},
    {"TotalDuty", Source::VtResult, 8, kDuty, 0},
    {"TotalHeatOfReaction", Source::Result, 15, kDuty},
    {"ConversionBaseComp", Source::Conversion},
    VK_BALANCE_ROWS,
};

constexpr Attribute kEquilibriumRows[] = {
    {"NumberOfReactions", Source::Control, 1},
    {"ReactorTypeFlag", Source::Control, 8},
    {"CalcTypeFlag", Source::Constant, 2},
    {"ReacModeFlag", Source::Control, 5},
    {"ReactorPhase", Source::Control, 3},
    {"BaseComponentID", Source::BaseIds},
    {"InletTemperature", Source::Result, 12, kTemperature},
    {"InletPressure", Source::Result, 13, kPressure},
    {"OutletTemperature", Source::Result, 2, kTemperature},
    {"OutletPressure", Source::Result, 4, kPressure},
    {"TotalDuty", Source::Result, 6, kDuty},
    {"TotalHeatOfReaction", Source::Result, 15, kDuty},
    {"ConversionBaseComp", Source::Conversion},
    VK_BALANCE_ROWS,
};

constexpr Attribute kStirredTankRows[] = {
    {"NumberOfReactions", Source::Control, 4},
    {"ReactorTypeFlag", Source::Control, 1},
    {"ReactorPhase", Source::Control, 2},
    {"BaseComponentID", Source::BaseIds},
    {"InletTemperature", Source::Result, 18, kTemperature},
    {"InletPressure", Source::Result, 19, kPressure},
    {"ReactorTemperature", Source::Result, 2, kTemperature},
    {"ReactorPressure", Source::Result, 4, kPressure},
    {"TotalDuty", Source::Result, 8, kDuty},
    {"TotalHeatOfReaction", Source::Result, 20, kDuty},
    {"ReactorVolumeCalc", Source::Result, 6, kVolume},
    {"ReactorSpaceTime", Source::SpaceTime, 0, kTime},
    {"ReactorSpaceVelocity", Source::SpaceVelocity, 0, kReciprocalClass8},
    {"ConversionBaseComp", Source::Conversion},
    VK_BALANCE_ROWS,
};

constexpr Attribute kPlugFlowRows[] = {
    {"NumberOfReactions", Source::Control, 4},
    {"ReactorTypeFlag", Source::Control, 1},
    {"ReactorPhase", Source::Control, 2},
    {"AnnulFluidFlag", Source::Control, 8},
    {"NumberProfPoints", Source::Control, 12},
    {"BaseComponentID", Source::BaseIds},
    {"TotalDuty", Source::Result, 8, kDuty},
    {"TotalHeatOfReaction", Source::Result, 39, kDuty},
    {"NumberOfTubes", Source::Result, 20, 0},
    {"TubeDiameter", Source::Result, 10, kTubeDiameter},
    {"TubeLength", Source::Result, 12, kLength},
    {"TotalVolume", Source::Result, 37, kVolume},
    {"HeatTransCoeff", Source::Result, 14, kHeatTransfer},
    {"ResidenceTime", Source::Result, 41, 0},
    {"VelocityMaximum", Source::Result, 22, kLength},
    {"MaxVelocityDist", Source::Result, 40, kLength},
    {"InletTemperature", Source::Result, 34, kTemperature},
    {"InletPressure", Source::Result, 35, kPressure},
    {"OutletTemperature", Source::Result, 6, kTemperature},
    {"OutletPressure", Source::Result, 36, kPressure},
    {"AnnulTempIn", Source::Result, 24, kTemperature},
    {"AnnulPressIn", Source::Result, 29, kPressure},
    {"AnnulTempOut", Source::Result, 26, kTemperature},
    {"AnnulPressOut", Source::Result, 32, kPressure},
    {"ConversionBaseComp", Source::Conversion},
    {"ProfileDistance", Source::Profile, 1, kLength},
    {"ReacTempProfile", Source::Profile, 2, kTemperature},
    {"ReacPresProfile", Source::Profile, 3, kPressure},
    {"AnnulTempProfile", Source::Profile, 4, kTemperature},
    {"AnnulPresProfile", Source::Profile, 5, kPressure},
    VK_BALANCE_ROWS,
};

constexpr Attribute kGibbsRows[] = {
    {"ReactorTypeFlag", Source::Control, 1},
    {"ReactorPhase", Source::Control, 2},
    {"InletTemperature", Source::Result, 17, kTemperature},
    {"InletPressure", Source::Result, 18, kPressure},
    {"ReactorTemperature", Source::Result, 2, kTemperature},
    {"ReactorPressure", Source::Result, 4, kPressure},
    {"TotalDuty", Source::Result, 13, kDuty},
    {"TotalHeatOfReaction", Source::Result, 19, kDuty},
    {"GibbsMinFreeEnergy", Source::Result, 22, 0},
    VK_BALANCE_ROWS,
};

#undef VK_BALANCE_ROWS

constexpr Kind kGeneral{10008, " IS NOT GENERAL REACTOR", " FOR REACTOR",
                        Layout{108, 109, 120, 121, 0, 1}, kGeneralRows};
constexpr Kind kConversion{10024, " IS NOT CONVERSION REACTOR", " FOR CON REACTOR",
                           Layout{1, 2, 1, 2, 0, 1, 0, true}, kConversionRows};
constexpr Kind kEquilibrium{10025, " IS NOT EQUILIBRIUM REACTOR", " FOR EQUIL REACTOR",
                            Layout{114, 120, 147, 148, 0, 1}, kEquilibriumRows};
constexpr Kind kStirredTank{10010, " IS NOT CSTR", " FOR CSTR",
                            Layout{144, 145, 201, 0, 0, 4, 0, false, 11}, kStirredTankRows};
constexpr Kind kPlugFlow{20004, " IS NOT PLUG FLOW", " FOR PLUG FLOW",
                         Layout{140, 141, 216, 242, 230, 4, 12}, kPlugFlowRows};
constexpr Kind kGibbs{10009, " IS NOT GIBBS REACTOR", " FOR GIBBS REACTOR",
                      Layout{113, 0, 149, 0, 0, 0}, kGibbsRows};

// ---------------------------------------------------------------------------------------
// The loaded reactor
// ---------------------------------------------------------------------------------------

struct Loaded {
  LoadedSector control;
  LoadedSector base;
  LoadedSector results;
  LoadedSector conversion;
  LoadedSector profiles;
  std::int32_t reactions = 0;  // NR as stored
  std::int32_t points = 0;     // NP as stored
  bool conversionFound = true;
  // The conversion reactor's variable-table positions VT(1), VT(2), VT(8); found or not.
  std::array<std::int32_t, 9> vt{};
  std::array<bool, 9> vtFound{};
};

void locate(const Kind& kind, Loaded& loaded, std::int32_t n) {
  const Layout& at = kind.layout;
  if (at.byItem) {
    loaded.control = LoadedSector::integerItem(at.control);
    loaded.base = LoadedSector::integerItem(at.base);
    loaded.results = LoadedSector::realItem(at.results);
    loaded.conversion = LoadedSector::realItem(at.conversion);
    // VT(k): word 2 of variable-table entry k.
    const std::span<const std::int32_t> vat = streamprops::unitVat(n, 3);
    for (const std::int32_t k : {1, 2, 8}) {
      std::int32_t ierr = 0;
      loaded.vt[static_cast<std::size_t>(k)] = PAUDIG(4, k, vat, 0, ierr);
      loaded.vtFound[static_cast<std::size_t>(k)] = ierr == 0;
    }
  } else {
    loaded.control = LoadedSector::atWord(SectorKind::Integer, at.control);
    loaded.base = LoadedSector::atWord(SectorKind::Integer, at.base);
    loaded.results = LoadedSector::atWord(SectorKind::Real, at.results);
    loaded.conversion = LoadedSector::atWord(SectorKind::Real, at.conversion);
    loaded.profiles = LoadedSector::atWord(SectorKind::Real, at.profiles);
  }
  if (at.conversionRow != 0) {
    // The row names the real sector of the conversions; a row that is missing names none.
    const std::span<const std::int32_t> vat = streamprops::unitVat(n, 3);
    std::int32_t ierr = 0;
    streamprops::UVDCOD(at.conversionRow, vat, 0, ierr);
    loaded.conversionFound = ierr == 0 && streamprops::UVDEC.item >= 1;
    if (loaded.conversionFound) loaded.conversion = LoadedSector::realItem(streamprops::UVDEC.item);
  }
  const auto count = [&](std::int32_t e) {
    const std::int32_t v = e == 0 ? 0 : loaded.control.integer(e);
    return v == IMISS ? 0 : v;
  };
  loaded.reactions = count(at.reactionsAt);
  loaded.points = count(at.pointsAt);
}

// The value converted from the internal set, a missing one 0.0.
double converted(double value, std::int32_t cls, std::int32_t iunset) {
  if (value <= kMissingBelow) return 0.0;
  return cls == 0 ? value : services::UOMCNV(value, cls, 1, iunset);
}

// The base component's identifier of reaction R; false when it is not a component.
bool baseIdentifier(const LoadedSector& base, std::int32_t r, services::FixedText<16>& id) {
  const std::int32_t c = base.integer(r);
  if (c == IMISS || c < 1 || c > PAIDTB.ncomp) return false;
  std::int32_t p = 0;
  problem::SLTIDX(c, 1, p);
  if (p < 1 || p > PAIDTB.ncomp) return false;
  id = PAIDTB.componentId(static_cast<std::size_t>(p));
  return true;
}

void perComponent(Request& request, Source source, std::int32_t cls) {
  const std::int32_t nc = std::clamp(PAIDTB.ncomp, 0, kBalanceEntries);
  request.count = nc;
  request.iucls = cls;
  for (std::int32_t k = 1; k <= nc; ++k) {
    // Host component k is stored at position i.
    const std::int32_t i = PAIDTB.componentPosition(static_cast<std::size_t>(k));
    double value = 0.0;
    if (i >= 1 && i <= nc) {
      const auto at = static_cast<std::size_t>(i - 1);
      switch (source) {
        case Source::Feed:
          value = balance.feed[at];
          break;
        case Source::Prod:
          value = balance.prod[at];
          break;
        case Source::Change:
          value = balance.prod[at] - balance.feed[at];
          break;
        default:
          value = balance.conv[at];
          break;
      }
    }
    request.setReal(k, cls == 0 ? value : services::UOMCNV(value, cls, 1, request.iunset));
  }
  if (!balance.found) request.ierr = kRefused;
}

// The stirred tank's space time H(6) / H(29) in the internal set; 0.0 over a zero divisor.
double spaceTime(const LoadedSector& results) {
  const double volume = fractionOrZero(results.real(6));
  const double rate = fractionOrZero(results.real(29));
  return rate == 0.0 ? 0.0 : volume / rate;
}

void answer(Request& request, const Attribute& a, const Loaded& loaded) {
  const std::int32_t nr = std::max(loaded.reactions, 0);
  switch (a.source) {
    case Source::Control:
    case Source::Constant: {
      request.setType(ValueType::Integer);
      request.iucls = kNoUnit;
      const std::int32_t v = a.source == Source::Constant ? a.at : loaded.control.integer(a.at);
      request.setInteger(1, v == IMISS ? 0 : v);
      return;
    }
    case Source::BaseIds: {
      request.setType(ValueType::Text);
      request.iucls = kNoUnit;
      const std::int32_t count = std::min({nr, loaded.base.length(), kMostValues});
      request.count = count;
      for (std::int32_t r = 1; r <= count; ++r) {
        services::FixedText<16> id;
        if (baseIdentifier(loaded.base, r, id)) {
          request.setText(r, id.view());
        } else {
          request.setText(r, "");
          request.ierr = kRefused;
        }
      }
      return;
    }
    case Source::Result:
      request.iucls = a.cls;
      request.setReal(1, converted(loaded.results.real(a.at), a.cls, request.iunset));
      return;
    case Source::VtResult: {
      request.iucls = a.cls;
      const auto k = static_cast<std::size_t>(a.at);
      if (!loaded.vtFound[k]) {
        request.setReal(1, 0.0);
        request.ierr = kRefused;
        return;
      }
      request.setReal(1,
                      converted(loaded.results.real(loaded.vt[k] + a.plus), a.cls, request.iunset));
      return;
    }
    case Source::SpaceTime:
      request.iucls = a.cls;
      request.setReal(1, services::UOMCNV(spaceTime(loaded.results), kTime, 1, request.iunset));
      return;
    case Source::SpaceVelocity: {
      request.iucls = kReciprocalClass8;
      const double t = services::UOMCNV(spaceTime(loaded.results), kTime, 1, request.iunset);
      request.setReal(1, t > 0.0 ? 1.0 / t : 0.0);
      return;
    }
    case Source::Conversion: {
      request.iucls = kNoUnit;
      if (!loaded.conversionFound) {
        request.count = std::min(nr, kMostValues);
        for (std::int32_t r = 1; r <= request.count; ++r) request.setReal(r, 0.0);
        request.ierr = kRefused;
        return;
      }
      request.count = std::min({nr, loaded.conversion.length(), kMostValues});
      for (std::int32_t r = 1; r <= request.count; ++r) {
        request.setReal(r, loaded.conversion.real(r));
      }
      return;
    }
    case Source::Profile: {
      // Five blocks of NP points; a block that runs past the sector stops at its end.
      request.iucls = a.cls;
      const std::int64_t np = std::max(loaded.points, 0);
      const std::int64_t first = (a.at - 1) * np;
      const std::int64_t inSector = std::max<std::int64_t>(loaded.profiles.length() - first, 0);
      request.count =
          static_cast<std::int32_t>(std::min({np, inSector, std::int64_t{kMostValues}}));
      for (std::int32_t t = 1; t <= request.count; ++t) {
        const double v = loaded.profiles.real(static_cast<std::int32_t>(first + t));
        request.setReal(t, converted(v, a.cls, request.iunset));
      }
      return;
    }
    case Source::Feed:
    case Source::Prod:
    case Source::Change:
    case Source::Fraction:
      perComponent(request, a.source, a.cls);
      return;
  }
}

void read(Request& request, const Kind& kind) {
  const std::array<std::int32_t, 1> types{kind.type};
  const std::int32_t n = findUnit(request, types, kind.notThisType);
  if (n == 0) return;
  std::int32_t itype = 0;
  PAULOD(n, kLoadData, itype);
  request.elen = 4;
  request.setType(ValueType::Real);
  request.count = 1;
  // The sectors' lengths are taken while the loaded block is the current sub-block.
  Loaded loaded;
  locate(kind, loaded, n);
  // The balance, whatever the attribute.
  balance.found = PARXND(systemElement(kConnectionSector, kFeedSide),
                         systemElement(kConnectionSector, kProductSide), balance.feed, balance.prod,
                         balance.conv);

  const auto match = std::find_if(kind.attributes.begin(), kind.attributes.end(),
                                  [&](const Attribute& a) { return request.is(a.name); });
  if (match == kind.attributes.end()) {
    attributeNotSupported(request, kind.wording);
  } else {
    answer(request, *match, loaded);
  }
  request.nullMissing();
  problem::UNFREE(n, 0);
}

}  // namespace

void PARCTR(Request& request) { read(request, kGeneral); }
void PACONR(Request& request) { read(request, kConversion); }
void PAEQUR(Request& request) { read(request, kEquilibrium); }
void PACSTR(Request& request) { read(request, kStirredTank); }
void PAPLUG(Request& request) { read(request, kPlugFlow); }
void PAGIBB(Request& request) { read(request, kGibbs); }

}  // namespace api_access
