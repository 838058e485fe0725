// The scenario the driver starts with: the file named by the environment
// variable TAMRIX_SIM_SCENARIO, read when the driver loads.
#pragma once

#include <memory>

#include "scenario.h"

namespace tamrix::vxd {

inline constexpr const char *kScenarioVariable = "TAMRIX_SIM_SCENARIO";

// Null without the variable (the documented boards). A file that cannot be
// read or is refused throws ScenarioError.
std::shared_ptr<const Scenario> StartingScenario();

}  // namespace tamrix::vxd
