#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "replay_file.h"

// The parser is compiled into this file only, so the module links no
// library for it and exports none of its names.
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

namespace tamrix::vxd {
namespace {

const std::map<std::string_view, SignalKind> kSignals{
    {"builtin", SignalKind::kBuiltin},   {"sine", SignalKind::kSine},
    {"square", SignalKind::kSquare},     {"triangle", SignalKind::kTriangle},
    {"sawtooth", SignalKind::kSawtooth}, {"constant", SignalKind::kConstant},
    {"replay", SignalKind::kReplay}};

const std::map<std::string_view, RequestKind> kRequests{
    {"Create", RequestKind::kCreate},
    {"Close", RequestKind::kClose},
    {"GetVersion", RequestKind::kGetVersion},
    {"GetResource", RequestKind::kGetResource},
    {"SetMode", RequestKind::kSetMode},
    {"StartSampling", RequestKind::kStartSampling},
    {"StopSampling", RequestKind::kStopSampling},
    {"GetSamplingStatus", RequestKind::kGetSamplingStatus},
    {"GetData", RequestKind::kGetData},
    {"GetExIn", RequestKind::kGetExIn}};

const std::map<std::string_view, FaultKind> kFaults{{"lose", FaultKind::kLose},
                                                    {"stall", FaultKind::kStall},
                                                    {"status", FaultKind::kStatus},
                                                    {"fail", FaultKind::kFail},
                                                    {"unplug", FaultKind::kUnplug},
                                                    {"replug", FaultKind::kReplug},
                                                    {"notifications", FaultKind::kNotifications}};

const std::map<std::string_view, InputLine> kInputs{
    {"extrg", InputLine::kTrigger}, {"exin0", InputLine::kIn0}, {"exin1", InputLine::kIn1}};

std::string Folder(const std::string &name) {
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? std::string(".") : name.substr(0, slash);
}

// Reads one table of the scenario: each key once, each checked, and any key
// left unread named as unknown.
class Reader {
 public:
  Reader(const std::string &name, const toml::table &table, std::string path)
      : name_(name), table_(table), path_(std::move(path)) {}

  [[noreturn]] void Fail(const toml::source_region &where, const std::string &key,
                         const std::string &what) const {
    throw ScenarioError{name_ + ":" + std::to_string(where.begin.line) + ": " + key + ": " + what};
  }
  [[noreturn]] void Fail(std::string_view key, const std::string &what) const {
    const toml::node *node = table_.get(key);
    Fail(node != nullptr ? node->source() : table_.source(), Key(key), what);
  }
  std::string Key(std::string_view key) const {
    return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  }

  const toml::node *Get(std::string_view key) {
    seen_.insert(std::string(key));
    return table_.get(key);
  }
  bool Has(std::string_view key) const { return table_.contains(key); }

  std::optional<std::int64_t> Integer(std::string_view key, std::int64_t low, std::int64_t high) {
    const toml::node *node = Get(key);
    if (node == nullptr) return std::nullopt;
    const auto value = node->value_exact<std::int64_t>();
    if (!value) Fail(key, "wants an integer");
    if (*value < low || *value > high) {
      Fail(key, std::to_string(*value) + " is outside " + std::to_string(low) + ".." +
                    std::to_string(high));
    }
    return value;
  }

  std::optional<double> Number(std::string_view key, double low, double high) {
    const toml::node *node = Get(key);
    if (node == nullptr) return std::nullopt;
    std::optional<double> value;
    if (const auto *f = node->as_floating_point()) value = f->get();
    if (const auto *i = node->as_integer()) value = static_cast<double>(i->get());
    if (!value) Fail(key, "wants a number");
    if (!std::isfinite(*value) || *value < low || *value > high) {
      Fail(key, "is outside " + Text(low) + ".." + Text(high));
    }
    return value;
  }

  std::optional<bool> Boolean(std::string_view key) {
    const toml::node *node = Get(key);
    if (node == nullptr) return std::nullopt;
    const auto value = node->value_exact<bool>();
    if (!value) Fail(key, "wants true or false");
    return value;
  }

  std::optional<std::string> String(std::string_view key) {
    const toml::node *node = Get(key);
    if (node == nullptr) return std::nullopt;
    auto value = node->value_exact<std::string>();
    if (!value) Fail(key, "wants a string");
    return value;
  }

