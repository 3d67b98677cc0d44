// The sour-water equilibrium model behind K-value method 510: Henry constants, virial vapour
// fugacities, Poynting factors, the chemical equilibria of water, ammonia, carbon dioxide and
// hydrogen sulphide with their ions, carbamate, carbamic acid and urea, and the activity
// coefficients of the speciated liquid.
//
// Units: T in K; P in atm; volumes in cm3/mol; R = 82.05 cm3 atm/(mol K) in the volumetric
// terms and 1.987 cal/(mol K) in the equilibrium constants. Liquid amounts are fractions of
// the gathered model molecules; species amounts s1..s14 share that basis, s15 is their total.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace equilibrium {

// Model molecules: 1 water, 2 ammonia, 3 carbon dioxide, 4 hydrogen sulphide, then the
// further molecules that take part in the molecular terms only.
inline constexpr std::int32_t kSourKeyMolecules = 4;
inline constexpr std::int32_t kMaxSourMolecules = 20;
inline constexpr std::int32_t kSourReactions = 9;
inline constexpr std::int32_t kSourIonPlaces = 9;  // the ninth place carries no species
inline constexpr std::int32_t kSourNeutrals = 2;   // carbamic acid, urea
inline constexpr std::int32_t kSourSpecies = 14;

// Numbered messages of the model.
inline constexpr std::int32_t kMessageSourNewton = 1990020004;      // ammonia Newton limit
inline constexpr std::int32_t kMessageSourSpeciation = 1990111203;  // passes exhausted

// Liquid species s1..s14 (1-based places of SourWaterWork::species).
enum class SourSpecies : std::int32_t {
  Water = 1,
  Hydrogen = 2,
  Hydroxide = 3,
  Ammonia = 4,
  Ammonium = 5,
  HydrogenSulphide = 6,
  Bisulphide = 7,
  Sulphide = 8,
  CarbonDioxide = 9,
  Bicarbonate = 10,
  Carbonate = 11,
  Carbamate = 12,
  CarbamicAcid = 13,
  Urea = 14,
};

// Ion places of the result group (1-based), in the order of the block's ion arrays.
enum class SourIon : std::int32_t {
  Hydrogen = 1,
  Hydroxide = 2,
  Ammonium = 3,
  Bisulphide = 4,
  Sulphide = 5,
  Bicarbonate = 6,
  Carbonate = 7,
  Carbamate = 8,
};

// The real part of a method-510 coefficient block: per-molecule arrays reserve 2n slots,
// per-reaction and per-ion arrays 18, two-value arrays 4 and n x n matrices 4 n^2 (stored
// column by column); only the leading n, 9, 2 and n^2 slots are read. Accessors are 1-based.
class SourWaterBlock {
 public:
  // Offsets (first slot = offset + 1) of the arrays in a block of N molecules.
  struct Offsets {
    std::size_t n;
    std::size_t criticalTemperature() const { return 0; }   // K
    std::size_t criticalPressure() const { return 2 * n; }  // atm
    std::size_t size() const { return 4 * n; }              // virial size parameter v
    std::size_t third() const { return 6 * n; }             // third-virial parameter w
    std::size_t molecule() const { return 8 * n; }          // M; M1/V1 the water density
    std::size_t virialA() const { return 10 * n; }
    std::size_t virialB() const { return 12 * n; }
    std::size_t virialC() const { return 14 * n; }
    std::size_t referenceVolume() const { return 20 * n; }  // cm3/mol, molecule 1 water
    std::size_t mixing() const { return 22 * n; }           // E, divided by the volume
    std::size_t henryB() const { return 24 * n; }
    std::size_t henryA() const { return 26 * n; }
    std::size_t henryC() const { return 28 * n; }
    std::size_t ionP() const { return 30 * n; }
    std::size_t charge() const { return 30 * n + 18; }
    std::size_t ionQ() const { return 30 * n + 36; }
    std::size_t neutralVolume() const { return 30 * n + 58; }  // Xref, cm3/mol
    std::size_t neutralMixing() const { return 30 * n + 62; }  // e, divided by the volume
    std::size_t enthalpy() const { return 30 * n + 66; }       // dH at 298.15 K, cal/mol
    std::size_t entropy() const { return 30 * n + 84; }        // dS, cal/(mol K)
    std::size_t heatCapacity() const { return 30 * n + 102; }  // dCp, cal/(mol K)
    std::size_t square() const { return 30 * n + 120; }        // of (T - 298.15)^2/2
    std::size_t water() const { return 30 * n + 138; }         // of the water term Q(T)
    std::size_t k1() const { return 30 * n + 156; }
    std::size_t k2() const { return 30 * n + 156 + 4 * n * n; }
    std::size_t length() const { return 30 * n + 156 + 8 * n * n; }
  };

