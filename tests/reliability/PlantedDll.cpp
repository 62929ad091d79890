// A library planted in the distribution folder under a system DLL's name:
// loaded, it leaves "<its own path>.loaded" beside itself.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8] = {};
        const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatA(path, ".loaded");
            HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
        }
    }
    return TRUE;
}
