// The device layer's check of a driver module file on arbitrary bytes: it
// reads nothing outside the file (AddressSanitizer watches the input's
// edges), overflows nothing (UndefinedBehaviorSanitizer), and judges a file
// by what it holds: bytes added past the end of a complete image, where no
// table points, leave it complete.
#include <cstdint>
#include <vector>

#include "fuzz_report.h"
#include "module_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using tmx::platform::IsCompleteSharedObject;
  using tmx::platform::ModuleBytes;
  fuzz_report::fuzzer = "module image fuzz";
  if (!IsCompleteSharedObject(ModuleBytes(data, size))) return 0;
  std::vector<std::uint8_t> longer(data, data + size);
  longer.resize(size + 64, 0xA5);
  if (!IsCompleteSharedObject(ModuleBytes(longer.data(), longer.size()))) {
    fuzz_report::Fail("a complete image of %zu bytes is refused with bytes added", size);
  }
  return 0;
}
