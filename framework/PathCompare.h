// Absolute paths put in one form so that two of them can be compared: the
// uninstaller decides with these what lies inside the destination folder.
// Comparisons fold ASCII letters only and step over double-byte characters
// (a GBK trail byte may be a backslash or a letter).
#pragma once

#include "framework/String.h"

// The path as the file functions resolve it (GetFullPathNameW: "/" read as
// "\", repeated separators, "." and ".." resolved, trailing dots and blanks
// of a name dropped), without a trailing backslash except on a drive root
// ("C:\"). Empty unless path is absolute ("X:\..." or "\\server\share\...");
// device paths ("\\?\", "\\.\") are empty too, and so is text that is not
// valid code page 936.
CString NormalizePath(const CString& path);

// True when path is folder or lies inside it; both normalised.
bool IsPathWithin(const CString& path, const CString& folder);
bool IsSamePath(const CString& a, const CString& b);

// A drive root "X:\" or a share root "\\server\share" (normalised).
bool IsRootPath(const CString& path);
// The folder holding a normalised path; empty for a root.
CString ParentFolder(const CString& path);
