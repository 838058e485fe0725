#include "tamrix_ui/color.h"

namespace tamrix::ui {

TColor ColorToRGB(TColor c) {
  if (!IsSystemColor(c)) return c & 0xFFFFFF;
  // The classic scheme of the platform the program was written for.
  switch (c) {
    case clWindow: return clWhite;
    case clWindowText: return clBlack;
    case clBtnFace: return clSilver;
    case clBtnShadow: return clGray;
    case clBtnHighlight: return clWhite;
    case clHighlight: return clNavy;
    case clHighlightText: return clWhite;
    default: return clBlack;
  }
}

}  // namespace tamrix::ui
