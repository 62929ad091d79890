// A path of the build or source tree on the host, as Wine's drive Z: shows
// it to the programs under test.
#pragma once

#include "framework/String.h"

#include <string>

inline CString WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return CString(path);
}
