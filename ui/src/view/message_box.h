#pragma once

#include <string>

#include "view_context.h"

namespace tamrix::ui::view {

// Modal box with one OK button; returns when it is dismissed.
void ShowMessageBox(const ViewContext &ctx, const std::string &title, const std::string &text,
                    bool error_icon);

}  // namespace tamrix::ui::view
