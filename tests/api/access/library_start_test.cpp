// The library's start on the static archives, without the shared library: after it, every
// slot linked into the program is filled, as in the library a host loads. The program's main
// installs nothing itself (its layer is "none"), so that the start alone is tested.
#include "library_start.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "services/slots.hpp"

namespace {

std::set<std::string, std::less<>> slotNames(bool filledOnly) {
  std::set<std::string, std::less<>> names;
  for (const services::SlotEntry* s = services::SlotEntry::first(); s != nullptr; s = s->next()) {
    if (!filledOnly || s->filled()) names.emplace(s->name());
  }
  return names;
}

TEST(LibraryStart, FillsEverySlotOnce) {
  const auto before = slotNames(false);
  EXPECT_TRUE(slotNames(true).empty()) << "nothing is filled before the start";
  vendrakol::startLibrary();
  EXPECT_EQ(slotNames(true), before) << "every slot is filled after the start";
  // The list does hold the slots of every layer that declares some (a list that lost its
  // entries would pass the comparison above).
  for (std::string_view name :
       {"services::DisplayHook", "problem::MethodSetReleased", "methods::UserKValueSetUp",
        "methods::MethodSetLoaded", "equilibrium::UserKValues", "equilibrium::LiquidSplit",
        "phase::StoreLoad", "phase::StoreComponentValues", "phase::StoreForget",
        "phase::KinematicViscosityBlend", "phase::WaterProperty", "flash::SpecificationValue"}) {
    EXPECT_TRUE(before.contains(name)) << name;
  }
  // A second start changes nothing: a test's scoped replacement is not undone by it.
  const services::DisplayHook held = services::fillDisplayHook(nullptr);
  vendrakol::startLibrary();
  EXPECT_FALSE(slotNames(true).contains("services::DisplayHook"));
  services::fillDisplayHook(held);
}

}  // namespace
