#include "tools/driver/UiDriver.h"

#include "framework/WideText.h"
#include "res/resource.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

bool IsDialogClass(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return std::wcscmp(name, L"#32770") == 0;
}

// The control that only this page carries.
int PageMarker(WizardPage page) {
    switch (page) {
    case WizardPage::Welcome:
        return IDC_INSTRUCTION;
    case WizardPage::Agreement:
        return IDC_AGREEMENT_TEXT;
    case WizardPage::Destination:
        return IDC_INSTALL_PATH;
    case WizardPage::Copying:
        return IDC_PROGRESS;
    case WizardPage::Finish:
        return IDC_README;
    }
    return 0;
}

// A message box has none of the wizard's control ids and at least one of
// the standard buttons.
bool IsMessageBoxWindow(HWND hwnd) {
    if (!IsDialogClass(hwnd)) return false;
    for (int id = IDC_BACK; id <= IDC_CONFIGURING; ++id)
        if (GetDlgItem(hwnd, id)) return false;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        if (GetDlgItem(hwnd, id)) return true;
    return false;
}

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    // Being called is the point: it ends the pumping wait early.
}

void CALLBACK OnClickHandled(HWND, UINT, ULONG_PTR data, LRESULT) {
    *reinterpret_cast<bool*>(data) = true;
}

DWORD Remaining(DWORD deadline) {
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// When the process started (0 when it cannot be read).
ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

} // namespace

const char* PageName(WizardPage page) {
    switch (page) {
    case WizardPage::Welcome:
        return "welcome";
    case WizardPage::Agreement:
        return "agreement";
    case WizardPage::Destination:
        return "destination";
    case WizardPage::Copying:
        return "copying";
    case WizardPage::Finish:
        return "finish";
    }
    return "?";
}

CUiDriver::CUiDriver(DWORD timeoutMs) : m_timeoutMs(timeoutMs) {
    m_fail = [](const CString& message) {
        std::fprintf(stderr, "driver: %s\n", message.GetString());
        ExitProcess(2);
    };
}

CUiDriver::~CUiDriver() {
    if (m_hook) UnhookWinEvent(m_hook);
}

void CUiDriver::Launch(const CString& setupExe, const CString& arguments) {
    CString folder = setupExe;
    const int slash = folder.ReverseFind('\\');
    folder = slash > 0 ? folder.Left(slash) : CString(".");
    CString commandLine = "\"" + setupExe + "\"";
    if (!arguments.IsEmpty()) commandLine += " " + arguments;
    Start(setupExe, commandLine, folder);
    // Only the installer's own windows wake the waits.
    if (m_hook) UnhookWinEvent(m_hook);
    m_hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, nullptr, OnWinEvent,
                             m_processId, 0, WINEVENT_OUTOFCONTEXT);
    Record("started " + setupExe);
}

void CUiDriver::LaunchCommandLine(const CString& commandLine, const CString& workingFolder) {
    Start(nullptr, commandLine, workingFolder);
    // The windows come from the programs it starts too.
    if (m_hook) UnhookWinEvent(m_hook);
    m_hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, nullptr, OnWinEvent, 0, 0,
                             WINEVENT_OUTOFCONTEXT);
    Record("started " + commandLine);
}

void CUiDriver::Start(const char* program, const CString& commandLine, const CString& folder) {
    // The line, the program and the folder as the installer's own code page
    // spells them, handed to Windows in UTF-16 whatever the system's code page.
    std::wstring wideLine, wideProgram, wideFolder;
    if (!ToWide(commandLine, wideLine) || (program && !ToWide(program, wideProgram)) ||
        !ToWide(folder, wideFolder))
        Fail("cannot start " + commandLine + ": not code page 936 text");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::vector<wchar_t> mutableLine(wideLine.begin(), wideLine.end());
    mutableLine.push_back(L'\0');
    m_startTick = GetTickCount();
    if (!CreateProcessW(program ? wideProgram.c_str() : nullptr, mutableLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr,
                        wideFolder.empty() ? nullptr : wideFolder.c_str(), &startup, &info)) {
        CString message;
        message.Format("cannot start %s (error %lu)", commandLine.GetString(), GetLastError());
        Fail(message);
    }
    CHandle thread(info.hThread);
    m_process.Reset(info.hProcess);
    m_processId = info.dwProcessId;
    m_family.clear();
    m_family.push_back(
        {.pid = m_processId, .created = CreationTime(m_process.Get()), .process = {}});
    m_windowVerdicts.clear();
}

