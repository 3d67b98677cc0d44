// Process stop through a replaceable hook, and where its reasons are shown.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/platform.hpp"

namespace platform {
namespace {

StopHook gStopHook = &exitingStopHook;

void standardError(std::string_view line) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

DiagnosticSink gDiagnosticSink = &standardError;

}  // namespace

void writeDiagnostic(std::string_view line) { gDiagnosticSink(line); }

DiagnosticSink setDiagnosticSink(DiagnosticSink sink) {
  DiagnosticSink previous = gDiagnosticSink;
  gDiagnosticSink = sink != nullptr ? sink : &standardError;
  return previous;
}

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
