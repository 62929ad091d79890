#include "tests/support/ModuleHolder.h"

#include "framework/WideText.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <string>

namespace {
constexpr DWORD kWaitMs = 30000;
} // namespace

bool ModuleHolder::Hold(const CString& library) {
    Release();
    static int count = 0;
    wchar_t ready[64], release[64];
    wsprintfW(ready, L"Local\\KelvraHolderReady-%lu-%d", GetCurrentProcessId(), count);
    wsprintfW(release, L"Local\\KelvraHolderRelease-%lu-%d", GetCurrentProcessId(), count++);
    m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, ready));
    m_release.Reset(CreateEventW(nullptr, TRUE, FALSE, release));
    std::wstring line = L"\"" + Wide(WinePath(KELVRA_MODULE_HOLDER)) + L"\" \"" + Wide(library) +
                        L"\" " + ready + L" " + release;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!m_ready || !m_release ||
        !CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        ADD_FAILURE() << "cannot start the module holder (error " << GetLastError() << ")";
        return false;
    }
    m_process.Reset(info.hProcess);
    CloseHandle(info.hThread);
    const HANDLE waits[] = {m_ready.Get(), m_process.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, kWaitMs) == WAIT_OBJECT_0) return true;
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    ADD_FAILURE() << "the module holder did not load " << library.GetString() << " (exit code "
                  << code << ")";
    return false;
}

void ModuleHolder::Release() {
    if (!m_process) return;
    SetEvent(m_release.Get());
    if (WaitForSingleObject(m_process.Get(), kWaitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the module holder did not end";
        TerminateProcess(m_process.Get(), 3);
        WaitForSingleObject(m_process.Get(), kWaitMs);
    }
    m_process.Reset();
    m_ready.Reset();
    m_release.Reset();
}

CString ModuleHolder::SampleModule() { return WinePath(KELVRA_HELD_MODULE); }
