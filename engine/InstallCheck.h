// What is weighed once the destination is chosen and before the installation
// changes anything: the space the copy needs on the destination's volume,
// and the existing files it must replace that programs hold (AutoCAD keeps
// LoadKelvra.arx loaded). The destination page asks the user about what it
// finds; a silent run decides by rule and says why in its log.
#pragma once

#include "framework/FilesInUse.h"
#include "framework/String.h"

#include <windows.h>

#include <vector>

struct InstallSpace {
    CString volume;          // the destination's volume ("D:\"); empty when unknown
    ULONGLONG needed = 0;    // the bytes the run will write there
    ULONGLONG available = 0; // the free bytes the running user may use there
    bool known = false;      // false when no folder of the destination's path exists yet
    bool Enough() const { return !known || needed <= available; }
};

struct InstallCheck {
    InstallSpace space;
    std::vector<FileInUse> inUse;
    // For each file in use: whether it may be replaced at the next restart.
    std::vector<bool> replaceable;
    bool AllReplaceable() const;
};

// The bytes a run from source into destination (both ending in a backslash)
// writes: every file of the content folders and the program files (not
// Setup.exe), each rounded up to whole clusters of the volume, one cluster
// per folder, and room for the uninstall log and the record. Where the
// volume has less free space than that, the destination is weighed too: a
// file replaced in place counts only what it grows by, the kept database
// nothing; a module still counts whole (it may have to stay until a restart
// while its replacement waits beside it).
InstallSpace WeighInstallSpace(const CString& source, const CString& destination);

// The whole check: space, then which of the existing files the run replaces
// that a program may hold (every module of the content folders: .arx, .crx,
// .dbx, .dll, .ocx, .exe; and every program file) are in use, and whether
// each may be replaced at the next restart.
InstallCheck CheckInstallation(const CString& source, const CString& destination);

// Space in megabytes for a box or a log line ("12.3"): the space needed
// rounded up, the space free rounded down, so that too little never reads
// as enough.
CString Megabytes(ULONGLONG bytes, bool roundUp);

// The check for a silent run, before anything changes; every finding goes to
// the run's log. False when the run must end (1603) here: too little space,
// a file in use that may not be replaced at the next restart, or a restart
// operation in the destination that cannot be taken out. replaceInUse is set
// when files in use are to be replaced at the next restart.
bool CheckSilentInstallation(const CString& source, const CString& destination, bool& replaceInUse);
