// The folder a new installation goes into unless the user or /D= names
// another: the system's Program Files folder followed by "Morvane\Kelvra\".
#pragma once

#include "framework/String.h"

#include <string>

// "<Program Files>\Morvane\Kelvra\" for the system's Program Files folder
// (FOLDERID_ProgramFiles): "C:\Program Files\Morvane\Kelvra\" on a standard
// Windows, "D:\Program Files\Morvane\Kelvra\" where the system keeps it on D:.
CString DefaultInstallDir();

// The same for a given Program Files folder (with or without its trailing
// backslash). One that is empty, not a full path, or not expressible in
// code page 936 gives "C:\Program Files\Morvane\Kelvra\".
CString DefaultInstallDirIn(const std::wstring& programFiles);
