// The small distribution the installer's tests start from: the twelve
// content folders, each holding one file whose bytes are the folder's name,
// and the files that sit beside Setup.exe, each holding its own name.
#pragma once

#include "framework/String.h"

#include <vector>

struct SampleDistribution {
    // The one file in each content folder.
    CString itemName = "item.txt";
    // The index of a content folder left out (a damaged distribution); -1 for none.
    int leftOut = -1;
    std::vector<CString> programFiles = {"readme.txt", "Kelvra-64.exe", "Uninstall-64.exe"};

    // Lays the distribution out in source (ending in a backslash); false
    // when a folder or file cannot be made.
    bool MakeIn(const CString& source) const;
};
