#include "uninstall/RecordedAcadRemoval.h"

#include "framework/WideText.h"
#include "host_cad/AcadCleanup.h"
#include "host_cad/AcadProfile.h"

#include <windows.h>

#include <cstring>

namespace {

// The HKCU key of the profile an entry names: a whole key as written, or a
// profile name beside the product's own profile of that release and view.
// Empty when the release is unknown.
CString ProfileKeyOf(const RecordedAcadEntry& entry) {
    if (entry.profile.Find("\\") >= 0) return entry.profile;
    const AcadRelease* release = FindAcadRelease(entry.releaseKey);
    if (!release || entry.profile.IsEmpty()) return CString();
    const CString ownProfile = FindAcadProfileKeys(*release, entry.view).profile;
    const int nameLength = static_cast<int>(std::strlen(kKelvraProfile));
    if (ownProfile.GetLength() <= nameLength) return CString();
    return ownProfile.Left(ownProfile.GetLength() - nameLength) + entry.profile;
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
