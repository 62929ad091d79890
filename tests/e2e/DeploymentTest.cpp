// Unattended deployment with the real Setup.exe: the command line, the exit
// codes of both modes, the run's log, one instance at a time, a silent
// installation against an interactive one, Active Setup's per-user part, the
// Group Policy script, administrator rights and runs without a desktop.
#include "tests/e2e/InstallScenario.h"
#include "tests/e2e/MachineSnapshot.h"

#include "engine/ActiveSetup.h"
#include "engine/UnattendedSetup.h"
#include "framework/ExitCode.h"
#include "framework/RunLog.h"
#include "framework/SingleInstance.h"
#include "framework/VersionNumbers.h"
#include "framework/WideText.h"
#include "tools/report/InstallReport.h"

#include <gtest/gtest-spi.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <vector>

namespace {

const char kR18Profile[] =
    "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>";

// Every running process, with the process that started it.
std::vector<PROCESSENTRY32W> Processes() {
    std::vector<PROCESSENTRY32W> processes;
    CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        processes.push_back(entry);
    return processes;
}

bool Holds(const std::vector<DWORD>& ids, DWORD id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The started process and the processes it started, as far as they run.
std::vector<DWORD> Family(DWORD root) {
    std::vector<DWORD> family = {root};
    const std::vector<PROCESSENTRY32W> processes = Processes();
    // Children may be listed before their parents: go round until nothing is added.
    for (size_t known = 0; known != family.size();) {
        known = family.size();
        for (const PROCESSENTRY32W& process : processes)
            if (Holds(family, process.th32ParentProcessID) && !Holds(family, process.th32ProcessID))
                family.push_back(process.th32ProcessID);
    }
    return family;
}

// The process that started process, or 0.
DWORD ParentProcess(DWORD process) {
    for (const PROCESSENTRY32W& entry : Processes())
        if (entry.th32ProcessID == process) return entry.th32ParentProcessID;
    return 0;
}

// A visible top-level window of any of the processes; null when none shows.
HWND VisibleWindowOf(const std::vector<DWORD>& processes) {
    struct Search {
        const std::vector<DWORD>* processes;
        HWND found;
    } search{&processes, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (!IsWindowVisible(hwnd) || !Holds(*s->processes, process)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs a whole command line that must show no window (a silent run, a
// script, the per-user program), on the named desktop if one is given, and
// waits for its end; its exit code. A window of it or of a program it
// started fails the run at once, naming what the window says, instead of
// waiting out the deadline behind a box nobody answers; either way the
// run's processes are ended.
DWORD RunCommand(const CString& commandLine, std::wstring desktop = std::wstring(),
                 DWORD deadlineMs = 180000) {
    std::wstring line;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!desktop.empty()) startup.lpDesktop = &desktop[0];
    PROCESS_INFORMATION info{};
    if (!ToWide(commandLine, line) || !CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0,
                                                      nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine.GetString() << " (error " << GetLastError()
                      << ")";
        return ~0u;
    }
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    const DWORD start = GetTickCount();
    // The process's end is what is waited for; between looks at its windows.
    while (WaitForSingleObject(process.Get(), 100) == WAIT_TIMEOUT) {
        const std::vector<DWORD> family = Family(info.dwProcessId);
        const HWND shown = VisibleWindowOf(family);
        if (!shown && GetTickCount() - start <= deadlineMs) continue;
        const CString why = shown ? "a window in a run that shows none (" +
                                        CUiDriver::WindowText(shown) + ": " +
                                        CUiDriver::MessageBoxText(shown) + ")"
                                  : CString("still running at the deadline");
        for (DWORD id : family) {
            CHandle member(OpenProcess(PROCESS_TERMINATE, FALSE, id));
            if (member) TerminateProcess(member.Get(), 3);
        }
        WaitForSingleObject(process.Get(), 5000);
        ADD_FAILURE() << why.GetString() << ": " << commandLine.GetString();
        return ~0u;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

// The folder of a distribution, with its backslash.
CString DistributionFolder(const char* distribution) {
    const CString setup = Distribution(distribution);
    return setup.Left(setup.ReverseFind('\\') + 1);
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

// Today as the uninstall entry's InstallDate writes it: yyyymmdd.
std::string Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof(today), "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return today;
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
        CInstallMachine::Reset(m_destination);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kActiveSetupKey);
        DeleteFileA(DesktopLink());
        RemoveTree(m_programs + kGroupName);
    }
    bool Installed() const {
        CString value;
        return ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value);
    }
    CString Log() const { return m_temp / "运行 日志.log"; }
    CString LogArgument() const { return "\"/LOG=" + Log() + "\""; }
    DWORD InstallSilently(const char* distribution = "full") {
        return RunSetup(distribution, "/S " + LogArgument() + " /D=" + m_destination);
    }
    // A user who never had the product: no profile, no links.
    void ForgetTheUser() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk");
        CInstallMachine::RegisterSimulatedAcad();
        DeleteFileW(Wide(DesktopLink()).c_str());
        RemoveTree(m_programs + kGroupName);
    }
    // What the destination page showed before the walk typed the folder.
    void TypeDestination(HWND page) override {
        m_shownDestination = m_driver.ReadText(page, IDC_INSTALL_PATH);
        InstallScenario::TypeDestination(page);
    }
    CString m_shownDestination;
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
        // Misordered: the folder would have been "C:\Kelvra /S".
        {.distribution = "full",
         .arguments = "/D=C:\\Kelvra /S",
         .destination = false,
         .exitCode = 1639,
         .installed = false,
         .logNames = "/D=C:\\Kelvra /S"},
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
        EXPECT_EQ(Detected(), c.installed);
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
        {.written = "/S /D={}a b\\Kelvra V9", .folder = "a b\\Kelvra V9\\"},
        {.written = "/S /D=\"{}软件 目录\\土地\"", .folder = "软件 目录\\土地\\"},
        // The whole argument quoted, as some deployment consoles write it.
        {.written = "/S \"/D={}x y\\\"", .folder = "x y\\"},
        // Quoted, it ends at its closing quote: the switch after it counts.
        {.written = "/D=\"{}引号 目录\" /S", .folder = "引号 目录\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        ResetMachine();
        std::string written = c.written;
        written.replace(written.find("{}"), 2, m_temp.Path().str());
        m_destination = m_temp / c.folder;
        EXPECT_EQ(RunSetup("full", LogArgument() + " " + CString(written)), 0u)
            << ReadFileBytes(Log());
        CString value;
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
        EXPECT_EQ(value, m_destination);
        EXPECT_TRUE(FileExists(Dest("Database\\kelvra.mdb")));
    }

    // A reinstallation without /D= goes where the product is, and keeps the
    // user's database while it replaces a changed product file. Its record
    // cannot be written (a program holds the old one, not sharing its
    // deletion): the run still ends with 0, named in the log, and the old
    // record stays whole.
    ASSERT_TRUE(WriteFileBytes(Dest("Database\\kelvra.mdb"), "the user's own data"));
    ASSERT_TRUE(WriteFileBytes(Dest("线型库\\linetype01.lin"), "changed since"));
    const CString record = Dest("Uninstall.dat");
    const std::string recorded = ReadFileBytes(record);
    ASSERT_FALSE(recorded.empty());
    const std::string dayBefore = Today();
    {
        CFileHandle held(CreateFileW(Wide(record).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(RunSetup("full", "/S " + LogArgument()), 0u) << ReadFileBytes(Log());
    }
    const std::string dayAfter = Today();
    EXPECT_TRUE(Detected());
    EXPECT_EQ(ReadFileBytes(record), recorded);
    EXPECT_FALSE(FileExists(record + ".new"));
    EXPECT_EQ(Bytes(Dest("Database\\kelvra.mdb")), "the user's own data");
    EXPECT_NE(Bytes(Dest("线型库\\linetype01.lin")), "changed since");
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("安装路径: " + m_destination.str() + " (已安装的位置"), std::string::npos)
        << log;
    EXPECT_NE(log.find("ERROR  不能写入安装记录 " + record.str()), std::string::npos) << log;
    CString value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_EQ(value, m_destination);

    // The uninstall entry, as Programs and Features and inventories read it.
    struct Text {
        const char* name;
        CString data;
    };
    const Text texts[] = {
        {.name = "DisplayName", .data = "土地整理规划设计软件 Kelvra V9.0"},
        {.name = "UninstallString", .data = "\"" + m_destination + "Uninstall-64.exe\""},
        {.name = "DisplayVersion", .data = kBuildVersion},
        {.name = "Publisher", .data = "Morvane 软件公司"},
        {.name = "InstallLocation", .data = m_destination},
        {.name = "DisplayIcon", .data = m_destination + "KelvraV9.0.ico"},
        {.name = "QuietUninstallString", .data = "\"" + m_destination + "Uninstall-64.exe\" /S"},
        {.name = "URLInfoAbout", .data = "http://www.morvane.example/"},
    };
    for (const Text& text : texts) {
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, text.name, value)) << text.name;
        EXPECT_EQ(value, text.data) << text.name;
    }
    // The day of the run (it may have crossed midnight).
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallDate", value));
    EXPECT_TRUE(value.str() == dayBefore || value.str() == dayAfter) << value.GetString();
    for (const char* flag : {"NoModify", "NoRepair"}) {
        DWORD data = 0;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, flag, data)) << flag;
        EXPECT_EQ(data, 1u) << flag;
    }
    // The size: a distribution with one file of exactly 1 MiB more makes
    // it exactly 1024 KB more.
    DWORD size = 0, largerSize = 0;
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", size));
    const CString larger = m_temp / "larger\\";
    ASSERT_TRUE(CopyTree(DistributionFolder("full"), larger));
    ASSERT_TRUE(WriteFileBytes(larger + "图框\\one mebibyte.dwg", std::string(1 << 20, 'k')));
    EXPECT_EQ(RunCommand("\"" + larger + "Setup.exe\" /S " + LogArgument()), 0u);
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", largerSize));
    EXPECT_EQ(largerSize, size + 1024);
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
    for (const char* named : {"/LOG=", "%COMPUTERNAME%", "/ALLOWDOWNGRADE", "/NORESTART", "1638"})
        EXPECT_NE(CUiDriver::MessageBoxText(box).Find(named), -1) << named;
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

// The installed build against this one, weighed before anything changes
// (the start-up question's place, before the backdrop): a newer one stays,
// asked about with 否 the default or silently with 1638, unless the
// administrator allows the downgrade; the same one leads to the reinstall
// question as before (an older one too: InstalledVersionTest).
TEST_F(DeploymentTest, TheInstalledVersionIsWeighedBeforeAnythingChanges) {
    const char kDowngradeQuestion[] = "已经安装了本软件的较新版本 " KELVRA_NEXT_VERSION;
    struct Case {
        const char* installed; // the detection value planted
        const char* arguments; // after the log
        const char* question;  // the box answered 否; null: a silent run
        DWORD exitCode;
    };
    const Case cases[] = {
        {.installed = KELVRA_NEXT_VERSION,
         .arguments = "",
         .question = kDowngradeQuestion,
         .exitCode = kExitNewerInstalled},
        {.installed = KELVRA_NEXT_VERSION,
         .arguments = "/S /NORESTART",
         .question = nullptr,
         .exitCode = kExitNewerInstalled},
        {.installed = KELVRA_NEXT_VERSION,
         .arguments = "/allowdowngrade",
         .question = kReinstallQuestion,
         .exitCode = kExitUserCancelled},
        {.installed = kBuildVersion,
         .arguments = "",
         .question = kReinstallQuestion,
         .exitCode = kExitUserCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CString(c.installed) + " " + c.arguments);
        ResetMachine();
        DeleteFileA(Log());
        ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", m_destination));
        PlantDetection(c.installed);
        const CString arguments = LogArgument() + " " + c.arguments;
        if (c.question) {
            m_driver.Launch(Distribution("full"), arguments);
            HWND box = m_driver.WaitForMessageBox(c.question);
            HWND no = GetDlgItem(box, IDNO);
            if (c.question == kDowngradeQuestion) {
                EXPECT_TRUE(no && (GetWindowLongW(no, GWL_STYLE) & BS_DEFPUSHBUTTON))
                    << "No must be the default";
            }
            m_driver.Answer(box, IDNO);
            EXPECT_EQ(m_driver.WaitForExit(), c.exitCode);
        } else {
            EXPECT_EQ(RunSetup("full", arguments), c.exitCode);
        }
        // Nothing changed: the values as planted, no folder, no entry.
        CString value;
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstalledVersion", value));
        EXPECT_EQ(value, c.installed);
        EXPECT_FALSE(DirectoryExists(m_destination));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        const std::string log = ReadFileBytes(Log());
        EXPECT_NE(log.find(std::string("已安装的版本 ") + c.installed), std::string::npos) << log;
        EXPECT_NE(LastLine(log).find("结束, 退出代码 " + std::to_string(c.exitCode)),
                  std::string::npos)
            << log;
    }
}

// The next build (the same sources, a higher version) over this one: an
// upgrade in place that keeps the database and names itself to deployment
// tools; this build then stays out, silently or asked, until allowed back.
TEST_F(DeploymentTest, ANewerBuildUpgradesInPlaceAndTheOlderOneIsKeptOutUnlessAllowed) {
    const CString next = m_temp / "next\\";
    ASSERT_TRUE(CopyTree(DistributionFolder("full"), next));
    ASSERT_TRUE(CopyFileW(Wide(WinePath(KELVRA_NEXT_VERSION_SETUP)).c_str(),
                          Wide(next + "Setup.exe").c_str(), FALSE));
    auto value = [](const char* key, const char* name) {
        CString read;
        ReadString(HKEY_LOCAL_MACHINE, key, name, read);
        return read;
    };
    ASSERT_EQ(InstallSilently(), 0u) << ReadFileBytes(Log());
    EXPECT_EQ(value(kUninstallKey, "DisplayVersion"), kBuildVersion);
    ASSERT_TRUE(WriteFileBytes(Dest("Database\\kelvra.mdb"), "the user's own data"));

    // Without /D=: where the product is.
    EXPECT_EQ(RunCommand("\"" + next + "Setup.exe\" /S /NORESTART " + LogArgument()), 0u)
        << ReadFileBytes(Log());
    for (const char* key : {kProductKey, kTwinKey})
        EXPECT_EQ(value(key, "InstalledVersion"), KELVRA_NEXT_VERSION) << key;
    EXPECT_EQ(value(kUninstallKey, "DisplayVersion"), KELVRA_NEXT_VERSION);
    EXPECT_EQ(value(kProductKey, "Ver"), "9.00");
    EXPECT_EQ(value(kProductKey, "installPath"), m_destination);
    EXPECT_EQ(Bytes(Dest("Database\\kelvra.mdb")), "the user's own data");
    EXPECT_NE(ReadFileBytes(Log()).find("版本 " KELVRA_NEXT_VERSION), std::string::npos);

    // This build again changes nothing: silently 1638, asked 否 1638.
    const std::string upgraded = Report(m_destination);
    EXPECT_EQ(InstallSilently(), static_cast<DWORD>(kExitNewerInstalled));
    m_driver.Launch(Distribution("full"));
    m_driver.Answer(m_driver.WaitForMessageBox(KELVRA_NEXT_VERSION), IDNO);
    EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitNewerInstalled));
    EXPECT_EQ(Report(m_destination), upgraded);

    // Allowed back, the database still kept.
    EXPECT_EQ(RunSetup("full", "/S /ALLOWDOWNGRADE " + LogArgument()), 0u) << ReadFileBytes(Log());
    EXPECT_TRUE(Detected());
    EXPECT_EQ(value(kUninstallKey, "DisplayVersion"), kBuildVersion);
    EXPECT_EQ(Bytes(Dest("Database\\kelvra.mdb")), "the user's own data");
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
    EXPECT_TRUE(Detected());
    const std::string interactive = Report(m_destination);
    // An elevated interactive run registers every other user's set-up too,
    // as the silent run below does.
    CString interactiveStubPath;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", interactiveStubPath));
    const std::string userState = UserReport(m_destination);
    ASSERT_NE(interactive.find("File Copy: "), std::string::npos) << interactive;
    ASSERT_NE(userState.find("<<Kelvra V9>>"), std::string::npos) << userState;
    ASSERT_NE(userState.find("土地整理规划设计.LNK"), std::string::npos) << userState;

    ResetMachine();
    EXPECT_EQ(InstallSilently(), 0u) << ReadFileBytes(Log());
    EXPECT_EQ(Report(m_destination), interactive);

    // And the same Active Setup component, which runs the per-user part.
    CString stubPath;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    EXPECT_EQ(stubPath, interactiveStubPath);
    // The kept copy under Common Files, the distribution's file byte for byte.
    EXPECT_EQ(stubPath, "\"" + UserProgramFolder() + "KelvraUserSetup.exe\" /D=" + m_destination);
    EXPECT_EQ(ReadFileBytes(UserProgramFolder() + "KelvraUserSetup.exe"),
              ReadFileBytes(DistributionFolder("full") + "KelvraUserSetup.exe"));
    CString version;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version", version));
    // Each registration raises it: the set-up, the clean-up, the set-up again.
    CString earlier = version;
    auto raised = [&] {
        const bool higher = CompareVersions(version, earlier) > 0;
        earlier = version;
        return higher;
    };

    // A user who never had the product: the stub gives them what the
    // interactive installation gave its user.
    ForgetTheUser();
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    ASSERT_FALSE(FileExists(DesktopLink()));
    EXPECT_EQ(RunCommand(stubPath), 0u);
    EXPECT_EQ(UserReport(m_destination), userState);

    // The silent uninstall registers the clean-up, kept outside the
    // destination, under a higher Version.
    EXPECT_EQ(RunCommand("\"" + Dest("Uninstall-64.exe") + "\" /S"), 0u);
    EXPECT_FALSE(DirectoryExists(Dest("Support")));
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version", version));
    EXPECT_TRUE(raised()) << version.GetString();
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
    EXPECT_TRUE(raised()) << version.GetString();
    // And a clean-up started anyway (a user whose logon raced the
    // reinstallation) leaves an installed product's user alone.
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_EQ(RunCommand(cleanup), 0u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_TRUE(FileExists(DesktopLink()));
}

