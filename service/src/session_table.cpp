#include "session_table.h"

#include <random>

#include "wire.h"

namespace tamrix::service {
namespace {

// An id no other client can guess: 128 bits from the system's source.
std::string RandomId() {
  std::random_device source;
  std::string id(kSessionIdBytes, '\0');
  for (std::size_t i = 0; i < id.size(); i += 4) {
    const std::uint32_t bits = source();
    for (std::size_t j = 0; j < 4 && i + j < id.size(); ++j) {
      id[i + j] = static_cast<char>((bits >> (8 * j)) & 0xFF);
    }
  }
  return id;
}

}  // namespace

std::uint32_t Session::WindowFor(std::uint32_t client_window) {
  if (client_window == 0) return 0;  // no notifications wanted
  auto &relay = relays_[client_window];
  if (!relay) {
    relay = std::make_unique<NotificationRelay>(
        client_window, [this](std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                              std::int32_t lparam) {
          tamrix::device::v1::Notification note;
          note.set_window(window);
          note.set_message(message);
          note.set_wparam(wparam);
          note.set_lparam(lparam);
          Push(std::move(note));
        });
  }
  const std::uint32_t window = relay->window();
  if (window == 0) relays_.erase(client_window);
  return window;
}

void Session::StopRelays() { relays_.clear(); }

void Session::Push(tamrix::device::v1::Notification note) {
  {
    std::lock_guard lock(queue_mutex_);
    queue_.push_back(std::move(note));
  }
  queued_.notify_one();
}

std::optional<tamrix::device::v1::Notification> Session::Pop(std::chrono::milliseconds wait) {
  std::unique_lock lock(queue_mutex_);
  if (!queued_.wait_for(lock, wait, [this] { return !queue_.empty(); })) return std::nullopt;
  tamrix::device::v1::Notification note = std::move(queue_.front());
  queue_.pop_front();
  return note;
}

std::shared_ptr<Session> SessionTable::Add(Holder holder, bool may_control_simulator) {
  std::lock_guard lock(mutex_);
  if (sessions_.size() >= limit_) return nullptr;
  std::string id = RandomId();
  while (sessions_.contains(id)) id = RandomId();
  auto session = std::make_shared<Session>(id, std::move(holder), may_control_simulator);
  sessions_.emplace(std::move(id), session);
  return session;
}

std::shared_ptr<Session> SessionTable::Find(const std::string &id) {
  std::lock_guard lock(mutex_);
  const auto it = sessions_.find(id);
  return it == sessions_.end() ? nullptr : it->second;
}

void SessionTable::Remove(const std::string &id) {
  std::lock_guard lock(mutex_);
  sessions_.erase(id);
}

}  // namespace tamrix::service
