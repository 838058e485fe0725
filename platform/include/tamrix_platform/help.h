/* The help engine: opens a help file in the help viewer, a program of its
 * own (tamrix-help, in the platform's private folder beside the driver
 * modules), so that the
 * caller's window keeps running while the help is open. */
#ifndef TAMRIX_PLATFORM_HELP_H
#define TAMRIX_PLATFORM_HELP_H

#include "tamrix_platform/win32.h"

#define HELP_QUIT 2u
#define HELP_CONTENTS 11u

#ifdef __cplusplus
extern "C" {
#endif

/* HELP_CONTENTS: starts the viewer on the file and returns TRUE once it is
 * running, without waiting for it to close. A file that does not exist is
 * the viewer's to report, in its own window. FALSE with GetLastError when
 * the viewer could not be started, and for every other command. */
TMX_PLATFORM_API BOOL tmx_win_help(HWND window, const char *help_file, UINT command, uint32_t data);

/* The faces every viewer started after this call shows help in: text and
 * headings in text_face, code in code_face (fontconfig family names). NULL
 * or "" leaves that part in the viewer's own face. */
TMX_PLATFORM_API void tmx_win_help_faces(const char *text_face, const char *code_face);

static inline BOOL WinHelpA(HWND window, const char *help_file, UINT command, uint32_t data) {
  return tmx_win_help(window, help_file, command, data);
}

#ifdef __cplusplus
}
#endif

#endif
