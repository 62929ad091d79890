// The long form of a path: what the folder listing calls each component.
// Comparisons on text (the data-file rule, the protected folders) are made
// on this form, so that "KELVRA~1.MDB" is seen as "kelvra.mdb" and an 8.3
// spelling of a protected folder is seen as that folder.
#pragma once

#include "framework/String.h"

#include <windows.h>

// path made absolute, with each existing component in its long form; the
// components that do not exist (yet) are kept as written. False when path
// is empty, cannot be made absolute, or holds or yields a name that code
// page 936 cannot hold.
bool GetLongPath(const CString& path, CString& longPath);

// The path an open handle holds ("C:\..." or "\\server\share\..."), each
// component in its long form, after every link on the way was followed.
// False when the system cannot name it or 936 cannot hold the name.
bool GetHandlePath(HANDLE handle, CString& path);
