// The product's keys, the uninstall entry and their log lines.
#include "engine/SetupThread.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

namespace {
const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";
const char kTwinKey[] = "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";
} // namespace

TEST(RegisterProduct, WritesProductKeysTwinAndUninstallEntry) {
    ScratchRegistry registry;
    CSetupThread worker;
    worker.m_strInstallDir = "D:\\Apps\\Kelvra\\";
    worker.RegisterProduct();

    HKEY hklm = registry.Machine();
    EXPECT_EQ(CString("D:\\Apps\\Kelvra\\"), GetRegString(hklm, kProductKey, "installPath"));
    EXPECT_EQ(CString("9.00"), GetRegString(hklm, kProductKey, "Ver"));
    EXPECT_EQ(CString("原始标高"), GetRegString(hklm, kProductKey, "OriginLayer"));
    EXPECT_EQ(CString("设计标高"), GetRegString(hklm, kProductKey, "DesignLayer"));
    EXPECT_EQ(CString("原始等高线"), GetRegString(hklm, kProductKey, "OriginContourLayer"));
    EXPECT_EQ(CString("设计等高线"), GetRegString(hklm, kProductKey, "DesignContourLayer"));
    EXPECT_EQ(CString("D:\\Apps\\Kelvra\\"), GetRegString(hklm, kTwinKey, "installPath"));
    EXPECT_EQ(CString("9.00"), GetRegString(hklm, kTwinKey, "Ver"));
    // The layer names live under the native key only.
    EXPECT_FALSE(RegValueExists(hklm, kTwinKey, "OriginLayer"));
    EXPECT_EQ(CString("土地整理规划设计软件 Kelvra V9.0"),
              GetRegString(hklm, kUninstallKey, "DisplayName"));
    EXPECT_EQ(CString("\"D:\\Apps\\Kelvra\\Uninstall-64.exe\""),
              GetRegString(hklm, kUninstallKey, "UninstallString"));

    const std::vector<CString> expected = {
        "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9",
        "RegDB Key: 2,SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9",
        "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9"};
    EXPECT_EQ(expected, LogLines(worker));
}

// Mend 3: a path with blanks is quoted, so Windows cannot run C:\Program.exe.
TEST(RegisterProduct, UninstallStringIsQuotedForPathsWithBlanks) {
    ScratchRegistry registry;
    CSetupThread worker;
    worker.m_strInstallDir = "C:\\Program Files\\Morvane\\Kelvra\\";
    worker.RegisterProduct();
    EXPECT_EQ(CString("\"C:\\Program Files\\Morvane\\Kelvra\\Uninstall-64.exe\""),
              GetRegString(registry.Machine(), kUninstallKey, "UninstallString"));
}

TEST(RegisterProduct, ConfiguresFoundReleasesBeforeTheUninstallEntry) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804",
                 "AcadLocation", "C:\\Acad");
    CSetupThread worker;
    worker.m_strInstallDir = "D:\\P\\";
    worker.RegisterProduct();
    EXPECT_EQ(
        CString("<<Kelvra V9>>"),
        GetRegString(registry.User(),
                     "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>",
                     ""));
    // The sweep adds nothing to the log.
    EXPECT_EQ(3u, LogLines(worker).size());
    EXPECT_TRUE(RegValueExists(registry.Machine(), kUninstallKey, "UninstallString"));
}