void CUiDriver::Terminate() {
    if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.Get(), 3);
        WaitForSingleObject(m_process.Get(), 5000);
    }
    // The programs it started that have shown a window.
    for (const Member& member : m_family) {
        if (!member.process || WaitForSingleObject(member.process.Get(), 0) != WAIT_TIMEOUT)
            continue;
        TerminateProcess(member.process.Get(), 3);
        WaitForSingleObject(member.process.Get(), 5000);
    }
}

void CUiDriver::Record(const CString& what) {
    Step step{GetTickCount() - m_startTick, what};
    if (m_log) {
        std::fprintf(m_log, "[%6lu ms] %s\n", step.elapsedMs, what.GetString());
        std::fflush(m_log);
    }
    m_steps.push_back(step);
}

void CUiDriver::Fail(const CString& message) {
    Record("FAILED: " + message);
    m_fail(message);
    // A handler that returns would let the scenario go on in a wrong state.
    ExitProcess(2);
}

bool CUiDriver::IsOurs(HWND hwnd) const {
    // Each verdict is remembered by window (a window never changes its
    // process, and Wine does not hand the same handle out again soon; process
    // ids it does hand out again): a look over the desktop then asks the
    // wineserver about new windows only. The driver's looks load the machine
    // it measures, and the desktop's windows would otherwise cost a question
    // each, and a process list each, on every look.
    const auto known = m_windowVerdicts.find(hwnd);
    if (known != m_windowVerdicts.end()) return known->second;
    const bool ours = IsOfFamily(hwnd);
    m_windowVerdicts[hwnd] = ours;
    return ours;
}

bool CUiDriver::IsOfFamily(HWND hwnd) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == m_processId) return true;
    if (pid == 0 || pid == GetCurrentProcessId()) return false;
    if (IsFamilyMember(pid)) return true;
    // A process we have not met: ours when its parent is.
    CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID != pid) continue;
        return JoinFamily(pid, entry.th32ParentProcessID);
    }
    return false;
}

bool CUiDriver::IsFamilyMember(DWORD pid) const {
    return std::any_of(m_family.begin(), m_family.end(),
                       [pid](const Member& member) { return member.pid == pid; });
}

bool CUiDriver::JoinFamily(DWORD pid, DWORD parentPid) const {
    const auto parent =
        std::find_if(m_family.begin(), m_family.end(),
                     [parentPid](const Member& member) { return member.pid == parentPid; });
    if (parent == m_family.end()) return false;
    CHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                FALSE, pid));
    if (!process)
        process.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false; // already gone
    const ULONGLONG created = CreationTime(process.Get());
    if (created < parent->created) return false;
    m_family.push_back({.pid = pid, .created = created, .process = std::move(process)});
    // A window judged foreign may belong to a child of the new member.
    m_windowVerdicts.clear();
    return true;
}

