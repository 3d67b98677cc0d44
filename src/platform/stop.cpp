// Process stop through a replaceable hook.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/platform.hpp"

namespace platform {
namespace {

StopHook gStopHook = &exitingStopHook;

}  // namespace

void exitingStopHook(int status) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::exit(status);
}

void throwingStopHook(int status) { throw RunStopped{status}; }

StopHook setStopHook(StopHook hook) {
  StopHook previous = gStopHook;
  gStopHook = hook != nullptr ? hook : &exitingStopHook;
  return previous;
}

void stopProcess(int status) {
  gStopHook(status);
  // A hook that returns would let the failing routine run on with broken state.
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace platform