  // A view of REALS for N model molecules. N outside 4..20 or a block shorter than the
  // layout stops the run: "KC" "SWSPEC" "SOUR WATER BLOCK INVALID" (items N, LENGTH, NEEDED).
  SourWaterBlock(std::span<const double> reals, std::int32_t n);

  std::int32_t n() const { return n_; }
  const Offsets& offsets() const { return at_; }
  // Element I (1-based) of the array at OFFSET.
  double at(std::size_t offset, std::int32_t i) const {
    return reals_[offset + static_cast<std::size_t>(i - 1)];
  }
  // Element (I, J) of the matrix at OFFSET.
  double at(std::size_t offset, std::int32_t i, std::int32_t j) const {
    return reals_[offset + static_cast<std::size_t>((j - 1) * n_ + (i - 1))];
  }
  // The nine values of a per-reaction array.
  std::span<const double> reactions(std::size_t offset) const {
    return reals_.subspan(offset, static_cast<std::size_t>(kSourReactions));
  }

 private:
  std::span<const double> reals_;
  std::int32_t n_;
  Offsets at_;
};

using SourMoleculeArray = std::array<double, kMaxSourMolecules>;

// The model's scratch area for one K-value call: the gathered fractions that the K-value
// routine hands in, the molecular properties at T, the vapour terms and the speciation with
// its activity coefficients. Arrays are 0-based (molecule i at [i - 1]).
struct SourWaterWork {
  // In: gathered liquid and vapour fractions of the model molecules.
  SourMoleculeArray liquid{};
  SourMoleculeArray vapour{};

  // SWSPEC: molecular properties at T.
  double waterPressure = 0.0;                         // atm
  SourMoleculeArray henry{};                          // H, atm
  SourMoleculeArray henryZero{};                      // H0, Henry constant at zero pressure, atm
  SourMoleculeArray volume{};                         // liquid molar volume V, cm3/mol
  SourMoleculeArray mixing{};                         // E/V
  std::array<double, kSourNeutrals> neutralVolume{};  // X, cm3/mol
  std::array<double, kSourNeutrals> neutralMixing{};  // e/X
  std::array<double, kMaxSourMolecules * kMaxSourMolecules> virial{};  // B(i, j) at (j-1)n+i
  SourMoleculeArray thirdVirial{};                                     // c'
  SourMoleculeArray covolume{};                                        // b = 82.05 Tc/Pc, cm3/mol
  SourMoleculeArray referenceVapour{};                                 // pure water, (1, 0, ..., 0)

  // SWPHIV: the vapour at the last call.
  SourMoleculeArray phi{};       // fugacity coefficients
  SourMoleculeArray poynting{};  // Poynting factors
  double molarVolume = 0.0;      // cm3/mol
  double z = 0.0;

  // EQPH: the speciation and its activity coefficients.
  std::array<double, kSourSpecies + 1> species{};  // s1..s14 at [0..13], s15 at [14]
  SourMoleculeArray fraction{};  // m: true fractions of the free molecules; a further
                                 // molecule's is its gathered amount over s15
  SourMoleculeArray lnGamma{};
  SourMoleculeArray gamma{};
  std::array<double, kSourIonPlaces> ionFraction{};
  std::array<double, kSourIonPlaces> ionLnGamma{};
  std::array<double, kSourIonPlaces> ionGamma{};
  std::array<double, kSourNeutrals> neutralFraction{};
  std::array<double, kSourNeutrals> neutralLnGamma{};
  std::array<double, kSourNeutrals> neutralGamma{};
  double mixingW = 0.0;     // W of SWHSUM
  double mixingS = 0.0;     // S of SWHSUM: the ammonia salting argument
  std::int32_t passes = 0;  // passes of the last activity loop

  // What every K-value call does first: the fugacity coefficients, Poynting factors and
  // reference vapour of the N molecules become 0.0.
  void startCall(std::int32_t n);
  double s(SourSpecies k) const { return species[static_cast<std::size_t>(k) - 1]; }
  double total() const { return species[kSourSpecies]; }
};

// The equilibrium constants kept between calls. INIDAT registers the model: after a reset
// of the registry the constants count as never evaluated.
struct SourWaterConstants {
  std::int32_t onceKey = 0;       // INIDAT key
  double lastTemperature = -1.0;  // K of the last evaluation; -1 before the first
  std::array<double, kSourReactions> lnK{};
  std::array<double, kSourReactions> standard{};   // K0: mole-fraction constants
  std::array<double, kSourReactions> effective{};  // K': start values of the next pass
  bool effectiveSet = false;                       // K' hold a pass's values
};
extern SourWaterConstants sourWaterConstants;

// ---------------------------------------------------------------------------------------
// Molecular properties and the vapour
// ---------------------------------------------------------------------------------------

