// The names of the boards' notifications, as the check program lists them.
// The Python package's table is generated from this one.
#pragma once

#include <cstdint>

#include "tamrix.h"

namespace tamrix_cli {

struct NotificationName {
  std::uint32_t message;
  const char *name;
};

inline constexpr NotificationName kNotificationNames[] = {
    {TAMRIX_MSG_SINGLE_SAMPLING_END, "SingleSamplingEnd"},
    {TAMRIX_MSG_BUFF_HALF_FULL, "BuffHalfFull"},
    {TAMRIX_MSG_BUFF_FULL, "BuffFull"},
    {TAMRIX_MSG_BUFF_OVERFLOW, "BuffOverflow"},
    {TAMRIX_MSG_SAMPLING_OVERRUN, "SamplingOverrun"},
    {TAMRIX_MSG_DMA_TC, "DmaTc"},
};

// The name of a notification, or null for a number that is none.
inline const char *NotificationNameOf(std::uint32_t message) {
  for (const auto &entry : kNotificationNames) {
    if (entry.message == message) return entry.name;
  }
  return nullptr;
}

}  // namespace tamrix_cli
