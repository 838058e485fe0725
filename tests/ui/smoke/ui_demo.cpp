// A small form on screen for the smoke test: pressing its button adds a
// list line, writes clicked.txt and posts a message whose handler closes the
// window, so the exit code tells whether click and message went through.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "tamrix_ui/ui.h"

using namespace tamrix::text;
using namespace tamrix::ui;

namespace {

constexpr UINT kReady = 0x400;
constexpr UINT kClicked = 0x6401;
constexpr UINT kTimeout = 0x6402;

class DemoForm : public Form {
 public:
  explicit DemoForm(std::string out) : out_(std::move(out)) {
    SetCaption("Tamrix UI デモ");
    SetClientSize(420, 300);
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);

    File.SetCaption("ﾌｧｲﾙ(&F)");
    Exit.SetCaption("ﾌﾟﾛｸﾞﾗﾑの終了(&X)");
    Exit.SetShortCut("Alt+X");
    Exit.OnClick = [this] { Close(); };

    Press.SetBounds(8, 8, 137, 25);
    Press.SetCaption("押す Press");
    Press.SetTabOrder(0);
    Press.OnClick = [this] { PressClick(); };
    Status.SetBounds(152, 12, 26, 15);
    Status.SetColor(clWhite);
    Status.SetCaption(" -- ");
    Slot.SetBounds(220, 8, 65, 23);
    Slot.SetStyle(csDropDownList);
    for (int i = 0; i < 4; ++i) Slot.AddItem(Format("%.2d", i));
    Slot.SetItemIndex(0);
    Slot.SetTabOrder(1);
    Caption.SetBounds(8, 44, 116, 15);
    Caption.SetCaption("VxDからのﾒｯｾｰｼﾞ");
    Lines.SetBounds(8, 60, 200, 81);
    Lines.SetTabOrder(2);
    Lines.SetFontColor(clRed);
    Lines.Add("001 ????? Err: ﾃｽﾄ ?????");

    Frame.SetBounds(216, 44, 196, 140);
    Frame.SetBevelOuter(bvNone);
    Frame.SetBevelInner(bvLowered);
    Frame.SetBevelWidth(3);
    Frame.SetColor(clBlack);
    Graph.SetAlign(alClient);
    Graph.SetColor(clBlack);
    Graph.OnPaint = [this](Canvas &c) {
      const TColor colours[] = {clBlue, clYellow, clLime, clRed};
      for (int ch = 0; ch < 4; ++ch) {
        c.SetPenColor(colours[ch]);
        c.MoveTo(0, Graph.PixelHeight() - 10 - ch * 30);
        for (int x = 0; x < Graph.PixelWidth(); x += 20) {
          c.LineTo(x, Graph.PixelHeight() - 10 - ch * 30 - (x / 20 % 2) * 15);
          c.LineTo(x + 20, Graph.PixelHeight() - 10 - ch * 30 - (x / 20 % 2) * 15);
        }
        c.SetFontColor(colours[ch]);
        c.TextOut(4, 4 + ch * 16, Format("CH%.2d", ch));
      }
    };

    SetMessageHandler(kReady, [this](WPARAM, LPARAM) { WriteReady(); });
    SetMessageHandler(kClicked, [this](WPARAM, LPARAM) {
      Lines.Add(Format("%.3d %s", Lines.Count() + 1, "SingleSamplingEnd"));
      ok_ = true;
      Close();
    });
    SetMessageHandler(kTimeout, [this](WPARAM, LPARAM) { Close(); });
  }

  bool Ok() const { return ok_; }

  MainMenu Menu1{this};
  MenuItem File{&Menu1};
  MenuItem Exit{&File};
  Button Press{this};
  Label Status{this};
  ComboBox Slot{this};
  Label Caption{this};
  ListBox Lines{this};
  Panel Frame{this};
  PaintBox Graph{&Frame};

 private:
  void PressClick() {
    Status.SetCaption(" OK ");
    Lines.Add(Format("%.3d %s", Lines.Count() + 1, "クリック"));
    Lines.SetItemIndex(Lines.Count() - 1);
    std::ofstream(out_ + "/clicked.txt")
        << "clicked lines=" << Lines.Count() << " slot=" << Slot.Text() << "\n";
    PostMessageA(Handle(), kClicked, 0, 0);
  }
  void WriteReady() {
    const TPoint p = App().View()->ScreenCentre(Press);
    const std::string tmp = out_ + "/ready.tmp";
    std::ofstream(tmp) << p.x << " " << p.y << " scale=" << App().View()->Scale() << "\n";
    std::rename(tmp.c_str(), (out_ + "/ready.txt").c_str());
  }

  std::string out_;
  bool ok_ = false;
};

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT_DIR\n";
    return 2;
  }
  Application app(argv[0]);
  try {
    // A face with the Japanese captions' glyphs, sized as the check program sizes it.
    app.UseScreen(ScreenFont{"IPAPGothic", 13, 15});
  } catch (const ScreenUnavailable &e) {
    std::cerr << e.what() << "\n";
    return 3;
  }
  auto &form = app.CreateForm<DemoForm>(argv[1]);
  const HWND handle = form.Handle();
  PostMessageA(handle, kReady, 0, 0);
  // Never hang a test run: give up after a while.
  std::thread([handle] {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    PostMessageA(handle, kTimeout, 0, 0);
  }).detach();
  bool ok = false;
  form.OnDestroy = [&] { ok = form.Ok(); };
  app.Run();
  return ok ? 0 : 1;
}
