// What the steps after the copy cannot do (no rights under
// HKEY_LOCAL_MACHINE, a control that does not register, a link that cannot
// be saved) is summed up in one box over the copying page before the end,
// and the run still completes.
#include "framework/WizardProtocol.h"
#include "engine/SetupThread.h"
#include "framework/Handles.h"
#include "tests/engine/PageStandIn.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

const std::vector<UINT> kCompleted = {WM_SETUP_CONFIGURING, WM_SETUP_DONE};

struct SilentFailuresTest : ::testing::Test {
    ScratchRegistry registry;
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    CString source, destination, desktop, programs;

    void SetUp() override {
        source = temp / "dist\\";
        destination = temp / "Kelvra\\";
        desktop = temp / "Desktop\\";
        programs = temp / "Programs\\";
        for (const CString& folder : {source, desktop, programs}) CreateFolders(folder);
        for (const char* name : CONTENT_FOLDERS) {
            CreateFolders(source + name);
            ASSERT_TRUE(WriteFileBytes(source + name + "\\item.txt", name));
        }
        ASSERT_TRUE(WriteFileBytes(source + "readme.txt", "readme"));
        PointShellFoldersAt(registry, desktop, programs);
        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
    }
    void TearDown() override {
        SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
    }

    // Runs the worker; the script answers the one box expected and checks it.
    DialogDriver::MessageBoxInfo RunAnsweringOneBox() {
        DialogDriver driver;
        DialogDriver::MessageBoxInfo seen;
        bool ended = false;
        driver.Run([&] { ended = page.RunWorker(worker, 30000); },
                   [&](DialogDriver& d) {
                       seen = d.WaitForMessageBox("管理员");
                       EXPECT_EQ(page.Hwnd(), GetWindow(seen.hwnd, GW_OWNER));
                       EXPECT_TRUE(seen.HasButton(IDOK));
                       EXPECT_FALSE(seen.HasButton(IDCANCEL));
                       d.Answer(seen, IDOK);
                   });
        // A second box would have kept the worker from ending.
        EXPECT_TRUE(ended);
        return seen;
    }
};

// Keys under HKEY_LOCAL_MACHINE that this user may read but not change, as
// an administrator's earlier installation leaves them for a plain user.
bool MakeReadOnlyKey(HKEY root, const char* key) {
    CRegKey opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.Out(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;OICI;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    CLocalMemory release(descriptor);
    return RegSetKeySecurity(opened.Get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
}

} // namespace

TEST_F(SilentFailuresTest, ProductKeysThatMayNotBeChangedOneBoxThenDone) {
    for (const char* key :
         {"SOFTWARE\\Morvane\\Kelvra\\V9", "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9"})
        ASSERT_TRUE(MakeReadOnlyKey(registry.Machine(), key)) << key;
    // The premise: such a key refuses a value.
    ASSERT_FALSE(SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Kelvra\\V9", "probe", "x"));

    const DialogDriver::MessageBoxInfo box = RunAnsweringOneBox();
    EXPECT_NE(-1, box.text.Find("HKEY_LOCAL_MACHINE")) << box.text.GetString();
    EXPECT_NE(-1, box.text.Find("Setup.exe")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("控件")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("快捷方式")) << box.text.GetString();
    EXPECT_EQ(page.reports, kCompleted);
    // Eight product values, two of the uninstall entry: none written.
    EXPECT_EQ(10, worker.m_failures.machineValues);
    EXPECT_FALSE(
        RegValueExists(registry.Machine(), "SOFTWARE\\Morvane\\Kelvra\\V9", "installPath"));
    // The rest of the run went on: links, copied files and the log.
    EXPECT_TRUE(FileExists(desktop + "土地整理规划设计.LNK"));
    EXPECT_EQ(std::string("readme"), ReadFileBytes(destination + "readme.txt"));
    EXPECT_TRUE(FileExists(destination + "Uninstall.log"));
}

TEST_F(SilentFailuresTest, ControlThatDoesNotLoadAndUnsavableLinkCountedInOneBox) {
    // Not a library at all, as a control damaged on its medium.
    ASSERT_TRUE(WriteFileBytes(source + "Control\\damaged.ocx", "not a library"));
    // The desktop the registry names is gone.
    PointShellFoldersAt(registry, temp / "NoSuchDesktop\\", programs);

    const DialogDriver::MessageBoxInfo box = RunAnsweringOneBox();
    EXPECT_NE(-1, box.text.Find("1 个控件")) << box.text.GetString();
    EXPECT_NE(-1, box.text.Find("1 个快捷方式")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("HKEY_LOCAL_MACHINE")) << box.text.GetString();
    EXPECT_EQ(page.reports, kCompleted);
    // The uninstaller still hears of the control; the other links were made.
    EXPECT_NE(std::string::npos,
              ReadFileBytes(destination + "Uninstall.log")
                  .find("Reg Ctrl: " + (destination + "Control\\damaged.ocx").str()));
    EXPECT_TRUE(FileExists(programs + "土地整理规划设计软件 Kelvra V9.0\\土地整理规划设计.LNK"));

    // The same worker run again counts this run's failures only.
    const DialogDriver::MessageBoxInfo again = RunAnsweringOneBox();
    EXPECT_NE(-1, again.text.Find("1 个控件")) << again.text.GetString();
    EXPECT_NE(-1, again.text.Find("1 个快捷方式")) << again.text.GetString();
}

TEST(SilentFailuresText, EmptyWhenNothingFailedAndNamesEveryKindWithItsCount) {
    EXPECT_TRUE(CSetupThread::SilentFailuresText({}).IsEmpty());
    CSetupThread::SilentFailures failures;
    failures.machineValues = 12;
    failures.controls = 3;
    failures.links = 7;
    const CString text = CSetupThread::SilentFailuresText(failures);
    EXPECT_NE(-1, text.Find("12 个注册表项（HKEY_LOCAL_MACHINE）")) << text.GetString();
    EXPECT_NE(-1, text.Find("3 个控件")) << text.GetString();
    EXPECT_NE(-1, text.Find("7 个快捷方式")) << text.GetString();
    EXPECT_NE(-1, text.Find("管理员身份运行")) << text.GetString();
}
