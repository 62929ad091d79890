#include "engine/SetupThread.h"

#include "app/WizardProtocol.h"
#include "framework/Window.h"

const char* const CONTENT_FOLDERS[12] = {"Support", "Control", "Database", "线型库", "填充图案", "材料图案",
                                         "图框",    "图例",    "图库",     "图件图库", "标准断面", "Temp"};

CSetupThread::CSetupThread() = default;
CSetupThread::~CSetupThread() = default;

BOOL CSetupThread::InitInstance() { return TRUE; }

HWND CSetupThread::PageWindow() const { return m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr; }

int CSetupThread::Run() {
    for (const char* name : CONTENT_FOLDERS) {
        if (!CopyTree(m_strSourceDir + name, m_strInstallDir + name)) {
            PostMessageA(PageWindow(), WM_SETUP_FAILED, 0, 0);
            PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
            return CWinThread::Run();
        }
    }
    CopyProgramFiles();
    RegisterControls();
    RegisterProduct();
    CreateShortcuts();
    WriteUninstallLog();
    PostMessageA(PageWindow(), WM_SETUP_DONE, 0, 0);
    PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
    return CWinThread::Run();
}

void CSetupThread::NotifyProgress(const CString& source, const CString& destination) {
    SendMessageA(PageWindow(), WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.GetString()),
                 reinterpret_cast<LPARAM>(destination.GetString()));
}
