// SetMode and GetData against the scripted library.
#include <algorithm>
#include <array>

#include "scripted_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;
using ModeAndData = ScriptedProgram;

std::vector<std::uint16_t> Interleaved(int channels, int words, int first = 0) {
  std::vector<std::uint16_t> data;
  for (int i = 0; i < words; ++i) {
    const int channel = first + i % channels;
    data.push_back(static_cast<std::uint16_t>(channel << 12 | (i * 37 + channel) % 4096));
  }
  return data;
}

TEST_F(ModeAndData, DialogDefaultsSendTheFirstRecord) {
  AnswerModeDialog(nullptr);
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(script->last_mode.ChFirst, 0u);
  EXPECT_EQ(script->last_mode.ChLast, 0u);
  EXPECT_EQ(script->last_mode.BuffSize, 256u);
  EXPECT_EQ(script->last_mode.Timer, 500u);
  EXPECT_EQ(script->last_mode.Mode, 3);
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode), "001 MODE=03 ChF=00 ChL=00 Buffer=256 Timer=500");
  EXPECT_EQ(form->ListBoxTamrixSetMode.ItemIndex(), 0);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 SetMode Slot=00 Success");
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(0)");
  EXPECT_EQ(form->CurrentMode.Mode, 3);
  EXPECT_EQ(form->CurrentMode.Timer, 500);
}

TEST_F(ModeAndData, BufferSizeIsPerChannelTimesTheChannelCount) {
  struct Case {
    const char *first, *last, *per_channel;
    std::int32_t size;
  };
  for (const Case &c : {Case{"02", "05", "1024", 4096}, Case{"00", "15", "4096", 65536},
                        Case{"05", "04", "256", 0}, Case{"05", "03", "16", -16}}) {
    AnswerModeDialog([&](TModeSetForm &dialog) {
      SelectItem(dialog.ComboBoxStartChSel, c.first);
      SelectItem(dialog.ComboBoxStopChSel, c.last);
      SelectItem(dialog.ComboBoxBuffSize, c.per_channel);
      SelectItem(dialog.ComboBoxModeSel, "10");
      dialog.EditTimer.SetText("$3E8");
    });
    Click(form->ButtonTamrixSetMode);
    EXPECT_EQ(static_cast<std::int32_t>(script->last_mode.BuffSize), c.size);
    EXPECT_EQ(script->last_mode.Timer, 1000u);
    EXPECT_EQ(script->last_mode.Mode, 10);
  }
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode),
            "004 MODE=10 ChF=05 ChL=03 Buffer=-16 Timer=1000");
}

TEST_F(ModeAndData, CancelDoesNothingAndKeepsTheDialogsValues) {
  AnswerModeDialog(
      [&](TModeSetForm &dialog) {
        SelectItem(dialog.ComboBoxModeSel, "07");
        dialog.EditTimer.SetText("12");
      },
      mrCancel);
  const auto etc = Lines(form->ListBoxEtcMsg);
  Click(form->ButtonTamrixSetMode);
  EXPECT_TRUE(script->calls.empty());
  EXPECT_EQ(Lines(form->ListBoxEtcMsg), etc);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " -- ");
  EXPECT_EQ(ModeSetForm->ComboBoxModeSel.Text(), "07");
  EXPECT_EQ(ModeSetForm->EditTimer.Text(), "12");
}

TEST_F(ModeAndData, BadTimerTextStopsBeforeTheLibrary) {
  AnswerModeDialog([](TModeSetForm &dialog) { dialog.EditTimer.SetText("500 "); });
  Click(form->ButtonTamrixSetMode);
  EXPECT_TRUE(script->calls.empty());
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "'500 ' は整数ではありません");
  EXPECT_EQ(App().MessageBoxes()[0].type, mtError);
  EXPECT_EQ(ModeSetForm->EditTimer.Text(), "500 ");
}

