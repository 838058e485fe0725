#pragma once

#include <string>

namespace tmx::help {

// The viewer's command line: tamrix-help [--text-face FACE] [--code-face FACE]
// FILE. The faces are fontconfig family names; empty, the view keeps its own.
struct ViewerOptions {
  std::string text_face;
  std::string code_face;
  std::string file;
};

// The file is always the last argument, whatever it is named; the options
// come in pairs before it. An option it does not know stops the reading.
ViewerOptions ReadViewerOptions(int argc, const char *const *argv);

}  // namespace tmx::help
