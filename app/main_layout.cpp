// The main window's fixed layout, in pixels at 120 pixels per inch.
#include "icon.h"
#include "main.h"

using namespace tamrix::text;
using namespace tamrix::ui;

namespace {

void Place(Control &control, const char *name, int left, int top, int width, int height,
           int tab_order = -1) {
  control.SetName(name);
  control.SetBounds(left, top, width, height);
  control.SetTabOrder(tab_order);
}

void MakeButton(Button &button, const char *name, const char *caption, int left, int top, int width,
                int height, int tab_order) {
  Place(button, name, left, top, width, height, tab_order);
  button.SetCaption(caption);
}

// Outcome labels start as " -- " on white and size themselves to the text.
void MakeStatusLabel(Label &label, const char *name, int left, int top) {
  Place(label, name, left, top, 26, 15);
  label.SetColor(clWhite);
  label.SetCaption(" -- ");
}

void MakeLabel(Label &label, const char *name, const char *caption, int left, int top, int width,
               int height) {
  Place(label, name, left, top, width, height);
  label.SetCaption(caption);
}

void MakeSlotBox(ComboBox &box, const char *name, int left, int top, int tab_order) {
  Place(box, name, left, top, 65, 23, tab_order);
  box.SetStyle(csDropDownList);
  for (int slot = 0; slot < 16; ++slot) box.AddItem(Format("%.2d", slot));
  box.AddItem("Auto");
  box.SetDropDownCount(17);
}

}  // namespace

void TMainForm::Layout() {
  SetCaption("Tamrix Check Soft");
  SetIcon(ProgramIcon());
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(571, 625);
  SetFont(TFont{"ＭＳ Ｐゴシック", 15, clWindowText});

  MakeButton(ButtonTamrixCreate, "ButtonTamrixCreate", "Create", 8, 7, 137, 25, 6);
  MakeStatusLabel(LabelTamrixCreate, "LabelTamrixCreate", 152, 12);
  MakeSlotBox(ComboBoxTamrixCreate, "ComboBoxTamrixCreate", 268, 8, 1);
  MakeLabel(Label1, "Label1", "LogSlot", 340, 12, 48, 15);
  MakeButton(ButtonClearList, "ButtonClearList", "Clear", 408, 8, 153, 57, 22);

  MakeButton(ButtonTamrixClose, "ButtonTamrixClose", "Close", 8, 39, 137, 25, 7);
  MakeStatusLabel(LabelTamrixClose, "LabelTamrixClose", 152, 44);
  MakeSlotBox(ComboBoxTamrixClose, "ComboBoxTamrixClose", 268, 40, 2);
  MakeLabel(Label2, "Label2", "LogSlot", 340, 44, 48, 15);

  MakeButton(ButtonTamrixGetVersion, "ButtonTamrixGetVersion", "GetVersion", 8, 72, 137, 25, 5);
  MakeStatusLabel(LabelTamrixGetVersion, "LabelTamrixGetVersion", 152, 76);

  MakeButton(ButtonTamrixGetResource, "ButtonTamrixGetResource", "GetResource", 8, 115, 137, 25, 8);
  MakeStatusLabel(LabelTamrixGetResource, "LabelTamrixGetResource", 152, 120);
  Place(ListBoxTamrixResourceDisplay, "ListBoxTamrixResourceDisplay", 192, 103, 369, 49, 9);

  MakeButton(ButtonTamrixSetMode, "ButtonTamrixSetMode", "SetMode", 8, 175, 137, 25, 17);
  MakeStatusLabel(LabelTamrixSetMode, "LabelTamrixSetMode", 152, 180);
  Place(ListBoxTamrixSetMode, "ListBoxTamrixSetMode", 192, 163, 369, 49, 19);

  MakeButton(ButtonTamrixStartSampling, "ButtonTamrixStartSampling", "StartSampling", 8, 208, 137,
             25, 10);
  MakeStatusLabel(LabelTamrixStartSampling, "LabelTamrixStartSampling", 152, 212);

  MakeButton(ButtonTamrixStopSampling, "ButtonTamrixStopSampling", "StopSampling", 8, 240, 137, 25,
             11);
  MakeStatusLabel(LabelTamrixStopSampling, "LabelTamrixStopSampling", 152, 244);

  MakeButton(ButtonTamrixGetSamplingStatus, "ButtonTamrixGetSamplingStatus", "GetSamplingStatus", 8,
             275, 137, 25, 12);
  MakeStatusLabel(LabelTamrixGetSamplingStatus, "LabelTamrixGetSamplingStatus", 152, 280);
  Place(ListBoxTamrixStatusDisplay, "ListBoxTamrixStatusDisplay", 192, 263, 369, 49, 13);

  MakeButton(ButtonTamrixGetData, "ButtonTamrixGetData", "GetData", 8, 320, 137, 25, 14);
  MakeStatusLabel(LabelTamrixGetData, "LabelTamrixGetData", 152, 324);
  Place(ComboBoxTamrixGetData, "ComboBoxTamrixGetData", 192, 320, 145, 23, 20);
  ComboBoxTamrixGetData.SetStyle(csDropDown);
  ComboBoxTamrixGetData.AddItem("Auto");
  Place(ListBoxTamrixSingleData, "ListBoxTamrixSingleData", 360, 320, 121, 49, 21);

  MakeButton(ButtonTamrixGetLastError, "ButtonTamrixGetLastError", "GetLastError", 8, 352, 137, 25,
             15);
  MakeStatusLabel(LabelTamrixGetLastError, "LabelTamrixGetLastError", 152, 356);

  MakeButton(ButtonTamrixGetExIn, "ButtonTamrixGetExIn", "GetExIn", 8, 391, 137, 25, 16);
  MakeStatusLabel(LabelTamrixGetExIn, "LabelTamrixGetExIn", 152, 396);
  Place(ListBoxTamrixGetExIn, "ListBoxTamrixGetExIn", 192, 379, 369, 49, 18);

  MakeLabel(Label5, "Label5", "Tamrixｴﾗｰｺｰﾄﾞ", 16, 432, 78, 15);
  Place(ListBoxTamrixErrMsg, "ListBoxTamrixErrMsg", 8, 448, 265, 73, 4);
  ListBoxTamrixErrMsg.SetFont(TFont{"ＭＳ Ｐゴシック", 15, clRed});
  MakeLabel(Label3, "Label3", "VxDからのﾒｯｾｰｼﾞ", 288, 432, 116, 15);
  Place(ListBoxVxdMsg, "ListBoxVxdMsg", 280, 448, 281, 73, 0);
  MakeLabel(Label4, "Label4", "その他のﾒｯｾｰｼﾞ", 8, 528, 106, 15);
  Place(ListBoxEtcMsg, "ListBoxEtcMsg", 8, 544, 553, 65, 3);

  LayoutMenu();
}

void TMainForm::LayoutMenu() {
  N1.SetCaption("ﾌｧｲﾙ(&F)");
  XALTF41.SetCaption("ﾌﾟﾛｸﾞﾗﾑの終了(&X)");
  XALTF41.SetShortCut("Alt+X");
  H1.SetCaption("ﾍﾙﾌﾟ(&H)");
  N2.SetCaption("目次");
  N2.SetShortCut("F1");
}
