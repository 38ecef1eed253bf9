// The table of user-interface texts: the carried table and its parsing.
#include "app/ui_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/sysutils.h"

using namespace qm;

namespace {

// A well-formed table whose entry i is "text i", with `change` applied to the lines first.
std::string Table(const std::function<void(std::vector<std::string>&)>& change = {}) {
    std::vector<std::string> lines;
    for (int i = 0; i < UiStringCount; ++i) {
        char index[8];
        std::snprintf(index, sizeof index, "%03d", i);
        lines.push_back(std::string(index) + "\ttext " + std::to_string(i));
    }
    if (change) change(lines);
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

class CodePage {
  public:
    explicit CodePage(const std::string& name) : saved_(InterfaceCodePage()) {
        SetInterfaceCodePage(name);
    }
    ~CodePage() { SetInterfaceCodePage(saved_); }

  private:
    std::string saved_;
};

// Entries the start-up puts on controls, menus and tabs, and the texts of its questions.
const std::set<int> kStartupEntries = {
    16, 17, 22, 30, 31, 32, 38, 39,  40,  41,  42,  43,  44,  45,  46,  47,  48, 49,
    50, 51, 52, 53, 54, 55, 56, 57,  58,  59,  60,  61,  62,  63,  64,  65,  66, 67,
    68, 69, 70, 71, 72, 73, 74, 75,  76,  77,  78,  79,  80,  81,  82,  83,  84, 85,
    86, 87, 88, 89, 90, 91, 92, 107, 126, 134, 138, 139, 141, 158, 172, 173, 184};

}  // namespace

TEST(UiStrings, CarriedTableHasEveryEntryTheProgramShows) {
    std::vector<AnsiString> ui = LoadUiStrings();
    ASSERT_EQ(ui.size(), static_cast<size_t>(UiStringCount));
    for (int i : kStartupEntries) EXPECT_FALSE(ui[i].empty()) << "entry " << i;
    // Only entry 108 is used nowhere.
    for (int i = 0; i < UiStringCount; ++i) {
        if (i == 108) continue;
        EXPECT_FALSE(ui[i].empty()) << "entry " << i;
    }
    // Questions read as questions.
    for (int i : {87, 98, 103, 105, 107, 123, 127, 181}) {
        ASSERT_FALSE(ui[i].empty());
        EXPECT_EQ(ui[i].back(), '?') << "entry " << i;
    }
    // The three account trees get distinct first letters, which name them in account lists.
    EXPECT_NE(ui[89][0], ui[90][0]);
    EXPECT_NE(ui[89][0], ui[91][0]);
    EXPECT_NE(ui[90][0], ui[91][0]);
}

TEST(UiStrings, CarriedTableBreaksOnlyTheHeaderButtonTexts) {
    std::vector<AnsiString> ui = LoadUiStrings();
    ASSERT_EQ(ui.size(), static_cast<size_t>(UiStringCount));
    for (int i = 0; i < UiStringCount; ++i) {
        EXPECT_EQ(ui[i].find("\\n"), AnsiString::npos) << "entry " << i;
        size_t breaks = std::count(ui[i].begin(), ui[i].end(), '\r');
        if (i >= 72 && i <= 83) {
            // Two lines on the button: a caption above and one below.
            ASSERT_EQ(breaks, 1u) << "entry " << i;
            size_t at = ui[i].find('\r');
            EXPECT_GT(at, 0u);
            EXPECT_LT(at + 1, ui[i].size());
        } else if (i != 124) {  // the about text has its own lines
            EXPECT_EQ(breaks, 0u) << "entry " << i;
        }
    }
    // Shared with a menu item, the save button's text stays on one line.
    EXPECT_EQ(ui[59].find('\r'), AnsiString::npos);
}

TEST(UiStrings, CarriedTableReadsWellWhereTheProgramJoinsIt) {
    std::vector<AnsiString> ui = LoadUiStrings();
    ASSERT_EQ(ui.size(), static_cast<size_t>(UiStringCount));
    // Labels the forms complete with ": " or ":" carry no colon of their own.
    for (int i : {0, 1, 2, 3, 30, 31, 32, 169}) EXPECT_NE(ui[i].back(), ':') << "entry " << i;
    // Plain ASCII fits every interface code page unchanged.
    for (int i = 0; i < UiStringCount; ++i)
        for (unsigned char c : ui[i])
            EXPECT_TRUE(c == '\r' || (c >= 32 && c < 127)) << "entry " << i;
    // The same table under a Cyrillic interface code page.
    CodePage cyrillic("CP1251");
    EXPECT_EQ(LoadUiStrings(), ui);
}

TEST(UiStrings, ParsingConvertsBreaksAndTheCodePage) {
    CodePage western("CP1252");
    std::vector<AnsiString> ui = ParseUiStrings(Table([](auto& lines) {
        lines[0] = "000\tFirst\\nSecond";
        lines[1] = "001\tCaf\xC3\xA9";
        lines[2] = "002\t";
        lines[3] = "003\tA\\n\\nB\r";  // a CRLF line ending
    }));
    ASSERT_EQ(ui.size(), static_cast<size_t>(UiStringCount));
    EXPECT_EQ(ui[0], "First\rSecond");
    EXPECT_EQ(ui[1], "Caf\xE9");
    EXPECT_EQ(ui[2], "");
    EXPECT_EQ(ui[3], "A\r\rB");
    EXPECT_EQ(ui[UiStringCount - 1], "text " + std::to_string(UiStringCount - 1));
    // The last line needs no line end.
    std::string unterminated = Table();
    unterminated.pop_back();
    EXPECT_EQ(ParseUiStrings(unterminated).size(), static_cast<size_t>(UiStringCount));
}

TEST(UiStrings, ParsingRefusesADamagedTable) {
    auto damaged = [](const std::function<void(std::vector<std::string>&)>& change) {
        EXPECT_THROW(ParseUiStrings(Table(change)), Exception);
    };
    damaged([](auto& lines) { lines.erase(lines.begin() + 50); });  // a gap
    damaged([](auto& lines) { std::swap(lines[10], lines[11]); });  // out of order
    damaged([](auto& lines) { lines[7] = "006\ttwice"; });          // repeated
    damaged([](auto& lines) { lines.pop_back(); });                 // too few
    damaged([](auto& lines) {
        lines.push_back(std::to_string(UiStringCount) + "\textra");
    });                                                                            // too many
    damaged([](auto& lines) { lines[5] = "005 no tab"; });                         // no tab
    damaged([](auto& lines) { lines[5] = "+05\tsigned"; });                        // no index
    damaged([](auto& lines) { lines[5] = "\tnothing"; });                          // empty index
    damaged([](auto& lines) { lines.insert(lines.begin() + 3, std::string()); });  // blank line
    EXPECT_THROW(ParseUiStrings(""), Exception);
}

TEST(UiStrings, UnfitTextNoticeNamesTheFieldTheCharacterAndItsPlace) {
    const AnsiString entry = LoadUiStrings()[kUnfitTextNotice];
    for (const char* mark : {"%1", "%2", "%3"})
        EXPECT_NE(entry.find(mark), AnsiString::npos) << mark;
    const TUnfitChar bad{12, U'\U0001F600'};
    // A caption's trailing ":" and blanks go; the place is the character's, counted from 1.
    EXPECT_EQ(UnfitTextNotice("[%1] %2 at %3.", "Title of the window:  ", bad),
              "[Title of the window] U+1F600 at 12.");
    // One pass: marks that the caption brings with it stay as they are; others are kept.
    EXPECT_EQ(UnfitTextNotice("%1/%3/%4%", "100%2", {1, U'\u4E2D'}), "100%2/1/%4%");
}
