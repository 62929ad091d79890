#include "engine/SetupThread.h"

#include "framework/SelfRegistration.h"

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
    return CallSelfRegistration(path, "DllRegisterServer");
}
