// The copy's reports to the copying page. A synchronous message per file
// would make the copy wait for the page's thread thousands of times; the
// page only shows a few entries a second, so while it shows one it holds
// the reports and then takes the latest entry itself.
#include "engine/SetupThread.h"

#include "framework/WizardProtocol.h"

void CSetupThread::NotifyProgress(const CString& source, const CString& destination) {
    {
        std::lock_guard<std::mutex> lock(m_progressLock);
        ++m_progress.entries;
        m_progress.source = source;
        m_progress.destination = destination;
        if (m_bProgressHeld) return;
    }
    // Not under the lock: the page takes it while handling the message.
    SendMessageW(m_hWndPage, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.GetString()),
                 reinterpret_cast<LPARAM>(destination.GetString()));
}

void CSetupThread::HoldProgress() {
    std::lock_guard<std::mutex> lock(m_progressLock);
    m_bProgressHeld = true;
}

bool CSetupThread::TakeProgress(CopyProgress& progress) {
    std::lock_guard<std::mutex> lock(m_progressLock);
    // Deciding and ending the hold under one lock: an entry finished in
    // between is either taken here or sent.
    if (m_progress.entries == progress.entries) {
        m_bProgressHeld = false;
        return false;
    }
    progress = m_progress;
    return true;
}
