#include "board_session.h"

#include "tamrix_protocol.h"
#include "tamrix_window.h"

namespace tamrix_cli {
namespace {

// The library opens its driver when it is loaded; without it every call
// fails alike, and only the platform knows why.
void RequireDriver() {
  const std::uint32_t error = tmx_device_open_error(TAMRIX_DEVICE_NAME);
  if (error == 0) return;
  const char *text = tmx_error_text(error);
  throw CommandFailure{std::nullopt,
                       "the library could not open its driver: " + std::to_string(error) +
                           (text ? std::string(" ") + text : "")};
}

void CheckCall(std::int32_t result, const char *function, std::uint32_t slot) {
  if (result != 1) throw LibraryFailure{function, slot, TamrixGetLastError(slot)};
}

}  // namespace

std::uint32_t DriverVersion(std::uint32_t slot) {
  std::uint32_t library_version = 0;
  std::uint32_t driver_version = 0;
  CheckCall(TamrixGetVersion(&library_version, &driver_version), "TamrixGetVersion", slot);
  return driver_version;
}

BoardSession::BoardSession(std::uint16_t slot, Notifications notifications) : slot_(slot) {
  RequireDriver();
  if (notifications == Notifications::kWindow) {
    window_ = tmx_window_create();
    if (window_ == 0) throw CommandFailure{slot, "no notification window can be made"};
  }
  std::uint16_t assigned = slot;
  if (TamrixCreate(&assigned, window_, nullptr) != 1) {
    const std::int32_t code = TamrixGetLastError(slot);
    tmx_window_destroy(window_);
    throw LibraryFailure{"TamrixCreate", slot, code};
  }
  slot_ = assigned;
  open_ = true;
}

BoardSession::~BoardSession() {
  if (open_) {
    // Closing stops sampling as well; a failure here has nobody to tell.
    TamrixStopSampling(slot_);
    TamrixClose(slot_);
  }
  tmx_window_destroy(window_);
}

void BoardSession::Check(std::int32_t result, const char *function) const {
  CheckCall(result, function, slot_);
}

TAMRIXR BoardSession::Resources() const {
  TAMRIXR record{};
  Check(TamrixGetResource(slot_, &record), "TamrixGetResource");
  return record;
}

void BoardSession::SetMode(const ModeRecord &mode) {
  Check(TamrixSetMode(slot_, &mode), "TamrixSetMode");
}

void BoardSession::Start() { Check(TamrixStartSampling(slot_), "TamrixStartSampling"); }

void BoardSession::Stop() { Check(TamrixStopSampling(slot_), "TamrixStopSampling"); }

SamplingStatus BoardSession::Status() const {
  SamplingStatus status;
  Check(TamrixGetSamplingStatus(slot_, &status.num_data, &status.bits), "TamrixGetSamplingStatus");
  return status;
}

void BoardSession::Fetch(std::uint32_t count, std::uint16_t *words) {
  Check(TamrixGetData(slot_, count, words), "TamrixGetData");
}

ExternalInputs BoardSession::Inputs() const {
  std::int32_t ex_in0 = 0;
  std::int32_t ex_in1 = 0;
  std::int32_t ex_trg = 0;
  Check(TamrixGetExIn(slot_, &ex_in0, &ex_in1, &ex_trg), "TamrixGetExIn");
  return {ex_in0 != 0, ex_in1 != 0, ex_trg != 0};
}

void BoardSession::Close() {
  if (!open_) return;
  Check(TamrixClose(slot_), "TamrixClose");
  open_ = false;
}

int BoardSession::NotificationDescriptor() const {
  return window_ == 0 ? -1 : tmx_window_fd(window_);
}

bool BoardSession::TakeNotification(std::uint32_t &message, std::uint32_t *wparam) const {
  return window_ != 0 && tmx_window_wait(window_, 0, &message, wparam, nullptr) == 1;
}

}  // namespace tamrix_cli
