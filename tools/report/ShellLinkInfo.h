// Reads a shell link (.lnk) file back through the shell's link object, so a
// report or a test sees what Explorer would start.
#pragma once

#include "framework/String.h"

struct ShellLinkInfo {
    CString target;
    CString arguments;
    CString workingFolder;
    CString iconFile;
    int iconIndex = 0;
};

// True when the file could be loaded as a shell link. COM must be
// initialised on the calling thread.
bool ReadShellLink(const CString& linkPath, ShellLinkInfo& info);
