#pragma once

#include <string>

namespace tmx::platform {

// The folder that holds this platform library; driver modules live there.
std::string PlatformModuleDirectory();

// The folder of the running program file.
std::string ProgramDirectory();

}  // namespace tmx::platform
