// A scenario: what the simulated boards do instead of their documented
// default. Read from TOML when the driver loads (or by the load control);
// a scenario is either taken whole or refused whole.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board_catalogue.h"
#include "waveforms.h"

namespace tamrix::vxd {

enum class SignalKind { kBuiltin, kSine, kSquare, kTriangle, kSawtooth, kConstant, kReplay };

struct ChannelSignal {
  SignalKind kind = SignalKind::kBuiltin;
  double frequency_hz = 1;
  double amplitude = 1000;  // LSB, peak
  double offset = 2048;     // LSB
  double noise = 0;         // standard deviation, LSB
  double drift = 0;         // LSB per second of sampling
  // replay: the recorded values, played in a loop.
  std::shared_ptr<const std::vector<std::uint16_t>> recording;

  // The documented waveform, untouched: served from the run's table.
  bool Plain() const { return kind == SignalKind::kBuiltin && noise == 0 && drift == 0; }
};

using ChannelSignals = std::array<ChannelSignal, kChannelCount>;

// The requests a fault can count or answer, by the library function that
// sends each.
enum class RequestKind {
  kCreate,
  kClose,
  kGetVersion,
  kGetResource,
  kSetMode,
  kStartSampling,
  kStopSampling,
  kGetSamplingStatus,
  kGetData,
  kGetExIn,
};
inline constexpr std::size_t kRequestKinds = 10;

enum class FaultKind { kLose, kStall, kStatus, kFail, kUnplug, kReplug, kNotifications };

struct Fault {
  std::uint16_t slot = 0;
  FaultKind kind = FaultKind::kLose;
  // When: `at` seconds after StartSampling, or once `after` requests of
  // `counting` were made; neither: at once (the fault control).
  std::optional<double> at;
  std::optional<std::uint32_t> after;
  RequestKind counting = RequestKind::kGetData;
  std::uint64_t words = 0;                // lose
  double seconds = 0;                     // stall
  RequestKind request{};                  // status, fail
  std::uint32_t answer = 0;               // status: the status word; fail: the platform code
  std::uint32_t count = 1;                // status, fail: how many requests answer so
  std::uint32_t drop = 0;                 // notifications: how many are lost
  std::optional<std::uint32_t> delay_ms;  // notifications: how late each goes
};

enum class InputLine { kTrigger, kIn0, kIn1 };
inline constexpr std::size_t kInputLines = 3;

struct InputChange {
  std::uint16_t slot = 0;
  double at = 0;  // seconds after the driver loaded
  InputLine line = InputLine::kTrigger;
  bool on = false;
};

struct BoardSetup {
  BoardDescription description{};
  ChannelSignals channels{};
};

struct Scenario {
  std::uint64_t seed = 0;
  std::array<std::optional<BoardSetup>, kSlotCount> boards;  // empty: no board in the slot
  std::vector<Fault> faults;
  std::vector<InputChange> inputs;  // in time order per slot

  // The documented boards, signals and inputs.
  static Scenario Default();
  // True when nothing differs from Default().
  bool is_default = true;
};

// Why a scenario was refused: one line, "NAME:LINE: KEY: what is wrong".
struct ScenarioError {
  std::string line;
};

// `name` is what error lines call the text, and the folder of a replayed
// file named by a relative path is its folder. Throws ScenarioError.
Scenario ParseScenario(std::string_view text, const std::string &name);

// The keys of one [[fault]] table, for a fault to fire at once (no `at` or
// `after`). Throws ScenarioError.
Fault ParseFault(std::string_view text, const std::string &name, const Scenario &scenario);

}  // namespace tamrix::vxd
