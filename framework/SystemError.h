#pragma once

#include "framework/String.h"

#include <windows.h>

// The system's text for an error code (language neutral), in code page 936.
CString SystemErrorText(DWORD code);