// Molecular properties at T: the water vapour pressure, the Henry constants, the second and
// third virial parameters, the liquid volumes and the divided mixing coefficients, the
// pure-water vapour reference at the water vapour pressure (SWPHIV) and the Henry constants
// at zero pressure H0 = H phi(ref)/Poy(ref), ammonia's from its own correlation. Above the
// critical temperature of water (647.3 K) the Henry and volume correlations take their
// reduced temperature terms as 0: H = Pw, V1 = 57.79 cm3/mol.
//   block in; t in K; work in/out (reads phi and poynting as SWPHIV keeps them)
void SWSPEC(const SourWaterBlock& block, double t, SourWaterWork& work);

// Fugacity coefficients and Poynting factors of the vapour Y at P by the virial equation
// with a third coefficient; needs SWSPEC at the same T. A state beyond the vapour spinodal
// is evaluated at 0.99 of the spinodal pressure, lowered by 10 % until Z >= 0.27; the
// Poynting factors use P itself. A vapour without a spinodal at a positive volume is
// evaluated at P. A molecule with ln phi' >= 10 keeps the coefficient and factor it had,
// when it had one. At P = 0: phi = Poy = 1, an infinite volume.
//   p in atm; t in K; y in (n); work in/out: phi, poynting, molarVolume, z
void SWPHIV(const SourWaterBlock& block, double p, double t, std::span<const double> y,
            SourWaterWork& work);

// The nine equilibrium constants at T:
//   ln K = (-dH + T dS + F1 dCp + c2 (T - 298.15)^2/2 + cQ Q(T))/(1.987 T)
// and the mole-fraction constants K0 of the nine reactions (exponents limited to +-60).
//   dCp, c2, dH, cQ, dS in (9 each); lnK, k0 out (9 each)
void SWKEQ(double t, std::span<const double> dCp, std::span<const double> c2,
           std::span<const double> dH, std::span<const double> cQ, std::span<const double> dS,
           std::span<double> lnK, std::span<double> k0);

// The mixing term from the current fractions: W = E1/V1 - Phi and the ammonia salting
// argument S (both left in work as well).
//   t in K; w, s out
void SWHSUM(const SourWaterBlock& block, double t, SourWaterWork& work, double& w, double& s);

// ---------------------------------------------------------------------------------------
// Speciation and activity coefficients
// ---------------------------------------------------------------------------------------

// The speciation and activity loop at T for the gathered liquid of work.liquid: refreshes
// the equilibrium constants when T moved by 0.01 K or more, starts the effective constants
// from them on the first pass of a K-value call (else from the last pass's), then repeats
// speciation and activity coefficients until the effective constants settle. Leaves the
// true fractions and activity coefficients of molecules, ions and the two neutral species,
// W and S in work.
//   firstPass in: false for the temperature-shifted second pass of a K-value call
// Aborts: message 1990111203 (caller "EQPH", integer 1 the passes) on the 100th pass; the
// same message from "SWSPCN" or "SWBALN" when the pH search or the balance iteration has not
// settled in 200 passes, and from "SWBALN" when the balances have not settled and their
// Newton step has no finite solution; message 1990020004 from "GPSWAT".
void EQPH(bool firstPass, const SourWaterBlock& block, double t, SourWaterWork& work);

// The Newton step D of the balance iteration: solves J D = -R by elimination with partial
// pivoting. Returns false, D unchanged, when a pivot is zero or not finite or the step is not
// finite (a singular Jacobian, or residuals or derivatives that are not numbers).
bool solveBalanceStep(std::array<std::array<double, 3>, 3> j, std::array<double, 3> r,
                      std::array<double, 3>& d);

// Free ammonia S4 and carbon dioxide S9 from the ammonia total N and carbon dioxide total C
// at given water S1, hydroxide S3 and total S15 with the effective constants KE (9):
//   N = s4 d1 + C (2 d3 s4^2 + d2 s4)/D, s9 = C/D, D = d3 s4^2 + d2 s4 + d4,
//   d1 = 1 + K'2 s1/s3, d2 = K'7 (s3/s1 + K'8)/s15, d3 = K'7 K'9/(s1 s15),
//   d4 = 1 + (K'6 s3/s1 + K'5) s3/s15,
// by Newton's method on s4 from N/d1 (steps limited to half of s4) when both are present.
// Aborts: message 1990020004 (caller "GPSWAT") at the 51st step.
void GPSWAT(double n, double c, std::span<const double> ke, double s1, double s3, double s15,
            double& s4, double& s9);

// One evaluation of the model for a K-value pass at T and P (atm): SWSPEC, SWPHIV for the
// vapour of work.vapour, EQPH. The K-value routine forms
//   K(i) = H0(i) gamma(i) Poy(i) m(i)/(phi(i) P x(i))
// from work.henryZero, gamma, poynting, fraction and phi, with work.mixingS for ammonia.
void evaluateSourWaterModel(bool firstPass, const SourWaterBlock& block, double t, double p,
                            SourWaterWork& work);

}  // namespace equilibrium
