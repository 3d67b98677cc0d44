// The user-added thermodynamic methods: method codes 901 to 915 reach the fifteen routine
// slots UKHS1 to UKHS15, which take no arguments and exchange everything through the shared
// single-precision records UKHCOM (or the older, smaller UKHOLD) and the user data UKHDAT.
// UKHSDR is the one driver between the engine and the slots; USRDUM is the notice of a slot
// that holds only a placeholder.
//
// The user-added transport methods 901 to 905 reach the five routine slots UTRAN1 to UTRAN5,
// which take their input as arguments; TRUSER is their driver.
//
// The slot routines themselves live in thermo/phase/user/, one place a site replaces with
// its own methods; setUserRoutine and setUserTransportRoutine replace a slot while the
// program runs.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace phase {

inline constexpr std::int32_t kFirstUserMethod = methods::kFirstUserMethod;
inline constexpr std::int32_t kLastUserMethod = methods::kLastUserMethod;
inline constexpr std::int32_t kUserRoutines = kLastUserMethod - kFirstUserMethod + 1;

// Sizes of the records.
inline constexpr std::size_t kUserComponents = 300;    // per-component arrays of UKHCOM
inline constexpr std::size_t kOldUserComponents = 50;  // per-component arrays of UKHOLD
inline constexpr std::size_t kUserSaveWords = 15;
inline constexpr std::size_t kUserDataValues = 2600;

// Requests (IUREQ).
enum class UserRequest : std::int32_t {
  SetUp = -1,
  KValues = 1,
  Enthalpy = 2,
  Entropy = 3,
  Density = 4,
};

// Return flags (IUFLAG) with a meaning for the driver; any other value is recorded by the
// set-up query and gives no result otherwise.
enum class UserAnswer : std::int32_t {
  Departure = 0,            // VU1, VU2: (H - Hig)/(R T) or (S - Sig)/R
  Whole = 1,                // VU1, VU2: H/(R T) or S/R
  WholeWithComponents = 2,  // as Whole, with each component's H/(R T) in RU2
  NotSupported = 99,        // the run stops
};
inline constexpr std::int32_t kNotSupported = static_cast<std::int32_t>(UserAnswer::NotSupported);

// Message of a request a user routine does not support (integer 1 the routine number, long
// text 1 the property), and of a placeholder routine (short text 1 its name).
inline constexpr std::int32_t kMessageUnsupportedRequest = 1990001251;
inline constexpr std::int32_t kMessagePlaceholder = 1700010034;

using UserArray = std::array<float, kUserComponents>;
using OldUserArray = std::array<float, kOldUserComponents>;

// UKHCOM: the current record of the user routines, in storage order. Temperatures and
// pressures are in unit set 5; compositions are normalised to sum 1.
struct UserMethodRecord {
  std::int32_t request = 0;         // IUREQ: UserRequest
  std::int32_t flag = 0;            // IUFLAG: set to 0 before the call; UserAnswer
  std::int32_t componentCount = 0;  // NUCOMP
  std::int32_t phase = 0;           // IUPHAS: 1 vapour, 2 liquid
  std::int32_t reportUnit = -1;     // IUOUT: unit of the report listing
  float temperature = 0.0F;         // TUSER
  float temperatureStep = 0.0F;     // DTUSER: one kelvin as a difference, 0 without derivatives
  float pressure = 0.0F;            // PUSER
  UserArray x1{};                   // XU1
  UserArray x2{};                   // XU2
  UserArray x3{};                   // XU3
  float kState2 = 0.0F;             // UKVST2: second K-value state real of THCTL (ywd)
  float kState1 = 0.0F;             // UKVST1: first K-value state real of THCTL (xwd)
  UserArray results1{};             // RU1: K-values
  UserArray results2{};             // RU2: K-value derivatives; component H/(R T) with flag 2
  float value1 = 0.0F;              // VU1: the property at TUSER
  float value2 = 0.0F;              // VU2: the property at TUSER + DTUSER
  float value3 = 0.0F;              // VU3, VU4: the two density results
  float value4 = 0.0F;
  std::array<std::int32_t, kUserSaveWords> save{};  // IUSAVE: the routine's own, kept
  std::int32_t water = 0;  // IUWATR: water component of the current set, 0 none
  std::int32_t kSlot = 0;  // IUKSLT: 1 or 2 for the K-value slots, else 0
  std::int32_t isNew = 0;  // IUNEW: a routine that answers here sets it nonzero
};
extern UserMethodRecord UKHCOM;

