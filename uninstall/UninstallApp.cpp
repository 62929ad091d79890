#include "uninstall/UninstallApp.h"

#include "engine/ActiveSetup.h"
#include "framework/Elevation.h"
#include "framework/ExitCode.h"
#include "framework/InteractiveDesktop.h"
#include "framework/ProgramArguments.h"
#include "framework/SingleInstance.h"
#include "framework/WideText.h"
#include "res/UninstallResource.h"
#include "uninstall/DlgConfirm.h"
#include "uninstall/DlgRemoving.h"
#include "uninstall/MovedLinks.h"
#include "uninstall/RecordLocation.h"
#include "uninstall/RegistrationRemoval.h"
#include "uninstall/RemovalReport.h"
#include "uninstall/RemovalWorker.h"
#include "uninstall/SelfCopy.h"
#include "uninstall/UninstallRecord.h"
#include "framework/BuildVersion.h"

#include <cstring>

namespace {

const char kLogName[] = "Uninstall.log";
const char kRecordMissing[] =
    "没有找到 Kelvra V9.0 的安装记录 (Uninstall.log)，或者无法读取它。\n\n"
    "卸载程序没有删除任何内容。";
const char kRegistrationQuestion[] =
    "在 %s 中没有找到 Kelvra V9.0 的安装记录 (Uninstall.log)。\n\n"
    "卸载程序将只删除本软件在 Windows 中指向该文件夹的注册信息（卸载项、产品的注册表项、"
    "AutoCAD 配置和每个用户的设置），不删除任何文件。\n\n是否继续？";
const char kUnreadableArguments[] =
    "命令行参数中有简体中文（GBK）无法表示的字符，卸载程序无法按原样使用它们: %s\n\n"
    "请换用只含中文或英文字符的路径。\n\n%s";
const char kFolderUnnamed[] =
    "卸载程序所在文件夹的名称中有简体中文（GBK）无法表示的字符，无法找到安装记录。\n\n"
    "卸载程序没有删除任何内容。";
const char kAlreadyRunning[] = "另一个 Kelvra V9.0 安装或卸载程序正在运行。\n\n"
                               "请等它结束后再运行卸载程序。";
const char kOfferWholeFolders[] =
    "没有找到有效的安装记录，卸载程序无法分辨下列文件夹中哪些文件是您自己的，因此保留了它们：\n\n"
    "%s\n"
    "警告：如果选择“是”，这些文件夹将连同其中的全部内容（包括您自己的图块、线型、数据等文件）"
    "一起被删除，无法恢复。\n\n是否彻底删除这些文件夹？";
const char kCannotCopy[] = "卸载程序无法在临时文件夹中准备自己的副本，没有删除任何内容。";
const char kUsage[] = "用法: Uninstall-64.exe [/S] [/REMOVEDATA] [/LOG=<文件>] [/NORESTART]\n\n"
                      "/S\t静默卸载：不询问，保留数据文件，不显示任何窗口\n"
                      "/REMOVEDATA\t同时删除数据文件和您在软件文件夹中添加或修改的文件\n"
                      "/LOG=<文件>\t把卸载过程写入该文件，可以含环境变量，如 %COMPUTERNAME%"
                      "（默认写入 %TEMP%\\Kelvra V9 Uninstall.log）\n"
                      "/NORESTART\t可以加上，不起作用：卸载程序从不重新启动计算机\n\n"
                      "软件文件夹已被清空（没有 Uninstall.log 和安装记录）时，卸载程序只删除"
                      "指向该文件夹的注册信息，不删除任何文件。\n\n"
                      "退出代码: 0 完成，1602 用户取消，1603 失败（静默卸载没有管理员权限时也是），"
                      "1618 已有安装程序在运行，1639 命令行参数无效或没有可显示窗口的桌面，"
                      "3010 需要重新启动计算机";
const char kWithoutRights[] = "没有获得管理员权限。\n\n"
                              "没有管理员权限，从 Program Files 卸载的过程将无法完成。\n"
                              "是否仍以当前用户的权限继续卸载？";

// Nothing in folder says what the installation put there: no log, and no
// valid record beside it (an unreadable log is there, and is not this case).
bool FolderWasEmptied(const CString& folder) {
    const DWORD attributes = GetFileAttributesW(Wide(folder + "\\" + kLogName).c_str());
    const DWORD error = GetLastError();
    if (attributes != INVALID_FILE_ATTRIBUTES ||
        (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND))
        return false;
    RecordChoice beside = ChooseRecord(folder, false);
    CInstallRecord record;
    return !LoadChosenRecord(beside, record);
}

CString FolderOf(const CString& path) {
    const int slash = path.ReverseFind('\\');
    return slash >= 0 ? path.Left(slash + 1) : CString();
}

} // namespace

