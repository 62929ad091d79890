// Unattended deployment with the real Setup.exe: the command line, the exit
// codes of both modes, the run's log, one instance at a time, a silent
// installation against an interactive one, Active Setup's per-user part and
// the Group Policy script.
#include "tests/e2e/InstallScenario.h"

#include "engine/ActiveSetup.h"
#include "engine/UnattendedSetup.h"
#include "framework/SingleInstance.h"
#include "tools/report/InstallReport.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char kR18Profile[] =
    "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>";

// Runs a whole command line and waits for its end; its exit code, or a
// failure after the deadline.
DWORD RunCommand(const CString& commandLine, const CString& folder = CString()) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::vector<char> line(commandLine.str().begin(), commandLine.str().end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.IsEmpty() ? nullptr : folder.GetString(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine.GetString();
        return ~0u;
    }
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 180000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 3);
        ADD_FAILURE() << "still running after 3 minutes: " << commandLine.GetString();
        return ~0u;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

DWORD RunSetup(const char* distribution, const CString& arguments) {
    return RunCommand("\"" + Distribution(distribution) + "\" " + arguments);
}

// What write prints, through a temporary file.
std::string Printed(const std::function<void(FILE*)>& write) {
    FILE* out = std::tmpfile();
    if (!out) return std::string();
    write(out);
    std::string text(static_cast<size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(&text[0], 1, text.size(), out));
    std::fclose(out);
    return text;
}

// What the installation report prints for a destination.
std::string Report(const CString& destination) {
    return Printed([&](FILE* out) { ReportInstallation(out, destination); });
}

// The user's part only: the AutoCAD keys under HKEY_CURRENT_USER and the links.
std::string UserReport(const CString& destination) {
    return Printed([&](FILE* out) {
        ReportRegistryTree(out, HKEY_CURRENT_USER, "HKCU", "Software\\Autodesk\\AutoCAD");
        ReportShortcuts(out, destination);
    });
}

// The text's last line, without its CR LF.
std::string LastLine(std::string text) {
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    const size_t start = text.rfind("\r\n");
    return start == std::string::npos ? text : text.substr(start + 2);
}

class DeploymentTest : public InstallScenario {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kActiveSetupKey);
        const CString kept = UserProgramFolder();
        SetFileAttributesA(kept + kUserSetupProgram, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(kept + kUserSetupProgram);
        RemoveDirectoryA(kept);
        RemoveDirectoryA(kept.Left(kept.Left(kept.GetLength() - 1).ReverseFind('\\')));
        SetFileAttributesA(m_destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
        InstallScenario::TearDown();
    }
    // Back to the machine the scenario started from, the destination gone.
    void ResetMachine() {
        CInstallMachine::ClearInstallationKeys();
        CInstallMachine::RegisterSimulatedAcad();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kActiveSetupKey);
        SetFileAttributesA(m_destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA(m_destination + "KelvraV9.0.ico", FILE_ATTRIBUTE_NORMAL);
        RemoveTree(m_destination.Left(m_destination.GetLength() - 1));
        DeleteFileA(DesktopLink());
        RemoveTree(m_programs + kGroupName);
    }
    bool Installed() const {
        CString value;
        return ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value);
    }
    CString Log() const { return m_temp / "运行 日志.log"; }
    CString LogArgument() const { return "\"/LOG=" + Log() + "\""; }
};

