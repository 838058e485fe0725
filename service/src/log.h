#pragma once

#include <cstdio>
#include <string>

namespace tamrix::service {

// One line on standard error, which the journal keeps under systemd.
inline void Log(const std::string &line) { std::fprintf(stderr, "tamrixd: %s\n", line.c_str()); }

}  // namespace tamrix::service