HWND CUiDriver::FindTopLevel(const std::function<bool(HWND)>& match) const {
    struct Search {
        const CUiDriver* self;
        const std::function<bool(HWND)>* match;
        HWND found;
    } search{this, &match, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!s->self->IsOurs(hwnd) || !IsWindowVisible(hwnd)) return TRUE;
            if (!(*s->match)(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CUiDriver::WaitForChange(DWORD remaining) {
    HANDLE process = m_process.Get();
    const DWORD wait = remaining < m_recheckMs ? remaining : m_recheckMs;
    MsgWaitForMultipleObjects(process ? 1 : 0, process ? &process : nullptr, FALSE, wait,
                              QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

HWND CUiDriver::WaitFor(const CString& what, const std::function<HWND()>& found) {
    const DWORD deadline = GetTickCount() + m_timeoutMs;
    for (;;) {
        if (HWND hwnd = found()) return hwnd;
        if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0) {
            // It may have ended just after the look above, with what was
            // awaited (a box closed by the click that ended it).
            if (HWND hwnd = found()) return hwnd;
            DWORD code = 0;
            GetExitCodeProcess(m_process.Get(), &code);
            CString message;
            message.Format("Setup.exe ended (exit code %lu) while waiting for %s", code,
                           what.GetString());
            Fail(message);
        }
        const DWORD left = Remaining(deadline);
        if (left == 0) {
            CString message;
            message.Format("timed out after %lu s waiting for %s", m_timeoutMs / 1000,
                           what.GetString());
            Fail(message);
        }
        WaitForChange(left);
    }
}

HWND CUiDriver::FindPage(WizardPage page) const {
    const int marker = PageMarker(page);
    return FindTopLevel([&](HWND w) {
        // Enabled: no modal box of the installer is open over the page.
        return IsDialogClass(w) && GetDlgItem(w, marker) != nullptr && IsWindowEnabled(w);
    });
}

HWND CUiDriver::FindDialog(int controlId) const {
    return FindTopLevel([&](HWND w) {
        return IsDialogClass(w) && GetDlgItem(w, controlId) != nullptr && IsWindowEnabled(w);
    });
}

HWND CUiDriver::WaitForDialog(int controlId, const char* what) {
    HWND hwnd = WaitFor(what, [&]() -> HWND { return FindDialog(controlId); });
    SyncWith(hwnd);
    Record(CString(what) + " is shown");
    return hwnd;
}

HWND CUiDriver::FindMessageBox(const char* textPart) const {
    CString part(textPart ? textPart : "");
    return FindTopLevel([&](HWND w) {
        return IsMessageBoxWindow(w) && (part.IsEmpty() || MessageBoxText(w).Find(part) >= 0);
    });
}

bool CUiDriver::HasExited() const {
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
}

HWND CUiDriver::WaitForPage(WizardPage page) {
    CString what;
    what.Format("the %s page", PageName(page));
    HWND hwnd = WaitFor(what, [&]() -> HWND { return FindPage(page); });
    SyncWith(hwnd);
    Record(what + " is shown");
    return hwnd;
}

HWND CUiDriver::WaitForMessageBox(const char* textPart) {
    CString part(textPart ? textPart : "");
    CString what = "a message box";
    if (!part.IsEmpty()) what += " saying \"" + part + "\"";
    HWND box = WaitFor(what, [&]() -> HWND { return FindMessageBox(textPart); });
    Record(what + " is shown: " + MessageBoxText(box));
    return box;
}

void CUiDriver::Answer(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button) {
        CString message;
        message.Format("the message box \"%s\" has no button %d", MessageBoxText(box).GetString(),
                       buttonId);
        Fail(message);
    }
    CString label = WindowText(button);
    PostMessageW(button, BM_CLICK, 0, 0);
    WaitForWindowGone(box, "the message box to close");
    Record("answered \"" + label + "\"");
}

void CUiDriver::WaitForWindowGone(HWND hwnd, const char* what) {
    // WaitFor looks for a window; here "found" means the awaited one is gone.
    WaitFor(what, [&]() -> HWND { return IsWindow(hwnd) ? nullptr : GetDesktopWindow(); });
}

DWORD CUiDriver::WaitForExit() {
    if (!m_process) Fail("no installer was started");
    const DWORD deadline = GetTickCount() + m_timeoutMs;
    for (;;) {
        if (WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0) break;
        const DWORD left = Remaining(deadline);
        if (left == 0) {
            CString message;
            message.Format("timed out after %lu s waiting for Setup.exe to end",
                           m_timeoutMs / 1000);
            Fail(message);
        }
        // The process handle itself wakes this wait: no re-check needed.
        HANDLE process = m_process.Get();
        MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    CString what;
    what.Format("Setup.exe ended (exit code %lu)", code);
    Record(what);
    return code;
}

void CUiDriver::WaitForDescendants() {
    // Children the window search has not met yet are looked up now.
    CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == m_processId && !IsFamilyMember(entry.th32ProcessID))
            JoinFamily(entry.th32ProcessID, m_processId);
    const DWORD deadline = GetTickCount() + m_timeoutMs;
    for (const Member& member : m_family) {
        if (!member.process) continue;
        if (WaitForSingleObject(member.process.Get(), Remaining(deadline)) != WAIT_OBJECT_0) {
            CString message;
            message.Format("timed out after %lu s waiting for process %lu to end",
                           m_timeoutMs / 1000, member.pid);
            Fail(message);
        }
    }
    Record("every program it started has ended");
}

void CUiDriver::SyncWith(HWND hwnd) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, m_timeoutMs, &ignored);
}

void CUiDriver::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    CString label = button ? WindowText(button) : CString();
    if (!button || !IsWindowEnabled(button)) {
        CString message;
        message.Format("button %d \"%s\" is %s", id, label.GetString(),
                       button ? "disabled" : "missing");
        Fail(message);
    }
    // Sent with a callback: we hear when the installer has handled the click
    // without blocking on a modal box the click may open. (A posted click
    // would be overtaken by any message we send to sync with it.)
    // The flag lives as long as the driver: a late callback (after a modal
    // box ended this wait) must still find it.
    m_clickFlags.push_back(std::make_unique<bool>(false));
    const bool& handled = *m_clickFlags.back();
    if (!SendMessageCallbackW(button, BM_CLICK, 0, 0, OnClickHandled,
                              reinterpret_cast<ULONG_PTR>(m_clickFlags.back().get())))
        Fail("cannot click \"" + label + "\"");
    CString what = "the click on \"" + label + "\" to be handled";
    WaitFor(what, [&]() -> HWND {
        if (handled) return dialog;
        // The click opened a modal window (the page is disabled under it) or
        // ended the page: handled as far as the user can tell.
        if (!IsWindow(dialog) || !IsWindowEnabled(dialog)) return dialog;
        return nullptr;
    });
    Record("clicked \"" + label + "\"");
}

