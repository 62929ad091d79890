// Alone in its file: a test program links its own in its place, to refuse a
// deletion as a key's access list does on Windows (Wine 8 ignores the list);
// the programs contain only this one.
#include "host_cad/ComClassRegistry.h"

LSTATUS DeleteKeyTree(HKEY root, const wchar_t* path) { return RegDeleteTreeW(root, path); }
