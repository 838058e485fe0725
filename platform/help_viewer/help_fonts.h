#pragma once

#include <FL/Enumerations.H>

namespace tmx::help {

// Puts the IPA Gothic faces behind every font the help view draws with: the
// proportional face for text and headings, the fixed one for code. Returns
// the text font.
Fl_Font InstallHelpFonts();

// A length designed at 120 ppi, in pixels of this screen.
int ScaledPixels(int pixels_at_120_ppi, float screen_ppi);

}  // namespace tmx::help
