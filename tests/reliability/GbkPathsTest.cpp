// Chinese names whose second byte is a backslash (乗 815C, 昞 955C, 衆 D05C)
// or an ASCII letter (丄 8141, 昦 9561) in the distribution folder, the
// destination, the desktop and the file names: copied, lower-cased, logged
// and linked byte for byte.
#include "tests/reliability/InstallRun.h"

#include "framework/FileFind.h"

#include <string>

namespace {

using GbkPathsTest = InstallRunFixture;

// The names a folder holds, exactly as stored.
std::vector<CString> StoredNames(const CString& folder) {
    std::vector<CString> names;
    CFileFind finder;
    for (bool more = finder.FindFile(folder + "*.*"); more; more = finder.FindNextFile())
        if (!finder.IsDots()) names.push_back(finder.GetFileName());
    return names;
}

bool Holds(const std::vector<CString>& names, const char* name) {
    for (const CString& stored : names)
        if (stored.str() == name) return true;
    return false;
}

} // namespace

TEST_F(GbkPathsTest, TrailBytesThatLookLikeBackslashesOrLettersSurviveTheWholeRun) {
    Prepare("分发乗\\安装昞\\", "衆目标\\Kelvra乗\\", "桌面昞\\");
    ASSERT_TRUE(WriteFileBytes(source + "Support\\乗ABC丄.TXT", "trail bytes"));
    CreateFolders(source + "图库\\衆子目录昞");
    ASSERT_TRUE(WriteFileBytes(source + "图库\\衆子目录昞\\昦A.DWG", "drawing"));
    ASSERT_TRUE(WriteFileBytes(source + "说明乗.txt", "program file"));

    ASSERT_TRUE(Run());
    EXPECT_EQ(page->reports, CompletedReports());

    // Lower-cased letter by letter; the double-byte characters untouched
    // (丄 keeps its 0x41, 昦 its 0x61).
    EXPECT_TRUE(Holds(StoredNames(destination + "Support\\"), "乗abc丄.txt"));
    EXPECT_EQ("trail bytes", ReadFileBytes(destination + "Support\\乗abc丄.txt"));
    EXPECT_TRUE(Holds(StoredNames(destination + "图库\\"), "衆子目录昞"));
    EXPECT_TRUE(Holds(StoredNames(destination + "图库\\衆子目录昞\\"), "昦a.dwg"));
    EXPECT_EQ("program file", ReadFileBytes(destination + "说明乗.txt"));

    // The uninstaller gets each path whole.
    const std::string log = ReadFileBytes(destination + "Uninstall.log");
    for (const CString& line : {"Made Dir: " + destination + "图库\\衆子目录昞\r\n",
                                "File Copy: " + destination + "说明乗.txt\r\n",
                                "File Copy: " + desktop + "土地整理规划设计.LNK\r\n"})
        EXPECT_NE(std::string::npos, log.find(line.str())) << line.GetString();

    // The links name the destination byte for byte.
    const ReadBackLink link = ReadLinkBack(desktop + "土地整理规划设计.LNK");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(0, link.target.CompareNoCase(destination + "Kelvra-64.exe"))
        << link.target.GetString();
    EXPECT_EQ(destination.str(), CString(link.workingFolder).AppendBackslashIfMissing().str());
    // The registry too.
    EXPECT_EQ(destination,
              GetRegString(registry.Machine(), "SOFTWARE\\Morvane\\Kelvra\\V9", "installPath"));
}
