// The exit codes of the product's programs: the values deployment systems
// (Intune, Configuration Manager, Group Policy scripts) already interpret.
#pragma once

enum ExitCode : int {
    kExitSuccess = 0,           // done, every step did what it should
    kExitUserCancelled = 1602,  // ERROR_INSTALL_USEREXIT: the user ended it
    kExitFailed = 1603,         // ERROR_INSTALL_FAILURE: failed, or done only in part
    kExitAlreadyRunning = 1618, // ERROR_INSTALL_ALREADY_RUNNING: another program holds the mutex
    kExitNewerInstalled =
        1638, // ERROR_PRODUCT_VERSION: a newer build is installed; nothing changed
    kExitInvalidCommandLine = 1639, // ERROR_INVALID_COMMAND_LINE
    kExitRestartNeeded = 3010,      // ERROR_SUCCESS_REBOOT_REQUIRED: done, files wait for the next
                                    // restart to be removed (or replaced)
};