// A retry (the next boot's) keeps the failure before it: each run appends
// after its own header, and names every AutoCAD release it looked at.
TEST_F(DeploymentTest, TwoRunsInOneLogTheFailureKeptBeforeTheRetry) {
    DeleteFileA(Log());
    EXPECT_EQ(InstallSilently("no-fifth-folder"), 1603u);
    EXPECT_EQ(InstallSilently(), 0u);
    const std::string log = ReadFileBytes(Log());
    const char header[] = "  ==== Kelvra V9.0 安装程序 ";
    const size_t first = log.find(header), second = log.find(header, first + 1);
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_EQ(log.find(header, second + 1), std::string::npos) << log;
    const size_t failed = log.find("结束, 退出代码 1603");
    EXPECT_TRUE(first < failed && failed < second) << log;
    const std::string retry = log.substr(second);
    for (const char* fact : {"系统代码页 ", "帐户 ", "命令行: ", "/D=", "安装完成"})
        EXPECT_NE(retry.find(fact), std::string::npos) << fact;
    for (const char* release : {"R15.0", "R16.0", "R16.1", "R16.2", "R17.0", "R17.1", "R17.2",
                                "R18.0", "R18.1", "R18.2", "R19.0", "R19.1"}) {
        const std::string named = "AutoCAD " + std::string(release) + " (";
        EXPECT_NE(retry.find(named), std::string::npos) << named;
    }
    EXPECT_NE(retry.find(": 已配置, "), std::string::npos) << retry;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 0"), std::string::npos) << log;
}

