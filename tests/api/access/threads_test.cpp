// The exported calls from several host threads at once. The library is single-threaded
// inside; its exports take one lock, so a host that calls from many threads gets each call
// whole, with the answer it would get alone. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "support/test_support.hpp"
#include "vendrakol.h"

namespace {

constexpr std::int32_t kStreams = 12;
constexpr std::int32_t kUnits = 4;
constexpr std::int32_t kComponents = 6;

// Eight threads, each making a thousand calls that open, count, read and close the same
// problem in an order that interleaves with the others'. Every answer must be one of the two a
// single thread can get: the counts of the open problem, or "no problem open".
TEST(Exports, CallsFromEightThreadsEachGetAWholeAnswer) {
  testing_support::TempDir dir;
  fixtures::buildProblem(dir.path(), fixtures::gasPlant(kStreams, kUnits));
  const std::string name = (dir.path() / "plant").string();
  const std::string dir2 = dir.path().string() + "/";

  constexpr int kThreads = 8;
  constexpr int kCalls = 1000;
  std::array<int, kThreads> wrong{};
  std::array<int, kThreads> answeredOpen{};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kCalls; ++k) {
        const int step = (k + 7 * t) % 40;
        if (step == 0) {
          std::int32_t iout = 0;
          std::int32_t ierr = -1;
          PAOPEN(name.data(), static_cast<std::int32_t>(name.size()), dir2.data(),
                 static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
          if (ierr != 0 || iout <= 0) ++wrong[t];
        } else if (step == 20) {
          PACLOS();
        } else if (step % 5 == 1) {
          // The molecular weights in the problem's own units: 6 values once the tables are
          // built, none when the problem is open but not yet counted, or "not open".
          std::array<float, kComponents> weights{};
          std::int32_t count = kComponents, set = 1, unitClass = -1, ierr = -1;
          PADATR("COMPS", 5, "MolWeight", 9, "", 0, weights.data(), &count, &set, &unitClass,
                 &ierr);
          const bool counted = ierr == 0 && count == kComponents && weights[1] > 16.0F &&
                               weights[1] < 16.1F;  // methane, 16.043 g/mol
          const bool uncounted = ierr == 0 && count == 0;
          if (!counted && !uncounted && ierr != 1) ++wrong[t];
        } else if (step % 2 == 0) {
          std::int32_t ncomp = -1, nstrm = -1, nunit = -1, ierr = -1;
          PAMISC(&ncomp, &nstrm, &nunit, &ierr);
          const bool open =
              ierr == 0 && ncomp == kComponents && nstrm == kStreams && nunit == kUnits;
          const bool closed = ierr == 1 && ncomp == 0 && nstrm == 0 && nunit == 0;
          if (open) ++answeredOpen[t];
          if (!open && !closed) ++wrong[t];
        } else {
          std::int32_t solved = -1, nstrm = -1, ncomp = -1, nunit = -1;
          DBMISC(&solved, &nstrm, &ncomp, &nunit);
          const bool open =
              solved == 1 && nstrm == kStreams && ncomp == kComponents && nunit == kUnits;
          const bool closed = solved == 0 && nstrm == 0 && ncomp == 0 && nunit == 0;
          if (!open && !closed) ++wrong[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  PACLOS();

  int answeredOpenAll = 0;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(wrong[t], 0) << "thread " << t;
    answeredOpenAll += answeredOpen[t];
  }
  // The calls did meet an open problem, so the counts were really read under contention.
  EXPECT_GT(answeredOpenAll, 0);
}

// The flash call's answer for one composition of the natural gas at 233.15 K and 5 MPa.
struct FlashAnswer {
  std::int32_t status = -1;
  double fracv = 0.0;
  std::array<double, 10> compv{};
};

FlashAnswer flashFeed() {
  constexpr std::int32_t kGasComponents = 10;
  FlashAnswer a;
  std::array<double, kGasComponents> z{0.010, 0.020, 0.005, 0.800, 0.080,
                                       0.040, 0.020, 0.010, 0.005, 0.010};
  std::array<double, kGasComponents> compl_{}, compw{};
  const std::int32_t idebug = 0, iftype = 1, ncomp = kGasComponents, iesti = 0, maxit = 20;
  const double tempin = 233.15, presin = 5000.0 * 1000.0, vfrac = 0.0, enthin = 0.0,
               entrin = 0.0, hmin = 0.0, hmax = 0.0, tol = 1e-4;
  double tempot = 0, presot = 0, enthv = 0, enthl = 0, enthw = 0, entrv = 0, entrl = 0,
         entrw = 0, fracl = 0, fracw = 0;
  VFLASH(&idebug, "FEED", 4, &tempin, &presin, &vfrac, &enthin, &entrin, z.data(), &iftype,
         &ncomp, &iesti, &hmin, &hmax, &maxit, &tol, &tempot, &presot, &enthv, &enthl, &enthw,
         &entrv, &entrl, &entrw, &a.fracv, &fracl, &fracw, a.compv.data(), compl_.data(),
         compw.data(), &a.status);
  return a;
}

// The same with flashes among the calls: each flash meets either no problem (-2) or the open
// one, and then gives exactly the split a lone caller gets.
TEST(Exports, FlashesFromEightThreadsGiveTheLoneCallersSplit) {
  testing_support::TempDir dir;
  fixtures::buildProblem(dir.path(), fixtures::naturalGasPlant());
  const std::string name = (dir.path() / "gasplant").string();
  const std::string dir2 = dir.path().string() + "/";
  const auto open = [&] {
    std::int32_t iout = 0, ierr = -1;
    PAOPEN(name.data(), static_cast<std::int32_t>(name.size()), dir2.data(),
           static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
    return ierr;
  };
  ASSERT_EQ(open(), 0);
  const FlashAnswer alone = flashFeed();
  PACLOS();
  ASSERT_EQ(alone.status, 0);
  ASSERT_GT(alone.fracv, 0.0);
  ASSERT_LT(alone.fracv, 1.0);

  constexpr int kThreads = 8;
  constexpr int kCalls = 1000;
  std::array<int, kThreads> wrong{};
  std::array<int, kThreads> flashed{};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kCalls; ++k) {
        const int step = (k + 11 * t) % 50;
        if (step == 0) {
          if (open() != 0) ++wrong[t];
        } else if (step == 25) {
          PACLOS();
        } else if (step % 4 == 1) {
          const FlashAnswer a = flashFeed();
          if (a.status == 0) {
            ++flashed[t];
            if (a.fracv != alone.fracv || a.compv != alone.compv) ++wrong[t];
          } else if (a.status != -2) {
            ++wrong[t];
          }
        } else {
          std::int32_t ncomp = -1, nstrm = -1, nunit = -1, ierr = -1;
          PAMISC(&ncomp, &nstrm, &nunit, &ierr);
          if (ierr == 0 ? ncomp != 10 : ierr != 1) ++wrong[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  PACLOS();

  int flashedAll = 0;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(wrong[t], 0) << "thread " << t;
    flashedAll += flashed[t];
  }
  EXPECT_GT(flashedAll, 0);
}

}  // namespace