TEST_F(ModeAndData, FailedSetModeKeepsTheCurrentModeAndTheGraph) {
  AnswerModeDialog(nullptr);
  Click(form->ButtonTamrixSetMode);
  const TModeRecord accepted = form->CurrentMode;
  GraphForm->SampleCount = 7;
  script->set_mode = 0;
  script->last_error = 102;
  AnswerModeDialog([&](TModeSetForm &dialog) { SelectItem(dialog.ComboBoxModeSel, "05"); });
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(form->CurrentMode.Mode, accepted.Mode);
  EXPECT_EQ(GraphForm->SampleCount, 7);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 ????? Err: SetMode Slot=00 Fail ?????");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "002 TAMRIX_ERR_TIMER");
  EXPECT_EQ(form->ListBoxTamrixSetMode.Count(), 1);
}

TEST_F(ModeAndData, SingleValueModeListsWordZeroOnly) {
  script->num_data = 500;
  script->data = {0x03A7, 0x1234};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,500)");
  EXPECT_EQ(Lines(form->ListBoxTamrixSingleData), std::vector<std::string>{"3A7H"});
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 GetData Slot=00 NumData=500 Success");
  EXPECT_FALSE(GraphForm->Visible());
  script->data = {0};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(LastLine(form->ListBoxTamrixSingleData), "0H");
}

class DataAfterMode : public ModeAndData {
 protected:
  void SetMode(const char *mode, const char *first, const char *last) {
    AnswerModeDialog([=, this](TModeSetForm &dialog) {
      SelectItem(dialog.ComboBoxModeSel, mode);
      SelectItem(dialog.ComboBoxStartChSel, first);
      SelectItem(dialog.ComboBoxStopChSel, last);
    });
    Click(form->ButtonTamrixSetMode);
    ASSERT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
    script->calls.clear();
  }
  void TypeCount(const std::string &text) { form->ComboBoxTamrixGetData.SetText(text); }
};

TEST_F(DataAfterMode, FourInterleavedChannelsReachTheGraph) {
  SetMode("03", "00", "03");
  script->num_data = 1024;
  script->data = Interleaved(4, 1024);
  Click(form->ButtonTamrixGetData);
  EXPECT_TRUE(GraphForm->Visible());
  EXPECT_EQ(GraphForm->SampleCount, 256);
  EXPECT_EQ(GraphForm->FirstChannel, 0);
  EXPECT_EQ(GraphForm->LastChannel, 3);
  for (int k = 0; k < 256; ++k) {
    for (int c = 0; c < 4; ++c) {
      ASSERT_EQ(GraphForm->Samples[c][k], script->data[4 * k + c] & 0x0FFF);
    }
  }
  const int paints = GraphForm->PaintBoxGraph.PaintCount();
  Click(form->ButtonTamrixGetData);
  EXPECT_GT(GraphForm->PaintBoxGraph.PaintCount(), paints) << "repainted in place";
}

TEST_F(DataAfterMode, AWordFromOutsideTheRangeIsReportedAndNothingDrawn) {
  SetMode("04", "00", "03");
  script->num_data = 64;
  script->data = Interleaved(4, 64);
  script->data[17] = 0x5ABC;
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            Format("%.3d ????? Err: Chanel data Fail...GetData[17]=5ABCH ?????",
                   form->ListBoxEtcMsg.Count()));
  EXPECT_FALSE(GraphForm->Visible());
  EXPECT_EQ(GraphForm->SampleCount, 0);
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(0)");
}

TEST_F(DataAfterMode, TypedCountAndSmallCountsPerChannel) {
  SetMode("08", "02", "02");
  TypeCount("3");
  script->data = {0x2001, 0x2002, 0x2003};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,3)") << "status first, then the typed count";
  EXPECT_EQ(GraphForm->SampleCount, 3);
  EXPECT_EQ(GraphForm->FirstChannel, 2);
  EXPECT_EQ(GraphForm->LastChannel, 2);

  SetMode("09", "00", "03");
  TypeCount("2");
  script->data = {0x0005, 0x1006};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(GraphForm->SampleCount, 1) << "fewer words than channels still draws one sample";
  EXPECT_EQ(GraphForm->Samples[2][0], 0) << "channels without words show no earlier data";
  EXPECT_EQ(GraphForm->Samples[1][0], 6);

  TypeCount("10");
  script->data = Interleaved(4, 10);
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(GraphForm->SampleCount, 2) << "the remainder stays undrawn";
}

