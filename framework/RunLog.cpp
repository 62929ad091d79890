#include "framework/RunLog.h"

#include "framework/App.h"
#include "framework/FileSecurity.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"
#include "framework/BuildVersion.h"

#include <cstdarg>
#include <mutex>

namespace {

// The open log, shared by the threads of the run, and the lines not yet
// written to it.
std::mutex g_lock;
HANDLE g_file = INVALID_HANDLE_VALUE; // guarded by g_lock
std::string g_pending;                // guarded by g_lock
ULONGLONG g_lastWrite = 0;            // guarded by g_lock

// When gathered lines are written even without an ERROR among them.
constexpr size_t kFlushBytes = 64 * 1024;
constexpr ULONGLONG kFlushMilliseconds = 1000;

void FlushLocked() {
    if (g_file != INVALID_HANDLE_VALUE && !g_pending.empty()) {
        DWORD written = 0;
        WriteFile(g_file, g_pending.data(), static_cast<DWORD>(g_pending.size()), &written,
                  nullptr);
    }
    g_pending.clear();
    g_lastWrite = GetTickCount64();
}

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
    g_pending += line.str();
    if (strstr(text.GetString(), "ERROR") || g_pending.size() >= kFlushBytes ||
        GetTickCount64() - g_lastWrite >= kFlushMilliseconds)
        FlushLocked();
}

} // namespace

CRunLog::~CRunLog() { Close(); }

void CRunLog::Close() {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (m_file && g_file == m_file.Get()) {
            FlushLocked();
            g_file = INVALID_HANDLE_VALUE;
        }
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
// appended to through the handle that was checked. A symbolic link or junction
// at path is opened as itself (and then refused), never followed.
HANDLE OpenLogFile(const std::wstring& path, DWORD disposition) {
    // Readable while the run writes it: an administrator may watch it.
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ, nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return INVALID_HANDLE_VALUE;
    if (disposition == OPEN_ALWAYS && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!IsOwnLogFile(file.Get())) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_END)) return INVALID_HANDLE_VALUE;
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

namespace {

// The log at path, or beside it under a name created afresh when the file
// there is refused (which nothing can have been planted under).
HANDLE OpenLogOrFresh(std::wstring& path) {
    HANDLE file = OpenLogFile(path, OPEN_ALWAYS);
    const DWORD error = GetLastError();
    for (int number = 2; file == INVALID_HANDLE_VALUE && number < 100; ++number) {
        const std::wstring fresh = FreshName(path, number);
        file = OpenLogFile(fresh, CREATE_NEW);
        if (file != INVALID_HANDLE_VALUE)
            path = fresh;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) SetLastError(error);
    return file;
}

} // namespace

bool CRunLog::Open(const char* path) {
    Close();
    std::wstring wide;
    DWORD error = ERROR_INVALID_NAME;
    if (ToWide(CString(path), wide)) {
        m_file.Reset(OpenLogOrFresh(wide));
        if (!m_file) error = GetLastError();
    }
    bool fellBack = false;
    if (!m_file) {
        // The same name in %TEMP%: an administrator looks there next.
        CString name(path);
        const int slash = name.ReverseFind('\\');
        wide = Wide(TempFolderPath(slash >= 0 ? name.Mid(slash + 1) : name));
        m_file.Reset(OpenLogOrFresh(wide));
        if (!m_file) return false;
        fellBack = true;
    }
    m_path = Narrow(wide);
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_file = m_file.Get();
        g_pending.clear();
        g_lastWrite = GetTickCount64();
    }
    if (fellBack) RunLogFailure(error, "不能打开日志文件 %s, 改用 %s", path, m_path.GetString());
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

void RunLogFlush() {
    std::lock_guard<std::mutex> lock(g_lock);
    FlushLocked();
}

bool RunLogIsOpen() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_file != INVALID_HANDLE_VALUE;
}

CString TempFolderPath(const char* name) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    CString path = (length > 0 && length <= MAX_PATH) ? Narrow(folder) : CString("C:\\");
    path.AppendBackslashIfMissing();
    return path + name;
}

CString LoggedText(const wchar_t* wide) {
    CString logged;
    for (const wchar_t* c = wide; *c;) {
        const int units = (IS_HIGH_SURROGATE(c[0]) && IS_LOW_SURROGATE(c[1])) ? 2 : 1;
        CString narrow;
        if (ToNarrow(c, units, narrow)) {
            logged += narrow;
        } else {
            const unsigned code = units == 2
                                      ? 0x10000u + ((c[0] - 0xD800u) << 10) + (c[1] - 0xDC00u)
                                      : static_cast<unsigned>(c[0]);
            CString escaped;
            escaped.Format("<U+%04X>", code);
            logged += escaped;
        }
        c += units;
    }
    return logged;
}

namespace {

// RtlGetVersion tells the true version; GetVersionEx lies to a program
// without a manifest that names the newer Windows.
CString WindowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                           GetProcAddress(ntdll, "RtlGetVersion")))
                                     : nullptr;
    CString text;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return CString("(不明)");
    text.Format("%lu.%lu, 内部版本 %lu", info.dwMajorVersion, info.dwMinorVersion,
                info.dwBuildNumber);
    if (info.szCSDVersion[0]) text += " " + LoggedText(info.szCSDVersion);
    return text;
}

CString AccountName() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return CString("(不明)");
    CHandle token(raw);
    BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size))
        return CString("(不明)");
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name,
                           &nameLength, domain, &domainLength, &use))
        return CString("(不明)");
    return LoggedText((std::wstring(domain) + L"\\" + name).c_str());
}

bool IsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    CHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated;
}

} // namespace

void RunLogHeader(const char* program) {
    if (!RunLogIsOpen()) return;
    RunLogLine("==== %s %s, 版本 %s", program, LoggedText(AfxGetModulePath().c_str()).GetString(),
               kBuildVersion);
    RunLogLine("Windows %s; 帐户 %s (%s); 系统代码页 %u", WindowsVersion().GetString(),
               AccountName().GetString(), IsElevated() ? "管理员权限" : "非管理员权限", GetACP());
    RunLogLine("命令行: %s", LoggedText(GetCommandLineW()).GetString());
}
