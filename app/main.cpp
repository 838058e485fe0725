// The main window as a whole: start and end, Clear, the menu, the message
// lists and the driver's notifications.
#include "main.h"

#include "Tamrixdll.h"
#include "tamrix_platform/help.h"

using namespace tamrix::text;
using namespace tamrix::ui;

TMainForm *MainForm = nullptr;
std::string HelpFile;

const char *InstalledHelpFile() { return TAMRIX_HELP_FILE; }

// Selecting the line after the selected one keeps the list on its newest
// line until the operator clicks elsewhere.
void MoveSelectionDown(ListBox &list) { list.SetItemIndex(list.ItemIndex() + 1); }

namespace {

std::string NumberedLine(const ListBox &list, std::string_view text) {
  return Format("%.3d %s", list.Count() + 1, text);
}

std::string ErrorCodeText(std::int32_t code) {
  // The display has no name of its own for a kept mode.
  if (code != TAMRIX_ERR_MODE_KEPT) {
    if (const char *name = tamrix_status_name(code)) return name;
  }
  if (code == Tamrixdll::kNoGetLastError) return "DLL関数(TamrixGetLastError)が見つからないよ～";
  return Format("WinGetLastError=%.d", code);
}

}  // namespace

TMainForm::TMainForm() {
  Layout();
  ConnectHandlers();
  OnCreate = [this] { FormCreate(); };
  OnDestroy = [this] { FormDestroy(); };
}

void TMainForm::ConnectHandlers() {
  ButtonTamrixCreate.OnClick = [this] { ButtonTamrixCreateClick(); };
  ButtonTamrixClose.OnClick = [this] { ButtonTamrixCloseClick(); };
  ButtonTamrixGetVersion.OnClick = [this] { ButtonTamrixGetVersionClick(); };
  ButtonTamrixGetResource.OnClick = [this] { ButtonTamrixGetResourceClick(); };
  ButtonTamrixSetMode.OnClick = [this] { ButtonTamrixSetModeClick(); };
  ButtonTamrixStartSampling.OnClick = [this] { ButtonTamrixStartSamplingClick(); };
  ButtonTamrixStopSampling.OnClick = [this] { ButtonTamrixStopSamplingClick(); };
  ButtonTamrixGetSamplingStatus.OnClick = [this] { ButtonTamrixGetSamplingStatusClick(); };
  ButtonTamrixGetData.OnClick = [this] { ButtonTamrixGetDataClick(); };
  ButtonTamrixGetLastError.OnClick = [this] { ButtonTamrixGetLastErrorClick(); };
  ButtonTamrixGetExIn.OnClick = [this] { ButtonTamrixGetExInClick(); };
  ButtonClearList.OnClick = [this] { ButtonClearListClick(); };
  XALTF41.OnClick = [this] { XALTF41Click(); };
  N2.OnClick = [this] { N2Click(); };
#define TAMRIX_VXD_MSG_HANDLER(message, text) \
  SetMessageHandler(message, [this](WPARAM, LPARAM) { AddVxdMsg(text); });
  TAMRIX_NOTIFICATION_TABLE(TAMRIX_VXD_MSG_HANDLER)
#undef TAMRIX_VXD_MSG_HANDLER
}

void TMainForm::AddEtcMsg(std::string_view text) {
  if (text.find("Err:") != std::string_view::npos) {
    ListBoxEtcMsg.SetFontColor(clRed);
    ListBoxEtcMsg.Add(Format("%.3d ????? %s ?????", ListBoxEtcMsg.Count() + 1, text));
  } else {
    ListBoxEtcMsg.SetFontColor(clWindowText);
    ListBoxEtcMsg.Add(NumberedLine(ListBoxEtcMsg, text));
  }
  MoveSelectionDown(ListBoxEtcMsg);
}

void TMainForm::AddVxdMsg(std::string_view text) {
  ListBoxVxdMsg.Add(NumberedLine(ListBoxVxdMsg, text));
  MoveSelectionDown(ListBoxVxdMsg);
}

void TMainForm::ShowErrorCode(std::int32_t code) {
  ListBoxTamrixErrMsg.SetFontColor(code == TAMRIX_SUCCESS ? clBlue : clRed);
  ListBoxTamrixErrMsg.Add(NumberedLine(ListBoxTamrixErrMsg, ErrorCodeText(code)));
  MoveSelectionDown(ListBoxTamrixErrMsg);
}

void TMainForm::AddStatusLine(std::int32_t num_data, std::int32_t status) {
  ListBoxTamrixStatusDisplay.Add(Format("%.3d NumData=%.d Status=%.xH",
                                        ListBoxTamrixStatusDisplay.Count() + 1, num_data, status));
  MoveSelectionDown(ListBoxTamrixStatusDisplay);
}

void TMainForm::AddExInLine(std::int32_t ex_in0, std::int32_t ex_in1, std::int32_t ex_trg) {
  ListBoxTamrixGetExIn.Add(Format("ExIn0=%.xH ExIn1=%.xH ExTrg=%.xH", ex_in0, ex_in1, ex_trg));
  MoveSelectionDown(ListBoxTamrixGetExIn);
}

void TMainForm::FormCreate() {
  ComboBoxTamrixCreate.SetItemIndex(0);
  ComboBoxTamrixClose.SetItemIndex(0);
  ComboBoxTamrixGetData.SetText("1");
  ComboBoxTamrixGetData.SetItemIndex(0);
  CurrentMode = TModeRecord{0, 0, 4096, 0, 1};
  const bool loaded = Tamrixdll::LoadTamrixLibrary();
  const auto load_error = static_cast<std::int32_t>(GetLastError());
  if (loaded) {
    AddEtcMsg("DLL ﾛｰﾄﾞ Success");
  } else {
    AddEtcMsg("Err: DLLのﾛｰﾄﾞ時ｴﾗｰ(DLLが見つからないか初期化ｴﾗｰ)");
    ShowErrorCode(load_error);
  }
}

void TMainForm::FormDestroy() {
  // Sampling is not stopped first: only the Close command reaches the board.
  App().RunGuarded([this] { ButtonTamrixCloseClick(); });
  if (Tamrixdll::FreeTamrixLibrary()) return;
  const auto release_error = static_cast<std::int32_t>(GetLastError());
  AddEtcMsg("Err: DLLのｱﾝﾛｰﾄﾞ時ｴﾗｰ");
  ShowErrorCode(release_error);
  App().MessageBox("DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ", mtNone);
}

void TMainForm::ButtonClearListClick() {
  ListBoxVxdMsg.Clear();
  ListBoxEtcMsg.Clear();
  ListBoxTamrixResourceDisplay.Clear();
  ListBoxTamrixStatusDisplay.Clear();
  ListBoxTamrixGetExIn.Clear();
  ListBoxTamrixErrMsg.Clear();
  ListBoxTamrixSetMode.Clear();
  ListBoxTamrixSingleData.Clear();
}

void TMainForm::XALTF41Click() { Close(); }

void TMainForm::N2Click() { WinHelpA(Handle(), HelpFile.c_str(), HELP_CONTENTS, 0); }
