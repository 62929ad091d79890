#include "pages/DlgInstall.h"

#include "framework/App.h"
#include "framework/FileFind.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"
#include "framework/WizardProtocol.h"
#include "pages/PageLook.h"
#include "res/resource.h"

namespace {

// Spare steps for the sub-folders, which step the bar but are not counted.
constexpr int kSpareSteps = 30;

// Showing each of thousands of small files costs as much again as copying
// them: after an entry is shown, the page holds the worker's reports and
// shows its latest entry on this timer instead.
constexpr UINT_PTR kProgressTimer = 1;

} // namespace

CDlgInstall::CDlgInstall(HWND parent) : CDialog(IDD_INSTALL, parent) {}

CDlgInstall::~CDlgInstall() { WaitForWorker(); }

void CDlgInstall::WaitForWorker() {
    // The worker may be blocked sending its progress to this thread or in a
    // box owned by the page: keep dispatching while it ends. A WM_QUIT meanwhile
    // does not end the wait (the worker lives in this object); it is posted
    // again afterwards.
    if (HANDLE thread = m_worker.GetThreadHandle()) WaitWhileDispatching(thread, INFINITE);
}

void CDlgInstall::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_CONFIGURING, m_configuringText);
    DDX_Control(dx, IDC_COPY_FRAME, m_copyFrame);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, IDC_HEADING, m_heading);
    DDX_Control(dx, IDC_PROGRESS, m_progress);
    DDX_Control(dx, IDC_NEXT, m_btnNext);
    DDX_Control(dx, IDC_BACK, m_btnBack);
}

int CDlgInstall::CountFiles(CString folder, BOOL recursive) {
    folder.Trim();
    if (folder.IsEmpty()) return 0;
    folder.AppendBackslashIfMissing();
    int count = 0;
    CFileFind finder;
    for (bool more = finder.FindFile(folder + "*.*"); more; more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        if (!finder.IsDirectory()) {
            ++count;
        } else if (recursive) {
            count += CountFiles(folder + finder.GetFileName(), recursive);
        }
    }
    return count;
}

int CDlgInstall::CountContentFiles() const {
    int total = 0;
    for (const char* name : CONTENT_FOLDERS) total += CountFiles(m_strSourceDir + name, TRUE);
    return total;
}

BOOL CDlgInstall::OnInitDialog() {
    CDialog::OnInitDialog();
    PreparePageLook(m_hWnd, m_heading, {&m_btnBack, &m_btnNext}, &m_btnCancel);
    m_btnNext.EnableWindow(FALSE);
    m_btnBack.EnableWindow(FALSE);

    m_strSourceDir.Trim().AppendBackslashIfMissing();
    m_strInstallDir.Trim().AppendBackslashIfMissing();
    m_strInstallDirLower = m_strInstallDir;
    m_strInstallDirLower.MakeLower();
    m_bConfiguring = false;
    m_bFinished = false;
    m_shownProgress = CSetupThread::CopyProgress();

    SetProgressTotal(CountContentFiles());

    StartWorker();
    CenterWindow();
    return TRUE;
}

void CDlgInstall::SetProgressTotal(int total) {
    // The 32-bit range: more than 65505 files must not wrap the bar.
    m_progress.SetRange32(0, total + kSpareSteps);
    m_progress.SetStep(1);
    m_progress.SetPos(0);
}

void CDlgInstall::StartWorker() {
    // A worker of an earlier opening has to be gone before its object is reused.
    WaitForWorker();
    m_worker.m_bCancel = 0;
    m_worker.m_strLog.Empty();

    m_worker.m_strSourceDir = m_strSourceDir;
    m_worker.m_strInstallDir = m_strInstallDir;
    // The handle, not the page object: the worker never reads this object.
    m_worker.m_hWndPage = m_hWnd;
    m_worker.m_bAutoDelete = FALSE;
    if (m_worker.CreateThread()) return;

    CString text;
    text.Format("%s\n不能启动安装程序的工作线程。", SystemErrorText(GetLastError()).GetString());
    AfxMessageBox(m_hWnd, text, MB_OK | MB_ICONSTOP);
    PostMessage(WM_SETUP_FAILED);
}

