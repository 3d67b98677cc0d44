// Page headers: the channel titles, the identification titles and the header of a page.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/run_options.hpp"
#include "services/report_records.hpp"
#include "services/services.hpp"

namespace services {

using report::putLine;

namespace {

constexpr std::string_view kMaker = "TARVEX INC.";
constexpr std::size_t kMakerField = 24;
constexpr std::size_t kTitleWidth = 35;
constexpr std::size_t kSectionWidth = 30;
constexpr std::size_t kPageTextWidth = 14;
constexpr std::string_view kWarning = " ** WARNING - PROBLEM SOLUTION NOT REACHED ** ";
static_assert(kWarning.size() == 46);

// Section titles by the section word.
constexpr std::array<std::string_view, 6> kSections = {
    "", "INPUT", "CALCULATION", "OUTPUT", "OUTPUT - PRIMARY UNITS", "OUTPUT - ALTERNATE UNITS"};

// The columns of a width mode: the page width, the blanks added before and after the
// titles beyond those of the 78-column page, and the "=" counts around the warning.
struct Widths {
  std::size_t page;
  std::size_t before;
  std::size_t after;
  std::size_t ruleLeft;
  std::size_t ruleRight;
};

Widths widthsOf(std::int32_t mode) {
  switch (mode) {
    case 2:
      return {117, 16, 23, 35, 36};
    case 3:
      return {130, 22, 30, 42, 42};
    default:
      return {78, 0, 0, 16, 16};
  }
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// TEXT cut or blank-padded to WIDTH.
std::string field(std::string_view text, std::size_t width) {
  std::string result(text.substr(0, std::min(text.size(), width)));
  result.resize(width, ' ');
  return result;
}

std::string centred(std::string_view text, std::size_t width) {
  std::string result(width, ' ');
  TXTJST(text, result, static_cast<std::int32_t>(Justify::Centre));
  return result;
}

// "PAGE n", "PAGE p-n" or "PAGE pq-n", right-justified in 14 characters.
std::string pageText(const FixedText<2>& prefix, std::int32_t number) {
  std::string text = "PAGE ";
  if (!prefix.isBlank()) {
    text += prefix.at(2) == ' ' ? std::string(1, prefix.at(1)) : prefix.str();
    text += '-';
  }
  text += std::to_string(number);
  std::string result(kPageTextWidth, ' ');
  TXTJST(text, result, static_cast<std::int32_t>(Justify::Right));
  return result;
}

// Steps 3-10: the page number, the form feed, the four header lines, the report titles and
// the closing rule.
void writePageHeader(std::int32_t channel, std::int32_t newPage) {
  const std::int32_t unit = PAGCTL.units(channel);
  const Widths w = widthsOf(PAGCTL.widthMode);
  PAGCTL.pageNumbers(channel) += 1;

  putLine(unit, "", report::kNewPage);
  putLine(unit, field(kMaker, kMakerField) + blanks(4 + w.before) +
                    std::string(PAGTXT.titles(1).view()) + blanks(1 + w.after) +
                    pageText(PAGCTL.prefixes(channel), PAGCTL.pageNumbers(channel)));
  putLine(unit, "PROJECT" + blanks(2) + PAGTXT.project.str() + blanks(7 + w.before) +
                    PAGTXT.titles(2).str() + blanks(3 + w.after) + PAGTXT.platform.str());
  const std::int32_t section = PAGCTL.section;
  const std::string_view sectionTitle =
      section >= 0 && section < static_cast<std::int32_t>(kSections.size())
          ? kSections[static_cast<std::size_t>(section)]
          : std::string_view();
  putLine(unit, "PROBLEM" + blanks(2) + PAGTXT.problem.str() + blanks(7 + w.before) +
                    centred(sectionTitle, kSectionWidth) + blanks(8 + w.after) +
                    PAGTXT.rightField3.str());
  // Line 4 shows the left field only on the units of channels 1 and 2.
  const bool reportUnit = unit == PAGCTL.units(1) || unit == PAGCTL.units(2);
  const std::string left = reportUnit ? PAGTXT.leftField4.str() : blanks(21);
  putLine(unit, left + blanks(2 + w.before) + PAGCTL.titles(channel).str() + blanks(3 + w.after) +
                    PAGTXT.rightField4.str());

  if (RPTOPT.option == kTitlesInHeader) {
    putLine(unit, blanks(27) + std::string(RPTOPT.shortTitle.trimmed()));
    putLine(unit, blanks(3) + std::string(RPTOPT.longTitle.trimmed()));
    PAGCTL.linesLeft(channel) -= 2;
  }

  if (newPage == 1) {
    putLine(unit, std::string(w.page, '='));
  } else {
    putLine(unit,
            std::string(w.ruleLeft, '=') + std::string(kWarning) + std::string(w.ruleRight, '='));
  }
}

// Header line A or B by its mode: after an empty line on a new page (2 lines), in mid-page
// after an empty line, a dashed rule and another empty line (4 lines).
void writeHeaderLine(std::int32_t channel, const FixedText<kPageWidth>& line, std::int32_t mode,
                     bool onNewPage) {
  if ((mode != 1 && mode != 2) || line.isBlank()) return;
  const std::int32_t unit = PAGCTL.units(channel);
  putLine(unit, "");
  if (!onNewPage) {
    std::string rule;
    for (int k = 0; k < 26; ++k) rule += "  -";
    putLine(unit, rule);
    putLine(unit, "");
  }
  putLine(unit, line.view());
  PAGCTL.linesLeft(channel) -= onNewPage ? 2 : 4;
}

}  // namespace

void PGTITL(std::int32_t u1, std::int32_t u3, std::int32_t u5, std::int32_t u4) {
  PAGCTL.units(1) = u1;
  PAGCTL.units(3) = u3;
  PAGCTL.units(5) = u5;
  PAGCTL.units(4) = u4;
  const auto centre = static_cast<std::int32_t>(Justify::Centre);
  TXTJST("INDEX", PAGCTL.titles(3), centre);
  TXTJST("HISTORY", PAGCTL.titles(4), centre);
  TXTJST("SOURCE LISTING", PAGCTL.titles(5), centre);
}

void PGVERS(std::string_view product, std::string_view release, std::string_view version,
            std::string_view fourth, std::string_view platform) {
  // 1. The texts in their fields, in capitals.
  const auto left = static_cast<std::int32_t>(Justify::Left);
  TXTJST(product, PAGTXT.product, left);
  TXTJST(release, PAGTXT.release, left);
  TXTJST(version, PAGTXT.version, left);
  TXTJST(fourth, PAGTXT.fourth, left);
  TXTJST(platform, PAGTXT.platform, static_cast<std::int32_t>(Justify::Right));
  const auto upper = static_cast<std::int32_t>(CaseMode::Upper);
  for (std::span<char> text : {PAGTXT.product.span(), PAGTXT.release.span(), PAGTXT.version.span(),
                               PAGTXT.fourth.span(), PAGTXT.platform.span()}) {
    CASECV(text, upper);
  }
  const std::string_view productText = PAGTXT.product.trimmed();
  const std::string_view releaseText = PAGTXT.release.trimmed();
  const std::string_view versionText = PAGTXT.version.trimmed();

  // 2-3. The identification line, with the release letter above the gap after the product.
  std::string identification(productText);
  std::string releaseLine(productText.size(), ' ');
  if (releaseText.empty()) {
    identification += " VERSION " + std::string(versionText) + "  " + PAGTXT.fourth.str();
  } else {
    identification += blanks(releaseText.size()) + " VERSION " + std::string(versionText) + " " +
                      PAGTXT.fourth.str();
    releaseLine += releaseText;
  }
  identification = field(identification, kTitleWidth);
  releaseLine = field(releaseLine, kTitleWidth);

  // 4. Title 3 centres the identification in 30 columns; titles 1 and 2 start where it does.
  FixedText<kTitleWidth>& title3 = PAGTXT.titles(3);
  title3.blank();
  TXTJST(identification, std::span<char>(title3.data(), kSectionWidth),
         static_cast<std::int32_t>(Justify::Centre));
  const std::int32_t start =
      std::max(1, CHRIDX(title3.view(), 1, static_cast<std::int32_t>(kSectionWidth)));
  const std::string shift = blanks(static_cast<std::size_t>(start - 1));
  PAGTXT.titles(1).assign(shift + releaseLine);
  PAGTXT.titles(2).assign(shift + identification);
}

void RPHEAD(std::int32_t channel, std::int32_t newPage, std::int32_t lineAMode,
            std::int32_t lineBMode, std::int32_t headerCount) {
  if (!report::isChannel(channel)) return;
  const bool onNewPage = newPage > 0;
  if (onNewPage) {
    // 1. The notes held close the page that ends.
    if (PAGCTL.notes(channel).lines > 0) RPCOLN(channel, false);
    // 2. A fresh page; a channel that is not open gets no header.
    PAGCTL.linesLeft(channel) = PAGCTL.linesPerPage - kPageHeaderLines;
    if (PAGCTL.units(channel) < 0) return;
    writePageHeader(channel, newPage);
  } else if (PAGCTL.units(channel) < 0) {
    return;
  }

  // The channel's stored header lines, as the modes select.
  writeHeaderLine(channel, PAGCTL.linesA(channel), lineAMode, onNewPage);
  writeHeaderLine(channel, PAGCTL.linesB(channel), lineBMode, onNewPage);
  const std::int32_t count = std::min(std::abs(headerCount), kStoredHeaderLines);
  for (std::int32_t k = 1; k <= count; ++k) {
    putLine(PAGCTL.units(channel), PAGCTL.headerLines(channel)(k).trimmed());
    PAGCTL.linesLeft(channel) -= 1;
  }

  // Later pages under a changed line A show it as continued.
  FixedText<kPageWidth>& lineA = PAGCTL.linesA(channel);
  if (lineAMode == 2 && !lineA.isBlank()) {
    const std::string continued = std::string(lineA.trimmed()) + "  (CONT)";
    TXTJST(continued, lineA, static_cast<std::int32_t>(Justify::Centre));
  }
}

}  // namespace services
