#include "Modeset.h"

using namespace tamrix::text;
using namespace tamrix::ui;

TModeSetForm *ModeSetForm = nullptr;

namespace {

void MakeLabel(Label &label, const char *name, const char *caption, int left, int top) {
  label.SetName(name);
  label.SetBounds(left, top, 0, 15);
  label.SetCaption(caption);
}

void MakeList(ComboBox &box, const char *name, int left, int top, int width, int tab_order,
              std::vector<std::string> items) {
  box.SetName(name);
  box.SetBounds(left, top, width, 23);
  box.SetTabOrder(tab_order);
  box.SetStyle(csDropDownList);
  box.SetDropDownCount(17);
  box.SetItems(std::move(items));
}

std::vector<std::string> TwoDigitItems(int first, int last) {
  std::vector<std::string> items;
  for (int n = first; n <= last; ++n) items.push_back(Format("%.2d", n));
  return items;
}

}  // namespace

TModeSetForm::TModeSetForm() {
  Layout();
  OnCreate = [this] { FormCreate(); };
}

void TModeSetForm::Layout() {
  SetCaption("ModeSetForm");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(170, 208);
  SetFont(TFont{"ＭＳ Ｐゴシック", 15, clWindowText});

  MakeLabel(Label1, "Label1", "Mode", 8, 16);
  MakeList(ComboBoxModeSel, "ComboBoxModeSel", 81, 8, 81, 2, TwoDigitItems(1, 10));
  MakeLabel(Label2, "Label2", "ChFirst", 8, 48);
  MakeList(ComboBoxStartChSel, "ComboBoxStartChSel", 81, 40, 81, 3, TwoDigitItems(0, 15));
  MakeLabel(Label3, "Label3", "ChLast", 8, 80);
  MakeList(ComboBoxStopChSel, "ComboBoxStopChSel", 81, 72, 81, 4, TwoDigitItems(0, 15));
  MakeLabel(Label4, "Label4", "BuffSize", 8, 112);
  MakeList(ComboBoxBuffSize, "ComboBoxBuffSize", 81, 104, 81, 5,
           {"1", "16", "256", "1024", "2048", "4096"});
  MakeLabel(Label5, "Label5", "Timer", 8, 144);
  EditTimer.SetName("EditTimer");
  EditTimer.SetBounds(80, 136, 81, 23);
  EditTimer.SetTabOrder(6);

  Button1.SetName("Button1");
  Button1.SetBounds(8, 176, 73, 25);
  Button1.SetCaption("OK");
  Button1.SetDefault(true);
  Button1.SetModalResult(mrOk);
  Button1.SetTabOrder(0);
  Button2.SetName("Button2");
  Button2.SetBounds(80, 176, 81, 25);
  Button2.SetCaption("ｷｬﾝｾﾙ");
  Button2.SetCancel(true);
  Button2.SetModalResult(mrCancel);
  Button2.SetTabOrder(1);
}

// Defaults are set once; later openings show what the operator left.
void TModeSetForm::FormCreate() {
  ComboBoxModeSel.SetItemIndex(2);
  ComboBoxStartChSel.SetItemIndex(0);
  ComboBoxStopChSel.SetItemIndex(0);
  ComboBoxBuffSize.SetItemIndex(2);
  EditTimer.SetText("500");
}
