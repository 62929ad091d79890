// A library with nothing in it: what the module holder loads in the tests'
// files in use, copied where the product's LoadKelvra.arx lies.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
