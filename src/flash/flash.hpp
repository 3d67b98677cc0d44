// The two-phase flash engine: so far the shared numeric routines, the method-code tests and
// the shared areas of the current method set.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "flash/method_sets.hpp"
#include "flash/work_tables.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace flash {

// =======================================================================================
// Shared areas of the current method set
// =======================================================================================

// THCTL: control block of the current method set. Word numbers of the 26-word block are
// given beside each field; words 9 to 20 are six 8-byte reals.
struct MethodSetControl {
  std::int32_t defaultSet = 0;                  // 1
  std::int32_t currentSet = 0;                  // 2: -1 after open, so the first switch loads
  std::int32_t setCount = 0;                    // 3
  std::int32_t blockArea = services::NOCORE;    // 4: core pointer of the set-block area
  std::int32_t blockLength = 0;                 // 5
  std::int32_t componentArea = services::NOCORE;  // 6: core pointer of the component block
  std::int32_t componentLength = 0;             // 7
  std::int32_t unused8 = 0;                     // 8
  double xwd = 0.0;   // 9-10: water mole fraction of a liquid in equilibrium with free water
  double ywd = 0.0;   // 11-12: water mole fraction of a water-saturated vapour
  std::array<double, 4> kvalueState{};  // 13-20: [0] the pressure word of the water routines
  std::int32_t idecnt = 0;          // 21: free-water component index, 0 = none
  std::int32_t waterComponent = 0;  // 22: water component number of the problem
  std::array<std::int32_t, 4> setHeader{};  // 23-26: set header words 2 to 5
};
extern MethodSetControl THCTL;

// One method class (slot 1-19) of the current set as the parameter-block loaders read it.
struct MethodClass {
  std::int32_t code = 0;         // method code; IMISS or 0: none
  std::int32_t optionWord = 0;   // the slot's option word
  std::int32_t integerWork = 0;  // integer words of the method work area the method needs
  std::int32_t realWork = 0;     // 8-byte words of the method work area
  std::int32_t blockAddress = services::NODISK;  // the parameter block; NODISK: none
  std::int32_t blockLength = 0;
};
inline constexpr std::size_t kMethodClasses = 19;

// MSPTRS: sector starts of the current set block.
struct MethodSetPointers {
  services::OneBased<std::int32_t, 17> integerSectors;  // words 1-17
  services::OneBased<std::int32_t, 5> pointerSectors;   // words 18-22
  // Filled by the set decoding for the loaders MDLODC, MDLODE and LDWORK.
  services::OneBased<MethodClass, kMethodClasses> classes;
  std::int32_t firstClassFlag = 0;  // set header flag: 1 adds 1 to the activity variant code
};
extern MethodSetPointers MSPTRS;

// One method entry of the descriptor: five integer words.
struct MethodEntry {
  std::int32_t code = 0;          // 1: method code
  std::int32_t option = 0;        // 2: option digit (a composite option for liquid fugacity)
  std::int32_t slot = 0;          // 3: the method slot the entry describes
  std::int32_t blockAddress = 0;  // 4: disk address of the parameter block; NODISK = none
  std::int32_t blockLength = 0;   // 5: length of the parameter block in words
};

// KMCTL: the K-value method descriptor.
struct KValueMethods {
  MethodEntry liquidFugacity;     // words 1-5
  std::array<std::int32_t, 3> words6to8{};
  MethodEntry kvalue;             // words 9-13 (slot 1)
  std::int32_t henryFlag = 0;     // 14
  std::int32_t levelWord = 0;     // 15
};
extern KValueMethods KMCTL;

// PMCTL1: liquid and vapour density and entropy entries, and the density cache.
struct PropertyMethods1 {
  MethodEntry liquidDensity;      // words 1-5 (slot 8)
  std::array<std::int32_t, 3> words6to8{};
  double cacheTemperature = 0.0;  // 9-10
  double cachePressure = 0.0;     // 11-12
  std::int32_t cacheValid = 0;    // 13: cleared by every method-set switch
  std::array<std::int32_t, 3> words14to16{};
  MethodEntry vapourDensity;      // 17-21 (slot 9)
  std::array<std::int32_t, 3> words22to24{};
  MethodEntry liquidEntropy;      // 25-29 (slot 10)
  std::array<std::int32_t, 3> words30to32{};
  MethodEntry vapourEntropy;      // 33-37 (slot 11)
};
extern PropertyMethods1 PMCTL1;