const char* CUninstallApp::KelvraUninstallTitle() { return KELVRA_UNINSTALL_TITLE; }

void PresentProgramDialog(CWnd& dialog) {
    HICON icon =
        static_cast<HICON>(LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                      IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    dialog.SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    dialog.SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    dialog.CenterWindow();
    SetForegroundWindow(dialog);
}

BOOL CUninstallApp::InitInstance() {
    m_exitCode = Main();
    // No message loop of our own: the process ends with its exit code.
    return FALSE;
}

void CUninstallApp::Tell(const char* text, UINT type) const {
    if (!m_options.silent) AfxMessageBox(nullptr, text, type | MB_SETFOREGROUND);
}

void CUninstallApp::OpenRunLog() {
    if (m_runLog.IsOpen()) return;
    // Every run, interactive ones too: %TEMP% unless /LOG= names the file.
    const CString path =
        m_options.logFile.IsEmpty() ? TempFolderPath(KELVRA_UNINSTALL_LOG_NAME) : m_options.logFile;
    if (!m_runLog.Open(path)) return;
    RunLogHeader("Kelvra V9.0 卸载程序");
    RunLogLine("开始 Kelvra V9.0 卸载程序 %s, 版本 %s", m_options.arguments.GetString(),
               kBuildVersion);
}

int CUninstallApp::Main() {
    CString arguments;
    const bool argumentsExact = ReadProgramArguments(arguments);
    m_options = ParseArguments(arguments, kUninstallSwitches, kCopySwitch);
    // The common controls only for a run that may show its dialogs: loading
    // them (with the visual styles) costs a silent run 35 to 140 ms under
    // Wine, in each of its two processes.
    if (!m_options.silent) AfxEnableControlContainer();
    // A "?" in place of a character is no file or folder of the user's:
    // nothing is opened or written under such a name.
    if (!argumentsExact) {
        m_options.logFile.Empty();
        m_options.invalidArgument = arguments;
    }
    // Every box below needs someone to see it. The copy shares the
    // original's desktop, which the original has checked.
    if (!m_options.privateSwitch && (m_options.help || !m_options.silent) && !HasVisibleDesktop()) {
        OpenRunLog();
        RunLogLine("ERROR  没有用户可见的桌面（服务或会话 0），无法显示提示框；"
                   "无人值守卸载请加 /S。结束, 退出代码 %d",
                   kExitInvalidCommandLine);
        return kExitInvalidCommandLine;
    }
    if (!m_options.IsValid()) {
        CString text;
        text.Format(argumentsExact ? "无法识别的命令行参数: %s\n\n%s" : kUnreadableArguments,
                    m_options.invalidArgument.GetString(), kUsage);
        // Every run keeps a log, this one too: it says why the run ended.
        OpenRunLog();
        RunLogLine("ERROR  %s: %s。结束, 退出代码 %d",
                   argumentsExact ? "无法识别的命令行参数" : "命令行参数中有 GBK 无法表示的字符",
                   m_options.invalidArgument.GetString(), kExitInvalidCommandLine);
        Tell(text, MB_OK | MB_ICONSTOP);
        return kExitInvalidCommandLine;
    }
    if (m_options.help) {
        OpenRunLog();
        RunLogLine("显示用法。结束, 退出代码 %d", kExitSuccess);
        AfxMessageBox(nullptr, kUsage, MB_OK | MB_ICONINFORMATION);
        return kExitSuccess;
    }
    // The original, before the instance check and the question: the
    // elevated run takes both over. The copy has the original's rights.
    if (!m_options.privateSwitch) {
        const RightsStep rights = DecideRights(ReadProcessRights(m_options.elevatedRun),
                                               m_options.silent, m_options.elevatedRun);
        DWORD restartError = ERROR_SUCCESS;
        if (rights == RightsStep::Restart) {
            DWORD elevatedExitCode = 0;
            if (RestartElevated(elevatedExitCode)) return static_cast<int>(elevatedExitCode);
            restartError = GetLastError();
        }
        if (rights != RightsStep::Continue) {
            OpenRunLog();
            const int exitCode = ActOnMissingRights(rights, restartError, m_options.silent,
                                                    kWithoutRights, KELVRA_UNINSTALL_TITLE);
            if (exitCode != kExitSuccess) {
                RunLogLine("没有删除任何内容。结束, 退出代码 %d", exitCode);
                return exitCode;
            }
            // The copy writes the log from here on.
            m_runLog.Close();
        }
    }
    // The copy keeps the mutex alive too, for as long as it works after the
    // original has ended; the original holds it first, so the copy does not
    // ask whether it is the first.
    CSingleInstance instance(KELVRA_INSTANCE_MUTEX);
    if (m_options.privateSwitch) return RunCopy();
    if (!instance.IsFirst()) {
        OpenRunLog();
        RunLogLine("ERROR  另一个 Kelvra V9.0 安装或卸载程序正在运行。结束, 退出代码 %d",
                   kExitAlreadyRunning);
        Tell(kAlreadyRunning, MB_OK | MB_ICONEXCLAMATION);
        return kExitAlreadyRunning;
    }
    return RunOriginal();
}

int CUninstallApp::RunOriginal() {
    CString folder;
    if (!AfxGetModuleFolder(folder)) {
        OpenRunLog();
        RunLogLine("%s %s", kFolderUnnamed, AfxGetModuleFolder().GetString());
        Tell(kFolderUnnamed, MB_OK | MB_ICONSTOP);
        return kExitFailed;
    }
    const CString logPath = folder + "\\" + kLogName;
    UninstallRecord record;
    if (!ReadUninstallRecord(logPath, record)) {
        if (FolderWasEmptied(folder)) return RemoveRegistrationOnly(folder);
        OpenRunLog();
        RunLogLine("%s %s", kRecordMissing, logPath.GetString());
        Tell(kRecordMissing, MB_OK | MB_ICONSTOP);
        return kExitFailed;
    }
    int exitCode = kExitFailed;
    if (!RunThroughCopy(m_options.arguments, exitCode)) {
        OpenRunLog();
        RunLogFailure(GetLastError(), "%s", kCannotCopy);
        Tell(kCannotCopy, MB_OK | MB_ICONSTOP);
    }
    return exitCode;
}

int CUninstallApp::RemoveRegistrationOnly(const CString& folder) {
    OpenRunLog();
    RunLogLine("%s 中没有 Uninstall.log, 也没有有效的安装记录: 只删除指向该文件夹的注册信息, "
               "不删除任何文件",
               folder.GetString());
    if (!m_options.silent) {
        CString question;
        question.Format(kRegistrationQuestion, folder.GetString());
        if (AfxMessageBox(nullptr, question, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) !=
            IDYES) {
            RunLogLine("用户取消了卸载，没有删除任何内容。结束, 退出代码 %d", kExitUserCancelled);
            return kExitUserCancelled;
        }
    }
    // No file goes, the uninstaller's own neither: the original does the
    // work itself, without the copy in %TEMP%.
    const RegistrationRemoval outcome = RemoveRegistration(folder);
    const int exitCode = outcome.ExitCode();
    LogRegistrationRemoval(outcome, exitCode);
    Tell(RegistrationBoxText(outcome, folder),
         MB_OK | (exitCode == kExitSuccess ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return exitCode;
}

int CUninstallApp::RunCopy() {
    CCopyHandshake handshake;
    if (!handshake.Attach(m_options.privateValue)) {
        // A hand-typed private switch: nothing is removed.
        CString text;
        text.Format("无法识别的命令行参数: %s\n\n%s", kCopySwitch, kUsage);
        OpenRunLog();
        RunLogLine("ERROR  无法识别的命令行参数: %s。结束, 退出代码 %d", kCopySwitch,
                   kExitInvalidCommandLine);
        Tell(text, MB_OK | MB_ICONSTOP);
        return kExitInvalidCommandLine;
    }
    const CString original = handshake.OriginalPath();
    OpenRunLog();
    const int exitCode = Uninstall(FolderOf(original) + kLogName, handshake);
    handshake.Report(exitCode);
    // A failed run keeps the original with its log and record, so that it
    // can be repeated; a run that removed nothing keeps it too.
    const bool done = exitCode == kExitSuccess || exitCode == kExitRestartNeeded;
    if (done && m_removedAny && !m_scope.Destination().IsEmpty()) {
        handshake.RemoveOriginal();
        RemoveEmptyDestination(m_scope);
    }
    handshake.ScheduleSelfRemoval();
    return exitCode;
}

int CUninstallApp::Uninstall(const CString& logPath, CCopyHandshake& handshake) {
    UninstallRecord record;
    if (!ReadUninstallRecord(logPath, record)) {
        RunLogLine("%s %s", kRecordMissing, logPath.GetString());
        Tell(kRecordMissing, MB_OK | MB_ICONSTOP);
        return kExitFailed;
    }
    m_scope = CRemovalScope::ForLog(logPath);
    m_scope.RefuseOutside(record);
    RunLogLine("安装文件夹 %s", m_scope.Destination().GetString());

    const bool elevated = RunsAsAdministrator();
    RecordChoice choice = ChooseRecord(m_scope.Destination(), elevated);
    CInstallRecord installRecord;
    const bool haveRecord = LoadChosenRecord(choice, installRecord);
    RunLogLine(haveRecord ? "安装记录 %s" : "没有有效的安装记录 (%s)，只删除空的文件夹",
               choice.path.GetString());

    RemovalOptions options;
    options.skipFile = handshake.OriginalPath();
    options.removeData = m_options.removeData;
    options.record = haveRecord ? &installRecord : nullptr;
    options.recordFiles = choice.removeAfter;
    options.recordName = RecordFileName();
    if (!m_options.silent) {
        CDlgConfirm confirm;
        confirm.m_bRemoveData = options.removeData;
        if (confirm.DoModal() != IDOK) {
            RunLogLine("用户取消了卸载，没有删除任何内容。结束, 退出代码 %d", kExitUserCancelled);
            return kExitUserCancelled;
        }
        options.removeData = confirm.m_bRemoveData;
    }
    // The administrator of a silent run asked for the data to go: without a
    // record the logged folders go whole. Interactively the user is asked.
    options.removeFoldersWhole = !haveRecord && m_options.silent && options.removeData;
    options.movedLinks = FindMovedLinks(m_scope.Destination());

    // A machine-wide installation set every user up at their logon: their
    // own profiles, trusted paths and links go at their next logon, by the
    // per-user program, copied out before the destination goes.
    const bool userCleanupFailed =
        UserSetupRegistered() && !RegisterUserCleanup(m_scope.Destination());

    CRemovalWorker worker(record, m_scope, options);
    if (m_options.silent) {
        worker.RunHere();
    } else {
        CDlgRemoving progress(worker);
        if (progress.DoModal() != IDOK) return kExitFailed;
    }
    RemovalOutcome outcome = worker.Outcome();
    if (!m_options.silent && !outcome.foldersLeft.empty()) OfferWholeFolders(outcome, options);
    m_removedAny = outcome.removed > 0;

    int exitCode = outcome.ExitCode();
    bool selfAtRestart = !handshake.SelfDeleteArranged();
    // The original's file goes once its process has ended; when only a
    // restart can take it, the run says so.
    if (exitCode != kExitFailed && m_removedAny && !handshake.CanDeleteOriginal()) {
        if (handshake.ScheduleOriginalRemoval()) {
            outcome.scheduled.push_back(handshake.OriginalPath());
            exitCode = kExitRestartNeeded;
        } else {
            outcome.inUse.push_back(handshake.OriginalPath());
            exitCode = kExitFailed;
        }
    }
    if (exitCode == kExitSuccess && selfAtRestart) exitCode = kExitRestartNeeded;
    CString text = LastBoxText(outcome, selfAtRestart);
    if (userCleanupFailed) {
        exitCode = kExitFailed;
        text += "\n\n未能安排其他用户在下次登录时删除他们的 AutoCAD 配置和快捷方式。";
    }
    LogOutcome(outcome, exitCode);
    Tell(text, MB_OK | (exitCode == kExitFailed ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
    return exitCode;
}

namespace {

// The offer's removal runs on this thread: a file in use is left (and named).
class CIgnoringObserver : public IRemovalObserver {
public:
    void OnStep(const CString& status, int step, int total) override {
        RunLogLine("[%d/%d] %s", step, total, status.GetString());
    }
    bool RetryInUse(const CString&, DWORD) override { return false; }
};

} // namespace

void CUninstallApp::OfferWholeFolders(RemovalOutcome& outcome, const RemovalOptions& options) {
    CString text;
    text.Format(kOfferWholeFolders, ListNames(outcome.foldersLeft, kShownNamesPerList).GetString());
    if (AfxMessageBox(nullptr, text,
                      MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND) != IDYES) {
        RunLogLine("用户选择保留有内容的文件夹");
        return;
    }
    RunLogLine("用户选择连同内容删除这些文件夹");
    CIgnoringObserver observer;
    const RemovalOutcome whole =
        RemoveFoldersWhole(outcome.foldersLeft, m_scope, options, observer);
    outcome.removed += whole.removed;
    outcome.foldersLeft.clear();
    outcome.keptData.insert(outcome.keptData.end(), whole.keptData.begin(), whole.keptData.end());
    outcome.inUse.insert(outcome.inUse.end(), whole.inUse.begin(), whole.inUse.end());
    outcome.scheduled.insert(outcome.scheduled.end(), whole.scheduled.begin(),
                             whole.scheduled.end());
    outcome.failed.insert(outcome.failed.end(), whole.failed.begin(), whole.failed.end());
}
