#include "tamrix_ui/keys.h"

#include <cctype>
#include <string>
#include <vector>

namespace tamrix::ui {

namespace {

struct NamedKey {
  TShortCut key;
  const char *name;
};
constexpr NamedKey kNamedKeys[] = {{vkReturn, "Enter"}, {vkEscape, "Esc"},  {vkTab, "Tab"},
                                   {vkSpace, "Space"},  {vkPrior, "PgUp"},  {vkNext, "PgDn"},
                                   {vkEnd, "End"},      {vkHome, "Home"},   {vkLeft, "Left"},
                                   {vkUp, "Up"},        {vkRight, "Right"}, {vkDown, "Down"}};

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char &c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

TShortCut KeyFromName(std::string_view name) {
  const std::string n = Lower(name);
  if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0])))
    return static_cast<TShortCut>(std::toupper(static_cast<unsigned char>(n[0])));
  if (n == "return") return vkReturn;
  if (n == "escape") return vkEscape;
  for (const NamedKey &k : kNamedKeys)
    if (n == Lower(k.name)) return k.key;
  if (n.size() >= 2 && n.size() <= 3 && n[0] == 'f') {
    int number = 0;
    for (std::size_t i = 1; i < n.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(n[i]))) return 0;
      number = number * 10 + (n[i] - '0');
    }
    if (number >= 1 && number <= 12) return static_cast<TShortCut>(vkF1 + number - 1);
  }
  return 0;
}

}  // namespace

TShortCut TextToShortCut(std::string_view text) {
  TShortCut modifiers = 0;
  while (true) {
    const auto plus = text.find('+');
    // A trailing "+" is the key itself ("Ctrl++" is not needed here).
    if (plus == std::string_view::npos || plus + 1 == text.size()) break;
    const std::string mod = Lower(text.substr(0, plus));
    if (mod == "alt")
      modifiers |= scAlt;
    else if (mod == "ctrl")
      modifiers |= scCtrl;
    else if (mod == "shift")
      modifiers |= scShift;
    else
      return scNone;
    text.remove_prefix(plus + 1);
  }
  const TShortCut key = KeyFromName(text);
  return key == 0 ? scNone : static_cast<TShortCut>(modifiers | key);
}

std::string ShortCutToText(TShortCut s) {
  if (s == scNone) return {};
  std::string out;
  if (s & scShift) out += "Shift+";
  if (s & scCtrl) out += "Ctrl+";
  if (s & scAlt) out += "Alt+";
  const TShortCut key = KeyOf(s);
  if (key >= vkF1 && key < vkF1 + 12) {
    out += "F" + std::to_string(key - vkF1 + 1);
    return out;
  }
  for (const NamedKey &k : kNamedKeys) {
    if (k.key == key) return out + k.name;
  }
  out += static_cast<char>(key);
  return out;
}

char MnemonicOf(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(caption[i + 1]);
    return c < 0x80 ? static_cast<char>(std::toupper(c)) : '\0';
  }
  return 0;
}

std::string StripMnemonic(std::string_view caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

}  // namespace tamrix::ui
