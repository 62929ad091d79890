// The two walks over the release table: one configures every release it
// finds, the other hands every release it finds to the shortcut step.
#pragma once

#include "framework/String.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/AcadRelease.h"

#include <functional>

// What the configuration sweep tells about each release in the table, for the
// run's log. view is "" (native) or "Wow6432Node".
class IReleaseSweepReport {
public:
    // Configured in the view where it was found; trustedPathsLeft: the
    // user's trusted-path list was too long to read and was left as it was.
    virtual void Configured(const AcadRelease& release, const char* view, const CString& hostFolder,
                            bool trustedPathsLeft) = 0;
    // Found in none of its configuration views: left alone.
    virtual void Skipped(const AcadRelease& release) = 0;

protected:
    ~IReleaseSweepReport() = default;
};

// Configures "<<Kelvra V9>>" once in every release found in one of its
// configuration views, always with the native view. Returns how many
// trusted-path lists were too long to read and were left as they were.
// added, when given, receives what configuration added (ConfigureAcadProfile);
// report, when given, hears of every release, configured or skipped.
// parts: which side of each release's configuration is written.
int ConfigureAcadReleaseSweep(const CString& installDir, AcadProfileAdditions* added = nullptr,
                              IReleaseSweepReport* report = nullptr,
                              ConfigurationParts parts = ConfigurationParts::UserAndMachine);

// Calls visit(release, host folder) for every release the configuration
// sweep finds (in one of its configuration views), in table order.
void SweepAcadConfigurationReleases(
    const std::function<void(const AcadRelease&, const CString&)>& visit);

// Calls makeShortcut(release, host folder) for every release found in one of
// its shortcut views, in table order.
void SweepAcadShortcuts(
    const std::function<void(const AcadRelease&, const CString&)>& makeShortcut);