// UKHOLD: the older record, for routines written for at most 50 components, in storage
// order. Its fields mean what the fields of the same name in UKHCOM mean.
struct OldUserMethodRecord {
  std::int32_t request = 0;
  std::int32_t componentCount = 0;
  std::int32_t phase = 0;
  std::int32_t waterWord = 1;  // 2 when the set has a water component, else 1
  std::int32_t reportUnit = -1;
  float temperature = 0.0F;
  float temperatureStep = 0.0F;
  float pressure = 0.0F;
  OldUserArray x1{};
  OldUserArray x2{};
  OldUserArray x3{};
  float kState1 = 0.0F;  // first, then second: the reverse of UKHCOM
  float kState2 = 0.0F;
  OldUserArray results1{};
  OldUserArray results2{};
  float value1 = 0.0F;
  float value2 = 0.0F;
  float value3 = 0.0F;
  float value4 = 0.0F;
  std::int32_t flag = 0;
  std::array<std::int32_t, kUserSaveWords> save{};
};
extern OldUserMethodRecord UKHOLD;

// UKHDAT: the method's user data, values 1 to 2600, and the disk address of the block they
// were copied from (IUDBLK; NODISK: none copied).
struct UserMethodData {
  services::OneBased<float, kUserDataValues> values{};
  std::int32_t block = services::NODISK;
};
extern UserMethodData UKHDAT;

// What the problem open does to the user-method state (a kept value, reset by every open):
// no user data copied (IUDBLK NODISK) and IMISS in the first save word, so the first call
// clears both save areas.
void resetUserMethods();

// The user routine slots. Each takes no arguments and reads and writes the records above.
void UKHS1();
void UKHS2();
void UKHS3();
void UKHS4();
void UKHS5();
void UKHS6();
void UKHS7();
void UKHS8();
void UKHS9();
void UKHS10();
void UKHS11();
void UKHS12();
void UKHS13();
void UKHS14();
void UKHS15();

// A user routine slot.
using UserRoutine = void (*)();

// Installs ROUTINE in slot NUMBER (1-15); nullptr restores the routine UKHSn linked in.
// Returns the routine it replaces, or nullptr (nothing changed) for a number outside 1-15.
UserRoutine setUserRoutine(std::int32_t number, UserRoutine routine);

// The driver of the user-added thermodynamic methods.
//   code      in   method code 901-915: code 900 + n calls slot UKHSn
//   slot      in   the property slot of the method in the current set (6 liquid enthalpy,
//                  7 vapour enthalpy, 8 liquid density, 9 vapour density, 10 liquid
//                  entropy, 11 vapour entropy; 1 or 2 the K-value slots)
//   request   in   UserRequest
//   phase     in   1 vapour, 2 liquid
//   nc        in   component count N (at most 300)
//   x1..x3    in   three compositions of N values; each is normalised on its way in
//   t, p      in   K, kPa
//   derivative in  > 0: temperature derivatives are wanted
//   h         out  ENTHALPY (kJ/kmol) or ENTROPY (kJ/(kmol K)); untouched for another flag
//   dhdt      out  its temperature derivative (per K)
//   status    out  set to 1 when H and DHDT hold the routine's answer, else unchanged
//   z2, z1    out  DENSITY: VU4 and VU3 (the density results; VU4 the compressibility factor)
// Arguments 14, 15 and 19 of the routine's calling sequence are not read. The K-value
// routines read UKHCOM (flag, results1, results2) after the call. With ENTHALPY and flag
// 0 or 1 the per-component property array of the phase (flash work array 22 vapour, 23
// liquid) receives the component enthalpies; with ENTROPY and flag 0 it receives the
// ideal-gas entropies and array 50 their temperature derivatives.
// Aborts: message 1990001251 (caller blank) when the routine answers 99; a code outside
// 901-915 (item CODE), a component count above 300 (items NC, MAXIMUM) or a composition
// shorter than N stops the run before anything is changed ("UK" abort report, UKHSDR), as
// does a property work array or ideal-gas cache shorter than N; a failing disk read or core request
// stops the run in the storage manager.
void UKHSDR(std::int32_t code, std::int32_t slot, std::int32_t request, std::int32_t phase,
            std::int32_t nc, std::span<const double> x1, std::span<const double> x2,
            std::span<const double> x3, double t, double p, std::int32_t derivative, double& h,
            double& dhdt, double unused14, double unused15, std::int32_t& status, double& z2,
            double& z1, double unused19);

