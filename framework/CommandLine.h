// The command line of the installer and the uninstaller: a few switches in
// the convention administrators know from NSIS installers. Switch names are
// case-insensitive. /D= names an absolute folder (a drive letter or a UNC
// share); quoted it ends at its closing quote, unquoted it is the last
// argument and runs to the end of the line (a /NORESTART after it excepted,
// which deployment templates append to every line).
#pragma once

#include "framework/String.h"

// The switches a program accepts; any other argument is an error.
enum CommandLineSwitch : unsigned {
    kSwitchSilent = 1u << 0,         // /S
    kSwitchLog = 1u << 1,            // /LOG=<file>
    kSwitchHelp = 1u << 2,           // /?
    kSwitchDestination = 1u << 3,    // /D=<folder>
    kSwitchElevatedRun = 1u << 4,    // kElevatedRunSwitch, first on the line only
    kSwitchRemoveData = 1u << 5,     // /REMOVEDATA
    kSwitchNoRestart = 1u << 6,      // /NORESTART: accepted; the programs never restart the machine
    kSwitchAllowDowngrade = 1u << 7, // /ALLOWDOWNGRADE
};
constexpr unsigned kSetupSwitches = kSwitchSilent | kSwitchLog | kSwitchHelp | kSwitchDestination |
                                    kSwitchElevatedRun | kSwitchNoRestart | kSwitchAllowDowngrade;
constexpr unsigned kUninstallSwitches = kSwitchSilent | kSwitchLog | kSwitchHelp |
                                        kSwitchElevatedRun | kSwitchRemoveData | kSwitchNoRestart;

// The mark a program puts in front of its own arguments when it restarts
// itself through the consent prompt: the restarted run does not ask again.
// Anywhere but first it is an argument not understood. Typed by hand it only
// spares the prompt: a run without the rights still says so (framework/Elevation.h).
// It may carry "=" and 32 hexadecimal digits: the name under which the
// waiting original takes back what the restart leaves to it (app/HandBack.h).
constexpr char kElevatedRunSwitch[] = "/_KELVRA_ELEVATED_RUN";

struct CommandLineOptions {
    CString arguments;           // the argument text as given, program path and
                                 // the elevated run's mark left out
    bool elevatedRun = false;    // kElevatedRunSwitch came first
    CString handBack;            // and the name it carried; empty for none
    bool silent = false;         // /S
    bool help = false;           // /?
    bool removeData = false;     // /REMOVEDATA
    bool noRestart = false;      // /NORESTART (nothing to do: no restart is ever made)
    bool allowDowngrade = false; // /ALLOWDOWNGRADE: an older build may replace a newer one
    CString logFile;             // /LOG=, quotes removed, environment variables
                                 // (%COMPUTERNAME%) expanded; empty when not given
    CString destination;         // /D=, trimmed, quotes removed, ending in a backslash
    bool privateSwitch = false;  // the program's own switch (below) was given
    CString privateValue;        // and its value, when it takes one
    // The first argument that was not understood, as written; empty when
    // every argument was.
    CString invalidArgument;

    bool IsValid() const { return invalidArgument.IsEmpty(); }
};

// The part of a whole command line (GetCommandLineA) after the program path,
// skipped as Windows does: a quoted path runs to the closing quote, an
// unquoted one to the first blank or tab. Leading blanks are skipped too.
// One exception: a line that starts with programPath itself (compared
// without regard to case) followed by a blank or its end has that path
// skipped whole. Windows hands a program its command line as written, and a
// path with blanks may reach it unquoted (an UninstallString, a script).
const char* SkipProgramPath(const char* commandLine, const char* programPath = nullptr);
// The same for the wide command line (GetCommandLineW), which holds every
// argument as typed whatever the system's code page.
const wchar_t* SkipProgramPath(const wchar_t* commandLine, const wchar_t* programPath);

// Parses the arguments (the text after the program path). privateSwitch names
// one more switch a program keeps for itself, e.g. "/USER" or "/_TEMP=" (a
// trailing '=' means it takes a value); null for none.
CommandLineOptions ParseArguments(const char* arguments, unsigned accepted,
                                  const char* privateSwitch = nullptr);

// ParseArguments(SkipProgramPath(commandLine, this program's path), ...).
CommandLineOptions ParseCommandLine(const char* commandLine, unsigned accepted,
                                    const char* privateSwitch = nullptr);
// The running program's own command line (GetCommandLineW), parsed as above.
// An argument with a character code page 936 lacks makes the whole line one
// not understood (invalidArgument holds its shown form).
CommandLineOptions ParseProgramCommandLine(unsigned accepted, const char* privateSwitch = nullptr);
