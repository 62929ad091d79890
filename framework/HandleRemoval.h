// Removal that works from open handles, never from a path checked earlier.
// The destination is opened once by its path; every folder and file below
// it is opened relative to its parent's open handle, without following a
// junction or symbolic link, checked on that handle, and deleted through it.
// A folder swapped for a link after its parent was listed is therefore
// either removed as the link it now is or left; what the link points at is
// never entered. Folders are held without delete sharing while the walk is
// inside them, so they cannot be renamed or replaced under it.
//
// Where the system follows links even when asked not to (Wine opens the
// target of a host symbolic link, and its listings do not show a link to a
// file as one), each handle is also checked to carry the name it was opened
// by; a handle that does not is never acted on.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <windows.h>

#include <string>
#include <vector>

#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

// A junction, a symbolic link or another name surrogate: what it names lies
// elsewhere. Other reparse points (OneDrive's cloud placeholders, files the
// system deduplicated or compressed) hold their own data: files and folders
// like any other. One whose tag the system does not tell (Wine shows a host
// symbolic link so) counts as a link.
inline bool IsLinkReparsePoint(DWORD attributes, DWORD reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
}

// One file or folder, as read on its own open handle.
struct HandleEntry {
    // Relative to the walk's root, components joined by "\".
    CString path;
    // False when a name on the path has no code page 936 form: path is then
    // only fit to be shown, never to be matched against a record.
    bool exactName = true;
    DWORD attributes = 0;
    DWORD reparseTag = 0; // with FILE_ATTRIBUTE_REPARSE_POINT: the point's tag
    ULONGLONG size = 0;
    FILETIME lastWrite{};

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return IsLinkReparsePoint(attributes, reparseTag); }
};

enum class EntryChoice {
    Keep,    // leave it, and do not enter it
    Delete,  // delete it (a folder only when empty; a link as itself)
    Descend, // a folder that is no link: visit what it holds, then ask
             // DeleteAfterDescent; anything else is deleted as with Delete
};

// Decides, entry by entry, what the walk does. Every error is the system's
// code (ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION or ERROR_ACCESS_DENIED
// for a file in use; ERROR_REPARSE_POINT_ENCOUNTERED for a link that could
// not be handled as itself or a handle that is not the object listed).
class IHandleWalk {
public:
    virtual ~IHandleWalk() = default;
    virtual EntryChoice Choose(const HandleEntry& entry) = 0;
    // After a folder's contents were visited: true deletes the folder (it
    // goes only when empty by then).
    virtual bool DeleteAfterDescent(const HandleEntry& folder) = 0;
    // Opening, checking or deleting an entry failed (ERROR_DIR_NOT_EMPTY:
    // a folder still holds what was kept or left). True: try again, from
    // the open on; false: the entry stays (the caller records it).
    virtual bool OnError(const HandleEntry& entry, DWORD error) = 0;
    // Told about every entry deleted.
    virtual void OnDeleted(const HandleEntry&) {}

    // Hooks between the moments an attacker would aim at: after a folder was
    // listed and before an entry of it is opened; after an entry was checked
    // and before it is deleted. The walk does nothing of its own here.
    virtual void BeforeOpen(const CString& /*path*/) {}
    virtual void BeforeDelete(const HandleEntry& /*entry*/) {}
};

// A file or folder opened without following links, with the name its handle
// was reached by.
class CRemovalHandle {
public:
    // Opens a folder by its path (the one path the removal trusts), for
    // listing and deleting (for listing only when it may not be deleted),
    // refusing a folder that is itself a reparse point. The folders above it
    // are reached as the path names them: a caller that must know where the
    // handle landed compares GetHandlePath (framework/LongPath.h) with the
    // long form of the path. ERROR_SUCCESS or the system's code.
    static DWORD OpenFolder(const CString& path, CRemovalHandle& folder);

    // Opens the entry at relativePath below this folder ("a\b\c.txt"),
    // component by component, each relative to the one before, refusing any
    // folder on the way that is a reparse point. The last component may be a
    // link; it is opened as itself. A component in its 8.3 spelling is taken
    // in its long form from its folder's listing; longPath, when given,
    // receives the path so spelled.
    DWORD OpenBelow(const CString& relativePath, CRemovalHandle& entry,
                    std::wstring* longPath = nullptr) const;
    // The same, sharing deletion at every step: to read the rights on a
    // path while a removal holds its folders (a removal withholds delete
    // sharing, and an open that withholds it too cannot be made beside one).
    DWORD OpenBelowBesideRemoval(const CString& relativePath, CRemovalHandle& entry) const;

    HANDLE Get() const { return m_handle.Get(); }
    bool IsValid() const { return m_handle.IsValid(); }

private:
    friend class CHandleWalker;
    DWORD Open(const CString& relativePath, CRemovalHandle& entry, std::wstring* longPath,
               ULONG sharing) const;
    CFileHandle m_handle;
    std::wstring m_name; // the handle's name without the drive, "\dir\sub"
};

// Visits what folder holds, deepest entries as the walk reaches them.
// ERROR_SUCCESS when the listing itself could be read; errors on entries go
// to walk.OnError.
DWORD WalkFolder(const CRemovalHandle& folder, IHandleWalk& walk);

// Reaches the entry at relativePath below root (see OpenBelow), reads it on
// its own handle, and treats it as WalkFolder treats an entry (its path in
// the long form of every component): Choose, then
// delete it, descend into it, or leave it. ERROR_SUCCESS when the entry was
// reached, ERROR_FILE_NOT_FOUND/ERROR_PATH_NOT_FOUND when it is not there,
// else the reason it could not be reached (also told to walk.OnError).
DWORD VisitBelow(const CRemovalHandle& root, const CString& relativePath, IHandleWalk& walk);

// For tests on a system that makes no reparse points of its own (Wine 8
// refuses FSCTL_SET_REPARSE_POINT): what the file system would say of the
// object an open handle holds, given what it did say; it may add
// FILE_ATTRIBUTE_REPARSE_POINT and a tag. The programs never set one.
using ReparseStandIn = void (*)(HANDLE handle, DWORD& attributes, DWORD& reparseTag);
void SetReparseStandInForTests(ReparseStandIn standIn);

// Whether this system's opens follow a link even when asked not to (Wine):
// links can then only be left, never deleted as themselves.
bool OpensFollowLinks();
