// What an uninstall may touch. The log lies in a folder users may write to
// and the uninstaller often runs as an administrator, so every line is
// checked against the places the installer itself writes: the destination
// folder (the folder holding the log), the desktop link and the program
// group in the shell folders the shortcut step reads, and the product's three
// registry keys. Everything else is refused and left alone.
#pragma once

#include "framework/String.h"
#include "uninstall/UninstallRecord.h"

class CRemovalScope {
public:
    // The scope of the log at logPath: its folder is the destination; the
    // desktop and Programs folders are read from the shell-folder sources
    // (every source, as the installer may have used any of them); the
    // protected folders are the drive roots, the Windows folder, the Program
    // Files folders, the user profile folders and every shell folder.
    static CRemovalScope ForLog(const CString& logPath);

    // The destination folder, normalised, ending in a backslash.
    const CString& Destination() const { return m_destination; }

    // True when the line may be acted on: a file or folder inside the
    // destination (after "." and ".." and separators are normalised,
    // compared case-insensitively), the desktop link or the program group
    // (or a link in it), or one of the three product keys under root 2. A
    // folder that is, or holds, a protected folder is never allowed.
    bool Allows(const LogLine& line) const;
    // Turns every line Allows rejects into a refused one (kind Refused, its
    // text kept for the last box).
    void RefuseOutside(UninstallRecord& record) const;

    // True for a drive root, the Windows folder, a Program Files folder, a
    // user profile folder or a shell folder (normalised comparison).
    bool IsProtected(const CString& folder) const;

    // For tests: a scope with the given folders instead of the machine's.
    CRemovalScope(CString destination, CStringArray desktops, CStringArray programFolders,
                  CStringArray protectedFolders);
    CRemovalScope() = default;

    const CStringArray& Desktops() const { return m_desktops; }
    const CStringArray& ProgramFolders() const { return m_programFolders; }

private:
    CString m_destination;
    CStringArray m_desktops;
    CStringArray m_programFolders;
    CStringArray m_protected;
};

// An absolute path with "/" turned into "\", repeated separators, "." and
// ".." resolved, no trailing backslash (but "C:\" for a root). Empty when
// the path is not absolute ("X:\..." or "\\server\share\...") or ".."
// climbs above its root. Double-byte characters are stepped over.
CString NormalizePath(const CString& path);
// True when path is folder or lies inside it (both normalised, compared
// case-insensitively on ASCII letters, on character boundaries).
bool IsPathWithin(const CString& path, const CString& folder);
