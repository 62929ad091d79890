// What an uninstall may touch. The log lies in a folder users may write to
// and the uninstaller often runs as an administrator, so every line is
// checked against the places the installer itself writes: the destination
// folder (the folder holding the log), the desktop link and the program
// group in the shell folders the shortcut step reads, and the product's three
// registry keys. Everything else is refused and left alone.
#pragma once

#include "framework/String.h"
#include "uninstall/UninstallRecord.h"

// Where an allowed line lies.
enum class ScopeArea {
    Outside,      // refused
    Destination,  // a file or folder inside the destination folder
    DesktopLink,  // the product's link in a desktop folder
    ProgramGroup, // the program group folder itself (removed once empty)
    GroupLink,    // a link directly in the program group
    ProductKey,   // one of the three product keys
};

class CRemovalScope {
public:
    // The scope of the log at logPath: its folder is the destination; the
    // desktop and Programs folders are read from every shell-folder source
    // the shortcut step tries; the protected folders are the drive roots,
    // the Windows folder, the Program Files folders, the user profile
    // folders, the temporary folder and every shell folder.
    static CRemovalScope ForLog(const CString& logPath);

    // For tests: the given folders instead of the machine's (any form;
    // they are normalised here).
    CRemovalScope(const CString& destination, const CStringArray& desktops,
                  const CStringArray& programFolders, const CStringArray& protectedFolders);
    CRemovalScope() = default;

    // The same shell and protected folders around another destination (an
    // earlier installation's folder the record names).
    CRemovalScope ForDestination(const CString& destination) const;

    // The destination folder, normalised (no trailing backslash).
    const CString& Destination() const { return m_destination; }

    // Where the line's normalised path or key lies. A path inside the
    // destination is refused when it is the destination itself, lies in a
    // protected folder the destination is not in, or (a "Made Dir: " line,
    // whose whole contents go) is or holds a protected folder. Keys: only
    // the three product keys under HKEY_LOCAL_MACHINE, compared
    // case-insensitively.
    ScopeArea AreaOf(const LogLine& line) const;
    bool Allows(const LogLine& line) const { return AreaOf(line) != ScopeArea::Outside; }
    // Turns every line Allows rejects into a refused one (kind Refused, its
    // shown text made from the line) and normalises the paths of the others.
    void RefuseOutside(UninstallRecord& record) const;

    // True for a drive root or a protected folder (normalised comparison).
    bool IsProtected(const CString& folder) const;
    // True when a protected folder lies inside folder (or is folder).
    bool HoldsProtected(const CString& folder) const;

private:
    // AreaOf, also giving the line's path normalised (for a path line).
    ScopeArea AreaOf(const LogLine& line, CString& path) const;
    // IsProtected and HoldsProtected of a normalised folder and its long form.
    bool IsProtectedAs(const CString& folder, const CString& longForm) const;
    bool HoldsProtectedAs(const CString& folder, const CString& longForm) const;

    CString m_destination;
    CStringArray m_desktops;
    CStringArray m_programFolders;
    CStringArray m_protected;
};
