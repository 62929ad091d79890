// The installation record: what an installation really put on the machine,
// kept beside Uninstall.log (whose format the uninstaller of every earlier
// version reads and which therefore never changes) and, when an administrator
// installs, in a folder only administrators can write. The uninstaller
// removes what this record names and nothing else: the folders the copy
// created (not those that were there before), the files it wrote while their
// size and last-write time still match, the links it made, and the exact
// AutoCAD trusted paths and profiles it added.
#pragma once

#include "framework/String.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct RecordedFile {
    CString path;           // absolute, code page 936
    uint64_t size = 0;      // in bytes, as the copy left it
    uint64_t lastWrite = 0; // FILETIME as one number, as the copy left it
};

// One AutoCAD release in one registry view, as the configuration sweep met it.
struct RecordedAcadEntry {
    CString releaseKey; // "R19.1"
    CString view;       // "" (native) or "Wow6432Node"
    CString profile;    // the profile the value lives in
    CString value;      // a TRUSTEDPATHS entry; empty for a created profile
    CString productId;  // the release's product id in the key ("ACAD-D001:804")
};

// The HKEY_CURRENT_USER key of the entry's profile, as configuration wrote it:
// Software[\view]\Autodesk\AutoCAD\<release>\<product id>\Profiles\<profile>.
CString RecordedProfileKey(const RecordedAcadEntry& entry);

class CInstallRecord {
public:
    CStringArray createdFolders; // did not exist before the installation
    std::vector<RecordedFile> files;
    CStringArray links;
    std::vector<RecordedAcadEntry> trustedPaths; // entries added, exactly as written
    std::vector<RecordedAcadEntry> profiles;     // profiles created (value empty)

    bool IsEmpty() const;
    // Adds or, for a path already recorded, replaces (a rewritten file gets
    // its new size and time). Paths compare without regard to ASCII case.
    void AddFile(const RecordedFile& file);
    void AddCreatedFolder(const CString& path);
    void AddLink(const CString& path);
    void AddTrustedPath(const RecordedAcadEntry& entry);
    void AddProfile(const RecordedAcadEntry& entry);
    // A reinstall keeps what an earlier installation recorded: its created
    // folders stay ours, its files and AutoCAD entries stay listed unless
    // this record has newer facts about the same item.
    void MergeEarlier(const CInstallRecord& earlier);

    // The whole record as bytes, with a count and a checksum at the end.
    CString Serialize() const;
    // False for anything damaged: truncated, edited, a bad line, a count or
    // checksum that does not match. A damaged record is treated as missing.
    static bool Parse(const CString& bytes, CInstallRecord& record);

    // Written whole or not at all: a temporary file beside it, then a rename
    // over the old one. A crash leaves the previous record as it was.
    bool Save(const CString& path) const;
    static bool Load(const CString& path, CInstallRecord& record);

private:
    // Where each path (ASCII case folded, by its hash) sits in files and
    // createdFolders, so adding 20,000 of them stays linear; rebuilt when a
    // list was changed directly.
    std::unordered_multimap<size_t, size_t> m_fileIndex;
    std::unordered_multimap<size_t, size_t> m_folderIndex;
};

// "<destination>\<name>": the record beside Uninstall.log.
CString RecordPathBeside(const CString& destination);
// The administrators' copy, under %CommonProgramFiles%\Morvane\Kelvra V9;
// empty when Common Files cannot be found.
CString MachineRecordPath();
// Creates the administrators' copy's folder, when missing, with a protected
// DACL of its own. False when it cannot be made.
bool EnsureMachineRecordFolder();
