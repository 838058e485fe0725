// Colours as the program writes them: 32-bit values, low byte red, then
// green, then blue (0x00BBGGRR). Values with the top bit set name a system
// colour instead of an RGB triple and are resolved by ColorToRGB.
#pragma once

#include <cstdint>

namespace tamrix::ui {

using TColor = std::uint32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor{r} | (TColor{g} << 8) | (TColor{b} << 16);
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colours: 0x80000000 plus the platform's colour index.
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clWindow = 0x80000005;      // list and edit background
constexpr TColor clWindowText = 0x80000008;  // default text
constexpr TColor clBtnFace = 0x8000000F;     // window and button face
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnHighlight = 0x80000014;
constexpr TColor clHighlight = 0x8000000D;  // selected list line
constexpr TColor clHighlightText = 0x8000000E;

constexpr bool IsSystemColor(TColor c) { return (c & clSystemColor) != 0; }

// The RGB value (0x00BBGGRR) a colour stands for under the standard scheme;
// unknown system colours resolve to black.
TColor ColorToRGB(TColor c);

constexpr std::uint8_t RedOf(TColor rgb) { return rgb & 0xFF; }
constexpr std::uint8_t GreenOf(TColor rgb) { return (rgb >> 8) & 0xFF; }
constexpr std::uint8_t BlueOf(TColor rgb) { return (rgb >> 16) & 0xFF; }

}  // namespace tamrix::ui
