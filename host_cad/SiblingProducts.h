// The maker's two other products whose arx folders R19.1 also trusts.
#pragma once

#include "framework/String.h"

enum class SiblingProduct { Quintel, Velmor };

// Reads the sibling's "installPath" (native view) into folder, trimmed and
// ending in a backslash; false with an empty folder when it cannot be read.
int ReadSiblingInstallPath(SiblingProduct sibling, CString& folder);
