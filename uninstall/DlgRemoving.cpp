#include "uninstall/DlgRemoving.h"

#include "framework/App.h"
#include "framework/FilesInUse.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"
#include "res/UninstallResource.h"
#include "uninstall/DlgFileInUse.h"
#include "uninstall/UninstallApp.h"
#include "ui/InstallerLook.h"

CDlgRemoving::CDlgRemoving(CRemovalWorker& worker)
    : CDialog(IDD_UNINSTALL_PROGRESS), m_worker(worker) {}

CDlgRemoving::~CDlgRemoving() { WaitForWorker(); }

void CDlgRemoving::WaitForWorker() {
    // The worker may be sending this thread a question: keep dispatching.
    if (HANDLE thread = m_worker.GetThreadHandle()) WaitWhileDispatching(thread, INFINITE);
}

void CDlgRemoving::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_UN_HEADING, m_heading);
    DDX_Control(dx, IDC_UN_PROGRESS, m_progress);
}

BOOL CDlgRemoving::OnInitDialog() {
    CDialog::OnInitDialog();
    PresentProgramDialog(*this);
    ApplyInstallerLook(&m_heading, {}, nullptr);
    m_progress.SetRange32(0, 1);
    m_progress.SetPos(0);
    m_worker.SetDialog(m_hWnd);
    if (!m_worker.CreateThread()) {
        CString text;
        text.Format("%s\n不能启动卸载程序的工作线程，没有删除任何内容。",
                    SystemErrorText(GetLastError()).GetString());
        AfxMessageBox(m_hWnd, text, MB_OK | MB_ICONSTOP);
        EndDialog(IDABORT);
    }
    return TRUE;
}

void CDlgRemoving::ShowStep() {
    CRemovalWorker::Step step;
    if (!m_worker.TakeStep(step)) return;
    SetDlgItemTextW(m_hWnd, IDC_UN_STATUS, Wide(step.status).c_str());
    m_progress.SetRange32(0, step.total > 0 ? step.total : 1);
    m_progress.SetPos(step.step);
}

bool CDlgRemoving::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, LRESULT& result) {
    switch (msg) {
    case WM_REMOVAL_STEP:
        ShowStep();
        result = 0;
        return true;
    case WM_REMOVAL_IN_USE: {
        // The step that met the file, before its own message comes round:
        // the progress names the file the question asks about.
        ShowStep();
        const FileInUse& file = *reinterpret_cast<const FileInUse*>(wp);
        CDlgFileInUse question(m_hWnd, file.path, ProgramNames(file.programs));
        result = question.Ask() ? 1 : 0;
        return true;
    }
    case WM_REMOVAL_DONE:
        ShowStep();
        WaitForWorker();
        EndDialog(IDOK);
        result = 0;
        return true;
    default:
        return false;
    }
}
