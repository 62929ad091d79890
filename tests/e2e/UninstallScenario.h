// The fixture of the uninstaller's scenarios: an installation made by the
// real Setup.exe (InstallScenario), then the real Uninstall-64.exe started
// the way Programs and Features starts it, from the uninstall entry's
// UninstallString, and walked by the UI driver. The copy it works in is
// followed through its windows and waited for.
#pragma once

#include "framework/WideText.h"
#include "res/UninstallResource.h"
#include "tests/e2e/InstallScenario.h"

// The R19.1 default profile the simulated host registers, with trusted
// paths of the user's own before the installer merges its entry into them.
inline const char kR19DefaultProfileVariables[] =
    "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<初始设置配置>>\\Variables";
inline const char kUserTrustedPaths[] = "D:\\我的工具\\Lisp;C:\\Users\\Me\\Routines\\;";
inline const char kRemovedText[] = "已从您的计算机中删除";

// The system folder in code page 936, read through the wide function.
inline CString SystemFolder() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return Narrow(system);
}

class UninstallScenario : public InstallScenario {
protected:
    void SetUp() override {
        InstallScenario::SetUp();
        ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kR19DefaultProfileVariables, "TRUSTEDPATHS",
                                kUserTrustedPaths));
    }

    // Starts the UninstallString as one command line (Windows finds the
    // program in it, blanks and all) from the system folder.
    void StartUninstaller() {
        CString command;
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", command));
        m_driver.LaunchCommandLine(command, SystemFolder());
    }

    // The question: keeping the data is the default; Yes.
    void AnswerTheQuestion(bool removeData) {
        HWND question = m_driver.WaitForDialog(IDC_UN_REMOVE_DATA, "the uninstall question");
        EXPECT_FALSE(m_driver.IsChecked(question, IDC_UN_REMOVE_DATA));
        if (removeData) m_driver.Click(question, IDC_UN_REMOVE_DATA);
        m_driver.Click(question, IDOK);
    }

    // The last box (not the question, not a file in use).
    HWND WaitForLastBox() {
        return m_driver.WaitFor("the uninstaller's last box", [&]() -> HWND {
            HWND box = m_driver.FindMessageBox(nullptr);
            if (!box || GetDlgItem(box, IDC_UN_REMOVE_DATA) || GetDlgItem(box, IDIGNORE))
                return nullptr;
            return box;
        });
    }

    // OK on the last box; the original's exit code once the copy has ended
    // too (it clears away the original and the emptied folder).
    DWORD CloseLastBox(HWND box, CString* text = nullptr) {
        if (text) *text = CUiDriver::MessageBoxText(box);
        m_driver.Answer(box, IDOK);
        const DWORD code = m_driver.WaitForExit();
        m_driver.WaitForDescendants();
        return code;
    }

    // A whole uninstallation: the exit code, the last box's text in text.
    DWORD Uninstall(bool removeData, CString* text = nullptr) {
        StartUninstaller();
        AnswerTheQuestion(removeData);
        return CloseLastBox(WaitForLastBox(), text);
    }
};
