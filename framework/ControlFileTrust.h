// Whether a control's code may be run by an administrator's process: only
// when nobody but the administrators could have replaced its file, or put a
// library beside it. Setup.exe registers, and the uninstaller unregisters,
// only such controls.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

// A control's folder and file, opened as themselves (a link is not
// followed) and held while the control is loaded: the file without write or
// delete sharing, so it cannot be replaced between the check and the load.
class CControlFileCheck {
public:
    explicit CControlFileCheck(const CString& path);

    // Both are there, neither is a link, and both can be changed by
    // administrative accounts alone (framework/FileSecurity.h).
    bool Trusted() const;

private:
    CFileHandle m_folder;
    CFileHandle m_file;
};

bool IsControlFileTrusted(const CString& path);
