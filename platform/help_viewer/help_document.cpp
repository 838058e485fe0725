#include "help_document.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tmx::help {
namespace {

constexpr const char* kDefaultTitle = "Tamrix ヘルプ";

std::string MessagePage(const std::string& heading, const std::string& detail) {
  std::ostringstream page;
  page << "<html><head><title>" << kDefaultTitle << "</title></head><body>"
       << "<h2>" << heading << "</h2>" << detail << "</body></html>";
  return page.str();
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
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

HelpDocument LoadHelpDocument(const std::string& path) {
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
    return {MessagePage("ヘルプ ファイルが見つかりません。",
                        "<p>次のヘルプ ファイルを開けませんでした。</p>"
                        "<p><b>" + EscapeHtml(path) + "</b></p>"
                        "<p>ファイルがその場所にあるか、読み取りできるかを確認してください。</p>"),
            false};
  }
  return {text, true};
}

std::string WindowTitle(const char* page_title) {
  return page_title != nullptr && *page_title != '\0' ? page_title : kDefaultTitle;
}

}  // namespace tmx::help
