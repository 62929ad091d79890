#include "framework/VersionNumbers.h"

#include <cstdlib>

VersionParts ParseVersion(const CString& text) {
    VersionParts version;
    const char* p = text.GetString();
    for (unsigned long& part : version.part) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(p, &end, 10);
        part = end == p ? 0 : (value > 0xFFFF ? 0xFFFF : value);
        p = end;
        while (*p && *p != ',' && *p != '.') ++p;
        if (!*p) break;
        ++p;
    }
    return version;
}

int CompareVersions(const CString& a, const CString& b) {
    const VersionParts left = ParseVersion(a);
    const VersionParts right = ParseVersion(b);
    for (int i = 0; i < 4; ++i)
        if (left.part[i] != right.part[i]) return left.part[i] < right.part[i] ? -1 : 1;
    return 0;
}
