// The general flash's run: the state of one call of FLASHG and its steps. Private to the
// flash layer: flashg.cpp holds the entry, the flashes, the residual and the exit,
// specification_iteration.cpp the outer iteration on temperature, pressure or a held
// fraction.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "flash/algorithms.hpp"
#include "flash/flash_arguments.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/general_flash.hpp"
#include "flash/phase_fraction.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace flash::general {

namespace h = totals;
using services::FLTOL;

// FLTOL words.
inline constexpr std::size_t kAbsent = 8;  // 5e-07: a fraction at or below it is absent
inline constexpr std::size_t kWhole = 9;   // 0.9999995: a fraction at or above it is the whole
inline constexpr std::size_t kFractionHigh = 15;  // 0.999999: upper bound of a held fraction
inline constexpr std::size_t kReuseHigh = 16;     // 0.9999
inline constexpr std::size_t kReuseLow = 17;      // 0.001
inline constexpr std::size_t kNegligible = 18;    // 1e-06: a smaller fraction is cleared
inline constexpr std::size_t kMinimumStep = 19;   // 1e-06

inline constexpr int kGeneralDebugSwitch = 36;
inline constexpr int kSolverSwitch = 37;
inline constexpr int kStopValueSwitch = 52;
inline constexpr std::size_t kMinimumStepRule = 25;  // GCLTAB integer
inline constexpr std::size_t kWrapCounter = 9;       // FLCNTR word

inline constexpr double kTemperatureStep = 30.0;                  // K, the start step limit of T
inline constexpr double kHotTemperature = 811.1111111111111;      // K (1000 F)
inline constexpr double kVeryHotTemperature = 1088.888888888889;  // K (1500 F)
inline constexpr double kPureFeed = 0.999;

// The property code of a specification's first operand (word 13 of its record, integer
// sector 2) and the codes of the properties that depend on the composition alone.
inline constexpr std::size_t kFirstOperandSector = 2;
inline constexpr std::int32_t kPropertyCodeWord = 13;
inline constexpr std::int32_t kCompositionCode = 211;
inline constexpr std::int32_t kCompositionFirst = 400, kCompositionLast = 405;
inline constexpr std::int32_t kCompositionOther = 409;
inline constexpr double kCheckFeed = 0.95;

enum class Option : std::int32_t {
  Isothermal = 0,
  Fraction = 1,
  WaterDew = 2,
  Enthalpy = 3,
  Held = 4
};

// The outcome of one pass of the outer iteration.
enum class Pass { Converged, Next, Failed, OutOfRange };

inline std::int32_t& switchWord(int k) { return services::GDPOPT.words(100 + k); }

inline bool negative(double v) { return std::signbit(v); }

class Run {
 public:
  explicit Run(GeneralFlash& g) : g_(g) {}
  void operator()();

 private:
  // Entry and the first flash.
  bool enter();
  void chooseOption();
  void minimumStepRule();
  // Flashes.
  void isothermal(const char* label, std::int32_t itpfix, std::int32_t ifixlw);
  std::int32_t fractionFlash();
  void bookkeeping();
  void syncStream();
  // The residual.
  void evaluate();
  void notePhases();
  // The outer iteration.
  bool iterate();
  Pass pass();
  bool converged(double f);
  Pass singlePhase(double f);
  Pass bracketed(double f);
  Pass step(double f);
  Pass applyIso();
  Pass applyFraction();
  Pass fractionOutcome(std::int32_t jerr);
  Pass boundHit(bool fractionFailed);
  Pass switchToIso();
  bool checkPass();
  // Exit.
  Pass switchToFraction(double f);
  void leave(bool rangeFailure, bool skipFinal);

  double header(std::int32_t k) const { return problem::MainRecord(problem::SRPSET.set2).real(k); }
  void setHeader(std::int32_t k, double v) {
    problem::MainRecord(problem::SRPSET.set2).setReal(k, v);
  }
  double& variable() { return g_.ITPFIX == 2 ? g_.P : g_.T; }
  bool gclRule() const { return problem::GCLTAB.integers(kMinimumStepRule) > 0; }

  GeneralFlash& g_;
  Option option_ = Option::Isothermal;
  std::int32_t debug_ = 0;
  std::int32_t ifixlw_ = 0;
  std::int32_t kvar_ = 0, firstKvar_ = 0;
  std::int32_t itrial_ = 0, iftril_ = 0, nxpass_ = 0, passes_ = 0;
  std::int32_t notcnv_ = 1;
  double spcalc_ = 0.0, error_ = 0.0;
  double dvart1_ = 0.0, dvarp1_ = 0.0, dvarlf_ = 0.0;
  double tEntry_ = 0.0, pEntry_ = 0.0, gtolEntry_ = 0.0, sptolEntry_ = 0.0;
  std::int32_t switch37Entry_ = 0;
  std::int32_t ihvdatEntry_ = 0;
  bool lpoly_ = false, vlle_ = false;
  bool expectSinglePhase_ = false;
  bool firstPass_ = true;
  bool restarted_ = false;
  bool reverseMarch_ = false;  // the restart's reversal of the march direction
  bool bestSet_ = false;
  double bestF_ = 0.0;
  std::int32_t kxopt_ = 1;
  // The stream holds the result of a flash at fixed T and P started from fresh K-values,
  // made at freshT_ and freshP_ while the stored-estimate state was freshIhvdat_; any later
  // change of the stream (bookkeeping without a flash, a fraction flash) clears it.
  bool freshFlash_ = false;
  double freshT_ = 0.0, freshP_ = 0.0;
  std::int32_t freshIhvdat_ = 0;
  IsothermalFlash a_;
  FractionFlash fraction_;
  std::array<double, 2> dvstep_{kTemperatureStep, 0.0};
  double zwfeed_ = 0.0;
  std::array<double, 3> fs_{}, xs_{};
  double fPrev_ = 0.0;
  double dvmax_ = 0.0, dvar_ = 0.0, dvmin_ = 0.0;
  double firstTp_ = 0.0, firstX_ = 0.0, firstF_ = 0.0;
  double fvRecorded_ = 0.0;
  std::int32_t closeness_ = 0;
  std::int32_t varlimCount_ = 0;
  // Second-liquid sets: the phases present (vapour, liquid 1, liquid 2) at the low and the
  // high end of the bracket, and whether both ends are known.
  std::array<bool, 3> lowPhases_{}, highPhases_{};
  bool bracketKnown_ = false;
};

}  // namespace flash::general
