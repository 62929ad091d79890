#include "uninstall/UninstallRecord.h"

int UninstallRecord::ValidCount() const {
    int count = 0;
    for (const LogLine& line : lines)
        if (line.kind != LogLineKind::Refused) ++count;
    return count;
}

bool ParseUninstallRecord(const char*, size_t, UninstallRecord&) { return false; }
bool ReadUninstallRecord(const CString&, UninstallRecord&) { return false; }
