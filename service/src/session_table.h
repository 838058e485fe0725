#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "notification_relay.h"
#include "tamrix_device.pb.h"

namespace tamrix::service {

struct Holder {
  std::string user;
  std::uint32_t pid = 0;
  std::string host;
};

// One client's open device handle.
class Session {
 public:
  Session(std::string id, Holder holder, bool may_control_simulator)
      : id_(std::move(id)), holder_(std::move(holder)), may_control_(may_control_simulator) {}

  const std::string &id() const { return id_; }
  const Holder &holder() const { return holder_; }
  bool may_control_simulator() const { return may_control_; }
  // Under the service's slot lock: an ended session opens no more slots.
  bool ended() const { return ended_; }
  void MarkEnded() { ended_ = true; }

  // The service's window for a client window, made on first use; 0 when
  // none can be made. Called under the service's slot lock.
  std::uint32_t WindowFor(std::uint32_t client_window);
  // Ends the relays; no notification is queued after this returns.
  void StopRelays();

  // Notifications for the stream, oldest first.
  void Push(tamrix::device::v1::Notification note);
  std::optional<tamrix::device::v1::Notification> Pop(std::chrono::milliseconds wait);

 private:
  std::string id_;
  Holder holder_;
  bool may_control_;
  bool ended_ = false;

  std::mutex queue_mutex_;
  std::condition_variable queued_;
  // Unbounded: the driver's own notification budget bounds it.
  std::deque<tamrix::device::v1::Notification> queue_;
  // Last, so that the relays, which push into the queue, go first.
  std::map<std::uint32_t, std::unique_ptr<NotificationRelay>> relays_;
};

// The live sessions by id, with a bound on their number.
class SessionTable {
 public:
  explicit SessionTable(std::size_t limit) : limit_(limit) {}

  // Null when the table is full.
  std::shared_ptr<Session> Add(Holder holder, bool may_control_simulator);
  std::shared_ptr<Session> Find(const std::string &id);
  void Remove(const std::string &id);

 private:
  std::mutex mutex_;
  std::size_t limit_;
  std::map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace tamrix::service
