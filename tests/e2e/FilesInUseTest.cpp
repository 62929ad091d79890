// A reinstallation while a program holds the product's loader, as a running
// AutoCAD holds LoadKelvra.arx: the real Setup.exe, and its test build whose
// restart rule allows (Wine has no access lists, so the real rule never
// does), against a real holder process. Silently: the refusal before
// anything changes, and the replacement at the next restart ending 3010,
// carried out by a simulated restart (wineboot -r). Interactively: the
// question names the file, Retry after the holder ended completes the
// installation, Ignore has the file replaced at the next restart.
#include "tests/e2e/InstallScenario.h"

#include "engine/ActiveSetup.h"
#include "engine/InstallRecord.h"
#include "engine/PendingRenames.h"
#include "engine/RestartReplacement.h"
#include "framework/PathCompare.h"
#include "tests/support/ModuleHolder.h"

#include <string>

namespace {

const char kLoader[] = "Support\\2013-15\\64\\ARX\\LoadKelvra.arx";
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The restart operations Session Manager will carry out.
std::vector<PendingRename> PendingOperations() {
    wchar_t data[16384] = {};
    DWORD type = 0, bytes = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations",
                     RRF_RT_REG_MULTI_SZ, &type, data, &bytes) != ERROR_SUCCESS)
        return {};
    return ParsePendingRenames(std::wstring(data, bytes / sizeof(wchar_t)));
}

bool IsPendingOver(const CString& target) {
    for (const PendingRename& rename : PendingOperations())
        if (IsSamePath(PendingRenamePath(rename.target), NormalizePath(target))) return true;
    return false;
}

// What Windows does at boot before any program runs, as Wine does it.
DWORD SimulateRestart() {
    wchar_t line[] = L"C:\\windows\\system32\\wineboot.exe -r";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return GetLastError();
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    return WaitForSingleObject(process.Get(), 120000);
}

class FilesInUse : public InstallScenario {
protected:
    void SetUp() override {
        InstallScenario::SetUp();
        m_distribution = m_temp / "dist\\";
        ASSERT_TRUE(CopyTree(DistributionFolder(), m_distribution));
        // A real module where AutoCAD's loader lies.
        ASSERT_TRUE(CopyFileW(Wide(ModuleHolder::SampleModule()).c_str(),
                              Wide(m_distribution + kLoader).c_str(), FALSE));
        m_held = Dest(kLoader);
        m_held.MakeLower(); // as the copy names it
        m_driver.SetTimeout(180000);
    }
    void TearDown() override {
        m_holder.Release();
        // This scenario's restart operations go with its folder.
        TakeOutPendingRenames(m_destination);
        // What the silent runs registered for every user's logon goes too:
        // the next scenario starts from a machine without it.
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kActiveSetupKey);
        const CString program = UserProgramFolder() + kUserSetupProgram;
        SetFileAttributesA(program, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(program);
        RemoveDirectoryA(UserProgramFolder());
        SetFileAttributesA(m_destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
        InstallScenario::TearDown();
    }
    static CString DistributionFolder() {
        const CString setup = Distribution("full");
        return setup.Left(setup.ReverseFind('\\') + 1);
    }
    // The test build whose restart rule allows, in place of Setup.exe.
    void UseRestartSeam() {
        ASSERT_TRUE(CopyFileW(Wide(WinePath(KELVRA_RESTART_SEAM_SETUP)).c_str(),
                              Wide(m_distribution + "Setup.exe").c_str(), FALSE));
    }
    CString Log() const { return m_temp / "setup.log"; }
    DWORD InstallSilently() {
        m_driver.Launch(m_distribution + "Setup.exe",
                        "/S \"/LOG=" + Log() + "\" /D=" + m_destination);
        return m_driver.WaitForExit();
    }
    // Installed once, then the loader changed in the distribution and held
    // at the destination.
    void InstallAndHold() {
        ASSERT_EQ(InstallSilently(), 0u) << ReadFileBytes(Log());
        std::string loader = ReadFileBytes(m_distribution + kLoader);
        ASSERT_FALSE(loader.empty());
        m_newLoader = loader + "new build";
        ASSERT_TRUE(WriteFileBytes(m_distribution + kLoader, m_newLoader));
        ASSERT_TRUE(m_holder.Hold(m_held));
    }
    bool Detected() const {
        CString value;
        return ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstalledVersion", value) &&
               value == kBuildVersion;
    }
    // The interactive walk up to the files-in-use question.
    HWND WalkToTheQuestion() {
        m_driver.Launch(m_distribution + "Setup.exe");
        m_driver.Answer(m_driver.WaitForMessageBox(kReinstallQuestion), IDYES);
        WalkFromWelcome();
        return m_driver.WaitForDialog(IDC_IN_USE_TEXT, "the files-in-use question");
    }

    CString m_distribution;
    CString m_held;
    std::string m_newLoader;
    ModuleHolder m_holder;
};

} // namespace

