#include "framework/RunLog.h"

#include "framework/SystemError.h"

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

bool CRunLog::Open(const char* path) {
    // Readable while the run writes it: an administrator may watch it.
    m_file.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return false;
    m_path = path;
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
