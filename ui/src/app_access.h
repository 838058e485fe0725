// The application a control's handlers run under.
#pragma once

#include "tamrix_ui/application.h"
#include "tamrix_ui/control.h"
#include "tamrix_ui/form.h"

namespace tamrix::ui::detail {

inline Application &AppOf(const Control &c) {
  if (Form *f = c.OwnerForm()) return f->App();
  return Application::Current();
}

}  // namespace tamrix::ui::detail
