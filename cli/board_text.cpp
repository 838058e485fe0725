#include "board_text.h"

#include <algorithm>
#include <cstdio>

#include "sampling_plan.h"
#include "tamrix_sim_status.h"

namespace tamrix_cli {
namespace {

template <typename Count, std::size_t N, typename Entry>
unsigned Valid(Count count, const Entry (&)[N]) {
  return std::min<unsigned>(count, N);
}

std::string Line(const std::string &name, const std::string &value) {
  std::string line = name;
  line.resize(std::max<std::size_t>(line.size() + 1, 20), ' ');
  return line + value;
}

std::string Indexed(const char *name, unsigned i) {
  return std::string(name) + "[" + std::to_string(i) + "]";
}

std::string WithWords(std::uint32_t value, std::initializer_list<const char *> bit_words) {
  std::string text = Hex(value);
  std::string words;
  unsigned bit = 0;
  for (const char *word : bit_words) {
    if (value & (1u << bit)) words += std::string(words.empty() ? "" : ", ") + word;
    ++bit;
  }
  return words.empty() ? text : text + " (" + words + ")";
}

std::string Revision(const TAMRIXR &record) { return std::to_string(record.Reserved[0]); }

}  // namespace

std::string Firmware(const TAMRIXR &record) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02u", record.Reserved[1], record.Reserved[2]);
  return text;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%XH", static_cast<unsigned>(value));
  return text;
}

std::string DriverVersionText(std::uint32_t version) {
  return std::to_string(version >> 24) + "." + std::to_string((version >> 16) & 0xFF) + " build " +
         std::to_string(version & 0xFFFF);
}

std::string BoardLine(std::uint16_t slot, std::uint32_t driver_version, const TAMRIXR &record) {
  std::string ports;
  for (unsigned i = 0; i < Valid(record.NumIOPorts, record.IOPortBase); ++i) {
    ports += (ports.empty() ? "" : ",") + Hex(record.IOPortBase[i]) + "(" +
             Hex(record.IOPortLength[i]) + ")";
  }
  std::string irqs;
  for (unsigned i = 0; i < Valid(record.NumIRQs, record.IRQRegisters); ++i) {
    irqs += (irqs.empty() ? "" : ",") + std::to_string(record.IRQRegisters[i]);
  }
  std::string dmas;
  for (unsigned i = 0; i < Valid(record.NumDMAs, record.DMALst); ++i) {
    dmas += (dmas.empty() ? "" : ",") + std::to_string(record.DMALst[i]);
  }
  return "slot " + std::to_string(slot) + "  driver " + DriverVersionText(driver_version) +
         "  revision " + Revision(record) + "  firmware " + Firmware(record) + "  I/O " +
         (ports.empty() ? "none" : ports) + "  IRQ " + (irqs.empty() ? "none" : irqs) + "  DMA " +
         (dmas.empty() ? "none" : dmas);
}

std::string HeldBoardLine(std::uint16_t slot, const std::string &user, std::uint32_t pid,
                          const std::string &host) {
  return "slot " + std::to_string(slot) + "  in use by " + user + " (pid " + std::to_string(pid) +
         " on " + host + ")";
}

std::vector<std::string> RecordLines(const TAMRIXR &record) {
  std::vector<std::string> lines;
  lines.push_back(Line("NumMemWindows", std::to_string(record.NumMemWindows)));
  for (unsigned i = 0; i < Valid(record.NumMemWindows, record.MemBase); ++i) {
    lines.push_back(Line(Indexed("MemBase", i), Hex(record.MemBase[i])));
    lines.push_back(Line(Indexed("MemLength", i), Hex(record.MemLength[i])));
    lines.push_back(Line(Indexed("MemAttrib", i), WithWords(record.MemAttrib[i], {"writable"})));
  }
  lines.push_back(Line("NumIOPorts", std::to_string(record.NumIOPorts)));
  for (unsigned i = 0; i < Valid(record.NumIOPorts, record.IOPortBase); ++i) {
    lines.push_back(Line(Indexed("IOPortBase", i), Hex(record.IOPortBase[i])));
    lines.push_back(Line(Indexed("IOPortLength", i), Hex(record.IOPortLength[i])));
  }
  lines.push_back(Line("NumIRQs", std::to_string(record.NumIRQs)));
  for (unsigned i = 0; i < Valid(record.NumIRQs, record.IRQRegisters); ++i) {
    lines.push_back(Line(Indexed("IRQRegisters", i), std::to_string(record.IRQRegisters[i])));
    lines.push_back(Line(Indexed("IRQAttrib", i),
                         WithWords(record.IRQAttrib[i], {"shareable", "level-triggered"})));
  }
  lines.push_back(Line("NumDMAs", std::to_string(record.NumDMAs)));
  for (unsigned i = 0; i < Valid(record.NumDMAs, record.DMALst); ++i) {
    lines.push_back(Line(Indexed("DMALst", i), std::to_string(record.DMALst[i])));
    lines.push_back(Line(Indexed("DMAAttrib", i), WithWords(record.DMAAttrib[i], {"16-bit"})));
  }
  char reserved[32];
  std::snprintf(reserved, sizeof reserved, "%02X %02X %02X", record.Reserved[0], record.Reserved[1],
                record.Reserved[2]);
  lines.push_back(Line("Reserved", std::string(reserved) + " (revision " + Revision(record) +
                                       ", firmware " + Firmware(record) + ")"));
  return lines;
}

std::string StatusWords(std::uint32_t bits) {
  struct Flag {
    std::uint32_t bit;
    const char *words;
  };
#define TAMRIX_CLI_FLAG(bit, field, words) {bit, words},
  static constexpr Flag kFlags[] = {TAMRIX_SIM_STATUS_FLAGS(TAMRIX_CLI_FLAG)};
#undef TAMRIX_CLI_FLAG
  std::string words = (bits & TAMRIX_SIM_SAMPLING) ? "sampling" : "not sampling";
  for (const auto &[bit, word] : kFlags) {
    if (bit != TAMRIX_SIM_SAMPLING && (bits & bit)) words += std::string(", ") + word;
  }
  const std::uint32_t mode = (bits & TAMRIX_SIM_MODE_MASK) >> TAMRIX_SIM_MODE_SHIFT;
  return words + (mode == 0 ? ", no mode" : ", mode " + std::to_string(mode));
}

std::vector<std::string> InputLines(const ExternalInputs &inputs) {
  const auto state = [](bool on) { return on ? "on" : "off"; };
  return {Line("ExIn0", state(inputs.ex_in0)), Line("ExIn1", state(inputs.ex_in1)),
          Line("ExTrg", state(inputs.ex_trg))};
}

}  // namespace tamrix_cli
