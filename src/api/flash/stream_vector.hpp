// The single-precision stream vector of the flash and property calls: 10 header words
// followed by one molar amount per component of the open problem, in unit set 5 of the
// problem's unit table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace api_flash {

namespace strvec {
// Header words (1-based).
inline constexpr std::size_t kRate = 1;             // total molar rate, class 31
inline constexpr std::size_t kTemperature = 2;      // class 1
inline constexpr std::size_t kPressure = 3;         // class 4
inline constexpr std::size_t kEnthalpy = 4;         // rate times molar enthalpy, 1000 x class 26
inline constexpr std::size_t kLiquidFraction = 5;   // vapour 0, liquid 1, free water 1, liquid 2 0
inline constexpr std::size_t kWaterFraction = 6;    // vapour 0, liquid 0, free water 1, liquid 2 1
inline constexpr std::size_t kCompressibility = 7;  // of the phase; 0 for free water
inline constexpr std::size_t kHeaderWords = 10;     // words 8-10 reserved, 0 on output
// Unit classes of the words.
inline constexpr std::int32_t kRateClass = 31;
inline constexpr std::int32_t kTemperatureClass = 1;
inline constexpr std::int32_t kPressureClass = 4;
inline constexpr std::int32_t kTotalEnthalpyClass = 26;
inline constexpr std::int32_t kMolarEnthalpyClass = 28;
inline constexpr std::int32_t kMolarEntropyClass = 29;
inline constexpr std::int32_t kHeatCapacityClass = 30;
// Unit sets: the engine's, the host's and the vectors'.
inline constexpr std::int32_t kInternalSet = 1;
inline constexpr std::int32_t kHostSet = 4;
inline constexpr std::int32_t kVectorSet = 5;
// The factor by which the enthalpy word is scaled.
inline constexpr double kEnthalpyScale = 1000.0;
}  // namespace strvec

// A view of a stream vector by its 1-based word numbers.
class StreamVector {
 public:
  explicit StreamVector(std::span<float> words) : words_(words) {}
  float& operator()(std::size_t k) { return words_[k - 1]; }
  float operator()(std::size_t k) const { return words_[k - 1]; }
  // Amount of component I (1-based).
  float& amount(std::size_t i) { return words_[strvec::kHeaderWords + i - 1]; }
  float amount(std::size_t i) const { return words_[strvec::kHeaderWords + i - 1]; }
  std::span<float> words() const { return words_; }
  // The number of components the vector has room for.
  std::size_t capacity() const {
    return words_.size() > strvec::kHeaderWords ? words_.size() - strvec::kHeaderWords : 0;
  }

 private:
  std::span<float> words_;
};

// Whether a problem is open (its stream index exists).
bool problemIsOpen();

// The component count of the stream vectors of the open problem (NCSTRM; 0 without one).
std::int32_t streamVectorComponents();

// Statuses of UFLSH.
enum class VectorFlashStatus : std::int32_t {
  Ok = 0,
  Failed = 1,     // the flash failed, the method set refuses the feed, an amount is
                  // negative or not a finite number, a temperature or pressure word is not
                  // finite, or the variable the type gives lies outside the flash's range
  BadType = 2,    // IFTYPE outside 1-11
  NoRate = 3,     // feed rate not above 0.0, infinite, or below the flash's flow threshold
  NoProblem = 4,  // no open problem
  TooSmall = 5,   // a vector has no room for the problem's components
  NoEntropy = 6,  // type 8 or 9 with no entropy stored by a VFLASH of type 8 or 9
};

// The range of the state a flash is trusted in (set 1): a type that gives the temperature
// or the pressure must give it inside this range.
inline constexpr double kLowestTemperature = 1.0;      // K
inline constexpr double kHighestTemperature = 3000.0;  // K
inline constexpr double kLowestPressure = 1e-4;        // kPa
inline constexpr double kHighestPressure = 1e10;       // kPa

