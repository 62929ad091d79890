// module_holder.exe <library> <ready event> <release event>: loads the
// library as a module, as acad.exe loads LoadKelvra.arx, signals ready and
// keeps it until released (or for at most five minutes). Exit code 2 when
// the library cannot be loaded.
#include <windows.h>

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 4) return 1;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, arguments[3]);
    if (!ready || !release) return 1;
    HMODULE module = LoadLibraryExW(arguments[1], nullptr, 0);
    if (!module) return 2;
    SetEvent(ready);
    WaitForSingleObject(release, 5 * 60 * 1000);
    FreeLibrary(module);
    return 0;
}