void CUiDriver::CloseBox(HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    SyncWith(dialog);
    Record("clicked the close box");
}

void CUiDriver::TypeText(HWND dialog, int id, const char* text) {
    HWND edit = GetDlgItem(dialog, id);
    if (!edit) {
        CString message;
        message.Format("no field %d to type into", id);
        Fail(message);
    }
    // In UTF-16, as a keyboard gives it, whatever this program's code page.
    std::wstring wide;
    if (!ToWide(text, wide)) Fail(CString("cannot type \"") + text + "\": not code page 936 text");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, m_timeoutMs, &ignored);
    SendMessageTimeoutW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()),
                        SMTO_NORMAL, m_timeoutMs, &ignored);
    Record(CString("typed \"") + text + "\"");
}

CString CUiDriver::ReadText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool CUiDriver::IsChecked(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, m_timeoutMs,
                        &state);
    return state == BST_CHECKED;
}

bool CUiDriver::IsEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

std::wstring CUiDriver::WideWindowText(HWND hwnd) {
    if (!hwnd) return std::wstring();
    // WM_GETTEXT is marshalled across processes (GetWindowText is not, for
    // another process's controls); in UTF-16 it arrives as the window holds
    // it, whatever the system code page of either program.
    wchar_t buffer[8192] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                        10000, &length);
    return buffer;
}

CString CUiDriver::WindowText(HWND hwnd) { return Narrow(WideWindowText(hwnd)); }

CString CUiDriver::MessageBoxText(HWND box) {
    CString text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (std::wcscmp(name, L"Static") == 0) text += WindowText(child);
    }
    return text;
}

void CUiDriver::Settle() {
    std::vector<HWND> windows;
    FindTopLevel([&](HWND w) {
        windows.push_back(w);
        return false;
    });
    std::vector<DWORD> shown;
    for (HWND w : windows) {
        RedrawWindow(w, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // Wine's update from another thread paints the children in z-order
        // and so may paint a control over a transparent text above it (the
        // window's own thread paints that text last): draw such texts again.
        EnumChildWindows(
            w,
            [](HWND child, LPARAM) -> BOOL {
                if (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT)
                    RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                return TRUE;
            },
            0);
        SyncWith(w);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (std::find(shown.begin(), shown.end(), pid) == shown.end()) shown.push_back(pid);
    }
    // The programs that show the windows: a program that only waits (the
    // uninstaller's original, while its copy works) never becomes idle.
    for (DWORD pid : shown) {
        CHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (process) WaitForInputIdle(process.Get(), m_timeoutMs);
    }
}
