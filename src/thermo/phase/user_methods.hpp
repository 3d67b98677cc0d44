// The user-added property methods: method codes 901 to 915 call user routines 1 to 15
// through the shared area UKHCOM, which carries the request in and the results out.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "services/markers.hpp"

namespace phase {

inline constexpr std::int32_t kFirstUserMethod = 901;
inline constexpr std::int32_t kLastUserMethod = 915;
inline constexpr std::int32_t kUserRoutines = kLastUserMethod - kFirstUserMethod + 1;

// Return flag of a user routine that does not support the request.
inline constexpr std::int32_t kNotSupported = 99;

// Results a request returns; the compressibility factor is the last of them.
inline constexpr std::size_t kUserResults = 7;
inline constexpr std::size_t kCompressibilityResult = kUserResults - 1;

// UKHCOM: the request and results of the user routine being called.
struct UserMethodArea {
  std::int32_t code = 0;                     // the method code, 901 to 915
  std::array<std::int32_t, 3> requests{};    // 1 K-values, 2 enthalpy, 3 entropy, 8 density
  std::int32_t componentCount = 0;
  std::span<const double> x;                 // the three compositions of the call
  std::span<const double> y;
  std::span<const double> z;
  double temperature = 0.0;                  // K
  double pressure = 0.0;                     // kPa
  std::int32_t option = 0;
  std::int32_t methodSet = 0;                // the current method set
  std::array<double, kUserResults> results{};
  std::int32_t returnFlag = 0;               // 0 done; 99 the request is not supported
  std::int32_t blockMarker = services::NODISK;  // disk address of the user-method block
};
extern UserMethodArea UKHCOM;

// A user routine: reads the request in UKHCOM and writes its results and return flag.
using UserRoutine = void (*)(UserMethodArea& area);

// Installs user routine NUMBER (1-15); nullptr restores the one that supports nothing.
// Returns the routine it replaces.
UserRoutine setUserRoutine(std::int32_t number, UserRoutine routine);

// Calls the user routine of CODE (901-915) with the request: fills UKHCOM, clears its
// return flag, calls the routine and copies its results into RESULTS (as many as fit). A
// return flag of 99 names the property asked for in message 1990001251 and ends the run.
// A code outside 901 to 915 returns flag 99 without a call.
void UKHSDR(std::int32_t code, std::int32_t request1, std::int32_t request2,
            std::int32_t request3, std::int32_t nc, std::span<const double> x,
            std::span<const double> y, std::span<const double> z, double t, double p,
            std::int32_t option, std::span<double> results, std::int32_t& returnFlag);

}  // namespace phase
