#include "uninstall/RemovalWorker.h"

#include "framework/FilesInUse.h"
#include "framework/RunLog.h"

CRemovalWorker::CRemovalWorker(const UninstallRecord& record, const CRemovalScope& scope,
                               const RemovalOptions& options)
    : m_record(record), m_scope(scope), m_options(options) {
    m_bAutoDelete = FALSE;
}

void CRemovalWorker::RunHere() { m_outcome = RemoveProduct(m_record, m_scope, m_options, *this); }

int CRemovalWorker::Run() {
    RunHere();
    if (m_dialog) ::PostMessageW(m_dialog, WM_REMOVAL_DONE, 0, 0);
    return 0;
}

void CRemovalWorker::OnStep(const CString& status, int step, int total) {
    RunLogLine("[%d/%d] %s", step, total, status.GetString());
    if (!m_dialog) return;
    bool post = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_latest = Step{status, step, total};
        m_fresh = true;
        post = !m_stepPosted;
        m_stepPosted = true;
    }
    // One message in flight at a time: thousands of quick steps do not
    // flood the dialog's queue, and the dialog still shows the latest.
    if (post) ::PostMessageW(m_dialog, WM_REMOVAL_STEP, 0, 0);
}

bool CRemovalWorker::TakeStep(Step& step) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stepPosted = false;
    if (!m_fresh) return false;
    m_fresh = false;
    step = m_latest;
    return true;
}

bool CRemovalWorker::RetryInUse(const CString& path, DWORD error) {
    bool retry = false;
    // Who holds it, as far as the Restart Manager knows.
    FileInUse file{.path = path, .programs = ProgramsUsing({path})};
    if (m_dialog)
        retry =
            ::SendMessageW(m_dialog, WM_REMOVAL_IN_USE, reinterpret_cast<WPARAM>(&file), 0) != 0;
    RunLogFailure(error, "文件正在被使用: %s (使用它的程序: %s), %s", path.GetString(),
                  ProgramNames(file.programs).GetString(), retry ? "重试" : "忽略");
    return retry;
}
