#include "tests/engine/PageStandIn.h"

#include "framework/WizardProtocol.h"
#include "framework/Thread.h"

namespace {
const char kClassName[] = "KelvraPageStandIn";
}

PageStandIn::PageStandIn() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &PageStandIn::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    // A small active top-level window, like the page: a box the worker shows
    // over it deactivates it, which the dialog driver sees.
    m_window.m_hWnd = CreateWindowExA(0, kClassName, "page", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                      nullptr, nullptr, wc.hInstance, this);
    SetForegroundWindow(m_window.m_hWnd);
    SetActiveWindow(m_window.m_hWnd);
}

PageStandIn::~PageStandIn() {
    HWND hwnd = m_window.m_hWnd;
    m_window.m_hWnd = nullptr;
    if (hwnd) DestroyWindow(hwnd);
}

void PageStandIn::Adopt(CSetupThread& worker) {
    worker.m_hWndPage = m_window.m_hWnd;
    worker.m_bAutoDelete = FALSE;
    m_worker = &worker;
}

bool PageStandIn::RunWorker(CSetupThread& worker, DWORD timeoutMs) {
    Adopt(worker);
    if (!worker.CreateThread()) return false;
    const bool ended = WaitWhileDispatching(worker.GetThreadHandle(), timeoutMs);
    // The final report is posted before the thread ends.
    DrainMessages();
    return ended;
}

void PageStandIn::DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK PageStandIn::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PageStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) return self->OnMessage(hwnd, msg, wp, lp);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT PageStandIn::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETUP_PROGRESS:
        progress.push_back({reinterpret_cast<const char*>(wp), reinterpret_cast<const char*>(lp)});
        if (InSendMessage()) ++sentFromOtherThread;
        if (m_worker && m_cancelAt == progress.size()) m_worker->RequestCancel();
        if (m_worker && m_hold) m_worker->HoldProgress();
        return 1;
    case WM_SETUP_CONFIGURING:
        reports.push_back(msg);
        if (m_worker && m_cancelOnConfiguring) m_worker->RequestCancel();
        return 1;
    case WM_SETUP_DONE:
    case WM_SETUP_FAILED:
        reports.push_back(msg);
        return 1;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

std::vector<CString> SplitLines(const CString& text) {
    std::vector<CString> lines;
    const std::string& s = text.str();
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find('\n', start);
        if (end == std::string::npos) end = s.size();
        size_t stop = end;
        if (stop > start && s[stop - 1] == '\r') --stop;
        lines.emplace_back(s.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}
