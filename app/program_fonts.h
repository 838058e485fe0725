// The faces the check program is shown in, on its windows and in its help.
#pragma once

#include "tamrix_ui/screen_font.h"

// Its layouts were made for "ＭＳ Ｐゴシック" 15 px. IPA P Gothic
// (fonts-ipafont-gothic) takes the same room at 13/15 of the height:
// "LogSlot", the caption that fills its 48-pixel label, is 47 pixels at 13.
tamrix::ui::ScreenFont ProgramScreenFont();

// The help viewer's faces for every help window the program opens: text and
// headings in IPA P Gothic, code in its fixed-pitch sibling IPA Gothic.
void UseProgramHelpFaces();
