// The arguments of the exported calls as a host passes them: a text as its address and
// its length, a number as its address. A host's mistake (a null address, a negative
// length) must not bring the process down, so each is read defensively here.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// Longest text taken from a host; longer texts are cut (every name of the system is
// shorter).
inline constexpr std::int32_t kLongestHostText = 1024;

// The text at ADDRESS of LENGTH characters: empty for a null address or a length below 1,
// cut at its first NUL character and at kLongestHostText characters, so that a length
// larger than a NUL-terminated buffer does not read past it.
inline std::string_view hostText(const char* address, std::int32_t length) {
  if (address == nullptr || length < 1) return {};
  const std::int32_t most = length < kLongestHostText ? length : kLongestHostText;
  std::int32_t n = 0;
  while (n < most && address[n] != '\0') ++n;
  return {address, static_cast<std::size_t>(n)};
}

// An output argument: the host's variable, or a scratch one when the address is null.
class HostOut {
 public:
  explicit HostOut(std::int32_t* address) : address_(address) {}
  ~HostOut() {
    if (address_ != nullptr) *address_ = value_;
  }
  HostOut(const HostOut&) = delete;
  HostOut& operator=(const HostOut&) = delete;

  std::int32_t& get() { return value_; }

 private:
  std::int32_t* address_;
  std::int32_t value_ = 0;
};

// An input and output argument: starts from the host's value (0 when the address is null)
// and is written back to it.
class HostInOut {
 public:
  explicit HostInOut(std::int32_t* address)
      : address_(address), value_(address != nullptr ? *address : 0) {}
  ~HostInOut() {
    if (address_ != nullptr) *address_ = value_;
  }
  HostInOut(const HostInOut&) = delete;
  HostInOut& operator=(const HostInOut&) = delete;

  std::int32_t& get() { return value_; }

 private:
  std::int32_t* address_;
  std::int32_t value_;
};

// An input argument: the host's value, or FALLBACK when the address is null.
inline std::int32_t hostValue(const std::int32_t* address, std::int32_t fallback) {
  return address != nullptr ? *address : fallback;
}

}  // namespace platform
