// tamrix-help: shows one help file in a window of its own, in the faces the
// program that asked for it chose (viewer_options.h).
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Help_View.H>

#include <algorithm>
#include <string>

#include "help_document.h"
#include "help_fonts.h"
#include "viewer_options.h"

namespace {

// Window size as designed at 120 ppi.
constexpr int kDesignWidth = 760;
constexpr int kDesignHeight = 640;
constexpr int kDesignTextSize = 15;

}  // namespace

int main(int argc, char **argv) {
  const tmx::help::ViewerOptions options = tmx::help::ReadViewerOptions(argc, argv);
  const tmx::help::HelpDocument document = tmx::help::LoadHelpDocument(options.file);

  Fl::scheme("gtk+");
  const Fl_Font font = tmx::help::InstallHelpFonts(options.text_face, options.code_face);
  float ppi_h = 0.0f, ppi_v = 0.0f;
  Fl::screen_dpi(ppi_h, ppi_v);
  int work_x, work_y, work_w, work_h;
  Fl::screen_work_area(work_x, work_y, work_w, work_h);
  const int width = std::min(tmx::help::ScaledPixels(kDesignWidth, ppi_h), work_w);
  const int height = std::min(tmx::help::ScaledPixels(kDesignHeight, ppi_v), work_h);

  Fl_Double_Window window(width, height);
  Fl_Help_View view(0, 0, width, height);
  view.box(FL_FLAT_BOX);
  view.color(FL_WHITE);
  view.textfont(font);
  view.textsize(tmx::help::ScaledPixels(kDesignTextSize, ppi_v));
  window.resizable(&view);
  window.end();

  view.value(document.html.c_str());
  window.copy_label(tmx::help::WindowTitle(view.title()).c_str());
  window.size_range(200, 150);
  window.show();
  return Fl::run();
}
