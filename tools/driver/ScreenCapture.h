// Saves what the screen shows as a 24-bit BMP file (the main command turns
// it into PNG).
#pragma once

#include "framework/String.h"

// True when the file was written.
bool SaveScreenshot(const CString& bmpPath);