TEST_F(FilesInUse, ASilentRunEndsBeforeAnythingChangesWhereTheRuleRefuses) {
    InstallAndHold();
    ASSERT_TRUE(WriteFileBytes(m_distribution + "readme.txt", "changed"));
    const std::string readme = ReadFileBytes(Dest("readme.txt"));

    EXPECT_EQ(InstallSilently(), 1603u);
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("ERROR  文件正在被使用: " + m_held.str() + " (使用它的程序: 未知程序)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("安装终止, 没有更改任何内容"), std::string::npos) << log;
    // Nothing changed: still detected as installed, no file copied.
    EXPECT_TRUE(Detected());
    EXPECT_EQ(ReadFileBytes(Dest("readme.txt")), readme);
    EXPECT_FALSE(IsPendingOver(m_held));
}

TEST_F(FilesInUse, ASilentRunReplacesAHeldFileAtTheNextRestartAndEnds3010) {
    UseRestartSeam();
    InstallAndHold();
    const std::string before = ReadFileBytes(m_held);

    EXPECT_EQ(InstallSilently(), 3010u) << ReadFileBytes(Log());
    EXPECT_TRUE(Detected()) << "installed: the restart completes it";
    EXPECT_EQ(ReadFileBytes(m_held), before) << "still held, not replaced yet";
    EXPECT_EQ(ReadFileBytes(m_held + kReplacementSuffix), m_newLoader);
    EXPECT_TRUE(IsPendingOver(m_held));
    // The record names the file that will stand there after the restart.
    CInstallRecord record;
    ASSERT_TRUE(CInstallRecord::Load(RecordPathBeside(m_destination), record));
    bool recorded = false;
    for (const RecordedFile& file : record.files)
        if (file.path.CompareNoCase(m_held) == 0) recorded = file.size == m_newLoader.size();
    EXPECT_TRUE(recorded);

    m_holder.Release();
    ASSERT_EQ(SimulateRestart(), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(ReadFileBytes(m_held), m_newLoader);
    EXPECT_FALSE(FileExists(m_held + kReplacementSuffix));
    EXPECT_FALSE(IsPendingOver(m_held));
}

TEST_F(FilesInUse, TheQuestionNamesTheFileAndRetryAfterTheHolderEndedCompletes) {
    InstallAndHold();
    HWND question = WalkToTheQuestion();
    const CString text = CUiDriver::WindowText(GetDlgItem(question, IDC_IN_USE_TEXT));
    EXPECT_NE(text.Find("未知程序（正在使用 " + m_held + "）"), -1) << text.GetString();
    // The real rule refuses here: nothing can wait for a restart.
    EXPECT_FALSE(m_driver.IsEnabled(question, IDIGNORE));
    EXPECT_TRUE(m_driver.IsEnabled(question, IDCANCEL));
    m_holder.Release();
    m_driver.Click(question, IDRETRY);
    Finish(0);
    EXPECT_EQ(ReadFileBytes(m_held), m_newLoader);
}

TEST_F(FilesInUse, IgnoreHasTheHeldFileReplacedAtTheNextRestart) {
    UseRestartSeam();
    InstallAndHold();
    HWND question = WalkToTheQuestion();
    ASSERT_TRUE(m_driver.IsEnabled(question, IDIGNORE));
    m_driver.Click(question, IDIGNORE);
    HWND notice = m_driver.WaitForMessageBox("将在重新启动计算机后替换");
    EXPECT_NE(CUiDriver::MessageBoxText(notice).Find(m_held), -1);
    m_driver.Answer(notice, IDOK);
    Finish(3010);
    EXPECT_TRUE(Detected());
    EXPECT_EQ(ReadFileBytes(m_held + kReplacementSuffix), m_newLoader);
    EXPECT_TRUE(IsPendingOver(m_held));
}
