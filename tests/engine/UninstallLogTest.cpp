#include "engine/SetupThread.h"

#include "tests/engine/PageStandIn.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(UninstallLogTest, AppendersWriteTheFourLineKinds) {
    CSetupThread worker;
    worker.LogMadeDir("C:\\K\\Support");
    worker.LogFileCopy("C:\\K\\Kelvra-64.exe");
    worker.LogRegCtrl("C:\\K\\Control\\grid.ocx");
    worker.LogRegKey(HKEY_CLASSES_ROOT, "CLSID\\x");
    worker.LogRegKey(HKEY_CURRENT_USER, "Software\\A");
    worker.LogRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Kelvra\\V9");
    worker.LogRegKey(HKEY_USERS, ".DEFAULT\\B");
    worker.LogRegKey(HKEY_CURRENT_CONFIG, "System\\C");
    EXPECT_EQ(worker.m_strLog, CString("Made Dir: C:\\K\\Support\n"
                                       "File Copy: C:\\K\\Kelvra-64.exe\n"
                                       "Reg Ctrl: C:\\K\\Control\\grid.ocx\n"
                                       "RegDB Key: 0,CLSID\\x\n"
                                       "RegDB Key: 1,Software\\A\n"
                                       "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\n"
                                       "RegDB Key: 3,.DEFAULT\\B\n"
                                       "RegDB Key: 4,System\\C\n"));
}

namespace {

struct UninstallLogFileTest : ::testing::Test {
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    CString installDir;
    CString logPath;
    void SetUp() override {
        page.Adopt(worker);
        installDir = temp / "土地整理\\";
        logPath = installDir + "Uninstall.log";
        ASSERT_TRUE(CreateDirectoryA(installDir, nullptr));
        worker.m_strInstallDir = installDir;
    }
    void TearDown() override { SetFileAttributesA(logPath, FILE_ATTRIBUTE_NORMAL); }
};

} // namespace

TEST_F(UninstallLogFileTest, WritesCrLfLinesInCodePage936EndingWithItselfAndHidesTheFile) {
    worker.LogMadeDir(installDir + "线型库");
    worker.LogFileCopy(installDir + "Kelvra-64.exe");
    worker.LogRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Kelvra\\V9");
    ASSERT_NE(worker.WriteUninstallLog(), 0);

    const std::string expected = "Made Dir: " + installDir.str() + "线型库\r\n" +
                                 "File Copy: " + installDir.str() + "Kelvra-64.exe\r\n" +
                                 "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\r\n" +
                                 "File Copy: " + logPath.str() + "\r\n";
    EXPECT_EQ(ReadFileBytes(logPath), expected);
    // 线 in code page 936, byte for byte.
    EXPECT_NE(ReadFileBytes(logPath).find("\xCF\xDF"), std::string::npos);
    EXPECT_EQ(HiddenAndOthers(logPath), DWORD(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(UninstallLogFileTest, AnOldHiddenLogIsReplacedNotAppendedTo) {
    ASSERT_TRUE(WriteFileBytes(logPath, "File Copy: C:\\old\\one.exe\r\n"));
    ASSERT_TRUE(SetFileAttributesA(logPath, FILE_ATTRIBUTE_HIDDEN));
    worker.LogMadeDir(installDir + "Temp");
    ASSERT_NE(worker.WriteUninstallLog(), 0);
    std::vector<CString> lines = SplitLines(CString(ReadFileBytes(logPath)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Made Dir: " + installDir + "Temp");
    EXPECT_EQ(lines[1], "File Copy: " + logPath);
}

TEST_F(UninstallLogFileTest, AWriteFailureShowsTheFileErrorBoxAndFails) {
    // A folder where the log goes: nothing can be renamed over it.
    ASSERT_TRUE(CreateDirectoryA(logPath, nullptr));
    int result = -1;
    DialogDriver::MessageBoxInfo seen;
    DialogDriver driver;
    driver.Run([&] { result = worker.WriteUninstallLog(); },
               [&](DialogDriver& d) {
                   seen = d.WaitForMessageBox("Uninstall.log");
                   EXPECT_TRUE(seen.HasButton(IDOK));
                   EXPECT_FALSE(seen.HasButton(IDCANCEL) || seen.HasButton(IDRETRY));
                   d.Answer(seen, IDOK);
               });
    EXPECT_EQ(result, 0);
    EXPECT_GE(seen.text.Find(logPath), 0);
    EXPECT_TRUE(DirectoryExists(logPath));
    EXPECT_FALSE(FileExists(logPath + ".new")); // the text written beside it goes too
    RemoveDirectoryA(logPath);
}
