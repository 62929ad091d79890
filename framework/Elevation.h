// Administrator rights before the first window. The manifest asks for no
// elevation (asInvoker), so an administrator's double-click under UAC runs a
// program with a filtered token, and writing Program Files and
// HKEY_LOCAL_MACHINE would be denied after the user had walked the pages.
// Such a run restarts itself once through the consent prompt ("runas"),
// waits for the elevated run and ends with its exit code.
#pragma once

#include "framework/String.h"

#include <windows.h>

// What the process token and the UAC setting say about a run.
struct ProcessRights {
    TOKEN_ELEVATION_TYPE elevationType = TokenElevationTypeDefault;
    bool elevated = false;  // the token holds an administrator's full rights
    bool uacEnabled = true; // EnableLUA: the consent prompt can raise the rights
};

enum class RightsStep {
    Continue,        // the run has administrator rights
    Restart,         // restart through the consent prompt
    OfferUserRights, // no prompt can help (or it was asked already): ask the user
    RefuseSilent,    // a silent run cannot ask anyone: end with kExitFailed
};

// The decision, as a table of token kinds and UAC states. restarted: this
// run is the restart (kElevatedRunSwitch); it never asks again.
RightsStep DecideRights(const ProcessRights& rights, bool silent, bool restarted);

// True when the running token holds the Administrators group, enabled (an
// elevated administrator, SYSTEM): what writing for all users and trusting
// the administrators' files take.
bool RunsAsAdministrator();

// This process's rights. The environment variable KELVRA_PRETEND_FILTERED_TOKEN
// (set by the tests, where Wine gives every process a full token) makes the
// run see the filtered token of an administrator under UAC. It can only add a
// restart, a question or a refusal, never spare a check. With the value
// "declined" the consent prompt counts as declined without being shown; with
// "consented" only a first run sees the filtered token, and the restart
// (restarted) sees its real one, as after a Yes at the prompt.
ProcessRights ReadProcessRights(bool restarted);

// True when the process runs as the LocalSystem account (deployment systems
// run installers so). In test builds (KELVRA_TEST_SEAMS) the environment
// variable KELVRA_PRETEND_SYSTEM makes a run see itself as SYSTEM: Wine has
// no SYSTEM account to run a program as.
bool RunsAsLocalSystem();

// Restarts the program through the consent prompt with kElevatedRunSwitch
// (followed by "=" and handBack when one is given) before its own arguments,
// taken unchanged from the wide command line, in the same current folder;
// waits for it. True with the restarted run's exit code; false with the last
// error set (ERROR_CANCELLED: the user declined).
bool RestartElevated(DWORD& exitCode, const CString& handBack = CString());

// After a Restart that did not happen, or for OfferUserRights and
// RefuseSilent: writes the reason into the run's log and, unless the run is
// silent, asks with boxText (Yes goes on with the user's own rights, No
// quits). Returns 0 to go on, or the exit code to end with.
int ActOnMissingRights(RightsStep step, DWORD restartError, bool silent, const char* boxText,
                       const char* caption);
