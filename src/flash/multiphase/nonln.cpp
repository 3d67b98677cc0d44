// NONLN: the parameter checks, the option summary, the partition of the work arrays and the
// reports of the bounded least-squares solver.
#include "flash/multiphase/nonln.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "flash/flash_print.hpp"
#include "flash/multiphase/nonln_internal.hpp"

namespace multiphase {

using flash::writef;

namespace nonln_internal {

namespace {

void blank(std::int32_t unit, int lines) {
  for (int i = 0; i < lines; ++i) writef(unit, " ");
}

}  // namespace

void reportTermination(const LeastSquaresRun& run, std::int32_t convergenceText) {
  if (run.flags.silent || run.flags.table) return;
  const std::int32_t u = run.unit;
  blank(u, 2);
  if (run.code <= 0) {
    writef(u, " NORMAL TERMINATION WITH CODE%4d  AFTER%4d  ITERATIONS.", run.code, run.iterations);
  } else {
    writef(u, " ABNORMAL TERMINATION WITH CODE%4d  AFTER%4d  ITERATIONS.", run.code,
           run.iterations);
  }
  switch (run.code) {
    case -1:
    case 0:
      if (convergenceText == kAccuracyText) {
        writef(u, " CONVERGENCE.  REQUIRED ACCURACY ACHIEVED.");
      } else if (convergenceText == kSignificanceText) {
        writef(u, " CONVERGENCE.  NO SIGNIFICANT CHANGE OF THE SUM OF SQUARES.");
      } else {
        writef(u, " CONVERGENCE.  CRITERION FOR THE INNER ITERATIONS SATISFIED.");
      }
      break;
    case -2:
    case -3:
      writef(u, " CONVERGENCE.  CRITERION FOR THE INNER ITERATIONS SATISFIED.");
      break;
    case 2:
      writef(u,
             " SUM OF SQUARES AT THE STARTING POINT GREATER THAN 1E20.  CHECK EQUATIONS OR "
             "CHOOSE BETTER STARTING VALUES.");
      break;
    case 3:
      writef(u, " ERROR CHECK : PROBABLY THE PARTIAL DERIVATIVES ARE NOT CORRECT.");
      break;
    case 4:
      if (run.limit > 0) {
        writef(u, " NO CONVERGENCE AFTER THE MAXIMUM NUMBER OF ITERATIONS.");
      } else if (run.limit == 0) {
        writef(u, " NO ITERATIONS PERFORMED DUE TO ZERO MAXIMUM NUMBER.");
      } else {
        writef(u, " NO ITERATIONS PERFORMED DUE TO NEGATIVE MAXIMUM NUMBER.");
      }
      break;
    case 5:
      writef(u,
             " NO NEW POINT WITH A LOWER SUM OF SQUARES COULD BE COMPUTED.  CHECK THE PARTIAL "
             "DERIVATIVES.");
      break;
    default:
      break;
  }
  blank(u, 1);
}

void reportIterationLine(const LeastSquaresRun& run, std::int32_t onBounds, double mu,
                         std::int32_t sing, std::int32_t evaluations) {
  if (run.flags.silent) return;
  const std::int32_t u = run.unit;
  const std::size_t n = static_cast<std::size_t>(run.n);
  if (run.flags.table) {
    writef(u, "%4d%7d%7d %12.5G %12.5G %12.5G%5d%5d", run.iterations, evaluations, 0, run.s,
           run.x[0], n > 1 ? run.x[1] : 0.0, onBounds, sing);
    for (std::size_t i = 2; i < n; i += 2) {
      writef(u, "%34s %12.5G %12.5G", "", run.x[i], i + 1 < n ? run.x[i + 1] : 0.0);
    }
    return;
  }
  if (!run.flags.lines) return;
  if (run.iterations == 0) {
    blank(u, 2);
    writef(u, "%46s%s", "", "ACTIVE");
    writef(u,
           "  NO   ITERATION POINT%24sBOUNDARIES   SUM OF SQUARES    MU         SING"
           "     EVAL OF SSQ",
           "");
  }
  blank(u, 2);
  writef(u, "%4d %14.6E %14.6E %14.6E%6d %16.8E %10.3E%6d%8d", run.iterations, run.x[0],
         n > 1 ? run.x[1] : 0.0, n > 2 ? run.x[2] : 0.0, onBounds, run.s, mu, sing, evaluations);
  for (std::size_t i = 3; i < n; i += 3) {
    writef(u, "     %14.6E %14.6E %14.6E", run.x[i], i + 1 < n ? run.x[i + 1] : 0.0,
           i + 2 < n ? run.x[i + 2] : 0.0);
  }
}

void reportInnerLine(const LeastSquaresRun& run, bool first, std::int32_t count, double mu,
                     double alpha, double ds, double theta) {
  if (run.flags.silent || !run.flags.inner) return;
  if (first) {
    writef(run.unit, " MARQUARDT'S MODIFICATION");
    writef(run.unit, "  NR.          MU        GAMMA     F(X+H)-F(X)      THETA(H)");
    writef(run.unit, " %s",
           "--------------------------------------------------------------------------------");
  }
  writef(run.unit, "%5d %12.4E %12.4E %15.6E %15.6E", count, mu, alpha, ds, theta);
}

void reportFinal(const LeastSquaresRun& run) {
  if (run.flags.silent || !run.flags.final || run.code == 3) return;
  const std::int32_t u = run.unit;
  const std::size_t m = static_cast<std::size_t>(run.m), n = static_cast<std::size_t>(run.n);
  const auto note = [&](std::size_t i) -> const char* {
    if (run.constant[i] != 0) return "  (VAR. KEPT CONSTANT)";
    if (run.state[i] == 1) return "  (VAR. ON LOWER BOUND)";
    if (run.state[i] == -1) return "  (VAR. ON UPPER BOUND)";
    return "";
  };
  blank(u, 2);
  if (run.limit >= 0) {
    writef(u, " FINAL ITERATION POINT :");
    blank(u, 1);
    writef(u, "   NO      VARIABLE            STEP              GRADIENT          EQUATION");
    for (std::size_t i = 0; i < std::max(m, n); ++i) {
      if (i < n && i < m) {
        if (run.constant[i] != 0) {
          writef(u, "%5zu %16.8E %16s %16s %16.8E%s", i + 1, run.x[i], "--", "--", run.f[i],
                 note(i));
        } else {
          writef(u, "%5zu %16.8E %16.8E %16.8E %16.8E%s", i + 1, run.x[i], run.full[i], run.g[i],
                 run.f[i], note(i));
        }
      } else if (i < m) {
        writef(u, "%5zu %50s %16.8E", i + 1, "", run.f[i]);
      } else {
        writef(u, "%5zu %16.8E%s", i + 1, run.x[i], note(i));
      }
    }
  } else {
    writef(u, "   NO       VARIABLE        EQUATION");
    for (std::size_t i = 0; i < std::max(m, n); ++i) {
      writef(u, "%5zu %16.8E %16.8E%s", i + 1, i < n ? run.x[i] : 0.0, i < m ? run.f[i] : 0.0,
             i < n ? note(i) : "");
    }
  }
  blank(u, 1);
  writef(u, " SUM OF SQUARES AT THE FINAL POINT : %16.8E", run.s);
  if (run.flags.matrix && run.limit >= 0) {
    blank(u, 1);
    writef(u, " MATRIX OF PARTIAL DERIVATIVES AT THE FINAL ITERATION POINT :");
    for (std::size_t j = 0; j < m; ++j) {
      char line[400];
      int at = std::snprintf(line, sizeof line, "%4zu", j + 1);
      for (std::size_t i = 0; i < n && at < 380; ++i) {
        at += std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), " %12.4E",
                            run.jac[j + i * m]);
        if ((i + 1) % 10 == 0 && i + 1 < n) {
          writef(u, "%s", line);
          at = std::snprintf(line, sizeof line, "    ");
        }
      }
      writef(u, "%s", line);
    }
  }
}

