// Unit labels: the stored label of a class in a set or unit code, with its basis words and
// its multiplier rewritten for printing.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "problem/problem.hpp"
#include "problem/unit_labels.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::assignText;
using services::blankText;
using services::FixedText;
using services::kCodeLabelChars;
using services::kFirstUnitCode;
using services::kLastLabelCode;
using services::kNamedUnitSets;
using services::kUnitClasses;
using services::kUnitLabelWidth;
using services::NOCORE;
using services::NODISK;
using services::SQZBLK;
using services::UOMTAB;
using services::viewOf;

constexpr std::string_view kMolarBasis = "-MOL";
constexpr std::string_view kStandardBasis = "STD-";
constexpr std::string_view kActualBasis = "ACT-";
constexpr std::string_view kPrefixCounts = "MMMMKMGT";
constexpr std::string_view kPrefixLetters = "KMGT";
// Unit classes whose molar basis word is always kept, and always dropped.
constexpr std::int32_t kMolarRateClass = 31;
constexpr std::int32_t kMassRateClass = 32;
// Diagnostic switch that turns prefix style 1 into style 2.
constexpr int kPrefixStyleSwitch = 23;
// Words of an entry of the label index.
constexpr std::size_t kLabelIndexNameChars = 6;
constexpr std::size_t kLabelIndexDataWords = 14;

using Label = std::array<char, kUnitLabelWidth>;

// Cuts the first WORD out of TEXT, moving the rest left and filling the end with blanks.
void cutOut(Label& text, std::string_view word) {
  const std::string_view view(text.data(), text.size());
  const std::size_t at = view.find(word);
  if (at == std::string_view::npos) return;
  std::copy(text.begin() + static_cast<std::ptrdiff_t>(at + word.size()), text.end(),
            text.begin() + static_cast<std::ptrdiff_t>(at));
  std::fill(text.end() - static_cast<std::ptrdiff_t>(word.size()), text.end(), ' ');
}

bool contains(const Label& text, std::string_view word) {
  return std::string_view(text.data(), text.size()).find(word) != std::string_view::npos;
}

// The stored label of CLASS in SET, or blanks.
Label storedLabel(std::int32_t cls, std::int32_t set) {
  Label label;
  label.fill(' ');
  if (cls < 1 || cls > kUnitClasses) return label;
  std::int32_t row = -1;
  if (set == -1) {
    row = 0;
  } else if (set == 0) {
    row = UOMTAB.currentSet();
  } else if (set >= 1 && set <= kNamedUnitSets) {
    row = set;
  }
  if (row >= 0) {
    if (row > kNamedUnitSets) return label;  // a current set that names no row
    const auto text = UOMTAB.setLabel(cls, row);
    std::copy(text.begin(), text.end(), label.begin());
    return label;
  }
  if (set < kFirstUnitCode || set > kLastLabelCode) return label;
  UOMLDS(cls);
  if (UOMTAB.labelClass != cls) return label;
  const auto text = UOMTAB.codeLabel(set);
  std::copy(text.begin(), text.end(), label.begin());
  return label;
}

// The letter LETTERS(k) (1-based), or nothing when K lies beyond it.
std::string letterAt(std::string_view letters, std::int32_t k) {
  if (k < 1 || static_cast<std::size_t>(k) > letters.size()) return {};
  return std::string(1, letters[static_cast<std::size_t>(k - 1)]);
}

}  // namespace

void UOMLDS(std::int32_t cls) {
  if (cls == UOMTAB.labelClass) return;
  UOMTAB.codeLabels.blank();
  UOMTAB.labelClass = 0;
  const std::int32_t index = problem::DBHNDL.dm1.labelIndex;
  if (index == NOCORE || cls < 1) return;
  FixedText<kLabelIndexNameChars> name;
  storage::DiskPointer labels{};
  std::array<std::int32_t, kLabelIndexDataWords> data{};
  std::int32_t status = 0;
  storage::FBINUM(1, index, cls, name, labels, data, status);
  // A class the index does not hold, or holds without labels, stays unloaded.
  if (status != 0 || storage::dp(labels, storage::dpword::kAddress) == NODISK) return;
  storage::FBFCHR(1, labels, static_cast<std::int32_t>(kCodeLabelChars), UOMTAB.codeLabels, status);
  if (status == 0) UOMTAB.labelClass = cls;
}

