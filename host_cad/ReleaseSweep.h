// The two walks over the release table: one configures every release it
// finds, the other hands every release it finds to the shortcut step.
#pragma once

#include "framework/String.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/AcadRelease.h"

#include <functional>

// Configures "<<Kelvra V9>>" once in every release found in one of its
// configuration views, always with the native view. Returns how many
// trusted-path lists were too long to read and were left as they were.
// added, when given, receives what configuration added (ConfigureAcadProfile).
int ConfigureAcadReleaseSweep(const CString& installDir, AcadProfileAdditions* added = nullptr);

// Calls visit(release, host folder) for every release the configuration
// sweep finds (in one of its configuration views), in table order.
void SweepAcadConfigurationReleases(
    const std::function<void(const AcadRelease&, const CString&)>& visit);

// Calls makeShortcut(release, host folder) for every release found in one of
// its shortcut views, in table order.
void SweepAcadShortcuts(
    const std::function<void(const AcadRelease&, const CString&)>& makeShortcut);
