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
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/SetupReports.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

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
        for (const CString& folder : {desktop, programs}) CreateFolders(folder);
        ASSERT_TRUE(SampleDistribution{.programFiles = {"readme.txt"}}.MakeIn(source));
        PointShellFoldersAt(registry, desktop, programs);
        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
    }
    void TearDown() override {
        SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
    }

    // Runs the worker; the script answers the one box expected and checks it.
    DialogDriver::MessageBoxInfo RunAnsweringOneBox(const char* textPart = "未能完成") {
        DialogDriver driver;
        DialogDriver::MessageBoxInfo seen;
        bool ended = false;
        driver.Run([&] { ended = page.RunWorker(worker, 30000); },
                   [&](DialogDriver& d) {
                       seen = d.WaitForMessageBox(textPart);
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
    // Refused for want of rights: the advice that helps.
    EXPECT_NE(-1, box.text.Find("以管理员身份运行")) << box.text.GetString();
    EXPECT_NE(-1, box.text.Find("Setup.exe")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("控件")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("快捷方式")) << box.text.GetString();
    EXPECT_EQ(page.reports, CompletedReports());
    // Eight product values, eleven of the uninstall entry (its name, its
    // command line and nine details; this distribution has no Kelvra.url
    // for a tenth): none written.
    EXPECT_EQ(19, worker.m_failures.machineValues);
    EXPECT_FALSE(
        RegValueExists(registry.Machine(), "SOFTWARE\\Morvane\\Kelvra\\V9", "installPath"));
    // The rest of the run went on: links, copied files and the log.
    EXPECT_TRUE(FileExists(desktop + "土地整理规划设计.LNK"));
    EXPECT_EQ(std::string("readme.txt"), ReadFileBytes(destination + "readme.txt"));
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
    // Each is named; neither failed for want of rights, so no advice to run
    // as administrator, which would not help.
    EXPECT_NE(-1, box.text.Find(destination + "Control\\damaged.ocx")) << box.text.GetString();
    EXPECT_NE(-1, box.text.Find(temp / "NoSuchDesktop\\土地整理规划设计.LNK"))
        << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("管理员")) << box.text.GetString();
    EXPECT_EQ(page.reports, CompletedReports());
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

TEST_F(SilentFailuresTest, ProgramFileHeldOpenDuringAReinstallIsNamedAndStillLogged) {
    ASSERT_TRUE(WriteFileBytes(source + "Kelvra-64.exe", "new program"));
    CreateFolders(destination);
    ASSERT_TRUE(WriteFileBytes(destination + "Kelvra-64.exe", "old program"));
    // The running product holds its program open.
    CFileHandle running(CreateFileA(destination + "Kelvra-64.exe", GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running);

    const DialogDriver::MessageBoxInfo box = RunAnsweringOneBox();
    running.Reset();
    EXPECT_NE(-1, box.text.Find(CString("1 个程序文件未能复制：\n        ") + destination +
                                "Kelvra-64.exe"))
        << box.text.GetString();
    EXPECT_NE(-1, box.text.Find("关闭正在使用这些文件的程序")) << box.text.GetString();
    EXPECT_EQ(-1, box.text.Find("管理员")) << box.text.GetString();
    EXPECT_EQ(page.reports, CompletedReports());
    EXPECT_EQ("old program", ReadFileBytes(destination + "Kelvra-64.exe"));
    // The uninstaller still hears of it.
    EXPECT_NE(std::string::npos, ReadFileBytes(destination + "Uninstall.log")
                                     .find("File Copy: " + (destination + "Kelvra-64.exe").str()));
}

TEST(SilentFailuresText, EmptyWhenNothingFailedOtherwiseCountsNamesAFewAndAdvisesWhereItHelps) {
    EXPECT_TRUE(CSetupThread::SilentFailuresText({}).IsEmpty());
    CSetupThread::SilentFailures failures;
    failures.machineValues = 12;
    failures.controls = {"C:\\K\\Control\\a.ocx", "C:\\K\\Control\\b.ocx", "C:\\K\\Control\\c.ocx"};
    for (int i = 1; i <= 7; ++i)
        failures.links.push_back(CString("D:\\") + std::to_string(i) + ".LNK");
    failures.programFiles = {"C:\\K\\Kelvra-64.exe"};
    failures.trustedPathLists = 2;
    CString text = CSetupThread::SilentFailuresText(failures);
    EXPECT_NE(-1, text.Find("12 个注册表项（HKEY_LOCAL_MACHINE）")) << text.GetString();
    EXPECT_NE(-1, text.Find("3 个控件未能注册：\n        C:\\K\\Control\\a.ocx\n        "
                            "C:\\K\\Control\\b.ocx\n        C:\\K\\Control\\c.ocx\n"))
        << text.GetString();
    // Five links named, the other two counted.
    EXPECT_NE(-1, text.Find("7 个快捷方式")) << text.GetString();
    EXPECT_NE(-1, text.Find("D:\\5.LNK\n        以及其他 2 个")) << text.GetString();
    EXPECT_EQ(-1, text.Find("6.LNK")) << text.GetString();
    EXPECT_NE(-1, text.Find("1 个程序文件未能复制：\n        C:\\K\\Kelvra-64.exe"))
        << text.GetString();
    EXPECT_NE(-1, text.Find("2 个 AutoCAD 配置的受信任位置（TRUSTEDPATHS）过长"))
        << text.GetString();
    // No reason known: neither advice.
    EXPECT_EQ(-1, text.Find("管理员")) << text.GetString();
    EXPECT_EQ(-1, text.Find("关闭")) << text.GetString();

    failures.accessDenied = true;
    failures.deniedPlaces = {"C:\\Users\\王\\Desktop", "HKEY_LOCAL_MACHINE"};
    failures.inUse = true;
    // The advice that fits: to run as administrator only where the run is
    // not; an elevated run names what refused it.
    struct Advice {
        bool elevated;
        bool runAsAdministrator;
        bool namesThePlaces;
    };
    for (const Advice& advice :
         {Advice{.elevated = false, .runAsAdministrator = true, .namesThePlaces = false},
          Advice{.elevated = true, .runAsAdministrator = false, .namesThePlaces = true}}) {
        SCOPED_TRACE(advice.elevated ? "elevated" : "not elevated");
        text = CSetupThread::SilentFailuresText(failures, advice.elevated);
        EXPECT_EQ(text.Find("选择“以管理员身份运行”") >= 0, advice.runAsAdministrator)
            << text.GetString();
        EXPECT_EQ(text.Find("以下位置仍然拒绝写入：\n        C:\\Users\\王\\Desktop\n        "
                            "HKEY_LOCAL_MACHINE\n") >= 0,
                  advice.namesThePlaces)
            << text.GetString();
        EXPECT_EQ(text.Find("受控文件夹访问") >= 0, advice.namesThePlaces) << text.GetString();
        EXPECT_NE(-1, text.Find("\n\n请先关闭正在使用这些文件的程序")) << text.GetString();
    }
}
