#include "host_cad/ReleaseSweep.h"

#include "host_cad/AcadDiscovery.h"
#include "host_cad/AcadProfile.h"

namespace {

using ReleaseVisit = std::function<void(const AcadRelease&, const CString&)>;
using ViewVisit = std::function<void(const AcadRelease&, const char*, const CString&)>;

// Each release once, in the first of its views (as the sweep names them) where
// it is found; missing, when given, hears of the others.
void SweepReleases(TriedInOrder<const char*> AcadRelease::*views, const ViewVisit& visit,
                   const std::function<void(const AcadRelease&)>& missing = nullptr) {
    CString hostFolder;
    for (const AcadRelease& release : ACAD_RELEASES) {
        bool found = false;
        for (const char* view : release.*views) {
            if (FindAcadInstall(release, view, hostFolder)) {
                visit(release, view, hostFolder);
                found = true;
                break;
            }
        }
        if (!found && missing) missing(release);
    }
}

ViewVisit IgnoringView(const ReleaseVisit& visit) {
    return [&visit](const AcadRelease& release, const char*, const CString& hostFolder) {
        visit(release, hostFolder);
    };
}

} // namespace

int ConfigureAcadReleaseSweep(const CString& installDir, AcadProfileAdditions* added,
                              IReleaseSweepReport* report, ConfigurationParts parts) {
    int listsLeft = 0;
    SweepReleases(
        &AcadRelease::configurationSweepViews,
        [&](const AcadRelease& release, const char* view, const CString& hostFolder) {
            const int left =
                ConfigureAcadProfile(release, installDir, CString(), hostFolder, added, parts);
            listsLeft += left;
            if (report) report->Configured(release, view, hostFolder, left != 0);
        },
        [&](const AcadRelease& release) {
            if (report) report->Skipped(release);
        });
    return listsLeft;
}

void SweepAcadConfigurationReleases(const ReleaseVisit& visit) {
    SweepReleases(&AcadRelease::configurationSweepViews, IgnoringView(visit));
}

void SweepAcadShortcuts(const ReleaseVisit& makeShortcut) {
    SweepReleases(&AcadRelease::shortcutSweepViews, IgnoringView(makeShortcut));
}
