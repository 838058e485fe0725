#include "status.h"

#include "tamrix.h"

namespace tamrix {

std::int32_t TranslateDriverStatus(std::uint16_t status_word) {
  static constexpr std::int32_t kLibraryCode[] = {
      TAMRIX_SUCCESS,     TAMRIX_ERR_SLOT,           TAMRIX_ERR_INV_ARG,
      TAMRIX_ERR_NUMDATA, TAMRIX_ERR_NOT_ENOUGH_MEM, TAMRIX_ERR_DMA_BUFFSIZE,
      TAMRIX_ERR_START,   TAMRIX_ERR_MODE_KEPT,      TAMRIX_ERR_DMA,
  };
  if (status_word < sizeof kLibraryCode / sizeof kLibraryCode[0]) return kLibraryCode[status_word];
  return status_word;
}

}  // namespace tamrix
