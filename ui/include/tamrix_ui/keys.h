// Keys and shortcuts, numbered like the original platform's virtual keys:
// letters and digits by their upper-case ASCII code, modifiers in the high
// bits of a 16-bit shortcut value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamrix::ui {

using TShortCut = std::uint16_t;

constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scModifiers = scShift | scCtrl | scAlt;

constexpr TShortCut vkTab = 0x09;
constexpr TShortCut vkReturn = 0x0D;
constexpr TShortCut vkEscape = 0x1B;
constexpr TShortCut vkSpace = 0x20;
constexpr TShortCut vkPrior = 0x21;  // Page Up
constexpr TShortCut vkNext = 0x22;   // Page Down
constexpr TShortCut vkEnd = 0x23;
constexpr TShortCut vkHome = 0x24;
constexpr TShortCut vkLeft = 0x25;
constexpr TShortCut vkUp = 0x26;
constexpr TShortCut vkRight = 0x27;
constexpr TShortCut vkDown = 0x28;
constexpr TShortCut vkF1 = 0x70;  // vkF1 + n - 1 for Fn, up to F12
constexpr TShortCut vkF4 = vkF1 + 3;

constexpr TShortCut KeyOf(TShortCut s) { return s & ~scModifiers; }

// "Alt+X", "Ctrl+Shift+S", "F1", "Enter", "Esc"; 0 for text it cannot read.
TShortCut TextToShortCut(std::string_view text);
std::string ShortCutToText(TShortCut s);

// The letter after a single '&' in a caption, upper case; 0 when none ("&&"
// stands for a literal ampersand).
char MnemonicOf(std::string_view caption);
// The caption without its mnemonic marks.
std::string StripMnemonic(std::string_view caption);

}  // namespace tamrix::ui
