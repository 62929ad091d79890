#pragma once

// Limits the process's library search to System32: no DLL from the program's
// own folder or the current directory is loaded by a bare name.
void RestrictDllSearchPath();
