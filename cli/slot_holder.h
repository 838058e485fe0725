// Who holds a board that the tool could not open: the board service knows,
// a driver in the process does not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tamrix_cli {

struct SlotHolder {
  std::string user;
  std::uint32_t pid = 0;
  std::string host;
};

// A device handle of its own for the service's holder query; a handle to a
// driver in the process answers nothing.
class HolderQuery {
 public:
  HolderQuery();
  ~HolderQuery();
  HolderQuery(const HolderQuery &) = delete;
  HolderQuery &operator=(const HolderQuery &) = delete;

  // The holder of a slot that another program holds, else nothing.
  std::optional<SlotHolder> Holder(std::uint16_t slot) const;

 private:
  void *device_;
};

}  // namespace tamrix_cli
