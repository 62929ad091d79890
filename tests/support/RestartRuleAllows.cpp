// The restart rule as it answers on a Windows whose destination only
// administrators may change. Under Wine it never allows (no access lists),
// so the replacement at the next restart can only be seen through this
// definition, linked instead of engine/RestartReplacementRule.cpp into a
// test build of Setup.exe and into no product program.
#include "engine/RestartReplacement.h"

bool MayReplaceAtRestart(const CString& /*path*/) { return true; }
