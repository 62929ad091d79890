// The safety rules: which log lines the uninstaller may act on. The lines
// come from tampered logs; none of them may reach outside the installer's
// own places.
#include "uninstall/RemovalScope.h"

#include "framework/PathCompare.h"
#include "host_cad/ShellFolders.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Destination D:\Apps\乗衆 (trail bytes 0x5C in both characters).
const char kDestination[] = "D:\\Apps\\乗衆";

CRemovalScope TestScope() {
    return CRemovalScope(CString(kDestination) + "\\", {"C:\\Users\\u\\Desktop\\"},
                         {"C:\\Users\\u\\Start Menu\\Programs"},
                         {"C:\\Windows", "C:\\Users\\u", "D:\\Apps\\乗衆\\Shared", "C:\\Users"});
}

struct ScopeCase {
    const char* line;
    ScopeArea area;
};

const ScopeCase kScopeCases[] = {
    {"Made Dir: D:\\Apps\\乗衆\\Sub", ScopeArea::Destination},
    {"Made Dir: d:/apps/乗衆//sub/./deep", ScopeArea::Destination},
    {"File Copy: D:\\Apps\\乗衆\\a\\..\\Kelvra-64.exe", ScopeArea::Destination},
    {"Reg Ctrl: D:\\Apps\\乗衆\\Control\\a.ocx", ScopeArea::Destination},
    {"File Copy: D:\\Apps\\乗衆\\昞\\x.txt", ScopeArea::Destination},
    // Escapes and places outside.
    {"Made Dir: C:\\Windows", ScopeArea::Outside},
    {"Made Dir: C:\\", ScopeArea::Outside},
    {"Made Dir: D:\\Apps\\乗衆", ScopeArea::Outside},
    {"Made Dir: D:\\Apps\\乗衆\\..", ScopeArea::Outside},
    {"File Copy: D:\\Apps\\乗衆\\..\\other.exe", ScopeArea::Outside},
    {"File Copy: D:\\Apps\\乗衆\\Sub\\..\\..\\..\\Windows\\x.dll", ScopeArea::Outside},
    {"File Copy: D:\\Apps\\乗衆x\\a.exe", ScopeArea::Outside},
    {"File Copy: D:\\Apps\\乗\\a.exe", ScopeArea::Outside},
    {"File Copy: Sub\\a.exe", ScopeArea::Outside},
    {"File Copy: \\\\?\\D:\\Apps\\乗衆\\a.exe", ScopeArea::Outside},
    {"File Copy: \\\\server\\share\\a.exe", ScopeArea::Outside},
    // A protected folder inside the destination, or held by a folder.
    {"Made Dir: D:\\Apps\\乗衆\\Shared", ScopeArea::Outside},
    {"File Copy: D:\\Apps\\乗衆\\Shared\\x.txt", ScopeArea::Outside},
    // The links and the group, by the installer's own names only.
    {"File Copy: C:\\Users\\u\\Desktop\\土地整理规划设计.LNK", ScopeArea::DesktopLink},
    {"File Copy: C:\\Users\\u\\Desktop\\other.LNK", ScopeArea::Outside},
    {"Made Dir: C:\\Users\\u\\Desktop", ScopeArea::Outside},
    {"File Copy: C:\\Users\\u\\Start Menu\\Programs\\土地整理规划设计软件 Kelvra V9.0",
     ScopeArea::ProgramGroup},
    {"Made Dir: C:\\Users\\u\\Start Menu\\Programs\\土地整理规划设计软件 Kelvra V9.0",
     ScopeArea::ProgramGroup},
    {"File Copy: C:\\Users\\u\\Start Menu\\Programs\\土地整理规划设计软件 Kelvra "
     "V9.0\\Morvane网站.LNK",
     ScopeArea::GroupLink},
    {"File Copy: C:\\Users\\u\\Start Menu\\Programs\\土地整理规划设计软件 Kelvra V9.0\\x.exe",
     ScopeArea::Outside},
    {"File Copy: C:\\Users\\u\\Start Menu\\Programs\\土地整理规划设计软件 Kelvra V9.0\\..\\a.LNK",
     ScopeArea::Outside},
    {"Reg Ctrl: C:\\Users\\u\\Desktop\\土地整理规划设计.LNK", ScopeArea::Outside},
    // Keys: the three product keys under HKEY_LOCAL_MACHINE, nothing else.
    {"RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9", ScopeArea::ProductKey},
    {"RegDB Key: 2,software\\wow6432node\\morvane\\kelvra\\v9", ScopeArea::ProductKey},
    {"RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9",
     ScopeArea::ProductKey},
    {"RegDB Key: 2,SOFTWARE", ScopeArea::Outside},
    {"RegDB Key: 2,SOFTWARE\\Morvane", ScopeArea::Outside},
    {"RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\\..", ScopeArea::Outside},
    {"RegDB Key: 1,SOFTWARE\\Morvane\\Kelvra\\V9", ScopeArea::Outside},
    {"RegDB Key: 4,SOFTWARE\\Morvane\\Kelvra\\V9", ScopeArea::Outside},
};

} // namespace

