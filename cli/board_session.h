// One open slot of the access library, with the notification window its
// board posts to. Every failed call throws LibraryFailure; the slot is closed
// and the window destroyed when the session ends, whatever happened.
#pragma once

#include <cstdint>

#include "failure.h"
#include "tamrix.h"

namespace tamrix_cli {

struct SamplingStatus {
  std::uint32_t num_data = 0;
  std::uint32_t bits = 0;
};

struct ExternalInputs {
  bool ex_in0 = false;
  bool ex_in1 = false;
  bool ex_trg = false;
};

// The driver's version (major, minor, build packed as the library gives it).
// slot only names the command's slot in a failure.
std::uint32_t DriverVersion(std::uint32_t slot);

class BoardSession {
 public:
  enum class Notifications { kNone, kWindow };

  BoardSession(std::uint16_t slot, Notifications notifications);
  ~BoardSession();
  BoardSession(const BoardSession &) = delete;
  BoardSession &operator=(const BoardSession &) = delete;

  std::uint16_t slot() const { return slot_; }

  TAMRIXR Resources() const;
  void SetMode(const ModeRecord &mode);
  void Start();
  void Stop();
  SamplingStatus Status() const;
  void Fetch(std::uint32_t count, std::uint16_t *words);
  ExternalInputs Inputs() const;
  // Closes the slot now; the session then does nothing more when it ends.
  void Close();

  // Polls readable while a notification waits (-1 without a window).
  int NotificationDescriptor() const;
  // Takes the oldest waiting notification without waiting; false if none.
  // `wparam`, when given, receives its first parameter.
  bool TakeNotification(std::uint32_t &message, std::uint32_t *wparam = nullptr) const;

 private:
  void Check(std::int32_t result, const char *function) const;

  std::uint32_t window_ = 0;
  std::uint16_t slot_;
  bool open_ = false;
};

}  // namespace tamrix_cli
