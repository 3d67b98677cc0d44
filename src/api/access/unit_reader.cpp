// The reader of class "UNIT": what every unit answers (identifiers, type and class names,
// texts, solution flags) and its feeds, products and sides.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kActive = 2;
constexpr std::int32_t kIdLength = 12;
constexpr std::int32_t kNameLength = 16;
constexpr std::int32_t kTextLength = 40;
constexpr std::int32_t kFeedListSector = 11;
constexpr std::int32_t kProductListSector = 12;
constexpr std::string_view kNotApplicable = "N/A";
constexpr std::string_view kForUnit = " FOR UNIT";

using Positions = std::array<std::int32_t, kMostConnections>;

void textResult(Request& request, std::int32_t elen, std::int32_t count) {
  request.setType(ValueType::Text);
  request.elen = elen;
  request.count = count;
}

void integerResult(Request& request, std::int32_t value) {
  request.setType(ValueType::Integer);
  request.count = 1;
  request.setInteger(1, value);
}

// PAFEED and PAPROD: the positions in the stream-ID table of the first COUNT streams of a
// list, at most 50 and no more than the list holds. IERR 1 when a stream is not in the
// table (the exchangers 20001 and 20003 leave its position 0 and go on). Returns the number
// of entries walked.
std::int32_t streamPositions(std::int32_t count, std::int32_t listSector, std::int32_t utype,
                             Positions& pos, std::int32_t& ierr) {
  pos.fill(0);
  ierr = 0;
  const std::int32_t listed = UNITWK.systemLength(static_cast<std::size_t>(listSector));
  const std::int32_t n = std::min({count, kMostConnections, listed});
  const bool exchanger = utype == kSimpleExchangerType || utype == kRigorousExchangerType;
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t s = listSector == kFeedListSector ? feedStream(k) : productStream(k);
    const std::int32_t streams = std::min(PAIDTB.nstrm, kMaxStreams);
    for (std::int32_t p = 1; p <= streams; ++p) {
      if (PAIDTB.streamSlot(static_cast<std::size_t>(p)) != s) continue;
      pos[static_cast<std::size_t>(k - 1)] = p;
      break;
    }
    if (pos[static_cast<std::size_t>(k - 1)] != 0 || exchanger) continue;
    ierr = kRefused;
    break;
  }
  return std::max(n, 0);
}

void PAFEED(std::int32_t nfeed, Positions& pos, std::int32_t utype, std::int32_t& ierr,
            std::int32_t& walked) {
  walked = streamPositions(nfeed, kFeedListSector, utype, pos, ierr);
}

void PAPROD(std::int32_t nprod, Positions& pos, std::int32_t utype, std::int32_t& ierr,
            std::int32_t& walked) {
  walked = streamPositions(nprod, kProductListSector, utype, pos, ierr);
}

// The number of sides; a simple exchanger with one feed, two sides and one product has one
// side unless it works against a utility.
std::int32_t numberOfSides(std::int32_t utype, std::string_view id) {
  if (utype != kSimpleExchangerType || UNITWK.feeds != 1 || UNITWK.sides != 2 ||
      UNITWK.products != 1) {
    return UNITWK.sides;
  }
  std::int32_t utility = 0;
  nestedInteger("Hx", "ExchUtilFlag", id, utility);
  return utility == 0 ? 1 : 2;
}

