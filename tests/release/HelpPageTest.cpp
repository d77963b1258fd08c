// Checks of the help page that the Help button opens: it must parse as closed,
// properly nested HTML, stand alone (no address outside the page, images
// embedded), keep every in-page link working, and name what a user meets: every
// control of the dialog, every keyboard shortcut, every message word for word.
//
// The page is release/MirtaneHelp.htm in the source tree, or the file named by
// the environment variable MIRTANE_HELP_PAGE (the release tests point it at
// the copy inside the package).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/release/EmbeddedPicture.h"
#include "tests/release/HtmlReader.h"

namespace {

using namespace helppage;

std::string SourceDir() {
    if (const char* dir = std::getenv("MIRTANE_SOURCE_DIR")) {
        return dir;
    }
    return std::string(MIRTANE_TEST_DATA) + "/../..";
}

std::string HelpPagePath() {
    if (const char* page = std::getenv("MIRTANE_HELP_PAGE")) {
        return page;
    }
    return SourceDir() + "/release/MirtaneHelp.htm";
}

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    out = content.str();
    return true;
}

class HelpPage : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        loaded_ = ReadFile(HelpPagePath(), html_);
        if (loaded_) {
            page_ = ParsePage(html_);
        }
    }
    void SetUp() override { ASSERT_TRUE(loaded_) << "cannot read " << HelpPagePath(); }

    // Texts of the elements with the given name and, if not empty, class.
    static std::set<std::string> TextsOf(const std::string& name, const std::string& className) {
        std::set<std::string> texts;
        for (const Element& element : page_.elements) {
            if (element.name != name) {
                continue;
            }
            const auto classes = element.attributes.find("class");
            if (!className.empty() &&
                (classes == element.attributes.end() || classes->second != className)) {
                continue;
            }
            texts.insert(element.text);
        }
        return texts;
    }

    static inline bool loaded_ = false;
    static inline std::string html_;
    static inline Page page_;
};

// Captions of the dialog's controls as they appear on screen (mnemonic marks
// removed), and the mnemonic keys they define.
const std::vector<std::string> kTemplateCaptions = {
    "&OK",     "&Defaults", "&Cancel",           "&Help",    "&+",      "&-",
    "&Before", "&After",    "Check for &Update", "Controls", "Preview", "Navigator",
    "Zoom",    "Cyan",      "Magenta",           "Yellow",   "Red",     "Green",
    "Blue"};

std::string WithoutMnemonic(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            out += caption[++i];
        } else if (caption[i] != '&') {
            out += caption[i];
        }
    }
    return out;
}

// "Alt+X" for a caption with a mnemonic mark, or "" without one.
std::string MnemonicShortcut(const std::string& caption) {
    const std::size_t mark = caption.find('&');
    if (mark == std::string::npos || mark + 1 >= caption.size()) {
        return "";
    }
    return std::string("Alt+") +
           static_cast<char>(std::toupper(static_cast<unsigned char>(caption[mark + 1])));
}

