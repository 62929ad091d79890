// A file the installation must replace while a program holds it (AutoCAD
// keeps LoadKelvra.arx loaded): the new file is written beside it under a
// temporary name, and Session Manager moves it into place at the next
// restart (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT), as SYSTEM and
// before any program runs. Had a user swapped a folder on that path for a
// junction by then, the move would land wherever it points; so it is
// arranged only where the uninstaller's restart rule allows a restart
// delete: nobody but SYSTEM, Administrators and TrustedInstaller can change
// a folder on the way.
#pragma once

#include "framework/String.h"

// The temporary name's suffix: "<file>.kelvra-new" beside the file.
extern const char kReplacementSuffix[];

// True when the file at path may be replaced at the next restart (the rule
// above, on the long form of the path). It lives in a file of its own.
bool MayReplaceAtRestart(const CString& path);
