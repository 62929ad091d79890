// A stand-in for the copying page in the worker's tests: a hidden window of
// the test thread that records what the worker sends and posts to it, owns
// the worker's message boxes and can ask the worker to cancel.
#pragma once

#include "engine/SetupThread.h"
#include "framework/Window.h"
#include "tests/support/TempDir.h"

#include <windows.h>

#include <vector>

class PageStandIn {
public:
    PageStandIn();
    ~PageStandIn();
    PageStandIn(const PageStandIn&) = delete;
    PageStandIn& operator=(const PageStandIn&) = delete;

    HWND Hwnd() const { return m_window.m_hWnd; }
    // Makes this window the worker's page, as the copying page does before
    // the thread starts.
    void Adopt(CSetupThread& worker);

    // Asks the worker to cancel while the n-th progress message (1-based) is
    // being handled, as a user confirming the question at that moment.
    void CancelAtProgress(size_t n) { m_cancelAt = n; }
    // Asks the worker to cancel when it announces the end of the copy.
    void CancelOnConfiguring() { m_cancelOnConfiguring = true; }
    // Holds the worker's reports from the first progress message on, as the
    // page does while it shows an entry, and never takes them.
    void HoldProgress() { m_hold = true; }

    // Starts the worker's thread and dispatches this thread's messages until
    // the thread has ended and its posted reports have arrived; false when
    // it does not end within timeoutMs.
    bool RunWorker(CSetupThread& worker, DWORD timeoutMs = 60000);
    // Dispatches whatever is queued for this thread.
    static void DrainMessages();

    struct Progress {
        CString source;
        CString destination;
    };
    std::vector<Progress> progress;
    // WM_SETUP_CONFIGURING, WM_SETUP_DONE and WM_SETUP_FAILED in arrival order.
    std::vector<UINT> reports;
    // Progress messages that were sent from another thread (and waited for).
    size_t sentFromOtherThread = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    CWnd m_window;
    CSetupThread* m_worker = nullptr;
    size_t m_cancelAt = 0;
    bool m_cancelOnConfiguring = false;
    bool m_hold = false;
};

// The path as the tree copy names files: every ASCII letter lower-cased.
inline CString Lower(CString text) { return text.MakeLower(); }

// The lines of a log text (LF or CR LF separated), without their ends.
std::vector<CString> SplitLines(const CString& text);

// A file's attributes but the archive bit, which Wine reports for every file
// whatever was set.
inline DWORD HiddenAndOthers(const char* path) {
    return GetFileAttributesA(path) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
}
