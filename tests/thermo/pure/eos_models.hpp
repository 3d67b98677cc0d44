// Mixing-rule models of the equation-of-state tests: each one builds the twelve outputs of a
// rule for a ternary of methane, propane and n-pentane at any temperature and composition.
#pragma once

#include <string>
#include <vector>

#include "eos_support.hpp"

namespace eos_test {

struct NamedModel {
  std::string name;
  Model model;
};

// The mixing rules with pair parameters that depend on temperature, for a family and a list
// of components (pair parameters are made up for the test, not fitted).
std::vector<NamedModel> mixingRules(const Family& family, const std::vector<Component>& comps);

// The classical rule with a covolume b_i (1 + beta (T - 300) + gamma (T - 300)^2), so that
// the covolume terms of the derivatives are exercised.
Model temperatureDependentCovolume(const Family& family, const std::vector<Component>& comps);

// The excess-Gibbs-energy rule over NRTL (form 3) and over the group-contribution model of
// the given variant (1-3), for the ternary methane, propane, n-pentane.
Model nrtlRule(const Family& family, const std::vector<Component>& comps);
Model groupRule(const Family& family, const std::vector<Component>& comps, std::int32_t variant);

// The group model's parameter and descriptor arrays for methane (CH4), propane (2 CH3,
// 1 CH2) and n-pentane (2 CH3, 3 CH2), with made-up interaction parameters.
struct GroupData {
  std::vector<double> param;
  std::vector<std::int32_t> descriptor;
};
GroupData hydrocarbonGroups(std::int32_t variant);

// The NRTL blocks (form 3) of a made-up ternary.
std::vector<double> ternaryNrtl();

}  // namespace eos_test