void reportStartResiduals(const LeastSquaresRun& run) {
  if (run.flags.silent || !run.flags.final) return;
  writef(run.unit, " COMPUTED VALUES AT THE STARTING POINT :");
  writef(run.unit, "   NO     EQUATION");
  for (std::size_t j = 0; j < static_cast<std::size_t>(run.m); ++j) {
    writef(run.unit, "%5zu %16.8E", j + 1, run.f[j]);
  }
}

void reportUserStop(const LeastSquaresRun& run) {
  if (run.flags.silent) return;
  writef(run.unit, " IFLAG WAS SET BY THE USER'S SUBROUTINE FUNC IN THE POINT :");
  blank(run.unit, 3);
  writef(run.unit, "   NO       VARIABLE");
  for (std::size_t i = 0; i < static_cast<std::size_t>(run.n); ++i) {
    writef(run.unit, "%5zu %16.8E", i + 1, run.x[i]);
  }
}

}  // namespace nonln_internal

namespace {

using nonln_internal::LeastSquaresRun;
using nonln_internal::PrintFlags;

// Check 1: whether the print option is one of 0-2, 10-12, 20-22, 30-32, these plus 100, or
// any value of 0 or below.
bool validPrint(std::int32_t p) {
  if (p <= 0) return true;
  if (p >= 200) return false;
  if (p >= 100) p -= 100;
  if (p >= 40) return false;
  return p % 10 <= 2;
}

PrintFlags decode(std::int32_t p) {
  PrintFlags f;
  if (p <= 0) return f;
  f.silent = false;
  const std::int32_t h = p / 100, t = (p / 10) % 10, u = p % 10;
  f.summary = h == 1;
  f.lines = t == 1 || t == 2;
  f.inner = t == 2;
  f.table = t == 3;
  f.final = u >= 1;
  f.matrix = u == 2;
  return f;
}

void summary(std::int32_t unit, std::int32_t m, std::int32_t n, std::int32_t option,
             std::int32_t digits, std::int32_t limit, std::int32_t print, std::int32_t liwork,
             std::int32_t lrwork) {
  const auto line = [&](const char* label, std::int32_t v) {
    writef(unit, "%10s%s%8d", "", label, v);
  };
  line("NUMBER OF EQUATIONS  . . . . . . . .", m);
  line("NUMBER OF VARIABLES  . . . . . . . .", n);
  line("PARTIAL DERIVATIVES OPTION . . . . .", option);
  line("REQUIRED NUMBER OF ACCURATE DIGITS .", digits);
  line("MAXIMUM NUMBER OF ITERATIONS . . . .", limit);
  line("PRINT OPTION . . . . . . . . . . . .", print);
  line("OUTPUT DEVICE OR FILE NUMBER . . . .", unit);
  line("LENGTH OF INTEGER WORK SPACE ARRAY .", liwork);
  line("MINIMUM LENGTH FOR THIS CASE . . . .", integerWorkNeeded(n));
  line("LENGTH OF REAL WORK SPACE ARRAY  . .", lrwork);
  line("MINIMUM LENGTH FOR THIS CASE . . . .", realWorkNeeded(m, n));
  for (int i = 0; i < 5; ++i) writef(unit, " ");
}

void variables(std::int32_t unit, bool givenSteps, std::span<const double> xl,
               std::span<const double> x, std::span<const double> xu,
               std::span<const double> steps) {
  writef(unit, " VARIABLES :");
  writef(unit, " ");
  if (givenSteps) {
    writef(unit,
           "  NO      LOWER BOUND       STARTING VALUE      UPPER BOUND      STEP FOR "
           "NUM.DIF.");
  } else {
    writef(unit, "  NO      LOWER BOUND       STARTING VALUE      UPPER BOUND");
  }
  writef(unit, " ");
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (givenSteps) {
      writef(unit, "%4zu%19.9E%19.9E%19.9E%19.9E", i + 1, xl[i], x[i], xu[i], steps[i]);
    } else {
      writef(unit, "%4zu%19.9E%19.9E%19.9E", i + 1, xl[i], x[i], xu[i]);
    }
  }
  for (int i = 0; i < 4; ++i) writef(unit, " ");
}

}  // namespace

