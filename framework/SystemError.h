#pragma once

#include "framework/String.h"

#include <windows.h>

// The system's text for an error code (FormatMessageA, language neutral).
CString SystemErrorText(DWORD code);
