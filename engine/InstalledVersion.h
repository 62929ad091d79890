// The value deployment systems detect the product by. "Ver" is written
// midway through a run, before the AutoCAD configuration, the links and the
// uninstall log, so a run that fails after it would still look installed.
// "InstalledVersion" is written last, only by a run that ends with exit code
// 0 (or 3010, installed with a file waiting for the restart), and a silent
// run takes it away before it changes anything: while it is there, the
// installation it names completed.
#pragma once

#include "framework/String.h"

extern const char kInstalledVersionValue[];

// Writes the product's version as "InstalledVersion" under the product key
// and its Wow6432Node twin. False (logged) when a write fails.
bool MarkInstallationComplete();
// Deletes the value from both keys (missing is fine). False (logged) when a
// value that is there cannot be deleted.
bool ClearInstallationComplete();
