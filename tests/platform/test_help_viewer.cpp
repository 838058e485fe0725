// The help viewer and the help file it shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "help_document.h"
#include "viewer_options.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// --- The help file ------------------------------------------------------------

TEST(HelpFile, NamesEveryStatusCodeOfTheLibrary) {
  const std::string header = ReadFile(TMX_TEST_LIBRARY_HEADER);
  const std::string help = ReadFile(TMX_TEST_HELP_FILE);
  ASSERT_FALSE(help.empty());
  const std::regex define(R"(#define\s+(TAMRIX_(SUCCESS|ERR_\w+))\s+\(?(-?\d+)\)?)");
  std::set<std::string> names;
  for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it) {
    names.insert((*it)[1]);
    EXPECT_NE(help.find((*it)[1].str()), std::string::npos) << (*it)[1] << " is not explained";
    EXPECT_NE(help.find("<td>" + (*it)[3].str() + "</td>"), std::string::npos)
        << "no row for code " << (*it)[3];
  }
  EXPECT_GE(names.size(), 16u) << "the header's codes were not found";
}

TEST(HelpFile, IsAPageWithATitleAndResolvableLinks) {
  const std::string help = ReadFile(TMX_TEST_HELP_FILE);
  const std::regex title("<title>([^<]+)</title>");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(help, match, title));
  EXPECT_NE(match[1].str().find("Tamrix Check Soft"), std::string::npos);

  std::set<std::string> anchors;
  const std::regex name("<a name=\"([^\"]+)\">");
  for (std::sregex_iterator it(help.begin(), help.end(), name), end; it != end; ++it) {
    EXPECT_TRUE(anchors.insert((*it)[1]).second) << "anchor twice: " << (*it)[1];
  }
  const std::regex link("<a href=\"#([^\"]+)\">");
  int links = 0;
  for (std::sregex_iterator it(help.begin(), help.end(), link), end; it != end; ++it, ++links) {
    EXPECT_TRUE(anchors.count((*it)[1])) << "link to nowhere: #" << (*it)[1];
  }
  EXPECT_GT(links, 10);
}

// --- What the viewer shows ------------------------------------------------------

TEST(HelpDocument, ShowsTheFileAsItIs) {
  const auto document = tmx::help::LoadHelpDocument(TMX_TEST_HELP_FILE);
  EXPECT_TRUE(document.found);
  EXPECT_EQ(document.html, ReadFile(TMX_TEST_HELP_FILE));
}

TEST(HelpDocument, TellsTheReaderWhenTheFileCannotBeOpened) {
  const fs::path folder = fs::temp_directory_path() / ("tmx-doc-" + std::to_string(getpid()));
  fs::create_directories(folder / "a<folder>.hlp");
  for (const fs::path &path : {folder / "missing & gone.hlp", folder / "a<folder>.hlp"}) {
    const auto document = tmx::help::LoadHelpDocument(path.string());
    EXPECT_FALSE(document.found) << path;
    EXPECT_NE(document.html.find("ヘルプ ファイルが見つかりません"), std::string::npos);
    // The path appears, escaped, so that the page still parses.
    EXPECT_NE(document.html.find(tmx::help::EscapeHtml(path.string())), std::string::npos);
    EXPECT_EQ(document.html.find(path.filename().string()), std::string::npos)
        << "unescaped path in the page";
  }
  fs::remove_all(folder);

  const auto unnamed = tmx::help::LoadHelpDocument("");
  EXPECT_FALSE(unnamed.found);
  EXPECT_NE(unnamed.html.find("指定されていません"), std::string::npos);
}