// The feed and product attributes: the unit loaded, matched, released.
void PAUFPD(Request& request) {
  const std::int32_t n = PAUNID(request.id);
  if (n == 0) {
    printLine(" INVALID UNIT ID: " + columns(request.id, kIdLength));
    request.ierr = kRefused;
    return;
  }
  const std::int32_t utype = problem::KUNTYC(n);
  if (utype == kHeatingCurveType) {
    request.ierr = kRefused;
    request.setText(1, "");
    request.setInteger(1, 0);
    return;
  }
  std::int32_t itype = 0;
  PAULOD(n, kLoadData, itype);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  if (request.is("NumberFeeds")) {
    integerResult(request, UNITWK.feeds);
  } else if (request.is("NumberProducts")) {
    integerResult(request, UNITWK.products);
  } else if (request.is("NumberSides")) {
    // The nested request of the exchanger may load the unit again: it is read first.
    const std::int32_t sides = numberOfSides(utype, request.id);
    integerResult(request, sides);
  } else if (request.is("FeedData")) {
    Positions pos;
    std::int32_t ierr = 0;
    std::int32_t walked = 0;
    PAFEED(UNITWK.feeds, pos, utype, ierr, walked);
    if (ierr != 0) {
      textResult(request, kIdLength, 1);
      request.setText(1, "");
      request.ierr = kRefused;
    } else {
      textResult(request, kIdLength, walked);
      for (std::int32_t k = 1; k <= walked; ++k) {
        const std::int32_t p = pos[static_cast<std::size_t>(k - 1)];
        request.setText(
            k, p == 0 ? std::string_view() : PAIDTB.streamId(static_cast<std::size_t>(p)).view());
      }
    }
  } else if (request.is("ProdData")) {
    Positions pos;
    std::int32_t ierr = 0;
    std::int32_t walked = 0;
    PAPROD(UNITWK.products, pos, utype, ierr, walked);
    textResult(request, kIdLength, walked);
    for (std::int32_t k = 1; k <= walked; ++k) {
      const std::int32_t p = pos[static_cast<std::size_t>(k - 1)];
      if (p != 0) request.setText(k, PAIDTB.streamId(static_cast<std::size_t>(p)).view());
    }
    if (ierr != 0) request.ierr = kRefused;
  } else {
    attributeNotSupported(request, kForUnit);
  }
  problem::UNFREE(n, 0);
}

// A type or class name: N/A refuses the request.
void nameResult(Request& request, const services::FixedText<kNameLength>& name) {
  textResult(request, kNameLength, 1);
  request.setText(1, name.view());
  if (name.trimmed() == kNotApplicable) request.ierr = kRefused;
}

}  // namespace

void PAUNIT(Request& request) {
  const std::int32_t nunit = std::clamp(PAIDTB.nunit, 0, kMaxUnits);
  if (request.is("IDS")) {
    textResult(request, kIdLength, nunit);
    for (std::int32_t m = 1; m <= nunit; ++m) {
      const auto id = PAIDTB.unitId(static_cast<std::size_t>(m)).view();
      request.setText(m, id);
      if (services::isBlank(id)) request.implausibleText(m);
    }
  } else if (request.is("TYPE")) {
    nameResult(request, PAUTYP(request.id));
  } else if (request.is("CLASS")) {
    nameResult(request, PAUCLS(request.id));
  } else if (request.is("NAME")) {
    request.setType(ValueType::Text);
    const std::int32_t n = PAUNID(request.id);
    if (n == 0) {
      request.setText(1, "");
      request.ierr = kRefused;
      return;
    }
    textResult(request, kTextLength, 1);
    request.setText(1, problem::UNTEXT(n).view());
  } else if (request.is("UnitSolutionFlags")) {
    // The active units in the order of "IDS", so that flag m belongs to identifier m.
    request.setType(ValueType::Integer);
    request.elen = 4;
    request.count = nunit;
    std::int32_t m = 0;
    const std::int32_t entries = problem::IUNNOU();
    for (std::int32_t u = 1; u <= entries && m < nunit; ++u) {
      if (problem::IUNSTA(u) != kActive) continue;
      ++m;
      std::int32_t notSolved = 0;
      std::int32_t word = 0;
      problem::UNSOLS(u, notSolved, word);
      request.setInteger(m, notSolved != 0 ? -1 : word);
      if (notSolved != 0) request.ierr = kRefused;
    }
    request.nullMissing();
  } else {
    PAUFPD(request);
  }
}

}  // namespace api_access
