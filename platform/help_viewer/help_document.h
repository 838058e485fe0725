#pragma once

#include <string>

namespace tmx::help {

// What the viewer shows for a help file: its text, or a page that tells the
// reader the file could not be opened, or holds nothing it can show (empty,
// not UTF-8 text, or no visible word).
struct HelpDocument {
  std::string html;
  bool found = false;
};

HelpDocument LoadHelpDocument(const std::string &path);

// The text as it stands between tags, so any name can go into a page.
std::string EscapeHtml(const std::string &text);

// The window title: the page's own title, or a generic one without it.
std::string WindowTitle(const char *page_title);

}  // namespace tmx::help
