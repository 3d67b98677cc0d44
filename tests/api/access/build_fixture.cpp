// Writes a fixture problem for the host tests that load the shared library:
//   build_fixture DIRECTORY [KIND]
// KIND "gas" (default) a small solved gas problem; "unsolved" the same, not solved;
// "foreign" one whose header names another product; "units" the data-request problem with
// its unit types (fixtures::unitsProblem); "naturalgas" the natural-gas plant of the flash
// calls (fixtures::naturalGasPlant) under the name "plant"; "equipment" the problem of the
// equipment readers (fixtures::equipmentProblem); "reactors" the reactors of every type
// (fixtures::reactorsProblem); "columns" the columns of the column readers, their tray data
// evaluated (column_problem::readersProblem).
#include <cstdio>
#include <filesystem>
#include <string>

#include "fixtures/column_problem.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/reactor_units.hpp"
#include "fixtures/unit_blocks.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: build_fixture DIRECTORY "
                 "[gas|unsolved|foreign|units|naturalgas|equipment|reactors|columns]\n");
    return 2;
  }
  const std::string kind = argc > 2 ? argv[2] : "gas";
  if (kind == "naturalgas") {
    fixtures::ProblemDescription d = fixtures::naturalGasPlant();
    d.name = "plant";
    fixtures::buildProblem(argv[1], d);
    return 0;
  }
  if (kind == "equipment") {
    fixtures::buildProblem(argv[1], fixtures::equipmentProblem("plant"));
    return 0;
  }
  if (kind == "reactors") {
    fixtures::buildProblem(argv[1], fixtures::reactorsProblem("plant"));
    return 0;
  }
  if (kind == "columns") {
    fixtures::buildProblem(argv[1], column_problem::readersProblem("plant", 0));
    return 0;
  }
  if (kind == "units") {
    fixtures::buildProblem(argv[1], fixtures::unitsProblem("plant"));
    return 0;
  }
  fixtures::ProblemDescription d;
  d.name = "plant";
  for (const char* name : {"NITROGEN", "METHANE", "ETHANE", "PROPANE", "N-BUTANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
  if (kind == "unsolved") d.cases.front().solved = 0;
  if (kind == "foreign") d.product = "OTHER";
  fixtures::buildProblem(argv[1], d);
  return 0;
}
