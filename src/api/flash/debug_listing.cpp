// The debug listings of the flash and property calls.
#include "api/flash/debug_listing.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.hpp"

namespace api_flash {
namespace {

constexpr std::size_t kLabelWidth = 26;
constexpr std::size_t kLineWidth = 160;

// A line assembled in a fixed buffer: the listing allocates nothing.
class Line {
 public:
  void append(std::string_view text) {
    const std::size_t n = std::min(text.size(), kLineWidth - size_);
    if (n == 0) return;  // an empty text may have no address at all
    std::memcpy(buffer_ + size_, text.data(), n);
    size_ += n;
  }
  void pad(std::size_t width) {
    while (size_ < width && size_ < kLineWidth) buffer_[size_++] = ' ';
  }
  template <typename... Args>
  void format(const char* spec, Args... args) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, spec, args...);
    if (n > 0)
      append(std::string_view(text, std::min(static_cast<std::size_t>(n), sizeof text - 1)));
  }
  std::string_view text() const { return {buffer_, size_}; }

 private:
  char buffer_[kLineWidth];
  std::size_t size_ = 0;
};

void labelled(std::string_view label, Line& line) {
  line.append(label);
  line.pad(kLabelWidth);
  line.append(": ");
}

}  // namespace

DebugListing::DebugListing(std::int32_t debug, std::string_view name, std::int32_t& status)
    : unit_(platform::kNoUnit) {
  status = 0;
  if (debug < 1) return;
  errno = 0;
  const platform::IoResult r = platform::openSequential(
      kListingUnit, name, platform::FileStatus::Unknown, platform::FileAccess::Write);
  if (r != platform::IoResult::Ok) {
    status = errno > 0 ? errno : EIO;
    return;
  }
  unit_ = kListingUnit;
}

DebugListing::~DebugListing() {
  if (unit_ != platform::kNoUnit) platform::closeUnit(unit_, true);
}

void listLine(int unit, std::string_view text) {
  if (unit == platform::kNoUnit) return;
  platform::writeLine(unit, text);
}

void listValue(int unit, std::string_view label, double value) {
  if (unit == platform::kNoUnit) return;
  Line line;
  labelled(label, line);
  line.format("%.8G", value);
  platform::writeLine(unit, line.text());
}

void listValue(int unit, std::string_view label, std::int32_t value) {
  if (unit == platform::kNoUnit) return;
  Line line;
  labelled(label, line);
  line.format("%d", value);
  platform::writeLine(unit, line.text());
}

void listText(int unit, std::string_view label, std::string_view value) {
  if (unit == platform::kNoUnit) return;
  Line line;
  labelled(label, line);
  line.append(value);
  platform::writeLine(unit, line.text());
}

void listAfter(int unit, std::string_view text, std::int32_t value) {
  if (unit == platform::kNoUnit) return;
  Line line;
  line.append(text);
  line.format("%d", value);
  platform::writeLine(unit, line.text());
}

void listAfter(int unit, std::string_view text, double value) {
  if (unit == platform::kNoUnit) return;
  Line line;
  line.append(text);
  line.format("%.8G", value);
  platform::writeLine(unit, line.text());
}

void listValues(int unit, std::string_view text, std::span<const double> values) {
  if (unit == platform::kNoUnit) return;
  Line line;
  line.append(text);
  for (double v : values) line.format("%14.6G", v);
  platform::writeLine(unit, line.text());
}

}  // namespace api_flash
