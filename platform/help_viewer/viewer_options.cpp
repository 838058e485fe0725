#include "viewer_options.h"

#include <string_view>

namespace tmx::help {

ViewerOptions ReadViewerOptions(int argc, const char *const *argv) {
  ViewerOptions options;
  for (int i = 1; i + 2 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--text-face")
      options.text_face = argv[i + 1];
    else if (option == "--code-face")
      options.code_face = argv[i + 1];
    else
      break;
  }
  if (argc > 1) options.file = argv[argc - 1];
  return options;
}

}  // namespace tmx::help
