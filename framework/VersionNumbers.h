// Versions of up to four numbers ("9.0.1.0", Active Setup's "9,0,9569,43199")
// and their order: the installer compares its own version with the installed
// one, and Active Setup compares a component's Version with each user's.
#pragma once

#include "framework/String.h"

// A version's four parts, each at most 65535 (a larger one counts as that).
struct VersionParts {
    unsigned long part[4] = {};
};

// Up to four numbers separated by dots or commas; a missing or unreadable
// part reads as 0 ("9.00" is 9.0.0.0, "" is 0.0.0.0).
VersionParts ParseVersion(const CString& text);

// The order of two versions as ParseVersion reads them, part by part:
// negative, zero or positive, as for strcmp.
int CompareVersions(const CString& a, const CString& b);
