#include "message_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <string>

namespace tamrix::ui::view {

namespace {

// The platform's error sign: a red disc with a white cross.
class ErrorIcon : public Fl_Widget {
 public:
  ErrorIcon(int x, int y, int size) : Fl_Widget(x, y, size, size) {}
  void draw() override {
    fl_color(fl_rgb_color(220, 0, 0));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID, std::max(w() / 8, 2));
    const int m = w() * 3 / 10;
    fl_line(x() + m, y() + m, x() + w() - m, y() + h() - m);
    fl_line(x() + w() - m, y() + m, x() + m, y() + h() - m);
    fl_line_style(0);
  }
};

class TextBox : public Fl_Widget {
 public:
  TextBox(int x, int y, int w, int h, std::string text, int size)
      : Fl_Widget(x, y, w, h), text_(std::move(text)), size_(size) {}
  void draw() override {
    fl_font(kFont, size_);
    fl_color(FL_BLACK);
    fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
  }

 private:
  std::string text_;
  int size_;
};

}  // namespace

void ShowMessageBox(const ViewContext &ctx, const std::string &title, const std::string &text,
                    bool error_icon) {
  const int size = ctx.FontSize(TFont{});
  fl_font(kFont, size);
  int tw = 0, th = 0;
  fl_measure(text.c_str(), tw, th, 0);
  const int pad = ctx.Px(14);
  const int icon = error_icon ? ctx.Px(40) : 0;
  const int button_w = ctx.Px(88), button_h = ctx.Px(28);
  const int body_h = std::max(th, icon);
  const int w = std::max(pad + icon + (icon ? pad : 0) + tw + pad, button_w + 2 * pad);
  const int h = pad + body_h + pad + button_h + pad;

  Fl_Group::current(nullptr);
  Fl_Double_Window win(w, h);
  win.copy_label(title.c_str());
  if (icon) new ErrorIcon(pad, pad, icon);
  new TextBox(pad + icon + (icon ? pad : 0), pad, tw + 1, body_h, text, size);
  // A plain "OK", as the platform's boxes show it; Enter presses it.
  auto *ok = new Fl_Button((w - button_w) / 2, h - pad - button_h, button_w, button_h, "OK");
  ok->shortcut(FL_Enter);
  ok->labelfont(kFont);
  ok->labelsize(size);
  ok->callback([](Fl_Widget *b, void *) { b->window()->hide(); });
  win.end();
  // Esc and the close button dismiss the box as OK does.
  win.callback([](Fl_Widget *wnd, void *) { wnd->hide(); });
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh);
  win.position(sx + (sw - w) / 2, sy + (sh - h) / 2);
  win.set_modal();
  win.show();
  // The loop goes on dispatching posted messages meanwhile (descriptor
  // callbacks run inside Fl::wait).
  while (win.shown()) Fl::wait(1.0);
}

}  // namespace tamrix::ui::view
