// The fixture of the whole-installer scenarios: the real Setup.exe, started
// from a sample distribution, operated by the UI driver as a user would,
// against the real registry, files and shortcuts of the Wine prefix. Each
// scenario starts from a clean registry state (CInstallMachine) and installs
// into its own folder.
#pragma once

#include "framework/BuildVersion.h"
#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/e2e/InstallMachine.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"
#include "tools/driver/UiDriver.h"
#include "tools/report/ShellLinkInfo.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

inline const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";
inline const char kTwinKey[] = "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9";
inline const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";
inline const char kGroupName[] = "土地整理规划设计软件 Kelvra V9.0";
inline const char kMissingFolderText[] = "找不到安装文件的路径";
inline const char kCannotCreateText[] = "不能创建文件夹";
inline const char kQuitQuestion[] = "真要退出安装程序吗?";
inline const char kReinstallQuestion[] = "已经安装了本软件!";
inline const char kCopyCancelQuestion[] = "安装没有完成。";

// The distributions the e2e_distributions fixture laid out, as a Windows path.
inline CString Distribution(const char* name) {
    const char* root = std::getenv("KELVRA_E2E");
    return WinePath(std::string(root ? root : "") + "/" + name + "/Setup.exe");
}

inline std::string Bytes(const CString& path) { return ReadFileBytes(path); }

class InstallScenario : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("KELVRA_E2E"), nullptr)
            << "run through CTest: KELVRA_E2E names the distributions";
        m_com = std::make_unique<CComInitialize>();
        ASSERT_TRUE(m_com->Entered());
        m_desktop = m_temp / "Desktop\\";
        m_programs = m_temp / "Programs\\";
        CreateFolders(m_desktop);
        CreateFolders(m_programs);
        m_destination = m_temp / "目标 Kelvra\\";
        m_machine = std::make_unique<CInstallMachine>(m_desktop, m_programs);
        m_driver.SetFailureHandler(
            [](const CString& message) { throw std::runtime_error(message.GetString()); });
    }

    void TearDown() override {
        m_driver.Terminate();
        m_machine.reset();
        m_com.reset(); // left only if it was entered
    }

    // Welcome, agreement, destination: leaves the copying page just started.
    void WalkToCopying(const char* distribution = "full") {
        m_driver.Launch(Distribution(distribution));
        WalkFromWelcome();
    }
    void WalkFromWelcome() {
        HWND welcome = Reached(WizardPage::Welcome);
        m_driver.Click(welcome, IDC_NEXT);
        HWND agreement = Reached(WizardPage::Agreement);
        m_driver.Click(agreement, IDC_AGREE);
        m_driver.Click(agreement, IDC_NEXT);
        HWND destination = Reached(WizardPage::Destination);
        TypeDestination(destination);
        m_driver.Click(destination, IDC_NEXT);
    }
    // The finish page with the read-me option cleared, then Finish; the
    // installer's exit code must be exitCode (0: everything done).
    void Finish(DWORD exitCode = 0) {
        HWND finish = Reached(WizardPage::Finish);
        if (m_driver.IsChecked(finish, IDC_README)) m_driver.Click(finish, IDC_README);
        m_driver.Click(finish, IDC_NEXT);
        EXPECT_EQ(m_driver.WaitForExit(), exitCode) << "the installer's exit code";
    }
    void InstallAll() {
        WalkToCopying();
        Finish();
    }

    // Waits for the page and shows it to OnPageReached before the walk acts on it.
    HWND Reached(WizardPage page) {
        HWND window = m_driver.WaitForPage(page);
        OnPageReached(page, window);
        return window;
    }
    virtual void OnPageReached(WizardPage /*page*/, HWND /*window*/) {}
    virtual void TypeDestination(HWND page) {
        m_driver.TypeText(page, IDC_INSTALL_PATH, m_destination);
    }

    CString Dest(const char* relative) const { return m_destination + relative; }
    // What deployment systems detect: a run that ended 0.
    static bool Detected() {
        CString value;
        return ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstalledVersion", value) &&
               value == kBuildVersion;
    }
    // The value as a completed installation of version leaves it, in both
    // views; and whether it is left in either.
    static void PlantDetection(const char* version = kBuildVersion) {
        for (const char* key : {kProductKey, kTwinKey})
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, key, "InstalledVersion", version));
    }
    static bool DetectionLeft() {
        CString value;
        return ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstalledVersion", value) ||
               ReadString(HKEY_LOCAL_MACHINE, kTwinKey, "InstalledVersion", value);
    }
    CString DesktopLink() const { return m_desktop + "土地整理规划设计.LNK"; }

    TempDir m_temp;
    CString m_desktop;
    CString m_programs;
    CString m_destination;
    std::unique_ptr<CComInitialize> m_com;
    std::unique_ptr<CInstallMachine> m_machine;
    CUiDriver m_driver{60000};
};
