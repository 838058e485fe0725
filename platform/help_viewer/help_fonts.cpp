#include "help_fonts.h"

#include <FL/Fl.H>

#include <cmath>

namespace tmx::help {
namespace {

// Face names carry their style in the first character: ' ' plain, 'B' bold,
// 'I' italic, 'P' bold italic. The view styles a font by adding FL_BOLD and
// FL_ITALIC to its index, so a face takes four slots in that order.
constexpr const char *kProportional[4] = {" IPAPGothic", "BIPAPGothic", "IIPAPGothic",
                                          "PIPAPGothic"};
constexpr const char *kFixed[4] = {" IPAGothic", "BIPAGothic", "IIPAGothic", "PIPAGothic"};

void SetFace(Fl_Font base, const char *const (&names)[4]) {
  for (int style = 0; style < 4; ++style) Fl::set_font(base + style, names[style]);
}

}  // namespace

Fl_Font InstallHelpFonts() {
  // The view takes Helvetica for headings and Courier for code whatever the
  // text font is, and neither has Japanese glyphs: all of them become IPA.
  SetFace(FL_FREE_FONT, kProportional);
  SetFace(FL_HELVETICA, kProportional);
  SetFace(FL_COURIER, kFixed);
  return FL_FREE_FONT;
}

int ScaledPixels(int pixels_at_120_ppi, float screen_ppi) {
  // Some servers report no size at all; keep the design size then.
  if (!(screen_ppi > 0.0f)) return pixels_at_120_ppi;
  const int scaled =
      static_cast<int>(std::lround(static_cast<float>(pixels_at_120_ppi) * screen_ppi / 120.0f));
  return scaled > 0 ? scaled : 1;
}

}  // namespace tmx::help
