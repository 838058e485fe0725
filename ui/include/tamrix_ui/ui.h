// The windowing layer of the check program: a small stand-in for the
// original platform's window system.
//
// Widgets keep their own state and work without a display: Application
// (forms, message loop over the thread's tmx::platform::MessageQueue, error
// box, message boxes), Form (top-level window, posted-message dispatch by
// number, modal showing), the controls Button, Label, ListBox, ComboBox,
// Edit, Panel and PaintBox with docking, MainMenu/MenuItem with mnemonics
// and shortcuts, and Canvas for paint handlers. Application::UseScreen()
// attaches an FLTK view that mirrors the state on real windows and feeds the
// operator's input back into it.
//
// Helpers every handler uses, from the text library (tamrix::text):
// StrToInt (the integer-text rule), Format (the program's number
// directives), ConversionError and RangeError.
#pragma once

#include "tamrix_text/format.h"
#include "tamrix_text/strtoint.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/canvas.h"
#include "tamrix_ui/color.h"
#include "tamrix_ui/control.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/errors.h"
#include "tamrix_ui/font.h"
#include "tamrix_ui/form.h"
#include "tamrix_ui/keys.h"
#include "tamrix_ui/menu.h"
#include "tamrix_ui/screen.h"
#include "tamrix_ui/screen_font.h"
#include "tamrix_ui/text_measure.h"
