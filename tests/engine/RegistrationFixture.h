// Shared set-up for the registration tests: the test controls the build puts
// beside the program, folder creation, the worker's log lines, shell folders
// pointed at the test's own folders, and reading a saved link back.
#pragma once

#include "engine/SetupThread.h"
#include "framework/String.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tools/report/ShellLinkInfo.h"

#include <vector>

// The folder of the test controls (ends in a backslash).
CString TestControlsFolder();
// Copies a test control (or library) into folder under newName.
bool PlaceTestControl(const char* builtName, const CString& folder, const char* newName);
// The worker's in-memory log, line by line, without the LF.
std::vector<CString> LogLines(const CSetupThread& worker);
// Points the user's "Shell Folders" (the first source tried) at two folders.
void PointShellFoldersAt(ScratchRegistry& registry, const CString& desktop,
                         const CString& programs);

// A shell link read back through IShellLinkA, in a COM scope of its own.
struct ReadBackLink : ShellLinkInfo {
    bool loaded = false;
};
ReadBackLink ReadLinkBack(const CString& linkPath);
