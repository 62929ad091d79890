// What in the product's folders is the installation's own, decided from the
// installation record alone: the removal asks here and then deletes by
// itself, so that how it deletes can change without changing what it takes.
#pragma once

#include "engine/InstallRecord.h"
#include "framework/String.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

// Whose a file in one of the product's folders is.
enum class FileOwner {
    Product,     // the record lists it and its size and last-write time match
    Data,        // the user's database (the installer never overwrites it)
    UserChanged, // the record lists it, but it changed since the installation
    UserAdded,   // the record does not list it
};

// True for the user's database: the lower-cased path, or its long form,
// contains "kelvra.mdb"
// (the installer's own rule, which never overwrites such a file).
bool IsDataFile(const CString& path);

class CRemovalOwnership {
public:
    // Without a record: nothing can be proved ours (the safe mode).
    CRemovalOwnership() = default;
    explicit CRemovalOwnership(const CInstallRecord& record);

    bool HasRecord() const { return m_record != nullptr; }
    const CInstallRecord* Record() const { return m_record; }

    // Paths given here are normalised (NormalizePath), as the walk makes them.
    // Without a record every file other than the database counts as added.
    FileOwner OwnerOf(const CString& path, uint64_t size, uint64_t lastWrite) const;
    // The installation created the folder (it did not exist before).
    bool Created(const CString& folder) const;
    // The product's scratch folder "<destination>\Temp", when the
    // installation created it: it goes with whatever is in it.
    bool IsScratch(const CString& folder, const CString& destination) const;

private:
    static std::string KeyOf(const CString& path);

    const CInstallRecord* m_record = nullptr;
    std::unordered_map<std::string, const RecordedFile*> m_files;
    std::unordered_set<std::string> m_created;
};
