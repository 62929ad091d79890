// The finish page opens readme.txt through the shell. The test registers its
// own program for text files (open_recorder.exe, which records the path and
// show command it was started with) in the scratch registry: the shell finds
// the association through HKEY_CLASSES_ROOT, which the test points at the
// scratch HKCU\Software\Classes.
#include "framework/WizardProtocol.h"
#include "pages/DlgFinishpage.h"
#include "res/resource.h"
#include "tests/pages/PageHost.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <atomic>
#include <vector>

namespace {

const char kRecorderExe[] = "open_recorder.exe";

CString ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind('\\') + 1);
}

// HKEY_CLASSES_ROOT of this process redirected into the scratch user hive's
// Software\Classes, where the shell looks up file associations, for the
// lifetime of the object. Needs a ScratchRegistry alive around it.
class ScratchClasses {
public:
    ScratchClasses() {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &m_key, nullptr);
        m_overridden = m_key && RegOverridePredefKey(HKEY_CLASSES_ROOT, m_key) == ERROR_SUCCESS;
    }
    ~ScratchClasses() {
        if (m_overridden) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (m_key) RegCloseKey(m_key);
    }
    ScratchClasses(const ScratchClasses&) = delete;
    ScratchClasses& operator=(const ScratchClasses&) = delete;
    bool IsActive() const { return m_overridden; }

private:
    HKEY m_key = nullptr;
    bool m_overridden = false;
};

// The test's text-file handler: registered for .txt, it records each start in
// a record file and signals an event; it ends when released.
class TextFileHandler {
public:
    explicit TextFileHandler(const TempDir& temp) : m_record(temp / "opened.txt.record") {
        static std::atomic<int> counter{0};
        const int n = counter++;
        m_recordedName.Format("KelvraOpenRecorded-%lu-%d", GetCurrentProcessId(), n);
        m_releaseName.Format("KelvraOpenRelease-%lu-%d", GetCurrentProcessId(), n);
        m_recorded = CreateEventA(nullptr, TRUE, FALSE, m_recordedName);
        m_release = CreateEventA(nullptr, TRUE, FALSE, m_releaseName);
        CString command;
        command.Format("\"%s%s\" \"%s\" %s %s \"%%1\"", ProgramFolder().GetString(), kRecorderExe,
                       m_record.GetString(), m_recordedName.GetString(), m_releaseName.GetString());
        m_registered = m_classes.IsActive() &&
                       SetRegString(HKEY_CLASSES_ROOT, ".txt", "", "KelvraTest.txtfile") &&
                       SetRegString(HKEY_CLASSES_ROOT, "KelvraTest.txtfile\\shell\\open\\command",
                                    "", command);
    }
    ~TextFileHandler() {
        SetEvent(m_release);
        WaitForRecordersToEnd();
        CloseHandle(m_recorded);
        CloseHandle(m_release);
    }
    TextFileHandler(const TextFileHandler&) = delete;
    TextFileHandler& operator=(const TextFileHandler&) = delete;

    bool IsRegistered() const { return m_registered; }
    bool WaitUntilOpened(DWORD timeoutMs) const {
        return WaitForSingleObject(m_recorded, timeoutMs) == WAIT_OBJECT_0;
    }
    // The path the handler was started with, and its show command.
    CString OpenedPath() const { return RecordLine(0); }
    CString ShowCommand() const { return RecordLine(1); }
    bool HasRecord() const { return FileExists(m_record); }

    // Handlers running now. The shell has created a handler's process before
    // ShellExecuteA returns, and a handler runs until released: after the page
    // has ended, no handler running and no record means nothing was opened.
    static std::vector<DWORD> RunningRecorders() {
        std::vector<DWORD> ids;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return ids;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry))
            if (lstrcmpiA(entry.szExeFile, kRecorderExe) == 0) ids.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
        return ids;
    }

private:
    CString RecordLine(int index) const { return FileLine(m_record, index); }

    static void WaitForRecordersToEnd() {
        for (DWORD id : RunningRecorders()) {
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
            if (!process) continue;
            EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0)
                << "the text-file handler did not end";
            CloseHandle(process);
        }
    }

    ScratchClasses m_classes;
    CString m_record;
    CString m_recordedName, m_releaseName;
    HANDLE m_recorded = nullptr;
    HANDLE m_release = nullptr;
    bool m_registered = false;
};

INT_PTR RunFinish(CDlgFinishpage& page, const PageScript& script) {
    return RunPage(page, IDC_README, script);
}

PageScript ClickFinish() {
    return [](DialogDriver& d, HWND p) { d.Click(p, IDC_NEXT); };
}

} // namespace

TEST(FinishPageTest, ShowsTheTickedOptionAndTheFinishButton) {
    PageHost host;
    CDlgFinishpage page(host.Get());
    CString option, finish;
    int check = -1;
    EXPECT_EQ(RunFinish(page,
                        [&](DialogDriver& d, HWND p) {
                            option = d.GetText(p, IDC_README);
                            finish = d.GetText(p, IDC_NEXT);
                            check = d.GetCheck(p, IDC_README);
                            d.CloseBox(p);
                        }),
              IDCANCEL);
    EXPECT_EQ(option, CString("阅读 readme.htm 文件。"));
    EXPECT_EQ(finish, CString("完成"));
    EXPECT_EQ(check, BST_CHECKED);
}

