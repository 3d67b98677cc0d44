// The seam through which the three-phase flashes ask for the K-values of one phase pair,
// and the liquid terms that the pair routine leaves behind.
#pragma once

#include <cstdint>
#include <span>

namespace multiphase {

// The routine the three-phase flashes call for the K-values of a vapour against one liquid:
// the K-value engine's KCPAIR unless a test has put a double in its place. Same arguments as
// KCPAIR; IFUGST (the last) above 0 means that the fugacity evaluation failed.
using PairKValueRoutine = void (*)(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                                   std::span<const double> x, std::span<double> k, double t,
                                   double p, double& zv, double& zl, std::int32_t kccall,
                                   std::int32_t kcdrv, std::int32_t kcopt, std::int32_t& ierr,
                                   double fy, double fx, std::span<std::int32_t> iflag,
                                   std::int32_t reserved, std::int32_t& ifugst);

// The K-values y/x of the pair at T, P as the three-phase flashes ask for them: both counts
// NCOMP, derivative request 0, K option word 1, pressure factors 1.0. KPHASE 12 evaluates
// both phases, 112 keeps the liquid of the previous call, 1012 keeps its vapour. Returns the
// fugacity status (above 0: the evaluation failed). Counts the call.
std::int32_t pairKValues(std::int32_t ncomp, std::span<const double> y, std::span<const double> x,
                         std::span<double> k, double t, double p, std::int32_t kphase,
                         std::span<std::int32_t> flags, std::int32_t klle);

// The pair calls made since the problem open.
std::int64_t pairKValueCalls();

// exp of the liquid terms (ln phi of the liquid) that the last pair call left in the flash
// work space, into G; 1.0 where the work space does not hold them.
void liquidTerms(std::span<double> g);

// While alive, the three-phase flashes call ROUTINE for their pair K-values.
class ScopedPairKValueRoutine {
 public:
  explicit ScopedPairKValueRoutine(PairKValueRoutine routine);
  ~ScopedPairKValueRoutine();
  ScopedPairKValueRoutine(const ScopedPairKValueRoutine&) = delete;
  ScopedPairKValueRoutine& operator=(const ScopedPairKValueRoutine&) = delete;

 private:
  PairKValueRoutine previous_;
};

}  // namespace multiphase