TEST_F(DeploymentTest, TheWindowWatchOfASilentRunFailsAtOnceNamingTheBox) {
    // The premise of every silent case here: a box is caught, not waited out.
    // /? shows its box even with /S.
    EXPECT_NONFATAL_FAILURE(RunSetup("full", "/S /?"), "/LOG=");
}

TEST_F(DeploymentTest, AMissingPerUserProgramFailsTheSilentRun) {
    const CString distribution = m_temp / "dist\\";
    ASSERT_TRUE(CopyTree(DistributionFolder("full"), distribution));
    ASSERT_TRUE(DeleteFileW(Wide(distribution + kUserSetupProgram).c_str()));

    EXPECT_EQ(RunCommand("\"" + distribution + "Setup.exe\" /S " + LogArgument() +
                         " /D=" + m_destination),
              1603u);
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find(kUserSetupProgram), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 1603"), std::string::npos) << log;
    // Never a logon that runs a program that is not there.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kActiveSetupKey));
    EXPECT_FALSE(Detected());
}

// KelvraUserSetup.exe as Active Setup runs it at a logon, on an installation
// made silently.
TEST_F(DeploymentTest, ThePerUserProgramRefusesBadSwitchesFindsAFirstLogonsFoldersAndRunsTwice) {
    ASSERT_EQ(InstallSilently(), 0u) << ReadFileBytes(Log());
    const CString program = "\"" + Dest(kUserSetupProgram) + "\"";

    // Switches it does not know, and a clean-up not told where the product
    // was: 1639, named in its log, nothing done.
    const std::string before = UserReport(m_destination);
    for (const char* arguments : {"/bogus", "/REMOVE"}) {
        SCOPED_TRACE(arguments);
        DeleteFileA(Log());
        EXPECT_EQ(RunCommand(program + " " + LogArgument() + " " + arguments), 1639u);
        const std::string log = ReadFileBytes(Log());
        EXPECT_NE(log.find(arguments), std::string::npos) << log;
        EXPECT_NE(LastLine(log).find("结束, 退出代码 1639"), std::string::npos) << log;
    }
    EXPECT_EQ(UserReport(m_destination), before);

    // A user's first logon: the shell has not yet written the user's folders
    // under "Shell Folders" (only "User Shell Folders" names them). The
    // links still land in the user's own folders.
    ForgetTheUser();
    for (const wchar_t* key :
         {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders"})
        for (const wchar_t* name : {L"Desktop", L"Programs"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
    EXPECT_EQ(RunCommand(program), 0u);
    EXPECT_TRUE(FileExists(DesktopLink()));
    EXPECT_TRUE(FileExists(m_programs + kGroupName + "\\土地整理规划设计.LNK"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));

    // A second run (a Version raised again, a user logging on twice) changes nothing.
    const std::string once = UserReport(m_destination);
    EXPECT_EQ(RunCommand(program), 0u);
    EXPECT_EQ(UserReport(m_destination), once);
}

TEST_F(DeploymentTest, AFileHeldOpenIsNamedInTheLogAndTheRunEndsWith1603) {
    EXPECT_EQ(InstallSilently(), 0u);
    // The copy names files by their lower-cased destination path.
    CString held = Dest("图框\\frame01.dwg");
    held.MakeLower();
    CFileHandle lock(CreateFileA(held, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.IsValid());

    EXPECT_EQ(InstallSilently(), 1603u);
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("ERROR  不能复制文件 " + held.str()), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 1603"), std::string::npos) << log;
    // "Ver" is there from the registration on; the detection value is not.
    EXPECT_TRUE(Installed());
    EXPECT_FALSE(Detected());
}

TEST_F(DeploymentTest, GroupPolicyScriptsInstallOnceRemoveAndReturnTheExitCodes) {
    // The scripts as the build wrote them, seen through Wine's drive Z:.
    const CString tools = WinePath(KELVRA_DEPLOY_DIR "/");
    const CString install = tools + "Install-Kelvra.cmd";
    const CString uninstall = tools + "Uninstall-Kelvra.cmd";
    ASSERT_TRUE(FileExists(install) && FileExists(uninstall)) << tools.GetString();
    // Wine's reg.exe garbles Chinese text it writes into a pipe (Windows writes
    // it in the console's code page, 936 on a Chinese Windows), so the
    // uninstall script could not read a Chinese folder back here.
    m_destination = m_temp / "Kelvra V9\\";
    const CString logs = m_temp / "logs";
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof(computer);
    GetComputerNameA(computer, &size);
    const CString folder = logs + "\\" + computer + "\\";
    const CString log = folder + "Kelvra V9 Setup.log";
    auto run = [&](const char* distribution) {
        CString source = distribution ? Distribution(distribution) : m_temp / "no share\\Setup.exe";
        source = source.Left(source.ReverseFind('\\'));
        return RunCommand("cmd.exe /c \"\"" + install + "\" \"" + source + "\" \"" + logs +
                          "\" \"" + m_destination + "\"\"");
    };
    CreateDirectoryA(logs, nullptr);
    // A share that never comes up: two looks, a result line, no Setup.exe run.
    SetEnvironmentVariableA("KELVRA_SHARE_TRIES", "2");
    SetEnvironmentVariableA("KELVRA_SHARE_WAIT", "0");
    EXPECT_EQ(run(nullptr), 2u);
    SetEnvironmentVariableA("KELVRA_SHARE_TRIES", nullptr);
    SetEnvironmentVariableA("KELVRA_SHARE_WAIT", nullptr);
    EXPECT_FALSE(FileExists(log));

    EXPECT_EQ(run("no-fifth-folder"), 1603u);
    EXPECT_NE(LastLine(ReadFileBytes(log)).find("退出代码 1603"), std::string::npos);
    // The registration of a failed run is there, but it is not detected: the
    // script installs again (into the same folder).
    EXPECT_EQ(run("full"), 0u);
    EXPECT_TRUE(Detected());
    EXPECT_NE(LastLine(ReadFileBytes(log)).find("退出代码 0"), std::string::npos);
    // Installed, this build or a newer one: the script leaves it alone and
    // writes no new log. An older one is upgraded.
    DeleteFileA(log);
    EXPECT_EQ(run("full"), 0u);
    for (const char* newer : {KELVRA_NEXT_VERSION, "10.0"}) {
        PlantDetection(newer);
        EXPECT_EQ(run("full"), 0u) << newer;
    }
    EXPECT_FALSE(FileExists(log));
    PlantDetection("8.5");
    EXPECT_EQ(run("full"), 0u);
    EXPECT_NE(ReadFileBytes(log).find("已安装的版本 8.5 "), std::string::npos);
    EXPECT_TRUE(Detected());

    // The uninstall script finds the quiet command in the entry.
    auto removal = [&] {
        return RunCommand("cmd.exe /c \"\"" + uninstall + "\" \"" + logs + "\"\"");
    };
    EXPECT_EQ(removal(), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(DirectoryExists(Dest("Support")))
        << ReadFileBytes(folder + "Kelvra V9 Uninstall.log");
    EXPECT_NE(LastLine(ReadFileBytes(folder + "Kelvra V9 Uninstall.log")).find("退出代码 0"),
              std::string::npos);
    EXPECT_EQ(removal(), 0u); // nothing left to remove

    // One line per run, in this computer's own file, with an ISO 8601 time.
    const std::string results = ReadFileBytes(folder + "result.txt");
    const char* const expected[] = {" 2 Setup.exe not found", " 1603 install", " 0 install",
                                    " 0 uninstall", " 0 not installed"};
    size_t at = 0;
    for (const char* line : expected) {
        SCOPED_TRACE(line);
        const size_t found = results.find(CString(computer).str() + line, at);
        ASSERT_NE(found, std::string::npos) << results;
        // "yyyy-mm-ddThh:mm:ss " before it.
        ASSERT_GE(found, 20u);
        const std::string stamp = results.substr(found - 20, 20);
        EXPECT_TRUE(stamp[4] == '-' && stamp[7] == '-' && stamp[10] == 'T' && stamp[13] == ':' &&
                    stamp[16] == ':' && stamp[19] == ' ')
            << stamp;
        at = found + 1;
    }
}

// A test build's seam, set in the environment of the programs started while
// it lives (and of their restarts). Wine gives every process a full token:
// KELVRA_PRETEND_FILTERED_TOKEN makes them see an administrator's filtered
// one ("declined" also stands for a No at the consent prompt). Wine has no
// SYSTEM account: KELVRA_PRETEND_SYSTEM makes them see themselves as SYSTEM.
class Pretend {
public:
    Pretend(const wchar_t* seam, const wchar_t* value) : m_seam(seam) {
        SetEnvironmentVariableW(seam, value);
    }
    ~Pretend() { SetEnvironmentVariableW(m_seam, nullptr); }
    Pretend(const Pretend&) = delete;
    Pretend& operator=(const Pretend&) = delete;

private:
    const wchar_t* m_seam;
};
const wchar_t kFilteredToken[] = L"KELVRA_PRETEND_FILTERED_TOKEN";

DWORD WindowProcess(HWND hwnd) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process;
}

const char kWithoutRights[] = "没有获得管理员权限";

TEST_F(DeploymentTest, AFilteredTokenRestartsOnceWithTheSameArgumentsAndHandsBackTheExitCode) {
    Pretend filtered(kFilteredToken, L"1");
    m_destination = m_temp / "权限 目录\\a b\\";
    const CString folder = m_destination.Left(m_destination.GetLength() - 1);
    m_driver.Launch(Distribution("full"), LogArgument() + " /D=" + folder);
    // Under Wine "runas" starts the restart without elevating it, so the
    // restart still sees the filtered token: its box, in the second process,
    // shows that it was started once and did not ask again.
    HWND box = m_driver.WaitForMessageBox(kWithoutRights);
    EXPECT_NE(WindowProcess(box), m_driver.ProcessId());
    EXPECT_EQ(ParentProcess(WindowProcess(box)), m_driver.ProcessId());
    m_driver.Answer(box, IDYES);
    WalkFromWelcome();
    Finish();
    EXPECT_EQ(m_shownDestination, m_destination);
    EXPECT_TRUE(FileExists(Dest("Database\\kelvra.mdb")));

    // The restart's log, the only one: the arguments as typed.
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("参数: " + LogArgument().str() + " /D=" + folder.str()), std::string::npos)
        << log;
    EXPECT_EQ(log.find("开始:"), log.rfind("开始:")) << log;
    EXPECT_NE(log.find("用户选择以当前用户的权限继续"), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("结束, 退出代码 0"), std::string::npos) << log;
}

TEST_F(DeploymentTest, WithoutAdministratorRightsABoxOffersToGoOnAndASilentRunEnds) {
    Pretend declined(kFilteredToken, L"declined");
    // No at the consent prompt: the first run asks, quitting gives 1602.
    m_driver.Launch(Distribution("full"), LogArgument());
    HWND box = m_driver.WaitForMessageBox(kWithoutRights);
    EXPECT_EQ(WindowProcess(box), m_driver.ProcessId());
    EXPECT_NE(CUiDriver::MessageBoxText(box).Find("Program Files"), -1);
    m_driver.Answer(box, IDNO);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);
    EXPECT_NE(ReadFileBytes(Log()).find("拒绝"), std::string::npos);

    // The uninstaller asks the same before its question.
    const CString uninstaller = DistributionFolder("full") + "Uninstall-64.exe";
    m_driver.Launch(uninstaller);
    m_driver.Answer(m_driver.WaitForMessageBox(kWithoutRights), IDNO);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u);

    // Silent runs ask nobody: 1603 at once, nothing touched, the log says why.
    for (const CString& commandLine :
         {"\"" + Distribution("full") + "\" " + LogArgument() + " /S /D=" + m_destination,
          "\"" + uninstaller + "\" " + LogArgument() + " /S"}) {
        SCOPED_TRACE(commandLine.GetString());
        DeleteFileW(Wide(Log()).c_str());
        EXPECT_EQ(RunCommand(commandLine), 1603u);
        const std::string log = ReadFileBytes(Log());
        EXPECT_NE(log.find("ERROR  没有管理员权限"), std::string::npos) << log;
        EXPECT_EQ(log.find("安装记录"), std::string::npos) << log;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(DirectoryExists(m_destination));
}

// The program the shell opens text files with, for the life of the object:
// the test's recorder (registered under HKEY_LOCAL_MACHINE\SOFTWARE\Classes,
// where Wine's shell looks), which records the file, and the process that
// started it, and stays until released.
class TextFileRecorder {
public:
    explicit TextFileRecorder(const CString& folder) : m_record(folder + "opened.record") {
        m_recordedName.Format("KelvraReadmeRecorded-%lu", GetCurrentProcessId());
        m_releaseName.Format("KelvraReadmeRelease-%lu", GetCurrentProcessId());
        m_recorded.Reset(CreateEventA(nullptr, TRUE, FALSE, m_recordedName));
        m_release.Reset(CreateEventA(nullptr, TRUE, FALSE, m_releaseName));
        m_hadTextFiles = ReadString(HKEY_LOCAL_MACHINE, kTextFiles, "", m_textFiles);
        const CString command = "\"" + WinePath(KELVRA_OPEN_RECORDER) + "\" \"" + m_record + "\" " +
                                m_recordedName + " " + m_releaseName + " \"%1\"";
        m_registered =
            WriteString(HKEY_LOCAL_MACHINE, kTextFiles, "", kClass) &&
            WriteString(HKEY_LOCAL_MACHINE, ClassKey() + "\\shell\\open\\command", "", command);
    }
    ~TextFileRecorder() {
        SetEvent(m_release.Get());
        for (DWORD id : Recorders()) {
            CHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
            if (process) WaitForSingleObject(process.Get(), 30000);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ClassKey());
        if (m_hadTextFiles)
            WriteString(HKEY_LOCAL_MACHINE, kTextFiles, "", m_textFiles);
        else
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTextFiles);
    }
    TextFileRecorder(const TextFileRecorder&) = delete;
    TextFileRecorder& operator=(const TextFileRecorder&) = delete;

    bool IsRegistered() const { return m_registered && m_recorded && m_release; }
    bool WaitUntilOpened(DWORD timeoutMs) const {
        return WaitForSingleObject(m_recorded.Get(), timeoutMs) == WAIT_OBJECT_0;
    }
    // The file opened, and the process that asked the shell to open it.
    CString OpenedPath() const { return FileLine(m_record, 0); }
    DWORD Opener() const { return std::strtoul(FileLine(m_record, 2), nullptr, 10); }
    // The recorders running now: each stays until released.
    static std::vector<DWORD> Recorders() {
        std::vector<DWORD> ids;
        for (const PROCESSENTRY32W& process : Processes())
            if (_wcsicmp(process.szExeFile, L"open_recorder.exe") == 0)
                ids.push_back(process.th32ProcessID);
        return ids;
    }

private:
    static constexpr char kTextFiles[] = "SOFTWARE\\Classes\\.txt";
    static constexpr char kClass[] = "KelvraTest.readme";
    static CString ClassKey() { return CString("SOFTWARE\\Classes\\") + kClass; }
    CString m_record;
    CString m_recordedName, m_releaseName;
    CHandle m_recorded, m_release;
    CString m_textFiles;
    bool m_hadTextFiles = false;
    bool m_registered = false;
};

// An administrator's password typed for a standard user at the consent
// prompt (or an administrator's own double-click): the run restarts
// elevated. Wine elevates nothing, so the token kinds are pretended: the
// first run sees a filtered token, the restart its real, full one. Whose
// HKEY_CURRENT_USER and desktop each process writes cannot differ under Wine
// (one account runs everything): which process wrote them shows in the
// uninstall log, the per-user program's log and the read-me's opener.
TEST_F(DeploymentTest, ARestartedElevatedRunLeavesTheUsersPartAndTheReadmeToTheOriginal) {
    TextFileRecorder readme(m_temp.Path());
    ASSERT_TRUE(readme.IsRegistered());
    const CString userSetupLog = TempFolderPath("Kelvra V9 UserSetup.log");
    DeleteFileA(userSetupLog);
    Pretend consented(kFilteredToken, L"consented");
    m_driver.Launch(Distribution("full"), LogArgument());
    WalkFromWelcome();
    HWND finish = Reached(WizardPage::Finish);
    // The pages are the restart's: a process the original started.
    const DWORD elevated = WindowProcess(finish);
    EXPECT_NE(elevated, m_driver.ProcessId());
    EXPECT_EQ(ParentProcess(elevated), m_driver.ProcessId());
    ASSERT_TRUE(m_driver.IsChecked(finish, IDC_README));
    m_driver.Click(finish, IDC_NEXT);
    EXPECT_EQ(m_driver.WaitForExit(), 0u);

    // The elevated run registered every user's set-up, made the machine's
    // links and no link of its own account, and handed the rest back.
    CString stubPath;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("以管理员身份重新启动的运行: 不写本帐户的"), std::string::npos) << log;
    EXPECT_NE(log.find("交回原来的运行"), std::string::npos) << log;
    const std::string uninstallLog = ReadFileBytes(Dest("Uninstall.log"));
    EXPECT_EQ(uninstallLog.find(DesktopLink().str()), std::string::npos) << uninstallLog;
    EXPECT_EQ(uninstallLog.find(kGroupName), std::string::npos) << uninstallLog;
    EXPECT_NE(uninstallLog.find("Kelvrafor2010.LNK"), std::string::npos) << uninstallLog;

    // The original ran the per-user program for its own user at once.
    const std::string userLog = ReadFileBytes(userSetupLog);
    EXPECT_NE(LastLine(userLog).find("结束, 退出代码 0"), std::string::npos) << userLog;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_TRUE(FileExists(DesktopLink()));
    EXPECT_TRUE(FileExists(m_programs + kGroupName + "\\土地整理规划设计.LNK"));

    // And opened the read-me, as its user; the elevated run opened nothing.
    ASSERT_TRUE(readme.WaitUntilOpened(30000));
    EXPECT_EQ(readme.OpenedPath(), Dest("readme.txt"));
    EXPECT_EQ(readme.Opener(), m_driver.ProcessId());
    EXPECT_EQ(TextFileRecorder::Recorders().size(), 1u);
}

// Intune or Configuration Manager: a silent run as SYSTEM. Under Wine SYSTEM's
// HKEY_CURRENT_USER and shell folders are the test user's own, so what the
// run does not write there shows directly.
TEST_F(DeploymentTest, ASilentRunAsSystemWritesNoProfileOrLinkOfItsOwn) {
    {
        Pretend system(L"KELVRA_PRETEND_SYSTEM", L"1");
        EXPECT_EQ(InstallSilently(), 0u) << ReadFileBytes(Log());
    }
    EXPECT_TRUE(Detected());
    const std::string log = ReadFileBytes(Log());
    EXPECT_NE(log.find("以 SYSTEM 帐户运行: 不写 SYSTEM 自己的"), std::string::npos) << log;
    // The machine's part: the demand-load entries, the release links in the
    // destination, every user's set-up.
    CString loader;
    EXPECT_TRUE(
        ReadString(HKEY_LOCAL_MACHINE,
                   "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\LoadKelvra",
                   "LOADER", loader));
    EXPECT_EQ(loader, Dest("Support\\2010-12\\64\\ARX\\LoadKelvra.arx"));
    EXPECT_TRUE(FileExists(Dest("Kelvrafor2010.LNK")));
    CString stubPath;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath));
    // SYSTEM's own part: none.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(DirectoryExists(m_programs + kGroupName));
    EXPECT_EQ(ReadFileBytes(Dest("Uninstall.log")).find(kGroupName), std::string::npos);

    // A user's next logon gives that user the profiles and links.
    EXPECT_EQ(RunCommand(stubPath), 0u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kR18Profile));
    EXPECT_TRUE(FileExists(DesktopLink()));
}

