// The worker's body: the run sequence, its reports to the copying page and
// the thread's end.
#include "engine/SetupThread.h"

#include "engine/ActiveSetup.h"
#include "framework/RunLog.h"
#include "framework/WizardProtocol.h"
#include "framework/ZoneMark.h"
#include "host_cad/Registry.h"

const char* const CONTENT_FOLDERS[12] = {"Support",  "Control",  "Database", "线型库",
                                         "填充图案", "材料图案", "图框",     "图例",
                                         "图库",     "图件图库", "标准断面", "Temp"};

CSetupThread::CSetupThread() = default;
CSetupThread::~CSetupThread() = default;

BOOL CSetupThread::InitInstance() { return TRUE; }

int CSetupThread::Run() {
    // A worker object may run again (the copying page opened a second time):
    // nothing of an earlier run counts.
    m_failures = SilentFailures();
    m_nCopiedBytes = 0;
    m_replacedAtRestart.clear();
    m_record = CInstallRecord();
    m_strEarlierInstallDir.Empty();
    m_bSourceMayCarryZoneMarks = VolumeKeepsNamedStreams(m_strSourceDir);
    {
        std::lock_guard<std::mutex> lock(m_progressLock);
        m_progress = CopyProgress();
        m_bProgressHeld = false;
    }
    m_destinationSecurity.Prepare(m_strInstallDir);
    UINT outcome = WM_SETUP_DONE;
    for (const char* name : CONTENT_FOLDERS) {
        RunLogLine("复制文件夹 %s%s 到 %s%s", m_strSourceDir.GetString(), name,
                   m_strInstallDir.GetString(), name);
        if (!CopyTree(m_strSourceDir + name, m_strInstallDir + name)) {
            outcome = WM_SETUP_FAILED;
            break;
        }
    }
    const long machineFailuresBefore = MachineWriteFailures();
    const long machineDeniedBefore = MachineWritesDenied();
    if (outcome == WM_SETUP_DONE) {
        // From here on a cancel can no longer stop the run: the page says so.
        PostMessageW(m_hWndPage, WM_SETUP_CONFIGURING, 0, 0);
        RunLogLine("复制程序文件");
        if (!CopyProgramFiles()) outcome = WM_SETUP_FAILED;
    }
    if (outcome == WM_SETUP_DONE) {
        RunLogLine("注册控件");
        RegisterControls();
        RunLogLine("写入注册表, 配置 AutoCAD");
        RegisterProduct();
        // Every user's own part, at each user's next logon. A run that sets
        // up its user only still replaces a pending clean-up, which would
        // take this installation's profiles and links away.
        if (m_userSteps.registersUserSetup) {
            if (!RegisterUserSetup(m_strSourceDir, m_strInstallDir)) m_failures.userSetup = true;
        } else if (ShowsBoxes()) {
            ReplacePendingUserCleanup(m_strSourceDir, m_strInstallDir);
        }
        RunLogLine("创建快捷方式");
        CreateShortcuts();
        RunLogLine("写入卸载记录 Uninstall.log");
        WriteUninstallLog();
        WriteInstallRecord();
        m_failures.machineValues = MachineWriteFailures() - machineFailuresBefore;
        if (MachineWritesDenied() != machineDeniedBefore) NoteAccessDenied("HKEY_LOCAL_MACHINE");
        ReportSilentFailures();
        ReportRestartReplacements();
    } else if (!m_record.IsEmpty()) {
        // A run that stopped in the copy keeps a record of the folders and
        // files it made, so the next run into this folder takes them in.
        WriteInstallRecord();
    }
    m_nOutcome = outcome;
    PostMessageW(m_hWndPage, outcome, 0, 0);

    // End through the framework's loop. The peek gives this thread its queue
    // first, so the quit cannot be lost and the loop cannot wait for ever.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    if (!PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 0, 0)) return 0;
    return CWinThread::Run();
}
