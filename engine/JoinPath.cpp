#include "engine/JoinPath.h"

CString JoinPath(const CString& folder, const CString& name) {
    if (folder.GetLength() < 3) return name;
    // A GBK trail byte can be 0x5C: only a whole backslash character counts.
    if (folder.EndsWithBackslash() || folder.Right(1) == "/") return folder + name;
    return folder + "\\" + name;
}