// A window station of a service's kind (without WSF_VISIBLE) with its desktop.
class CHiddenWindowStation {
public:
    CHiddenWindowStation() {
        m_name = L"KelvraHidden" + std::to_wstring(GetCurrentProcessId());
        m_station = CreateWindowStationW(m_name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
        if (!m_station) return;
        HWINSTA own = GetProcessWindowStation();
        if (SetProcessWindowStation(m_station)) {
            m_desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
    }
    ~CHiddenWindowStation() {
        if (m_desktop) CloseDesktop(m_desktop);
        if (m_station) CloseWindowStation(m_station);
    }
    CHiddenWindowStation(const CHiddenWindowStation&) = delete;
    CHiddenWindowStation& operator=(const CHiddenWindowStation&) = delete;

    bool Ready() const { return m_desktop != nullptr; }
    std::wstring Desktop() const { return m_name + L"\\Default"; }

private:
    std::wstring m_name;
    HWINSTA m_station = nullptr;
    HDESK m_desktop = nullptr;
};

TEST_F(DeploymentTest, ARunThatWouldShowAWindowWhereNoOneSeesItEndsWith1639) {
    CHiddenWindowStation station;
    ASSERT_TRUE(station.Ready());
    const CString uninstaller = DistributionFolder("full") + "Uninstall-64.exe";
    const CString cases[] = {
        "\"" + Distribution("full") + "\" " + LogArgument(),
        // /S with /? still shows its box.
        "\"" + Distribution("full") + "\" /S /? " + LogArgument(),
        "\"" + uninstaller + "\" " + LogArgument(),
    };
    for (const CString& commandLine : cases) {
        SCOPED_TRACE(commandLine.GetString());
        DeleteFileA(Log());
        EXPECT_EQ(RunCommand(commandLine, station.Desktop(), 60000), 1639u);
        const std::string log = ReadFileBytes(Log());
        EXPECT_NE(log.find("ERROR  没有用户可见的桌面"), std::string::npos) << log;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

} // namespace

// A deployment from a distribution share (\\kelvra-share\soft, mounted
// read-only by tests/e2e/share.sh when the suite runs as root): the silent
// installation and its removal, and nothing written into the distribution.
TEST_F(DeploymentTest, FromAReadOnlyShareInstallsRemovesAndWritesNothingThere) {
    const char* stateFile = std::getenv("KELVRA_SHARE_STATE");
    ASSERT_NE(stateFile, nullptr) << "run through CTest: its fixture maps the share";
    std::string state = ReadFileBytes(WinePath(stateFile));
    while (!state.empty() && (state.back() == '\n' || state.back() == '\r')) state.pop_back();
    ASSERT_TRUE(state == "read-only" || state == "writable: not root") << state;
    if (state != "read-only")
        std::printf("SHARE NOT READ-ONLY: the suite is not root, so \\\\kelvra-share\\soft is "
                    "the distribution folder itself (tests/e2e/share.sh)\n");
    const CString share = "\\\\kelvra-share\\soft\\";
    ASSERT_TRUE(FileExists(share + "Setup.exe"));
    FileSnapshot before, after;
    SnapshotFiles(DistributionFolder("full"), before);

    EXPECT_EQ(RunCommand("\"" + share + "Setup.exe\" /S " + LogArgument() + " /D=" + m_destination),
              0u)
        << ReadFileBytes(Log());
    const std::string log = ReadFileBytes(Log());
    // The share's own name, not Wine's "UNC\..." for it.
    EXPECT_NE(log.find("安装程序所在文件夹: " + share.str()), std::string::npos) << log;
    EXPECT_TRUE(Detected());
    EXPECT_EQ(Bytes(Dest("Kelvra.url")), Bytes(share + "Kelvra.url"));
    EXPECT_TRUE(FileExists(UserProgramFolder() + kUserSetupProgram));

    CString quiet;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", quiet));
    EXPECT_EQ(RunCommand(quiet), 0u);
    EXPECT_FALSE(DirectoryExists(Dest("Support")));
    EXPECT_FALSE(Installed());

    SnapshotFiles(DistributionFolder("full"), after);
    EXPECT_EQ(Differences(before, after), std::vector<std::string>());
}
