// CWinThread: an object that runs InitInstance, Run and ExitInstance on a
// thread of its own and reports to a window of the thread that made it.
#pragma once

#include "framework/Handles.h"

class CWnd;

class CWinThread {
public:
    CWinThread() = default;
    virtual ~CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; false when it could not be created.
    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0,
                      LPSECURITY_ATTRIBUTES security = nullptr);

    virtual BOOL InitInstance() { return FALSE; }
    // The thread's body; the default is a message loop until WM_QUIT.
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // The thread handle (null before CreateThread); owned by the object.
    HANDLE GetThreadHandle() const { return m_hThread.Get(); }

    CWnd* m_pMainWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;
    DWORD m_nThreadID = 0;

private:
    static DWORD WINAPI ThreadEntry(void* param);
    CHandle m_hThread;
};

// Waits for a handle while dispatching the calling thread's messages, so a
// thread that sends to this one's windows (or shows a box they own) can go on.
// A WM_QUIT that arrives meanwhile does not end the wait; it is posted again
// when the wait is over. Returns true when the handle was signalled within
// timeoutMs.
bool WaitWhileDispatching(HANDLE handle, DWORD timeoutMs = INFINITE);
