#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "message_box.h"
#include "peers.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/errors.h"
#include "tamrix_ui/screen.h"
#include "view_context.h"

namespace tamrix::ui {

namespace {

class FltkTextMeasurer : public TextMeasurer {
 public:
  explicit FltkTextMeasurer(const view::ViewContext &ctx) : ctx_(ctx) {}
  TextExtent Measure(const TFont &font, std::string_view utf8) const override {
    fl_font(view::kFont, ctx_.FontSize(font));
    const std::string text(utf8);
    int w = 0, h = 0;
    fl_measure(text.c_str(), w, h, 0);
    // Round up so that the text never loses its last pixel column.
    return {static_cast<int>(std::ceil(w / ctx_.scale)), font.height};
  }

 private:
  const view::ViewContext &ctx_;
};

// How long one wake-up may dispatch posted messages before the screen is
// redrawn and input is read.
constexpr std::chrono::milliseconds kLongestBurst{10};

double ScreenDpi() {
  float h = 0, v = 0;
  Fl::screen_dpi(h, v, 0);
  return (h + v) / 2.0;
}

// The toolkit keeps a face name's address: each name is kept for the life of
// the process, as views come and go with their applications.
const char *KeptFaceName(const std::string &face) {
  static std::set<std::string> names;
  return names.insert(" " + face).first->c_str();
}

}  // namespace

struct ScreenView::Impl {
  Impl(Application &app, const ScreenFont &font) : ctx{app, 1.0, font} {}
  view::ViewContext ctx;
  int wake_fd = -1;

  static void OnWake(int, void *self) {
    auto *impl = static_cast<Impl *>(self);
    // What is pending, for a few milliseconds at most: a burst of messages
    // then costs one redraw, and input events still come between bursts.
    // The descriptor stays readable while more are pending.
    Application &app = impl->ctx.app;
    const auto until = std::chrono::steady_clock::now() + kLongestBurst;
    while (!app.Terminated() && app.DispatchOne() && std::chrono::steady_clock::now() < until) {
    }
  }
};

ScreenView::ScreenView(Application &app, const ScreenFont &font)
    : impl_(std::make_unique<Impl>(app, font)) {
  const char *name = std::getenv("DISPLAY");
  Display *d = XOpenDisplay(nullptr);
  if (!d) {
    throw ScreenUnavailable(
        std::string("cannot open X display ") +
        (name && *name ? "\"" + std::string(name) + "\"" : "(DISPLAY is not set)") +
        "; the windows need an X server");
  }
  fl_open_display(d);
  Fl::set_font(view::kFont, KeptFaceName(font.face));
  // Every window is the program's own to a task bar: class "tamrix",
  // "Tamrix" (the toolkit capitalises the second).
  std::string xclass = app.Title();
  for (char &c : xclass) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Fl_Window::default_xclass(xclass.c_str());
  impl_->ctx.scale = ScaleFromDpi(ScreenDpi());
  impl_->wake_fd = app.Queue().WakeDescriptor();
  Fl::add_fd(impl_->wake_fd, FL_READ, &Impl::OnWake, impl_.get());
  app.SetMeasurer(std::make_unique<FltkTextMeasurer>(impl_->ctx));
}

ScreenView::~ScreenView() {
  if (impl_->wake_fd >= 0) Fl::remove_fd(impl_->wake_fd);
  if (impl_->ctx.app.View() == this)
    impl_->ctx.app.SetMeasurer(std::make_unique<ApproximateTextMeasurer>());
}

double ScreenView::Scale() const { return impl_->ctx.scale; }

void ScreenView::Realize(Form &form) {
  if (form.PeerHolder().Get()) return;
  form.PeerHolder().Set(std::make_unique<view::FormPeer>(impl_->ctx, form));
  if (form.Visible()) form.PeerHolder().Get()->Update(Aspect::Visible);
}

void ScreenView::MessageBox(const std::string &title, const std::string &text, bool error_icon) {
  view::ShowMessageBox(impl_->ctx, title, text, error_icon);
}

void ScreenView::WaitOnce() { Fl::wait(1.0); }

void ScreenView::Check() { Fl::check(); }

void ScreenView::RepaintNow(Control &paint_box) {
  auto *peer = dynamic_cast<view::WidgetPeer *>(paint_box.PeerHolder().Get());
  if (!peer) return;
  Fl_Widget *w = peer->Widget();
  if (impl_->ctx.drawing > 0) {
    // Asked from inside another paint of the same window: draw into the
    // buffer being painted now, as a later redraw would be lost.
    if (w->window() == Fl_Window::current() && w->visible_r()) {
      fl_push_no_clip();
      w->draw();
      fl_pop_clip();
    } else {
      w->redraw();
    }
    return;
  }
  w->redraw();
  if (w->window() && w->window()->shown()) Fl::flush();
}

TPoint ScreenView::ScreenCentre(const Control &c) {
  auto *peer = dynamic_cast<view::WidgetPeer *>(const_cast<Control &>(c).PeerHolder().Get());
  if (!peer || !peer->Widget()->window()) return {};
  const Fl_Widget *w = peer->Widget();
  const Fl_Window *win = w->window();
  return {win->x_root() + w->x() + w->w() / 2, win->y_root() + w->y() + w->h() / 2};
}

}  // namespace tamrix::ui
