#include "framework/App.h"

#include "framework/DllSearch.h"
#include "framework/SystemLibrary.h"

#include <commctrl.h>
#include <ole2.h>

namespace {
CWinApp* g_app = nullptr;

CString ModuleBaseName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString name(path);
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

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleA(nullptr); }

CString AfxGetAppTitle() {
    if (g_app && *g_app->GetTitle()) return CString(g_app->GetTitle());
    return ModuleBaseName();
}

CString AfxGetModuleFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path);
    const int slash = folder.ReverseFind('\\');
    if (slash >= 0) folder = folder.Left(slash);
    return folder;
}

void AfxEnableControlContainer() {
    // comctl32 is no KnownDLL: loaded by its System32 path, never imported.
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = SystemFunction<InitFunction>(L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (init) init(&icc);
}

int AfxMessageBox(HWND owner, const char* text, UINT type, const char* caption) {
    CString title = caption ? CString(caption) : AfxGetAppTitle();
    return MessageBoxA(owner, text, title, type);
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
