#include "uninstall/RemovalOwnership.h"

#include "framework/LongPath.h"
#include "framework/PathCompare.h"

namespace {

const char kDataFileMark[] = "kelvra.mdb";
const char kScratchFolder[] = "Temp";

} // namespace

bool IsDataFile(const CString& path) {
    CString lower = path;
    if (lower.MakeLower().Find(kDataFileMark) >= 0) return true;
    // A short spelling ("KELVRA~1.MDB") is matched in its long form. A name
    // without "~" is its own long form: short names the system makes always
    // hold one.
    CString longForm;
    return lower.Find("~") >= 0 && GetLongPath(path, longForm) &&
           longForm.MakeLower().Find(kDataFileMark) >= 0;
}

// Paths compare with ASCII letters folded (double-byte characters as they
// are); the record's are normalised once here, the walk's already are.
std::string CRemovalOwnership::KeyOf(const CString& path) {
    CString key = path;
    return key.MakeLower().str();
}

CRemovalOwnership::CRemovalOwnership(const CInstallRecord& record) : m_record(&record) {
    // Sized once: 20,000 paths would rehash the table a dozen times.
    m_files.reserve(record.files.size());
    for (const RecordedFile& file : record.files) m_files[KeyOf(NormalizePath(file.path))] = &file;
    for (const CString& folder : record.createdFolders)
        m_created.insert(KeyOf(NormalizePath(folder)));
}

FileOwner CRemovalOwnership::OwnerOf(const CString& path, uint64_t size, uint64_t lastWrite) const {
    if (IsDataFile(path)) return FileOwner::Data;
    const auto found = m_files.find(KeyOf(path));
    if (found == m_files.end()) return FileOwner::UserAdded;
    const RecordedFile& recorded = *found->second;
    return recorded.size == size && recorded.lastWrite == lastWrite ? FileOwner::Product
                                                                    : FileOwner::UserChanged;
}

bool CRemovalOwnership::Created(const CString& folder) const {
    return m_created.count(KeyOf(folder)) != 0;
}

bool CRemovalOwnership::IsScratch(const CString& folder, const CString& destination) const {
    return Created(folder) &&
           IsSamePath(NormalizePath(folder), NormalizePath(destination + "\\" + kScratchFolder));
}
