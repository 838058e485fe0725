#include "scenario_source.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace tamrix::vxd {

std::shared_ptr<const Scenario> StartingScenario() {
  const char *name = std::getenv(kScenarioVariable);
  if (name == nullptr || *name == '\0') return nullptr;
  std::ifstream file(name, std::ios::binary);
  if (!file) {
    throw ScenarioError{std::string(name) + ": cannot read the scenario: " + std::strerror(errno)};
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return std::make_shared<const Scenario>(ParseScenario(text, name));
}

}  // namespace tamrix::vxd
