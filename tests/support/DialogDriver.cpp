#include "tests/support/DialogDriver.h"

#include "framework/WideText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

const char kSyncClass[] = "KelvraDialogDriverSync";
constexpr UINT kSyncMessage = WM_APP + 0x1F0;
// Set by the window-creation hook, read by the waits; one driver at a time.
// Signalled by the hooks below whenever the dialog thread's windows change.
HANDLE g_windowChanged = CreateEventA(nullptr, FALSE, FALSE, nullptr);

// Hooks on the dialog thread: its windows being created, shown, activated,
// enabled or destroyed (a box of another thread owned by one of its windows
// disables and deactivates that window, which these see too).
LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND || code == HCBT_ACTIVATE || code == HCBT_DESTROYWND)
        SetEvent(g_windowChanged);
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK CallWndHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
        switch (cwp->message) {
        case WM_ENABLE:
        case WM_SHOWWINDOW:
        case WM_NCACTIVATE:
        case WM_ACTIVATE:
        case WM_WINDOWPOSCHANGED:
            SetEvent(g_windowChanged);
            break;
        default:
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

struct FindState {
    const std::function<bool(HWND)>* match;
    HWND found;
    bool shownOnly;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    if (state->shownOnly && (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))) return TRUE;
    if ((*state->match)(hwnd)) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowNow(const std::function<bool(HWND)>& match, bool shownOnly) {
    FindState state{&match, nullptr, shownOnly};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

bool IsDialogClass(HWND hwnd) {
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    return strcmp(name, "#32770") == 0;
}

DWORD Remaining(DWORD deadline) {
    LONG left = static_cast<LONG>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Waits for handle while serving this thread's messages: the window-creation
// events are delivered to the driver thread, and the thread creating a window
// may wait for them to be taken.
bool PumpingWait(HANDLE handle, DWORD timeoutMs, HANDLE orHandle = nullptr) {
    const DWORD deadline = GetTickCount() + timeoutMs;
    HANDLE handles[] = {handle, orHandle};
    const DWORD count = orHandle ? 2 : 1;
    for (;;) {
        DWORD r =
            MsgWaitForMultipleObjects(count, handles, FALSE, Remaining(deadline), QS_ALLINPUT);
        if (r < WAIT_OBJECT_0 + count) return true;
        if (r != WAIT_OBJECT_0 + count) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

} // namespace

DialogDriver::DialogDriver(DWORD timeoutMs) : m_timeoutMs(timeoutMs) {
    m_syncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_uiDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

DialogDriver::~DialogDriver() {
    CloseHandle(m_syncEvent);
    CloseHandle(m_uiDone);
}

void DialogDriver::Run(const std::function<void()>& ui,
                       const std::function<void(DialogDriver&)>& script) {
    m_uiThreadId = GetCurrentThreadId();
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DialogDriver::SyncWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSyncClass;
    RegisterClassA(&wc);
    m_syncWindow =
        CreateWindowA(kSyncClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(m_syncWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ResetEvent(m_uiDone);

    HHOOK cbtHook = SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, m_uiThreadId);
    HHOOK callWndHook = SetWindowsHookExA(WH_CALLWNDPROC, &CallWndHook, nullptr, m_uiThreadId);
    HANDLE hookReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread driver([&] {
        SetEvent(hookReady);
        script(*this);
        // The script is over: the code under test must now finish by itself.
        if (!PumpingWait(m_uiDone, m_timeoutMs))
            Fail("the dialog code to return after the script ended");
    });
    if (WaitForSingleObject(hookReady, m_timeoutMs) != WAIT_OBJECT_0)
        Fail("the driver thread to start");
    CloseHandle(hookReady);
    ui();
    SetEvent(m_uiDone);
    driver.join();
    if (cbtHook) UnhookWindowsHookEx(cbtHook);
    if (callWndHook) UnhookWindowsHookEx(callWndHook);
    DestroyWindow(m_syncWindow);
    m_syncWindow = nullptr;
}

LRESULT CALLBACK DialogDriver::SyncWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kSyncMessage) {
        auto* self = reinterpret_cast<DialogDriver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self) SetEvent(self->m_syncEvent);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void DialogDriver::Fail(const char* what) {
    std::fprintf(stderr, "DialogDriver: timed out after %lu ms waiting for %s\n",
                 static_cast<unsigned long>(m_timeoutMs), what);
    std::fflush(stderr);
    ADD_FAILURE() << "DialogDriver timed out waiting for " << what;
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort(); // not reached: the process is gone
}

void DialogDriver::WaitForChange(DWORD deadline) {
    HANDLE handles[] = {m_uiDone, g_windowChanged};
    MsgWaitForMultipleObjects(2, handles, FALSE, Remaining(deadline), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

HWND DialogDriver::WaitForWindow(const char* what, const std::function<bool(HWND)>& match) {
    const DWORD deadline = GetTickCount() + m_timeoutMs;
    for (;;) {
        // A matching window that is not shown yet: let its thread get to its
        // message loop (it shows the window before that), then look again.
        if (HWND pending = FindWindowNow(match, false)) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(pending, WM_NULL, 0, 0, SMTO_NORMAL, Remaining(deadline), &ignored);
        }
        if (HWND hwnd = FindWindowNow(match, true)) {
            // Let its thread finish initialising and enter its message loop.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, Remaining(deadline), &ignored);
            if (IsWindow(hwnd) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && match(hwnd))
                return hwnd;
        }
        if (Remaining(deadline) == 0) Fail(what);
        if (WaitForSingleObject(m_uiDone, 0) == WAIT_OBJECT_0) {
            char message[256];
            std::snprintf(message, sizeof(message), "%s (the dialog code returned first)", what);
            Fail(message);
        }
        WaitForChange(deadline);
    }
}

HWND DialogDriver::WaitForDialog(int controlId) {
    char what[64];
    std::snprintf(what, sizeof(what), "a dialog with control %d", controlId);
    return WaitForWindow(what, [controlId](HWND hwnd) {
        return IsDialogClass(hwnd) && !IsMessageBox(hwnd) && GetDlgItem(hwnd, controlId) != nullptr;
    });
}

bool DialogDriver::IsMessageBox(HWND hwnd) {
    if (!IsDialogClass(hwnd)) return false;
    // A message box has no control ids of the wizard's range.
    for (int id = 1000; id <= 1018; ++id)
        if (GetDlgItem(hwnd, id)) return false;
    return GetDlgItem(hwnd, IDOK) || GetDlgItem(hwnd, IDYES) || GetDlgItem(hwnd, IDRETRY) ||
           GetDlgItem(hwnd, IDABORT) || GetDlgItem(hwnd, IDCANCEL);
}

CString DialogDriver::WindowText(HWND hwnd) { return Narrow(WideWindowText(hwnd)); }

std::wstring DialogDriver::WideWindowText(HWND hwnd) {
    // Read in UTF-16, as the windows hold it, whatever the system's code page.
    wchar_t buffer[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                        10000, &length);
    return std::wstring(buffer);
}

DialogDriver::MessageBoxInfo DialogDriver::WaitForMessageBox(const char* textPart) {
    CString part(textPart ? textPart : "");
    auto boxText = [](HWND box) {
        CString text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[32] = {};
            GetClassNameA(child, name, sizeof(name));
            if (strcmp(name, "Static") == 0) text += WindowText(child);
        }
        return text;
    };
    CString what = "a message box";
    if (textPart) what += CString(" saying ") + textPart;
    MessageBoxInfo info;
    info.hwnd = WaitForWindow(what, [&](HWND hwnd) {
        return IsMessageBox(hwnd) && (part.IsEmpty() || boxText(hwnd).Find(part) >= 0);
    });
    info.caption = WindowText(info.hwnd);
    info.text = boxText(info.hwnd);
    return info;
}

void DialogDriver::Answer(const MessageBoxInfo& box, int buttonId) {
    HWND button = GetDlgItem(box.hwnd, buttonId);
    if (!button) {
        ADD_FAILURE() << "the message box has no button " << buttonId << ": "
                      << box.text.GetString();
        buttonId = IDCANCEL;
        button = GetDlgItem(box.hwnd, buttonId);
    }
    if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(box.hwnd, WM_COMMAND, static_cast<WPARAM>(buttonId), 0);
    const DWORD deadline = GetTickCount() + m_timeoutMs;
    while (IsWindow(box.hwnd)) {
        if (Remaining(deadline) == 0) Fail("a message box to close");
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(box.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, Remaining(deadline), &ignored);
    }
}

void DialogDriver::Sync(HWND target) {
    DWORD thread = GetWindowThreadProcessId(target, nullptr);
    if (thread != m_uiThreadId) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, m_timeoutMs, &ignored);
        return;
    }
    // Posted after the action, so handled after it by the same thread's queue.
    PostMessageA(m_syncWindow, kSyncMessage, 0, 0);
    // The action may end the dialog code altogether; then nothing pumps the sync.
    if (!PumpingWait(m_syncEvent, m_timeoutMs, m_uiDone)) Fail("the click to be handled");
}

void DialogDriver::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) {
        ADD_FAILURE() << "no control " << id << " to click";
        return;
    }
    if (!IsWindowEnabled(button) || !IsWindowVisible(button)) {
        ADD_FAILURE() << "control " << id << " cannot be clicked: it is disabled or hidden";
        return;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    Sync(dialog);
}

void DialogDriver::Command(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    Sync(dialog);
}

void DialogDriver::CloseBox(HWND dialog) {
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sync(dialog);
    // A dialog's WM_CLOSE posts its IDCANCEL behind the first sync: without
    // a second one, the next look can still find this dialog and act on it
    // (an action its destruction then drops).
    Sync(dialog);
}

HWND DialogDriver::FocusedControl(HWND dialog) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui)) return nullptr;
    return gui.hwndFocus;
}

void DialogDriver::PressKey(HWND dialog, UINT vk) {
    HWND target = FocusedControl(dialog);
    if (!target) target = dialog;
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    Sync(dialog);
}

void DialogDriver::SetText(HWND dialog, int id, const char* text) {
    SetWideText(dialog, id, Wide(CString(text)));
}

void DialogDriver::SetWideText(HWND dialog, int id, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, m_timeoutMs, &ignored);
}

CString DialogDriver::GetText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

int DialogDriver::GetCheck(HWND dialog, int id) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, m_timeoutMs,
                        &result);
    return static_cast<int>(result);
}

bool DialogDriver::IsEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool DialogDriver::IsVisible(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}
