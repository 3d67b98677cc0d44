// Bounded nonlinear least squares (NONLN): minimises S(x) = F_1(x)^2 + ... + F_M(x)^2 over N
// variables, each held between a lower and an upper bound, by Gauss-Newton steps with
// Marquardt's modification, column scaling, an active set of variables held on their bounds
// and a search on the Marquardt parameter within each iteration. The three-phase flash hands
// it the balance residuals of FL3ORS. No state is kept between calls and nothing is
// allocated: the two work arrays hold every vector and matrix of the iteration.
#pragma once

#include <cstdint>
#include <span>

namespace multiphase {

// The residual routine FUNC, called as func(iflag, m, n, x, f, fjac):
//   iflag  in/out  1: fill F only (FJAC is solver scratch, not to be read); 2: fill F and
//                  the M x N Jacobian FJAC by columns (dF_j/dx_i at fjac[j + i*M]). Setting
//                  it to 10 or more stops the solver with that termination code.
//   m, n   in      residuals and variables
//   x      in      the point
//   f      out     the M residuals
//   fjac   out     the Jacobian (iflag 2)
// A non-owning reference to a callable; it must outlive the NONLN call.
class ResidualRoutine {
 public:
  using Call = void (*)(void* context, std::int32_t& iflag, std::int32_t m, std::int32_t n,
                        std::span<const double> x, std::span<double> f, std::span<double> fjac);
  ResidualRoutine(Call call, void* context) : call_(call), context_(context) {}

  // A reference to FUNCTOR, which must take the arguments of Call after the context.
  template <typename Functor>
  static ResidualRoutine of(Functor& functor) {
    return ResidualRoutine(
        [](void* c, std::int32_t& iflag, std::int32_t m, std::int32_t n, std::span<const double> x,
           std::span<double> f,
           std::span<double> fjac) { (*static_cast<Functor*>(c))(iflag, m, n, x, f, fjac); },
        &functor);
  }

  void operator()(std::int32_t& iflag, std::int32_t m, std::int32_t n, std::span<const double> x,
                  std::span<double> f, std::span<double> fjac) const {
    call_(context_, iflag, m, n, x, f, fjac);
  }

 private:
  Call call_;
  void* context_;
};

// How the Jacobian is found.
enum class DerivativeOption : std::int32_t {
  Automatic = 0,   // forward differences with steps (|x_i| + 1)·1e-7
  GivenSteps = 1,  // forward differences with the steps in rwork[0..N-1]
  Supplied = 2,    // FUNC supplies it (iflag 2)
  Checked = 3,     // FUNC supplies it, compared once at the start with differences
};

// Termination codes.
enum class LeastSquaresCode : std::int32_t {
  InnerSatisfiedOnBound = -3,  // Marquardt search ended at its largest parameter, on a bound
  InnerSatisfied = -2,         // the same, no variable on a bound
  ConvergedOnBound = -1,       // converged with a variable on a bound
  Converged = 0,
  ParameterError = 1,   // the parameter list, a start point outside the bounds, too few
                        // equations for the free variables, a zero differentiation step
  LargeStart = 2,       // a residual at the start exceeds 1e10 or is not a number
  DerivativeCheck = 3,  // the supplied derivatives disagree with differences
  IterationLimit = 4,
  NoDecrease = 5,  // no point with a lower sum of squares, or a Jacobian that is not
                   // finite
  UserStop = 10,   // 10 or more: the iflag FUNC returned
};

// Minimum work lengths.
inline constexpr std::int32_t integerWorkNeeded(std::int32_t n) { return 3 * n; }
inline constexpr std::int32_t realWorkNeeded(std::int32_t m, std::int32_t n) {
  return (3 * n * (n + 7)) / 2 + (2 * n + 1) * m;
}

// NONLN: checks the parameter list, prints the options when asked and runs the iteration.
//   m, n     in      residuals (at least 1) and variables (at least 1)
//   xl, xu   in      bounds (N each)
//   option   in      DerivativeOption (0-3)
//   func     in      the residual routine
//   digits   in      required accurate digits: EPS = 10^-digits
//   print    in      print option 100h + 10t + u (h 0-1, t 0-3, u 0-2); 0 or below: silent
//   unit     in      output unit
//   limit    in/out  iteration limit; out the iterations performed (0 after a parameter error)
//   x        in/out  start point, out the final point within the bounds (N)
//   f        out     residuals at the final point (M)
//   s        out     sum of squares at the final point
//   iwork    work    at least 3N integers; liwork its length as the caller gives it
//   rwork    work    at least realWorkNeeded(M, N) reals; rwork[0..N-1] in the steps of
//                    option 1; lrwork its length
//   code     out     LeastSquaresCode
// Every failure is a termination code with its text when print > 0; none stops the run.
void NONLN(std::int32_t m, std::int32_t n, std::span<const double> xl, std::span<const double> xu,
           std::int32_t option, ResidualRoutine func, std::int32_t digits, std::int32_t print,
           std::int32_t unit, std::int32_t& limit, std::span<double> x, std::span<double> f,
           double& s, std::span<std::int32_t> iwork, std::int32_t liwork, std::span<double> rwork,
           std::int32_t lrwork, std::int32_t& code);

// NONLNJ: the linear least-squares solution B of A·B = RHS by modified Gram-Schmidt
// orthogonalisation with a rank test.
//   a      in/out  ROWS x COLUMNS by columns; overwritten
//   r      out     packed upper triangle, row by row (COLUMNS(COLUMNS+1)/2)
//   b      out     the solution (COLUMNS)
//   rhs    in      the right-hand side (ROWS), not changed
//   tol    in      rank tolerance on the remaining squared norm of a column
// Returns 0 for full rank, else the first column (1-based) whose remaining squared norm is
// at most TOL (or not a number); B is then not solved.
std::int32_t NONLNJ(std::span<double> a, std::span<double> r, std::span<double> b,
                    std::span<const double> rhs, std::int32_t rows, std::int32_t columns,
                    double tol);

}  // namespace multiphase