TEST_F(DataAfterMode, NegativeAndZeroCounts) {
  SetMode("03", "00", "00");
  TypeCount("-5");
  script->get_data = 0;
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,-5)") << "the library judges a negative count";
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " NG ");
  EXPECT_EQ(
      LastLine(form->ListBoxEtcMsg),
      Format("%.3d ????? Err: GetData Slot=00 NumData=-5 Fail ?????", form->ListBoxEtcMsg.Count()));

  SelectItem(form->ComboBoxTamrixGetData, "Auto");
  script->num_data = 0;
  script->calls.clear();
  form->LabelTamrixGetData.SetCaption(" -- ");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls,
            (std::vector<std::string>{"TamrixGetSamplingStatus(0)", "TamrixGetLastError(0)"}));
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " -- ");
}

TEST_F(DataAfterMode, CountsBeyondTheBufferAreRefusedBeforeTheCall) {
  SetMode("03", "00", "15");
  TypeCount("65537");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetSamplingStatus(0)"})
      << "neither GetData nor the library's status, which tells of the status step";
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            Format("%.3d ????? Err: GetData Slot=00 NumData=65537 Fail ?????",
                   form->ListBoxEtcMsg.Count()));
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg),
            Format("%.3d TAMRIX_ERR_NUMDATA", form->ListBoxTamrixErrMsg.Count()));
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Font().color, clRed);
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " OK ");
  TypeCount("65536");
  script->data = Interleaved(16, 65536);
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " OK ");
  EXPECT_EQ(GraphForm->SampleCount, 4096);
}

TEST_F(DataAfterMode, MoreThanATableRowForOneChannelIsARangeError) {
  SetMode("03", "00", "01");
  TypeCount("4100");
  script->data.assign(4100, 0x1000);
  Click(form->ButtonTamrixGetData);
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "範囲ﾁｪｯｸｴﾗｰ");
  EXPECT_EQ(script->calls.back(), "TamrixGetData(0,4100)") << "no GetLastError step";
  EXPECT_FALSE(GraphForm->Visible());
}

TEST_F(DataAfterMode, BadCountTextStopsAfterTheStatusStep) {
  SetMode("03", "00", "00");
  TypeCount("12x");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetSamplingStatus(0)"});
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "'12x' は整数ではありません");
}

TEST_F(DataAfterMode, SuccessfulSetModeEmptiesTheGraphButKeepsItsKey) {
  SetMode("03", "04", "07");
  script->num_data = 8;
  script->data = Interleaved(4, 8, 4);
  Click(form->ButtonTamrixGetData);
  ASSERT_EQ(GraphForm->SampleCount, 2);
  SetMode("03", "00", "00");
  EXPECT_EQ(GraphForm->SampleCount, 0);
  EXPECT_EQ(GraphForm->FirstChannel, 4) << "the range stays for the key";
  EXPECT_TRUE(GraphForm->Visible()) << "the window stays as it was";
}

// The split called directly, against a word-by-word model of it: in-order
// scans take a block-wise path, and whatever that path leaves must come out
// exactly as the word-by-word split would have left it.
class ChannelSplit : public ModeAndData {
 protected:
  struct Outcome {
    bool result = true;
    bool threw = false;
    std::string message;
    std::unique_ptr<ChannelTable> table;
  };

