#include "framework/SystemLibrary.h"

#include <string>

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(system, length);
    path += L"\\";
    path += name;
    // Kept loaded: windows of its classes live as long as the process. A
    // second load of the same library only counts up its reference.
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR);
}
