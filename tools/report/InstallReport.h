// What an installation put on the machine, printed for a person: the
// destination tree, the registry values, the shortcuts read back and the
// uninstall log.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <cstdio>

// The destination: each top-level file with size and attributes, each
// folder with its file count and the first file names (lower-cased by the copy).
void ReportTree(FILE* out, const CString& folder);
// Every key with values below root\key (keys without values are skipped).
void ReportRegistryTree(FILE* out, HKEY root, const char* rootName, const CString& key);
// The shortcuts of the desktop, of the program group and of the destination
// folder, each with target, arguments, working folder and icon.
void ReportShortcuts(FILE* out, const CString& destination);
// The hidden Uninstall.log: its attributes, size and lines.
void ReportUninstallLog(FILE* out, const CString& destination);
// All of the above for a destination folder.
void ReportInstallation(FILE* out, const CString& destination);
