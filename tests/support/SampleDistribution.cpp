#include "tests/support/SampleDistribution.h"

#include "engine/SetupThread.h"
#include "tests/support/TempDir.h"

bool SampleDistribution::MakeIn(const CString& source) const {
    CreateFolders(source);
    int index = 0;
    for (const char* name : CONTENT_FOLDERS) {
        if (index++ == leftOut) continue;
        CreateFolders(source + name);
        if (!WriteFileBytes(source + name + "\\" + itemName, name)) return false;
    }
    for (const CString& name : programFiles)
        if (!WriteFileBytes(source + name, name.str())) return false;
    return DirectoryExists(source);
}
