// The graph window: one step line per channel over a common full-height
// scale, and a key of channel names. It draws from its own copy of the data
// on every paint.
#pragma once

#include <array>
#include <cstdint>

#include "channel_table.h"
#include "tamrix_ui/ui.h"

class TGraphForm : public tamrix::ui::Form {
 public:
  TGraphForm();

  void FormCreate();
  void FormResize();
  void PaintBoxGraphPaint(tamrix::ui::Canvas &canvas);
  void PaintBoxGuidPaint(tamrix::ui::Canvas &canvas);

  void SetData(std::int32_t samples_per_channel, std::int32_t first_channel,
               std::int32_t last_channel, const ChannelTable &table);
  void ClearGraph();
  std::int32_t ValueToY(std::int32_t value) const;
  void DrawChannel(tamrix::ui::Canvas &canvas, std::int32_t channel, std::int32_t first_index,
                   std::int32_t count) const;

  ChannelTable Samples{};
  std::int32_t GraphWidth = 0;
  std::int32_t GraphHeight = 0;
  std::int32_t SampleCount = 0;
  std::array<tamrix::ui::TColor, kChannelCount> ChannelColors{};
  std::int32_t FirstChannel = 0;
  std::int32_t LastChannel = 0;

  tamrix::ui::Panel PanelTop{this};
  tamrix::ui::Panel PanelGuid{this};
  tamrix::ui::PaintBox PaintBoxGuid{&PanelGuid};
  tamrix::ui::Panel PanelRight{this};
  tamrix::ui::Panel PanelGraph{this};
  tamrix::ui::PaintBox PaintBoxGraph{&PanelGraph};

 private:
  void Layout();
  static constexpr std::size_t kValueCount = 4096;  // 12-bit sample values
  // ValueToY of every sample value at the current GraphHeight, worked out
  // once per height: a paint looks each sample's row up.
  const std::array<std::int32_t, kValueCount> &RowsOfValues() const;

  mutable std::array<std::int32_t, kValueCount> rows_of_values_{};
  mutable std::int32_t rows_height_ = 0;
  mutable bool rows_ready_ = false;
};

extern TGraphForm *GraphForm;
