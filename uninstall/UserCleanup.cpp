#include "uninstall/UserCleanup.h"

#include "framework/SystemLibrary.h"
#include "host_cad/AcadCleanup.h"
#include "uninstall/ProductRemoval.h"

#include <userenv.h>

bool UserProfileRoams() {
    // userenv is no KnownDLL: never imported, loaded from System32.
    const auto getProfileType =
        SystemFunction<decltype(&GetProfileType)>(L"userenv.dll", "GetProfileType");
    DWORD type = 0;
    return getProfileType && getProfileType(&type) && (type & PT_ROAMING) != 0;
}

UserCleanupResult CleanUpUser(const CString& installDir, bool roamingProfile) {
    UserCleanupResult result;
    if (!roamingProfile)
        result.acadChanged = RemoveAcadConfiguration(installDir, AcadCleanupParts::UserOnly);
    result.linksRemoved = RemoveUserShortcuts();
    return result;
}