TEST(HelpDocument, TellsTheReaderWhenTheFileHoldsNothingToShow) {
  const fs::path folder = fs::temp_directory_path() / ("tmx-bad-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::pair<const char *, std::string> unreadable[] = {
      {"empty.hlp", ""},
      {"blank.hlp", " \n\t\r\n"},
      {"markup only.hlp", "<head><title>T</title></head><body><!-- x --><p> </p></body>"},
      {"binary.hlp", std::string("\x7F\x45LF\x02\x01\x01\0\0\0", 10)},
      {"shift-jis.hlp", "<p>\x83\x77\x83\x8B\x83\x76</p>"},  // ヘルプ in Shift-JIS
      {"cut utf-8.hlp", "<p>ヘルプ\xE3\x83</p>"},
  };
  for (const auto &[name, content] : unreadable) {
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << content;
    const auto document = tmx::help::LoadHelpDocument(path.string());
    EXPECT_FALSE(document.found) << name;
    EXPECT_NE(document.html.find("ヘルプ ファイルを読めません"), std::string::npos) << name;
    EXPECT_NE(document.html.find(tmx::help::EscapeHtml(path.string())), std::string::npos) << name;
  }
  const fs::path word = folder / "one word.hlp";
  std::ofstream(word, std::ios::binary) << "<head><title>T</title></head>ヘルプ";
  EXPECT_TRUE(tmx::help::LoadHelpDocument(word.string()).found);
  fs::remove_all(folder);
}

TEST(HelpDocument, EscapesMarkupCharacters) {
  EXPECT_EQ(tmx::help::EscapeHtml("a<b>&\"c\" ヘルプ"), "a&lt;b&gt;&amp;&quot;c&quot; ヘルプ");
}

TEST(HelpViewer, ReadsTheFacesBeforeTheFileAndTheFileLast) {
  const char *const full[] = {"tamrix-help", "--code-face", "IPAGothic",
                              "--text-face", "IPA P",       "/a b/Tamrix.hlp"};
  const auto options = tmx::help::ReadViewerOptions(6, full);
  EXPECT_EQ(options.text_face, "IPA P");
  EXPECT_EQ(options.code_face, "IPAGothic");
  EXPECT_EQ(options.file, "/a b/Tamrix.hlp");
  // A file named like an option is still the file.
  const char *const odd[] = {"tamrix-help", "--text-face"};
  EXPECT_EQ(tmx::help::ReadViewerOptions(2, odd).file, "--text-face");
  EXPECT_EQ(tmx::help::ReadViewerOptions(2, odd).text_face, "");
  EXPECT_EQ(tmx::help::ReadViewerOptions(1, odd).file, "");
}

TEST(HelpDocument, TitlesTheWindowAfterThePage) {
  EXPECT_EQ(tmx::help::WindowTitle("Tamrix Check Soft ヘルプ"), "Tamrix Check Soft ヘルプ");
  EXPECT_FALSE(tmx::help::WindowTitle(nullptr).empty());
  EXPECT_FALSE(tmx::help::WindowTitle("").empty());
}

// --- The viewer on a screen ---------------------------------------------------------

bool OnPath(const char *program) {
  const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

struct ScreenRun {
  int status;
  std::string output;
};

// Runs the viewer on the test's X screen (120 ppi, started by the suite),
// in the faces the check program asks for; prints the window title.
ScreenRun RunOnScreen(const std::string &help_file, const std::string &pattern,
                      const fs::path &screenshot) {
  fs::remove(screenshot);
  const std::string command = "sh '" + std::string(TMX_TEST_SCREEN_SCRIPT) + "' '" +
                              TMX_TEST_VIEWER + "' '" + help_file + "' '" + pattern + "' '" +
                              screenshot.string() +
                              "' --text-face IPAPGothic --code-face IPAGothic 2>&1";
  ScreenRun run{-1, {}};
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
  run.status = pclose(pipe);
  return run;
}

class HelpViewerOnScreen : public testing::Test {
 protected:
  void SetUp() override {
    const char *display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
    for (const char *tool : {"xdotool", "import"}) {
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
  }
};

TEST_F(HelpViewerOnScreen, ShowsTheHelpFileInAWindowTitledAfterIt) {
  const fs::path shot = fs::path(TMX_TEST_PROGRAM_DIR) / "help_viewer.png";
  const auto run = RunOnScreen(TMX_TEST_HELP_FILE, "Tamrix Check Soft", shot);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Tamrix Check Soft ヘルプ"), std::string::npos) << run.output;
  EXPECT_GT(fs::file_size(shot), 10000u) << "screenshot " << shot;
}

TEST_F(HelpViewerOnScreen, ShowsAMessageInItsWindowWhenTheFileIsMissing) {
  const fs::path shot = fs::path(TMX_TEST_PROGRAM_DIR) / "help_viewer_missing.png";
  const auto run = RunOnScreen("/nonexistent/Tamrix.hlp", "Tamrix", shot);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Tamrix ヘルプ"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::exists(shot));
}

}  // namespace
