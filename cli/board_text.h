// How the tool writes a board's numbers: addresses in upper-case hexadecimal
// with the suffix H, as the check program and the boards' papers do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board_session.h"
#include "tamrix.h"

namespace tamrix_cli {

// 0x3E0 gives "3E0H", 0 gives "0H".
std::string Hex(std::uint32_t value);

// 0x01020010 gives "1.2 build 16".
std::string DriverVersionText(std::uint32_t version);

// The firmware version from the record's reserved bytes: "2.10".
std::string Firmware(const TAMRIXR &record);

// The list line: slot, driver version, revision and firmware, I/O ports,
// IRQ, DMA.
std::string BoardLine(std::uint16_t slot, std::uint32_t driver_version, const TAMRIXR &record);

// The list line of a board another program holds: "slot 0  in use by USER
// (pid N on HOST)".
std::string HeldBoardLine(std::uint16_t slot, const std::string &user, std::uint32_t pid,
                          const std::string &host);

// Every field of the record, one "name value" line each; array entries up to
// their count (never past the array).
std::vector<std::string> RecordLines(const TAMRIXR &record);

// The sampling status bits in words: "sampling, buffer full, mode 3".
std::string StatusWords(std::uint32_t bits);

std::vector<std::string> InputLines(const ExternalInputs &inputs);

}  // namespace tamrix_cli