void CDlgInstall::OnOK() {
    // Ending with 1 would show the page again and start a second worker on
    // the same object.
    if (m_worker.GetThreadHandle()) return;
    CDialog::OnOK();
}

void CDlgInstall::OnCancel() {
    if (m_bConfiguring || m_bFinished) return;
    const CString question = AfxLoadString(IDS_INSTALL_CANCEL_QUESTION);
    if (AfxMessageBox(m_hWnd, question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The copy may have ended while the question was open: then the answer
    // comes too late to stop anything.
    if (m_bConfiguring || m_bFinished) return;
    m_worker.RequestCancel();
    EndDialog(ID_WIZ_EXIT);
}

bool CDlgInstall::OnButtonClicked(int id) {
    if (id != IDC_NEXT) return false;
    EndDialog(ID_WIZ_NEXT);
    return true;
}

bool CDlgInstall::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SETUP_PROGRESS:
        result = OnSetupProgress(wp, lp);
        return true;
    case WM_SETUP_CONFIGURING:
        result = OnSetupConfiguring();
        return true;
    case WM_SETUP_DONE:
        result = OnSetupDone();
        return true;
    case WM_SETUP_FAILED:
        result = OnSetupFailed();
        return true;
    case WM_TIMER:
        if (wp != kProgressTimer) return false;
        OnProgressTimer();
        result = 0;
        return true;
    default:
        return false;
    }
}

LRESULT CDlgInstall::OnSetupProgress(WPARAM /*wp*/, LPARAM /*lp*/) {
    // The message says the worker's reports were not held; what it reports
    // is the worker's latest entry, which ShowCopyProgress takes.
    // Without the timer the held reports would never be taken: every entry
    // is shown instead.
    if (m_nProgressIntervalMs == 0 || !SetTimer(kProgressTimer, m_nProgressIntervalMs)) {
        ShowCopyProgress();
        return 1;
    }
    m_worker.HoldProgress();
    if (!ShowCopyProgress()) KillTimer(kProgressTimer);
    return 1;
}

bool CDlgInstall::ShowCopyProgress() {
    if (!m_worker.TakeProgress(m_shownProgress)) return false;
    CString text;
    text.Format("%s ...", m_shownProgress.destination.GetString());
    // Files arrive with lower-cased paths, so the destination is looked
    // for without regard to the case of its letters.
    CString lower = text;
    lower.MakeLower();
    if (lower.Find(m_strInstallDirLower) >= 0) text = text.Mid(m_strInstallDir.GetLength());
    SetDlgItemTextW(m_hWnd, IDC_STATUS, Wide(text).c_str());
    // Sub-folders step the bar too but are not counted: more of them than
    // the spare steps would carry it past the top, where the bar starts
    // over from empty. It stays full instead.
    const int top = static_cast<int>(m_progress.SendMessage(PBM_GETRANGE, FALSE, 0));
    m_progress.SetPos(m_shownProgress.entries < top ? m_shownProgress.entries : top);
    return true;
}

void CDlgInstall::OnProgressTimer() {
    // Nothing new: the worker sends its next entry itself, which is then
    // shown at once.
    if (!ShowCopyProgress()) KillTimer(kProgressTimer);
}

LRESULT CDlgInstall::OnSetupConfiguring() {
    m_bConfiguring = true;
    // The bar ends on the copy's last entry, even when it was not shown yet.
    ShowCopyProgress();
    KillTimer(kProgressTimer);
    SetDlgItemTextW(m_hWnd, IDC_STATUS, L"");
    m_progress.ShowWindow(SW_HIDE);
    m_copyFrame.ShowWindow(SW_HIDE);
    m_configuringText.ShowWindow(SW_SHOW);
    m_btnCancel.EnableWindow(FALSE);
    // Escape and the close box reach OnCancel too; the close box is greyed
    // as well so it does not look usable.
    EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    return 1;
}

LRESULT CDlgInstall::OnSetupDone() {
    m_bFinished = true;
    m_btnNext.EnableWindow(TRUE);
    EndDialog(ID_WIZ_NEXT);
    return 1;
}

LRESULT CDlgInstall::OnSetupFailed() {
    m_bFinished = true;
    EndDialog(ID_WIZ_EXIT);
    return 1;
}