  static Outcome Model(int first, int last, int count, const SampleBuffer &words,
                       const ChannelTable &before) {
    Outcome out;
    out.table = std::make_unique<ChannelTable>(before);
    std::array<int, kChannelCount> filled{};
    for (int i = 0; i < count; ++i) {
      const int channel = words[i] >> 12;
      if (channel < first || channel > last) {
        out.result = false;
        out.message = Format("Err: Chanel data Fail...GetData[%d]=%.xH", i, words[i]);
        break;
      }
      if (filled[channel] == kChannelCapacity) {
        out.threw = true;
        return out;
      }
      (*out.table)[channel][filled[channel]++] = words[i] & 0x0FFF;
    }
    for (int c = 0; c < kChannelCount; ++c) {
      std::fill((*out.table)[c].begin() + filled[c], (*out.table)[c].end(), 0);
    }
    return out;
  }

  // Values with channel bits set: no split writes them, so any that
  // survive where the split should have written or cleared show up.
  static std::unique_ptr<ChannelTable> StaleTable() {
    auto table = std::make_unique<ChannelTable>();
    for (int c = 0; c < kChannelCount; ++c) {
      for (int i = 0; i < kChannelCapacity; ++i) {
        (*table)[c][i] = static_cast<std::uint16_t>(0xE000 | c << 8 | (i & 0xFF));
      }
    }
    return table;
  }

  // A whole buffer of in-order scans, so that a split reading past its
  // count would find words it could take.
  static std::unique_ptr<SampleBuffer> InOrder(int first, int channels) {
    auto words = std::make_unique<SampleBuffer>();
    const auto data = Interleaved(channels, kSampleBufferWords, first);
    std::copy(data.begin(), data.end(), words->begin());
    return words;
  }

  static std::string FirstDifference(const ChannelTable &got, const ChannelTable &expected) {
    for (int c = 0; c < kChannelCount; ++c) {
      for (int i = 0; i < kChannelCapacity; ++i) {
        if (got[c][i] != expected[c][i]) {
          return Format("table[%d][%d] is %.4xH, expected %.4xH", c, i, got[c][i], expected[c][i]);
        }
      }
    }
    return "";
  }

  void ExpectAsModel(int first, int last, int count, const SampleBuffer &words) {
    SCOPED_TRACE(Format("ChFirst=%d ChLast=%d count=%d", first, last, count));
    const auto before = StaleTable();
    const Outcome expected = Model(first, last, count, words, *before);
    auto table = std::make_unique<ChannelTable>(*before);
    form->CurrentMode.ChFirst = first;
    form->CurrentMode.ChLast = last;
    const int lines = form->ListBoxEtcMsg.Count();
    bool result = true;
    bool threw = false;
    try {
      result = form->SplitChannels(count, words, *table);
    } catch (const RangeError &) {
      threw = true;
    }
    EXPECT_EQ(threw, expected.threw);
    if (!threw) {
      EXPECT_EQ(result, expected.result);
    }
    if (expected.message.empty()) {
      EXPECT_EQ(form->ListBoxEtcMsg.Count(), lines);
    } else {
      ASSERT_EQ(form->ListBoxEtcMsg.Count(), lines + 1);
      EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
                Format("%.3d ????? %s ?????", lines + 1, expected.message));
    }
    EXPECT_EQ(FirstDifference(*table, *expected.table), "");
  }
};

TEST_F(ChannelSplit, TheModelAgreesWithAWorkedExample) {
  SampleBuffer words{};
  const std::uint16_t scans[] = {0x2001, 0x3002, 0x4003, 0x2004, 0x3005, 0x4006, 0x2007};
  std::copy(std::begin(scans), std::end(scans), words.begin());
  const auto before = StaleTable();
  const Outcome out = Model(2, 4, 7, words, *before);
  ChannelTable expected{};
  std::copy_n(std::begin({1, 4, 7}), 3, expected[2].begin());
  std::copy_n(std::begin({2, 5}), 2, expected[3].begin());
  std::copy_n(std::begin({3, 6}), 2, expected[4].begin());
  EXPECT_TRUE(out.result);
  EXPECT_EQ(FirstDifference(*out.table, expected), "");
  ExpectAsModel(2, 4, 7, words);
}

