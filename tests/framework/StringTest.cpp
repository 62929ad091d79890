#include "framework/String.h"

#include <gtest/gtest.h>

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
