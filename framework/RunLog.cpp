#include "framework/RunLog.h"

#include "framework/FileSecurity.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"

#include <cstdarg>
#include <mutex>

namespace {

// The open log, shared by the threads of the run.
std::mutex g_lock;
HANDLE g_file = INVALID_HANDLE_VALUE; // guarded by g_lock

CString OneLine(CString text) {
    text.TrimRight();
    std::string flat;
    for (char c : text.str()) flat += (c == '\r' || c == '\n') ? ' ' : c;
    return CString(std::move(flat));
}

void WriteLine(const CString& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CString line;
    line.Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  %s\r\n", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, OneLine(text).GetString());
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(g_file, line.GetString(), static_cast<DWORD>(line.GetLength()), &written, nullptr);
}

} // namespace

CRunLog::~CRunLog() { Close(); }

void CRunLog::Close() {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_file == m_file.Get()) g_file = INVALID_HANDLE_VALUE;
    }
    m_file.Reset();
}

namespace {

// An existing file the log may take over: a plain file with one name,
// owned by this user or an administrative account. Anything else in a
// shared temp folder may be a trap: a hard link to a system file, or a file
// another user made so as to read or steer what a privileged run writes.
bool IsOwnLogFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
           info.nNumberOfLinks == 1 && HasTrustedOwner(file);
}

// The log file at path: an existing one only when it passes IsOwnLogFile,
// emptied through the handle that was checked. A symbolic link or junction
// at path is opened as itself (and then refused), never followed.
HANDLE OpenLogFile(const std::wstring& path, DWORD disposition) {
    // Readable while the run writes it: an administrator may watch it.
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ, nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return INVALID_HANDLE_VALUE;
    if (disposition == OPEN_ALWAYS && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!IsOwnLogFile(file.Get())) return INVALID_HANDLE_VALUE;
        SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
        if (!SetEndOfFile(file.Get())) return INVALID_HANDLE_VALUE;
    }
    return file.Release();
}

// "<name> (2).log" beside "<name>.log": the first that does not exist yet.
std::wstring FreshName(const std::wstring& path, int number) {
    const size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + L" (" + std::to_wstring(number) + L")" + path.substr(dot);
}

} // namespace

bool CRunLog::Open(const char* path) {
    std::wstring wide;
    if (!ToWide(CString(path), wide)) return false;
    m_file.Reset(OpenLogFile(wide, OPEN_ALWAYS));
    // A refused file stays as it is; the log goes beside it under a name
    // created afresh, which nothing can have been planted under.
    for (int number = 2; !m_file && number < 100; ++number) {
        const std::wstring fresh = FreshName(wide, number);
        m_file.Reset(OpenLogFile(fresh, CREATE_NEW));
        if (m_file)
            wide = fresh;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!m_file) return false;
    m_path = Narrow(wide);
    std::lock_guard<std::mutex> lock(g_lock);
    g_file = m_file.Get();
    return true;
}

void RunLogLine(const char* format, ...) {
    if (!RunLogIsOpen()) return;
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    WriteLine(text);
}

void RunLogFailure(DWORD error, const char* format, ...) {
    if (!RunLogIsOpen()) return;
    // The caller may still show a box built on the last error.
    const DWORD lastError = GetLastError();
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    CString line;
    line.Format("ERROR  %s: %s (%lu)", text.GetString(),
                OneLine(SystemErrorText(error)).GetString(), static_cast<unsigned long>(error));
    WriteLine(line);
    SetLastError(lastError);
}

bool RunLogIsOpen() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_file != INVALID_HANDLE_VALUE;
}

CString TempFolderPath(const char* name) {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    CString path = (length > 0 && length < sizeof(folder)) ? CString(folder) : CString("C:\\");
    path.AppendBackslashIfMissing();
    return path + name;
}
