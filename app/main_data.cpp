// The SetMode and GetData commands: the mode dialog's record, the data
// fetch, the channel split and the hand-over to the graph window.
#include <algorithm>
#include <bit>

#include "Graph.h"
#include "Modeset.h"
#include "Tamrixdll.h"
#include "main.h"
#include "scan_split.h"

using namespace tamrix::text;
using namespace tamrix::ui;

namespace {

std::int32_t SelectedNumber(const ComboBox &box) { return StrToInt(box.Item(box.ItemIndex())); }

bool IsSingleValueMode(std::int32_t mode) {
  return mode == 1 || mode == 2 || mode == 6 || mode == 7;
}

}  // namespace

void TMainForm::ButtonTamrixSetModeClick() {
  if (ModeSetForm->ShowModal() != mrOk) return;
  TModeRecord mode{};
  mode.Mode = SelectedNumber(ModeSetForm->ComboBoxModeSel);
  mode.ChFirst = SelectedNumber(ModeSetForm->ComboBoxStartChSel);
  mode.ChLast = SelectedNumber(ModeSetForm->ComboBoxStopChSel);
  // A range chosen backwards gives zero or fewer channels; the library judges.
  const std::int32_t channels = mode.ChLast - mode.ChFirst + 1;
  mode.BuffSize = SelectedNumber(ModeSetForm->ComboBoxBuffSize) * channels;
  mode.Timer = StrToInt(ModeSetForm->EditTimer.Text());

  auto record = std::bit_cast<ModeRecord>(mode);
  if (Succeeded(Tamrixdll::TamrixSetMode(CurrentSlot, &record))) {
    CurrentMode = mode;
    ListBoxTamrixSetMode.Add(Format("%.3d MODE=%.2d ChF=%.2d ChL=%.2d Buffer=%.d Timer=%.d",
                                    ListBoxTamrixSetMode.Count() + 1, mode.Mode, mode.ChFirst,
                                    mode.ChLast, mode.BuffSize, mode.Timer));
    MoveSelectionDown(ListBoxTamrixSetMode);
    GraphForm->ClearGraph();
    LabelTamrixSetMode.SetCaption(" OK ");
    AddEtcMsg(Format("SetMode Slot=%.2d Success", CurrentSlot));
  } else {
    LabelTamrixSetMode.SetCaption(" NG ");
    AddEtcMsg(Format("Err: SetMode Slot=%.2d Fail", CurrentSlot));
  }
  RunGetLastErrorStep();
}

void TMainForm::ButtonTamrixGetDataClick() {
  SampleBuffer &buffer = *sample_buffer_;
  buffer.fill(0);
  std::int32_t count = ReadSamplingStatus();
  const int selected = ComboBoxTamrixGetData.ItemIndex();
  if (selected < 0 || ComboBoxTamrixGetData.Item(selected) != "Auto") {
    count = StrToInt(ComboBoxTamrixGetData.Text());
  }
  if (count != 0) {
    // The driver writes straight into the buffer: never ask for more than
    // it holds. Negative counts go on; the library refuses them itself.
    const bool fits = count <= kSampleBufferWords;
    if (fits && Succeeded(Tamrixdll::TamrixGetData(CurrentSlot, count, buffer.data()))) {
      LabelTamrixGetData.SetCaption(" OK ");
      AddEtcMsg(Format("GetData Slot=%.2d NumData=%.d Success", CurrentSlot, count));
      if (IsSingleValueMode(CurrentMode.Mode)) {
        ListBoxTamrixSingleData.Add(Format("%.xH", buffer[0]));
        MoveSelectionDown(ListBoxTamrixSingleData);
      } else if (SplitChannels(count, buffer, *channel_table_)) {
        ShowGraph(*channel_table_, count);
      }
    } else {
      LabelTamrixGetData.SetCaption(" NG ");
      AddEtcMsg(Format("Err: GetData Slot=%.2d NumData=%.d Fail", CurrentSlot, count));
    }
    if (!fits) {
      // The library was not asked: its status would tell of the status step.
      // Show the code it gives any count above a buffer.
      ShowLastError(TAMRIX_ERR_NUMDATA);
      return;
    }
  }
  RunGetLastErrorStep();
}

bool TMainForm::SplitChannels(std::int32_t count, const SampleBuffer &buffer, ChannelTable &table) {
  std::array<std::int32_t, kChannelCount> filled{};
  const std::int32_t first = CurrentMode.ChFirst;
  const std::int32_t last = CurrentMode.ChLast;
  std::int32_t i = 0;
  // The board delivers whole scans in channel order: as many as the table
  // holds go in a block at a time. The word loop takes over where that
  // stopped (a word out of order, a full row, the last few scans), from the
  // state it would have reached by itself.
  if (first >= 0 && first <= last && last < kChannelCount && count > 0 &&
      count <= kSampleBufferWords) {
    const std::int32_t channels = last - first + 1;
    const std::int32_t scans = std::min(count / channels, kChannelCapacity);
    const std::int32_t done = SplitWholeScans(buffer.data(), first, channels, scans, table);
    std::fill(filled.begin() + first, filled.begin() + last + 1, done);
    i = done * channels;
  }
  bool in_range = true;
  for (; i < count; ++i) {
    const std::uint16_t word = buffer[i];
    const std::int32_t channel = word >> 12;
    if (channel < first || channel > last) {
      AddEtcMsg(Format("Err: Chanel data Fail...GetData[%d]=%.xH", i, word));
      in_range = false;
      break;
    }
    std::int32_t &next = filled[channel];
    CheckRange(next, kChannelCapacity);
    table[channel][next++] = word & 0x0FFF;
  }
  // Entries this split did not write must not show an earlier fetch.
  for (int channel = 0; channel < kChannelCount; ++channel) {
    std::fill(table[channel].begin() + filled[channel], table[channel].end(), 0);
  }
  return in_range;
}

void TMainForm::ShowGraph(const ChannelTable &table, std::int32_t count) const {
  const std::int32_t channels = CurrentMode.ChLast - CurrentMode.ChFirst + 1;
  if (channels <= 0) return;  // a split over an empty range delivers nothing to draw
  const std::int32_t samples_per_channel = std::max(count / channels, 1);
  GraphForm->SetData(samples_per_channel, CurrentMode.ChFirst, CurrentMode.ChLast, table);
  if (!GraphForm->Visible()) {
    GraphForm->Show();
  } else {
    GraphForm->PaintBoxGraph.Repaint();
  }
}