void NONLN(std::int32_t m, std::int32_t n, std::span<const double> xl, std::span<const double> xu,
           std::int32_t option, ResidualRoutine func, std::int32_t digits, std::int32_t print,
           std::int32_t unit, std::int32_t& limit, std::span<double> x, std::span<double> f,
           double& s, std::span<std::int32_t> iwork, std::int32_t liwork, std::span<double> rwork,
           std::int32_t lrwork, std::int32_t& code) {
  // The parameter checks, in order; the first failure ends the call with code 1.
  enum class Failed { None, Print, Equations, Variables, Option, IntegerWork, RealWork };
  Failed failed = Failed::None;
  const std::int32_t needI = n >= 1 ? integerWorkNeeded(n) : 0;
  const std::int32_t needR = n >= 1 && m >= 1 ? realWorkNeeded(m, n) : 0;
  if (!validPrint(print)) {
    failed = Failed::Print;
  } else if (m < 1) {
    failed = Failed::Equations;
  } else if (n < 1) {
    failed = Failed::Variables;
  } else if (option < 0 || option > 3) {
    failed = Failed::Option;
  } else if (liwork < needI || iwork.size() < static_cast<std::size_t>(needI)) {
    failed = Failed::IntegerWork;
  } else if (lrwork < needR || rwork.size() < static_cast<std::size_t>(needR) ||
             xl.size() < static_cast<std::size_t>(n) || xu.size() < static_cast<std::size_t>(n) ||
             x.size() < static_cast<std::size_t>(n) || f.size() < static_cast<std::size_t>(m)) {
    failed = Failed::RealWork;
  }

  const bool talk = print > 0;
  const PrintFlags flags = decode(validPrint(print) ? print : 0);
  if (talk && !flags.table) {
    writef(unit, " ");
    writef(unit, " ");
    writef(unit, "%10sSUBROUTINE  NONLN", "");
  }
  if (talk && failed != Failed::Print && flags.summary) {
    summary(unit, m, n, option, digits, limit, print, liwork, lrwork);
    if (failed == Failed::None || failed == Failed::IntegerWork || failed == Failed::RealWork) {
      variables(unit, option == 1, xl.first(static_cast<std::size_t>(n)),
                x.first(static_cast<std::size_t>(n)), xu.first(static_cast<std::size_t>(n)),
                rwork.first(std::min(rwork.size(), static_cast<std::size_t>(n))));
    }
  }
  if (failed != Failed::None) {
    code = static_cast<std::int32_t>(LeastSquaresCode::ParameterError);
    limit = 0;
    if (!talk) return;
    writef(unit, " ABNORMAL TERMINATION WITH CODE%4d  AFTER%4d  ITERATIONS.", 1, 0);
    switch (failed) {
      case Failed::Print:
        writef(unit, " ERROR IN PARAMETER LIST : PRINT OPTION EQUALS%6d", print);
        break;
      case Failed::Equations:
        writef(unit, " ERROR IN PARAMETER LIST : NUMBER OF EQUATIONS EQUALS%6d", m);
        break;
      case Failed::Variables:
        writef(unit, " ERROR IN PARAMETER LIST : NUMBER OF VARIABLES EQUALS%6d", n);
        break;
      case Failed::Option:
        writef(unit, " ERROR IN PARAMETER LIST : PARTIAL DERIVATIVES OPTION EQUALS%6d", option);
        break;
      case Failed::IntegerWork:
        writef(unit, " ERROR IN PARAMETER LIST : LENGTH OF INTEGER WORK SPACE ARRAY EQUALS%6d",
               liwork);
        writef(unit, "%27sREQUIRED MINIMUM LENGTH FOR THIS CASE IS %6d", "", needI);
        break;
      case Failed::RealWork:
        writef(unit, " ERROR IN PARAMETER LIST : LENGTH OF REAL WORK SPACE ARRAY EQUALS  %6d",
               lrwork);
        writef(unit, "%27sREQUIRED MINIMUM LENGTH FOR THIS CASE IS%6d", "", needR);
        break;
      case Failed::None:
        break;
    }
    writef(unit, " ");
    return;
  }

  // The partition of the work arrays.
  const std::size_t un = static_cast<std::size_t>(n), um = static_cast<std::size_t>(m);
  LeastSquaresRun run;
  run.m = m;
  run.n = n;
  run.xl = xl.first(un);
  run.xu = xu.first(un);
  run.option = static_cast<DerivativeOption>(option);
  run.func = func;
  run.digits = digits;
  run.print = print;
  run.unit = unit;
  run.limit = limit;
  run.x = x.first(un);
  run.f = f.first(um);
  run.flags = flags;
  std::size_t at = 0;
  const auto take = [&](std::size_t count) {
    const std::span<double> part = rwork.subspan(at, count);
    at += count;
    return part;
  };
  run.steps = take(un);
  run.xold = take(un);
  run.h = take(un);
  run.full = take(un);
  run.g = take(un);
  run.tlo = take(un);
  run.tup = take(un);
  run.d = take(un);
  run.saved = take(un);
  run.jac = take(um * un);
  run.aug = take((um + un) * un);
  run.tri = take(un * (un + 1) / 2);
  run.rhs = take(um + un);
  run.list = iwork.subspan(0, un);
  run.state = iwork.subspan(un, un);
  run.constant = iwork.subspan(2 * un, un);

  nonln_internal::NONLNI(run);
  limit = run.iterations;
  s = run.s;
  code = run.code;
}

}  // namespace multiphase
