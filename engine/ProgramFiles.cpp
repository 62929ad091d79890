#include "engine/SetupThread.h"

#include <windows.h>

// Step 2: the files directly in the distribution folder, except the installer.
void CSetupThread::CopyProgramFiles() {
    CStringArray names;
    ListFiles(m_strSourceDir, "*.*", names);
    for (const CString& name : names) {
        if (name.CompareNoCase("Setup.exe") == 0) continue;
        const CString destination = m_strInstallDir + name;
        // A failed copy is passed over; the uninstaller still gets the line,
        // and a file read-only on the medium stays read-only.
        CopyFileA(m_strSourceDir + name, destination, FALSE);
        LogFileCopy(destination);
        if (name.CompareNoCase("KelvraV9.0.ico") == 0)
            SetFileAttributesA(destination, FILE_ATTRIBUTE_HIDDEN);
    }
}
