// A file as the installation record holds it: its size and last-write time
// as they are now.
#pragma once

#include "engine/InstallRecord.h"
#include "framework/WideText.h"

#include <gtest/gtest.h>

#include <windows.h>

inline RecordedFile AsItIs(const CString& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        << path.GetString();
    RecordedFile file;
    file.path = path;
    file.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    file.lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    return file;
}
