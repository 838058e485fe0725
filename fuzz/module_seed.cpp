// Built into the seeds of the module image fuzzer: a small shared object
// with imports, exports, versions and relocations of its own.
#include <cstring>

extern "C" const char *const tiny_names[] = {"first", "second"};

extern "C" unsigned long tiny_length(int i) { return std::strlen(tiny_names[i & 1]); }
