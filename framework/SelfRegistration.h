// A control's self-registration entry points, called with the process's
// library search kept locked.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Loads the control at path (its own folder and System32 only), calls its
// entry point "DllRegisterServer" or "DllUnregisterServer" and unloads it.
// 1 only when the entry point returned S_OK; 0 when the file cannot be
// loaded, has no such entry point or the call returned anything else.
// result, when given, receives the entry point's answer, or the system's
// error as an HRESULT when it could not be called.
int CallSelfRegistration(const CString& path, const char* entryPoint, HRESULT* result = nullptr);