TEST(RemovalScope, OnlyTheInstallersOwnPlacesAreAllowed) {
    const CRemovalScope scope = TestScope();
    for (const ScopeCase& c : kScopeCases) {
        SCOPED_TRACE(c.line);
        UninstallRecord record;
        const std::string bytes = c.line;
        ParseUninstallRecord(bytes.data(), bytes.size(), record);
        ASSERT_EQ(1u, record.lines.size());
        EXPECT_EQ(static_cast<int>(c.area), static_cast<int>(scope.AreaOf(record.lines[0])));
    }
}

TEST(RemovalScope, RefusedLinesKeepTheirTextAllowedOnesTheirNormalisedPath) {
    const std::string bytes = "Made Dir: C:\\Windows\r\nMade Dir: D:/Apps/乗衆/Sub/\r\n";
    UninstallRecord record;
    ASSERT_TRUE(ParseUninstallRecord(bytes.data(), bytes.size(), record));
    TestScope().RefuseOutside(record);
    EXPECT_EQ(LogLineKind::Refused, record.lines[0].kind);
    EXPECT_EQ(CString("Made Dir: C:\\Windows"), record.lines[0].shown);
    EXPECT_EQ(LogLineKind::MadeDir, record.lines[1].kind);
    EXPECT_EQ(CString(kDestination) + "\\Sub", record.lines[1].path);
}

TEST(PathCompare, DoubleByteCharactersAreNeverSplit) {
    // 乗 = 81 5C: its trail byte is no separator.
    EXPECT_EQ(CString("D:\\乗"), ParentFolder("D:\\乗\\a"));
    EXPECT_EQ(CString("D:\\"), ParentFolder("D:\\乗"));
    EXPECT_EQ(CString(), ParentFolder("D:\\"));
    EXPECT_TRUE(IsPathWithin("D:\\乗\\a", "D:\\乗"));
    EXPECT_FALSE(IsPathWithin("D:\\乗x", "D:\\乗"));
    EXPECT_FALSE(IsPathWithin("D:\\乗", "D:\\\x81"));
    EXPECT_TRUE(IsPathWithin("d:\\APPS", "D:\\apps"));
    EXPECT_TRUE(IsPathWithin("D:\\x", "D:\\"));
    EXPECT_EQ(CString("D:\\衆"), NormalizePath("D:\\衆\\"));
    EXPECT_EQ(CString("D:\\衆\\b"), NormalizePath("D:/衆/./a/../b"));
    EXPECT_TRUE(IsRootPath("D:\\"));
    EXPECT_TRUE(IsRootPath("\\\\server\\share"));
    EXPECT_FALSE(IsRootPath("D:\\乗"));
}

// The scope the uninstaller really uses, built from this machine: every
// folder whose loss would hurt the machine is protected, found here by other
// means than the scope's own, however a log writes it.
TEST(RemovalScope, TheMachinesScopeProtectsItsSystemUserAndShellFolders) {
    TempDir temp;
    const CString destination = temp / "Kelvra";
    const CRemovalScope scope = CRemovalScope::ForLog(destination + "\\Uninstall.log");
    EXPECT_EQ(NormalizePath(destination), scope.Destination());

    CStringArray expected = {"C:\\", "D:\\", "Z:\\"};
    char path[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(path, MAX_PATH), 0u);
    expected.push_back(path);
    ASSERT_GT(GetTempPathA(MAX_PATH, path), 0u);
    expected.push_back(path);
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "USERPROFILE", "APPDATA"}) {
        if (GetEnvironmentVariableA(variable, path, MAX_PATH) > 0) expected.push_back(path);
    }
    // The folder holding every profile.
    if (GetEnvironmentVariableA("USERPROFILE", path, MAX_PATH) > 0)
        expected.push_back(ParentFolder(NormalizePath(path)));
    // Every folder the shell names for this user.
    for (const char* name : {"Desktop", "Programs", "Personal", "Start Menu", "Startup"}) {
        const CString folder = GetRegString(
            HKEY_CURRENT_USER,
            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
        if (!folder.IsEmpty()) expected.push_back(folder);
    }
    ASSERT_GE(expected.size(), 9u);
    // A log planted at the root of drive C: makes all of C: the destination:
    // still nothing protected inside it may go.
    const CRemovalScope planted = CRemovalScope::ForLog("C:\\Uninstall.log");
    for (CString folder : expected) {
        SCOPED_TRACE(folder.GetString());
        EXPECT_TRUE(scope.IsProtected(NormalizePath(folder)));
        // However the log writes it (another case, a trailing separator), a
        // line that would take it is refused.
        folder.MakeLower();
        LogLine line;
        line.kind = LogLineKind::MadeDir;
        line.path = folder + "\\";
        EXPECT_EQ(ScopeArea::Outside, planted.AreaOf(line));
    }
    // Yet the destination's own contents stay removable.
    LogLine own;
    own.kind = LogLineKind::MadeDir;
    own.path = destination + "\\Support";
    EXPECT_EQ(ScopeArea::Destination, scope.AreaOf(own));
    EXPECT_FALSE(scope.IsProtected(destination + "\\Support"));
}
