// The program's own 32 x 32 icon in the sixteen standard colours.
#pragma once

#include "tamrix_ui/form.h"

tamrix::ui::TIcon ProgramIcon();
