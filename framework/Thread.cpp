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
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
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
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD remaining =
            timeoutMs == INFINITE ? INFINITE : (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed);
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Keep the quit for the outer loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
