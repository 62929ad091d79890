#include "host_cad/ReleaseSweep.h"

#include "host_cad/AcadDiscovery.h"
#include "host_cad/AcadProfile.h"

void ConfigureAcadReleaseSweep(const CString& installDir) {
    CString hostFolder;
    for (const AcadRelease& release : ACAD_RELEASES) {
        for (const char* view : release.configurationSweepViews) {
            if (FindAcadInstall(release, view, hostFolder)) {
                ConfigureAcadProfile(release, installDir, CString(), hostFolder);
                break;
            }
        }
    }
}

void SweepAcadShortcuts(
    const std::function<void(const AcadRelease&, const CString&)>& makeShortcut) {
    CString hostFolder;
    for (const AcadRelease& release : ACAD_RELEASES) {
        for (const char* view : release.shortcutSweepViews) {
            if (FindAcadInstall(release, view, hostFolder)) {
                makeShortcut(release, hostFolder);
                break;
            }
        }
    }
}
