#include "help_fonts.h"

#include <FL/Fl.H>

#include <cmath>
#include <list>

namespace tmx::help {
namespace {

// Face names carry their style in the first character: ' ' plain, 'B' bold,
// 'I' italic, 'P' bold italic. The view styles a font by adding FL_BOLD and
// FL_ITALIC to its index, so a face takes four slots in that order. The
// toolkit keeps each name's address, so the names live as long as the process.
void SetFace(Fl_Font base, const std::string &face) {
  static std::list<std::string> names;
  constexpr char kStyles[4] = {' ', 'B', 'I', 'P'};
  for (int style = 0; style < 4; ++style) {
    names.push_back(kStyles[style] + face);
    Fl::set_font(base + style, names.back().c_str());
  }
}

}  // namespace

Fl_Font InstallHelpFonts(const std::string &text_face, const std::string &code_face) {
  // The view takes Helvetica for headings and Courier for code whatever the
  // text font is: the faces go behind those too.
  if (!code_face.empty()) SetFace(FL_COURIER, code_face);
  if (text_face.empty()) return FL_HELVETICA;
  SetFace(FL_FREE_FONT, text_face);
  SetFace(FL_HELVETICA, text_face);
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