// PMCTL2: liquid enthalpy entries and the root-selection words of the equation-of-state
// routines.
struct PropertyMethods2 {
  std::array<std::int32_t, 6> words1to6{};
  std::int32_t secondLiquidCode = 0;                    // 7: 417 to 420, or 0
  std::int32_t secondLiquidAddress = services::NODISK;  // 8
  std::int32_t secondLiquidLength = 0;                  // 9
  std::array<std::int32_t, 7> words10to16{};
  MethodEntry liquidEnthalpy;                           // 17-21 (slot 6)
  // Root selection of the equation-of-state fugacity routines.
  std::int32_t ISEUDI = 0;  // mode the routines obey; 0 normal
  std::int32_t ISEUDL = 0;  // cleared when the liquid was solved at a pseudo-root
  std::int32_t ISEUDV = 0;  // cleared when the vapour was solved at a pseudo-root
  std::int32_t ISEUDP = 0;  // the problem's own setting
  std::int32_t realScratchSize = 0;     // scratch sizes of the method being served
  std::int32_t integerScratchSize = 0;
  // The mixture terms of the last activity-model call (ACCALC), read by the liquid enthalpy.
  double excessGibbs = 0.0;     // G^E/(R T)
  double excessEnthalpy = 0.0;  // H^E/(R T^2) = -d(G^E/(R T))/dT, 1/K
};
extern PropertyMethods2 PMCTL2;

// PMCTL3: the vapour enthalpy entry.
struct PropertyMethods3 {
  MethodEntry vapourEnthalpy;  // words 1-5 (slot 7)
};
extern PropertyMethods3 PMCTL3;

// PMCTL4: the transport-property entries.
struct PropertyMethods4 {
  MethodEntry vapourViscosity;     // words 1-5 (slot 13)
  MethodEntry liquidViscosity;     // 6-10 (slot 12)
  MethodEntry vapourConductivity;  // 11-15 (slot 15)
  MethodEntry liquidConductivity;  // 16-20 (slot 14)
  MethodEntry surfaceTension;      // 21-25 (slot 16)
};
extern PropertyMethods4 PMCTL4;

// LDSTAT: the method parameter block held in core and the scratch areas of the method.
struct LoadedBlock {
  std::int32_t address = services::NODISK;  // disk address of the block held; NODISK = none
  std::int32_t length = 0;
  std::int32_t integerSector1 = 0;  // starts of the block's first two integer sectors
  std::int32_t integerSector2 = 0;
  std::int32_t realSector1 = 0;     // and of its first two 8-byte sectors
  std::int32_t realSector2 = 0;
  std::int32_t integerScratch = 0;  // core indexes of the scratch areas
  std::int32_t realScratch = 0;
  std::int32_t integerLength1 = 0;  // lengths of the first integer and first 8-byte sectors
  std::int32_t realLength1 = 0;
  // The shared method-block area and method work area (8-byte indexes, elements W(area + 1)
  // on) with their sizes in 8-byte words. NOCORE: none yet; the loaders then get areas of
  // their own, and larger ones when a block or a work demand does not fit.
  std::int32_t blockArea = services::NOCORE;
  std::int32_t blockAreaReals = 0;
  std::int32_t workArea = services::NOCORE;
  std::int32_t workAreaReals = 0;
};
extern LoadedBlock LDSTAT;

// FLCTL2: 8-byte exchange words of the flashes.
struct FlashExchange {
  services::OneBased<double, 5> words;  // 1: FLASHK tolerance; 2: DLFRAC; 5: cleared per flash
};
extern FlashExchange FLCTL2;

// The words of the stream flash driver that the problem open sets.
struct StreamFlashControl {
  std::int32_t setupFlag = 0;  // 0 after the open's method-set start-up
};
extern StreamFlashControl streamFlashControl;

