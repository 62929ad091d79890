#include "framework/FilesInUse.h"

#include "framework/Handles.h"
#include "framework/SystemLibrary.h"
#include "framework/WideText.h"

#include <restartmanager.h>

#include <algorithm>
#include <string>

namespace {

using RmStartSessionFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RmEndSessionFn = DWORD(WINAPI*)(DWORD);
using RmRegisterResourcesFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT,
                                             LPCWSTR*);
using RmGetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, LPDWORD);

struct RestartManager {
    RmStartSessionFn start = SystemFunction<RmStartSessionFn>(L"rstrtmgr.dll", "RmStartSession");
    RmEndSessionFn end = SystemFunction<RmEndSessionFn>(L"rstrtmgr.dll", "RmEndSession");
    RmRegisterResourcesFn registerFiles =
        SystemFunction<RmRegisterResourcesFn>(L"rstrtmgr.dll", "RmRegisterResources");
    RmGetListFn getList = SystemFunction<RmGetListFn>(L"rstrtmgr.dll", "RmGetList");
    bool Usable() const { return start && end && registerFiles && getList; }
};

const RestartManager& Rm() {
    static const RestartManager rm;
    return rm;
}

// A Restart Manager session, ended on every path.
class CRmSession {
public:
    CRmSession() {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        m_open = Rm().Usable() && Rm().start(&m_handle, 0, key) == ERROR_SUCCESS;
    }
    ~CRmSession() {
        if (m_open) Rm().end(m_handle);
    }
    CRmSession(const CRmSession&) = delete;
    CRmSession& operator=(const CRmSession&) = delete;
    bool IsOpen() const { return m_open; }
    DWORD Get() const { return m_handle; }

private:
    DWORD m_handle = 0;
    bool m_open = false;
};

bool Exists(const CString& path) {
    std::wstring wide;
    return ToWide(path, wide) && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool IsInUseError(unsigned long error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE;
}

CStringArray ProgramsUsing(const CStringArray& paths) {
    CStringArray names;
    std::vector<std::wstring> wide;
    for (const CString& path : paths) {
        std::wstring one;
        if (ToWide(path, one)) wide.push_back(one);
    }
    if (wide.empty()) return names;
    std::vector<LPCWSTR> files;
    for (const std::wstring& one : wide) files.push_back(one.c_str());
    CRmSession session;
    if (!session.IsOpen() ||
        Rm().registerFiles(session.Get(), static_cast<UINT>(files.size()), files.data(), 0, nullptr,
                           0, nullptr) != ERROR_SUCCESS)
        return names;
    // The list may grow between the two calls: asked again a few times.
    std::vector<RM_PROCESS_INFO> processes;
    for (int attempt = 0; attempt < 4; ++attempt) {
        UINT needed = 0;
        UINT count = static_cast<UINT>(processes.size());
        DWORD reasons = 0;
        const DWORD result = Rm().getList(session.Get(), &needed, &count,
                                          processes.empty() ? nullptr : processes.data(), &reasons);
        if (result == ERROR_MORE_DATA) {
            processes.resize(needed);
            continue;
        }
        if (result != ERROR_SUCCESS) return names;
        processes.resize(count);
        for (const RM_PROCESS_INFO& process : processes) {
            CString name = Narrow(process.strAppName);
            if (name.IsEmpty()) name.Format("进程 %lu", process.Process.dwProcessId);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
        return names;
    }
    return names;
}

bool IsHeldOpen(const CString& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    CFileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && IsInUseError(GetLastError());
}

std::vector<FileInUse> FindFilesInUse(const CStringArray& paths) {
    CStringArray existing;
    for (const CString& path : paths)
        if (Exists(path)) existing.push_back(path);
    std::vector<FileInUse> inUse;
    if (existing.empty()) return inUse;
    const CStringArray everyone = ProgramsUsing(existing);
    for (const CString& path : existing) {
        FileInUse file{.path = path, .programs = {}};
        // Who holds which is asked file by file only when anyone is named.
        if (!everyone.empty())
            file.programs = existing.size() == 1 ? everyone : ProgramsUsing({path});
        if (!file.programs.empty() || IsHeldOpen(path)) inUse.push_back(file);
    }
    return inUse;
}

CString ProgramNames(const CStringArray& programs) {
    if (programs.empty()) return CString("未知程序");
    CString text;
    for (const CString& name : programs) {
        if (!text.IsEmpty()) text += "、";
        text += name;
    }
    return text;
}
