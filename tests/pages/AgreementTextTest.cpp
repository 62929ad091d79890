// The form the agreement page relies on: a read-only multi-line field shows
// the text as it is, so its lines must fit the field and end in CR LF.
#include "framework/String.h"
#include "pages/AgreementText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The text cut at its CR LF pairs; false when a CR or LF stands alone or the
// text does not end with a line break.
bool SplitCrLfLines(const std::string& text, std::vector<std::string>* lines) {
    size_t start = 0;
    while (start < text.size()) {
        size_t cr = text.find('\r', start);
        size_t lf = text.find('\n', start);
        if (cr == std::string::npos || lf != cr + 1) return false;
        lines->push_back(text.substr(start, cr - start));
        start = lf + 1;
    }
    return true;
}

// Characters of a code page 936 line; -1 when a lead byte has no trail byte.
int GbkCharacters(const std::string& line) {
    int count = 0;
    for (size_t i = 0; i < line.size(); ++i, ++count) {
        if (IsGbkLeadByte(static_cast<unsigned char>(line[i]))) {
            if (i + 1 >= line.size() || static_cast<unsigned char>(line[i + 1]) < 0x40) return -1;
            ++i;
        }
    }
    return count;
}

int CountOf(const std::string& text, const char* needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(AgreementTextTest, HasTheAgreementsForm) {
    const std::string text = kAgreementText;
    // About 1,922 bytes and 1,030 characters.
    EXPECT_GE(text.size(), 1700u);
    EXPECT_LE(text.size(), 2150u);
    EXPECT_GE(GbkCharacters(text), 900);
    EXPECT_LE(GbkCharacters(text), 1150);

    std::vector<std::string> lines;
    ASSERT_TRUE(SplitCrLfLines(text, &lines)) << "every line ends with CR LF, the last one too";
    EXPECT_GE(lines.size(), 50u);
    EXPECT_LE(lines.size(), 66u);

    int blank = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int characters = GbkCharacters(line);
        EXPECT_GE(characters, 0) << "line " << i + 1 << " cuts a double-byte character";
        EXPECT_LE(characters, 27) << "line " << i + 1;
        EXPECT_LE(line.size(), 54u) << "line " << i + 1;
        if (line.empty()) {
            ++blank;
            EXPECT_FALSE(i == 0 || lines[i - 1].empty())
                << "sections are separated by one blank line, line " << i + 1;
        } else {
            EXPECT_NE(line.back(), ' ') << "trailing blank on line " << i + 1;
        }
    }
    // Blank lines between its sections.
    EXPECT_GE(blank, 5);
    EXPECT_FALSE(lines.back().empty());
}

TEST(AgreementTextTest, NamesTheMakerAndEndsWithTheReadersDeclaration) {
    const std::string text = kAgreementText;
    EXPECT_GE(CountOf(text, "Morvane"), 3);
    EXPECT_GE(CountOf(text, "Kelvra V9.0"), 1);
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitCrLfLines(text, &lines));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("已阅读"), std::string::npos);
    EXPECT_NE(lines.back().find("接受"), std::string::npos);
}

TEST(AgreementTextTest, NoWordOrNameIsCutAcrossLines) {
    const std::string text = kAgreementText;
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitCrLfLines(text, &lines));
    // The text as one paragraph per section, the line breaks taken out.
    std::string joined;
    for (const std::string& line : lines) joined += line.empty() ? "\n" : line;
    for (const char* word : {"Morvane", "Kelvra V9.0", "土地整理规划设计软件", "AutoCAD", "单位",
                             "中华人民共和国", "著作权", "知识产权", "安装", "协议"}) {
        int inLines = 0;
        for (const std::string& line : lines) inLines += CountOf(line, word);
        EXPECT_EQ(inLines, CountOf(joined, word)) << "a line break cuts \"" << word << "\"";
    }
}