TEST(FinishPageTest, EscapeCloseBoxAndDefaultOkEndItWithoutOpeningAnything) {
    ScratchRegistry registry;
    TempDir temp;
    TextFileHandler handler(temp);
    ASSERT_TRUE(handler.IsRegistered());
    ASSERT_TRUE(WriteFileBytes(temp / "readme.txt", "read me"));
    PageHost host;
    CDlgFinishpage page(host.Get());
    page.m_strInstallDir = temp.Path();
    int checkOnReturn = -1;
    // Cleared on one visit, ticked anew on the next.
    EXPECT_EQ(RunFinish(page,
                        [](DialogDriver& d, HWND p) {
                            d.Click(p, IDC_README);
                            d.PressKey(p, VK_ESCAPE);
                        }),
              IDCANCEL);
    EXPECT_EQ(RunFinish(page,
                        [&](DialogDriver& d, HWND p) {
                            checkOnReturn = d.GetCheck(p, IDC_README);
                            d.CloseBox(p);
                        }),
              IDCANCEL);
    EXPECT_EQ(checkOnReturn, BST_CHECKED);
    EXPECT_EQ(RunFinish(page, [](DialogDriver& d, HWND p) { d.Command(p, IDOK); }), IDOK);
    EXPECT_TRUE(TextFileHandler::RunningRecorders().empty());
    EXPECT_FALSE(handler.HasRecord());
}

namespace {

// Finish with the option ticked and readme.txt in destination, which the page
// gets as the host hands it over (spaced out and without its backslash).
void ExpectReadmeOpened(const CString& destination, const TextFileHandler& handler) {
    ASSERT_TRUE(WriteFileBytes(destination + "\\readme.txt", "read me"));
    PageHost host;
    CDlgFinishpage page(host.Get());
    page.m_strInstallDir = destination + "  ";
    EXPECT_EQ(RunFinish(page, ClickFinish()), ID_WIZ_EXIT);
    ASSERT_TRUE(handler.WaitUntilOpened(30000)) << "readme.txt was not opened";
    EXPECT_EQ(handler.OpenedPath(), destination + "\\readme.txt");
    EXPECT_EQ(handler.ShowCommand(), CString("3")); // SW_SHOWMAXIMIZED
}

} // namespace

TEST(FinishPageTest, FinishOpensTheDestinationsReadmeMaximisedInTheTextProgram) {
    ScratchRegistry registry;
    TempDir temp;
    TextFileHandler handler(temp);
    ASSERT_TRUE(handler.IsRegistered());
    const CString destination = temp / "Kelvra";
    ASSERT_TRUE(CreateDirectoryA(destination, nullptr)) << GetLastError();
    ExpectReadmeOpened(destination, handler);
}

TEST(FinishPageTest, ReadmeInADoubleByteFolderIsOpenedByItsExactPath) {
    ScratchRegistry registry;
    TempDir temp;
    TextFileHandler handler(temp);
    ASSERT_TRUE(handler.IsRegistered());
    // Trail bytes 0x5C in the folder's name: trimming and the appended
    // backslash must step over them.
    const CString destination = temp / "土地整理乗";
    if (!CreateDirectoryA(destination, nullptr))
        GTEST_SKIP() << "this file system cannot hold code page 936 names (error " << GetLastError()
                     << ")";
    ExpectReadmeOpened(destination, handler);
}

TEST(FinishPageTest, NothingOpensWithoutReadmeOrWithTheOptionCleared) {
    ScratchRegistry registry;
    TempDir temp;
    TextFileHandler handler(temp);
    ASSERT_TRUE(handler.IsRegistered());
    PageHost host;
    CDlgFinishpage page(host.Get());
    page.m_strInstallDir = temp.Path();

    // Ticked, but no readme.txt (a readme.htm does not count).
    ASSERT_TRUE(WriteFileBytes(temp / "readme.htm", "<p>read me</p>"));
    EXPECT_EQ(RunFinish(page, ClickFinish()), ID_WIZ_EXIT);
    EXPECT_TRUE(TextFileHandler::RunningRecorders().empty());
    EXPECT_FALSE(handler.HasRecord());

    // readme.txt present, option cleared.
    ASSERT_TRUE(WriteFileBytes(temp / "readme.txt", "read me"));
    EXPECT_EQ(RunFinish(page,
                        [](DialogDriver& d, HWND p) {
                            d.Click(p, IDC_README);
                            d.Click(p, IDC_NEXT);
                        }),
              ID_WIZ_EXIT);
    EXPECT_TRUE(TextFileHandler::RunningRecorders().empty());
    EXPECT_FALSE(handler.HasRecord());
    EXPECT_FALSE(page.m_bReadmeChosen);

    // Ticked in a run that leaves the read-me to the user's own run (or
    // SYSTEM's): the choice goes out, nothing opens here.
    page.m_bOpenReadme = false;
    EXPECT_EQ(RunFinish(page, ClickFinish()), ID_WIZ_EXIT);
    EXPECT_TRUE(page.m_bReadmeChosen);
    EXPECT_TRUE(TextFileHandler::RunningRecorders().empty());
    EXPECT_FALSE(handler.HasRecord());
}
