#include "framework/SingleInstance.h"

CSingleInstance::CSingleInstance(const char* mutexName) {
    m_mutex.Reset(CreateMutexA(nullptr, FALSE, mutexName));
    const DWORD error = GetLastError();
    // The mutex is never waited for: its existence is the answer, and it goes
    // away with the last handle, even when a holder is killed.
    m_first = m_mutex.IsValid() && error != ERROR_ALREADY_EXISTS;
}
