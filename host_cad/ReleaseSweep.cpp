#include "host_cad/ReleaseSweep.h"

#include "host_cad/AcadDiscovery.h"
#include "host_cad/AcadProfile.h"

namespace {

using ReleaseVisit = std::function<void(const AcadRelease&, const CString&)>;

// Each release once, in the first of its views (as the sweep names them) where
// it is found.
void SweepReleases(TriedInOrder<const char*> AcadRelease::*views, const ReleaseVisit& visit) {
    CString hostFolder;
    for (const AcadRelease& release : ACAD_RELEASES) {
        for (const char* view : release.*views) {
            if (FindAcadInstall(release, view, hostFolder)) {
                visit(release, hostFolder);
                break;
            }
        }
    }
}

} // namespace

int ConfigureAcadReleaseSweep(const CString& installDir, AcadProfileAdditions* added) {
    int listsLeft = 0;
    SweepAcadConfigurationReleases([&](const AcadRelease& release, const CString& hostFolder) {
        listsLeft += ConfigureAcadProfile(release, installDir, CString(), hostFolder, added);
    });
    return listsLeft;
}

void SweepAcadConfigurationReleases(const ReleaseVisit& visit) {
    SweepReleases(&AcadRelease::configurationSweepViews, visit);
}

void SweepAcadShortcuts(const ReleaseVisit& makeShortcut) {
    SweepReleases(&AcadRelease::shortcutSweepViews, makeShortcut);
}
