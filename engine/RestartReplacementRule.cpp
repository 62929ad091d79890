// The restart rule for a replacement, alone in this file: nothing else of the
// installer is defined here, so a test program that must see the rule allow
// (Wine has no access lists, so it never does there) links a definition of
// its own instead, and the installer itself always carries this one.
#include "engine/RestartReplacement.h"

#include "framework/LongPath.h"
#include "framework/RestartDeleteRule.h"

bool MayReplaceAtRestart(const CString& path) {
    CString longForm;
    return GetLongPath(path, longForm) && MayDeleteAtRestart(longForm);
}
