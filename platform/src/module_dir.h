#pragma once

#include <string>

namespace tmx::platform {

// The folder of the program or module file that holds `address`, links
// resolved; "." when no loaded file holds it.
std::string DirectoryOfFileHolding(const void *address);

// The folder that holds this platform library: the loader's system folder.
std::string PlatformModuleDirectory();

// The folder of the platform's private modules (driver modules, the help
// viewer): "tamrix" beside this platform library when there is one, as in an
// installed tree, else the platform library's own folder, as in a build tree.
std::string PrivateModuleDirectory();

// The folder of the running program file.
std::string ProgramDirectory();

}  // namespace tmx::platform
