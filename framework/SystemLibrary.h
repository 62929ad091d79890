// Libraries that are not KnownDLLs (comctl32, version, uxtheme, ...) are never
// imported by the programs: the loader would look for them beside the program
// first (a Downloads folder, %TEMP%), before any code of ours runs. They are
// loaded here instead, after the library search is locked, by their full
// System32 path.
#pragma once

#include <windows.h>

// The library System32\name (a bare file name such as L"comctl32.dll"),
// loaded once and kept for the life of the process; its own imports are
// looked for in System32 alone. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The function name exported by System32\library, or null.
template <typename Function> Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    return module ? reinterpret_cast<Function>(GetProcAddress(module, name)) : nullptr;
}
