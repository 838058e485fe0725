// The board commands of the main window and the resource report.
#include "Tamrixdll.h"
#include "main.h"

using namespace tamrix::text;
using namespace tamrix::ui;

namespace {

constexpr char kAutoItem[] = "Auto";
constexpr std::uint16_t kAnyFreeBoard = 0xFFFF;

void ShowOutcome(Label &label, bool succeeded) { label.SetCaption(succeeded ? " OK " : " NG "); }

}  // namespace

bool TMainForm::SlotOfItem(const ComboBox &box, std::uint16_t &slot) {
  const std::string &item = box.Item(box.ItemIndex());
  if (item == kAutoItem) return false;
  slot = static_cast<std::uint16_t>(StrToInt(item));
  return true;
}

void TMainForm::RunGetLastErrorStep() { ShowLastError(Tamrixdll::TamrixGetLastError(CurrentSlot)); }

void TMainForm::ShowLastError(std::int32_t code) {
  LabelTamrixGetLastError.SetCaption(code == Tamrixdll::kNoGetLastError ? " NG " : " OK ");
  ShowErrorCode(code);
}

void TMainForm::ButtonTamrixGetLastErrorClick() { RunGetLastErrorStep(); }

void TMainForm::ButtonTamrixCreateClick() {
  if (!SlotOfItem(ComboBoxTamrixCreate, CurrentSlot)) CurrentSlot = kAnyFreeBoard;
  std::uint16_t scratch = 0;  // the library neither reads nor writes it
  if (Succeeded(Tamrixdll::TamrixCreate(&CurrentSlot, Handle(), &scratch))) {
    LabelTamrixCreate.SetCaption(Format(" Slot=%.2d ", CurrentSlot));
    AddEtcMsg(Format("Create Slot=%.2d Success", CurrentSlot));
  } else {
    LabelTamrixCreate.SetCaption(" NG ");
    AddEtcMsg(Format("Err: Create Slot=%.2d Fail", CurrentSlot));
  }
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixCloseClick() {
  // "Auto" closes the slot of the last Create or numbered Close.
  SlotOfItem(ComboBoxTamrixClose, CurrentSlot);
  const bool ok = Succeeded(Tamrixdll::TamrixClose(CurrentSlot));
  ShowOutcome(LabelTamrixClose, ok);
  AddEtcMsg(Format(ok ? "Close Slot=%.2d Success" : "Err: Close Slot=%.2d Fail", CurrentSlot));
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixGetVersionClick() {
  std::uint32_t library_version = 0;
  std::uint32_t driver_version = 0;
  if (Succeeded(Tamrixdll::TamrixGetVersion(&library_version, &driver_version))) {
    LabelTamrixGetVersion.SetCaption(
        Format(" Version DLL=%x DRV=%x ", library_version, driver_version));
  } else {
    LabelTamrixGetVersion.SetCaption(" NG ");
    AddEtcMsg("Err: GetVersion Fail");
  }
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixGetResourceClick() {
  TAMRIXR record{};
  const bool ok = Succeeded(Tamrixdll::TamrixGetResource(CurrentSlot, &record));
  ShowOutcome(LabelTamrixGetResource, ok);
  if (ok) {
    AddEtcMsg(Format("GetResource Slot=%.2d Success", CurrentSlot));
    ShowResource(record);
  } else {
    AddEtcMsg(Format("Err: GetResource Slot=%.2d Fail", CurrentSlot));
  }
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixStartSamplingClick() {
  const bool ok = Succeeded(Tamrixdll::TamrixStartSampling(CurrentSlot));
  ShowOutcome(LabelTamrixStartSampling, ok);
  AddEtcMsg(Format(ok ? "StartSmapling Slot=%.2d Success" : "Err: StartSampling Slot=%.2d Fail",
                   CurrentSlot));
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixStopSamplingClick() {
  const bool ok = Succeeded(Tamrixdll::TamrixStopSampling(CurrentSlot));
  ShowOutcome(LabelTamrixStopSampling, ok);
  AddEtcMsg(Format(ok ? "StopSmapling Slot=%.2d Success" : "Err: StopSampling Slot=%.2d Fail",
                   CurrentSlot));
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixGetSamplingStatusClick() { ReadSamplingStatus(); }

std::int32_t TMainForm::ReadSamplingStatus() {
  std::int32_t num_data = 0;
  std::int32_t status = 0;
  if (!Succeeded(Tamrixdll::TamrixGetSamplingStatus(CurrentSlot, &num_data, &status))) {
    LabelTamrixGetSamplingStatus.SetCaption(" NG ");
    AddEtcMsg(Format("Err: GetSmaplingStatus Slot=%.2d Fail", CurrentSlot));
    return 0;
  }
  LabelTamrixGetSamplingStatus.SetCaption(" OK ");
  AddEtcMsg(Format("GetSmaplingStatus Slot=%.2d Success", CurrentSlot));
  AddStatusLine(num_data, status);
  return num_data;
}

void TMainForm::ButtonTamrixGetExInClick() {
  // Zero before the call, so a failure line never prints leftovers.
  std::int32_t ex_in0 = 0;
  std::int32_t ex_in1 = 0;
  std::int32_t ex_trg = 0;
  const bool ok = Succeeded(Tamrixdll::TamrixGetExIn(CurrentSlot, &ex_in0, &ex_in1, &ex_trg));
  ShowOutcome(LabelTamrixGetExIn, ok);
  AddEtcMsg(Format(ok ? "GetExIn Slot=%.2d ExIn0=%.xH ExIn1=%.xH ExTrg=%.xH Success"
                      : "Err: GetExIn Slot=%.2d ExIn0=%.xH ExIn1=%.xH ExTrg=%.xH Fail",
                   CurrentSlot, ex_in0, ex_in1, ex_trg));
  if (ok) AddExInLine(ex_in0, ex_in1, ex_trg);
  RunGetLastErrorStep();
}

void TMainForm::ShowResource(TAMRIXR record) {
  ListBox &list = ListBoxTamrixResourceDisplay;
  const auto section = [&](const char *separator, const char *count_name, int count,
                           auto &&entry_lines) {
    list.Add(separator);
    if (count == 0) {
      AddEtcMsg(Format("Err: TAMRIXR data error %s=%.d", count_name, count));
    } else {
      list.Add(Format("%s=%.d", count_name, count));
    }
    for (int i = 0; i < count; ++i) entry_lines(i);
  };
  section("----- Ports -----", "NumIOPorts", record.NumIOPorts, [&](int i) {
    CheckRange(i, std::size(record.IOPortBase));
    list.Add(Format("IOPortBase[%d]=%.xH", i, record.IOPortBase[i]));
    list.Add(Format("IOPortLength[%d]=%.xH", i, record.IOPortLength[i]));
  });
  section("----- IRQs ------", "NumIRQs", record.NumIRQs, [&](int i) {
    CheckRange(i, std::size(record.IRQRegisters));
    list.Add(Format("IRQRegisters[%d]=%.xH", i, record.IRQRegisters[i]));
    list.Add(Format("IRQAttrib[%d]=%.xH", i, record.IRQAttrib[i]));
  });
  section("----- DMAs ------", "NumDMAs", record.NumDMAs, [&](int i) {
    CheckRange(i, std::size(record.DMALst));
    list.Add(Format("DMALst[%d]=%.xH", i, record.DMALst[i]));
    list.Add(Format("DMAAttrib[%d]=%.xH", i, record.DMAAttrib[i]));
  });
  list.Add("===================================");
  MoveSelectionDown(list);  // once for the whole report
}
