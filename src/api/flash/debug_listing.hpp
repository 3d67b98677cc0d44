// The debug listings of the flash and property calls: a text file on unit 90 in the working
// directory, opened (created or emptied) when the caller's debug argument asks for it and
// closed and kept on every return.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace api_flash {

// The unit the listings are written on.
inline constexpr int kListingUnit = 90;

// One listing for the life of a call.
class DebugListing {
 public:
  // Opens NAME on kListingUnit when DEBUG is 1 or more.
  //   debug   in   the caller's debug argument; below 1 no file is touched
  //   name    in   the file name, relative to the working directory
  //   status  out  0, or the positive error number of a failed open (the listing then stays
  //                closed)
  DebugListing(std::int32_t debug, std::string_view name, std::int32_t& status);
  // Closes the listing and keeps the file.
  ~DebugListing();
  DebugListing(const DebugListing&) = delete;
  DebugListing& operator=(const DebugListing&) = delete;

  // The unit to write on: kListingUnit while open, platform::kNoUnit otherwise (writes to it
  // are skipped).
  int unit() const { return unit_; }

 private:
  int unit_;
};

// Lines of a listing on UNIT; nothing is written to platform::kNoUnit. A labelled line is the
// label padded to 26 characters, ": " and the value.
void listLine(int unit, std::string_view text);
void listValue(int unit, std::string_view label, double value);
void listValue(int unit, std::string_view label, std::int32_t value);
void listText(int unit, std::string_view label, std::string_view value);
// TEXT followed at once by the value.
void listAfter(int unit, std::string_view text, std::int32_t value);
void listAfter(int unit, std::string_view text, double value);
// TEXT followed by the values, each in a 14-character field.
void listValues(int unit, std::string_view text, std::span<const double> values);

}  // namespace api_flash
