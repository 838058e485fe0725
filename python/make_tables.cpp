// Writes the Python package's tables from the C headers themselves: the
// status codes with their names and meanings, the notification names, the
// sampling status bits, and the records' layout and the device name, so that
// the package never keeps a copy of its own.
// Usage: make_tables OUTPUT.py
#include <cstddef>
#include <cstdio>
#include <string>

#include "tamrix.h"
#include "tamrix_protocol.h"
#include "tamrix_sim_status.h"

namespace {

std::string Quoted(const char *text) {
  std::string quoted = "\"";
  for (const char *c = text; *c != '\0'; ++c) {
    if (*c == '"' || *c == '\\') quoted += '\\';
    quoted += *c;
  }
  return quoted + "\"";
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tables OUTPUT.py\n");
    return 2;
  }
  std::FILE *out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "# Generated from the C headers when the package is built; do not edit.\n\n");

  std::fprintf(out, "# code: (name, meaning)\nSTATUS = {\n");
#define TAMRIX_PY_STATUS(code, name, meaning) \
  std::fprintf(out, "    %d: (%s, %s),\n", code, Quoted(#name).c_str(), Quoted(meaning).c_str());
  TAMRIX_STATUS_TABLE(TAMRIX_PY_STATUS)
#undef TAMRIX_PY_STATUS
  std::fprintf(out, "}\n\n");

  std::fprintf(out, "MESSAGES = {\n");
#define TAMRIX_PY_MESSAGE(message, name) \
  std::fprintf(out, "    0x%04X: %s,\n", message, Quoted(name).c_str());
  TAMRIX_NOTIFICATION_TABLE(TAMRIX_PY_MESSAGE)
#undef TAMRIX_PY_MESSAGE
  std::fprintf(out, "}\n\n");

  std::fprintf(out, "# The sampling status bits: field: bit.\nSTATUS_FLAGS = {\n");
#define TAMRIX_PY_FLAG(bit, field, words) std::fprintf(out, "    \"%s\": 0x%X,\n", #field, bit);
  TAMRIX_SIM_STATUS_FLAGS(TAMRIX_PY_FLAG)
#undef TAMRIX_PY_FLAG
  std::fprintf(out, "}\nSTATUS_MODE_MASK = 0x%X\nSTATUS_MODE_SHIFT = %u\n\n", TAMRIX_SIM_MODE_MASK,
               TAMRIX_SIM_MODE_SHIFT);

  std::fprintf(out, "SLOT_COUNT = %d\nANY_SLOT = 0x%X\n\n", TAMRIX_SLOT_COUNT, TAMRIX_ANY_SLOT);
  std::fprintf(out, "# The device the library opens when it is loaded.\nDEVICE_NAME = %s\n\n",
               Quoted(TAMRIX_DEVICE_NAME).c_str());

  std::fprintf(out, "MODE_RECORD_SIZE = %zu\nRECORD_SIZE = %zu\nRECORD_OFFSETS = {\n",
               sizeof(ModeRecord), sizeof(TAMRIXR));
#define TAMRIX_PY_OFFSET(field) \
  std::fprintf(out, "    \"%s\": %zu,\n", #field, offsetof(TAMRIXR, field));
  TAMRIX_PY_OFFSET(NumMemWindows)
  TAMRIX_PY_OFFSET(MemBase)
  TAMRIX_PY_OFFSET(MemLength)
  TAMRIX_PY_OFFSET(MemAttrib)
  TAMRIX_PY_OFFSET(NumIOPorts)
  TAMRIX_PY_OFFSET(IOPortBase)
  TAMRIX_PY_OFFSET(IOPortLength)
  TAMRIX_PY_OFFSET(NumIRQs)
  TAMRIX_PY_OFFSET(IRQRegisters)
  TAMRIX_PY_OFFSET(IRQAttrib)
  TAMRIX_PY_OFFSET(NumDMAs)
  TAMRIX_PY_OFFSET(DMALst)
  TAMRIX_PY_OFFSET(DMAAttrib)
  TAMRIX_PY_OFFSET(Reserved)
#undef TAMRIX_PY_OFFSET
  std::fprintf(out, "}\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
