#pragma once

#include <FL/Enumerations.H>

#include <string>

namespace tmx::help {

// Puts the given faces behind every font the help view draws with: the text
// face for text and headings, the code face for code. An empty name keeps
// the toolkit's own face for that part. Returns the text font.
Fl_Font InstallHelpFonts(const std::string &text_face, const std::string &code_face);

// A length designed at 120 ppi, in pixels of this screen.
int ScaledPixels(int pixels_at_120_ppi, float screen_ppi);

}  // namespace tmx::help
