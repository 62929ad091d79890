// The file operations Windows carries out at the next restart
// (PendingFileRenameOperations under Session Manager): an uninstallation
// that found a file in use left its deletion there, an installation that
// found one in use left its replacement. Before a new installation into the
// same folder copies anything, those that would delete or replace a file in
// it are taken out: at boot they would remove or overwrite what the new
// installation put there, while detection says installed.
#pragma once

#include "framework/String.h"

#include <string>
#include <vector>

// One operation as Session Manager reads it: the file, and where it goes
// (empty: deleted; starting with "!": over a file that is there).
struct PendingRename {
    std::wstring source;
    std::wstring target;
};

// The pairs of a REG_MULTI_SZ value's data (UTF-16 characters, the list's
// closing NUL optional), and back.
std::vector<PendingRename> ParsePendingRenames(const std::wstring& data);
std::wstring SerializePendingRenames(const std::vector<PendingRename>& renames);

// The path an entry names ("\??\C:\...", "!\??\...", "\??\UNC\server\...")
// in code page 936 and normalised; empty for none or one 936 cannot hold.
CString PendingRenamePath(const std::wstring& entry);

// Takes out every operation whose file or target lies in destination, each
// named in the run's log; the others stay as they were. A replacement file
// an earlier installation left for its own operation goes too. False
// (logged) when an operation to take out is there but the value cannot be
// rewritten.
bool TakeOutPendingRenames(const CString& destination);