// Copies the 2600 reals that begin at the 52nd 8-byte word of the disk block at ADDRESS
// (LENGTH words) into UKHDAT in single precision and records ADDRESS as the block copied.
// An address of 0 or NODISK leaves UKHDAT as it was. Aborts: the storage manager's.
void loadUserData(std::int32_t address, std::int32_t length);

// =======================================================================================
// User-added transport methods 901 to 905
// =======================================================================================

inline constexpr std::int32_t kFirstUserTransport = 901;
inline constexpr std::int32_t kLastUserTransport = 905;
inline constexpr std::int32_t kUserTransportRoutines = 5;
inline constexpr std::size_t kUserTransportData = 310;

// Property numbers of the user transport routines.
enum class UserTransportProperty : std::int32_t {
  ThermalConductivity = 1,
  Viscosity = 2,
  SurfaceTension = 3,
};

// UTRDAT: 1.0, the temperature and pressure in unit set 5, seven zeros, the composition.
using UserTransportData = std::array<float, kUserTransportData>;

// The user transport routine slots: phase (1 vapour, 2 liquid), property number, UTRDAT and
// the result (single precision, unit set 5; 0 on entry).
void UTRAN1(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result);
void UTRAN2(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result);
void UTRAN3(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result);
void UTRAN4(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result);
void UTRAN5(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result);

using UserTransportRoutine = void (*)(std::int32_t phase, std::int32_t property,
                                      UserTransportData& data, float& result);

// Installs ROUTINE in transport slot NUMBER (1-5); nullptr restores UTRANn. Returns the
// routine replaced, or nullptr (nothing changed) for a number outside 1-5.
UserTransportRoutine setUserTransportRoutine(std::int32_t number, UserTransportRoutine routine);

// The driver of the user-added transport methods.
//   code      in   901-905: code 900 + n calls UTRANn (n outside 2-5: UTRAN1)
//   slot      in   the user-data slot of the method in the current set (12-16)
//   property  in   UserTransportProperty
//   phase     in   1 vapour, 2 liquid
//   n         in   component count of X
//   x         in   composition (passed as it is)
//   t, p      in   K, kPa
//   result    out  W/(m K), Pa s or N/m; 0 for a property number other than 1-3
// Writes the shared fields of UKHCOM and UKHOLD and copies the slot's user data (on every
// call). Aborts: message 1990001251 (caller blank) when the routine answers 99.
void TRUSER(std::int32_t code, std::int32_t slot, std::int32_t property, std::int32_t phase,
            std::int32_t n, std::span<const double> x, double t, double p, double& result);

// The single-precision comparison of the sample routines: 0 when A and B are not of opposite
// signs and differ by less than 1.19E-7 of the larger magnitude (at most that when the larger
// magnitude is below 1), else +1 when A > B and -1 when A < B.
std::int32_t RCMPTL(float a, float b);

// The sample signature: value 2599 of UKHDAT between 1233.9 and 1234.1.
bool sampleSignature();

// The notice of a placeholder user routine: eleven lines of a box naming NAME (six
// characters) on the report listing, then message 1700010034 with NAME as short text 1.
//   kind   1: the message is printed and USRDUM returns; other: the run stops (MSGABT, with
//          NAME as caller)
// The thermodynamic slots pass kind 3.
void USRDUM(std::int32_t kind, std::string_view name);

}  // namespace phase