// ENTSPC: the feed's total entropy of flash types 8 and 9 (set 5, class 29, times the feed
// rate); UFLSH leaves it divided by the feed rate. STORED: a VFLASH of type 8 or 9 put a
// value there in this process (a flash of type 8 or 9 has no entropy to go to before).
struct EntropySpecification {
  float value = 0.0F;
  bool stored = false;
  void store(float v) {
    value = v;
    stored = true;
  }
};
extern EntropySpecification ENTSPC;

// UFLSH: flashes the stream vector FEED by flash type IFTYPE on a temporary stream of the open
// problem in the current method set and returns the phases as stream vectors.
//   feed   in   words 1-4 and the amounts (words 5-10 ignored)
//   vap    out  the vapour; liq out the liquid (liquid 1 of a liquid-liquid split); wat out
//               the free water, or liquid 2 of a split
//   kvec   out  K-values, vapour over liquid mole fraction (NC)
//   iftype in   1 T,P; 2 T,H; 3 P,H; 4 dew at T; 5 dew at P; 6 bubble at T; 7 bubble at P;
//               8 T,S; 9 P,S (S from ENTSPC); 10 water dew at T; 11 water dew at P
//   ierr   out  VectorFlashStatus. Every output is 0.0 unless the status is Ok.
// The feed is refused (Failed, nothing created) for an amount that is negative or not
// finite, a temperature or pressure word that is not finite, a given temperature or pressure
// outside the range above, an enthalpy word of type 2 or 3 that is not finite; types 8 and 9
// need a stored entropy (NoEntropy).
// The caller's current stream of pointer set 2 is current again afterwards; the current
// method set is left as the flash set it.
void UFLSH(std::span<const float> feed, std::span<float> vap, std::span<float> liq,
           std::span<float> wat, std::span<float> kvec, std::int32_t iftype, std::int32_t& ierr);

// Statuses of PHPROP.
enum class PhasePropertyStatus : std::int32_t {
  Ok = 0,
  BadPhase = 1,
  BadKind = 2,
  DriverFailed = 3,   // the enthalpy or entropy driver
  DensityFailed = 4,  // the density driver
  OutOfRange = 5,     // rate < 0, T outside 1-3000 K, P outside 1e-4 to 1e10 kPa, an amount
                      // below 0, or the re-flash of the entropy failed
};

// PHPROP: one property of one phase given as a stream vector, by the current method set.
//   kind    in   1 enthalpy and heat capacity, 2 entropy, 3 compressibility factor
//   iphase  in   1 vapour, 2 liquid
//   vec     in   words 1-3, 5 (kind 2) and the amounts
//   res     out  kind 1: rate x molar enthalpy, 1000 x set-5 class 26; kind 2: rate x molar
//                entropy, set-5 class 29; kind 3: Z
//   res2    out  kind 1: molar heat capacity, set-5 class 30; else 0.0
//   ierr    out  PhasePropertyStatus
// A zero rate gives 0.0 results with status Ok. Kind 2 re-flashes the vector at its pressure
// and enthalpy and takes the phase's share of the re-flash; when the vector's word 5 gives
// that phase no share, the whole composition is taken as the phase.
void PHPROP(std::int32_t kind, std::int32_t iphase, std::span<const float> vec, float& res,
            float& res2, std::int32_t& ierr);

}  // namespace api_flash

namespace api_flash {

// Statuses of VPASSM.
enum class VolumeFlowStatus : std::int32_t {
  Ok = 0,
  BadPhase = 1,       // IPHASE neither 1 nor 2
  DensityFailed = 2,  // the density driver failed or gave no positive density
};

// VPASSM: the dry and wet volume flows of the vector taken whole as one phase.
//   iphase in   1 vapour, 2 liquid
//   vec    in   words 1-3, 6 (the liquid's free-water share) and the amounts
//   dry    out  volume flow without water (set 5, class 17 vapour or 16 liquid); 0.0 when the
//               method gives no dry density
//   wet    out  volume flow with water, same unit
//   ierr   out  VolumeFlowStatus; both flows 0.0 unless Ok
// The caller's current stream of pointer set 2 is current again afterwards.
void VPASSM(std::int32_t iphase, std::span<const float> vec, float& dry, float& wet,
            std::int32_t& ierr);

}  // namespace api_flash
