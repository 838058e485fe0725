// The main window: one row per library command, the three message lists,
// the menu, and every handler of the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "channel_table.h"
#include "tamrix.h"
#include "tamrix_ui/ui.h"

// The sampling mode as the program holds it: the library's record, read as
// signed numbers (a range typed backwards gives a negative size).
struct TModeRecord {
  std::int32_t ChFirst;
  std::int32_t ChLast;
  std::int32_t BuffSize;
  std::int32_t Timer;
  std::int32_t Mode;
};
static_assert(sizeof(TModeRecord) == sizeof(ModeRecord));

// The program-wide help file, set at start-up.
extern std::string HelpFile;
// The installed help file: a fixed absolute path.
const char *InstalledHelpFile();

class TMainForm : public tamrix::ui::Form {
 public:
  TMainForm();

  std::uint16_t CurrentSlot = 0;
  TModeRecord CurrentMode{0, 0, 4096, 0, 1};

  // Reporting into the message lists.
  void AddEtcMsg(std::string_view text);
  void AddVxdMsg(std::string_view text);
  void ShowErrorCode(std::int32_t code);

  // Handlers.
  void FormCreate();
  void FormDestroy();
  void ButtonClearListClick();
  void XALTF41Click();
  void N2Click();
  void ButtonTamrixCreateClick();
  void ButtonTamrixCloseClick();
  void ButtonTamrixGetVersionClick();
  void ButtonTamrixGetResourceClick();
  void ButtonTamrixSetModeClick();
  void ButtonTamrixStartSamplingClick();
  void ButtonTamrixStopSamplingClick();
  void ButtonTamrixGetSamplingStatusClick();
  void ButtonTamrixGetDataClick();
  void ButtonTamrixGetLastErrorClick();
  void ButtonTamrixGetExInClick();

  // Steps shared by the commands.
  std::int32_t ReadSamplingStatus();
  void AddStatusLine(std::int32_t num_data, std::int32_t status);
  void AddExInLine(std::int32_t ex_in0, std::int32_t ex_in1, std::int32_t ex_trg);
  void ShowResource(TAMRIXR record);
  bool SplitChannels(std::int32_t count, const SampleBuffer &buffer, ChannelTable &table);
  void ShowGraph(const ChannelTable &table, std::int32_t count) const;

  tamrix::ui::MainMenu MainMenu1{this};
  tamrix::ui::MenuItem N1{&MainMenu1};
  tamrix::ui::MenuItem XALTF41{&N1};
  tamrix::ui::MenuItem H1{&MainMenu1};
  tamrix::ui::MenuItem N2{&H1};

  tamrix::ui::Button ButtonTamrixCreate{this};
  tamrix::ui::Label LabelTamrixCreate{this};
  tamrix::ui::ComboBox ComboBoxTamrixCreate{this};
  tamrix::ui::Label Label1{this};
  tamrix::ui::Button ButtonClearList{this};
  tamrix::ui::Button ButtonTamrixClose{this};
  tamrix::ui::Label LabelTamrixClose{this};
  tamrix::ui::ComboBox ComboBoxTamrixClose{this};
  tamrix::ui::Label Label2{this};
  tamrix::ui::Button ButtonTamrixGetVersion{this};
  tamrix::ui::Label LabelTamrixGetVersion{this};
  tamrix::ui::Button ButtonTamrixGetResource{this};
  tamrix::ui::Label LabelTamrixGetResource{this};
  tamrix::ui::ListBox ListBoxTamrixResourceDisplay{this};
  tamrix::ui::Button ButtonTamrixSetMode{this};
  tamrix::ui::Label LabelTamrixSetMode{this};
  tamrix::ui::ListBox ListBoxTamrixSetMode{this};
  tamrix::ui::Button ButtonTamrixStartSampling{this};
  tamrix::ui::Label LabelTamrixStartSampling{this};
  tamrix::ui::Button ButtonTamrixStopSampling{this};
  tamrix::ui::Label LabelTamrixStopSampling{this};
  tamrix::ui::Button ButtonTamrixGetSamplingStatus{this};
  tamrix::ui::Label LabelTamrixGetSamplingStatus{this};
  tamrix::ui::ListBox ListBoxTamrixStatusDisplay{this};
  tamrix::ui::Button ButtonTamrixGetData{this};
  tamrix::ui::Label LabelTamrixGetData{this};
  tamrix::ui::ComboBox ComboBoxTamrixGetData{this};
  tamrix::ui::ListBox ListBoxTamrixSingleData{this};
  tamrix::ui::Button ButtonTamrixGetLastError{this};
  tamrix::ui::Label LabelTamrixGetLastError{this};
  tamrix::ui::Button ButtonTamrixGetExIn{this};
  tamrix::ui::Label LabelTamrixGetExIn{this};
  tamrix::ui::ListBox ListBoxTamrixGetExIn{this};
  tamrix::ui::Label Label5{this};
  tamrix::ui::ListBox ListBoxTamrixErrMsg{this};
  tamrix::ui::Label Label3{this};
  tamrix::ui::ListBox ListBoxVxdMsg{this};
  tamrix::ui::Label Label4{this};
  tamrix::ui::ListBox ListBoxEtcMsg{this};

 private:
  void Layout();
  void LayoutMenu();
  void ConnectHandlers();
  void RunGetLastErrorStep();
  // The GetLastError step's label and line for a status code.
  void ShowLastError(std::int32_t code);
  // The slot an item of a slot box names; false for "Auto".
  static bool SlotOfItem(const tamrix::ui::ComboBox &box, std::uint16_t &slot);

  std::unique_ptr<SampleBuffer> sample_buffer_ = std::make_unique<SampleBuffer>();
  std::unique_ptr<ChannelTable> channel_table_ = std::make_unique<ChannelTable>();
};

extern TMainForm *MainForm;

// The selection rule every list follows after new lines.
void MoveSelectionDown(tamrix::ui::ListBox &list);

// A library result counts as success when its low byte is exactly 1.
inline bool Succeeded(std::int32_t result) { return (result & 0xFF) == 1; }
