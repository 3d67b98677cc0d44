// The method-set layer: the shared areas of the current method set (its descriptor, the
// per-property method entries, the parameter block held in core) and the exchange words of
// the flashes, the method-code tests, and method-set switching.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "methods/method_sets.hpp"
#include "problem/method_set_control.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace methods {

// The control block of the current method set belongs to the problem data model, which
// reads its free-water component; the switch fills it.
using problem::kNoCurrentSet;
using problem::MethodSetControl;
using problem::THCTL;

// =======================================================================================
// Shared areas of the current method set
// =======================================================================================

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
  // The last word: the component (a position) whose liquid-to-solid ratio the stream
  // property code 702 gives; 0 = none.
  std::int32_t ratioComponent = 0;
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
  std::int32_t integerLength2 = 0;  // and of the second ones (0 when absent)
  std::int32_t realLength2 = 0;
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

// The codes of the user-added methods, served by the routine slots UKHS1 to UKHS15.
inline constexpr std::int32_t kFirstUserMethod = 901;
inline constexpr std::int32_t kLastUserMethod = 915;

// Codes of the cubic-equation family served by the equation-of-state terms.
bool MTISA(std::int32_t code);
// Activity-coefficient K-value methods.
bool MTISB(std::int32_t code);
// K-value methods that send the isothermal flash to the free-water and liquid-liquid checks.
bool MTISC(std::int32_t code);

// The correlation-set number to use for correlation type ITYPE.
std::int32_t MTSETN(std::int32_t itype);

// =======================================================================================
// Shared routines of the flashes and the K-value engine
// =======================================================================================

// Whether the phases of a split are distinct enough for new K-values: REFRESH 1, except
// when the K-values of the components flagged PRESENT (the water component of THCTL left
// out) all lie within a factor of ten of each other (Kmin > 0.1 Kmax, Kmin < 1e15,
// Kmax > 1e-15); then REFRESH is 1 only when ZV - ZL reaches 0.02 (both fractions above
// FLTOL word 8) or 0.1 (otherwise). DIFFERENCE = ZV - ZL. No failure.
//   present        in   per-component flags, nonzero present (N)
//   k              in   K-values (N)
//   zv, zl         in   compressibility factors of the two phases
//   vapourFraction, liquidFraction in  phase fractions
//   refresh        out  1: distinct
//   unused         -    not read
//   difference     out  ZV - ZL
//   n              in   component count
void FLSKSP(std::span<const std::int32_t> present, std::span<const double> k, double zv, double zl,
            double vapourFraction, double liquidFraction, std::int32_t& refresh,
            std::int32_t unused, double& difference, std::int32_t n);

// The block of the stored K-value model: 8-byte words from W(start + 1), each part's offset
// from start (word start + offset + 1 is its first value); -1 for a part the level leaves out.
// T0 (K) and P0 (kPa) at offsets 0 and 1, then K0, (dK/dT)0, (dK/dP)0 (NCK each), for level
// 2 and above x0 (NCOMP) and dln K_i/dx_j (block i of NCOMP values per component i <= NCK),
// for level 3 and above y0 and dln K_i/dy_j likewise.
struct StoredModelBlock {
  std::int32_t start = 0;  // 8-byte index; 0: not got yet
  std::int32_t words = 0;
  std::int32_t nck = 0, ncomp = 0, level = 0;
  std::int32_t k0 = -1, dkdt0 = -1, dkdp0 = -1, x0 = -1, dlnkdx = -1, y0 = -1, dlnkdy = -1;
};
extern StoredModelBlock storedModelBlock;

// Gets the block of the stored K-value model when HANDLE is 0: sized for the vapour and
// component counts of COHDR and the model level LEVEL, filled with 0.0, described in
// storedModelBlock; HANDLE becomes its 8-byte index. A HANDLE already set changes nothing.
// IERR 1 when the core store has no room (nothing got), else 0.
void ALDESC(std::int32_t& handle, std::int32_t& ierr, std::int32_t level);

// =======================================================================================
// The open of a problem and its method sets
// =======================================================================================

// The whole open of a problem: run start-up, file names, report listing and message file,
// support database, page titles, problem database and case, parameters, work space and its
// partition, method sets, correlation sets, unit set-up. NAME is the problem's path, DIR2
// the directory of the support database and the message file; IOUT receives the report
// listing's unit. OPT above 0 adds the data-transfer set-up (a problem of more components
// than OPT closes again and stops the run with status 10). Every failure ends in the abort
// report.
std::int32_t PAINIT(std::string_view name, std::string_view dir2, std::int32_t& iout,
                    std::int32_t opt);

// The close of what PAINIT opened: the two databases and the two files, written and kept.
void PAEND();

// The side files of an open whose directory argument is DIR2: the message file and the
// first file of the support database, as PAINIT opens them (an empty DIR2 names the default
// directory).
struct SideFiles {
  std::string messageFile;
  std::string supportDatabase;
};
SideFiles sideFiles(std::string_view dir2);

// Makes the default method set current and sets up the user-added K-value methods (DBSSTR:
// the set-up query of each set in use whose K-value method is a user-added one, through
// the slot of methods/slots.hpp, its flag kept in the set's option word and the set block
// written back).
std::int32_t DBSTUP(std::int32_t opt, std::int32_t oldw);
std::int32_t DBSSTR();

// The flash work-space partition of FWPART for every set in use: RTOT and ITOT the reals
// and integers it needs; OPT 1 offsets from 0, else from the bases of real area 3 and the
// integer area (which must hold them, else the "DB" abort "FLASH WORK SPACE TOO SMALL").
std::int32_t PARTTN(std::int32_t& rtot, std::int32_t& itot, std::int32_t opt);

// The flag word that the stream flash driver reads.
std::int32_t DBSFLG(std::int32_t v);

// Sets FLTOL and the tolerance words of the flash exchange areas.
void CONINI();

}  // namespace methods
