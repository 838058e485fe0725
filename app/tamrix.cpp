// The check program's entry: the windows created in order, then the message
// loop until the main window closes.
#include <cstdio>

#include "Graph.h"
#include "Modeset.h"
#include "main.h"
#include "program_fonts.h"

int main(int, char **argv) {
  // Titled after the program file itself, whatever name it was started by.
  tamrix::ui::Application application;
  HelpFile = InstalledHelpFile();
  UseProgramHelpFaces();
  try {
    application.UseScreen(ProgramScreenFont());
  } catch (const tamrix::ui::ScreenUnavailable &e) {
    std::fprintf(stderr,
                 "tamrix: %s\nRun it on a desktop, or under a virtual display: xvfb-run -a %s\n",
                 e.what(), argv[0]);
    return 1;
  }
  MainForm = &application.CreateForm<TMainForm>();
  GraphForm = &application.CreateForm<TGraphForm>();
  ModeSetForm = &application.CreateForm<TModeSetForm>();
  application.Run();
  return 0;
}