// THDXCH: exchange words between the flashes and the property routines.
struct ThermoExchange {
  // Steps and tolerances of the fixed phase-fraction flashes: the temperature step, 0.9 of
  // it, the relative pressure tolerance and 0.2 of it.
  double temperatureStep = 0.0;
  double temperatureStepSmall = 0.0;
  double pressureTolerance = 0.0;
  double pressureToleranceSmall = 0.0;
  services::OneBased<std::int32_t, 15> missingWords;  // set to IMISS at each open
  std::int32_t IHVLLE = 0;  // 2 while a three-phase flash runs, 1 when handed back, 0 otherwise
  std::int32_t componentCount = 0;  // left by the least-squares three-phase flash
  std::int32_t modeWord = 0;        // 3 three-phase, 2 two-phase
  std::int32_t L1KEY = 0;           // key components of the last liquid-liquid split
  std::int32_t L2KEY = 0;
  MethodEntry vapourFugacity;       // slot 17 entry of the activity-coefficient route
};
extern ThermoExchange THDXCH;

// =======================================================================================
// Method-code tests
// =======================================================================================

// Codes of the cubic-equation family served by the equation-of-state terms.
bool MTISA(std::int32_t code);
// Activity-coefficient K-value methods.
bool MTISB(std::int32_t code);
// K-value methods that send the isothermal flash to the free-water and liquid-liquid checks.
bool MTISC(std::int32_t code);

// The correlation-set number to use for correlation type ITYPE.
std::int32_t MTSETN(std::int32_t itype);

// =======================================================================================
// Shared numeric routines
// =======================================================================================

// One step of a bracketed root search over XL <= XM <= XH with a change of sign among the
// residuals: XM becomes the new estimate and the end on the old middle point's side of the
// root takes the old middle point.
void ROOTBR(double& xl, double& xm, double& xh, double& yl, double& ym, double& yh);

// Fits Y = C1 X^2 + C2 X + C3 (MODE <= 2) or Y = C1 X^3 + C2 X + C3 (MODE 3) through three
// points and, for MODE 1 or above 3, returns a root estimate; MODE 2 and 3 return 0.
double ROOTHL(std::span<const double, 3> y, std::span<const double, 3> x, std::int32_t mode,
              std::span<double, 3> c);

// One step of a safeguarded one-dimensional root search on the caller's three stored
// points (FS residuals, XS abscissae, point 3 the newest), updated with (F, X): a bracketing
// interpolation (ROOTBR), a secant, a guarded quadratic step or a small fixed step; DX is the
// step to add to X, at most |DVMAX| (the first two calls step by DVMAX itself). N is the
// trial counter, 1 on the first call of a search. No state of its own, no failure.
void XEXTRP(std::int32_t n, double f, double x, std::span<double, 3> fs, std::span<double, 3> xs,
            double dvmax, double& dx);

// Divides X by its sum when the sum is not zero and differs from 1.
void NORMLZ(std::int32_t n, std::span<double> x);

// B = A normalised without component IEXCL (1-based; < 1: none); ICNT counts components
// above THR (tens digit of IOPT 0: counts cleared first; units digit 1: counted).
void NRMCNT(std::int32_t n, std::span<const double> a, std::span<double> b,
            std::span<std::int32_t> icnt, std::int32_t iopt, std::int32_t iexcl, double thr,
            double& frac, double& sum);

// Rackett saturated-liquid volumes (m3/kmol) and their temperature derivatives.
void CMPDER(std::int32_t n, std::span<const double> pc, std::span<const double> tc, double t,
            std::span<const double> zra, std::span<double> dvdt, std::span<double> v);

// The sum of A, or DMISS at the first element below RMISS; 0 for N < 1.
double SUMPOS(std::int32_t n, std::span<const double> a);

// The sum of A; 0 for N < 1.
double SUMVEC(std::int32_t n, std::span<const double> a);

// R = element I of integer sector 4 of the J-th 72-word set of component pointers (J 1:
// the component number at position I of component list 1); 0 when I or J is below 1 or
// the sector is not in core.
void SLTIDX(std::int32_t i, std::int32_t j, std::int32_t& r);

// Natural cubic spline through (X, Y) evaluated at ascending XOUT. C holds the second
// derivatives: computed unless ICOEF is 1. IDER 1 adds the slope, 2 the curvature.
void SPLCOF(std::int32_t n, std::span<const double> x, std::span<const double> y,
            std::span<double> c, std::int32_t nout, std::span<const double> xout,
            std::span<double> yout, std::span<double> dyout, std::span<double> d2yout,
            std::int32_t icoef, std::int32_t ider);

}  // namespace flash
