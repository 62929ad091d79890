#include "host_cad/SiblingProducts.h"

#include "host_cad/Registry.h"

int ReadSiblingInstallPath(SiblingProduct sibling, CString& folder) {
    const char* key = sibling == SiblingProduct::Quintel ? "SOFTWARE\\Morvane\\Quintel\\V9"
                                                         : "SOFTWARE\\Morvane\\Velmor\\V9";
    if (!ReadMachineString(key, "installPath", folder)) return 0;
    folder.Trim();
    folder.AppendBackslashIfMissing();
    return 1;
}
