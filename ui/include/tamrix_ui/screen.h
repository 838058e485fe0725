// The on-screen view (FLTK). Program code only chooses it through
// Application::UseScreen(); the rest is for the view and its tests.
#pragma once

#include <memory>
#include <string>

#include "tamrix_ui/canvas.h"
#include "tamrix_ui/control.h"
#include "tamrix_ui/screen_font.h"

namespace tamrix::ui {

class Application;
class Form;

// Layouts are drawn at 120 pixels per inch; scale = screen dpi / 120, with 1
// for a dpi that is missing or absurd.
double ScaleFromDpi(double dpi);
// Layout pixels to screen pixels and back, rounded to nearest.
int ToScreen(int layout_px, double scale);
int FromScreen(int screen_px, double scale);

class ScreenView {
 public:
  // Opens the display and shows every font as the given one; throws
  // ScreenUnavailable when there is no display.
  ScreenView(Application &app, const ScreenFont &font);
  ~ScreenView();
  ScreenView(const ScreenView &) = delete;
  ScreenView &operator=(const ScreenView &) = delete;

  double Scale() const;
  // Builds the form's window and widgets (hidden).
  void Realize(Form &form);
  // A modal box with one OK button; returns when dismissed.
  void MessageBox(const std::string &title, const std::string &text, bool error_icon);
  // Waits for events (and posted messages) once.
  static void WaitOnce();
  // Handles pending events without waiting.
  static void Check();
  // Draws a paint box's area now.
  void RepaintNow(Control &paint_box);
  // Centre of a control in root-window pixels (for driving tests).
  static TPoint ScreenCentre(const Control &c);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tamrix::ui
