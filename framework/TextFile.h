#pragma once

#include "framework/String.h"

#include <windows.h>

// Writes text to a file in text mode (every LF becomes CR LF), replacing it
// whole: written to "<path>.new" with the given attributes, then renamed over
// it (framework/SharingRetry.h), so the file never holds part of the text.
// On failure shows the standard file-error box (the cause and the file, OK
// only) owned by owner, unless showErrors is false, writes the failure to
// the run's log and returns false; the old file is then as it was.
bool WriteTextFile(HWND owner, const char* path, const CString& text, bool showErrors = true,
                   DWORD attributes = FILE_ATTRIBUTE_NORMAL);
