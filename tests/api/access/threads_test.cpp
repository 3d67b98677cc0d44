// The exported calls from several host threads at once. The library is single-threaded
// inside; its exports take one lock, so a host that calls from many threads gets each call
// whole, with the answer it would get alone. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <array>
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

}  // namespace
