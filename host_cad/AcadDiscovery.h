// Host discovery: whether one AutoCAD release is installed, and where.
// Reads the registry only (creating, empty, the keys it probes).
#pragma once

#include "framework/String.h"
#include "host_cad/AcadRelease.h"

// True when a non-empty folder value was read under the release's product
// key; folder then holds it, ending in a backslash. folder is emptied first.
// view is "" (native) or "Wow6432Node"; a release that takes no view ignores it.
int FindAcadInstall(const AcadRelease& release, const CString& view, CString& folder);
