#include "framework/String.h"

#include <gtest/gtest.h>

#include <cstring>

// GBK characters whose trail byte is a backslash (乗 81 5C, 昞 95 5C, 衆 D0 5C)
// or an ASCII capital (e.g. 丄 81 41, 丠 81 5A).
static const char kTrailBackslash[] = "\x81\x5c";
static const char kTrailCapitalA[] = "\x81\x41";

TEST(CStringTest, FormatGrowsToAnyLength) {
    CString s;
    std::string big(10000, 'x');
    s.Format("[%s]", big.c_str());
    EXPECT_EQ(s.GetLength(), 10002);
    s.AppendFormat("%d", 42);
    EXPECT_EQ(s.Right(3), CString("]42"));
}

TEST(CStringTest, TrailingBackslashStepsOverDoubleByteCharacters) {
    EXPECT_TRUE(CString("C:\\").EndsWithBackslash());
    EXPECT_FALSE(CString("C:").EndsWithBackslash());
    EXPECT_FALSE(CString("").EndsWithBackslash());
    // "D:\乗" ends in the byte 0x5C but not in a backslash.
    CString name = CString("D:\\") + kTrailBackslash;
    EXPECT_FALSE(name.EndsWithBackslash());
    name.AppendBackslashIfMissing();
    EXPECT_EQ(name, CString("D:\\") + kTrailBackslash + "\\");
    EXPECT_TRUE(name.EndsWithBackslash());
    EXPECT_TRUE(CString("衆\\").EndsWithBackslash());
    EXPECT_FALSE(CString("衆").EndsWithBackslash());
}

TEST(CStringTest, MakeLowerLeavesDoubleByteCharactersWhole) {
    CString s = CString("ABC") + kTrailCapitalA + "DEF" + kTrailBackslash + "G.TXT";
    s.MakeLower();
    EXPECT_EQ(s, CString("abc") + kTrailCapitalA + "def" + kTrailBackslash + "g.txt");
    CString chinese("图框\\DATA.MDB");
    chinese.MakeLower();
    EXPECT_EQ(chinese, CString("图框\\data.mdb"));
}

TEST(CStringTest, FindAndReverseFindMatchOnlyWholeCharacters) {
    CString s = CString("a") + kTrailBackslash + "b";
    EXPECT_EQ(s.ReverseFind('\\'), -1);
    EXPECT_EQ(s.Find("\\"), -1);
    CString path = CString("C:\\x") + kTrailBackslash + "\\y";
    EXPECT_EQ(path.ReverseFind('\\'), 6);
    EXPECT_EQ(path.Find("\\"), 2);
    // A match must not start on a trail byte: 81 41 followed by "BC".
    CString tricky = CString(kTrailCapitalA) + "BC";
    EXPECT_EQ(tricky.Find("ABC"), -1);
    EXPECT_EQ(CString("xxkelvra.mdb").Find("kelvra.mdb"), 2);
}

TEST(CStringTest, TrimRemovesWhiteSpaceAtBothEnds) {
    CString s(" \t C:\\Kelvra \r\n");
    s.Trim();
    EXPECT_EQ(s, CString("C:\\Kelvra"));
    CString blank("   ");
    EXPECT_TRUE(blank.Trim().IsEmpty());
    CString chinese(" 安装界面 ");
    EXPECT_EQ(chinese.Trim(), CString("安装界面"));
}

TEST(CStringTest, CompareNoCaseFoldsAsciiOnly) {
    EXPECT_EQ(CString("SETUP.EXE").CompareNoCase("setup.exe"), 0);
    EXPECT_NE(CString("Setup.exe").CompareNoCase("Setup.ex"), 0);
    EXPECT_NE((CString(kTrailCapitalA)).CompareNoCase("\x81\x61"), 0);
}

// The comparisons walk the bytes without copying; they must answer as the
// lowered copies compared byte by byte would, trail bytes and a lead byte at
// the end included.
TEST(CStringTest, CompareNoCaseAnswersAsTheLoweredCopies) {
    const char* const texts[] = {"",
                                 "a",
                                 "SETUP.EXE",
                                 "setup.exe",
                                 "Setup.ex",
                                 "setup.exf",
                                 kTrailCapitalA,
                                 "\x81\x61",
                                 "\x81\x41Z",
                                 "\x81\x41z",
                                 "x\x81",
                                 "X\x81",
                                 "D:\\\x81\x5c\\A",
                                 "d:\\\x81\x5c\\a",
                                 "图框\\DATA.MDB",
                                 "图框\\data.mdb"};
    auto sign = [](int value) { return (value > 0) - (value < 0); };
    for (const char* a : texts) {
        for (const char* b : texts) {
            CString lowerA(a), lowerB(b);
            lowerA.MakeLower();
            lowerB.MakeLower();
            const int expected = sign(std::strcmp(lowerA, lowerB));
            EXPECT_EQ(sign(CString(a).CompareNoCase(b)), expected) << a << " / " << b;
            for (int count = 0; count <= CString(a).GetLength() + 1; ++count) {
                CString left = CString(a).Left(count);
                left.MakeLower();
                EXPECT_EQ(sign(CString(a).CompareLeftNoCase(count, b)),
                          sign(std::strcmp(left, lowerB)))
                    << a << " (" << count << ") / " << b;
            }
        }
    }
}

// Find answers as a walk that tries every character boundary in turn.
TEST(CStringTest, FindAnswersAsTheCharacterWalk) {
    const char* const texts[] = {"",
                                 "xxkelvra.mdb",
                                 "KELVRA.MDB\\kelvra.mdb",
                                 "\x81\x41"
                                 "ABC",
                                 "a\x81\x5c"
                                 "b\\c\x81\x5c\\",
                                 "~1\x81~~",
                                 "ab\x81"};
    const char* const needles[] = {"", "\\", "kelvra.mdb", "ABC", "~", "A", "\x81", "b"};
    for (const char* text : texts) {
        const std::string bytes(text);
        for (const char* needle : needles) {
            for (int start = -1; start <= static_cast<int>(bytes.size()) + 1; ++start) {
                int expected = -1;
                for (size_t at = 0; at < bytes.size() && expected < 0;
                     at +=
                     IsGbkLeadByte(static_cast<unsigned char>(bytes[at])) && at + 1 < bytes.size()
                         ? 2
                         : 1)
                    if (static_cast<int>(at) >= start &&
                        bytes.compare(at, strlen(needle), needle) == 0)
                        expected = static_cast<int>(at);
                if (expected < 0 && !*needle && start <= static_cast<int>(bytes.size()))
                    expected = start;
                EXPECT_EQ(CString(text).Find(needle, start), expected)
                    << text << " / " << needle << " from " << start;
            }
        }
    }
}

TEST(CStringTest, BufferRoundTrip) {
    CString s;
    char* p = s.GetBuffer(10);
    strcpy(p, "abc");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.Mid(1), CString("bc"));
    EXPECT_EQ(s.Mid(1, 1), CString("b"));
    EXPECT_EQ(s.Left(10), CString("abc"));
    EXPECT_TRUE(s.Mid(5).IsEmpty());
}