TEST_F(ChannelSplit, InOrderScansOfEveryWidthAndCount) {
  for (int channels = 1; channels <= kChannelCount; ++channels) {
    for (const int first : {0, kChannelCount - channels}) {
      const auto words = InOrder(first, channels);
      const int n = channels;
      // Partial blocks and scans, a count across the copy-out chunks, a
      // full row, a row and one word, and the whole buffer.
      for (const int count : {0, 1, n - 1, n, 8 * n - 1, 8 * n, 16 * n + n / 2, 16 * n + 7,
                              131 * n + 5, 4099 * n, 4099 * n + 1, kSampleBufferWords}) {
        if (count < 0 || count > kSampleBufferWords) continue;
        ExpectAsModel(first, first + n - 1, count, *words);
      }
      if (first == 0 && channels == kChannelCount) break;
    }
  }
}

TEST_F(ChannelSplit, AWordOutOfPlaceInOtherwiseInOrderScans) {
  for (const int channels : {1, 2, 3, 7, 8, 15, 16}) {
    const int first = channels == kChannelCount ? 0 : 1;
    const int last = first + channels - 1;
    const int n = channels;
    const int count = std::min(kSampleBufferWords, 300 * n + n / 2);
    for (const int at : {0, 5, 8 * n, 16 * n - 1, 200 * n + n / 2, count - 1}) {
      SCOPED_TRACE(Format("word %d", at));
      auto words = InOrder(first, channels);
      const std::uint16_t value = (*words)[at] & 0x0FFF;
      if (channels < kChannelCount) {
        const int outside = at % 2 == 0 || last == 15 ? first - 1 : last + 1;
        (*words)[at] = static_cast<std::uint16_t>(outside << 12 | value);
        ExpectAsModel(first, last, count, *words);
      }
      if (channels > 1) {
        // Inside the range but not where the scan order has it: no message,
        // and the value goes to the channel its bits name.
        const int channel = first + (at + 1) % n;
        (*words)[at] = static_cast<std::uint16_t>(channel << 12 | value);
        ExpectAsModel(first, last, count, *words);
      }
    }
  }
}

TEST_F(ChannelSplit, ARowOverflowAfterInOrderScansThrowsWhereTheWordLoopWould) {
  auto words = InOrder(0, kChannelCount);
  std::fill(words->begin() + 2100 * kChannelCount + 3, words->end(), 0x0ABC);
  ExpectAsModel(0, 15, kSampleBufferWords, *words);

  words = InOrder(4, 3);
  (*words)[3000 * 3 + 1] = 0x4001;  // channel 4 twice in one scan, then in order again
  ExpectAsModel(4, 6, 4099 * 3, *words);
}

TEST_F(ChannelSplit, RangesBeyondTheTableAndEmptyCountsTakeTheWordLoop) {
  // Channel bits read 15 as first - 1 and 0 as last + 1 after truncation:
  // neither may be taken for the range's end channels.
  auto words = std::make_unique<SampleBuffer>();
  for (int i = 0; i < kSampleBufferWords; ++i) {
    (*words)[i] = static_cast<std::uint16_t>(((i + 15) % 16) << 12 | i % 4096);
  }
  ExpectAsModel(-1, 14, 4096, *words);
  for (int i = 0; i < kSampleBufferWords; ++i) {
    (*words)[i] = static_cast<std::uint16_t>(((i + 1) % 16) << 12 | i % 4096);
  }
  ExpectAsModel(1, 16, 4096, *words);
  words = InOrder(0, 4);
  ExpectAsModel(-3, 3, 1000, *words);
  ExpectAsModel(3, 2, 1000, *words);
  ExpectAsModel(0, 3, 0, *words);
  ExpectAsModel(0, 3, -5, *words);
}

}  // namespace
}  // namespace check_program_testing
