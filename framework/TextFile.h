#pragma once

#include "framework/String.h"

#include <windows.h>

// Writes text to a file in text mode (every LF becomes CR LF), creating or
// truncating it. On failure shows the standard file-error box (the cause and
// the file, OK only) owned by owner, unless showErrors is false, writes the
// failure to the run's log and returns false.
bool WriteTextFile(HWND owner, const char* path, const CString& text, bool showErrors = true);
