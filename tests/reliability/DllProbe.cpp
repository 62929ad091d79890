// Asks for each DLL named on its command line by its bare name, as a program
// that does not restrict its library search would, and lets it go again.
// Run from a folder of planted DLLs, it shows which names the loader takes
// from a program's own folder rather than from the system.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    int loaded = 0;
    for (int i = 1; i < argc; ++i) {
        HMODULE module = LoadLibraryA(argv[i]);
        if (!module) continue;
        ++loaded;
        FreeLibrary(module);
    }
    return loaded;
}