  template <typename T>
  std::optional<T> Choice(std::string_view key, const std::map<std::string_view, T> &choices) {
    const std::optional<std::string> word = String(key);
    if (!word) return std::nullopt;
    const auto it = choices.find(*word);
    if (it == choices.end()) {
      std::string known;
      for (const auto &[choice, _] : choices)
        known += (known.empty() ? "" : ", ") + std::string(choice);
      Fail(key, "'" + *word + "' is none of " + known);
    }
    return it->second;
  }

  template <typename T>
  T Required(std::optional<T> value, std::string_view key) const {
    if (!value) Fail(table_.source(), Key(key), "is missing");
    return *value;
  }

  // Every key of the table must have been read.
  void Finish() const {
    for (const auto &[key, node] : table_) {
      if (!seen_.contains(std::string(key.str()))) {
        Fail(key.source().begin.line != 0 ? key.source() : node.source(), Key(key.str()),
             "unknown key");
      }
    }
  }

  const toml::table &table() const { return table_; }
  const std::string &name() const { return name_; }

 private:
  static std::string Text(double value) {
    if (value == std::numeric_limits<double>::max()) return "any";
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
  }

  const std::string &name_;
  const toml::table &table_;
  std::string path_;
  std::set<std::string> seen_;
};

constexpr double kAny = std::numeric_limits<double>::max();

const toml::table &TableAt(Reader &reader, std::string_view key) {
  const toml::node *node = reader.Get(key);
  if (!node->is_table()) reader.Fail(key, "wants a table");
  return *node->as_table();
}

std::uint16_t SlotNumber(const Reader &reader, const toml::key &key) {
  const std::string text(key.str());
  char *end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number < 0 || number >= static_cast<long>(kSlotCount)) {
    reader.Fail(key.source(), reader.Key(text), "wants a number 0..15");
  }
  return static_cast<std::uint16_t>(number);
}

void ReadChannel(Reader &reader, const std::string &folder, unsigned channel,
                 ChannelSignal &signal) {
  signal.kind = reader.Choice("signal", kSignals).value_or(SignalKind::kBuiltin);
  signal.frequency_hz = reader.Number("frequency_hz", 0, 250'000).value_or(signal.frequency_hz);
  signal.amplitude = reader.Number("amplitude", 0, 4095).value_or(signal.amplitude);
  signal.offset = reader.Number("offset", -4095, 8190).value_or(signal.offset);
  signal.noise = reader.Number("noise", 0, 4095).value_or(signal.noise);
  signal.drift = reader.Number("drift", -kAny, kAny).value_or(signal.drift);
  const std::optional<std::string> replay = reader.String("replay");
  const auto column = reader.Integer("column", 0, 15);
  const std::optional<std::string> format = reader.String("format");
  if (signal.kind != SignalKind::kReplay) {
    for (const char *key : {"replay", "column", "format"}) {
      if (reader.Has(key)) reader.Fail(key, "belongs to signal = \"replay\"");
    }
    return;
  }
  const std::string file = reader.Required(replay, "replay");
  ReplayFormat kind = ReplayFormat::kGuess;
  if (format == "csv") {
    kind = ReplayFormat::kCsv;
  } else if (format == "raw") {
    kind = ReplayFormat::kRaw;
  } else if (format == "hdf5") {
    kind = ReplayFormat::kHdf5;
  } else if (format) {
    reader.Fail("format", "'" + *format + "' is none of csv, raw and hdf5");
  }
  const std::string path = file.starts_with('/') ? file : folder + "/" + file;
  const unsigned wanted = column ? static_cast<unsigned>(*column) : channel;
  std::string why;
  auto values = ReadReplay(path, kind, wanted, why);
  if (!values) reader.Fail("replay", file + ": " + why);
  signal.recording = std::make_shared<const std::vector<std::uint16_t>>(std::move(*values));
}

void ReadResources(Reader &reader, BoardDescription &board) {
  if (const auto revision = reader.Integer("revision", 0, 255)) {
    board.hardware_revision = static_cast<std::uint8_t>(*revision);
  }
  if (const toml::node *firmware = reader.Get("firmware")) {
    const toml::array *pair = firmware->as_array();
    if (pair == nullptr || pair->size() != 2 || !(*pair)[0].is_integer() ||
        !(*pair)[1].is_integer()) {
      reader.Fail("firmware", "wants [major, minor]");
    }
    const auto major = (*pair)[0].value_exact<std::int64_t>().value_or(-1);
    const auto minor = (*pair)[1].value_exact<std::int64_t>().value_or(-1);
    if (major < 0 || major > 255 || minor < 0 || minor > 255) {
      reader.Fail("firmware", "major and minor are 0..255");
    }
    board.firmware_major = static_cast<std::uint8_t>(major);
    board.firmware_minor = static_cast<std::uint8_t>(minor);
  }
  if (const toml::node *ports = reader.Get("io_ports")) {
    const toml::array *ranges = ports->as_array();
    if (ranges == nullptr || ranges->size() > board.io_ranges.size()) {
      reader.Fail("io_ports", "wants up to two [base, length] pairs");
    }
    board.io_range_count = ranges->size();
    board.io_ranges = {};
    for (std::size_t i = 0; i < ranges->size(); ++i) {
      const toml::array *pair = (*ranges)[i].as_array();
      const auto base =
          pair && pair->size() == 2 ? (*pair)[0].value_exact<std::int64_t>() : std::nullopt;
      const auto length =
          pair && pair->size() == 2 ? (*pair)[1].value_exact<std::int64_t>() : std::nullopt;
      if (!base || !length || *base < 0 || *base > 0xFFFF || *length < 1 || *length > 0xFFFF) {
        reader.Fail("io_ports", "wants [base, length] pairs of 16-bit numbers");
      }
      board.io_ranges[i] = {static_cast<std::uint16_t>(*base), static_cast<std::uint16_t>(*length)};
    }
  }
  if (const auto irq = reader.Integer("irq", 0, 15)) {
    board.interrupt.line = static_cast<std::uint8_t>(*irq);
  }
  const auto flag = [](std::optional<bool> on, auto &attributes, unsigned bit) {
    if (on)
      attributes = static_cast<std::remove_reference_t<decltype(attributes)>>((attributes & ~bit) |
                                                                              (*on ? bit : 0u));
  };
  flag(reader.Boolean("irq_shareable"), board.interrupt.attributes, 1u);
  flag(reader.Boolean("irq_level"), board.interrupt.attributes, 2u);
  if (const toml::node *dma = reader.Get("dma")) {
    if (dma->value_exact<bool>() == false) {
      board.dma_count = 0;
      board.dma_channels = {};
    } else {
      const auto channel = dma->value_exact<std::int64_t>();
      if (!channel || *channel < 0 || *channel > 7) reader.Fail("dma", "wants 0..7 or false");
      board.dma_count = 1;
      board.dma_channels[0].channel = static_cast<std::uint8_t>(*channel);
    }
  }
  flag(reader.Boolean("dma_16bit"), board.dma_channels[0].attributes, 1u);
  if (const toml::node *memory = reader.Get("memory")) {
    if (memory->value_exact<bool>() == false) {
      board.memory_window_count = 0;
      board.memory_windows = {};
    } else {
      const toml::array *pair = memory->as_array();
      const auto base =
          pair && pair->size() == 2 ? (*pair)[0].value_exact<std::int64_t>() : std::nullopt;
      const auto length =
          pair && pair->size() == 2 ? (*pair)[1].value_exact<std::int64_t>() : std::nullopt;
      if (!base || !length || *base < 0 || *base > 0xFFFFFFFF || *length < 1 ||
          *length > 0xFFFFFFFF) {
        reader.Fail("memory", "wants [base, length] of 32-bit numbers, or false");
      }
      board.memory_window_count = 1;
      board.memory_windows[0].base = static_cast<std::uint32_t>(*base);
      board.memory_windows[0].length = static_cast<std::uint32_t>(*length);
    }
  }
  flag(reader.Boolean("memory_writable"), board.memory_windows[0].attributes, 1u);
}

void ReadBoard(Reader &reader, std::uint16_t slot, const std::string &folder,
               std::optional<BoardSetup> &setup) {
  const bool fitted = reader.Boolean("fitted").value_or(true);
  BoardSetup board;
  if (setup) {
    board = *setup;
  } else {
    board.description = *BoardInSlot(0);  // an added board starts as slot 0's
  }
  ReadResources(reader, board.description);
  if (const toml::node *channels = reader.Get("channel")) {
    if (!channels->is_table()) reader.Fail("channel", "wants a table");
    Reader list(reader.name(), *channels->as_table(), reader.Key("channel"));
    for (const auto &[key, node] : *channels->as_table()) {
      const std::uint16_t channel = SlotNumber(list, key);
      const toml::table &table = TableAt(list, key.str());
      Reader one(reader.name(), table, list.Key(key.str()));
      ReadChannel(one, folder, channel, board.channels[channel]);
      one.Finish();
    }
  }
  reader.Finish();
  (void)slot;
  if (fitted) {
    setup = board;
  } else {
    setup.reset();
  }
}

// The keys that only some kinds of fault take.
const std::set<std::string_view> &KindKeys() {
  static const std::set<std::string_view> keys{"words", "seconds", "request", "status",
                                               "code",  "count",   "drop",    "delay_ms"};
  return keys;
}

std::string_view KindName(FaultKind kind) {
  for (const auto &[name, value] : kFaults) {
    if (value == kind) return name;
  }
  return "";
}

void ReadFaultKeys(Reader &reader, Fault &fault, bool timed) {
  fault.slot = static_cast<std::uint16_t>(reader.Required(reader.Integer("slot", 0, 15), "slot"));
  fault.kind = reader.Required(reader.Choice("kind", kFaults), "kind");
  if (timed) {
    fault.at = reader.Number("at", 0, 1e9);
    if (const auto after = reader.Integer("after", 0, 0xFFFFFFFF)) {
      fault.after = static_cast<std::uint32_t>(*after);
    }
    if (fault.at && fault.after) reader.Fail("after", "goes with no `at`: one moment per fault");
    if (!fault.at && !fault.after)
      reader.Fail(reader.table().source(), reader.Key("at"), "is missing (or `after`)");
  }
  const std::optional<RequestKind> counting =
      timed ? reader.Choice("counting", kRequests) : std::nullopt;
  const std::optional<RequestKind> request = reader.Choice("request", kRequests);
  const auto words = reader.Integer("words", 1, std::numeric_limits<std::int64_t>::max());
  const auto seconds = reader.Number("seconds", 0, 1e6);
  const auto status = reader.Integer("status", 1, 0xFFFF);
  const auto code = reader.Integer("code", 1, 0xFFFFFFFF);
  const auto count = reader.Integer("count", 1, 0xFFFFFFFF);
  const auto drop = reader.Integer("drop", 1, 0xFFFFFFFF);
  const auto delay = reader.Integer("delay_ms", 0, 3'600'000);

  // Only the keys of its kind: a key meant for another kind is a mistake.
  std::set<std::string_view> allowed;
  switch (fault.kind) {
    case FaultKind::kLose: allowed = {"words"}; break;
    case FaultKind::kStall: allowed = {"seconds"}; break;
    case FaultKind::kStatus: allowed = {"request", "status", "count"}; break;
    case FaultKind::kFail: allowed = {"request", "code", "count"}; break;
    case FaultKind::kUnplug:
    case FaultKind::kReplug: break;
    case FaultKind::kNotifications: allowed = {"drop", "delay_ms"}; break;
  }
  for (const auto &[key, node] : reader.table()) {
    if (KindKeys().contains(key.str()) && !allowed.contains(key.str())) {
      reader.Fail(key.source(), reader.Key(key.str()),
                  "does not belong to kind = \"" + std::string(KindName(fault.kind)) + "\"");
    }
  }
  switch (fault.kind) {
    case FaultKind::kLose:
      fault.words = static_cast<std::uint64_t>(reader.Required(words, "words"));
      break;
    case FaultKind::kStall: fault.seconds = reader.Required(seconds, "seconds"); break;
    case FaultKind::kStatus:
    case FaultKind::kFail:
      fault.request = reader.Required(request, "request");
      fault.answer = static_cast<std::uint32_t>(fault.kind == FaultKind::kStatus
                                                    ? reader.Required(status, "status")
                                                    : reader.Required(code, "code"));
      fault.count = static_cast<std::uint32_t>(count.value_or(1));
      break;
    case FaultKind::kUnplug:
    case FaultKind::kReplug: break;
    case FaultKind::kNotifications:
      if (drop.has_value() == delay.has_value()) {
        reader.Fail(reader.table().source(), reader.Key("drop"), "wants `drop` or `delay_ms`");
      }
      fault.drop = static_cast<std::uint32_t>(drop.value_or(0));
      if (delay) fault.delay_ms = static_cast<std::uint32_t>(*delay);
      break;
  }
  if (timed && fault.after) {
    if (counting) {
      fault.counting = *counting;
    } else if (fault.kind == FaultKind::kStatus || fault.kind == FaultKind::kFail) {
      fault.counting = fault.request;
    } else {
      reader.Fail(reader.table().source(), reader.Key("counting"),
                  "is missing: which request `after` counts");
    }
  } else if (counting) {
    reader.Fail("counting", "goes with `after`");
  }
}

void CheckFittedSlot(const Reader &reader, const Scenario &scenario, std::uint16_t slot) {
  if (!scenario.boards[slot]) {
    reader.Fail("slot", "slot " + std::to_string(slot) + " has no board");
  }
}

void ReadFaults(Reader &reader, Scenario &scenario) {
  const toml::node *list = reader.Get("fault");
  if (list == nullptr) return;
  if (!list->is_array_of_tables()) reader.Fail("fault", "wants [[fault]] tables");
  for (const toml::node &entry : *list->as_array()) {
    Reader one(reader.name(), *entry.as_table(), "fault");
    Fault fault;
    ReadFaultKeys(one, fault, true);
    one.Finish();
    CheckFittedSlot(one, scenario, fault.slot);
    scenario.faults.push_back(fault);
  }
}

void ReadInputs(Reader &reader, Scenario &scenario) {
  const toml::node *list = reader.Get("input");
  if (list == nullptr) return;
  if (!list->is_array_of_tables()) reader.Fail("input", "wants [[input]] tables");
  for (const toml::node &entry : *list->as_array()) {
    Reader one(reader.name(), *entry.as_table(), "input");
    InputChange change;
    change.slot = static_cast<std::uint16_t>(one.Required(one.Integer("slot", 0, 15), "slot"));
    change.at = one.Required(one.Number("at", 0, 1e9), "at");
    change.line = one.Required(one.Choice("line", kInputs), "line");
    change.on = one.Required(one.Boolean("on"), "on");
    one.Finish();
    CheckFittedSlot(one, scenario, change.slot);
    scenario.inputs.push_back(change);
  }
  std::stable_sort(scenario.inputs.begin(), scenario.inputs.end(),
                   [](const InputChange &a, const InputChange &b) { return a.at < b.at; });
}

toml::table ParseTable(std::string_view text, const std::string &name) {
  try {
    return toml::parse(text, name);
  } catch (const toml::parse_error &error) {
    throw ScenarioError{name + ":" + std::to_string(error.source().begin.line) + ": " +
                        std::string(error.description())};
  }
}

}  // namespace

Scenario Scenario::Default() {
  Scenario scenario;
  for (std::uint16_t slot = 0; slot < kSlotCount; ++slot) {
    if (const BoardDescription *board = BoardInSlot(slot)) {
      scenario.boards[slot] = BoardSetup{*board, {}};
    }
  }
  return scenario;
}

Scenario ParseScenario(std::string_view text, const std::string &name) {
  const toml::table root = ParseTable(text, name);
  Scenario scenario = Scenario::Default();
  scenario.is_default = false;
  Reader reader(name, root, "");
  if (const auto seed = reader.Integer("seed", std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max())) {
    scenario.seed = static_cast<std::uint64_t>(*seed);
  }
  if (const toml::node *boards = reader.Get("board")) {
    if (!boards->is_table()) reader.Fail("board", "wants [board.N] tables");
    Reader list(name, *boards->as_table(), "board");
    for (const auto &[key, node] : *boards->as_table()) {
      const std::uint16_t slot = SlotNumber(list, key);
      Reader one(name, TableAt(list, key.str()), list.Key(key.str()));
      ReadBoard(one, slot, Folder(name), scenario.boards[slot]);
    }
  }
  ReadFaults(reader, scenario);
  ReadInputs(reader, scenario);
  reader.Finish();
  return scenario;
}

Fault ParseFault(std::string_view text, const std::string &name, const Scenario &scenario) {
  const toml::table root = ParseTable(text, name);
  Reader reader(name, root, "");
  Fault fault;
  ReadFaultKeys(reader, fault, false);
  reader.Finish();
  CheckFittedSlot(reader, scenario, fault.slot);
  return fault;
}

}  // namespace tamrix::vxd