TEST_F(DeploymentTest, SilentExitCodesAndTheLogsEnd) {
    struct Case {
        const char* distribution;
        const char* arguments; // before the log and the destination
        bool destination;      // /D=<the scenario's folder> last
        DWORD exitCode;
        bool installed;
        const char* logNames; // a text the log must hold
    };
    const Case cases[] = {
        {.distribution = "full",
         .arguments = "/S",
         .destination = true,
         .exitCode = 0,
         .installed = true,
         .logNames = "安装完成"},
        {.distribution = "no-fifth-folder",
         .arguments = "/s",
         .destination = true,
         .exitCode = 1603,
         .installed = false,
         .logNames = "填充图案"},
        // No drive Q: in the prefix: the destination cannot be created.
        {.distribution = "full",
         .arguments = "/S /D=Q:\\Kelvra",
         .destination = false,
         .exitCode = 1603,
         .installed = false,
         .logNames = "Q:\\Kelvra"},
        {.distribution = "full",
         .arguments = "/S /quiet",
         .destination = true,
         .exitCode = 1639,
         .installed = false,
         .logNames = "/quiet"},
        {.distribution = "full",
         .arguments = "/S /D=Kelvra",
         .destination = false,
         .exitCode = 1639,
         .installed = false,
         .logNames = "/D=Kelvra"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        ResetMachine();
        DeleteFileA(Log());
        // The log first: /D= takes the rest of the line.
        CString arguments = LogArgument() + " " + c.arguments;
        if (c.destination) arguments += " /D=" + m_destination;
        EXPECT_EQ(RunSetup(c.distribution, arguments), c.exitCode);
        EXPECT_EQ(Installed(), c.installed);
        const std::string log = ReadFileBytes(Log());
        EXPECT_NE(log.find(c.logNames), std::string::npos) << log;
        char end[32];
        std::snprintf(end, sizeof(end), "结束, 退出代码 %lu",
                      static_cast<unsigned long>(c.exitCode));
        EXPECT_NE(LastLine(log).find(end), std::string::npos) << log;
    }
}

TEST_F(DeploymentTest, DestinationFormsOfTheCommandLine) {
    struct Case {
        const char* written; // the last argument, {} standing for the scenario's temp folder
        const char* folder;  // the folder installed into, below the temp folder
    };
    const Case cases[] = {
        {.written = "/D={}a b\\Kelvra V9", .folder = "a b\\Kelvra V9\\"},
        {.written = "/D=\"{}软件 目录\\土地\"", .folder = "软件 目录\\土地\\"},
        // The whole argument quoted, as some deployment consoles write it.
        {.written = "\"/D={}x y\\\"", .folder = "x y\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        ResetMachine();
        std::string written = c.written;
        written.replace(written.find("{}"), 2, m_temp.Path().str());
        m_destination = m_temp / c.folder;
        EXPECT_EQ(RunSetup("full", "/S " + LogArgument() + " " + CString(written)), 0u)
            << ReadFileBytes(Log());
        CString value;
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
        EXPECT_EQ(value, m_destination);
        EXPECT_TRUE(FileExists(Dest("Database\\kelvra.mdb")));
    }
}

TEST_F(DeploymentTest, InteractiveExitCodesAndBoxes) {
    // An argument not understood: named in a box, nothing installed.
    m_driver.Launch(Distribution("full"), "/bogus");
    HWND box = m_driver.WaitForMessageBox("/bogus");
    m_driver.Answer(box, IDOK);
    EXPECT_EQ(m_driver.WaitForExit(), 1639u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

    // The switches and exit codes, even with /S.
    m_driver.Launch(Distribution("full"), "/S /?");
    box = m_driver.WaitForMessageBox("1618");
    EXPECT_NE(CUiDriver::MessageBoxText(box).Find("/LOG="), -1);
    m_driver.Answer(box, IDOK);
    EXPECT_EQ(m_driver.WaitForExit(), 0u);

    // The quit question on the welcome page, answered Yes; a log when asked for.
    m_driver.Launch(Distribution("full"), LogArgument());
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.Click(welcome, IDCANCEL);
    m_driver.Answer(m_driver.WaitForMessageBox(kQuitQuestion), IDYES);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("交互安装"), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 1602"), std::string::npos) << log;

    // /D= fills the destination page's field; a declined reinstallation.
    m_driver.Launch(Distribution("full"), "/D=" + m_temp.Path() + "新 目录");
    m_driver.Click(m_driver.WaitForPage(WizardPage::Welcome), IDC_NEXT);
    HWND agreement = m_driver.WaitForPage(WizardPage::Agreement);
    m_driver.Click(agreement, IDC_AGREE);
    m_driver.Click(agreement, IDC_NEXT);
    HWND destination = m_driver.WaitForPage(WizardPage::Destination);
    EXPECT_EQ(m_driver.ReadText(destination, IDC_INSTALL_PATH), m_temp.Path() + "新 目录\\");
    m_driver.Click(destination, IDCANCEL);
    m_driver.Answer(m_driver.WaitForMessageBox(kQuitQuestion), IDYES);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);

    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", m_destination);
    m_driver.Launch(Distribution("full"));
    m_driver.Answer(m_driver.WaitForMessageBox(kReinstallQuestion), IDNO);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);
}

TEST_F(DeploymentTest, ASecondInstanceGets1618WhileTheFirstRuns) {
    m_driver.Launch(Distribution("full"));
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);

    EXPECT_EQ(RunSetup("full", "/S " + LogArgument()), 1618u);
    EXPECT_NE(ReadFileBytes(Log()).find("正在运行"), std::string::npos);

    CUiDriver second(60000);
    second.SetFailureHandler(
        [](const CString& message) { throw std::runtime_error(message.GetString()); });
    second.Launch(Distribution("full"));
    second.Answer(second.WaitForMessageBox("正在运行"), IDOK);
    EXPECT_EQ(second.WaitForExit(), 1618u);

    m_driver.Click(welcome, IDCANCEL);
    m_driver.Answer(m_driver.WaitForMessageBox(kQuitQuestion), IDYES);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);
    // The mutex is gone with its holders.
    CSingleInstance after(KELVRA_INSTANCE_MUTEX);
    EXPECT_TRUE(after.IsFirst());
}

