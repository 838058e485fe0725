#include "help_document.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace tmx::help {
namespace {

constexpr const char *kDefaultTitle = "Tamrix ヘルプ";

std::string MessagePage(const std::string &heading, const std::string &detail) {
  std::ostringstream page;
  page << "<html><head><title>" << kDefaultTitle << "</title></head><body>"
       << "<h2>" << heading << "</h2>" << detail << "</body></html>";
  return page.str();
}

// Whether the text is well-formed UTF-8 without control characters other
// than tabs, line and page breaks.
bool IsPlainUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      const bool layout = lead == '\t' || lead == '\n' || lead == '\r' || lead == '\f';
      if ((lead < 0x20 && !layout) || lead == 0x7F) return false;
      ++i;
      continue;
    }
    // The second byte's range rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    std::size_t extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Whether the page shows at least one character: something outside its
// head, its comments and its tags that is not blank.
bool ShowsAWord(std::string_view page) {
  std::string lower(page);
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t i = 0;
  if (const auto head = lower.find("</head>"); head != std::string::npos) i = head + 7;
  while (i < page.size()) {
    if (lower.compare(i, 4, "<!--") == 0) {
      const auto end = lower.find("-->", i + 4);
      if (end == std::string::npos) return false;
      i = end + 3;
    } else if (page[i] == '<') {
      const auto end = page.find('>', i);
      if (end == std::string::npos) return false;
      i = end + 1;
    } else if (std::isspace(static_cast<unsigned char>(page[i]))) {
      ++i;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string EscapeHtml(const std::string &text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

HelpDocument LoadHelpDocument(const std::string &path) {
  if (path.empty()) {
    return {MessagePage("ヘルプ ファイルが指定されていません。",
                        "<p>表示するヘルプ ファイルを指定して起動してください。</p>"),
            false};
  }
  std::error_code error;
  std::ifstream file;
  if (std::filesystem::is_regular_file(path, error)) file.open(path, std::ios::binary);
  std::string text;
  if (file.is_open()) {
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  if (!file.is_open() || file.bad()) {
    return {
        MessagePage("ヘルプ ファイルが見つかりません。",
                    "<p>次のヘルプ ファイルを開けませんでした。</p>"
                    "<p><b>" +
                        EscapeHtml(path) +
                        "</b></p>"
                        "<p>ファイルがその場所にあるか、読み取りできるかを確認してください。</p>"),
        false};
  }
  // An empty or garbled file would show a blank page.
  if (!IsPlainUtf8(text) || !ShowsAWord(text)) {
    return {MessagePage("ヘルプ ファイルを読めません。",
                        "<p>次のヘルプ ファイルには、表示できる内容がありません。</p>"
                        "<p><b>" +
                            EscapeHtml(path) +
                            "</b></p>"
                            "<p>ファイルが空か、壊れているか、ヘルプ ファイルではありません。</p>"),
            false};
  }
  return {text, true};
}

std::string WindowTitle(const char *page_title) {
  return page_title != nullptr && *page_title != '\0' ? page_title : kDefaultTitle;
}

}  // namespace tmx::help
