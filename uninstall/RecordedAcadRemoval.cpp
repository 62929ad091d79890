#include "uninstall/RecordedAcadRemoval.h"

#include "framework/WideText.h"
#include "host_cad/AcadCleanup.h"

#include <windows.h>

namespace {

// The HKCU key of the profile an entry names; empty when the entry lacks
// what the key is made of.
CString ProfileKeyOf(const RecordedAcadEntry& entry) {
    if (entry.releaseKey.IsEmpty() || entry.productId.IsEmpty() || entry.profile.IsEmpty())
        return CString();
    return RecordedProfileKey(entry);
}

} // namespace

int RemoveRecordedAcadEntries(const CInstallRecord& record) {
    int changed = 0;
    for (const RecordedAcadEntry& entry : record.trustedPaths) {
        const CString key = ProfileKeyOf(entry);
        if (key.IsEmpty() || entry.value.IsEmpty()) continue;
        CString recorded = entry.value;
        recorded.Trim();
        changed += RemoveTrustedEntries(key + "\\Variables", [&recorded](const CString& written) {
            return written.CompareNoCase(recorded) == 0;
        });
    }
    for (const RecordedAcadEntry& entry : record.profiles) {
        const CString key = ProfileKeyOf(entry);
        std::wstring wide;
        if (key.IsEmpty() || !ToWide(key, wide)) continue;
        if (RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str()) == ERROR_SUCCESS) ++changed;
    }
    return changed;
}
