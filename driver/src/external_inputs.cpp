#include "external_inputs.h"

namespace tamrix::vxd {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

struct PulseTrain {
  nanoseconds on;
  nanoseconds cycle;

  bool OnAt(nanoseconds t) const { return t % cycle < on; }
};

constexpr PulseTrain kTrigger{milliseconds(100), milliseconds(500)};
constexpr PulseTrain kIn0{milliseconds(1000), milliseconds(2000)};
constexpr PulseTrain kIn1{milliseconds(3000), milliseconds(5000)};

nanoseconds SlotShift(std::uint16_t slot) { return milliseconds(130) * slot; }

}  // namespace

ExternalInputs InputsAt(std::uint16_t slot, nanoseconds since_power_on) {
  const nanoseconds t = since_power_on + SlotShift(slot);
  return ExternalInputs{kTrigger.OnAt(t), kIn0.OnAt(t), kIn1.OnAt(t)};
}

nanoseconds TriggerAtOrAfter(std::uint16_t slot, nanoseconds since_power_on) {
  const nanoseconds t = since_power_on + SlotShift(slot);
  const nanoseconds into_cycle = t % kTrigger.cycle;
  if (into_cycle < kTrigger.on) return since_power_on;
  return since_power_on + (kTrigger.cycle - into_cycle);
}

}  // namespace tamrix::vxd
