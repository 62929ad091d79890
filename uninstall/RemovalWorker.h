// Runs the removal core for the program: on a thread of its own behind the
// progress dialog, or on the calling thread in a silent run. Every step and
// every decision goes to the run log (when one is open); in the dialog's case
// the latest step goes to the dialog, which is also asked about files in use.
#pragma once

#include "framework/Thread.h"
#include "uninstall/ProductRemoval.h"

#include <mutex>

// Worker to progress dialog. Posted: a new step is waiting (take it with
// TakeStep); sent: wParam points at the FileInUse (framework/FilesInUse.h)
// of a file in use and the programs holding it, the result is nonzero for
// Retry; posted once: the removal is over.
constexpr UINT WM_REMOVAL_STEP = WM_APP + 1;
constexpr UINT WM_REMOVAL_IN_USE = WM_APP + 2;
constexpr UINT WM_REMOVAL_DONE = WM_APP + 3;

class CRemovalWorker : public CWinThread, public IRemovalObserver {
public:
    CRemovalWorker(const UninstallRecord& record, const CRemovalScope& scope,
                   const RemovalOptions& options);

    // The dialog that shows the steps and answers for files in use; null in
    // a silent run, where every file in use is ignored.
    void SetDialog(HWND dialog) { m_dialog = dialog; }
    // Runs the removal on the calling thread.
    void RunHere();

    struct Step {
        CString status;
        int step = 0;
        int total = 0;
    };
    // The latest step if one arrived since the last call.
    bool TakeStep(Step& step);

    const RemovalOutcome& Outcome() const { return m_outcome; }

    BOOL InitInstance() override { return TRUE; }
    int Run() override;

    void OnStep(const CString& status, int step, int total) override;
    bool RetryInUse(const CString& path, DWORD error) override;

private:
    const UninstallRecord& m_record;
    const CRemovalScope& m_scope;
    RemovalOptions m_options;
    HWND m_dialog = nullptr;
    RemovalOutcome m_outcome;

    std::mutex m_lock;
    Step m_latest;
    // A step message is on its way: later steps only replace m_latest.
    bool m_stepPosted = false;
    bool m_fresh = false;
};
