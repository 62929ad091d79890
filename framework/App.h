// The application object: one global instance whose InitInstance does the
// program's work; the process ends when it returns.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // appName null: the title is the program file's name without its extension.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    const char* GetTitle() const { return m_title.GetString(); }

    CWnd* m_pMainWnd = nullptr;

private:
    CString m_title;
};

// The one application object, or null (test programs have none).
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The application's title: used as the caption of message boxes given none.
CString AfxGetAppTitle();
// The running program's full path ("D:\..." or "\\server\share\..."); empty
// when it cannot be read.
std::wstring AfxGetModulePath();
// A module path as the system gave it, in the usual form: Wine's
// "UNC\server\share\..." and the "\\?\" forms become "\\server\share\..." and
// "D:\..."; any other path is returned unchanged.
std::wstring UsualModulePath(const std::wstring& path);
// The running program's folder, without a trailing backslash (a program in a
// drive's root gives the bare drive, "D:"). False, with folder emptied, when
// the path cannot be read or has a character code page 936 lacks.
bool AfxGetModuleFolder(CString& folder);
// As above, for a folder that is only shown: a character code page 936
// lacks becomes "?", which no file name holds, so a path built on it is
// never found.
CString AfxGetModuleFolder();
// A string-table entry of the program, as compiled / in code page 936;
// empty when it does not load.
std::wstring AfxLoadWideString(UINT id);
CString AfxLoadString(UINT id);
// Makes the framework's controls usable (common controls, OLE for pictures).
void AfxEnableControlContainer();
// Message box owned by owner, captioned with the application's title when
// caption is null.
int AfxMessageBox(HWND owner, const char* text, UINT type, const char* caption = nullptr);
// Runs the application object; the program's WinMain calls it.
int AfxWinMain();
