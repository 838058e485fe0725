#include "program_fonts.h"

#include "tamrix_platform/help.h"

namespace {

constexpr const char *kFace = "IPAPGothic";
constexpr const char *kFixedFace = "IPAGothic";

}  // namespace

tamrix::ui::ScreenFont ProgramScreenFont() { return {kFace, 13, 15}; }

void UseProgramHelpFaces() { tmx_win_help_faces(kFace, kFixedFace); }
