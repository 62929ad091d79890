// A checked distribution. tools/make-release.sh lists every file of the
// distribution (but Setup.exe, which its signature covers, and the list
// itself) with its size and SHA-256 in Distribution.manifest, and writes the
// list's SHA-256 into Setup.exe before signing it. Such a Setup.exe checks
// its folder against the list before anything changes: a share that
// replicated in part, a file cut short or replaced, a file added where the
// installation would copy it, and the run does not start. Only the data
// files' contents (the bulk of the tree) are left to the copy, which reads
// them anyway: a data file changed at its size stops the copy. A Setup.exe
// without a binding (a developer build, the sample distribution) checks
// nothing.
#pragma once

#include "framework/FileDigest.h"
#include "framework/Sha256.h"
#include "framework/String.h"

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

inline constexpr char kManifestName[] = "Distribution.manifest";

// Code page 936 text, CR LF lines:
//   Kelvra V9 distribution manifest<TAB>1
//   File<TAB><size><TAB><SHA-256, 64 hex digits><TAB><path relative to the folder>
struct ManifestEntry {
    ULONGLONG size = 0;
    CSha256::Digest sha256{};
    CString path; // "Support\2000-02\arx\LoadKelvra.arx"
};

// False when the text is not such a list (a path leaving the folder, a
// path listed twice, a line of another kind).
bool ParseManifest(const std::string& text, std::vector<ManifestEntry>& entries);

// The digest bound into the running program; false when none is (no
// resource, or the digest is all zero).
bool ReadBoundManifestDigest(CSha256::Digest& digest);

// Whether the digest of a listed file is read before anything changes:
// the program files, the backdrop's pictures, and every content file that
// carries code or is run, loaded or registered (by its extension). The
// rest, data, is checked as the copy reads it.
bool IsDigestedBeforeChanges(const CString& path);

// The content files the copy checks as it reads them: every listed file of
// the content folders (the code ones again, which the copy reads anyway).
struct CopyCheck {
    CString folder; // the checked folder, ending in a backslash
    // Key: the relative path, lower-cased.
    std::unordered_map<std::string, FileDigest> files;
    // The listed file at path (relative to folder); null when not listed.
    const FileDigest* Find(const CString& path) const;
};

struct DistributionCheck {
    bool passed = false;
    CString manifestProblem; // the list itself is missing, changed or unreadable
    CStringArray missing;    // listed, not there
    CStringArray changed;    // another size or digest, or unreadable
    CStringArray extra;      // not listed, where the installation copies files
    int checked = 0;         // files whose digests matched
    // When passed: what the copy checks (data files' digests are read there only).
    std::shared_ptr<const CopyCheck> duringCopy;
    int leftToCopy = 0; // files whose digests only the copy reads
};

// Checks folder (ending in a backslash) against the manifest in it, which
// must have the digest bound. Extra files count among the top-level files
// (but Setup.exe and the manifest) and in the content folders: everything
// the installation copies.
DistributionCheck CheckDistribution(const CString& folder, const CSha256::Digest& bound);

// What the check names, for a box or the log: empty when it passed.
CString DistributionProblemText(const DistributionCheck& check);

// At the destination page's Next: true to go on. A bound program checks its
// own folder (the page answers meanwhile); a refusal is shown in a box and
// keeps the page.
// duringCopy receives what the copy checks (null: no binding, nothing).
bool ConfirmDistribution(HWND page, std::shared_ptr<const CopyCheck>& duringCopy);
// A silent run, before anything changes: false (the run ends with 1603)
// when the bound manifest refuses folder; the log names every file.
bool CheckDistributionBeforeChanges(const CString& folder,
                                    std::shared_ptr<const CopyCheck>& duringCopy);
