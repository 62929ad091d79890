#include "engine/SetupThread.h"

#include "framework/Handles.h"

#include <windows.h>

namespace {
using DllRegisterServerFunction = HRESULT(STDAPICALLTYPE*)();
} // namespace

// Step 3: self-registers every control directly in the Control folder.
void CSetupThread::RegisterControls() {
    const CString controlFolder = m_strInstallDir + "Control\\";
    CStringArray names;
    ListFiles(controlFolder, "*.ocx", names);
    for (const CString& name : names) {
        const CString path = controlFolder + name;
        if (!RegisterServer(path)) ++m_failures.controls;
        // Logged whether or not the control registered itself.
        LogRegCtrl(path);
    }
}

int CSetupThread::RegisterServer(const CString& path) {
    // The process's library search is locked to System32; a control's own
    // DLLs beside it in the Control folder must still resolve.
    CLibrary library(LoadLibraryExA(
        path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library) return 0;
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(
        GetProcAddress(library.Get(), "DllRegisterServer"));
    if (!registerServer) return 0;
    // Only S_OK counts: S_FALSE and other success codes are failures here.
    return registerServer() == S_OK;
}
