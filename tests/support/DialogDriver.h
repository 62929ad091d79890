// Plays the user for dialog tests: the code under test runs its modal
// dialogs on the test's thread while a driver thread waits for windows to
// appear (hooks on the dialog thread signal every window created, shown,
// activated, enabled or destroyed there; a box that a worker thread shows
// over one of its windows disables and deactivates that window, so it is
// seen too), clicks buttons, types, reads texts and answers message boxes. Every wait has a
// deadline: when it passes, the driver prints what it was waiting for and ends the test program
// with a failure instead of hanging.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <functional>
#include <string>

class DialogDriver {
public:
    explicit DialogDriver(DWORD timeoutMs = 30000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Runs ui on the calling thread and script on the driver thread; returns
    // when both have ended.
    void Run(const std::function<void()>& ui, const std::function<void(DialogDriver&)>& script);

    // Waits for a visible, enabled window of this process that match accepts.
    HWND WaitForWindow(const char* what, const std::function<bool(HWND)>& match);
    // Waits for the active dialog (not a message box) holding control id.
    HWND WaitForDialog(int controlId);

    struct MessageBoxInfo {
        HWND hwnd = nullptr;
        CString caption;
        CString text;
        bool HasButton(int id) const { return GetDlgItem(hwnd, id) != nullptr; }
    };
    // Waits for a message box whose text contains textPart (any box when null).
    MessageBoxInfo WaitForMessageBox(const char* textPart = nullptr);
    // Clicks the box's button and waits until the box is gone.
    void Answer(const MessageBoxInfo& box, int buttonId);

    // Clicks an enabled button as the user would and waits until the click
    // has been handled (or has opened a modal window).
    void Click(HWND dialog, int id);
    // Sends a command as the dialog manager would (IDOK for Enter, IDCANCEL for Escape).
    void Command(HWND dialog, int id);
    // The close box of the title bar.
    void CloseBox(HWND dialog);
    // Presses and releases a key in the control that has the focus.
    void PressKey(HWND dialog, UINT vk);

    void SetText(HWND dialog, int id, const char* text);
    // Text that code page 936 may lack (a folder typed as "C:\Users\Søren").
    void SetWideText(HWND dialog, int id, const std::wstring& text);
    CString GetText(HWND dialog, int id);
    int GetCheck(HWND dialog, int id);
    bool IsEnabled(HWND dialog, int id);
    bool IsVisible(HWND dialog, int id);

    // Fails the test and ends the program: a wait that would otherwise hang.
    [[noreturn]] void Fail(const char* what);

    // The text of a window (cross-thread safe).
    static CString WindowText(HWND hwnd);
    static std::wstring WideWindowText(HWND hwnd);
    static bool IsMessageBox(HWND hwnd);
    // The control that has the keyboard focus on the dialog's thread.
    static HWND FocusedControl(HWND dialog);

private:
    void WaitForChange(DWORD deadline);
    void Sync(HWND target);
    static LRESULT CALLBACK SyncWindowProc(HWND, UINT, WPARAM, LPARAM);

    DWORD m_timeoutMs;
    DWORD m_uiThreadId = 0;
    HWND m_syncWindow = nullptr;
    HANDLE m_syncEvent = nullptr;
    HANDLE m_uiDone = nullptr;
};