TEST_F(DeploymentTest, SilentInstallationLeavesTheMachineAnInteractiveWalkLeaves) {
    InstallAll();
    const std::string interactive = Report(m_destination);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kActiveSetupKey));
    const std::string userState = UserReport(m_destination);
    ASSERT_NE(interactive.find("File Copy: "), std::string::npos) << interactive;
    ASSERT_NE(userState.find("<<Kelvra V9>>"), std::string::npos) << userState;
    ASSERT_NE(userState.find("土地整理规划设计.LNK"), std::string::npos) << userState;

    ResetMachine();
    EXPECT_EQ(RunSetup("full", "/S " + LogArgument() + " /D=" + m_destination), 0u)
        << ReadFileBytes(Log());
    EXPECT_EQ(Report(m_destination), interactive);

    // Apart from the Active Setup component, which runs the per-user part.
    CString stubPath;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    // The kept copy under Common Files, the distribution's file byte for byte.
    EXPECT_EQ(stubPath, "\"" + UserProgramFolder() + "KelvraUserSetup.exe\" /D=" + m_destination);
    EXPECT_EQ(ReadFileBytes(UserProgramFolder() + "KelvraUserSetup.exe"),
              ReadFileBytes(Distribution("full").Left(Distribution("full").GetLength() - 9) +
                            "KelvraUserSetup.exe"));
    CString version;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version", version));
    EXPECT_EQ(version, "9,0,0,1");

    // A user who never had the product: no profile, no links. The stub
    // gives them what the interactive installation gave its user.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Autodesk");
    CInstallMachine::RegisterSimulatedAcad();
    DeleteFileA(DesktopLink());
    RemoveTree(m_programs + kGroupName);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    ASSERT_FALSE(FileExists(DesktopLink()));
    EXPECT_EQ(RunCommand(stubPath), 0u);
    EXPECT_EQ(UserReport(m_destination), userState);

    // The silent uninstall registers the clean-up, kept outside the
    // destination, under a higher Version.
    EXPECT_EQ(RunCommand("\"" + Dest("Uninstall-64.exe") + "\" /S"), 0u);
    EXPECT_FALSE(DirectoryExists(Dest("Support")));
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version", version));
    EXPECT_EQ(version, "9,0,0,2");
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    EXPECT_EQ(stubPath,
              "\"" + UserProgramFolder() + kUserSetupProgram + "\" /REMOVE /D=" + m_destination);
    // Another user, set up at an earlier logon: the clean-up takes their part away.
    SetUpCurrentUser(m_destination);
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    ASSERT_TRUE(FileExists(DesktopLink()));
    EXPECT_EQ(RunCommand(stubPath), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(DirectoryExists(m_programs + kGroupName));

    // An interactive reinstallation replaces the pending clean-up: no user's
    // next logon takes the new installation's profiles and links away.
    const CString cleanup = stubPath;
    InstallAll();
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    EXPECT_EQ(stubPath.Find("/REMOVE"), -1) << stubPath;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version", version));
    EXPECT_EQ(version, "9,0,0,3");
    // And a clean-up started anyway (a user whose logon raced the
    // reinstallation) leaves an installed product's user alone.
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_EQ(RunCommand(cleanup), 0u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_TRUE(FileExists(DesktopLink()));
}

TEST_F(DeploymentTest, AFileHeldOpenIsNamedInTheLogAndTheRunEndsWith1603) {
    EXPECT_EQ(RunSetup("full", "/S " + LogArgument() + " /D=" + m_destination), 0u);
    // The copy names files by their lower-cased destination path.
    CString held = Dest("图框\\frame01.dwg");
    held.MakeLower();
    CFileHandle lock(CreateFileA(held, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.IsValid());

    EXPECT_EQ(RunSetup("full", "/S " + LogArgument() + " /D=" + m_destination), 1603u);
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("ERROR  不能复制文件 " + held.str()), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 1603"), std::string::npos) << log;
}

TEST_F(DeploymentTest, GroupPolicyScriptInstallsOnceAndReturnsTheExitCode) {
    // The script in the source tree, seen through Wine's drive Z:.
    std::string source = std::string("Z:") + __FILE__;
    source = source.substr(0, source.rfind("/tests/e2e/")) + "/tools/deploy/Install-Kelvra.cmd";
    for (char& c : source)
        if (c == '/') c = '\\';
    const CString script(source);
    ASSERT_TRUE(FileExists(script)) << source;
    const CString logs = m_temp / "logs";
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof(computer);
    GetComputerNameA(computer, &size);
    const CString log = logs + "\\" + computer + "\\Kelvra V9 Setup.log";
    auto run = [&](const char* distribution) {
        CString folder = Distribution(distribution);
        folder = folder.Left(folder.ReverseFind('\\'));
        return RunCommand("cmd.exe /c \"\"" + script + "\" \"" + folder + "\" \"" + logs + "\" \"" +
                          m_destination + "\"\"");
    };
    CreateDirectoryA(logs, nullptr);

    EXPECT_EQ(run("no-fifth-folder"), 1603u);
    EXPECT_NE(LastLine(ReadFileBytes(log)).find("退出代码 1603"), std::string::npos);
    ResetMachine();
    EXPECT_EQ(run("full"), 0u);
    EXPECT_TRUE(Installed());
    EXPECT_NE(LastLine(ReadFileBytes(log)).find("退出代码 0"), std::string::npos);
    // Installed: the script leaves it alone and writes no new log.
    DeleteFileA(log);
    EXPECT_EQ(run("full"), 0u);
    EXPECT_FALSE(FileExists(log));
    EXPECT_NE(ReadFileBytes(logs + "\\results.txt").find(computer), std::string::npos);
}

} // namespace
