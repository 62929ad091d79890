// The uninstall log: one line per recorded change, kept in memory during the
// run and written in one piece, hidden, at the end of a successful one.
#include "engine/SetupThread.h"

#include "engine/JoinPath.h"
#include "framework/TextFile.h"

namespace {

const char kLogFileName[] = "Uninstall.log";

// The uninstaller knows the predefined roots by these digits.
char RootDigit(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return '0';
    if (root == HKEY_CURRENT_USER) return '1';
    if (root == HKEY_LOCAL_MACHINE) return '2';
    if (root == HKEY_USERS) return '3';
    return '4';
}

} // namespace

// Appends in place: the log grows by amortised doubling, never rebuilt.
void CSetupThread::AppendLogLine(const char* prefix, const CString& text) {
    m_strLog += prefix;
    m_strLog += text;
    m_strLog += '\n';
}

void CSetupThread::LogFileCopy(const CString& path) { AppendLogLine("File Copy: ", path); }
void CSetupThread::LogMadeDir(const CString& path) { AppendLogLine("Made Dir: ", path); }
void CSetupThread::LogRegCtrl(const CString& path) { AppendLogLine("Reg Ctrl: ", path); }

void CSetupThread::LogRegKey(HKEY root, const CString& key) {
    m_strLog += "RegDB Key: ";
    m_strLog += RootDigit(root);
    m_strLog += ',';
    m_strLog += key;
    m_strLog += '\n';
}

int CSetupThread::WriteUninstallLog() {
    const CString logPath = JoinPath(m_strInstallDir, kLogFileName);
    LogFileCopy(logPath);
    // Written beside it and renamed over an earlier installation's log, so
    // an old log that a scanner holds, or that is still pending deletion,
    // is never in the way; hidden from the start.
    return WriteTextFile(m_hWndPage, logPath, m_strLog, ShowsBoxes(), FILE_ATTRIBUTE_HIDDEN) ? 1
                                                                                             : 0;
}
