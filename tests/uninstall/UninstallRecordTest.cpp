// Reading Uninstall.log: the four line kinds, any line end, and every other
// line kept as refused with a text the last box can show.
#include "uninstall/UninstallRecord.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    std::string bytes;
    bool valid;     // at least one valid line
    int validLines; // lines of the four kinds
    int refusedLines;
};

std::string BinaryBytes() {
    std::string bytes;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>((state >> 16) & 0xFF);
    }
    bytes[100] = '\0';
    return bytes;
}

const std::string kTenMegabyteLine =
    "Made Dir: C:\\K\\" + std::string(10 * 1024 * 1024, 'x') + "\r\n";

const ParseCase kParseCases[] = {
    {"crlf", "File Copy: C:\\K\\a.exe\r\nMade Dir: C:\\K\\Sub\r\n", true, 2, 0},
    {"lf only", "File Copy: C:\\K\\a.exe\nMade Dir: C:\\K\\Sub\n", true, 2, 0},
    {"cr only", "File Copy: C:\\K\\a.exe\rMade Dir: C:\\K\\Sub\r", true, 2, 0},
    {"no last line end", "Reg Ctrl: C:\\K\\Control\\a.ocx", true, 1, 0},
    {"empty lines passed over", "\r\n\r\nRegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\r\n\n\r", true,
     1, 0},
    {"root digits",
     "RegDB Key: 0,A\nRegDB Key: 4,B\nRegDB Key: 7,C\nRegDB Key: 2\nRegDB Key: 2;D\n", true, 2, 3},
    {"unknown prefixes", "File copy: C:\\K\\a\nFile Copy:C:\\K\\a\nFile Copy: \nDelete: C:\\\n",
     false, 0, 4},
    {"control bytes and NUL", std::string("File Copy: C:\\K\\a\tb\nMade Dir: C:\\K\0x\n", 37),
     false, 0, 2},
    {"stray GBK bytes", "File Copy: C:\\K\\\x81\nFile Copy: C:\\K\\\x80x\nFile Copy: C:\\乗\\衆\n",
     true, 1, 2},
    {"ten megabyte line", "File Copy: C:\\K\\a\r\n" + kTenMegabyteLine + "File Copy: C:\\K\\b\r\n",
     true, 2, 1},
    {"binary file", BinaryBytes(), false, 0, -1},
    {"some lines valid",
     "garbage\r\nMade Dir: C:\\K\\Sub\r\nRegDB Key: 9,X\r\nFile Copy: C:\\K\\a.exe\r\n\x01\x02\r\n",
     true, 2, 3},
    {"empty file", "", false, 0, 0},
};

} // namespace

TEST(UninstallRecord, LinesAreSortedIntoTheirKindsOrRefused) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.name);
        UninstallRecord record;
        EXPECT_EQ(c.valid, ParseUninstallRecord(c.bytes.data(), c.bytes.size(), record));
        EXPECT_EQ(c.validLines, record.ValidCount());
        int refused = 0;
        for (const LogLine& line : record.lines) {
            if (line.kind != LogLineKind::Refused) continue;
            ++refused;
            // Shown text is short and printable, whatever the line held.
            EXPECT_LE(line.shown.GetLength(), kLogLineShownLength + 3);
            for (int i = 0; i < line.shown.GetLength(); ++i)
                EXPECT_GE(static_cast<unsigned char>(line.shown.GetAt(i)), 0x20u);
        }
        if (c.refusedLines >= 0) {
            EXPECT_EQ(c.refusedLines, refused);
        }
    }
}

TEST(UninstallRecord, FieldsOfEachKind) {
    const std::string bytes = "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\r\n"
                              "Made Dir: C:\\Program Files\\乗\\Sub\r\n"
                              "RegDB Key: 1,Software\\X\r\n";
    UninstallRecord record;
    ASSERT_TRUE(ParseUninstallRecord(bytes.data(), bytes.size(), record));
    ASSERT_EQ(3u, record.lines.size());
    EXPECT_EQ(LogLineKind::RegKey, record.lines[0].kind);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, record.lines[0].root);
    EXPECT_EQ(CString("SOFTWARE\\Morvane\\Kelvra\\V9"), record.lines[0].path);
    EXPECT_EQ(CString("Made Dir: C:\\Program Files\\乗\\Sub"), LogLineText(record.lines[1]));
    EXPECT_EQ(HKEY_CURRENT_USER, record.lines[2].root);
    EXPECT_EQ(CString("RegDB Key: 1,Software\\X"), LogLineText(record.lines[2]));
}

TEST(UninstallRecord, ReadsTheFileAndRefusesWhatIsNoLog) {
    TempDir temp;
    UninstallRecord record;
    EXPECT_FALSE(ReadUninstallRecord(temp / "missing.log", record));

    // Larger than one read, with a line across the piece boundary.
    std::string big;
    while (big.size() < 200 * 1024) big += "Made Dir: C:\\K\\Folder\\Sub\r\n";
    ASSERT_TRUE(WriteFileBytes(temp / "Uninstall.log", big));
    ASSERT_TRUE(ReadUninstallRecord(temp / "Uninstall.log", record));
    EXPECT_EQ(static_cast<int>(big.size() / 27), record.ValidCount());

    // Too many refused lines: the first ones are named, the rest counted.
    std::string junk;
    for (int i = 0; i < kRefusedLinesListed + 5; ++i) junk += "junk\n";
    junk += "File Copy: C:\\K\\a\n";
    ASSERT_TRUE(WriteFileBytes(temp / "junk.log", junk));
    ASSERT_TRUE(ReadUninstallRecord(temp / "junk.log", record));
    EXPECT_EQ(static_cast<size_t>(kRefusedLinesListed + 1), record.lines.size());
    EXPECT_EQ(5, record.refusedUnlisted);

    ASSERT_TRUE(WriteFileBytes(temp / "binary.log",
                               std::string("\x01\x02\x03\x00\xFF", 5) + std::string(100, 'z')));
    EXPECT_FALSE(ReadUninstallRecord(temp / "binary.log", record));
}
