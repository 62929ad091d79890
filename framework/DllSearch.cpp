#include "framework/DllSearch.h"

#include <windows.h>

void RestrictDllSearchPath() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Also takes the current directory out of the search order.
    SetDllDirectoryW(L"");
}
