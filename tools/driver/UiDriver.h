// Operates the real Setup.exe from another process as a person would: starts
// it, waits for its pages and message boxes to appear, clicks, types, reads
// texts and answers boxes by what they say, and records when each step
// happened. Every wait has a deadline; a wait that runs out (or an installer
// that ends while we wait for one of its windows) is reported through the
// failure handler with a message naming what was awaited.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The five wizard pages, told apart by a control only that page carries.
enum class WizardPage { Welcome, Agreement, Destination, Copying, Finish };
const char* PageName(WizardPage page);

class CUiDriver {
public:
    // Called with a readable message when a wait runs out or a step cannot be
    // done; it must not return normally (it exits or throws).
    using FailureHandler = std::function<void(const CString& message)>;

    explicit CUiDriver(DWORD timeoutMs = 30000);
    ~CUiDriver();
    CUiDriver(const CUiDriver&) = delete;
    CUiDriver& operator=(const CUiDriver&) = delete;

    void SetFailureHandler(FailureHandler handler) { m_fail = std::move(handler); }
    void SetTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }
    // How often a wait looks again (a timing measurement wants it short).
    void SetRecheckInterval(DWORD ms) { m_recheckMs = ms ? ms : 1; }
    // Every step is also written to this stream (null: only recorded).
    void SetLog(FILE* log) { m_log = log; }

    // Starts the installer (its own folder as working folder), with the
    // arguments after its quoted path.
    void Launch(const CString& setupExe, const CString& arguments = CString());
    // Starts a whole command line as Programs and Features starts an
    // UninstallString: no program name apart, so Windows finds the program
    // in the line itself (an unquoted path with blanks included).
    void LaunchCommandLine(const CString& commandLine, const CString& workingFolder);
    // Ends the installer if it still runs (a failed scenario's clean-up),
    // and the programs it started that showed a window.
    void Terminate();
    DWORD ProcessId() const { return m_processId; }

    // Waits for the page to be visible, enabled and active (no box over it).
    HWND WaitForPage(WizardPage page);
    // Waits for an enabled dialog (not a wizard page) holding the control
    // id: the uninstaller's dialogs.
    HWND WaitForDialog(int controlId, const char* what);
    HWND FindDialog(int controlId) const;
    // Waits for a visible message box of the installer whose text contains
    // textPart; returns its window.
    HWND WaitForMessageBox(const char* textPart);
    // Clicks the box's button (IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE,
    // IDOK, IDCANCEL) and waits until the box is gone.
    void Answer(HWND box, int buttonId);
    // Waits until the window no longer exists.
    void WaitForWindowGone(HWND hwnd, const char* what);
    // Waits for the installer to end; returns its exit code.
    DWORD WaitForExit();
    // Waits for every program the started one started, once it has ended.
    void WaitForDescendants();

    // Clicks an enabled button of a page and waits until its thread has
    // handled the click (or entered a modal loop the click opened).
    void Click(HWND dialog, int id);
    // The close box of the page's title bar.
    void CloseBox(HWND dialog);
    // Replaces the text of an edit field, as select-all and typing would.
    void TypeText(HWND dialog, int id, const char* text);
    CString ReadText(HWND dialog, int id);
    bool IsChecked(HWND dialog, int id);
    bool IsEnabled(HWND dialog, int id);

    // The text of a message box (all its static texts).
    static CString MessageBoxText(HWND box);
    // The window's text in code page 936 (a character 936 lacks shows as "?").
    static CString WindowText(HWND hwnd);
    // The window's text as it holds it.
    static std::wstring WideWindowText(HWND hwnd);

    // Repaints the installer's windows and waits until it is idle again, so
    // that a screenshot taken next shows the current state.
    void Settle();

    struct Step {
        DWORD elapsedMs; // since Launch
        CString what;
    };
    const std::vector<Step>& Steps() const { return m_steps; }
    void Record(const CString& what);

    [[noreturn]] void Fail(const CString& message);

    // Re-evaluates found until it returns a window, the installer ends, or
    // the deadline passes (then fails naming what).
    HWND WaitFor(const CString& what, const std::function<HWND()>& found);
    // Non-waiting look-ups for composed waits ("the finish page or a box").
    HWND FindPage(WizardPage page) const;
    HWND FindMessageBox(const char* textPart) const;
    bool HasExited() const;

private:
    // Creates the process (program null: the line names it) and makes it the
    // one the waits follow.
    void Start(const char* program, const CString& commandLine, const CString& folder);
    // Blocks until something may have changed: a window event from the hook,
    // the installer ending, or the re-check interval.
    void WaitForChange(DWORD remaining);
    // Windows of the started program and of the programs it started (the
    // uninstaller works in a copy of itself).
    bool IsOurs(HWND hwnd) const;
    bool IsOfFamily(HWND hwnd) const;
    bool IsFamilyMember(DWORD pid) const;
    // Takes pid in when it started no earlier than its parent (a member):
    // Wine hands process ids out again, and a program older than the member
    // whose id its parent had (the desktop, the services) is no child of it.
    bool JoinFamily(DWORD pid, DWORD parentPid) const;
    HWND FindTopLevel(const std::function<bool(HWND)>& match) const;
    void SyncWith(HWND hwnd);

    DWORD m_timeoutMs;
    // Wine wakes an out-of-context WinEvent hook only for EVENT_OBJECT_CREATE
    // and only while we pump; showing, enabling and destroying windows raise
    // no event here. So each wait also re-checks on this interval, always
    // bounded by the wait's deadline.
    DWORD m_recheckMs = 25;
    FailureHandler m_fail;
    FILE* m_log = nullptr;
    CHandle m_process;
    DWORD m_processId = 0;
    DWORD m_startTick = 0;
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<Step> m_steps;
    std::vector<std::unique_ptr<bool>> m_clickFlags;
    // The started program's process and those found to descend from it,
    // each held open once met, so its id cannot pass to another program
    // before the waits and the clean-up are done with it.
    struct Member {
        DWORD pid;
        ULONGLONG created; // the process's creation time
        CHandle process;   // null for the started program (m_process holds it)
    };
    mutable std::vector<Member> m_family;
    // Whether each window met is ours; the foreign verdicts are forgotten
    // whenever the family grows.
    mutable std::map<HWND, bool> m_windowVerdicts;
};