std::string_view UOMFMT(std::span<char> label, std::int32_t cls, std::int32_t set,
                        std::int32_t opt) {
  Label s = storedLabel(cls, set);
  const std::string_view whole(s.data(), s.size());
  if (set == -1 || opt < 0) {
    assignText(label, whole);
    return viewOf(label);
  }
  const std::int32_t h = (opt / 100) % 10;
  const std::int32_t t = (opt / 10) % 10;
  const std::int32_t u = opt % 10;

  // Basis words.
  if (contains(s, kMolarBasis) && cls != kMolarRateClass) {
    const bool keep = cls != kMassRateClass && h == 1;
    if (!keep) cutOut(s, kMolarBasis);
  }
  if (contains(s, kStandardBasis)) {
    if (h == 3) {
      const std::size_t at = std::string_view(s.data(), s.size()).find(kStandardBasis);
      std::copy(kActualBasis.begin(), kActualBasis.end(),
                s.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (h != 2) {
      cutOut(s, kStandardBasis);
    }
  }

  // Prefix style and multiplier.
  std::int32_t style = UOMTAB.prefixStyle(set >= 2 && set <= 4 ? static_cast<std::size_t>(set) : 1);
  if (style == 1 && services::GDPOPT.diagnosticSwitch(kPrefixStyleSwitch) == 1) style = 2;
  const std::int32_t stored = s[1] == 'M' ? 2 : (s[1] == 'K' ? 1 : 0);
  std::int32_t n = 0;
  if (style == 0 && t > 0) {
    n = t - 1;
  } else if (style == 1 && u > 0) {
    n = u - 1;
  } else {
    n = s[0] == 'M' ? 2 : (s[0] == 'K' ? 1 : 0);
  }
  const std::string_view text(s.data(), s.size());
  const std::string_view unit = stored == 0 ? text.substr(2) : text.substr(1);

  std::string composed;
  if (n == 0) {
    composed = std::string(unit);
  } else if (style == 0) {
    composed = std::string(kPrefixCounts.substr(
                   0, static_cast<std::size_t>(std::min<std::int32_t>(n, 8)))) +
               " " + std::string(unit);
  } else if (style == 1) {
    composed = letterAt(kPrefixLetters, n) + "*" + std::string(unit);
  } else if (s[1] == '-') {
    composed = letterAt(kPrefixLetters, n) + "*" + std::string(text.substr(2));
  } else if (s[1] == ' ') {
    composed = letterAt(kPrefixLetters, n) + std::string(text.substr(2));
  } else {
    composed = letterAt(kPrefixLetters, n + stored) + std::string(text.substr(2));
  }
  assignText(label, composed);
  return viewOf(label);
}

void UOMLBL(std::span<char> label, std::int32_t code, std::int32_t set, std::int32_t& status) {
  status = 0;
  if (code == 0) {
    blankText(label);
    return;
  }
  if (code == -1 || code == -2) {
    Label first;
    Label second;
    std::string composed;
    if (code == -1) {
      UOMFMT(first, 24, set, 0);
      UOMFMT(second, 17, set, 0);
      composed = std::string(first.data(), 15) + " / " + std::string(second.data(), second.size());
    } else {
      UOMFMT(first, 8, set, 0);
      composed = "1/" + std::string(first.data(), first.size());
    }
    assignText(label, composed);
    SQZBLK(label);
    return;
  }
  UOMFMT(label, code % 1000, set, code / 1000);
}

}  // namespace problem
