// Which programs hold files open: asked of the Restart Manager, and of each
// file itself where the Restart Manager names nobody (a file that cannot be
// opened for writing without sharing is held by a program it does not know).
// rstrtmgr.dll is not a KnownDLL: it is loaded at run time by its System32
// path, after the library search is locked.
#pragma once

#include "framework/String.h"

#include <vector>

struct FileInUse {
    CString path;
    // The programs the Restart Manager names; empty when it names none.
    CStringArray programs;
};

// The files of paths that a program holds, in the order given. One Restart
// Manager session asks about them all; only when it names someone is each
// file asked alone, to say who holds which. A file that is missing is not
// in use.
std::vector<FileInUse> FindFilesInUse(const CStringArray& paths);

// The programs the Restart Manager names for the files together, each name
// once; empty when it names nobody or cannot be asked.
CStringArray ProgramsUsing(const CStringArray& paths);

// True when another program holds the file: it cannot be opened for writing
// without sharing (a sharing or lock violation, or a mapped module).
bool IsHeldOpen(const CString& path);
// The errors that say so, for an open, a copy or a delete.
bool IsInUseError(unsigned long error);

// The programs for a box or a log line: the names joined, or "未知程序"
// when none is known.
CString ProgramNames(const CStringArray& programs);
