// What the worker reports to its page at the end of a run, in arrival order.
#pragma once

#include "framework/WizardProtocol.h"

#include <windows.h>

#include <vector>

// Copied, then configured, then done.
inline const std::vector<UINT>& CompletedReports() {
    static const std::vector<UINT> completed = {WM_SETUP_CONFIGURING, WM_SETUP_DONE};
    return completed;
}
// Stopped during the copy: no configuring, no done.
inline const std::vector<UINT>& FailedReports() {
    static const std::vector<UINT> failed = {WM_SETUP_FAILED};
    return failed;
}