// Captions of the controls of the dialog template "MIRTANE" in the resource
// script, or nothing when the script holds no such template. Placeholder texts
// that the dialog replaces or never shows are left out.
std::vector<std::string> CaptionsFromResourceScript(bool& found) {
    found = false;
    std::string script;
    if (!ReadFile(SourceDir() + "/resources/Dialogs.rc", script)) {
        return {};
    }
    std::istringstream lines(script);
    std::string line;
    static const std::regex header(R"(^\s*MIRTANE\s+DIALOGEX\b)");
    static const std::regex control(
        R"re(^\s*(CONTROL|PUSHBUTTON|DEFPUSHBUTTON|LTEXT|RTEXT|CTEXT|GROUPBOX|AUTORADIOBUTTON|RADIOBUTTON)\s+"((?:[^"]|"")*)")re");
    bool inTemplate = false;
    bool inBody = false;
    std::vector<std::string> captions;
    while (std::getline(lines, line)) {
        if (!inTemplate) {
            inTemplate = std::regex_search(line, header);
            continue;
        }
        if (!inBody) {
            inBody = std::regex_search(line, std::regex(R"(^\s*(BEGIN|\{)\s*$)"));
            continue;
        }
        if (std::regex_search(line, std::regex(R"(^\s*(END|\})\s*$)"))) {
            found = true;
            break;
        }
        std::smatch match;
        if (!std::regex_search(line, match, control)) {
            continue;
        }
        const std::string caption = match[2].str();
        if (caption.empty() || caption == "Slider1" || caption == "Slider2" ||
            caption == "Placeholder for Title Text") {
            continue;
        }
        captions.push_back(caption);
    }
    return captions;
}

TEST_F(HelpPage, ParsesAsClosedProperlyNestedHtml) {
    for (const std::string& problem : page_.problems) {
        ADD_FAILURE() << problem;
    }
    EXPECT_NE(html_.find("<!DOCTYPE html>"), std::string::npos);
    EXPECT_NE(html_.find("<html lang=\"en\">"), std::string::npos);
    EXPECT_NE(html_.find("<meta charset=\"utf-8\">"), std::string::npos);
    const std::set<std::string> titles = TextsOf("title", "");
    EXPECT_TRUE(std::any_of(titles.begin(), titles.end(), [](const std::string& title) {
        return title.find("MIRTANE v1.1.4") != std::string::npos;
    }));
}

TEST_F(HelpPage, EveryInPageLinkHasItsTarget) {
    std::map<std::string, int> ids;
    for (const Element& element : page_.elements) {
        if (const auto id = element.attributes.find("id"); id != element.attributes.end()) {
            ++ids[id->second];
        }
    }
    for (const auto& [id, count] : ids) {
        EXPECT_EQ(count, 1) << "id \"" << id << "\" is used " << count << " times";
    }
    int links = 0;
    for (const Element& element : page_.elements) {
        const auto href = element.attributes.find("href");
        if (href == element.attributes.end()) {
            continue;
        }
        ++links;
        ASSERT_FALSE(href->second.empty());
        EXPECT_EQ(href->second[0], '#') << "link leaves the page: " << href->second;
        EXPECT_EQ(ids.count(href->second.substr(1)), 1u)
            << "link to a missing target: " << href->second;
    }
    EXPECT_GE(links, 15) << "the table of contents alone has fifteen links";
}

TEST_F(HelpPage, StandsAloneWithoutOutsideAddresses) {
    for (const char* scheme : {"http:", "https:", "ftp:", "file:", "//"}) {
        for (const Element& element : page_.elements) {
            for (const auto& [name, value] : element.attributes) {
                EXPECT_NE(value.rfind(scheme, 0), 0u)
                    << "<" << element.name << " " << name << "=\"" << value << "\">";
            }
        }
    }
    for (const Element& element : page_.elements) {
        EXPECT_NE(element.name, "script");
        EXPECT_NE(element.name, "link");
        EXPECT_NE(element.name, "iframe");
        if (const auto source = element.attributes.find("src");
            source != element.attributes.end()) {
            EXPECT_EQ(source->second.rfind("data:image/", 0), 0u)
                << "image not embedded: " << source->second.substr(0, 60);
        }
        if (element.name == "style") {
            EXPECT_EQ(element.text.find("url("), std::string::npos)
                << "style sheet loads a resource";
            EXPECT_EQ(element.text.find("@import"), std::string::npos)
                << "style sheet imports another";
        }
    }
}

TEST_F(HelpPage, NamesEveryControlOfTheDialog) {
    const std::set<std::string> named = TextsOf("span", "control");
    for (const std::string& caption : kTemplateCaptions) {
        EXPECT_EQ(named.count(WithoutMnemonic(caption)), 1u)
            << "control not named: " << WithoutMnemonic(caption);
    }
    // Controls without a caption are named by what they are.
    for (const char* phrase :
         {"Cyan\u2013Red", "Magenta\u2013Green", "Yellow\u2013Blue", "slider", "value box",
          "zoom box", "logo", "Automatically Restores and Balances Color"}) {
        EXPECT_NE(page_.text.find(phrase), std::string::npos) << "not mentioned: " << phrase;
    }
}

TEST_F(HelpPage, NamesEveryControlOfTheDialogTemplateInTheResources) {
    bool found = false;
    const std::vector<std::string> captions = CaptionsFromResourceScript(found);
    ASSERT_TRUE(found) << "resources/Dialogs.rc holds no MIRTANE dialog template";
    const std::set<std::string> named = TextsOf("span", "control");
    const std::set<std::string> shortcuts = TextsOf("kbd", "");
    EXPECT_GE(captions.size(), kTemplateCaptions.size());
    for (const std::string& caption : captions) {
        EXPECT_EQ(named.count(WithoutMnemonic(caption)), 1u) << "control not named: " << caption;
        const std::string shortcut = MnemonicShortcut(caption);
        if (!shortcut.empty()) {
            EXPECT_EQ(shortcuts.count(shortcut), 1u) << "shortcut not listed: " << shortcut;
        }
    }
}

TEST_F(HelpPage, ListsEveryKeyboardShortcut) {
    const std::set<std::string> shortcuts = TextsOf("kbd", "");
    for (const std::string& caption : kTemplateCaptions) {
        const std::string shortcut = MnemonicShortcut(caption);
        if (!shortcut.empty()) {
            EXPECT_EQ(shortcuts.count(shortcut), 1u) << "shortcut not listed: " << shortcut;
        }
    }
    for (const char* key : {"Enter", "Esc", "Tab", "Shift+Tab", "Page Up", "Page Down", "Home",
                            "End", "\u2190", "\u2192"}) {
        EXPECT_EQ(shortcuts.count(key), 1u) << "key not listed: " << key;
    }
}

TEST_F(HelpPage, QuotesEveryMessageWordForWord) {
    const std::set<std::string> messages = TextsOf("span", "message");
    for (const char* message : {
             "MIRTANE Plug-In - ERROR",
             "MIRTANE Plug-In - INTERNAL ERROR",
             "Display resolution must at least be 800x600",
             "Image must be at least 480x480.  Use your imaging application to increase the image "
             "size.",
             "This plug-in needs three channels. Do you have a blank or adjustment layer selected?",
             "Internal Error #1",
             "Display resolution should have small fonts set",
             "Help location could not be determined",
             "Help could not be opened",
             "Could not display About window",
         }) {
        EXPECT_EQ(messages.count(message), 1u)
            << "message not quoted exactly: \"" << message << "\"";
    }
    // The two blanks of the image-size message must survive display.
    const std::size_t rule = html_.find(".message {");
    ASSERT_NE(rule, std::string::npos);
    EXPECT_NE(html_.find("white-space: pre-wrap", rule), std::string::npos);
}

// The build month the packaging filled in (the about box shows the same);
// the page in the sources holds the placeholder.
std::string BuildMonth() {
    if (const char* month = std::getenv("MIRTANE_BUILD_MONTH")) {
        return month;
    }
    return "@BUILD_MONTH@";
}

TEST_F(HelpPage, TellsWhereTheFilterIsAndWhatItIs) {
    const std::string versionLine = "Version 1.1.4\u00A0\u00A0(" + BuildMonth() + ")";
    for (const std::string& phrase :
         {std::string("Norlund"), std::string("MIRTANE v1.1.4"), std::string("8 bits per channel"),
          std::string("480 \u00D7 480"), std::string("800 \u00D7 600"), std::string("\u221225"),
          std::string("+25"), versionLine}) {
        EXPECT_NE(page_.text.find(phrase), std::string::npos) << "not mentioned: " << phrase;
    }
}

// The update button opens the section on versions and updates: it must exist,
// name the version and build month, and say how to get a newer version.
TEST_F(HelpPage, SaysHowToUpdateInTheSectionTheUpdateButtonOpens) {
    const std::size_t section = html_.find("<h2 id=\"versions\">");
    ASSERT_NE(section, std::string::npos) << "no section with the anchor the update button opens";
    const std::size_t next = html_.find("<h2", section + 1);
    const std::string text = html_.substr(section, next - section);
    EXPECT_NE(text.find("1.1.4"), std::string::npos);
    EXPECT_NE(text.find(BuildMonth()), std::string::npos);
    EXPECT_NE(text.find("Setup.exe"), std::string::npos);
    EXPECT_EQ(html_.find("@BUILD_MONTH@") == std::string::npos, BuildMonth() != "@BUILD_MONTH@")
        << "the build month is filled in everywhere or nowhere";
}

TEST_F(HelpPage, ShowsTheBeforeAndAfterExample) {
    std::vector<const Element*> pictures;
    for (const Element& element : page_.elements) {
        const auto classes = element.attributes.find("class");
        if (element.name == "img" && classes != element.attributes.end() &&
            classes->second == "example-picture") {
            pictures.push_back(&element);
        }
    }
    ASSERT_EQ(pictures.size(), 2u);
    unsigned sizes[2][2] = {};
    for (int i = 0; i < 2; ++i) {
        const std::string& source = pictures[i]->attributes.at("src");
        const std::size_t comma = source.find(";base64,");
        ASSERT_TRUE(source.rfind("data:image/png;", 0) == 0 ||
                    source.rfind("data:image/jpeg;", 0) == 0)
            << source.substr(0, 40);
        ASSERT_NE(comma, std::string::npos);
        const std::string picture = DecodeBase64(source.substr(comma + 8));
        ASSERT_TRUE(PictureSize(picture, sizes[i][0], sizes[i][1]))
            << "picture " << i << " cannot be read";
        EXPECT_EQ(std::to_string(sizes[i][0]), pictures[i]->attributes.at("width"));
        EXPECT_EQ(std::to_string(sizes[i][1]), pictures[i]->attributes.at("height"));
        EXPECT_GE(sizes[i][0], 200u) << "too small to judge a correction";
    }
    EXPECT_NE(pictures[0]->attributes.at("alt").find("Before"), std::string::npos);
    EXPECT_NE(pictures[1]->attributes.at("alt").find("After"), std::string::npos);
    EXPECT_EQ(sizes[0][0], sizes[1][0]);
    EXPECT_EQ(sizes[0][1], sizes[1][1]);
    EXPECT_NE(pictures[0]->attributes.at("src"), pictures[1]->attributes.at("src"))
        << "the two pictures are the same";
}

}  // namespace
