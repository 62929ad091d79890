#include "framework/App.h"

#include "framework/DllSearch.h"
#include "framework/RunLog.h"
#include "framework/SystemLibrary.h"
#include "framework/WideText.h"

#include <commctrl.h>
#include <ole2.h>

#include <cwchar>

namespace {
CWinApp* g_app = nullptr;

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const int length = static_cast<int>(wcslen(prefix));
    return static_cast<int>(text.size()) >= length &&
           CompareStringOrdinal(text.c_str(), length, prefix, length, TRUE) == CSTR_EQUAL;
}

} // namespace

std::wstring UsualModulePath(const std::wstring& path) {
    // Wine names a program started from a share "UNC\server\share\prog.exe",
    // without the leading backslashes (its NT name with "\??\" cut off),
    // where Windows says "\\server\share\prog.exe". No Windows path starts
    // with "UNC\" (a module's path is absolute), so it is read as the share's.
    if (StartsWithNoCase(path, L"UNC\\")) return L"\\\\" + path.substr(4);
    // A program started by its "\\?\" name keeps that form; every other path
    // the programs compose is in the usual one.
    if (StartsWithNoCase(path, L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 7 && path[5] == L':' &&
        path[6] == L'\\')
        return path.substr(4);
    return path;
}

std::wstring AfxGetModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    // A path longer than MAX_PATH is cut short and the call tells so only by
    // filling the buffer: the buffer grows up to the longest path there is.
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return UsualModulePath(path);
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

namespace {

CString ModuleBaseName() {
    CString name = Narrow(AfxGetModulePath());
    int slash = name.ReverseFind('\\');
    if (slash >= 0) name = name.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    if (dot > 0) name = name.Left(dot);
    return name;
}
} // namespace

CWinApp::CWinApp(const char* appName) : m_title(appName ? CString(appName) : CString()) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

CString AfxGetAppTitle() {
    if (g_app && *g_app->GetTitle()) return CString(g_app->GetTitle());
    return ModuleBaseName();
}

namespace {
CString CutAtLastBackslash(CString path) {
    const int slash = path.ReverseFind('\\');
    if (slash >= 0) path = path.Left(slash);
    return path;
}
} // namespace

bool AfxGetModuleFolder(CString& folder) {
    const std::wstring path = AfxGetModulePath();
    if (path.empty() || !ToNarrow(path, folder)) {
        folder.Empty();
        return false;
    }
    folder = CutAtLastBackslash(folder);
    return true;
}

CString AfxGetModuleFolder() { return CutAtLastBackslash(Narrow(AfxGetModulePath())); }

std::wstring AfxLoadWideString(UINT id) {
    // A zero buffer size asks for the resource's own read-only text.
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(AfxGetInstanceHandle(), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}

CString AfxLoadString(UINT id) { return Narrow(AfxLoadWideString(id)); }

void AfxEnableControlContainer() {
    // comctl32 is no KnownDLL: loaded by its System32 path, never imported.
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = SystemFunction<InitFunction>(L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (init) init(&icc);
}

int AfxMessageBox(HWND owner, const char* text, UINT type, const char* caption) {
    CString title = caption ? CString(caption) : AfxGetAppTitle();
    // Whoever watches the log while the box waits sees all that led to it.
    RunLogFlush();
    return MessageBoxW(owner, Wide(CString(text)).c_str(), Wide(title).c_str(), type);
}

int AfxWinMain() {
    // Before anything can load a library: a DLL planted beside the program
    // (a download folder) must never be picked up.
    RestrictDllSearchPath();
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    int exitCode = 0;
    if (!app->InitInstance()) exitCode = app->ExitInstance();
    return exitCode;
}
