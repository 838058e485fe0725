// The windowing layer's own errors, beside the text rules' errors every
// handler may meet.
#pragma once

#include "tamrix_text/errors.h"

namespace tamrix::ui {

// Raised by Application::UseScreen when no display can be opened.
class ScreenUnavailable : public text::Error {
 public:
  using text::Error::Error;
};

}  // namespace tamrix::ui
