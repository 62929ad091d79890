// The built uninstaller's windows and runs, whatever the system's code page:
// the test program runs under code page 936 and, registered once more, under
// 1252, where every text that went through an "A" function would read "?".
// The texts are read back as UTF-16.
#include "framework/ExitCode.h"
#include "framework/FilesInUse.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "res/UninstallResource.h"
#include "tools/driver/UiDriver.h"

#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

std::wstring WideText(HWND window) {
    wchar_t text[4096] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, sizeof(text) / sizeof(text[0]),
                        reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &ignored);
    return text;
}

std::wstring ItemText(HWND dialog, int id) { return WideText(GetDlgItem(dialog, id)); }

// The built program, copied into destination with an Uninstall.log naming files.
bool PlaceUninstaller(const CString& destination, const CStringArray& files) {
    CreateFolders(destination);
    if (!CopyFileW(Wide(WinePath(KELVRA_UNINSTALL_EXE)).c_str(),
                   Wide(destination + "\\Uninstall-64.exe").c_str(), FALSE))
        return false;
    std::string log;
    for (const CString& file : files) {
        if (!WriteFileBytes(file, "sample")) return false;
        log += ("File Copy: " + file + "\r\n").GetString();
    }
    log += ("File Copy: " + destination + "\\Uninstall-64.exe\r\n").GetString();
    return WriteFileBytes(destination + "\\Uninstall.log", log);
}

// An uninstaller that outlives a failed case is ended.
struct Driver : CUiDriver {
    Driver() {
        SetFailureHandler([](const CString& message) { throw std::runtime_error(message.str()); });
    }
    ~Driver() { Terminate(); }
};

// Question, progress, a file in use and the last box, as the user sees them.
// /REMOVEDATA: a record some other installation left for the machine must
// not make the logged file the user's.
TEST(UninstallerWindowText, QuestionProgressAndLastBoxShowTheirChineseText) {
    TempDir temp;
    const CString destination = temp / "product";
    const CString held = destination + "\\held.dwg";
    ASSERT_TRUE(PlaceUninstaller(destination, {held}));
    // Held without delete sharing: the removal stops at it and asks.
    CHandle holder(CreateFileW(Wide(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    // Who holds it, as the Restart Manager tells (Wine's names nobody).
    const CString holders = ProgramNames(ProgramsUsing({held}));

    Driver driver;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    driver.LaunchCommandLine("\"" + destination + "\\Uninstall-64.exe\" /REMOVEDATA",
                             Narrow(system));

    HWND question = driver.WaitForDialog(IDC_UN_REMOVE_DATA, "the question");
    EXPECT_EQ(ItemText(question, IDC_UN_QUESTION),
              Wide("确实要完全删除 Kelvra V9.0 及其所有组件吗？"));
    driver.Click(question, IDOK);

    HWND inUse = driver.WaitForDialog(IDC_UN_IN_USE_TEXT, "the file in use");
    const std::wstring inUseText = ItemText(inUse, IDC_UN_IN_USE_TEXT);
    EXPECT_NE(inUseText.find(Wide("下面的文件正在被使用，无法删除：\n\n" + held +
                                  "\n\n使用它的程序：" + holders + "\n")),
              std::wstring::npos);
    HWND progress = GetWindow(inUse, GW_OWNER);
    EXPECT_EQ(ItemText(progress, IDC_UN_STATUS), Wide("正在删除 " + held));
    holder.Reset();
    driver.Click(inUse, IDRETRY);

    HWND box = driver.WaitFor("the last box", [&]() -> HWND {
        HWND found = driver.FindMessageBox(nullptr);
        return found && !GetDlgItem(found, IDC_UN_REMOVE_DATA) && !GetDlgItem(found, IDIGNORE)
                   ? found
                   : nullptr;
    });
    EXPECT_EQ(ItemText(box, 0xFFFF).find(Wide("Kelvra V9.0 已从您的计算机中删除。")), 0u);
    driver.Answer(box, IDOK);
    EXPECT_EQ(driver.WaitForExit(), static_cast<DWORD>(kExitSuccess));
    driver.WaitForDescendants();
    EXPECT_FALSE(FileExists(held));
    EXPECT_FALSE(FileExists(destination + "\\Uninstall-64.exe"));
    // The run's log names the program too.
    const std::string log = ReadFileBytes(TempFolderPath(KELVRA_UNINSTALL_LOG_NAME));
    EXPECT_NE(
        log.find("文件正在被使用: " + held.str() + " (使用它的程序: " + holders.str() + "), 重试"),
        std::string::npos);
}

// A silent run from a folder with a Chinese name: the program finds its log
// beside itself, hands the arguments to its copy and removes the logged file.
TEST(UninstallerWindowText, SilentRunInAChineseNamedFolder) {
    TempDir temp;
    const CString destination = temp / "土地 整理";
    const CString file = destination + "\\线型库.lin";
    ASSERT_TRUE(PlaceUninstaller(destination, {file}));
    Driver driver;
    driver.Launch(destination + "\\Uninstall-64.exe", "/S /REMOVEDATA");
    EXPECT_EQ(driver.WaitForExit(), static_cast<DWORD>(kExitSuccess));
    driver.WaitForDescendants();
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(FileExists(destination + "\\Uninstall-64.exe"));
}

} // namespace
