#include "framework/Thread.h"

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
    // Started suspended so the thread's id and handle are stored before its
    // body can read them.
    DWORD id = 0;
    HANDLE h = ::CreateThread(security, stackSize, &CWinThread::ThreadEntry, this,
                              createFlags | CREATE_SUSPENDED, &id);
    if (!h) return FALSE;
    m_nThreadID = id;
    m_hThread.Reset(h);
    if (!(createFlags & CREATE_SUSPENDED)) ResumeThread(h);
    return TRUE;
}

int CWinThread::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

DWORD WINAPI CWinThread::ThreadEntry(void* param) {
    auto* self = static_cast<CWinThread*>(param);
    int code = self->InitInstance() ? self->Run() : self->ExitInstance();
    if (self->m_bAutoDelete) delete self;
    return static_cast<DWORD>(code);
}

bool WaitWhileDispatching(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    bool signalled = false;
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD remaining =
            timeoutMs == INFINITE ? INFINITE : (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed);
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) signalled = true;
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Taken off the queue so the wait goes on (whoever waits for the
            // handle relies on its end); posted again below.
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The quit is kept for the loop that waits for it.
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return signalled;
}
